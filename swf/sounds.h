// Sound tags: event sounds defined once and started by FSStartSound or by a button, and streamed
// sound announced by a stream head and carried frame by frame in stream blocks. Sample data is an
// opaque byte block. Rates, channel counts and sample sizes are held as plain values (Hz, 1 or 2,
// bytes per sample 1 or 2) and turned into the format's codes when encoded.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "swf/object.h"

namespace transform {

// One point of a sound's volume envelope.
class FSEnvelope : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSEnvelope)

    FSEnvelope() = default;
    // mark is a sample position; the levels run from 0 to 32768.
    FSEnvelope(uint32_t mark, int leftLevel, int rightLevel)
        : mark(mark), leftLevel(leftLevel), rightLevel(rightLevel) {}
    explicit FSEnvelope(FSInputStream& coder) { decode(coder); }

    uint32_t getMark() const { return mark; }
    void setMark(uint32_t value) { mark = value; }
    int getLeftLevel() const { return leftLevel; }
    void setLeftLevel(int value) { leftLevel = value; }
    int getRightLevel() const { return rightLevel; }
    void setRightLevel(int value) { rightLevel = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

    bool operator==(const FSEnvelope& other) const {
        return mark == other.mark && leftLevel == other.leftLevel && rightLevel == other.rightLevel;
    }

  private:
    uint32_t mark = 0;
    int leftLevel = 0;
    int rightLevel = 0;
};

// How a sound is played: which sound, its sync mode, the part played, the loops and the envelope.
// Each optional part is written only when it is non-zero or non-empty.
class FSSound : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSSound)

    // The mode's bits from the most significant: two reserved bits, stop the sound, do not start
    // it again while it is playing.
    enum Mode { Start = 0, NoMultiple = 1, Stop = 2 };

    FSSound() = default;
    FSSound(int identifier, int mode) : identifier(identifier), mode(mode) {}
    explicit FSSound(FSInputStream& coder) { decode(coder); }

    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }
    int getMode() const { return mode; }
    void setMode(int value) { mode = value; }
    // Sample positions; 0 means the start or the end of the sound.
    uint32_t getInPoint() const { return inPoint; }
    void setInPoint(uint32_t value) { inPoint = value; }
    uint32_t getOutPoint() const { return outPoint; }
    void setOutPoint(uint32_t value) { outPoint = value; }
    int getLoopCount() const { return loopCount; }
    void setLoopCount(int value) { loopCount = value; }
    const std::vector<FSEnvelope>& getEnvelopes() const { return envelopes; }
    void setEnvelopes(std::vector<FSEnvelope> list) { envelopes = std::move(list); }
    void add(const FSEnvelope& envelope) { envelopes.push_back(envelope); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int identifier = 0;
    int mode = 0;
    uint32_t inPoint = 0;
    uint32_t outPoint = 0;
    int loopCount = 0;
    std::vector<FSEnvelope> envelopes;
};

// An event sound: the samples of a sound played whole when started.
class FSDefineSound : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineSound)

    explicit FSDefineSound(FSInputStream& coder);
    // format: 0 raw, 1 ADPCM, 2 MP3, 3 raw little-endian, ...; rate 5512, 11025, 22050 or 44100.
    FSDefineSound(int identifier, int format, int rate, int channels, int sampleSize,
                  uint32_t sampleCount, std::vector<uint8_t> sound);

    int getFormat() const { return format; }
    void setFormat(int value) { format = value; }
    int getRate() const { return rate; }
    void setRate(int value) { rate = value; }
    int getChannelCount() const { return channelCount; }
    void setChannelCount(int value) { channelCount = value; }
    int getSampleSize() const { return sampleSize; }
    void setSampleSize(int value) { sampleSize = value; }
    uint32_t getSampleCount() const { return sampleCount; }
    void setSampleCount(uint32_t value) { sampleCount = value; }
    const std::vector<uint8_t>& getSoundData() const { return sound; }
    void setSoundData(std::vector<uint8_t> bytes) { sound = std::move(bytes); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int format = 0;
    int rate = 0;
    int channelCount = 0;
    int sampleSize = 0;
    uint32_t sampleCount = 0;
    std::vector<uint8_t> sound;
};

// Starts or stops an event sound.
class FSStartSound : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSStartSound)

    explicit FSStartSound(FSInputStream& coder);
    explicit FSStartSound(const FSSound& sound = FSSound()) : FSMovieObject(15), sound(sound) {}

    const FSSound& getSound() const { return sound; }
    void setSound(const FSSound& value) { sound = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSSound sound;
};

// Announces the format of the sound streamed in the FSSoundStreamBlock tags that follow, one per
// frame. The latency is coded only for MP3 streams (format 2).
class FSSoundStreamHead : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSSoundStreamHead)

    explicit FSSoundStreamHead(FSInputStream& coder);
    FSSoundStreamHead(int format, int playbackRate, int playbackChannels, int playbackSampleSize,
                      int streamRate, int streamChannels, int streamSampleSize,
                      int streamSampleCount, int latency = 0);

    int getFormat() const { return format; }
    void setFormat(int value) { format = value; }
    int getPlaybackRate() const { return playbackRate; }
    void setPlaybackRate(int value) { playbackRate = value; }
    int getPlaybackChannels() const { return playbackChannels; }
    void setPlaybackChannels(int value) { playbackChannels = value; }
    int getPlaybackSampleSize() const { return playbackSampleSize; }
    void setPlaybackSampleSize(int value) { playbackSampleSize = value; }
    int getStreamRate() const { return streamRate; }
    void setStreamRate(int value) { streamRate = value; }
    int getStreamChannels() const { return streamChannels; }
    void setStreamChannels(int value) { streamChannels = value; }
    int getStreamSampleSize() const { return streamSampleSize; }
    void setStreamSampleSize(int value) { streamSampleSize = value; }
    // Samples per frame.
    int getStreamSampleCount() const { return streamSampleCount; }
    void setStreamSampleCount(int value) { streamSampleCount = value; }
    // Samples to skip at the start of an MP3 stream.
    int getLatency() const { return latency; }
    void setLatency(int value) { latency = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  protected:
    FSSoundStreamHead(int type, int format, int playbackRate, int playbackChannels,
                      int playbackSampleSize, int streamRate, int streamChannels,
                      int streamSampleSize, int streamSampleCount, int latency);
    explicit FSSoundStreamHead(int type) : FSMovieObject(type) {}

  private:
    bool hasLatency() const { return format == 2; }

    int format = 0;
    int playbackRate = 0;
    int playbackChannels = 0;
    int playbackSampleSize = 0;
    int streamRate = 0;
    int streamChannels = 0;
    int streamSampleSize = 0;
    int streamSampleCount = 0;
    int latency = 0;
};

// The same fields as FSSoundStreamHead, under the tag type that allows every stream format.
class FSSoundStreamHead2 : public FSSoundStreamHead {
  public:
    TRANSFORM_OBJECT(FSSoundStreamHead2)

    explicit FSSoundStreamHead2(FSInputStream& coder);
    FSSoundStreamHead2(int format, int playbackRate, int playbackChannels, int playbackSampleSize,
                       int streamRate, int streamChannels, int streamSampleSize,
                       int streamSampleCount, int latency = 0);
};

// One frame's share of a streamed sound.
class FSSoundStreamBlock : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSSoundStreamBlock)

    explicit FSSoundStreamBlock(FSInputStream& coder);
    explicit FSSoundStreamBlock(std::vector<uint8_t> sound = {})
        : FSMovieObject(19), sound(std::move(sound)) {}

    const std::vector<uint8_t>& getSoundData() const { return sound; }
    void setSoundData(std::vector<uint8_t> bytes) { sound = std::move(bytes); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::vector<uint8_t> sound;
};

// The sounds a button plays on its four state transitions; a slot whose sound identifier is 0
// plays nothing.
class FSButtonSound : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSButtonSound)

    // Event codes that select a slot; any other code selects the last one.
    enum Event { RollOut = 1, RollOver = 2, Press = 4, Release = 8 };
    static constexpr int SlotCount = 4;

    explicit FSButtonSound(FSInputStream& coder);
    explicit FSButtonSound(int buttonIdentifier = 0)
        : FSMovieObject(17), buttonIdentifier(buttonIdentifier) {}
    FSButtonSound(int buttonIdentifier, int event, const FSSound& sound);

    int getButtonIdentifier() const { return buttonIdentifier; }
    void setButtonIdentifier(int value) { buttonIdentifier = value; }
    const FSSound& getSound(int event) const { return sounds[slotFor(event)]; }
    void setSound(int event, const FSSound& sound) { sounds[slotFor(event)] = sound; }
    const std::array<FSSound, SlotCount>& getSounds() const { return sounds; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    static std::size_t slotFor(int event);

    int buttonIdentifier = 0;
    std::array<FSSound, SlotCount> sounds;
};

}  // namespace transform
