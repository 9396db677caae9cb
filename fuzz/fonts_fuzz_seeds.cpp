// Writes the seed corpus of the kerning fuzzer into fuzz/corpus/font: small font files with a
// positioning table (pairs, class pairs in an extension, single adjustments, mark classes), with
// a legacy kerning table, and with both.
//
//   fonts_fuzz_seeds REPOSITORY
#include <filesystem>
#include <fstream>
#include <iostream>

#include "tests/fonts/synthetic_font.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    using namespace quillet::fonts::test;
    if (argc != 2) {
        std::cerr << "usage: fonts_fuzz_seeds REPOSITORY\n";
        return 2;
    }
    const fs::path dir = fs::path(argv[1]) / "fuzz" / "corpus" / "font";
    fs::create_directories(dir);
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } seeds[] = {
        {"positioning.ttf", fontFile({{"GDEF", markGdef()}, {"GPOS", kerningGpos()}})},
        {"legacy.ttf", fontFile({{"kern", legacyKern()}})},
        {"both.ttf",
         fontFile({{"GDEF", markGdef()}, {"GPOS", kerningGpos()}, {"kern", legacyKern()}})},
    };
    for (const auto& seed : seeds) {
        std::ofstream out(dir / seed.name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(seed.bytes.data()),
                  static_cast<std::streamsize>(seed.bytes.size()));
        if (!out) {
            std::cerr << "cannot write " << (dir / seed.name) << "\n";
            return 1;
        }
    }
    return 0;
}
