#include "host/pptx/render/metafile.h"

#include <iconv.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>
#include <variant>
#include <vector>

#include "fonts/font_library.h"
#include "host/pptx/render/picture.h"

namespace quillet::pptx::render {

namespace {

// Record functions of the 16-bit metafile format.
namespace wmf {
constexpr std::uint16_t kEof = 0x0000;
constexpr std::uint16_t kSaveDc = 0x001E;
constexpr std::uint16_t kCreatePalette = 0x00F7;
constexpr std::uint16_t kSetBkMode = 0x0102;
constexpr std::uint16_t kSetMapMode = 0x0103;
constexpr std::uint16_t kSetPolyFillMode = 0x0106;
constexpr std::uint16_t kSetStretchBltMode = 0x0107;
constexpr std::uint16_t kRestoreDc = 0x0127;
constexpr std::uint16_t kSelectObject = 0x012D;
constexpr std::uint16_t kSetTextAlign = 0x012E;
constexpr std::uint16_t kDibCreatePatternBrush = 0x0142;
constexpr std::uint16_t kDeleteObject = 0x01F0;
constexpr std::uint16_t kCreatePatternBrush = 0x01F9;
constexpr std::uint16_t kSetBkColor = 0x0201;
constexpr std::uint16_t kSetTextColor = 0x0209;
constexpr std::uint16_t kSetWindowOrg = 0x020B;
constexpr std::uint16_t kSetWindowExt = 0x020C;
constexpr std::uint16_t kSetViewportOrg = 0x020D;
constexpr std::uint16_t kSetViewportExt = 0x020E;
constexpr std::uint16_t kOffsetWindowOrg = 0x020F;
constexpr std::uint16_t kLineTo = 0x0213;
constexpr std::uint16_t kMoveTo = 0x0214;
constexpr std::uint16_t kCreatePenIndirect = 0x02FA;
constexpr std::uint16_t kCreateFontIndirect = 0x02FB;
constexpr std::uint16_t kCreateBrushIndirect = 0x02FC;
constexpr std::uint16_t kPolygon = 0x0324;
constexpr std::uint16_t kPolyline = 0x0325;
constexpr std::uint16_t kScaleWindowExt = 0x0410;
constexpr std::uint16_t kExcludeClipRect = 0x0415;
constexpr std::uint16_t kIntersectClipRect = 0x0416;
constexpr std::uint16_t kEllipse = 0x0418;
constexpr std::uint16_t kRectangle = 0x041B;
constexpr std::uint16_t kTextOut = 0x0521;
constexpr std::uint16_t kPolyPolygon = 0x0538;
constexpr std::uint16_t kRoundRect = 0x061C;
constexpr std::uint16_t kPatBlt = 0x061D;
constexpr std::uint16_t kEscape = 0x0626;
constexpr std::uint16_t kCreateRegion = 0x06FF;
constexpr std::uint16_t kArc = 0x0817;
constexpr std::uint16_t kPie = 0x081A;
constexpr std::uint16_t kChord = 0x0830;
constexpr std::uint16_t kDibBitBlt = 0x0940;
constexpr std::uint16_t kExtTextOut = 0x0A32;
constexpr std::uint16_t kDibStretchBlt = 0x0B41;
constexpr std::uint16_t kStretchDib = 0x0F43;
}  // namespace wmf

// Record types of the 32-bit (enhanced) format.
namespace emf {
constexpr std::uint32_t kHeader = 1;
constexpr std::uint32_t kPolyBezier = 2;
constexpr std::uint32_t kPolygon = 3;
constexpr std::uint32_t kPolyline = 4;
constexpr std::uint32_t kPolyBezierTo = 5;
constexpr std::uint32_t kPolylineTo = 6;
constexpr std::uint32_t kPolyPolyline = 7;
constexpr std::uint32_t kPolyPolygon = 8;
constexpr std::uint32_t kSetWindowExtEx = 9;
constexpr std::uint32_t kSetWindowOrgEx = 10;
constexpr std::uint32_t kSetViewportExtEx = 11;
constexpr std::uint32_t kSetViewportOrgEx = 12;
constexpr std::uint32_t kEof = 14;
constexpr std::uint32_t kSetMapMode = 17;
constexpr std::uint32_t kSetBkMode = 18;
constexpr std::uint32_t kSetPolyFillMode = 19;
constexpr std::uint32_t kSetTextAlign = 22;
constexpr std::uint32_t kSetTextColor = 24;
constexpr std::uint32_t kSetBkColor = 25;
constexpr std::uint32_t kMoveToEx = 27;
constexpr std::uint32_t kExcludeClipRect = 29;
constexpr std::uint32_t kIntersectClipRect = 30;
constexpr std::uint32_t kSaveDc = 33;
constexpr std::uint32_t kRestoreDc = 34;
constexpr std::uint32_t kSetWorldTransform = 35;
constexpr std::uint32_t kModifyWorldTransform = 36;
constexpr std::uint32_t kSelectObject = 37;
constexpr std::uint32_t kCreatePen = 38;
constexpr std::uint32_t kCreateBrushIndirect = 39;
constexpr std::uint32_t kDeleteObject = 40;
constexpr std::uint32_t kEllipse = 42;
constexpr std::uint32_t kRectangle = 43;
constexpr std::uint32_t kRoundRect = 44;
constexpr std::uint32_t kArc = 45;
constexpr std::uint32_t kChord = 46;
constexpr std::uint32_t kPie = 47;
constexpr std::uint32_t kCreatePalette = 49;
constexpr std::uint32_t kLineTo = 54;
constexpr std::uint32_t kBeginPath = 59;
constexpr std::uint32_t kEndPath = 60;
constexpr std::uint32_t kCloseFigure = 61;
constexpr std::uint32_t kFillPath = 62;
constexpr std::uint32_t kStrokeAndFillPath = 63;
constexpr std::uint32_t kStrokePath = 64;
constexpr std::uint32_t kSelectClipPath = 67;
constexpr std::uint32_t kAbortPath = 68;
constexpr std::uint32_t kComment = 70;
constexpr std::uint32_t kExtSelectClipRgn = 75;
constexpr std::uint32_t kBitBlt = 76;
constexpr std::uint32_t kStretchBlt = 77;
constexpr std::uint32_t kSetDiBitsToDevice = 80;
constexpr std::uint32_t kStretchDiBits = 81;
constexpr std::uint32_t kExtCreateFontIndirectW = 82;
constexpr std::uint32_t kExtTextOutA = 83;
constexpr std::uint32_t kExtTextOutW = 84;
constexpr std::uint32_t kPolyBezier16 = 85;
constexpr std::uint32_t kPolygon16 = 86;
constexpr std::uint32_t kPolyline16 = 87;
constexpr std::uint32_t kPolyBezierTo16 = 88;
constexpr std::uint32_t kPolylineTo16 = 89;
constexpr std::uint32_t kPolyPolyline16 = 90;
constexpr std::uint32_t kPolyPolygon16 = 91;
constexpr std::uint32_t kCreateMonoBrush = 93;
constexpr std::uint32_t kCreateDibPatternBrushPt = 94;
constexpr std::uint32_t kExtCreatePen = 95;
}  // namespace emf

struct MetafileError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void fail(const std::string& why) {
    throw MetafileError(why);
}

// Little-endian reads of a block that is known to hold them.
std::uint16_t u16At(std::span<const std::uint8_t> b, std::size_t at) {
    if (at + 2 > b.size()) fail("record cut short");
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}
std::int16_t s16At(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::int16_t>(u16At(b, at));
}
std::uint32_t u32At(std::span<const std::uint8_t> b, std::size_t at) {
    if (at + 4 > b.size()) fail("record cut short");
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::int32_t s32At(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::int32_t>(u32At(b, at));
}

std::shared_ptr<cairo_surface_t> shared(Surface s) {
    return std::shared_ptr<cairo_surface_t>(s.release(), [](cairo_surface_t* p) {
        if (p) cairo_surface_destroy(p);
    });
}

struct Pen {
    int style = 0;     // line style, caps and joins as the format packs them
    double width = 0;  // logical units; 0 is one device pixel
    std::uint32_t color = 0;
};

struct Brush {
    int style = 0;  // 0 solid, 1 none, 2 hatched, 3 and above a bitmap pattern
    std::uint32_t color = 0xFFFFFF;
    int hatch = 0;
    std::shared_ptr<cairo_surface_t> pattern;
};

struct Other {};  // palettes and regions: they take a slot but draw nothing here

using Object = std::variant<std::monostate, Pen, Brush, fonts::LogicalFont, Other>;

struct Point {
    double x, y;
};

// One step of the clip: the region inside (or, excluded, outside) a path in the frame's units.
struct ClipStep {
    std::shared_ptr<cairo_path_t> path;
    bool evenOdd = false;
    bool exclude = false;
};

struct State {
    std::vector<ClipStep> clips;  // applied in turn to every drawing
    Pen pen;
    Brush brush;
    std::uint32_t bkColor = 0xFFFFFF;
    bool bkOpaque = true;
    bool winding = false;
    int mapMode = 1;
    double wox = 0, woy = 0, wex = 1, wey = 1;
    double vox = 0, voy = 0, vex = 1, vey = 1;
    bool viewportSet = false;
    cairo_matrix_t world;  // logical to page (EMF); identity for WMF
    Point current{0, 0};
    fonts::LogicalFont font;
    std::uint32_t textColor = 0;
    std::uint32_t textAlign = 0;
};

// The drawing context both formats play into: objects, state and its saved copies, and the
// mapping from logical units to the picture's frame.
class Player {
  public:
    Player(cairo_t* cr, double w, double h, std::uint64_t maxPixels, bool emf,
           fonts::FontLibrary* fonts)
        : cr_(cr), w_(w), h_(h), maxPixels_(maxPixels), emf_(emf), fonts_(fonts) {
        cairo_get_matrix(cr_, &base_);
        cairo_matrix_init_identity(&st_.world);
        // Size of a device pixel in the frame's units.
        double ax = 1, ay = 0, bx = 0, by = 1;
        cairo_device_to_user_distance(cr_, &ax, &ay);
        cairo_device_to_user_distance(cr_, &bx, &by);
        pixel_ = std::sqrt(std::fabs(ax * by - ay * bx));
        if (!std::isfinite(pixel_) || pixel_ <= 0) pixel_ = 1;
        cairo_save(cr_);
        cairo_new_path(cr_);
        cairo_rectangle(cr_, 0, 0, w_, h_);
        cairo_clip(cr_);
    }
    ~Player() {
        flushMask();
        for (std::size_t i = 0; i < saved_.size(); ++i) cairo_restore(cr_);
        cairo_new_path(cr_);
        cairo_restore(cr_);
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // The device box that fills the frame.
    void setReference(double ox, double oy, double ex, double ey) {
        if (!std::isfinite(ox) || !std::isfinite(oy) || !std::isfinite(ex) || !std::isfinite(ey) ||
            ex == 0 || ey == 0)
            fail("metafile states no size");
        refOx_ = ox;
        refOy_ = oy;
        refEx_ = ex;
        refEy_ = ey;
        if (emf_) return;  // its window and viewport start at the origin, one unit to one
        st_.wox = st_.vox = ox;
        st_.woy = st_.voy = oy;
        st_.wex = st_.vex = ex;
        st_.wey = st_.vey = ey;
    }

    State& state() { return st_; }

    void setObjectCount(std::size_t n) {
        objects_.clear();
        objects_.resize(n);
    }

    // Takes the lowest free slot (WMF) or the given one (EMF).
    void create(Object o) {
        for (auto& slot : objects_) {
            if (std::holds_alternative<std::monostate>(slot)) {
                slot = std::move(o);
                return;
            }
        }
        if (objects_.size() >= 65536) fail("object table full");
        objects_.push_back(std::move(o));
    }
    void createAt(std::uint32_t index, Object o) {
        if (index == 0 || index >= 65536) fail("object index out of range");
        if (index >= objects_.size()) objects_.resize(index + 1);
        objects_[index] = std::move(o);
    }
    void select(std::uint32_t index) {
        if (index >= objects_.size()) fail("object index out of range");
        const Object& o = objects_[index];
        if (const Pen* p = std::get_if<Pen>(&o)) {
            st_.pen = *p;
        } else if (const Brush* b = std::get_if<Brush>(&o)) {
            st_.brush = *b;
        } else if (const auto* f = std::get_if<fonts::LogicalFont>(&o)) {
            st_.font = *f;
        } else if (std::holds_alternative<std::monostate>(o)) {
            fail("selects an empty object slot");
        }
    }
    void selectStock(std::uint32_t which) {
        static const std::uint32_t greys[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0};
        if (which <= 4) st_.brush = Brush{0, greys[which], 0, nullptr};
        if (which == 5) st_.brush = Brush{1, 0, 0, nullptr};
        if (which == 6) st_.pen = Pen{0, 0, 0xFFFFFF};
        if (which == 7) st_.pen = Pen{0, 0, 0};
        if (which == 8) st_.pen = Pen{5, 0, 0};
    }
    void remove(std::uint32_t index) {
        if (index >= objects_.size()) fail("object index out of range");
        objects_[index] = std::monostate{};
    }

    void save() {
        if (saved_.size() >= kMaxMetafileSaves) fail("too many saved states");
        flushMask();
        saved_.push_back(st_);
        cairo_save(cr_);
    }
    // n < 0: that many levels back; n > 0: back to that level.
    void restore(int n) {
        flushMask();
        std::size_t target;
        if (n < 0) {
            std::size_t back = static_cast<std::size_t>(-static_cast<long>(n));
            if (back > saved_.size()) return;
            target = saved_.size() - back;
        } else {
            if (n == 0 || static_cast<std::size_t>(n) > saved_.size()) return;
            target = static_cast<std::size_t>(n) - 1;
        }
        while (saved_.size() > target) {
            st_ = saved_.back();
            saved_.pop_back();
            cairo_restore(cr_);
        }
    }

    void countPoints(std::uint64_t n) {
        points_ += n;
        if (points_ > kMaxMetafilePoints) fail("too many points");
    }

    // Sets cr's matrix to the logical units; false when the mapping is degenerate.
    bool toLogical() {
        cairo_matrix_t page, frame, m, check;
        double sx, sy, ox, oy;
        if (emf_ && st_.mapMode == 1) {
            sx = sy = 1;
            ox = st_.vox - st_.wox;
            oy = st_.voy - st_.woy;
        } else if (emf_ && st_.mapMode >= 2 && st_.mapMode <= 6) {
            static const double mm[] = {0, 0, 0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
            sx = mm[st_.mapMode] * pxPerMmX_;
            sy = -mm[st_.mapMode] * pxPerMmY_;
            ox = st_.vox - st_.wox * sx;
            oy = st_.voy - st_.woy * sy;
        } else {
            const double vex = emf_ || st_.viewportSet ? st_.vex : refEx_;
            const double vey = emf_ || st_.viewportSet ? st_.vey : refEy_;
            const double vox = emf_ || st_.viewportSet ? st_.vox : refOx_;
            const double voy = emf_ || st_.viewportSet ? st_.voy : refOy_;
            if (st_.wex == 0 || st_.wey == 0) return false;
            sx = vex / st_.wex;
            sy = vey / st_.wey;
            ox = vox - st_.wox * sx;
            oy = voy - st_.woy * sy;
        }
        cairo_matrix_init(&page, sx, 0, 0, sy, ox, oy);
        const double fx = w_ / refEx_, fy = h_ / refEy_;
        cairo_matrix_init(&frame, fx, 0, 0, fy, -refOx_ * fx, -refOy_ * fy);
        cairo_matrix_multiply(&m, &st_.world, &page);
        cairo_matrix_multiply(&m, &m, &frame);
        cairo_matrix_multiply(&m, &m, &base_);
        for (double v : {m.xx, m.xy, m.yx, m.yy, m.x0, m.y0})
            if (!std::isfinite(v) || std::fabs(v) > 1e12) return false;
        check = m;
        if (cairo_matrix_invert(&check) != CAIRO_STATUS_SUCCESS) return false;
        cairo_set_matrix(cr_, &m);
        logical_ = m;
        cairo_matrix_t rel = m;
        cairo_matrix_t inv = base_;
        if (cairo_matrix_invert(&inv) != CAIRO_STATUS_SUCCESS) return false;
        cairo_matrix_multiply(&rel, &m, &inv);
        scale_ = std::sqrt(std::fabs(rel.xx * rel.yy - rel.xy * rel.yx));
        return true;
    }

    void setDeviceSize(double pxPerMmX, double pxPerMmY) {
        if (std::isfinite(pxPerMmX) && pxPerMmX > 0) pxPerMmX_ = pxPerMmX;
        if (std::isfinite(pxPerMmY) && pxPerMmY > 0) pxPerMmY_ = pxPerMmY;
    }

    // Path building, in logical units, after toLogical().
    void polygonPath(const std::vector<Point>& pts, bool close) {
        if (pts.empty()) return;
        cairo_move_to(cr_, pts[0].x, pts[0].y);
        for (std::size_t i = 1; i < pts.size(); ++i) cairo_line_to(cr_, pts[i].x, pts[i].y);
        if (close) cairo_close_path(cr_);
    }

    void ellipsePath(double l, double t, double r, double b) {
        const double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::fabs(r - l) / 2,
                     ry = std::fabs(b - t) / 2;
        if (rx <= 0 || ry <= 0) return;
        cairo_save(cr_);
        cairo_translate(cr_, cx, cy);
        cairo_scale(cr_, rx, ry);
        cairo_new_sub_path(cr_);
        cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
        cairo_close_path(cr_);
        cairo_restore(cr_);
    }

    void roundRectPath(double l, double t, double r, double b, double ew, double eh) {
        if (l > r) std::swap(l, r);
        if (t > b) std::swap(t, b);
        const double rx = std::min(std::fabs(ew) / 2, (r - l) / 2),
                     ry = std::min(std::fabs(eh) / 2, (b - t) / 2);
        if (rx <= 0 || ry <= 0) {
            cairo_rectangle(cr_, l, t, r - l, b - t);
            return;
        }
        cairo_new_sub_path(cr_);
        const double corners[4][3] = {{r - rx, t + ry, -M_PI / 2},
                                      {r - rx, b - ry, 0},
                                      {l + rx, b - ry, M_PI / 2},
                                      {l + rx, t + ry, M_PI}};
        for (const auto& c : corners) {
            cairo_save(cr_);
            cairo_translate(cr_, c[0], c[1]);
            cairo_scale(cr_, rx, ry);
            cairo_arc(cr_, 0, 0, 1, c[2], c[2] + M_PI / 2);
            cairo_restore(cr_);
        }
        cairo_close_path(cr_);
    }

    // kind 0 arc, 1 pie, 2 chord: from the start point's angle to the end point's, counter-
    // clockwise on the page (as drawn when y grows downwards).
    void arcPath(double l, double t, double r, double b, Point start, Point end, int kind) {
        const double cx = (l + r) / 2, cy = (t + b) / 2, rx = std::fabs(r - l) / 2,
                     ry = std::fabs(b - t) / 2;
        if (rx <= 0 || ry <= 0) return;
        double a0 = std::atan2((start.y - cy) / ry, (start.x - cx) / rx);
        double a1 = std::atan2((end.y - cy) / ry, (end.x - cx) / rx);
        // Counter-clockwise on the page runs towards smaller angles when the page's y grows
        // downwards; a flipped mapping turns it round.
        const bool flipped = logical_.xx * logical_.yy - logical_.xy * logical_.yx < 0;
        cairo_save(cr_);
        cairo_translate(cr_, cx, cy);
        cairo_scale(cr_, rx, ry);
        if (kind == 1) {
            cairo_move_to(cr_, 0, 0);
        } else {
            cairo_new_sub_path(cr_);
        }
        if (a0 == a1) a1 = a0 + (flipped ? 2 * M_PI : -2 * M_PI);
        if (flipped) {
            cairo_arc(cr_, 0, 0, 1, a0, a1);
        } else {
            cairo_arc_negative(cr_, 0, 0, 1, a0, a1);
        }
        if (kind != 0) cairo_close_path(cr_);
        cairo_restore(cr_);
    }

    // Fills the current path with the brush and outlines it with the pen, then clears it.
    void paint(bool fill, bool stroke) {
        cairo_set_matrix(cr_, &base_);
        const bool clipped = beginClip();
        if (fill && st_.brush.style != 1) {
            cairo_set_fill_rule(cr_,
                                st_.winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
            if (st_.brush.style == 2 && st_.bkOpaque) {
                setColor(st_.bkColor);
                cairo_fill_preserve(cr_);
            }
            setBrush();
            cairo_fill_preserve(cr_);
        }
        if (stroke && (st_.pen.style & 0xF) != 5) {
            double width = st_.pen.width * scale_;
            if (!(width >= pixel_)) width = pixel_;
            width = std::min(width, 1e6);
            cairo_set_line_width(cr_, width);
            const int cap = st_.pen.style & 0xF00, join = st_.pen.style & 0xF000;
            cairo_set_line_cap(cr_, cap == 0x100   ? CAIRO_LINE_CAP_SQUARE
                                    : cap == 0x200 ? CAIRO_LINE_CAP_BUTT
                                                   : CAIRO_LINE_CAP_ROUND);
            cairo_set_line_join(cr_, join == 0x1000   ? CAIRO_LINE_JOIN_BEVEL
                                     : join == 0x2000 ? CAIRO_LINE_JOIN_MITER
                                                      : CAIRO_LINE_JOIN_ROUND);
            const double u = std::max(width, pixel_);
            const double dash[] = {18 * u, 6 * u}, dot[] = {3 * u, 3 * u},
                         dashDot[] = {9 * u, 6 * u, 3 * u, 6 * u},
                         dashDotDot[] = {9 * u, 3 * u, 3 * u, 3 * u, 3 * u, 3 * u};
            switch (st_.pen.style & 0xF) {
                case 1:
                    cairo_set_dash(cr_, dash, 2, 0);
                    break;
                case 2:
                case 8:
                    cairo_set_dash(cr_, dot, 2, 0);
                    break;
                case 3:
                    cairo_set_dash(cr_, dashDot, 4, 0);
                    break;
                case 4:
                    cairo_set_dash(cr_, dashDotDot, 6, 0);
                    break;
                default:
                    cairo_set_dash(cr_, nullptr, 0, 0);
            }
            setColor(st_.pen.color);
            cairo_stroke_preserve(cr_);
            cairo_set_dash(cr_, nullptr, 0, 0);
        }
        cairo_new_path(cr_);
        if (clipped) cairo_restore(cr_);
    }

    // The clip steps applied around the current path (under the frame's matrix), inside a saved
    // state; false when there are none and nothing was saved.
    bool beginClip() {
        if (st_.clips.empty()) return false;
        std::unique_ptr<cairo_path_t, PathDeleter> drawn(cairo_copy_path(cr_));
        cairo_save(cr_);
        for (const ClipStep& c : st_.clips) {
            cairo_new_path(cr_);
            cairo_append_path(cr_, c.path.get());
            if (c.exclude) cairo_rectangle(cr_, -1, -1, w_ + 2, h_ + 2);
            cairo_set_fill_rule(
                cr_, c.evenOdd || c.exclude ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
            cairo_clip(cr_);
        }
        cairo_new_path(cr_);
        cairo_append_path(cr_, drawn.get());
        return true;
    }

    // The current path (under the frame's matrix) as a clip step.
    void addClip(bool evenOdd, bool exclude) {
        // Every drawing applies each step: past a few dozen, further steps are passed over.
        if (st_.clips.size() >= 64) {
            cairo_new_path(cr_);
            return;
        }
        std::shared_ptr<cairo_path_t> p(cairo_copy_path(cr_), [](cairo_path_t* q) {
            if (q) cairo_path_destroy(q);
        });
        cairo_new_path(cr_);
        st_.clips.push_back({std::move(p), evenOdd, exclude});
    }
    void resetClip() { st_.clips.clear(); }
    // Rectangles in device units as the clip (replacing it, or within it).
    void clipToDeviceRects(const std::vector<std::array<double, 4>>& rects, bool replace) {
        if (replace) resetClip();
        cairo_set_matrix(cr_, &base_);
        cairo_new_path(cr_);
        const double fx = w_ / refEx_, fy = h_ / refEy_;
        for (const auto& r : rects) {
            const double x0 = (r[0] - refOx_) * fx, y0 = (r[1] - refOy_) * fy;
            const double x1 = (r[2] - refOx_) * fx, y1 = (r[3] - refOy_) * fy;
            cairo_rectangle(cr_, std::min(x0, x1), std::min(y0, y1), std::fabs(x1 - x0),
                            std::fabs(y1 - y0));
        }
        addClip(false, false);
    }

    // Fills a logical rectangle with a plain colour or the brush (rop: the blit's ternary code).
    void fillRect(double x, double y, double w, double h, int rop) {
        flushMask();
        if (rop == 0xAA || !toLogical()) return;
        cairo_new_path(cr_);
        cairo_rectangle(cr_, x, y, w, h);
        Brush keep = st_.brush;
        if (rop == 0x00) st_.brush = Brush{0, 0, 0, nullptr};
        if (rop == 0xFF) st_.brush = Brush{0, 0xFFFFFF, 0, nullptr};
        const bool winding = st_.winding;
        st_.winding = true;
        if (rop == 0x55) {
            cairo_set_matrix(cr_, &base_);
            const bool clipped = beginClip();
            cairo_set_operator(cr_, CAIRO_OPERATOR_DIFFERENCE);
            setColor(0xFFFFFF);
            cairo_fill(cr_);
            cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
            if (clipped) cairo_restore(cr_);
        } else {
            paint(true, false);
        }
        st_.winding = winding;
        st_.brush = keep;
    }

    // A device-independent bitmap (its header, colours and bits) drawn from its source box onto
    // the logical destination box, through the blit's ternary raster code.
    void drawBitmap(std::span<const std::uint8_t> dib, double xs, double ys, double ws, double hs,
                    double xd, double yd, double wd, double hd, int rop) {
        Bitmap bm = decodeDib(dib);
        if (!bm.surface) return;
        // A source box of no size stands for the whole bitmap.
        if (ws == 0 || hs == 0) {
            xs = ys = 0;
            ws = cairo_image_surface_get_width(bm.surface.get());
            hs = bm.height;
        }
        // Rows of a bottom-up bitmap count from its last one.
        if (bm.bottomUp) ys = bm.height - ys - hs;
        Blit blit{bm.surface, xs, ys, ws, hs, xd, yd, wd, hd};
        if (rop == 0x88) {  // AND: a mask, kept to be merged with the picture that follows
            flushMask();
            mask_ = blit;
            return;
        }
        if ((rop == 0x66 || rop == 0xEE) && mask_.surface && sameBox(mask_, blit)) {
            blit.surface = masked(mask_, blit);
            mask_ = Blit{};
            drawBlit(blit, CAIRO_OPERATOR_OVER);
            return;
        }
        flushMask();
        switch (rop) {
            case 0x66:
                drawBlit(blit, CAIRO_OPERATOR_DIFFERENCE);
                break;
            case 0xEE:
                drawBlit(blit, CAIRO_OPERATOR_LIGHTEN);
                break;
            case 0xAA:
                break;
            default:
                drawBlit(blit, CAIRO_OPERATOR_OVER);
        }
    }

    // A line of text at the logical point (or the current position when the alignment says so),
    // each character after the one before by its advance or by the logical distances given.
    // Drawn with the glyph outlines of the font library; left out without one.
    void text(Point at, const std::u32string& chars, const std::vector<double>& dx,
              const double* opaque) {
        flushMask();
        if (!toLogical()) return;
        if (opaque) {
            cairo_new_path(cr_);
            cairo_rectangle(cr_, opaque[0], opaque[1], opaque[2] - opaque[0],
                            opaque[3] - opaque[1]);
            cairo_set_matrix(cr_, &base_);
            const bool clipped = beginClip();
            setColor(st_.bkColor);
            cairo_fill(cr_);
            if (clipped) cairo_restore(cr_);
        }
        if (!fonts_ || chars.empty()) return;
        // Past a cap on the characters of one picture, texts are left out.
        characters_ += chars.size();
        if (characters_ > kMaxMetafileCharacters) return;
        const bool updateCp = (st_.textAlign & 1) != 0;
        if (updateCp) at = st_.current;
        cairo_matrix_t rel = logical_, inv = base_;
        if (cairo_matrix_invert(&inv) != CAIRO_STATUS_SUCCESS) return;
        cairo_matrix_multiply(&rel, &logical_, &inv);
        const double sx = std::hypot(rel.xx, rel.yx), sy = std::hypot(rel.xy, rel.yy);
        // The font at 64 times its logical height, so that small logical units keep their size.
        fonts::LogicalFont font = st_.font;
        const double height = std::clamp(static_cast<double>(font.height) * 64, -1e7, 1e7);
        font.height = static_cast<std::int32_t>(height);
        const double em = fonts_->emPixels(font) / 64;  // logical units
        if (!(em > 0) || !std::isfinite(em)) return;
        constexpr double kEm = 256;
        const double k = em / kEm;  // glyph units to logical
        const fonts::FontMetrics metrics = fonts_->metrics(font, kEm);
        std::vector<double> advances(chars.size());
        double total = 0;
        for (std::size_t i = 0; i < chars.size(); ++i) {
            advances[i] = i < dx.size() ? dx[i] : fonts_->advance(font, chars[i], kEm) * k;
            total += advances[i];
        }
        double px = at.x, py = at.y;
        cairo_matrix_transform_point(&rel, &px, &py);
        double shift = 0;
        if ((st_.textAlign & 6) == 6)
            shift = -total / 2;
        else if (st_.textAlign & 2)
            shift = -total;
        double rise = 0;  // the baseline below the reference point, in logical units
        if ((st_.textAlign & 24) == 24)
            rise = 0;
        else if (st_.textAlign & 8)
            rise = -metrics.descent * k;
        else
            rise = metrics.ascent * k;
        cairo_set_matrix(cr_, &base_);
        cairo_save(cr_);
        cairo_translate(cr_, px, py);
        cairo_rotate(cr_, -font.escapement / 10.0 * M_PI / 180);
        cairo_scale(cr_, sx, sy);
        cairo_new_path(cr_);
        double x = shift;
        for (std::size_t i = 0; i < chars.size(); ++i) {
            const char32_t c = chars[i];
            if (c > U' ') {
                const fonts::GlyphOutline g = fonts_->glyphOutline(font, c, kEm);
                countPoints(g.contours.size());
                for (const fonts::Contour& contour : g.contours) {
                    countPoints(contour.segments.size());
                    auto put = [&](double gx, double gy, double& ox, double& oy) {
                        ox = x + gx * k;
                        oy = rise - gy * k;
                    };
                    double ox, oy, lx = contour.start.x, ly = contour.start.y;
                    put(lx, ly, ox, oy);
                    cairo_move_to(cr_, ox, oy);
                    for (const fonts::Segment& sg : contour.segments) {
                        if (sg.kind == fonts::Segment::Kind::quad) {
                            double c1x, c1y, c2x, c2y, ex, ey;
                            put(lx + 2.0 / 3 * (sg.control.x - lx),
                                ly + 2.0 / 3 * (sg.control.y - ly), c1x, c1y);
                            put(sg.end.x + 2.0 / 3 * (sg.control.x - sg.end.x),
                                sg.end.y + 2.0 / 3 * (sg.control.y - sg.end.y), c2x, c2y);
                            put(sg.end.x, sg.end.y, ex, ey);
                            cairo_curve_to(cr_, c1x, c1y, c2x, c2y, ex, ey);
                        } else {
                            put(sg.end.x, sg.end.y, ox, oy);
                            cairo_line_to(cr_, ox, oy);
                        }
                        lx = sg.end.x;
                        ly = sg.end.y;
                    }
                    cairo_close_path(cr_);
                }
            }
            x += advances[i];
        }
        // The font's underline and strike-through along the whole line, at the face's places.
        const auto line = [&](const fonts::DecorationLine& d) {
            cairo_rectangle(cr_, shift, rise + d.top * k, total, d.thickness * k);
        };
        if (font.underline) line(fonts::underlineLine(metrics, kEm));
        if (font.strikeOut) line(fonts::strikeoutLine(metrics, kEm));
        cairo_restore(cr_);
        const bool clipped = beginClip();
        cairo_set_fill_rule(cr_, CAIRO_FILL_RULE_WINDING);
        setColor(st_.textColor);
        cairo_fill(cr_);
        if (clipped) cairo_restore(cr_);
        if (updateCp) st_.current.x += total;
    }

    // A bitmap for a pattern brush; null when it cannot be read.
    std::shared_ptr<cairo_surface_t> bitmap(std::span<const std::uint8_t> dib) {
        return decodeDib(dib).surface;
    }

    void flushMask() {
        if (!mask_.surface) return;
        Blit m = mask_;
        mask_ = Blit{};
        drawBlit(m, CAIRO_OPERATOR_MULTIPLY);
    }

    void intersectClip(double l, double t, double r, double b) {
        if (!toLogical()) return;
        cairo_new_path(cr_);
        cairo_rectangle(cr_, l, t, r - l, b - t);
        cairo_set_matrix(cr_, &base_);
        addClip(false, false);
    }
    void excludeClip(double l, double t, double r, double b) {
        if (!toLogical()) return;
        cairo_new_path(cr_);
        cairo_rectangle(cr_, l, t, r - l, b - t);
        cairo_set_matrix(cr_, &base_);
        addClip(false, true);
    }

    cairo_t* cr() { return cr_; }

    // EMF paths: between their brackets, drawing records add to the path instead of painting.
    bool inPath() const { return inPath_; }
    void beginPath() {
        flushMask();
        inPath_ = true;
        path_.reset();
        cairo_new_path(cr_);
    }
    void endPath() {
        if (!inPath_) return;
        inPath_ = false;
        cairo_set_matrix(cr_, &base_);
        path_.reset(cairo_copy_path(cr_));
        cairo_new_path(cr_);
    }
    void abortPath() {
        inPath_ = false;
        path_.reset();
        cairo_new_path(cr_);
    }
    // Fills, outlines or clips to the path ended last, which is then used up.
    void usePath(bool fill, bool stroke, bool clip) {
        if (inPath_) endPath();
        if (!path_ || !toLogical()) return;
        cairo_set_matrix(cr_, &base_);
        cairo_new_path(cr_);
        cairo_append_path(cr_, path_.get());
        path_.reset();
        if (clip) {
            addClip(!st_.winding, false);
            return;
        }
        paint(fill, stroke);
    }
    // A drawing record's start and end: outside a path, a new path painted at the end.
    bool begin() {
        if (!toLogical()) return false;
        if (!inPath_) cairo_new_path(cr_);
        return true;
    }
    void finish(bool fill, bool stroke) {
        if (!inPath_) paint(fill, stroke);
    }

  private:
    struct Bitmap {
        std::shared_ptr<cairo_surface_t> surface;
        int height = 0;
        bool bottomUp = true;
    };
    struct Blit {
        std::shared_ptr<cairo_surface_t> surface;
        double xs = 0, ys = 0, ws = 0, hs = 0, xd = 0, yd = 0, wd = 0, hd = 0;
    };

    static bool sameBox(const Blit& a, const Blit& b) {
        return a.xd == b.xd && a.yd == b.yd && a.wd == b.wd && a.hd == b.hd;
    }

    void setColor(std::uint32_t c) {
        cairo_set_source_rgb(cr_, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                             ((c >> 16) & 0xFF) / 255.0);
    }

    // The brush as cr's source, under the frame's matrix.
    void setBrush() {
        const Brush& b = st_.brush;
        if (b.style >= 3 && b.pattern) {
            cairo_pattern_t* p = cairo_pattern_create_for_surface(b.pattern.get());
            cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
            cairo_matrix_t m;
            cairo_matrix_init_scale(&m, 1 / pixel_, 1 / pixel_);
            cairo_pattern_set_matrix(p, &m);
            cairo_set_source(cr_, p);
            cairo_pattern_destroy(p);
            return;
        }
        if (b.style != 2) {
            setColor(b.color);
            return;
        }
        // Hatching: lines one pixel wide every eight pixels.
        Surface tile(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8));
        cairo_t* t = cairo_create(tile.get());
        cairo_set_source_rgb(t, (b.color & 0xFF) / 255.0, ((b.color >> 8) & 0xFF) / 255.0,
                             ((b.color >> 16) & 0xFF) / 255.0);
        cairo_set_line_width(t, 1);
        cairo_set_antialias(t, CAIRO_ANTIALIAS_NONE);
        const int h = b.hatch;
        if (h == 0 || h == 4) {
            cairo_move_to(t, 0, 3.5);
            cairo_line_to(t, 8, 3.5);
        }
        if (h == 1 || h == 4) {
            cairo_move_to(t, 3.5, 0);
            cairo_line_to(t, 3.5, 8);
        }
        if (h == 2 || h == 5) {
            cairo_move_to(t, 0, 0);
            cairo_line_to(t, 8, 8);
        }
        if (h == 3 || h == 5) {
            cairo_move_to(t, 8, 0);
            cairo_line_to(t, 0, 8);
        }
        cairo_stroke(t);
        cairo_destroy(t);
        cairo_pattern_t* p = cairo_pattern_create_for_surface(tile.get());
        cairo_pattern_set_extend(p, CAIRO_EXTEND_REPEAT);
        cairo_matrix_t m;
        cairo_matrix_init_scale(&m, 1 / pixel_, 1 / pixel_);
        cairo_pattern_set_matrix(p, &m);
        cairo_set_source(cr_, p);
        cairo_pattern_destroy(p);
    }

    void drawBlit(const Blit& b, cairo_operator_t op) {
        if (!b.surface || b.ws == 0 || b.hs == 0 || b.wd == 0 || b.hd == 0 || !toLogical()) return;
        cairo_new_path(cr_);
        cairo_set_matrix(cr_, &base_);
        const bool clipped = beginClip();
        toLogical();
        cairo_save(cr_);
        cairo_new_path(cr_);
        cairo_rectangle(cr_, b.xd, b.yd, b.wd, b.hd);
        cairo_translate(cr_, b.xd, b.yd);
        cairo_scale(cr_, b.wd / b.ws, b.hd / b.hs);
        cairo_translate(cr_, -b.xs, -b.ys);
        cairo_set_source_surface(cr_, b.surface.get(), 0, 0);
        cairo_pattern_set_extend(cairo_get_source(cr_), CAIRO_EXTEND_PAD);
        // The smoothing filter's kernel grows with the reduction: past a few source pixels to a
        // device pixel, plain interpolation.
        const double perPixel = std::max(std::fabs(b.ws / b.wd), std::fabs(b.hs / b.hd)) * pixel_ /
                                std::max(scale_, 1e-12);
        cairo_pattern_set_filter(cairo_get_source(cr_),
                                 perPixel > 4 ? CAIRO_FILTER_BILINEAR : CAIRO_FILTER_GOOD);
        cairo_set_operator(cr_, op);
        cairo_fill(cr_);
        cairo_restore(cr_);
        if (clipped) cairo_restore(cr_);
    }

    // The picture with the mask's white made see-through.
    static std::shared_ptr<cairo_surface_t> masked(const Blit& mask, const Blit& image) {
        cairo_surface_t* m = mask.surface.get();
        cairo_surface_t* i = image.surface.get();
        const int w = cairo_image_surface_get_width(i), h = cairo_image_surface_get_height(i);
        const int mw = cairo_image_surface_get_width(m), mh = cairo_image_surface_get_height(m);
        Surface out(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
        if (cairo_surface_status(out.get()) != CAIRO_STATUS_SUCCESS || mw <= 0 || mh <= 0)
            return image.surface;
        cairo_surface_flush(m);
        cairo_surface_flush(i);
        cairo_surface_flush(out.get());
        auto row = [](cairo_surface_t* s, int y) {
            return reinterpret_cast<const std::uint32_t*>(
                cairo_image_surface_get_data(s) +
                static_cast<std::size_t>(y) *
                    static_cast<std::size_t>(cairo_image_surface_get_stride(s)));
        };
        for (int y = 0; y < h; ++y) {
            // The mask's source box over the picture's.
            const double my = mask.ys + (y + 0.5 - image.ys) * mask.hs / image.hs;
            const int mi = std::clamp(static_cast<int>(std::floor(my)), 0, mh - 1);
            const std::uint32_t* mrow = row(m, mi);
            const std::uint32_t* irow = row(i, y);
            auto* orow = const_cast<std::uint32_t*>(row(out.get(), y));
            for (int x = 0; x < w; ++x) {
                const double mx = mask.xs + (x + 0.5 - image.xs) * mask.ws / image.ws;
                const int mj = std::clamp(static_cast<int>(std::floor(mx)), 0, mw - 1);
                const std::uint32_t mp = mrow[mj];
                const std::uint32_t lum =
                    (((mp >> 16) & 0xFF) * 299 + ((mp >> 8) & 0xFF) * 587 + (mp & 0xFF) * 114) /
                    1000;
                const std::uint32_t a = 255 - lum;
                const std::uint32_t p = irow[x];
                auto ch = [&](int shift) { return (((p >> shift) & 0xFF) * a + 127) / 255; };
                orow[x] = a << 24 | ch(16) << 16 | ch(8) << 8 | ch(0);
            }
        }
        cairo_surface_mark_dirty(out.get());
        return shared(std::move(out));
    }

    // A bitmap's header, colour table and bits, decoded by way of a BMP file around them.
    Bitmap decodeDib(std::span<const std::uint8_t> dib) {
        Bitmap out;
        if (dib.size() < 12) fail("bitmap cut short");
        const std::uint32_t headerSize = u32At(dib, 0);
        if (headerSize < 12 || headerSize > dib.size()) fail("bitmap header cut short");
        std::uint64_t colours = 0;
        int height = 0;
        std::uint32_t entry = 4;
        if (headerSize == 12) {
            const std::uint16_t bits = u16At(dib, 10);
            colours = bits <= 8 ? 1u << bits : 0;
            height = u16At(dib, 6);
            entry = 3;
        } else {
            if (headerSize < 40) fail("bitmap header cut short");
            const std::uint16_t bits = u16At(dib, 14);
            const std::uint32_t compression = u32At(dib, 16), used = u32At(dib, 32);
            colours = used ? used : bits <= 8 ? 1u << bits : 0;
            if (headerSize == 40 && compression == 3) colours += 3;
            if (headerSize == 40 && compression == 6) colours += 4;
            height = s32At(dib, 8);
        }
        const std::uint64_t offBits =
            14 + headerSize + std::min<std::uint64_t>(colours, 1024) * entry;
        std::vector<std::uint8_t> bmp;
        const std::uint64_t total = 14 + dib.size();
        if (total > 0xFFFFFFFFu) fail("bitmap too large");
        bmp.reserve(static_cast<std::size_t>(total));
        auto put32 = [&](std::uint64_t v) {
            for (int i = 0; i < 4; ++i) bmp.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        };
        bmp.push_back('B');
        bmp.push_back('M');
        put32(total);
        put32(0);
        put32(std::min(offBits, total));
        bmp.insert(bmp.end(), dib.begin(), dib.end());
        DecodedPicture d = decodePicture(bmp, maxPixels_);
        if (!d.surface) return out;  // a bitmap that cannot be read is left out
        out.surface = shared(std::move(d.surface));
        out.height = cairo_image_surface_get_height(out.surface.get());
        out.bottomUp = height > 0;
        return out;
    }

    cairo_t* cr_;
    double w_, h_;
    std::uint64_t maxPixels_;
    bool emf_;
    fonts::FontLibrary* fonts_;
    cairo_matrix_t base_;
    cairo_matrix_t logical_{};
    double pixel_ = 1, scale_ = 1;
    double refOx_ = 0, refOy_ = 0, refEx_ = 1, refEy_ = 1;
    double pxPerMmX_ = 96 / 25.4, pxPerMmY_ = 96 / 25.4;
    State st_;
    std::vector<State> saved_;
    std::vector<Object> objects_;
    std::uint64_t points_ = 0;
    std::uint64_t characters_ = 0;
    Blit mask_;
    bool inPath_ = false;
    struct PathDeleter {
        void operator()(cairo_path_t* p) const { cairo_path_destroy(p); }
    };
    std::unique_ptr<cairo_path_t, PathDeleter> path_;
};

// The code page a font's character set stands for.
const char* codePage(std::uint8_t charSet) {
    switch (charSet) {
        case 128:
            return "CP932";
        case 129:
            return "CP949";
        case 134:
            return "CP936";
        case 136:
            return "CP950";
        case 161:
            return "CP1253";
        case 162:
            return "CP1254";
        case 163:
            return "CP1258";
        case 177:
            return "CP1255";
        case 178:
            return "CP1256";
        case 186:
            return "CP1257";
        case 204:
            return "CP1251";
        case 222:
            return "CP874";
        case 238:
            return "CP1250";
        default:
            return "CP1252";
    }
}

// The code page of a font's text: its character set's, or for the default set (the writing
// system's own code page, unknown here) the one its East Asian face name implies.
const char* codePage(const fonts::LogicalFont& font) {
    if (font.charSet != 1) return codePage(font.charSet);
    static const std::pair<const char*, std::uint8_t> faces[] = {
        {"YaHei", 134},    {"SimSun", 134},  {"SimHei", 134},   {"KaiTi", 134},  {"FangSong", 134},
        {"DengXian", 134}, {"MingLiU", 136}, {"JhengHei", 136}, {"Gothic", 128}, {"Mincho", 128},
        {"Meiryo", 128},   {"Gulim", 129},   {"Batang", 129},   {"Dotum", 129},  {"Malgun", 129}};
    for (const auto& [name, set] : faces)
        if (font.faceName.find(name) != std::string::npos) return codePage(set);
    return codePage(std::uint8_t{0});
}

// Text of a code page as characters; bytes that do not convert are left out.
std::u32string decodeText(std::span<const std::uint8_t> bytes, const char* from) {
    std::u32string out;
    iconv_t cd = iconv_open("UTF-32LE", from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        for (std::uint8_t b : bytes) out.push_back(b);
        return out;
    }
    std::vector<char> in(bytes.begin(), bytes.end());
    std::vector<char> buffer(bytes.size() * 4 + 16);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = buffer.data();
    std::size_t outLeft = buffer.size();
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        ++inPtr, --inLeft;  // a byte that does not convert
    }
    iconv_close(cd);
    const std::size_t n = static_cast<std::size_t>(outPtr - buffer.data()) / 4;
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t c;
        std::memcpy(&c, buffer.data() + 4 * i, 4);
        out.push_back(static_cast<char32_t>(c));
    }
    return out;
}

std::string utf8(const std::u32string& text) {
    std::string out;
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | c >> 6));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | c >> 12));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x110000) {
            out.push_back(static_cast<char>(0xF0 | c >> 18));
            out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// A font's fields as both formats store them after its height (16 or 32 bits each).
fonts::LogicalFont logFont(std::span<const std::uint8_t> r, std::size_t at, bool wide) {
    fonts::LogicalFont f;
    const std::size_t n = wide ? 4 : 2;
    auto num = [&](std::size_t i) {
        return wide ? s32At(r, at + i * n) : static_cast<std::int32_t>(s16At(r, at + i * n));
    };
    f.height = num(0);
    f.width = num(1);
    f.escapement = num(2);
    f.orientation = num(3);
    f.weight = num(4);
    const std::size_t b = at + 5 * n;
    if (b + 8 > r.size()) fail("record cut short");
    f.italic = r[b], f.underline = r[b + 1], f.strikeOut = r[b + 2], f.charSet = r[b + 3];
    f.outPrecision = r[b + 4], f.clipPrecision = r[b + 5], f.quality = r[b + 6];
    f.pitchAndFamily = r[b + 7];
    std::u32string face;
    if (wide) {
        for (std::size_t i = b + 8; i + 2 <= r.size() && face.size() < 32; i += 2) {
            const char32_t c = u16At(r, i);
            if (c == 0) break;
            face.push_back(c >= 0xD800 && c < 0xE000 ? U'?' : c);
        }
    } else {
        std::size_t end = b + 8;
        while (end < r.size() && end < b + 40 && r[end] != 0) ++end;
        face = decodeText(r.subspan(b + 8, end - (b + 8)), codePage(f.charSet));
    }
    f.faceName = utf8(face);
    return f;
}

// ---- WMF ----

constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;

struct WmfLayout {
    std::size_t records = 0;  // offset of the first record
    std::uint16_t objects = 0;
    bool placeable = false;
    double left = 0, top = 0, right = 0, bottom = 0, inch = 1440;
};

WmfLayout wmfLayout(std::span<const std::uint8_t> b) {
    WmfLayout l;
    std::size_t at = 0;
    if (b.size() >= 4 && u32At(b, 0) == kPlaceableKey) {
        if (b.size() < 22) fail("placeable header cut short");
        l.placeable = true;
        l.left = s16At(b, 6);
        l.top = s16At(b, 8);
        l.right = s16At(b, 10);
        l.bottom = s16At(b, 12);
        l.inch = u16At(b, 14);
        if (l.inch == 0) l.inch = 1440;
        at = 22;
    }
    if (b.size() < at + 18) fail("header cut short");
    const std::uint16_t type = u16At(b, at), headerWords = u16At(b, at + 2);
    if ((type != 1 && type != 2) || headerWords != 9) fail("not a metafile header");
    l.objects = u16At(b, at + 10);
    l.records = at + 18;
    return l;
}

// The first window the records set, for metafiles without a placeable header.
bool firstWindow(std::span<const std::uint8_t> b, std::size_t at, double& ox, double& oy,
                 double& ex, double& ey) {
    bool ext = false;
    for (std::uint32_t n = 0; n < kMaxMetafileRecords && at + 6 <= b.size(); ++n) {
        const std::uint64_t words = u32At(b, at);
        const std::uint16_t fn = u16At(b, at + 4);
        if (words < 3 || words * 2 > b.size() - at) break;
        if (fn == wmf::kSetWindowOrg && words >= 5 && !ext) {
            oy = s16At(b, at + 6);
            ox = s16At(b, at + 8);
        } else if (fn == wmf::kSetWindowExt && words >= 5) {
            ey = s16At(b, at + 6);
            ex = s16At(b, at + 8);
            ext = true;
            break;
        } else if (fn == 0) {
            break;
        }
        at += words * 2;
    }
    return ext && ex != 0 && ey != 0;
}

std::vector<Point> wmfPoints(std::span<const std::uint8_t> p, std::size_t at, std::size_t n,
                             Player& player) {
    if (n > (p.size() - std::min(at, p.size())) / 4) fail("point count past the record");
    player.countPoints(n);
    std::vector<Point> pts(n);
    for (std::size_t i = 0; i < n; ++i)
        pts[i] = {static_cast<double>(s16At(p, at + 4 * i)),
                  static_cast<double>(s16At(p, at + 4 * i + 2))};
    return pts;
}

void playWmf(std::span<const std::uint8_t> b, Player& player) {
    const WmfLayout l = wmfLayout(b);
    if (l.placeable) {
        player.setReference(l.left, l.top, l.right - l.left, l.bottom - l.top);
    } else {
        double ox = 0, oy = 0, ex = 0, ey = 0;
        if (!firstWindow(b, l.records, ox, oy, ex, ey)) fail("metafile states no size");
        player.setReference(ox, oy, ex, ey);
    }
    player.setObjectCount(l.objects);
    State& st = player.state();
    std::size_t at = l.records;
    for (std::uint32_t n = 0;; ++n) {
        if (n >= kMaxMetafileRecords) fail("too many records");
        if (at == b.size()) return;  // the end of the data stands for the end record
        if (b.size() - at < 6) fail("record cut short");
        const std::uint64_t words = u32At(b, at);
        const std::uint16_t fn = u16At(b, at + 4);
        if (words < 3) fail("record of no length");
        if (words * 2 > b.size() - at) fail("record past the end of the data");
        const std::span<const std::uint8_t> p = b.subspan(at + 6, words * 2 - 6);
        at += words * 2;
        auto w = [&](std::size_t i) { return static_cast<double>(s16At(p, 2 * i)); };
        if (fn != wmf::kDibStretchBlt && fn != wmf::kStretchDib && fn != wmf::kDibBitBlt &&
            fn != wmf::kEscape && fn != wmf::kSetStretchBltMode && fn != wmf::kSetBkColor &&
            fn != wmf::kSetTextColor)
            player.flushMask();
        switch (fn) {
            case wmf::kEof:
                return;
            case wmf::kSaveDc:
                player.save();
                break;
            case wmf::kRestoreDc:
                player.restore(s16At(p, 0));
                break;
            case wmf::kSetBkMode:
                st.bkOpaque = u16At(p, 0) == 2;
                break;
            case wmf::kSetPolyFillMode:
                st.winding = u16At(p, 0) == 2;
                break;
            case wmf::kSetMapMode:
                st.mapMode = u16At(p, 0);
                break;
            case wmf::kSetBkColor:
                st.bkColor = u32At(p, 0);
                break;
            case wmf::kSetWindowOrg:
                st.woy = w(0), st.wox = w(1);
                break;
            case wmf::kSetWindowExt:
                st.wey = w(0), st.wex = w(1);
                break;
            case wmf::kSetViewportOrg:
                st.voy = w(0), st.vox = w(1);
                st.viewportSet = true;
                break;
            case wmf::kSetViewportExt:
                st.vey = w(0), st.vex = w(1);
                st.viewportSet = true;
                break;
            case wmf::kOffsetWindowOrg:
                st.woy += w(0), st.wox += w(1);
                break;
            case wmf::kScaleWindowExt:
                if (w(0) != 0 && w(2) != 0)
                    st.wey = st.wey * w(1) / w(0), st.wex = st.wex * w(3) / w(2);
                break;
            case wmf::kLineTo: {
                const Point to{w(1), w(0)};
                if (player.toLogical()) {
                    cairo_new_path(player.cr());
                    cairo_move_to(player.cr(), st.current.x, st.current.y);
                    cairo_line_to(player.cr(), to.x, to.y);
                    player.paint(false, true);
                }
                st.current = to;
                break;
            }
            case wmf::kMoveTo:
                st.current = {w(1), w(0)};
                break;
            case wmf::kCreatePenIndirect:
                player.create(Pen{u16At(p, 0), std::fabs(w(1)), u32At(p, 6)});
                break;
            case wmf::kCreateBrushIndirect:
                player.create(Brush{u16At(p, 0), u32At(p, 2), u16At(p, 6), nullptr});
                break;
            case wmf::kDibCreatePatternBrush: {
                // A bitmap pattern; one that cannot be read paints grey.
                Brush br{3, 0x808080, 0, nullptr};
                if (p.size() > 4) br.pattern = player.bitmap(p.subspan(4));
                if (!br.pattern) br.style = 0;
                player.create(br);
                break;
            }
            case wmf::kCreatePatternBrush:
                player.create(Brush{0, 0x808080, 0, nullptr});
                break;
            case wmf::kCreateFontIndirect:
                player.create(logFont(p, 0, false));
                break;
            case wmf::kCreatePalette:
            case wmf::kCreateRegion:
                player.create(Other{});
                break;
            case wmf::kSetTextColor:
                st.textColor = u32At(p, 0);
                break;
            case wmf::kSetTextAlign:
                st.textAlign = u16At(p, 0);
                break;
            case wmf::kTextOut: {
                const std::size_t count = static_cast<std::size_t>(std::max<int>(0, s16At(p, 0)));
                const std::size_t padded = count + count % 2;
                if (count > p.size() || padded + 6 > p.size()) fail("text past the record");
                const auto chars = decodeText(p.subspan(2, count), codePage(st.font));
                player.text({static_cast<double>(s16At(p, 4 + padded)),
                             static_cast<double>(s16At(p, 2 + padded))},
                            chars, {}, nullptr);
                break;
            }
            case wmf::kExtTextOut: {
                const Point ref{w(1), w(0)};
                const std::size_t count = static_cast<std::size_t>(std::max<int>(0, s16At(p, 4)));
                const std::uint16_t options = u16At(p, 6);
                std::size_t at = 8;
                double rect[4];
                const bool hasRect = (options & 6) != 0;
                if (hasRect) {
                    for (int i = 0; i < 4; ++i)
                        rect[i] = s16At(p, at + 2 * static_cast<std::size_t>(i));
                    at += 8;
                }
                if (count > p.size() || at + count > p.size()) fail("text past the record");
                const auto chars = decodeText(p.subspan(at, count), codePage(st.font));
                at += count + count % 2;
                // Distances are given per byte: a character of two bytes takes the sum of both.
                std::vector<double> dx;
                if (at + 2 * count <= p.size() && chars.size() == count) {
                    for (std::size_t i = 0; i < count; ++i) dx.push_back(s16At(p, at + 2 * i));
                }
                player.text(ref, chars, dx, (options & 2) ? rect : nullptr);
                break;
            }
            case wmf::kSelectObject:
                player.select(u16At(p, 0));
                break;
            case wmf::kDeleteObject:
                player.remove(u16At(p, 0));
                break;
            case wmf::kPolygon:
            case wmf::kPolyline: {
                const auto count = static_cast<std::size_t>(std::max<int>(0, s16At(p, 0)));
                const auto pts = wmfPoints(p, 2, count, player);
                if (!player.toLogical()) break;
                cairo_new_path(player.cr());
                player.polygonPath(pts, fn == wmf::kPolygon);
                player.paint(fn == wmf::kPolygon, true);
                break;
            }
            case wmf::kPolyPolygon: {
                const std::size_t polys = u16At(p, 0);
                if (polys > (p.size() - 2) / 2) fail("polygon count past the record");
                std::size_t pointAt = 2 + 2 * polys;
                std::vector<std::vector<Point>> all;
                for (std::size_t i = 0; i < polys; ++i) {
                    const std::size_t count = u16At(p, 2 + 2 * i);
                    all.push_back(wmfPoints(p, pointAt, count, player));
                    pointAt += 4 * count;
                }
                if (!player.toLogical()) break;
                cairo_new_path(player.cr());
                for (const auto& pts : all) player.polygonPath(pts, true);
                player.paint(true, true);
                break;
            }
            case wmf::kRectangle:
            case wmf::kEllipse:
                if (!player.toLogical()) break;
                cairo_new_path(player.cr());
                if (fn == wmf::kRectangle) {
                    cairo_rectangle(player.cr(), w(3), w(2), w(1) - w(3), w(0) - w(2));
                } else {
                    player.ellipsePath(w(3), w(2), w(1), w(0));
                }
                player.paint(true, true);
                break;
            case wmf::kRoundRect:
                if (!player.toLogical()) break;
                cairo_new_path(player.cr());
                player.roundRectPath(w(5), w(4), w(3), w(2), w(1), w(0));
                player.paint(true, true);
                break;
            case wmf::kArc:
            case wmf::kPie:
            case wmf::kChord: {
                if (!player.toLogical()) break;
                cairo_new_path(player.cr());
                const int kind = fn == wmf::kArc ? 0 : fn == wmf::kPie ? 1 : 2;
                player.arcPath(w(7), w(6), w(5), w(4), {w(3), w(2)}, {w(1), w(0)}, kind);
                player.paint(kind != 0, true);
                break;
            }
            case wmf::kIntersectClipRect:
                player.intersectClip(w(3), w(2), w(1), w(0));
                break;
            case wmf::kExcludeClipRect:
                player.excludeClip(w(3), w(2), w(1), w(0));
                break;
            case wmf::kPatBlt:
                player.fillRect(w(5), w(4), w(3), w(2), static_cast<int>(u32At(p, 0) >> 16 & 0xFF));
                break;
            case wmf::kDibStretchBlt:
            case wmf::kStretchDib:
            case wmf::kDibBitBlt: {
                const int rop = static_cast<int>(u32At(p, 0) >> 16 & 0xFF);
                // Without a bitmap of their own these fill with the brush.
                const std::size_t plain = fn == wmf::kDibBitBlt ? 18 : 22;
                if (fn != wmf::kStretchDib && p.size() <= plain) {
                    const std::size_t d = fn == wmf::kDibBitBlt ? 5 : 7;
                    player.fillRect(w(d + 3), w(d + 2), w(d + 1), w(d), rop);
                    break;
                }
                if (fn == wmf::kDibBitBlt) {
                    const double h = w(4), wd = w(5);
                    player.drawBitmap(p.subspan(16), w(3), w(2), wd, h, w(7), w(6), wd, h, rop);
                } else {
                    const std::size_t o =
                        fn == wmf::kStretchDib ? 3 : 2;  // STRETCHDIB has colour use first
                    player.drawBitmap(p.subspan(2 * (o + 8)), w(o + 3), w(o + 2), w(o + 1), w(o),
                                      w(o + 7), w(o + 6), w(o + 5), w(o + 4), rop);
                }
                break;
            }
            default:
                break;  // text, palettes, regions and escapes draw nothing here
        }
    }
}

// ---- EMF ----

struct EmfHeader {
    double left = 0, top = 0, width = 0, height = 0;  // the frame, in device pixels
    double pxPerMmX = 0, pxPerMmY = 0;
    std::uint32_t handles = 0;
    double inchWidth = 0, inchHeight = 0;
};

EmfHeader emfHeader(std::span<const std::uint8_t> b) {
    if (b.size() < 88 || u32At(b, 0) != 1) fail("header cut short");
    const std::uint32_t size = u32At(b, 4);
    if (size < 88 || size > b.size() || size % 4 != 0) fail("header cut short");
    if (u32At(b, 40) != 0x464D4520) fail("not a metafile header");
    EmfHeader h;
    const double bl = s32At(b, 8), bt = s32At(b, 12), br = s32At(b, 16), bb = s32At(b, 20);
    const double fl = s32At(b, 24), ft = s32At(b, 28), fr = s32At(b, 32), fb = s32At(b, 36);
    const double devX = s32At(b, 72), devY = s32At(b, 76), mmX = s32At(b, 80), mmY = s32At(b, 84);
    h.handles = u16At(b, 56);
    if (devX > 0 && devY > 0 && mmX > 0 && mmY > 0 && fr > fl && fb > ft) {
        h.pxPerMmX = devX / mmX;
        h.pxPerMmY = devY / mmY;
        h.left = fl / 100 * h.pxPerMmX;
        h.top = ft / 100 * h.pxPerMmY;
        h.width = (fr - fl) / 100 * h.pxPerMmX;
        h.height = (fb - ft) / 100 * h.pxPerMmY;
        h.inchWidth = (fr - fl) / 2540;
        h.inchHeight = (fb - ft) / 2540;
    } else if (br > bl && bb > bt) {
        h.left = bl, h.top = bt, h.width = br - bl + 1, h.height = bb - bt + 1;
        h.inchWidth = h.width / 96, h.inchHeight = h.height / 96;
    } else {
        fail("metafile states no size");
    }
    return h;
}

// Points of 32 or 16 bits from a record.
std::vector<Point> emfPoints(std::span<const std::uint8_t> r, std::size_t at, std::uint64_t n,
                             bool small, Player& player) {
    const std::size_t each = small ? 4 : 8;
    if (at > r.size() || n > (r.size() - at) / each) fail("point count past the record");
    player.countPoints(n);
    std::vector<Point> pts(static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < pts.size(); ++i) {
        const std::size_t p = at + i * each;
        pts[i] =
            small ? Point{static_cast<double>(s16At(r, p)), static_cast<double>(s16At(r, p + 2))}
                  : Point{static_cast<double>(s32At(r, p)), static_cast<double>(s32At(r, p + 4))};
    }
    return pts;
}

// A bitmap's header and bits, each given by offset and size within its record, as one block.
std::vector<std::uint8_t> emfDib(std::span<const std::uint8_t> r, std::uint32_t offBmi,
                                 std::uint32_t cbBmi, std::uint32_t offBits, std::uint32_t cbBits) {
    if (offBmi > r.size() || cbBmi > r.size() - offBmi || offBits > r.size() ||
        cbBits > r.size() - offBits)
        fail("bitmap outside its record");
    std::vector<std::uint8_t> dib(r.begin() + offBmi, r.begin() + offBmi + cbBmi);
    dib.insert(dib.end(), r.begin() + offBits, r.begin() + offBits + cbBits);
    return dib;
}

cairo_matrix_t xform(std::span<const std::uint8_t> r, std::size_t at) {
    float f[6];
    for (int i = 0; i < 6; ++i) {
        const std::uint32_t v = u32At(r, at + 4 * static_cast<std::size_t>(i));
        std::memcpy(&f[i], &v, 4);
    }
    cairo_matrix_t m;
    cairo_matrix_init(&m, f[0], f[1], f[2], f[3], f[4], f[5]);
    return m;
}

void playEmf(std::span<const std::uint8_t> b, Player& player) {
    const EmfHeader h = emfHeader(b);
    player.setReference(h.left, h.top, h.width, h.height);
    player.setDeviceSize(h.pxPerMmX, h.pxPerMmY);
    player.setObjectCount(h.handles);
    State& st = player.state();
    cairo_t* cr = player.cr();
    std::size_t at = 0;
    for (std::uint32_t n = 0;; ++n) {
        if (n >= kMaxMetafileRecords) fail("too many records");
        if (at == b.size()) return;
        if (b.size() - at < 8) fail("record cut short");
        const std::uint32_t type = u32At(b, at), size = u32At(b, at + 4);
        if (size < 8 || size % 4 != 0) fail("record of no length");
        if (size > b.size() - at) fail("record past the end of the data");
        const std::span<const std::uint8_t> r = b.subspan(at, size);
        at += size;
        auto i32 = [&](std::size_t o) { return static_cast<double>(s32At(r, o)); };
        if (type != emf::kBitBlt && type != emf::kStretchBlt && type != emf::kStretchDiBits &&
            type != emf::kComment)
            player.flushMask();
        switch (type) {
            case emf::kEof:
                return;
            case emf::kSetWindowExtEx:
                st.wex = i32(8), st.wey = i32(12);
                break;
            case emf::kSetWindowOrgEx:
                st.wox = i32(8), st.woy = i32(12);
                break;
            case emf::kSetViewportExtEx:
                st.vex = i32(8), st.vey = i32(12);
                break;
            case emf::kSetViewportOrgEx:
                st.vox = i32(8), st.voy = i32(12);
                break;
            case emf::kSetMapMode:
                st.mapMode = static_cast<int>(u32At(r, 8));
                break;
            case emf::kSetBkMode:
                st.bkOpaque = u32At(r, 8) == 2;
                break;
            case emf::kSetPolyFillMode:
                st.winding = u32At(r, 8) == 2;
                break;
            case emf::kSetBkColor:
                st.bkColor = u32At(r, 8);
                break;
            case emf::kMoveToEx:
                st.current = {i32(8), i32(12)};
                if (player.inPath() && player.toLogical())
                    cairo_move_to(cr, st.current.x, st.current.y);
                break;
            case emf::kLineTo: {
                const Point to{i32(8), i32(12)};
                if (player.begin()) {
                    if (!player.inPath() || !cairo_has_current_point(cr))
                        cairo_move_to(cr, st.current.x, st.current.y);
                    cairo_line_to(cr, to.x, to.y);
                    player.finish(false, true);
                }
                st.current = to;
                break;
            }
            case emf::kSaveDc:
                player.save();
                break;
            case emf::kRestoreDc:
                player.restore(s32At(r, 8));
                break;
            case emf::kSetWorldTransform:
                st.world = xform(r, 8);
                break;
            case emf::kModifyWorldTransform: {
                const cairo_matrix_t m = xform(r, 8);
                const std::uint32_t mode = u32At(r, 32);
                if (mode == 1) cairo_matrix_init_identity(&st.world);
                if (mode == 2) cairo_matrix_multiply(&st.world, &m, &st.world);
                if (mode == 3) cairo_matrix_multiply(&st.world, &st.world, &m);
                if (mode == 4) st.world = m;
                break;
            }
            case emf::kSelectObject: {
                const std::uint32_t index = u32At(r, 8);
                if (index & 0x80000000u) {
                    player.selectStock(index & 0x7FFFFFFFu);
                } else {
                    player.select(index);
                }
                break;
            }
            case emf::kDeleteObject:
                player.remove(u32At(r, 8));
                break;
            case emf::kCreatePen:
                player.createAt(u32At(r, 8), Pen{static_cast<int>(u32At(r, 12)), std::fabs(i32(16)),
                                                 u32At(r, 24)});
                break;
            case emf::kExtCreatePen: {
                const std::uint32_t style = u32At(r, 28);
                const bool geometric = (style & 0x10000) != 0;
                Pen pen{static_cast<int>(style & 0xFFFF), geometric ? std::fabs(i32(32)) : 0,
                        u32At(r, 40)};
                if (u32At(r, 36) == 1) pen.style = 5;  // a pen of no brush draws nothing
                player.createAt(u32At(r, 8), pen);
                break;
            }
            case emf::kCreateBrushIndirect:
                player.createAt(u32At(r, 8), Brush{static_cast<int>(u32At(r, 12)), u32At(r, 16),
                                                   static_cast<int>(u32At(r, 20)), nullptr});
                break;
            case emf::kCreateMonoBrush:
            case emf::kCreateDibPatternBrushPt: {
                Brush br{3, 0x808080, 0, nullptr};
                br.pattern = player.bitmap(
                    emfDib(r, u32At(r, 16), u32At(r, 20), u32At(r, 24), u32At(r, 28)));
                if (!br.pattern) br.style = 0;
                player.createAt(u32At(r, 8), br);
                break;
            }
            case emf::kCreatePalette:
                player.createAt(u32At(r, 8), Other{});
                break;
            case emf::kExtCreateFontIndirectW:
                player.createAt(u32At(r, 8), logFont(r, 12, true));
                break;
            case emf::kSetTextColor:
                st.textColor = u32At(r, 8);
                break;
            case emf::kSetTextAlign:
                st.textAlign = u32At(r, 8);
                break;
            case emf::kExtTextOutA:
            case emf::kExtTextOutW: {
                const std::uint32_t count = u32At(r, 44), offString = u32At(r, 48),
                                    options = u32At(r, 52), offDx = u32At(r, 72);
                const std::size_t unit = type == emf::kExtTextOutW ? 2 : 1;
                if (offString > r.size() || count > (r.size() - offString) / unit)
                    fail("text past the record");
                std::u32string chars;
                if (type == emf::kExtTextOutW) {
                    for (std::uint32_t i = 0; i < count; ++i) {
                        const char32_t c = u16At(r, offString + 2 * i);
                        chars.push_back(c >= 0xD800 && c < 0xE000 ? U'?' : c);
                    }
                } else {
                    chars = decodeText(r.subspan(offString, count), codePage(st.font));
                }
                std::vector<double> dx;
                if (offDx > 0 && offDx <= r.size() && count <= (r.size() - offDx) / 4 &&
                    chars.size() == count) {
                    for (std::uint32_t i = 0; i < count; ++i) dx.push_back(i32(offDx + 4 * i));
                }
                double rect[4] = {i32(56), i32(60), i32(64), i32(68)};
                player.text({i32(36), i32(40)}, chars, dx, (options & 2) ? rect : nullptr);
                break;
            }
            case emf::kEllipse:
            case emf::kRectangle:
                if (!player.begin()) break;
                if (type == emf::kRectangle) {
                    cairo_rectangle(cr, i32(8), i32(12), i32(16) - i32(8), i32(20) - i32(12));
                } else {
                    player.ellipsePath(i32(8), i32(12), i32(16), i32(20));
                }
                player.finish(true, true);
                break;
            case emf::kRoundRect:
                if (!player.begin()) break;
                player.roundRectPath(i32(8), i32(12), i32(16), i32(20), i32(24), i32(28));
                player.finish(true, true);
                break;
            case emf::kArc:
            case emf::kChord:
            case emf::kPie: {
                if (!player.begin()) break;
                const int kind = type == emf::kArc ? 0 : type == emf::kPie ? 1 : 2;
                player.arcPath(i32(8), i32(12), i32(16), i32(20), {i32(24), i32(28)},
                               {i32(32), i32(36)}, kind);
                player.finish(kind != 0, true);
                break;
            }
            case emf::kPolyBezier:
            case emf::kPolygon:
            case emf::kPolyline:
            case emf::kPolyBezierTo:
            case emf::kPolylineTo:
            case emf::kPolyBezier16:
            case emf::kPolygon16:
            case emf::kPolyline16:
            case emf::kPolyBezierTo16:
            case emf::kPolylineTo16: {
                const bool small = type >= emf::kPolyBezier16;
                const std::uint32_t kind = small ? type - (emf::kPolyBezier16 - emf::kPolyBezier)
                                                 : type;  // as the 32-bit records
                const auto pts = emfPoints(r, 28, u32At(r, 24), small, player);
                if (pts.empty()) break;
                const bool to = kind == 5 || kind == 6;
                if (!player.begin()) break;
                std::size_t i = 0;
                if (to) {
                    if (!player.inPath() || !cairo_has_current_point(cr))
                        cairo_move_to(cr, st.current.x, st.current.y);
                } else {
                    cairo_move_to(cr, pts[0].x, pts[0].y);
                    i = 1;
                }
                if (kind == 2 || kind == 5) {
                    for (; i + 3 <= pts.size(); i += 3)
                        cairo_curve_to(cr, pts[i].x, pts[i].y, pts[i + 1].x, pts[i + 1].y,
                                       pts[i + 2].x, pts[i + 2].y);
                } else {
                    for (; i < pts.size(); ++i) cairo_line_to(cr, pts[i].x, pts[i].y);
                }
                if (kind == 3) cairo_close_path(cr);
                if (to) st.current = pts.back();
                player.finish(kind == 3, true);
                break;
            }
            case emf::kPolyPolyline:
            case emf::kPolyPolygon:
            case emf::kPolyPolyline16:
            case emf::kPolyPolygon16: {
                const bool small = type >= emf::kPolyPolyline16;
                const bool polygon = type == emf::kPolyPolygon || type == emf::kPolyPolygon16;
                const std::uint32_t polys = u32At(r, 24);
                if (polys > (r.size() - 32) / 4) fail("polygon count past the record");
                std::size_t pointAt = 32 + 4 * static_cast<std::size_t>(polys);
                std::vector<std::vector<Point>> all;
                for (std::uint32_t i = 0; i < polys; ++i) {
                    const std::uint32_t count = u32At(r, 32 + 4 * static_cast<std::size_t>(i));
                    all.push_back(emfPoints(r, pointAt, count, small, player));
                    pointAt += all.back().size() * (small ? 4 : 8);
                }
                if (!player.begin()) break;
                for (const auto& pts : all) player.polygonPath(pts, polygon);
                player.finish(polygon, true);
                break;
            }
            case emf::kBeginPath:
                player.beginPath();
                break;
            case emf::kEndPath:
                player.endPath();
                break;
            case emf::kCloseFigure:
                if (player.inPath() && cairo_has_current_point(cr)) cairo_close_path(cr);
                break;
            case emf::kFillPath:
                player.usePath(true, false, false);
                break;
            case emf::kStrokeAndFillPath:
                player.usePath(true, true, false);
                break;
            case emf::kStrokePath:
                player.usePath(false, true, false);
                break;
            case emf::kSelectClipPath:
                player.usePath(false, false, true);
                break;
            case emf::kAbortPath:
                player.abortPath();
                break;
            case emf::kIntersectClipRect:
                player.intersectClip(i32(8), i32(12), i32(16), i32(20));
                break;
            case emf::kExtSelectClipRgn: {
                // A region of device rectangles: replacing the clip (none: no clip) or within it.
                const std::uint32_t cb = u32At(r, 8), mode = u32At(r, 12);
                if (mode == 5 && cb == 0) {
                    player.resetClip();
                    break;
                }
                if ((mode != 1 && mode != 5) || cb < 32 || cb > size - 16) break;
                const std::uint32_t count = u32At(r, 24);
                if (count > (cb - 32) / 16) fail("region past the record");
                player.countPoints(count);
                std::vector<std::array<double, 4>> rects(count);
                for (std::uint32_t i = 0; i < count; ++i) {
                    const std::size_t o = 48 + 16 * static_cast<std::size_t>(i);
                    rects[i] = {i32(o), i32(o + 4), i32(o + 8), i32(o + 12)};
                }
                player.clipToDeviceRects(rects, mode == 5);
                break;
            }
            case emf::kExcludeClipRect:
                player.excludeClip(i32(8), i32(12), i32(16), i32(20));
                break;
            case emf::kBitBlt:
            case emf::kStretchBlt: {
                const int rop = static_cast<int>(u32At(r, 40) >> 16 & 0xFF);
                const double x = i32(24), y = i32(28), w = i32(32), hh = i32(36);
                if (size < 100 || u32At(r, 88) == 0) {
                    player.fillRect(x, y, w, hh, rop);
                    break;
                }
                const auto dib = emfDib(r, u32At(r, 84), u32At(r, 88), u32At(r, 92), u32At(r, 96));
                const double sw = type == emf::kStretchBlt ? i32(100) : w,
                             sh = type == emf::kStretchBlt ? i32(104) : hh;
                player.drawBitmap(dib, i32(44), i32(48), sw, sh, x, y, w, hh, rop);
                break;
            }
            case emf::kStretchDiBits: {
                const auto dib = emfDib(r, u32At(r, 48), u32At(r, 52), u32At(r, 56), u32At(r, 60));
                player.drawBitmap(dib, i32(32), i32(36), i32(40), i32(44), i32(24), i32(28),
                                  i32(72), i32(76), static_cast<int>(u32At(r, 68) >> 16 & 0xFF));
                break;
            }
            case emf::kSetDiBitsToDevice: {
                const auto dib = emfDib(r, u32At(r, 48), u32At(r, 52), u32At(r, 56), u32At(r, 60));
                player.drawBitmap(dib, i32(32), i32(36), i32(40), i32(44), i32(24), i32(28),
                                  i32(40), i32(44), 0xCC);
                break;
            }
            default:
                break;  // text, palettes, regions and comments draw nothing here
        }
    }
}

bool isEmf(std::span<const std::uint8_t> b) {
    return b.size() >= 44 && u32At(b, 0) == emf::kHeader && b[40] == ' ' && b[41] == 'E' &&
           b[42] == 'M' && b[43] == 'F';
}

}  // namespace

std::string metafileSize(std::span<const std::uint8_t> bytes, MetafileSize& size) {
    size = {};
    try {
        if (isEmf(bytes)) {
            const EmfHeader h = emfHeader(bytes);
            size.width = h.inchWidth;
            size.height = h.inchHeight;
            return "";
        }
        const WmfLayout l = wmfLayout(bytes);
        if (l.placeable) {
            size.width = std::fabs(l.right - l.left) / l.inch;
            size.height = std::fabs(l.bottom - l.top) / l.inch;
        }
        return "";
    } catch (const MetafileError& e) {
        return e.what();
    }
}

std::string playMetafile(std::span<const std::uint8_t> bytes, cairo_t* cr, double w, double h,
                         std::uint64_t maxPixels, fonts::FontLibrary* fonts) {
    if (!cr || cairo_status(cr) != CAIRO_STATUS_SUCCESS) return "no surface to draw on";
    if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h)) return "empty frame";
    // The records are drawn onto a scratch picture of the device pixels the frame covers within
    // the clip, so that whatever they ask of Cairo can never leave the caller's context in error.
    double cx0, cy0, cx1, cy1;
    cairo_clip_extents(cr, &cx0, &cy0, &cx1, &cy1);
    cx0 = std::max(cx0, 0.0), cy0 = std::max(cy0, 0.0);
    cx1 = std::min(cx1, w), cy1 = std::min(cy1, h);
    if (!(cx1 > cx0) || !(cy1 > cy0)) return "";
    double dx0 = HUGE_VAL, dy0 = HUGE_VAL, dx1 = -HUGE_VAL, dy1 = -HUGE_VAL;
    for (double x : {cx0, cx1}) {
        for (double y : {cy0, cy1}) {
            double px = x, py = y;
            cairo_user_to_device(cr, &px, &py);
            dx0 = std::min(dx0, px), dy0 = std::min(dy0, py);
            dx1 = std::max(dx1, px), dy1 = std::max(dy1, py);
        }
    }
    if (!std::isfinite(dx0) || !std::isfinite(dy0) || !std::isfinite(dx1) || !std::isfinite(dy1))
        return "";
    const double left = std::floor(dx0), top = std::floor(dy0);
    const double sw = std::ceil(dx1) - left, sh = std::ceil(dy1) - top;
    if (sw < 1 || sh < 1) return "";
    if (sw > kMaxPictureSide || sh > kMaxPictureSide ||
        sw * sh > static_cast<double>(kMaxPicturePixels))
        return "metafile: drawn too large";
    Surface scratch(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(sw),
                                               static_cast<int>(sh)));
    if (cairo_surface_status(scratch.get()) != CAIRO_STATUS_SUCCESS)
        return "metafile: no memory for the picture";
    cairo_t* sc = cairo_create(scratch.get());
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_translate(sc, -left, -top);
    cairo_transform(sc, &m);
    std::string problem;
    try {
        const bool emf = isEmf(bytes);
        Player player(sc, w, h, maxPixels, emf, fonts);
        if (emf) {
            playEmf(bytes, player);
        } else {
            playWmf(bytes, player);
        }
    } catch (const MetafileError& e) {
        problem = std::string("metafile: ") + e.what();
    }
    if (problem.empty() && cairo_status(sc) != CAIRO_STATUS_SUCCESS)
        problem = std::string("metafile: ") + cairo_status_to_string(cairo_status(sc));
    cairo_destroy(sc);
    if (!problem.empty()) return problem;
    cairo_surface_flush(scratch.get());
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_source_surface(cr, scratch.get(), left, top);
    cairo_paint(cr);
    cairo_restore(cr);
    return "";
}

std::string checkMetafile(std::span<const std::uint8_t> bytes, double w, double h,
                          std::uint64_t maxPixels) {
    // The clip leaves one pixel to fill: the records go through the same calls, paths and
    // transforms, and Cairo's state is checked as when drawing, at a fraction of the cost.
    Surface one(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
    if (cairo_surface_status(one.get()) != CAIRO_STATUS_SUCCESS)
        return "metafile: no memory for the picture";
    cairo_t* cr = cairo_create(one.get());
    std::string problem = playMetafile(bytes, cr, w, h, maxPixels);
    cairo_destroy(cr);
    return problem;
}

}  // namespace quillet::pptx::render
