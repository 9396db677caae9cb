#include "host/pptx/text.h"
#include "text/utf8.h"

#include <algorithm>

namespace quillet::pptx {

namespace {

constexpr int kMaxParagraphs = 100000;
constexpr int kMaxRuns = 100000;

float emuToPoints(std::int64_t emu) {
    emu = std::clamp<std::int64_t>(emu, -(1ll << 40), 1ll << 40);
    return static_cast<float>(static_cast<double>(emu) / 12700.0);
}

// Overlays the attributes and children present on an rPr / defRPr / endParaRPr element.
void applyRunProps(RunProps& props, pugi::xml_node rPr, const TextContext& context) {
    if (!rPr) return;
    if (auto sz = intAttr(rPr, "sz")) {
        props.size = static_cast<float>(std::clamp<std::int64_t>(*sz, 100, 400000)) / 100.0f;
    }
    if (auto b = boolAttr(rPr, "b")) props.bold = *b;
    if (auto i = boolAttr(rPr, "i")) props.italic = *i;
    if (attr(rPr, "u")) props.underline = strAttr(rPr, "u");
    if (attr(rPr, "strike")) props.strike = strAttr(rPr, "strike");
    if (attr(rPr, "cap")) props.caps = strAttr(rPr, "cap");
    if (auto baseline = intAttr(rPr, "baseline")) {
        props.baseline =
            static_cast<float>(std::clamp<std::int64_t>(*baseline, -1000000, 1000000)) / 100000.0f;
    }
    if (auto spc = intAttr(rPr, "spc")) {
        props.spacing =
            static_cast<float>(std::clamp<std::int64_t>(*spc, -400000, 400000)) / 100.0f;
    }
    if (auto kern = intAttr(rPr, "kern")) {
        props.kern = static_cast<int>(std::clamp<std::int64_t>(*kern, 0, 400000));
    }
    if (attr(rPr, "lang")) props.language = strAttr(rPr, "lang");
    if (pugi::xml_node fill = findFill(rPr)) {
        props.fill = readFill(fill, context.colors, context.refs);
    }
    if (pugi::xml_node ln = child(rPr, "ln")) {
        pugi::xml_node lineFill = findFill(ln);
        FillData f = lineFill ? readFill(lineFill, context.colors, context.refs) : FillData{};
        if (f.kind == FillKind::Solid || f.kind == FillKind::Gradient) {
            props.outlineColor =
                f.kind == FillKind::Gradient && !f.stops.empty() ? f.stops.front().color : f.color;
            props.outlineWidth = static_cast<float>(
                std::clamp<std::int64_t>(intAttr(ln, "w", 9525), 0, 20116800) / 12700.0);
        } else if (lineFill) {
            props.outlineWidth = 0;  // an outline without colour: none
        }
    }
    // The underline's own colour: its fill (a:uFill) or its line's (a:uLn); a:uFillTx and
    // a:uLnTx give it back to the text.
    if (child(rPr, "uFillTx") || child(rPr, "uLnTx")) props.underlineColor.reset();
    pugi::xml_node underlineFill = findFill(child(rPr, "uFill"));
    if (!underlineFill) underlineFill = findFill(child(rPr, "uLn"));
    if (underlineFill) {
        const FillData f = readFill(underlineFill, context.colors, context.refs);
        if (f.kind == FillKind::Solid) {
            props.underlineColor = f.color;
        } else if (f.kind == FillKind::Gradient && !f.stops.empty()) {
            props.underlineColor = f.stops.front().color;
        }
    }
    if (pugi::xml_node highlight = child(rPr, "highlight")) {
        props.highlight = readColorIn(highlight, context.colors);
    }
    if (pugi::xml_node effects = child(rPr, "effectLst")) {
        props.shadow = static_cast<bool>(child(effects, "outerShdw"));
        props.shadowEffect = readOuterShadow(effects, context.colors);
    }
    auto face = [&](const char* name, std::string& out) {
        pugi::xml_node n = child(rPr, name);
        if (!n) return;
        std::string typeface = strAttr(n, "typeface");
        if (typeface.empty()) return;
        out = resolveThemeFont(typeface, context.theme);
    };
    face("latin", props.latin);
    face("ea", props.eastAsian);
    face("cs", props.complexScript);
    face("sym", props.symbol);
}

Spacing readSpacing(pugi::xml_node n, Spacing fallback) {
    if (!n) return fallback;
    if (pugi::xml_node pct = child(n, "spcPct")) {
        auto v = intAttr(pct, "val");
        if (v)
            return {true,
                    static_cast<float>(std::clamp<std::int64_t>(*v, 0, 13200000)) / 100000.0f};
    }
    if (pugi::xml_node pts = child(n, "spcPts")) {
        auto v = intAttr(pts, "val");
        if (v) return {false, static_cast<float>(std::clamp<std::int64_t>(*v, 0, 158400)) / 100.0f};
    }
    return fallback;
}

int alignmentCode(const std::string& algn, int fallback) {
    using namespace host::alignment;
    if (algn == "l") return kLeft;
    if (algn == "ctr") return kCenter;
    if (algn == "r") return kRight;
    if (algn == "just") return kJustify;
    if (algn == "dist") return kDistribute;
    if (algn == "thaiDist") return kThaiDistribute;
    if (algn == "justLow") return kJustifyLow;
    return fallback;
}

int numberingStyle(const std::string& scheme) {
    static const char* const kSchemes[] = {
        "alphaLcPeriod",         "alphaUcPeriod",  "arabicParenR",      "arabicPeriod",
        "romanLcParenBoth",      "romanLcParenR",  "romanLcPeriod",     "romanUcPeriod",
        "alphaLcParenBoth",      "alphaLcParenR",  "alphaUcParenBoth",  "alphaUcParenR",
        "arabicParenBoth",       "arabicPlain",    "romanUcParenBoth",  "romanUcParenR",
        "ea1ChsPlain",           "ea1ChsPeriod",   "circleNumDbPlain",  "circleNumWdWhitePlain",
        "circleNumWdBlackPlain", "ea1ChtPlain",    "ea1ChtPeriod",      "arabic1Minus",
        "arabic2Minus",          "hebrew2Minus",   "ea1JpnKorPlain",    "ea1JpnKorPeriod",
        "arabicDbPlain",         "arabicDbPeriod", "thaiAlphaPeriod",   "thaiAlphaParenR",
        "thaiAlphaParenBoth",    "thaiNumPeriod",  "thaiNumParenR",     "thaiNumParenBoth",
        "hindiAlphaPeriod",      "hindiNumPeriod", "ea1JpnChsDbPeriod", "hindiNumParenR",
        "hindiAlpha1Period",
    };
    for (std::size_t i = 0; i < sizeof kSchemes / sizeof kSchemes[0]; ++i) {
        if (scheme == kSchemes[i]) return static_cast<int>(i);
    }
    return host::numbering_style::kArabicPeriod;
}

constexpr std::int64_t kMaxTabEmu = 12700ll * 100000;  // tab positions beyond 100000 pt
constexpr std::size_t kMaxTabStops = 32;

// Overlays paragraph-level properties of a pPr / lvlNpPr element (not its defRPr).
void applyParagraphProps(Paragraph& p, pugi::xml_node pPr, const TextContext& context) {
    if (!pPr) return;
    if (auto v = intAttr(pPr, "marL")) p.marginLeft = emuToPoints(*v);
    if (auto v = intAttr(pPr, "indent")) p.indent = emuToPoints(*v);
    if (attr(pPr, "algn")) p.alignment = alignmentCode(strAttr(pPr, "algn"), p.alignment);
    if (auto rtl = boolAttr(pPr, "rtl")) p.rightToLeft = *rtl;
    p.lineSpacing = readSpacing(child(pPr, "lnSpc"), p.lineSpacing);
    p.spaceBefore = readSpacing(child(pPr, "spcBef"), p.spaceBefore);
    p.spaceAfter = readSpacing(child(pPr, "spcAft"), p.spaceAfter);
    if (auto v = intAttr(pPr, "defTabSz"); v && *v > 0)
        p.defaultTab = std::max(1.0f, emuToPoints(std::min<std::int64_t>(*v, kMaxTabEmu)));
    if (pugi::xml_node list = child(pPr, "tabLst")) {
        // A list replaces the inherited one.
        p.tabStops.clear();
        for (pugi::xml_node tab : list.children()) {
            if (!is(tab, "tab") || p.tabStops.size() >= kMaxTabStops) continue;
            std::int64_t pos = intAttr(tab, "pos", -1);
            if (pos < 0 || pos > kMaxTabEmu) continue;
            const std::string algn = strAttr(tab, "algn");
            const TabAlignment alignment = algn == "ctr"   ? TabAlignment::centre
                                           : algn == "r"   ? TabAlignment::right
                                           : algn == "dec" ? TabAlignment::decimal
                                                           : TabAlignment::left;
            p.tabStops.push_back({emuToPoints(pos), alignment});
        }
        std::stable_sort(
            p.tabStops.begin(), p.tabStops.end(),
            [](const TabStop& a, const TabStop& b) { return a.position < b.position; });
    }

    BulletData& b = p.bullet;
    for (pugi::xml_node c = pPr.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        std::string_view n = localName(c.name());
        if (n == "buClrTx") {
            b.colorFollowsText = true;
        } else if (n == "buClr") {
            if (auto color = readColorIn(c, context.colors)) {
                b.color = *color;
                b.colorFollowsText = false;
            }
        } else if (n == "buSzTx") {
            b.relativeSize = 1.0f;
            b.pointSize = 0;
        } else if (n == "buSzPct") {
            b.relativeSize = static_cast<float>(std::clamp<std::int64_t>(intAttr(c, "val", 100000),
                                                                         25000, 400000)) /
                             100000.0f;
            b.pointSize = 0;
        } else if (n == "buSzPts") {
            b.pointSize =
                static_cast<float>(std::clamp<std::int64_t>(intAttr(c, "val", 0), 100, 400000)) /
                100.0f;
        } else if (n == "buFontTx") {
            b.fontFollowsText = true;
            b.font.clear();
        } else if (n == "buFont") {
            std::string face = resolveThemeFont(strAttr(c, "typeface"), context.theme);
            if (!face.empty()) {
                b.font = face;
                b.fontFollowsText = false;
            }
        } else if (n == "buNone") {
            b.type = host::bullet_type::kNone;
        } else if (n == "buAutoNum") {
            b.type = host::bullet_type::kNumbered;
            b.style = numberingStyle(strAttr(c, "type"));
            b.startAt =
                static_cast<int>(std::clamp<std::int64_t>(intAttr(c, "startAt", 1), 1, 32767));
        } else if (n == "buChar") {
            b.type = host::bullet_type::kUnnumbered;
            char32_t ch = firstCodePoint(strAttr(c, "char"));
            if (ch) b.character = ch;
        } else if (n == "buBlip") {
            b.type = host::bullet_type::kPicture;
            pugi::xml_node blip = child(c, "blip");
            pugi::xml_attribute embed = prefixedAttr(blip, "embed");
            if (embed && context.refs) b.picture = context.refs->media(embed.value());
        }
    }
}

pugi::xml_node levelProps(pugi::xml_node listStyle, int level) {
    char name[8] = "lvl1pPr";
    name[3] = static_cast<char>('1' + std::clamp(level, 0, 8));
    return child(listStyle, name);
}

void applyBodyProps(TextBody& body, pugi::xml_node bodyPr) {
    if (!bodyPr) return;
    if (auto v = intAttr(bodyPr, "lIns")) body.insetLeft = emuToPoints(*v);
    if (auto v = intAttr(bodyPr, "tIns")) body.insetTop = emuToPoints(*v);
    if (auto v = intAttr(bodyPr, "rIns")) body.insetRight = emuToPoints(*v);
    if (auto v = intAttr(bodyPr, "bIns")) body.insetBottom = emuToPoints(*v);
    if (attr(bodyPr, "anchor")) {
        std::string a = strAttr(bodyPr, "anchor");
        if (a == "t") body.anchor = host::anchor::kTop;
        if (a == "ctr") body.anchor = host::anchor::kMiddle;
        if (a == "b") body.anchor = host::anchor::kBottom;
        if (a == "just" || a == "dist") body.anchor = host::anchor::kMiddle;
    }
    if (auto c = boolAttr(bodyPr, "anchorCtr")) body.anchorCenter = *c;
    if (attr(bodyPr, "wrap")) body.wrap = strAttr(bodyPr, "wrap") != "none";
    if (attr(bodyPr, "vert")) {
        std::string v = strAttr(bodyPr, "vert");
        using namespace host::orientation;
        body.orientation = v == "vert"                                   ? kDownward
                           : v == "vert270"                              ? kUpward
                           : v == "eaVert"                               ? kVerticalFarEast
                           : v == "wordArtVert" || v == "wordArtVertRtl" ? kVertical
                           : v == "mongolianVert"                        ? kVerticalFarEast
                                                                         : kHorizontal;
        body.columnsLeftToRight = v == "mongolianVert" || v == "wordArtVert";
    }
    if (auto rot = intAttr(bodyPr, "rot")) {
        body.rotation = static_cast<float>(*rot % 21600000) / 60000.0f;
    }
    if (auto cols = intAttr(bodyPr, "numCol")) {
        body.columns = static_cast<int>(std::clamp<std::int64_t>(*cols, 1, 16));
    }
    if (child(bodyPr, "noAutofit")) {
        body.autoSize = host::auto_size::kNone;
        body.fontScale = 1;
        body.lineSpacingReduction = 0;
    }
    if (child(bodyPr, "spAutoFit")) body.autoSize = host::auto_size::kShapeToFitText;
    if (pugi::xml_node norm = child(bodyPr, "normAutofit")) {
        body.autoSize = host::auto_size::kTextToFitShape;
        body.fontScale = static_cast<float>(std::clamp<std::int64_t>(
                             intAttr(norm, "fontScale", 100000), 1000, 100000)) /
                         100000.0f;
        body.lineSpacingReduction = static_cast<float>(std::clamp<std::int64_t>(
                                        intAttr(norm, "lnSpcReduction", 0), 0, 100000)) /
                                    100000.0f;
    }
}

// The defaults of one level, before anything in the file applies.
Paragraph baseParagraph(int level, const TextSources& sources, const TextContext& context,
                        RunProps& runBase) {
    Paragraph p;
    p.level = level;
    runBase = RunProps{};
    runBase.fill.kind = FillKind::Solid;
    if (context.theme) runBase.latin = context.theme->minorLatin;
    if (context.theme) runBase.eastAsian = context.theme->minorEastAsian;
    auto applyStyle = [&](pugi::xml_node listStyle) {
        if (!listStyle) return;
        pugi::xml_node def = child(listStyle, "defPPr");
        pugi::xml_node lvl = levelProps(listStyle, level);
        for (pugi::xml_node n : {def, lvl}) {
            applyParagraphProps(p, n, context);
            applyRunProps(runBase, child(n, "defRPr"), context);
        }
    };
    // The shape style's font reference sits between the inherited and the shape's own styles.
    auto applyFontRef = [&]() {
        if (!sources.fontRef) return;
        std::string idx = strAttr(sources.fontRef, "idx");
        if (context.theme && idx == "major") {
            runBase.latin = context.theme->majorLatin;
            runBase.eastAsian = context.theme->majorEastAsian;
        } else if (context.theme && idx == "minor") {
            runBase.latin = context.theme->minorLatin;
            runBase.eastAsian = context.theme->minorEastAsian;
        }
        if (auto color = readColorIn(sources.fontRef, context.colors)) {
            runBase.fill = FillData{};
            runBase.fill.kind = FillKind::Solid;
            runBase.fill.color = *color;
        }
    };
    for (std::size_t i = 0; i <= sources.listStyles.size(); ++i) {
        if (i == std::min(sources.inheritedCount, sources.listStyles.size())) applyFontRef();
        if (i < sources.listStyles.size()) applyStyle(sources.listStyles[i]);
    }
    return p;
}

// Text of an a:t element; control characters other than tab are dropped (the paragraph mark and
// line break have their own meaning in the host's text).
std::string cleanText(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 0x20 && c != '\t') continue;
        out.push_back(static_cast<char>(c));
    }
    return out;
}

}  // namespace

char32_t firstCodePoint(const std::string& text) {
    if (utf8::validLength(text) == 0) return 0;
    std::size_t i = 0;
    return utf8::next(text, i);
}

// Text that links somewhere is drawn in the theme's link colour and underlined (the link may
// ask to keep the text's own colour instead). A link that does nothing leaves the text alone.
void applyHyperlinkStyle(RunProps& props, pugi::xml_node rPr, const TextContext& context) {
    pugi::xml_node link = child(rPr, "hlinkClick");
    if (!link || strAttr(link, "action") == "ppaction://noaction") return;
    if (props.underline == "none") props.underline = "sng";
    if (pugi::xml_node extensions = child(link, "extLst")) {
        for (pugi::xml_node ext : extensions.children()) {
            pugi::xml_node colour = child(ext, "hlinkClr");
            if (colour && strAttr(colour, "val") == "tx") return;
        }
    }
    props.linked = true;
    props.unlinkedFill = std::move(props.fill);
    props.fill = FillData{};
    props.fill.kind = FillKind::Solid;
    props.fill.color = schemeColor("hlink", context.colors);
}

std::shared_ptr<TextBody> readTextBody(pugi::xml_node txBody, const TextSources& sources,
                                       const TextContext& context) {
    auto body = std::make_shared<TextBody>();
    for (pugi::xml_node bodyPr : sources.bodyProperties) applyBodyProps(*body, bodyPr);
    applyBodyProps(*body, child(txBody, "bodyPr"));

    TextSources withOwn = sources;
    if (pugi::xml_node own = child(txBody, "lstStyle")) withOwn.listStyles.push_back(own);

    // Per-level defaults are computed once.
    Paragraph levelBase[9];
    RunProps levelRuns[9];
    bool ready[9] = {};
    auto base = [&](int level, RunProps& runs) -> Paragraph {
        if (!ready[level]) {
            levelBase[level] = baseParagraph(level, withOwn, context, levelRuns[level]);
            ready[level] = true;
        }
        runs = levelRuns[level];
        return levelBase[level];
    };

    int paragraphs = 0;
    int runs = 0;
    for (pugi::xml_node pn = txBody.first_child(); pn; pn = pn.next_sibling()) {
        if (!is(pn, "p")) continue;
        if (++paragraphs > kMaxParagraphs) break;
        pugi::xml_node pPr = child(pn, "pPr");
        int level = static_cast<int>(std::clamp<std::int64_t>(intAttr(pPr, "lvl", 0), 0, 8));
        RunProps runBase;
        Paragraph p = base(level, runBase);
        applyParagraphProps(p, pPr, context);
        applyRunProps(runBase, child(pPr, "defRPr"), context);
        forEachElement(pn, [&](pugi::xml_node rn) {
            if (++runs > kMaxRuns) return;
            std::string_view kind = localName(rn.name());
            Run run;
            run.props = runBase;
            if (kind == "r") {
                applyRunProps(run.props, child(rn, "rPr"), context);
                applyHyperlinkStyle(run.props, child(rn, "rPr"), context);
                run.text = cleanText(child(rn, "t").child_value());
                if (run.text.empty()) return;
            } else if (kind == "br") {
                applyRunProps(run.props, child(rn, "rPr"), context);
                run.kind = RunKind::LineBreak;
                run.text = std::string(1, '\v');
            } else if (kind == "fld") {
                applyRunProps(run.props, child(rn, "rPr"), context);
                applyHyperlinkStyle(run.props, child(rn, "rPr"), context);
                run.kind = RunKind::Field;
                run.fieldType = strAttr(rn, "type");
                run.text = cleanText(child(rn, "t").child_value());
                if (run.fieldType == "slidenum" && context.slideNumber > 0) {
                    run.text = std::to_string(context.slideNumber);
                }
                if (run.text.empty()) return;
            } else {
                return;
            }
            p.runs.push_back(std::move(run));
        });
        p.endProps = runBase;
        applyRunProps(p.endProps, child(pn, "endParaRPr"), context);
        body->paragraphs.push_back(std::move(p));
    }
    if (body->paragraphs.empty()) {
        RunProps runBase;
        Paragraph p = base(0, runBase);
        p.endProps = runBase;
        body->paragraphs.push_back(std::move(p));
    }
    return body;
}

}  // namespace quillet::pptx
