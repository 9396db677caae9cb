// Fills and strokes that drawing code makes through these functions instead of Cairo's own, so
// that a recorder attached to the context can keep them as shapes: the same drawing then gives a
// picture and, recorded, vector shapes that match it.
#pragma once

#include <cairo.h>

#include <cstddef>
#include <vector>

#include "host/pptx/model.h"

namespace quillet::pptx::render {

// Recorded operations a drawing may give before it is left to its picture: each becomes a
// character of the movie, which holds at most 65535 of them in all.
inline constexpr std::size_t kMaxRecordedOperations = 10000;

// Keeps each fill and stroke made through the functions below on the context it is attached to,
// as a freeform Shape on the slide (its path in the shape's own box, with the fill or the line),
// in drawing order. A stroke of the path just filled becomes that shape's line.
class DrawingRecorder {
  public:
    // draws: the operations still reach the context's surface; else they are only recorded.
    explicit DrawingRecorder(bool draws = false, std::size_t limit = kMaxRecordedOperations);
    DrawingRecorder(const DrawingRecorder&) = delete;
    DrawingRecorder& operator=(const DrawingRecorder&) = delete;

    // Attaches to cr until the context is destroyed or detach is called; the context's current
    // matrix is taken to map slide points to its device.
    void attach(cairo_t* cr);
    static void detach(cairo_t* cr);

    // False when an operation could not be recorded (a source other than a colour) or there were
    // more than the limit: the shapes are then not the drawing.
    bool complete() const { return complete_; }
    const std::vector<ShapePtr>& shapes() const { return shapes_; }
    std::vector<ShapePtr> takeShapes() { return std::move(shapes_); }

    // Used by the functions below.
    bool draws() const { return draws_; }
    void record(cairo_t* cr, bool stroke);

  private:
    bool draws_;
    std::size_t limit_;
    bool complete_ = true;
    bool lastWasFill_ = false;
    cairo_matrix_t fromDevice_{};  // device space to slide points
    std::vector<ShapePtr> shapes_;
};

// cairo_fill, cairo_fill_preserve, cairo_stroke and cairo_stroke_preserve, recorded when a
// recorder is attached to cr.
void canvasFill(cairo_t* cr);
void canvasFillPreserve(cairo_t* cr);
void canvasStroke(cairo_t* cr);
void canvasStrokePreserve(cairo_t* cr);

}  // namespace quillet::pptx::render
