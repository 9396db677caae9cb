#include "fonts/font_library.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_FONT_FORMATS_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "fonts/font_cache.h"
#include "fonts/kerning.h"
#include "fonts/matching.h"

namespace quillet::fonts {

namespace {

// --- owners of FreeType and fontconfig objects ---------------------------------------------------

struct FtLibraryFree {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
using FtLibraryPtr = std::unique_ptr<std::remove_pointer_t<FT_Library>, FtLibraryFree>;

struct FtFaceFree {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using FtFacePtr = std::unique_ptr<std::remove_pointer_t<FT_Face>, FtFaceFree>;

struct FcConfigFree {
    void operator()(FcConfig* config) const { FcConfigDestroy(config); }
};
using FcConfigPtr = std::unique_ptr<FcConfig, FcConfigFree>;

struct FcPatternFree {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
};
using FcPatternPtr = std::unique_ptr<FcPattern, FcPatternFree>;

// A sorted font list, shared between libraries; read only.
using SharedFontSet = std::shared_ptr<const FcFontSet>;

// --- constants -----------------------------------------------------------------------------------

// A logical font of height 0 gets this em size, as the platform gave a default size.
constexpr double kDefaultEmPixels = 12.0;
// Simulated italic slants by this much (x grows by this fraction of y).
constexpr double kObliqueShear = 0.2126;
// Simulated bold thickens strokes by this fraction of the em.
constexpr double kEmboldenFraction = 1.0 / 24.0;
// Outlines of absurd sizes are not built; a cell of this many pixels is far past any slide.
constexpr double kMaxEmPixels = 1.0e6;

// Pair adjustments cached per face, at most.
constexpr std::size_t kMaxCachedPairs = 1 << 18;

// The file of the last resort, should fontconfig itself find nothing.
constexpr const char* kLastResortFamily = "DejaVu Sans";
constexpr const char* kLastResortFiles[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
};

bool validEm(double em) {
    return std::isfinite(em) && em > 0 && em <= kMaxEmPixels;
}

// Characters that take no room and draw nothing: C0 and C1 controls and default-ignorable marks
// (soft hyphen, zero-width spaces and joiners, directional marks, variation selectors, BOM).
bool isInvisible(char32_t code) {
    return code < 0x20 || (code >= 0x7F && code < 0xA0) || code == 0xAD ||
           (code >= 0x200B && code <= 0x200F) || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2060 && code <= 0x2064) || code == 0xFEFF ||
           (code >= 0xFE00 && code <= 0xFE0F) || (code >= 0xE0100 && code <= 0xE01EF);
}

bool isScalarValue(char32_t code) {
    return code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
}

// --- font files ----------------------------------------------------------------------------------

// A font file mapped into memory, read-only.
struct MappedFile {
    const FT_Byte* bytes = nullptr;
    std::size_t size = 0;
    MappedFile(const void* data, std::size_t length)
        : bytes(static_cast<const FT_Byte*>(data)), size(length) {}
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile() { munmap(const_cast<FT_Byte*>(bytes), size); }
};

// Font files are mapped once per process and shared by every library: a conversion opens the same
// faces in several (the layout's, the charts', the engine's), and a mapping of each one's own
// would fault the same pages in again. A file that changed on disk is mapped anew. Null when the
// file cannot be mapped (FreeType then reads it itself).
std::shared_ptr<const MappedFile> mappedFontFile(const std::string& path) {
    struct Entry {
        dev_t device;
        ino_t inode;
        off_t size;
        std::int64_t modified;
        std::shared_ptr<const MappedFile> file;
    };
    static std::mutex mutex;
    static std::unordered_map<std::string, Entry> files;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    std::shared_ptr<const MappedFile> file;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        const std::int64_t modified =
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        std::lock_guard lock(mutex);
        auto it = files.find(path);
        if (it != files.end() && it->second.device == st.st_dev && it->second.inode == st.st_ino &&
            it->second.size == st.st_size && it->second.modified == modified) {
            file = it->second.file;
        } else {
            const auto length = static_cast<std::size_t>(st.st_size);
            void* data = mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
            if (data != MAP_FAILED) {
                file = std::make_shared<const MappedFile>(data, length);
                files[path] = {st.st_dev, st.st_ino, st.st_size, modified, file};
            }
        }
    }
    close(fd);
    return file;
}

// --- one loaded face -----------------------------------------------------------------------------

struct Face {
    std::shared_ptr<const MappedFile> file;  // the face's bytes, when mapped; outlives `ft`
    FtFacePtr ft;
    std::unique_ptr<PairKerning> kerning;           // made when a pair is first asked for
    std::vector<std::vector<FT_Byte>> tableCopies;  // its tables, when the file is not mapped
    FaceInfo info;
    bool symbolCmap = false;
    // Font units.
    double ascent = 0;
    double descent = 0;
    double lineGap = 0;
    double hheaAscent = 0;
    double hheaDescent = 0;
    double hheaLineGap = 0;
    double capHeight = 0;
    double xHeight = 0;
    double underlinePosition = 0;
    double underlineThickness = 0;
    double strikeoutPosition = 0;
    double strikeoutThickness = 0;
    std::unordered_map<FT_UInt, double> advances;
    // Pair adjustments in font units, by (left glyph << 32 | right glyph).
    std::unordered_map<std::uint64_t, double> pairs;

    // The reader of the face's kerning tables, in the mapped file (else copies FreeType reads).
    // Made when a pair is first asked for, so faces that never kern cost nothing.
    PairKerning& kerner() {
        if (kerning) return *kerning;
        KerningTables tables;
        if (file) {
            tables = findKerningTables(Bytes(file->bytes, file->size), info.index);
        } else {
            Bytes* into[] = {&tables.gpos, &tables.gdef, &tables.kern};
            const FT_ULong tags[] = {FT_MAKE_TAG('G', 'P', 'O', 'S'),
                                     FT_MAKE_TAG('G', 'D', 'E', 'F'),
                                     FT_MAKE_TAG('k', 'e', 'r', 'n')};
            for (int i = 0; i < 3; ++i) {
                FT_ULong length = 0;
                if (FT_Load_Sfnt_Table(ft.get(), tags[i], 0, nullptr, &length) != 0 || length == 0)
                    continue;
                std::vector<FT_Byte>& copy = tableCopies.emplace_back(length);
                if (FT_Load_Sfnt_Table(ft.get(), tags[i], 0, copy.data(), &length) == 0)
                    *into[i] = Bytes(copy.data(), copy.size());
            }
        }
        kerning = std::make_unique<PairKerning>(tables);
        return *kerning;
    }

    FT_UInt glyphIndex(char32_t code) const {
        FT_UInt index = FT_Get_Char_Index(ft.get(), code);
        // Symbol-encoded faces keep their characters at U+F000 + the 8-bit code.
        if (index == 0 && symbolCmap && code < 0x100)
            index = FT_Get_Char_Index(ft.get(), 0xF000 | code);
        return index;
    }

    double advanceUnits(FT_UInt glyph) {
        auto it = advances.find(glyph);
        if (it != advances.end()) return it->second;
        FT_Fixed advance = 0;
        double units = 0;
        if (FT_Get_Advance(ft.get(), glyph,
                           FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP,
                           &advance) == 0) {
            units = static_cast<double>(advance);
        }
        advances.emplace(glyph, units);
        return units;
    }

    // Top of a glyph's outline in font units (for faces that do not state cap and x heights).
    double glyphTop(char32_t code) {
        FT_UInt glyph = glyphIndex(code);
        if (glyph == 0) return 0;
        if (FT_Load_Glyph(ft.get(), glyph,
                          FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
            return 0;
        if (ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return 0;
        FT_BBox box;
        FT_Outline_Get_CBox(&ft->glyph->outline, &box);
        return static_cast<double>(box.yMax);
    }
};

// Opens a face and reads what the library needs of it; null when FreeType refuses it or it is not
// a scalable outline face.
std::unique_ptr<Face> openFace(FT_Library library, const std::string& file, int index) {
    auto face = std::make_unique<Face>();
    FT_Face raw = nullptr;
    face->file = mappedFontFile(file);
    if (face->file) {
        if (FT_New_Memory_Face(library, face->file->bytes, static_cast<FT_Long>(face->file->size),
                               index, &raw) != 0)
            raw = nullptr;
    } else if (FT_New_Face(library, file.c_str(), index, &raw) != 0) {
        raw = nullptr;
    }
    if (raw == nullptr) return nullptr;
    face->ft.reset(raw);
    if (!FT_IS_SCALABLE(raw) || raw->units_per_EM < 16 || raw->units_per_EM > 16384) return nullptr;
    if (FT_Select_Charmap(raw, FT_ENCODING_UNICODE) != 0) {
        if (FT_Select_Charmap(raw, FT_ENCODING_MS_SYMBOL) != 0) return nullptr;
        face->symbolCmap = true;
    }
    // One pixel per font unit: unhinted outlines then come in 1/64 font units, exactly scaled.
    FT_F26Dot6 size = static_cast<FT_F26Dot6>(raw->units_per_EM) * 64;
    if (FT_Set_Char_Size(raw, 0, size, 72, 72) != 0) return nullptr;

    FaceInfo& info = face->info;
    info.family = raw->family_name ? raw->family_name : "";
    info.style = raw->style_name ? raw->style_name : "";
    info.file = file;
    info.index = index;
    info.unitsPerEm = raw->units_per_EM;
    const char* format = FT_Get_Font_Format(raw);
    info.cff =
        format != nullptr && (std::string(format) == "CFF" || std::string(format) == "Type 1" ||
                              std::string(format) == "CID Type 1");
    info.italic = (raw->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    info.weight = (raw->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;

    double upem = raw->units_per_EM;
    face->hheaAscent = raw->ascender;
    face->hheaDescent = -static_cast<double>(raw->descender);
    face->hheaLineGap =
        std::max(0.0, static_cast<double>(raw->height) - raw->ascender + raw->descender);
    face->ascent = face->hheaAscent;
    face->descent = face->hheaDescent;
    face->underlinePosition = raw->underline_position;
    face->underlineThickness = raw->underline_thickness;

    auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(raw, FT_SFNT_OS2));
    if (os2 != nullptr && os2->version != 0xFFFF) {
        if (os2->usWeightClass >= 1 && os2->usWeightClass <= 1000) info.weight = os2->usWeightClass;
        if (os2->fsSelection & ((1u << 0) | (1u << 9))) info.italic = true;
        // The cell of the platform's fonts: the Windows ascent and descent.
        if (os2->usWinAscent + os2->usWinDescent > 0) {
            face->ascent = os2->usWinAscent;
            face->descent = os2->usWinDescent;
        }
        face->strikeoutPosition = os2->yStrikeoutPosition;
        face->strikeoutThickness = os2->yStrikeoutSize;
        if (os2->version >= 2) {
            face->capHeight = os2->sCapHeight;
            face->xHeight = os2->sxHeight;
        }
    }
    if (face->ascent + face->descent <= 0) {
        face->ascent = static_cast<double>(raw->bbox.yMax);
        face->descent = -static_cast<double>(raw->bbox.yMin);
    }
    if (face->ascent + face->descent <= 0) {
        face->ascent = upem * 0.8;
        face->descent = upem * 0.2;
    }
    // The extra leading between lines: what the typographic line height has beyond the cell.
    face->lineGap = std::max(0.0, face->hheaAscent + face->hheaDescent + face->hheaLineGap -
                                      (face->ascent + face->descent));
    if (face->capHeight <= 0) face->capHeight = face->glyphTop('H');
    if (face->xHeight <= 0) face->xHeight = face->glyphTop('x');
    return face;
}

std::string patternString(FcPattern* pattern, const char* object, int n = 0) {
    FcChar8* value = nullptr;
    if (FcPatternGetString(pattern, object, n, &value) != FcResultMatch || value == nullptr)
        return {};
    return reinterpret_cast<const char*>(value);
}

// Faces the sort offers that can draw outlines: no bitmap-only or colour faces.
bool drawsOutlines(FcPattern* font) {
    FcBool outline = FcTrue;
    if (FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && !outline) return false;
#ifdef FC_COLOR
    FcBool color = FcFalse;
    if (FcPatternGetBool(font, FC_COLOR, 0, &color) == FcResultMatch && color) return false;
#endif
    return true;
}

// Sorted font lists by configuration and pattern, kept per process: the libraries of one
// conversion (the layout's, the charts', the engine's) ask for the same ones, and each sort of
// every installed face takes a good part of a millisecond.
class SortedFontCache {
  public:
    SharedFontSet find(const std::string& key) {
        std::lock_guard lock(mutex_);
        auto it = sets_.find(key);
        return it == sets_.end() ? nullptr : it->second;
    }
    void add(const std::string& key, SharedFontSet set) {
        std::lock_guard lock(mutex_);
        sets_.emplace(key, std::move(set));
    }
    // When the configuration is read again.
    void clear() {
        std::lock_guard lock(mutex_);
        sets_.clear();
    }

  private:
    std::mutex mutex_;
    std::unordered_map<std::string, SharedFontSet> sets_;
};

SortedFontCache& sortedFontCache() {
    static SortedFontCache cache;
    return cache;
}

// fontconfig's configuration and font list, read once per process: parsing its files costs
// several milliseconds, and a conversion opens more than one library (the host's and the
// engine's). Read again when the environment that chooses the configuration (or the answers kept
// between runs) changes.
FcConfigPtr sharedConfig() {
    static std::mutex mutex;
    static FcConfigPtr config;
    static std::string configuredBy;
    std::string key = fontCacheEnvironment();
    std::lock_guard lock(mutex);
    if (!config || key != configuredBy) {
        sortedFontCache().clear();
        config.reset(FcInitLoadConfigAndFonts());
        configuredBy = key;
    }
    // Each library holds a reference of its own.
    return config ? FcConfigPtr(FcConfigReference(config.get())) : nullptr;
}

// --- a logical font, resolved --------------------------------------------------------------------

struct Resolved {
    Face* primary = nullptr;
    bool primaryStandIn = false;
    Face* eastAsian = nullptr;  // once eastAsianFace() has matched eastAsianName
    std::string eastAsianName;  // the East Asian face asked for, until then
    bool bold = false;
    bool italic = false;
    std::string symbolFace;             // a symbol face that is not installed, else empty
    std::string language;               // the stand-in language of the record
    std::vector<std::string> families;  // preferred families for per-character fallback
    Generic generic = Generic::sansSerif;
    std::unordered_map<char32_t, Face*> drawers;
    std::map<std::string, SharedFontSet> fallbackSets;
};

// Who draws a character.
struct Drawer {
    Face* face = nullptr;
    FT_UInt glyph = 0;
    bool fallback = false;
    bool missing = false;
    bool invisible = false;
};

std::string resolutionKey(const LogicalFont& font) {
    std::string key;
    for (std::int32_t v : {font.width, font.escapement, font.orientation, font.weight}) {
        key += std::to_string(v);
        key += ',';
    }
    for (std::uint8_t v :
         {font.italic, font.underline, font.strikeOut, font.charSet, font.outPrecision,
          font.clipPrecision, font.quality, font.pitchAndFamily}) {
        key += std::to_string(v);
        key += ',';
    }
    key += font.faceName;
    key += '\0';
    key += font.eastAsianFaceName;
    return key;
}

}  // namespace

// --- the library ---------------------------------------------------------------------------------

class FontLibrary::Impl {
  public:
    explicit Impl(FontLibraryOptions options) : options_(std::move(options)) {
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) != 0 || library == nullptr)
            throw FontError("FreeType cannot start");
        library_.reset(library);
        // Answers kept from earlier runs spare starting fontconfig; without them it starts now, so
        // that a library that cannot match says so at once.
        answers_ = FontAnswers::instance().attach();
        if (!answers_.warm && config() == nullptr)
            throw FontError("fontconfig cannot load its configuration");
        std::string locale = options_.locale;
        for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
            if (!locale.empty()) break;
            const char* value = std::getenv(name);
            if (value != nullptr) locale = value;
        }
        localeLanguage_ = languageOfLocale(locale);
        if (!(options_.curveTolerance > 0) || !std::isfinite(options_.curveTolerance))
            options_.curveTolerance = 0.05;
    }

    ~Impl() { FontAnswers::instance().save(); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    Resolved& resolve(const LogicalFont& font) {
        std::string key = resolutionKey(font);
        auto it = resolved_.find(key);
        if (it != resolved_.end()) return *it->second;

        auto r = std::make_unique<Resolved>();
        std::string face = sanitizeFaceName(font.faceName);
        std::string eastAsian = sanitizeFaceName(font.eastAsianFaceName);
        r->bold = font.weight >= weight::semiBold;
        r->italic = font.italic != 0;
        r->language = languageOfCharset(font.charSet);
        if (r->language.empty()) r->language = localeLanguage_;
        r->generic = genericFamilyFor(face.empty() ? eastAsian : face, font.pitchAndFamily);

        std::vector<std::string> names = namesFor(face);
        r->primary =
            matchFace(names, r->generic, r->language, r->bold, r->italic, &r->primaryStandIn);
        if (r->primaryStandIn && isSymbolFace(face)) r->symbolFace = face;
        // Matched when a character needs it: an East Asian face costs milliseconds to open, and
        // most texts that name one have no East Asian character.
        r->eastAsianName = eastAsian;
        if (r->primary != nullptr) r->families.push_back(r->primary->info.family);
        r->families.insert(r->families.end(), names.begin(), names.end());

        Resolved& out = *r;
        resolved_.emplace(std::move(key), std::move(r));
        return out;
    }

    Face* eastAsianFace(Resolved& r) {
        if (!r.eastAsianName.empty()) {
            bool standIn = true;
            // A stand-in for a missing East Asian face chooses no better than the fallback, so
            // none is opened.
            r.eastAsian = matchFace(namesFor(r.eastAsianName), genericFamilyFor(r.eastAsianName, 0),
                                    r.language, r.bold, r.italic, &standIn, false);
            r.eastAsianName.clear();
        }
        return r.eastAsian;
    }

    Drawer drawerFor(Resolved& r, char32_t code) {
        Drawer d;
        if (isInvisible(code)) {
            d.face = r.primary;
            d.invisible = true;
            return d;
        }
        if (!r.symbolFace.empty()) {
            // The stand-in of a missing symbol face draws the same sign from its Unicode place.
            char32_t sign = symbolFaceCharacter(r.symbolFace, code);
            if (sign != 0) code = sign;
        }
        if (isScalarValue(code)) {
            if (isEastAsian(code) && eastAsianFace(r) != nullptr) {
                FT_UInt glyph = r.eastAsian->glyphIndex(code);
                if (glyph != 0) return {r.eastAsian, glyph, r.eastAsian != r.primary, false, false};
            }
            if (r.primary != nullptr) {
                FT_UInt glyph = r.primary->glyphIndex(code);
                if (glyph != 0) return {r.primary, glyph, false, false, false};
            }
            Face* fallback = fallbackFace(r, code);
            if (fallback != nullptr)
                return {fallback, fallback->glyphIndex(code), true, false, false};
        }
        // Nothing has it: the font's own missing-glyph box shows that something is there.
        d.face = r.primary;
        d.missing = true;
        return d;
    }

    double emPixels(const LogicalFont& font) {
        if (font.height < 0) return -static_cast<double>(font.height);
        if (font.height == 0) return kDefaultEmPixels;
        Resolved& r = resolve(font);
        if (r.primary == nullptr) return font.height;
        return static_cast<double>(font.height) * r.primary->info.unitsPerEm /
               (r.primary->ascent + r.primary->descent);
    }

    FontMetrics metrics(Resolved& r, double em) {
        FontMetrics m;
        if (!validEm(em) || r.primary == nullptr) return m;
        const Face& f = *r.primary;
        double scale = em / f.info.unitsPerEm;
        m.emPixels = em;
        m.ascent = f.ascent * scale;
        m.descent = f.descent * scale;
        m.lineGap = f.lineGap * scale;
        m.cellHeight = (f.ascent + f.descent) * scale;
        m.hheaAscent = f.hheaAscent * scale;
        m.hheaDescent = f.hheaDescent * scale;
        m.hheaLineGap = f.hheaLineGap * scale;
        m.capHeight = f.capHeight * scale;
        m.xHeight = f.xHeight * scale;
        m.underlinePosition = f.underlinePosition * scale;
        m.underlineThickness = f.underlineThickness * scale;
        m.strikeoutPosition = f.strikeoutPosition * scale;
        m.strikeoutThickness = f.strikeoutThickness * scale;
        return m;
    }

    double cellHeight(Resolved& r, double em) {
        if (r.primary == nullptr) return 0;
        return (r.primary->ascent + r.primary->descent) * em / r.primary->info.unitsPerEm;
    }

    bool emboldens(const Resolved& r, const Face& face) const {
        return r.bold && face.info.weight < 600;
    }
    bool slants(const Resolved& r, const Face& face) const { return r.italic && !face.info.italic; }

    double advance(Resolved& r, const Drawer& d, double em) {
        if (!validEm(em) || d.face == nullptr || d.invisible) return 0;
        double units = d.face->advanceUnits(d.glyph);
        if (emboldens(r, *d.face)) units += d.face->info.unitsPerEm * kEmboldenFraction;
        return units * em / d.face->info.unitsPerEm;
    }

    GlyphOutline outline(Resolved& r, char32_t code, double em) {
        GlyphOutline out;
        if (!validEm(em)) return out;
        Drawer d = drawerFor(r, code);
        out.height = cellHeight(r, em);
        if (d.face == nullptr) return out;
        out.family = d.face->info.family;
        out.fallback = d.fallback;
        out.missing = d.missing;
        out.advance = advance(r, d, em);
        if (d.invisible) return out;

        FT_Face ft = d.face->ft.get();
        if (FT_Load_Glyph(ft, d.glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) return out;
        FT_GlyphSlot slot = ft->glyph;
        if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return out;
        FT_Outline& ol = slot->outline;
        if (ol.n_points <= 0 || ol.n_contours <= 0 || FT_Outline_Check(&ol) != 0) return out;
        if (emboldens(r, *d.face)) {
            // The slot holds 1/64 font units; the strength is a fraction of the em.
            auto strength = static_cast<FT_Pos>(d.face->info.unitsPerEm * 64 * kEmboldenFraction);
            if (FT_Outline_EmboldenXY(&ol, strength, strength) != 0) return out;
        }

        double scale = em / d.face->info.unitsPerEm / 64.0;
        double shear = slants(r, *d.face) ? kObliqueShear : 0.0;
        std::vector<OutlinePoint> points(static_cast<std::size_t>(ol.n_points));
        for (int i = 0; i < ol.n_points; ++i) {
            double x = static_cast<double>(ol.points[i].x);
            double y = static_cast<double>(ol.points[i].y);
            points[i].p = {(x + shear * y) * scale, y * scale};
            switch (FT_CURVE_TAG(ol.tags[i])) {
                case FT_CURVE_TAG_ON:
                    points[i].kind = PointKind::on;
                    break;
                case FT_CURVE_TAG_CONIC:
                    points[i].kind = PointKind::conic;
                    break;
                default:
                    points[i].kind = PointKind::cubic;
                    break;
            }
        }
        std::vector<int> ends(ol.contours, ol.contours + ol.n_contours);
        out.contours = buildContours(points, ends, options_.curveTolerance);
        return out;
    }

    double kerning(Resolved& r, char32_t left, char32_t right, double em) {
        if (!validEm(em)) return 0;
        Drawer a = drawerFor(r, left);
        Drawer b = drawerFor(r, right);
        if (a.face == nullptr || a.face != b.face || a.invisible || b.invisible || a.missing ||
            b.missing)
            return 0;
        if (!r.symbolFace.empty()) {
            if (char32_t sign = symbolFaceCharacter(r.symbolFace, left)) left = sign;
            if (char32_t sign = symbolFaceCharacter(r.symbolFace, right)) right = sign;
        }
        return pairUnits(*a.face, left, a.glyph, right, b.glyph) * em / a.face->info.unitsPerEm;
    }

    // The pair adjustment of two glyphs of one face in font units: what the kerning feature of
    // the positioning table does to their advances, else the legacy kerning table. Cached per
    // face.
    double pairUnits(Face& face, char32_t left, FT_UInt leftGlyph, char32_t right,
                     FT_UInt rightGlyph) {
        std::uint64_t key = (static_cast<std::uint64_t>(leftGlyph) << 32) | rightGlyph;
        auto it = face.pairs.find(key);
        if (it != face.pairs.end()) return it->second;
        double units =
            face.kerner().units(left, leftGlyph, right, rightGlyph, face.advanceUnits(leftGlyph));
        if (!std::isfinite(units) || std::fabs(units) > face.info.unitsPerEm) units = 0;
        // Texts of many scripts could fill the cache without end: it starts again instead.
        if (face.pairs.size() >= kMaxCachedPairs) face.pairs.clear();
        face.pairs.emplace(key, units);
        return units;
    }

    TextExtent extent(Resolved& r, std::u32string_view text, double em, bool kern) {
        TextExtent e;
        if (!validEm(em)) return e;
        e.height = cellHeight(r, em);
        for (std::size_t i = 0; i < text.size(); ++i) {
            e.width += advance(r, drawerFor(r, text[i]), em);
            if (kern && i + 1 < text.size()) e.width += kerning(r, text[i], text[i + 1], em);
        }
        return e;
    }

    FaceInfo infoOf(const Face* face, bool standIn) const {
        if (face == nullptr) return {};
        FaceInfo info = face->info;
        info.standIn = standIn;
        return info;
    }

  private:
    static std::vector<std::string> namesFor(const std::string& face) {
        std::vector<std::string> names;
        if (face.empty()) return names;
        names.push_back(face);
        for (std::string& s : substitutesFor(face)) names.push_back(std::move(s));
        return names;
    }

    FcPatternPtr makePattern(const std::vector<std::string>& families, Generic generic,
                             const std::string& language, bool bold, bool italic) {
        FcPatternPtr pattern(FcPatternCreate());
        if (!pattern) return nullptr;
        FcPattern* p = pattern.get();
        for (const std::string& family : families)
            FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
        FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(genericName(generic)));
        if (!language.empty())
            FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>(language.c_str()));
        FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(p, FC_SCALABLE, FcTrue);
        if (!FcConfigSubstitute(config(), p, FcMatchPattern)) return nullptr;
        FcDefaultSubstitute(p);
        return pattern;
    }

    // fontconfig, started on first need: with every answer kept from earlier runs, never.
    FcConfig* config() {
        if (!configTried_) {
            configTried_ = true;
            config_ = sharedConfig();
        }
        return config_.get();
    }

    static std::string sortKey(const std::vector<std::string>& families, Generic generic,
                               const std::string& language, bool bold, bool italic) {
        std::string key;
        for (const std::string& family : families) key += '\0' + family;
        key += '\n';
        key += genericName(generic);
        key += '\n' + language + (bold ? "\nb" : "\n") + (italic ? "i" : "");
        return key;
    }

    SharedFontSet sortedFonts(const std::vector<std::string>& families, Generic generic,
                              const std::string& language, bool bold, bool italic) {
        // The cache is emptied whenever the configuration is read again, so the key needs only
        // the pattern.
        if (config() == nullptr) return nullptr;
        const std::string key = sortKey(families, generic, language, bold, italic);
        SortedFontCache& cache = sortedFontCache();
        if (SharedFontSet set = cache.find(key)) return set;
        FcPatternPtr pattern = makePattern(families, generic, language, bold, italic);
        if (!pattern) return nullptr;
        FcResult result = FcResultNoMatch;
        SharedFontSet set(
            FcFontSort(config(), pattern.get(), FcFalse, nullptr, &result),
            [](const FcFontSet* fonts) { FcFontSetDestroy(const_cast<FcFontSet*>(fonts)); });
        if (set) cache.add(key, set);
        return set;
    }

    Face* load(const std::string& file, int index) {
        std::string key = file + '\n' + std::to_string(index);
        auto it = faces_.find(key);
        if (it != faces_.end()) return it->second.get();
        auto face = openFace(library_.get(), file, index);
        Face* raw = face.get();
        faces_.emplace(std::move(key), std::move(face));
        return raw;
    }

    // What a question asks of one face of a sort.
    static CachedCandidate candidateOf(FcPattern* font, const std::vector<std::string>* names) {
        CachedCandidate c;
        c.outlines = drawsOutlines(font);
        c.file = patternString(font, FC_FILE);
        int index = 0;
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        c.index = std::max(index, 0);
        c.named = names != nullptr && namedBy(font, *names);
        return c;
    }

    Face* load(const CachedCandidate& c) {
        if (!c.outlines || c.file.empty()) return nullptr;
        return load(c.file, c.index);
    }

    // Answers a question: `decide` walks a head of candidates and answers, or says nothing while
    // the head is too short. The kept head comes first; when it cannot decide, `sort` (fontconfig)
    // gives the faces, `take` adds those that are candidates one at a time until `decide`
    // answers, and that head is kept for the next run.
    template <class Decide, class Sort, class Take>
    auto walk(const std::string& key, Decide decide, Sort sort, Take take)
        -> decltype(decide(std::declval<const CachedWalk&>())) {
        FontAnswers& answers = FontAnswers::instance();
        if (std::optional<CachedWalk> kept = answers.find(answers_, key)) {
            if (auto answer = decide(*kept)) return answer;
        }
        SharedFontSet set = sort();
        CachedWalk fresh;
        if (!set) {
            fresh.complete = true;
            return decide(fresh);
        }
        // Candidates are taken from the sort one at a time, as far as the decision goes.
        for (int i = 0;; ++i) {
            if (i == set->nfont) fresh.complete = true;
            if (i == set->nfont || take(set->fonts[i], fresh)) {
                if (auto answer = decide(fresh)) {
                    answers.record(answers_, config(), key, std::move(fresh));
                    return answer;
                }
            }
        }
    }

    struct Match {
        Face* face = nullptr;
        bool standIn = true;
    };

    // The best face for the names: the first the sort offers that FreeType can load. Without
    // `standInWanted`, null where that face would be a stand-in, which is then not opened.
    Face* matchFace(const std::vector<std::string>& names, Generic generic,
                    const std::string& language, bool bold, bool italic, bool* standIn,
                    bool standInWanted = true) {
        // Decides from the head walked so far; nothing while the head is too short to say.
        auto decide = [&](const CachedWalk& w) -> std::optional<Match> {
            for (const CachedCandidate& c : w.candidates) {
                if (!c.named && !standInWanted) {
                    if (!c.outlines) continue;
                    return Match{};
                }
                if (Face* face = load(c)) return Match{face, !c.named};
            }
            if (!w.complete) return std::nullopt;
            return Match{standInWanted ? lastResort() : nullptr, true};
        };
        auto sort = [&] { return sortedFonts(names, generic, language, bold, italic); };
        auto take = [&](FcPattern* font, CachedWalk& w) {
            w.candidates.push_back(candidateOf(font, &names));
            return true;
        };
        const std::string key =
            (standInWanted ? "m" : "n") + sortKey(names, generic, language, bold, italic);
        const Match match = *walk(key, decide, sort, take);
        *standIn = match.standIn;
        return match.face;
    }

    static bool namedBy(FcPattern* font, const std::vector<std::string>& names) {
        for (int n = 0;; ++n) {
            std::string family = patternString(font, FC_FAMILY, n);
            if (family.empty()) return false;
            std::string key = normalizeFaceName(family);
            for (const std::string& name : names) {
                if (normalizeFaceName(name) == key) return true;
            }
        }
    }

    Face* lastResort() {
        if (lastResortTried_) return lastResort_;
        lastResortTried_ = true;
        // Only the named face itself: whatever else the sort offers has been tried.
        auto decide = [&](const CachedWalk& w) -> std::optional<Face*> {
            for (const CachedCandidate& c : w.candidates) {
                if (Face* face = load(c)) return face;
            }
            if (!w.complete) return std::nullopt;
            return nullptr;
        };
        auto sort = [&] {
            return sortedFonts({kLastResortFamily}, Generic::sansSerif, "en", false, false);
        };
        auto take = [](FcPattern* font, CachedWalk& w) {
            if (patternString(font, FC_FAMILY) != kLastResortFamily) return false;
            w.candidates.push_back(candidateOf(font, nullptr));
            return true;
        };
        lastResort_ = *walk("l", decide, sort, take);
        for (const char* file : kLastResortFiles) {
            if (lastResort_ != nullptr) break;
            lastResort_ = load(file, 0);
        }
        return lastResort_;
    }

    Face* fallbackFace(Resolved& r, char32_t code) {
        auto cached = r.drawers.find(code);
        if (cached != r.drawers.end()) return cached->second;

        std::string language = scriptLanguage(code);
        if (language.empty()) language = r.language;
        // The faces whose character sets have it, in the sort's order; the first whose file has
        // the glyph draws it.
        auto decide = [&](const CachedWalk& w) -> std::optional<Face*> {
            for (const CachedCandidate& c : w.candidates) {
                Face* face = load(c);
                if (face != nullptr && face->glyphIndex(code) != 0) return face;
            }
            if (!w.complete) return std::nullopt;
            Face* last = lastResort();
            return last != nullptr && last->glyphIndex(code) != 0 ? last : nullptr;
        };
        auto sort = [&] {
            auto setIt = r.fallbackSets.find(language);
            if (setIt == r.fallbackSets.end()) {
                setIt = r.fallbackSets
                            .emplace(language,
                                     sortedFonts(r.families, r.generic, language, r.bold, r.italic))
                            .first;
            }
            return setIt->second;
        };
        auto take = [&](FcPattern* font, CachedWalk& w) {
            FcCharSet* chars = nullptr;
            if (FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) != FcResultMatch ||
                chars == nullptr || !FcCharSetHasChar(chars, code) || !drawsOutlines(font))
                return false;
            w.candidates.push_back(candidateOf(font, nullptr));
            return true;
        };
        const std::string key = "f" + std::to_string(static_cast<std::uint32_t>(code)) +
                                sortKey(r.families, r.generic, language, r.bold, r.italic);
        Face* found = *walk(key, decide, sort, take);
        r.drawers.emplace(code, found);
        return found;
    }

    FontLibraryOptions options_;
    std::string localeLanguage_;
    // Declared first, so destroyed last: faces are released before FreeType.
    FtLibraryPtr library_;
    FcConfigPtr config_;
    bool configTried_ = false;
    FontAnswers::Ticket answers_;
    std::unordered_map<std::string, std::unique_ptr<Face>> faces_;
    std::unordered_map<std::string, std::unique_ptr<Resolved>> resolved_;
    Face* lastResort_ = nullptr;
    bool lastResortTried_ = false;
};

namespace {
bool usable(double v) {
    return std::isfinite(v) && v > 0;
}
}  // namespace

DecorationLine underlineLine(const FontMetrics& metrics, double size, double weight) {
    const double own =
        usable(metrics.underlineThickness) ? metrics.underlineThickness : size * 0.05;
    const double thickness = own * (usable(weight) ? std::min(weight, 4.0) : 1.0);
    // The face gives the line's centre; a face whose line sits on or above the baseline is
    // broken, so the usual place stands in.
    const double centre = std::isfinite(metrics.underlinePosition) && metrics.underlinePosition < 0
                              ? -metrics.underlinePosition
                              : size * 0.1 + own / 2;
    return {centre - thickness / 2, thickness};
}

DecorationLine strikeoutLine(const FontMetrics& metrics, double size) {
    const double thickness = usable(metrics.strikeoutThickness)   ? metrics.strikeoutThickness
                             : usable(metrics.underlineThickness) ? metrics.underlineThickness
                                                                  : size * 0.05;
    const double top = usable(metrics.strikeoutPosition) ? metrics.strikeoutPosition
                       : usable(metrics.xHeight)         ? metrics.xHeight / 2 + thickness / 2
                                                         : size * 0.25 + thickness / 2;
    return {-top, thickness};
}

std::vector<std::vector<Point>> decorationOutlines(double x0, double x1, const DecorationLine& line,
                                                   const std::vector<double>& dashes, bool wavy) {
    constexpr double kMostPieces = 4096;
    std::vector<std::vector<Point>> out;
    const double t = line.thickness, top = line.top;
    if (!(x1 > x0) || !usable(t) || !std::isfinite(top) || !std::isfinite(x1 - x0)) return out;
    const auto rectangle = [&](double a, double b) {
        out.push_back({{a, top}, {b, top}, {b, top + t}, {a, top + t}});
    };
    const double length = x1 - x0;
    if (wavy && length / (3 * t) <= kMostPieces) {
        // Corners every half wave, alternately up and down; the last one cut at x1.
        const double half = 3 * t;
        std::vector<Point> upper;
        for (int k = 0;; ++k) {
            const double x = std::min(x0 + k * half, x1);
            double swing = k % 2 == 0 ? -t : t;
            if (x == x1 && k > 0) {
                const double before = (k - 1) % 2 == 0 ? -t : t;
                swing = before + (swing - before) * (x1 - (x0 + (k - 1) * half)) / half;
            }
            upper.push_back({x, top + swing});
            if (x == x1) break;
        }
        std::vector<Point> band = upper;
        for (auto p = upper.rbegin(); p != upper.rend(); ++p) band.push_back({p->x, p->y + t});
        out.push_back(std::move(band));
        return out;
    }
    double period = 0;
    for (double d : dashes) period += std::isfinite(d) && d > 0 ? d * t : 0;
    if (wavy || dashes.size() < 2 || !(period > 0) ||
        length / period * static_cast<double>(dashes.size()) > kMostPieces) {
        rectangle(x0, x1);
        return out;
    }
    // Summed apart from x0, so that far from the origin the steps still add up.
    double along = 0;
    for (std::size_t i = 0; along < length; i = (i + 1) % dashes.size()) {
        const double step = std::isfinite(dashes[i]) && dashes[i] > 0 ? dashes[i] * t : 0;
        if (i % 2 == 0 && step > 0) rectangle(x0 + along, std::min(x0 + along + step, x1));
        along += step;
    }
    return out;
}

bool drawsNothing(char32_t c) {
    return c < 0x20 || c == 0x20 || c == 0x7F || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200B) || c == 0x2028 || c == 0x2029 || c == 0x202F ||
           c == 0x205F || c == 0x3000 || c == 0xFEFF;
}

FontLibrary::FontLibrary(FontLibraryOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}
FontLibrary::~FontLibrary() = default;
FontLibrary::FontLibrary(FontLibrary&&) noexcept = default;
FontLibrary& FontLibrary::operator=(FontLibrary&&) noexcept = default;

FaceInfo FontLibrary::primaryFace(const LogicalFont& font) {
    Resolved& r = impl_->resolve(font);
    return impl_->infoOf(r.primary, r.primaryStandIn);
}

FaceInfo FontLibrary::faceFor(const LogicalFont& font, char32_t code) {
    Resolved& r = impl_->resolve(font);
    Drawer d = impl_->drawerFor(r, code);
    if (d.missing) return {};
    bool standIn = d.face == r.primary ? r.primaryStandIn : (d.face != impl_->eastAsianFace(r));
    return impl_->infoOf(d.face, standIn);
}

double FontLibrary::emPixels(const LogicalFont& font) {
    return impl_->emPixels(font);
}

FontMetrics FontLibrary::metrics(const LogicalFont& font) {
    return metrics(font, emPixels(font));
}

FontMetrics FontLibrary::metrics(const LogicalFont& font, double emPixels) {
    return impl_->metrics(impl_->resolve(font), emPixels);
}

GlyphOutline FontLibrary::glyphOutline(const LogicalFont& font, char32_t code) {
    return glyphOutline(font, code, emPixels(font));
}

GlyphOutline FontLibrary::glyphOutline(const LogicalFont& font, char32_t code, double emPixels) {
    return impl_->outline(impl_->resolve(font), code, emPixels);
}

double FontLibrary::advance(const LogicalFont& font, char32_t code, double emPixels) {
    Resolved& r = impl_->resolve(font);
    return impl_->advance(r, impl_->drawerFor(r, code), emPixels);
}

double FontLibrary::kerning(const LogicalFont& font, char32_t left, char32_t right,
                            double emPixels) {
    return impl_->kerning(impl_->resolve(font), left, right, emPixels);
}

TextExtent FontLibrary::textExtent(const LogicalFont& font, std::u32string_view text) {
    return textExtent(font, text, emPixels(font), false);
}

TextExtent FontLibrary::textExtent(const LogicalFont& font, std::u32string_view text,
                                   double emPixels, bool kern) {
    return impl_->extent(impl_->resolve(font), text, emPixels, kern);
}

}  // namespace quillet::fonts
