#include "swf/basic_types.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <span>

namespace transform {

namespace {

int bytesFor(int bits) {
    return (bits + 7) / 8;
}

// Widest fields that a 5-bit and a 4-bit size announcement can describe.
constexpr int MaximumWideField = 31;
constexpr int MaximumColorField = 15;

// The size of signed fields for the values. bitsFor counts one bit more than needed for a negative
// power of two, which a field read at its full width may hold, so at the limit the exact
// two's-complement width is used. Values that fit no field are refused rather than written cut.
int signedFieldSize(std::span<const int> values, int maximum, const char* owner) {
    const int size = FSCoder::bitsFor(values, true);
    if (size <= maximum) return size;
    int exact = 0;
    for (const int v : values) exact = std::max(exact, FSCoder::bitsFor(v < 0 ? ~v : v, false) + 1);
    if (exact <= maximum) return exact;
    char message[128];
    std::snprintf(message, sizeof message, "%s values need %d bits; at most %d can be coded.",
                  owner, exact, maximum);
    throw FSFormatException(message);
}

// A matrix term as its field value (16.16 fixed point, or whole twips), held to what a 31-bit field
// carries: a 31-bit value read into a float may round just past it.
int matrixField(float value, int fraction) {
    constexpr int limit = 1 << (MaximumWideField - 1);
    return std::clamp(FSCoder::toFixed(value, fraction), -limit, limit - 1);
}

bool transparent(const FSCoder& coder) {
    return coder.getContext(FSCoder::Transparent) != 0;
}

}  // namespace

// ---- FSBounds ----

int FSBounds::fieldSize() const {
    const int values[] = {minX, minY, maxX, maxY};
    return std::max(readSize, signedFieldSize(values, MaximumWideField, "FSBounds"));
}

int FSBounds::length(FSOutputStream&) {
    return bytesFor(5 + 4 * fieldSize());
}

void FSBounds::encode(FSOutputStream& coder) {
    const int n = fieldSize();
    coder.beginObject(name());
    coder.alignToByte();
    coder.write(n, FSCoder::UnsignedBits, 5);
    coder.write(minX, FSCoder::SignedBits, n);
    coder.write(maxX, FSCoder::SignedBits, n);
    coder.write(minY, FSCoder::SignedBits, n);
    coder.write(maxY, FSCoder::SignedBits, n);
    coder.alignToByte();
    coder.endObject(name());
}

void FSBounds::decode(FSInputStream& coder) {
    coder.beginObject(name());
    coder.alignToByte();
    const int n = coder.read(FSCoder::UnsignedBits, 5);
    minX = coder.read(FSCoder::SignedBits, n);
    maxX = coder.read(FSCoder::SignedBits, n);
    minY = coder.read(FSCoder::SignedBits, n);
    maxY = coder.read(FSCoder::SignedBits, n);
    readSize = n;
    coder.alignToByte();
    coder.endObject(name());
}

// ---- FSColor ----

int FSColor::length(FSOutputStream& coder) {
    return transparent(coder) ? 4 : 3;
}

void FSColor::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(red, FSCoder::UnsignedWord, 8);
    coder.write(green, FSCoder::UnsignedWord, 8);
    coder.write(blue, FSCoder::UnsignedWord, 8);
    if (transparent(coder)) coder.write(alpha, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSColor::decode(FSInputStream& coder) {
    coder.beginObject(name());
    red = coder.read(FSCoder::UnsignedWord, 8);
    green = coder.read(FSCoder::UnsignedWord, 8);
    blue = coder.read(FSCoder::UnsignedWord, 8);
    if (transparent(coder)) alpha = coder.read(FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

// ---- FSCoordTransform ----

FSCoordTransform::FSCoordTransform(int x, int y) {
    m[0][2] = static_cast<float>(x);
    m[1][2] = static_cast<float>(y);
}

FSCoordTransform::FSCoordTransform(int x, int y, double scaleX, double scaleY)
    : FSCoordTransform(x, y) {
    m[0][0] = static_cast<float>(scaleX);
    m[1][1] = static_cast<float>(scaleY);
}

FSCoordTransform::FSCoordTransform(const Matrix& matrix) {
    setMatrix(matrix);
}

void FSCoordTransform::setMatrix(const Matrix& matrix) {
    std::memcpy(m, matrix, sizeof m);
    read = {};
}

void FSCoordTransform::multiply(const Matrix& right) {
    Matrix product;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            product[row][column] = m[row][0] * right[0][column] + m[row][1] * right[1][column] +
                                   m[row][2] * right[2][column];
        }
    }
    read = {};
    // Element by element: gcc 12 at -O3 misreads a memcpy of the whole matrix here as an overflow.
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) m[row][column] = product[row][column];
}

void FSCoordTransform::translate(int x, int y) {
    const Matrix t = {{1, 0, static_cast<float>(x)}, {0, 1, static_cast<float>(y)}, {0, 0, 1}};
    multiply(t);
}

void FSCoordTransform::scale(double scaleX, double scaleY) {
    const Matrix s = {
        {static_cast<float>(scaleX), 0, 0}, {0, static_cast<float>(scaleY), 0}, {0, 0, 1}};
    multiply(s);
}

void FSCoordTransform::rotate(double angle) {
    const double radians = angle * 3.14159265 / 180.0;
    const auto c = static_cast<float>(std::cos(radians));
    const auto s = static_cast<float>(std::sin(radians));
    const Matrix r = {{c, -s, 0}, {s, c, 0}, {0, 0, 1}};
    multiply(r);
}

void FSCoordTransform::shear(double shearX, double shearY) {
    const Matrix s = {
        {1, static_cast<float>(shearY), 0}, {static_cast<float>(shearX), 1, 0}, {0, 0, 1}};
    multiply(s);
}

void FSCoordTransform::composite(const FSCoordTransform& other) {
    multiply(other.m);
}

void FSCoordTransform::transformPoint(int& x, int& y) const {
    const double px = x;
    const double py = y;
    const double nx = px * m[0][0] + py * m[0][1] + m[0][2];
    const double ny = px * m[1][0] + py * m[1][1] + m[1][2];
    x = FSCoder::toFixed(nx, 0);
    y = FSCoder::toFixed(ny, 0);
}

bool FSCoordTransform::isIdentity() const {
    const FSCoordTransform identity;
    return *this == identity;
}

bool FSCoordTransform::operator==(const FSCoordTransform& o) const {
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            if (m[row][column] != o.m[row][column]) return false;
    return true;
}

int FSCoordTransform::scaleSize() const {
    const int values[] = {matrixField(m[0][0], 16), matrixField(m[1][1], 16)};
    return std::max(read.scale, signedFieldSize(values, MaximumWideField, "FSCoordTransform"));
}

int FSCoordTransform::rotateSize() const {
    const int values[] = {matrixField(m[1][0], 16), matrixField(m[0][1], 16)};
    return std::max(read.rotate, signedFieldSize(values, MaximumWideField, "FSCoordTransform"));
}

int FSCoordTransform::translateSize() const {
    const int values[] = {matrixField(m[0][2], 0), matrixField(m[1][2], 0)};
    return std::max(read.translate, signedFieldSize(values, MaximumWideField, "FSCoordTransform"));
}

int FSCoordTransform::length(FSOutputStream&) {
    int bits = 7 + 2 * translateSize();
    if (writesScale()) bits += 5 + 2 * scaleSize();
    if (writesRotation()) bits += 5 + 2 * rotateSize();
    return bytesFor(bits);
}

void FSCoordTransform::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.alignToByte();
    const bool hasScale = writesScale();
    coder.write(hasScale ? 1 : 0, FSCoder::UnsignedBits, 1);
    if (hasScale) {
        const int n = scaleSize();
        coder.write(n, FSCoder::UnsignedBits, 5);
        coder.writeFixedBits(std::ldexp(matrixField(m[0][0], 16), -16), 16, n);
        coder.writeFixedBits(std::ldexp(matrixField(m[1][1], 16), -16), 16, n);
    }
    const bool hasRotate = writesRotation();
    coder.write(hasRotate ? 1 : 0, FSCoder::UnsignedBits, 1);
    if (hasRotate) {
        const int n = rotateSize();
        coder.write(n, FSCoder::UnsignedBits, 5);
        coder.writeFixedBits(std::ldexp(matrixField(m[1][0], 16), -16), 16, n);
        coder.writeFixedBits(std::ldexp(matrixField(m[0][1], 16), -16), 16, n);
    }
    const int n = translateSize();
    coder.write(n, FSCoder::UnsignedBits, 5);
    coder.write(matrixField(m[0][2], 0), FSCoder::SignedBits, n);
    coder.write(matrixField(m[1][2], 0), FSCoder::SignedBits, n);
    coder.alignToByte();
    coder.endObject(name());
}

void FSCoordTransform::decode(FSInputStream& coder) {
    coder.beginObject(name());
    coder.alignToByte();
    const FSCoordTransform identity;
    setMatrix(identity.m);
    Widths widths;
    if (coder.read(FSCoder::UnsignedBits, 1) != 0) {
        widths.scale = coder.read(FSCoder::UnsignedBits, 5);
        m[0][0] = coder.readFixedBits(16, widths.scale);
        m[1][1] = coder.readFixedBits(16, widths.scale);
    }
    if (coder.read(FSCoder::UnsignedBits, 1) != 0) {
        widths.rotate = coder.read(FSCoder::UnsignedBits, 5);
        m[1][0] = coder.readFixedBits(16, widths.rotate);
        m[0][1] = coder.readFixedBits(16, widths.rotate);
    }
    widths.translate = coder.read(FSCoder::UnsignedBits, 5);
    m[0][2] = static_cast<float>(coder.read(FSCoder::SignedBits, widths.translate));
    m[1][2] = static_cast<float>(coder.read(FSCoder::SignedBits, widths.translate));
    read = widths;
    coder.alignToByte();
    coder.endObject(name());
}

// ---- FSColorTransform ----

bool FSColorTransform::containsMultiply(const FSCoder& coder) const {
    return multiplyRed != 1.0f || multiplyGreen != 1.0f || multiplyBlue != 1.0f ||
           (transparent(coder) && multiplyAlpha != 1.0f);
}

bool FSColorTransform::containsAdd(const FSCoder& coder) const {
    return addRed != 0 || addGreen != 0 || addBlue != 0 || (transparent(coder) && addAlpha != 0);
}

bool FSColorTransform::isIdentity() const {
    const FSColorTransform identity;
    return *this == identity;
}

bool FSColorTransform::operator==(const FSColorTransform& o) const {
    return multiplyRed == o.multiplyRed && multiplyGreen == o.multiplyGreen &&
           multiplyBlue == o.multiplyBlue && multiplyAlpha == o.multiplyAlpha &&
           addRed == o.addRed && addGreen == o.addGreen && addBlue == o.addBlue &&
           addAlpha == o.addAlpha;
}

int FSColorTransform::fieldSize(const FSCoder& coder) const {
    const bool alpha = transparent(coder);
    int size = read.size;
    if (containsAdd(coder)) {
        const int adds[] = {addRed, addGreen, addBlue, alpha ? addAlpha : 0};
        size = std::max(size, signedFieldSize(adds, MaximumColorField, "FSColorTransform"));
    }
    if (containsMultiply(coder)) {
        const int multiplies[] = {
            FSCoder::toFixed(multiplyRed, 8), FSCoder::toFixed(multiplyGreen, 8),
            FSCoder::toFixed(multiplyBlue, 8), FSCoder::toFixed(alpha ? multiplyAlpha : 1.0f, 8)};
        size = std::max(size, signedFieldSize(multiplies, MaximumColorField, "FSColorTransform"));
    }
    return size;
}

int FSColorTransform::length(FSOutputStream& coder) {
    const int terms = transparent(coder) ? 4 : 3;
    const int n = fieldSize(coder);
    int bits = 6;
    if (writesMultiply(coder)) bits += terms * n;
    if (writesAdd(coder)) bits += terms * n;
    return bytesFor(bits);
}

void FSColorTransform::encode(FSOutputStream& coder) {
    const bool alpha = transparent(coder);
    const bool hasMultiply = writesMultiply(coder);
    const bool hasAdd = writesAdd(coder);
    const int n = fieldSize(coder);
    coder.beginObject(name());
    coder.alignToByte();
    coder.write(hasAdd ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(hasMultiply ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(n, FSCoder::UnsignedBits, 4);
    if (hasMultiply) {
        coder.writeFixedBits(multiplyRed, 8, n);
        coder.writeFixedBits(multiplyGreen, 8, n);
        coder.writeFixedBits(multiplyBlue, 8, n);
        if (alpha) coder.writeFixedBits(multiplyAlpha, 8, n);
    }
    if (hasAdd) {
        coder.write(addRed, FSCoder::SignedBits, n);
        coder.write(addGreen, FSCoder::SignedBits, n);
        coder.write(addBlue, FSCoder::SignedBits, n);
        if (alpha) coder.write(addAlpha, FSCoder::SignedBits, n);
    }
    coder.alignToByte();
    coder.endObject(name());
}

void FSColorTransform::decode(FSInputStream& coder) {
    const bool alpha = transparent(coder);
    coder.beginObject(name());
    coder.alignToByte();
    const bool hasAdd = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasMultiply = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const int n = coder.read(FSCoder::UnsignedBits, 4);
    if (hasMultiply) {
        multiplyRed = coder.readFixedBits(8, n);
        multiplyGreen = coder.readFixedBits(8, n);
        multiplyBlue = coder.readFixedBits(8, n);
        if (alpha) multiplyAlpha = coder.readFixedBits(8, n);
    }
    if (hasAdd) {
        addRed = coder.read(FSCoder::SignedBits, n);
        addGreen = coder.read(FSCoder::SignedBits, n);
        addBlue = coder.read(FSCoder::SignedBits, n);
        if (alpha) addAlpha = coder.read(FSCoder::SignedBits, n);
    }
    read = Widths{hasMultiply, hasAdd, n};
    coder.alignToByte();
    coder.endObject(name());
}

}  // namespace transform
