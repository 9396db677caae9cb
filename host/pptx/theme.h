// Themes (colour, font and format schemes), the master's colour map, and DrawingML colours with
// their transforms.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/pptx/model.h"
#include "host/pptx/package.h"
#include "host/pptx/xml.h"

namespace quillet::pptx {

struct Theme {
    std::string name;
    std::map<std::string, Color> colors;  // dk1, lt1, dk2, lt2, accent1..6, hlink, folHlink
    std::string majorLatin, majorEastAsian, majorComplex;
    std::string minorLatin, minorEastAsian, minorComplex;
    // Format scheme entries; the nodes live in doc.
    std::vector<pugi::xml_node> fillStyles, lineStyles, backgroundFillStyles;
    std::vector<pugi::xml_node> effectStyles;  // a:effectStyle entries
    std::shared_ptr<pugi::xml_document> doc;
    // The theme part and its relationships: pictures of its style entries are the theme's own.
    std::shared_ptr<const Package> package;
    std::string partName;
    std::map<std::string, Relationship> rels;
};

Theme readTheme(std::shared_ptr<pugi::xml_document> doc);
// The base theme with what a theme override part (a:themeOverride, kept with charts pasted with
// their own look) replaces: its colour, font and format schemes. Anything else leaves the base.
Theme overrideTheme(const Theme& base, std::shared_ptr<pugi::xml_document> doc);
// The theme a deck uses when a master has none: the common default colours and fonts.
Theme defaultTheme();

// Maps bg1, tx1, bg2, tx2 (and the others) to theme colour names.
using ColorMap = std::map<std::string, std::string>;
ColorMap readColorMap(pugi::xml_node clrMap);
ColorMap defaultColorMap();

struct ColorContext {
    const Theme* theme = nullptr;
    const ColorMap* colorMap = nullptr;
    // The colour that stands for phClr inside a style matrix entry.
    std::optional<Color> placeholder;
};

// A scheme colour by name (tx1, accent1, hlink, phClr ...) through the colour map; black when the
// theme lacks it.
Color schemeColor(std::string name, const ColorContext& context);
// Reads a colour element (srgbClr, schemeClr, scrgbClr, hslClr, sysClr, prstClr) with its
// transforms; nullopt for anything else.
std::optional<Color> readColor(pugi::xml_node element, const ColorContext& context);
// The first colour element among node's children.
std::optional<Color> readColorIn(pugi::xml_node node, const ColorContext& context);

// Resolves a theme font reference (+mj-lt, +mn-ea, ...) to a face name; other names pass through.
std::string resolveThemeFont(const std::string& typeface, const Theme* theme);

// Applies one DrawingML colour transform element to a colour; unknown elements leave it as is.
Color applyColorTransform(Color color, pugi::xml_node transform);

}  // namespace quillet::pptx
