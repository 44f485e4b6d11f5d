# Runs a scenario that is wrong in itself and expects the runner to refuse it:
# a non-zero exit and "FILE:LINE: MESSAGE" on its error output.
execute_process(COMMAND ${RUNNER} ${SCENARIO} RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(rc EQUAL 0)
  message(FATAL_ERROR "the runner passed ${SCENARIO}, which names what cannot be")
endif()
string(FIND "${err}" "${SCENARIO}:${ERROR}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "expected \"${SCENARIO}:${ERROR}\" from the runner (exit ${rc}), got: ${err}")
endif()
