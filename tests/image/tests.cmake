# The stub's image: its file layout, its imports and headers, and the layout tool itself.
# The stub comes from the Windows build (`make win`); when it is missing these tests fail.
file(GLOB IMAGE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_executable(image_tests ${IMAGE_TEST_SOURCES})
target_link_libraries(image_tests PRIVATE GTest::gtest GTest::gtest_main)
target_compile_definitions(image_tests PRIVATE
  KOLVANE_STUB="${KOLVANE_WIN_BUILD}/kolvane95.exe"
  KOLVANE_LINKED_STUB="${KOLVANE_WIN_BUILD}/kolvane95-linked.exe"
  KOLVANE_PE_LAYOUT="$<TARGET_FILE:kolvane-pe-layout>"
  KOLVANE_IMPORTS_ALLOWED="${CMAKE_CURRENT_LIST_DIR}/imports-allowed.txt")
add_dependencies(image_tests kolvane-pe-layout)
gtest_discover_tests(image_tests DISCOVERY_TIMEOUT 60)
find_program(MINGW_OBJDUMP i686-w64-mingw32-objdump REQUIRED)
add_test(NAME image.cpu_baseline COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/cpu-check.sh
  ${MINGW_OBJDUMP} ${KOLVANE_WIN_BUILD}/kolvane95.exe ${KOLVANE_WIN_BUILD}/kolvane95.map)
