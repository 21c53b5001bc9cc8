# End-to-end tests of kolvane-make: the binary itself on generated folders and on archives
# made by jlha, checked by lhasa, 7-Zip and kolvane-unpack.
foreach(group usage roundtrip refusals interrupted from_archive archive_classes determinism
  elevation)
  add_test(NAME make.${group}
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make-test.sh ${group}
      $<TARGET_FILE:kolvane-make> $<TARGET_FILE:kolvane-unpack>
      ${KOLVANE_WIN_BUILD}/kolvane95.exe)
  set_tests_properties(make.${group} PROPERTIES TIMEOUT 600)
endforeach()

# Compression of many files at once ahead of the archive writer.
add_executable(pack_ahead_tests
  tests/make/pack_ahead_test.cpp
  tools/make/compress_file.cpp
  tools/make/linux/platform.cpp
  tests/encoder/reference_decoder.cpp
  tests/encoder/test_data.cpp)
target_include_directories(pack_ahead_tests PRIVATE tools/make tests/encoder)
target_link_libraries(pack_ahead_tests PRIVATE lzh_encoder GTest::gtest_main)
gtest_discover_tests(pack_ahead_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)

# Archives written by other archivers (the shared folder beside the repository), made into
# self-extractors and held against what lhasa and 7-Zip extract from them.
add_test(NAME make.peer_archives
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/peer-archives-test.sh
    $<TARGET_FILE:kolvane-make> $<TARGET_FILE:kolvane-unpack>
    ${CMAKE_SOURCE_DIR}/../shared/peer-archives)
set_tests_properties(make.peer_archives PROPERTIES TIMEOUT 900)
