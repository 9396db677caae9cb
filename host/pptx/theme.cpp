#include "host/pptx/theme.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// Preset colour names (the common subset; others read as black).
constexpr NamedColor kPresetColors[] = {
    {"black", 0x000000},        {"white", 0xFFFFFF},       {"red", 0xFF0000},
    {"green", 0x008000},        {"blue", 0x0000FF},        {"yellow", 0xFFFF00},
    {"cyan", 0x00FFFF},         {"magenta", 0xFF00FF},     {"gray", 0x808080},
    {"grey", 0x808080},         {"silver", 0xC0C0C0},      {"maroon", 0x800000},
    {"olive", 0x808000},        {"lime", 0x00FF00},        {"aqua", 0x00FFFF},
    {"teal", 0x008080},         {"navy", 0x000080},        {"purple", 0x800080},
    {"fuchsia", 0xFF00FF},      {"orange", 0xFFA500},      {"pink", 0xFFC0CB},
    {"brown", 0xA52A2A},        {"gold", 0xFFD700},        {"violet", 0xEE82EE},
    {"indigo", 0x4B0082},       {"beige", 0xF5F5DC},       {"ltGray", 0xD3D3D3},
    {"lightGray", 0xD3D3D3},    {"dkGray", 0xA9A9A9},      {"darkGray", 0xA9A9A9},
    {"dkBlue", 0x00008B},       {"darkBlue", 0x00008B},    {"dkRed", 0x8B0000},
    {"darkRed", 0x8B0000},      {"dkGreen", 0x006400},     {"darkGreen", 0x006400},
    {"ltBlue", 0xADD8E6},       {"lightBlue", 0xADD8E6},   {"ltGreen", 0x90EE90},
    {"lightGreen", 0x90EE90},   {"ltYellow", 0xFFFFE0},    {"lightYellow", 0xFFFFE0},
    {"dkOrange", 0xFF8C00},     {"darkOrange", 0xFF8C00},  {"skyBlue", 0x87CEEB},
    {"steelBlue", 0x4682B4},    {"tan", 0xD2B48C},         {"salmon", 0xFA8072},
    {"coral", 0xFF7F50},        {"tomato", 0xFF6347},      {"crimson", 0xDC143C},
    {"khaki", 0xF0E68C},        {"lavender", 0xE6E6FA},    {"plum", 0xDDA0DD},
    {"orchid", 0xDA70D6},       {"turquoise", 0x40E0D0},   {"chocolate", 0xD2691E},
    {"firebrick", 0xB22222},    {"forestGreen", 0x228B22}, {"royalBlue", 0x4169E1},
    {"slateGray", 0x708090},    {"dimGray", 0x696969},     {"whiteSmoke", 0xF5F5F5},
    {"ivory", 0xFFFFF0},        {"snow", 0xFFFAFA},        {"seaGreen", 0x2E8B57},
    {"midnightBlue", 0x191970}, {"deepSkyBlue", 0x00BFFF}, {"dodgerBlue", 0x1E90FF},
    {"hotPink", 0xFF69B4},      {"deepPink", 0xFF1493},    {"limeGreen", 0x32CD32},
    {"yellowGreen", 0x9ACD32},  {"wheat", 0xF5DEB3},       {"sienna", 0xA0522D},
};

int presetColor(const std::string& name) {
    for (const NamedColor& c : kPresetColors) {
        if (name == c.name) return host::rgb(c.hex >> 16, c.hex >> 8, c.hex);
    }
    return 0;
}

int systemColor(pugi::xml_node n) {
    std::string last = strAttr(n, "lastClr");
    if (!last.empty()) return parseHex(last, 0);
    std::string val = strAttr(n, "val");
    if (val == "window" || val == "highlightText" || val == "btnHighlight" || val == "menu" ||
        val == "infoBk") {
        return host::rgb(255, 255, 255);
    }
    if (val == "btnFace" || val == "3dLight" || val == "menuBar") return host::rgb(240, 240, 240);
    if (val == "grayText" || val == "btnShadow") return host::rgb(128, 128, 128);
    if (val == "highlight" || val == "hotLight") return host::rgb(0, 120, 215);
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
        std::string val = strAttr(element, "val");
        if (val == "phClr") {
            color = context.placeholder.value_or(Color{});
        } else {
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
                if (found != context.theme->colors.end()) color = found->second;
            }
        }
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

Theme readTheme(std::shared_ptr<pugi::xml_document> doc) {
    Theme theme = defaultTheme();
    theme.doc = doc;
    pugi::xml_node root = doc->document_element();
    theme.name = strAttr(root, "name");
    pugi::xml_node elements = child(root, "themeElements");
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
