// The value records that nearly every tag embeds: rectangles, colours, coordinate and colour
// transforms. Coordinates are in twips (1/20 pixel).
#pragma once

#include "swf/object.h"

namespace transform {

// Marks an optional integer field as absent throughout the library.
inline constexpr int Default = static_cast<int>(0x80000001);

// The SWF RECT record.
class FSBounds : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSBounds)

    FSBounds() = default;
    FSBounds(int minX, int minY, int maxX, int maxY)
        : minX(minX), minY(minY), maxX(maxX), maxY(maxY) {}
    explicit FSBounds(FSInputStream& coder) { decode(coder); }

    int getMinX() const { return minX; }
    int getMinY() const { return minY; }
    int getMaxX() const { return maxX; }
    int getMaxY() const { return maxY; }
    void setMinX(int v) { minX = v, readSize = 0; }
    void setMinY(int v) { minY = v, readSize = 0; }
    void setMaxX(int v) { maxX = v, readSize = 0; }
    void setMaxY(int v) { maxY = v, readSize = 0; }
    int getWidth() const { return maxX - minX; }
    int getHeight() const { return maxY - minY; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

    bool operator==(const FSBounds& o) const {
        return minX == o.minX && minY == o.minY && maxX == o.maxX && maxY == o.maxY;
    }

  private:
    int fieldSize() const;

    int minX = 0;
    int minY = 0;
    int maxX = 0;
    int maxY = 0;
    // The field width a file used, which may be wider than needed: kept so that a decoded
    // rectangle re-encodes as it was read.
    int readSize = 0;
};

// The SWF RGB and RGBA records; the enclosing tag's Transparent context selects the form.
class FSColor : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSColor)

    FSColor() = default;
    FSColor(int red, int green, int blue, int alpha = 255)
        : red(red), green(green), blue(blue), alpha(alpha) {}
    explicit FSColor(FSInputStream& coder) { decode(coder); }

    int getRed() const { return red; }
    int getGreen() const { return green; }
    int getBlue() const { return blue; }
    int getAlpha() const { return alpha; }
    void setRed(int v) { red = v; }
    void setGreen(int v) { green = v; }
    void setBlue(int v) { blue = v; }
    void setAlpha(int v) { alpha = v; }
    bool isSet() const {
        return red != Default || green != Default || blue != Default || alpha != Default;
    }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

    bool operator==(const FSColor& o) const {
        return red == o.red && green == o.green && blue == o.blue && alpha == o.alpha;
    }

  private:
    int red = Default;
    int green = Default;
    int blue = Default;
    int alpha = Default;
};

// The SWF MATRIX record: a 2-D affine transform m[row][column] with the translation in twips.
class FSCoordTransform : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSCoordTransform)

    using Matrix = float[3][3];

    FSCoordTransform() = default;
    FSCoordTransform(int x, int y);
    FSCoordTransform(int x, int y, double scaleX, double scaleY);
    explicit FSCoordTransform(const Matrix& matrix);
    explicit FSCoordTransform(FSInputStream& coder) { decode(coder); }

    // Each multiplies this matrix on the right by the elementary matrix.
    void translate(int x, int y);
    void scale(double scaleX, double scaleY);
    void rotate(double angle);  // degrees
    void shear(double shearX, double shearY);
    void composite(const FSCoordTransform& other);
    // Maps a point and truncates the result to integers.
    void transformPoint(int& x, int& y) const;

    bool isIdentity() const;
    bool containsScaling() const { return m[0][0] != 1.0f || m[1][1] != 1.0f; }
    bool containsRotation() const { return m[1][0] != 0.0f || m[0][1] != 0.0f; }
    float get(int row, int column) const { return m[row][column]; }
    void set(int row, int column, float value) { m[row][column] = value, read = {}; }
    const Matrix& getMatrix() const { return m; }
    void setMatrix(const Matrix& matrix);

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

    bool operator==(const FSCoordTransform& o) const;

  private:
    void multiply(const Matrix& right);
    bool writesScale() const { return containsScaling() || read.scale >= 0; }
    bool writesRotation() const { return containsRotation() || read.rotate >= 0; }
    int scaleSize() const;
    int rotateSize() const;
    int translateSize() const;

    Matrix m = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    // The parts and field widths a file used (-1: part absent), kept so that a decoded matrix
    // re-encodes as it was read; any change drops them.
    struct Widths {
        int scale = -1;
        int rotate = -1;
        int translate = 0;
    } read;
};

// The SWF CXFORM and CXFORMWITHALPHA records; the Transparent context selects the form.
class FSColorTransform : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSColorTransform)

    FSColorTransform() = default;
    FSColorTransform(float multiplyRed, float multiplyGreen, float multiplyBlue,
                     float multiplyAlpha, int addRed, int addGreen, int addBlue, int addAlpha)
        : multiplyRed(multiplyRed),
          multiplyGreen(multiplyGreen),
          multiplyBlue(multiplyBlue),
          multiplyAlpha(multiplyAlpha),
          addRed(addRed),
          addGreen(addGreen),
          addBlue(addBlue),
          addAlpha(addAlpha) {}
    explicit FSColorTransform(FSInputStream& coder) { decode(coder); }

    float getMultiplyRed() const { return multiplyRed; }
    float getMultiplyGreen() const { return multiplyGreen; }
    float getMultiplyBlue() const { return multiplyBlue; }
    float getMultiplyAlpha() const { return multiplyAlpha; }
    int getAddRed() const { return addRed; }
    int getAddGreen() const { return addGreen; }
    int getAddBlue() const { return addBlue; }
    int getAddAlpha() const { return addAlpha; }
    void setMultiplyRed(float v) { multiplyRed = v, read = {}; }
    void setMultiplyGreen(float v) { multiplyGreen = v, read = {}; }
    void setMultiplyBlue(float v) { multiplyBlue = v, read = {}; }
    void setMultiplyAlpha(float v) { multiplyAlpha = v, read = {}; }
    void setAddRed(int v) { addRed = v, read = {}; }
    void setAddGreen(int v) { addGreen = v, read = {}; }
    void setAddBlue(int v) { addBlue = v, read = {}; }
    void setAddAlpha(int v) { addAlpha = v, read = {}; }

    bool containsMultiply(const FSCoder& coder) const;
    bool containsAdd(const FSCoder& coder) const;
    bool isUnity(const FSCoder& coder) const {
        return !containsMultiply(coder) && !containsAdd(coder);
    }
    // Unity whatever the coder: no term differs from its default.
    bool isIdentity() const;

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

    bool operator==(const FSColorTransform& o) const;

  private:
    int fieldSize(const FSCoder& coder) const;
    bool writesMultiply(const FSCoder& coder) const {
        return containsMultiply(coder) || read.multiply;
    }
    bool writesAdd(const FSCoder& coder) const { return containsAdd(coder) || read.add; }

    float multiplyRed = 1.0f;
    float multiplyGreen = 1.0f;
    float multiplyBlue = 1.0f;
    float multiplyAlpha = 1.0f;
    int addRed = 0;
    int addGreen = 0;
    int addBlue = 0;
    int addAlpha = 0;
    // The parts and field width a file used, kept so that a decoded transform re-encodes as it
    // was read; any change drops them.
    struct Widths {
        bool multiply = false;
        bool add = false;
        int size = 0;
    } read;
};

}  // namespace transform
