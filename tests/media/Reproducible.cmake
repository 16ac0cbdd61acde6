# cmake -DGENERATOR=... -DWORK=dir -DREFERENCE=archive -P Reproducible.cmake
# Runs the media generator into a fresh folder and compares its archive with the reference.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${GENERATOR} ${WORK} RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the media generator failed (${rc})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/ZabroData.arc ${REFERENCE} RESULT_VARIABLE diff)
if(NOT diff EQUAL 0)
  message(FATAL_ERROR "${WORK}/ZabroData.arc differs from ${REFERENCE}")
endif()
file(REMOVE_RECURSE ${WORK})
