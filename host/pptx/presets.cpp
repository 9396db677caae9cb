#include "host/pptx/presets.h"

#include <algorithm>
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

struct Defaults {
    const char* name;
    const char* guides[3];
    long long values[3];
};

// Default guide values of the presets whose adjustments the host reports.
constexpr Defaults kDefaults[] = {
    {"parallelogram", {"adj"}, {25000}},
    {"trapezoid", {"adj"}, {25000}},
    {"roundRect", {"adj"}, {16667}},
    {"octagon", {"adj"}, {29289}},
    {"triangle", {"adj"}, {50000}},
    {"hexagon", {"adj", "vf"}, {25000, 115470}},
    {"plus", {"adj"}, {25000}},
    {"can", {"adj"}, {25000}},
    {"cube", {"adj"}, {25000}},
    {"bevel", {"adj"}, {12500}},
    {"foldedCorner", {"adj"}, {16667}},
    {"donut", {"adj"}, {25000}},
    {"rightArrow", {"adj1", "adj2"}, {50000, 50000}},
    {"leftArrow", {"adj1", "adj2"}, {50000, 50000}},
    {"upArrow", {"adj1", "adj2"}, {50000, 50000}},
    {"downArrow", {"adj1", "adj2"}, {50000, 50000}},
    {"homePlate", {"adj"}, {50000}},
    {"chevron", {"adj"}, {50000}},
    {"wedgeRectCallout", {"adj1", "adj2"}, {-20833, 62500}},
    {"wedgeRoundRectCallout", {"adj1", "adj2", "adj3"}, {-20833, 62500, 16667}},
    {"wedgeEllipseCallout", {"adj1", "adj2"}, {-20833, 62500}},
    {"cloudCallout", {"adj1", "adj2"}, {-20833, 62500}},
    {"round1Rect", {"adj"}, {16667}},
    {"snip1Rect", {"adj"}, {16667}},
};

const Defaults* defaultsFor(const std::string& preset) {
    for (const Defaults& d : kDefaults) {
        if (preset == d.name) return &d;
    }
    return nullptr;
}

// The guide names a preset uses in order, when it has no defaults entry: adj, or adj1..adjN.
std::vector<std::string> guideOrder(const std::string& preset,
                                    const std::map<std::string, long long>& guides) {
    std::vector<std::string> order;
    if (const Defaults* d = defaultsFor(preset)) {
        for (const char* g : d->guides) {
            if (g) order.push_back(g);
        }
        return order;
    }
    if (guides.count("adj")) order.push_back("adj");
    for (int i = 1; i <= 8; ++i) {
        std::string name = "adj" + std::to_string(i);
        if (guides.count(name)) order.push_back(name);
    }
    return order;
}

}  // namespace

int presetKind(const std::string& preset) {
    for (const PresetEntry& p : kPresets) {
        if (preset == p.name) return p.kind;
    }
    return host::shape_kind::kMixed;
}

std::vector<float> hostAdjustments(const std::string& preset,
                                   const std::map<std::string, long long>& guides, float width,
                                   float height) {
    std::vector<float> out;
    const Defaults* defaults = defaultsFor(preset);
    std::vector<std::string> order = guideOrder(preset, guides);
    float shorter = std::min(width, height);
    for (std::size_t i = 0; i < order.size(); ++i) {
        long long raw = 0;
        auto found = guides.find(order[i]);
        if (found != guides.end()) {
            raw = found->second;
        } else if (defaults) {
            raw = defaults->values[i];
        }
        raw = std::clamp<long long>(raw, -100000000, 100000000);
        float v = static_cast<float>(raw) / 100000.0f;
        int kind = presetKind(preset);
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
