# SPDX-License-Identifier: MIT
# The compiler and linker flags of every target of ours, carried by one interface target:
# qb_flags. qb_platform_api links it, so every library, tool, test and benchmark that uses the
# game's code gets it; targets that are not ours (GoogleTest built from source) do not.
# Further flags (hardening, say) go on qb_flags too:
#   target_compile_options(qb_flags INTERFACE ...)
add_library(qb_flags INTERFACE)
target_compile_options(qb_flags INTERFACE -Wall -Wextra)

# -Werror is for CI (`make test WERROR=1`, which .ci/run uses) and for developers who want to
# see what CI sees: a player's `make run` must not fail because a newer compiler warns.
option(QB_WERROR "Treat compiler warnings as errors" OFF)
if(QB_WERROR)
  target_compile_options(qb_flags INTERFACE -Werror)
endif()

if(QB_SANITIZE)
  target_compile_options(qb_flags INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                         -fno-sanitize-recover=undefined)
  target_link_options(qb_flags INTERFACE -fsanitize=address,undefined)
endif()
if(QB_TSAN)
  target_compile_options(qb_flags INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(qb_flags INTERFACE -fsanitize=thread)
endif()
if(QB_FUZZ)
  # Every library is instrumented for the fuzzer's coverage; only the fuzz targets link it.
  target_compile_options(qb_flags INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                         -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(qb_flags INTERFACE -fsanitize=address,undefined)
endif()
