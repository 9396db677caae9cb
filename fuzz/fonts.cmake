# Fuzz targets of the font module's readers: the kerning tables of a face, and the font-matching
# answers kept between runs. The module is built under the fuzzer's instrumentation. Seeds of the
# kerning reader: fuzz/corpus/font, written by fonts_fuzz_seeds.
target_compile_options(quillet_fonts PRIVATE -fsanitize=fuzzer-no-link)

quillet_add_fuzzer(fuzz_font_kerning ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_font_kerning.cpp quillet_fonts)
target_include_directories(fuzz_font_kerning PRIVATE ${PROJECT_SOURCE_DIR})
quillet_add_fuzzer(fuzz_font_cache ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_font_cache.cpp quillet_fonts)

add_executable(fonts_fuzz_seeds ${CMAKE_CURRENT_SOURCE_DIR}/fonts_fuzz_seeds.cpp)
target_include_directories(fonts_fuzz_seeds PRIVATE ${PROJECT_SOURCE_DIR})
