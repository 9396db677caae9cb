# Fuzz target of the .pptx package reader. The host library is built with the fuzzer's
# instrumentation too, so coverage reaches the reader and not only the target's source.
target_compile_options(quillet_host_pptx PRIVATE -fsanitize=fuzzer-no-link)

quillet_add_fuzzer(fuzz_pptx_package ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_pptx_package.cpp
                   quillet_host_pptx PkgConfig::LIBZIP)

# Writes the seed decks (fuzz/corpus/pptx) from the test deck builder.
add_executable(pptx_fuzz_seeds ${CMAKE_CURRENT_SOURCE_DIR}/pptx_fuzz_seeds.cpp)
target_link_libraries(pptx_fuzz_seeds PRIVATE PkgConfig::LIBZIP)

# Fuzz target of the metafile player; seeds in fuzz/corpus/metafile.
quillet_add_fuzzer(fuzz_metafile_player ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_metafile_player.cpp
                   quillet_host_pptx)
