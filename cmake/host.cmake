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

# The resource script, compiled as the Windows build compiles it; the stand-in reads its
# dialogs, icons and languages from these bytes.
find_program(WINDRES i686-w64-mingw32-windres REQUIRED)
set(RESOURCE_RES ${CMAKE_BINARY_DIR}/kolvane95.res)
set(RESOURCE_SOURCE ${CMAKE_BINARY_DIR}/kolvane95_res.cpp)
add_custom_command(OUTPUT ${RESOURCE_RES}
  COMMAND ${WINDRES} --codepage=65001 -I ${CMAKE_SOURCE_DIR}/resources -O res
    ${CMAKE_SOURCE_DIR}/resources/kolvane95.rc -o ${RESOURCE_RES}
  DEPENDS resources/kolvane95.rc resources/resource.h resources/strings.inc
    resources/kolvane95.ico resources/kolvane95.manifest
  WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/resources)
add_custom_command(OUTPUT ${RESOURCE_SOURCE}
  COMMAND ${CMAKE_COMMAND} -DINPUT=${RESOURCE_RES} -DOUTPUT=${RESOURCE_SOURCE}
    -P ${CMAKE_SOURCE_DIR}/cmake/embed-resources.cmake
  DEPENDS ${RESOURCE_RES} cmake/embed-resources.cmake)

file(GLOB STANDIN_SOURCES CONFIGURE_DEPENDS standin/src/*.cpp)
add_library(standin STATIC ${STANDIN_SOURCES} ${RESOURCE_SOURCE})
target_include_directories(standin PUBLIC standin/include ${PROGRAM_INCLUDES})

# The host tools feed member data to the CRC by carry-less multiplication where the
# processor has it (tools/crc16/); the stub keeps the table method.
list(REMOVE_ITEM PROGRAM_SOURCES ${CMAKE_SOURCE_DIR}/archive/crc16_feed.cpp)
add_library(program STATIC ${PROGRAM_SOURCES} tools/crc16/clmul.cpp tools/crc16/feed.cpp)
target_include_directories(program PUBLIC ${PROGRAM_INCLUDES})
target_link_libraries(program PUBLIC standin)

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
