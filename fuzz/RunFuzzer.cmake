# Runs one fuzzer for a bounded time over a fresh copy of its seed corpus,
# so that the corpus in the source tree is never written to.
#   cmake -DFUZZER=<program> -DCORPUS=<seed folder> -DWORK=<scratch folder> [-DSECONDS=20] -P RunFuzzer.cmake
if(NOT SECONDS)
  set(SECONDS 20)
endif()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${CORPUS}/" DESTINATION "${WORK}")
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -rss_limit_mb=1024 "${WORK}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed: ${result}")
endif()
