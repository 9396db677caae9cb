# Font rasterizer: starting a library, matching, outlines of Latin and CJK glyphs, text extents.
add_executable(bench_fonts ${CMAKE_CURRENT_SOURCE_DIR}/bench_fonts.cpp)
target_link_libraries(bench_fonts PRIVATE quillet_fonts benchmark::benchmark)
