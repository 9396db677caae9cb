#include "media/png_decoder.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "media/byte_reader.h"

namespace quillet::media {

namespace {

constexpr std::array<uint8_t, 8> Signature = {137, 80, 78, 71, 13, 10, 26, 10};

// deflate cannot expand data by more than this factor, so shorter image data is cut short.
constexpr uint64_t MaximumInflateRatio = 1032;

enum ColourType { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

struct Header {
    uint32_t width = 0;
    uint32_t height = 0;
    unsigned depth = 0;
    unsigned colourType = 0;
    unsigned interlace = 0;
};

struct Pass {
    uint32_t row, rowStep, column, columnStep;
};

constexpr std::array<Pass, 7> Adam7 = {{
    {0, 8, 0, 8},
    {0, 8, 4, 8},
    {4, 8, 0, 4},
    {0, 4, 2, 4},
    {2, 4, 0, 2},
    {0, 2, 1, 2},
    {1, 2, 0, 1},
}};

unsigned samplesPerPixel(unsigned colourType) {
    switch (colourType) {
        case Rgb:
            return 3;
        case GreyAlpha:
            return 2;
        case Rgba:
            return 4;
        default:
            return 1;
    }
}

bool validDepth(unsigned colourType, unsigned depth) {
    switch (colourType) {
        case Grey:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case Palette:
            return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        case Rgb:
        case GreyAlpha:
        case Rgba:
            return depth == 8 || depth == 16;
        default:
            return false;
    }
}

bool isLetter(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string typeName(std::span<const uint8_t> type) {
    return std::string(type.begin(), type.end());
}

// Inflates a zlib stream on demand, exactly as many bytes as asked for.
class Inflater {
  public:
    explicit Inflater(std::span<const uint8_t> input) {
        stream.next_in = const_cast<Bytef*>(input.data());
        stream.avail_in = static_cast<uInt>(input.size());
        if (inflateInit(&stream) != Z_OK)
            throw DecodeError{BadData, "PNG: cannot start inflating the image data"};
    }
    ~Inflater() { inflateEnd(&stream); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    void read(uint8_t* out, std::size_t count) {
        stream.next_out = out;
        stream.avail_out = static_cast<uInt>(count);
        while (stream.avail_out > 0) {
            const int result = inflate(&stream, Z_SYNC_FLUSH);
            if (result == Z_STREAM_END && stream.avail_out > 0)
                throw DecodeError{BadData, "PNG: the image data ends before the last row"};
            if (result == Z_BUF_ERROR ||
                (result == Z_OK && stream.avail_in == 0 && stream.avail_out > 0))
                throw DecodeError{BadData, "PNG: the image data is cut short"};
            if (result != Z_OK && result != Z_STREAM_END)
                throw DecodeError{
                    BadData,
                    std::string("PNG: the image data cannot be inflated: ") +
                        (stream.msg ? stream.msg : "zlib error " + std::to_string(result))};
        }
    }

  private:
    z_stream stream{};
};

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// The whole image data inflated at once, several times faster than row by row; empty when the
// stream is not exactly the image's rows (cut short, trailing bytes, a wrong checksum), which the
// row-by-row inflater then reads as far as the rows go.
std::unique_ptr<uint8_t[]> inflateWhole(std::span<const uint8_t> input, uint64_t size) {
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> decompressor(
        libdeflate_alloc_decompressor());
    if (!decompressor) return nullptr;
    auto out = std::make_unique_for_overwrite<uint8_t[]>(static_cast<std::size_t>(size));
    if (libdeflate_zlib_decompress(decompressor.get(), input.data(), input.size(), out.get(),
                                   static_cast<std::size_t>(size), nullptr) != LIBDEFLATE_SUCCESS)
        return nullptr;
    return out;
}

uint8_t paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return static_cast<uint8_t>(a);
    if (pb <= pc) return static_cast<uint8_t>(b);
    return static_cast<uint8_t>(c);
}

void unfilter(unsigned filter, uint8_t* row, const uint8_t* previous, std::size_t length,
              std::size_t distance) {
    switch (filter) {
        case 0:
            return;
        case 1:
            for (std::size_t i = distance; i < length; ++i)
                row[i] = static_cast<uint8_t>(row[i] + row[i - distance]);
            return;
        case 2:
            for (std::size_t i = 0; i < length; ++i)
                row[i] = static_cast<uint8_t>(row[i] + previous[i]);
            return;
        case 3:
            for (std::size_t i = 0; i < length; ++i) {
                const unsigned left = i >= distance ? row[i - distance] : 0;
                row[i] = static_cast<uint8_t>(row[i] + (left + previous[i]) / 2);
            }
            return;
        case 4:
            for (std::size_t i = 0; i < length; ++i) {
                const int left = i >= distance ? row[i - distance] : 0;
                const int upLeft = i >= distance ? previous[i - distance] : 0;
                row[i] = static_cast<uint8_t>(row[i] + paeth(left, previous[i], upLeft));
            }
            return;
        default:
            throw DecodeError{
                BadData, "PNG: row filter " + std::to_string(filter) + " is not one of 0 to 4"};
    }
}

// Everything read from the chunks.
struct Chunks {
    Header header;
    bool seenHeader = false;
    bool seenData = false;
    bool seenEnd = false;
    std::vector<uint8_t> palette;  // red, green, blue, alpha per entry
    bool hasKey = false;
    uint16_t key[3] = {};  // grey, or red, green and blue, at the image's bit depth
    std::vector<uint8_t> data;
};

void report(const DecodeContext& context, const std::string& type, const char* what,
            std::size_t bytes) {
    if (context.diagnostics)
        *context.diagnostics << type << " chunk " << what << " by " << bytes << " bytes."
                             << std::endl;
}

void readHeader(ByteReader& chunk, Chunks& chunks, const DecodeContext& context) {
    Header& h = chunks.header;
    h.width = chunk.u32("IHDR width");
    h.height = chunk.u32("IHDR height");
    h.depth = chunk.u8("IHDR bit depth");
    h.colourType = chunk.u8("IHDR colour type");
    const unsigned compression = chunk.u8("IHDR compression method");
    const unsigned filter = chunk.u8("IHDR filter method");
    h.interlace = chunk.u8("IHDR interlace method");
    if (h.colourType != Grey && h.colourType != Rgb && h.colourType != Palette &&
        h.colourType != GreyAlpha && h.colourType != Rgba)
        chunk.fail("colour type " + std::to_string(h.colourType) + " is not one of PNG", 0);
    if (!validDepth(h.colourType, h.depth))
        chunk.fail("bit depth " + std::to_string(h.depth) + " is not allowed with colour type " +
                       std::to_string(h.colourType),
                   0);
    if (compression != 0 || filter != 0 || h.interlace > 1)
        chunk.fail("compression, filter or interlace method is unknown", 0);
    if (h.width > 0x7FFFFFFF || h.height > 0x7FFFFFFF)
        chunk.fail("width or height is above 2^31 - 1", 0);
    checkImageSize("PNG", h.width, h.height, context);
    chunks.seenHeader = true;
}

void readPalette(ByteReader& chunk, Chunks& chunks, std::size_t length) {
    if (chunks.header.colourType != Palette) {
        chunk.skip(length, "PLTE");
        return;
    }
    const std::size_t entries = length / 3;
    if (entries == 0 || entries > 256)
        chunk.fail("a palette of " + std::to_string(entries) + " entries");
    chunks.palette.clear();
    for (std::size_t i = 0; i < entries; ++i) {
        const auto rgb = chunk.take(3, "PLTE entry");
        chunks.palette.insert(chunks.palette.end(), {rgb[0], rgb[1], rgb[2], 255});
    }
}

// Returns false when the chunk is too short for its fields and is ignored.
bool readTransparency(ByteReader& chunk, Chunks& chunks, std::size_t length,
                      const DecodeContext& context) {
    const Header& h = chunks.header;
    const uint16_t sampleMask = static_cast<uint16_t>(h.depth == 16 ? 0xFFFF : (1u << h.depth) - 1);
    switch (h.colourType) {
        case Palette: {
            const std::size_t entries = std::min(length, chunks.palette.size() / 4);
            for (std::size_t i = 0; i < entries; ++i)
                chunks.palette[i * 4 + 3] = chunk.u8("tRNS alpha");
            return true;
        }
        case Grey:
        case Rgb: {
            const std::size_t needed = h.colourType == Grey ? 2 : 6;
            if (length < needed) {
                report(context, "tRNS", "overflowed", needed - length);
                chunk.skip(length, "tRNS");
                return false;
            }
            for (std::size_t i = 0; i < needed / 2; ++i)
                chunks.key[i] = chunk.u16("tRNS key") & sampleMask;
            chunks.hasKey = true;
            return true;
        }
        default:  // grey with alpha and RGBA carry their own alpha
            chunk.skip(length, "tRNS");
            return true;
    }
}

void readChunks(ByteReader& in, Chunks& chunks, const DecodeContext& context) {
    for (int index = 0; !in.atEnd(); ++index) {
        const std::size_t start = in.position();
        const uint32_t length = in.u32("chunk length");
        const auto type = in.take(4, "chunk type");
        const std::string name = typeName(type);
        for (uint8_t letter : type) {
            if (!isLetter(letter)) in.fail("chunk type is not four letters", start + 4);
        }
        if (length > 0x7FFFFFFF || length + std::size_t{4} > in.remaining())
            in.fail(name + " chunk of " + std::to_string(length) +
                        " bytes runs past the end of the data",
                    start);
        const auto body = in.take(length, "chunk data");
        const uint32_t stored = in.u32("chunk CRC");
        uLong crc = crc32(0L, type.data(), 4);
        crc = crc32(crc, body.data(), static_cast<uInt>(body.size()));
        if (crc != stored) in.fail(name + " chunk has a wrong CRC", start);

        ByteReader chunk(body, ByteReader::BigEndian, "PNG");
        if ((name == "IHDR") != (index == 0))
            in.fail(
                index == 0 ? "the first chunk is " + name + ", not IHDR" : "a second IHDR chunk",
                start);
        if (name == "IHDR") {
            if (length < 13) in.fail("IHDR chunk is cut short", start);
            readHeader(chunk, chunks, context);
        } else if (name == "PLTE") {
            if (chunks.seenData) in.fail("PLTE chunk after the image data", start);
            readPalette(chunk, chunks, length);
        } else if (name == "tRNS") {
            if (chunks.seenData)
                chunk.seek(length, "tRNS");
            else if (!readTransparency(chunk, chunks, length, context))
                continue;
        } else if (name == "IDAT") {
            chunks.data.insert(chunks.data.end(), body.begin(), body.end());
            chunks.seenData = true;
            chunk.seek(length, "IDAT");
        } else if (name == "IEND") {
            chunks.seenEnd = true;
            return;
        } else if (type[0] >= 'A' && type[0] <= 'Z') {
            in.fail("unknown critical chunk " + name, start);
        } else {
            chunk.seek(length, name.c_str());
        }
        if (chunk.remaining() > 0) report(context, name, "underflowed", chunk.remaining());
    }
}

// Writes one unfiltered row of a pass into the record.
class RowStore {
  public:
    RowStore(const Chunks& chunks, ImageRecord& record)
        : h(chunks.header), chunks(chunks), record(record) {}

    void store(const uint8_t* row, uint32_t y, const Pass& pass, uint32_t count) const {
        if (h.depth == 8 && pass.columnStep == 1 && storeWhole8(row, y, count)) return;
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t x = pass.column + i * pass.columnStep;
            const std::size_t at = static_cast<std::size_t>(y) * h.width + x;
            if (h.colourType == Palette) {
                record.indices[at] = static_cast<uint8_t>(sample(row, i, 0));
                continue;
            }
            uint8_t* out = record.pixels.data() + at * 4;
            switch (h.colourType) {
                case Grey: {
                    const unsigned grey = sample(row, i, 0);
                    out[0] = out[1] = out[2] = scale(grey);
                    out[3] = chunks.hasKey && grey == chunks.key[0] ? 0 : 255;
                    break;
                }
                case Rgb: {
                    const unsigned r = sample(row, i, 0), g = sample(row, i, 1),
                                   b = sample(row, i, 2);
                    out[0] = scale(r);
                    out[1] = scale(g);
                    out[2] = scale(b);
                    out[3] = chunks.hasKey && r == chunks.key[0] && g == chunks.key[1] &&
                                     b == chunks.key[2]
                                 ? 0
                                 : 255;
                    break;
                }
                case GreyAlpha:
                    out[0] = out[1] = out[2] = scale(sample(row, i, 0));
                    out[3] = scale(sample(row, i, 1));
                    break;
                default:
                    for (unsigned s = 0; s < 4; ++s) out[s] = scale(sample(row, i, s));
                    break;
            }
        }
    }

  private:
    // A whole row of 8-bit samples, the common case, without a look at the depth per sample;
    // false for the colour types left to the general loop.
    bool storeWhole8(const uint8_t* row, uint32_t y, uint32_t count) const {
        const std::size_t at = static_cast<std::size_t>(y) * h.width;
        uint8_t* out = record.pixels.data() + at * 4;
        switch (h.colourType) {
            case Palette:
                std::memcpy(record.indices.data() + at, row, count);
                return true;
            case Rgba:
                std::memcpy(out, row, static_cast<std::size_t>(count) * 4);
                return true;
            case Rgb:
                if (chunks.hasKey) return false;
                for (uint32_t i = 0; i < count; ++i, out += 4, row += 3) {
                    out[0] = row[0];
                    out[1] = row[1];
                    out[2] = row[2];
                    out[3] = 255;
                }
                return true;
            case GreyAlpha:
                for (uint32_t i = 0; i < count; ++i, out += 4, row += 2) {
                    out[0] = out[1] = out[2] = row[0];
                    out[3] = row[1];
                }
                return true;
            default:
                return false;
        }
    }

    // Sample s of pixel i of the row, at the image's bit depth.
    unsigned sample(const uint8_t* row, uint32_t i, unsigned s) const {
        const std::size_t index = static_cast<std::size_t>(i) * samplesPerPixel(h.colourType) + s;
        switch (h.depth) {
            case 16:
                return static_cast<unsigned>(row[index * 2] << 8 | row[index * 2 + 1]);
            case 8:
                return row[index];
            default: {
                const std::size_t bit = index * h.depth;
                const unsigned shift = 8 - h.depth - static_cast<unsigned>(bit % 8);
                return row[bit / 8] >> shift & ((1u << h.depth) - 1);
            }
        }
    }
    uint8_t scale(unsigned value) const {
        switch (h.depth) {
            case 16:
                return static_cast<uint8_t>(value >> 8);
            case 8:
                return static_cast<uint8_t>(value);
            default:
                return static_cast<uint8_t>(value * 255 / ((1u << h.depth) - 1));
        }
    }

    const Header& h;
    const Chunks& chunks;
    ImageRecord& record;
};

uint64_t rowLength(uint64_t pixels, unsigned bitsPerPixel) {
    return (pixels * bitsPerPixel + 7) / 8;
}

void decodeImage(const Chunks& chunks, ImageRecord& record) {
    const Header& h = chunks.header;
    const unsigned bitsPerPixel = h.depth * samplesPerPixel(h.colourType);
    const std::size_t distance = std::max(1u, bitsPerPixel / 8);
    const std::array<Pass, 1> whole = {{{0, 1, 0, 1}}};
    const std::span<const Pass> passes =
        h.interlace ? std::span<const Pass>(Adam7) : std::span<const Pass>(whole);

    uint64_t filtered = 0;
    for (const Pass& pass : passes) {
        if (pass.row >= h.height || pass.column >= h.width) continue;
        const uint64_t rows = (h.height - pass.row + pass.rowStep - 1) / pass.rowStep;
        const uint64_t columns = (h.width - pass.column + pass.columnStep - 1) / pass.columnStep;
        filtered += rows * (1 + rowLength(columns, bitsPerPixel));
    }
    if (chunks.data.size() * MaximumInflateRatio < filtered)
        throw DecodeError{BadData, "PNG: " + std::to_string(chunks.data.size()) +
                                       " bytes of image data cannot hold a " +
                                       std::to_string(h.width) + " x " + std::to_string(h.height) +
                                       " image"};

    const std::size_t pixels = static_cast<std::size_t>(h.width) * h.height;
    if (h.colourType == Palette)
        record.indices.assign(pixels, 0);
    else
        record.pixels.assign(pixels * 4, 0);

    const std::unique_ptr<uint8_t[]> inflated = inflateWhole(chunks.data, filtered);
    std::optional<Inflater> inflater;
    if (!inflated) inflater.emplace(chunks.data);
    std::size_t offset = 0;
    const RowStore store(chunks, record);
    // Each row is read with its filter byte in front.
    const std::size_t widest = static_cast<std::size_t>(rowLength(h.width, bitsPerPixel));
    // Rows are unfiltered where they lie: in the inflated data, else in two buffers taken in turn.
    std::vector<uint8_t> row, spare;
    if (inflater) {
        row.resize(widest + 1);
        spare.resize(widest + 1);
    }
    const std::vector<uint8_t> zeros(widest + 1);
    for (const Pass& pass : passes) {
        if (pass.row >= h.height || pass.column >= h.width) continue;
        const auto columns =
            static_cast<uint32_t>((h.width - pass.column + pass.columnStep - 1) / pass.columnStep);
        const auto length = static_cast<std::size_t>(rowLength(columns, bitsPerPixel));
        const uint8_t* previous = zeros.data();
        for (uint32_t y = pass.row; y < h.height; y += pass.rowStep) {
            uint8_t* current = nullptr;
            if (inflater) {
                std::swap(row, spare);
                current = row.data();
                inflater->read(current, length + 1);
            } else {
                current = inflated.get() + offset;
                offset += length + 1;
            }
            unfilter(current[0], current + 1, previous + 1, length, distance);
            store.store(current + 1, y, pass, columns);
            previous = current;
        }
    }
}

}  // namespace

void PngDecoder::decode(std::span<const uint8_t> bytes, ImageRecord& record,
                        const DecodeContext& context) const {
    ByteReader in(bytes, ByteReader::BigEndian, "PNG");
    const auto signature = in.take(Signature.size(), "signature");
    if (!std::equal(Signature.begin(), Signature.end(), signature.begin()))
        in.fail("the PNG signature is wrong", 0);

    Chunks chunks;
    readChunks(in, chunks, context);
    if (!chunks.seenHeader) in.fail("no IHDR chunk");
    if (!chunks.seenEnd) in.fail("no IEND chunk: the file is cut short");
    if (chunks.data.empty()) in.fail("no image data (IDAT)");
    const Header& h = chunks.header;
    if (h.colourType == Palette && chunks.palette.empty())
        in.fail("a palette image without a PLTE chunk");

    decodeImage(chunks, record);
    if (h.colourType == Palette) {
        record.kind = IndexedImage;
        record.table = chunks.palette;
        const uint8_t highest = record.indices.empty() ? 0
                                                       : *std::max_element(record.indices.begin(),
                                                                           record.indices.end());
        // Indices beyond the palette show as opaque black.
        while (record.table.size() / 4 <= highest)
            record.table.insert(record.table.end(), {0, 0, 0, 255});
    } else if (h.colourType == GreyAlpha || h.colourType == Rgba || chunks.hasKey) {
        record.kind = AlphaColourImage;
    } else {
        record.kind = h.depth < 6 ? LowColourImage : ColourImage;
    }
    record.width = h.width;
    record.height = h.height;
}

}  // namespace quillet::media
