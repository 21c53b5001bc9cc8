# Host build: the program's code over the headless Win32 stand-in, the tools and the tests.

set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_compile_options(-Wall -Wextra -fno-strict-aliasing)

# `make asan` configures build/asan with KOLVANE_SANITIZE=address,undefined and builds the
# unit tests there; tests/sanitize/tests.cmake runs them from the regular host build.
set(KOLVANE_SANITIZE "" CACHE STRING "Sanitizers for every target (e.g. address,undefined)")
if(KOLVANE_SANITIZE)
  add_compile_options(-fsanitize=${KOLVANE_SANITIZE} -fno-sanitize-recover=all
    -fno-omit-frame-pointer -O1)
  add_link_options(-fsanitize=${KOLVANE_SANITIZE})
endif()

add_program_over_standin(program ${PROGRAM_SOURCES})

# The Windows build (`make win`) whose stub the tests pack with and `make install` installs.
set(KOLVANE_WIN_BUILD ${CMAKE_SOURCE_DIR}/build/win CACHE PATH
  "Build folder of the Windows build (the stub)")

# Host-side tools (image layout, builder, portable extractor): one folder each under tools/.
file(GLOB TOOL_CMAKE_FILES CONFIGURE_DEPENDS tools/*/tool.cmake)
foreach(tool_file ${TOOL_CMAKE_FILES})
  include(${tool_file})
endforeach()
include(cmake/install.cmake)

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
