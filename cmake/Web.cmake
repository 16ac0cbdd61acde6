# SPDX-License-Identifier: MIT
# The browser build, configured with emscripten's emcmake (make web): the game as quenbrill.js,
# quenbrill.wasm and quenbrill.data beside our own index.html at the top of the build folder,
# and the tests that play it in headless Chromium (tests/web/). The media come from the build
# host's generator in the desktop build folder QB_HOST_BUILD_DIR, as in every cross build.
if(NOT QB_HOST_BUILD_DIR OR NOT EXISTS ${QB_HOST_BUILD_DIR}/quenbrill-mediagen)
  message(FATAL_ERROR "The browser build runs the desktop build's media generator: configure "
    "with -DQB_HOST_BUILD_DIR=<desktop build folder> (make web does).")
endif()
set(QB_HOST_MEDIAGEN ${QB_HOST_BUILD_DIR}/quenbrill-mediagen)

# The GL and GLU entry points come with the web backend (src/platform/web/gl/); these stand in
# for the targets find_package(OpenGL) makes on the desktop.
add_library(OpenGL::GL INTERFACE IMPORTED)
add_library(OpenGL::GLU INTERFACE IMPORTED)
# The window's icon is painted by the host's painter (src/CMakeLists.txt): nothing to build.
add_custom_target(quenbrill-icons)

# GoogleTest from Debian's sources, built for the browser.
set(QB_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${QB_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
add_library(GTest::gtest ALIAS gtest)
add_library(GTest::gtest_main ALIAS gtest_main)

enable_testing()
add_subdirectory(src)

# The page: index.html, the program (quenbrill.js and .wasm) and the archive as quenbrill.data.
target_link_options(quenbrill PRIVATE -sENVIRONMENT=web
  "-sEXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency")
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/ZabroData.arc
  COMMAND ${QB_HOST_MEDIAGEN} ${PROJECT_BINARY_DIR}
  DEPENDS ${QB_HOST_MEDIAGEN}
  COMMENT "Generating the game media with the desktop build's generator"
  VERBATIM)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/quenbrill.data
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_BINARY_DIR}/ZabroData.arc
          ${PROJECT_BINARY_DIR}/quenbrill.data
  DEPENDS ${PROJECT_BINARY_DIR}/ZabroData.arc
  VERBATIM)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/index.html
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/src/platform/web/page/index.html
          ${PROJECT_BINARY_DIR}/index.html
  DEPENDS ${PROJECT_SOURCE_DIR}/src/platform/web/page/index.html
  VERBATIM)
add_custom_target(web-page ALL DEPENDS ${PROJECT_BINARY_DIR}/quenbrill.data
  ${PROJECT_BINARY_DIR}/index.html)

add_subdirectory(tests/web)

# Every executable has named its platform backend (cmake/PlatformBackend.cmake).
qb_check_backends(${PROJECT_SOURCE_DIR})
if(QB_MISSING_BACKENDS)
  message(FATAL_ERROR "These executables name no platform backend (qb_use_backend): ${QB_MISSING_BACKENDS}")
endif()
