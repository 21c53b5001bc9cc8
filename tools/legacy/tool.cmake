# Decoders of the older LZH methods, for the builder's archive input.
file(GLOB LEGACY_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
add_library(legacy_decode STATIC ${LEGACY_SOURCES})
target_include_directories(legacy_decode PUBLIC ${CMAKE_CURRENT_LIST_DIR})
