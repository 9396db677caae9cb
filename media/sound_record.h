// The in-memory sound that the MP3 and WAV decoders fill and that the sound loader turns into SWF
// sound tags, and the interface the two decoders share. Samples are never decoded: MP3 frames and
// PCM bytes are kept as they are.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "media/media_status.h"

namespace quillet::media {

// SWF sound format codes.
enum SoundFormat : int { NoSound = 0, MP3Sound = 2, PCMSound = 3 };

struct Mp3Frame {
    // Where the frame starts in the sound's data, and its length in bytes.
    std::size_t offset = 0;
    std::size_t length = 0;
    bool operator==(const Mp3Frame&) const = default;
};

struct SoundRecord {
    int format = NoSound;
    int channels = 0;
    uint32_t sampleCount = 0;  // per channel
    int sampleRate = 0;        // Hz
    int sampleSize = 0;        // bytes per sample: 1 or 2 (2 for MP3)
    std::vector<uint8_t> data;
    // MP3 only.
    std::vector<Mp3Frame> frames;
    int samplesPerFrame = 0;

    void clear() { *this = SoundRecord(); }
};

// One decoder per file format. decode fills the record or throws DecodeError (BadData for
// malformed data, NoUsableSound for well-formed data that a movie cannot play). It never reads
// outside the bytes.
class SoundDecoder {
  public:
    virtual ~SoundDecoder() = default;
    virtual void decode(std::span<const uint8_t> bytes, SoundRecord& record,
                        std::ostream* diagnostics) const = 0;
};

// The sample rates that SWF sounds can carry.
inline bool isMovieSampleRate(int rate) {
    return rate == 5512 || rate == 11025 || rate == 22050 || rate == 44100;
}

}  // namespace quillet::media
