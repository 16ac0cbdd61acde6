# SPDX-License-Identifier: MIT
# quenbrill-windows.zip in the build folder: the game, the archive and media tools and
# ZabroData.arc in one folder, ready to unpack and run. Part of the normal Windows build.
# The programs in the zip are stripped of their debugging symbols (more than half of their
# size); the ones in the build folder keep them.
qb_windows_resources(quenbrill-arc "Quenbrill media archive tool")
qb_windows_resources(quenbrill-model "Quenbrill model tool")

if(NOT CMAKE_STRIP)
  message(FATAL_ERROR "no strip program for the Windows zip (CMAKE_STRIP)")
endif()
set(qb_package_dir ${PROJECT_BINARY_DIR}/package/Quenbrill)
add_custom_command(
  OUTPUT ${PROJECT_BINARY_DIR}/quenbrill-windows.zip
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PROJECT_BINARY_DIR}/package
  COMMAND ${CMAKE_COMMAND} -E make_directory ${qb_package_dir}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:quenbrill> $<TARGET_FILE:quenbrill-arc>
          $<TARGET_FILE:quenbrill-model> ${PROJECT_BINARY_DIR}/ZabroData.arc
          ${PROJECT_SOURCE_DIR}/cmake/ReadMe-Windows.txt ${qb_package_dir}
  COMMAND ${CMAKE_STRIP} --strip-all ${qb_package_dir}/$<TARGET_FILE_NAME:quenbrill>
          ${qb_package_dir}/$<TARGET_FILE_NAME:quenbrill-arc>
          ${qb_package_dir}/$<TARGET_FILE_NAME:quenbrill-model>
  COMMAND ${CMAKE_COMMAND} -E chdir ${PROJECT_BINARY_DIR}/package
          ${CMAKE_COMMAND} -E tar cf ${PROJECT_BINARY_DIR}/quenbrill-windows.zip --format=zip Quenbrill
  DEPENDS quenbrill quenbrill-arc quenbrill-model media ${PROJECT_BINARY_DIR}/ZabroData.arc
          ${PROJECT_SOURCE_DIR}/cmake/ReadMe-Windows.txt
  COMMENT "Packing quenbrill-windows.zip"
  VERBATIM)
add_custom_target(windows-zip ALL DEPENDS ${PROJECT_BINARY_DIR}/quenbrill-windows.zip)
