# Fuzz target of the font module's reader of kerning tables, built under the fuzzer's
# instrumentation. Seeds: fuzz/corpus/font, written by fonts_fuzz_seeds.
target_compile_options(quillet_fonts PRIVATE -fsanitize=fuzzer-no-link)

quillet_add_fuzzer(fuzz_font_kerning ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_font_kerning.cpp quillet_fonts)
target_include_directories(fuzz_font_kerning PRIVATE ${PROJECT_SOURCE_DIR})

add_executable(fonts_fuzz_seeds ${CMAKE_CURRENT_SOURCE_DIR}/fonts_fuzz_seeds.cpp)
target_include_directories(fonts_fuzz_seeds PRIVATE ${PROJECT_SOURCE_DIR})
