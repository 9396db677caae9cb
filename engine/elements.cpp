// Element building: the dispatch by host shape type, the autoshape, line and freeform builders
// that define vector shapes, groups as sprites, and the picture route for everything else.
#include "engine/elements.h"

#include <algorithm>
#include <cmath>

#include "engine/elements_internal.h"
#include "engine/texts.h"
#include "swf/display_list.h"
#include "swf/sprites_buttons.h"

namespace quillet::engine {

using transform::FSArray;
using transform::FSBitmapFill;
using transform::FSBounds;
using transform::FSColorTransform;
using transform::FSDefineMovieClip;
using transform::FSDefineShape;
using transform::FSDefineShape2;
using transform::FSDefineShape3;
using transform::FSFillStyle;
using transform::FSGradientFill;
using transform::FSLineStyle;
using transform::FSMovieObject;
using transform::FSPlaceObject2;
using transform::FSShape;
using transform::FSShowFrame;
using transform::FSSolidFill;
using transform::FSSolidLine;

namespace {

// Groups inside groups deeper than this are drawn as one picture.
constexpr int kDeepestGroup = 16;
// Identifiers a table's parts leave for the rest of the movie (texts, fonts, controls).
constexpr int kSpareIdentifiers = 2000;

using ElementList = std::vector<std::unique_ptr<Element>>;

bool opaque(const FSArray<FSFillStyle>& fills, const FSArray<FSLineStyle>& lines) {
    for (std::size_t i = 0; i < fills.size(); ++i) {
        if (auto* solid = dynamic_cast<const FSSolidFill*>(&fills[i])) {
            if (solid->getColor().getAlpha() != 255) return false;
        } else if (auto* gradient = dynamic_cast<const FSGradientFill*>(&fills[i])) {
            for (const auto& stop : gradient->getGradients()) {
                if (stop.getColor().getAlpha() != 255) return false;
            }
        }
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto* solid = dynamic_cast<const FSSolidLine*>(&lines[i])) {
            if (solid->getColor().getAlpha() != 255) return false;
        }
    }
    return true;
}

// The element's fill as a fill style of the movie: its colour or gradient, or the host's picture
// of a picture, texture or pattern fill as a bitmap fill. Null when it has no movie form.
std::unique_ptr<FSFillStyle> elementFill(ConversionJob& job, const Element& element) {
    if (!element.fill) return nullptr;
    const int W = toTwips(element.width), H = toTwips(element.height);
    if (auto fill = convertFill(*element.fill, W, H, -1)) return fill;
    return bitmapFill(job, *element.fill, W, H);
}

int weightTwips(const Element& element) {
    return std::clamp(toTwips(element.outlineWeight), 0, 65535);
}

// A filled autoshape as vector records; an outlined one without fill too (drawn as its outline).
// False when there is nothing to draw, the fill has no movie form, or the kind has no outline.
// flipsDrawn: the outline came from the host's path, which has the shape's flips in it.
bool buildAutoShape(ConversionJob& job, Element& element, bool& fillUnconvertible,
                    bool& flipsDrawn);
bool buildLine(ConversionJob& job, Element& element);
// The host's path of a shape (preset or custom geometry) as vector records with its fill and line.
bool buildPathShape(ConversionJob& job, Element& element, const host::ShapePath& path,
                    bool& fillUnconvertible);
bool buildFreeform(ConversionJob& job, Element& element, bool& fillUnconvertible);
bool buildGroup(ConversionJob& job, const SlideRecord& record, Element& element,
                const host::Shapes& items, int depth);

void buildInto(ConversionJob& job, const SlideRecord& record, ElementList& list, int shapeIndex,
               const std::shared_ptr<host::Shape>& shape, Origin origin, int depth);

bool buildAutoShape(ConversionJob& job, Element& element, bool& fillUnconvertible,
                    bool& flipsDrawn) {
    const auto& shape = *element.hostShape;
    const int kind = shape.autoShapeType();
    if (!keepsTableOutline(kind) && (element.fillVisible || element.outlineVisible)) {
        host::ShapePath path = shape.path();
        if (!path.subPaths.empty()) {
            flipsDrawn = true;
            return buildPathShape(job, element, path, fillUnconvertible);
        }
    }
    if (kind == host::shape_kind::kMixed) {
        return element.fillVisible && buildLine(job, element);
    }
    if (!element.fillVisible && !element.outlineVisible) return false;

    FSArray<FSFillStyle> fills;
    if (element.fillVisible) {
        auto fill = elementFill(job, element);
        if (!fill) {
            fillUnconvertible = true;
            return false;
        }
        fills.add(std::move(fill));
    }
    FSArray<FSLineStyle> lines;
    lines.emplace<FSSolidLine>(weightTwips(element), element.lineColour);

    FSShape outline;
    if (!autoShapeOutline(kind, element.width, element.height, shape.adjustments(),
                          element.outlineVisible ? 1 : 0, element.fillVisible ? 1 : 0, outline)) {
        return false;
    }
    defineElementShape(job, element, std::move(fills), std::move(lines), outline,
                       element.outlineVisible ? weightTwips(element) : 0);
    return true;
}

bool buildPathShape(ConversionJob& job, Element& element, const host::ShapePath& path,
                    bool& fillUnconvertible) {
    std::unique_ptr<FSFillStyle> fill;
    if (element.fillVisible) {
        fill = elementFill(job, element);
        if (!fill) {
            fillUnconvertible = true;
            return false;
        }
    }
    // The path comes mirrored by the shape's flips; a gradient or picture mirrors with it, as
    // the host draws the fill in the flipped box.
    auto* gradient = dynamic_cast<FSGradientFill*>(fill.get());
    auto* bitmap = dynamic_cast<FSBitmapFill*>(fill.get());
    const bool flipX = element.hostShape->horizontalFlip() == host::kTrue;
    const bool flipY = element.hostShape->verticalFlip() == host::kTrue;
    if ((gradient || bitmap) && (flipX || flipY)) {
        const auto& placed = gradient ? gradient->getTransform() : bitmap->getTransform();
        transform::FSCoordTransform::Matrix m;
        std::copy(&placed.getMatrix()[0][0], &placed.getMatrix()[0][0] + 9, &m[0][0]);
        if (flipX) {
            m[0][0] = -m[0][0], m[0][1] = -m[0][1];
            m[0][2] = static_cast<float>(toTwips(element.width)) - m[0][2];
        }
        if (flipY) {
            m[1][0] = -m[1][0], m[1][1] = -m[1][1];
            m[1][2] = static_cast<float>(toTwips(element.height)) - m[1][2];
        }
        if (gradient) {
            gradient->setTransform(transform::FSCoordTransform(m));
        } else {
            bitmap->setTransform(transform::FSCoordTransform(m));
        }
    }
    const FSSolidLine line(weightTwips(element), element.lineColour);
    PathLook look;
    look.fill = fill.get();
    look.line = element.outlineVisible ? &line : nullptr;
    look.lineWidth = weightTwips(element);
    look.lineColour = element.lineColour;
    if (auto format = element.hostShape->line()) {
        look.dashStyle = format->dashStyle();
        look.begin = {format->beginArrowheadStyle(), format->beginArrowheadLength(),
                      format->beginArrowheadWidth()};
        look.end = {format->endArrowheadStyle(), format->endArrowheadLength(),
                    format->endArrowheadWidth()};
    }
    FSArray<FSFillStyle> fills;
    FSArray<FSLineStyle> lines;
    FSShape outline;
    if (!pathOutline(path, element.left, element.top, look, fills, lines, outline)) return false;
    defineElementShape(job, element, std::move(fills), std::move(lines), outline,
                       element.outlineVisible ? weightTwips(element) : 0);
    return true;
}

bool buildLine(ConversionJob& job, Element& element) {
    const auto& shape = *element.hostShape;
    auto format = shape.line();
    if (!format || !element.outlineVisible) return false;
    const std::vector<host::ShapeNode> nodes = shape.nodes();
    Point from, to;
    if (nodes.size() >= 2) {
        from = {toTwips(static_cast<double>(nodes[0].x) - element.left),
                toTwips(static_cast<double>(nodes[0].y) - element.top)};
        to = {toTwips(static_cast<double>(nodes[1].x) - element.left),
              toTwips(static_cast<double>(nodes[1].y) - element.top)};
    } else if (shape.type() == host::shape_type::kLine) {
        // A line without nodes runs across its box, corner to corner as its flips say.
        const int W = toTwips(element.width), H = toTwips(element.height);
        from = {0, 0}, to = {W, H};
        if (shape.horizontalFlip() == host::kTrue) std::swap(from.x, to.x);
        if (shape.verticalFlip() == host::kTrue) std::swap(from.y, to.y);
    } else {
        return false;
    }

    LineLook look;
    look.weightPoints = std::isfinite(element.outlineWeight)
                            ? std::clamp(element.outlineWeight, 0.0f, 1000.0f)
                            : 0.0f;
    look.lineStyle = format->style();
    look.dashStyle = format->dashStyle();
    look.beginArrowhead = format->beginArrowheadStyle();
    look.endArrowhead = format->endArrowheadStyle();

    FSArray<FSFillStyle> fills;
    fills.emplace<FSSolidFill>(element.lineColour);
    FSArray<FSLineStyle> lines;
    lines.emplace<FSSolidLine>(1, element.lineColour);
    lines.emplace<FSSolidLine>(weightTwips(element), element.lineColour);
    FSShape outline;
    lineOutline(from, to, look, outline);
    defineElementShape(job, element, std::move(fills), std::move(lines), outline,
                       weightTwips(element));
    return true;
}

bool buildFreeform(ConversionJob& job, Element& element, bool& fillUnconvertible) {
    const auto& shape = *element.hostShape;
    if (!element.fillVisible && !element.outlineVisible) return false;
    // The host's path keeps what the nodes lose: which figures are filled, shaded or stroked.
    host::ShapePath path = shape.path();
    if (!path.subPaths.empty()) return buildPathShape(job, element, path, fillUnconvertible);
    FSArray<FSFillStyle> fills;
    if (element.fillVisible) {
        auto fill = elementFill(job, element);
        if (!fill) {
            fillUnconvertible = true;
            return false;
        }
        fills.add(std::move(fill));
    }
    FSArray<FSLineStyle> lines;
    lines.emplace<FSSolidLine>(weightTwips(element), element.lineColour);
    FSShape outline;
    if (!freeformOutline(shape.nodes(), shape.vertexCount(), element.left, element.top,
                         element.outlineVisible ? 1 : 0, element.fillVisible ? 1 : 0, outline)) {
        return false;
    }
    defineElementShape(job, element, std::move(fills), std::move(lines), outline,
                       element.outlineVisible ? weightTwips(element) : 0);
    return true;
}

// The items are the caller's: a table or chart builds its parts on each call to groupItems.
bool buildGroup(ConversionJob& job, const SlideRecord& record, Element& element,
                const host::Shapes& items, int depth) {
    if (depth >= kDeepestGroup) return false;
    const Origin origin{element.left, element.top};
    const int count = items.count();
    for (int i = 1; i <= count; ++i) {
        auto member = items.item(i);
        if (!member) continue;
        // Members get numbers of their own, so their pictures never take another shape's name.
        const auto number = (static_cast<long long>(element.shapeIndex) * 1000 + i) % 1000000000;
        buildInto(job, record, element.members, static_cast<int>(number), member, origin,
                  depth + 1);
    }
    if (element.members.empty()) return true;  // nothing to show; not a failure
    FSArray<FSMovieObject> list;
    for (std::size_t i = 0; i < element.members.size(); ++i) {
        const Element& member = *element.members[i];
        list.emplace<FSPlaceObject2>(FSPlaceObject2::New, member.characterId,
                                     static_cast<int>(i) + 1, member.transform, FSColorTransform());
    }
    list.emplace<FSShowFrame>();
    const int id = job.newIdentifier();
    job.movie.add(std::make_unique<FSDefineMovieClip>(id, std::move(list)));
    element.characterId = id;
    return true;
}

// Effects the movie has no vector form for (blurred shadows, ...) keep the shape a picture; a
// hard shadow does not. So does a stroke that no one colour shows (the format's lines are of one
// colour): a gradient, pattern or picture along the outline.
bool drawnAsPicture(const host::Shape& shape) {
    if (shape.effects().raster) return true;
    const auto line = shape.line();
    return line && line->visible() == host::kTrue && line->fillType() != host::fill_type::kSolid;
}

void buildInto(ConversionJob& job, const SlideRecord& record, ElementList& list, int shapeIndex,
               const std::shared_ptr<host::Shape>& shape, Origin origin, int depth) {
    if (!shape) return;
    // A hidden shape is not shown in the slide show.
    if (shape->visible() == host::kFalse) return;
    const int type = shape->type();
    auto add = [&list](std::unique_ptr<Element> element) { list.push_back(std::move(element)); };
    auto picture = [&](std::unique_ptr<Element> element, bool asPng) {
        if (buildPictureElement(job, record, *element, asPng, origin)) add(std::move(element));
    };

    // The text of a shape: an element of its own above the shape's body.
    auto addText = [&] {
        auto text = readElement(job, record, shapeIndex, shape);
        if (buildTextElement(job, *text)) {
            placeVectorElement(*text, origin, false);
            add(std::move(text));
        }
    };
    // The body of a shape with text: its outline and fill as vector records, or as a picture
    // that leaves the text out.
    auto addBody = [&] {
        auto element = readElement(job, record, shapeIndex, shape);
        element->textDrawnApart = hasTextToBuild(*shape);
        if (drawnAsPicture(*shape)) {
            if (element->outlineVisible || element->fillVisible) picture(std::move(element), true);
            return;
        }
        bool fillUnconvertible = false, flipsDrawn = false;
        const int kind = shape->autoShapeType();
        if (buildAutoShape(job, *element, fillUnconvertible, flipsDrawn)) {
            placeVectorElement(*element, origin, !flipsDrawn && kind != host::shape_kind::kMixed);
            placeHardShadow(job, *element);
            add(std::move(element));
        } else if ((fillUnconvertible || !isVectorKind(kind)) &&
                   (element->outlineVisible || element->fillVisible)) {
            picture(std::move(element), true);
        }
    };

    // A group, a table (its cells and borders) or a chart (its recorded drawing) as a sprite of
    // its members. The members stand where they land, turned and flipped with a group already, a
    // table or chart unturned as drawn: the sprite is only moved. Members that would bring the
    // movie near the limit of its 16-bit identifiers (each takes a few: its shape, its text, a
    // sprite for text with lines) leave the whole to one picture. False when not built.
    auto addMembers = [&](Element& element) {
        const auto items = shape->groupItems();
        const long long needed = items ? 4ll * items->count() : 0;
        if (!items ||
            job.movie.getIdentifier() + needed >= kMaximumIdentifier - kSpareIdentifiers ||
            !buildGroup(job, record, element, *items, depth)) {
            return false;
        }
        if (element.characterId == 0) return true;  // nothing to show
        element.transform = placement(toTwips(static_cast<double>(element.left) - origin.left),
                                      toTwips(static_cast<double>(element.top) - origin.top),
                                      toTwips(element.width), toTwips(element.height), 0.0f,
                                      element.pictureScale, false, false);
        return true;
    };
    auto addGroup = [&] {
        auto element = readElement(job, record, shapeIndex, shape);
        if (!addMembers(*element)) return false;
        if (element->characterId != 0) add(std::move(element));
        return true;
    };

    switch (type) {
        case host::shape_type::kChart: {
            if (addGroup()) return;
            auto element = readElement(job, record, shapeIndex, shape);
            const bool png = pictureAsPng(*element);
            picture(std::move(element), png);
            return;
        }
        case host::shape_type::kAutoShape:
        case host::shape_type::kTextBox: {
            addBody();
            addText();
            return;
        }
        case host::shape_type::kFreeform: {
            auto element = readElement(job, record, shapeIndex, shape);
            element->textDrawnApart = hasTextToBuild(*shape);
            bool fillUnconvertible = false;
            if (drawnAsPicture(*shape)) {
                if (element->outlineVisible || element->fillVisible) {
                    picture(std::move(element), true);
                }
            } else if (buildFreeform(job, *element, fillUnconvertible)) {
                placeVectorElement(*element, origin, false);
                placeHardShadow(job, *element);
                add(std::move(element));
            } else if (fillUnconvertible) {
                picture(std::move(element), true);
            }
            // A freeform's text is not left out either.
            addText();
            return;
        }
        case host::shape_type::kGroup:
        case host::shape_type::kTable: {
            const std::size_t under = list.size();
            if (addGroup()) {
                // The group's own effects (of its members together) go under its members; one
                // picture of the whole group holds them already.
                if (type == host::shape_type::kGroup && shape->effects().raster) {
                    auto effects = readElement(job, record, shapeIndex, shape);
                    effects->effectsAlone = true;
                    if (buildPictureElement(job, record, *effects, true, origin)) {
                        list.insert(list.begin() + static_cast<std::ptrdiff_t>(under),
                                    std::move(effects));
                    }
                }
                return;
            }
            picture(readElement(job, record, shapeIndex, shape), true);
            return;
        }
        case host::shape_type::kLine: {
            auto element = readElement(job, record, shapeIndex, shape);
            if (drawnAsPicture(*shape)) {
                if (element->outlineVisible) picture(std::move(element), true);
            } else if (buildLine(job, *element)) {
                placeVectorElement(*element, origin, false);
                placeHardShadow(job, *element);
                add(std::move(element));
            }
            return;
        }
        case host::shape_type::kPlaceholder: {
            // Masters' placeholders only stand in for the slides' own.
            if (record.index < 0) return;
            // A placeholder with text: its fill and outline when it has them, then the text.
            if (hasTextToBuild(*shape)) {
                addBody();
                addText();
                return;
            }
            auto element = readElement(job, record, shapeIndex, shape);
            // One drawn by its geometry alone, without a picture in it: its outline and fill.
            if ((element->fillVisible || element->outlineVisible) && !shape->picture() &&
                !shape->path().subPaths.empty()) {
                addBody();
                return;
            }
            // A chart in a placeholder.
            if (addGroup()) return;
            const bool png = pictureAsPng(*element);
            picture(std::move(element), png);
            return;
        }
        default: {
            auto element = readElement(job, record, shapeIndex, shape);
            const bool png = pictureAsPng(*element);
            picture(std::move(element), png);
            return;
        }
    }
}

}  // namespace

std::unique_ptr<Element> readElement(ConversionJob& job, const SlideRecord& record, int shapeIndex,
                                     const std::shared_ptr<host::Shape>& shape) {
    auto element = std::make_unique<Element>();
    element->job = &job;
    element->slideIndex = record.index;
    element->shapeIndex = shapeIndex;
    element->hostShape = shape;
    auto finite = [](float v) { return std::isfinite(v) ? v : 0.0f; };
    element->left = finite(shape->left());
    element->top = finite(shape->top());
    element->width = std::max(finite(shape->width()), 0.0f);
    element->height = std::max(finite(shape->height()), 0.0f);
    element->bounds = FSBounds(-toTwips(element->left), -toTwips(element->top),
                               job.frameBounds.getWidth(), job.frameBounds.getHeight());
    if (auto line = shape->line()) {
        element->outlineVisible = line->visible() == host::kTrue;
        element->outlineWeight = std::max(finite(line->weight()), 0.0f);
        element->lineColour =
            colourFromRgb(line->foreColorRgb(), alphaFromTransparency(line->transparency()));
    }
    element->fill = shape->fill();
    element->fillVisible = element->fill && element->fill->visible() == host::kTrue;
    return element;
}

void defineElementShape(ConversionJob& job, Element& element, FSArray<FSFillStyle> fills,
                        FSArray<FSLineStyle> lines, const FSShape& shape, int widestLine) {
    // The shadow lies under the shape: it is defined first.
    defineHardShadow(job, element, fills, lines, shape, widestLine);
    element.characterId = defineShapeCharacter(job, element.bounds, std::move(fills),
                                               std::move(lines), shape, widestLine);
}

int defineShapeCharacter(ConversionJob& job, const FSBounds& frame, FSArray<FSFillStyle> fills,
                         FSArray<FSLineStyle> lines, const FSShape& shape, int widestLine) {
    FSBounds bounds = frame;
    FSBounds extent;
    if (outlineExtent(shape, widestLine, extent)) {
        bounds = FSBounds(std::min(bounds.getMinX(), extent.getMinX()),
                          std::min(bounds.getMinY(), extent.getMinY()),
                          std::max(bounds.getMaxX(), extent.getMaxX()),
                          std::max(bounds.getMaxY(), extent.getMaxY()));
    }
    const int id = job.newIdentifier();
    // Layers (style records with lists of their own) need the second form or later.
    bool layered = false, layersOpaque = true;
    const auto& objects = shape.getObjects();
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (objects[i].getType() != transform::FSShapeObject::Style) continue;
        const auto& style = static_cast<const transform::FSShapeStyle&>(objects[i]);
        if (!style.containsStyles()) continue;
        layered = true;
        layersOpaque = layersOpaque && opaque(style.getFillStyles(), style.getLineStyles());
    }
    if (layered && layersOpaque && opaque(fills, lines)) {
        job.movie.add(std::make_unique<FSDefineShape2>(id, bounds, std::move(fills),
                                                       std::move(lines), shape));
    } else if (!layered && opaque(fills, lines)) {
        job.movie.add(
            std::make_unique<FSDefineShape>(id, bounds, std::move(fills), std::move(lines), shape));
    } else {
        job.movie.add(std::make_unique<FSDefineShape3>(id, bounds, std::move(fills),
                                                       std::move(lines), shape));
    }
    return id;
}

void placeVectorElement(Element& element, Origin origin, bool withFlips) {
    const auto& shape = *element.hostShape;
    const int tx =
        toTwips(static_cast<double>(element.left) - origin.left) - element.outlineOffsetX;
    const int ty = toTwips(static_cast<double>(element.top) - origin.top) - element.outlineOffsetY;
    float rotation = shape.rotation();
    if (!std::isfinite(rotation)) rotation = 0;
    if (element.textTurn != 0) rotation = std::fmod(rotation + element.textTurn, 360.0f);
    const bool flipX = withFlips && shape.horizontalFlip() == host::kTrue;
    const bool flipY = withFlips && shape.verticalFlip() == host::kTrue;
    element.transform = placement(tx, ty, toTwips(element.width), toTwips(element.height), rotation,
                                  element.pictureScale, flipX, flipY);
}

void buildSlideElements(ConversionJob& job, SlideRecord& record) {
    if (!record.shapes) return;
    const int count = record.shapes->count();
    for (int i = 1; i <= count; ++i) buildShape(job, record, i, record.shapes->item(i));
}

void buildShape(ConversionJob& job, SlideRecord& record, int shapeIndex,
                const std::shared_ptr<host::Shape>& shape) {
    buildInto(job, record, record.elements, shapeIndex, shape, Origin{}, 0);
}

std::unique_ptr<FSFillStyle> convertFill(const host::Fill* fill, int width, int height,
                                         int bitmapId) {
    if (!fill) return nullptr;
    return convertFill(*fill, width, height, bitmapId);
}

}  // namespace quillet::engine
