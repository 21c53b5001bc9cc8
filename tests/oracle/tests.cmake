# The archive walk against independent archivers: jlha packs a tree made at run time into
# level-2 archives, the program's header reader walks them (oracle_walk), and lhasa and
# 7zz list them for comparison (tests/oracle/check_walk.py).
add_executable(oracle_walk tests/oracle/walk.cpp)
target_link_libraries(oracle_walk PRIVATE program)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME oracle.archive_walk
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/oracle/check_walk.py
    $<TARGET_FILE:oracle_walk>)
set_tests_properties(oracle.archive_walk PROPERTIES TIMEOUT 300)
