// Fills and outlines: spPr/bgPr fill elements, a:ln, and theme style references (fillRef, lnRef,
// bgRef), with colours resolved through the theme and colour map.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "host/pptx/model.h"
#include "host/pptx/package.h"
#include "host/pptx/theme.h"

namespace quillet::pptx {

// One part and its relationships, for resolving r:id and r:embed references.
struct PartRefs {
    std::shared_ptr<const Package> package;
    std::string partName;
    std::map<std::string, Relationship> rels;

    // Loads the relationships; a broken .rels part leaves the map empty.
    static PartRefs load(std::shared_ptr<const Package> package, const std::string& partName);
    // The internal target part of a relationship, "" when it is missing, external or dangling.
    std::string target(const std::string& id) const;
    std::shared_ptr<MediaPart> media(const std::string& id) const;
};

bool isFillElement(pugi::xml_node node);
// The first fill element among node's children (noFill, solidFill, gradFill, blipFill, pattFill,
// grpFill); null when there is none.
pugi::xml_node findFill(pugi::xml_node node);

// Reads a fill element. grpFill takes groupFill (None when the shape is in no group).
FillData readFill(pugi::xml_node fill, const ColorContext& colors, const PartRefs* refs,
                  const FillData* groupFill = nullptr);

// The colour effects of an a:blip element (lum, grayscl, duotone, biLevel, alphaModFix).
PictureEffects readBlipEffects(pugi::xml_node blip, const ColorContext& colors);

// The outer shadow of an a:effectLst (or a:effectDag); absent when it has none.
ShadowData readOuterShadow(pugi::xml_node effects, const ColorContext& colors);

// The glow of an a:effectLst (or a:effectDag); absent when it has none.
GlowData readGlow(pugi::xml_node effects, const ColorContext& colors);

// The reflection of an a:effectLst (or a:effectDag); absent when it has none.
ReflectionData readReflection(pugi::xml_node effects);

// The soft edges' radius of an a:effectLst (or a:effectDag) in points; 0 when it has none.
float readSoftEdge(pugi::xml_node effects);

// Applies an a:ln element over base.
LineData readLine(pugi::xml_node ln, const ColorContext& colors, const PartRefs* refs,
                  LineData base);

// Theme style references: idx 1.. into the fill, line or background fill lists, phClr the
// reference's own colour. idx 0 means no fill / no line.
FillData styleFill(pugi::xml_node fillRef, const ColorContext& colors, const PartRefs* refs);
LineData styleLine(pugi::xml_node lnRef, const ColorContext& colors, const PartRefs* refs);
FillData backgroundRefFill(pugi::xml_node bgRef, const ColorContext& colors, const PartRefs* refs);

// Reads a p:bg element: bgPr with its fill, or bgRef.
FillData readBackground(pugi::xml_node bg, const ColorContext& colors, const PartRefs* refs);

// The host's view of a fill: type code, gradient style and variant.
struct HostFillCodes {
    int type = 1;
    int gradientStyle = 0;
    int gradientVariant = 0;
};
HostFillCodes hostFillCodes(const FillData& fill);

}  // namespace quillet::pptx
