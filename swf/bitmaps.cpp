#include "swf/bitmaps.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace transform {

namespace {

// The fixed fields of a tag do not fit in the body its header declares: the same failure the
// container reports for a tag that reads past its end.
[[noreturn]] void throwOverflow(const char* name, long long bytes) {
    char message[160];
    std::snprintf(message, sizeof message, "%s overflowed by %lld bytes.", name, bytes);
    throw FSFormatException(message);
}

// The fixed fields of a tag must fit in the body its header declares.
void requireBody(const FSMovieObject& tag, int minimum) {
    if (tag.getLength() < minimum) throwOverflow(tag.name(), minimum - tag.getLength());
}

// The bytes of the stream from the cursor on, at most n of them.
std::span<const uint8_t> upcoming(const FSInputStream& coder, std::size_t n) {
    const std::size_t at = coder.getCursor() / 8;
    return std::span<const uint8_t>(coder.getData()).subspan(at, std::min(n, coder.bitsLeft() / 8));
}

[[noreturn]] void throwCannotEncode(const char* name, const char* what, int value) {
    char message[160];
    std::snprintf(message, sizeof message, "%s cannot encode %s %d.", name, what, value);
    throw FSFormatException(message);
}

}  // namespace

// ---- JPEG streams ----

namespace jpeg {

namespace {

constexpr int SOI = 0xD8;
constexpr int EOI = 0xD9;
constexpr int SOS = 0xDA;

int bigEndian16(std::span<const uint8_t> bytes, std::size_t at) {
    return bytes[at] << 8 | bytes[at + 1];
}

bool isStandalone(int code) {
    return code == SOI || code == EOI || code == 0x01 || (code >= 0xD0 && code <= 0xD7);
}

// Frame headers are SOF0 to SOF15, less the codes shared with DHT, JPG and DAC.
bool isFrameHeader(int code) {
    return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

struct Segment {
    int code = 0;
    std::size_t offset = 0;   // of the 0xFF that starts the marker
    std::size_t payload = 0;  // first byte after the length field
    std::size_t payloadLength = 0;
};

// Walks marker segments from a given offset. Each step moves forward, and nothing outside the
// bytes is read. The walk ends at the end of the bytes, or as broken at anything that is not a
// marker or a segment that runs past the end.
class MarkerWalker {
  public:
    MarkerWalker(std::span<const uint8_t> bytes, std::size_t start) : bytes(bytes), at(start) {}

    bool next(Segment& segment) {
        while (at + 1 < bytes.size() && bytes[at] == 0xFF && bytes[at + 1] == 0xFF) ++at;  // fill
        if (at + 1 >= bytes.size()) return false;
        if (bytes[at] != 0xFF || bytes[at + 1] == 0x00) return stop();
        segment.code = bytes[at + 1];
        segment.offset = at;
        if (isStandalone(segment.code)) {
            segment.payload = at + 2;
            segment.payloadLength = 0;
            at += 2;
            return true;
        }
        if (at + 4 > bytes.size()) return stop();
        const std::size_t size = static_cast<std::size_t>(bigEndian16(bytes, at + 2));
        if (size < 2 || at + 2 + size > bytes.size()) return stop();
        segment.payload = at + 4;
        segment.payloadLength = size - 2;
        at += 2 + size;
        if (segment.code == SOS) skipScanData();
        return true;
    }

    bool isBroken() const { return broken; }

  private:
    bool stop() {
        broken = true;
        at = bytes.size();
        return false;
    }

    // Entropy-coded data ends at the first marker other than a stuffed 0xFF or a restart.
    void skipScanData() {
        while (at + 1 < bytes.size()) {
            const int following = bytes[at + 1];
            if (bytes[at] == 0xFF && following != 0x00 && !(following >= 0xD0 && following <= 0xD7))
                return;
            ++at;
        }
        at = bytes.size();
    }

    std::span<const uint8_t> bytes;
    std::size_t at;
    bool broken = false;
};

bool startsWith(std::span<const uint8_t> bytes, int code) {
    return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == code;
}

// The offset just past the first 0xFF <code> at or after offset 2; 0 when there is none.
std::size_t endOfFirst(std::span<const uint8_t> bytes, int code) {
    for (std::size_t at = 2; at + 1 < bytes.size(); ++at)
        if (bytes[at] == 0xFF && bytes[at + 1] == code) return at + 2;
    return 0;
}

}  // namespace

FrameSize frameSize(std::span<const uint8_t> bytes) {
    FrameSize size;
    if (!startsWith(bytes, SOI)) return size;
    MarkerWalker walker(bytes, 2);
    Segment segment;
    while (walker.next(segment)) {
        if (!isFrameHeader(segment.code)) continue;
        if (segment.payloadLength < 5) return size;
        size.found = true;
        size.height = bigEndian16(bytes, segment.payload + 1);
        size.width = bigEndian16(bytes, segment.payload + 3);
        return size;
    }
    return size;
}

std::size_t tableLength(std::span<const uint8_t> bytes) {
    std::size_t length = 0;
    if (startsWith(bytes, SOI)) {
        MarkerWalker walker(bytes, 0);
        Segment segment;
        while (walker.next(segment)) {
            if (segment.code == EOI) {
                length = segment.offset + 2;
                break;
            }
        }
        // Bytes that do not parse as segments are measured to their first end marker.
        if (length == 0 && walker.isBroken()) length = endOfFirst(bytes, EOI);
    } else if (startsWith(bytes, EOI)) {
        // The stray end/start pair that some encoders put in front of the image.
        length = endOfFirst(bytes, SOI);
    }
    if (length != 0 && frameSize(bytes.first(length)).found) return 0;
    return length;
}

}  // namespace jpeg

// ---- FSLosslessImage, FSDefineImage, FSDefineImage2 ----

int FSLosslessImage::formatCode() const {
    const int format = formatFor(pixelSize);
    return format >= 0 ? format : unmappedFormat;
}

int FSLosslessImage::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    if (formatCode() < 0) throwCannotEncode(name(), "pixel size", pixelSize);
    if (isColourMapped() && (tableSize < 1 || tableSize > 256))
        throwCannotEncode(name(), "colour table size", tableSize);
    bodyLength += 5 + (isColourMapped() ? 1 : 0) + static_cast<int>(image.size());
    return bodyLength;
}

void FSLosslessImage::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    coder.write(formatCode(), FSCoder::UnsignedWord, 8);
    coder.write(width, FSCoder::UnsignedWord, 16);
    coder.write(height, FSCoder::UnsignedWord, 16);
    if (isColourMapped()) coder.write(tableSize - 1, FSCoder::UnsignedWord, 8);
    coder.writeBytes(image);
    coder.endObject(name());
}

void FSLosslessImage::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    requireBody(*this, 7);
    const int format = coder.read(FSCoder::UnsignedWord, 8);
    pixelSize = pixelSizeFor(format);
    unmappedFormat = pixelSize == 0 ? format : -1;
    width = coder.read(FSCoder::UnsignedWord, 16);
    height = coder.read(FSCoder::UnsignedWord, 16);
    tableSize = 0;
    if (isColourMapped()) {
        requireBody(*this, 8);
        tableSize = coder.read(FSCoder::UnsignedWord, 8) + 1;
    }
    image = coder.readBytes(bodyLength - (isColourMapped() ? 8 : 7));
    coder.endObject(name());
}

FSDefineImage::FSDefineImage(FSInputStream& coder) : FSLosslessImage(20, 0, 0, 0, 0, 0, {}) {
    decode(coder);
}

FSDefineImage::FSDefineImage(int identifier, int width, int height, int tableSize,
                             std::vector<uint8_t> image)
    : FSLosslessImage(20, identifier, width, height, 8, tableSize, std::move(image)) {
    extendLength = true;
}

FSDefineImage::FSDefineImage(int identifier, int width, int height, std::vector<uint8_t> image,
                             int pixelSize)
    : FSLosslessImage(20, identifier, width, height, pixelSize, 0, std::move(image)) {
    extendLength = true;
}

int FSDefineImage::formatFor(int size) const {
    switch (size) {
        case 8:
            return 3;
        case 16:
            return 4;
        case 24:
            return 5;
        default:
            return -1;
    }
}

int FSDefineImage::pixelSizeFor(int format) const {
    switch (format) {
        case 3:
            return 8;
        case 4:
            return 16;
        case 5:
            return 24;
        default:
            return 0;
    }
}

FSDefineImage2::FSDefineImage2(FSInputStream& coder) : FSLosslessImage(36, 0, 0, 0, 0, 0, {}) {
    decode(coder);
}

FSDefineImage2::FSDefineImage2(int identifier, int width, int height, int tableSize,
                               std::vector<uint8_t> image)
    : FSLosslessImage(36, identifier, width, height, 8, tableSize, std::move(image)) {}

FSDefineImage2::FSDefineImage2(int identifier, int width, int height, std::vector<uint8_t> image)
    : FSLosslessImage(36, identifier, width, height, 32, 0, std::move(image)) {}

int FSDefineImage2::formatFor(int size) const {
    switch (size) {
        case 8:
            return 3;
        case 32:
            return 5;
        default:
            return -1;
    }
}

int FSDefineImage2::pixelSizeFor(int format) const {
    switch (format) {
        case 3:
            return 8;
        case 5:
            return 32;
        default:
            return 0;
    }
}

// ---- FSDefineJPEGImage ----

namespace {

void takeFrameSize(const std::vector<uint8_t>& image, int& width, int& height) {
    const jpeg::FrameSize size = jpeg::frameSize(image);
    if (!size.found) return;
    width = size.width;
    height = size.height;
}

// Reads the table and image that fill `blockLength` bytes from the cursor: the table is measured
// inside the block only.
void readTableAndImage(FSInputStream& coder, long long blockLength, std::vector<uint8_t>& table,
                       std::vector<uint8_t>& image) {
    const auto block = upcoming(coder, static_cast<std::size_t>(blockLength));
    const auto tableBytes = static_cast<long long>(jpeg::tableLength(block));
    table = coder.readBytes(tableBytes);
    image = coder.readBytes(blockLength - tableBytes);
}

}  // namespace

FSDefineJPEGImage::FSDefineJPEGImage(FSInputStream& coder) : FSDefineObject(6, 0) {
    decode(coder);
}

FSDefineJPEGImage::FSDefineJPEGImage(int identifier, std::vector<uint8_t> image)
    : FSDefineObject(6, identifier) {
    setImage(std::move(image));
}

void FSDefineJPEGImage::setImage(std::vector<uint8_t> bytes) {
    image = std::move(bytes);
    takeFrameSize(image, width, height);
}

int FSDefineJPEGImage::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    bodyLength += static_cast<int>(image.size());
    return bodyLength;
}

void FSDefineJPEGImage::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    coder.writeBytes(image);
    coder.endObject(name());
}

void FSDefineJPEGImage::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    width = 0;
    height = 0;
    requireBody(*this, 2);
    setImage(coder.readBytes(bodyLength - 2));
    coder.endObject(name());
}

// ---- FSDefineJPEGImage2 ----

FSDefineJPEGImage2::FSDefineJPEGImage2(FSInputStream& coder) : FSDefineObject(21, 0) {
    decode(coder);
}

FSDefineJPEGImage2::FSDefineJPEGImage2(int identifier, std::vector<uint8_t> image,
                                       std::vector<uint8_t> table)
    : FSDefineObject(21, identifier), table(std::move(table)) {
    setImage(std::move(image));
}

void FSDefineJPEGImage2::setImage(std::vector<uint8_t> bytes) {
    image = std::move(bytes);
    takeFrameSize(image, width, height);
}

int FSDefineJPEGImage2::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    bodyLength += static_cast<int>(table.size() + image.size());
    return bodyLength;
}

void FSDefineJPEGImage2::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    coder.writeBytes(table);
    coder.writeBytes(image);
    coder.endObject(name());
}

void FSDefineJPEGImage2::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    width = 0;
    height = 0;
    std::vector<uint8_t> bytes;
    requireBody(*this, 2);
    readTableAndImage(coder, bodyLength - 2, table, bytes);
    setImage(std::move(bytes));
    coder.endObject(name());
}

// ---- FSDefineJPEGImage3 ----

FSDefineJPEGImage3::FSDefineJPEGImage3(FSInputStream& coder) : FSDefineObject(35, 0) {
    decode(coder);
}

FSDefineJPEGImage3::FSDefineJPEGImage3(int identifier, std::vector<uint8_t> image,
                                       std::vector<uint8_t> table, std::vector<uint8_t> alpha)
    : FSDefineObject(35, identifier), table(std::move(table)), alpha(std::move(alpha)) {
    setImage(std::move(image));
}

void FSDefineJPEGImage3::setImage(std::vector<uint8_t> bytes) {
    image = std::move(bytes);
    takeFrameSize(image, width, height);
}

int FSDefineJPEGImage3::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    bodyLength += 4 + static_cast<int>(table.size() + image.size() + alpha.size());
    return bodyLength;
}

void FSDefineJPEGImage3::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    coder.write(static_cast<int>(table.size() + image.size()), FSCoder::UnsignedWord, 32);
    coder.writeBytes(table);
    coder.writeBytes(image);
    coder.writeBytes(alpha);
    coder.endObject(name());
}

void FSDefineJPEGImage3::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    width = 0;
    height = 0;
    requireBody(*this, 6);
    const long long room = bodyLength - 6;
    const long long offset = static_cast<uint32_t>(coder.read(FSCoder::UnsignedWord, 32));
    if (offset > room) throwOverflow(name(), offset - room);
    std::vector<uint8_t> bytes;
    readTableAndImage(coder, offset, table, bytes);
    setImage(std::move(bytes));
    alpha = coder.readBytes(room - offset);
    coder.endObject(name());
}

// ---- FSJPEGEncodingTable ----

namespace {
constexpr uint8_t EndOfImage[] = {0xFF, 0xD9};
}

FSJPEGEncodingTable::FSJPEGEncodingTable(FSInputStream& coder) : FSMovieObject(8) {
    decode(coder);
}

FSJPEGEncodingTable::FSJPEGEncodingTable(std::vector<uint8_t> table) : FSMovieObject(8) {
    setEncodingTable(std::move(table));
}

void FSJPEGEncodingTable::setEncodingTable(std::vector<uint8_t> bytes) {
    table = std::move(bytes);
    absent = table.empty();
}

int FSJPEGEncodingTable::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = absent ? static_cast<int>(sizeof EndOfImage) : static_cast<int>(table.size());
    return bodyLength;
}

void FSJPEGEncodingTable::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    if (absent)
        coder.writeBytes(EndOfImage, sizeof EndOfImage);
    else
        coder.writeBytes(table);
    coder.endObject(name());
}

void FSJPEGEncodingTable::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    table = coder.readBytes(bodyLength);
    absent = false;
    coder.endObject(name());
}

}  // namespace transform
