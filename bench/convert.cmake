# Whole-deck conversion: `quillet convert` on every corpus deck in a child process (wall, cpu, peak
# memory of the process tree, movie size), against the office suite's pptx -> pdf when installed
# (scripts/bench-convert.sh builds and runs it).
add_executable(bench_convert ${CMAKE_CURRENT_SOURCE_DIR}/bench_convert.cpp)
target_compile_definitions(bench_convert PRIVATE QUILLET_CORPUS="${QUILLET_CORPUS}")
find_package(Threads REQUIRED)
target_link_libraries(bench_convert PRIVATE Threads::Threads)
add_dependencies(bench_convert quillet)
target_compile_definitions(bench_convert PRIVATE QUILLET_BENCH_SOURCE="${CMAKE_CURRENT_SOURCE_DIR}")
