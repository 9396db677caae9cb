// The one UTF-8 codec: valid sequences of 1 to 4 bytes decode and encode back to the same bytes;
// each byte that starts no valid sequence (overlong, surrogate, past U+10FFFF, truncated, stray)
// decodes to U+FFFD; what is no scalar value encodes as U+FFFD.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "text/utf8.h"

namespace {

using namespace quillet;

constexpr char32_t R = utf8::kReplacement;

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::u32string codes;
    bool valid;  // encoding the codes gives the bytes back
};

class Utf8Decode : public testing::TestWithParam<DecodeCase> {};

TEST_P(Utf8Decode, GivesTheCharactersAndEncodesBack) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(utf8::decode(c.bytes), c.codes);
    const std::string encoded = utf8::encode(c.codes);
    if (c.valid) {
        EXPECT_EQ(encoded, c.bytes);
    }
    // Whatever came in, what goes out decodes without a replacement of its own.
    EXPECT_EQ(utf8::decode(encoded), c.codes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Decode,
    testing::Values(
        DecodeCase{"empty", "", U"", true}, DecodeCase{"ascii", "A\t~", U"A\t~", true},
        DecodeCase{"two", "\xC2\x80\xC3\xA9\xDF\xBF", U"\u0080\u00E9\u07FF", true},
        DecodeCase{"three", "\xE0\xA0\x80\xE2\x82\xAC\xEF\xBF\xBD", U"\u0800\u20AC\uFFFD", true},
        DecodeCase{"four", "\xF0\x90\x80\x80\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF",
                   U"\U00010000\U0001F600\U0010FFFF", true},
        DecodeCase{"overlong", "\xC0\xAF\xC1\xBF\xE0\x80\xAF\xF0\x80\x80\xAF",
                   std::u32string(11, R), false},
        DecodeCase{"surrogates", "\xED\xA0\x80\xED\xBF\xBF", std::u32string(6, R), false},
        DecodeCase{"past U+10FFFF", "\xF4\x90\x80\x80\xF5\x80\x80\x80\xFF", std::u32string(9, R),
                   false},
        DecodeCase{"truncated", "a\xE2\x82", std::u32string{U'a', R, R}, false},
        DecodeCase{"truncated four", "\xF0\x9F\x98", std::u32string(3, R), false},
        DecodeCase{"stray and broken", "\x80x\xC3(\xE2\x28\xA1",
                   std::u32string{R, U'x', R, U'(', R, U'(', R}, false}),
    [](const testing::TestParamInfo<DecodeCase>& info) {
        std::string name;
        for (char ch : std::string(info.param.name)) name += std::isalnum(ch) ? ch : '_';
        return name;
    });

TEST(Utf8Encode, WritesReplacementForWhatIsNoScalarValue) {
    EXPECT_EQ(utf8::encode(U"\xD800"), "\xEF\xBF\xBD");
    EXPECT_EQ(utf8::encode(std::u32string{0xDFFF, 0x110000, 0x7FFFFFFF}),
              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(utf8::validLength("\xE2\x82\xAC rest"), 3u);
    EXPECT_EQ(utf8::validLength(""), 0u);
}

}  // namespace
