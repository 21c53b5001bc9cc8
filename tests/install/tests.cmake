# The installed tree (a scratch DESTDIR, then moved elsewhere), the Debian package and the
# Windows zip.
foreach(group installed deb dist)
  add_test(NAME install.${group}
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/install-test.sh ${group} ${CMAKE_BINARY_DIR})
  set_tests_properties(install.${group} PROPERTIES TIMEOUT 600)
endforeach()
