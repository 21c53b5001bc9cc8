# LZH encoder of the archive builder (-lh4- to -lh7- compressed data).
find_package(Threads REQUIRED)
add_library(lzh_encoder STATIC
  tools/encoder/bit_writer.cpp
  tools/encoder/block_split.cpp
  tools/encoder/block_writer.cpp
  tools/encoder/crc16.cpp
  tools/encoder/huffman.cpp
  tools/encoder/lz_parse.cpp
  tools/encoder/lzh_encoder.cpp
  tools/encoder/lzh_format.cpp
  tools/encoder/match_finder.cpp)
target_include_directories(lzh_encoder PUBLIC tools/encoder ${CMAKE_SOURCE_DIR})
target_link_libraries(lzh_encoder PUBLIC Threads::Threads)
