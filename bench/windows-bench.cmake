# The decoder as shipped: the program's code compiled exactly as for the stub, over the C
# runtime for a console of its own. bench/decode-bench.sh runs it under Wine, and so does
# tests/wine/decoder-paths.sh, on both of its code paths.
add_executable(expand_shipped ${PROGRAM_SOURCES} bench/expand_shipped.cpp)
target_include_directories(expand_shipped PRIVATE ${PROGRAM_INCLUDES})
target_compile_definitions(expand_shipped PRIVATE __MINGW_USE_VC2005_COMPAT)
target_compile_options(expand_shipped PRIVATE ${STUB_COMPILE_OPTIONS})
target_link_options(expand_shipped PRIVATE -static -s)
target_link_libraries(expand_shipped PRIVATE user32 gdi32 comctl32 comdlg32 shell32 advapi32)
