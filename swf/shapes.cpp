#include "swf/shapes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace transform {

namespace {

constexpr int MorphShapeType = 46;
// Edge coordinates are announced in a 4-bit field holding the size minus 2.
constexpr int MaximumEdgeSize = 17;
// Move coordinates are announced in a 5-bit field.
constexpr int MaximumMoveSize = 31;
// Style indexes are announced in 4-bit fields, so no list can outgrow 15-bit indexes.
constexpr std::size_t MaximumExtendedCount = 32767;
constexpr std::size_t MaximumShortCount = 255;

// The width of a style index into a list of count styles.
int indexSize(std::size_t count) {
    return count > 0 ? FSCoder::bitsFor(static_cast<int>(count), false) : 0;
}

// A style count takes one byte, or 0xFF and a 16-bit word where the escape is allowed.
int countLength(std::size_t count, bool extended) {
    return extended && count >= 0xFF ? 3 : 1;
}

// Refuses lists that the count or index fields cannot express, rather than write a wrong count.
void checkCount(std::size_t count, bool extended, const char* owner) {
    const std::size_t limit = extended ? MaximumExtendedCount : MaximumShortCount;
    if (count <= limit) return;
    char message[128];
    std::snprintf(message, sizeof message,
                  "%s has a list of %zu entries; at most %zu can be coded.", owner, count, limit);
    throw FSFormatException(message);
}

void writeCount(FSOutputStream& coder, std::size_t count, bool extended) {
    if (extended && count >= 0xFF) {
        coder.write(0xFF, FSCoder::UnsignedWord, 8);
        coder.write(static_cast<int>(count), FSCoder::UnsignedWord, 16);
        return;
    }
    coder.write(static_cast<int>(count), FSCoder::UnsignedWord, 8);
}

int readCount(FSInputStream& coder, bool extended) {
    const int count = coder.read(FSCoder::UnsignedWord, 8);
    if (extended && count == 0xFF) return coder.read(FSCoder::UnsignedWord, 16);
    return count;
}

bool arrayExtended(const FSCoder& coder) {
    return coder.getContext(FSCoder::ArrayExtended) != 0;
}

// With a listener the failure becomes an error event and the enclosing shape tag stops decoding;
// without one it is thrown.
[[noreturn]] void failDecoding(FSInputStream& coder, const char* message) {
    if (coder.reportError(message)) throw FSDecodingStopped(message);
    throw FSAllocationException(message);
}

// Clears the slots a shape tag sets around its body, however the body ends.
class ShapeSlots {
  public:
    explicit ShapeSlots(FSCoder& coder) : coder(coder) {}
    ~ShapeSlots() {
        coder.setContext(FSCoder::FillSize, 0);
        coder.setContext(FSCoder::LineSize, 0);
        coder.setContext(FSCoder::ArrayExtended, 0);
        coder.setContext(FSCoder::Transparent, 0);
    }
    ShapeSlots(const ShapeSlots&) = delete;
    ShapeSlots& operator=(const ShapeSlots&) = delete;

  private:
    FSCoder& coder;
};

template <class T>
int lengthOf(FSArray<T>& styles, FSOutputStream& coder) {
    int size = 0;
    for (auto& style : styles) size += style->length(coder);
    return size;
}

template <class T>
void encodeArray(FSArray<T>& styles, FSOutputStream& coder) {
    coder.beginObject("array");
    for (auto& style : styles) style->encode(coder);
    coder.endObject("array");
}

void decodeFillStyles(FSArray<FSFillStyle>& styles, FSInputStream& coder, int count) {
    coder.beginObject("array");
    for (int i = 0; i < count; ++i) styles.add(decodeFillStyle(coder));
    coder.endObject("array");
}

// Each style is read from the data before it is kept, so a hostile count costs no memory.
template <class Line>
void decodeLineStyles(FSArray<FSLineStyle>& styles, FSInputStream& coder, int count) {
    coder.beginObject("array");
    for (int i = 0; i < count; ++i) styles.add(std::make_unique<Line>(coder));
    coder.endObject("array");
}

void advance(FSCoder& coder, int bits) {
    coder.setCursor(coder.getCursor() + bits);
}

// The size of signed fields for the values, at least minimum. bitsFor counts one bit more than
// needed for a negative power of two, which a field read at its full width may hold, so at the
// limit the exact two's-complement width is used. Values that fit no field are refused.
int coordinateSize(std::span<const int> values, int minimum, int maximum, const char* owner) {
    const int size = std::max(minimum, FSCoder::bitsFor(values, true));
    if (size <= maximum) return size;
    int exact = 0;
    for (const int v : values) exact = std::max(exact, FSCoder::bitsFor(v < 0 ? ~v : v, false) + 1);
    if (exact <= maximum) return exact;
    char message[128];
    std::snprintf(message, sizeof message, "%s coordinates need %d bits; at most %d can be coded.",
                  owner, exact, maximum);
    throw FSFormatException(message);
}

}  // namespace

// ---- FSLine ----

namespace {

// The largest delta an edge record holds (17-bit signed fields); longer edges are coded as
// several records, so that any edge on the largest stage can be written.
constexpr long long LongestDelta = (1 << (MaximumEdgeSize - 1)) - 1;

// The largest magnitude among the values; the most negative value of a field counts as fitting.
long long longestOf(std::initializer_list<long long> values) {
    long long longest = 0;
    for (const long long v : values)
        longest = std::max(longest, v == -LongestDelta - 1 ? LongestDelta : std::llabs(v));
    return longest;
}

// The records a straight edge needs.
long long linePiecesNeeded(int x, int y) {
    return std::max<long long>(1, (longestOf({x, y}) + LongestDelta - 1) / LongestDelta);
}

// A straight edge in `count` equal parts whose sum is exactly the whole.
std::vector<std::array<int, 2>> linePieces(int x, int y, long long count) {
    std::vector<std::array<int, 2>> pieces;
    for (long long i = 0; i < count; ++i) {
        pieces.push_back({static_cast<int>(x * (i + 1) / count - x * i / count),
                          static_cast<int>(y * (i + 1) / count - y * i / count)});
    }
    return pieces;
}

}  // namespace

int FSLine::fieldSize() const {
    const int values[] = {x, y};
    return coordinateSize(values, 2, MaximumEdgeSize, name());
}

int FSLine::length(FSOutputStream& coder) {
    int bits = 0;
    for (const auto& [px, py] : linePieces(x, y, linePiecesNeeded(x, y))) {
        const FSLine piece(px, py);
        const int n = piece.fieldSize();
        bits += piece.isGeneral() ? 7 + 2 * n : 8 + n;
    }
    advance(coder, bits);
    return bits;
}

void FSLine::encode(FSOutputStream& coder) {
    for (const auto& [px, py] : linePieces(x, y, linePiecesNeeded(x, y)))
        FSLine(px, py).encodeRecord(coder);
}

void FSLine::encodeRecord(FSOutputStream& coder) const {
    const int n = fieldSize();
    coder.beginObject(name());
    coder.write(1, FSCoder::UnsignedBits, 1);  // edge
    coder.write(1, FSCoder::UnsignedBits, 1);  // straight
    coder.write(n - 2, FSCoder::UnsignedBits, 4);
    coder.write(isGeneral() ? 1 : 0, FSCoder::UnsignedBits, 1);
    if (isGeneral()) {
        coder.write(x, FSCoder::SignedBits, n);
        coder.write(y, FSCoder::SignedBits, n);
    } else {
        coder.write(isVertical() ? 1 : 0, FSCoder::UnsignedBits, 1);
        coder.write(isVertical() ? y : x, FSCoder::SignedBits, n);
    }
    coder.endObject(name());
}

void FSLine::decode(FSInputStream& coder) {
    coder.beginObject(name());
    coder.read(FSCoder::UnsignedBits, 2);
    const int n = coder.read(FSCoder::UnsignedBits, 4) + 2;
    x = 0;
    y = 0;
    if (coder.read(FSCoder::UnsignedBits, 1) != 0) {
        x = coder.read(FSCoder::SignedBits, n);
        y = coder.read(FSCoder::SignedBits, n);
    } else if (coder.read(FSCoder::UnsignedBits, 1) != 0) {
        y = coder.read(FSCoder::SignedBits, n);
    } else {
        x = coder.read(FSCoder::SignedBits, n);
    }
    coder.endObject(name());
}

// ---- FSCurve ----

namespace {

using CurvePiece = std::array<int, 4>;  // control and anchor deltas

// The records a curve needs when cut at equal steps of its parameter: each piece's deltas are at
// most the whole curve's largest delta over the count, and rounding adds at most one.
long long curvePiecesNeeded(int controlX, int controlY, int anchorX, int anchorY) {
    const long long longest = longestOf({controlX, controlY, anchorX, anchorY});
    if (longest <= LongestDelta) return 1;
    return (longest + LongestDelta - 3) / (LongestDelta - 2);
}

// A curve cut in `count` pieces at equal steps of its parameter. Each piece's points are rounded
// and it starts where the last one ended, so the pieces join up exactly at the curve's end.
std::vector<CurvePiece> curvePieces(int controlX, int controlY, int anchorX, int anchorY,
                                    long long count) {
    if (count <= 1) return {{controlX, controlY, anchorX, anchorY}};
    const double c[2] = {double(controlX), double(controlY)};
    const double e[2] = {c[0] + anchorX, c[1] + anchorY};
    const auto point = [&](double t, int axis) {
        return 2 * (1 - t) * t * c[axis] + t * t * e[axis];
    };
    const auto slope = [&](double t, int axis) {
        return 2 * (1 - t) * c[axis] + 2 * t * (e[axis] - c[axis]);
    };
    std::vector<CurvePiece> pieces;
    long long at[2] = {0, 0};
    for (long long i = 0; i < count; ++i) {
        const double t0 = double(i) / double(count);
        const double t1 = double(i + 1) / double(count);
        long long control[2];
        long long end[2];
        for (int axis = 0; axis < 2; ++axis) {
            control[axis] = std::llround(point(t0, axis) + (t1 - t0) / 2 * slope(t0, axis));
            end[axis] =
                i + 1 == count ? static_cast<long long>(e[axis]) : std::llround(point(t1, axis));
        }
        pieces.push_back(
            {static_cast<int>(control[0] - at[0]), static_cast<int>(control[1] - at[1]),
             static_cast<int>(end[0] - control[0]), static_cast<int>(end[1] - control[1])});
        at[0] = end[0];
        at[1] = end[1];
    }
    return pieces;
}

}  // namespace

int FSCurve::fieldSize() const {
    const int values[] = {controlX, controlY, anchorX, anchorY};
    return coordinateSize(values, 2, MaximumEdgeSize, name());
}

int FSCurve::length(FSOutputStream& coder) {
    int bits = 0;
    for (const auto& [cx, cy, ax, ay] :
         curvePieces(controlX, controlY, anchorX, anchorY,
                     curvePiecesNeeded(controlX, controlY, anchorX, anchorY)))
        bits += 6 + 4 * FSCurve(cx, cy, ax, ay).fieldSize();
    advance(coder, bits);
    return bits;
}

void FSCurve::encode(FSOutputStream& coder) {
    for (const auto& [cx, cy, ax, ay] :
         curvePieces(controlX, controlY, anchorX, anchorY,
                     curvePiecesNeeded(controlX, controlY, anchorX, anchorY)))
        FSCurve(cx, cy, ax, ay).encodeRecord(coder);
}

void FSCurve::encodeRecord(FSOutputStream& coder) const {
    const int n = fieldSize();
    coder.beginObject(name());
    coder.write(1, FSCoder::UnsignedBits, 1);  // edge
    coder.write(0, FSCoder::UnsignedBits, 1);  // curved
    coder.write(n - 2, FSCoder::UnsignedBits, 4);
    coder.write(controlX, FSCoder::SignedBits, n);
    coder.write(controlY, FSCoder::SignedBits, n);
    coder.write(anchorX, FSCoder::SignedBits, n);
    coder.write(anchorY, FSCoder::SignedBits, n);
    coder.endObject(name());
}

void FSCurve::decode(FSInputStream& coder) {
    coder.beginObject(name());
    coder.read(FSCoder::UnsignedBits, 2);
    const int n = coder.read(FSCoder::UnsignedBits, 4) + 2;
    controlX = coder.read(FSCoder::SignedBits, n);
    controlY = coder.read(FSCoder::SignedBits, n);
    anchorX = coder.read(FSCoder::SignedBits, n);
    anchorY = coder.read(FSCoder::SignedBits, n);
    coder.endObject(name());
}

// ---- FSShapeStyle ----

int FSShapeStyle::moveSize() const {
    const int values[] = {moveX, moveY};
    return coordinateSize(values, 1, MaximumMoveSize, "FSShapeStyle move");
}

int FSShapeStyle::length(FSOutputStream& coder) {
    const int fillBits = coder.getContext(FSCoder::FillSize);
    const int lineBits = coder.getContext(FSCoder::LineSize);
    if (isEmpty()) return 0;
    int bits = 6;
    if (containsMove()) bits += 5 + 2 * moveSize();
    if (containsFillStyle()) bits += fillBits;
    if (containsAltFillStyle()) bits += fillBits;
    if (containsLineStyle()) bits += lineBits;
    advance(coder, bits);
    if (!containsStyles()) return bits;

    // The new styles start on a byte boundary, so the padding depends on where the record lies.
    const bool extended = arrayExtended(coder);
    checkCount(fillStyles.size(), extended, name());
    checkCount(lineStyles.size(), extended, name());
    int styleBits = static_cast<int>((8 - coder.getCursor() % 8) % 8);
    styleBits += 8 * countLength(fillStyles.size(), extended) + 8 * lengthOf(fillStyles, coder);
    styleBits += 8 * countLength(lineStyles.size(), extended) + 8 * lengthOf(lineStyles, coder);
    styleBits += 8;
    coder.setContext(FSCoder::FillSize, indexSize(fillStyles.size()));
    coder.setContext(FSCoder::LineSize, indexSize(lineStyles.size()));
    advance(coder, styleBits);
    return bits + styleBits;
}

void FSShapeStyle::encode(FSOutputStream& coder) {
    const int fillBits = coder.getContext(FSCoder::FillSize);
    const int lineBits = coder.getContext(FSCoder::LineSize);
    if (isEmpty()) return;
    coder.beginObject(name());
    coder.write(0, FSCoder::UnsignedBits, 1);  // not an edge
    coder.write(containsStyles() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(containsLineStyle() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(containsAltFillStyle() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(containsFillStyle() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(containsMove() ? 1 : 0, FSCoder::UnsignedBits, 1);
    if (containsMove()) {
        const int m = moveSize();
        coder.write(m, FSCoder::UnsignedBits, 5);
        coder.write(moveX, FSCoder::SignedBits, m);
        coder.write(moveY, FSCoder::SignedBits, m);
    }
    if (containsFillStyle()) coder.write(fillStyle, FSCoder::UnsignedBits, fillBits);
    if (containsAltFillStyle()) coder.write(altFillStyle, FSCoder::UnsignedBits, fillBits);
    if (containsLineStyle()) coder.write(lineStyle, FSCoder::UnsignedBits, lineBits);
    if (containsStyles()) {
        const bool extended = arrayExtended(coder);
        coder.alignToByte();
        writeCount(coder, fillStyles.size(), extended);
        encodeArray(fillStyles, coder);
        writeCount(coder, lineStyles.size(), extended);
        encodeArray(lineStyles, coder);
        const int newFillBits = indexSize(fillStyles.size());
        const int newLineBits = indexSize(lineStyles.size());
        coder.write(newFillBits, FSCoder::UnsignedBits, 4);
        coder.write(newLineBits, FSCoder::UnsignedBits, 4);
        coder.setContext(FSCoder::FillSize, newFillBits);
        coder.setContext(FSCoder::LineSize, newLineBits);
    }
    coder.endObject(name());
}

void FSShapeStyle::decode(FSInputStream& coder) {
    const int fillBits = coder.getContext(FSCoder::FillSize);
    const int lineBits = coder.getContext(FSCoder::LineSize);
    coder.beginObject(name());
    moveX = moveY = fillStyle = altFillStyle = lineStyle = Default;
    fillStyles.clear();
    lineStyles.clear();
    newStyles = false;

    coder.read(FSCoder::UnsignedBits, 1);
    const bool hasStyles = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasLineStyle = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasAltFillStyle = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasFillStyle = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasMove = coder.read(FSCoder::UnsignedBits, 1) != 0;
    if (hasMove) {
        const int m = coder.read(FSCoder::UnsignedBits, 5);
        moveX = coder.read(FSCoder::SignedBits, m);
        moveY = coder.read(FSCoder::SignedBits, m);
    }
    if (hasFillStyle) fillStyle = coder.read(FSCoder::UnsignedBits, fillBits);
    if (hasAltFillStyle) altFillStyle = coder.read(FSCoder::UnsignedBits, fillBits);
    if (hasLineStyle) lineStyle = coder.read(FSCoder::UnsignedBits, lineBits);
    if (hasStyles) {
        newStyles = true;
        const bool extended = arrayExtended(coder);
        coder.alignToByte();
        decodeFillStyles(fillStyles, coder, readCount(coder, extended));
        decodeLineStyles<FSSolidLine>(lineStyles, coder, readCount(coder, extended));
        coder.setContext(FSCoder::FillSize, coder.read(FSCoder::UnsignedBits, 4));
        coder.setContext(FSCoder::LineSize, coder.read(FSCoder::UnsignedBits, 4));
    }
    coder.endObject(name());
}

// ---- FSShape ----

std::unique_ptr<FSShapeObject> decodeShapeObject(FSInputStream& coder) {
    const std::size_t start = coder.getCursor();
    const int bits = coder.scan(FSCoder::UnsignedBits, 6);
    coder.setCursor(start);
    if (bits == 0) {
        coder.read(FSCoder::UnsignedBits, 6);  // the end record
        return nullptr;
    }
    try {
        if ((bits & 0x20) == 0) return std::make_unique<FSShapeStyle>(coder);
        if ((bits & 0x10) != 0) return std::make_unique<FSLine>(coder);
        return std::make_unique<FSCurve>(coder);
    } catch (const std::bad_alloc&) {
        failDecoding(coder, "Cannot allocate memory to decode a shape object.");
    }
}

int FSShape::length(FSOutputStream& coder) {
    // Records count their bits from the cursor; a shape always starts on a byte boundary.
    const std::size_t saved = coder.getCursor();
    coder.alignToByte();
    int bits = 8;
    advance(coder, 8);
    for (auto& object : objects) bits += object->length(coder);
    bits += 6;
    coder.setCursor(saved);
    return (bits + 7) / 8;
}

void FSShape::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(coder.getContext(FSCoder::FillSize), FSCoder::UnsignedBits, 4);
    coder.write(coder.getContext(FSCoder::LineSize), FSCoder::UnsignedBits, 4);
    coder.beginObject("array");
    for (auto& object : objects) object->encode(coder);
    coder.endObject("array");
    coder.write(0, FSCoder::UnsignedBits, 6);
    coder.alignToByte();
    coder.endObject(name());
}

void FSShape::decode(FSInputStream& coder) {
    coder.beginObject(name());
    objects.clear();
    coder.setContext(FSCoder::FillSize, coder.read(FSCoder::UnsignedBits, 4));
    coder.setContext(FSCoder::LineSize, coder.read(FSCoder::UnsignedBits, 4));
    // Every record consumes at least 6 bits, so the loop ends with the data at the latest.
    coder.beginObject("array");
    while (auto object = decodeShapeObject(coder)) objects.add(std::move(object));
    coder.endObject("array");
    coder.alignToByte();
    coder.endObject(name());
}

// ---- fill styles ----

void FSFillStyle::encode(FSOutputStream& coder) {
    coder.write(type, FSCoder::UnsignedWord, 8);
}

void FSFillStyle::decode(FSInputStream& coder) {
    type = coder.read(FSCoder::UnsignedWord, 8);
}

std::unique_ptr<FSFillStyle> decodeFillStyle(FSInputStream& coder) {
    const std::size_t start = coder.getCursor();
    const int type = coder.scan(FSCoder::UnsignedWord, 8);
    coder.setCursor(start);
    const bool morph = coder.getContext(FSCoder::Type) == MorphShapeType;
    // Fill types that version 8 added; in older movies they are as unknown as any other.
    const bool version8 = coder.getContext(FSCoder::Version) >= 8 && !morph;
    try {
        switch (type) {
            case FSFillStyle::FocalRadial:
                if (version8) return std::make_unique<FSGradientFill>(coder);
                break;
            case FSFillStyle::UnsmoothedTiledBitmap:
            case FSFillStyle::UnsmoothedClippedBitmap:
                if (version8) return std::make_unique<FSBitmapFill>(coder);
                break;
            case FSFillStyle::Solid:
                if (morph) return std::make_unique<FSMorphSolidFill>(coder);
                return std::make_unique<FSSolidFill>(coder);
            case FSFillStyle::Linear:
            case FSFillStyle::Radial:
                if (morph) return std::make_unique<FSMorphGradientFill>(coder);
                return std::make_unique<FSGradientFill>(coder);
            case FSFillStyle::TiledBitmap:
            case FSFillStyle::ClippedBitmap:
                if (morph) return std::make_unique<FSMorphBitmapFill>(coder);
                return std::make_unique<FSBitmapFill>(coder);
            default:
                break;
        }
    } catch (const std::bad_alloc&) {
    }
    failDecoding(coder, "Cannot allocate memory for fill style.");
}

int FSSolidFill::length(FSOutputStream& coder) {
    return 1 + color.length(coder);
}

void FSSolidFill::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::encode(coder);
    color.encode(coder);
    coder.endObject(name());
}

void FSSolidFill::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::decode(coder);
    color.decode(coder);
    coder.endObject(name());
}

int FSGradient::length(FSOutputStream& coder) {
    return 1 + color.length(coder);
}

void FSGradient::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(ratio, FSCoder::UnsignedWord, 8);
    color.encode(coder);
    coder.endObject(name());
}

void FSGradient::decode(FSInputStream& coder) {
    coder.beginObject(name());
    ratio = coder.read(FSCoder::UnsignedWord, 8);
    color.decode(coder);
    coder.endObject(name());
}

namespace {

// Gradient stops are counted in one byte.
template <class Gradient>
int lengthOfGradients(std::vector<Gradient>& gradients, FSOutputStream& coder, const char* owner) {
    checkCount(gradients.size(), false, owner);
    int size = 1;
    for (auto& gradient : gradients) size += gradient.length(coder);
    return size;
}

template <class Gradient>
void encodeGradients(std::vector<Gradient>& gradients, FSOutputStream& coder) {
    coder.write(static_cast<int>(gradients.size()), FSCoder::UnsignedWord, 8);
    coder.beginObject("array");
    for (auto& gradient : gradients) gradient.encode(coder);
    coder.endObject("array");
}

template <class Gradient>
void decodeGradients(std::vector<Gradient>& gradients, FSInputStream& coder) {
    const int count = coder.read(FSCoder::UnsignedWord, 8);
    gradients.clear();
    coder.beginObject("array");
    for (int i = 0; i < count; ++i) gradients.emplace_back(coder);
    coder.endObject("array");
}

}  // namespace

int FSGradientFill::length(FSOutputStream& coder) {
    if (modes != 0 && gradients.size() > 15)
        throw FSFormatException("FSGradientFill: at most 15 stops with modes.");
    return 1 + transform.length(coder) + lengthOfGradients(gradients, coder, name()) +
           (type == FocalRadial ? 2 : 0);
}

void FSGradientFill::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::encode(coder);
    transform.encode(coder);
    coder.write(modes | static_cast<int>(gradients.size()), FSCoder::UnsignedWord, 8);
    coder.beginObject("array");
    for (auto& gradient : gradients) gradient.encode(coder);
    coder.endObject("array");
    if (type == FocalRadial) coder.write(FSCoder::toFixed(focalPoint, 8), FSCoder::SignedWord, 16);
    coder.endObject(name());
}

void FSGradientFill::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::decode(coder);
    transform.decode(coder);
    const int countByte = coder.read(FSCoder::UnsignedWord, 8);
    modes = coder.getContext(FSCoder::Version) >= 8 ? countByte & 0xF0 : 0;
    const int count = countByte & ~modes;
    gradients.clear();
    coder.beginObject("array");
    for (int i = 0; i < count; ++i) gradients.emplace_back(coder);
    coder.endObject("array");
    focalPoint = 0.0f;
    if (type == FocalRadial)
        focalPoint = static_cast<float>(coder.read(FSCoder::SignedWord, 16)) / 256.0f;
    coder.endObject(name());
}

int FSBitmapFill::length(FSOutputStream& coder) {
    return 3 + transform.length(coder);
}

void FSBitmapFill::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::encode(coder);
    coder.write(identifier, FSCoder::UnsignedWord, 16);
    transform.encode(coder);
    coder.endObject(name());
}

void FSBitmapFill::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::decode(coder);
    identifier = coder.read(FSCoder::UnsignedWord, 16);
    transform.decode(coder);
    coder.endObject(name());
}

int FSMorphSolidFill::length(FSOutputStream& coder) {
    return 1 + startColor.length(coder) + endColor.length(coder);
}

void FSMorphSolidFill::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::encode(coder);
    startColor.encode(coder);
    endColor.encode(coder);
    coder.endObject(name());
}

void FSMorphSolidFill::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::decode(coder);
    startColor.decode(coder);
    endColor.decode(coder);
    coder.endObject(name());
}

int FSMorphGradient::length(FSOutputStream& coder) {
    return 2 + startColor.length(coder) + endColor.length(coder);
}

void FSMorphGradient::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(startRatio, FSCoder::UnsignedWord, 8);
    startColor.encode(coder);
    coder.write(endRatio, FSCoder::UnsignedWord, 8);
    endColor.encode(coder);
    coder.endObject(name());
}

void FSMorphGradient::decode(FSInputStream& coder) {
    coder.beginObject(name());
    startRatio = coder.read(FSCoder::UnsignedWord, 8);
    startColor.decode(coder);
    endRatio = coder.read(FSCoder::UnsignedWord, 8);
    endColor.decode(coder);
    coder.endObject(name());
}

int FSMorphGradientFill::length(FSOutputStream& coder) {
    return 1 + startTransform.length(coder) + endTransform.length(coder) +
           lengthOfGradients(gradients, coder, name());
}

void FSMorphGradientFill::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::encode(coder);
    startTransform.encode(coder);
    endTransform.encode(coder);
    encodeGradients(gradients, coder);
    coder.endObject(name());
}

void FSMorphGradientFill::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::decode(coder);
    startTransform.decode(coder);
    endTransform.decode(coder);
    decodeGradients(gradients, coder);
    coder.endObject(name());
}

int FSMorphBitmapFill::length(FSOutputStream& coder) {
    return 3 + startTransform.length(coder) + endTransform.length(coder);
}

void FSMorphBitmapFill::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::encode(coder);
    coder.write(identifier, FSCoder::UnsignedWord, 16);
    startTransform.encode(coder);
    endTransform.encode(coder);
    coder.endObject(name());
}

void FSMorphBitmapFill::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSFillStyle::decode(coder);
    identifier = coder.read(FSCoder::UnsignedWord, 16);
    startTransform.decode(coder);
    endTransform.decode(coder);
    coder.endObject(name());
}

// ---- line styles ----

int FSSolidLine::length(FSOutputStream& coder) {
    return 2 + color.length(coder);
}

void FSSolidLine::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(width, FSCoder::UnsignedWord, 16);
    color.encode(coder);
    coder.endObject(name());
}

void FSSolidLine::decode(FSInputStream& coder) {
    coder.beginObject(name());
    width = coder.read(FSCoder::UnsignedWord, 16);
    color.decode(coder);
    coder.endObject(name());
}

int FSMorphSolidLine::length(FSOutputStream& coder) {
    return 4 + startColor.length(coder) + endColor.length(coder);
}

void FSMorphSolidLine::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(startWidth, FSCoder::UnsignedWord, 16);
    coder.write(endWidth, FSCoder::UnsignedWord, 16);
    startColor.encode(coder);
    endColor.encode(coder);
    coder.endObject(name());
}

void FSMorphSolidLine::decode(FSInputStream& coder) {
    coder.beginObject(name());
    startWidth = coder.read(FSCoder::UnsignedWord, 16);
    endWidth = coder.read(FSCoder::UnsignedWord, 16);
    startColor.decode(coder);
    endColor.decode(coder);
    coder.endObject(name());
}

// ---- FSDefineShape, FSDefineShape2, FSDefineShape3 ----

int FSShapeDefinition::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    const ShapeSlots slots(coder);
    const bool extended = extendedCounts();
    checkCount(fillStyles.size(), extended, name());
    checkCount(lineStyles.size(), extended, name());
    coder.setContext(FSCoder::Transparent, transparentColors() ? 1 : 0);
    int size = 2 + bounds.length(coder);
    size += countLength(fillStyles.size(), extended) + lengthOf(fillStyles, coder);
    size += countLength(lineStyles.size(), extended) + lengthOf(lineStyles, coder);
    coder.setContext(FSCoder::FillSize, indexSize(fillStyles.size()));
    coder.setContext(FSCoder::LineSize, indexSize(lineStyles.size()));
    coder.setContext(FSCoder::ArrayExtended, extended ? 1 : 0);
    size += shape.length(coder);
    bodyLength = size;
    return bodyLength;
}

void FSShapeDefinition::encode(FSOutputStream& coder) {
    const bool extended = extendedCounts();
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    const ShapeSlots slots(coder);
    coder.setContext(FSCoder::Transparent, transparentColors() ? 1 : 0);
    bounds.encode(coder);
    writeCount(coder, fillStyles.size(), extended);
    encodeArray(fillStyles, coder);
    writeCount(coder, lineStyles.size(), extended);
    encodeArray(lineStyles, coder);
    coder.setContext(FSCoder::FillSize, indexSize(fillStyles.size()));
    coder.setContext(FSCoder::LineSize, indexSize(lineStyles.size()));
    coder.setContext(FSCoder::ArrayExtended, extended ? 1 : 0);
    shape.encode(coder);
    coder.endObject(name());
}

void FSShapeDefinition::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    const ShapeSlots slots(coder);
    const bool extended = extendedCounts();
    coder.setContext(FSCoder::Transparent, transparentColors() ? 1 : 0);
    fillStyles.clear();
    lineStyles.clear();
    shape = FSShape();
    try {
        bounds.decode(coder);
        decodeFillStyles(fillStyles, coder, readCount(coder, extended));
        decodeLineStyles<FSSolidLine>(lineStyles, coder, readCount(coder, extended));
        coder.setContext(FSCoder::ArrayExtended, extended ? 1 : 0);
        shape.decode(coder);
    } catch (const FSDecodingStopped&) {
        // Already reported: the tag keeps what was read and the movie moves to the next one.
    }
    coder.endObject(name());
}

// ---- FSDefineMorphShape ----

namespace {

long long piecesNeeded(const FSShapeObject& edge) {
    if (const auto* line = dynamic_cast<const FSLine*>(&edge))
        return linePiecesNeeded(line->getX(), line->getY());
    if (const auto* curve = dynamic_cast<const FSCurve*>(&edge))
        return curvePiecesNeeded(curve->getControlX(), curve->getControlY(), curve->getAnchorX(),
                                 curve->getAnchorY());
    return 0;  // not an edge
}

void addPieces(FSArray<FSShapeObject>& list, const FSShapeObject& edge, long long count) {
    if (const auto* line = dynamic_cast<const FSLine*>(&edge)) {
        for (const auto& [x, y] : linePieces(line->getX(), line->getY(), count))
            list.add(std::make_unique<FSLine>(x, y));
    } else if (const auto* curve = dynamic_cast<const FSCurve*>(&edge)) {
        for (const auto& [cx, cy, ax, ay] :
             curvePieces(curve->getControlX(), curve->getControlY(), curve->getAnchorX(),
                         curve->getAnchorY(), count))
            list.add(std::make_unique<FSCurve>(cx, cy, ax, ay));
    }
}

// A morph pairs the start shape's edges with the end shape's one to one, so an edge too long for
// one record and its partner are cut into the same number of pieces. None when no edge needs it
// (or the shapes do not pair up, which players reject anyway).
std::optional<std::pair<FSShape, FSShape>> pairedPieces(const FSShape& start, const FSShape& end) {
    std::vector<long long> startNeeds, endNeeds;
    for (const auto& object : start.getObjects())
        if (const long long n = piecesNeeded(*object)) startNeeds.push_back(n);
    for (const auto& object : end.getObjects())
        if (const long long n = piecesNeeded(*object)) endNeeds.push_back(n);
    if (startNeeds.size() != endNeeds.size()) return std::nullopt;
    bool split = false;
    for (std::size_t i = 0; i < startNeeds.size(); ++i) {
        startNeeds[i] = std::max(startNeeds[i], endNeeds[i]);
        split = split || startNeeds[i] > 1 || endNeeds[i] > 1;
    }
    if (!split) return std::nullopt;
    const auto cut = [&](const FSShape& shape) {
        FSArray<FSShapeObject> list;
        std::size_t edge = 0;
        for (const auto& object : shape.getObjects()) {
            if (piecesNeeded(*object) > 0) {
                addPieces(list, *object, startNeeds[edge++]);
            } else {
                list.add(std::unique_ptr<FSShapeObject>(
                    static_cast<FSShapeObject*>(object->clone().release())));
            }
        }
        return FSShape(std::move(list));
    };
    return std::pair<FSShape, FSShape>(cut(start), cut(end));
}

}  // namespace

int FSDefineMorphShape::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    const ShapeSlots slots(coder);
    checkCount(fillStyles.size(), true, name());
    checkCount(lineStyles.size(), true, name());
    coder.setContext(FSCoder::Transparent, 1);
    int size = 2 + startBounds.length(coder) + endBounds.length(coder) + 4;
    size += countLength(fillStyles.size(), true) + lengthOf(fillStyles, coder);
    size += countLength(lineStyles.size(), true) + lengthOf(lineStyles, coder);
    coder.setContext(FSCoder::FillSize, indexSize(fillStyles.size()));
    coder.setContext(FSCoder::LineSize, indexSize(lineStyles.size()));
    coder.setContext(FSCoder::ArrayExtended, 1);
    auto paired = pairedPieces(startShape, endShape);
    edgePieces =
        paired ? std::make_shared<std::pair<FSShape, FSShape>>(std::move(*paired)) : nullptr;
    size += (edgePieces ? edgePieces->first : startShape).length(coder);
    coder.setContext(FSCoder::FillSize, 0);
    coder.setContext(FSCoder::LineSize, 0);
    size += (edgePieces ? edgePieces->second : endShape).length(coder);
    bodyLength = size;
    return bodyLength;
}

void FSDefineMorphShape::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    const ShapeSlots slots(coder);
    coder.setContext(FSCoder::Transparent, 1);
    startBounds.encode(coder);
    endBounds.encode(coder);
    const std::size_t offsetField = coder.getCursor();
    coder.write(0, FSCoder::UnsignedWord, 32);
    const std::size_t stylesStart = coder.getCursor();
    writeCount(coder, fillStyles.size(), true);
    encodeArray(fillStyles, coder);
    writeCount(coder, lineStyles.size(), true);
    encodeArray(lineStyles, coder);
    coder.setContext(FSCoder::FillSize, indexSize(fillStyles.size()));
    coder.setContext(FSCoder::LineSize, indexSize(lineStyles.size()));
    coder.setContext(FSCoder::ArrayExtended, 1);
    (edgePieces ? edgePieces->first : startShape).encode(coder);

    // The offset tells a reader where the end shape starts without decoding the start shape.
    const std::size_t endShapeStart = coder.getCursor();
    coder.setCursor(offsetField);
    coder.write(static_cast<int>((endShapeStart - stylesStart) / 8), FSCoder::UnsignedWord, 32);
    coder.setCursor(endShapeStart);

    // The end shape reuses the start shape's styles, so its records carry no indexes.
    coder.setContext(FSCoder::FillSize, 0);
    coder.setContext(FSCoder::LineSize, 0);
    (edgePieces ? edgePieces->second : endShape).encode(coder);
    coder.endObject(name());
}

void FSDefineMorphShape::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    const ShapeSlots slots(coder);
    coder.setContext(FSCoder::Transparent, 1);
    fillStyles.clear();
    lineStyles.clear();
    startShape = FSShape();
    endShape = FSShape();
    try {
        startBounds.decode(coder);
        endBounds.decode(coder);
        coder.read(FSCoder::UnsignedWord,
                   32);  // the end shape's offset; the shapes are read in turn
        decodeFillStyles(fillStyles, coder, readCount(coder, true));
        decodeLineStyles<FSMorphSolidLine>(lineStyles, coder, readCount(coder, true));
        coder.setContext(FSCoder::ArrayExtended, 1);
        startShape.decode(coder);
        endShape.decode(coder);
    } catch (const FSDecodingStopped&) {
        // Already reported: the tag keeps what was read and the movie moves to the next one.
    }
    coder.endObject(name());
}

}  // namespace transform
