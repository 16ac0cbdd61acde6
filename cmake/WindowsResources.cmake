# SPDX-License-Identifier: MIT
# The resources inside each Windows program: version information from the project's version,
# a manifest (supported systems, per-monitor DPI awareness, the current common controls, no
# elevation) and, for the game, its icon. Explorer shows them in a file's properties and for
# shortcuts; without the manifest Windows would stretch the window blurrily on scaled screens.
#   qb_windows_resources(TARGET DESCRIPTION [ICON FILE.ico])
# A built ICON must be made in the directory of the call (the .rc is compiled after it).
enable_language(RC)

set(QB_RC_DIR ${PROJECT_BINARY_DIR}/windows)
set(QB_RC_VERSION ${PROJECT_VERSION})
string(REPLACE "." "," QB_RC_VERSION_COMMAS "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(QB_RC_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
configure_file(${CMAKE_CURRENT_LIST_DIR}/windows/quenbrill.manifest.in ${QB_RC_DIR}/quenbrill.manifest @ONLY)

function(qb_windows_resources target description)
  cmake_parse_arguments(arg "" "ICON" "" ${ARGN})
  set(QB_RC_FILE_NAME ${target}.exe)
  set(QB_RC_INTERNAL_NAME ${target})
  set(QB_RC_DESCRIPTION "${description}")
  set(QB_RC_MANIFEST ${QB_RC_DIR}/quenbrill.manifest)
  if(arg_ICON)
    set(QB_RC_ICON "1 ICON \"${arg_ICON}\"")
  else()
    set(QB_RC_ICON "")
  endif()
  set(rc ${QB_RC_DIR}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/resources.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  if(arg_ICON)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS "${arg_ICON};${QB_RC_MANIFEST}")
  endif()
endfunction()
