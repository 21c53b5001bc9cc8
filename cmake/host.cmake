# Host build: the program's code over the headless Win32 stand-in, the tools and the tests.

set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_compile_options(-Wall -Wextra -fno-strict-aliasing)

file(GLOB STANDIN_SOURCES CONFIGURE_DEPENDS standin/src/*.cpp)
add_library(standin STATIC ${STANDIN_SOURCES})
target_include_directories(standin PUBLIC standin/include ${PROGRAM_INCLUDES})

add_library(program STATIC ${PROGRAM_SOURCES})
target_include_directories(program PUBLIC ${PROGRAM_INCLUDES})
target_link_libraries(program PUBLIC standin)

# Host-side tools (image layout, builder, portable extractor): one folder each under tools/.
file(GLOB TOOL_CMAKE_FILES CONFIGURE_DEPENDS tools/*/tool.cmake)
foreach(tool_file ${TOOL_CMAKE_FILES})
  include(${tool_file})
endforeach()

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit_tests ${UNIT_TEST_SOURCES})
target_include_directories(unit_tests PRIVATE tests/unit)
target_link_libraries(unit_tests PRIVATE program GTest::gtest GTest::gtest_main)
gtest_discover_tests(unit_tests WORKING_DIRECTORY ${CMAKE_BINARY_DIR} DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "KOLVANE_SOURCE=${CMAKE_SOURCE_DIR};KOLVANE_BUILD=${CMAKE_BINARY_DIR}")

# Script tests (oracle, Wine, fuzz smoke runs): tests/*/tests.cmake register themselves.
file(GLOB TEST_CMAKE_FILES CONFIGURE_DEPENDS tests/*/tests.cmake fuzz/tests.cmake bench/bench.cmake)
foreach(test_file ${TEST_CMAKE_FILES})
  include(${test_file})
endforeach()
