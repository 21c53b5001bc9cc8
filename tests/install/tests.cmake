# The installed tree (a scratch DESTDIR, then moved elsewhere) and the Debian package.
foreach(group installed deb)
  add_test(NAME install.${group}
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/install-test.sh ${group} ${CMAKE_BINARY_DIR})
  set_tests_properties(install.${group} PROPERTIES TIMEOUT 600)
endforeach()
