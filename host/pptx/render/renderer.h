// Draws slides and shapes of the resolved model with Cairo: the background, then the master's
// decoration and the slide's shapes back to front, each with its geometry, fill, outline,
// picture and text (from the text layout, as the fonts module's outlines, so pictures show the
// same glyphs as the movie).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/pptx/layout.h"
#include "host/pptx/model.h"
#include "host/pptx/render/geometry.h"
#include "host/pptx/render/picture.h"

namespace quillet::pptx::render {

// Largest picture the renderer draws (a side, and pixels in all: 256 MiB of pixels); larger
// requests are refused.
inline constexpr int kMaxRenderSide = 16384;
inline constexpr long long kMaxRenderPixels = 64ll << 20;

class Renderer {
  public:
    // Text is laid out through `layouts` (the conversion's cache, which holds its fonts); null:
    // the renderer keeps a cache of its own.
    explicit Renderer(LayoutCache* layouts = nullptr);
    ~Renderer();
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    // The slide as it shows, width × height pixels. Null when the size is out of range.
    Surface renderSlide(const PresentationData& deck, const SlideData& slide, int width,
                        int height);
    // A page of pageWidth × pageHeight points: a background, then the lists of shapes in order.
    Surface renderPage(double pageWidth, double pageHeight, const FillData& background,
                       const std::vector<const ShapeList*>& layers, int width, int height);

    // Draws one shape (a group with its members) on a context whose units are slide points.
    void drawShape(cairo_t* cr, const Shape& shape, int depth = 0);
    // A group's own effects alone (its shadow, glow and reflection of all its members drawn
    // together), as drawShape draws them under the members.
    void drawGroupEffects(cairo_t* cr, const Shape& group, int depth = 0);
    // Fills the page rectangle with a background.
    void drawBackground(cairo_t* cr, const FillData& fill, double width, double height);
    // The source picture and placement of a picture or pattern fill (drawFillPicture below).
    host::FillPicture fillPicture(const FillData& fill, double width, double height,
                                  double pixelsPerPoint);
    // Whether shapes draw their text (on by default); off gives the slide without any text,
    // to compare with a movie that has none yet.
    void setDrawText(bool on);

    struct Impl;  // drawing state: layouts, decoded pictures, glyph outlines

  private:
    std::unique_ptr<Impl> impl_;
};

// The outlines a shape is drawn with, in points in its own box (before its flips and turn): its
// custom geometry, or its preset (a rectangle for a preset this renderer does not define).
std::vector<Outline> shapeOutlines(const Shape& shape);

// The parts a table is drawn from, in drawing order and in slide points: each cell that no span
// covers as a "rect" shape with its fill and text (rows grown to hold their text), then each
// visible border as a "line" shape. Empty for a shape without a table.
std::vector<ShapePtr> tableParts(const Shape& frame, LayoutCache& layouts);

// Draws a slide and writes it to path as the filter says ("png", ".png": PNG; "jpg", ".jpg",
// "jpeg": JPEG); false when the filter, the size or the file is not right.
bool exportSlide(const PresentationData& deck, const SlideData& slide, const std::string& path,
                 const std::string& filter, int width, int height, LayoutCache* layouts = nullptr);

// One shape drawn alone on a clear width × height picture whose corner is the slide point
// (left, top), at pixelsPerPoint; premultiplied 0xAARRGGBB pixels. Empty when the size is out of
// range or the numbers are not finite.
host::PixelPicture drawShapePicture(const Shape& shape, double left, double top,
                                    double pixelsPerPoint, int width, int height,
                                    LayoutCache* layouts = nullptr);

// A group's own effects alone (its shadow, glow and reflection), without its members, on a clear
// picture as drawShapePicture draws the group.
host::PixelPicture drawGroupEffectsPicture(const Shape& group, double left, double top,
                                           double pixelsPerPoint, int width, int height,
                                           LayoutCache* layouts = nullptr);

// A page's background alone on an opaque width × height picture at pixelsPerPoint from the
// page's corner; premultiplied 0xAARRGGBB pixels. Empty when the size is out of range.
host::PixelPicture drawBackgroundPicture(const FillData& fill, double pageWidth, double pageHeight,
                                         double pixelsPerPoint, int width, int height,
                                         LayoutCache* layouts = nullptr);

// A picture or pattern fill over a width × height point box: its picture (the tile of a
// repeated one) and where its pixels land, as fillPattern paints it; drawn at pixelsPerPoint when
// finer (a tile when finer than twice that). Empty for the other fills and for a picture that
// cannot be decoded.
host::FillPicture drawFillPicture(const FillData& fill, double width, double height,
                                  double pixelsPerPoint);

// Writes a surface as PNG or JPEG (quality 1..100); false when the file cannot be written.
bool writePng(cairo_surface_t* surface, const std::string& path);
bool writeJpeg(cairo_surface_t* surface, const std::string& path, int quality = 90);

// The pixel at (x, y) as 0xRRGGBB (unpremultiplied), for checks; 0 outside.
unsigned pixelRgb(cairo_surface_t* surface, int x, int y);

}  // namespace quillet::pptx::render
