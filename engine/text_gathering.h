// What the engine gathers from the host about a slide's texts: host fonts as logical fonts, the
// labels of bulleted and numbered paragraphs, and the label formatters behind the numbers.
#pragma once

#include <string>
#include <vector>

#include "fonts/logical_font.h"
#include "host/host.h"

namespace quillet::engine {

// A host font as a logical font, with the font's colour (RGB, red in the low byte).
struct HostFont {
    fonts::LogicalFont font;
    int colour = 0;
};

// Height = size + 0.5 truncated, weight 700 when bold else 500, italic and underline when the host
// says -1, the ANSI character set when charsetIsAnsi else the default one, the face name or, when
// that is empty, the East Asian one.
HostFont fontFromHost(const host::Font& font, bool charsetIsAnsi);

// The labels of one text frame's bulleted and numbered paragraphs: one entry per label character,
// in order of paragraphs and then characters.
struct BulletLabels {
    std::vector<char32_t> characters;
    std::vector<fonts::LogicalFont> fonts;
    std::vector<int> colours;  // RGB
    // Top-left of each label character in twips; the character's baseline lies 80 % of its size
    // below the top, on the paragraph's first baseline.
    std::vector<int> xs;
    std::vector<int> ys;
    std::vector<float> sizes;  // points: the size the label is drawn at
    std::vector<bool> shadows;

    std::size_t size() const { return characters.size(); }
};

// Walks the paragraphs of a text range and labels the bulleted and numbered ones. A label the host
// laid out stands where the host put it, in its face, size and colour, with the shadow of its
// font. Otherwise numbering runs on while paragraphs keep one style and restarts when the style
// changes; a host start value is not read. Such a label starts 1.25 bullet heights left of its
// paragraph (as if 14 points below 10) and each further character 0.45 heights on.
BulletLabels gatherBullets(const host::TextRange& range, bool charsetIsAnsi);

// Label formatters: each appends character codes to out and returns how many it appended.
// The n-th item (from 0) as a letter, a to z then a again (A to Z when upper).
int alphaLabel(int n, bool upper, std::u32string& out);
// The n-th item (from 0) as the decimal digits of n + 1 for n up to 99, or with cjk as the Chinese
// numeral of n + 1 (一 .. 十, 十一, 二十, .. 九十九, 一百).
int decimalLabel(int n, bool cjk, std::u32string& out);
// v from 1 to 100 as a roman numeral (IVXLC or ivxlc).
int romanLabel(int v, bool upper, std::u32string& out);
// The label of the n-th item (from 0) of numbering style 0 to 17 with its punctuation; empty for
// any other style.
std::u32string numberingLabel(int style, int n);

}  // namespace quillet::engine
