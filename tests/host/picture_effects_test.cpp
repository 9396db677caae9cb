// Colour effects of pictures: read from a:blip, applied to pixels, and drawn on a slide.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/pptx/fills.h"
#include "host/pptx/render/picture.h"
#include "host/pptx/render/renderer.h"
#include "host/pptx/xml.h"

namespace quillet::pptx::render {
namespace {

PictureEffects effectsOf(const std::string& inner) {
    auto doc = parseXml(
        "<a:blip xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/"
        "main\">" +
            inner + "</a:blip>",
        "blip");
    Theme theme;
    theme.colors["accent1"] = Color{0xBD814F, 1.0f};
    ColorMap map = defaultColorMap();
    return readBlipEffects(doc->document_element(), ColorContext{&theme, &map, std::nullopt});
}

// A 2 × 1 picture: pure red, then opaque white.
Surface twoPixels(std::uint32_t left = 0xFFFF0000u, std::uint32_t right = 0xFFFFFFFFu) {
    Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 2, 1));
    cairo_surface_flush(s.get());
    auto* p = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s.get()));
    p[0] = left;
    p[1] = right;
    cairo_surface_mark_dirty(s.get());
    return s;
}

std::uint32_t at(cairo_surface_t* s, int x) {
    cairo_surface_flush(s);
    std::uint32_t v;
    std::memcpy(&v, cairo_image_surface_get_data(s) + x * 4, 4);
    return v;
}

TEST(PictureEffects, ReadFromTheBlip) {
    PictureEffects none = effectsOf("");
    EXPECT_FALSE(none.any());
    PictureEffects e = effectsOf(
        "<a:lum bright=\"20000\" contrast=\"-40000\"/><a:grayscl/><a:biLevel thresh=\"75000\"/>"
        "<a:alphaModFix amt=\"25000\"/>");
    EXPECT_FLOAT_EQ(e.brightness, 0.2f);
    EXPECT_FLOAT_EQ(e.contrast, -0.4f);
    EXPECT_TRUE(e.grayscale);
    EXPECT_FLOAT_EQ(e.biLevel, 0.75f);
    EXPECT_FLOAT_EQ(e.alpha, 0.25f);
    PictureEffects d = effectsOf(
        "<a:duotone><a:schemeClr val=\"accent1\"/><a:prstClr val=\"white\"/></a:duotone>");
    EXPECT_TRUE(d.duotone);
    EXPECT_EQ(d.duotoneDark.rgb, 0xBD814F);
    EXPECT_EQ(d.duotoneLight.rgb, 0xFFFFFF);
    // Out-of-range and malformed values are clamped or ignored; an empty lum changes nothing.
    PictureEffects h = effectsOf(
        "<a:lum/><a:alphaModFix amt=\"-99999999999\"/><a:duotone><a:srgbClr val=\"000000\"/>"
        "</a:duotone><a:biLevel thresh=\"x\"/>");
    EXPECT_FLOAT_EQ(h.brightness, 0);
    EXPECT_FLOAT_EQ(h.alpha, 0);
    EXPECT_FALSE(h.duotone);
    EXPECT_FLOAT_EQ(h.biLevel, 0.5f);
}

TEST(PictureEffects, AppliedToPixels) {
    Surface src = twoPixels();
    PictureEffects grey;
    grey.grayscale = true;
    Surface g = applyPictureEffects(src.get(), grey);
    ASSERT_TRUE(g);
    EXPECT_EQ(at(g.get(), 0), 0xFF4C4C4Cu);  // 0.299 × 255
    EXPECT_EQ(at(g.get(), 1), 0xFFFFFFFFu);

    PictureEffects duo;
    duo.duotone = true;
    duo.duotoneDark = Color{0x000080, 1.0f};   // 800000: dark red
    duo.duotoneLight = Color{0xFFFF00, 1.0f};  // 00FFFF: cyan
    Surface d = applyPictureEffects(twoPixels(0xFF000000u).get(), duo);
    ASSERT_TRUE(d);
    EXPECT_EQ(at(d.get(), 0), 0xFF800000u);  // black becomes the dark colour
    EXPECT_EQ(at(d.get(), 1), 0xFF00FFFFu);  // white the light one

    PictureEffects bi;
    bi.biLevel = 0.5f;
    Surface b = applyPictureEffects(src.get(), bi);
    EXPECT_EQ(at(b.get(), 0), 0xFF000000u);  // red is darker than half
    EXPECT_EQ(at(b.get(), 1), 0xFFFFFFFFu);

    PictureEffects half;
    half.alpha = 0.5f;
    Surface a = applyPictureEffects(src.get(), half);
    EXPECT_EQ(at(a.get(), 0), 0x80800000u);  // premultiplied
    EXPECT_EQ(at(a.get(), 1), 0x80808080u);

    PictureEffects lum;
    lum.brightness = -0.5f;
    Surface l = applyPictureEffects(src.get(), lum);
    EXPECT_EQ(at(l.get(), 0), 0xFF800000u);
    EXPECT_EQ(at(l.get(), 1), 0xFF808080u);

    // Transparent pixels stay transparent; a surface of another kind is refused.
    PictureEffects all = grey;
    all.brightness = 1;
    Surface t = applyPictureEffects(twoPixels(0, 0).get(), all);
    EXPECT_EQ(at(t.get(), 0), 0u);
    Surface rgb24(cairo_image_surface_create(CAIRO_FORMAT_RGB24, 2, 2));
    EXPECT_FALSE(applyPictureEffects(rgb24.get(), all));
    EXPECT_FALSE(applyPictureEffects(nullptr, all));
}

}  // namespace
}  // namespace quillet::pptx::render
