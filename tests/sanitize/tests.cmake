# The unit tests as built with AddressSanitizer and UndefinedBehaviorSanitizer in build/asan
# (`make asan`, which `make test` runs first). A missing build fails the test; any report of
# either sanitizer ends the run with a failure.
if(NOT KOLVANE_SANITIZE)
  set(KOLVANE_ASAN_BUILD ${CMAKE_SOURCE_DIR}/build/asan CACHE PATH
    "Folder holding the unit tests built by `make asan`")
  add_test(NAME sanitizers.unit_tests COMMAND ${KOLVANE_ASAN_BUILD}/unit_tests)
  set_tests_properties(sanitizers.unit_tests PROPERTIES
    WORKING_DIRECTORY ${KOLVANE_ASAN_BUILD}
    ENVIRONMENT "UBSAN_OPTIONS=print_stacktrace=1;ASAN_OPTIONS=detect_leaks=1"
    TIMEOUT 600)
endif()
