# Decode and define speed of the picture and sound loaders on slide-sized pictures and a long
# background sound, all made in memory by the test writers (tests/media/media_synth.h).
add_executable(bench_media ${CMAKE_CURRENT_SOURCE_DIR}/bench_media.cpp)
target_link_libraries(bench_media PRIVATE quillet_media quillet::zlib benchmark::benchmark)
