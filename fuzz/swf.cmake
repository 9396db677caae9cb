# Fuzz targets of the transform library. Coverage must reach the library's decoders, not only the
# target's own source, so the library is built with the fuzzer's instrumentation here as well.
# scripts/fuzz.sh configures the whole tree that way (clang, -DQUILLET_SANITIZE=ON for address
# and undefined behaviour checks, -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link).
target_compile_options(quillet_swf PRIVATE -fsanitize=fuzzer-no-link)
if(NOT QUILLET_SANITIZE)
    message(WARNING "QUILLET_FUZZ without QUILLET_SANITIZE: memory errors may go unnoticed")
endif()

quillet_add_fuzzer(fuzz_swf_movie ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_swf_movie.cpp quillet_swf)

# Writes the movies of the seed corpus with the library itself; after a format change:
#   ninja -C build/fuzz swf_fuzz_seeds && build/fuzz/fuzz/swf_fuzz_seeds fuzz/corpus/swf
add_executable(swf_fuzz_seeds ${CMAKE_CURRENT_SOURCE_DIR}/swf_fuzz_seeds.cpp)
target_link_libraries(swf_fuzz_seeds PRIVATE quillet_swf)
