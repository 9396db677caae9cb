// Decodes arbitrary bytes as a sound (MP3, or WAV when they start with "RI"). A status is an
// expected outcome; a crash, a sanitizer report, a hang or an allocation beyond the fuzzer's
// limits is a finding. A sound that decodes must be consistent and give tags that encode.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "media/sound_loader.h"
#include "swf/movie.h"

namespace {

using namespace quillet::media;
using namespace transform;

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_sound_loader: %s\n", what);
    std::abort();
}

void checkRecord(const SoundLoader& loader) {
    const SoundRecord& sound = loader.getSound();
    if (sound.channels != 1 && sound.channels != 2) fail("a channel count other than 1 or 2");
    if (!isMovieSampleRate(sound.sampleRate)) fail("a rate a movie does not have");
    if (sound.format == PCMSound) {
        const std::size_t frame = static_cast<std::size_t>(sound.sampleSize) * sound.channels;
        if (sound.sampleSize != 1 && sound.sampleSize != 2) fail("a bad sample size");
        if (sound.sampleCount == 0 || sound.data.size() != sound.sampleCount * frame)
            fail("samples that do not fill the data");
        return;
    }
    if (sound.format != MP3Sound) fail("a decoded sound of no format");
    if (sound.frames.empty()) fail("an MP3 sound without frames");
    if (sound.sampleCount != sound.frames.size() * static_cast<std::size_t>(sound.samplesPerFrame))
        fail("a sample count that is not frames x samples per frame");
    std::size_t offset = 0;
    for (const Mp3Frame& frame : sound.frames) {
        if (frame.offset != offset || frame.length < 4) fail("frames that do not tile the data");
        if (sound.data[frame.offset] != 0xFF || (sound.data[frame.offset + 1] & 0xE0) != 0xE0)
            fail("a frame that does not start with a sync");
        offset += frame.length;
    }
    if (offset != sound.data.size()) fail("frames that do not tile the data");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto loader = createSoundLoader();
    loader->setDiagnostics(nullptr);
    const int status = loader->decodeData(std::span(data, size));
    if (status != Success) {
        if (status != BadData && status != NoUsableSound) fail("an unexpected status");
        if (loader->getProblem().empty()) fail("a failure without a reason");
        if (loader->defineSound(1) || loader->defineStreamHeader(0))
            fail("tags from an unusable sound");
        return 0;
    }
    checkRecord(*loader);
    FSMovie movie(FSBounds(0, 0, 2000, 2000), 20.0f);
    movie.setSignature("FWS");
    auto head = loader->defineStreamHeader(2205);
    auto sound = loader->defineSound(1);
    if (!head || !sound) fail("no tags for a decoded sound");
    movie.add(std::move(head));
    movie.add(std::move(sound));
    for (int block = 0; block < 4; ++block) {
        auto streamBlock = loader->defineStreamBlock(block, 2205);
        if (!streamBlock) fail("no stream block");
        movie.add(std::move(streamBlock));
    }
    try {
        movie.encode();
    } catch (const FSException&) {
        fail("sound tags that do not encode");
    }
    return 0;
}
