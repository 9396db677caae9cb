#include "media/wav_decoder.h"

#include <algorithm>

#include "media/byte_reader.h"

namespace quillet::media {

namespace {

constexpr uint32_t fourCC(const char (&text)[5]) {
    return static_cast<uint32_t>(text[0]) | static_cast<uint32_t>(text[1]) << 8 |
           static_cast<uint32_t>(text[2]) << 16 | static_cast<uint32_t>(text[3]) << 24;
}

constexpr uint16_t PcmTag = 1;
constexpr uint16_t ExtensibleTag = 0xFFFE;

struct Format {
    uint16_t tag = 0;
    unsigned channels = 0;
    uint32_t rate = 0;
    unsigned bits = 0;
};

std::string tagName(uint16_t tag) {
    switch (tag) {
        case 2:
            return " (ADPCM)";
        case 3:
            return " (floating point)";
        case 6:
            return " (A-law)";
        case 7:
            return " (mu-law)";
        case 0x11:
            return " (IMA ADPCM)";
        case 0x55:
            return " (MP3)";
        default:
            return "";
    }
}

// Reads the fmt chunk's fields; returns the bytes it used.
std::size_t readFormat(std::span<const uint8_t> body, std::size_t offset, Format& format) {
    ByteReader in(body, ByteReader::LittleEndian, "WAV");
    if (body.size() < 16)
        in.fail("fmt chunk of " + std::to_string(body.size()) + " bytes is cut short", offset);
    format.tag = in.u16("format tag");
    format.channels = in.u16("channels");
    format.rate = in.u32("sample rate");
    in.u32("byte rate");
    in.u16("block align");
    format.bits = in.u16("bits per sample");
    if (in.remaining() < 2) return in.position();
    const uint16_t extra = in.u16("extension size");
    if (format.tag == ExtensibleTag && extra >= 22 && in.remaining() >= 22) {
        in.u16("valid bits");
        in.u32("channel mask");
        format.tag = in.u16("sub-format");  // the first two bytes of the sub-format GUID
        in.skip(14, "sub-format");
        in.skip(std::min<std::size_t>(extra - 22u, in.remaining()), "extension");
        return in.position();
    }
    in.skip(std::min<std::size_t>(extra, in.remaining()), "extension");
    return in.position();
}

[[noreturn]] void unusable(const std::string& why) {
    throw DecodeError{NoUsableSound, "WAV: " + why};
}

}  // namespace

void WavDecoder::decode(std::span<const uint8_t> bytes, SoundRecord& record,
                        std::ostream* diagnostics) const {
    ByteReader in(bytes, ByteReader::LittleEndian, "WAV");
    if (in.u32("RIFF") != fourCC("RIFF")) in.fail("not a RIFF file", 0);
    in.u32("RIFF size");
    if (in.u32("WAVE") != fourCC("WAVE")) in.fail("not a WAVE file", 8);

    bool haveFormat = false;
    bool haveData = false;
    Format format;
    std::span<const uint8_t> samples;
    while (in.remaining() >= 8) {
        const std::size_t start = in.position();
        const uint32_t id = in.u32("chunk id");
        const uint32_t declared = in.u32("chunk size");
        const auto body = in.take(std::min<std::size_t>(declared, in.remaining()), "chunk");
        std::size_t used = body.size();
        if (id == fourCC("fmt ") && !haveFormat) {
            used = readFormat(body, start, format);
            haveFormat = true;
        } else if (id == fourCC("data") && !haveData) {
            samples = body;
            haveData = true;
        }
        if (used < declared && diagnostics)
            *diagnostics << id << " chunk underflowed by " << declared - used << " bytes."
                         << std::endl;
        if (declared % 2 != 0 && !in.atEnd()) in.skip(1, "pad byte");
    }
    if (!haveFormat) in.fail("no fmt chunk", 12);
    if (!haveData) in.fail("no data chunk", 12);

    record.format = PCMSound;
    if (format.tag != PcmTag)
        unusable("format tag " + std::to_string(format.tag) + tagName(format.tag) + " is not PCM");
    record.channels = static_cast<int>(format.channels);
    record.sampleRate = static_cast<int>(std::min<uint32_t>(format.rate, 0x7FFFFFFF));
    record.sampleSize = static_cast<int>(format.bits / 8);
    if (format.bits != 8 && format.bits != 16)
        unusable(std::to_string(format.bits) + "-bit samples; a movie plays 8 or 16-bit samples");
    if (format.channels != 1 && format.channels != 2)
        unusable(std::to_string(format.channels) +
                 " channels; a movie plays mono or stereo sounds");
    const std::size_t frameBytes = static_cast<std::size_t>(record.sampleSize) * format.channels;
    const std::size_t count = samples.size() / frameBytes;
    if (count > UINT32_MAX) unusable("more samples than a movie's sound can count");
    record.sampleCount = static_cast<uint32_t>(count);
    record.data.assign(samples.begin(),
                       samples.begin() + static_cast<std::ptrdiff_t>(count * frameBytes));
    if (!isMovieSampleRate(record.sampleRate))
        unusable("a sample rate of " + std::to_string(format.rate) +
                 " Hz is not one a movie can play (5512, 11025, 22050 or 44100 Hz)");
    if (count == 0) unusable("the data chunk holds no samples");
}

}  // namespace quillet::media
