#include "fonts/logical_font.h"

#include <cmath>

namespace quillet::fonts {

bool sameFontApartFromHeight(const LogicalFont& a, const LogicalFont& b) {
    LogicalFont sized = b;
    sized.height = a.height;
    return a == sized;
}

LogicalFont logicalFontFor(double sizePoints, bool bold, bool italic, bool underline,
                           bool charsetIsAnsi, const std::string& faceName,
                           const std::string& eastAsianFaceName) {
    LogicalFont font;
    // Sizes past any a deck can hold are clamped, so the cast stays defined.
    double size = std::isfinite(sizePoints) ? sizePoints : 0.0;
    if (size < 0) size = 0;
    if (size > 100000) size = 100000;
    font.height = static_cast<std::int32_t>(size + 0.5);
    font.weight = bold ? weight::bold : weight::medium;
    font.italic = italic ? 1 : 0;
    font.underline = underline ? 1 : 0;
    font.charSet = charsetIsAnsi ? charset::ansi : charset::defaultSet;
    font.faceName = faceName.empty() ? eastAsianFaceName : faceName;
    font.eastAsianFaceName = eastAsianFaceName;
    return font;
}

}  // namespace quillet::fonts
