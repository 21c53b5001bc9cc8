# Encoder tests: round trips through a reference decoder, stream structure, and the
# independent archivers (lhasa, 7zz) as oracles.
add_executable(encoder_tests
  tests/encoder/encoder_test.cpp
  tests/encoder/encoder_oracle_test.cpp
  tests/encoder/reference_decoder.cpp
  tests/encoder/test_archive.cpp
  tests/encoder/test_data.cpp)
target_include_directories(encoder_tests PRIVATE tests/encoder)
target_link_libraries(encoder_tests PRIVATE lzh_encoder GTest::gtest_main)
gtest_discover_tests(encoder_tests DISCOVERY_TIMEOUT 60)
