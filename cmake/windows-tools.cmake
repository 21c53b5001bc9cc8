# The Windows build of the builder: kolvane-make.exe, a console program for Windows 7 and
# later (i686; the C++ runtime and winpthreads linked in, so it needs no DLL that Windows
# does not have). cmake/windows.cmake runs this build as a part of its own and puts the
# program beside the stub, where it looks for it. The program's code is compiled here
# against the real Windows headers, for the builder's check of members taken over.
enable_language(RC)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} --codepage=65001")
add_compile_options(-Wall -Wextra -fno-strict-aliasing)
# MinGW-w64's own printf: the system's knows neither %zu nor %llu everywhere.
add_compile_definitions(_WIN32_WINNT=0x0601 _FILE_OFFSET_BITS=64 __MINGW_USE_VC2005_COMPAT
  __USE_MINGW_ANSI_STDIO=1)

include(tools/encoder/tool.cmake)
include(tools/legacy/tool.cmake)
include(tools/stub-image/tool.cmake)
add_library(program STATIC ${PROGRAM_SOURCES})
target_include_directories(program PUBLIC ${PROGRAM_INCLUDES})
include(tools/make/tool.cmake)

# Its version block, and the stub's string table for the program's messages.
configure_file(tools/make/windows/kolvane-make.rc.in ${CMAKE_BINARY_DIR}/kolvane-make.rc @ONLY)
target_sources(kolvane-make PRIVATE ${CMAKE_BINARY_DIR}/kolvane-make.rc)
target_compile_definitions(kolvane-make PRIVATE KOLVANE_VERSION="${PROJECT_VERSION}")
target_link_options(kolvane-make PRIVATE -static -municode -s -Wl,--no-insert-timestamp)
target_link_libraries(kolvane-make PRIVATE user32)
set_target_properties(kolvane-make PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KOLVANE_OUTPUT_DIR})
