#include "host/pptx/fills.h"

#include <algorithm>
#include <cmath>

#include "host/pptx/presets.h"

namespace quillet::pptx {

namespace {

constexpr double kEmuPerPoint = 12700.0;

float emuToPoints(std::int64_t emu) {
    emu = std::clamp<std::int64_t>(emu, -(1ll << 40), 1ll << 40);
    return static_cast<float>(static_cast<double>(emu) / kEmuPerPoint);
}

float percent(pugi::xml_node n, const char* name) {
    auto v = intAttr(n, name);
    if (!v) return 0;
    return static_cast<float>(std::clamp<std::int64_t>(*v, -1000000, 1000000)) / 100000.0f;
}

int arrowStyle(const std::string& type) {
    if (type == "triangle") return host::arrowhead::kTriangle;
    if (type == "arrow") return host::arrowhead::kOpen;
    if (type == "stealth") return host::arrowhead::kStealth;
    if (type == "diamond") return host::arrowhead::kDiamond;
    if (type == "oval") return host::arrowhead::kOval;
    return host::arrowhead::kNone;
}

int arrowSize(const std::string& size) {
    if (size == "sm") return 1;
    if (size == "lg") return 3;
    return 2;
}

LineEnd readLineEnd(pugi::xml_node end, LineEnd base) {
    if (!end) return base;
    if (attr(end, "type")) base.style = arrowStyle(strAttr(end, "type"));
    if (attr(end, "w")) base.width = arrowSize(strAttr(end, "w"));
    if (attr(end, "len")) base.length = arrowSize(strAttr(end, "len"));
    return base;
}

int dashCode(const std::string& name, const std::string& cap) {
    using namespace host::dash_style;
    if (name == "solid") return kSolid;
    if (name == "sysDot") return cap == "rnd" ? kRoundDot : kSquareDot;
    if (name == "dot") return kSysDot;
    if (name == "dash") return kDash;
    if (name == "sysDash") return kSysDash;
    if (name == "dashDot") return kDashDot;
    if (name == "sysDashDot") return kSysDashDot;
    if (name == "sysDashDotDot") return kDashDotDot;
    if (name == "lgDash") return kLongDash;
    if (name == "lgDashDot") return kLongDashDot;
    if (name == "lgDashDotDot") return kLongDashDotDot;
    return kSolid;
}

int compoundCode(const std::string& name) {
    using namespace host::line_style;
    if (name == "dbl") return kThinThin;
    if (name == "thinThick") return kThinThick;
    if (name == "thickThin") return kThickThin;
    if (name == "tri") return kThickBetweenThin;
    return kSingle;
}

// The theme's own part, for the pictures of its style entries.
PartRefs themeRefs(const Theme& theme) {
    PartRefs refs;
    refs.package = theme.package;
    refs.partName = theme.partName;
    refs.rels = theme.rels;
    return refs;
}

bool isXmlContentType(const std::string& type) {
    return type.empty() || type.ends_with("+xml") || type.ends_with("/xml");
}

// An entry of the theme's style lists, 1-based; null when idx is out of range.
pugi::xml_node styleEntry(const std::vector<pugi::xml_node>& list, std::int64_t idx) {
    if (idx < 1 || idx > static_cast<std::int64_t>(list.size())) return {};
    return list[static_cast<std::size_t>(idx - 1)];
}

}  // namespace

PartRefs PartRefs::load(std::shared_ptr<const Package> package, const std::string& partName) {
    PartRefs refs;
    refs.package = package;
    refs.partName = partName;
    if (!package) return refs;
    try {
        for (Relationship& r : package->relationships(partName)) refs.rels[r.id] = r;
    } catch (const PackageError&) {
        // A broken .rels part makes every reference of the part dangle; the part still reads.
        refs.rels.clear();
    }
    return refs;
}

std::string PartRefs::target(const std::string& id) const {
    auto it = rels.find(id);
    if (it == rels.end() || it->second.external || it->second.target.empty()) return "";
    if (!package || !package->hasPart(it->second.target)) return "";
    return it->second.target;
}

std::shared_ptr<MediaPart> PartRefs::media(const std::string& id) const {
    std::string part = target(id);
    if (part.empty()) return nullptr;
    // Only picture parts: a reference that lands on a slide, layout or other XML part dangles.
    std::string type = package->contentType(part);
    if (isXmlContentType(type)) return nullptr;
    auto media = std::make_shared<MediaPart>();
    media->name = part;
    media->contentType = type;
    media->package = package;
    return media;
}

bool isFillElement(pugi::xml_node node) {
    std::string_view n = localName(node.name());
    return n == "noFill" || n == "solidFill" || n == "gradFill" || n == "blipFill" ||
           n == "pattFill" || n == "grpFill";
}

pugi::xml_node findFill(pugi::xml_node node) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() == pugi::node_element && isFillElement(c)) return c;
    }
    return {};
}

FillData readFill(pugi::xml_node fill, const ColorContext& colors, const PartRefs* refs,
                  const FillData* groupFill) {
    FillData out;
    std::string_view name = localName(fill.name());
    if (name == "solidFill") {
        out.kind = FillKind::Solid;
        out.color = readColorIn(fill, colors).value_or(Color{});
        out.backColor = Color{host::rgb(255, 255, 255), 1.0f};
    } else if (name == "gradFill") {
        out.kind = FillKind::Gradient;
        for (pugi::xml_node gs : child(fill, "gsLst").children()) {
            if (!is(gs, "gs")) continue;
            GradientStopData stop;
            stop.position = std::clamp(percent(gs, "pos"), 0.0f, 1.0f);
            stop.color = readColorIn(gs, colors).value_or(Color{});
            out.stops.push_back(stop);
            if (out.stops.size() >= 64) break;
        }
        std::stable_sort(out.stops.begin(), out.stops.end(),
                         [](const auto& a, const auto& b) { return a.position < b.position; });
        if (pugi::xml_node lin = child(fill, "lin")) {
            out.linear = true;
            double degrees = static_cast<double>(intAttr(lin, "ang", 0) % 21600000) / 60000.0;
            if (degrees < 0) degrees += 360;
            out.angle = static_cast<float>(degrees);
        } else if (pugi::xml_node p = child(fill, "path")) {
            out.linear = false;
            out.path = strAttr(p, "path");
            if (out.path.empty()) out.path = "circle";
            if (pugi::xml_node focus = child(p, "fillToRect")) {
                // Insets from each side; the focus is the middle of what they leave.
                const auto inset = [&](const char* name) {
                    return static_cast<double>(std::clamp<std::int64_t>(intAttr(focus, name, 0),
                                                                        -1000000, 1000000)) /
                           100000.0;
                };
                out.focusX = static_cast<float>((inset("l") + 1 - inset("r")) / 2);
                out.focusY = static_cast<float>((inset("t") + 1 - inset("b")) / 2);
            }
        } else {
            out.linear = true;
            out.angle = 0;
        }
        if (!out.stops.empty()) {
            out.color = out.stops.front().color;
            out.backColor = out.stops.back().color;
        }
    } else if (name == "blipFill") {
        out.kind = FillKind::Picture;
        pugi::xml_node blip = child(fill, "blip");
        pugi::xml_attribute embed = prefixedAttr(blip, "embed");
        if (embed && refs) out.picture = refs->media(embed.value());
        if (pugi::xml_node tile = child(fill, "tile")) {
            out.tile = true;
            auto scale = [&](const char* name) {
                return static_cast<float>(
                    std::clamp<std::int64_t>(intAttr(tile, name, 100000), -10000000, 10000000) /
                    100000.0);
            };
            auto offset = [&](const char* name) {
                return static_cast<float>(
                    std::clamp<std::int64_t>(intAttr(tile, name, 0), -51206400000, 51206400000) /
                    12700.0);
            };
            out.tiling.scaleX = scale("sx");
            out.tiling.scaleY = scale("sy");
            out.tiling.offsetX = offset("tx");
            out.tiling.offsetY = offset("ty");
            out.tiling.align = strAttr(tile, "algn");
            if (out.tiling.align.empty()) out.tiling.align = "tl";
            std::string flip = strAttr(tile, "flip");
            out.tiling.flipX = flip == "x" || flip == "xy";
            out.tiling.flipY = flip == "y" || flip == "xy";
        }
        if (pugi::xml_node src = child(fill, "srcRect")) {
            out.cropLeft = percent(src, "l");
            out.cropTop = percent(src, "t");
            out.cropRight = percent(src, "r");
            out.cropBottom = percent(src, "b");
        }
        // A picture fill may be see-through as a whole.
        out.effects = readBlipEffects(blip, colors);
        out.color.alpha = out.effects.alpha;
    } else if (name == "pattFill") {
        out.kind = FillKind::Pattern;
        out.pattern = strAttr(fill, "prst");
        if (out.pattern.empty()) out.pattern = "pct5";
        out.patternCode = patternCode(out.pattern);
        out.color = readColorIn(child(fill, "fgClr"), colors).value_or(Color{});
        out.backColor = readColorIn(child(fill, "bgClr"), colors)
                            .value_or(Color{host::rgb(255, 255, 255), 1.0f});
    } else if (name == "grpFill") {
        if (groupFill) out = *groupFill;
    }
    return out;
}

PictureEffects readBlipEffects(pugi::xml_node blip, const ColorContext& colors) {
    PictureEffects out;
    auto fraction = [](pugi::xml_node n, const char* name, float lo, float hi, float fallback) {
        auto v = intAttr(n, name);
        if (!v) return fallback;
        return std::clamp(
            static_cast<float>(std::clamp<std::int64_t>(*v, -10000000, 10000000)) / 100000.0f, lo,
            hi);
    };
    for (pugi::xml_node e : blip.children()) {
        std::string_view n = localName(e.name());
        if (n == "lum") {
            out.brightness = fraction(e, "bright", -1, 1, 0);
            out.contrast = fraction(e, "contrast", -1, 1, 0);
        } else if (n == "grayscl") {
            out.grayscale = true;
        } else if (n == "duotone") {
            std::vector<Color> two;
            for (pugi::xml_node c : e.children()) {
                if (auto color = readColor(c, colors)) two.push_back(*color);
                if (two.size() == 2) break;
            }
            if (two.size() == 2) {
                out.duotone = true;
                out.duotoneDark = two[0];
                out.duotoneLight = two[1];
            }
        } else if (n == "biLevel") {
            out.biLevel = fraction(e, "thresh", 0, 1, 0.5f);
        } else if (n == "alphaModFix") {
            out.alpha = fraction(e, "amt", 0, 1, 1);
        }
    }
    return out;
}

LineData readLine(pugi::xml_node ln, const ColorContext& colors, const PartRefs* refs,
                  LineData base) {
    if (!ln) return base;
    if (auto w = intAttr(ln, "w")) {
        base.weight = std::clamp(emuToPoints(*w), 0.0f, 1000.0f);
    }
    if (attr(ln, "cap")) base.cap = strAttr(ln, "cap");
    if (attr(ln, "cmpd")) base.compound = compoundCode(strAttr(ln, "cmpd"));
    if (pugi::xml_node f = findFill(ln)) {
        base.fill = readFill(f, colors, refs);
        base.visible = base.fill.kind != FillKind::None;
    }
    if (pugi::xml_node dash = child(ln, "prstDash")) {
        base.dash = dashCode(strAttr(dash, "val"), base.cap);
    } else if (child(ln, "custDash")) {
        base.dash = host::dash_style::kDash;
    }
    if (child(ln, "round")) base.join = "round";
    if (child(ln, "bevel")) base.join = "bevel";
    if (child(ln, "miter")) base.join = "miter";
    base.head = readLineEnd(child(ln, "headEnd"), base.head);
    base.tail = readLineEnd(child(ln, "tailEnd"), base.tail);
    return base;
}

FillData styleFill(pugi::xml_node fillRef, const ColorContext& colors, const PartRefs*) {
    if (!fillRef || !colors.theme) return {};
    PartRefs refs = themeRefs(*colors.theme);
    std::int64_t idx = intAttr(fillRef, "idx", 0);
    ColorContext withPlaceholder = colors;
    withPlaceholder.placeholder = readColorIn(fillRef, colors);
    pugi::xml_node entry = idx >= 1001 ? styleEntry(colors.theme->backgroundFillStyles, idx - 1000)
                                       : styleEntry(colors.theme->fillStyles, idx);
    if (!entry) return {};
    return readFill(entry, withPlaceholder, &refs);
}

LineData styleLine(pugi::xml_node lnRef, const ColorContext& colors, const PartRefs*) {
    LineData none;
    if (!lnRef || !colors.theme) return none;
    PartRefs refs = themeRefs(*colors.theme);
    pugi::xml_node entry = styleEntry(colors.theme->lineStyles, intAttr(lnRef, "idx", 0));
    if (!entry) return none;
    ColorContext withPlaceholder = colors;
    withPlaceholder.placeholder = readColorIn(lnRef, colors);
    LineData line;
    line.visible = true;
    line = readLine(entry, withPlaceholder, &refs, line);
    return line;
}

FillData backgroundRefFill(pugi::xml_node bgRef, const ColorContext& colors, const PartRefs* refs) {
    return styleFill(bgRef, colors, refs);
}

FillData readBackground(pugi::xml_node bg, const ColorContext& colors, const PartRefs* refs) {
    if (pugi::xml_node bgPr = child(bg, "bgPr")) {
        if (pugi::xml_node f = findFill(bgPr)) return readFill(f, colors, refs);
        return {};
    }
    if (pugi::xml_node ref = child(bg, "bgRef")) return backgroundRefFill(ref, colors, refs);
    return {};
}

HostFillCodes hostFillCodes(const FillData& fill) {
    HostFillCodes codes;
    if (fill.fromBackground) {
        codes.type = host::fill_type::kBackground;
        return codes;
    }
    switch (fill.kind) {
        case FillKind::None:
        case FillKind::Solid:
            codes.type = host::fill_type::kSolid;
            return codes;
        case FillKind::Pattern:
            codes.type = host::fill_type::kPatterned;
            return codes;
        case FillKind::Picture:
            codes.type = fill.tile ? host::fill_type::kTextured : host::fill_type::kPicture;
            return codes;
        case FillKind::Gradient:
            break;
    }
    codes.type = host::fill_type::kGradient;
    // Three stops with equal ends read as the mirrored variants.
    bool mirrored = fill.stops.size() == 3 && fill.stops[0].color == fill.stops[2].color &&
                    !(fill.stops[0].color == fill.stops[1].color);
    if (!fill.linear) {
        codes.gradientStyle = fill.path == "shape" || fill.path == "circle"
                                  ? host::gradient_style::kFromCenter
                                  : host::gradient_style::kFromCorner;
        codes.gradientVariant = 1;
        return codes;
    }
    // The nearest multiple of 45 degrees picks the style: 0 left to right, 90 top to bottom,
    // 45 top-left to bottom-right, 135 top-right to bottom-left; the opposite angles swap the
    // colours (variant 2).
    int octant = static_cast<int>(std::lround(fill.angle / 45.0)) % 8;
    static const int kStyle[8] = {
        host::gradient_style::kVertical,   host::gradient_style::kDiagonalUp,
        host::gradient_style::kHorizontal, host::gradient_style::kDiagonalDown,
        host::gradient_style::kVertical,   host::gradient_style::kDiagonalUp,
        host::gradient_style::kHorizontal, host::gradient_style::kDiagonalDown};
    codes.gradientStyle = kStyle[octant];
    bool reversed = octant >= 4;
    if (mirrored) {
        codes.gradientVariant = 3;
    } else {
        codes.gradientVariant = reversed ? 2 : 1;
    }
    return codes;
}

namespace {

// An effect's length attribute in points, held within about 100 inches: beyond any slide.
float effectLength(pugi::xml_node effect, const char* name) {
    return static_cast<float>(
        static_cast<double>(std::clamp<std::int64_t>(intAttr(effect, name, 0), 0, 12700ll * 7200)) /
        12700.0);
}

// An angle attribute in degrees, held within one turn.
float effectAngle(pugi::xml_node effect, const char* name, std::int64_t fallback) {
    return static_cast<float>(static_cast<double>(intAttr(effect, name, fallback) % 21600000) /
                              60000.0);
}

// Where a shadow or reflection stands against its shape: blur, offset, scale, skew about the
// alignment point. Lengths are clamped to a slide's scale and angles to whole turns so that
// drawing stays finite.
ShadowData readEffectPlace(pugi::xml_node effect) {
    ShadowData out;
    out.present = true;
    out.blur = effectLength(effect, "blurRad");
    out.distance = effectLength(effect, "dist");
    out.direction = effectAngle(effect, "dir", 0);
    auto ratio = [&](const char* name) {
        return static_cast<float>(static_cast<double>(std::clamp<std::int64_t>(
                                      intAttr(effect, name, 100000), -1000000, 1000000)) /
                                  100000.0);
    };
    out.scaleX = ratio("sx");
    out.scaleY = ratio("sy");
    // Skews stop short of a right angle, where the shear has no finite value.
    auto skew = [&](const char* name) {
        return static_cast<float>(static_cast<double>(std::clamp<std::int64_t>(
                                      intAttr(effect, name, 0), -5340000, 5340000)) /
                                  60000.0);
    };
    out.skewX = skew("kx");
    out.skewY = skew("ky");
    std::string algn = strAttr(effect, "algn");
    if (!algn.empty()) out.align = algn;
    out.rotateWithShape = boolAttr(effect, "rotWithShape").value_or(true);
    return out;
}

}  // namespace

ShadowData readOuterShadow(pugi::xml_node effects, const ColorContext& colors) {
    pugi::xml_node sh = child(effects, "outerShdw");
    if (!sh) return {};
    ShadowData out = readEffectPlace(sh);
    out.color = readColorIn(sh, colors).value_or(Color{0, 1.0f});
    return out;
}

ReflectionData readReflection(pugi::xml_node effects) {
    ReflectionData out;
    pugi::xml_node r = child(effects, "reflection");
    if (!r) return out;
    out.present = true;
    out.place = readEffectPlace(r);
    const auto fraction = [&](const char* name, std::int64_t fallback) {
        return static_cast<float>(
            static_cast<double>(std::clamp<std::int64_t>(intAttr(r, name, fallback), 0, 100000)) /
            100000.0);
    };
    out.startAlpha = fraction("stA", 100000);
    out.startPos = fraction("stPos", 0);
    out.endAlpha = fraction("endA", 0);
    out.endPos = fraction("endPos", 100000);
    out.fadeDirection = effectAngle(r, "fadeDir", 5400000);
    return out;
}

GlowData readGlow(pugi::xml_node effects, const ColorContext& colors) {
    GlowData out;
    pugi::xml_node glow = child(effects, "glow");
    if (!glow) return out;
    out.present = true;
    out.color = readColorIn(glow, colors).value_or(Color{0, 1.0f});
    out.radius = effectLength(glow, "rad");
    return out;
}

float readSoftEdge(pugi::xml_node effects) {
    return effectLength(child(effects, "softEdge"), "rad");
}

}  // namespace quillet::pptx
