# Opening and fully resolving the largest deck of the corpus with the .pptx host.
add_executable(bench_pptx_open ${CMAKE_CURRENT_SOURCE_DIR}/bench_pptx_open.cpp)
target_link_libraries(bench_pptx_open PRIVATE quillet_host_pptx benchmark::benchmark)
target_compile_definitions(bench_pptx_open PRIVATE QUILLET_CORPUS="${QUILLET_CORPUS}")
