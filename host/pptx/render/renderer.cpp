#include "host/pptx/render/renderer.h"

#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <tuple>

#include "host/pptx/render/chart.h"
#include "host/pptx/render/geometry.h"
#include "host/pptx/render/metafile.h"
#include "host/pptx/render/patterns.h"
#include "host/pptx/render/shadows.h"

namespace quillet::pptx::render {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kMaxDepth = 32;
// Pictures on slides are taken at 96 pixels per inch when tiled.
constexpr double kPointsPerPixel = 0.75;
// The em size glyph outlines are fetched at; they are scaled to each character's size.
constexpr double kGlyphEm = 256;

struct Rgba {
    double r = 0, g = 0, b = 0, a = 1;
};

Rgba rgba(const Color& c) {
    return {(c.rgb & 0xFF) / 255.0, ((c.rgb >> 8) & 0xFF) / 255.0, ((c.rgb >> 16) & 0xFF) / 255.0,
            std::clamp(static_cast<double>(c.alpha), 0.0, 1.0)};
}

Rgba mix(const Rgba& a, const Rgba& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

struct ContextDeleter {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

struct PatternDeleter {
    void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
};
using Pattern = std::unique_ptr<cairo_pattern_t, PatternDeleter>;

bool finiteBox(const Shape& s) {
    return std::isfinite(s.left) && std::isfinite(s.top) && std::isfinite(s.width) &&
           std::isfinite(s.height) && std::isfinite(s.rotation);
}

// The density of a preset pattern's foreground, for patterns drawn as their mean colour.
double patternDensity(const std::string& name) {
    if (name.rfind("pct", 0) == 0) {
        int v = std::atoi(name.c_str() + 3);
        if (v > 0 && v <= 100) return v / 100.0;
    }
    if (name.rfind("lt", 0) == 0 || name.rfind("narrow", 0) == 0) return 0.25;
    if (name.rfind("dk", 0) == 0 || name.rfind("wide", 0) == 0) return 0.5;
    if (name == "solidDmnd") return 0.5;
    return 0.33;
}

void appendOutline(cairo_t* cr, const Outline& o) {
    bool open = false;
    for (const OutlineSegment& s : o.segments) {
        switch (s.kind) {
            case OutlineSegment::Move:
                cairo_move_to(cr, s.x[0], s.y[0]);
                open = true;
                break;
            case OutlineSegment::Line:
                if (!open) cairo_move_to(cr, s.x[0], s.y[0]);
                cairo_line_to(cr, s.x[0], s.y[0]);
                open = true;
                break;
            case OutlineSegment::Cubic:
                if (!open) cairo_move_to(cr, s.x[0], s.y[0]);
                cairo_curve_to(cr, s.x[0], s.y[0], s.x[1], s.y[1], s.x[2], s.y[2]);
                open = true;
                break;
            case OutlineSegment::Close:
                cairo_close_path(cr);
                break;
        }
    }
}

// Open ends of an outline: the end point and the direction the path arrives from.
struct PathEnd {
    double x = 0, y = 0, fromX = 0, fromY = 0;
    bool valid = false;
};

void pathEnds(const Outline& o, PathEnd& head, PathEnd& tail) {
    head = tail = {};
    std::vector<std::pair<double, double>> pts;  // the first subpath, control points included
    for (const OutlineSegment& s : o.segments) {
        if (s.kind == OutlineSegment::Close) return;  // closed paths carry no arrowheads
        if (s.kind == OutlineSegment::Move && !pts.empty()) break;
        int n = s.kind == OutlineSegment::Cubic ? 3 : 1;
        for (int i = 0; i < n; ++i) pts.emplace_back(s.x[i], s.y[i]);
    }
    if (pts.size() < 2) return;
    auto distinct = [&](std::size_t i, std::size_t j) {
        return std::hypot(pts[i].first - pts[j].first, pts[i].second - pts[j].second) > 1e-6;
    };
    for (std::size_t i = 1; i < pts.size(); ++i) {
        if (distinct(0, i)) {
            head = {pts[0].first, pts[0].second, pts[i].first, pts[i].second, true};
            break;
        }
    }
    std::size_t last = pts.size() - 1;
    for (std::size_t i = last; i-- > 0;) {
        if (distinct(last, i)) {
            tail = {pts[last].first, pts[last].second, pts[i].first, pts[i].second, true};
            break;
        }
    }
}

// The length of one device pixel in the current user units (the longer of the two axes).
double devicePixel(cairo_t* cr) {
    double ax = 1, ay = 0, bx = 0, by = 1;
    cairo_device_to_user_distance(cr, &ax, &ay);
    cairo_device_to_user_distance(cr, &bx, &by);
    double pixel = std::max(std::hypot(ax, ay), std::hypot(bx, by));
    return std::isfinite(pixel) ? std::min(pixel, 1000.0) : 0.0;
}

// Lines of text moved onto pixel edges, as raster text renderers set glyphs on whole pixel rows:
// the letters' feet stay sharp and every line of a size looks alike. The edge above, unless one
// lies within a quarter pixel below: the layout keeps lines on whole points, and drawn at about a
// point a pixel (the movie's own size, give or take the stage's rounding) they stay where the
// player shows them. Text under a turn or a skew keeps its exact place.
class PixelRows {
  public:
    explicit PixelRows(cairo_t* cr) {
        cairo_get_matrix(cr, &m_);
        upright_ = m_.xy == 0 && m_.yx == 0 && m_.yy != 0;
    }

    double baseline(double y) const {
        if (!upright_) return y;
        const double device = m_.yy * y + m_.y0;  // no skew: the row does not depend on x
        if (!std::isfinite(device) || std::abs(device) > 1e9) return y;
        return y - (device - std::floor(device + 0.25)) / m_.yy;
    }

  private:
    cairo_matrix_t m_{};
    bool upright_ = false;
};

// A shadow that stays on its shape, blurred by `blur` points: the mask of a glow or soft edges.
ShadowData shadowInPlace(const Color& color, float blur) {
    ShadowData sh;
    sh.present = true;
    sh.color = color;
    sh.blur = blur;
    sh.align = "ctr";
    return sh;
}

// Painted with the stroke's own source, so that a gradient runs on into the head.
void drawArrowhead(cairo_t* cr, const PathEnd& end, const LineEnd& style, double lineWidth,
                   cairo_pattern_t* source) {
    using namespace host::arrowhead;
    if (!end.valid || style.style == kNone || style.style == kMixed) return;
    // Thin lines get heads of a thin line's size, as the reference renderings draw them.
    double w = std::max(lineWidth, 2.5);
    double lenFactor = style.length == kShort ? 2 : style.length == kLong ? 5 : 3;
    double widFactor = style.width == kNarrow ? 2 : style.width == kWide ? 5 : 3;
    double len = w * lenFactor, half = w * widFactor / 2;
    double angle = std::atan2(end.y - end.fromY, end.x - end.fromX);
    cairo_save(cr);
    cairo_set_source(cr, source);  // before the turn: the pattern keeps the shape's space
    cairo_translate(cr, end.x, end.y);
    cairo_rotate(cr, angle);
    cairo_new_path(cr);
    switch (style.style) {
        case kOpen:
            cairo_move_to(cr, -len, -half);
            cairo_line_to(cr, 0, 0);
            cairo_line_to(cr, -len, half);
            cairo_set_line_width(cr, lineWidth);
            cairo_stroke(cr);
            break;
        case kStealth:
            cairo_move_to(cr, 0, 0);
            cairo_line_to(cr, -len, -half);
            cairo_line_to(cr, -len * 0.6, 0);
            cairo_line_to(cr, -len, half);
            cairo_close_path(cr);
            cairo_fill(cr);
            break;
        case kDiamond:
            cairo_move_to(cr, len / 2, 0);
            cairo_line_to(cr, 0, -half);
            cairo_line_to(cr, -len / 2, 0);
            cairo_line_to(cr, 0, half);
            cairo_close_path(cr);
            cairo_fill(cr);
            break;
        case kOval:
            cairo_save(cr);
            cairo_scale(cr, len / 2, half);
            cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
            cairo_restore(cr);
            cairo_fill(cr);
            break;
        default:  // triangle
            cairo_move_to(cr, 0, 0);
            cairo_line_to(cr, -len, -half);
            cairo_line_to(cr, -len, half);
            cairo_close_path(cr);
            cairo_fill(cr);
            break;
    }
    cairo_restore(cr);
}

std::string fontKey(const fonts::LogicalFont& f, char32_t code) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d|%d|%d|%u|", f.weight, f.italic, f.charSet,
                  static_cast<unsigned>(code));
    return buf + f.faceName + "|" + f.eastAsianFaceName;
}

bool pictureSizeFits(double left, double top, double pixelsPerPoint, int width, int height) {
    return width > 0 && height > 0 && width <= kMaxRenderSide && height <= kMaxRenderSide &&
           static_cast<long long>(width) * height <= kMaxRenderPixels && std::isfinite(left) &&
           std::isfinite(top) && std::isfinite(pixelsPerPoint) && pixelsPerPoint > 0;
}

// The surface's pixels, row by row without the stride's padding.
host::PixelPicture pixelsOf(cairo_surface_t* surface, int width, int height) {
    cairo_surface_flush(surface);
    host::PixelPicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(static_cast<std::size_t>(width) * height);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        std::memcpy(picture.pixels.data() + static_cast<std::size_t>(y) * width,
                    data + static_cast<std::size_t>(y) * stride,
                    static_cast<std::size_t>(width) * 4);
    }
    return picture;
}

}  // namespace

std::vector<Outline> shapeOutlines(const Shape& s) {
    double w = s.width, h = s.height;
    if (s.geometry) return evaluateGeometry(*s.geometry, w, h);
    if (!s.path.empty()) {
        // Custom outlines are kept on the slide with flips applied; back to the box.
        Outline o;
        for (const PathCommand& c : s.path) {
            OutlineSegment g;
            g.kind = c.kind == PathCommand::Move    ? OutlineSegment::Move
                     : c.kind == PathCommand::Line  ? OutlineSegment::Line
                     : c.kind == PathCommand::Cubic ? OutlineSegment::Cubic
                                                    : OutlineSegment::Close;
            for (int i = 0; i < 3; ++i) {
                double x = c.x[i] - s.left, y = c.y[i] - s.top;
                g.x[i] = s.flipH ? w - x : x;
                g.y[i] = s.flipV ? h - y : y;
            }
            o.segments.push_back(g);
        }
        if (s.preset == "line" || s.preset == "straightConnector1" ||
            s.type == host::shape_type::kLine) {
            o.fill = PathFill::None;
        }
        return {o};
    }
    const GeometryData* g = presetGeometry(s.preset.empty() ? "rect" : s.preset);
    if (!g) g = presetGeometry("rect");  // the documented fallback
    return evaluateGeometry(*g, w, h, s.geometryAdjust);
}

struct Renderer::Impl {
    LayoutCache* layouts = nullptr;
    std::unique_ptr<LayoutCache> ownLayouts;
    struct CachedPicture {
        std::shared_ptr<const DecodedPicture> picture;  // no surface when undecodable
        std::shared_ptr<const Package> package;         // kept so that its address names it alone
    };
    std::map<std::string, CachedPicture> pictures;  // by package and part name
    std::map<std::string, fonts::GlyphOutline> glyphs;
    bool textShown = true;
    // Drawing a group's members for its own effects: groups among them are drawn without
    // theirs, so that nested groups cost each member a few draws, not a few per level.
    bool inGroupEffects = false;

    cairo_surface_t* picture(const std::shared_ptr<MediaPart>& part) {
        const DecodedPicture* d = decoded(part);
        return d ? d->pixels() : nullptr;
    }

    // Whether the picture shows, without making a metafile's pixels when it is played as it is.
    bool pictureShows(const std::shared_ptr<MediaPart>& part, const PictureEffects& fx) {
        const DecodedPicture* d = decoded(part);
        if (d && !d->metafile.empty() && !fx.any()) return true;
        return picture(part, fx) != nullptr;
    }

    // The picture with its colour effects, made once per part and effects.
    std::map<std::string, Surface> effected;
    cairo_surface_t* picture(const std::shared_ptr<MediaPart>& part, const PictureEffects& fx) {
        cairo_surface_t* plain = picture(part);
        if (!plain || !fx.any()) return plain;
        char key[160];
        std::snprintf(key, sizeof key, "%p|%g|%g|%d|%d|%d|%g|%g|%g|%g",
                      static_cast<const void*>(plain), fx.brightness, fx.contrast, fx.grayscale,
                      fx.duotone ? fx.duotoneDark.rgb : -1, fx.duotone ? fx.duotoneLight.rgb : -1,
                      fx.duotone ? fx.duotoneDark.alpha : 0.0f,
                      fx.duotone ? fx.duotoneLight.alpha : 0.0f, fx.biLevel, fx.alpha);
        auto it = effected.find(key);
        if (it == effected.end()) it = effected.emplace(key, applyPictureEffects(plain, fx)).first;
        return it->second ? it->second.get() : plain;
    }

    const DecodedPicture* decoded(const std::shared_ptr<MediaPart>& part) {
        if (!part) return nullptr;
        // Parts of different packages share names ("ppt/media/image1.png").
        char owner[32];
        std::snprintf(owner, sizeof owner, "%p|", static_cast<const void*>(part->package.get()));
        std::string key = owner + part->name;
        auto it = pictures.find(key);
        if (it == pictures.end())
            it = pictures.emplace(key, CachedPicture{sharedPicture(*part), part->package}).first;
        return it->second.picture.get();
    }

    // A source pattern for a fill over a box of w × h (units of the current matrix). Null when
    // the fill draws nothing.
    Pattern fillPattern(const FillData& fill, double w, double h) {
        switch (fill.kind) {
            case FillKind::Solid: {
                Rgba c = rgba(fill.color);
                return Pattern(cairo_pattern_create_rgba(c.r, c.g, c.b, c.a));
            }
            case FillKind::Gradient:
                return gradient(fill, w, h);
            case FillKind::Picture:
                return pictureFill(fill, w, h);
            case FillKind::Pattern: {
                // The preset's cell repeated, a bit per pixel at 96 pixels per inch; an unknown
                // preset as the mean of its colours.
                if (Surface cell = patternCellSurface(fill.pattern, fill.color, fill.backColor)) {
                    Pattern p(cairo_pattern_create_for_surface(cell.get()));
                    cairo_matrix_t m;
                    cairo_matrix_init_scale(&m, 1 / kPointsPerPixel, 1 / kPointsPerPixel);
                    cairo_pattern_set_matrix(p.get(), &m);
                    cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_REPEAT);
                    cairo_pattern_set_filter(p.get(), CAIRO_FILTER_GOOD);
                    return p;
                }
                Rgba c = mix(rgba(fill.backColor), rgba(fill.color), patternDensity(fill.pattern));
                return Pattern(cairo_pattern_create_rgba(c.r, c.g, c.b, c.a));
            }
            case FillKind::None:
                break;
        }
        return nullptr;
    }

    Pattern gradient(const FillData& fill, double w, double h) {
        std::vector<GradientStopData> stops = fill.stops;
        if (stops.empty()) stops = {{0, fill.color}, {1, fill.backColor}};
        std::sort(stops.begin(), stops.end(),
                  [](const auto& a, const auto& b) { return a.position < b.position; });
        Pattern p;
        if (fill.linear || fill.path.empty()) {
            double a = (std::isfinite(fill.angle) ? fill.angle : 0) * kPi / 180;
            double dx = std::cos(a), dy = std::sin(a);
            double half = (std::fabs(w * dx) + std::fabs(h * dy)) / 2;
            p.reset(cairo_pattern_create_linear(w / 2 - dx * half, h / 2 - dy * half,
                                                w / 2 + dx * half, h / 2 + dy * half));
        } else {
            // Path gradients run from the focus (first stop, position 0) to the edge.
            p.reset(cairo_pattern_create_radial(0, 0, 0, 0, 0, 1));
            cairo_matrix_t m;
            const host::PathGradientPlace at =
                host::pathGradientPlace(fill.path, {fill.focusX, fill.focusY}, w, h);
            cairo_matrix_init_translate(&m, at.x, at.y);
            cairo_matrix_scale(&m, std::max(at.radiusX, 1e-6), std::max(at.radiusY, 1e-6));
            cairo_matrix_invert(&m);
            cairo_pattern_set_matrix(p.get(), &m);
        }
        for (const auto& s : stops) {
            Rgba c = rgba(s.color);
            cairo_pattern_add_color_stop_rgba(p.get(), std::clamp<double>(s.position, 0, 1), c.r,
                                              c.g, c.b, c.a);
        }
        cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_PAD);
        return p;
    }

    // The picture repeated from the alignment corner of the w × h box, each tile the picture at
    // the resolution its file states times the tile scales; a flip mirrors every other tile.
    Pattern tilePattern(const FillData& fill, cairo_surface_t* s, double w, double h) {
        const FillData::Tiling& t = fill.tiling;
        auto finiteOr = [](double v, double fallback) { return std::isfinite(v) ? v : fallback; };
        const DecodedPicture* d = decoded(fill.picture);
        double dpiX = d ? d->dpiX : 96, dpiY = d ? d->dpiY : 96;
        int iw = cairo_image_surface_get_width(s), ih = cairo_image_surface_get_height(s);
        if (iw <= 0 || ih <= 0) return nullptr;
        double sx = std::clamp(std::fabs(finiteOr(t.scaleX, 1)), 0.001, 1000.0);
        double sy = std::clamp(std::fabs(finiteOr(t.scaleY, 1)), 0.001, 1000.0);
        double tw = iw * 72.0 / dpiX * sx, th = ih * 72.0 / dpiY * sy;
        Surface mirrored;
        if (t.flipX || t.flipY) {
            int mw = t.flipX ? 2 * iw : iw, mh = t.flipY ? 2 * ih : ih;
            mirrored.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, mw, mh));
            if (cairo_surface_status(mirrored.get()) == CAIRO_STATUS_SUCCESS) {
                cairo_t* cr = cairo_create(mirrored.get());
                for (int fx = 0; fx < (t.flipX ? 2 : 1); ++fx) {
                    for (int fy = 0; fy < (t.flipY ? 2 : 1); ++fy) {
                        cairo_save(cr);
                        cairo_translate(cr, fx ? 2.0 * iw : 0, fy ? 2.0 * ih : 0);
                        cairo_scale(cr, fx ? -1 : 1, fy ? -1 : 1);
                        cairo_set_source_surface(cr, s, 0, 0);
                        cairo_paint(cr);
                        cairo_restore(cr);
                    }
                }
                cairo_destroy(cr);
                s = mirrored.get();
            }
        }
        const std::string& a = t.align;
        double x0 = a == "tr" || a == "r" || a == "br"   ? w - tw
                    : a == "t" || a == "ctr" || a == "b" ? (w - tw) / 2
                                                         : 0;
        double y0 = a == "bl" || a == "b" || a == "br"   ? h - th
                    : a == "l" || a == "ctr" || a == "r" ? (h - th) / 2
                                                         : 0;
        x0 += finiteOr(t.offsetX, 0);
        y0 += finiteOr(t.offsetY, 0);
        Pattern p(cairo_pattern_create_for_surface(s));
        cairo_matrix_t m;
        cairo_matrix_init_translate(&m, x0, y0);
        cairo_matrix_scale(&m, tw / iw, th / ih);
        if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS) return nullptr;
        cairo_pattern_set_matrix(p.get(), &m);
        cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_REPEAT);
        cairo_pattern_set_filter(p.get(), CAIRO_FILTER_GOOD);
        return p;
    }

    Pattern pictureFill(const FillData& fill, double w, double h) {
        cairo_surface_t* s = picture(fill.picture, fill.effects);
        if (!s) return nullptr;
        double iw = cairo_image_surface_get_width(s), ih = cairo_image_surface_get_height(s);
        Pattern p(cairo_pattern_create_for_surface(s));
        cairo_matrix_t m;
        if (fill.tile) {
            return tilePattern(fill, s, w, h);
        } else {
            double l = fill.cropLeft, t = fill.cropTop, r = fill.cropRight, b = fill.cropBottom;
            double sw = iw * (1 - l - r), sh = ih * (1 - t - b);
            if (!(std::fabs(sw) > 1e-9) || !(std::fabs(sh) > 1e-9)) return nullptr;
            cairo_matrix_init_scale(&m, w / sw, h / sh);
            cairo_matrix_translate(&m, -iw * l, -ih * t);
            cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_PAD);
        }
        if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS) return nullptr;
        cairo_pattern_set_matrix(p.get(), &m);
        cairo_pattern_set_filter(p.get(), CAIRO_FILTER_GOOD);
        return p;
    }

    std::vector<Outline> outlines(const Shape& s) { return shapeOutlines(s); }

    void fillOutlines(cairo_t* cr, const Shape& s, const std::vector<Outline>& os,
                      const FillData& fill) {
        Pattern p = fillPattern(fill, s.width, s.height);
        if (!p) return;
        for (const Outline& o : os) {
            if (o.fill == PathFill::None) continue;
            cairo_new_path(cr);
            appendOutline(cr, o);
            cairo_set_source(cr, p.get());
            cairo_fill_preserve(cr);
            double shade = 0;
            bool darken = false;
            switch (o.fill) {
                case PathFill::Darken:
                    shade = 0.4, darken = true;
                    break;
                case PathFill::DarkenLess:
                    shade = 0.2, darken = true;
                    break;
                case PathFill::Lighten:
                    shade = 0.4;
                    break;
                case PathFill::LightenLess:
                    shade = 0.2;
                    break;
                default:
                    break;
            }
            if (shade > 0) {
                double v = darken ? 0 : 1;
                cairo_set_source_rgba(cr, v, v, v, shade);
                cairo_fill_preserve(cr);
            }
            cairo_new_path(cr);
        }
    }

    void strokeOutlines(cairo_t* cr, const Shape& s, const std::vector<Outline>& os) {
        const LineData& line = s.line;
        if (!line.visible || line.fill.kind == FillKind::None) return;
        double width = std::isfinite(line.weight) ? std::clamp<double>(line.weight, 0, 1000) : 0.75;
        // A zero-width line still shows as a hairline, and no line is thinner than a pixel (as the
        // movie's player draws them): thinner ones would fade out when the slide is drawn small.
        double drawn = std::max(width, 0.35);
        cairo_set_line_width(cr, std::max(drawn, devicePixel(cr)));
        cairo_set_line_cap(cr, line.cap == "rnd"  ? CAIRO_LINE_CAP_ROUND
                               : line.cap == "sq" ? CAIRO_LINE_CAP_SQUARE
                                                  : CAIRO_LINE_CAP_BUTT);
        cairo_set_line_join(cr, line.join == "bevel"   ? CAIRO_LINE_JOIN_BEVEL
                                : line.join == "miter" ? CAIRO_LINE_JOIN_MITER
                                                       : CAIRO_LINE_JOIN_ROUND);
        std::vector<double> dashes = host::dash_style::pattern(line.dash);
        for (double& d : dashes) d *= drawn;
        if (line.dash == host::dash_style::kRoundDot && !dashes.empty()) {
            cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
            dashes = {0, 2 * drawn};
        }
        cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
        // A gradient, pattern or picture stroke runs over the shape's box, as its fill would.
        Pattern p = fillPattern(line.fill, s.width, s.height);
        if (!p) return;
        const Outline* first = nullptr;
        for (const Outline& o : os) {
            if (!o.stroke) continue;
            if (!first) first = &o;
            cairo_new_path(cr);
            appendOutline(cr, o);
            cairo_set_source(cr, p.get());
            cairo_stroke(cr);
        }
        cairo_set_dash(cr, nullptr, 0, 0);
        if (first) {
            PathEnd head, tail;
            pathEnds(*first, head, tail);
            drawArrowhead(cr, head, line.head, drawn, p.get());
            drawArrowhead(cr, tail, line.tail, drawn, p.get());
        }
    }

    void drawPicture(cairo_t* cr, const Shape& s, const std::vector<Outline>& os) {
        const DecodedPicture* d = decoded(s.picture);
        if (!d) return;
        if (!d->metafile.empty() && !s.pictureEffects.any()) {
            // A metafile is played at the resolution it is drawn at, inside the shape's outline
            // and its crop.
            double fw = 1 - s.cropLeft - s.cropRight, fh = 1 - s.cropTop - s.cropBottom;
            if (!(fw > 1e-6) || !(fh > 1e-6)) return;
            cairo_save(cr);
            cairo_new_path(cr);
            for (const Outline& o : os) {
                if (o.fill != PathFill::None) appendOutline(cr, o);
            }
            cairo_clip(cr);
            cairo_translate(cr, -s.cropLeft / fw * s.width, -s.cropTop / fh * s.height);
            playMetafile(d->metafile, cr, s.width / fw, s.height / fh, kMaxPicturePixels,
                         layouts ? layouts->fonts() : nullptr);
            cairo_restore(cr);
            return;
        }
        cairo_surface_t* img = picture(s.picture, s.pictureEffects);
        if (!img) {
            // A picture this renderer cannot draw (a metafile of vector drawing): a neutral
            // placeholder, a light frame that keeps the place without hiding what is behind.
            cairo_rectangle(cr, 0.5, 0.5, std::max(0.0, s.width - 1.0),
                            std::max(0.0, s.height - 1.0));
            cairo_set_source_rgba(cr, 0.8, 0.8, 0.8, 1);
            cairo_set_line_width(cr, 0.75);
            cairo_stroke(cr);
            return;
        }
        if (d->left != 0 || d->top != 0 || d->width != 1 || d->height != 1) {
            // A bitmap out of a metafile, at its place in the frame.
            double iw = cairo_image_surface_get_width(img),
                   ih = cairo_image_surface_get_height(img);
            double dx = d->left * s.width, dy = d->top * s.height;
            double dw = d->width * s.width, dh = d->height * s.height;
            if (!(std::fabs(dw) > 1e-6) || !(std::fabs(dh) > 1e-6) || !std::isfinite(dx) ||
                !std::isfinite(dy)) {
                return;
            }
            cairo_save(cr);
            cairo_rectangle(cr, 0, 0, s.width, s.height);
            cairo_clip(cr);
            cairo_translate(cr, dx, dy);
            cairo_scale(cr, dw / iw, dh / ih);
            cairo_set_source_surface(cr, img, 0, 0);
            cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
            cairo_paint(cr);
            cairo_restore(cr);
            return;
        }
        FillData f;
        f.kind = FillKind::Picture;
        f.picture = s.picture;
        f.cropLeft = s.cropLeft;
        f.cropTop = s.cropTop;
        f.cropRight = s.cropRight;
        f.cropBottom = s.cropBottom;
        f.effects = s.pictureEffects;
        Pattern p = pictureFill(f, s.width, s.height);
        if (!p) return;
        // Padding keeps the edge pixels solid; the clip gives the frame's outline.
        cairo_pattern_set_extend(p.get(), CAIRO_EXTEND_PAD);
        cairo_save(cr);
        cairo_new_path(cr);
        for (const Outline& o : os) {
            if (o.fill != PathFill::None) appendOutline(cr, o);
        }
        cairo_clip(cr);
        // A negative crop leaves the picture smaller than its frame: nothing beyond it.
        double fw = 1 - s.cropLeft - s.cropRight, fh = 1 - s.cropTop - s.cropBottom;
        if (fw > 1e-6 && fh > 1e-6) {
            cairo_rectangle(cr, -s.cropLeft / fw * s.width, -s.cropTop / fh * s.height,
                            s.width / fw, s.height / fh);
            cairo_clip(cr);
        }
        cairo_set_source(cr, p.get());
        cairo_paint(cr);
        cairo_restore(cr);
    }

    const fonts::GlyphOutline* glyph(fonts::FontLibrary& lib, const fonts::LogicalFont& font,
                                     char32_t code) {
        std::string key = fontKey(font, code);
        auto it = glyphs.find(key);
        if (it == glyphs.end()) {
            it = glyphs.emplace(key, lib.glyphOutline(font, code, kGlyphEm)).first;
        }
        return &it->second;
    }

    // A character of vertical text that stands up: its glyph turned back about its cell's centre.
    void drawUpright(cairo_t* cr, fonts::FontLibrary& lib, const CharStyle& style,
                     const LaidChar& c, double turn) {
        const fonts::GlyphOutline* g = glyph(lib, style.font, c.glyph);
        const double own = g ? g->advance * style.size / kGlyphEm : c.advance;
        const double middle = (style.ascent - style.descent) / 2;  // above the baseline
        cairo_save(cr);
        cairo_translate(cr, c.x + c.advance / 2, c.baseline - middle);
        cairo_rotate(cr, -turn * kPi / 180);
        drawGlyph(cr, lib, style, c.glyph, -own / 2, middle);
        cairo_restore(cr);
    }

    void drawGlyph(cairo_t* cr, fonts::FontLibrary& lib, const CharStyle& style, char32_t code,
                   double x, double baseline) {
        if (code == 0 || code == U' ' || code == U'\t' || code == U'\r' || code == U'\v') return;
        const fonts::GlyphOutline* g = glyph(lib, style.font, code);
        if (!g || g->contours.empty()) return;
        double k = style.size / kGlyphEm;
        auto trace = [&](double left, double base) {
            cairo_save(cr);
            cairo_translate(cr, left, base);
            cairo_scale(cr, k, -k);
            cairo_new_path(cr);
            for (const fonts::Contour& c : g->contours) {
                cairo_move_to(cr, c.start.x, c.start.y);
                double px = c.start.x, py = c.start.y;
                for (const fonts::Segment& s : c.segments) {
                    if (s.kind == fonts::Segment::Kind::quad) {
                        double c1x = px + 2.0 / 3 * (s.control.x - px);
                        double c1y = py + 2.0 / 3 * (s.control.y - py);
                        double c2x = s.end.x + 2.0 / 3 * (s.control.x - s.end.x);
                        double c2y = s.end.y + 2.0 / 3 * (s.control.y - s.end.y);
                        cairo_curve_to(cr, c1x, c1y, c2x, c2y, s.end.x, s.end.y);
                    } else {
                        cairo_line_to(cr, s.end.x, s.end.y);
                    }
                    px = s.end.x;
                    py = s.end.y;
                }
                cairo_close_path(cr);
            }
            cairo_restore(cr);
        };
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        if (style.shadowDrawn) {
            // The run's shadow: the glyph moved and in the shadow's colour, under it.
            trace(x + style.shadowDx, baseline + style.shadowDy);
            Rgba sc = rgba(style.shadowColor);
            cairo_set_source_rgba(cr, sc.r, sc.g, sc.b, sc.a);
            cairo_fill(cr);
        }
        trace(x, baseline);
        Rgba c = rgba(style.color);
        cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
        if (style.outlineWidth > 0) {
            cairo_fill_preserve(cr);
            Rgba o = rgba(style.outlineColor);
            cairo_set_source_rgba(cr, o.r, o.g, o.b, o.a);
            cairo_set_line_width(cr, std::min(style.outlineWidth, style.size / 4));
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_stroke(cr);
        } else {
            cairo_fill(cr);
        }
    }

    // One shape that is not a group or table: geometry, fill, picture, outline, text.
    void drawCell(cairo_t* cr, const Shape& s, int depth);

    // Paints the source (the shape drawn alone) through its outline shrunk by half the soft edge
    // and blurred by the other half: opaque inside, clear at the outline. A shape with no area
    // (a line) keeps its edges.
    void softenEdges(cairo_t* cr, const Shape& s, const std::vector<Outline>& os) {
        const bool area = std::any_of(os.begin(), os.end(),
                                      [](const Outline& o) { return o.fill != PathFill::None; });
        const ShadowData sh = shadowInPlace({}, s.softEdge / 2);
        const double shrink = s.softEdge;
        MaskPattern mask = !area ? nullptr : silhouetteMask(cr, s, sh, os, 1, [&](cairo_t* m) {
            cairo_set_source_rgba(m, 0, 0, 0, 1);
            for (const Outline& o : os) {
                if (o.fill == PathFill::None) continue;
                cairo_new_path(m);
                appendOutline(m, o);
                cairo_fill(m);
            }
            cairo_set_operator(m, CAIRO_OPERATOR_CLEAR);
            cairo_set_line_width(m, shrink);
            cairo_set_line_join(m, CAIRO_LINE_JOIN_ROUND);
            for (const Outline& o : os) {
                cairo_new_path(m);
                appendOutline(m, o);
                cairo_stroke(m);
            }
        });
        cairo_save(cr);
        cairo_identity_matrix(cr);
        if (mask) {
            cairo_mask(cr, mask.get());
        } else {
            cairo_paint(cr);
        }
        cairo_restore(cr);
    }

    // What of a shape its effects copy: its fill, picture and outline, as they show; `margin`
    // (points) covers what the outline's width and arrowheads add around its outlines.
    struct Body {
        bool filled = false, pictured = false, stroked = false;
        double margin = 1;
        bool empty() const { return !filled && !pictured && !stroked; }
    };
    Body bodyOf(const Shape& s) {
        Body b;
        b.filled = s.fill.kind != FillKind::None;
        b.pictured = s.picture && pictureShows(s.picture, s.pictureEffects);
        b.stroked = (s.graphic == GraphicKind::None || s.graphic == GraphicKind::Media) &&
                    s.line.visible && s.line.fill.kind != FillKind::None;
        const double weight =
            std::isfinite(s.line.weight) ? std::clamp<double>(s.line.weight, 0, 1000) : 0.75;
        if (b.stroked) b.margin = 6 * std::max(weight, 0.35) + 2;
        return b;
    }
    void drawBody(cairo_t* cr, const Shape& s, const std::vector<Outline>& os, const Body& b) {
        if (b.filled) fillOutlines(cr, s, os, s.fill);
        if (b.pictured) drawPicture(cr, s, os);
        if (b.stroked) strokeOutlines(cr, s, os);
    }

    // The shape's outer shadow, or its glow: what its fill, picture and outline cover, under
    // them. A glow is that silhouette widened by half its radius and blurred by the other half:
    // strongest at the edge, gone at the radius.
    void drawShadow(cairo_t* cr, const Shape& s, const std::vector<Outline>& os, bool glow) {
        const Body body = bodyOf(s);
        if (body.empty()) return;
        double margin = body.margin;
        ShadowData sh = s.shadow;
        double widen = 0;
        if (glow) {
            if (!std::isfinite(s.glow.radius) || !(s.glow.radius > 0)) return;
            sh = shadowInPlace(s.glow.color, s.glow.radius / 2);
            widen = s.glow.radius;
            margin += widen;
        }
        drawOuterShadow(cr, s, sh, os, margin, [&](cairo_t* m) {
            drawBody(m, s, os, body);
            if (widen > 0) {
                cairo_set_source_rgba(m, 0, 0, 0, 1);
                cairo_set_line_width(m, widen);
                cairo_set_line_join(m, CAIRO_LINE_JOIN_ROUND);
                cairo_set_dash(m, nullptr, 0, 0);
                for (const Outline& o : os) {
                    cairo_new_path(m);
                    appendOutline(m, o);
                    cairo_stroke(m);
                }
            }
        });
    }

    // The shape's mirror image: its fill, picture and outline drawn where the reflection stands,
    // blurred, then faded along the fade's direction from the edge nearest the shape.
    void drawReflection(cairo_t* cr, const Shape& s, const std::vector<Outline>& os) {
        const Body body = bodyOf(s);
        if (body.empty()) return;
        drawReflection(cr, s, os, body.margin, [&](cairo_t* m) { drawBody(m, s, os, body); });
    }
    // The same of what `draw` paints in the shape's box (a group's members).
    void drawReflection(cairo_t* cr, const Shape& s, const std::vector<Outline>& os, double margin,
                        const Silhouette& draw) {
        const ReflectionData& r = s.reflection;
        if (!(r.startAlpha > 0) && !(r.endAlpha > 0)) return;
        // The fade's direction in the box: mirrored as the reflection's scale and the shape's
        // flips mirror the box, so that it starts at the edge that lands nearest the shape.
        const double angle = r.fadeDirection * kPi / 180;
        double dx = std::cos(angle), dy = std::sin(angle);
        if ((r.place.scaleX < 0) != s.flipH) dx = -dx;
        if ((r.place.scaleY < 0) != s.flipV) dy = -dy;
        const double w = s.width, h = s.height;
        double from = INFINITY, to = -INFINITY;
        for (const auto& [x, y] : {std::pair{0.0, 0.0}, {w, 0.0}, {0.0, h}, {w, h}}) {
            from = std::min(from, x * dx + y * dy);
            to = std::max(to, x * dx + y * dy);
        }
        const auto fade = [&](cairo_t* m) {
            MaskPattern ramp(cairo_pattern_create_linear(from * dx, from * dy, to * dx, to * dy));
            const double endPos = std::max(r.endPos, r.startPos);
            cairo_pattern_add_color_stop_rgba(ramp.get(), r.startPos, 0, 0, 0, r.startAlpha);
            cairo_pattern_add_color_stop_rgba(ramp.get(), endPos, 0, 0, 0, r.endAlpha);
            cairo_set_operator(m, CAIRO_OPERATOR_DEST_IN);
            cairo_set_source(m, ramp.get());
            cairo_paint(m);
        };
        MaskPattern image = effectImage(cr, s, r.place, os, margin, draw, fade);
        if (!image) return;
        cairo_save(cr);
        cairo_identity_matrix(cr);
        cairo_set_source(cr, image.get());
        cairo_paint(cr);
        cairo_restore(cr);
    }

    void drawText(cairo_t* cr, const Shape& s) {
        if (!textShown || !s.text || s.text->paragraphs.empty()) return;
        std::shared_ptr<const TextLayout> layout = layouts->layout(s);
        fonts::FontLibrary* lib = layouts->fonts();
        if (!layout || !lib) return;
        cairo_save(cr);
        // The layout places characters on the unrotated slide; turn them with the shape.
        double cx = s.left + s.width / 2.0, cy = s.top + s.height / 2.0;
        cairo_translate(cr, cx, cy);
        cairo_rotate(cr, layout->rotation * kPi / 180);
        cairo_translate(cr, -cx, -cy);
        const PixelRows rows(cr);
        for (const LaidParagraph& p : layout->paragraphs) {
            const LaidBullet& b = p.bullet;
            if (!b.present || b.style < 0 ||
                static_cast<std::size_t>(b.style) >= layout->styles.size()) {
                continue;
            }
            for (const LaidGlyph& g : b.glyphs) {
                drawGlyph(cr, *lib, layout->styles[static_cast<std::size_t>(b.style)], g.code, g.x,
                          rows.baseline(b.baseline));
            }
        }
        drawTextLines(cr, *layout, *lib, rows);
        for (const LaidChar& c : layout->chars) {
            if (c.style < 0 || static_cast<std::size_t>(c.style) >= layout->styles.size()) continue;
            const CharStyle& st = layout->styles[static_cast<std::size_t>(c.style)];
            if (c.upright && layout->turn != 0) {
                drawUpright(cr, *lib, st, c, layout->turn);
            } else {
                drawGlyph(cr, *lib, st, c.glyph, c.x, rows.baseline(c.baseline));
            }
        }
        cairo_restore(cr);
    }

    // Highlights behind the characters' cells, then underlines and strike-throughs at the face's
    // own places, all under the glyphs as the movie draws them. A line runs on along its
    // characters, so that dashes and waves keep their rhythm; the pieces of one colour are filled
    // as one path, so that where they meet shows no seam.
    void drawTextLines(cairo_t* cr, const TextLayout& layout, fonts::FontLibrary& lib,
                       const PixelRows& rows) {
        struct Piece {
            bool highlight = false;  // drawn under every line
            Color colour;
            double x0, x1;
            fonts::DecorationLine line;
            int dash = host::dash_style::kSolid;
            bool wavy = false;
            bool continues(const Piece& next) const {
                return highlight == next.highlight && colour == next.colour && dash == next.dash &&
                       wavy == next.wavy && line.top == next.line.top &&
                       line.thickness == next.line.thickness && std::abs(x1 - next.x0) < 0.01;
            }
        };
        // Open lines by kind (underline and its lower line, highlight, strike-through and its
        // lower line), merged as they go.
        std::vector<Piece> pieces;
        std::array<std::optional<std::size_t>, 5> open;
        const auto add = [&](std::size_t kind, Piece piece) {
            if (open[kind] && pieces[*open[kind]].continues(piece)) {
                pieces[*open[kind]].x1 = piece.x1;
                return;
            }
            open[kind] = pieces.size();
            pieces.push_back(piece);
        };
        for (const LaidChar& c : layout.chars) {
            if (c.style < 0 || static_cast<std::size_t>(c.style) >= layout.styles.size()) continue;
            const CharStyle& st = layout.styles[static_cast<std::size_t>(c.style)];
            if (!(st.underline || st.strike || st.highlight) || c.glyph == 0 || c.code == U'\r')
                continue;
            const double baseline = rows.baseline(c.baseline);
            if (st.highlight) {
                add(3, {true, *st.highlight, c.x, c.x + c.advance,
                        fonts::DecorationLine{baseline - st.ascent, st.ascent + st.descent}});
            }
            if (!(st.underline || st.strike)) continue;
            const fonts::FontMetrics m = lib.metrics(st.font, st.size);
            const auto placed = [&](fonts::DecorationLine d) {
                d.top += baseline;
                return d;
            };
            if (st.underline && !(st.underlineWordsOnly && fonts::drawsNothing(c.code))) {
                fonts::DecorationLine under = fonts::underlineLine(m, st.size, st.underlineWeight);
                const Piece piece{false,           st.underlineColor, c.x,
                                  c.x + c.advance, placed(under),     st.underlineDash,
                                  st.underlineWavy};
                add(0, piece);
                if (st.underlineDoubled) {
                    under.top += 2 * under.thickness;
                    Piece lower = piece;
                    lower.line = placed(under);
                    add(1, lower);
                }
            }
            if (st.strike) {
                fonts::DecorationLine through = fonts::strikeoutLine(m, st.size);
                if (st.strikeDoubled) {
                    through.top -= through.thickness;
                    fonts::DecorationLine lower = through;
                    lower.top += 2 * through.thickness;
                    add(4, {false, st.color, c.x, c.x + c.advance, placed(lower)});
                }
                add(2, {false, st.color, c.x, c.x + c.advance, placed(through)});
            }
        }
        std::stable_sort(pieces.begin(), pieces.end(), [](const Piece& a, const Piece& b) {
            return std::tuple(!a.highlight, a.colour.rgb, a.colour.alpha) <
                   std::tuple(!b.highlight, b.colour.rgb, b.colour.alpha);
        });
        for (std::size_t i = 0; i < pieces.size();) {
            const Rgba col = rgba(pieces[i].colour);
            cairo_set_source_rgba(cr, col.r, col.g, col.b, col.a);
            cairo_new_path(cr);
            std::size_t j = i;
            for (; j < pieces.size() && pieces[j].colour == pieces[i].colour &&
                   pieces[j].highlight == pieces[i].highlight;
                 ++j) {
                const Piece& p = pieces[j];
                for (const auto& outline : fonts::decorationOutlines(
                         p.x0, p.x1, p.line, host::dash_style::pattern(p.dash), p.wavy)) {
                    cairo_move_to(cr, outline.front().x, outline.front().y);
                    for (const fonts::Point& at : outline) cairo_line_to(cr, at.x, at.y);
                    cairo_close_path(cr);
                }
            }
            cairo_fill(cr);
            i = j;
        }
    }
};

Renderer::Renderer(LayoutCache* layouts) : impl_(std::make_unique<Impl>()) {
    if (!layouts) {
        impl_->ownLayouts = std::make_unique<LayoutCache>();
        layouts = impl_->ownLayouts.get();
    }
    impl_->layouts = layouts;
}

Renderer::~Renderer() = default;

void Renderer::setDrawText(bool on) {
    impl_->textShown = on;
}

void Renderer::drawBackground(cairo_t* cr, const FillData& fill, double width, double height) {
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, width, height);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    if (Pattern p = impl_->fillPattern(fill, width, height)) {
        cairo_set_source(cr, p.get());
        cairo_fill_preserve(cr);
    }
    cairo_new_path(cr);
    cairo_restore(cr);
}

host::FillPicture Renderer::fillPicture(const FillData& fill, double width, double height,
                                        double pixelsPerPoint) {
    if ((fill.kind != FillKind::Picture && fill.kind != FillKind::Pattern) ||
        !std::isfinite(width) || !std::isfinite(height) || !(width > 0) || !(height > 0) ||
        !std::isfinite(pixelsPerPoint) || !(pixelsPerPoint > 0)) {
        return {};
    }
    // The very pattern the shape is painted with: its surface and where its pixels land.
    Pattern pattern = impl_->fillPattern(fill, width, height);
    cairo_surface_t* source = nullptr;
    if (!pattern || cairo_pattern_get_surface(pattern.get(), &source) != CAIRO_STATUS_SUCCESS ||
        cairo_surface_get_type(source) != CAIRO_SURFACE_TYPE_IMAGE) {
        return {};
    }
    cairo_matrix_t m;
    cairo_pattern_get_matrix(pattern.get(), &m);
    if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS) return {};
    const int iw = cairo_image_surface_get_width(source);
    const int ih = cairo_image_surface_get_height(source);
    if (iw <= 0 || ih <= 0) return {};
    const bool repeat = cairo_pattern_get_extend(pattern.get()) == CAIRO_EXTEND_REPEAT;
    // Pixels per point along each side of the picture; finer than asked is drawn smaller. A tile
    // keeps up to twice that, so that a pattern's cell keeps its pixels.
    const double finest = repeat ? 2 * pixelsPerPoint : pixelsPerPoint;
    const auto side = [&](double dx, double dy, int pixels) {
        const double points = std::hypot(dx, dy);
        if (!(points > 0) || !std::isfinite(points)) return pixels;
        const double fine = 1.0 / points;
        if (fine <= finest) return pixels;
        return std::max(1, static_cast<int>(std::lround(pixels * pixelsPerPoint / fine)));
    };
    const int w = side(m.xx, m.yx, iw), h = side(m.xy, m.yy, ih);
    if (w > kMaxRenderSide || h > kMaxRenderSide ||
        static_cast<long long>(w) * h > kMaxRenderPixels) {
        return {};
    }
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return {};
    {
        Context cr(cairo_create(surface.get()));
        cairo_scale(cr.get(), static_cast<double>(w) / iw, static_cast<double>(h) / ih);
        cairo_set_source_surface(cr.get(), source, 0, 0);
        cairo_pattern_set_extend(cairo_get_source(cr.get()),
                                 repeat ? CAIRO_EXTEND_REPEAT : CAIRO_EXTEND_PAD);
        cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_GOOD);
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr.get());
    }
    host::FillPicture out;
    out.picture = pixelsOf(surface.get(), w, h);
    const double sx = static_cast<double>(iw) / w, sy = static_cast<double>(ih) / h;
    out.xx = m.xx * sx;
    out.yx = m.yx * sx;
    out.xy = m.xy * sy;
    out.yy = m.yy * sy;
    out.x0 = m.x0;
    out.y0 = m.y0;
    out.repeat = repeat;
    return out;
}

std::vector<ShapePtr> tableParts(const Shape& frame, LayoutCache& layouts) {
    std::vector<ShapePtr> parts;
    if (!frame.table) return parts;
    const TableData& t = *frame.table;
    constexpr std::size_t kMaxCells = 100000;
    std::vector<double> xs{frame.left}, ys{frame.top};
    for (float w : t.columnWidths) xs.push_back(xs.back() + (std::isfinite(w) ? w : 0));
    // Rows grown to hold their text, as the host reports the table's height.
    for (double h : tableRowHeights(frame, layouts)) ys.push_back(ys.back() + h);
    std::size_t cells = 0;
    auto cellBox = [&](std::size_t row, std::size_t col, const TableCell& c, Shape& box) {
        std::size_t col2 =
            std::min(xs.size() - 1, col + static_cast<std::size_t>(std::max(1, c.columnSpan)));
        std::size_t row2 =
            std::min(ys.size() - 1, row + static_cast<std::size_t>(std::max(1, c.rowSpan)));
        box.left = static_cast<float>(xs[col]);
        box.top = static_cast<float>(ys[row]);
        box.width = static_cast<float>(xs[col2] - xs[col]);
        box.height = static_cast<float>(ys[row2] - ys[row]);
    };
    // The cells (fills and text) first, then the borders over all of them.
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t row = 0; row < t.rows.size() && row + 1 < ys.size(); ++row) {
            const TableRow& r = t.rows[row];
            for (std::size_t col = 0; col < r.cells.size() && col + 1 < xs.size(); ++col) {
                if (++cells > 2 * kMaxCells) return parts;
                const TableCell& c = r.cells[col];
                if (c.mergedAcross || c.mergedDown) continue;
                Shape box;
                cellBox(row, col, c, box);
                if (pass == 0) {
                    auto cell = std::make_shared<Shape>(box);
                    cell->type = host::shape_type::kAutoShape;
                    cell->kind = host::shape_kind::kRectangle;
                    cell->fill = c.fill;
                    cell->text = c.text;
                    cell->preset = "rect";
                    cell->line.visible = false;
                    parts.push_back(std::move(cell));
                    continue;
                }
                auto edge = [&](const LineData& line, double x0, double y0, double x1, double y1) {
                    if (!line.visible) return;
                    auto seg = std::make_shared<Shape>();
                    seg->type = host::shape_type::kLine;
                    seg->left = static_cast<float>(std::min(x0, x1));
                    seg->top = static_cast<float>(std::min(y0, y1));
                    seg->width = static_cast<float>(std::fabs(x1 - x0));
                    seg->height = static_cast<float>(std::fabs(y1 - y0));
                    seg->flipV = y1 < y0;
                    seg->preset = "line";
                    seg->line = line;
                    parts.push_back(std::move(seg));
                };
                double l = box.left, tp = box.top, rr = box.left + box.width,
                       b = box.top + box.height;
                edge(c.borderTop, l, tp, rr, tp);
                edge(c.borderBottom, l, b, rr, b);
                edge(c.borderLeft, l, tp, l, b);
                edge(c.borderRight, rr, tp, rr, b);
                edge(c.borderDiagonalDown, l, tp, rr, b);
                edge(c.borderDiagonalUp, l, b, rr, tp);
            }
        }
    }
    return parts;
}

namespace {

// A table drawn from its parts, in their order.
void drawTable(Renderer::Impl& impl, cairo_t* cr, const Shape& frame, int depth) {
    for (const ShapePtr& part : tableParts(frame, *impl.layouts)) impl.drawCell(cr, *part, depth);
}

}  // namespace

void Renderer::drawShape(cairo_t* cr, const Shape& s, int depth) {
    if (s.hidden || depth > kMaxDepth || !finiteBox(s)) return;
    if (s.children) {
        drawGroupEffects(cr, s, depth);
        // Members carry the group's placement already.
        for (const ShapePtr& c : s.children->items) {
            if (c) drawShape(cr, *c, depth + 1);
        }
        return;
    }
    if (s.table && !s.picture) {
        drawTable(*impl_, cr, s, depth);
        return;
    }
    if (s.chart && !s.picture) {
        for (const ShapePtr& text : drawChart(cr, s, impl_->layouts->fonts()))
            impl_->drawCell(cr, *text, depth);
        if (s.chartOverlay) {
            for (const ShapePtr& c : s.chartOverlay->items) {
                if (c) drawShape(cr, *c, depth + 1);
            }
        }
        return;
    }
    impl_->drawCell(cr, s, depth);
}

void Renderer::drawGroupEffects(cairo_t* cr, const Shape& g, int depth) {
    if (!g.children || depth > kMaxDepth || !finiteBox(g) || impl_->inGroupEffects) return;
    const bool mirrored = g.reflection.present;
    const bool glowing = g.glow.present && std::isfinite(g.glow.radius) && g.glow.radius > 0;
    if (!g.shadow.present && !glowing && !mirrored) return;
    // The members stand on the slide: in the group's box, before its turn and flips, they are
    // taken back through them.
    const auto members = [&](cairo_t* m) {
        cairo_translate(m, g.width / 2, g.height / 2);
        cairo_scale(m, g.flipH ? -1 : 1, g.flipV ? -1 : 1);
        cairo_rotate(m, -g.rotation * kPi / 180);
        cairo_translate(m, -(g.left + g.width / 2), -(g.top + g.height / 2));
        struct Within {
            bool& flag;
            explicit Within(bool& f) : flag(f) { flag = true; }
            ~Within() { flag = false; }
        } within(impl_->inGroupEffects);
        for (const ShapePtr& c : g.children->items) {
            if (c) drawShape(m, *c, depth + 1);
        }
    };
    // What the members' outlines and effects add around the group's box.
    constexpr double kMargin = 12;
    if (g.shadow.present) drawOuterShadow(cr, g, g.shadow, {}, kMargin, members);
    if (glowing) {
        // Without one outline to widen, the members' silhouette is blurred over the radius.
        drawOuterShadow(cr, g, shadowInPlace(g.glow.color, g.glow.radius), {},
                        kMargin + g.glow.radius, members);
    }
    if (mirrored) impl_->drawReflection(cr, g, {}, kMargin, members);
}

void Renderer::Impl::drawCell(cairo_t* cr, const Shape& s, int) {
    std::vector<Outline> os = outlines(s);
    if (s.shadow.present) drawShadow(cr, s, os, false);
    if (s.glow.present) drawShadow(cr, s, os, true);
    if (s.reflection.present) drawReflection(cr, s, os);
    // Soft edges fade the shape drawn alone (its shadow and text keep theirs).
    const bool softened = s.softEdge > 0 && std::isfinite(s.softEdge);
    if (softened) cairo_push_group(cr);
    cairo_save(cr);
    double w = s.width, h = s.height;
    cairo_translate(cr, s.left + w / 2, s.top + h / 2);
    cairo_rotate(cr, s.rotation * kPi / 180);
    cairo_scale(cr, s.flipH ? -1 : 1, s.flipV ? -1 : 1);
    cairo_translate(cr, -w / 2, -h / 2);
    if (s.fill.kind != FillKind::None) fillOutlines(cr, s, os, s.fill);
    // Pictures, the stand-in pictures of charts and other frames, and media posters.
    if (s.picture) drawPicture(cr, s, os);
    if (s.graphic == GraphicKind::None || s.graphic == GraphicKind::Media) {
        strokeOutlines(cr, s, os);
    }
    cairo_restore(cr);
    if (softened) {
        cairo_pop_group_to_source(cr);
        softenEdges(cr, s, os);
    }
    drawText(cr, s);
}

Surface Renderer::renderPage(double pageWidth, double pageHeight, const FillData& background,
                             const std::vector<const ShapeList*>& layers, int width, int height) {
    if (width <= 0 || height <= 0 || width > kMaxRenderSide || height > kMaxRenderSide ||
        static_cast<long long>(width) * height > kMaxRenderPixels || !(pageWidth > 0) ||
        !(pageHeight > 0) || !std::isfinite(pageWidth) || !std::isfinite(pageHeight)) {
        return nullptr;
    }
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return nullptr;
    Context cr(cairo_create(surface.get()));
    cairo_scale(cr.get(), width / pageWidth, height / pageHeight);
    drawBackground(cr.get(), background, pageWidth, pageHeight);
    for (const ShapeList* list : layers) {
        if (!list) continue;
        for (const ShapePtr& s : list->items) {
            if (s) drawShape(cr.get(), *s);
        }
    }
    cairo_surface_flush(surface.get());
    return surface;
}

Surface Renderer::renderSlide(const PresentationData& deck, const SlideData& slide, int width,
                              int height) {
    ShapeList masterShapes;
    if (slide.displayMasterShapes && slide.master && slide.master->shapes) {
        for (const ShapePtr& s : slide.master->shapes->items) {
            if (s && s->type != host::shape_type::kPlaceholder) masterShapes.items.push_back(s);
        }
    }
    return renderPage(deck.slideWidth, deck.slideHeight, slide.background,
                      {&masterShapes, slide.shapes.get()}, width, height);
}

bool exportSlide(const PresentationData& deck, const SlideData& slide, const std::string& path,
                 const std::string& filter, int width, int height, LayoutCache* layouts) {
    std::string f;
    for (char c : filter) {
        if (c != '.') f += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    bool png = f == "png";
    bool jpeg = f == "jpg" || f == "jpeg";
    if (!png && !jpeg) return false;
    Renderer renderer(layouts);
    Surface picture = renderer.renderSlide(deck, slide, width, height);
    if (!picture) return false;
    return png ? writePng(picture.get(), path) : writeJpeg(picture.get(), path);
}

namespace {

// What `draw` paints of a shape on a clear picture whose corner is the slide point (left, top).
host::PixelPicture drawnPicture(double left, double top, double pixelsPerPoint, int width,
                                int height, LayoutCache* layouts,
                                const std::function<void(Renderer&, cairo_t*)>& draw) {
    if (!pictureSizeFits(left, top, pixelsPerPoint, width, height)) return {};
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return {};
    Context cr(cairo_create(surface.get()));
    cairo_scale(cr.get(), pixelsPerPoint, pixelsPerPoint);
    cairo_translate(cr.get(), -left, -top);
    Renderer renderer(layouts);
    draw(renderer, cr.get());
    return pixelsOf(surface.get(), width, height);
}

}  // namespace

host::PixelPicture drawShapePicture(const Shape& shape, double left, double top,
                                    double pixelsPerPoint, int width, int height,
                                    LayoutCache* layouts) {
    return drawnPicture(left, top, pixelsPerPoint, width, height, layouts,
                        [&](Renderer& r, cairo_t* cr) { r.drawShape(cr, shape); });
}

host::PixelPicture drawGroupEffectsPicture(const Shape& group, double left, double top,
                                           double pixelsPerPoint, int width, int height,
                                           LayoutCache* layouts) {
    return drawnPicture(left, top, pixelsPerPoint, width, height, layouts,
                        [&](Renderer& r, cairo_t* cr) { r.drawGroupEffects(cr, group); });
}

host::PixelPicture drawBackgroundPicture(const FillData& fill, double pageWidth, double pageHeight,
                                         double pixelsPerPoint, int width, int height,
                                         LayoutCache* layouts) {
    if (!pictureSizeFits(pageWidth, pageHeight, pixelsPerPoint, width, height) ||
        !(pageWidth > 0) || !(pageHeight > 0)) {
        return {};
    }
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return {};
    Context cr(cairo_create(surface.get()));
    // White under everything, also in a part pixel past the page's edge: the picture is opaque.
    cairo_set_source_rgb(cr.get(), 1, 1, 1);
    cairo_paint(cr.get());
    cairo_scale(cr.get(), pixelsPerPoint, pixelsPerPoint);
    Renderer renderer(layouts);
    renderer.drawBackground(cr.get(), fill, pageWidth, pageHeight);
    return pixelsOf(surface.get(), width, height);
}

host::FillPicture drawFillPicture(const FillData& fill, double width, double height,
                                  double pixelsPerPoint) {
    Renderer renderer;
    return renderer.fillPicture(fill, width, height, pixelsPerPoint);
}

bool writePng(cairo_surface_t* surface, const std::string& path) {
    return surface && cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

unsigned pixelRgb(cairo_surface_t* surface, int x, int y) {
    if (!surface || x < 0 || y < 0 || x >= cairo_image_surface_get_width(surface) ||
        y >= cairo_image_surface_get_height(surface)) {
        return 0;
    }
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    std::uint32_t p;
    std::memcpy(&p, data + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) * 4,
                4);
    unsigned a = p >> 24;
    if (a == 0) return 0;
    auto un = [&](unsigned v) { return std::min(255u, (v * 255 + a / 2) / a); };
    return (un((p >> 16) & 0xFF) << 16) | (un((p >> 8) & 0xFF) << 8) | un(p & 0xFF);
}

namespace {

struct JpegWriteError {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void jpegWriteExit(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegWriteError*>(info->err)->jump, 1);
}

// Plain data only in this frame: libjpeg leaves by longjmp on errors.
int writeJpegRaw(std::FILE* file, const std::uint8_t* rgb, int width, int height, int quality) {
    jpeg_compress_struct info;
    JpegWriteError error;
    info.err = jpeg_std_error(&error.base);
    error.base.error_exit = jpegWriteExit;
    if (setjmp(error.jump)) {
        jpeg_destroy_compress(&info);
        return 1;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto row = const_cast<JSAMPROW>(rgb + static_cast<std::size_t>(info.next_scanline) *
                                                  static_cast<std::size_t>(width) * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return 0;
}

}  // namespace

bool writeJpeg(cairo_surface_t* surface, const std::string& path, int quality) {
    if (!surface || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE) return false;
    int w = cairo_image_surface_get_width(surface), h = cairo_image_surface_get_height(surface);
    if (w <= 0 || h <= 0) return false;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned p = pixelRgb(surface, x, y);
            std::uint8_t* o = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
            o[0] = static_cast<std::uint8_t>(p >> 16);
            o[1] = static_cast<std::uint8_t>(p >> 8);
            o[2] = static_cast<std::uint8_t>(p);
        }
    }
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "wb"));
    if (!file) return false;
    bool ok = writeJpegRaw(file.get(), rgb.data(), w, h, std::clamp(quality, 1, 100)) == 0;
    ok = std::fflush(file.get()) == 0 && ok;
    return ok;
}

}  // namespace quillet::pptx::render
