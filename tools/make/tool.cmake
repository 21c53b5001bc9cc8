# kolvane-make: the builder of self-extractors (stub + configuration block + level-2 LZH
# archive made by the project's own encoder).
# What differs between systems (folder scan, output file, code page conversion, the
# program's own expansion, its location) is in linux/ or windows/, behind platform.h.
if(WIN32)
  set(MAKE_PLATFORM windows)
else()
  set(MAKE_PLATFORM linux)
endif()
file(GLOB MAKE_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/*.cpp ${CMAKE_CURRENT_LIST_DIR}/${MAKE_PLATFORM}/*.cpp)
add_executable(kolvane-make ${MAKE_SOURCES})
target_include_directories(kolvane-make PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(kolvane-make PRIVATE lzh_encoder legacy_decode program stub_image)
set_target_properties(kolvane-make PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
