// Vector metafiles (WMF, with or without its placeable header, and EMF) played with Cairo: the
// records clip art and drawing programs write are drawn as paths, bitmaps and fills; the others
// are passed over. The data is hostile input: every record's length and counts are checked
// against the data, object indices against the object table, and records, points, save levels
// and bitmap pixels are capped; a damaged metafile gives a reason, never a crash or a hang.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <span>
#include <string>

namespace quillet::fonts {
class FontLibrary;
}

namespace quillet::pptx::render {

// Most records played, points drawn and nested saves of one metafile.
inline constexpr std::uint32_t kMaxMetafileRecords = 1u << 20;
inline constexpr std::uint64_t kMaxMetafilePoints = std::uint64_t{1} << 22;
inline constexpr std::uint32_t kMaxMetafileSaves = 1024;
// Most characters of text drawn from one metafile; texts past them are left out.
inline constexpr std::uint64_t kMaxMetafileCharacters = std::uint64_t{1} << 17;

// The size the metafile gives its picture, in inches (0 × 0 when it states none).
struct MetafileSize {
    double width = 0, height = 0;
};

// Checks the header; "" and the size when it can be played, else why not.
std::string metafileSize(std::span<const std::uint8_t> bytes, MetafileSize& size);

// Draws the metafile onto cr with its picture's frame stretched over the w × h box at the origin
// of cr's user space, and clipped to it. Bitmaps in it are limited to maxPixels each. Returns ""
// when every record was read, else why not (and then nothing is drawn). cr is left as it was
// before, whatever the data: the records are drawn on a picture of their own first. Texts are
// drawn with the glyphs of `fonts`, and left out without it.
std::string playMetafile(std::span<const std::uint8_t> bytes, cairo_t* cr, double w, double h,
                         std::uint64_t maxPixels, fonts::FontLibrary* fonts = nullptr);

// Reads every record as playMetafile would when drawing into a w × h box, onto a picture of one
// pixel: why the metafile cannot be played, "" when it can, without drawing its pixels.
std::string checkMetafile(std::span<const std::uint8_t> bytes, double w, double h,
                          std::uint64_t maxPixels);

}  // namespace quillet::pptx::render
