# kolvane-unpack: lists, tests and extracts self-extractors and plain level-2 archives on the
# host by running the program's own code through the stand-in, with the terminal as its user.
file(GLOB UNPACK_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_executable(kolvane-unpack ${UNPACK_SOURCES})
target_link_libraries(kolvane-unpack PRIVATE program stub_image)
# The C++ runtime linked in keeps the resident set small (it is measured by bench/).
target_link_options(kolvane-unpack PRIVATE -static-libstdc++ -static-libgcc)
set_target_properties(kolvane-unpack PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
