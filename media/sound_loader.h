// The sound loader: reads an MP3 or WAV file (without decoding its audio) and builds the SWF
// sound tags from it: an event sound, a stream header and stream blocks.
//
//   auto loader = createSoundLoader();
//   if (loader->decodeFile("music.mp3") == Success) {
//       const int sound = movie.newIdentifier();
//       movie.add(loader->defineStreamHeader(0));
//       movie.add(loader->defineSound(sound));
//       movie.add(std::make_unique<FSStartSound>(FSSound(sound, FSSound::Start)));
//   }
//
// Status: Success; CannotOpen, ReadError (as for pictures); BadData for data that is neither a
// usable MP3 stream nor a RIFF WAVE file; NoUsableSound for a well-formed file that holds no
// sound a movie can play (see wav_decoder.h), so that such a file is never mistaken for a good
// one. The tag-building operations give null unless the last decoding or setSound succeeded.
// Files up to MaximumFileSize are read; sound data is never larger than the file.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>

#include "media/media_status.h"
#include "media/sound_record.h"
#include "swf/sounds.h"

namespace quillet::media {

class SoundLoader {
  public:
    virtual ~SoundLoader() = default;

    // A SoundFormat: MP3Sound (2), PCMSound (3), or NoSound (0) before decoding.
    virtual int getFormat() const = 0;
    virtual int getChannels() const = 0;
    // Samples per channel.
    virtual uint32_t getSampleCount() const = 0;
    virtual int getSampleRate() const = 0;
    // Bytes per sample: 1 or 2 (2 for MP3).
    virtual int getSampleSize() const = 0;
    virtual std::size_t getDataSize() const = 0;
    // Copies the data into a buffer at least getDataSize() bytes long and returns its length; 0
    // when the buffer is too small.
    virtual std::size_t copyData(std::span<uint8_t> buffer) const = 0;

    virtual int decodeFile(const std::string& path) = 0;
    // Stores a copy of a sound given by its values; for MP3 it builds the frame table from the
    // bytes. Returns Success, or BadData (and keeps nothing) when the values are not those of a
    // movie's sound or the MP3 bytes hold no playable frame.
    virtual int setSound(int format, int channels, uint32_t sampleCount, int sampleRate,
                         int sampleSize, std::span<const uint8_t> bytes) = 0;
    // An ID3 tag ("ID") or anything else is read as MP3, "RI" as WAV.
    virtual int decodeData(std::span<const uint8_t> bytes) = 0;

    // The whole sound as one event sound; MP3 data is preceded by a seek count of 0.
    virtual std::unique_ptr<transform::FSDefineSound> defineSound(int identifier) const = 0;
    // A stream header whose playback and stream values are the sound's own, with samplesPerBlock
    // samples per frame (0 to 65535) and no latency.
    virtual std::unique_ptr<transform::FSSoundStreamHead2> defineStreamHeader(
        int samplesPerBlock) const = 0;
    // Block blockIndex of a stream with samplesPerBlock samples per frame. MP3: the whole frames
    // whose first sample falls in the block, after their sample count and the seek count of the
    // block's first sample into them. PCM: the block's samples, cut at the end of the sound.
    // Null for a negative index, a block size of 0 or below, or more than 65535 samples.
    virtual std::unique_ptr<transform::FSSoundStreamBlock> defineStreamBlock(
        int blockIndex, int samplesPerBlock) const = 0;

    // The decoded sound, with the MP3 frame table.
    virtual const SoundRecord& getSound() const = 0;
    // Why the last operation did not succeed.
    virtual const std::string& getProblem() const = 0;
    // Where chunk-size mismatches that do not stop decoding are reported; none by default (they
    // change nothing, and a user's terminal is no place for them), null keeps quiet.
    virtual void setDiagnostics(std::ostream* stream) = 0;
};

std::unique_ptr<SoundLoader> createSoundLoader();

}  // namespace quillet::media
