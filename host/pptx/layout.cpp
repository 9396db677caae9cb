#include "host/pptx/layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <unordered_map>

#include "fonts/matching.h"
#include "host/pptx/presets.h"
#include "text/utf8.h"

namespace quillet::pptx {

namespace {

constexpr double kTabStop = 72.0;           // default tab stops, points
constexpr double kMinLineSpacing = 0.1;     // of the natural height
constexpr double kScriptScale = 2.0 / 3.0;  // super/subscript size
constexpr double kSmallCapsScale = 0.8;
constexpr double kMinSize = 0.5;  // points; smaller sizes are drawn at this size
constexpr double kMaxSize = 4000.0;
constexpr double kEpsilon = 1e-6;
// A shape fitted to its text is this much taller than its lines and insets: the slack the
// authoring program leaves, seen in the heights decks store for such shapes.
constexpr double kFitSlack = 1034.0 / 1024.0;
// A line's cell at 100 % spacing, per point of its largest size, whatever its faces: single
// spacing is 1.2 times the size with the baseline one size below the line's top, so lines keep
// their pitch when a substitute face has other metrics.
constexpr double kLineAscent = 1.0;
constexpr double kLineDescent = 0.2;

char32_t upper(char32_t c) {
    return fonts::capitalOf(c);
}

bool isSpace(char32_t c) {
    return c == U' ' || c == 0x3000 || c == 0x2002 || c == 0x2003;
}

// East Asian punctuation that may not begin a line, and that may not end one.
bool noLineStart(char32_t c) {
    static const std::u32string kChars =
        U"、。，．：；？！）」』】〕〉》〙〗｝］〟’”ゝゞーァィゥェォッャュョヮヵヶぁぃぅぇぉっゃゅ"
        U"ょゎ"
        U"ゕゖ・…‐–〜～%),.:;?!]}";
    return kChars.find(c) != std::u32string::npos;
}
bool noLineEnd(char32_t c) {
    static const std::u32string kChars = U"（「『【〔〈《〘〖｛［〝‘“([{";
    return kChars.find(c) != std::u32string::npos;
}

bool isLetter(char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= 0xC0 && c <= 0x24F) ||
           (c >= 0x370 && c <= 0x52F);
}

// Characters of vertical text that stand upright instead of turning with their line.
bool standsUpright(int orientation, char32_t c) {
    if (c <= 0x20 || isSpace(c)) return false;
    if (orientation == host::orientation::kVertical) return true;
    return orientation == host::orientation::kVerticalFarEast && fonts::standsUprightInColumn(c);
}

// May a line end between a and b?
bool canBreakBetween(char32_t a, char32_t b) {
    if (isSpace(b)) return false;  // spaces stay with the text before them
    if (isSpace(a)) return true;
    if (a == U'-' && isLetter(b)) return true;
    if (fonts::isEastAsian(a) || fonts::isEastAsian(b)) {
        return !noLineStart(b) && !noLineEnd(a);
    }
    return false;
}

// Font measures through the font library, cached per font and character at an em of one point.
class Measurer {
  public:
    explicit Measurer(fonts::FontLibrary* library) : library_(library) {}

    double advance(const fonts::LogicalFont& font, char32_t code, double size) {
        Entry& e = entry(font);
        auto it = e.advances.find(code);
        if (it == e.advances.end()) {
            double a = estimateAdvance(code);
            if (library_) a = library_->advance(font, code, kUnit) / kUnit;
            if (!std::isfinite(a) || a < 0) a = 0;
            it = e.advances.emplace(code, a).first;
        }
        return it->second * size;
    }

    // The pair adjustment between two characters of the font (negative brings them closer).
    double kerning(const fonts::LogicalFont& font, char32_t left, char32_t right, double size) {
        if (library_ == nullptr) return 0;
        Entry& e = entry(font);
        std::uint64_t key = (static_cast<std::uint64_t>(left) << 32) | right;
        auto it = e.pairs.find(key);
        if (it == e.pairs.end()) {
            double k = library_->kerning(font, left, right, kUnit) / kUnit;
            if (!std::isfinite(k)) k = 0;
            if (e.pairs.size() >= kMaxPairs) e.pairs.clear();  // bounded, whatever the text
            it = e.pairs.emplace(key, k).first;
        }
        return it->second * size;
    }

  private:
    static constexpr double kUnit = 1000.0;
    static constexpr std::size_t kMaxPairs = 1 << 18;
    struct Entry {
        std::unordered_map<char32_t, double> advances;
        std::unordered_map<std::uint64_t, double> pairs;
    };
    static double estimateAdvance(char32_t code) {
        if (code < 0x20) return 0;
        if (code == U' ') return 0.25;
        return fonts::isEastAsian(code) ? 1.0 : 0.5;
    }
    Entry& entry(const fonts::LogicalFont& font) {
        std::string key = font.faceName;
        key += '\0';
        key += font.eastAsianFaceName;
        key += '\0';
        key += std::to_string(font.weight) + "," + std::to_string(font.italic) + "," +
               std::to_string(font.charSet);
        auto it = entries_.find(key);
        if (it != entries_.end()) return it->second;
        return entries_.emplace(std::move(key), Entry{}).first->second;
    }

    fonts::FontLibrary* library_;
    std::unordered_map<std::string, Entry> entries_;
};

double clampSize(double size) {
    if (!std::isfinite(size)) return 18.0;
    return std::clamp(size, kMinSize, kMaxSize);
}

double finiteOr(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

// One character of a paragraph before it is placed.
struct Item {
    char32_t code = 0;
    char32_t glyph = 0;
    int run = -1;
    int style = 0;
    double advance = 0;  // natural width; tabs are measured where they stand
    double kern = 0;     // pair adjustment toward the next item, when it stays on the line
    bool kerns = false;  // its run's kerning threshold allows kerning at its size
    double shift = 0;    // baseline offset, y down
    bool lineBreak = false;
    bool tab = false;
    bool space = false;
    bool upright = false;
};

// A line of a paragraph: items [first, end).
struct LineSpan {
    int first = 0;
    int end = 0;
    bool forced = false;  // ends at a line break
};

class Builder {
  public:
    Builder(const Shape& shape, const TextBody& body, fonts::FontLibrary* fonts,
            const LayoutOptions& options)
        : shape_(shape), body_(body), measure_(fonts), options_(options) {}

    TextLayout run();

  private:
    int styleFor(const RunProps& props, double sizeScale, double extraScale = 1.0);
    int bulletStyle(const Paragraph& p);
    void layoutParagraph(std::size_t index, double& y);
    void mirrorLines(double total);
    // From x to where the text after a tab starts: at the paragraph's next tab stop (its own
    // stops first, then the default ones, which are left-aligned). `follows` is the width of the
    // text from the tab to the next tab or the paragraph's end, `toPoint` its width before the
    // first decimal point: a centred stop takes the middle of that text, a right one its end and
    // a decimal one its point; text too wide to end on the stop starts at the tab.
    double tabAdvance(double x, const Paragraph& p, double follows = 0, double toPoint = 0) const {
        double local = x - insetLeft_;
        for (const TabStop& stop : p.tabStops) {
            if (!std::isfinite(stop.position) || stop.position <= local + kEpsilon) continue;
            double lead = 0;
            switch (stop.alignment) {
                case TabAlignment::left:
                    break;
                case TabAlignment::centre:
                    lead = follows / 2;
                    break;
                case TabAlignment::right:
                    lead = follows;
                    break;
                case TabAlignment::decimal:
                    lead = toPoint;
                    break;
            }
            return std::max(0.0, stop.position - local - lead);
        }
        double every = std::isfinite(p.defaultTab) && p.defaultTab >= 1 ? p.defaultTab : kTabStop;
        double next = (std::floor(local / every + kEpsilon) + 1) * every;
        return std::max(0.0, next - local);
    }

    const Shape& shape_;
    const TextBody& body_;
    Measurer measure_;
    LayoutOptions options_;
    TextLayout out_;
    std::unordered_map<std::string, int> styleIndex_;
    double fontScale_ = 1;
    double reduction_ = 0;
    double insetLeft_ = 0;
    double rightEdge_ = 0;
    // Numbering per level: the list in progress (style, start value) and its count.
    struct Numbering {
        bool active = false;
        int style = 0;
        int startAt = 1;
        int count = 0;
    };
    Numbering numbering_[9];
};

int Builder::styleFor(const RunProps& props, double sizeScale, double extraScale) {
    CharStyle s;
    double size = clampSize(props.size * fontScale_ * sizeScale * extraScale);
    s.size = size;
    s.bold = props.bold;
    s.italic = props.italic;
    s.underlineStyle = props.underline;
    s.underline = props.underline != "none" && !props.underline.empty();
    s.strike = props.strike != "noStrike" && !props.strike.empty();
    s.strikeDoubled = props.strike == "dblStrike";
    s.shadow = props.shadow;
    if (props.fill.kind == FillKind::Gradient && !props.fill.stops.empty()) {
        s.color = props.fill.stops.front().color;
    } else {
        s.color = props.fill.color;
    }
    if (props.fill.kind == FillKind::None) s.color.alpha = 0;
    s.underlineColor = props.underlineColor.value_or(s.color);
    s.underlineWeight = underlineWeight(props.underline);
    s.underlineDoubled = underlineDoubled(props.underline);
    s.underlineDash = underlineDash(props.underline);
    s.underlineWavy = underlineWavy(props.underline);
    s.underlineWordsOnly = underlineWordsOnly(props.underline);
    s.highlight = props.highlight;
    if (props.shadowEffect.present && props.shadowEffect.color.alpha > 0) {
        const ShadowData& sh = props.shadowEffect;
        double angle = finiteOr(sh.direction, 0) * std::numbers::pi / 180;
        double distance = finiteOr(sh.distance, 0) * fontScale_;
        s.shadowDrawn = distance > 0;
        s.shadowColor = sh.color;
        s.shadowDx = distance * std::cos(angle);
        s.shadowDy = distance * std::sin(angle);
    }
    if (props.outlineWidth > 0 && std::isfinite(props.outlineWidth)) {
        s.outlineColor = props.outlineColor;
        s.outlineWidth = props.outlineWidth * fontScale_;
    }
    s.font = fonts::logicalFontFor(size, props.bold, props.italic, s.underline,
                                   options_.charsetIsAnsi, props.latin, props.eastAsian);
    s.ascent = kLineAscent * size;
    s.descent = kLineDescent * size;

    std::string key = s.font.faceName + '\0' + s.font.eastAsianFaceName + '\0' + s.underlineStyle +
                      (s.strikeDoubled ? "|dbl" : "");
    char numbers[512];
    std::snprintf(
        numbers, sizeof numbers,
        "|%.6f|%d|%d|%d|%d|%d|%.4f|%d|%d|%.4f|%.4f|%d|%d|%.4f|%.3f|%.3f|%d|%.4f|%d|%d|%.4f", s.size,
        s.bold, s.italic, s.strike, s.shadow, s.color.rgb, s.color.alpha, s.font.charSet,
        s.outlineColor.rgb, s.outlineColor.alpha, s.outlineWidth, s.shadowDrawn, s.shadowColor.rgb,
        s.shadowColor.alpha, s.shadowDx, s.shadowDy, s.underlineColor.rgb, s.underlineColor.alpha,
        s.highlight.has_value(), s.highlight ? s.highlight->rgb : 0,
        s.highlight ? s.highlight->alpha : 0.0);
    key += numbers;
    auto it = styleIndex_.find(key);
    if (it != styleIndex_.end()) return it->second;
    int index = static_cast<int>(out_.styles.size());
    out_.styles.push_back(std::move(s));
    styleIndex_.emplace(std::move(key), index);
    return index;
}

const RunProps& firstTextProps(const Paragraph& p) {
    return p.runs.empty() ? p.endProps : p.runs.front().props;
}

// The bullet's style: its own face and colour, or the first run's; its size relative to the
// first run's or in points.
int Builder::bulletStyle(const Paragraph& p) {
    return styleFor(bulletProps(p), 1.0);
}

void Builder::layoutParagraph(std::size_t index, double& y) {
    const Paragraph& p = body_.paragraphs[index];
    const bool last = index + 1 == body_.paragraphs.size();
    LaidParagraph lp;
    lp.firstChar = static_cast<int>(out_.chars.size());

    // Items of the paragraph.
    std::vector<Item> items;
    for (std::size_t r = 0; r < p.runs.size(); ++r) {
        const Run& run = p.runs[r];
        bool script = std::fabs(run.props.baseline) > 1e-4f;
        double scale = script ? kScriptScale : 1.0;
        int style = styleFor(run.props, scale);
        double fullSize = clampSize(run.props.size * fontScale_);
        double shift = script ? -static_cast<double>(run.props.baseline) * fullSize : 0.0;
        double spacing = finiteOr(run.props.spacing, 0) * fontScale_;
        bool allCaps = run.props.caps == "all";
        bool smallCaps = run.props.caps == "small";
        int smallStyle = -1;
        // Kerning from the run's threshold up; not at all without one.
        const bool kerned = run.props.kern > 0 && run.props.size * 100.0 >= run.props.kern;
        for (char32_t c : decodeText(run.text)) {
            Item it;
            it.code = c;
            it.run = static_cast<int>(r);
            it.style = style;
            it.shift = shift;
            if (c == 0x0B || run.kind == RunKind::LineBreak) {
                it.lineBreak = true;
            } else if (c == U'\t') {
                it.tab = true;
            } else if (c >= 0x20) {
                it.kerns = kerned;
                it.glyph = c;
                if (allCaps || smallCaps) it.glyph = upper(c);
                if (smallCaps && it.glyph != c) {
                    if (smallStyle < 0) smallStyle = styleFor(run.props, scale, kSmallCapsScale);
                    it.style = smallStyle;
                }
                it.upright = standsUpright(body_.orientation, it.glyph);
                if (it.upright) it.glyph = fonts::verticalFormOf(it.glyph);
                const CharStyle& s = out_.styles[static_cast<std::size_t>(it.style)];
                it.advance = measure_.advance(s.font, it.glyph, s.size) + spacing;
                it.space = isSpace(c);
                if (it.upright && body_.orientation == host::orientation::kVertical)
                    it.advance = s.ascent + s.descent + spacing;
            }
            items.push_back(it);
        }
    }
    const int markStyle = styleFor(p.endProps, 1.0);
    // Pair kerning between neighbours of one style that both allow it.
    for (std::size_t j = 0; j + 1 < items.size(); ++j) {
        Item& it = items[j];
        const Item& next = items[j + 1];
        if (!it.kerns || !next.kerns || it.style != next.style) continue;
        const CharStyle& s = out_.styles[static_cast<std::size_t>(it.style)];
        it.kern = measure_.kerning(s.font, it.glyph, next.glyph, s.size);
    }

    // Bullet or number: only on a paragraph with text.
    LaidBullet bullet;
    const BulletData& b = p.bullet;
    const int level = std::clamp(p.level, 0, 8);
    if (!p.runs.empty()) {
        for (int l = level + 1; l < 9; ++l) numbering_[l].active = false;
        if (b.type == host::bullet_type::kNumbered) {
            Numbering& n = numbering_[level];
            if (n.active && n.style == b.style && n.startAt == b.startAt) {
                ++n.count;
            } else {
                n = {true, b.style, b.startAt, 0};
            }
            bullet.label = numberLabel(b.style, b.startAt + n.count);
        } else {
            numbering_[level].active = false;
            if (b.type == host::bullet_type::kUnnumbered && b.character != 0) {
                bullet.label = std::u32string(1, b.character);
            }
        }
        bullet.present = !bullet.label.empty() || (b.type == host::bullet_type::kPicture);
    }
    double bulletAscent = 0, bulletDescent = 0;
    if (bullet.present) {
        bullet.type = b.type;
        bullet.style = bulletStyle(p);
        const CharStyle& s = out_.styles[static_cast<std::size_t>(bullet.style)];
        if (b.type == host::bullet_type::kPicture) {
            bullet.picture = b.picture;
            bullet.width = s.size;
        } else {
            for (char32_t c : bullet.label) {
                double a = measure_.advance(s.font, c, s.size);
                bullet.glyphs.push_back({c, bullet.width, a});
                bullet.width += a;
            }
        }
        bulletAscent = s.ascent;
        bulletDescent = s.descent;
    }

    // Where lines start.
    const double marL = std::max(0.0, finiteOr(p.marginLeft, 0));
    const double restStart = insetLeft_ + marL;
    double firstStart = insetLeft_ + std::max(0.0, marL + finiteOr(p.indent, 0));
    double bulletX = firstStart;
    if (bullet.present) {
        double end = bulletX + bullet.width;
        // Without a hanging indent there is no room to keep: the text follows the label after
        // one space of the label's face.
        const bool hanging = finiteOr(p.indent, 0) < 0;
        const CharStyle& labelStyle = out_.styles[static_cast<std::size_t>(bullet.style)];
        if (end <= restStart + kEpsilon) {
            firstStart = restStart;
        } else if (hanging) {
            firstStart = end + tabAdvance(end, p);
        } else {
            firstStart = end + measure_.advance(labelStyle.font, U' ', labelStyle.size);
        }
    }

    // For each tab, the width of the text it leads (to the next tab, break or the end) and of
    // that text before its first decimal point, for tab stops that align it otherwise than left.
    std::vector<double> follows(items.size(), 0.0), toPoint(items.size(), 0.0);
    if (std::any_of(p.tabStops.begin(), p.tabStops.end(),
                    [](const TabStop& t) { return t.alignment != TabAlignment::left; })) {
        double width = 0, beforePoint = -1;
        for (std::size_t j = items.size(); j-- > 0;) {
            const Item& it = items[j];
            if (it.tab) {
                follows[j] = width;
                toPoint[j] = beforePoint < 0 ? width : beforePoint;
            }
            if (it.tab || it.lineBreak) {
                width = 0;
                beforePoint = -1;
                continue;
            }
            width += it.advance + it.kern;
            if (it.code == U'.') beforePoint = 0;
            if (beforePoint >= 0 && it.code != U'.') beforePoint += it.advance + it.kern;
        }
    }

    // Break into lines and place each line's characters horizontally (relative positions).
    std::vector<LineSpan> spans;
    std::vector<double> pos(items.size(), 0.0);
    std::vector<double> width(items.size(), 0.0);
    const int n = static_cast<int>(items.size());
    {
        int i = 0;
        bool first = true;
        while (i < n || first) {
            double start = first ? firstStart : restStart;
            double x = start;
            int j = i;
            int lastBreak = -1;
            bool forced = false;
            while (j < n) {
                const Item& it = items[static_cast<std::size_t>(j)];
                if (it.lineBreak) {
                    pos[static_cast<std::size_t>(j)] = x;
                    width[static_cast<std::size_t>(j)] = 0;
                    ++j;
                    forced = true;
                    break;
                }
                double adv = it.tab ? tabAdvance(x, p, follows[static_cast<std::size_t>(j)],
                                                 toPoint[static_cast<std::size_t>(j)])
                                    : it.advance;
                if (body_.wrap && !it.space && j > i && x + adv > rightEdge_ + kEpsilon) {
                    if (lastBreak > i) j = lastBreak;
                    break;
                }
                adv += it.kern;
                pos[static_cast<std::size_t>(j)] = x;
                width[static_cast<std::size_t>(j)] = adv;
                x += adv;
                if (j + 1 < n && !items[static_cast<std::size_t>(j + 1)].lineBreak &&
                    (it.tab ||
                     canBreakBetween(it.code, items[static_cast<std::size_t>(j + 1)].code))) {
                    lastBreak = j + 1;
                }
                ++j;
            }
            // The last character's pair with one on the next line does not count.
            if (j > i && j < n)
                width[static_cast<std::size_t>(j - 1)] -=
                    items[static_cast<std::size_t>(j - 1)].kern;
            spans.push_back({i, j, forced});
            // A break at the end of the paragraph opens one more (empty) line.
            if (forced && j >= n) spans.push_back({j, j, false});
            i = j;
            first = false;
        }
    }

    // Vertical metrics of each line and its placement.
    const double reduction = reduction_;
    auto pitchOf = [&](double natural) {
        if (p.lineSpacing.inLines) {
            double factor = std::max(finiteOr(p.lineSpacing.value, 1) - reduction, kMinLineSpacing);
            return natural * factor;
        }
        return std::max(0.0, finiteOr(p.lineSpacing.value, 0));
    };
    lp.firstLine = static_cast<int>(out_.lines.size());
    std::vector<LaidLine> lines;
    std::vector<double> extra(items.size(), 0.0);  // justification added after an item
    std::vector<double> lineSizes;                 // the largest font size of each line
    for (std::size_t k = 0; k < spans.size(); ++k) {
        const LineSpan& span = spans[k];
        LaidLine line;
        line.paragraph = static_cast<int>(index);
        double ascent = 0, descent = 0, size = 0;
        bool any = false;
        for (int j = span.first; j < span.end; ++j) {
            const Item& it = items[static_cast<std::size_t>(j)];
            if (it.lineBreak) continue;
            const CharStyle& s = out_.styles[static_cast<std::size_t>(it.style)];
            ascent = std::max(ascent, s.ascent - std::min(0.0, it.shift));
            descent = std::max(descent, s.descent + std::max(0.0, it.shift));
            size = std::max(size, s.size);
            any = true;
        }
        if (!any) {
            int style = markStyle;
            if (span.first < span.end) style = items[static_cast<std::size_t>(span.first)].style;
            const CharStyle& s = out_.styles[static_cast<std::size_t>(style)];
            ascent = s.ascent;
            descent = s.descent;
            size = s.size;
        }
        if (k == 0 && bullet.present) {
            ascent = std::max(ascent, bulletAscent);
            descent = std::max(descent, bulletDescent);
        }
        line.ascent = ascent;
        line.descent = descent;
        line.height = pitchOf(ascent + descent);
        lines.push_back(line);
        lineSizes.push_back(size);
    }

    // Space before and after; a percentage is of the font size of the line next to the space.
    auto spacing = [&](const Spacing& s, double size) {
        double v = finiteOr(s.value, 0);
        if (s.inLines) return std::max(0.0, v * size);
        return std::max(0.0, v);
    };
    lp.spaceBefore = spacing(p.spaceBefore, lineSizes.front());
    lp.spaceAfter = spacing(p.spaceAfter, lineSizes.back());
    if (index > 0) y += lp.spaceBefore;

    for (std::size_t k = 0; k < spans.size(); ++k) {
        const LineSpan& span = spans[k];
        LaidLine& line = lines[k];
        line.top = y;
        line.baseline = y + line.height - line.descent;
        y += line.height;

        // Content: from the line start (the bullet's on a first line with one) to the end of the
        // last character that is not a trailing space.
        const bool withBullet = k == 0 && bullet.present;
        double start = k == 0 ? firstStart : restStart;
        double unitStart = withBullet ? bulletX : start;
        int lastInk = span.first - 1;
        for (int j = span.first; j < span.end; ++j) {
            const Item& it = items[static_cast<std::size_t>(j)];
            if (!it.space && !it.lineBreak) lastInk = j;
        }
        double contentEnd = lastInk >= span.first ? pos[static_cast<std::size_t>(lastInk)] +
                                                        width[static_cast<std::size_t>(lastInk)]
                                                  : start;
        double contentWidth = contentEnd - unitStart;
        double room = rightEdge_ - unitStart;
        double offset = 0;
        std::fill(extra.begin() + span.first, extra.begin() + span.end, 0.0);
        const bool lastLine = k + 1 == spans.size();
        switch (p.alignment) {
            case host::alignment::kCenter:
                offset = (room - contentWidth) / 2;
                break;
            case host::alignment::kRight:
                offset = room - contentWidth;
                break;
            case host::alignment::kJustify:
            case host::alignment::kJustifyLow:
            case host::alignment::kThaiDistribute:
            case host::alignment::kDistribute: {
                bool distribute = p.alignment == host::alignment::kDistribute ||
                                  p.alignment == host::alignment::kThaiDistribute;
                if (!body_.wrap || room - contentWidth <= 0) break;
                if (!distribute && (lastLine || span.forced)) break;
                std::vector<int> gaps;
                for (int j = span.first; j < lastInk; ++j) {
                    if (distribute || items[static_cast<std::size_t>(j)].space) gaps.push_back(j);
                }
                if (gaps.empty()) {
                    if (distribute) offset = (room - contentWidth) / 2;
                    break;
                }
                double each = (room - contentWidth) / static_cast<double>(gaps.size());
                for (int j : gaps) extra[static_cast<std::size_t>(j)] = each;
                break;
            }
            default:
                break;
        }

        double boxLeft = out_.boxLeft;
        double shifted = 0;
        for (int j = span.first; j < span.end; ++j) {
            const Item& it = items[static_cast<std::size_t>(j)];
            LaidChar c;
            c.code = it.code;
            c.glyph = it.glyph;
            c.paragraph = static_cast<int>(index);
            c.run = it.run;
            c.line = static_cast<int>(out_.lines.size() + k);
            c.style = it.style;
            c.x = boxLeft + pos[static_cast<std::size_t>(j)] + offset + shifted;
            c.advance = width[static_cast<std::size_t>(j)] + extra[static_cast<std::size_t>(j)];
            c.baseline = line.baseline + it.shift;
            c.upright = it.upright;
            shifted += extra[static_cast<std::size_t>(j)];
            out_.chars.push_back(c);
        }
        line.left = boxLeft + unitStart + offset;
        line.width = contentWidth + shifted;
        if (lastInk < span.first) line.width = withBullet ? bullet.width : 0;
        if (withBullet) {
            bullet.x = boxLeft + bulletX + offset;
            bullet.baseline = line.baseline;
            for (LaidGlyph& g : bullet.glyphs) g.x += bullet.x;
        }
        line.firstChar = static_cast<int>(out_.chars.size()) - (span.end - span.first);
        line.charCount = span.end - span.first;
    }

    // The paragraph mark ends the last line.
    if (!last) {
        const LaidLine& line = lines.back();
        LaidChar mark;
        mark.code = U'\r';
        mark.paragraph = static_cast<int>(index);
        mark.line = static_cast<int>(out_.lines.size() + lines.size() - 1);
        mark.style = markStyle;
        mark.baseline = line.baseline;
        const LineSpan& span = spans.back();
        if (span.end > span.first) {
            const LaidChar& prev = out_.chars.back();
            mark.x = prev.x + prev.advance;
        } else {
            mark.x = out_.boxLeft + (spans.size() == 1 ? firstStart : restStart);
            if (p.alignment == host::alignment::kCenter) {
                mark.x += (rightEdge_ - (spans.size() == 1 ? firstStart : restStart)) / 2;
            } else if (p.alignment == host::alignment::kRight) {
                mark.x = out_.boxLeft + rightEdge_;
            }
        }
        out_.chars.push_back(mark);
        lines.back().charCount += 1;
    }

    for (LaidLine& line : lines) out_.lines.push_back(line);
    lp.lineCount = static_cast<int>(lines.size());
    lp.charCount = static_cast<int>(out_.chars.size()) - lp.firstChar;
    lp.bullet = std::move(bullet);
    y += lp.spaceAfter;
    out_.paragraphs.push_back(std::move(lp));
}

// Lines in reverse order over the height of the text (before anchoring, from 0 to total): turned
// a quarter clockwise, the first column stands at the left.
void Builder::mirrorLines(double total) {
    std::vector<double> shift(out_.lines.size());
    for (std::size_t i = 0; i < out_.lines.size(); ++i) {
        LaidLine& l = out_.lines[i];
        shift[i] = total - l.top - l.height - l.top;
        l.top += shift[i];
        l.baseline += shift[i];
    }
    for (LaidChar& c : out_.chars) c.baseline += shift[static_cast<std::size_t>(c.line)];
    for (LaidParagraph& p : out_.paragraphs) {
        if (p.lineCount > 0) p.bullet.baseline += shift[static_cast<std::size_t>(p.firstLine)];
    }
}

// Bounds over a span of characters: lines touched, leftmost to rightmost character drawn.
RangeBounds spanBounds(const TextLayout& layout, int start, int end) {
    RangeBounds b;
    const LaidChar& first = layout.chars[static_cast<std::size_t>(start)];
    const LaidChar& lastChar = layout.chars[static_cast<std::size_t>(end - 1)];
    const LaidLine& top = layout.lines[static_cast<std::size_t>(first.line)];
    const LaidLine& bottom = layout.lines[static_cast<std::size_t>(lastChar.line)];
    b.top = top.top;
    b.height = bottom.top + bottom.height - top.top;
    double left = 0, right = 0;
    bool any = false;
    for (int i = start; i < end; ++i) {
        const LaidChar& c = layout.chars[static_cast<std::size_t>(i)];
        if (c.code == U'\r' || c.code == 0x0B) continue;
        const LaidLine& line = layout.lines[static_cast<std::size_t>(c.line)];
        double inkEnd = std::max(line.left + line.width, c.x);
        double r = std::min(c.x + c.advance, inkEnd);
        if (!any) {
            left = c.x;
            right = r;
            any = true;
        }
        left = std::min(left, c.x);
        right = std::max(right, r);
    }
    if (!any) {
        for (int i = start; i < end; ++i) {
            const LaidChar& c = layout.chars[static_cast<std::size_t>(i)];
            if (!any) left = right = c.x;
            any = true;
            left = std::min(left, c.x);
            right = std::max(right, c.x);
        }
    }
    b.left = left;
    b.width = std::max(0.0, right - left);
    return b;
}

TextLayout Builder::run() {
    // Text stands in the text rectangle of the shape's geometry.
    TextRect rect;
    if (shape_.ownTextBox) {
        rect.left = finiteOr(shape_.textLeft - shape_.left, 0);
        rect.top = finiteOr(shape_.textTop - shape_.top, 0);
        rect.right = rect.left + std::max(0.0, finiteOr(shape_.textWidth, 0));
        rect.bottom = rect.top + std::max(0.0, finiteOr(shape_.textHeight, 0));
    } else {
        rect = presetTextRect(shape_.preset, shape_.geometryAdjust,
                              std::max(0.0, finiteOr(shape_.width, 0)),
                              std::max(0.0, finiteOr(shape_.height, 0)));
    }
    out_.boxLeft = finiteOr(shape_.left, 0) + rect.left;
    out_.boxTop = finiteOr(shape_.top, 0) + rect.top;
    out_.boxWidth = std::max(0.0, rect.right - rect.left);
    out_.boxHeight = std::max(0.0, rect.bottom - rect.top);
    out_.turn = host::orientation::turnOf(body_.orientation);
    out_.rotation = finiteOr(shape_.rotation, 0) + finiteOr(body_.rotation, 0) + out_.turn +
                    (shape_.ownTextBox ? finiteOr(shape_.textRotation, 0) : 0);
    out_.flipH = shape_.flipH;
    out_.flipV = shape_.flipV;
    out_.orientation = body_.orientation;
    fontScale_ = autofitFontScale(body_);
    reduction_ = std::clamp(finiteOr(body_.lineSpacingReduction, 0), 0.0, 1.0);
    // Insets by the side of the laid-out box: left, top, right, bottom.
    std::array<double, 4> insets = {std::max(0.0, finiteOr(body_.insetLeft, 0)),
                                    std::max(0.0, finiteOr(body_.insetTop, 0)),
                                    std::max(0.0, finiteOr(body_.insetRight, 0)),
                                    std::max(0.0, finiteOr(body_.insetBottom, 0))};
    if (out_.turn != 0) {
        // The box turned back by the turn about the shape's centre, lands on the text box; its
        // sides take the insets of the sides they land on (a quarter turn takes the left side
        // to the top).
        const double cx = finiteOr(shape_.left, 0) + std::max(0.0, finiteOr(shape_.width, 0)) / 2;
        const double cy = finiteOr(shape_.top, 0) + std::max(0.0, finiteOr(shape_.height, 0)) / 2;
        const double rx = out_.boxLeft + out_.boxWidth / 2 - cx;
        const double ry = out_.boxTop + out_.boxHeight / 2 - cy;
        const bool quarter = out_.turn == 90;
        const double lx = cx + (quarter ? ry : -ry), ly = cy + (quarter ? -rx : rx);
        std::swap(out_.boxWidth, out_.boxHeight);
        out_.boxLeft = lx - out_.boxWidth / 2;
        out_.boxTop = ly - out_.boxHeight / 2;
        insets = quarter ? std::array<double, 4>{insets[1], insets[2], insets[3], insets[0]}
                         : std::array<double, 4>{insets[3], insets[0], insets[1], insets[2]};
    }
    insetLeft_ = insets[0];
    double insetTop = insets[1];
    double insetRight = insets[2];
    double insetBottom = insets[3];
    rightEdge_ = std::max(insetLeft_, out_.boxWidth - insetRight);

    double y = 0;
    for (std::size_t i = 0; i < body_.paragraphs.size(); ++i) layoutParagraph(i, y);
    double total = y;
    if (!out_.paragraphs.empty()) total -= out_.paragraphs.back().spaceAfter;
    out_.textHeight = total;

    if (body_.columnsLeftToRight && out_.turn != 0) mirrorLines(total);
    if (body_.autoSize == host::auto_size::kShapeToFitText && out_.turn == 0) {
        double fitted = (total + insetTop + insetBottom) * kFitSlack;
        double change = out_.boxHeight - fitted;
        if (body_.anchor == host::anchor::kMiddle) out_.boxTop += change / 2;
        if (body_.anchor == host::anchor::kBottom || body_.anchor == host::anchor::kBottomBaseline)
            out_.boxTop += change;
        out_.boxHeight = fitted;
        out_.grown = true;
    }
    double room = out_.boxHeight - insetTop - insetBottom;
    double offset = insetTop;
    if (body_.anchor == host::anchor::kMiddle) offset += (room - total) / 2;
    if (body_.anchor == host::anchor::kBottom || body_.anchor == host::anchor::kBottomBaseline)
        offset += room - total;
    double dy = out_.boxTop + offset;
    // Centred anchoring: the block of lines, as wide as its widest line, sits in the middle.
    double dx = 0;
    if (body_.anchorCenter && !out_.lines.empty()) {
        double left = out_.lines.front().left, right = left;
        for (const LaidLine& l : out_.lines) {
            left = std::min(left, l.left);
            right = std::max(right, l.left + l.width);
        }
        dx = out_.boxLeft + (insetLeft_ + rightEdge_) / 2 - (left + right) / 2;
    }
    out_.textTop = dy;
    // Upright text sets each line on a whole point, the edge above its baseline: a point is a
    // pixel of the movie, so the letters' feet fall on a pixel edge in the player and in our
    // pictures alike.
    const bool onWholePoints = out_.rotation == 0 && out_.turn == 0;
    std::vector<double> lineShift(out_.lines.size(), dy);
    for (std::size_t i = 0; i < out_.lines.size(); ++i) {
        LaidLine& l = out_.lines[i];
        l.top += dy;
        l.left += dx;
        const double baseline = l.baseline + dy;
        l.baseline = onWholePoints ? std::floor(baseline + kEpsilon) : baseline;
        lineShift[i] += l.baseline - baseline;
    }
    auto shiftOf = [&](int line) {
        return line >= 0 && static_cast<std::size_t>(line) < lineShift.size()
                   ? lineShift[static_cast<std::size_t>(line)]
                   : dy;
    };
    for (LaidChar& c : out_.chars) {
        c.baseline += shiftOf(c.line);
        c.x += dx;
    }
    for (LaidParagraph& p : out_.paragraphs) {
        p.bullet.baseline += p.lineCount > 0 ? shiftOf(p.firstLine) : dy;
        p.bullet.x += dx;
        for (LaidGlyph& g : p.bullet.glyphs) g.x += dx;
        if (p.charCount > 0) {
            RangeBounds b = spanBounds(out_, p.firstChar, p.firstChar + p.charCount);
            p.left = b.left;
            p.top = b.top;
            p.width = b.width;
            p.height = b.height;
        } else {
            // The last paragraph when empty: its line.
            const LaidLine& line = out_.lines[static_cast<std::size_t>(p.firstLine)];
            p.left = line.left;
            p.top = line.top;
            p.width = 0;
            p.height = line.height;
        }
    }
    return std::move(out_);
}

// Letters a..z: the 27th item is "aa", as lists number on.
std::u32string alpha(int n, bool upperCase) {
    std::u32string s;
    int index = (n - 1) % 26;
    int repeat = (n - 1) / 26 + 1;
    s.assign(static_cast<std::size_t>(std::min(repeat, 50)),
             static_cast<char32_t>((upperCase ? U'A' : U'a') + index));
    return s;
}

std::u32string roman(int n, bool upperCase) {
    static const struct {
        int value;
        const char* text;
    } kTable[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"},
                  {90, "xc"},  {50, "l"},   {40, "xl"}, {10, "x"},   {9, "ix"},
                  {5, "v"},    {4, "iv"},   {1, "i"}};
    std::u32string s;
    for (const auto& t : kTable) {
        while (n >= t.value) {
            for (const char* c = t.text; *c; ++c) {
                s.push_back(upperCase ? upper(static_cast<char32_t>(*c))
                                      : static_cast<char32_t>(*c));
            }
            n -= t.value;
        }
    }
    return s;
}

std::u32string decimal(int n) {
    std::u32string s;
    for (char c : std::to_string(n)) s.push_back(static_cast<char32_t>(c));
    return s;
}

// Chinese numerals from the ten characters one to ten (and zero for hundreds' gaps).
std::u32string chinese(int n) {
    static const char32_t kDigits[] = {0x3007, 0x4E00, 0x4E8C, 0x4E09, 0x56DB,
                                       0x4E94, 0x516D, 0x4E03, 0x516B, 0x4E5D};
    constexpr char32_t kTen = 0x5341, kHundred = 0x767E;
    if (n <= 0 || n > 999) return decimal(n);
    std::u32string s;
    int hundreds = n / 100, tens = n / 10 % 10, units = n % 10;
    if (hundreds) {
        s.push_back(kDigits[hundreds]);
        s.push_back(kHundred);
        if (tens == 0 && units) s.push_back(kDigits[0]);
    }
    if (tens) {
        if (tens > 1 || hundreds) s.push_back(kDigits[tens]);
        s.push_back(kTen);
    }
    if (units) s.push_back(kDigits[units]);
    return s;
}

std::u32string fullWidth(const std::u32string& s) {
    std::u32string out;
    for (char32_t c : s) out.push_back(c >= U'0' && c <= U'9' ? c - U'0' + 0xFF10 : c);
    return out;
}

}  // namespace

std::u32string decodeText(const std::string& s) {
    return utf8::decode(s);
}

// Prefix + label + suffix, built by appending (the operator with a literal on the left trips a
// false overlap warning of the optimiser).
static std::u32string framed(const char32_t* before, const std::u32string& label,
                             const char32_t* after) {
    std::u32string out(before);
    out += label;
    out += after;
    return out;
}

std::u32string numberLabel(int style, int number) {
    using namespace host::numbering_style;
    number = std::clamp(number, 1, 32767);
    const std::u32string d = decimal(number);
    switch (style) {
        case 0:
            return alpha(number, false) + U".";
        case 1:
            return alpha(number, true) + U".";
        case 2:
            return d + U")";
        case 3:
            return d + U".";
        case 4:
            return framed(U"(", roman(number, false), U")");
        case 5:
            return roman(number, false) + U")";
        case 6:
            return roman(number, false) + U".";
        case 7:
            return roman(number, true) + U".";
        case 8:
            return framed(U"(", alpha(number, false), U")");
        case 9:
            return alpha(number, false) + U")";
        case 10:
            return framed(U"(", alpha(number, true), U")");
        case 11:
            return alpha(number, true) + U")";
        case 12:
            return framed(U"(", d, U")");
        case 13:
            return d;
        case 14:
            return framed(U"(", roman(number, true), U")");
        case 15:
            return roman(number, true) + U")";
        case 16:  // ea1ChsPlain
        case 21:  // ea1ChtPlain
        case 26:  // ea1JpnKorPlain
            return chinese(number);
        case 17:  // ea1ChsPeriod
        case 22:  // ea1ChtPeriod
        case 27:  // ea1JpnKorPeriod
            return chinese(number) + U"\u3002";
        case 18:  // circleNumDbPlain
        case 19:  // circleNumWdWhitePlain
            if (number <= 20) return std::u32string(1, static_cast<char32_t>(0x2460 + number - 1));
            return d;
        case 20:  // circleNumWdBlackPlain
            if (number <= 10) return std::u32string(1, static_cast<char32_t>(0x2776 + number - 1));
            return d;
        case 23:
            return framed(U"- ", d, U" -");  // arabic1Minus
        case 24:
            return d + U" -";  // arabic2Minus
        case 28:
            return fullWidth(d);  // arabicDbPlain
        case 29:
            return fullWidth(d) + U"\uFF0E";
        case 38:
            return fullWidth(d) + U"\uFF0E";  // ea1JpnChsDbPeriod
        default:
            return d + U".";
    }
}

RangeBounds rangeBounds(const TextLayout& layout, int start, int length) {
    const int n = static_cast<int>(layout.chars.size());
    if (layout.lines.empty()) return {};
    start = std::clamp(start, 0, n);
    length = std::clamp(length, 0, n - start);
    if (length == 0) {
        RangeBounds b;
        const LaidLine* line = &layout.lines.back();
        if (start < n) {
            const LaidChar& c = layout.chars[static_cast<std::size_t>(start)];
            line = &layout.lines[static_cast<std::size_t>(c.line)];
            b.left = c.x;
        } else if (n > 0) {
            const LaidChar& c = layout.chars.back();
            line = &layout.lines[static_cast<std::size_t>(c.line)];
            b.left = c.x + c.advance;
        } else {
            b.left = line->left;
        }
        // The empty last paragraph has a line of its own beyond the last character.
        if (start == n && layout.lines.back().charCount == 0) {
            line = &layout.lines.back();
            b.left = line->left;
        }
        b.top = line->top;
        b.height = line->height;
        return b;
    }
    if (length == 1) {
        const LaidChar& c = layout.chars[static_cast<std::size_t>(start)];
        double size = layout.styles[static_cast<std::size_t>(c.style)].size;
        return {c.x, c.baseline - 0.8 * size, c.advance, size};
    }
    return spanBounds(layout, start, start + length);
}

RunProps bulletProps(const Paragraph& p) {
    const BulletData& b = p.bullet;
    RunProps props = firstTextProps(p);
    if (props.linked) props.fill = props.unlinkedFill;
    props.baseline = 0;
    props.underline = "none";
    props.strike = "noStrike";
    if (!b.fontFollowsText && !b.font.empty()) {
        props.latin = b.font;
        props.eastAsian = b.font;
    }
    if (!b.colorFollowsText) {
        props.fill = FillData{};
        props.fill.kind = FillKind::Solid;
        props.fill.color = b.color;
    }
    if (b.pointSize > 0) {
        props.size = b.pointSize;
    } else {
        props.size = props.size * std::clamp(b.relativeSize, 0.01f, 10.0f);
    }
    return props;
}

double autofitFontScale(const TextBody& body) {
    return std::clamp(finiteOr(body.fontScale, 1), 0.01, 1.0);
}

TextLayout layoutText(const Shape& shape, const TextBody& body, fonts::FontLibrary* fonts,
                      const LayoutOptions& options) {
    if (body.paragraphs.empty()) {
        TextLayout empty;
        empty.boxLeft = shape.left;
        empty.boxTop = shape.top;
        empty.boxWidth = shape.width;
        empty.boxHeight = shape.height;
        return empty;
    }
    return Builder(shape, body, fonts, options).run();
}

LayoutCache::LayoutCache(LayoutOptions options) : options_(options) {}
LayoutCache::~LayoutCache() = default;

fonts::FontLibrary* LayoutCache::fonts() {
    if (!fontsTried_) {
        fontsTried_ = true;
        try {
            fonts_ = std::make_unique<fonts::FontLibrary>();
        } catch (const std::exception&) {
            fonts_.reset();
        }
    }
    return fonts_.get();
}

void LayoutCache::setOptions(const LayoutOptions& options) {
    options_ = options;
    entries_.clear();
}

void LayoutCache::clear() {
    entries_.clear();
}

std::shared_ptr<const TextLayout> LayoutCache::layout(const Shape& shape) {
    if (!shape.text) return nullptr;
    const TextBody* key = shape.text.get();
    auto it = entries_.find(key);
    if (it != entries_.end()) {
        const Entry& e = it->second;
        if (e.body.lock() == shape.text && e.revision == shape.text->revision &&
            e.left == shape.left && e.top == shape.top && e.width == shape.width &&
            e.height == shape.height && e.rotation == shape.rotation && e.flipH == shape.flipH &&
            e.flipV == shape.flipV) {
            return e.layout;
        }
    }
    // Now and then forget bodies that are gone.
    if (++sinceSweep_ >= 256) {
        sinceSweep_ = 0;
        std::erase_if(entries_, [](const auto& item) { return item.second.body.expired(); });
    }
    Entry e;
    e.body = shape.text;
    e.revision = shape.text->revision;
    e.left = shape.left;
    e.top = shape.top;
    e.width = shape.width;
    e.height = shape.height;
    e.rotation = shape.rotation;
    e.flipH = shape.flipH;
    e.flipV = shape.flipV;
    e.layout =
        std::make_shared<const TextLayout>(layoutText(shape, *shape.text, fonts(), options_));
    auto result = e.layout;
    entries_[key] = std::move(e);
    return result;
}

std::vector<double> tableRowHeights(const Shape& frame, LayoutCache& layouts) {
    std::vector<double> heights;
    if (!frame.table) return heights;
    const TableData& t = *frame.table;
    constexpr std::size_t kMaxCells = 100000;
    std::vector<double> xs{frame.left};
    for (float w : t.columnWidths) xs.push_back(xs.back() + (std::isfinite(w) ? w : 0));
    // A row's height is a minimum: it grows to hold the text of its cells that do not span rows.
    std::size_t measured = 0;
    for (const TableRow& r : t.rows) {
        double h = std::isfinite(r.height) ? std::max(0.0f, r.height) : 0;
        for (std::size_t col = 0; col < r.cells.size() && col + 1 < xs.size(); ++col) {
            const TableCell& c = r.cells[col];
            if (c.mergedAcross || c.mergedDown || c.rowSpan > 1 || !c.text ||
                ++measured > kMaxCells) {
                continue;
            }
            bool empty = true;
            for (const Paragraph& p : c.text->paragraphs) empty = empty && p.runs.empty();
            // Vertical text runs along the row: its lines are laid across the row's height, so
            // they tell nothing of the height the row needs; the stored one stands.
            if (empty || c.text->orientation != host::orientation::kHorizontal) continue;
            std::size_t col2 =
                std::min(xs.size() - 1, col + static_cast<std::size_t>(std::max(1, c.columnSpan)));
            Shape probe;
            probe.left = static_cast<float>(xs[col]);
            probe.top = 0;
            probe.width = static_cast<float>(xs[col2] - xs[col]);
            probe.height = static_cast<float>(h);
            probe.text = c.text;
            std::shared_ptr<const TextLayout> laid = layouts.layout(probe);
            if (!laid || laid->chars.empty()) continue;
            // Every paragraph counts, an empty one with the height of its mark: the reference
            // renderings grow a row for a cell's trailing empty paragraph as for any other line.
            double need = laid->textHeight + c.text->insetTop + c.text->insetBottom;
            if (std::isfinite(need)) h = std::max(h, std::min(need, 1e5));
        }
        heights.push_back(h);
    }
    return heights;
}

double tableHeight(const Shape& table, LayoutCache& layouts) {
    double grown = 0;
    for (double h : tableRowHeights(table, layouts)) grown += h;
    const double stored = std::isfinite(table.height) ? table.height : 0;
    return std::max(stored, grown);
}

}  // namespace quillet::pptx
