# SPDX-License-Identifier: MIT
# Included by src/CMakeLists.txt (paths are relative to src/).
# Backends. The game's backend is chosen by the target system: qb_platform_sdl on Linux and
# other Unix systems, qb_platform_win32 (the native one, no SDL) on Windows, qb_platform_web in a
# browser (emscripten). The fake backend
# comes twice: qb_platform_fake without OpenGL (needs nothing), and qb_platform_fake_gl whose
# contexts are real (SDL's offscreen driver on Linux, a hidden WGL window on Windows).
# qb_platform_headless is the command-line tools' backend: a real clock, no window, no OpenGL,
# no SDL (an executable on it links no GL library, see qb_render).
# qb_platform_template is the starting point of a new backend (HACKING.md); it is built only
# for its run of the contract suite, never into a program.
#
# Each source file is compiled once: what several backends share is a small library of its
# own (qb_platform_common for all, qb_platform_desktop for those whose RunLoop runs the frames
# back to back, and the SDL and WGL context code the fake GL providers borrow).
set(P ${CMAKE_CURRENT_SOURCE_DIR}/platform)

# qb_platform_backend(NAME SOURCE...): a backend library that sees the contract's headers.
function(qb_platform_backend name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE qb_flags)
endfunction()

qb_platform_backend(qb_platform_common ${P}/Detail.cpp ${P}/Files.cpp ${P}/System.cpp)
if(WIN32)
  target_link_libraries(qb_platform_common PUBLIC shell32)  # Files.cpp: the wide command line
endif()
qb_platform_backend(qb_platform_desktop ${P}/DesktopLoop.cpp)

qb_platform_backend(qb_platform_headless ${P}/headless/HeadlessPlatform.cpp)
target_link_libraries(qb_platform_headless PUBLIC qb_platform_common qb_platform_desktop)

add_library(qb_platform_fake_core OBJECT ${P}/fake/FakePlatform.cpp)
target_include_directories(qb_platform_fake_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(qb_platform_fake_core PRIVATE qb_flags)
qb_platform_backend(qb_platform_fake $<TARGET_OBJECTS:qb_platform_fake_core>
                    ${P}/fakegl/FakeGLNone.cpp)
qb_platform_backend(qb_platform_fake_gl $<TARGET_OBJECTS:qb_platform_fake_core>)
foreach(t qb_platform_fake qb_platform_fake_gl)
  target_link_libraries(${t} PUBLIC qb_platform_common qb_platform_desktop)
endforeach()

if(WIN32)
  qb_platform_backend(qb_platform_wgl ${P}/win32/Wgl.cpp)
  target_link_libraries(qb_platform_wgl PUBLIC qb_platform_common opengl32 gdi32 user32)
  file(GLOB plat_win32 CONFIGURE_DEPENDS ${P}/win32/*.cpp)
  list(FILTER plat_win32 EXCLUDE REGEX "/Wgl\\.cpp$")
  qb_platform_backend(qb_platform_win32 ${plat_win32})
  target_link_libraries(qb_platform_win32 PUBLIC qb_platform_wgl qb_platform_common
                        qb_platform_desktop PRIVATE opengl32 gdi32 user32 winmm)
  target_sources(qb_platform_fake_gl PRIVATE ${P}/fakegl/FakeGLWgl.cpp)
  target_link_libraries(qb_platform_fake_gl PUBLIC qb_platform_wgl)
  set(QB_GAME_BACKEND qb_platform_win32)
elseif(EMSCRIPTEN)
  # The browser: the web backend; the fake backend there has no GL provider.
  include(${P}/web/Web.cmake)
else()
  qb_platform_backend(qb_platform_sdl_common ${P}/SDLCommon.cpp)
  target_link_libraries(qb_platform_sdl_common PUBLIC qb_platform_common
                        PRIVATE SDL2::SDL2 OpenGL::GL)
  file(GLOB plat_sdl CONFIGURE_DEPENDS ${P}/sdl/*.cpp)
  qb_platform_backend(qb_platform_sdl ${plat_sdl})
  target_link_libraries(qb_platform_sdl PUBLIC qb_platform_sdl_common qb_platform_common
                        qb_platform_desktop PRIVATE SDL2::SDL2 OpenGL::GL)
  target_sources(qb_platform_fake_gl PRIVATE ${P}/fakegl/FakeGLSdl.cpp)
  target_link_libraries(qb_platform_fake_gl PUBLIC qb_platform_sdl_common
                        PRIVATE SDL2::SDL2 OpenGL::GL)
  set(QB_GAME_BACKEND qb_platform_sdl)
endif()


# Not in `all`: the contract run that uses it (tests/platform) pulls it in.
qb_platform_backend(qb_platform_template ${P}/template/TemplatePlatform.cpp)
target_link_libraries(qb_platform_template PUBLIC qb_platform_common)
set_target_properties(qb_platform_template PROPERTIES EXCLUDE_FROM_ALL ON)
