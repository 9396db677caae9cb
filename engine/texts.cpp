#include "engine/texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/elements_outlines.h"
#include "engine/records.h"
#include "engine/text_gathering.h"
#include "swf/fonts_text.h"

namespace quillet::engine {
namespace {

using transform::FSBounds;
using transform::FSCharacter;
using transform::FSColor;
using transform::FSText;

constexpr int kWhite = 0xFFFFFF;
constexpr int kBlack = 0x000000;

// Characters that draw nothing: control characters (paragraph marks, line breaks, tabs) and
// spaces of every width.
bool drawsNothing(char32_t c) {
    return c < 0x20 || c == 0x20 || c == 0x7F || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200B) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

FSColor opaque(int rgb) {
    return FSColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF, 255);
}

int sizeTwips(float size) {
    return std::clamp(toTwips(std::abs(static_cast<double>(size))), 0, 65535);
}

bool fitsOffset(int v) {
    return v >= -32768 && v <= 32767;
}

}  // namespace

void TextTable::addText(int identifier, int x, int y, int colour,
                        const std::vector<GatheredCharacter>& characters) {
    TextRecord text{identifier, x, y, colour, {}};
    text.characters.reserve(characters.size());
    for (const GatheredCharacter& c : characters) {
        text.characters.push_back(
            {glyphs.addGlyph(c.code, c.font), c.size, c.colour, c.x, c.y, c.shadow});
    }
    texts_.push_back(std::move(text));
}

void TextTable::buildText(transform::FSMovie& movie, int index, const FSBounds& bounds) const {
    const TextRecord& t = texts_.at(static_cast<std::size_t>(index));
    std::vector<FSText> records;
    records.reserve(t.characters.size());
    int minX = bounds.getMinX(), minY = bounds.getMinY();
    int maxX = bounds.getMaxX(), maxY = bounds.getMaxY();
    for (const CharacterRecord& ch : t.characters) {
        const int font = glyphs.fontIdOf(ch.glyph);
        const std::vector<FSCharacter> glyph{FSCharacter(GlyphTable::glyphCodeOf(ch.glyph), 0)};
        // Sizes keep their fraction: the text height is the size in twips, the baseline 80 % of
        // it below the character's top.
        const int height = sizeTwips(ch.size);
        const int x = ch.x - t.x;
        const int y = ch.y - t.y + static_cast<int>(height * 0.8 + 0.5);
        // Text records hold signed 16-bit offsets: a character that far from its frame lies off
        // the stage anyway.
        if (!fitsOffset(x) || !fitsOffset(y) || !fitsOffset(x + height) ||
            !fitsOffset(y + height)) {
            continue;
        }
        if (ch.shadow) {
            const FSColor shadow = t.colour == kWhite   ? FSColor(128, 128, 128, 255)
                                   : t.colour == kBlack ? FSColor(255, 255, 255, 255)
                                                        : FSColor(0, 0, 0, 255);
            // Offset by half a twip per point of size, down and right.
            const int d = static_cast<int>(height / 20.0 * 0.5 + 0.5);
            records.emplace_back(font, shadow, x + d, y + d, height, glyph);
        }
        records.emplace_back(font, opaque(ch.colour), x, y, height, glyph);
        // A glyph may reach an em above its baseline and beyond its left and right.
        minX = std::min(minX, x - height);
        minY = std::min(minY, y - height);
        maxX = std::max(maxX, x + 2 * height);
        maxY = std::max(maxY, y + height);
    }
    movie.add(std::make_unique<transform::FSDefineText>(
        t.identifier, FSBounds(minX, minY, maxX, maxY), transform::FSCoordTransform(),
        std::move(records)));
}

bool hasTextToBuild(const host::Shape& shape) {
    if (shape.hasTextFrame() != host::kTrue) return false;
    const auto frame = shape.textFrame();
    return frame && frame->hasText() == host::kTrue;
}

bool buildTextElement(ConversionJob& job, Element& element) {
    const host::Shape& shape = *element.hostShape;
    if (!hasTextToBuild(shape)) return false;
    const auto range = shape.textFrame()->textRange();
    if (!range) return false;
    const bool ansi = job.settings().charsetIsAnsi;

    std::vector<GatheredCharacter> characters;
    const int n = range->length();
    for (int i = 1; i <= n; ++i) {
        const auto one = range->characters(i, 1);
        if (!one) continue;
        const std::string text = one->text();
        std::size_t at = 0;
        const char32_t c = text.empty() ? 0 : nextCode(text, at);
        if (drawsNothing(c)) continue;
        const float size = one->boundHeight();
        if (!std::isfinite(size) || size <= 0) continue;
        const auto font = one->font();
        if (!font) continue;
        const HostFont hostFont = fontFromHost(*font, ansi);
        characters.push_back({c, hostFont.font, size, hostFont.colour, toTwips(one->boundLeft()),
                              toTwips(one->boundTop()), font->shadow() == host::kTrue});
    }
    const BulletLabels labels = gatherBullets(*range, ansi);
    for (std::size_t j = 0; j < labels.size(); ++j) {
        // A bullet is drawn as the text beside it is; no shadow of its own.
        characters.push_back({labels.characters[j], labels.fonts[j], labels.sizes[j],
                              labels.colours[j], labels.xs[j], labels.ys[j], false});
    }
    if (characters.empty()) return false;

    const auto mainFont = range->font();
    const int colour = mainFont ? mainFont->colorRgb() & 0xFFFFFF : 0;
    element.characterId = job.newIdentifier();
    job.texts.addText(element.characterId, toTwips(element.left), toTwips(element.top), colour,
                      characters);
    return true;
}

void buildTexts(ConversionJob& job, fonts::FontLibrary& fonts) {
    job.progress.reportProgress("Build glyph of all font", 30, 0);
    job.texts.glyphs.buildFonts(fonts, job);
    const int m = job.texts.countTexts();
    char text[64];
    std::snprintf(text, sizeof text, "Build string%4d/%4d ", 0, m);
    job.progress.reportProgress(text, 1, 0);
    const int step = std::max(1, roundHalf(10.0 / std::max(m, 1)));
    for (int i = 0; i < m; ++i) {
        job.texts.buildText(job.movie, i, job.frameBounds);
        std::snprintf(text, sizeof text, "Build Text%4d/%d", i + 1, m);
        job.progress.reportProgress(text, step, 0);
    }
}

}  // namespace quillet::engine
