// Decodes arbitrary bytes as the file of kept font-matching answers: as they are, and sealed with
// a right header so that the reader behind the checksum is reached. Refusal is an expected
// outcome; what decodes must encode and decode to the same answers.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fonts/font_cache.h"

namespace {

using namespace quillet::fonts;

void check(std::string_view bytes) {
    std::optional<FontCacheContents> decoded = decodeFontCache(bytes);
    if (!decoded) return;
    std::optional<FontCacheContents> again = decodeFontCache(encodeFontCache(*decoded));
    if (!again || again->fingerprint != decoded->fingerprint || again->walks != decoded->walks) {
        std::fprintf(stderr, "fuzz_font_cache: answers that do not survive encoding\n");
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    check(bytes);
    check(sealFontCache(bytes));
    return 0;
}
