#include "engine/text_gathering.h"

#include <array>
#include <cmath>
#include <string>

#include "engine/elements_outlines.h"
#include "engine/records.h"

namespace quillet::engine {
namespace {

constexpr std::array<char32_t, 10> kChineseNumerals = {U'一', U'二', U'三', U'四', U'五',
                                                       U'六', U'七', U'八', U'九', U'十'};
constexpr char32_t kChineseHundred = U'百';
constexpr int kNumberingStyles = 18;

// Appends a label made of a prefix, a formatter's output and a suffix.
std::u32string framed(const char32_t* prefix, const std::u32string& label, const char32_t* suffix) {
    return std::u32string(prefix) + label + suffix;
}

// One decimal digit of a roman numeral with its one, five and ten letters.
void romanDigit(int digit, char32_t one, char32_t five, char32_t ten, std::u32string& out) {
    if (digit == 9) {
        out += one;
        out += ten;
    } else if (digit >= 5) {
        out += five;
        out.append(static_cast<std::size_t>(digit - 5), one);
    } else if (digit == 4) {
        out += one;
        out += five;
    } else {
        out.append(static_cast<std::size_t>(digit), one);
    }
}

// A label where the host laid it: each character at its own left, on the label's baseline,
// at the label's size, shadowed as the label's font says.
void addLaidBullet(const host::BulletPlacement& laid, bool charsetIsAnsi, BulletLabels& labels) {
    if (laid.glyphs.empty() || !laid.font) return;
    const double size = laid.font->size();
    if (!std::isfinite(size) || size <= 0 || !std::isfinite(laid.baseline)) return;
    const HostFont font = fontFromHost(*laid.font, charsetIsAnsi);
    const bool shadow = laid.font->shadow() == host::kTrue;
    for (const host::BulletGlyph& g : laid.glyphs) {
        if (g.code == 0 || !std::isfinite(g.x)) continue;
        labels.characters.push_back(g.code);
        labels.fonts.push_back(font.font);
        labels.colours.push_back(font.colour);
        labels.xs.push_back(toTwips(g.x));
        labels.ys.push_back(toTwips(laid.baseline - 0.8 * size));
        labels.sizes.push_back(static_cast<float>(size));
        labels.shadows.push_back(shadow);
    }
}

}  // namespace

HostFont fontFromHost(const host::Font& font, bool charsetIsAnsi) {
    HostFont result;
    result.font = fonts::logicalFontFor(
        font.size(), font.bold() == host::kTrue, font.italic() == host::kTrue,
        font.underline() == host::kTrue, charsetIsAnsi, font.name(), font.nameFarEast());
    result.colour = font.colorRgb() & 0xFFFFFF;
    return result;
}

int alphaLabel(int n, bool upper, std::u32string& out) {
    if (n < 0) return 0;
    out += static_cast<char32_t>((upper ? U'A' : U'a') + n % 26);
    return 1;
}

int decimalLabel(int n, bool cjk, std::u32string& out) {
    if (n < 0 || n > 99) return 0;
    const std::size_t before = out.size();
    const int value = n + 1;
    if (!cjk) {
        for (char digit : std::to_string(value)) out += static_cast<char32_t>(digit);
    } else if (value <= 10) {
        out += kChineseNumerals[static_cast<std::size_t>(n)];
    } else if (value == 100) {
        out += kChineseNumerals[0];
        out += kChineseHundred;
    } else {
        // Tens as "digit 十" (十 alone for the teens), then the units digit when not zero.
        const int tens = value / 10, units = value % 10;
        if (tens > 1) out += kChineseNumerals[static_cast<std::size_t>(tens - 1)];
        out += kChineseNumerals[9];
        if (units > 0) out += kChineseNumerals[static_cast<std::size_t>(units - 1)];
    }
    return static_cast<int>(out.size() - before);
}

int romanLabel(int v, bool upper, std::u32string& out) {
    if (v < 1 || v > 100) return 0;
    const char32_t* letters = upper ? U"IVXLC" : U"ivxlc";
    const std::size_t before = out.size();
    if (v == 100) {
        out += letters[4];
    } else {
        romanDigit(v / 10, letters[2], letters[3], letters[4], out);
        romanDigit(v % 10, letters[0], letters[1], letters[2], out);
    }
    return static_cast<int>(out.size() - before);
}

std::u32string numberingLabel(int style, int n) {
    enum class Kind { alpha, decimal, cjk, roman };
    struct Style {
        Kind kind;
        bool upper;
        const char32_t* before;
        const char32_t* after;
    };
    // The numbering styles 0 to 17: formatter, case and punctuation.
    static constexpr std::array<Style, kNumberingStyles> kStyles = {{
        {Kind::alpha, false, U"", U"."},
        {Kind::alpha, true, U"", U"."},
        {Kind::decimal, false, U"", U")"},
        {Kind::decimal, false, U"", U"."},
        {Kind::roman, false, U"(", U")"},
        {Kind::roman, false, U"", U")"},
        {Kind::roman, false, U"", U"."},
        {Kind::roman, true, U"", U"."},
        {Kind::alpha, false, U"(", U")"},
        {Kind::alpha, false, U"", U")"},
        {Kind::alpha, true, U"(", U")"},
        {Kind::alpha, true, U"", U")"},
        {Kind::decimal, false, U"(", U")"},
        {Kind::decimal, false, U"", U""},
        {Kind::roman, true, U"(", U")"},
        {Kind::roman, true, U"", U")"},
        {Kind::cjk, false, U"", U""},
        {Kind::cjk, false, U"", U"."},
    }};
    std::u32string label;
    if (style < 0 || style >= kNumberingStyles) return label;
    const Style& s = kStyles[static_cast<std::size_t>(style)];
    switch (s.kind) {
        case Kind::alpha:
            alphaLabel(n, s.upper, label);
            break;
        case Kind::decimal:
            decimalLabel(n, false, label);
            break;
        case Kind::cjk:
            decimalLabel(n, true, label);
            break;
        case Kind::roman:
            romanLabel(n + 1, s.upper, label);
            break;
    }
    return framed(s.before, label, s.after);
}

BulletLabels gatherBullets(const host::TextRange& range, bool charsetIsAnsi) {
    BulletLabels labels;
    int previousStyle = -1;
    std::array<int, kNumberingStyles> counters{};
    // The host counts the paragraphs, so the walk needs no guard against the host handing the last
    // paragraph back again.
    const int count = range.paragraphCount();
    for (int p = 1; p <= count; ++p) {
        const auto paragraph = range.paragraphs(p, 1);
        if (!paragraph) break;
        if (const auto laid = paragraph->laidBullet()) {
            addLaidBullet(*laid, charsetIsAnsi, labels);
            continue;
        }
        // A paragraph of only its mark (or, for the last one, of nothing) gets no label.
        const std::string text = paragraph->text();
        const std::size_t visible =
            text.empty() || text.back() != '\r' ? text.size() : text.size() - 1;
        if (visible == 0) continue;
        const auto format = paragraph->paragraphFormat();
        const auto bullet = format ? format->bullet() : nullptr;
        if (!bullet) continue;
        const int type = bullet->type();
        if (type != host::bullet_type::kUnnumbered && type != host::bullet_type::kNumbered) {
            continue;
        }

        const auto paragraphFont = paragraph->font();
        const auto ownFont = bullet->font();
        if (!paragraphFont || !ownFont) continue;
        const HostFont textFont = fontFromHost(*paragraphFont, charsetIsAnsi);
        HostFont labelFont = fontFromHost(*ownFont, charsetIsAnsi);
        if (bullet->useTextFont() == host::kTrue) labelFont.font = textFont.font;
        if (bullet->useTextColor() == host::kTrue) labelFont.colour = textFont.colour;

        std::u32string label;
        if (type == host::bullet_type::kUnnumbered) {
            if (bullet->character() != 0) label += bullet->character();
        } else {
            const int style = bullet->style();
            if (style < 0 || style >= kNumberingStyles) continue;
            int& counter = counters[static_cast<std::size_t>(style)];
            if (previousStyle == -1 || previousStyle == style) {
                label = numberingLabel(style, counter);
                ++counter;
            } else {
                label = numberingLabel(style, 0);
                counter = 1;
            }
            previousStyle = style;
        }
        if (label.empty()) continue;

        // The label sits on the paragraph's first baseline, which its first character gives
        // (one-character bounds put the baseline 80 % of the size below the top), drawn at the
        // text's laid-out size times the bullet's relative size.
        const auto first = paragraph->characters(1, 1);
        const double firstSize = first ? first->boundHeight() : 0.0;
        const double baseline = first ? first->boundTop() + 0.8 * firstSize : paragraph->boundTop();
        double relative = bullet->relativeSize();
        if (!std::isfinite(relative) || relative <= 0) relative = 1.0;
        double size = firstSize > 0 ? firstSize * relative : ownFont->size();
        if (!std::isfinite(size) || size < 0) size = 0;
        const int h = labelFont.font.height < 10 ? 14 : labelFont.font.height;
        const double left = paragraph->boundLeft();
        for (std::size_t j = 0; j < label.size(); ++j) {
            labels.characters.push_back(label[j]);
            labels.fonts.push_back(labelFont.font);
            labels.colours.push_back(labelFont.colour);
            labels.xs.push_back(toTwips(left - 1.25 * h + 0.45 * h * static_cast<double>(j)));
            labels.ys.push_back(toTwips(baseline - 0.8 * size));
            labels.sizes.push_back(static_cast<float>(size));
            labels.shadows.push_back(false);
        }
    }
    return labels;
}

}  // namespace quillet::engine
