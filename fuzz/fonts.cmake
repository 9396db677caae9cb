# Fuzz target of the reader of the font-matching answers kept between runs.
quillet_add_fuzzer(fuzz_font_cache ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_font_cache.cpp quillet_fonts)
