// Preset geometries and patterns: their names in the file and the host's numbers for them.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quillet::pptx {

// The autoshape kind of a preset geometry name; -2 when the host has no kind for it.
int presetKind(const std::string& preset);

// The host's adjustment values of a preset from the file's avLst guides (name -> value in the
// file's units, 100000 = 1.0) and the shape's size in points: one value per adjustment guide of
// the preset, in the preset's order; missing guides take the preset's defaults, and a preset
// without adjustments has none. Fractions stay fractions (100000 = 1.0) with two exceptions: the
// host measures the offsets of parallelograms, trapezoids, octagons, crosses, cans, cubes and
// hexagons along x in fractions of the width, where the file measures them on the shorter side;
// and callout tips are fractions of the box from its top-left corner, where the file measures
// them from the centre. Angles (arcs, pies, chords, circular arrows) are degrees clockwise in
// -180 .. 180.
std::vector<float> hostAdjustments(const std::string& preset,
                                   const std::map<std::string, long long>& guides, float width,
                                   float height);

// Where a preset lays out its text, in points from the top-left corner of its width × height box:
// the text rectangle of its geometry (the inscribed box of an ellipse, the straight part of a
// rounded rectangle, ...). The whole box for presets whose text rectangle is the box and for those
// not listed.
struct TextRect {
    double left = 0, top = 0, right = 0, bottom = 0;
};
TextRect presetTextRect(const std::string& preset,
                        const std::vector<std::pair<std::string, double>>& adjust, double width,
                        double height);

// Pattern preset name to the host's pattern number (1..54); 0 when unknown.
int patternCode(const std::string& preset);

}  // namespace quillet::pptx
