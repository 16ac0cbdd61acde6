# SPDX-License-Identifier: MIT
# cmake -DPROGRAM=platform_contract_template -DPASSES=template-passes.txt -P TemplateFails.cmake
# Runs the contract suite on the template backend. The run must fail, and the tests that pass
# (or are skipped) must be exactly those PASSES lists: what a backend that does nothing gets
# right by doing nothing. Any other test passing on it could not tell a working backend from
# an empty one; a listed test failing means the list is out of date.
execute_process(COMMAND ${PROGRAM} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
if(status EQUAL 0)
  message(FATAL_ERROR "the contract suite passed on the template backend")
endif()
string(REGEX MATCHALL "\\[       OK \\] [A-Za-z0-9_]+\\.[A-Za-z0-9_]+" ok "${out}")
string(REGEX MATCHALL "\\[  SKIPPED \\] [A-Za-z0-9_]+\\.[A-Za-z0-9_]+" skipped "${out}")
set(passed "")
foreach(line ${ok} ${skipped})
  string(REGEX REPLACE "^\\[[A-Z ]+\\] " "" name "${line}")
  list(APPEND passed ${name})
endforeach()
list(REMOVE_DUPLICATES passed)
list(SORT passed)

file(STRINGS ${PASSES} listed REGEX "^[A-Za-z0-9_]+\\.[A-Za-z0-9_]+")
list(SORT listed)
set(unexpected ${passed})
if(listed)
  list(REMOVE_ITEM unexpected ${listed})
endif()
set(missing ${listed})
if(passed)
  list(REMOVE_ITEM missing ${passed})
endif()
if(unexpected OR missing)
  string(REPLACE ";" "\n  " unexpected "${unexpected}")
  string(REPLACE ";" "\n  " missing "${missing}")
  message(FATAL_ERROR "On the template backend\npassed, but not in ${PASSES}:\n  ${unexpected}\n"
          "listed there, but did not pass:\n  ${missing}")
endif()
list(LENGTH passed n)
message(STATUS "the template backend fails the contract suite; the ${n} tests it passes are the listed ones")
