#include "media/bmp_decoder.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "media/byte_reader.h"

namespace quillet::media {

namespace {

enum Compression : uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3, AlphaBitFields = 6 };

struct Header {
    uint32_t headerSize = 0;
    bool os2v1 = false;
    bool os2v2 = false;
    int64_t width = 0;
    int64_t height = 0;
    bool topDown = false;
    unsigned planes = 0;
    unsigned bits = 0;
    uint32_t compression = Rgb;
    uint32_t coloursUsed = 0;
    bool masksInHeader = false;
    uint32_t masks[3] = {};
};

// One colour channel of a bit-field pixel.
class Channel {
  public:
    Channel(uint32_t mask, const ByteReader& in) : mask(mask) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        const uint32_t field = mask >> shift;
        if ((field & (field + 1)) != 0)
            in.fail("bit-field mask " + std::to_string(mask) + " is not contiguous");
        maximum = field;
    }
    uint8_t operator()(uint32_t pixel) const {
        if (maximum == 0) return 0;
        const uint64_t value = (pixel & mask) >> shift;
        return static_cast<uint8_t>((value * 255 + maximum / 2) / maximum);
    }

  private:
    uint32_t mask;
    int shift = 0;
    uint64_t maximum = 0;
};

bool isWindowsHeader(uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

Header readHeader(ByteReader& in) {
    Header h;
    h.headerSize = in.u32("header size");
    const std::size_t start = in.position() - 4;
    if (h.headerSize == 12) {
        h.os2v1 = true;
        h.width = in.u16("width");
        h.height = in.u16("height");
        h.planes = in.u16("planes");
        h.bits = in.u16("bit count");
        return h;
    }
    if (!isWindowsHeader(h.headerSize)) {
        if (h.headerSize < 16 || h.headerSize > 64 || h.headerSize % 4 != 0)
            in.fail("header size " + std::to_string(h.headerSize) + " is not one of a BMP file",
                    start);
        h.os2v2 = true;
    }
    in.require(h.headerSize - 4, "header");
    h.width = static_cast<int32_t>(in.u32("width"));
    const int32_t height = static_cast<int32_t>(in.u32("height"));
    h.topDown = height < 0;
    h.height = std::abs(static_cast<int64_t>(height));
    h.planes = in.u16("planes");
    h.bits = in.u16("bit count");
    if (h.headerSize >= 20) h.compression = in.u32("compression");
    if (h.headerSize >= 36) {
        in.seek(start + 32, "colours used");
        h.coloursUsed = in.u32("colours used");
    }
    if (h.headerSize >= 52 && !h.os2v2) {
        in.seek(start + 40, "bit masks");
        for (auto& mask : h.masks) mask = in.u32("bit mask");
        h.masksInHeader = true;
    }
    in.seek(start + h.headerSize, "header");
    return h;
}

void checkHeader(const Header& h, const ByteReader& in, const DecodeContext& context) {
    if (h.planes != 1) in.fail("plane count " + std::to_string(h.planes) + " is not 1");
    const unsigned bits = h.bits;
    if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        in.fail("bit count " + std::to_string(bits) + " is not supported");
    bool allowed = false;
    switch (h.compression) {
        case Rgb:
            allowed = true;
            break;
        case Rle8:
            allowed = bits == 8;
            break;
        case Rle4:
            allowed = bits == 4;
            break;
        // OS/2 uses these codes for Huffman and RLE24.
        case BitFields:
        case AlphaBitFields:
            allowed = !h.os2v2 && (bits == 16 || bits == 32);
            break;
        default:
            break;
    }
    if (!allowed)
        in.fail("compression " + std::to_string(h.compression) + " with " + std::to_string(bits) +
                " bits per pixel is not supported");
    if ((h.compression == Rle8 || h.compression == Rle4) && h.topDown)
        in.fail("compressed rows cannot be stored top-down");
    if (h.width <= 0) in.fail("width " + std::to_string(h.width) + " is not positive");
    checkImageSize("BMP", static_cast<uint64_t>(h.width), static_cast<uint64_t>(h.height), context);
}

void readTable(ByteReader& in, const Header& h, std::size_t pixelOffset, ImageRecord& record) {
    const std::size_t entries = std::size_t{1} << h.bits;
    const std::size_t entrySize = h.os2v1 ? 3 : 4;
    std::size_t count = entries;
    if (h.headerSize >= 36 && h.coloursUsed != 0)
        count = std::min<std::size_t>(h.coloursUsed, entries);
    const std::size_t tableStart = in.position();
    if (pixelOffset > tableStart)
        count = std::min(count, (pixelOffset - tableStart) / entrySize);
    else
        count = 0;
    record.table.assign(entries * 4, 0);
    for (std::size_t i = 0; i < entries; ++i) record.table[i * 4 + 3] = 255;
    for (std::size_t i = 0; i < count; ++i) {
        const auto entry = in.take(entrySize, "colour table");
        record.table[i * 4] = entry[2];
        record.table[i * 4 + 1] = entry[1];
        record.table[i * 4 + 2] = entry[0];
    }
}

// Stores indices of the RLE8 or RLE4 stream; rows count from the bottom of the image.
void decodeRle(ByteReader& in, const Header& h, ImageRecord& record) {
    const auto width = static_cast<uint32_t>(h.width);
    const auto height = static_cast<uint32_t>(h.height);
    const bool four = h.compression == Rle4;
    uint32_t x = 0;
    uint32_t row = 0;
    auto put = [&](uint8_t index) {
        if (x >= width || row >= height) in.fail("a run passes the edge of the image");
        record.indices[static_cast<std::size_t>(height - 1 - row) * width + x] = index;
        ++x;
    };
    while (!in.atEnd()) {
        const uint8_t count = in.u8("run length");
        const uint8_t value = in.u8("run value");
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i)
                put(four ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++row;
            continue;
        }
        if (value == 1) return;  // end of bitmap
        if (value == 2) {        // delta: right and up
            x += in.u8("delta");
            row += in.u8("delta");
            if (x > width || row > height) in.fail("a delta moves outside the image");
            continue;
        }
        const std::size_t bytes = four ? (value + 1u) / 2 : value;
        const auto literal = in.take(bytes, "literal run");
        for (unsigned i = 0; i < value; ++i)
            put(four ? (i % 2 == 0 ? literal[i / 2] >> 4 : literal[i / 2] & 0x0F) : literal[i]);
        if (bytes % 2 != 0) in.skip(std::min<std::size_t>(1, in.remaining()), "literal padding");
    }
}

void decodeRows(ByteReader& in, const Header& h, ImageRecord& record) {
    const auto width = static_cast<uint32_t>(h.width);
    const auto height = static_cast<uint32_t>(h.height);
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * h.bits + 31) / 32 * 4;
    uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};
    if (h.bits == 32) {
        masks[0] = 0x00FF0000;
        masks[1] = 0x0000FF00;
        masks[2] = 0x000000FF;
    }
    if (h.compression == BitFields || h.compression == AlphaBitFields)
        std::copy(h.masks, h.masks + 3, masks);
    const Channel red(masks[0], in), green(masks[1], in), blue(masks[2], in);

    for (uint32_t fileRow = 0; fileRow < height; ++fileRow) {
        const uint32_t y = h.topDown ? fileRow : height - 1 - fileRow;
        const auto row = in.take(rowBytes, "pixel row");
        if (h.bits <= 8) {
            uint8_t* out = record.indices.data() + static_cast<std::size_t>(y) * width;
            const unsigned perByte = 8 / h.bits;
            const unsigned mask = (1u << h.bits) - 1;
            for (uint32_t x = 0; x < width; ++x) {
                const unsigned shift = 8 - h.bits * (x % perByte + 1);
                out[x] = static_cast<uint8_t>(row[x / perByte] >> shift & mask);
            }
            continue;
        }
        uint8_t* out = record.pixels.data() + static_cast<std::size_t>(y) * width * 4;
        for (uint32_t x = 0; x < width; ++x, out += 4) {
            if (h.bits == 24) {
                out[0] = row[x * 3 + 2];
                out[1] = row[x * 3 + 1];
                out[2] = row[x * 3];
            } else {
                const std::size_t size = h.bits / 8;
                uint32_t pixel = 0;
                for (std::size_t i = size; i-- > 0;) pixel = pixel << 8 | row[x * size + i];
                out[0] = red(pixel);
                out[1] = green(pixel);
                out[2] = blue(pixel);
            }
            out[3] = 255;
        }
    }
}

}  // namespace

void BmpDecoder::decode(std::span<const uint8_t> bytes, ImageRecord& record,
                        const DecodeContext& context) const {
    ByteReader in(bytes, ByteReader::LittleEndian, "BMP");
    if (in.u8("signature") != 'B' || in.u8("signature") != 'M') in.fail("no BM signature", 0);
    in.u32("file size");
    in.u32("reserved");
    const uint32_t pixelOffset = in.u32("pixel data offset");
    Header h = readHeader(in);
    checkHeader(h, in, context);
    if ((h.compression == BitFields || h.compression == AlphaBitFields) && !h.masksInHeader) {
        for (auto& mask : h.masks) mask = in.u32("bit mask");
        if (h.compression == AlphaBitFields) in.u32("alpha mask");
    }
    if (pixelOffset < in.position())
        in.fail("pixel data offset " + std::to_string(pixelOffset) + " lies inside the headers");

    const auto width = static_cast<uint32_t>(h.width);
    const auto height = static_cast<uint32_t>(h.height);
    const std::size_t pixels = static_cast<std::size_t>(width) * height;
    if (h.bits <= 8) {
        readTable(in, h, pixelOffset, record);
        record.kind = IndexedImage;
    } else {
        record.kind = h.bits == 16 ? LowColourImage : h.bits == 24 ? ColourImage : AlphaColourImage;
    }
    in.seek(pixelOffset, "pixel data");
    if (h.compression == Rle8 || h.compression == Rle4) {
        record.indices.assign(pixels, 0);
        decodeRle(in, h, record);
    } else {
        // Every row must be there before anything is allocated for them.
        const uint64_t rowBytes = (static_cast<uint64_t>(width) * h.bits + 31) / 32 * 4;
        if (rowBytes * height > in.remaining())
            in.fail("pixel data of " + std::to_string(rowBytes * height) + " bytes is cut short");
        if (h.bits <= 8)
            record.indices.assign(pixels, 0);
        else
            record.pixels.assign(pixels * 4, 0);
        decodeRows(in, h, record);
    }
    record.width = width;
    record.height = height;
}

}  // namespace quillet::media
