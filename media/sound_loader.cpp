#include "media/sound_loader.h"

#include <algorithm>
#include <iostream>

#include "media/file_data.h"
#include "media/mp3_decoder.h"
#include "media/wav_decoder.h"

namespace quillet::media {

namespace {

using namespace transform;

constexpr int MaximumBlockSamples = 65535;

class Loader : public SoundLoader {
  public:
    int getFormat() const override { return sound.format; }
    int getChannels() const override { return sound.channels; }
    uint32_t getSampleCount() const override { return sound.sampleCount; }
    int getSampleRate() const override { return sound.sampleRate; }
    int getSampleSize() const override { return sound.sampleSize; }
    std::size_t getDataSize() const override { return sound.data.size(); }
    std::size_t copyData(std::span<uint8_t> buffer) const override {
        if (buffer.size() < sound.data.size()) return 0;
        std::copy(sound.data.begin(), sound.data.end(), buffer.begin());
        return sound.data.size();
    }

    int decodeFile(const std::string& path) override {
        clear();
        std::vector<uint8_t> bytes;
        const int status = readWholeFile(path, bytes, problem);
        if (status != Success) return status;
        return decodeData(bytes);
    }

    int setSound(int format, int channels, uint32_t sampleCount, int sampleRate, int sampleSize,
                 std::span<const uint8_t> bytes) override {
        clear();
        if (format != MP3Sound && format != PCMSound)
            return refuse("the format is neither MP3 (2) nor PCM (3)");
        if (channels != 1 && channels != 2) return refuse("a sound has 1 or 2 channels");
        if (!isMovieSampleRate(sampleRate))
            return refuse("the rate is not 5512, 11025, 22050 or 44100 Hz");
        if (sampleSize != 1 && sampleSize != 2) return refuse("a sample is 1 or 2 bytes");
        SoundRecord record;
        if (format == MP3Sound) {
            try {
                Mp3Stream stream = Mp3Decoder::scan(bytes);
                record.frames = std::move(stream.frames);
                record.samplesPerFrame = stream.samplesPerFrame;
            } catch (const DecodeError& error) {
                return refuse(error.message);
            }
        }
        record.format = format;
        record.channels = channels;
        record.sampleCount = sampleCount;
        record.sampleRate = sampleRate;
        record.sampleSize = sampleSize;
        record.data.assign(bytes.begin(), bytes.end());
        sound = std::move(record);
        usable = true;
        return Success;
    }

    int decodeData(std::span<const uint8_t> bytes) override {
        clear();
        static const Mp3Decoder mp3;
        static const WavDecoder wav;
        const bool riff = bytes.size() >= 2 && bytes[0] == 'R' && bytes[1] == 'I';
        const SoundDecoder& decoder = riff ? static_cast<const SoundDecoder&>(wav) : mp3;
        try {
            decoder.decode(bytes, sound, diagnostics);
            usable = true;
            return Success;
        } catch (const DecodeError& error) {
            problem = error.message;
            // A sound that a movie cannot play keeps the values read, so that a caller can say why.
            if (error.status != NoUsableSound) sound.clear();
            return error.status;
        }
    }

    std::unique_ptr<FSDefineSound> defineSound(int identifier) const override {
        if (!usable) return nullptr;
        std::vector<uint8_t> block;
        if (sound.format == MP3Sound) {
            block.reserve(sound.data.size() + 2);
            block.assign(2, 0);  // no samples to skip
        }
        block.insert(block.end(), sound.data.begin(), sound.data.end());
        return std::make_unique<FSDefineSound>(identifier, sound.format, sound.sampleRate,
                                               sound.channels, sound.sampleSize, sound.sampleCount,
                                               std::move(block));
    }

    std::unique_ptr<FSSoundStreamHead2> defineStreamHeader(int samplesPerBlock) const override {
        if (!usable || samplesPerBlock < 0 || samplesPerBlock > MaximumBlockSamples) return nullptr;
        return std::make_unique<FSSoundStreamHead2>(
            sound.format, sound.sampleRate, sound.channels, sound.sampleSize, sound.sampleRate,
            sound.channels, sound.sampleSize, samplesPerBlock, 0);
    }

    std::unique_ptr<FSSoundStreamBlock> defineStreamBlock(int blockIndex,
                                                          int samplesPerBlock) const override {
        if (!usable || blockIndex < 0 || samplesPerBlock <= 0 ||
            samplesPerBlock > MaximumBlockSamples)
            return nullptr;
        const uint64_t firstSample =
            static_cast<uint64_t>(blockIndex) * static_cast<uint64_t>(samplesPerBlock);
        if (sound.format == PCMSound) {
            const uint64_t frameBytes = static_cast<uint64_t>(sound.sampleSize) * sound.channels;
            const uint64_t start = std::min<uint64_t>(firstSample * frameBytes, sound.data.size());
            const uint64_t end =
                std::min<uint64_t>(start + samplesPerBlock * frameBytes, sound.data.size());
            return std::make_unique<FSSoundStreamBlock>(
                std::vector<uint8_t>(sound.data.begin() + static_cast<std::ptrdiff_t>(start),
                                     sound.data.begin() + static_cast<std::ptrdiff_t>(end)));
        }
        if (sound.format != MP3Sound || sound.samplesPerFrame <= 0) return nullptr;
        const uint64_t perFrame = static_cast<uint64_t>(sound.samplesPerFrame);
        const uint64_t frameCount = sound.frames.size();
        const uint64_t first = std::min(firstSample / perFrame, frameCount);
        const uint64_t last = std::min((firstSample + samplesPerBlock) / perFrame, frameCount);
        const uint64_t samples = (last - first) * perFrame;
        if (samples > MaximumBlockSamples) return nullptr;
        const uint64_t seek = first < frameCount ? firstSample - first * perFrame : 0;
        std::vector<uint8_t> block = {static_cast<uint8_t>(samples),
                                      static_cast<uint8_t>(samples >> 8),
                                      static_cast<uint8_t>(seek), static_cast<uint8_t>(seek >> 8)};
        for (uint64_t i = first; i < last; ++i) {
            const Mp3Frame& frame = sound.frames[i];
            const auto begin = sound.data.begin() + static_cast<std::ptrdiff_t>(frame.offset);
            block.insert(block.end(), begin, begin + static_cast<std::ptrdiff_t>(frame.length));
        }
        return std::make_unique<FSSoundStreamBlock>(std::move(block));
    }

    const SoundRecord& getSound() const override { return sound; }
    const std::string& getProblem() const override { return problem; }
    void setDiagnostics(std::ostream* stream) override { diagnostics = stream; }

  private:
    void clear() {
        sound.clear();
        problem.clear();
        usable = false;
    }
    int refuse(const std::string& why) {
        problem = why;
        return BadData;
    }

    SoundRecord sound;
    bool usable = false;
    std::string problem;
    std::ostream* diagnostics = nullptr;  // quiet unless asked: never unprefixed on a terminal
};

}  // namespace

std::unique_ptr<SoundLoader> createSoundLoader() {
    return std::make_unique<Loader>();
}

}  // namespace quillet::media
