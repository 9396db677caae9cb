#include "swf/sounds.h"

#include <cstdio>

namespace transform {

namespace {

[[noreturn]] void throwOverflow(const char* name, long long bytes) {
    char message[160];
    std::snprintf(message, sizeof message, "%s overflowed by %lld bytes.", name, bytes);
    throw FSFormatException(message);
}

// A value that has no code in its field would be written as some other value: refuse it.
[[noreturn]] void throwCannotEncode(const char* name, const char* what, long long value) {
    char message[160];
    std::snprintf(message, sizeof message, "%s cannot encode %s %lld.", name, what, value);
    throw FSFormatException(message);
}

constexpr int Rates[] = {5512, 11025, 22050, 44100};

int rateCode(const char* name, int rate) {
    for (int code = 0; code < 4; ++code)
        if (Rates[code] == rate) return code;
    throwCannotEncode(name, "sample rate", rate);
}

// Channel counts and sample sizes are 1 or 2, coded as one bit.
int oneOrTwoCode(const char* name, const char* what, int value) {
    if (value != 1 && value != 2) throwCannotEncode(name, what, value);
    return value - 1;
}

}  // namespace

// ---- FSEnvelope ----

int FSEnvelope::length(FSOutputStream&) {
    return 8;
}

void FSEnvelope::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(static_cast<int>(mark), FSCoder::UnsignedWord, 32);
    coder.write(leftLevel, FSCoder::UnsignedWord, 16);
    coder.write(rightLevel, FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

void FSEnvelope::decode(FSInputStream& coder) {
    coder.beginObject(name());
    mark = static_cast<uint32_t>(coder.read(FSCoder::UnsignedWord, 32));
    leftLevel = coder.read(FSCoder::UnsignedWord, 16);
    rightLevel = coder.read(FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

// ---- FSSound ----

int FSSound::length(FSOutputStream&) {
    if (envelopes.size() > 255)
        throwCannotEncode(name(), "envelope count", static_cast<long long>(envelopes.size()));
    int size = 3;
    if (inPoint != 0) size += 4;
    if (outPoint != 0) size += 4;
    if (loopCount != 0) size += 2;
    if (!envelopes.empty()) size += 1 + 8 * static_cast<int>(envelopes.size());
    return size;
}

void FSSound::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(identifier, FSCoder::UnsignedWord, 16);
    coder.write(mode, FSCoder::UnsignedBits, 4);
    coder.write(envelopes.empty() ? 0 : 1, FSCoder::UnsignedBits, 1);
    coder.write(loopCount != 0 ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(outPoint != 0 ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(inPoint != 0 ? 1 : 0, FSCoder::UnsignedBits, 1);
    if (inPoint != 0) coder.write(static_cast<int>(inPoint), FSCoder::UnsignedWord, 32);
    if (outPoint != 0) coder.write(static_cast<int>(outPoint), FSCoder::UnsignedWord, 32);
    if (loopCount != 0) coder.write(loopCount, FSCoder::UnsignedWord, 16);
    if (!envelopes.empty()) {
        coder.write(static_cast<int>(envelopes.size()), FSCoder::UnsignedWord, 8);
        coder.beginObject("array");
        for (auto& envelope : envelopes) envelope.encode(coder);
        coder.endObject("array");
    }
    coder.endObject(name());
}

void FSSound::decode(FSInputStream& coder) {
    coder.beginObject(name());
    *this = FSSound(0, 2);
    identifier = coder.read(FSCoder::UnsignedWord, 16);
    mode = coder.read(FSCoder::UnsignedBits, 4);
    const bool hasEnvelopes = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasLoops = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasOutPoint = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasInPoint = coder.read(FSCoder::UnsignedBits, 1) != 0;
    if (hasInPoint) inPoint = static_cast<uint32_t>(coder.read(FSCoder::UnsignedWord, 32));
    if (hasOutPoint) outPoint = static_cast<uint32_t>(coder.read(FSCoder::UnsignedWord, 32));
    if (hasLoops) loopCount = coder.read(FSCoder::UnsignedWord, 16);
    if (hasEnvelopes) {
        const int count = coder.read(FSCoder::UnsignedWord, 8);
        coder.beginObject("array");
        for (int i = 0; i < count; ++i) envelopes.emplace_back(coder);
        coder.endObject("array");
    }
    coder.endObject(name());
}

// ---- FSDefineSound ----

FSDefineSound::FSDefineSound(FSInputStream& coder) : FSDefineObject(14, 0) {
    decode(coder);
}

FSDefineSound::FSDefineSound(int identifier, int format, int rate, int channels, int sampleSize,
                             uint32_t sampleCount, std::vector<uint8_t> sound)
    : FSDefineObject(14, identifier),
      format(format),
      rate(rate),
      channelCount(channels),
      sampleSize(sampleSize),
      sampleCount(sampleCount),
      sound(std::move(sound)) {}

int FSDefineSound::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    rateCode(name(), rate);
    oneOrTwoCode(name(), "channel count", channelCount);
    oneOrTwoCode(name(), "sample size", sampleSize);
    bodyLength += 5 + static_cast<int>(sound.size());
    return bodyLength;
}

void FSDefineSound::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    coder.write(format, FSCoder::UnsignedBits, 4);
    coder.write(rateCode(name(), rate), FSCoder::UnsignedBits, 2);
    coder.write(oneOrTwoCode(name(), "sample size", sampleSize), FSCoder::UnsignedBits, 1);
    coder.write(oneOrTwoCode(name(), "channel count", channelCount), FSCoder::UnsignedBits, 1);
    coder.write(static_cast<int>(sampleCount), FSCoder::UnsignedWord, 32);
    coder.writeBytes(sound);
    coder.endObject(name());
}

void FSDefineSound::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    if (bodyLength < 7) throwOverflow(name(), 7 - bodyLength);
    format = coder.read(FSCoder::UnsignedBits, 4);
    rate = Rates[coder.read(FSCoder::UnsignedBits, 2)];
    sampleSize = coder.read(FSCoder::UnsignedBits, 1) + 1;
    channelCount = coder.read(FSCoder::UnsignedBits, 1) + 1;
    sampleCount = static_cast<uint32_t>(coder.read(FSCoder::UnsignedWord, 32));
    sound = coder.readBytes(bodyLength - 7);
    coder.endObject(name());
}

// ---- FSStartSound ----

FSStartSound::FSStartSound(FSInputStream& coder) : FSMovieObject(15) {
    decode(coder);
}

int FSStartSound::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = sound.length(coder);
    return bodyLength;
}

void FSStartSound::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    sound.encode(coder);
    coder.endObject(name());
}

void FSStartSound::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    sound.decode(coder);
    coder.endObject(name());
}

// ---- FSSoundStreamHead, FSSoundStreamHead2 ----

FSSoundStreamHead::FSSoundStreamHead(FSInputStream& coder) : FSMovieObject(18) {
    decode(coder);
}

FSSoundStreamHead::FSSoundStreamHead(int format, int playbackRate, int playbackChannels,
                                     int playbackSampleSize, int streamRate, int streamChannels,
                                     int streamSampleSize, int streamSampleCount, int latency)
    : FSSoundStreamHead(18, format, playbackRate, playbackChannels, playbackSampleSize, streamRate,
                        streamChannels, streamSampleSize, streamSampleCount, latency) {}

FSSoundStreamHead::FSSoundStreamHead(int type, int format, int playbackRate, int playbackChannels,
                                     int playbackSampleSize, int streamRate, int streamChannels,
                                     int streamSampleSize, int streamSampleCount, int latency)
    : FSMovieObject(type),
      format(format),
      playbackRate(playbackRate),
      playbackChannels(playbackChannels),
      playbackSampleSize(playbackSampleSize),
      streamRate(streamRate),
      streamChannels(streamChannels),
      streamSampleSize(streamSampleSize),
      streamSampleCount(streamSampleCount),
      latency(latency) {}

int FSSoundStreamHead::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    rateCode(name(), playbackRate);
    rateCode(name(), streamRate);
    oneOrTwoCode(name(), "channel count", playbackChannels);
    oneOrTwoCode(name(), "channel count", streamChannels);
    oneOrTwoCode(name(), "sample size", playbackSampleSize);
    oneOrTwoCode(name(), "sample size", streamSampleSize);
    bodyLength = hasLatency() ? 6 : 4;
    return bodyLength;
}

void FSSoundStreamHead::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(0, FSCoder::UnsignedBits, 4);
    coder.write(rateCode(name(), playbackRate), FSCoder::UnsignedBits, 2);
    coder.write(oneOrTwoCode(name(), "sample size", playbackSampleSize), FSCoder::UnsignedBits, 1);
    coder.write(oneOrTwoCode(name(), "channel count", playbackChannels), FSCoder::UnsignedBits, 1);
    coder.write(format, FSCoder::UnsignedBits, 4);
    coder.write(rateCode(name(), streamRate), FSCoder::UnsignedBits, 2);
    coder.write(oneOrTwoCode(name(), "sample size", streamSampleSize), FSCoder::UnsignedBits, 1);
    coder.write(oneOrTwoCode(name(), "channel count", streamChannels), FSCoder::UnsignedBits, 1);
    coder.write(streamSampleCount, FSCoder::UnsignedWord, 16);
    if (hasLatency()) coder.write(latency, FSCoder::SignedWord, 16);
    coder.endObject(name());
}

void FSSoundStreamHead::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    coder.read(FSCoder::UnsignedBits, 4);
    playbackRate = Rates[coder.read(FSCoder::UnsignedBits, 2)];
    playbackSampleSize = coder.read(FSCoder::UnsignedBits, 1) + 1;
    playbackChannels = coder.read(FSCoder::UnsignedBits, 1) + 1;
    format = coder.read(FSCoder::UnsignedBits, 4);
    streamRate = Rates[coder.read(FSCoder::UnsignedBits, 2)];
    streamSampleSize = coder.read(FSCoder::UnsignedBits, 1) + 1;
    streamChannels = coder.read(FSCoder::UnsignedBits, 1) + 1;
    streamSampleCount = coder.read(FSCoder::UnsignedWord, 16);
    latency = hasLatency() ? coder.read(FSCoder::SignedWord, 16) : 0;
    coder.endObject(name());
}

FSSoundStreamHead2::FSSoundStreamHead2(FSInputStream& coder) : FSSoundStreamHead(45) {
    decode(coder);
}

FSSoundStreamHead2::FSSoundStreamHead2(int format, int playbackRate, int playbackChannels,
                                       int playbackSampleSize, int streamRate, int streamChannels,
                                       int streamSampleSize, int streamSampleCount, int latency)
    : FSSoundStreamHead(45, format, playbackRate, playbackChannels, playbackSampleSize, streamRate,
                        streamChannels, streamSampleSize, streamSampleCount, latency) {}

// ---- FSSoundStreamBlock ----

FSSoundStreamBlock::FSSoundStreamBlock(FSInputStream& coder) : FSMovieObject(19) {
    decode(coder);
}

int FSSoundStreamBlock::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = static_cast<int>(sound.size());
    return bodyLength;
}

void FSSoundStreamBlock::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.writeBytes(sound);
    coder.endObject(name());
}

void FSSoundStreamBlock::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    sound = coder.readBytes(bodyLength);
    coder.endObject(name());
}

// ---- FSButtonSound ----

FSButtonSound::FSButtonSound(FSInputStream& coder) : FSMovieObject(17) {
    decode(coder);
}

FSButtonSound::FSButtonSound(int buttonIdentifier, int event, const FSSound& sound)
    : FSMovieObject(17), buttonIdentifier(buttonIdentifier) {
    setSound(event, sound);
}

std::size_t FSButtonSound::slotFor(int event) {
    switch (event) {
        case RollOut:
            return 0;
        case RollOver:
            return 1;
        case Press:
            return 2;
        default:
            return 3;
    }
}

int FSButtonSound::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = 2;
    for (auto& sound : sounds) bodyLength += sound.getIdentifier() != 0 ? sound.length(coder) : 2;
    return bodyLength;
}

void FSButtonSound::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(buttonIdentifier, FSCoder::UnsignedWord, 16);
    for (auto& sound : sounds) {
        if (sound.getIdentifier() != 0)
            sound.encode(coder);
        else
            coder.write(0, FSCoder::UnsignedWord, 16);
    }
    coder.endObject(name());
}

void FSButtonSound::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    buttonIdentifier = coder.read(FSCoder::UnsignedWord, 16);
    for (auto& sound : sounds) {
        if (coder.peekWord() != 0)
            sound.decode(coder);
        else {
            coder.read(FSCoder::UnsignedWord, 16);
            sound = FSSound();
        }
    }
    coder.endObject(name());
}

}  // namespace transform
