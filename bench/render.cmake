# Layout and rendering of every slide of the largest deck of the corpus, per slide.
add_executable(bench_render ${CMAKE_CURRENT_SOURCE_DIR}/bench_render.cpp)
target_link_libraries(bench_render PRIVATE quillet_host_pptx benchmark::benchmark)
target_compile_definitions(bench_render PRIVATE QUILLET_CORPUS="${QUILLET_CORPUS}")
