#include "host/pptx/theme.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace quillet::pptx {

namespace {

struct Rgbf {
    double r = 0, g = 0, b = 0;  // 0..1, gamma-encoded
};

double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

Rgbf toRgbf(int rgb) {
    return {host::redOf(rgb) / 255.0, host::greenOf(rgb) / 255.0, host::blueOf(rgb) / 255.0};
}

int toRgb(const Rgbf& c) {
    auto q = [](double v) { return static_cast<int>(std::lround(clamp01(v) * 255.0)); };
    return host::rgb(q(c.r), q(c.g), q(c.b));
}

double toLinear(double v) {
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}
double toGamma(double v) {
    v = clamp01(v);
    return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

struct Hsl {
    double h = 0, s = 0, l = 0;  // h in degrees 0..360, s and l 0..1
};

Hsl toHsl(const Rgbf& c) {
    double mx = std::max({c.r, c.g, c.b});
    double mn = std::min({c.r, c.g, c.b});
    Hsl out;
    out.l = (mx + mn) / 2;
    double d = mx - mn;
    if (d <= 1e-12) return out;
    out.s = out.l > 0.5 ? d / (2 - mx - mn) : d / (mx + mn);
    double h;
    if (mx == c.r) {
        h = (c.g - c.b) / d + (c.g < c.b ? 6 : 0);
    } else if (mx == c.g) {
        h = (c.b - c.r) / d + 2;
    } else {
        h = (c.r - c.g) / d + 4;
    }
    out.h = h * 60;
    return out;
}

double hueToRgb(double p, double q, double t) {
    if (t < 0) t += 1;
    if (t > 1) t -= 1;
    if (t < 1.0 / 6) return p + (q - p) * 6 * t;
    if (t < 1.0 / 2) return q;
    if (t < 2.0 / 3) return p + (q - p) * (2.0 / 3 - t) * 6;
    return p;
}

Rgbf fromHsl(Hsl c) {
    c.s = clamp01(c.s);
    c.l = clamp01(c.l);
    c.h = std::fmod(c.h, 360.0);
    if (c.h < 0) c.h += 360;
    if (c.s <= 0) return {c.l, c.l, c.l};
    double q = c.l < 0.5 ? c.l * (1 + c.s) : c.l + c.s - c.l * c.s;
    double p = 2 * c.l - q;
    double h = c.h / 360;
    return {hueToRgb(p, q, h + 1.0 / 3), hueToRgb(p, q, h), hueToRgb(p, q, h - 1.0 / 3)};
}

int parseHex(const std::string& text, int fallback) {
    if (text.size() != 6) return fallback;
    int value = 0;
    for (char c : text) {
        int d;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else {
            return fallback;
        }
        value = value * 16 + d;
    }
    return host::rgb(value >> 16, value >> 8, value);
}

// Percentages in DrawingML are thousandths of a percent: 100000 = 1.0.
double fraction(pugi::xml_node n) {
    auto v = intAttr(n, "val");
    if (!v) return 0;
    return static_cast<double>(std::clamp<std::int64_t>(*v, -100000000, 100000000)) / 100000.0;
}

struct NamedColor {
    const char* name;
    int hex;
};

// The preset colour names of DrawingML (the web colour names, with the dk/lt/med short forms the
// format also allows), sorted for lookup. An unknown name reads as black.
constexpr NamedColor kPresetColors[] = {
    {"aliceBlue", 0xF0F8FF},
    {"antiqueWhite", 0xFAEBD7},
    {"aqua", 0x00FFFF},
    {"aquamarine", 0x7FFFD4},
    {"azure", 0xF0FFFF},
    {"beige", 0xF5F5DC},
    {"bisque", 0xFFE4C4},
    {"black", 0x000000},
    {"blanchedAlmond", 0xFFEBCD},
    {"blue", 0x0000FF},
    {"blueViolet", 0x8A2BE2},
    {"brown", 0xA52A2A},
    {"burlyWood", 0xDEB887},
    {"cadetBlue", 0x5F9EA0},
    {"chartreuse", 0x7FFF00},
    {"chocolate", 0xD2691E},
    {"coral", 0xFF7F50},
    {"cornflowerBlue", 0x6495ED},
    {"cornsilk", 0xFFF8DC},
    {"crimson", 0xDC143C},
    {"cyan", 0x00FFFF},
    {"darkBlue", 0x00008B},
    {"darkCyan", 0x008B8B},
    {"darkGoldenrod", 0xB8860B},
    {"darkGray", 0xA9A9A9},
    {"darkGreen", 0x006400},
    {"darkGrey", 0xA9A9A9},
    {"darkKhaki", 0xBDB76B},
    {"darkMagenta", 0x8B008B},
    {"darkOliveGreen", 0x556B2F},
    {"darkOrange", 0xFF8C00},
    {"darkOrchid", 0x9932CC},
    {"darkRed", 0x8B0000},
    {"darkSalmon", 0xE9967A},
    {"darkSeaGreen", 0x8FBC8F},
    {"darkSlateBlue", 0x483D8B},
    {"darkSlateGray", 0x2F4F4F},
    {"darkSlateGrey", 0x2F4F4F},
    {"darkTurquoise", 0x00CED1},
    {"darkViolet", 0x9400D3},
    {"deepPink", 0xFF1493},
    {"deepSkyBlue", 0x00BFFF},
    {"dimGray", 0x696969},
    {"dimGrey", 0x696969},
    {"dkBlue", 0x00008B},
    {"dkCyan", 0x008B8B},
    {"dkGoldenrod", 0xB8860B},
    {"dkGray", 0xA9A9A9},
    {"dkGreen", 0x006400},
    {"dkGrey", 0xA9A9A9},
    {"dkKhaki", 0xBDB76B},
    {"dkMagenta", 0x8B008B},
    {"dkOliveGreen", 0x556B2F},
    {"dkOrange", 0xFF8C00},
    {"dkOrchid", 0x9932CC},
    {"dkRed", 0x8B0000},
    {"dkSalmon", 0xE9967A},
    {"dkSeaGreen", 0x8FBC8F},
    {"dkSlateBlue", 0x483D8B},
    {"dkSlateGray", 0x2F4F4F},
    {"dkSlateGrey", 0x2F4F4F},
    {"dkTurquoise", 0x00CED1},
    {"dkViolet", 0x9400D3},
    {"dodgerBlue", 0x1E90FF},
    {"firebrick", 0xB22222},
    {"floralWhite", 0xFFFAF0},
    {"forestGreen", 0x228B22},
    {"fuchsia", 0xFF00FF},
    {"gainsboro", 0xDCDCDC},
    {"ghostWhite", 0xF8F8FF},
    {"gold", 0xFFD700},
    {"goldenrod", 0xDAA520},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"greenYellow", 0xADFF2F},
    {"grey", 0x808080},
    {"honeydew", 0xF0FFF0},
    {"hotPink", 0xFF69B4},
    {"indianRed", 0xCD5C5C},
    {"indigo", 0x4B0082},
    {"ivory", 0xFFFFF0},
    {"khaki", 0xF0E68C},
    {"lavender", 0xE6E6FA},
    {"lavenderBlush", 0xFFF0F5},
    {"lawnGreen", 0x7CFC00},
    {"lemonChiffon", 0xFFFACD},
    {"lightBlue", 0xADD8E6},
    {"lightCoral", 0xF08080},
    {"lightCyan", 0xE0FFFF},
    {"lightGoldenrodYellow", 0xFAFAD2},
    {"lightGray", 0xD3D3D3},
    {"lightGreen", 0x90EE90},
    {"lightGrey", 0xD3D3D3},
    {"lightPink", 0xFFB6C1},
    {"lightSalmon", 0xFFA07A},
    {"lightSeaGreen", 0x20B2AA},
    {"lightSkyBlue", 0x87CEFA},
    {"lightSlateGray", 0x778899},
    {"lightSlateGrey", 0x778899},
    {"lightSteelBlue", 0xB0C4DE},
    {"lightYellow", 0xFFFFE0},
    {"lime", 0x00FF00},
    {"limeGreen", 0x32CD32},
    {"linen", 0xFAF0E6},
    {"ltBlue", 0xADD8E6},
    {"ltCoral", 0xF08080},
    {"ltCyan", 0xE0FFFF},
    {"ltGoldenrodYellow", 0xFAFAD2},
    {"ltGray", 0xD3D3D3},
    {"ltGreen", 0x90EE90},
    {"ltGrey", 0xD3D3D3},
    {"ltPink", 0xFFB6C1},
    {"ltSalmon", 0xFFA07A},
    {"ltSeaGreen", 0x20B2AA},
    {"ltSkyBlue", 0x87CEFA},
    {"ltSlateGray", 0x778899},
    {"ltSlateGrey", 0x778899},
    {"ltSteelBlue", 0xB0C4DE},
    {"ltYellow", 0xFFFFE0},
    {"magenta", 0xFF00FF},
    {"maroon", 0x800000},
    {"medAquamarine", 0x66CDAA},
    {"medBlue", 0x0000CD},
    {"medOrchid", 0xBA55D3},
    {"medPurple", 0x9370DB},
    {"medSeaGreen", 0x3CB371},
    {"medSlateBlue", 0x7B68EE},
    {"medSpringGreen", 0x00FA9A},
    {"medTurquoise", 0x48D1CC},
    {"medVioletRed", 0xC71585},
    {"mediumAquamarine", 0x66CDAA},
    {"mediumBlue", 0x0000CD},
    {"mediumOrchid", 0xBA55D3},
    {"mediumPurple", 0x9370DB},
    {"mediumSeaGreen", 0x3CB371},
    {"mediumSlateBlue", 0x7B68EE},
    {"mediumSpringGreen", 0x00FA9A},
    {"mediumTurquoise", 0x48D1CC},
    {"mediumVioletRed", 0xC71585},
    {"midnightBlue", 0x191970},
    {"mintCream", 0xF5FFFA},
    {"mistyRose", 0xFFE4E1},
    {"moccasin", 0xFFE4B5},
    {"navajoWhite", 0xFFDEAD},
    {"navy", 0x000080},
    {"oldLace", 0xFDF5E6},
    {"olive", 0x808000},
    {"oliveDrab", 0x6B8E23},
    {"orange", 0xFFA500},
    {"orangeRed", 0xFF4500},
    {"orchid", 0xDA70D6},
    {"paleGoldenrod", 0xEEE8AA},
    {"paleGreen", 0x98FB98},
    {"paleTurquoise", 0xAFEEEE},
    {"paleVioletRed", 0xDB7093},
    {"papayaWhip", 0xFFEFD5},
    {"peachPuff", 0xFFDAB9},
    {"peru", 0xCD853F},
    {"pink", 0xFFC0CB},
    {"plum", 0xDDA0DD},
    {"powderBlue", 0xB0E0E6},
    {"purple", 0x800080},
    {"red", 0xFF0000},
    {"rosyBrown", 0xBC8F8F},
    {"royalBlue", 0x4169E1},
    {"saddleBrown", 0x8B4513},
    {"salmon", 0xFA8072},
    {"sandyBrown", 0xF4A460},
    {"seaGreen", 0x2E8B57},
    {"seaShell", 0xFFF5EE},
    {"sienna", 0xA0522D},
    {"silver", 0xC0C0C0},
    {"skyBlue", 0x87CEEB},
    {"slateBlue", 0x6A5ACD},
    {"slateGray", 0x708090},
    {"slateGrey", 0x708090},
    {"snow", 0xFFFAFA},
    {"springGreen", 0x00FF7F},
    {"steelBlue", 0x4682B4},
    {"tan", 0xD2B48C},
    {"teal", 0x008080},
    {"thistle", 0xD8BFD8},
    {"tomato", 0xFF6347},
    {"turquoise", 0x40E0D0},
    {"violet", 0xEE82EE},
    {"wheat", 0xF5DEB3},
    {"white", 0xFFFFFF},
    {"whiteSmoke", 0xF5F5F5},
    {"yellow", 0xFFFF00},
    {"yellowGreen", 0x9ACD32},
};

int presetColor(const std::string& name) {
    auto it =
        std::lower_bound(std::begin(kPresetColors), std::end(kPresetColors), name,
                         [](const NamedColor& c, const std::string& n) { return c.name < n; });
    if (it == std::end(kPresetColors) || name != it->name) return 0;
    return host::rgb(it->hex >> 16, it->hex >> 8, it->hex);
}

// System colours with the values of a default desktop scheme, for files that give no lastClr.
constexpr NamedColor kSystemColors[] = {
    {"3dDkShadow", 0x696969},
    {"3dLight", 0xE3E3E3},
    {"activeBorder", 0xB4B4B4},
    {"activeCaption", 0x99B4D1},
    {"appWorkspace", 0xABABAB},
    {"background", 0x000000},
    {"btnFace", 0xF0F0F0},
    {"btnHighlight", 0xFFFFFF},
    {"btnShadow", 0xA0A0A0},
    {"btnText", 0x000000},
    {"captionText", 0x000000},
    {"gradientActiveCaption", 0xB9D1EA},
    {"gradientInactiveCaption", 0xD7E4F2},
    {"grayText", 0x6D6D6D},
    {"highlight", 0x0078D7},
    {"highlightText", 0xFFFFFF},
    {"hotLight", 0x0066CC},
    {"inactiveBorder", 0xF4F7FC},
    {"inactiveCaption", 0xBFCDDB},
    {"inactiveCaptionText", 0x000000},
    {"infoBk", 0xFFFFE1},
    {"infoText", 0x000000},
    {"menu", 0xF0F0F0},
    {"menuBar", 0xF0F0F0},
    {"menuHighlight", 0x3399FF},
    {"menuText", 0x000000},
    {"scrollBar", 0xC8C8C8},
    {"window", 0xFFFFFF},
    {"windowFrame", 0x646464},
    {"windowText", 0x000000},
};

int systemColor(pugi::xml_node n) {
    std::string last = strAttr(n, "lastClr");
    if (!last.empty()) return parseHex(last, 0);
    std::string val = strAttr(n, "val");
    for (const NamedColor& c : kSystemColors) {
        if (val == c.name) return host::rgb(c.hex >> 16, c.hex >> 8, c.hex);
    }
    return 0;
}

// A colour while its transforms apply: kept at full precision until the end of the chain.
struct WorkColor {
    Rgbf c;
    double alpha = 1;
};

void applyTransform(WorkColor& color, pugi::xml_node t) {
    std::string_view name = localName(t.name());
    double v = fraction(t);
    Rgbf& c = color.c;
    auto withHsl = [&](auto&& change) {
        Hsl h = toHsl(c);
        change(h);
        c = fromHsl(h);
    };
    if (name == "alpha") {
        color.alpha = clamp01(v);
    } else if (name == "alphaMod") {
        color.alpha = clamp01(color.alpha * v);
    } else if (name == "alphaOff") {
        color.alpha = clamp01(color.alpha + v);
    } else if (name == "lumMod") {
        withHsl([&](Hsl& h) { h.l *= v; });
    } else if (name == "lumOff") {
        withHsl([&](Hsl& h) { h.l += v; });
    } else if (name == "lum") {
        withHsl([&](Hsl& h) { h.l = v; });
    } else if (name == "satMod") {
        withHsl([&](Hsl& h) { h.s *= v; });
    } else if (name == "satOff") {
        withHsl([&](Hsl& h) { h.s += v; });
    } else if (name == "sat") {
        withHsl([&](Hsl& h) { h.s = v; });
    } else if (name == "hueMod") {
        withHsl([&](Hsl& h) { h.h *= v; });
    } else if (name == "hueOff" || name == "hue") {
        // Angles are 60000ths of a degree.
        double degrees = static_cast<double>(intAttr(t, "val", 0) % 21600000) / 60000.0;
        withHsl([&](Hsl& h) { h.h = name == "hue" ? degrees : h.h + degrees; });
    } else if (name == "tint" || name == "shade") {
        // Tints and shades work in linear light: a shade scales towards black, a tint moves
        // towards white by the remaining fraction.
        double k = clamp01(v);
        auto apply = [&](double ch) {
            double lin = toLinear(clamp01(ch));
            lin = name == "shade" ? lin * k : 1 - (1 - lin) * k;
            return toGamma(lin);
        };
        c = {apply(c.r), apply(c.g), apply(c.b)};
    } else if (name == "comp") {
        withHsl([&](Hsl& h) { h.h += 180; });
    } else if (name == "inv") {
        c = {1 - c.r, 1 - c.g, 1 - c.b};
    } else if (name == "gray") {
        double y = 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
        c = {y, y, y};
    } else if (name == "red" || name == "green" || name == "blue" || name == "redMod" ||
               name == "greenMod" || name == "blueMod" || name == "redOff" || name == "greenOff" ||
               name == "blueOff") {
        double* ch = name.front() == 'r' ? &c.r : name.front() == 'g' ? &c.g : &c.b;
        double lin = toLinear(clamp01(*ch));
        if (name.ends_with("Mod")) {
            lin *= v;
        } else if (name.ends_with("Off")) {
            lin += v;
        } else {
            lin = v;
        }
        *ch = toGamma(lin);
    } else if (name == "gamma") {
        c = {toGamma(c.r), toGamma(c.g), toGamma(c.b)};
    } else if (name == "invGamma") {
        c = {toLinear(clamp01(c.r)), toLinear(clamp01(c.g)), toLinear(clamp01(c.b))};
    }
    c = {clamp01(c.r), clamp01(c.g), clamp01(c.b)};
}

}  // namespace

Color applyColorTransform(Color color, pugi::xml_node t) {
    WorkColor work{toRgbf(color.rgb), color.alpha};
    applyTransform(work, t);
    return Color{toRgb(work.c), static_cast<float>(work.alpha)};
}

Color schemeColor(std::string val, const ColorContext& context) {
    if (val == "phClr") return context.placeholder.value_or(Color{});
    if (context.colorMap) {
        auto mapped = context.colorMap->find(val);
        if (mapped != context.colorMap->end()) val = mapped->second;
    }
    // Without a map the usual defaults hold.
    if (val == "bg1") val = "lt1";
    if (val == "tx1") val = "dk1";
    if (val == "bg2") val = "lt2";
    if (val == "tx2") val = "dk2";
    if (context.theme) {
        auto found = context.theme->colors.find(val);
        if (found != context.theme->colors.end()) return found->second;
    }
    return Color{};
}

std::optional<Color> readColor(pugi::xml_node element, const ColorContext& context) {
    std::string_view name = localName(element.name());
    Color color;
    if (name == "srgbClr") {
        color.rgb = parseHex(strAttr(element, "val"), 0);
    } else if (name == "scrgbClr") {
        auto channel = [&](const char* a) {
            return toGamma(static_cast<double>(intAttr(element, a, 0)) / 100000.0);
        };
        color.rgb = toRgb({channel("r"), channel("g"), channel("b")});
    } else if (name == "hslClr") {
        Hsl h;
        h.h = static_cast<double>(intAttr(element, "hue", 0)) / 60000.0;
        h.s = static_cast<double>(intAttr(element, "sat", 0)) / 100000.0;
        h.l = static_cast<double>(intAttr(element, "lum", 0)) / 100000.0;
        color.rgb = toRgb(fromHsl(h));
    } else if (name == "sysClr") {
        color.rgb = systemColor(element);
    } else if (name == "prstClr") {
        color.rgb = presetColor(strAttr(element, "val"));
    } else if (name == "schemeClr") {
        color = schemeColor(strAttr(element, "val"), context);
    } else {
        return std::nullopt;
    }
    WorkColor work{toRgbf(color.rgb), color.alpha};
    for (pugi::xml_node t = element.first_child(); t; t = t.next_sibling()) {
        if (t.type() == pugi::node_element) applyTransform(work, t);
    }
    return Color{toRgb(work.c), static_cast<float>(work.alpha)};
}

std::optional<Color> readColorIn(pugi::xml_node node, const ColorContext& context) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (c.type() != pugi::node_element) continue;
        if (auto color = readColor(c, context)) return color;
    }
    return std::nullopt;
}

ColorMap readColorMap(pugi::xml_node clrMap) {
    ColorMap map = defaultColorMap();
    if (!clrMap) return map;
    for (pugi::xml_attribute a = clrMap.first_attribute(); a; a = a.next_attribute()) {
        if (std::strchr(a.name(), ':')) continue;
        map[a.name()] = a.value();
    }
    return map;
}

ColorMap defaultColorMap() {
    return {{"bg1", "lt1"},         {"tx1", "dk1"},         {"bg2", "lt2"},
            {"tx2", "dk2"},         {"accent1", "accent1"}, {"accent2", "accent2"},
            {"accent3", "accent3"}, {"accent4", "accent4"}, {"accent5", "accent5"},
            {"accent6", "accent6"}, {"hlink", "hlink"},     {"folHlink", "folHlink"}};
}

namespace {

// The colour, font and format schemes found among elements' children (a theme's themeElements or
// a theme override's root); what is missing keeps its value.
void readSchemes(pugi::xml_node elements, Theme& theme) {
    ColorContext none;
    for (pugi::xml_node c : child(elements, "clrScheme").children()) {
        if (c.type() != pugi::node_element) continue;
        if (auto color = readColorIn(c, none))
            theme.colors[std::string(localName(c.name()))] = *color;
    }
    pugi::xml_node fonts = child(elements, "fontScheme");
    if (pugi::xml_node major = child(fonts, "majorFont")) {
        theme.majorLatin = strAttr(child(major, "latin"), "typeface");
        theme.majorEastAsian = strAttr(child(major, "ea"), "typeface");
        theme.majorComplex = strAttr(child(major, "cs"), "typeface");
    }
    if (pugi::xml_node minor = child(fonts, "minorFont")) {
        theme.minorLatin = strAttr(child(minor, "latin"), "typeface");
        theme.minorEastAsian = strAttr(child(minor, "ea"), "typeface");
        theme.minorComplex = strAttr(child(minor, "cs"), "typeface");
    }
    pugi::xml_node format = child(elements, "fmtScheme");
    auto collect = [](pugi::xml_node list, std::vector<pugi::xml_node>& out) {
        if (!list) return;
        out.clear();
        for (pugi::xml_node c : list.children()) {
            if (c.type() == pugi::node_element) out.push_back(c);
        }
    };
    collect(child(format, "fillStyleLst"), theme.fillStyles);
    collect(child(format, "lnStyleLst"), theme.lineStyles);
    collect(child(format, "bgFillStyleLst"), theme.backgroundFillStyles);
    collect(child(format, "effectStyleLst"), theme.effectStyles);
}

}  // namespace

Theme readTheme(std::shared_ptr<pugi::xml_document> doc) {
    Theme theme = defaultTheme();
    theme.doc = doc;
    pugi::xml_node root = doc->document_element();
    theme.name = strAttr(root, "name");
    readSchemes(child(root, "themeElements"), theme);
    return theme;
}

Theme overrideTheme(const Theme& base, std::shared_ptr<pugi::xml_document> doc) {
    Theme theme = base;
    pugi::xml_node root = doc->document_element();
    if (localName(root.name()) != "themeOverride") return theme;
    // Format entries of the override live in its own document; keep it alive with them.
    if (child(root, "fmtScheme")) theme.doc = doc;
    readSchemes(root, theme);
    return theme;
}

Theme defaultTheme() {
    Theme theme;
    theme.name = "Default";
    auto set = [&](const char* name, int hex) {
        theme.colors[name] = Color{host::rgb(hex >> 16, hex >> 8, hex), 1.0f};
    };
    set("dk1", 0x000000);
    set("lt1", 0xFFFFFF);
    set("dk2", 0x1F497D);
    set("lt2", 0xEEECE1);
    set("accent1", 0x4F81BD);
    set("accent2", 0xC0504D);
    set("accent3", 0x9BBB59);
    set("accent4", 0x8064A2);
    set("accent5", 0x4BACC6);
    set("accent6", 0xF79646);
    set("hlink", 0x0000FF);
    set("folHlink", 0x800080);
    theme.majorLatin = "Calibri";
    theme.minorLatin = "Calibri";
    return theme;
}

std::string resolveThemeFont(const std::string& typeface, const Theme* theme) {
    if (typeface.size() < 4 || typeface[0] != '+' || !theme) return typeface;
    if (typeface == "+mj-lt") return theme->majorLatin;
    if (typeface == "+mn-lt") return theme->minorLatin;
    if (typeface == "+mj-ea") return theme->majorEastAsian;
    if (typeface == "+mn-ea") return theme->minorEastAsian;
    if (typeface == "+mj-cs") return theme->majorComplex;
    if (typeface == "+mn-cs") return theme->minorComplex;
    return typeface;
}

}  // namespace quillet::pptx
