# Encode and decode speed of the transform library on a large movie; bench/swf_parser_time.mjs
# times an independent parser on the movie it writes (scripts/bench-swf.sh runs both).
add_executable(bench_swf ${CMAKE_CURRENT_SOURCE_DIR}/bench_swf.cpp)
target_link_libraries(bench_swf PRIVATE quillet_swf benchmark::benchmark)
