# Legacy method decoders: lhasa as the oracle over the shared sample archives and over streams
# the jLHA library writes.
add_executable(legacy_tests tests/legacy/legacy_test.cpp tests/legacy/lzh_members.cpp)
set(KOLVANE_PEER_ARCHIVES ${CMAKE_SOURCE_DIR}/../shared/peer-archives CACHE PATH
  "Folder of the sample archives written by other archivers")
target_compile_definitions(legacy_tests PRIVATE KOLVANE_SOURCE="${CMAKE_SOURCE_DIR}"
  KOLVANE_PEER_ARCHIVES="${KOLVANE_PEER_ARCHIVES}")
target_include_directories(legacy_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(legacy_tests PRIVATE legacy_decode GTest::gtest_main)
gtest_discover_tests(legacy_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 600)
