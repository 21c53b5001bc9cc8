# Windows build: the stub, and kolvane-make.exe beside it (cmake/windows-tools.cmake).
#
# The program's sources, the small runtime in win32/ (entry point and the few C library
# routines the program calls) and the resource script are linked with no C runtime at all,
# importing only system DLLs that both Windows 95 and NT 3.51 have. The host's layout tool
# then gives the linked image its final file layout: kolvane95.exe in this build folder.

if(NOT KOLVANE_HOST_TOOLS)
  message(FATAL_ERROR "KOLVANE_HOST_TOOLS must name the host build folder that holds "
    "kolvane-pe-layout (`make win` sets it)")
endif()
set(PE_LAYOUT ${KOLVANE_HOST_TOOLS}/kolvane-pe-layout)
if(NOT EXISTS ${PE_LAYOUT})
  message(FATAL_ERROR "${PE_LAYOUT} is missing: build the host tools first (`make host`)")
endif()

enable_language(RC)
# The resource script and its string table are UTF-8.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} --codepage=65001")
# The files the script takes in whole, which the compiler's own scan does not see.
set_source_files_properties(resources/kolvane95.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_SOURCE_DIR}/resources/kolvane95.ico;${CMAKE_SOURCE_DIR}/resources/kolvane95.manifest")

file(GLOB WIN32_RUNTIME_SOURCES CONFIGURE_DEPENDS win32/*.cpp)
# Keeps the compiler from turning the runtime's own loops into calls to memset and friends.
set_source_files_properties(${WIN32_RUNTIME_SOURCES} PROPERTIES
  COMPILE_OPTIONS -fno-tree-loop-distribute-patterns)

# The inner expansion loop and the CRC-16 are where the stub spends its time: at -Os GCC keeps
# the refill and the 8-byte copies out of line and the bit buffer on the stack. Compiled for
# speed they cost about 512 bytes of the image and decode over half again as fast. The table
# builder, run for every block, adds about 180 bytes and 2-3%.
set(STUB_HOT_SOURCES decode/expand_fast.cpp archive/crc16.cpp decode/tables.cpp
  archive/crc16_clmul.cpp)
set_source_files_properties(${STUB_HOT_SOURCES} PROPERTIES COMPILE_OPTIONS -O2)
# The same loop again for processors with SSE2, which the program chooses when the system
# reports them (process/processor.cpp): conditional moves and the Pentium 4's registers make
# it 5-10% faster. tests/image/cpu-check.sh allows such instructions only in functions named
# for them (the carry-less CRC's too).
set_source_files_properties(decode/expand_fast_sse2.cpp PROPERTIES COMPILE_OPTIONS
  "-O2;-march=pentium4;-mtune=generic")

add_executable(kolvane95-linked
  ${PROGRAM_SOURCES} ${WIN32_RUNTIME_SOURCES} resources/kolvane95.rc)
set_target_properties(kolvane95-linked PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
target_include_directories(kolvane95-linked PRIVATE ${PROGRAM_INCLUDES})
# A 64-bit time_t, so that localtime takes every unsigned 32-bit time stamp. No
# -fdata-sections: for this target it moves zero-filled variables (the 100 KB state record
# among them) out of .bss into .data, where they take room on disk.
target_compile_definitions(kolvane95-linked PRIVATE __MINGW_USE_VC2005_COMPAT)
# -march=i386: the compiler's own default is the Pentium Pro, whose conditional moves (and
# the 80486's byte swap) would stop the stub on the processors Windows 95 and NT 3.51 still
# run on; tests/image/cpu-check.sh holds it to that.
set(STUB_COMPILE_OPTIONS
  -Os -march=i386 -mtune=generic -Wall -Wextra -fno-strict-aliasing
  -fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-asynchronous-unwind-tables
  -fno-stack-protector -fno-ident -ffunction-sections)
target_compile_options(kolvane95-linked PRIVATE $<$<COMPILE_LANGUAGE:CXX>:${STUB_COMPILE_OPTIONS}>)
# NT 3.51's loader refuses a subsystem version newer than its own; 3.10, the first Win32
# version, suits every loader. The old loaders always map an executable at its preferred base,
# so it carries no relocations. The entry point is stub_start (win32/entry.cpp); libgcc
# brings the 64-bit division helpers and the stack probe.
target_link_options(kolvane95-linked PRIVATE
  -nostdlib -nostartfiles -static -s
  -Wl,--entry=_stub_start
  -Wl,--subsystem,windows:3.10
  -Wl,--major-os-version,3 -Wl,--minor-os-version,10
  -Wl,--disable-dynamicbase -Wl,--disable-nxcompat -Wl,--disable-reloc-section
  -Wl,--gc-sections -Wl,--no-insert-timestamp
  -Wl,-Map=${CMAKE_BINARY_DIR}/kolvane95.map)
target_link_libraries(kolvane95-linked PRIVATE
  kernel32 user32 gdi32 comctl32 comdlg32 shell32 advapi32 gcc)

set(STUB_IMAGE ${CMAKE_BINARY_DIR}/kolvane95.exe)
add_custom_command(OUTPUT ${STUB_IMAGE}
  COMMAND ${PE_LAYOUT} $<TARGET_FILE:kolvane95-linked> ${STUB_IMAGE}
  DEPENDS kolvane95-linked ${PE_LAYOUT}
  COMMENT "Laying out kolvane95.exe")
add_custom_target(kolvane95 ALL DEPENDS ${STUB_IMAGE})

include(bench/windows-bench.cmake)

include(ExternalProject)
ExternalProject_Add(kolvane-make-exe
  SOURCE_DIR ${CMAKE_SOURCE_DIR}
  BINARY_DIR ${CMAKE_BINARY_DIR}/tools
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-i686-w64-mingw32-posix.cmake
    -DCMAKE_BUILD_TYPE=Release -DKOLVANE_WINDOWS_TOOLS=ON -DKOLVANE_OUTPUT_DIR=${CMAKE_BINARY_DIR}
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")
