# Time against a text box's paragraphs and memory against a deck's slides: `quillet inspect` and
# `quillet convert` in a child process on decks the bench writes with examples/pptx_writer.py.
add_executable(bench_scale ${CMAKE_CURRENT_SOURCE_DIR}/bench_scale.cpp)
target_link_libraries(bench_scale PRIVATE benchmark::benchmark)
target_compile_definitions(bench_scale PRIVATE QUILLET_BINARY="$<TARGET_FILE:quillet>"
                                               QUILLET_EXAMPLES="${PROJECT_SOURCE_DIR}/examples")
add_dependencies(bench_scale quillet)
