// Helpers shared by the font tests: which font families the machine has (tests that need a
// particular face skip without it), a logical font to ask for, and curve geometry.
#pragma once

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "fonts/font_library.h"

namespace quillet::fonts::test {

inline LogicalFont font(const std::string& face, std::int32_t height = -100, bool bold = false,
                        bool italic = false, std::uint8_t charSet = charset::ansi) {
    LogicalFont f;
    f.height = height;
    f.weight = bold ? weight::bold : weight::medium;
    f.italic = italic ? 1 : 0;
    f.charSet = charSet;
    f.faceName = face;
    return f;
}

inline Point quadAt(Point p0, Point c, Point p1, double t) {
    const double u = 1 - t;
    return {u * u * p0.x + 2 * u * t * c.x + t * t * p1.x,
            u * u * p0.y + 2 * u * t * c.y + t * t * p1.y};
}

inline Point cubicAt(Point p0, Point p1, Point p2, Point p3, double t) {
    const double u = 1 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
}

inline double distanceToSegment(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    const double t =
        std::clamp(len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Asks fontconfig with a configuration of its own, released after use (the default one lives until
// exit).
inline bool installed(const char* familyName) {
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (config == nullptr) return false;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(familyName));
    FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(config, pattern, objects);
    bool found = set != nullptr && set->nfont > 0;
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    FcConfigDestroy(config);
    return found;
}

}  // namespace quillet::fonts::test

#define REQUIRE_FONT(family, package)                                                     \
    do {                                                                                  \
        if (!::quillet::fonts::test::installed(family))                                   \
            GTEST_SKIP() << "font \"" family "\" is missing: install the Debian package " \
                         << package << " (scripts/setup.sh does)";                        \
    } while (0)
