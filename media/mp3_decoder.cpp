#include "media/mp3_decoder.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace quillet::media {

namespace {

enum Version { Mpeg25 = 0, Reserved = 1, Mpeg2 = 2, Mpeg1 = 3 };

constexpr int LayerIII = 1;

constexpr int Mpeg1Rates[14] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int Mpeg2Rates[14] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
constexpr int BaseSampleRates[3] = {44100, 48000, 32000};

struct FrameHeader {
    int version = 0;
    int layer = 0;
    int bitrateIndex = 0;
    int rateIndex = 0;
    int padding = 0;
    int mode = 0;

    bool sameStream(const FrameHeader& other) const {
        return version == other.version && layer == other.layer && rateIndex == other.rateIndex;
    }
    int sampleRate() const {
        const int base = BaseSampleRates[rateIndex];
        return version == Mpeg1 ? base : version == Mpeg2 ? base / 2 : base / 4;
    }
    int samplesPerFrame() const { return version == Mpeg1 ? 1152 : 576; }
    bool freeFormat() const { return bitrateIndex == 0; }
    // In bytes; 0 for free-format frames.
    std::size_t length() const {
        if (freeFormat()) return 0;
        const int kbits = (version == Mpeg1 ? Mpeg1Rates : Mpeg2Rates)[bitrateIndex - 1];
        return static_cast<std::size_t>(
            (version == Mpeg1 ? 144 : 72) * kbits * 1000 / sampleRate() + padding);
    }
};

// A header whose fields all have defined values.
bool readHeader(std::span<const uint8_t> bytes, std::size_t at, FrameHeader& h) {
    if (at + 4 > bytes.size()) return false;
    const uint8_t* b = bytes.data() + at;
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
    h.version = b[1] >> 3 & 3;
    h.layer = b[1] >> 1 & 3;
    h.bitrateIndex = b[2] >> 4;
    h.rateIndex = b[2] >> 2 & 3;
    h.padding = b[2] >> 1 & 1;
    h.mode = b[3] >> 6;
    return h.version != Reserved && h.layer != 0 && h.bitrateIndex != 15 && h.rateIndex != 3;
}

bool startsWith(std::span<const uint8_t> bytes, std::size_t at, const char* text) {
    const std::size_t length = std::strlen(text);
    return at + length <= bytes.size() && std::memcmp(bytes.data() + at, text, length) == 0;
}

// Whatever may follow the last frame of a file.
bool isTrailer(std::span<const uint8_t> bytes, std::size_t at) {
    return startsWith(bytes, at, "TAG") || startsWith(bytes, at, "APETAGEX") ||
           startsWith(bytes, at, "LYRICSBEGIN") || startsWith(bytes, at, "ID3");
}

// A frame at `at` that the data after it confirms: the next frame's header of the same stream, a
// trailing tag, or the end of the data.
bool confirmed(std::span<const uint8_t> bytes, std::size_t at, const FrameHeader& h) {
    const std::size_t next = at + h.length();
    if (next + 4 > bytes.size()) return true;
    FrameHeader following;
    if (readHeader(bytes, next, following)) return following.sameStream(h);
    return isTrailer(bytes, next);
}

// The first confirmed frame at or after `from`, of the given stream when there is one.
std::size_t findFrame(std::span<const uint8_t> bytes, std::size_t from, const FrameHeader* stream,
                      FrameHeader& found, bool& freeFormatSeen) {
    for (std::size_t at = from; at + 4 <= bytes.size(); ++at) {
        if (bytes[at] != 0xFF) continue;
        FrameHeader h;
        if (!readHeader(bytes, at, h)) continue;
        if (stream && !h.sameStream(*stream)) continue;
        if (h.freeFormat()) {
            freeFormatSeen = true;
            continue;
        }
        if (!confirmed(bytes, at, h)) continue;
        found = h;
        return at;
    }
    return bytes.size();
}

std::size_t skipId3(std::span<const uint8_t> bytes) {
    if (bytes.size() < 10 || !startsWith(bytes, 0, "ID3")) return 0;
    std::size_t size = 0;
    for (int i = 6; i < 10; ++i) size = size << 7 | (bytes[i] & 0x7F);
    const std::size_t footer = (bytes[5] & 0x10) ? 10 : 0;
    return std::min(bytes.size(), 10 + size + footer);
}

// A first frame that only carries stream information (Xing, Info or VBRI).
bool isInformationFrame(std::span<const uint8_t> bytes, const Mp3Frame& frame,
                        const FrameHeader& h) {
    const bool mono = h.mode == 3;
    const std::size_t sideInfo = h.version == Mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    // The tag follows the side information, wherever a CRC would be.
    const std::size_t tag = frame.offset + 4 + sideInfo;
    return startsWith(bytes, tag, "Xing") || startsWith(bytes, tag, "Info") ||
           startsWith(bytes, frame.offset + 36, "VBRI");
}

[[noreturn]] void fail(const std::string& message, std::size_t offset) {
    throw DecodeError{BadData, "MP3: " + message + " at byte " + std::to_string(offset)};
}

}  // namespace

Mp3Stream Mp3Decoder::scan(std::span<const uint8_t> bytes) {
    bool freeFormatSeen = false;
    FrameHeader first;
    std::size_t at = findFrame(bytes, skipId3(bytes), nullptr, first, freeFormatSeen);
    if (at >= bytes.size()) {
        throw DecodeError{BadData, freeFormatSeen
                                       ? "MP3: free-format frames (bit-rate index 0) cannot be read"
                                       : "MP3: no MPEG audio frame found"};
    }
    if (first.layer != LayerIII)
        fail("layer " + std::to_string(4 - first.layer) + " is not Layer III", at);
    if (first.rateIndex != 0)
        fail("a sample rate of " + std::to_string(first.sampleRate()) +
                 " Hz is not one a movie can play (44100, 22050 or 11025 Hz)",
             at);

    Mp3Stream stream;
    stream.sampleRate = first.sampleRate();
    stream.samplesPerFrame = first.samplesPerFrame();
    stream.channels = 1;
    bool firstFrame = true;
    while (at + 4 <= bytes.size()) {
        FrameHeader h;
        if (readHeader(bytes, at, h) && h.sameStream(first)) {
            if (h.freeFormat()) fail("a free-format frame", at);
            const std::size_t length = h.length();
            const Mp3Frame frame{at, std::min(length, bytes.size() - at)};
            if (firstFrame && isInformationFrame(bytes, frame, h)) {
                // The audio need not follow the information frame at once: look for it afresh.
                firstFrame = false;
                at = findFrame(bytes, at + length, &first, h, freeFormatSeen);
                continue;
            }
            firstFrame = false;
            stream.frames.push_back(frame);
            stream.sampleCount += static_cast<uint64_t>(stream.samplesPerFrame);
            if (h.mode != 3) stream.channels = 2;
            at += length;
            continue;
        }
        if (readHeader(bytes, at, h) && !h.freeFormat() && confirmed(bytes, at, h))
            fail("the stream changes to " + std::to_string(h.sampleRate()) +
                     " Hz, MPEG version or layer",
                 at);
        at = findFrame(bytes, at + 1, &first, h, freeFormatSeen);
    }
    if (stream.frames.empty()) fail("no audio frame", 0);
    return stream;
}

void Mp3Decoder::decode(std::span<const uint8_t> bytes, SoundRecord& record, std::ostream*) const {
    Mp3Stream stream = scan(bytes);
    if (stream.sampleCount > std::numeric_limits<uint32_t>::max())
        throw DecodeError{NoUsableSound, "MP3: more samples than a movie's sound can count"};
    record.format = MP3Sound;
    record.sampleSize = 2;
    record.channels = stream.channels;
    record.sampleRate = stream.sampleRate;
    record.samplesPerFrame = stream.samplesPerFrame;
    record.sampleCount = static_cast<uint32_t>(stream.sampleCount);
    std::size_t total = 0;
    for (const auto& frame : stream.frames) total += frame.length;
    record.data.reserve(total);
    record.frames.reserve(stream.frames.size());
    for (const auto& frame : stream.frames) {
        record.frames.push_back({record.data.size(), frame.length});
        record.data.insert(
            record.data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(frame.offset),
            bytes.begin() + static_cast<std::ptrdiff_t>(frame.offset + frame.length));
    }
}

}  // namespace quillet::media
