// Shape trees (p:spTree) of slides, layouts and masters: shapes, connectors, pictures, graphic
// frames and groups with geometry in points, fills and outlines, text and placeholder inheritance.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/pptx/fills.h"
#include "host/pptx/model.h"
#include "host/pptx/text.h"
#include "host/pptx/theme.h"

namespace quillet::pptx {

// The placeholders of one part, for lookups from the parts that inherit from it.
struct PlaceholderIndex {
    struct Entry {
        pugi::xml_node node;  // p:sp, p:pic or p:graphicFrame
        std::string type;     // ph type, "obj" when absent
        std::int64_t index = -1;
    };
    std::vector<Entry> entries;

    static PlaceholderIndex build(pugi::xml_node spTree);
    // Layout lookup: by index first, then by a compatible type.
    pugi::xml_node find(const std::string& type, std::int64_t index) const;
    // Master lookup: by type family only (title, body, date, footer, slide number, header).
    pugi::xml_node findByType(const std::string& type) const;
};

struct ShapeContext {
    const Theme* theme = nullptr;
    ColorContext colors;
    const PartRefs* refs = nullptr;
    // The parts this tree inherits placeholder properties from; null where there is none (a
    // master has neither, a layout only the master).
    const PlaceholderIndex* layoutPlaceholders = nullptr;
    const PlaceholderIndex* masterPlaceholders = nullptr;
    pugi::xml_node titleStyle, bodyStyle, otherStyle;  // the master's p:txStyles
    pugi::xml_node defaultTextStyle;                   // the presentation's
    const FillData* background = nullptr;              // for shapes that show the background
    pugi::xml_node tableStyles;                        // the package's a:tblStyleLst, if any
    int slideNumber = 0;
    // Where what cannot be read is named (the slide, the shape, the reason); none for masters.
    std::vector<std::string>* warnings = nullptr;
    // What was found wrong with each picture part checked so far ("" for none), by part name.
    std::map<std::string, std::string>* pictureProblems = nullptr;
};

// Reads the shapes of a p:spTree (or p:grpSp) into out, back to front. Hidden shapes are left out.
void readShapeTree(pugi::xml_node spTree, const ShapeContext& context, ShapeList& out);

// Reads the pictures that stand for a slide's ActiveX controls (p:controls): a control written
// with a picture of its own, or an older one whose picture and place are in the slide's VML
// drawing. Appends them to out, in front of the slide's shapes.
void readControls(pugi::xml_node controls, const ShapeContext& context, ShapeList& out);

// A VML length ("156.625pt", "2in", "30px", ...) in points; NaN when it cannot be read.
double vmlLength(std::string_view value);

}  // namespace quillet::pptx
