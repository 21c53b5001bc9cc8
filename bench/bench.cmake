# Benchmark programs (not tests): bench/decode-bench.sh runs expand_null.
add_executable(expand_null bench/expand_null.cpp)
target_link_libraries(expand_null PRIVATE program)
