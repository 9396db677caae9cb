// Chart parts (c:chartSpace): the plots with their series' cached values, categories and colours,
// read for drawing charts that the file keeps no picture of. The part is hostile input: counts
// are capped and every number is checked.
#pragma once

#include <memory>
#include <string>

#include "host/pptx/model.h"
#include "host/pptx/theme.h"
#include "host/pptx/xml.h"

namespace quillet::pptx {

inline constexpr std::size_t kMaxChartPlots = 16;
inline constexpr std::size_t kMaxChartSeries = 256;
inline constexpr std::size_t kMaxChartPoints = 4096;  // per series, and categories

// The colour `k` of the way to white (k > 0) or to black (k < 0).
Color shadedColor(Color c, double k);

// Reads a c:chartSpace element. Series without colours of their own take the theme's accents in
// turn (by the series' c:idx; by point for pies and varied charts). Null when the chart holds no
// plot this reader knows (bar, line, area, pie and doughnut charts, flat or 3-D).
std::shared_ptr<ChartData> readChart(pugi::xml_node chartSpace, const ColorContext& colors);

}  // namespace quillet::pptx
