# A time limit on every test: a hang fails with the test's name instead of
# stalling the run. Each test's usual time is far below its limit, natively
# and under Wine (which starts a Wine server and the Windows runtime for
# every suite); the whole run's limit on CI is far above any of them.
# A test with a limit of its own keeps it.
if(WIN32)
  set(MERTQ4_TEST_TIME_LIMIT_S 300)
else()
  set(MERTQ4_TEST_TIME_LIMIT_S 120)
endif()

# Called last in each folder that adds tests.
function(mertq4_time_limits)
  get_property(tests DIRECTORY PROPERTY TESTS)
  foreach(test IN LISTS tests)
    get_test_property(${test} TIMEOUT limit)
    if(NOT limit)
      set_tests_properties(${test} PROPERTIES TIMEOUT ${MERTQ4_TEST_TIME_LIMIT_S})
    endif()
  endforeach()
endfunction()
