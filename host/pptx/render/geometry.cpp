#include "host/pptx/render/geometry.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "host/pptx/xml.h"

namespace quillet::pptx::render {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEmuPerPoint = 12700;
// Angles in guides are 60000ths of a degree.
constexpr double kAngleUnit = 60000.0;
// Anything beyond this is hostile: it keeps sums and products finite.
constexpr double kMaxMagnitude = 1e15;

double finite(double v) {
    if (!std::isfinite(v)) return 0;
    return std::clamp(v, -kMaxMagnitude, kMaxMagnitude);
}

double radians(double angle) {
    return angle / kAngleUnit * kPi / 180;
}

std::vector<std::string_view> split(std::string_view text) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n')) ++i;
        std::size_t j = i;
        while (j < text.size() && text[j] != ' ' && text[j] != '\t' && text[j] != '\n') ++j;
        if (j > i) out.push_back(text.substr(i, j - i));
        i = j;
    }
    return out;
}

std::optional<double> number(std::string_view token) {
    if (token.empty()) return std::nullopt;
    char c = token[0];
    if (!(c == '-' || c == '+' || c == '.' || (c >= '0' && c <= '9'))) return std::nullopt;
    if (c == '+') token.remove_prefix(1);
    double v = 0;
    auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
    if (ec != std::errc() || end != token.data() + token.size()) return std::nullopt;
    return finite(v);
}

}  // namespace

GuideEvaluator::GuideEvaluator(double w, double h) {
    w = finite(std::max(0.0, w));
    h = finite(std::max(0.0, h));
    double ss = std::min(w, h), ls = std::max(w, h);
    auto& v = values_;
    v["w"] = w;
    v["h"] = h;
    v["l"] = 0;
    v["t"] = 0;
    v["r"] = w;
    v["b"] = h;
    v["hc"] = w / 2;
    v["vc"] = h / 2;
    v["ss"] = ss;
    v["ls"] = ls;
    for (int d : {2, 3, 4, 5, 6, 8, 10, 12, 32}) {
        v["wd" + std::to_string(d)] = w / d;
        v["hd" + std::to_string(d)] = h / d;
    }
    for (int d : {2, 4, 6, 8, 16, 32}) v["ssd" + std::to_string(d)] = ss / d;
    v["cd2"] = 10800000;
    v["cd4"] = 5400000;
    v["cd8"] = 2700000;
    v["3cd4"] = 16200000;
    v["3cd8"] = 8100000;
    v["5cd8"] = 13500000;
    v["7cd8"] = 18900000;
}

double GuideEvaluator::value(std::string_view token) const {
    if (auto n = number(token)) return *n;
    auto it = values_.find(token);
    return it == values_.end() ? 0 : it->second;
}

double GuideEvaluator::evaluate(std::string_view formula) const {
    std::vector<std::string_view> t = split(formula);
    if (t.empty()) return 0;
    auto arg = [&](std::size_t i) { return i < t.size() ? value(t[i]) : 0.0; };
    std::string_view op = t[0];
    // A bare value stands for itself.
    if (t.size() == 1) return value(op);
    double x = arg(1), y = arg(2), z = arg(3);
    double r = 0;
    if (op == "val") {
        r = x;
    } else if (op == "*/") {
        r = z == 0 ? 0 : x * y / z;
    } else if (op == "+-") {
        r = x + y - z;
    } else if (op == "+/") {
        r = z == 0 ? 0 : (x + y) / z;
    } else if (op == "?:") {
        r = x > 0 ? y : z;
    } else if (op == "abs") {
        r = std::fabs(x);
    } else if (op == "at2") {
        r = std::atan2(y, x) * 180 / kPi * kAngleUnit;
    } else if (op == "cat2") {
        r = x * std::cos(std::atan2(z, y));
    } else if (op == "sat2") {
        r = x * std::sin(std::atan2(z, y));
    } else if (op == "cos") {
        r = x * std::cos(radians(y));
    } else if (op == "sin") {
        r = x * std::sin(radians(y));
    } else if (op == "tan") {
        r = x * std::tan(radians(y));
    } else if (op == "max") {
        r = std::max(x, y);
    } else if (op == "min") {
        r = std::min(x, y);
    } else if (op == "mod") {
        r = std::sqrt(x * x + y * y + z * z);
    } else if (op == "pin") {
        r = y < x ? x : (y > z ? z : y);
    } else if (op == "sqrt") {
        r = x > 0 ? std::sqrt(x) : 0;
    }
    return finite(r);
}

double GuideEvaluator::define(const std::string& name, std::string_view formula) {
    double v = evaluate(formula);
    values_[name] = v;
    return v;
}

namespace {

// Appends an elliptical arc as cubic curves. Angles are the directions from the ellipse's centre
// (not its parameter), as DrawingML measures them.
void appendArc(std::vector<OutlineSegment>& out, double& cx, double& cy, double wr, double hr,
               double startAngle, double sweepAngle) {
    if (wr <= 0 || hr <= 0) {
        wr = std::max(wr, 0.0);
        hr = std::max(hr, 0.0);
    }
    double st = radians(startAngle);
    double sw = radians(std::clamp(sweepAngle, -21600000.0, 21600000.0));
    if (sw == 0) return;
    auto parameter = [&](double angle) {
        return std::atan2(wr * std::sin(angle), hr * std::cos(angle));
    };
    double t1 = parameter(st);
    double t2 = parameter(st + sw);
    double dt = t2 - t1;
    if (std::fabs(sw) >= 2 * kPi - 1e-9) {
        dt = sw > 0 ? 2 * kPi : -2 * kPi;
    } else if (sw > 0 && dt <= 0) {
        dt += 2 * kPi;
    } else if (sw < 0 && dt >= 0) {
        dt -= 2 * kPi;
    }
    double ox = cx - wr * std::cos(t1);
    double oy = cy - hr * std::sin(t1);
    int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(dt) / (kPi / 2) - 1e-9)));
    double step = dt / pieces;
    double k = 4.0 / 3.0 * std::tan(step / 4);
    double a = t1;
    for (int i = 0; i < pieces; ++i) {
        double b = a + step;
        OutlineSegment s;
        s.kind = OutlineSegment::Cubic;
        s.x[0] = ox + wr * (std::cos(a) - k * std::sin(a));
        s.y[0] = oy + hr * (std::sin(a) + k * std::cos(a));
        s.x[1] = ox + wr * (std::cos(b) + k * std::sin(b));
        s.y[1] = oy + hr * (std::sin(b) - k * std::cos(b));
        s.x[2] = ox + wr * std::cos(b);
        s.y[2] = oy + hr * std::sin(b);
        out.push_back(s);
        a = b;
    }
    cx = ox + wr * std::cos(a);
    cy = oy + hr * std::sin(a);
}

}  // namespace

std::vector<Outline> evaluateGeometry(
    const GeometryData& geometry, double width, double height,
    const std::vector<std::pair<std::string, double>>& overrides) {
    // Guides are evaluated in the file's units (EMU), where formulas with constant lengths mean
    // what their authors meant; the outline is given back in points.
    double w = finite(std::max(0.0, width)) * kEmuPerPoint;
    double h = finite(std::max(0.0, height)) * kEmuPerPoint;
    GuideEvaluator g(w, h);
    std::size_t guides = 0;
    for (const GuideDef& a : geometry.adjust) {
        if (++guides > kMaxGuides) break;
        auto it = std::find_if(overrides.begin(), overrides.end(),
                               [&](const auto& o) { return o.first == a.name; });
        if (it != overrides.end()) {
            g.define(a.name, "val " + std::to_string(finite(it->second)));
        } else {
            g.define(a.name, a.formula);
        }
    }
    for (const GuideDef& d : geometry.guides) {
        if (++guides > kMaxGuides) break;
        g.define(d.name, d.formula);
    }

    std::vector<Outline> out;
    std::size_t commands = 0;
    for (const GeometryPath& p : geometry.paths) {
        Outline o;
        o.fill = p.fill;
        o.stroke = p.stroke;
        double sx = p.w > 0 ? w / p.w : 1;
        double sy = p.h > 0 ? h / p.h : 1;
        double cx = 0, cy = 0;  // current point, shape units
        double startX = 0, startY = 0;
        auto at = [&](const GeometryCommand& c, std::size_t i) { return g.value(c.args[i]); };
        for (const GeometryCommand& c : p.commands) {
            if (++commands > kMaxGeometryCommands) break;
            OutlineSegment s;
            switch (c.kind) {
                case GeometryCommand::MoveTo:
                case GeometryCommand::LineTo:
                    if (c.args.size() < 2) continue;
                    s.kind = c.kind == GeometryCommand::MoveTo ? OutlineSegment::Move
                                                               : OutlineSegment::Line;
                    cx = s.x[0] = at(c, 0) * sx;
                    cy = s.y[0] = at(c, 1) * sy;
                    if (s.kind == OutlineSegment::Move) {
                        startX = cx;
                        startY = cy;
                    }
                    o.segments.push_back(s);
                    break;
                case GeometryCommand::CubicBezTo:
                    if (c.args.size() < 6) continue;
                    s.kind = OutlineSegment::Cubic;
                    for (int i = 0; i < 3; ++i) {
                        s.x[i] = at(c, 2 * i) * sx;
                        s.y[i] = at(c, 2 * i + 1) * sy;
                    }
                    cx = s.x[2];
                    cy = s.y[2];
                    o.segments.push_back(s);
                    break;
                case GeometryCommand::QuadBezTo: {
                    if (c.args.size() < 4) continue;
                    double qx = at(c, 0) * sx, qy = at(c, 1) * sy;
                    double ex = at(c, 2) * sx, ey = at(c, 3) * sy;
                    s.kind = OutlineSegment::Cubic;
                    s.x[0] = cx + 2.0 / 3 * (qx - cx);
                    s.y[0] = cy + 2.0 / 3 * (qy - cy);
                    s.x[1] = ex + 2.0 / 3 * (qx - ex);
                    s.y[1] = ey + 2.0 / 3 * (qy - ey);
                    s.x[2] = cx = ex;
                    s.y[2] = cy = ey;
                    o.segments.push_back(s);
                    break;
                }
                case GeometryCommand::ArcTo:
                    if (c.args.size() < 4) continue;
                    if (o.segments.empty()) {
                        OutlineSegment m;
                        m.kind = OutlineSegment::Move;
                        m.x[0] = cx;
                        m.y[0] = cy;
                        o.segments.push_back(m);
                    }
                    appendArc(o.segments, cx, cy, at(c, 0) * sx, at(c, 1) * sy, at(c, 2), at(c, 3));
                    break;
                case GeometryCommand::Close:
                    s.kind = OutlineSegment::Close;
                    o.segments.push_back(s);
                    cx = startX;
                    cy = startY;
                    break;
            }
        }
        for (OutlineSegment& s : o.segments) {
            for (int i = 0; i < 3; ++i) {
                s.x[i] /= kEmuPerPoint;
                s.y[i] /= kEmuPerPoint;
            }
        }
        out.push_back(std::move(o));
    }
    return out;
}

namespace {

PathFill fillMode(std::string_view v) {
    if (v == "none") return PathFill::None;
    if (v == "lighten") return PathFill::Lighten;
    if (v == "lightenLess") return PathFill::LightenLess;
    if (v == "darken") return PathFill::Darken;
    if (v == "darkenLess") return PathFill::DarkenLess;
    return PathFill::Norm;
}

void readGuides(pugi::xml_node list, std::vector<GuideDef>& out, std::size_t& count) {
    for (pugi::xml_node gd : list.children()) {
        if (!is(gd, "gd")) continue;
        if (++count > kMaxGuides) return;
        out.push_back({strAttr(gd, "name"), strAttr(gd, "fmla")});
    }
}

}  // namespace

GeometryData readCustomGeometry(pugi::xml_node custGeom) {
    GeometryData g;
    std::size_t guides = 0;
    readGuides(child(custGeom, "avLst"), g.adjust, guides);
    readGuides(child(custGeom, "gdLst"), g.guides, guides);
    std::size_t commands = 0;
    constexpr std::int64_t kMaxSize = 1ll << 40;
    for (pugi::xml_node p : child(custGeom, "pathLst").children()) {
        if (!is(p, "path")) continue;
        GeometryPath path;
        path.w = static_cast<double>(std::clamp<std::int64_t>(intAttr(p, "w", 0), 0, kMaxSize));
        path.h = static_cast<double>(std::clamp<std::int64_t>(intAttr(p, "h", 0), 0, kMaxSize));
        path.fill = fillMode(strAttr(p, "fill"));
        path.stroke = boolAttr(p, "stroke").value_or(true);
        for (pugi::xml_node cmd : p.children()) {
            if (cmd.type() != pugi::node_element) continue;
            if (++commands > kMaxGeometryCommands) break;
            std::string_view n = localName(cmd.name());
            GeometryCommand c;
            if (n == "moveTo" || n == "lnTo" || n == "cubicBezTo" || n == "quadBezTo") {
                c.kind = n == "moveTo"       ? GeometryCommand::MoveTo
                         : n == "lnTo"       ? GeometryCommand::LineTo
                         : n == "cubicBezTo" ? GeometryCommand::CubicBezTo
                                             : GeometryCommand::QuadBezTo;
                for (pugi::xml_node pt : cmd.children()) {
                    if (!is(pt, "pt")) continue;
                    c.args.push_back(strAttr(pt, "x"));
                    c.args.push_back(strAttr(pt, "y"));
                }
            } else if (n == "arcTo") {
                c.kind = GeometryCommand::ArcTo;
                for (const char* a : {"wR", "hR", "stAng", "swAng"})
                    c.args.push_back(strAttr(cmd, a));
            } else if (n == "close") {
                c.kind = GeometryCommand::Close;
            } else {
                continue;
            }
            path.commands.push_back(std::move(c));
        }
        g.paths.push_back(std::move(path));
    }
    return g;
}

GeometryData parseGeometryText(std::string_view text) {
    GeometryData g;
    std::size_t i = 0;
    while (i <= text.size()) {
        std::size_t j = text.find(';', i);
        if (j == std::string_view::npos) j = text.size();
        std::vector<std::string_view> t = split(text.substr(i, j - i));
        i = j + 1;
        if (t.empty()) continue;
        std::string_view op = t[0];
        auto rest = [&](std::size_t from) {
            std::string s;
            for (std::size_t k = from; k < t.size(); ++k) {
                if (!s.empty()) s += ' ';
                s += t[k];
            }
            return s;
        };
        auto bad = [&]() {
            throw std::invalid_argument("geometry statement: " + std::string(text.substr(0, 40)) +
                                        " ... " + rest(0));
        };
        if (op == "av" || op == "gd") {
            if (t.size() < 3) bad();
            (op == "av" ? g.adjust : g.guides).push_back({std::string(t[1]), rest(2)});
            continue;
        }
        if (op == "P") {
            GeometryPath p;
            for (std::size_t k = 1; k < t.size(); ++k) {
                std::string_view a = t[k];
                if (a.size() < 2 || a[1] != '=') bad();
                std::string_view v = a.substr(2);
                if (a[0] == 'w') {
                    p.w = number(v).value_or(0);
                } else if (a[0] == 'h') {
                    p.h = number(v).value_or(0);
                } else if (a[0] == 'f') {
                    p.fill = fillMode(v);
                } else if (a[0] == 's') {
                    p.stroke = v != "0";
                } else {
                    bad();
                }
            }
            g.paths.push_back(std::move(p));
            continue;
        }
        if (g.paths.empty()) bad();
        GeometryCommand c;
        std::size_t want = 0;
        if (op == "M") {
            c.kind = GeometryCommand::MoveTo, want = 2;
        } else if (op == "L") {
            c.kind = GeometryCommand::LineTo, want = 2;
        } else if (op == "A") {
            c.kind = GeometryCommand::ArcTo, want = 4;
        } else if (op == "Q") {
            c.kind = GeometryCommand::QuadBezTo, want = 4;
        } else if (op == "C") {
            c.kind = GeometryCommand::CubicBezTo, want = 6;
        } else if (op == "Z") {
            c.kind = GeometryCommand::Close, want = 0;
        } else {
            bad();
        }
        if (t.size() != want + 1) bad();
        for (std::size_t k = 1; k < t.size(); ++k) c.args.emplace_back(t[k]);
        g.paths.back().commands.push_back(std::move(c));
    }
    return g;
}

}  // namespace quillet::pptx::render
