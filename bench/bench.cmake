# Benchmark programs (not tests): bench/decode-bench.sh runs expand_null.
add_executable(expand_null bench/expand_null.cpp)
target_link_libraries(expand_null PRIVATE program)
# bench/legacy-bench.sh runs legacy_expand.
add_executable(legacy_expand bench/legacy_expand.cpp tests/legacy/lzh_members.cpp)
target_include_directories(legacy_expand PRIVATE tests/legacy)
target_link_libraries(legacy_expand PRIVATE legacy_decode)
