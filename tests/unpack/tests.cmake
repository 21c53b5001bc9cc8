# End-to-end tests of kolvane-unpack: the binary itself on archives made by jlha and on
# archives crafted member by member (tests/unpack/craft_archive.cpp).
add_executable(craft_archive ${CMAKE_CURRENT_LIST_DIR}/craft_archive.cpp)
target_include_directories(craft_archive PRIVATE ${CMAKE_SOURCE_DIR})
foreach(group usage oracle questions damage safety full_disk)
  add_test(NAME unpack.${group}
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/unpack-test.sh ${group}
      $<TARGET_FILE:kolvane-unpack> $<TARGET_FILE:craft_archive>
      ${KOLVANE_WIN_BUILD}/kolvane95.exe)
  set_tests_properties(unpack.${group} PROPERTIES TIMEOUT 600)
endforeach()
