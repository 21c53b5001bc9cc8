# End-to-end tests of kolvane-make: the binary itself on generated folders and on archives
# made by jlha, checked by lhasa, 7-Zip and kolvane-unpack.
foreach(group usage roundtrip refusals interrupted from_archive determinism)
  add_test(NAME make.${group}
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/make-test.sh ${group}
      $<TARGET_FILE:kolvane-make> $<TARGET_FILE:kolvane-unpack>
      ${CMAKE_SOURCE_DIR}/build/win/kolvane95.exe)
  set_tests_properties(make.${group} PROPERTIES TIMEOUT 600)
endforeach()
