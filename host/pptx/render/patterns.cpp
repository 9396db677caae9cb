#include "host/pptx/render/patterns.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

namespace quillet::pptx::render {

namespace {

// Ordered dithering: the percentage patterns set the cells whose threshold is below their share.
constexpr int kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                              {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                              {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                              {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};

PatternCell dither(int percent) {
    PatternCell cell{};
    const int count = (percent * 64 + 50) / 100;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            if (kBayer[y][x] < count) cell[static_cast<std::size_t>(y)] |= 0x80 >> x;
        }
    }
    return cell;
}

// The same cell seen in a mirror: down diagonals become up diagonals.
PatternCell mirrored(const PatternCell& c) {
    PatternCell out{};
    for (std::size_t y = 0; y < 8; ++y) {
        std::uint8_t r = 0;
        for (int x = 0; x < 8; ++x) {
            if (c[y] & (0x80 >> x)) r |= static_cast<std::uint8_t>(0x01 << x);
        }
        out[y] = r;
    }
    return out;
}

const std::map<std::string, PatternCell, std::less<>>& table() {
    static const std::map<std::string, PatternCell, std::less<>> t = [] {
        std::map<std::string, PatternCell, std::less<>> m;
        for (int p : {5, 10, 20, 25, 30, 40, 50, 60, 70, 75, 80, 90}) {
            m["pct" + std::to_string(p)] = dither(p);
        }
        m["horz"] = {0xFF, 0, 0, 0, 0, 0, 0, 0};
        m["ltHorz"] = {0xFF, 0, 0, 0, 0xFF, 0, 0, 0};
        m["narHorz"] = {0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0};
        m["dkHorz"] = {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
        m["dashHorz"] = {0xF0, 0, 0, 0, 0x0F, 0, 0, 0};
        m["vert"] = {0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
        m["ltVert"] = {0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88, 0x88};
        m["narVert"] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        m["dkVert"] = {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC};
        m["dashVert"] = {0x80, 0x80, 0x80, 0x80, 0x08, 0x08, 0x08, 0x08};
        m["dnDiag"] = {0xC0, 0x60, 0x30, 0x18, 0x0C, 0x06, 0x03, 0x81};
        m["ltDnDiag"] = {0x88, 0x44, 0x22, 0x11, 0x88, 0x44, 0x22, 0x11};
        m["dkDnDiag"] = {0xCC, 0x66, 0x33, 0x99, 0xCC, 0x66, 0x33, 0x99};
        m["wdDnDiag"] = {0xC1, 0xE0, 0x70, 0x38, 0x1C, 0x0E, 0x07, 0x83};
        m["dashDnDiag"] = {0x88, 0x44, 0x22, 0x11, 0, 0, 0, 0};
        const std::pair<const char*, const char*> kUp[] = {{"dnDiag", "upDiag"},
                                                           {"ltDnDiag", "ltUpDiag"},
                                                           {"dkDnDiag", "dkUpDiag"},
                                                           {"wdDnDiag", "wdUpDiag"},
                                                           {"dashDnDiag", "dashUpDiag"}};
        for (const auto& [down, up] : kUp) m[up] = mirrored(m[down]);
        m["cross"] = {0xFF, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80};
        m["lgGrid"] = m["cross"];
        m["smGrid"] = {0xFF, 0x88, 0x88, 0x88, 0xFF, 0x88, 0x88, 0x88};
        m["dotGrid"] = {0xAA, 0, 0x80, 0, 0x80, 0, 0x80, 0};
        m["diagCross"] = {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81};
        m["smCheck"] = {0xCC, 0xCC, 0x33, 0x33, 0xCC, 0xCC, 0x33, 0x33};
        m["lgCheck"] = {0xF0, 0xF0, 0xF0, 0xF0, 0x0F, 0x0F, 0x0F, 0x0F};
        m["smConfetti"] = {0x80, 0x04, 0x40, 0x02, 0x10, 0x01, 0x20, 0x08};
        m["lgConfetti"] = {0xC0, 0xC6, 0x06, 0x30, 0x33, 0x03, 0x60, 0x6C};
        m["horzBrick"] = {0xFF, 0x80, 0x80, 0x80, 0xFF, 0x08, 0x08, 0x08};
        m["diagBrick"] = {0x01, 0x02, 0x04, 0x08, 0x18, 0x24, 0x42, 0x81};
        m["solidDmnd"] = {0x10, 0x38, 0x7C, 0xFE, 0x7C, 0x38, 0x10, 0x00};
        m["openDmnd"] = {0x80, 0x41, 0x22, 0x14, 0x08, 0x14, 0x22, 0x41};
        m["dotDmnd"] = {0x80, 0, 0x22, 0, 0x08, 0, 0x22, 0};
        m["plaid"] = {0xAA, 0x55, 0xAA, 0x55, 0xF0, 0xF0, 0xF0, 0xF0};
        m["sphere"] = {0x77, 0x89, 0x8F, 0x8F, 0x77, 0x98, 0xF8, 0xF8};
        m["weave"] = {0x88, 0x54, 0x22, 0x45, 0x88, 0x14, 0x22, 0x51};
        m["divot"] = {0x00, 0x10, 0x08, 0x10, 0x00, 0x01, 0x80, 0x01};
        m["shingle"] = {0x03, 0x84, 0x48, 0x30, 0x0C, 0x02, 0x01, 0x01};
        m["wave"] = {0x00, 0x18, 0xA4, 0x03, 0x00, 0x18, 0xA4, 0x03};
        m["trellis"] = {0xFF, 0x66, 0xFF, 0x99, 0xFF, 0x66, 0xFF, 0x99};
        m["zigZag"] = {0x81, 0x42, 0x24, 0x18, 0x81, 0x42, 0x24, 0x18};
        return m;
    }();
    return t;
}

// Premultiplied ARGB of a colour (its rgb kept as 0xBBGGRR).
std::uint32_t premultiplied(const Color& c) {
    double a = std::clamp(static_cast<double>(c.alpha), 0.0, 1.0);
    auto channel = [&](int shift) {
        return static_cast<std::uint32_t>(((c.rgb >> shift) & 0xFF) * a + 0.5);
    };
    return (static_cast<std::uint32_t>(a * 255 + 0.5) << 24) | (channel(0) << 16) |
           (channel(8) << 8) | channel(16);
}

}  // namespace

std::optional<PatternCell> presetPatternCell(std::string_view name) {
    const auto& t = table();
    auto it = t.find(name);
    if (it == t.end()) return std::nullopt;
    return it->second;
}

Surface patternCellSurface(std::string_view name, const Color& fore, const Color& back) {
    std::optional<PatternCell> cell = presetPatternCell(name);
    if (!cell) return nullptr;
    Surface s(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8));
    if (cairo_surface_status(s.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    cairo_surface_flush(s.get());
    unsigned char* data = cairo_image_surface_get_data(s.get());
    const int stride = cairo_image_surface_get_stride(s.get());
    const std::uint32_t f = premultiplied(fore), b = premultiplied(back);
    for (int y = 0; y < 8; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < 8; ++x)
            row[x] = ((*cell)[static_cast<std::size_t>(y)] & (0x80 >> x)) ? f : b;
    }
    cairo_surface_mark_dirty(s.get());
    return s;
}

}  // namespace quillet::pptx::render
