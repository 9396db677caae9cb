# Fuzz targets of the picture and sound loaders, with the loaders built under the fuzzer's
# instrumentation. Seeds: fuzz/corpus/image and fuzz/corpus/sound, written by media_fuzz_seeds.
target_compile_options(quillet_media PRIVATE -fsanitize=fuzzer-no-link)

quillet_add_fuzzer(fuzz_image_loader ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_image_loader.cpp quillet_media)
quillet_add_fuzzer(fuzz_sound_loader ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_sound_loader.cpp quillet_media)

add_executable(media_fuzz_seeds ${CMAKE_CURRENT_SOURCE_DIR}/media_fuzz_seeds.cpp)
target_link_libraries(media_fuzz_seeds PRIVATE ZLIB::ZLIB)
