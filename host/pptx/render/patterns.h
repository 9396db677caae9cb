// Preset pattern fills: an 8 × 8 cell of foreground and background pixels, repeated over the
// filled area at one cell pixel per screen pixel at 96 pixels per inch.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "host/pptx/model.h"
#include "host/pptx/render/picture.h"

namespace quillet::pptx::render {

// Rows top first; bit 7 of a row is its left pixel; a set bit shows the foreground colour.
using PatternCell = std::array<std::uint8_t, 8>;

// The cell of a preset pattern by its file name ("pct50", "dkUpDiag", ...); nullopt for a name
// that is not a preset pattern.
std::optional<PatternCell> presetPatternCell(std::string_view name);

// The cell as an 8 × 8 picture in the two colours (with their transparency); null for a name that
// is not a preset pattern.
Surface patternCellSurface(std::string_view name, const Color& fore, const Color& back);

}  // namespace quillet::pptx::render
