# The decoder against an independent archiver: jlha packs files made at run time, the
# program's reader and decoder expand every member (oracle_expand), and check_decode.py
# compares the results with the files (tests/oracle-decode/check_decode.py).
add_executable(oracle_expand tests/oracle-decode/expand.cpp)
target_link_libraries(oracle_expand PRIVATE program)
target_include_directories(oracle_expand PRIVATE tests/oracle)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME oracle.decode
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/oracle-decode/check_decode.py
    $<TARGET_FILE:oracle_expand>)
set_tests_properties(oracle.decode PROPERTIES TIMEOUT 600)
