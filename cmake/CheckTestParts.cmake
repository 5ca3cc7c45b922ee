# Fails unless the test program PROGRAM has exactly the test functions FUNCTIONS (separated by commas), which
# the parts of its ctest run (see PARTS in VexloTesting.cmake): a function the parts leave out
# would never run.
execute_process(COMMAND ${PROGRAM} -functions OUTPUT_VARIABLE listed RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} -functions failed: ${status}")
endif()
string(REPLACE "," ";" FUNCTIONS "${FUNCTIONS}")
string(REGEX MATCHALL "[A-Za-z0-9_]+\\(\\)" found "${listed}")
list(TRANSFORM found REPLACE "\\(\\)$" "")
set(missing ${found})
list(REMOVE_ITEM missing ${FUNCTIONS})
set(unknown ${FUNCTIONS})
list(REMOVE_ITEM unknown ${found})
if(missing OR unknown)
    message(FATAL_ERROR "The parts of ${PROGRAM} do not match its test functions: not in a part: "
        "${missing}; in a part but not in the program: ${unknown}")
endif()
message(STATUS "${PROGRAM}: every test function is in a part: ${found}")
