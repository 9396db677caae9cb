#include "host/pptx/render/shadows.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>

namespace quillet::pptx::render {

namespace {

constexpr double kPi = 3.14159265358979323846;
// A blur wider than this many device pixels is drawn at this width: past it, a shadow is a haze.
constexpr double kMaxDeviceBlur = 2048;

struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct SurfaceDeleter {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};

// The map that applies `first`, then `second`.
cairo_matrix_t then(const cairo_matrix_t& first, const cairo_matrix_t& second) {
    cairo_matrix_t r;
    cairo_matrix_multiply(&r, &first, &second);
    return r;
}

cairo_matrix_t translation(double x, double y) {
    cairo_matrix_t m;
    cairo_matrix_init_translate(&m, x, y);
    return m;
}

cairo_matrix_t scaling(double x, double y) {
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, x, y);
    return m;
}

bool usable(const cairo_matrix_t& m) {
    if (!std::isfinite(m.xx) || !std::isfinite(m.yx) || !std::isfinite(m.xy) ||
        !std::isfinite(m.yy) || !std::isfinite(m.x0) || !std::isfinite(m.y0)) {
        return false;
    }
    // A flattened shadow (a zero scale) covers nothing; cairo refuses such matrices.
    cairo_matrix_t copy = m;
    return cairo_matrix_invert(&copy) == CAIRO_STATUS_SUCCESS;
}

// The unit position of an alignment point on a box around its centre.
void alignment(const std::string& algn, double& ax, double& ay) {
    ax = 0;
    ay = 1;  // "b"
    if (algn == "ctr") {
        ay = 0;
        return;
    }
    if (algn.empty() || algn.size() > 2) return;
    ay = algn[0] == 't' ? -1 : algn[0] == 'b' ? 1 : 0;
    char h = algn.back();
    ax = h == 'l' ? -1 : h == 'r' ? 1 : 0;
}

// The shadow's own move in a frame: scale and skew about (ax, ay), then the offset.
cairo_matrix_t shadowMove(const ShadowData& sh, double ax, double ay) {
    cairo_matrix_t m = translation(-ax, -ay);
    m = then(m, scaling(sh.scaleX, sh.scaleY));
    cairo_matrix_t skew;
    cairo_matrix_init(&skew, 1, std::tan(sh.skewY * kPi / 180), std::tan(sh.skewX * kPi / 180), 1,
                      0, 0);
    m = then(m, skew);
    double dir = sh.direction * kPi / 180;
    return then(m, translation(ax + sh.distance * std::cos(dir), ay + sh.distance * std::sin(dir)));
}

// The rounded mean of a box pass, by its sum: quotient[sum] = (sum + div / 2) / div for every sum
// 255 × div can reach, so that no pixel pays a division.
std::vector<std::uint8_t> boxQuotients(std::size_t radius) {
    const std::uint32_t div = 2 * static_cast<std::uint32_t>(radius) + 1;
    std::vector<std::uint8_t> quotient(255 * std::size_t{div} + 1);
    for (std::uint32_t sum = 0; sum < quotient.size(); ++sum)
        quotient[sum] = static_cast<std::uint8_t>((sum + div / 2) / div);
    return quotient;
}

// One box pass along a line of n samples `step` bytes apart.
void boxLine(std::uint8_t* data, std::size_t n, std::ptrdiff_t step, std::size_t radius,
             const std::uint8_t* quotient, std::vector<std::uint8_t>& line) {
    line.resize(n);
    for (std::size_t i = 0; i < n; ++i) line[i] = data[static_cast<std::ptrdiff_t>(i) * step];
    std::uint32_t sum = 0;
    for (std::size_t j = 0; j <= radius && j < n; ++j) sum += line[j];
    for (std::size_t i = 0; i < n; ++i) {
        data[static_cast<std::ptrdiff_t>(i) * step] = quotient[sum];
        if (i + radius + 1 < n) sum += line[i + radius + 1];
        if (i >= radius) sum -= line[i - radius];
    }
}

// The same box pass down every column, a row at a time (the rows stay in cache): the sums of
// all columns move down together over a copy of the picture.
void boxColumns(std::uint8_t* data, int w, int h, int stride, std::size_t radius,
                const std::uint8_t* quotient, std::vector<std::uint8_t>& copy,
                std::vector<std::uint32_t>& sums) {
    const auto width = static_cast<std::size_t>(w), height = static_cast<std::size_t>(h);
    copy.resize(width * height);
    for (std::size_t y = 0; y < height; ++y)
        std::memcpy(&copy[y * width], data + static_cast<std::ptrdiff_t>(y) * stride, width);
    sums.assign(width, 0);
    for (std::size_t j = 0; j <= radius && j < height; ++j) {
        const std::uint8_t* row = &copy[j * width];
        for (std::size_t x = 0; x < width; ++x) sums[x] += row[x];
    }
    for (std::size_t i = 0; i < height; ++i) {
        std::uint8_t* out = data + static_cast<std::ptrdiff_t>(i) * stride;
        for (std::size_t x = 0; x < width; ++x) out[x] = quotient[sums[x]];
        if (i + radius + 1 < height) {
            const std::uint8_t* in = &copy[(i + radius + 1) * width];
            for (std::size_t x = 0; x < width; ++x) sums[x] += in[x];
        }
        if (i >= radius) {
            const std::uint8_t* away = &copy[(i - radius) * width];
            for (std::size_t x = 0; x < width; ++x) sums[x] -= away[x];
        }
    }
}

}  // namespace

void blurSurface(cairo_surface_t* surface, int radius) {
    if (!surface || radius <= 0 || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) {
        return;
    }
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_A8 && format != CAIRO_FORMAT_ARGB32) return;
    // Premultiplied channels blur as independent samples: each byte of a row is one.
    const int channels = format == CAIRO_FORMAT_A8 ? 1 : 4;
    cairo_surface_flush(surface);
    std::uint8_t* data = cairo_image_surface_get_data(surface);
    int w = cairo_image_surface_get_width(surface);
    int h = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    if (!data || w <= 0 || h <= 0) return;
    auto r = static_cast<std::size_t>(std::min(radius, kMaxShadowBlurRadius));
    const std::vector<std::uint8_t> quotient = boxQuotients(r);
    std::vector<std::uint8_t> line, copy;
    std::vector<std::uint32_t> sums;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            for (int c = 0; c < channels; ++c) {
                boxLine(data + static_cast<std::ptrdiff_t>(y) * stride + c,
                        static_cast<std::size_t>(w), channels, r, quotient.data(), line);
            }
        }
        boxColumns(data, w * channels, h, stride, r, quotient.data(), copy, sums);
    }
    cairo_surface_mark_dirty(surface);
}

void drawOuterShadow(cairo_t* cr, const Shape& s, const std::vector<Outline>& outlines,
                     double margin, const Silhouette& silhouette) {
    drawOuterShadow(cr, s, s.shadow, outlines, margin, silhouette);
}

namespace {

// The drawing of `draw` (in the shape's box space) as the effect `sh` moves, scales and blurs it,
// into a surface of `format` at cr's device resolution; `finish`, when given, then draws on it in
// the same space. The pattern stands in cr's device space.
MaskPattern effectPattern(cairo_t* cr, const Shape& s, const ShadowData& sh,
                          const std::vector<Outline>& outlines, double margin,
                          const Silhouette& draw, cairo_format_t format, const Silhouette& finish) {
    if (!draw) return nullptr;
    if (!std::isfinite(sh.blur) || !std::isfinite(sh.distance) || !std::isfinite(sh.direction) ||
        !std::isfinite(sh.scaleX) || !std::isfinite(sh.scaleY) || !std::isfinite(sh.skewX) ||
        !std::isfinite(sh.skewY) || std::fabs(sh.skewX) >= 89 || std::fabs(sh.skewY) >= 89 ||
        !std::isfinite(margin)) {
        return nullptr;
    }
    double w = s.width, h = s.height;
    double cx = s.left + w / 2, cy = s.top + h / 2;
    double ax, ay;
    alignment(sh.align, ax, ay);
    ax *= w / 2;
    ay *= h / 2;
    cairo_matrix_t rotate;
    cairo_matrix_init_rotate(&rotate, s.rotation * kPi / 180);
    cairo_matrix_t local =
        then(translation(-w / 2, -h / 2), scaling(s.flipH ? -1 : 1, s.flipV ? -1 : 1));
    if (sh.rotateWithShape) {
        // Offset and scale are in the shape's turned frame.
        local = then(then(then(local, shadowMove(sh, ax, ay)), rotate), translation(cx, cy));
    } else {
        double px = ax, py = ay;
        cairo_matrix_transform_point(&rotate, &px, &py);
        local = then(then(local, rotate), translation(cx, cy));
        local = then(local, shadowMove(sh, cx + px, cy + py));
    }
    cairo_matrix_t base;
    cairo_get_matrix(cr, &base);
    cairo_matrix_t device = then(local, base);
    if (!usable(device)) return nullptr;

    // Where the silhouette can reach on the device: its outline points and box, widened.
    double bx0 = std::min(0.0, w), by0 = std::min(0.0, h), bx1 = std::max(0.0, w),
           by1 = std::max(0.0, h);
    for (const Outline& o : outlines) {
        for (const OutlineSegment& g : o.segments) {
            int n = g.kind == OutlineSegment::Cubic ? 3 : g.kind == OutlineSegment::Close ? 0 : 1;
            for (int i = 0; i < n; ++i) {
                if (!std::isfinite(g.x[i]) || !std::isfinite(g.y[i])) continue;
                bx0 = std::min(bx0, g.x[i]);
                bx1 = std::max(bx1, g.x[i]);
                by0 = std::min(by0, g.y[i]);
                by1 = std::max(by1, g.y[i]);
            }
        }
    }
    margin = std::clamp(margin, 0.0, 1e5);
    bx0 -= margin, by0 -= margin, bx1 += margin, by1 += margin;
    double dx0 = INFINITY, dy0 = INFINITY, dx1 = -INFINITY, dy1 = -INFINITY;
    for (int corner = 0; corner < 4; ++corner) {
        double x = corner & 1 ? bx1 : bx0, y = corner & 2 ? by1 : by0;
        cairo_matrix_transform_point(&device, &x, &y);
        dx0 = std::min(dx0, x), dx1 = std::max(dx1, x);
        dy0 = std::min(dy0, y), dy1 = std::max(dy1, y);
    }
    if (!std::isfinite(dx0) || !std::isfinite(dy0) || !std::isfinite(dx1) || !std::isfinite(dy1))
        return nullptr;

    // The blur in device pixels: a deviation of half the radius, as three box passes.
    double pointScale = std::sqrt(std::fabs(base.xx * base.yy - base.xy * base.yx));
    double deviceBlur = std::min(static_cast<double>(sh.blur) * pointScale, kMaxDeviceBlur);
    if (!std::isfinite(deviceBlur) || deviceBlur < 0) deviceBlur = 0;
    double radius = std::round(deviceBlur / 2);
    double pad = 3 * radius + 2;

    // Only the part that can show: the clip, widened by what the blur pulls in.
    double clipX0, clipY0, clipX1, clipY1;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_clip_extents(cr, &clipX0, &clipY0, &clipX1, &clipY1);
    cairo_restore(cr);
    constexpr double kFar = 1 << 20;
    double x0 = std::floor(std::max({dx0 - pad, clipX0 - pad, -kFar}));
    double y0 = std::floor(std::max({dy0 - pad, clipY0 - pad, -kFar}));
    double x1 = std::ceil(std::min({dx1 + pad, clipX1 + pad, kFar}));
    double y1 = std::ceil(std::min({dy1 + pad, clipY1 + pad, kFar}));
    if (!(x1 > x0) || !(y1 > y0)) return nullptr;
    double width = x1 - x0, height = y1 - y0;
    // Colour takes four bytes a pixel: the same bytes hold a quarter of the pixels.
    const long long most =
        format == CAIRO_FORMAT_A8 ? kMaxShadowMaskPixels : kMaxShadowMaskPixels / 4;
    double k = 1;
    if (width * height > static_cast<double>(most)) {
        k = std::sqrt(static_cast<double>(most) / (width * height));
    }
    int mw = std::max(1, static_cast<int>(std::ceil(width * k)));
    int mh = std::max(1, static_cast<int>(std::ceil(height * k)));
    if (static_cast<long long>(mw) * mh > most + 2ll * (mw + mh)) return nullptr;

    std::unique_ptr<cairo_surface_t, SurfaceDeleter> mask(
        cairo_image_surface_create(format, mw, mh));
    if (cairo_surface_status(mask.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    const cairo_matrix_t toMask = then(device, then(translation(-x0, -y0), scaling(k, k)));
    if (!usable(toMask)) return nullptr;
    {
        std::unique_ptr<cairo_t, ContextDeleter> m(cairo_create(mask.get()));
        cairo_set_matrix(m.get(), &toMask);
        draw(m.get());
        if (cairo_status(m.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    }
    blurSurface(mask.get(), static_cast<int>(std::lround(radius * k)));
    if (finish) {
        std::unique_ptr<cairo_t, ContextDeleter> m(cairo_create(mask.get()));
        cairo_set_matrix(m.get(), &toMask);
        finish(m.get());
        if (cairo_status(m.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    }

    MaskPattern pattern(cairo_pattern_create_for_surface(mask.get()));
    cairo_matrix_t toPattern = then(translation(-x0, -y0), scaling(k, k));
    cairo_pattern_set_matrix(pattern.get(), &toPattern);
    cairo_pattern_set_filter(pattern.get(), k < 1 ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_NEAREST);
    return pattern;
}

}  // namespace

MaskPattern silhouetteMask(cairo_t* cr, const Shape& s, const ShadowData& sh,
                           const std::vector<Outline>& outlines, double margin,
                           const Silhouette& silhouette) {
    return effectPattern(cr, s, sh, outlines, margin, silhouette, CAIRO_FORMAT_A8, {});
}

MaskPattern effectImage(cairo_t* cr, const Shape& s, const ShadowData& sh,
                        const std::vector<Outline>& outlines, double margin, const Silhouette& draw,
                        const Silhouette& finish) {
    return effectPattern(cr, s, sh, outlines, margin, draw, CAIRO_FORMAT_ARGB32, finish);
}

void drawOuterShadow(cairo_t* cr, const Shape& s, const ShadowData& sh,
                     const std::vector<Outline>& outlines, double margin,
                     const Silhouette& silhouette) {
    if (!sh.present || !(sh.color.alpha > 0)) return;
    MaskPattern pattern = silhouetteMask(cr, s, sh, outlines, margin, silhouette);
    if (!pattern) return;
    cairo_save(cr);
    cairo_identity_matrix(cr);
    const Color& c = sh.color;
    cairo_set_source_rgba(cr, (c.rgb & 0xFF) / 255.0, ((c.rgb >> 8) & 0xFF) / 255.0,
                          ((c.rgb >> 16) & 0xFF) / 255.0,
                          std::clamp(static_cast<double>(c.alpha), 0.0, 1.0));
    cairo_mask(cr, pattern.get());
    cairo_restore(cr);
}

}  // namespace quillet::pptx::render
