// The host objects over the resolved model. Each object holds shared references to the model
// nodes it stands for, so it stays valid as long as the engine keeps it; operations with side
// effects change the model in place.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <numbers>

#include "host/pptx/fills.h"
#include "host/pptx/layout.h"
#include "host/pptx/pptx_host.h"
#include "host/pptx/reader.h"
#include "host/pptx/render/chart.h"
#include "host/pptx/render/renderer.h"
#include "host/pptx/text.h"
#include "text/utf8.h"

namespace quillet::pptx {

namespace {

using host::truth;

// A presentation written by this application while it held edits: the file holds the package
// as it was read (or an empty package for a presentation made here), and the edited model stays
// here, so that opening the file again in this application shows the edits. The file's size and
// time tell whether it is still the one written.
struct WrittenModel {
    std::shared_ptr<PresentationData> data;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type time;
};

// What the objects of one application share: its clipboard, its text layouts and the edited
// models of the files it wrote.
struct Session {
    ShapePtr clipboard;
    std::map<std::string, WrittenModel> written;  // by absolute path
    std::shared_ptr<LayoutCache> layouts = std::make_shared<LayoutCache>();
};

// A chart frame drawn as shapes, for the box it was drawn in.
struct ChartDrawing {
    std::weak_ptr<const Shape> frame;
    float left = 0, top = 0, width = 0, height = 0;
    std::shared_ptr<ShapeList> shapes;  // null: left to its picture
};

// One open presentation: its model and whether it was changed since it was read or saved.
struct Deck {
    std::shared_ptr<PresentationData> data;
    std::string fullName;
    bool dirty = false;                    // changed since it was read or saved
    bool edited = false;                   // differs from its package (edits saved only in memory)
    std::shared_ptr<LayoutCache> layouts;  // the application's
    // Charts are drawn once per frame, whoever asks.
    std::mutex chartsMutex;
    std::map<const Shape*, ChartDrawing> charts;
};

std::string absolutePath(const std::string& path) {
    std::error_code ec;
    auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.lexically_normal().string();
}

// ---- fonts -----------------------------------------------------------------------------------

// Single and double strike-through alike.
bool struck(const RunProps& p) {
    return !p.strike.empty() && p.strike != "noStrike";
}

class FontImpl : public host::Font {
  public:
    FontImpl(RunProps props, int boldMixed, int italicMixed, int underlineMixed, int strikeMixed)
        : p_(std::move(props)),
          bold_(boldMixed),
          italic_(italicMixed),
          underline_(underlineMixed),
          strike_(strikeMixed) {}
    int bold() const override { return bold_ ? bold_ : truth(p_.bold); }
    int italic() const override { return italic_ ? italic_ : truth(p_.italic); }
    int underline() const override {
        return underline_ ? underline_ : truth(p_.underline != "none");
    }
    int strikeThrough() const override { return strike_ ? strike_ : truth(struck(p_)); }
    bool strikeDoubled() const override { return p_.strike == "dblStrike"; }
    int allCaps() const override { return truth(p_.caps == "all" || p_.caps == "small"); }
    int shadow() const override { return truth(p_.shadow); }
    // Hollow text (no fill, an outline) shows in its outline's colour where glyphs are filled.
    int colorRgb() const override {
        if (p_.fill.kind == FillKind::None && p_.outlineWidth > 0) return p_.outlineColor.rgb;
        return p_.fill.color.rgb;
    }
    float size() const override { return p_.size; }
    std::string name() const override { return p_.latin; }
    std::string nameFarEast() const override { return p_.eastAsian; }
    std::string nameComplexScript() const override { return p_.complexScript; }
    float baselineOffset() const override { return p_.baseline; }
    float outlineWidth() const override {
        return std::isfinite(p_.outlineWidth) ? std::max(p_.outlineWidth, 0.0f) : 0.0f;
    }
    int outlineColorRgb() const override { return p_.outlineColor.rgb; }
    int filled() const override { return truth(p_.fill.kind != FillKind::None); }
    // As the layout draws it: unblurred, moved by its distance along its direction.
    std::optional<TextShadow> textShadow() const override {
        TextShadow out;
        const ShadowData& sh = p_.shadowEffect;
        if (!sh.present || !(sh.color.alpha > 0) || !std::isfinite(sh.distance) ||
            !std::isfinite(sh.direction)) {
            return out;
        }
        const double angle = sh.direction * std::numbers::pi / 180;
        out.drawn = sh.distance > 0;
        out.dx = static_cast<float>(sh.distance * std::cos(angle));
        out.dy = static_cast<float>(sh.distance * std::sin(angle));
        out.rgb = sh.color.rgb;
        out.alpha = std::clamp(sh.color.alpha, 0.0f, 1.0f);
        return out;
    }

    std::optional<int> underlineColorRgb() const override {
        if (!p_.underlineColor) return std::nullopt;
        return p_.underlineColor->rgb;
    }
    float underlineWeight() const override {
        return static_cast<float>(pptx::underlineWeight(p_.underline));
    }
    bool underlineDoubled() const override { return pptx::underlineDoubled(p_.underline); }
    int underlineDash() const override { return pptx::underlineDash(p_.underline); }
    bool underlineWavy() const override { return pptx::underlineWavy(p_.underline); }
    std::optional<int> highlightRgb() const override {
        if (!p_.highlight) return std::nullopt;
        return p_.highlight->rgb;
    }
    bool underlineWordsOnly() const override { return pptx::underlineWordsOnly(p_.underline); }

  private:
    RunProps p_;
    int bold_, italic_, underline_, strike_;  // -2 when the range mixes them, else 0
};

// ---- paragraphs and bullets ------------------------------------------------------------------

// The first run's properties, with the fill it states when it is a link (which bullets follow).
RunProps textProps(const Paragraph& p) {
    RunProps props = p.runs.empty() ? p.endProps : p.runs.front().props;
    if (props.linked) props.fill = props.unlinkedFill;
    return props;
}

class BulletImpl : public host::BulletFormat {
  public:
    // fontScale: the body's autofit scale, which the drawn bullet's size carries. The face, colour
    // and size are the layout's, so the label matches what the renderer draws.
    BulletImpl(const Paragraph& p, double fontScale)
        : b_(p.bullet), text_(textProps(p)), drawn_(bulletProps(p)) {
        drawn_.size = static_cast<float>(drawn_.size * fontScale);
    }
    int visible() const override { return truth(b_.type != host::bullet_type::kNone); }
    int type() const override { return b_.type; }
    int style() const override { return b_.type == host::bullet_type::kNumbered ? b_.style : 0; }
    char32_t character() const override {
        return b_.type == host::bullet_type::kUnnumbered ? b_.character : 0;
    }
    int startValue() const override { return b_.startAt; }
    std::shared_ptr<host::Font> font() const override {
        return std::make_shared<FontImpl>(drawn_, 0, 0, 0, 0);
    }
    int useTextFont() const override { return truth(b_.fontFollowsText); }
    int useTextColor() const override { return truth(b_.colorFollowsText); }
    float relativeSize() const override {
        if (b_.pointSize > 0 && text_.size > 0) return b_.pointSize / text_.size;
        return b_.relativeSize;
    }

  private:
    BulletData b_;
    RunProps text_;
    RunProps drawn_;
};

class ParagraphFormatImpl : public host::ParagraphFormat {
  public:
    ParagraphFormatImpl(Paragraph p, double fontScale) : p_(std::move(p)), fontScale_(fontScale) {}
    int alignment() const override { return p_.alignment; }
    std::shared_ptr<host::BulletFormat> bullet() const override {
        return std::make_shared<BulletImpl>(p_, fontScale_);
    }
    float spaceBefore() const override { return p_.spaceBefore.value; }
    float spaceAfter() const override { return p_.spaceAfter.value; }
    float spaceWithin() const override { return p_.lineSpacing.value; }
    int lineRuleBefore() const override { return truth(p_.spaceBefore.inLines); }
    int lineRuleAfter() const override { return truth(p_.spaceAfter.inLines); }
    int lineRuleWithin() const override { return truth(p_.lineSpacing.inLines); }
    float leftIndent() const override { return p_.marginLeft; }
    float firstLineIndent() const override { return p_.indent; }

  private:
    Paragraph p_;
    double fontScale_ = 1;
};

// ---- text ------------------------------------------------------------------------------------

std::string encodeUtf8(const std::u32string& s) {
    return utf8::encode(s);
}

// One character of a text body: its code and where it comes from. run is -1 for a paragraph mark.
struct TextUnit {
    char32_t code;
    int paragraph;
    int run;
};

// The characters of a body; begins gets where each paragraph starts, and the end.
std::vector<TextUnit> flatten(const TextBody& body, std::vector<int>& begins) {
    std::vector<TextUnit> units;
    begins.clear();
    for (std::size_t p = 0; p < body.paragraphs.size(); ++p) {
        begins.push_back(static_cast<int>(units.size()));
        const Paragraph& para = body.paragraphs[p];
        for (std::size_t r = 0; r < para.runs.size(); ++r) {
            for (char32_t c : decodeText(para.runs[r].text)) {
                units.push_back({c, static_cast<int>(p), static_cast<int>(r)});
            }
        }
        if (p + 1 < body.paragraphs.size()) {
            units.push_back({U'\r', static_cast<int>(p), -1});
        }
    }
    begins.push_back(static_cast<int>(units.size()));
    return units;
}

// The flattened text of a body, shared by a range and the ranges taken from it, so that walking
// a frame character by character flattens it once.
struct FlatText {
    bool built = false;
    unsigned revision = 0;
    std::vector<TextUnit> units;
    std::vector<int> begins;  // the first unit of each paragraph, then the number of units
};

// Spans of units a range computed once per revision of its body: ranges are walked paragraph by
// paragraph and run by run, and recomputing the spans for each step made that quadratic.
struct SpanCache {
    bool built = false;
    unsigned revision = 0;
    std::vector<std::pair<int, int>> spans;
};

class TextRangeImpl : public host::TextRange {
  public:
    TextRangeImpl(std::shared_ptr<TextBody> body, std::shared_ptr<Deck> deck, int start, int length,
                  std::shared_ptr<FlatText> flat = nullptr, ShapePtr shape = nullptr)
        : body_(std::move(body)),
          deck_(std::move(deck)),
          start_(start),
          length_(length),
          flat_(flat ? std::move(flat) : std::make_shared<FlatText>()),
          shape_(std::move(shape)) {}

    std::string text() const override {
        const std::vector<TextUnit>& u = units();
        std::u32string s;
        for (int i = start_; i < end(u); ++i) s.push_back(u[static_cast<std::size_t>(i)].code);
        return encodeUtf8(s);
    }
    int start() const override { return start_ + 1; }
    int length() const override {
        const std::vector<TextUnit>& u = units();
        return std::max(0, end(u) - start_);
    }
    int paragraphCount() const override { return static_cast<int>(paragraphSpans().size()); }
    std::shared_ptr<host::TextRange> paragraphs(int start, int length) const override {
        const auto& spans = paragraphSpans();
        if (spans.empty()) return nullptr;
        int first = std::clamp(start, 1, static_cast<int>(spans.size())) - 1;
        int last =
            std::clamp(first + std::max(length, 1) - 1, first, static_cast<int>(spans.size()) - 1);
        return make(spans[static_cast<std::size_t>(first)].first,
                    spans[static_cast<std::size_t>(last)].second -
                        spans[static_cast<std::size_t>(first)].first);
    }
    std::shared_ptr<host::TextRange> characters(int start, int length) const override {
        int total = this->length();
        int from = std::clamp(start - 1, 0, total);
        int count = std::clamp(length, 0, total - from);
        return make(start_ + from, count);
    }
    int runCount() const override { return static_cast<int>(runSpans().size()); }
    std::shared_ptr<host::TextRange> runs(int start, int length) const override {
        const auto& spans = runSpans();
        if (spans.empty() || start < 1 || start > static_cast<int>(spans.size())) return nullptr;
        int first = start - 1;
        int last =
            std::clamp(first + std::max(length, 1) - 1, first, static_cast<int>(spans.size()) - 1);
        return make(spans[static_cast<std::size_t>(first)].first,
                    spans[static_cast<std::size_t>(last)].second -
                        spans[static_cast<std::size_t>(first)].first);
    }
    std::shared_ptr<host::Font> font() const override {
        const std::vector<TextUnit>& u = units();
        const RunProps* first = nullptr;
        int bold = 0, italic = 0, underline = 0, strike = 0;
        for (int i = start_; i < end(u); ++i) {
            const RunProps& p = propsOf(u[static_cast<std::size_t>(i)]);
            if (!first) {
                first = &p;
                continue;
            }
            if (p.bold != first->bold) bold = host::kMixed;
            if (p.italic != first->italic) italic = host::kMixed;
            if ((p.underline != "none") != (first->underline != "none")) underline = host::kMixed;
            if (struck(p) != struck(*first)) strike = host::kMixed;
        }
        if (!first) first = &paragraphAt(u).endProps;
        // The size as drawn: the body's stored autofit scale applied.
        RunProps drawn = *first;
        drawn.size = static_cast<float>(drawn.size * autofitFontScale(*body_));
        drawn.outlineWidth = static_cast<float>(drawn.outlineWidth * autofitFontScale(*body_));
        drawn.shadowEffect.distance =
            static_cast<float>(drawn.shadowEffect.distance * autofitFontScale(*body_));
        return std::make_shared<FontImpl>(drawn, bold, italic, underline, strike);
    }
    std::shared_ptr<host::ParagraphFormat> paragraphFormat() const override {
        return std::make_shared<ParagraphFormatImpl>(paragraphAt(units()),
                                                     autofitFontScale(*body_));
    }
    int indentLevel() const override { return paragraphAt(units()).level + 1; }
    // Bounds from the shape's text layout (see layout.h for the rules).
    float boundLeft() const override { return static_cast<float>(bounds().left); }
    float boundTop() const override { return static_cast<float>(bounds().top); }
    float boundWidth() const override { return static_cast<float>(bounds().width); }
    float boundHeight() const override { return static_cast<float>(bounds().height); }
    std::optional<host::BulletPlacement> laidBullet() const override;
    void deleteText() override;

  private:
    const std::vector<TextUnit>& units() const {
        if (!flat_->built || flat_->revision != body_->revision) {
            flat_->units = flatten(*body_, flat_->begins);
            flat_->revision = body_->revision;
            flat_->built = true;
        }
        return flat_->units;
    }
    int end(const std::vector<TextUnit>& u) const {
        return std::clamp(start_ + length_, start_, static_cast<int>(u.size()));
    }
    const RunProps& propsOf(const TextUnit& unit) const {
        const Paragraph& p = body_->paragraphs[static_cast<std::size_t>(unit.paragraph)];
        if (unit.run < 0) return p.endProps;
        return p.runs[static_cast<std::size_t>(unit.run)].props;
    }
    const Paragraph& paragraphAt(const std::vector<TextUnit>& u) const {
        if (start_ < static_cast<int>(u.size())) {
            return body_->paragraphs[static_cast<std::size_t>(
                u[static_cast<std::size_t>(start_)].paragraph)];
        }
        return body_->paragraphs.back();
    }
    // [first, end) unit spans of the paragraphs the range touches, marks included.
    const std::vector<std::pair<int, int>>& paragraphSpans() const {
        const std::vector<TextUnit>& u = units();
        if (paragraphs_.built && paragraphs_.revision == body_->revision) return paragraphs_.spans;
        const std::vector<int>& begins = flat_->begins;
        std::vector<std::pair<int, int>>& out = paragraphs_.spans;
        out.clear();
        const int stop = end(u);
        const int limit = std::max(stop, start_ + 1);
        // From the first paragraph that ends where the range starts or later, to the last one
        // that begins before it ends.
        const auto first = std::lower_bound(begins.begin() + 1, begins.end(), start_);
        for (auto p = first; p != begins.end(); ++p) {
            const int b = *(p - 1), e = *p;
            if (b < e && e > start_ && b < limit) {
                out.emplace_back(std::max(b, start_), std::min(e, stop));
            } else if (b == e && b >= start_ && stop == static_cast<int>(u.size())) {
                // Only the last paragraph can be empty (it has no mark): it belongs to every
                // range that reaches the end of the text.
                out.emplace_back(b, e);
            } else if (b >= limit) {
                break;
            }
        }
        paragraphs_.revision = body_->revision;
        paragraphs_.built = true;
        return out;
    }
    const std::vector<std::pair<int, int>>& runSpans() const {
        const std::vector<TextUnit>& u = units();
        if (runs_.built && runs_.revision == body_->revision) return runs_.spans;
        std::vector<std::pair<int, int>>& out = runs_.spans;
        out.clear();
        for (int i = start_; i < end(u);) {
            const TextUnit& t = u[static_cast<std::size_t>(i)];
            if (t.run < 0) {
                ++i;
                continue;
            }
            int j = i;
            while (j < end(u) && u[static_cast<std::size_t>(j)].paragraph == t.paragraph &&
                   u[static_cast<std::size_t>(j)].run == t.run) {
                ++j;
            }
            out.emplace_back(i, j);
            i = j;
        }
        runs_.revision = body_->revision;
        runs_.built = true;
        return out;
    }
    std::shared_ptr<host::TextRange> make(int start, int length) const {
        return std::make_shared<TextRangeImpl>(body_, deck_, start, std::max(length, 0), flat_,
                                               shape_);
    }
    RangeBounds bounds() const {
        if (!shape_ || shape_->text != body_ || !deck_ || !deck_->layouts) return {};
        try {
            std::shared_ptr<const TextLayout> layout = deck_->layouts->layout(*shape_);
            if (!layout) return {};
            return rangeBounds(*layout, start_, end(units()) - start_);
        } catch (const std::exception&) {
            return {};
        }
    }

    std::shared_ptr<TextBody> body_;
    std::shared_ptr<Deck> deck_;
    int start_;
    int length_;
    std::shared_ptr<FlatText> flat_;
    ShapePtr shape_;  // the shape whose box the text is laid out in; null: no bounds
    mutable SpanCache paragraphs_, runs_;
};

std::optional<host::BulletPlacement> TextRangeImpl::laidBullet() const {
    if (!shape_ || shape_->text != body_ || !deck_ || !deck_->layouts) return std::nullopt;
    host::BulletPlacement placement;
    try {
        std::shared_ptr<const TextLayout> layout = deck_->layouts->layout(*shape_);
        const std::vector<TextUnit>& u = units();
        const std::size_t index =
            start_ < static_cast<int>(u.size())
                ? static_cast<std::size_t>(u[static_cast<std::size_t>(start_)].paragraph)
                : body_->paragraphs.size() - 1;
        if (!layout || index >= layout->paragraphs.size() || index >= body_->paragraphs.size()) {
            return placement;
        }
        const LaidBullet& b = layout->paragraphs[index].bullet;
        if (!b.present || b.glyphs.empty() || b.style < 0 ||
            static_cast<std::size_t>(b.style) >= layout->styles.size()) {
            return placement;
        }
        // The face the layout measured the label in, at the size it drew (autofit applied); a
        // gradient shows in the colour the layout drew, its first stop's.
        const CharStyle& style = layout->styles[static_cast<std::size_t>(b.style)];
        RunProps props = bulletProps(body_->paragraphs[index]);
        props.size = static_cast<float>(style.size);
        if (props.fill.kind == FillKind::Gradient) {
            props.fill = FillData{};
            props.fill.kind = FillKind::Solid;
            props.fill.color = style.color;
        }
        placement.font = std::make_shared<FontImpl>(props, 0, 0, 0, 0);
        placement.baseline = static_cast<float>(b.baseline);
        for (const LaidGlyph& g : b.glyphs) {
            placement.glyphs.push_back({g.code, static_cast<float>(g.x)});
        }
    } catch (const std::exception&) {
        return placement;
    }
    return placement;
}

void TextRangeImpl::deleteText() {
    const std::vector<TextUnit>& u = units();
    int from = start_;
    int to = end(u);
    if (from >= to) return;
    std::vector<Paragraph> out;
    Paragraph current = body_->paragraphs.front();
    current.runs.clear();
    int index = 0;
    for (std::size_t p = 0; p < body_->paragraphs.size(); ++p) {
        const Paragraph& para = body_->paragraphs[p];
        for (const Run& run : para.runs) {
            std::u32string kept;
            for (char32_t c : decodeText(run.text)) {
                if (index < from || index >= to) kept.push_back(c);
                ++index;
            }
            if (kept.empty()) continue;
            Run r = run;
            r.text = encodeUtf8(kept);
            current.runs.push_back(std::move(r));
        }
        if (p + 1 < body_->paragraphs.size()) {
            bool markDeleted = index >= from && index < to;
            ++index;
            if (markDeleted) continue;  // the next paragraph joins this one
            out.push_back(std::move(current));
            current = body_->paragraphs[p + 1];
            current.runs.clear();
        }
    }
    out.push_back(std::move(current));
    body_->paragraphs = std::move(out);
    ++body_->revision;
    deck_->dirty = true;
    length_ = 0;
}

class TextFrameImpl : public host::TextFrame {
  public:
    TextFrameImpl(std::shared_ptr<TextBody> body, std::shared_ptr<Deck> deck,
                  ShapePtr shape = nullptr)
        : body_(std::move(body)), deck_(std::move(deck)), shape_(std::move(shape)) {}
    int hasText() const override {
        std::vector<int> begins;
        return truth(!flatten(*body_, begins).empty());
    }
    // The range shares the text flattened here for its length.
    std::shared_ptr<host::TextRange> textRange() const override {
        auto flat = std::make_shared<FlatText>();
        flat->units = flatten(*body_, flat->begins);
        flat->revision = body_->revision;
        flat->built = true;
        const int length = static_cast<int>(flat->units.size());
        return std::make_shared<TextRangeImpl>(body_, deck_, 0, length, std::move(flat), shape_);
    }
    float marginLeft() const override { return body_->insetLeft; }
    float marginTop() const override { return body_->insetTop; }
    float marginRight() const override { return body_->insetRight; }
    float marginBottom() const override { return body_->insetBottom; }
    int verticalAnchor() const override { return body_->anchor; }
    int wordWrap() const override { return truth(body_->wrap); }
    int autoSize() const override { return body_->autoSize; }
    float fontScale() const override { return body_->fontScale; }
    float lineSpacingReduction() const override { return body_->lineSpacingReduction; }
    int orientation() const override { return body_->orientation; }
    // The body's own turn, and that of a text box of its own (a diagram shape's).
    float rotation() const override {
        return body_->rotation + (shape_ && shape_->ownTextBox ? shape_->textRotation : 0.0f);
    }

  private:
    std::shared_ptr<TextBody> body_;
    std::shared_ptr<Deck> deck_;
    ShapePtr shape_;
};

// ---- fills and lines -------------------------------------------------------------------------

class PictureImpl : public host::Picture {
  public:
    explicit PictureImpl(std::shared_ptr<MediaPart> part) : part_(std::move(part)) {}
    std::string name() const override { return part_->name; }
    std::string contentType() const override { return part_->contentType; }
    std::vector<unsigned char> data() const override { return part_->data(); }

  private:
    std::shared_ptr<MediaPart> part_;
};

class FillImpl : public host::Fill {
  public:
    FillImpl(std::shared_ptr<FillData> fill, std::shared_ptr<Deck> deck)
        : f_(std::move(fill)), deck_(std::move(deck)) {}
    int visible() const override { return truth(f_->kind != FillKind::None); }
    int type() const override { return hostFillCodes(*f_).type; }
    int foreColorRgb() const override { return f_->color.rgb; }
    int backColorRgb() const override { return f_->backColor.rgb; }
    float transparency() const override { return 1.0f - f_->color.alpha; }
    int gradientStyle() const override { return hostFillCodes(*f_).gradientStyle; }
    int gradientVariant() const override { return hostFillCodes(*f_).gradientVariant; }
    std::vector<host::GradientStop> gradientStops() const override {
        std::vector<host::GradientStop> out;
        for (const GradientStopData& s : f_->stops) {
            out.push_back({s.position, s.color.rgb, 1.0f - s.color.alpha});
        }
        return out;
    }
    float gradientAngle() const override {
        return f_->kind == FillKind::Gradient && f_->linear ? f_->angle : 0.0f;
    }
    std::string gradientPath() const override {
        return f_->kind == FillKind::Gradient && !f_->linear ? f_->path : "";
    }
    std::pair<float, float> gradientFocus() const override { return {f_->focusX, f_->focusY}; }
    int pattern() const override { return f_->kind == FillKind::Pattern ? f_->patternCode : 0; }
    std::shared_ptr<host::Picture> picture() const override {
        if (f_->kind != FillKind::Picture || !f_->picture) return nullptr;
        return std::make_shared<PictureImpl>(f_->picture);
    }
    int tiled() const override { return truth(f_->kind == FillKind::Picture && f_->tile); }
    host::FillPicture drawFillPicture(double width, double height,
                                      double pixelsPerPoint) const override {
        return render::drawFillPicture(*f_, width, height, pixelsPerPoint);
    }
    // Changing the colour keeps the fill's visibility: a shape without fill stays without one.
    void setForeColorRgb(int rgb) override {
        f_->color.rgb = rgb & 0xFFFFFF;
        if (f_->kind == FillKind::Gradient && !f_->stops.empty()) f_->stops.front().color.rgb = rgb;
        deck_->dirty = true;
    }
    void setVisible(int visible) override {
        if (visible == host::kFalse) {
            f_->kind = FillKind::None;
        } else if (f_->kind == FillKind::None) {
            f_->kind = FillKind::Solid;
        }
        deck_->dirty = true;
    }

  private:
    std::shared_ptr<FillData> f_;
    std::shared_ptr<Deck> deck_;
};

class LineImpl : public host::LineFormat {
  public:
    LineImpl(std::shared_ptr<LineData> line, std::shared_ptr<Deck> deck)
        : l_(std::move(line)), deck_(std::move(deck)) {}
    int visible() const override { return truth(l_->visible); }
    float weight() const override { return l_->weight; }
    int foreColorRgb() const override { return l_->fill.color.rgb; }
    float transparency() const override { return 1.0f - l_->fill.color.alpha; }
    int fillType() const override { return hostFillCodes(l_->fill).type; }
    int dashStyle() const override { return l_->dash; }
    int style() const override { return l_->compound; }
    int beginArrowheadStyle() const override { return l_->head.style; }
    int beginArrowheadLength() const override { return l_->head.length; }
    int beginArrowheadWidth() const override { return l_->head.width; }
    int endArrowheadStyle() const override { return l_->tail.style; }
    int endArrowheadLength() const override { return l_->tail.length; }
    int endArrowheadWidth() const override { return l_->tail.width; }
    void setForeColorRgb(int rgb) override {
        l_->fill.color.rgb = rgb & 0xFFFFFF;
        deck_->dirty = true;
    }
    void setVisible(int visible) override {
        l_->visible = visible != host::kFalse;
        if (l_->visible && l_->fill.kind == FillKind::None) l_->fill.kind = FillKind::Solid;
        deck_->dirty = true;
    }

  private:
    std::shared_ptr<LineData> l_;
    std::shared_ptr<Deck> deck_;
};

// ---- animation and transitions ---------------------------------------------------------------

class AnimationImpl : public host::AnimationSettings {
  public:
    explicit AnimationImpl(Animation a) : a_(a) {}
    int animate() const override { return host::kTrue; }
    int entryEffect() const override { return a_.effect; }
    int advanceMode() const override { return a_.advanceMode; }
    float advanceTime() const override { return a_.advanceTime; }
    int animationOrder() const override { return a_.order; }

  private:
    Animation a_;
};

class TransitionImpl : public host::SlideTransition {
  public:
    TransitionImpl(Transition t, bool present, bool hidden)
        : t_(std::move(t)), present_(present), hidden_(hidden) {}
    int entryEffect() const override { return present_ ? t_.effect : host::effect::kNone; }
    int speed() const override { return t_.speed; }
    float duration() const override { return present_ ? t_.duration : 0.0f; }
    int advanceOnClick() const override { return truth(t_.advanceOnClick); }
    int advanceOnTime() const override { return truth(t_.advanceOnTime); }
    float advanceTime() const override { return t_.advanceTime; }
    int hidden() const override { return truth(hidden_); }

  private:
    Transition t_;
    bool present_;
    bool hidden_;
};

// ---- shapes ----------------------------------------------------------------------------------

class ShapesImpl;

// How far past a shape's box (of longer side `side`) a copy of it placed as `at` says can reach:
// its offset, what its blur spreads, and what its scale and skew add; a copy beside the shape (a
// reflection) adds its whole scaled side, one over it (a shadow) only what it grows by.
double copyReach(const ShadowData& at, double side, bool beside) {
    const double scale = std::max(std::fabs(at.scaleX), std::fabs(at.scaleY));
    const double skew = std::max(std::fabs(std::tan(at.skewX * std::numbers::pi / 180)),
                                 std::fabs(std::tan(at.skewY * std::numbers::pi / 180)));
    const double grown = beside ? scale : std::max(scale, 1.0) - 1;
    return at.distance + 1.5 * at.blur + 2 + side * (grown + skew * std::max(scale, 1.0));
}

class ShapeImpl : public host::Shape {
  public:
    ShapeImpl(ShapePtr shape, std::shared_ptr<ShapeList> owner, std::shared_ptr<Deck> deck,
              std::shared_ptr<Session> session)
        : s_(std::move(shape)),
          owner_(std::move(owner)),
          deck_(std::move(deck)),
          session_(std::move(session)) {}

    int id() const override { return s_->id; }
    std::string name() const override { return s_->name; }
    int type() const override { return s_->type; }
    int autoShapeType() const override { return s_->kind; }
    std::vector<float> adjustments() const override { return s_->adjustments; }
    float left() const override { return s_->left; }
    float top() const override { return s_->top; }
    float width() const override { return s_->width; }
    // A table's rows grow to hold their text: its height is the one it is drawn at.
    float height() const override {
        if (s_->table && deck_ && deck_->layouts) {
            return static_cast<float>(tableHeight(*s_, *deck_->layouts));
        }
        return s_->height;
    }
    float rotation() const override { return s_->rotation; }
    int horizontalFlip() const override { return truth(s_->flipH); }
    int verticalFlip() const override { return truth(s_->flipV); }
    int visible() const override { return truth(!s_->hidden); }
    int zOrderPosition() const override {
        auto& items = owner_->items;
        auto it = std::find(items.begin(), items.end(), s_);
        return it == items.end() ? 0 : static_cast<int>(it - items.begin()) + 1;
    }
    int connector() const override { return truth(s_->connector); }
    std::shared_ptr<host::LineFormat> line() const override {
        return std::make_shared<LineImpl>(std::shared_ptr<LineData>(s_, &s_->line), deck_);
    }
    std::shared_ptr<host::Fill> fill() const override {
        return std::make_shared<FillImpl>(std::shared_ptr<FillData>(s_, &s_->fill), deck_);
    }
    int hasTextFrame() const override { return truth(s_->text != nullptr); }
    std::shared_ptr<host::TextFrame> textFrame() const override {
        if (!s_->text) return nullptr;
        return std::make_shared<TextFrameImpl>(s_->text, deck_, s_);
    }
    std::shared_ptr<host::AnimationSettings> animationSettings() const override {
        if (!s_->animation) return nullptr;
        return std::make_shared<AnimationImpl>(*s_->animation);
    }
    std::shared_ptr<host::Shapes> groupItems() const override;
    std::vector<host::ShapeNode> nodes() const override {
        std::vector<host::ShapeNode> out;
        for (const PathCommand& c : s_->path) {
            switch (c.kind) {
                case PathCommand::Move:
                    out.push_back({c.x[0], c.y[0], host::segment::kLine, !out.empty()});
                    break;
                case PathCommand::Line:
                    out.push_back({c.x[0], c.y[0], host::segment::kLine, false});
                    break;
                case PathCommand::Cubic:
                    for (int i = 0; i < 3; ++i) {
                        out.push_back({c.x[i], c.y[i], host::segment::kCurve, false});
                    }
                    break;
                case PathCommand::Close:
                    break;
            }
        }
        return out;
    }
    int vertexCount() const override {
        int n = static_cast<int>(nodes().size());
        bool closed = std::any_of(s_->path.begin(), s_->path.end(), [](const PathCommand& c) {
            return c.kind == PathCommand::Close;
        });
        return closed ? n + 1 : n;
    }
    host::ShapePath path() const override {
        host::ShapePath out;
        if (s_->children || s_->table || s_->chart || s_->picture) return out;
        const pptx::Shape& s = *s_;
        std::size_t count = 0;
        for (const render::Outline& o : render::shapeOutlines(s)) {
            host::SubPath sub;
            // Indexed by the renderer's PathFill: None, Norm, Lighten, LightenLess, Darken,
            // DarkenLess.
            static constexpr int kFillOf[] = {
                host::path_fill::kNone,    host::path_fill::kNormal,
                host::path_fill::kLighten, host::path_fill::kLightenLess,
                host::path_fill::kDarken,  host::path_fill::kDarkenLess};
            sub.fill = kFillOf[static_cast<int>(o.fill)];
            sub.stroke = o.stroke;
            for (const render::OutlineSegment& g : o.segments) {
                if (++count > render::kMaxGeometryCommands) return out;
                host::PathSegment p;
                p.kind = g.kind == render::OutlineSegment::Move    ? host::PathSegment::kMove
                         : g.kind == render::OutlineSegment::Line  ? host::PathSegment::kLine
                         : g.kind == render::OutlineSegment::Cubic ? host::PathSegment::kCubic
                                                                   : host::PathSegment::kClose;
                if (p.kind != host::PathSegment::kClose) {
                    // Into the slide, mirrored as the shape's flips say.
                    for (int i = 0; i < 3; ++i) {
                        const double x = s.flipH ? s.width - g.x[i] : g.x[i];
                        const double y = s.flipV ? s.height - g.y[i] : g.y[i];
                        p.x[i] = static_cast<float>(s.left + x);
                        p.y[i] = static_cast<float>(s.top + y);
                    }
                }
                sub.segments.push_back(p);
            }
            out.subPaths.push_back(std::move(sub));
        }
        return out;
    }
    // As the renderer draws a shadow: blurred by three box passes of half the radius, moved,
    // scaled about its alignment point and skewed.
    host::ShapeEffects effects() const override {
        host::ShapeEffects out;
        const ShadowData& sh = s_->shadow;
        // Tables and charts are drawn without effects of their own; a group's are of its members
        // drawn together, in pixels.
        if ((s_->table || s_->chart) && !s_->picture) return out;
        // A glow, soft edges or a reflection need pixels; the picture holds them and any shadow.
        // (A group's members keep their own edges: its soft edges are not drawn.)
        out.raster = !s_->children && s_->softEdge > 0 && std::isfinite(s_->softEdge);
        const GlowData& glow = s_->glow;
        double rasterReach = 0;
        if (glow.present && glow.color.alpha > 0 && std::isfinite(glow.radius) && glow.radius > 0) {
            out.raster = true;
            rasterReach = 1.5 * glow.radius + 2;
            out.reach = static_cast<float>(std::min(rasterReach, 2000.0));
        }
        const double side = std::max(std::fabs(s_->width), std::fabs(s_->height));
        const ReflectionData& mirror = s_->reflection;
        if (mirror.present && (mirror.startAlpha > 0 || mirror.endAlpha > 0)) {
            const double reach = copyReach(mirror.place, side, true);
            out.raster = true;
            if (std::isfinite(reach)) rasterReach = std::max(rasterReach, reach);
            out.reach = static_cast<float>(std::min(rasterReach, 2000.0));
        }
        if (!sh.present || !(sh.color.alpha > 0)) return out;
        const float values[] = {sh.blur,   sh.distance, sh.direction, sh.scaleX,
                                sh.scaleY, sh.skewX,    sh.skewY};
        if (!std::all_of(std::begin(values), std::end(values),
                         [](float v) { return std::isfinite(v); })) {
            return out;
        }
        const bool warped = sh.scaleX != 1 || sh.scaleY != 1 || sh.skewX != 0 || sh.skewY != 0;
        out.raster = out.raster || sh.blur > 0 || warped || s_->children;
        out.hardShadow = !out.raster;
        const double angle = sh.direction * std::numbers::pi / 180;
        double dx = sh.distance * std::cos(angle), dy = sh.distance * std::sin(angle);
        if (sh.rotateWithShape && std::isfinite(s_->rotation)) {
            // The offset lies in the shape's turned frame (its flips do not mirror it).
            const double turn = s_->rotation * std::numbers::pi / 180;
            const double x = dx;
            dx = x * std::cos(turn) - dy * std::sin(turn);
            dy = x * std::sin(turn) + dy * std::cos(turn);
        }
        out.shadowDx = static_cast<float>(dx);
        out.shadowDy = static_cast<float>(dy);
        out.shadowRgb = sh.color.rgb;
        out.shadowAlpha = std::clamp(sh.color.alpha, 0.0f, 1.0f);
        // A shadow far beyond its shape is cut at a slide's width.
        out.reach =
            static_cast<float>(std::min(std::max(copyReach(sh, side, false), rasterReach), 2000.0));
        return out;
    }
    int placeholderType() const override { return s_->placeholderType; }
    std::shared_ptr<host::Picture> picture() const override {
        if (!s_->picture) return nullptr;
        return std::make_shared<PictureImpl>(s_->picture);
    }
    host::PictureCrop pictureCrop() const override {
        return {s_->cropLeft, s_->cropTop, s_->cropRight, s_->cropBottom};
    }
    void setLeft(float v) override { moveTo(v - s_->left, 0); }
    void setTop(float v) override { moveTo(0, v - s_->top); }
    void setWidth(float v) override {
        float scale = s_->width > 0 ? v / s_->width : 1;
        if (s_->lockAspect) s_->height *= scale;
        s_->width = std::max(0.0f, v);
        deck_->dirty = true;
    }
    void setHeight(float v) override {
        float scale = s_->height > 0 ? v / s_->height : 1;
        if (s_->lockAspect) s_->width *= scale;
        s_->height = std::max(0.0f, v);
        deck_->dirty = true;
    }
    void setLockAspectRatio(int v) override { s_->lockAspect = v != host::kFalse; }
    void deleteShape() override {
        auto& items = owner_->items;
        items.erase(std::remove(items.begin(), items.end(), s_), items.end());
        deck_->dirty = true;
    }
    void copy() override { session_->clipboard = cloneShape(*s_); }
    host::PixelPicture drawPicture(double left, double top, double pixelsPerPoint, int width,
                                   int height, bool withText) const override {
        if (!deck_ || !deck_->data) return {};
        ShapePtr shape = s_;
        if (!withText && s_->text) {
            shape = cloneShape(*s_);
            shape->text = nullptr;
        }
        return render::drawShapePicture(*shape, left, top, pixelsPerPoint, width, height,
                                        deck_->layouts.get());
    }
    host::PixelPicture drawEffects(double left, double top, double pixelsPerPoint, int width,
                                   int height) const override {
        if (!deck_ || !deck_->data || !s_->children) return {};
        return render::drawGroupEffectsPicture(*s_, left, top, pixelsPerPoint, width, height,
                                               deck_->layouts.get());
    }

  private:
    // Moves the shape with its outline and members.
    void moveTo(float dx, float dy) {
        shift(*s_, dx, dy);
        deck_->dirty = true;
    }
    static void shift(pptx::Shape& s, float dx, float dy) {
        s.left += dx;
        s.top += dy;
        for (PathCommand& c : s.path) {
            for (int i = 0; i < 3; ++i) {
                c.x[i] += dx;
                c.y[i] += dy;
            }
        }
        for (const auto& members : {s.children, s.chartOverlay}) {
            if (!members) continue;
            for (ShapePtr& m : members->items) shift(*m, dx, dy);
        }
    }

    ShapePtr s_;
    std::shared_ptr<ShapeList> owner_;
    std::shared_ptr<Deck> deck_;
    std::shared_ptr<Session> session_;
};

class ShapesImpl : public host::Shapes {
  public:
    ShapesImpl(std::shared_ptr<ShapeList> list, std::shared_ptr<Deck> deck,
               std::shared_ptr<Session> session)
        : list_(std::move(list)), deck_(std::move(deck)), session_(std::move(session)) {}
    int count() const override { return static_cast<int>(list_->items.size()); }
    std::shared_ptr<host::Shape> item(int index) const override {
        if (index < 1 || index > count()) return nullptr;
        return std::make_shared<ShapeImpl>(list_->items[static_cast<std::size_t>(index - 1)], list_,
                                           deck_, session_);
    }
    std::shared_ptr<host::Shape> paste() override {
        if (!session_->clipboard) return nullptr;
        ShapePtr copy = cloneShape(*session_->clipboard);
        list_->items.push_back(copy);
        deck_->dirty = true;
        return std::make_shared<ShapeImpl>(copy, list_, deck_, session_);
    }

  private:
    std::shared_ptr<ShapeList> list_;
    std::shared_ptr<Deck> deck_;
    std::shared_ptr<Session> session_;
};

// A chart the file keeps no picture of: its drawing as a group of shapes on the slide (null when
// it has too many parts to be shapes).
std::shared_ptr<ShapeList> chartDrawing(const ShapePtr& frame, Deck& deck) {
    std::lock_guard<std::mutex> lock(deck.chartsMutex);
    ChartDrawing& d = deck.charts[frame.get()];
    const bool fresh = d.frame.lock() == frame && d.left == frame->left && d.top == frame->top &&
                       d.width == frame->width && d.height == frame->height;
    if (!fresh) {
        d = ChartDrawing{frame, frame->left, frame->top, frame->width, frame->height, nullptr};
        std::vector<ShapePtr> shapes;
        fonts::FontLibrary* fonts = deck.layouts ? deck.layouts->fonts() : nullptr;
        if (render::chartShapes(*frame, fonts, shapes)) {
            d.shapes = std::make_shared<ShapeList>();
            d.shapes->items = std::move(shapes);
            if (frame->chartOverlay) {
                for (const ShapePtr& s : frame->chartOverlay->items) d.shapes->items.push_back(s);
            }
        }
    }
    return d.shapes;
}

std::shared_ptr<host::Shapes> ShapeImpl::groupItems() const {
    if (s_->chart && !s_->picture && !s_->children && deck_) {
        auto drawing = chartDrawing(s_, *deck_);
        if (!drawing) return nullptr;
        return std::make_shared<ShapesImpl>(drawing, deck_, session_);
    }
    // A table's members are the parts the renderer draws it from, in their places on the slide.
    if (s_->table && s_->type == host::shape_type::kTable && !s_->picture) {
        if (!deck_ || !deck_->layouts) return nullptr;
        auto parts = std::make_shared<ShapeList>();
        parts->items = render::tableParts(*s_, *deck_->layouts);
        return std::make_shared<ShapesImpl>(parts, deck_, session_);
    }
    if (!s_->children || s_->type != host::shape_type::kGroup) return nullptr;
    return std::make_shared<ShapesImpl>(s_->children, deck_, session_);
}

// ---- masters and slides ----------------------------------------------------------------------

class MasterImpl : public host::Master {
  public:
    MasterImpl(std::shared_ptr<MasterRecord> record, std::shared_ptr<Deck> deck,
               std::shared_ptr<Session> session)
        : m_(std::move(record)), deck_(std::move(deck)), session_(std::move(session)) {}
    std::string name() const override { return m_->name; }
    float width() const override { return deck_->data->slideWidth; }
    float height() const override { return deck_->data->slideHeight; }
    std::shared_ptr<host::Shapes> shapes() const override {
        return std::make_shared<ShapesImpl>(m_->shapes, deck_, session_);
    }
    std::shared_ptr<host::Fill> background() const override {
        return std::make_shared<FillImpl>(std::shared_ptr<FillData>(m_, &m_->background), deck_);
    }
    host::PixelPicture drawBackground(double pixelsPerPoint, int width, int height) const override {
        if (!deck_ || !deck_->data) return {};
        return render::drawBackgroundPicture(m_->background, deck_->data->slideWidth,
                                             deck_->data->slideHeight, pixelsPerPoint, width,
                                             height, deck_->layouts.get());
    }

  private:
    std::shared_ptr<MasterRecord> m_;
    std::shared_ptr<Deck> deck_;
    std::shared_ptr<Session> session_;
};

class SlideImpl : public host::Slide {
  public:
    SlideImpl(std::shared_ptr<SlideData> slide, std::shared_ptr<Deck> deck,
              std::shared_ptr<Session> session)
        : s_(std::move(slide)), deck_(std::move(deck)), session_(std::move(session)) {}
    int slideIndex() const override {
        auto& slides = deck_->data->slides;
        auto it = std::find(slides.begin(), slides.end(), s_);
        return it == slides.end() ? 0 : static_cast<int>(it - slides.begin()) + 1;
    }
    int slideId() const override { return s_->id; }
    std::string name() const override { return s_->name; }
    int layout() const override { return s_->layoutCode; }
    std::shared_ptr<host::Shapes> shapes() const override {
        return std::make_shared<ShapesImpl>(s_->shapes, deck_, session_);
    }
    std::shared_ptr<host::SlideTransition> transition() const override {
        return std::make_shared<TransitionImpl>(s_->transition, s_->hasTransition, s_->hidden);
    }
    std::shared_ptr<host::Master> master() const override {
        if (!s_->master) return nullptr;
        return std::make_shared<MasterImpl>(s_->master, deck_, session_);
    }
    std::shared_ptr<host::Fill> background() const override {
        if (s_->followMasterBackground && s_->master) {
            return std::make_shared<FillImpl>(
                std::shared_ptr<FillData>(s_->master, &s_->master->background), deck_);
        }
        return std::make_shared<FillImpl>(std::shared_ptr<FillData>(s_, &s_->background), deck_);
    }
    int displayMasterShapes() const override { return truth(s_->displayMasterShapes); }
    void setDisplayMasterShapes(int v) override {
        s_->displayMasterShapes = v != host::kFalse;
        deck_->dirty = true;
    }
    int followMasterBackground() const override { return truth(s_->followMasterBackground); }
    void setFollowMasterBackground(int v) override {
        bool follow = v != host::kFalse;
        if (!follow && s_->followMasterBackground && s_->master) {
            s_->background = s_->master->background;  // starts from what it showed
        }
        s_->followMasterBackground = follow;
        deck_->dirty = true;
    }
    // The slide drawn by the renderer, with the application's text layouts.
    bool exportPicture(const std::string& path, const std::string& filter, int width,
                       int height) override {
        if (!deck_ || !deck_->data) return false;
        return render::exportSlide(*deck_->data, *s_, path, filter, width, height,
                                   deck_->layouts.get());
    }
    host::PixelPicture drawBackground(double pixelsPerPoint, int width, int height) const override {
        if (!deck_ || !deck_->data) return {};
        return render::drawBackgroundPicture(s_->background, deck_->data->slideWidth,
                                             deck_->data->slideHeight, pixelsPerPoint, width,
                                             height, deck_->layouts.get());
    }

  private:
    std::shared_ptr<SlideData> s_;
    std::shared_ptr<Deck> deck_;
    std::shared_ptr<Session> session_;
};

// An empty copy of a placeholder for a new slide: its place and formatting without the text.
ShapePtr emptyPlaceholder(const Shape& layoutShape) {
    ShapePtr s = cloneShape(layoutShape);
    if (s->text) {
        Paragraph first = s->text->paragraphs.empty() ? Paragraph{} : s->text->paragraphs.front();
        first.runs.clear();
        s->text->paragraphs = {first};
    }
    return s;
}

class SlidesImpl : public host::Slides {
  public:
    SlidesImpl(std::shared_ptr<Deck> deck, std::shared_ptr<Session> session)
        : deck_(std::move(deck)), session_(std::move(session)) {}
    int count() const override { return static_cast<int>(deck_->data->slides.size()); }
    std::shared_ptr<host::Slide> item(int index) const override {
        if (index < 1 || index > count()) return nullptr;
        return std::make_shared<SlideImpl>(deck_->data->slides[static_cast<std::size_t>(index - 1)],
                                           deck_, session_);
    }
    std::shared_ptr<host::Slide> add(int index, int layoutCode) override {
        auto& data = *deck_->data;
        if (index < 1 || index > count() + 1) return nullptr;
        const PresentationData::LayoutTemplate* chosen = nullptr;
        for (const auto& t : data.layouts) {
            if (t.code == layoutCode) {
                chosen = &t;
                break;
            }
        }
        if (!chosen && !data.layouts.empty()) chosen = &data.layouts.front();
        auto slide = std::make_shared<SlideData>();
        int maxId = 255;
        for (const auto& s : data.slides) maxId = std::max(maxId, s->id);
        slide->id = maxId + 1;
        slide->layoutCode = layoutCode;
        if (chosen) {
            for (const ShapePtr& s : chosen->decoration->items) {
                slide->shapes->items.push_back(showsSlideNumber(*s) ? numberedCopy(*s, index)
                                                                    : cloneShape(*s));
            }
            if (chosen->showMasterShapes && chosen->master) {
                for (const ShapePtr& s : chosen->master->numbered) {
                    slide->shapes->items.push_back(numberedCopy(*s, index));
                }
            }
            for (const ShapePtr& s : chosen->placeholders->items) {
                slide->shapes->items.push_back(emptyPlaceholder(*s));
            }
            slide->background = chosen->background;
            slide->master = chosen->master;
            slide->masterName = chosen->masterName;
            slide->displayMasterShapes = chosen->showMasterShapes;
            slide->followMasterBackground = !chosen->folded;
        } else {
            slide->master = data.slideMaster;
            slide->masterName = data.slideMaster ? data.slideMaster->name : "";
            if (data.slideMaster) slide->background = data.slideMaster->background;
        }
        data.slides.insert(data.slides.begin() + (index - 1), slide);
        deck_->dirty = true;
        return std::make_shared<SlideImpl>(slide, deck_, session_);
    }

  private:
    std::shared_ptr<Deck> deck_;
    std::shared_ptr<Session> session_;
};

class PageSetupImpl : public host::PageSetup {
  public:
    explicit PageSetupImpl(std::shared_ptr<Deck> deck) : deck_(std::move(deck)) {}
    int slideSize() const override { return deck_->data->slideSizeCode; }
    void setSlideSize(int code) override {
        deck_->data->slideSizeCode = code;
        deck_->dirty = true;
    }
    float slideWidth() const override { return deck_->data->slideWidth; }
    float slideHeight() const override { return deck_->data->slideHeight; }
    // Slide sizes stay within 1 to 4032 points, as the host's page setup allows.
    void setSlideWidth(float points) override {
        deck_->data->slideWidth = std::clamp(points, 1.0f, 4032.0f);
        deck_->dirty = true;
    }
    void setSlideHeight(float points) override {
        deck_->data->slideHeight = std::clamp(points, 1.0f, 4032.0f);
        deck_->dirty = true;
    }

  private:
    std::shared_ptr<Deck> deck_;
};

class ApplicationImpl;

class PresentationImpl : public host::Presentation,
                         public std::enable_shared_from_this<PresentationImpl> {
  public:
    PresentationImpl(std::shared_ptr<Deck> deck, std::shared_ptr<Session> session,
                     std::weak_ptr<ApplicationImpl> app)
        : deck_(std::move(deck)), session_(std::move(session)), app_(std::move(app)) {}

    int saved() const override { return truth(!deck_->fullName.empty() && !deck_->dirty); }
    // The file keeps the package as read; the edits are kept by the application for that file
    // (see WrittenModel). A presentation without a file cannot be saved.
    bool save() override {
        if (deck_->fullName.empty()) return false;
        std::error_code ec;
        if (!std::filesystem::exists(deck_->fullName, ec)) {
            if (!writeCopy(deck_->fullName)) return false;
        } else if (deck_->dirty || deck_->edited) {
            remember(deck_->fullName);
        }
        deck_->edited = deck_->edited || deck_->dirty;
        deck_->dirty = false;
        return true;
    }
    std::string fullName() const override { return deck_->fullName; }
    std::string name() const override {
        return std::filesystem::path(deck_->fullName).filename().string();
    }
    std::shared_ptr<host::Master> slideMaster() const override {
        if (!deck_->data->slideMaster) return nullptr;
        return std::make_shared<MasterImpl>(deck_->data->slideMaster, deck_, session_);
    }
    std::shared_ptr<host::Master> titleMaster() const override {
        if (!deck_->data->titleMaster) return nullptr;
        return std::make_shared<MasterImpl>(deck_->data->titleMaster, deck_, session_);
    }
    std::shared_ptr<host::Slides> slides() const override {
        return std::make_shared<SlidesImpl>(deck_, session_);
    }
    std::shared_ptr<host::PageSetup> pageSetup() const override {
        return std::make_shared<PageSetupImpl>(deck_);
    }
    // Writes the package as it was read (an empty one for a presentation made here); when the
    // model holds edits, the application keeps a copy of it for the file (see WrittenModel).
    bool saveCopyAs(const std::string& path, int, int) override { return writeCopy(path); }
    void close() override;
    std::shared_ptr<Deck> deck() const { return deck_; }

  private:
    bool writeCopy(const std::string& path) {
        std::vector<std::uint8_t> empty;
        const std::vector<std::uint8_t>* bytes = nullptr;
        if (deck_->data->package) {
            bytes = &deck_->data->package->bytes();
        } else {
            try {
                empty = emptyPresentationPackage(deck_->data->slideWidth, deck_->data->slideHeight);
            } catch (const PackageError&) {
                return false;
            }
            bytes = &empty;
        }
        {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            if (!out) return false;
            out.write(reinterpret_cast<const char*>(bytes->data()),
                      static_cast<std::streamsize>(bytes->size()));
            out.close();
            if (!out) return false;
        }
        if (deck_->dirty || deck_->edited || !deck_->data->package) {
            remember(path);
        } else {
            session_->written.erase(absolutePath(path));
        }
        return true;
    }
    // Keeps a copy of the model for the file at path, and forgets the files that are gone.
    void remember(const std::string& path) {
        std::error_code ec;
        for (auto it = session_->written.begin(); it != session_->written.end();) {
            it = std::filesystem::exists(it->first, ec) ? std::next(it)
                                                        : session_->written.erase(it);
        }
        WrittenModel w;
        w.size = std::filesystem::file_size(path, ec);
        if (ec) return;
        w.time = std::filesystem::last_write_time(path, ec);
        if (ec) return;
        w.data = clonePresentation(*deck_->data);
        session_->written[absolutePath(path)] = std::move(w);
    }

    std::shared_ptr<Deck> deck_;
    std::shared_ptr<Session> session_;
    std::weak_ptr<ApplicationImpl> app_;
};

class PresentationsImpl;

class ApplicationImpl : public host::Application,
                        public std::enable_shared_from_this<ApplicationImpl> {
  public:
    std::shared_ptr<host::Presentation> activePresentation() const override { return active_; }
    std::shared_ptr<host::Presentations> presentations() const override;

    std::shared_ptr<PresentationImpl> add(std::shared_ptr<PresentationData> data,
                                          const std::string& fullName, bool makeActive,
                                          bool edited = false) {
        auto deck = std::make_shared<Deck>();
        deck->data = std::move(data);
        deck->fullName = fullName;
        deck->edited = edited;
        deck->layouts = session_->layouts;
        auto p = std::make_shared<PresentationImpl>(deck, session_, weak_from_this());
        open_.push_back(p);
        if (makeActive || !active_) active_ = p;
        return p;
    }
    void remove(const PresentationImpl* p) {
        open_.erase(
            std::remove_if(open_.begin(), open_.end(), [&](const auto& o) { return o.get() == p; }),
            open_.end());
        if (active_.get() == p) active_ = open_.empty() ? nullptr : open_.front();
    }
    std::vector<std::shared_ptr<PresentationImpl>> open_;
    std::shared_ptr<PresentationImpl> active_;
    std::shared_ptr<Session> session_ = std::make_shared<Session>();
    std::string lastError_;
};

void PresentationImpl::close() {
    if (auto app = app_.lock()) app->remove(this);
}

class PresentationsImpl : public host::Presentations {
  public:
    explicit PresentationsImpl(std::shared_ptr<ApplicationImpl> app) : app_(std::move(app)) {}
    int count() const override { return static_cast<int>(app_->open_.size()); }
    std::shared_ptr<host::Presentation> item(int index) const override {
        if (index < 1 || index > count()) return nullptr;
        return app_->open_[static_cast<std::size_t>(index - 1)];
    }
    std::shared_ptr<host::Presentation> open(const std::string& path, int, int,
                                             int withWindow) override {
        try {
            std::string full = absolutePath(path);
            // A file this application wrote with edits opens with them.
            auto kept = app_->session_->written.find(full);
            if (kept != app_->session_->written.end()) {
                std::error_code ec;
                auto size = std::filesystem::file_size(full, ec);
                auto time = ec ? std::filesystem::file_time_type()
                               : std::filesystem::last_write_time(full, ec);
                if (!ec && size == kept->second.size && time == kept->second.time) {
                    app_->lastError_.clear();
                    return app_->add(clonePresentation(*kept->second.data), full,
                                     withWindow != host::kFalse, true);
                }
                app_->session_->written.erase(kept);
            }
            auto data = openPresentation(path);
            app_->lastError_.clear();
            return app_->add(std::move(data), full, withWindow != host::kFalse);
        } catch (const std::exception& e) {
            app_->lastError_ = e.what();
            return nullptr;
        }
    }
    std::shared_ptr<host::Presentation> add(int withWindow) override {
        return app_->add(newPresentation(), "", withWindow != host::kFalse);
    }
    std::string lastError() const override { return app_->lastError_; }

  private:
    std::shared_ptr<ApplicationImpl> app_;
};

std::shared_ptr<host::Presentations> ApplicationImpl::presentations() const {
    return std::make_shared<PresentationsImpl>(
        std::const_pointer_cast<ApplicationImpl>(shared_from_this()));
}

}  // namespace

std::shared_ptr<host::Application> createApplication() {
    return std::make_shared<ApplicationImpl>();
}

std::shared_ptr<host::Application> openApplication(const std::string& path) {
    auto app = std::make_shared<ApplicationImpl>();
    app->add(openPresentation(path), absolutePath(path), true);
    return app;
}

std::shared_ptr<host::Application> applicationFor(std::shared_ptr<PresentationData> data,
                                                  const std::string& fullName) {
    auto app = std::make_shared<ApplicationImpl>();
    app->add(std::move(data), fullName, true);
    return app;
}

std::shared_ptr<PresentationData> modelOf(const host::Presentation& presentation) {
    auto* p = dynamic_cast<const PresentationImpl*>(&presentation);
    return p ? p->deck()->data : nullptr;
}

}  // namespace quillet::pptx
