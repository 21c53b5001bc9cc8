# What kolvane-make and kolvane-unpack read and write in the stub's PE image: the manifest's
# execution level and the PE checksum.
add_library(stub_image STATIC
  ${CMAKE_CURRENT_LIST_DIR}/execution_level.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pe_checksum.cpp
  ${CMAKE_CURRENT_LIST_DIR}/pe_image.cpp)
target_include_directories(stub_image PUBLIC ${CMAKE_CURRENT_LIST_DIR})
