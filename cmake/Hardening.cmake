# SPDX-License-Identifier: MIT
# Hardening: the flags Debian's dpkg-buildflags gives with hardening=+all (stack protector
# strong, _FORTIFY_SOURCE=2, format security, PIE, read-only relocations and binding at start),
# as the interface target qb_hardening. Linux only: the other targets are not ELF. A debug build
# leaves out _FORTIFY_SOURCE, which needs the optimiser; the sanitizer and fuzzing builds bring
# their own checks and leave all of it out. The .comment and .note sections go at install time
# (packaging/CMakeLists.txt).
option(QB_HARDENING "Build with Debian's hardening flags (Linux)" ON)
add_library(qb_hardening INTERFACE)
if(QB_HARDENING AND CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT (QB_SANITIZE OR QB_TSAN OR QB_FUZZ))
  set(qb_optimised "$<OR:$<CONFIG:Release>,$<CONFIG:RelWithDebInfo>,$<CONFIG:MinSizeRel>>")
  target_compile_options(qb_hardening INTERFACE
    -fstack-protector-strong -Wformat -Werror=format-security -fPIE)
  target_compile_definitions(qb_hardening INTERFACE "$<${qb_optimised}:_FORTIFY_SOURCE=2>")
  target_link_options(qb_hardening INTERFACE -pie -Wl,-z,relro -Wl,-z,now)
endif()
