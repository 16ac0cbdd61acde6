# SPDX-License-Identifier: MIT
# Included by src/platform/Backends.cmake in the browser build (emscripten). The web backend:
# html5.h events, the frame loop on requestAnimationFrame, Web Audio, and our own OpenGL 1.1
# subset on WebGL (gl/). Everything that links it gets the link settings it needs.
set(W ${CMAKE_CURRENT_SOURCE_DIR}/platform/web)
qb_platform_backend(qb_platform_web
  ${W}/WebPlatform.cpp ${W}/WebAudio.cpp ${W}/gl/Device.cpp ${W}/gl/Gl11.cpp)
target_link_libraries(qb_platform_web PUBLIC qb_platform_common)
target_link_options(qb_platform_web INTERFACE
  "SHELL:--js-library ${W}/library_quenbrill.js"
  # WebGL 1 through our own GL subset; emscripten's GL emulation stays out.
  -sMIN_WEBGL_VERSION=1 -sMAX_WEBGL_VERSION=1 -sGL_TRACK_ERRORS=0
  -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0
  # The program ends with exit() when the game is over: static objects go, the page is told.
  -sEXIT_RUNTIME=1
  -sALLOW_MEMORY_GROWTH=1)
set_property(TARGET qb_platform_web APPEND PROPERTY INTERFACE_LINK_DEPENDS
  ${W}/library_quenbrill.js)
set(QB_GAME_BACKEND qb_platform_web)
