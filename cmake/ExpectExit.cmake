# Runs a program and passes when its exit status is the expected one:
# cmake -DEXPECT=<status> -DPROGRAM=<program> -DARGUMENT=<argument> [-DEMULATOR=<wine>] -P ExpectExit.cmake
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGUMENT} RESULT_VARIABLE status OUTPUT_VARIABLE output)
message("${output}")
if(NOT status STREQUAL EXPECT)
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENT}: exit status ${status}, expected ${EXPECT}")
endif()
