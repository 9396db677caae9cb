// Charts drawn from their data, for chart frames the file keeps no picture of: bar, line, area,
// pie and doughnut plots with axis lines, gridlines and a legend.
#pragma once

#include <cairo.h>

#include <vector>

#include "host/pptx/model.h"

namespace quillet::pptx::render {

// Draws frame.chart in the frame's box (context units are slide points) and returns the chart's
// texts (title, legend entries, axis labels) as text boxes for the caller to draw.
std::vector<ShapePtr> drawChart(cairo_t* cr, const Shape& frame);

}  // namespace quillet::pptx::render
