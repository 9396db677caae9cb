#include "host/pptx/presets.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/codes.h"

namespace quillet::pptx {

namespace {

struct PresetEntry {
    const char* name;
    int kind;
};

// Preset geometry names and the host's kind numbers.
constexpr PresetEntry kPresets[] = {
    {"rect", 1},
    {"parallelogram", 2},
    {"trapezoid", 3},
    {"diamond", 4},
    {"roundRect", 5},
    {"octagon", 6},
    {"triangle", 7},
    {"rtTriangle", 8},
    {"ellipse", 9},
    {"hexagon", 10},
    {"plus", 11},
    {"pentagon", 12},
    {"can", 13},
    {"cube", 14},
    {"bevel", 15},
    {"foldedCorner", 16},
    {"smileyFace", 17},
    {"donut", 18},
    {"noSmoking", 19},
    {"blockArc", 20},
    {"heart", 21},
    {"lightningBolt", 22},
    {"sun", 23},
    {"moon", 24},
    {"arc", 25},
    {"bracketPair", 26},
    {"bracePair", 27},
    {"plaque", 28},
    {"leftBracket", 29},
    {"rightBracket", 30},
    {"leftBrace", 31},
    {"rightBrace", 32},
    {"rightArrow", 33},
    {"leftArrow", 34},
    {"upArrow", 35},
    {"downArrow", 36},
    {"leftRightArrow", 37},
    {"upDownArrow", 38},
    {"quadArrow", 39},
    {"leftRightUpArrow", 40},
    {"bentArrow", 41},
    {"uturnArrow", 42},
    {"leftUpArrow", 43},
    {"bentUpArrow", 44},
    {"curvedRightArrow", 45},
    {"curvedLeftArrow", 46},
    {"curvedUpArrow", 47},
    {"curvedDownArrow", 48},
    {"stripedRightArrow", 49},
    {"notchedRightArrow", 50},
    {"homePlate", 51},
    {"chevron", 52},
    {"rightArrowCallout", 53},
    {"leftArrowCallout", 54},
    {"upArrowCallout", 55},
    {"downArrowCallout", 56},
    {"leftRightArrowCallout", 57},
    {"upDownArrowCallout", 58},
    {"quadArrowCallout", 59},
    {"circularArrow", 60},
    {"flowChartProcess", 61},
    {"flowChartAlternateProcess", 62},
    {"flowChartDecision", 63},
    {"flowChartInputOutput", 64},
    {"flowChartPredefinedProcess", 65},
    {"flowChartInternalStorage", 66},
    {"flowChartDocument", 67},
    {"flowChartMultidocument", 68},
    {"flowChartTerminator", 69},
    {"flowChartPreparation", 70},
    {"flowChartManualInput", 71},
    {"flowChartManualOperation", 72},
    {"flowChartConnector", 73},
    {"flowChartOffpageConnector", 74},
    {"flowChartPunchedCard", 75},
    {"flowChartPunchedTape", 76},
    {"flowChartSummingJunction", 77},
    {"flowChartOr", 78},
    {"flowChartCollate", 79},
    {"flowChartSort", 80},
    {"flowChartExtract", 81},
    {"flowChartMerge", 82},
    {"flowChartOnlineStorage", 83},
    {"flowChartDelay", 84},
    {"flowChartMagneticTape", 85},
    {"flowChartMagneticDisk", 86},
    {"flowChartMagneticDrum", 87},
    {"flowChartDisplay", 88},
    {"irregularSeal1", 89},
    {"irregularSeal2", 90},
    {"star4", 91},
    {"star5", 92},
    {"star8", 93},
    {"star16", 94},
    {"star24", 95},
    {"star32", 96},
    {"ribbon2", 97},
    {"ribbon", 98},
    {"ellipseRibbon2", 99},
    {"ellipseRibbon", 100},
    {"verticalScroll", 101},
    {"horizontalScroll", 102},
    {"wave", 103},
    {"doubleWave", 104},
    {"wedgeRectCallout", 105},
    {"wedgeRoundRectCallout", 106},
    {"wedgeEllipseCallout", 107},
    {"cloudCallout", 108},
    {"borderCallout1", 109},
    {"borderCallout2", 110},
    {"borderCallout3", 111},
    {"accentCallout1", 113},
    {"accentCallout2", 114},
    {"accentCallout3", 115},
    {"callout1", 117},
    {"callout2", 118},
    {"callout3", 119},
    {"accentBorderCallout1", 121},
    {"accentBorderCallout2", 122},
    {"accentBorderCallout3", 123},
    {"actionButtonBlank", 125},
    {"actionButtonHome", 126},
    {"actionButtonHelp", 127},
    {"actionButtonInformation", 128},
    {"actionButtonBackPrevious", 129},
    {"actionButtonForwardNext", 130},
    {"actionButtonBeginning", 131},
    {"actionButtonEnd", 132},
    {"actionButtonReturn", 133},
    {"actionButtonDocument", 134},
    {"actionButtonSound", 135},
    {"actionButtonMovie", 136},
    {"flowChartOfflineStorage", 139},
    {"leftRightRibbon", 140},
    {"diagStripe", 141},
    {"pie", 142},
    {"nonIsoscelesTrapezoid", 143},
    {"decagon", 144},
    {"heptagon", 145},
    {"dodecagon", 146},
    {"star6", 147},
    {"star7", 148},
    {"star10", 149},
    {"star12", 150},
    {"round1Rect", 151},
    {"round2SameRect", 152},
    {"round2DiagRect", 153},
    {"snipRoundRect", 154},
    {"snip1Rect", 155},
    {"snip2SameRect", 156},
    {"snip2DiagRect", 157},
    {"frame", 158},
    {"halfFrame", 159},
    {"teardrop", 160},
    {"chord", 161},
    {"corner", 162},
    {"mathPlus", 163},
    {"mathMinus", 164},
    {"mathMultiply", 165},
    {"mathDivide", 166},
    {"mathEqual", 167},
    {"mathNotEqual", 168},
    {"cornerTabs", 169},
    {"squareTabs", 170},
    {"plaqueTabs", 171},
    {"gear6", 172},
    {"gear9", 173},
    {"funnel", 174},
    {"pieWedge", 175},
    {"leftCircularArrow", 176},
    {"leftRightCircularArrow", 177},
    {"swooshArrow", 178},
    {"cloud", 179},
    {"chartX", 180},
    {"chartStar", 181},
    {"chartPlus", 182},
    {"lineInv", 183},
};

struct Guide {
    const char* name;
    long long value;  // 100000 = 1.0; angles in 60000ths of a degree
    bool angle;
};

struct Defaults {
    const char* name;
    Guide guides[8];
};

// The adjustment guides of every preset that has any, in order, with their default values, so
// that a shape without avLst still reports its preset's adjustments. The presets' internal
// factors (hf, vf of the regular polygons and stars) are not adjustments and are left out.
constexpr Defaults kDefaults[] = {
    {"accentBorderCallout1",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 112500, false},
      {"adj4", -38333, false}}},
    {"accentBorderCallout2",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 18750, false},
      {"adj4", -16667, false},
      {"adj5", 112500, false},
      {"adj6", -46667, false}}},
    {"accentBorderCallout3",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 18750, false},
      {"adj4", -16667, false},
      {"adj5", 100000, false},
      {"adj6", -16667, false},
      {"adj7", 112963, false},
      {"adj8", -8333, false}}},
    {"accentCallout1",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 112500, false},
      {"adj4", -38333, false}}},
    {"accentCallout2",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 18750, false},
      {"adj4", -16667, false},
      {"adj5", 112500, false},
      {"adj6", -46667, false}}},
    {"accentCallout3",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 18750, false},
      {"adj4", -16667, false},
      {"adj5", 100000, false},
      {"adj6", -16667, false},
      {"adj7", 112963, false},
      {"adj8", -8333, false}}},
    {"arc", {{"adj1", 16200000, true}, {"adj2", 0, true}}},
    {"bentArrow",
     {{"adj1", 25000, false},
      {"adj2", 25000, false},
      {"adj3", 25000, false},
      {"adj4", 43750, false}}},
    {"bentUpArrow", {{"adj1", 25000, false}, {"adj2", 25000, false}, {"adj3", 25000, false}}},
    {"bevel", {{"adj", 12500, false}}},
    {"blockArc", {{"adj1", 10800000, true}, {"adj2", 0, true}, {"adj3", 25000, false}}},
    {"borderCallout1",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 112500, false},
      {"adj4", -38333, false}}},
    {"borderCallout2",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 18750, false},
      {"adj4", -16667, false},
      {"adj5", 112500, false},
      {"adj6", -46667, false}}},
    {"borderCallout3",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 18750, false},
      {"adj4", -16667, false},
      {"adj5", 100000, false},
      {"adj6", -16667, false},
      {"adj7", 112963, false},
      {"adj8", -8333, false}}},
    {"bracePair", {{"adj", 8333, false}}},
    {"bracketPair", {{"adj", 16667, false}}},
    {"callout1",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 112500, false},
      {"adj4", -38333, false}}},
    {"callout2",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 18750, false},
      {"adj4", -16667, false},
      {"adj5", 112500, false},
      {"adj6", -46667, false}}},
    {"callout3",
     {{"adj1", 18750, false},
      {"adj2", -8333, false},
      {"adj3", 18750, false},
      {"adj4", -16667, false},
      {"adj5", 100000, false},
      {"adj6", -16667, false},
      {"adj7", 112963, false},
      {"adj8", -8333, false}}},
    {"can", {{"adj", 25000, false}}},
    {"chevron", {{"adj", 50000, false}}},
    {"chord", {{"adj1", 2700000, true}, {"adj2", 16200000, true}}},
    {"circularArrow",
     {{"adj1", 12500, false},
      {"adj2", 1142319, true},
      {"adj3", 20457681, true},
      {"adj4", 10800000, true},
      {"adj5", 12500, false}}},
    {"cloudCallout", {{"adj1", -20833, false}, {"adj2", 62500, false}}},
    {"corner", {{"adj1", 50000, false}, {"adj2", 50000, false}}},
    {"cube", {{"adj", 25000, false}}},
    {"curvedDownArrow", {{"adj1", 25000, false}, {"adj2", 50000, false}, {"adj3", 25000, false}}},
    {"curvedLeftArrow", {{"adj1", 25000, false}, {"adj2", 50000, false}, {"adj3", 25000, false}}},
    {"curvedRightArrow", {{"adj1", 25000, false}, {"adj2", 50000, false}, {"adj3", 25000, false}}},
    {"curvedUpArrow", {{"adj1", 25000, false}, {"adj2", 50000, false}, {"adj3", 25000, false}}},
    {"diagStripe", {{"adj", 50000, false}}},
    {"donut", {{"adj", 25000, false}}},
    {"doubleWave", {{"adj1", 6250, false}, {"adj2", 0, false}}},
    {"downArrow", {{"adj1", 50000, false}, {"adj2", 50000, false}}},
    {"downArrowCallout",
     {{"adj1", 25000, false},
      {"adj2", 25000, false},
      {"adj3", 25000, false},
      {"adj4", 64977, false}}},
    {"ellipseRibbon", {{"adj1", 25000, false}, {"adj2", 50000, false}, {"adj3", 12500, false}}},
    {"ellipseRibbon2", {{"adj1", 25000, false}, {"adj2", 50000, false}, {"adj3", 12500, false}}},
    {"foldedCorner", {{"adj", 16667, false}}},
    {"frame", {{"adj1", 12500, false}}},
    {"gear6", {{"adj1", 15000, false}, {"adj2", 3526, false}}},
    {"gear9", {{"adj1", 10000, false}, {"adj2", 1763, false}}},
    {"halfFrame", {{"adj1", 33333, false}, {"adj2", 33333, false}}},
    {"hexagon", {{"adj", 25000, false}}},
    {"homePlate", {{"adj", 50000, false}}},
    {"horizontalScroll", {{"adj", 12500, false}}},
    {"leftArrow", {{"adj1", 50000, false}, {"adj2", 50000, false}}},
    {"leftArrowCallout",
     {{"adj1", 25000, false},
      {"adj2", 25000, false},
      {"adj3", 25000, false},
      {"adj4", 64977, false}}},
    {"leftBrace", {{"adj1", 8333, false}, {"adj2", 50000, false}}},
    {"leftBracket", {{"adj", 8333, false}}},
    {"leftCircularArrow",
     {{"adj1", 12500, false},
      {"adj2", -1142319, true},
      {"adj3", 1142319, true},
      {"adj4", 10800000, true},
      {"adj5", 12500, false}}},
    {"leftRightArrow", {{"adj1", 50000, false}, {"adj2", 50000, false}}},
    {"leftRightArrowCallout",
     {{"adj1", 25000, false},
      {"adj2", 25000, false},
      {"adj3", 25000, false},
      {"adj4", 48123, false}}},
    {"leftRightCircularArrow",
     {{"adj1", 12500, false},
      {"adj2", 1142319, true},
      {"adj3", 20457681, true},
      {"adj4", 11942319, true},
      {"adj5", 12500, false}}},
    {"leftRightRibbon", {{"adj1", 50000, false}, {"adj2", 50000, false}, {"adj3", 16667, false}}},
    {"leftRightUpArrow", {{"adj1", 25000, false}, {"adj2", 25000, false}, {"adj3", 25000, false}}},
    {"leftUpArrow", {{"adj1", 25000, false}, {"adj2", 25000, false}, {"adj3", 25000, false}}},
    {"mathDivide", {{"adj1", 23520, false}, {"adj2", 5880, false}, {"adj3", 11760, false}}},
    {"mathEqual", {{"adj1", 23520, false}, {"adj2", 11760, false}}},
    {"mathMinus", {{"adj1", 23520, false}}},
    {"mathMultiply", {{"adj1", 23520, false}}},
    {"mathNotEqual", {{"adj1", 23520, false}, {"adj2", 6600000, true}, {"adj3", 11760, false}}},
    {"mathPlus", {{"adj1", 23520, false}}},
    {"moon", {{"adj", 50000, false}}},
    {"noSmoking", {{"adj", 18750, false}}},
    {"nonIsoscelesTrapezoid", {{"adj1", 25000, false}, {"adj2", 25000, false}}},
    {"notchedRightArrow", {{"adj1", 50000, false}, {"adj2", 50000, false}}},
    {"octagon", {{"adj", 29289, false}}},
    {"parallelogram", {{"adj", 25000, false}}},
    {"pie", {{"adj1", 0, true}, {"adj2", 16200000, true}}},
    {"plaque", {{"adj", 16667, false}}},
    {"plus", {{"adj", 25000, false}}},
    {"quadArrow", {{"adj1", 22500, false}, {"adj2", 22500, false}, {"adj3", 22500, false}}},
    {"quadArrowCallout",
     {{"adj1", 18515, false},
      {"adj2", 18515, false},
      {"adj3", 18515, false},
      {"adj4", 48123, false}}},
    {"ribbon", {{"adj1", 16667, false}, {"adj2", 50000, false}}},
    {"ribbon2", {{"adj1", 16667, false}, {"adj2", 50000, false}}},
    {"rightArrow", {{"adj1", 50000, false}, {"adj2", 50000, false}}},
    {"rightArrowCallout",
     {{"adj1", 25000, false},
      {"adj2", 25000, false},
      {"adj3", 25000, false},
      {"adj4", 64977, false}}},
    {"rightBrace", {{"adj1", 8333, false}, {"adj2", 50000, false}}},
    {"rightBracket", {{"adj", 8333, false}}},
    {"round1Rect", {{"adj", 16667, false}}},
    {"round2DiagRect", {{"adj1", 16667, false}, {"adj2", 0, false}}},
    {"round2SameRect", {{"adj1", 16667, false}, {"adj2", 0, false}}},
    {"roundRect", {{"adj", 16667, false}}},
    {"smileyFace", {{"adj", 4653, false}}},
    {"snip1Rect", {{"adj", 16667, false}}},
    {"snip2DiagRect", {{"adj1", 0, false}, {"adj2", 16667, false}}},
    {"snip2SameRect", {{"adj1", 16667, false}, {"adj2", 0, false}}},
    {"snipRoundRect", {{"adj1", 16667, false}, {"adj2", 16667, false}}},
    {"star10", {{"adj", 42533, false}}},
    {"star12", {{"adj", 37500, false}}},
    {"star16", {{"adj", 37500, false}}},
    {"star24", {{"adj", 37500, false}}},
    {"star32", {{"adj", 37500, false}}},
    {"star4", {{"adj", 12500, false}}},
    {"star5", {{"adj", 19098, false}}},
    {"star6", {{"adj", 28868, false}}},
    {"star7", {{"adj", 34601, false}}},
    {"star8", {{"adj", 38250, false}}},
    {"stripedRightArrow", {{"adj1", 50000, false}, {"adj2", 50000, false}}},
    {"sun", {{"adj", 25000, false}}},
    {"swooshArrow", {{"adj1", 25000, false}, {"adj2", 16667, false}}},
    {"teardrop", {{"adj", 100000, false}}},
    {"trapezoid", {{"adj", 25000, false}}},
    {"triangle", {{"adj", 50000, false}}},
    {"upArrow", {{"adj1", 50000, false}, {"adj2", 50000, false}}},
    {"upArrowCallout",
     {{"adj1", 25000, false},
      {"adj2", 25000, false},
      {"adj3", 25000, false},
      {"adj4", 64977, false}}},
    {"upDownArrow", {{"adj1", 50000, false}, {"adj2", 50000, false}}},
    {"upDownArrowCallout",
     {{"adj1", 25000, false},
      {"adj2", 25000, false},
      {"adj3", 25000, false},
      {"adj4", 48123, false}}},
    {"uturnArrow",
     {{"adj1", 25000, false},
      {"adj2", 25000, false},
      {"adj3", 25000, false},
      {"adj4", 43750, false},
      {"adj5", 75000, false}}},
    {"verticalScroll", {{"adj", 12500, false}}},
    {"wave", {{"adj1", 12500, false}, {"adj2", 0, false}}},
    {"wedgeEllipseCallout", {{"adj1", -20833, false}, {"adj2", 62500, false}}},
    {"wedgeRectCallout", {{"adj1", -20833, false}, {"adj2", 62500, false}}},
    {"wedgeRoundRectCallout",
     {{"adj1", -20833, false}, {"adj2", 62500, false}, {"adj3", 16667, false}}},
};

const Defaults* defaultsFor(const std::string& preset) {
    for (const Defaults& d : kDefaults) {
        if (preset == d.name) return &d;
    }
    return nullptr;
}

std::size_t guideCount(const Defaults& d) {
    std::size_t n = 0;
    while (n < 8 && d.guides[n].name) ++n;
    return n;
}

}  // namespace

int presetKind(const std::string& preset) {
    for (const PresetEntry& p : kPresets) {
        if (preset == p.name) return p.kind;
    }
    return host::shape_kind::kMixed;
}

TextRect presetTextRect(const std::string& preset,
                        const std::vector<std::pair<std::string, double>>& adjust, double width,
                        double height) {
    double w = std::isfinite(width) ? std::max(0.0, width) : 0;
    double h = std::isfinite(height) ? std::max(0.0, height) : 0;
    TextRect box{0, 0, w, h};
    auto value = [&](const char* name, double fallback) {
        for (const auto& [n, v] : adjust) {
            if (n == name && std::isfinite(v)) return v;
        }
        return fallback;
    };
    double ss = std::min(w, h);
    // Rounded corners: the text keeps clear of the arcs by (1 - cos 45°) of the radius.
    auto rounded = [&](double radius) {
        double inset = radius * 0.29289;
        return TextRect{inset, inset, w - inset, h - inset};
    };
    if (preset == "roundRect") {
        return rounded(ss * std::clamp(value("adj", 16667), 0.0, 50000.0) / 100000);
    }
    if (preset == "wedgeRoundRectCallout") {
        return rounded(ss * std::clamp(value("adj3", 16667), 0.0, 50000.0) / 100000);
    }
    if (preset == "flowChartAlternateProcess") return rounded(ss / 6);
    if (preset == "ellipse" || preset == "flowChartConnector") {
        double dx = w / 2 * 0.70711, dy = h / 2 * 0.70711;
        return {w / 2 - dx, h / 2 - dy, w / 2 + dx, h / 2 + dy};
    }
    if (preset == "triangle" || preset == "flowChartExtract") {
        double a = preset == "triangle" ? std::clamp(value("adj", 50000), 0.0, 100000.0) : 50000;
        double x1 = w * a / 200000;
        return {x1, h / 2, x1 + w / 2, h};
    }
    if (preset == "rtTriangle") return {w / 12, h * 7 / 12, w * 7 / 12, h * 11 / 12};
    if (preset == "diamond" || preset == "flowChartDecision") {
        return {w / 4, h / 4, w * 3 / 4, h * 3 / 4};
    }
    if (preset == "flowChartMerge") return {w / 4, 0, w * 3 / 4, h / 2};
    if (preset == "flowChartTerminator") {
        return {w * 1018 / 21600, h * 3163 / 21600, w * 20582 / 21600, h * 18437 / 21600};
    }
    return box;
}

std::vector<float> hostAdjustments(const std::string& preset,
                                   const std::map<std::string, long long>& guides, float width,
                                   float height) {
    std::vector<float> out;
    const Defaults* defaults = defaultsFor(preset);
    if (!defaults) return out;
    int kind = presetKind(preset);
    float shorter = std::min(width, height);
    for (std::size_t i = 0; i < guideCount(*defaults); ++i) {
        const Guide& g = defaults->guides[i];
        auto found = guides.find(g.name);
        long long raw = found != guides.end() ? found->second : g.value;
        raw = std::clamp<long long>(raw, -100000000, 100000000);
        if (g.angle) {
            // Degrees clockwise, within -180 .. 180 as the host gives angles.
            double degrees = std::fmod(static_cast<double>(raw) / 60000.0, 360.0);
            if (degrees > 180) degrees -= 360;
            if (degrees <= -180) degrees += 360;
            out.push_back(static_cast<float>(degrees));
            continue;
        }
        float v = static_cast<float>(raw) / 100000.0f;
        bool alongShorterSide =
            kind == host::shape_kind::kParallelogram || kind == host::shape_kind::kTrapezoid ||
            kind == host::shape_kind::kOctagon || kind == host::shape_kind::kCross ||
            kind == host::shape_kind::kCan || kind == host::shape_kind::kCube ||
            (kind == host::shape_kind::kHexagon && i == 0);
        if (alongShorterSide) {
            // The file measures these offsets on the shorter side; the host on the width.
            float upper = kind == host::shape_kind::kParallelogram ? 1.0f : 0.5f;
            if (kind == host::shape_kind::kCube) upper = 1.0f;
            if (kind == host::shape_kind::kCan)
                upper = height > 0 && width > 0 ? height / width : 0;
            v = width > 0 ? std::clamp(v * shorter / width, 0.0f, upper) : 0.0f;
        } else if ((kind == host::shape_kind::kRectangularCallout ||
                    kind == host::shape_kind::kRoundedRectangularCallout ||
                    kind == host::shape_kind::kOvalCallout ||
                    kind == host::shape_kind::kCloudCallout) &&
                   i < 2) {
            v += 0.5f;  // from the centre to the top-left corner
        }
        out.push_back(v);
    }
    return out;
}

int patternCode(const std::string& preset) {
    static const char* const kNames[] = {
        "pct5",     "pct10",      "pct20",    "pct25",     "pct30",      "pct40",      "pct50",
        "pct60",    "pct70",      "pct75",    "pct80",     "pct90",      "dkHorz",     "dkVert",
        "dkDnDiag", "dkUpDiag",   "smCheck",  "trellis",   "ltHorz",     "ltVert",     "ltDnDiag",
        "ltUpDiag", "smGrid",     "dotDmnd",  "wdDnDiag",  "wdUpDiag",   "dashUpDiag", "dashDnDiag",
        "narVert",  "narHorz",    "dashVert", "dashHorz",  "lgConfetti", "lgGrid",     "horzBrick",
        "lgCheck",  "smConfetti", "zigZag",   "solidDmnd", "diagBrick",  "openDmnd",   "plaid",
        "sphere",   "weave",      "dotGrid",  "divot",     "shingle",    "wave",       "horz",
        "vert",     "cross",      "dnDiag",   "upDiag",    "diagCross",
    };
    for (std::size_t i = 0; i < sizeof kNames / sizeof kNames[0]; ++i) {
        if (preset == kNames[i]) return static_cast<int>(i) + 1;
    }
    return 0;
}

}  // namespace quillet::pptx
