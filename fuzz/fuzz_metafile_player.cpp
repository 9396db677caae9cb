// Plays arbitrary bytes as a WMF or EMF metafile onto a small surface. A refusal with a reason is
// an expected outcome; a crash, a sanitizer report, a hang, an allocation beyond the fuzzer's
// limits or a drawing context left in error or with its state changed is a finding.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "fonts/font_library.h"
#include "host/pptx/render/metafile.h"

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_metafile_player: %s\n", what);
    std::abort();
}

// Small bitmaps keep each run fast; the limit is checked the same way at any size.
constexpr std::uint64_t FuzzPixels = std::uint64_t{1} << 16;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillet::pptx::render;
    const std::span<const std::uint8_t> bytes(data, size);
    MetafileSize stated;
    const std::string problem = metafileSize(bytes, stated);
    if (problem.empty() && (!(stated.width >= 0) || !(stated.height >= 0)))
        fail("a negative or undefined size");
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 48, 32);
    cairo_t* cr = cairo_create(surface);
    cairo_translate(cr, 3, 2);
    cairo_matrix_t before, after;
    cairo_get_matrix(cr, &before);
    // One font library for every run, so that texts are drawn too.
    static quillet::fonts::FontLibrary fonts;
    const std::string played = playMetafile(bytes, cr, 40, 28, FuzzPixels, &fonts);
    cairo_get_matrix(cr, &after);
    if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) fail("the drawing context left in error");
    if (before.x0 != after.x0 || before.y0 != after.y0 || before.xx != after.xx)
        fail("the drawing context's matrix changed");
    if (!problem.empty() && played.empty()) fail("a refused header played");
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return 0;
}
