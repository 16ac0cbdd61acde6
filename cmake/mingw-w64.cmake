# SPDX-License-Identifier: MIT
# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model: std::thread and
# std::mutex). The runtime is linked statically, so the game needs no DLL that Windows does not
# have. Tests run under Wine (QB_WINE, the wine64 loader).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QB_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QB_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libstdc++, libgcc and winpthread inside the executables.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# GoogleTest from Debian's source package, built for the target.
if(NOT DEFINED QB_GTEST_SOURCE_DIR AND EXISTS /usr/src/googletest/CMakeLists.txt)
  set(QB_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
endif()

# Test programs (and GoogleTest's discovery) run through Wine.
find_program(QB_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(QB_WINE NAMES wine64 wine)
if(QB_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${QB_WINE})
endif()
