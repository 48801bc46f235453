# Run by the layers_* tests: the allowed probe builds, the forbidden one fails
# because its header is not on the layer's include path.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} --target ${PROBE}_allowed
                RESULT_VARIABLE allowed_result OUTPUT_VARIABLE allowed_output ERROR_VARIABLE allowed_output)
if(NOT allowed_result EQUAL 0)
    message(FATAL_ERROR "the allowed probe does not build, so the probe proves nothing:\n${allowed_output}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} --target ${PROBE}_forbidden
                RESULT_VARIABLE forbidden_result OUTPUT_VARIABLE forbidden_output ERROR_VARIABLE forbidden_output)
if(forbidden_result EQUAL 0)
    message(FATAL_ERROR "${HEADER} compiles where its layer may not be used")
endif()
string(FIND "${forbidden_output}" "${HEADER}: No such file or directory" missing)
if(missing EQUAL -1)
    message(FATAL_ERROR "the forbidden probe failed, but not for want of ${HEADER}:\n${forbidden_output}")
endif()
message(STATUS "${HEADER} is out of reach, as it should be")
