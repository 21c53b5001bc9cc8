# kolvane-pe-layout: gives the linked Windows stub its final file layout (used by the
# Windows build through KOLVANE_HOST_TOOLS).
add_executable(kolvane-pe-layout
  ${CMAKE_CURRENT_LIST_DIR}/main.cpp ${CMAKE_CURRENT_LIST_DIR}/layout.cpp)
target_link_libraries(kolvane-pe-layout PRIVATE stub_image)
set_target_properties(kolvane-pe-layout PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
