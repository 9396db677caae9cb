// MP3 files: MPEG-1, MPEG-2 and MPEG-2.5 Layer III frames, read only as far as their headers.
//
// Settled details:
// - A leading ID3v2 tag is skipped by its declared size, and leading junk by searching for a
//   frame sync that the next frame's header confirms. A Xing, Info or VBRI frame at the start
//   holds no audio and is left out. Junk between frames is skipped by the same search; trailing
//   tags end the stream.
// - Only the sample-rate index 0 is accepted: 44100 Hz (MPEG-1), 22050 Hz (MPEG-2) and 11025 Hz
//   (MPEG-2.5), the rates a movie's MP3 sounds can have. Other rates, other layers, free-format
//   frames and a stream that changes its version, layer or rate are malformed (BadData).
// - The frame table holds the true start of each frame and its length; a last frame cut short by
//   the end of the file is kept with the bytes that are there.
// - The sound's data is the frames alone, one after another, so tags and junk never reach a
//   player. The stream is stereo when any frame is.
#pragma once

#include "media/sound_record.h"

namespace quillet::media {

struct Mp3Stream {
    // Offsets are into the bytes scanned.
    std::vector<Mp3Frame> frames;
    int sampleRate = 0;
    int channels = 0;
    int samplesPerFrame = 0;
    uint64_t sampleCount = 0;
};

class Mp3Decoder : public SoundDecoder {
  public:
    void decode(std::span<const uint8_t> bytes, SoundRecord& record,
                std::ostream* diagnostics) const override;

    // Finds the frames of the stream held in bytes; throws DecodeError when there are none or
    // they cannot be played.
    static Mp3Stream scan(std::span<const uint8_t> bytes);
};

}  // namespace quillet::media
