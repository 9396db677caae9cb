// Pictures for drawing: PNG, JPEG, GIF, BMP and TIFF files decoded to Cairo image surfaces
// (premultiplied ARGB). Every decoder treats its input as hostile: sizes are checked against the
// limits before pixels are allocated, and damaged data gives an empty picture, never a crash.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "host/pptx/model.h"

namespace quillet::pptx::render {

struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;

// Largest picture decoded for drawing: 8192 × 8192 pixels, 256 MiB of pixels.
inline constexpr std::uint64_t kMaxPicturePixels = std::uint64_t{64} << 20;
inline constexpr std::uint32_t kMaxPictureSide = 32768;

// Longest side of the picture a metafile is drawn to when its pixels are needed.
inline constexpr std::uint32_t kMaxMetafileSide = 2048;

enum class PictureFormat { Unknown, Png, Jpeg, Gif, Bmp, Tiff, Emf, Wmf };

// The format from the first bytes of the data.
PictureFormat sniffPicture(std::span<const std::uint8_t> bytes);

struct DecodedPicture {
    Surface surface;      // a bitmap's pixels; null for a metafile and when undecodable
    std::string problem;  // why it cannot be drawn, when it cannot
    // Where the surface stands in the picture's frame, as fractions of it: the whole frame,
    // except for the bitmap taken out of a vector metafile.
    double left = 0, top = 0, width = 1, height = 1;
    // Pixels per inch the file states (JPEG's JFIF density, PNG's pHYs); 96 when it states none.
    double dpiX = 96, dpiY = 96;
    // A vector metafile's own bytes, its records read through once, to be played at the
    // resolution it is drawn at; its pixels at its own size, the largest its bitmaps may be.
    std::vector<std::uint8_t> metafile;
    std::uint32_t metafileWidth = 0, metafileHeight = 0;
    std::uint64_t metafileMaxPixels = 0;

    // A bitmap decoded, or a metafile that plays.
    bool drawable() const { return surface || !metafile.empty(); }
    // The pixels, for picture fills and colour effects: a bitmap's own, or the metafile drawn at
    // its own size when first asked for (most metafiles are only ever played onto slides, so
    // their pixels are not made before). Null when there are none. Like the picture cache, for
    // one thread.
    cairo_surface_t* pixels() const;

  private:
    mutable Surface drawn_;
    mutable bool drawnTried_ = false;
};

// The resolution a PNG or JPEG file states, in pixels per inch; 96 for other files and for
// missing or implausible values.
std::pair<double, double> statedResolution(std::span<const std::uint8_t> bytes);

// PNG, JPEG, GIF, BMP and TIFF files decoded, and WMF and EMF metafiles checked: their records
// read through as they would be drawn at their own size (at most kMaxMetafileSide pixels along a
// side), on a picture of one pixel.
DecodedPicture decodePicture(std::span<const std::uint8_t> bytes,
                             std::uint64_t maxPixels = kMaxPicturePixels);

// Decoded pictures are kept per thread while they are among the most recently used, up to this
// many bytes of pixels (a metafile's counted as if drawn), so that the reader's check and every
// drawing of a part share one decode.
inline constexpr std::size_t kPictureCacheBytes = std::size_t{128} << 20;

// The part's picture, decoded once while it stays in this thread's cache; when the part cannot be
// read, a picture without surface whose problem is the package's message.
std::shared_ptr<const DecodedPicture> sharedPicture(const MediaPart& part);

// Pictures decoded by sharedPicture on this thread since it started (for tests and benchmarks).
std::uint64_t pictureDecodeCount();

// A copy of an ARGB32 picture with the colour effects applied; null when the source is not an
// image surface or the copy cannot be made.
Surface applyPictureEffects(cairo_surface_t* source, const PictureEffects& effects);

}  // namespace quillet::pptx::render
