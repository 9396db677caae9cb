#include "fonts/matching.h"

#include <algorithm>
#include <array>
#include <utility>

#include "text/utf8.h"

namespace quillet::fonts {

namespace {

struct Range {
    char32_t first;
    char32_t last;
};

constexpr std::array kEastAsianRanges = {
    Range{0x1100, 0x11FF},    // Hangul Jamo
    Range{0x2E80, 0x2FDF},    // CJK and Kangxi radicals
    Range{0x2FF0, 0x31FF},    // ideographic description, CJK punctuation, kana, bopomofo, strokes
    Range{0x3200, 0x4DBF},    // enclosed CJK, CJK compatibility, extension A
    Range{0x4E00, 0x9FFF},    // unified ideographs
    Range{0xA960, 0xA97F},    // Hangul Jamo extended A
    Range{0xAC00, 0xD7FF},    // Hangul syllables, Jamo extended B
    Range{0xF900, 0xFAFF},    // compatibility ideographs
    Range{0xFE30, 0xFE4F},    // CJK compatibility forms
    Range{0xFF00, 0xFFEF},    // half-width and full-width forms
    Range{0x1B000, 0x1B16F},  // kana supplement and extensions
    Range{0x20000, 0x3FFFF},  // ideographs of the supplementary and tertiary planes
};

bool inRange(char32_t code, char32_t first, char32_t last) {
    return code >= first && code <= last;
}

// Keys are normalised names; the first substitute that is installed wins.
struct Substitute {
    const char* face;
    std::vector<std::string> faces;
};

const std::vector<Substitute>& substituteTable() {
    static const std::vector<Substitute> table = {
        // Metric-compatible: same advances, so lines break where the deck's author saw them.
        {"calibri", {"Carlito"}},
        {"calibri light", {"Carlito"}},
        {"cambria", {"Caladea"}},
        {"arial", {"Liberation Sans", "Arimo"}},
        {"helvetica", {"Liberation Sans", "Arimo"}},
        {"arial mt", {"Liberation Sans", "Arimo"}},
        {"times new roman", {"Liberation Serif", "Tinos"}},
        {"times", {"Liberation Serif", "Tinos"}},
        {"courier new", {"Liberation Mono", "Cousine"}},
        {"courier", {"Liberation Mono", "Cousine"}},
        // Monospaced faces of the same advance: Monaco's is Courier's, 0.6 em; Menlo's and Lucida
        // Console's are the Vera cut's 0.602 em.
        {"monaco", {"Liberation Mono", "Cousine"}},
        {"menlo", {"DejaVu Sans Mono"}},
        {"lucida console", {"DejaVu Sans Mono"}},
        // The classic PostScript faces and the faces drawn on their widths, by their URW clones.
        {"palatino", {"P052"}},
        {"palatino linotype", {"P052"}},
        {"book antiqua", {"P052"}},
        {"itc avant garde gothic", {"URW Gothic"}},
        {"avant garde", {"URW Gothic"}},
        {"century gothic", {"URW Gothic"}},
        {"new century schoolbook", {"C059"}},
        {"century schoolbook", {"C059"}},
        {"itc bookman", {"URW Bookman"}},
        {"bookman", {"URW Bookman"}},
        {"bookman old style", {"URW Bookman"}},
        {"arial narrow", {"Liberation Sans Narrow", "Nimbus Sans Narrow"}},
        {"helvetica narrow", {"Liberation Sans Narrow", "Nimbus Sans Narrow"}},
        {"itc zapf chancery", {"Z003"}},
        {"zapf chancery", {"Z003"}},
        // Look-alikes: the installed face of the same kind whose advances come closest.
        {"comic sans ms", {"Comic Neue"}},
        {"verdana", {"DejaVu Sans"}},
        // Verdana's narrower sibling: the condensed cut of Verdana's look-alike.
        {"tahoma", {"DejaVu Sans Condensed", "DejaVu Sans"}},
        {"trebuchet ms", {"DejaVu Sans Condensed", "DejaVu Sans"}},
        // Measured on the widths and heights decks store for shapes fitted to their text: Lucida
        // sets narrower than DejaVu Sans, about as Noto Sans does; Corbel breaks its lines where
        // Carlito does.
        {"lucida sans unicode", {"Noto Sans", "DejaVu Sans"}},
        {"lucida grande", {"Noto Sans", "DejaVu Sans"}},
        {"corbel", {"Carlito"}},
        // Z003, the one script face here: Script MT Bold sets wider than Z003 and narrower than
        // the sans faces, and both it and Informal Roman break their lines where Z003 does.
        {"script mt bold", {"Z003"}},
        {"informal roman", {"Z003"}},
        // Noto Sans's display cut keeps its look at Segoe UI's narrower widths.
        {"segoe ui", {"Noto Sans Display", "Noto Sans", "DejaVu Sans"}},
        // East Asian faces, by the language they were made for.
        {"ms pゴシック", {"Noto Sans CJK JP"}},
        {"ms ゴシック", {"Noto Sans CJK JP"}},
        {"ms pgothic", {"Noto Sans CJK JP"}},
        {"ms gothic", {"Noto Sans CJK JP"}},
        {"ms ui gothic", {"Noto Sans CJK JP"}},
        {"メイリオ", {"Noto Sans CJK JP"}},
        {"meiryo", {"Noto Sans CJK JP"}},
        {"meiryo ui", {"Noto Sans CJK JP"}},
        {"游ゴシック", {"Noto Sans CJK JP"}},
        {"yu gothic", {"Noto Sans CJK JP"}},
        {"ms p明朝", {"Noto Serif CJK JP"}},
        {"ms 明朝", {"Noto Serif CJK JP"}},
        {"ms pmincho", {"Noto Serif CJK JP"}},
        {"ms mincho", {"Noto Serif CJK JP"}},
        {"游明朝", {"Noto Serif CJK JP"}},
        {"yu mincho", {"Noto Serif CJK JP"}},
        {"宋体", {"Noto Serif CJK SC"}},
        {"simsun", {"Noto Serif CJK SC"}},
        {"新宋体", {"Noto Serif CJK SC"}},
        {"nsimsun", {"Noto Serif CJK SC"}},
        {"黑体", {"Noto Sans CJK SC"}},
        {"simhei", {"Noto Sans CJK SC"}},
        {"微软雅黑", {"Noto Sans CJK SC"}},
        {"microsoft yahei", {"Noto Sans CJK SC"}},
        {"等线", {"Noto Sans CJK SC"}},
        {"dengxian", {"Noto Sans CJK SC"}},
        {"新細明體", {"Noto Serif CJK TC"}},
        {"pmingliu", {"Noto Serif CJK TC"}},
        {"細明體", {"Noto Serif CJK TC"}},
        {"mingliu", {"Noto Serif CJK TC"}},
        {"微軟正黑體", {"Noto Sans CJK TC"}},
        {"microsoft jhenghei", {"Noto Sans CJK TC"}},
        {"맑은 고딕", {"Noto Sans CJK KR"}},
        {"malgun gothic", {"Noto Sans CJK KR"}},
        {"굴림", {"Noto Sans CJK KR"}},
        {"gulim", {"Noto Sans CJK KR"}},
        {"돋움", {"Noto Sans CJK KR"}},
        {"dotum", {"Noto Sans CJK KR"}},
        {"바탕", {"Noto Serif CJK KR"}},
        {"batang", {"Noto Serif CJK KR"}},
        {"궁서", {"Noto Serif CJK KR"}},
        {"gungsuh", {"Noto Serif CJK KR"}},
    };
    return table;
}

bool contains(std::string_view haystack, std::string_view needle) {
    return haystack.find(needle) != std::string_view::npos;
}

}  // namespace

char32_t capitalOf(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;     // Latin-1
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;  // Greek
    if (c >= 0x430 && c <= 0x44F) return c - 32;                // Cyrillic
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    return c;
}

bool isEastAsian(char32_t code) {
    return std::any_of(kEastAsianRanges.begin(), kEastAsianRanges.end(),
                       [code](const Range& r) { return inRange(code, r.first, r.last); });
}

bool standsUprightInColumn(char32_t code) {
    static constexpr std::u32string_view kTurning =
        U"（）「」『』【】〔〕〈〉《》〘〙〖〗｛｝［］ー〜～…‥—―‐–ｰ－＝";
    return isEastAsian(code) && kTurning.find(code) == std::u32string_view::npos;
}

char32_t verticalFormOf(char32_t code) {
    switch (code) {
        case U'\u3001':  // 、
            return U'\uFE11';
        case U'\u3002':  // 。
            return U'\uFE12';
        case U'\uFF0C':  // ，
            return U'\uFE10';
        default:
            return code;
    }
}

std::string scriptLanguage(char32_t code) {
    if (inRange(code, 0x3040, 0x30FF) || inRange(code, 0x31F0, 0x31FF) ||
        inRange(code, 0xFF65, 0xFF9F) || inRange(code, 0x1B000, 0x1B16F)) {
        return "ja";
    }
    if (inRange(code, 0x1100, 0x11FF) || inRange(code, 0x3130, 0x318F) ||
        inRange(code, 0xA960, 0xA97F) || inRange(code, 0xAC00, 0xD7FF) ||
        inRange(code, 0xFFA0, 0xFFDC)) {
        return "ko";
    }
    if (inRange(code, 0x3100, 0x312F) || inRange(code, 0x31A0, 0x31BF)) return "zh-tw";
    return "";
}

std::string languageOfLocale(std::string_view locale) {
    std::size_t cut = locale.find_first_of(".@");
    if (cut != std::string_view::npos) locale = locale.substr(0, cut);
    std::string name;
    for (char c : locale) {
        if (c == '-') c = '_';
        name += static_cast<char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
    }
    if (name.empty() || name == "c" || name == "posix") return "en";
    std::string language = name.substr(0, name.find('_'));
    std::string territory =
        name.find('_') == std::string::npos ? "" : name.substr(name.find('_') + 1);
    if (language == "zh") {
        if (territory == "tw") return "zh-tw";
        if (territory == "hk" || territory == "mo") return "zh-hk";
        return "zh-cn";
    }
    // Anything but letters makes no language fontconfig knows.
    bool letters =
        !language.empty() && language.size() <= 3 &&
        std::all_of(language.begin(), language.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    return letters ? language : "en";
}

std::string languageOfCharset(std::uint8_t charSet) {
    switch (charSet) {
        case 1:
            return "";
        case 128:
            return "ja";
        case 129:
        case 130:
            return "ko";
        case 134:
            return "zh-cn";
        case 136:
            return "zh-tw";
        case 161:
            return "el";
        case 162:
            return "tr";
        case 163:
            return "vi";
        case 177:
            return "he";
        case 178:
            return "ar";
        case 186:
            return "lt";
        case 204:
            return "ru";
        case 222:
            return "th";
        case 238:
            return "pl";
        default:
            return "en";
    }
}

std::string normalizeFaceName(std::string_view name) {
    std::string out;
    bool pendingSpace = false;
    for (std::size_t i = 0; i < name.size();) {
        // Bytes that start no valid sequence are dropped from names.
        const std::size_t length = utf8::validLength(name.substr(i));
        if (length == 0) {
            ++i;
            continue;
        }
        char32_t code = utf8::next(name, i);
        if (code >= 0xFF01 && code <= 0xFF5E) code = code - 0xFF01 + 0x21;
        if (code == 0x3000 || code == '\t') code = ' ';
        if (code >= 'A' && code <= 'Z') code = code - 'A' + 'a';
        if (code == ' ') {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) out += ' ';
        pendingSpace = false;
        utf8::append(out, code);
    }
    return out;
}

std::vector<std::string> substitutesFor(std::string_view faceName) {
    std::string key = normalizeFaceName(faceName);
    for (const Substitute& s : substituteTable()) {
        if (key == s.face) return s.faces;
    }
    return {};
}

const char* genericName(Generic generic) {
    switch (generic) {
        case Generic::serif:
            return "serif";
        case Generic::monospace:
            return "monospace";
        case Generic::cursive:
            return "cursive";
        case Generic::fantasy:
            return "fantasy";
        case Generic::sansSerif:
            break;
    }
    return "sans-serif";
}

Generic genericFamilyFor(std::string_view faceName, std::uint8_t pitchAndFamily) {
    switch (pitchAndFamily & 0xF0) {
        case 0x10:
            return Generic::serif;
        case 0x20:
            return Generic::sansSerif;
        case 0x30:
            return Generic::monospace;
        case 0x40:
            return Generic::cursive;
        case 0x50:
            return Generic::fantasy;
        default:
            break;
    }
    if ((pitchAndFamily & 0x03) == 0x01) return Generic::monospace;

    std::string name = normalizeFaceName(faceName);
    static constexpr std::array kMono = {"mono",       "courier",  "consol",
                                         "typewriter", "fixedsys", "terminal"};
    for (const char* word : kMono) {
        if (contains(name, word)) return Generic::monospace;
    }
    if (contains(name, "sans") || contains(name, "gothic") || contains(name, "ゴシック") ||
        contains(name, "黑") || contains(name, "고딕")) {
        return Generic::sansSerif;
    }
    static constexpr std::array kSerif = {
        "serif",   "times",    "roman",   "mincho",   "明朝",         "song",
        "宋",      "ming",     "明",      "batang",   "바탕",         "gungsuh",
        "궁서",    "garamond", "georgia", "palatino", "book antiqua", "bookman",
        "century", "cambria",  "caladea", "bodoni",   "baskerville",  "didot",
        "minion",  "charter",  "cochin",  "perpetua", "rockwell",     "constantia",
        "goudy",   "caslon",   "sabon",   "plantin",  "tinos",        "gelasio",
    };
    for (const char* word : kSerif) {
        if (contains(name, word)) return Generic::serif;
    }
    return Generic::sansSerif;
}

std::string sanitizeFaceName(std::string_view name, std::size_t maxBytes) {
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = utf8::validLength(name.substr(i));
        if (length == 0) {
            ++i;
            continue;
        }
        const char32_t code = utf8::next(name, i);
        if (code < 0x20 || (code >= 0x7F && code < 0xA0)) continue;
        if (out.size() + length > maxBytes) break;
        utf8::append(out, code);
    }
    return out;
}

bool isSymbolFace(std::string_view faceName) {
    std::string face = normalizeFaceName(faceName);
    return face == "symbol" || face == "wingdings" || face == "wingdings 3";
}

char32_t symbolFaceCharacter(std::string_view faceName, char32_t code) {
    if (code >= 0xF020 && code <= 0xF0FF) code -= 0xF000;
    if (code < 0x20 || code > 0xFF) return 0;
    std::string face = normalizeFaceName(faceName);
    if (face == "wingdings") {
        static constexpr std::array<std::pair<char32_t, char32_t>, 15> kWingdings{{
            {0x6C, 0x25CF},  // black circle
            {0x6E, 0x25A0},  // black square
            {0x6F, 0x25A1},  // white square
            {0x71, 0x2751},  // shadowed white square
            {0x72, 0x2752},
            {0x75, 0x25C6},  // black diamond
            {0x76, 0x2756},  // four diamonds
            {0x77, 0x2B25},  // black medium diamond
            {0xA7, 0x25AA},  // small black square
            {0xD8, 0x27A2},  // arrowhead
            {0xE8, 0x2794},  // wide-headed arrow
            {0xFB, 0x2718},  // ballot x
            {0xFC, 0x2714},  // check mark
            {0xFD, 0x2612},  // ballot box with x
            {0xFE, 0x2611},  // ballot box with check
        }};
        for (auto [from, to] : kWingdings) {
            if (from == code) return to;
        }
        return 0;
    }
    if (face == "wingdings 3") {
        // The right-pointing triangle that themes use for their first-level bullets.
        return code == 0x7D ? 0x25B8 : 0;
    }
    if (face != "symbol") return 0;
    // The Symbol face: Greek letters on the Latin ones, mathematical signs and bullets.
    static constexpr char32_t kGreekUpper[26] = {
        0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393, 0x397, 0x399, 0x3D1, 0x39A, 0x39B, 0x39C,
        0x39D, 0x39F, 0x3A0, 0x398, 0x3A1, 0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396};
    static constexpr char32_t kGreekLower[26] = {
        0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3, 0x3B7, 0x3B9, 0x3D5, 0x3BA, 0x3BB, 0x3BC,
        0x3BD, 0x3BF, 0x3C0, 0x3B8, 0x3C1, 0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6};
    if (code >= 'A' && code <= 'Z') return kGreekUpper[code - 'A'];
    if (code >= 'a' && code <= 'z') return kGreekLower[code - 'a'];
    static constexpr std::array<std::pair<char32_t, char32_t>, 32> kSigns{{
        {0x22, 0x2200}, {0x24, 0x2203}, {0x27, 0x220B}, {0x2A, 0x2217}, {0x2D, 0x2212},
        {0x40, 0x2245}, {0x5C, 0x2234}, {0x5E, 0x22A5}, {0x7E, 0x223C}, {0xA3, 0x2264},
        {0xA5, 0x221E}, {0xA7, 0x2663}, {0xA8, 0x2666}, {0xA9, 0x2665}, {0xAA, 0x2660},
        {0xAE, 0x2192}, {0xB0, 0x00B0}, {0xB1, 0x00B1}, {0xB3, 0x2265}, {0xB4, 0x00D7},
        {0xB6, 0x2202}, {0xB7, 0x2022}, {0xB8, 0x00F7}, {0xB9, 0x2260}, {0xBA, 0x2261},
        {0xBB, 0x2248}, {0xC6, 0x2205}, {0xC7, 0x2229}, {0xC8, 0x222A}, {0xCE, 0x2208},
        {0xD6, 0x221A}, {0xDE, 0x21D2},
    }};
    for (auto [from, to] : kSigns) {
        if (from == code) return to;
    }
    // Digits, punctuation and the rest of ASCII stand as they are.
    return code < 0x80 ? code : 0;
}

std::u32string utf8ToCodePoints(std::string_view text) {
    return utf8::decode(text);
}

}  // namespace quillet::fonts
