# scripts/install-deps.sh on simulated fresh and prepared machines.
add_test(NAME deps.install COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/deps-test.sh)
set_tests_properties(deps.install PROPERTIES TIMEOUT 120)
