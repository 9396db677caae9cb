// Vector shapes: the outline records collected in an FSShape, the fill and line styles that paint
// them, and the four shape-defining tags. Shape records are packed bit by bit, so their length is
// counted in bits and moves the coder's cursor as it counts; FSShape saves and restores it.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "swf/basic_types.h"

namespace transform {

// Thrown after a decoding failure has gone to the listener as an error event: the shape tag being
// decoded ends there and the movie moves on to the next tag. Without a tag to catch it, it reads
// as the allocation failure it reports.
class FSDecodingStopped : public FSAllocationException {
  public:
    using FSAllocationException::FSAllocationException;
};

// ---- shape records ----

class FSShapeObject : public FSTransformObject {
  public:
    enum Kind { Line = 0, Curve = 1, Style = 2 };

    int getType() const { return type; }

    // In bits; moves the coder's cursor by the same amount.
    int length(FSOutputStream&) override { return 0; }
    void encode(FSOutputStream&) override {}
    void decode(FSInputStream&) override {}

  protected:
    explicit FSShapeObject(int type) : type(type) {}

    int type;
};

// A straight edge to a point relative to the current one, in twips.
class FSLine : public FSShapeObject {
  public:
    TRANSFORM_OBJECT(FSLine)

    FSLine(int x, int y) : FSShapeObject(Line), x(x), y(y) {}
    explicit FSLine(FSInputStream& coder) : FSShapeObject(Line) { decode(coder); }

    int getX() const { return x; }
    int getY() const { return y; }
    void setX(int value) { x = value; }
    void setY(int value) { y = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    // One edge record; encode writes as many as the edge needs.
    void encodeRecord(FSOutputStream& coder) const;
    bool isGeneral() const { return x != 0 && y != 0; }
    bool isVertical() const { return x == 0 && y != 0; }
    int fieldSize() const;

    int x = 0;
    int y = 0;
};

// A quadratic curve; the control point is relative to the current point and the anchor to the
// control point.
class FSCurve : public FSShapeObject {
  public:
    TRANSFORM_OBJECT(FSCurve)

    FSCurve(int controlX, int controlY, int anchorX, int anchorY)
        : FSShapeObject(Curve),
          controlX(controlX),
          controlY(controlY),
          anchorX(anchorX),
          anchorY(anchorY) {}
    explicit FSCurve(FSInputStream& coder) : FSShapeObject(Curve) { decode(coder); }

    int getControlX() const { return controlX; }
    int getControlY() const { return controlY; }
    int getAnchorX() const { return anchorX; }
    int getAnchorY() const { return anchorY; }
    void setControlX(int value) { controlX = value; }
    void setControlY(int value) { controlY = value; }
    void setAnchorX(int value) { anchorX = value; }
    void setAnchorY(int value) { anchorY = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    // One edge record; encode writes as many as the curve needs.
    void encodeRecord(FSOutputStream& coder) const;
    int fieldSize() const;

    int controlX = 0;
    int controlY = 0;
    int anchorX = 0;
    int anchorY = 0;
};

class FSFillStyle;
class FSLineStyle;

// Changes the styles that paint the following edges, moves the pen, or introduces new style
// lists. Style indexes are 1-based into the current lists, 0 selects none; Default is absent.
class FSShapeStyle : public FSShapeObject {
  public:
    TRANSFORM_OBJECT(FSShapeStyle)

    FSShapeStyle() : FSShapeObject(Style) {}
    FSShapeStyle(int lineStyle, int fillStyle, int altFillStyle, int moveX, int moveY)
        : FSShapeObject(Style),
          moveX(moveX),
          moveY(moveY),
          fillStyle(fillStyle),
          altFillStyle(altFillStyle),
          lineStyle(lineStyle) {}
    explicit FSShapeStyle(FSInputStream& coder) : FSShapeObject(Style) { decode(coder); }

    int getMoveX() const { return moveX; }
    int getMoveY() const { return moveY; }
    int getFillStyle() const { return fillStyle; }
    int getAltFillStyle() const { return altFillStyle; }
    int getLineStyle() const { return lineStyle; }
    void setMoveX(int value) { moveX = value; }
    void setMoveY(int value) { moveY = value; }
    void setMove(int x, int y) { moveX = x, moveY = y; }
    void setFillStyle(int index) { fillStyle = index; }
    void setAltFillStyle(int index) { altFillStyle = index; }
    void setLineStyle(int index) { lineStyle = index; }

    FSArray<FSFillStyle>& getFillStyles() { return fillStyles; }
    const FSArray<FSFillStyle>& getFillStyles() const { return fillStyles; }
    FSArray<FSLineStyle>& getLineStyles() { return lineStyles; }
    const FSArray<FSLineStyle>& getLineStyles() const { return lineStyles; }
    void addFillStyle(std::unique_ptr<FSFillStyle> style) { fillStyles.add(std::move(style)); }
    void addLineStyle(std::unique_ptr<FSLineStyle> style) { lineStyles.add(std::move(style)); }

    // New style lists, which may be empty: a record read from a file can start empty lists.
    bool containsStyles() const { return newStyles || !fillStyles.empty() || !lineStyles.empty(); }
    bool containsLineStyle() const { return lineStyle != Default; }
    bool containsAltFillStyle() const { return altFillStyle != Default; }
    bool containsFillStyle() const { return fillStyle != Default; }
    bool containsMove() const { return moveX != Default && moveY != Default; }
    // A record that changes nothing. Its flags would all be 0, which reads as the end of the
    // shape, so it is not written at all.
    bool isEmpty() const {
        return !containsStyles() && !containsLineStyle() && !containsAltFillStyle() &&
               !containsFillStyle() && !containsMove();
    }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int moveSize() const;

    int moveX = Default;
    int moveY = Default;
    int fillStyle = Default;
    int altFillStyle = Default;
    int lineStyle = Default;
    FSArray<FSFillStyle> fillStyles;
    FSArray<FSLineStyle> lineStyles;
    bool newStyles = false;  // decoded with the new-styles flag
};

// The next record of a shape, or null at the end record (whose 6 bits are consumed).
std::unique_ptr<FSShapeObject> decodeShapeObject(FSInputStream& coder);

// An outline: records in drawing order. Its style index sizes come from the coder's FillSize and
// LineSize slots, set by the owner before length and encode.
class FSShape : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSShape)

    FSShape() = default;
    explicit FSShape(FSArray<FSShapeObject> objects) : objects(std::move(objects)) {}
    explicit FSShape(FSInputStream& coder) { decode(coder); }

    FSArray<FSShapeObject>& getObjects() { return objects; }
    const FSArray<FSShapeObject>& getObjects() const { return objects; }
    void add(std::unique_ptr<FSShapeObject> object) { objects.add(std::move(object)); }
    template <class T, class... A>
    T& emplace(A&&... args) {
        return objects.emplace<T>(std::forward<A>(args)...);
    }

    // In bytes.
    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSArray<FSShapeObject> objects;
};

// ---- fill styles ----

class FSFillStyle : public FSTransformObject {
  public:
    enum Kind {
        Solid = 0x00,
        Linear = 0x10,
        Radial = 0x12,
        FocalRadial = 0x13,  // movies of version 8 and later
        TiledBitmap = 0x40,
        ClippedBitmap = 0x41,
        UnsmoothedTiledBitmap = 0x42,  // version 8 and later
        UnsmoothedClippedBitmap = 0x43,
    };

    int getType() const { return type; }
    void setType(int value) { type = value; }

    // The type byte.
    int length(FSOutputStream&) override { return 1; }
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  protected:
    explicit FSFillStyle(int type) : type(type) {}

    int type;
};

// Builds the fill style whose type byte is at the cursor: the morph forms inside a morph shape
// (the coder's Type slot is 46). An unknown type is reported as an allocation failure.
std::unique_ptr<FSFillStyle> decodeFillStyle(FSInputStream& coder);

class FSSolidFill : public FSFillStyle {
  public:
    TRANSFORM_OBJECT(FSSolidFill)

    explicit FSSolidFill(const FSColor& color) : FSFillStyle(Solid), color(color) {}
    explicit FSSolidFill(FSInputStream& coder) : FSFillStyle(Solid) { decode(coder); }

    const FSColor& getColor() const { return color; }
    void setColor(const FSColor& value) { color = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSColor color;
};

// One colour stop of a gradient; ratio 0 to 255 places it along the gradient.
class FSGradient : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSGradient)

    FSGradient(int ratio, const FSColor& color) : ratio(ratio), color(color) {}
    explicit FSGradient(FSInputStream& coder) { decode(coder); }

    int getRatio() const { return ratio; }
    const FSColor& getColor() const { return color; }
    void setRatio(int value) { ratio = value; }
    void setColor(const FSColor& value) { color = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int ratio = 0;
    FSColor color;
};

class FSGradientFill : public FSFillStyle {
  public:
    TRANSFORM_OBJECT(FSGradientFill)

    FSGradientFill(int type, const FSCoordTransform& transform, std::vector<FSGradient> gradients)
        : FSFillStyle(type), transform(transform), gradients(std::move(gradients)) {}
    explicit FSGradientFill(FSInputStream& coder) : FSFillStyle(Linear) { decode(coder); }

    const FSCoordTransform& getTransform() const { return transform; }
    void setTransform(const FSCoordTransform& value) { transform = value; }
    std::vector<FSGradient>& getGradients() { return gradients; }
    const std::vector<FSGradient>& getGradients() const { return gradients; }
    void add(const FSGradient& gradient) { gradients.push_back(gradient); }
    // From version 8 the count byte's high four bits hold the spread and interpolation modes.
    int getModes() const { return modes; }
    void setModes(int value) { modes = value & 0xF0; }
    // Where the focus of a FocalRadial gradient lies, -1 to 1 along its x axis.
    float getFocalPoint() const { return focalPoint; }
    void setFocalPoint(float value) { focalPoint = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSCoordTransform transform;
    std::vector<FSGradient> gradients;
    int modes = 0;
    float focalPoint = 0.0f;
};

class FSBitmapFill : public FSFillStyle {
  public:
    TRANSFORM_OBJECT(FSBitmapFill)

    FSBitmapFill(int type, int identifier, const FSCoordTransform& transform)
        : FSFillStyle(type), identifier(identifier), transform(transform) {}
    explicit FSBitmapFill(FSInputStream& coder) : FSFillStyle(TiledBitmap) { decode(coder); }

    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }
    const FSCoordTransform& getTransform() const { return transform; }
    void setTransform(const FSCoordTransform& value) { transform = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int identifier = 0;
    FSCoordTransform transform;
};

class FSMorphSolidFill : public FSFillStyle {
  public:
    TRANSFORM_OBJECT(FSMorphSolidFill)

    FSMorphSolidFill(const FSColor& startColor, const FSColor& endColor)
        : FSFillStyle(Solid), startColor(startColor), endColor(endColor) {}
    explicit FSMorphSolidFill(FSInputStream& coder) : FSFillStyle(Solid) { decode(coder); }

    const FSColor& getStartColor() const { return startColor; }
    const FSColor& getEndColor() const { return endColor; }
    void setStartColor(const FSColor& value) { startColor = value; }
    void setEndColor(const FSColor& value) { endColor = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSColor startColor;
    FSColor endColor;
};

// A gradient stop at the start and at the end of a morph.
class FSMorphGradient : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSMorphGradient)

    FSMorphGradient(int startRatio, const FSColor& startColor, int endRatio,
                    const FSColor& endColor)
        : startRatio(startRatio), endRatio(endRatio), startColor(startColor), endColor(endColor) {}
    explicit FSMorphGradient(FSInputStream& coder) { decode(coder); }

    int getStartRatio() const { return startRatio; }
    int getEndRatio() const { return endRatio; }
    const FSColor& getStartColor() const { return startColor; }
    const FSColor& getEndColor() const { return endColor; }
    void setStartRatio(int value) { startRatio = value; }
    void setEndRatio(int value) { endRatio = value; }
    void setStartColor(const FSColor& value) { startColor = value; }
    void setEndColor(const FSColor& value) { endColor = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int startRatio = 0;
    int endRatio = 0;
    FSColor startColor;
    FSColor endColor;
};

class FSMorphGradientFill : public FSFillStyle {
  public:
    TRANSFORM_OBJECT(FSMorphGradientFill)

    FSMorphGradientFill(int type, const FSCoordTransform& startTransform,
                        const FSCoordTransform& endTransform,
                        std::vector<FSMorphGradient> gradients)
        : FSFillStyle(type),
          startTransform(startTransform),
          endTransform(endTransform),
          gradients(std::move(gradients)) {}
    explicit FSMorphGradientFill(FSInputStream& coder) : FSFillStyle(Linear) { decode(coder); }

    const FSCoordTransform& getStartTransform() const { return startTransform; }
    const FSCoordTransform& getEndTransform() const { return endTransform; }
    void setStartTransform(const FSCoordTransform& value) { startTransform = value; }
    void setEndTransform(const FSCoordTransform& value) { endTransform = value; }
    std::vector<FSMorphGradient>& getGradients() { return gradients; }
    const std::vector<FSMorphGradient>& getGradients() const { return gradients; }
    void add(const FSMorphGradient& gradient) { gradients.push_back(gradient); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSCoordTransform startTransform;
    FSCoordTransform endTransform;
    std::vector<FSMorphGradient> gradients;
};

class FSMorphBitmapFill : public FSFillStyle {
  public:
    TRANSFORM_OBJECT(FSMorphBitmapFill)

    FSMorphBitmapFill(int type, int identifier, const FSCoordTransform& startTransform,
                      const FSCoordTransform& endTransform)
        : FSFillStyle(type),
          identifier(identifier),
          startTransform(startTransform),
          endTransform(endTransform) {}
    explicit FSMorphBitmapFill(FSInputStream& coder) : FSFillStyle(TiledBitmap) { decode(coder); }

    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }
    const FSCoordTransform& getStartTransform() const { return startTransform; }
    const FSCoordTransform& getEndTransform() const { return endTransform; }
    void setStartTransform(const FSCoordTransform& value) { startTransform = value; }
    void setEndTransform(const FSCoordTransform& value) { endTransform = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int identifier = 0;
    FSCoordTransform startTransform;
    FSCoordTransform endTransform;
};

// ---- line styles ----

class FSLineStyle : public FSTransformObject {
  public:
    int length(FSOutputStream&) override { return 0; }
    void encode(FSOutputStream&) override {}
    void decode(FSInputStream&) override {}

  protected:
    FSLineStyle() = default;
};

class FSSolidLine : public FSLineStyle {
  public:
    TRANSFORM_OBJECT(FSSolidLine)

    FSSolidLine(int width, const FSColor& color) : width(width), color(color) {}
    explicit FSSolidLine(FSInputStream& coder) { decode(coder); }

    int getWidth() const { return width; }
    const FSColor& getColor() const { return color; }
    void setWidth(int value) { width = value; }
    void setColor(const FSColor& value) { color = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int width = 0;
    FSColor color;
};

class FSMorphSolidLine : public FSLineStyle {
  public:
    TRANSFORM_OBJECT(FSMorphSolidLine)

    FSMorphSolidLine(int startWidth, int endWidth, const FSColor& startColor,
                     const FSColor& endColor)
        : startWidth(startWidth), endWidth(endWidth), startColor(startColor), endColor(endColor) {}
    explicit FSMorphSolidLine(FSInputStream& coder) { decode(coder); }

    int getStartWidth() const { return startWidth; }
    int getEndWidth() const { return endWidth; }
    const FSColor& getStartColor() const { return startColor; }
    const FSColor& getEndColor() const { return endColor; }
    void setStartWidth(int value) { startWidth = value; }
    void setEndWidth(int value) { endWidth = value; }
    void setStartColor(const FSColor& value) { startColor = value; }
    void setEndColor(const FSColor& value) { endColor = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int startWidth = 0;
    int endWidth = 0;
    FSColor startColor;
    FSColor endColor;
};

// ---- shape tags ----

// What the three plain shape tags share; they differ in type code, whether colours carry alpha
// and whether style counts may use the 0xFF escape.
class FSShapeDefinition : public FSDefineObject {
  public:
    const FSBounds& getBounds() const { return bounds; }
    void setBounds(const FSBounds& value) { bounds = value; }
    FSArray<FSFillStyle>& getFillStyles() { return fillStyles; }
    const FSArray<FSFillStyle>& getFillStyles() const { return fillStyles; }
    FSArray<FSLineStyle>& getLineStyles() { return lineStyles; }
    const FSArray<FSLineStyle>& getLineStyles() const { return lineStyles; }
    void addFillStyle(std::unique_ptr<FSFillStyle> style) { fillStyles.add(std::move(style)); }
    void addLineStyle(std::unique_ptr<FSLineStyle> style) { lineStyles.add(std::move(style)); }
    FSShape& getShape() { return shape; }
    const FSShape& getShape() const { return shape; }
    void setShape(const FSShape& value) { shape = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  protected:
    FSShapeDefinition(int type, int identifier, const FSBounds& bounds,
                      FSArray<FSFillStyle> fillStyles, FSArray<FSLineStyle> lineStyles,
                      const FSShape& shape)
        : FSDefineObject(type, identifier),
          bounds(bounds),
          fillStyles(std::move(fillStyles)),
          lineStyles(std::move(lineStyles)),
          shape(shape) {}
    explicit FSShapeDefinition(int type) : FSDefineObject(type, 0) {}

  private:
    bool extendedCounts() const { return type != 2; }
    bool transparentColors() const { return type == 32; }

    FSBounds bounds;
    FSArray<FSFillStyle> fillStyles;
    FSArray<FSLineStyle> lineStyles;
    FSShape shape;
};

class FSDefineShape : public FSShapeDefinition {
  public:
    TRANSFORM_OBJECT(FSDefineShape)

    FSDefineShape(int identifier, const FSBounds& bounds, FSArray<FSFillStyle> fillStyles,
                  FSArray<FSLineStyle> lineStyles, const FSShape& shape)
        : FSShapeDefinition(2, identifier, bounds, std::move(fillStyles), std::move(lineStyles),
                            shape) {}
    explicit FSDefineShape(FSInputStream& coder) : FSShapeDefinition(2) { decode(coder); }
};

// Up to 65535 styles per list.
class FSDefineShape2 : public FSShapeDefinition {
  public:
    TRANSFORM_OBJECT(FSDefineShape2)

    FSDefineShape2(int identifier, const FSBounds& bounds, FSArray<FSFillStyle> fillStyles,
                   FSArray<FSLineStyle> lineStyles, const FSShape& shape)
        : FSShapeDefinition(22, identifier, bounds, std::move(fillStyles), std::move(lineStyles),
                            shape) {}
    explicit FSDefineShape2(FSInputStream& coder) : FSShapeDefinition(22) { decode(coder); }
};

// As FSDefineShape2, with colours that carry alpha.
class FSDefineShape3 : public FSShapeDefinition {
  public:
    TRANSFORM_OBJECT(FSDefineShape3)

    FSDefineShape3(int identifier, const FSBounds& bounds, FSArray<FSFillStyle> fillStyles,
                   FSArray<FSLineStyle> lineStyles, const FSShape& shape)
        : FSShapeDefinition(32, identifier, bounds, std::move(fillStyles), std::move(lineStyles),
                            shape) {}
    explicit FSDefineShape3(FSInputStream& coder) : FSShapeDefinition(32) { decode(coder); }
};

// A shape that a placement's ratio morphs from startShape to endShape; both outlines use the same
// morph styles and must have matching edges.
class FSDefineMorphShape : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineMorphShape)

    FSDefineMorphShape(int identifier, const FSBounds& startBounds, const FSBounds& endBounds,
                       FSArray<FSFillStyle> fillStyles, FSArray<FSLineStyle> lineStyles,
                       const FSShape& startShape, const FSShape& endShape)
        : FSDefineObject(46, identifier),
          startBounds(startBounds),
          endBounds(endBounds),
          fillStyles(std::move(fillStyles)),
          lineStyles(std::move(lineStyles)),
          startShape(startShape),
          endShape(endShape) {}
    explicit FSDefineMorphShape(FSInputStream& coder) : FSDefineObject(46, 0) { decode(coder); }

    const FSBounds& getStartBounds() const { return startBounds; }
    const FSBounds& getEndBounds() const { return endBounds; }
    void setStartBounds(const FSBounds& value) { startBounds = value; }
    void setEndBounds(const FSBounds& value) { endBounds = value; }
    FSArray<FSFillStyle>& getFillStyles() { return fillStyles; }
    const FSArray<FSFillStyle>& getFillStyles() const { return fillStyles; }
    FSArray<FSLineStyle>& getLineStyles() { return lineStyles; }
    const FSArray<FSLineStyle>& getLineStyles() const { return lineStyles; }
    void addFillStyle(std::unique_ptr<FSFillStyle> style) { fillStyles.add(std::move(style)); }
    void addLineStyle(std::unique_ptr<FSLineStyle> style) { lineStyles.add(std::move(style)); }
    FSShape& getStartShape() { return startShape; }
    const FSShape& getStartShape() const { return startShape; }
    FSShape& getEndShape() { return endShape; }
    const FSShape& getEndShape() const { return endShape; }
    void setStartShape(const FSShape& value) { startShape = value; }
    void setEndShape(const FSShape& value) { endShape = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSBounds startBounds;
    FSBounds endBounds;
    FSArray<FSFillStyle> fillStyles;
    FSArray<FSLineStyle> lineStyles;
    FSShape startShape;
    FSShape endShape;
    // Set by length when edges too long for one record are cut: the shapes encode writes.
    std::shared_ptr<std::pair<FSShape, FSShape>> edgePieces;
};

}  // namespace transform
