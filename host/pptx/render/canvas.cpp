#include "host/pptx/render/canvas.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace quillet::pptx::render {

namespace {

const cairo_user_data_key_t kRecorderKey{};

DrawingRecorder* recorderOf(cairo_t* cr) {
    return static_cast<DrawingRecorder*>(cairo_get_user_data(cr, &kRecorderKey));
}

struct Rect {
    double x0, y0, x1, y1;
    bool contains(const Rect& r) const {
        constexpr double kSlack = 1e-3;
        return r.x0 >= x0 - kSlack && r.y0 >= y0 - kSlack && r.x1 <= x1 + kSlack &&
               r.y1 <= y1 + kSlack;
    }
};

using Polyline = std::vector<std::pair<double, double>>;

// The figures of a flattened path; closed ones marked.
struct Figure {
    Polyline points;
    bool closed = false;
};

std::vector<Figure> figuresOf(const std::vector<PathCommand>& flat) {
    std::vector<Figure> out;
    for (const PathCommand& c : flat) {
        switch (c.kind) {
            case PathCommand::Move:
                out.push_back({{{c.x[0], c.y[0]}}, false});
                break;
            case PathCommand::Line:
                if (out.empty()) out.emplace_back();
                out.back().points.emplace_back(c.x[0], c.y[0]);
                break;
            case PathCommand::Close:
                if (!out.empty()) out.back().closed = true;
                break;
            case PathCommand::Cubic:  // a flat path has none
                break;
        }
    }
    return out;
}

// A polygon cut to the rectangle, one side after the other.
Polyline clipPolygon(Polyline poly, const Rect& r) {
    for (int side = 0; side < 4 && !poly.empty(); ++side) {
        auto inside = [&](const std::pair<double, double>& p) {
            switch (side) {
                case 0:
                    return p.first >= r.x0;
                case 1:
                    return p.first <= r.x1;
                case 2:
                    return p.second >= r.y0;
                default:
                    return p.second <= r.y1;
            }
        };
        auto cross = [&](const std::pair<double, double>& a, const std::pair<double, double>& b) {
            double t = side == 0   ? (r.x0 - a.first) / (b.first - a.first)
                       : side == 1 ? (r.x1 - a.first) / (b.first - a.first)
                       : side == 2 ? (r.y0 - a.second) / (b.second - a.second)
                                   : (r.y1 - a.second) / (b.second - a.second);
            return std::pair<double, double>(a.first + t * (b.first - a.first),
                                             a.second + t * (b.second - a.second));
        };
        Polyline out;
        for (std::size_t i = 0; i < poly.size(); ++i) {
            const auto& cur = poly[i];
            const auto& prev = poly[(i + poly.size() - 1) % poly.size()];
            if (inside(cur)) {
                if (!inside(prev)) out.push_back(cross(prev, cur));
                out.push_back(cur);
            } else if (inside(prev)) {
                out.push_back(cross(prev, cur));
            }
        }
        poly = std::move(out);
    }
    return poly;
}

// The part of segment a-b inside the rectangle; false when none is.
bool clipSegment(std::pair<double, double>& a, std::pair<double, double>& b, const Rect& r) {
    double t0 = 0, t1 = 1;
    const double dx = b.first - a.first, dy = b.second - a.second;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.first - r.x0, r.x1 - a.first, a.second - r.y0, r.y1 - a.second};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    const auto from = a;
    a = {from.first + t0 * dx, from.second + t0 * dy};
    b = {from.first + t1 * dx, from.second + t1 * dy};
    return true;
}

PathCommand command(PathCommand::Kind kind, double x, double y) {
    PathCommand c;
    c.kind = kind;
    c.x[0] = static_cast<float>(x);
    c.y[0] = static_cast<float>(y);
    return c;
}

// The path as drawn, in device space, with cubics kept.
std::vector<PathCommand> devicePath(const cairo_path_t* path) {
    std::vector<PathCommand> out;
    for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
        const cairo_path_data_t& d = path->data[i];
        switch (d.header.type) {
            case CAIRO_PATH_MOVE_TO:
                out.push_back(command(PathCommand::Move, path->data[i + 1].point.x,
                                      path->data[i + 1].point.y));
                break;
            case CAIRO_PATH_LINE_TO:
                out.push_back(command(PathCommand::Line, path->data[i + 1].point.x,
                                      path->data[i + 1].point.y));
                break;
            case CAIRO_PATH_CURVE_TO: {
                PathCommand c;
                c.kind = PathCommand::Cubic;
                for (int k = 0; k < 3; ++k) {
                    c.x[k] = static_cast<float>(path->data[i + 1 + k].point.x);
                    c.y[k] = static_cast<float>(path->data[i + 1 + k].point.y);
                }
                out.push_back(c);
                break;
            }
            case CAIRO_PATH_CLOSE_PATH:
                out.push_back(command(PathCommand::Close, 0, 0));
                break;
        }
    }
    return out;
}

// The flattened figures cut to the rectangle: fills as polygons, strokes as the stretches of
// their lines that lie inside.
std::vector<PathCommand> clippedPath(const std::vector<PathCommand>& flat, const Rect& r,
                                     bool stroke) {
    std::vector<PathCommand> out;
    for (Figure& f : figuresOf(flat)) {
        if (!stroke) {
            Polyline poly = clipPolygon(std::move(f.points), r);
            if (poly.size() < 3) continue;
            out.push_back(command(PathCommand::Move, poly[0].first, poly[0].second));
            for (std::size_t i = 1; i < poly.size(); ++i) {
                out.push_back(command(PathCommand::Line, poly[i].first, poly[i].second));
            }
            out.push_back(command(PathCommand::Close, 0, 0));
            continue;
        }
        if (f.closed && f.points.size() > 1) f.points.push_back(f.points.front());
        bool open = false;  // a stretch is being drawn
        for (std::size_t i = 0; i + 1 < f.points.size(); ++i) {
            auto a = f.points[i], b = f.points[i + 1];
            if (!clipSegment(a, b, r)) {
                open = false;
                continue;
            }
            if (!open || a != f.points[i]) {
                out.push_back(command(PathCommand::Move, a.first, a.second));
            }
            out.push_back(command(PathCommand::Line, b.first, b.second));
            open = b == f.points[i + 1];
        }
    }
    return out;
}

int pointsOf(PathCommand::Kind kind) {
    return kind == PathCommand::Cubic ? 3 : kind == PathCommand::Close ? 0 : 1;
}

// Drops moves that start nothing (Cairo adds one after each close); fills close every figure.
std::vector<PathCommand> tidy(const std::vector<PathCommand>& in, bool closeFigures) {
    std::vector<PathCommand> out;
    bool drawing = false;  // the current figure has a segment not yet closed
    for (std::size_t i = 0; i < in.size(); ++i) {
        const PathCommand& c = in[i];
        if (c.kind == PathCommand::Move) {
            const bool starts = i + 1 < in.size() && (in[i + 1].kind == PathCommand::Line ||
                                                      in[i + 1].kind == PathCommand::Cubic);
            if (!starts) continue;
            if (drawing && closeFigures) out.push_back(command(PathCommand::Close, 0, 0));
            drawing = false;
        } else if (c.kind == PathCommand::Close) {
            if (!drawing) continue;
            drawing = false;
        } else {
            if (out.empty()) continue;  // Cairo always starts with a move
            drawing = true;
        }
        out.push_back(c);
    }
    if (drawing && closeFigures) out.push_back(command(PathCommand::Close, 0, 0));
    return out;
}

bool samePath(const std::vector<PathCommand>& a, const std::vector<PathCommand>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind) return false;
        for (int k = 0; k < pointsOf(a[i].kind); ++k) {
            if (a[i].x[k] != b[i].x[k] || a[i].y[k] != b[i].y[k]) return false;
        }
    }
    return true;
}

// Whether every open figure ends where it starts (a full circle), so that closing it adds nothing.
bool endsMeet(const std::vector<PathCommand>& path) {
    float startX = 0, startY = 0, x = 0, y = 0;
    auto meet = [&] { return std::fabs(x - startX) < 1e-3f && std::fabs(y - startY) < 1e-3f; };
    bool open = false;
    for (const PathCommand& c : path) {
        if (c.kind == PathCommand::Close) {
            open = false;
            continue;
        }
        if (c.kind == PathCommand::Move) {
            if (open && !meet()) return false;
            startX = x = c.x[0];
            startY = y = c.y[0];
            open = false;
            continue;
        }
        const int last = pointsOf(c.kind) - 1;
        x = c.x[last];
        y = c.y[last];
        open = true;
    }
    return !open || meet();
}

struct PathDeleter {
    void operator()(cairo_path_t* p) const { cairo_path_destroy(p); }
};
using PathPtr = std::unique_ptr<cairo_path_t, PathDeleter>;

// The current path in device space, flattened or not.
PathPtr copyDevicePath(cairo_t* cr, bool flat) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_identity_matrix(cr);
    PathPtr p(flat ? cairo_copy_path_flat(cr) : cairo_copy_path(cr));
    cairo_set_matrix(cr, &m);
    return p;
}

Color colorOf(double r, double g, double b, double a) {
    auto byte = [](double v) {
        return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    return Color{byte(r) | byte(g) << 8 | byte(b) << 16,
                 static_cast<float>(std::clamp(a, 0.0, 1.0))};
}

}  // namespace

DrawingRecorder::DrawingRecorder(bool draws, std::size_t limit) : draws_(draws), limit_(limit) {
    cairo_matrix_init_identity(&fromDevice_);
}

void DrawingRecorder::attach(cairo_t* cr) {
    cairo_get_matrix(cr, &fromDevice_);
    if (cairo_matrix_invert(&fromDevice_) != CAIRO_STATUS_SUCCESS) {
        cairo_matrix_init_identity(&fromDevice_);
        complete_ = false;
    }
    cairo_set_user_data(cr, &kRecorderKey, this, nullptr);
}

void DrawingRecorder::detach(cairo_t* cr) {
    cairo_set_user_data(cr, &kRecorderKey, nullptr, nullptr);
}

void DrawingRecorder::record(cairo_t* cr, bool stroke) {
    const bool mergeable = lastWasFill_;
    lastWasFill_ = false;
    if (!complete_) return;
    double r = 0, g = 0, b = 0, a = 1;
    if (cairo_pattern_get_rgba(cairo_get_source(cr), &r, &g, &b, &a) != CAIRO_STATUS_SUCCESS) {
        complete_ = false;  // only colours are drawn this way
        return;
    }
    // Parts beyond the clip are cut away; most drawings lie inside it whole.
    Rect clip{}, drawn{};
    cairo_clip_extents(cr, &clip.x0, &clip.y0, &clip.x1, &clip.y1);
    if (stroke) {
        cairo_stroke_extents(cr, &drawn.x0, &drawn.y0, &drawn.x1, &drawn.y1);
    } else {
        cairo_fill_extents(cr, &drawn.x0, &drawn.y0, &drawn.x1, &drawn.y1);
    }
    if (!stroke && (drawn.x1 <= drawn.x0 || drawn.y1 <= drawn.y0)) return;  // nothing to fill
    std::vector<PathCommand> raw;
    if (clip.contains(drawn)) {
        raw = devicePath(copyDevicePath(cr, false).get());
    } else {
        // The clip's corners in device space (the drawing code clips to upright boxes).
        double cx[2] = {clip.x0, clip.x1}, cy[2] = {clip.y0, clip.y1};
        for (int k = 0; k < 2; ++k) cairo_user_to_device(cr, &cx[k], &cy[k]);
        Rect device{std::min(cx[0], cx[1]), std::min(cy[0], cy[1]), std::max(cx[0], cx[1]),
                    std::max(cy[0], cy[1])};
        raw = clippedPath(devicePath(copyDevicePath(cr, true).get()), device, stroke);
    }
    // Into slide points.
    for (PathCommand& c : raw) {
        for (int k = 0; k < pointsOf(c.kind); ++k) {
            double x = c.x[k], y = c.y[k];
            cairo_matrix_transform_point(&fromDevice_, &x, &y);
            if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e7 ||
                std::fabs(y) > 1e7) {
                complete_ = false;  // far off any slide: no shape of it
                return;
            }
            c.x[k] = static_cast<float>(x);
            c.y[k] = static_cast<float>(y);
        }
    }
    std::vector<PathCommand> path = tidy(raw, !stroke);
    if (path.empty()) return;

    LineData line;
    if (stroke) {
        // The width in slide points: the user width through the context's scale.
        cairo_matrix_t toSlide;
        cairo_get_matrix(cr, &toSlide);
        cairo_matrix_multiply(&toSlide, &toSlide, &fromDevice_);
        const double scale =
            std::sqrt(std::fabs(toSlide.xx * toSlide.yy - toSlide.xy * toSlide.yx));
        line.visible = true;
        line.weight = static_cast<float>(cairo_get_line_width(cr) * scale);
        line.fill.kind = FillKind::Solid;
        line.fill.color = colorOf(r, g, b, a);
        line.dash =
            cairo_get_dash_count(cr) > 0 ? host::dash_style::kDash : host::dash_style::kSolid;
        const cairo_line_cap_t cap = cairo_get_line_cap(cr);
        line.cap = cap == CAIRO_LINE_CAP_ROUND    ? "rnd"
                   : cap == CAIRO_LINE_CAP_SQUARE ? "sq"
                                                  : "flat";
        const cairo_line_join_t join = cairo_get_line_join(cr);
        line.join = join == CAIRO_LINE_JOIN_MITER   ? "miter"
                    : join == CAIRO_LINE_JOIN_BEVEL ? "bevel"
                                                    : "round";
        // The outline of the figure just filled: that shape's line.
        if (mergeable && !shapes_.empty()) {
            Shape& last = *shapes_.back();
            if (samePath(tidy(raw, true), last.path) && endsMeet(path)) {
                last.line = line;
                return;
            }
        }
    }
    if (shapes_.size() >= limit_) {
        complete_ = false;
        shapes_.clear();
        return;
    }
    auto shape = std::make_shared<Shape>();
    shape->type = host::shape_type::kFreeform;
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    for (const PathCommand& c : path) {
        for (int k = 0; k < pointsOf(c.kind); ++k) {
            x0 = std::min<double>(x0, c.x[k]);
            y0 = std::min<double>(y0, c.y[k]);
            x1 = std::max<double>(x1, c.x[k]);
            y1 = std::max<double>(y1, c.y[k]);
        }
    }
    shape->left = static_cast<float>(x0);
    shape->top = static_cast<float>(y0);
    shape->width = static_cast<float>(x1 - x0);
    shape->height = static_cast<float>(y1 - y0);
    shape->path = std::move(path);
    if (stroke) {
        shape->line = line;
    } else {
        shape->fill.kind = FillKind::Solid;
        shape->fill.color = colorOf(r, g, b, a);
        lastWasFill_ = true;
    }
    shapes_.push_back(std::move(shape));
}

namespace {

void paint(cairo_t* cr, bool stroke, bool preserve) {
    DrawingRecorder* recorder = recorderOf(cr);
    if (recorder) recorder->record(cr, stroke);
    if (!recorder || recorder->draws()) {
        if (stroke) {
            preserve ? cairo_stroke_preserve(cr) : cairo_stroke(cr);
        } else {
            preserve ? cairo_fill_preserve(cr) : cairo_fill(cr);
        }
    } else if (!preserve) {
        cairo_new_path(cr);
    }
}

}  // namespace

void canvasFill(cairo_t* cr) {
    paint(cr, false, false);
}
void canvasFillPreserve(cairo_t* cr) {
    paint(cr, false, true);
}
void canvasStroke(cairo_t* cr) {
    paint(cr, true, false);
}
void canvasStrokePreserve(cairo_t* cr) {
    paint(cr, true, true);
}

}  // namespace quillet::pptx::render
