# SPDX-License-Identifier: MIT
# cmake [-DEMULATOR=wine] -DGENERATOR=... -DWORK=dir -DREFERENCE=archive -P Reproducible.cmake
# Runs the media generator into a fresh folder and compares its archive with the reference.
# REFERENCE=SELF: the reference is a first run of the same generator into WORK-first.
file(REMOVE_RECURSE ${WORK})
if(REFERENCE STREQUAL "SELF")
  set(REFERENCE ${WORK}-first/ZabroData.arc)
  file(REMOVE_RECURSE ${WORK}-first)
  execute_process(COMMAND ${EMULATOR} ${GENERATOR} ${WORK}-first RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "the media generator failed (${rc})")
  endif()
endif()
execute_process(COMMAND ${EMULATOR} ${GENERATOR} ${WORK} RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the media generator failed (${rc})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/ZabroData.arc ${REFERENCE} RESULT_VARIABLE diff)
if(NOT diff EQUAL 0)
  message(FATAL_ERROR "${WORK}/ZabroData.arc differs from ${REFERENCE}")
endif()
file(REMOVE_RECURSE ${WORK})
