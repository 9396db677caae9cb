#include "engine/texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/elements_outlines.h"
#include "engine/records.h"
#include "engine/text_gathering.h"
#include "fonts/matching.h"
#include "swf/display_list.h"
#include "swf/fonts_text.h"
#include "swf/shapes.h"
#include "swf/sprites_buttons.h"

namespace quillet::engine {
namespace {

using transform::FSBounds;
using transform::FSCharacter;
using transform::FSColor;
using transform::FSText;

constexpr int kWhite = 0xFFFFFF;
constexpr int kBlack = 0x000000;

FSColor opaque(int rgb) {
    return colourFromRgb(rgb);
}

int sizeTwips(float size) {
    return std::clamp(toTwips(std::abs(static_cast<double>(size))), 0, 65535);
}

bool fitsOffset(int v) {
    return v >= -32768 && v <= 32767;
}

// One line of the lines shape as the rectangle it spans, relative to the text's origin (twips).
struct LineRect {
    int x = 0, y = 0, width = 0, height = 0;
    int colour = 0;
    int dash = host::dash_style::kSolid;
    bool wavy = false;
};

// The lines as rectangles at their fonts' own places; a line that continues the one before it
// (same colour, top and thickness, starting where it ends) lengthens it, so long underlines have
// no seams.
std::vector<LineRect> lineRects(const TextRecord& t, fonts::FontLibrary* fonts) {
    std::vector<LineRect> rects;
    // Highlights under everything, underlines, the lower lines of double ones, then
    // strike-throughs and theirs: each kind runs on along its characters.
    std::vector<const GatheredLine*> ordered;
    for (const GatheredLine& l : t.lines) {
        if (l.highlight) ordered.push_back(&l);
    }
    for (const GatheredLine& l : t.lines) {
        if (!l.highlight && !l.strike && !l.second) ordered.push_back(&l);
    }
    for (const GatheredLine& l : t.lines) {
        if (!l.strike && l.second) ordered.push_back(&l);
    }
    for (const GatheredLine& l : t.lines) {
        if (l.strike && !l.second) ordered.push_back(&l);
    }
    for (const GatheredLine& l : t.lines) {
        if (l.strike && l.second) ordered.push_back(&l);
    }
    for (const GatheredLine* line : ordered) {
        const GatheredLine& l = *line;
        const double size = std::abs(static_cast<double>(l.size));
        if (!std::isfinite(size) || size <= 0 || l.width <= 0) continue;
        // A highlight's cell needs no face metrics.
        const fonts::FontMetrics m =
            fonts && !l.highlight ? fonts->metrics(l.font, size) : fonts::FontMetrics{};
        // A highlight covers the line's cell at single spacing: a size above the baseline and a
        // fifth of it below.
        fonts::DecorationLine d = l.highlight ? fonts::DecorationLine{-size, 1.2 * size}
                                  : l.strike  ? fonts::strikeoutLine(m, size)
                                              : fonts::underlineLine(m, size, l.weight);
        d.top += l.shift * d.thickness;
        LineRect r{l.x - t.x, l.baseline - t.y + toTwips(d.top),
                   l.width,   std::max(1, toTwips(d.thickness)),
                   l.colour,  l.dash,
                   l.wavy};
        // A wave swings a thickness above and below its line.
        const int swing = r.wavy ? r.height : 0;
        if (!fitsOffset(r.x) || !fitsOffset(r.y - swing) || !fitsOffset(r.y + r.height + swing) ||
            !fitsOffset(r.x + r.width))
            continue;
        if (!rects.empty()) {
            LineRect& last = rects.back();
            if (last.colour == r.colour && last.y == r.y && last.height == r.height &&
                last.dash == r.dash && last.wavy == r.wavy &&
                std::abs(last.x + last.width - r.x) <= 1) {
                last.width = r.x + r.width - last.x;
                continue;
            }
        }
        rects.push_back(r);
    }
    return rects;
}

// The lines as one shape of filled outlines, a fill style per colour: a rectangle per solid line,
// its dashes or its wave otherwise.
void defineLines(transform::FSMovie& movie, int identifier, const std::vector<LineRect>& rects) {
    transform::FSArray<transform::FSFillStyle> fills;
    std::vector<int> colours;
    transform::FSShape shape;
    int minX = 0, minY = 0, maxX = 0, maxY = 0;
    bool first = true;
    const auto polygon = [&](int style, const std::vector<std::pair<int, int>>& points) {
        shape.emplace<transform::FSShapeStyle>(0, style, 0, points.front().first,
                                               points.front().second);
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto [x, y] = points[i];
            const auto [toX, toY] = points[(i + 1) % points.size()];
            if (toX != x || toY != y) shape.emplace<transform::FSLine>(toX - x, toY - y);
            if (first) minX = maxX = x, minY = maxY = y, first = false;
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
    };
    for (const LineRect& r : rects) {
        auto at = std::find(colours.begin(), colours.end(), r.colour);
        if (at == colours.end()) {
            colours.push_back(r.colour);
            fills.emplace<transform::FSSolidFill>(opaque(r.colour));
            at = colours.end() - 1;
        }
        const int style = static_cast<int>(at - colours.begin()) + 1;
        if (r.dash == host::dash_style::kSolid && !r.wavy) {
            polygon(style, {{r.x, r.y},
                            {r.x + r.width, r.y},
                            {r.x + r.width, r.y + r.height},
                            {r.x, r.y + r.height}});
            continue;
        }
        const fonts::DecorationLine line{static_cast<double>(r.y), static_cast<double>(r.height)};
        for (const auto& outline : fonts::decorationOutlines(
                 r.x, r.x + r.width, line, host::dash_style::pattern(r.dash), r.wavy)) {
            std::vector<std::pair<int, int>> points;
            for (const fonts::Point& p : outline)
                points.emplace_back(static_cast<int>(std::lround(p.x)),
                                    static_cast<int>(std::lround(p.y)));
            polygon(style, points);
        }
    }
    movie.add(std::make_unique<transform::FSDefineShape>(
        identifier, FSBounds(minX, minY, maxX, maxY), std::move(fills),
        transform::FSArray<transform::FSLineStyle>(), shape));
}

// Outlined glyphs as one shape: each glyph's outline at its size on its baseline, filled in its
// colour (unless hollow) and stroked with its outline's width and colour. Styles are shared by
// glyphs that look alike.
class OutlinedGlyphs {
  public:
    void add(fonts::FontLibrary& fonts, char32_t code, const fonts::LogicalFont& font,
             const CharacterRecord& ch, int x, int baseline) {
        const double size = std::abs(static_cast<double>(ch.size));
        if (!std::isfinite(size) || size <= 0) return;
        const int fill = ch.look.filled ? fillStyle(ch.colour) : 0;
        const int line = lineStyle(ch.look.outlineWidth, ch.look.outlineColour);
        const transform::FSShapeStyle style(line, fill, 0, 0, 0);
        const std::size_t before = shape_.getObjects().size();
        const GlyphExtent extent =
            extractGlyph(fonts, code, font, x, baseline, shape_, style, size);
        if (shape_.getObjects().size() == before) return;
        // A glyph may reach an em above its baseline and beyond its advance; the outline adds
        // half its width.
        const int em = sizeTwips(ch.size), pad = ch.look.outlineWidth;
        const int right = x + std::max(em, static_cast<int>(extent.width * 20)) + em / 2;
        widen(x - em / 2 - pad, baseline - em - pad, right + pad, baseline + em / 2 + pad);
    }

    // False when no glyph was drawn.
    bool define(transform::FSMovie& movie, int identifier) {
        if (shape_.getObjects().empty()) return false;
        movie.add(std::make_unique<transform::FSDefineShape>(
            identifier, FSBounds(minX_, minY_, maxX_, maxY_), std::move(fills_), std::move(lines_),
            shape_));
        return true;
    }

  private:
    int fillStyle(int colour) {
        auto at = std::find(fillColours_.begin(), fillColours_.end(), colour);
        if (at != fillColours_.end()) return static_cast<int>(at - fillColours_.begin()) + 1;
        fillColours_.push_back(colour);
        fills_.emplace<transform::FSSolidFill>(opaque(colour));
        return static_cast<int>(fillColours_.size());
    }
    int lineStyle(int width, int colour) {
        const std::pair<int, int> key{std::min(width, 65535), colour};
        auto at = std::find(lineKeys_.begin(), lineKeys_.end(), key);
        if (at != lineKeys_.end()) return static_cast<int>(at - lineKeys_.begin()) + 1;
        lineKeys_.push_back(key);
        lines_.emplace<transform::FSSolidLine>(key.first, opaque(colour));
        return static_cast<int>(lineKeys_.size());
    }
    void widen(int x0, int y0, int x1, int y1) {
        if (empty_) {
            minX_ = x0, minY_ = y0, maxX_ = x1, maxY_ = y1;
            empty_ = false;
            return;
        }
        minX_ = std::min(minX_, x0), minY_ = std::min(minY_, y0);
        maxX_ = std::max(maxX_, x1), maxY_ = std::max(maxY_, y1);
    }

    transform::FSShape shape_;
    transform::FSArray<transform::FSFillStyle> fills_;
    transform::FSArray<transform::FSLineStyle> lines_;
    std::vector<int> fillColours_;
    std::vector<std::pair<int, int>> lineKeys_;
    bool empty_ = true;
    int minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
};

}  // namespace

bool standsUpright(int orientation, char32_t code) {
    if (orientation == host::orientation::kVertical) return !fonts::drawsNothing(code);
    return orientation == host::orientation::kVerticalFarEast && fonts::standsUprightInColumn(code);
}

void TextTable::addText(int identifier, int x, int y, int colour,
                        const std::vector<GatheredCharacter>& characters,
                        std::vector<GatheredLine> lines, int linesIdentifier, int spriteIdentifier,
                        int outlinedIdentifier) {
    addText(identifier, x, y, colour, characters);
    TextRecord& text = texts_.back();
    text.lines = std::move(lines);
    text.linesIdentifier = linesIdentifier;
    text.spriteIdentifier = spriteIdentifier;
    text.outlinedIdentifier = outlinedIdentifier;
}

void TextTable::addText(int identifier, int x, int y, int colour,
                        const std::vector<GatheredCharacter>& characters) {
    TextRecord text;
    text.identifier = identifier;
    text.x = x;
    text.y = y;
    text.colour = colour;
    text.characters.reserve(characters.size());
    for (const GatheredCharacter& c : characters) {
        GlyphLook look = c.look;
        look.outlineWidth = std::max(look.outlineWidth, 0);
        look.shadowAlpha = std::clamp(look.shadowAlpha, 0, 255);
        text.characters.push_back(
            {glyphs.addGlyph(c.code, c.font), c.size, c.colour, c.x, c.y, look});
    }
    texts_.push_back(std::move(text));
}

void TextTable::buildText(transform::FSMovie& movie, int index, const FSBounds& bounds,
                          fonts::FontLibrary* fonts) const {
    const TextRecord& t = texts_.at(static_cast<std::size_t>(index));
    const bool lined = t.spriteIdentifier != 0 && t.linesIdentifier != 0;
    const std::vector<LineRect> rects = lined ? lineRects(t, fonts) : std::vector<LineRect>{};
    if (!rects.empty()) defineLines(movie, t.linesIdentifier, rects);
    const bool outlines = t.spriteIdentifier != 0 && t.outlinedIdentifier != 0 && fonts;
    OutlinedGlyphs outlined;
    std::vector<FSText> records;
    records.reserve(t.characters.size());
    bool translucent = false;  // colours with alpha need the second form of text
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
        if (ch.look.shadow && ch.look.shadowPlaced) {
            const FSColor shadow = colourFromRgb(ch.look.shadowColour, ch.look.shadowAlpha);
            const int sx = x + ch.look.shadowDx, sy = y + ch.look.shadowDy;
            if (fitsOffset(sx) && fitsOffset(sy) && fitsOffset(sx + height) &&
                fitsOffset(sy + height)) {
                records.emplace_back(font, shadow, sx, sy, height, glyph);
                translucent = translucent || ch.look.shadowAlpha != 255;
            }
        } else if (ch.look.shadow) {
            const FSColor shadow = t.colour == kWhite   ? FSColor(128, 128, 128, 255)
                                   : t.colour == kBlack ? FSColor(255, 255, 255, 255)
                                                        : FSColor(0, 0, 0, 255);
            // Offset by half a twip per point of size, down and right.
            const int d = static_cast<int>(height / 20.0 * 0.5 + 0.5);
            records.emplace_back(font, shadow, x + d, y + d, height, glyph);
        }
        if (outlines && ch.look.outlineWidth > 0) {
            const GlyphTable::Entry& entry =
                glyphs.entries().at(static_cast<std::size_t>(ch.glyph));
            outlined.add(*fonts, entry.code, entry.font, ch, x, y);
        } else {
            records.emplace_back(font, opaque(ch.colour), x, y, height, glyph);
        }
        // A glyph may reach an em above its baseline and beyond its left and right.
        minX = std::min(minX, x - height);
        minY = std::min(minY, y - height);
        maxX = std::max(maxX, x + 2 * height);
        maxY = std::max(maxY, y + height);
    }
    const FSBounds box(minX, minY, maxX, maxY);
    if (translucent) {
        movie.add(std::make_unique<transform::FSDefineText2>(
            t.identifier, box, transform::FSCoordTransform(), std::move(records)));
    } else {
        movie.add(std::make_unique<transform::FSDefineText>(
            t.identifier, box, transform::FSCoordTransform(), std::move(records)));
    }
    const bool drawsOutlines = outlines && outlined.define(movie, t.outlinedIdentifier);
    if (t.spriteIdentifier == 0) return;
    // The sprite the element places: the lines under the glyphs, outlined glyphs on top.
    transform::FSArray<transform::FSMovieObject> list;
    int depth = 1;
    if (!rects.empty()) {
        list.emplace<transform::FSPlaceObject2>(t.linesIdentifier, depth++, 0, 0);
    }
    list.emplace<transform::FSPlaceObject2>(t.identifier, depth++, 0, 0);
    if (drawsOutlines) list.emplace<transform::FSPlaceObject2>(t.outlinedIdentifier, depth, 0, 0);
    list.emplace<transform::FSShowFrame>();
    movie.add(std::make_unique<transform::FSDefineMovieClip>(t.spriteIdentifier, std::move(list)));
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

    // Vertical text is laid out across and turned into columns with its element; characters that
    // stand upright get glyphs turned back (their font's orientation), centred on their cell.
    const int orientation = shape.textFrame()->orientation();
    const int turn = host::orientation::turnOf(orientation);
    // The body's own turn within the shape goes with the element too.
    double own = shape.textFrame()->rotation();
    if (!std::isfinite(own)) own = 0;
    double textTurn = std::fmod(turn + own, 360.0);
    if (textTurn < 0) textTurn += 360;
    element.textTurn = static_cast<float>(textTurn);

    std::vector<GatheredCharacter> characters;
    std::vector<GatheredLine> lines;
    bool outlined = false;
    const int n = range->length();
    for (int i = 1; i <= n; ++i) {
        const auto one = range->characters(i, 1);
        if (!one) continue;
        const std::string text = one->text();
        std::size_t at = 0;
        const char32_t c = text.empty() ? 0 : nextCode(text, at);
        // Spaces are underlined too (unless the underline keeps to words); control characters
        // are not.
        const bool control = c < 0x20 || c == 0x7F;
        if (control) continue;
        const float size = one->boundHeight();
        if (!std::isfinite(size) || size <= 0) continue;
        const auto font = one->font();
        if (!font) continue;
        const HostFont hostFont = fontFromHost(*font, ansi);
        // A run in capitals shows its capitals (its one-character bounds are theirs already).
        const char32_t drawn = font->allCaps() == host::kTrue ? fonts::capitalOf(c) : c;
        const int left = toTwips(one->boundLeft()), top = toTwips(one->boundTop());
        const bool underline = font->underline() == host::kTrue &&
                               !(font->underlineWordsOnly() && fonts::drawsNothing(c));
        const bool strike = font->strikeThrough() == host::kTrue;
        // One-character bounds: the width is the advance, the baseline 80 % of the size down.
        const float width = one->boundWidth();
        const GatheredLine line{hostFont.font,
                                size,
                                hostFont.colour,
                                left,
                                toTwips(one->boundTop() + 0.8 * size),
                                std::isfinite(width) ? std::max(toTwips(width), 0) : 0,
                                false};
        if (const auto highlight = font->highlightRgb()) {
            lines.push_back(line);
            lines.back().colour = *highlight;
            lines.back().highlight = true;
        }
        if (underline) {
            lines.push_back(line);
            lines.back().colour = font->underlineColorRgb().value_or(hostFont.colour);
            lines.back().weight = font->underlineWeight();
            lines.back().dash = font->underlineDash();
            lines.back().wavy = font->underlineWavy();
            if (font->underlineDoubled()) {
                lines.push_back(lines.back());
                lines.back().second = true;
                lines.back().shift = 2;
            }
        }
        if (strike) {
            lines.push_back(line);
            lines.back().strike = true;
            if (font->strikeDoubled()) {
                lines.back().shift = -1;
                lines.push_back(lines.back());
                lines.back().second = true;
                lines.back().shift = 1;
            }
        }
        if (fonts::drawsNothing(c)) continue;
        characters.push_back({drawn,
                              hostFont.font,
                              size,
                              hostFont.colour,
                              left,
                              top,
                              {font->shadow() == host::kTrue}});
        if (const auto shadow = font->textShadow()) {
            // The host's own shadow, as its glyphs are drawn.
            GatheredCharacter& ch = characters.back();
            const bool usable = shadow->drawn && std::isfinite(shadow->dx) &&
                                std::isfinite(shadow->dy) && std::isfinite(shadow->alpha);
            ch.look.shadow = usable && shadow->alpha > 0;
            ch.look.shadowPlaced = true;
            if (ch.look.shadow) {
                ch.look.shadowDx = toTwips(std::clamp(shadow->dx, -1000.0f, 1000.0f));
                ch.look.shadowDy = toTwips(std::clamp(shadow->dy, -1000.0f, 1000.0f));
                ch.look.shadowColour = shadow->rgb & 0xFFFFFF;
                ch.look.shadowAlpha = roundHalf(std::clamp(shadow->alpha, 0.0f, 1.0f) * 255.0);
            }
        }
        const float outline = font->outlineWidth();
        if (std::isfinite(outline) && outline > 0) {
            // As glyphs are drawn: the outline at most a quarter of the size.
            GatheredCharacter& ch = characters.back();
            ch.look.outlineWidth = std::max(1, toTwips(std::min(outline, size / 4)));
            ch.look.outlineColour = font->outlineColorRgb() & 0xFFFFFF;
            ch.look.filled = font->filled() != host::kFalse;
            outlined = true;
        }
        if (turn != 0 && standsUpright(orientation, drawn)) {
            characters.back().code = fonts::verticalFormOf(drawn);
            const float width = one->boundWidth();
            characters.back().font.orientation = turn * 10;
            characters.back().x += std::isfinite(width) ? toTwips(width / 2) : 0;
        }
    }
    const BulletLabels labels = gatherBullets(*range, ansi);
    for (std::size_t j = 0; j < labels.size(); ++j) {
        characters.push_back({labels.characters[j], labels.fonts[j], labels.sizes[j],
                              labels.colours[j], labels.xs[j], labels.ys[j], labels.shadows[j]});
    }
    if (characters.empty()) return false;

    const auto mainFont = range->font();
    const int colour = mainFont ? mainFont->colorRgb() & 0xFFFFFF : 0;
    element.characterId = job.newIdentifier();
    if (lines.empty() && !outlined) {
        job.texts.addText(element.characterId, toTwips(element.left), toTwips(element.top), colour,
                          characters);
    } else {
        const int text = job.newIdentifier();
        const int shape = lines.empty() ? 0 : job.newIdentifier();
        const int glyphShape = outlined ? job.newIdentifier() : 0;
        job.texts.addText(text, toTwips(element.left), toTwips(element.top), colour, characters,
                          std::move(lines), shape, element.characterId, glyphShape);
    }
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
        job.texts.buildText(job.movie, i, job.frameBounds, &fonts);
        std::snprintf(text, sizeof text, "Build Text%4d/%d", i + 1, m);
        job.progress.reportProgress(text, step, 0);
    }
}

}  // namespace quillet::engine
