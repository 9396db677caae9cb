// WAV files: RIFF WAVE with 8-bit (unsigned) or 16-bit (signed) PCM samples, mono or stereo, at
// a rate that SWF sounds have (5512, 11025, 22050 or 44100 Hz). The extensible format counts as
// PCM when its sub-format is PCM.
//
// Settled details:
// - A file that is not RIFF WAVE, or lacks its fmt or data chunk, or whose fmt chunk is cut
//   short, is malformed (BadData). A well-formed file that a movie cannot play (compressed or
//   floating-point samples, other sample sizes, channel counts or rates, no samples) gives
//   NoUsableSound with the reason; for a non-PCM format the channels, rate and sample size stay 0.
// - A chunk that claims more bytes than the file holds is read as far as the file goes; size
//   mismatches go to the diagnostic stream ("1635017060 chunk underflowed by 12 bytes.", the
//   chunk identifier read as a little-endian number).
// - The data is the data chunk's whole sample frames.
#pragma once

#include "media/sound_record.h"

namespace quillet::media {

class WavDecoder : public SoundDecoder {
  public:
    void decode(std::span<const uint8_t> bytes, SoundRecord& record,
                std::ostream* diagnostics) const override;
};

}  // namespace quillet::media
