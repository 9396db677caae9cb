// Charts drawn from their data, for chart frames the file keeps no picture of: bar, line, area,
// pie, doughnut, scatter, radar and bubble plots with axes, gridlines, markers, data labels and
// a legend.
#pragma once

#include <cairo.h>

#include <vector>

#include "host/pptx/model.h"
#include "host/pptx/render/canvas.h"

namespace quillet::fonts {
class FontLibrary;
}

namespace quillet::pptx::render {

// The ends and the major unit of a value axis.
struct AxisScale {
    double minimum = 0, maximum = 1, majorUnit = 1;
};

// The axis over data from dataMin to dataMax: the file's fixed ends and unit where it gives
// them, else zero (for data that does not cross it), a little room over the data, and round
// steps of about a tenth of the span. `exact` keeps the data's own ends (percentages).
AxisScale axisScale(double dataMin, double dataMax, const ChartAxisData& axis, bool exact = false);

// Draws frame.chart in the frame's box (context units are slide points) and returns the chart's
// texts (title, legend entries, axis and data labels) as text boxes for the caller to draw. The
// texts are measured with `fonts`, the library they are laid out with (estimated when null).
std::vector<ShapePtr> drawChart(cairo_t* cr, const Shape& frame, fonts::FontLibrary* fonts);

// The same chart as shapes on the slide, in drawing order: each fill and stroke as a freeform,
// then the texts. False (and no shapes) when the drawing has more than `limit` operations or one
// that has no shape.
bool chartShapes(const Shape& frame, fonts::FontLibrary* fonts, std::vector<ShapePtr>& out,
                 std::size_t limit = kMaxRecordedOperations);

}  // namespace quillet::pptx::render
