// Which font families the machine has, for tests that need a particular face and skip without it.
#pragma once

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

namespace quillet::fonts::test {

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
