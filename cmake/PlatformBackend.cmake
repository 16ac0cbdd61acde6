# SPDX-License-Identifier: MIT
# Every executable that uses the game's libraries names its platform backend: the game's own
# (QB_GAME_BACKEND), the fake one for tests and tools (qb_platform_fake, or qb_platform_fake_gl
# when it draws), or a contract run's. There is no default: an executable that names none stops
# the configuration with its name (qb_check_backends, at the end of the top CMakeLists.txt).
#
#   qb_use_backend(TARGET BACKEND)
#
# The backend is linked through qb_platform_api, at the end of the link line after every
# library that calls it, from the executable's property QB_PLATFORM_BACKEND.
function(qb_use_backend target backend)
  if(NOT TARGET ${backend})
    message(FATAL_ERROR "${target}: no platform backend target ${backend}")
  endif()
  set_target_properties(${target} PROPERTIES QB_PLATFORM_BACKEND ${backend})
  target_link_libraries(${target} PRIVATE ${backend})
endfunction()

# Every executable below DIR that links one of our libraries must have named its backend.
function(qb_check_backends dir)
  set(missing "")
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(t ${targets})
    get_target_property(type ${t} TYPE)
    if(NOT type STREQUAL "EXECUTABLE")
      continue()
    endif()
    get_target_property(libs ${t} LINK_LIBRARIES)
    get_target_property(backend ${t} QB_PLATFORM_BACKEND)
    if("${libs}" MATCHES "(^|;)qb_" AND NOT backend)
      list(APPEND missing ${t})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    qb_check_backends(${sub})
    list(APPEND missing ${QB_MISSING_BACKENDS})
  endforeach()
  set(QB_MISSING_BACKENDS "${missing}" PARENT_SCOPE)
endfunction()
