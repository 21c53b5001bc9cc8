# kolvane-make: the builder of self-extractors (stub + configuration block + level-2 LZH
# archive made by the project's own encoder).
file(GLOB MAKE_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_executable(kolvane-make ${MAKE_SOURCES})
target_include_directories(kolvane-make PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(kolvane-make PRIVATE lzh_encoder legacy_decode program stub_image)
set_target_properties(kolvane-make PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
