# Replays a fuzz target's corpus once and fails when the coverage it reports is below
# MIN edges: a target whose libraries are not instrumented reports only the edges of
# its entry file. cmake -DTARGET=... -DCORPUS=... -DMIN=... -P corpus_coverage.cmake
execute_process(COMMAND ${TARGET} -runs=0 ${CORPUS}
  OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${TARGET} failed (${rc}):\n${out}")
endif()
if(NOT out MATCHES "INITED cov: ([0-9]+)")
  message(FATAL_ERROR "no coverage in the output of ${TARGET}:\n${out}")
endif()
set(cov ${CMAKE_MATCH_1})
if(cov LESS MIN)
  message(FATAL_ERROR "${TARGET}: ${cov} edges on its corpus, at least ${MIN} expected")
endif()
message(STATUS "${TARGET}: ${cov} edges on its corpus")
