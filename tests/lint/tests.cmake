# Whole-tree checks: shell scripts pass shellcheck, C/C++ sources match .clang-format.
foreach(check shellcheck clang-format)
  add_test(NAME lint.${check} COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/lint.sh ${check})
  set_tests_properties(lint.${check} PROPERTIES TIMEOUT 300)
endforeach()
