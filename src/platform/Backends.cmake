# SPDX-License-Identifier: MIT
# Included by src/CMakeLists.txt (paths are relative to src/).
# Backends. The game's backend is chosen by the target system: qb_platform_sdl on Linux and
# other Unix systems, qb_platform_win32 (the native one, no SDL) on Windows, qb_platform_web in a
# browser (emscripten). The fake backend
# comes twice: qb_platform_fake without OpenGL (needs nothing), and qb_platform_fake_gl whose
# contexts are real (SDL's offscreen driver on Linux, a hidden WGL window on Windows).
set(P ${CMAKE_CURRENT_SOURCE_DIR}/platform)
set(plat_common ${P}/Detail.cpp ${P}/Files.cpp ${P}/DesktopLoop.cpp)
add_library(qb_platform_fake_core OBJECT ${plat_common} ${P}/fake/FakePlatform.cpp)
target_include_directories(qb_platform_fake_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
add_library(qb_platform_fake STATIC $<TARGET_OBJECTS:qb_platform_fake_core> ${P}/fakegl/FakeGLNone.cpp)
add_library(qb_platform_fake_gl STATIC $<TARGET_OBJECTS:qb_platform_fake_core>)
foreach(t qb_platform_fake qb_platform_fake_gl)
  target_include_directories(${t} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
endforeach()
if(WIN32)
  file(GLOB plat_win32 CONFIGURE_DEPENDS ${P}/win32/*.cpp)
  add_library(qb_platform_win32 STATIC ${plat_common} ${plat_win32})
  target_include_directories(qb_platform_win32 PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(qb_platform_win32 PRIVATE opengl32 gdi32 user32 winmm)
  target_sources(qb_platform_fake_gl PRIVATE ${P}/fakegl/FakeGLWgl.cpp ${P}/win32/Wgl.cpp)
  target_link_libraries(qb_platform_fake_gl PRIVATE opengl32 gdi32 user32)
  set(QB_GAME_BACKEND qb_platform_win32)
elseif(EMSCRIPTEN)
  # The browser: the web backend; the fake backend there has no GL provider.
  include(${P}/web/Web.cmake)
else()
  file(GLOB plat_sdl CONFIGURE_DEPENDS ${P}/sdl/*.cpp)
  add_library(qb_platform_sdl STATIC ${plat_common} ${P}/SDLCommon.cpp ${plat_sdl})
  target_include_directories(qb_platform_sdl PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(qb_platform_sdl PRIVATE SDL2::SDL2 OpenGL::GL)
  target_sources(qb_platform_fake_gl PRIVATE ${P}/SDLCommon.cpp ${P}/fakegl/FakeGLSdl.cpp)
  target_link_libraries(qb_platform_fake_gl PRIVATE SDL2::SDL2 OpenGL::GL)
  set(QB_GAME_BACKEND qb_platform_sdl)
endif()
