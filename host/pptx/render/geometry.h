// DrawingML geometry: shape guides (formulas over the shape's size and adjust values) and paths
// written with them, for custom geometry read from a file and for the preset shapes. Evaluation
// gives outlines in points in the shape's own box (0,0 at its top-left corner, before rotation and
// flips).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

namespace quillet::pptx {

// A guide: name and formula ("*/ ss a 100000").
struct GuideDef {
    std::string name;
    std::string formula;
};

struct GeometryCommand {
    enum Kind { MoveTo, LineTo, ArcTo, QuadBezTo, CubicBezTo, Close } kind = MoveTo;
    // Operands: guide names or numbers. Points as x y pairs; an arc as wR hR stAng swAng.
    std::vector<std::string> args;
};

enum class PathFill { None, Norm, Lighten, LightenLess, Darken, DarkenLess };

struct GeometryPath {
    double w = 0, h = 0;  // the path's own coordinate size; 0: the shape's size
    PathFill fill = PathFill::Norm;
    bool stroke = true;
    std::vector<GeometryCommand> commands;
};

// A custom or preset geometry as written.
struct GeometryData {
    std::vector<GuideDef> adjust;  // avLst: defaults the shape may override
    std::vector<GuideDef> guides;  // gdLst
    std::vector<GeometryPath> paths;
};

namespace render {

// Limits that keep hostile geometry bounded.
inline constexpr std::size_t kMaxGuides = 4096;
inline constexpr std::size_t kMaxGeometryCommands = 100000;

// Evaluates guide formulas in order. Names resolve to the built-in guides (w h l t r b hc vc wd2
// ... ss ls ssd2 ... cd2 cd4 3cd4 ...), to earlier guides and to numbers; an unknown name reads 0.
class GuideEvaluator {
  public:
    GuideEvaluator(double width, double height);
    // Evaluates a formula and stores it under name (a later definition replaces an earlier one).
    double define(const std::string& name, std::string_view formula);
    double value(std::string_view token) const;
    // The formula's value without storing it.
    double evaluate(std::string_view formula) const;

  private:
    std::map<std::string, double, std::less<>> values_;
};

struct OutlineSegment {
    enum Kind { Move, Line, Cubic, Close } kind = Move;
    double x[3] = {0, 0, 0};
    double y[3] = {0, 0, 0};
};

struct Outline {
    PathFill fill = PathFill::Norm;
    bool stroke = true;
    std::vector<OutlineSegment> segments;
};

// The outlines of a geometry for a box of width × height points. Adjust values given in
// `overrides` (the shape's avLst, by name) replace the geometry's defaults.
std::vector<Outline> evaluateGeometry(
    const GeometryData& geometry, double width, double height,
    const std::vector<std::pair<std::string, double>>& overrides = {});

// Reads an a:custGeom element. Sizes are clamped, counts limited.
GeometryData readCustomGeometry(pugi::xml_node custGeom);

// A preset geometry by its file name; null when this renderer does not define it. See
// preset_shapes.cpp for the list and the fallback.
const GeometryData* presetGeometry(std::string_view name);
// Every preset name that has a definition (for tests).
std::vector<std::string> presetNames();

// Parses the compact text form used for the preset table: statements separated by ';':
//   "av NAME FORMULA", "gd NAME FORMULA",
//   "P [w=N] [h=N] [f=none|lighten|lightenLess|darken|darkenLess] [s=0]" starts a path,
//   "M x y", "L x y", "A wR hR stAng swAng", "Q x1 y1 x2 y2", "C x1 y1 x2 y2 x3 y3", "Z".
// Throws std::invalid_argument on a malformed statement.
GeometryData parseGeometryText(std::string_view text);

}  // namespace render
}  // namespace quillet::pptx
