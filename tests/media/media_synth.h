// Small media files made in memory for tests, benchmarks, fuzz seeds and end-to-end movies:
// PNG, BMP and baseline JPEG pictures, WAV files and MP3 streams of silent frames. Each writer
// follows its format's documentation and nothing else, so that our decoders are checked against
// the formats rather than against themselves.
#pragma once

#include <zlib.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace quillet::media::synth {

using Bytes = std::vector<uint8_t>;

struct Rgb {
    uint8_t r, g, b;
};

inline void putBig32(Bytes& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
inline void putBig16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
inline void putLittle32(Bytes& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(v >> shift));
}
inline void putLittle16(Bytes& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void putText(Bytes& out, const char* text) {
    for (; *text; ++text) out.push_back(static_cast<uint8_t>(*text));
}

inline Bytes zlibCompress(const Bytes& data, int level = Z_DEFAULT_COMPRESSION) {
    uLongf length = compressBound(static_cast<uLong>(data.size()));
    Bytes out(length);
    compress2(out.data(), &length, data.data(), static_cast<uLong>(data.size()), level);
    out.resize(length);
    return out;
}

inline Bytes zlibInflate(const Bytes& data, std::size_t expected) {
    Bytes out(expected);
    uLongf length = static_cast<uLongf>(expected);
    if (uncompress(out.data(), &length, data.data(), static_cast<uLong>(data.size())) != Z_OK)
        return {};
    out.resize(length);
    return out;
}

// ---- PNG ----

// One chunk with its length and CRC.
inline Bytes pngChunk(const char* type, const Bytes& data) {
    Bytes out;
    putBig32(out, static_cast<uint32_t>(data.size()));
    Bytes body;
    putText(body, type);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    putBig32(out, static_cast<uint32_t>(crc32(0L, body.data(), static_cast<uInt>(body.size()))));
    return out;
}

inline Bytes pngSignature() {
    return {137, 80, 78, 71, 13, 10, 26, 10};
}

inline Bytes pngHeader(uint32_t width, uint32_t height, int depth, int colourType,
                       int interlace = 0) {
    Bytes ihdr;
    putBig32(ihdr, width);
    putBig32(ihdr, height);
    ihdr.insert(ihdr.end(), {static_cast<uint8_t>(depth), static_cast<uint8_t>(colourType), 0, 0,
                             static_cast<uint8_t>(interlace)});
    return pngChunk("IHDR", ihdr);
}

struct PngParts {
    PngParts(uint32_t width, uint32_t height, int depth, int colourType)
        : width(width), height(height), depth(depth), colourType(colourType) {}

    uint32_t width = 0;
    uint32_t height = 0;
    int depth = 8;
    int colourType = 6;
    // Packed rows without filter bytes, top to bottom.
    Bytes rows;
    Bytes palette;  // red, green, blue triples
    Bytes transparency;
    // Filter type written before each row: 0 none, 1 sub, 2 up (the encoder applies it).
    int filter = 0;
    int level = Z_DEFAULT_COMPRESSION;
};

inline Bytes png(const PngParts& p) {
    static const int samples[7] = {1, 0, 3, 1, 2, 0, 4};
    const std::size_t bitsPerPixel = static_cast<std::size_t>(p.depth) * samples[p.colourType];
    const std::size_t rowBytes = (p.width * bitsPerPixel + 7) / 8;
    const std::size_t distance = std::max<std::size_t>(1, bitsPerPixel / 8);
    Bytes filtered;
    filtered.reserve((rowBytes + 1) * p.height);
    for (uint32_t y = 0; y < p.height; ++y) {
        const uint8_t* row = p.rows.data() + y * rowBytes;
        filtered.push_back(static_cast<uint8_t>(p.filter));
        for (std::size_t i = 0; i < rowBytes; ++i) {
            int value = row[i];
            if (p.filter == 1 && i >= distance) value -= row[i - distance];
            if (p.filter == 2 && y > 0) value -= p.rows[(y - 1) * rowBytes + i];
            filtered.push_back(static_cast<uint8_t>(value));
        }
    }
    Bytes out = pngSignature();
    const Bytes header = pngHeader(p.width, p.height, p.depth, p.colourType);
    out.insert(out.end(), header.begin(), header.end());
    auto add = [&](const Bytes& chunk) { out.insert(out.end(), chunk.begin(), chunk.end()); };
    if (!p.palette.empty()) add(pngChunk("PLTE", p.palette));
    if (!p.transparency.empty()) add(pngChunk("tRNS", p.transparency));
    add(pngChunk("IDAT", zlibCompress(filtered, p.level)));
    add(pngChunk("IEND", {}));
    return out;
}

// 8-bit RGBA (colour type 6) from red, green, blue, alpha pixels.
inline Bytes pngRgba(uint32_t width, uint32_t height, const Bytes& pixels, int filter = 0) {
    PngParts parts(width, height, 8, 6);
    parts.rows = pixels;
    parts.filter = filter;
    return png(parts);
}

// ---- BMP ----

struct BmpParts {
    BmpParts(int32_t width, int32_t height, int bits, uint32_t compression = 0)
        : width(width), height(height), bits(bits), compression(compression) {}

    int32_t width = 0;
    int32_t height = 0;  // negative for top-down rows
    int bits = 24;
    uint32_t compression = 0;
    // Palette entries as red, green, blue; written blue, green, red, 0.
    std::vector<Rgb> palette;
    uint32_t coloursUsed = 0;
    std::vector<uint32_t> masks;  // written after the header (BI_BITFIELDS)
    // The pixel data exactly as stored (rows bottom-up unless height < 0, padded).
    Bytes data;
};

inline Bytes bmp(const BmpParts& p) {
    const uint32_t headerSize = 40;
    const uint32_t offset =
        14 + headerSize + static_cast<uint32_t>(p.masks.size() * 4 + p.palette.size() * 4);
    Bytes out;
    putText(out, "BM");
    putLittle32(out, offset + static_cast<uint32_t>(p.data.size()));
    putLittle32(out, 0);
    putLittle32(out, offset);
    putLittle32(out, headerSize);
    putLittle32(out, static_cast<uint32_t>(p.width));
    putLittle32(out, static_cast<uint32_t>(p.height));
    putLittle16(out, 1);
    putLittle16(out, static_cast<uint32_t>(p.bits));
    putLittle32(out, p.compression);
    putLittle32(out, static_cast<uint32_t>(p.data.size()));
    putLittle32(out, 2835);
    putLittle32(out, 2835);
    putLittle32(out, p.coloursUsed);
    putLittle32(out, 0);
    for (uint32_t mask : p.masks) putLittle32(out, mask);
    for (const Rgb& c : p.palette) out.insert(out.end(), {c.b, c.g, c.r, 0});
    out.insert(out.end(), p.data.begin(), p.data.end());
    return out;
}

// Rows of 24 or 32-bit pixels given top to bottom as red, green, blue triples.
inline Bytes bmpTrueColour(int32_t width, int32_t height, const std::vector<Rgb>& pixels,
                           int bits = 24, bool topDown = false) {
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    BmpParts parts(width, topDown ? -height : height, bits);
    parts.data.assign(rowBytes * height, 0);
    for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
        const int32_t y = topDown ? fileRow : height - 1 - fileRow;
        uint8_t* out = parts.data.data() + fileRow * rowBytes;
        for (int32_t x = 0; x < width; ++x) {
            const Rgb& c = pixels[static_cast<std::size_t>(y) * width + x];
            uint8_t* at = out + x * (bits / 8);
            at[0] = c.b;
            at[1] = c.g;
            at[2] = c.r;
        }
    }
    return bmp(parts);
}

// An 8-bit indexed picture; indices given top to bottom.
inline Bytes bmpIndexed8(int32_t width, int32_t height, const std::vector<Rgb>& palette,
                         const Bytes& indices, uint32_t coloursUsed = 0) {
    const std::size_t rowBytes = (static_cast<std::size_t>(width) + 3) / 4 * 4;
    BmpParts parts(width, height, 8);
    parts.palette = palette;
    parts.coloursUsed = coloursUsed;
    parts.data.assign(rowBytes * height, 0);
    for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
        const int32_t y = height - 1 - fileRow;
        for (int32_t x = 0; x < width; ++x)
            parts.data[fileRow * rowBytes + x] = indices[static_cast<std::size_t>(y) * width + x];
    }
    return bmp(parts);
}

// ---- JPEG ----

// A baseline JPEG (4:4:4 YCbCr, or one grey component) whose 8 × 8 blocks are each of one colour
// (the colour at the block's top-left pixel), so that only DC coefficients are coded. Width and
// height need not be multiples of 8.
inline Bytes jpegBlocks(uint32_t width, uint32_t height, const std::vector<Rgb>& pixels,
                        bool grey = false) {
    const int components = grey ? 1 : 3;
    Bytes out = {0xFF, 0xD8};
    auto segment = [&](uint8_t marker, const Bytes& body) {
        out.insert(out.end(), {0xFF, marker});
        putBig16(out, static_cast<uint32_t>(body.size() + 2));
        out.insert(out.end(), body.begin(), body.end());
    };
    Bytes app0;
    putText(app0, "JFIF");
    app0.insert(app0.end(), {0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
    segment(0xE0, app0);
    Bytes dqt = {0};
    dqt.resize(65, 1);  // quantiser 1 everywhere: DC values are kept exactly
    segment(0xDB, dqt);
    Bytes sof = {8};
    putBig16(sof, height);
    putBig16(sof, width);
    sof.push_back(static_cast<uint8_t>(components));
    for (int c = 0; c < components; ++c)
        sof.insert(sof.end(), {static_cast<uint8_t>(c + 1), 0x11, 0});
    segment(0xC0, sof);
    // DC table: categories 0 to 11 with 4-bit codes 0000 to 1011. AC table: only end-of-block,
    // coded as the single bit 0.
    Bytes dht = {0x00, 0, 0, 0, 12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (uint8_t s = 0; s < 12; ++s) dht.push_back(s);
    dht.insert(dht.end(), {0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00});
    segment(0xC4, dht);
    Bytes sos = {static_cast<uint8_t>(components)};
    for (int c = 0; c < components; ++c) sos.insert(sos.end(), {static_cast<uint8_t>(c + 1), 0x00});
    sos.insert(sos.end(), {0, 63, 0});
    segment(0xDA, sos);

    uint32_t bitBuffer = 0;
    int bitCount = 0;
    auto emit = [&](uint32_t bits, int count) {
        for (int i = count - 1; i >= 0; --i) {
            bitBuffer = bitBuffer << 1 | (bits >> i & 1);
            if (++bitCount == 8) {
                out.push_back(static_cast<uint8_t>(bitBuffer));
                if ((bitBuffer & 0xFF) == 0xFF) out.push_back(0);
                bitBuffer = 0;
                bitCount = 0;
            }
        }
    };
    int previous[3] = {0, 0, 0};
    for (uint32_t by = 0; by < (height + 7) / 8; ++by) {
        for (uint32_t bx = 0; bx < (width + 7) / 8; ++bx) {
            const Rgb& c = pixels[static_cast<std::size_t>(by * 8) * width + bx * 8];
            const double y = 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
            const double values[3] = {y, 128 - 0.168736 * c.r - 0.331264 * c.g + 0.5 * c.b,
                                      128 + 0.5 * c.r - 0.418688 * c.g - 0.081312 * c.b};
            for (int k = 0; k < components; ++k) {
                const int dc = static_cast<int>(std::lround(8 * (values[k] - 128)));
                const int diff = dc - previous[k];
                previous[k] = dc;
                int category = 0;
                for (int magnitude = std::abs(diff); magnitude > 0; magnitude >>= 1) ++category;
                emit(static_cast<uint32_t>(category), 4);
                if (category > 0) {
                    const int bits = diff >= 0 ? diff : diff + (1 << category) - 1;
                    emit(static_cast<uint32_t>(bits), category);
                }
                emit(0, 1);  // end of block
            }
        }
    }
    if (bitCount > 0) emit((1u << (8 - bitCount)) - 1, 8 - bitCount);
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

// ---- WAV ----

inline Bytes wavChunk(const char* id, const Bytes& body) {
    Bytes out;
    putText(out, id);
    putLittle32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2) out.push_back(0);
    return out;
}

inline Bytes wavFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    Bytes fmt;
    putLittle16(fmt, tag);
    putLittle16(fmt, channels);
    putLittle32(fmt, rate);
    putLittle32(fmt, rate * channels * bits / 8);
    putLittle16(fmt, channels * bits / 8);
    putLittle16(fmt, bits);
    return fmt;
}

inline Bytes riffWave(const std::vector<Bytes>& chunks) {
    Bytes body;
    putText(body, "WAVE");
    for (const Bytes& chunk : chunks) body.insert(body.end(), chunk.begin(), chunk.end());
    Bytes out;
    putText(out, "RIFF");
    putLittle32(out, static_cast<uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

inline Bytes wav(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& samples,
                 uint16_t tag = 1) {
    return riffWave(
        {wavChunk("fmt ", wavFormat(tag, channels, rate, bits)), wavChunk("data", samples)});
}

// ---- MP3 ----

struct Mp3Header {
    int version = 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    int bitrateIndex = 9;
    int rateIndex = 0;
    int mode = 0;  // 3 mono
};

inline int mp3SampleRate(const Mp3Header& h) {
    static const int base[3] = {44100, 48000, 32000};
    return h.version == 3   ? base[h.rateIndex]
           : h.version == 2 ? base[h.rateIndex] / 2
                            : base[h.rateIndex] / 4;
}

inline int mp3Bitrate(const Mp3Header& h) {
    static const int mpeg1[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int mpeg2[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    return (h.version == 3 ? mpeg1 : mpeg2)[h.bitrateIndex];
}

// One Layer III frame of silence: the header, then zeros (empty side information and no main
// data decode as silence).
inline Bytes mp3Frame(const Mp3Header& h, bool padding) {
    const std::size_t length = static_cast<std::size_t>((h.version == 3 ? 144 : 72) *
                                                        mp3Bitrate(h) * 1000 / mp3SampleRate(h)) +
                               (padding ? 1 : 0);
    Bytes frame(length, 0);
    frame[0] = 0xFF;
    frame[1] = static_cast<uint8_t>(0xE0 | h.version << 3 | 1 << 1 | 1);  // Layer III, no CRC
    frame[2] = static_cast<uint8_t>(h.bitrateIndex << 4 | h.rateIndex << 2 | (padding ? 2 : 0));
    frame[3] = static_cast<uint8_t>(h.mode << 6);
    return frame;
}

// count frames, padded as an encoder pads them to keep the average bit rate exact.
inline Bytes mp3Stream(const Mp3Header& h, std::size_t count) {
    const double exact = (h.version == 3 ? 144.0 : 72.0) * mp3Bitrate(h) * 1000 / mp3SampleRate(h);
    const double fraction = exact - std::floor(exact);
    Bytes out;
    for (std::size_t i = 0; i < count; ++i) {
        const bool padding = std::floor((i + 1) * fraction) > std::floor(i * fraction);
        const Bytes frame = mp3Frame(h, padding);
        out.insert(out.end(), frame.begin(), frame.end());
    }
    return out;
}

// An ID3v2.3 tag of the given payload size (syncsafe size field).
inline Bytes id3Tag(std::size_t payload) {
    Bytes out;
    putText(out, "ID3");
    out.insert(out.end(), {3, 0, 0});
    for (int shift = 21; shift >= 0; shift -= 7)
        out.push_back(static_cast<uint8_t>(payload >> shift & 0x7F));
    out.resize(out.size() + payload, 0);
    return out;
}

}  // namespace quillet::media::synth
