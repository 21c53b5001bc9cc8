# Cross build for 32-bit Windows with MinGW-w64's POSIX thread model, the one whose C++
# library has std::thread (winpthreads, linked in statically). For the tools; the stub
# keeps the default compilers of toolchain-i686-w64-mingw32.cmake.
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-i686-w64-mingw32.cmake)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
