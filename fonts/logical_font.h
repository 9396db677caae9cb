// The logical font: what a text run asks of the font rasterizer. Its fields are those of the
// platform's logical font record, plus the run's East Asian face, which draws the run's East Asian
// characters.
#pragma once

#include <cstdint>
#include <string>

namespace quillet::fonts {

// Character sets of the logical font record. Only the first two are set by the conversion; the
// others are honoured as a hint of the text's language when a face is missing.
namespace charset {
inline constexpr std::uint8_t ansi = 0;
inline constexpr std::uint8_t defaultSet = 1;
inline constexpr std::uint8_t symbol = 2;
inline constexpr std::uint8_t shiftJis = 128;
inline constexpr std::uint8_t hangul = 129;
inline constexpr std::uint8_t johab = 130;
inline constexpr std::uint8_t gb2312 = 134;
inline constexpr std::uint8_t chineseBig5 = 136;
inline constexpr std::uint8_t greek = 161;
inline constexpr std::uint8_t turkish = 162;
inline constexpr std::uint8_t vietnamese = 163;
inline constexpr std::uint8_t hebrew = 177;
inline constexpr std::uint8_t arabic = 178;
inline constexpr std::uint8_t baltic = 186;
inline constexpr std::uint8_t russian = 204;
inline constexpr std::uint8_t thai = 222;
inline constexpr std::uint8_t eastEurope = 238;
}  // namespace charset

// Weights of the record: the conversion writes 700 for bold and 500 otherwise.
namespace weight {
inline constexpr std::int32_t dontCare = 0;
inline constexpr std::int32_t normal = 400;
inline constexpr std::int32_t medium = 500;
inline constexpr std::int32_t semiBold = 600;
inline constexpr std::int32_t bold = 700;
}  // namespace weight

// Generic families in the high nibble of pitchAndFamily; the low bits hold the pitch.
namespace family {
inline constexpr std::uint8_t dontCare = 0x00;
inline constexpr std::uint8_t roman = 0x10;
inline constexpr std::uint8_t swiss = 0x20;
inline constexpr std::uint8_t modern = 0x30;
inline constexpr std::uint8_t script = 0x40;
inline constexpr std::uint8_t decorative = 0x50;
inline constexpr std::uint8_t fixedPitch = 0x01;
}  // namespace family

struct LogicalFont {
    // Pixels. Positive: the cell height (ascent + descent); negative: the character (em) height;
    // 0: the default height of 12 pixels em.
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    // UTF-8. Kept whole: long family names still match.
    std::string faceName;
    // The run's face for East Asian characters (UTF-8); empty when the run names none.
    std::string eastAsianFaceName;

    bool operator==(const LogicalFont&) const = default;
};

// Every field but the height agrees: one glyph serves a character in every size of such fonts.
bool sameFontApartFromHeight(const LogicalFont& a, const LogicalFont& b);

// The logical font of a host font, as the conversion fills it: height = size in points + 0.5
// truncated (a cell height), weight 700 when bold else 500, italic and underline 1 when set, the
// ANSI character set when charsetIsAnsi else the default one, and the face name (the East Asian
// name when the face name is empty).
LogicalFont logicalFontFor(double sizePoints, bool bold, bool italic, bool underline,
                           bool charsetIsAnsi, const std::string& faceName,
                           const std::string& eastAsianFaceName);

}  // namespace quillet::fonts
