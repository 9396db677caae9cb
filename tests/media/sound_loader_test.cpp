// The sound loader on sounds made here: MP3 frame finding and the frame table, WAV chunks and
// formats, the sound tags it builds, and hostile input.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>

#include "media/mp3_decoder.h"
#include "media/sound_loader.h"
#include "tests/media/media_test_support.h"

namespace quillet::media {
namespace {

using namespace transform;
using synth::Bytes;

const synth::Mp3Header stereo128{3, 9, 0, 0};  // MPEG-1, 128 kbit/s, 44100 Hz, stereo

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A loader that has decoded `file` (the failure is reported, the checks that follow then fail).
std::unique_ptr<SoundLoader> loaded(const Bytes& file) {
    auto loader = createSoundLoader();
    EXPECT_EQ(loader->decodeData(file), Success) << loader->getProblem();
    return loader;
}

// Frames whose offsets and lengths tile the data, each starting with a frame sync.
void expectWholeFrames(const SoundRecord& sound) {
    std::size_t offset = 0;
    for (const Mp3Frame& frame : sound.frames) {
        EXPECT_EQ(frame.offset, offset);
        ASSERT_LE(frame.offset + 2, sound.data.size());
        EXPECT_EQ(sound.data[frame.offset], 0xFF);
        EXPECT_EQ(sound.data[frame.offset + 1] & 0xE0, 0xE0);
        offset += frame.length;
    }
    EXPECT_EQ(offset, sound.data.size());
}

TEST(SoundLoader, Mp3StreamsOfEachMpegVersion) {
    struct Case {
        synth::Mp3Header header;
        uint32_t frames;
        int rate, channels, samplesPerFrame;
        std::size_t length;  // or one more when padded
        int padded;
    };
    // 128 kbit/s at 44100 Hz averages 417.96 bytes a frame; 64 at 22050 and 32 at 11025, 208.98.
    for (const Case& c : {Case{stereo128, 40, 44100, 2, 1152, 417, 38},
                          Case{{2, 8, 0, 3}, 7, 22050, 1, 576, 208, 6},
                          Case{{0, 4, 0, 0}, 3, 11025, 2, 576, 208, 2}}) {
        SCOPED_TRACE(c.rate);
        const Bytes stream = synth::mp3Stream(c.header, c.frames);
        auto loader = loaded(stream);
        EXPECT_EQ(loader->getFormat(), MP3Sound);
        EXPECT_EQ(loader->getChannels(), c.channels);
        EXPECT_EQ(loader->getSampleRate(), c.rate);
        EXPECT_EQ(loader->getSampleSize(), 2);
        EXPECT_EQ(loader->getSampleCount(), c.frames * c.samplesPerFrame);
        const SoundRecord& sound = loader->getSound();
        EXPECT_EQ(sound.samplesPerFrame, c.samplesPerFrame);
        ASSERT_EQ(sound.frames.size(), c.frames);
        int padded = 0;
        for (const Mp3Frame& frame : sound.frames) {
            EXPECT_TRUE(frame.length == c.length || frame.length == c.length + 1) << frame.length;
            padded += frame.length == c.length + 1;
        }
        EXPECT_EQ(padded, c.padded);
        expectWholeFrames(sound);
        EXPECT_EQ(sound.data, stream);
        Bytes copy(stream.size());
        EXPECT_EQ(loader->copyData(copy), stream.size());
        EXPECT_EQ(copy, stream);
    }
}

// The frames kept are the stream's own: tags, junk, an information frame and what a cut leaves
// of the last frame aside.
TEST(SoundLoader, DataIsTheFramesAlone) {
    // An ID3v2 tag holding bytes that look like a frame sync, then junk before the first frame.
    Bytes tag = synth::id3Tag(300);
    tag[50] = 0xFF;
    tag[51] = 0xFB;
    tag[52] = 0x90;
    Bytes id3v1 = {'T', 'A', 'G'};
    id3v1.resize(128, 0xFF);
    const Bytes three = synth::mp3Stream(stereo128, 3), four = synth::mp3Stream(stereo128, 4),
                five = synth::mp3Stream(stereo128, 5), six = synth::mp3Stream(stereo128, 6);
    Bytes info = synth::mp3Frame(stereo128, false);
    const char text[] = "Info";
    std::copy(text, text + 4, info.begin() + 4 + 32);
    const Bytes cut(four.begin(), four.end() - 100);
    struct Case {
        const char* what;
        Bytes file, data;
        std::size_t frames;
    };
    const Case cases[] = {
        {"tags and junk", concat({tag, Bytes(215, 0), six, id3v1}), six, 6},
        {"junk between frames", concat({three, Bytes{1, 2, 0xFF, 0xFB, 3, 4, 5}, four}),
         concat({three, four}), 7},
        {"information frame", concat({info, five}), five, 5},
        {"last frame cut short", cut, cut, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto loader = loaded(c.file);
        EXPECT_EQ(loader->getSound().data, c.data);
        ASSERT_EQ(loader->getSound().frames.size(), c.frames);
        EXPECT_EQ(loader->getSampleCount(), c.frames * 1152);
        expectWholeFrames(loader->getSound());
        if (c.data == cut) {
            EXPECT_EQ(loader->getSound().frames.back().length, 318u);
        }
    }
    const Mp3Stream stream = Mp3Decoder::scan(cases[0].file);
    ASSERT_EQ(stream.frames.size(), 6u);
    EXPECT_EQ(stream.frames[0].offset, tag.size() + 215);
}

// Streams and files that cannot be read are refused, saying why where it matters, and leave no
// sound behind.
TEST(SoundLoader, UnreadableInputIsRefused) {
    // Free format: bit-rate index 0, so no frame length can be read.
    Bytes free = synth::mp3Stream(stereo128, 3);
    for (std::size_t i = 0; i + 2 < free.size(); ++i)
        if (free[i] == 0xFF && free[i + 1] == 0xFB) free[i + 2] &= 0x0F;
    Bytes layer2 = synth::mp3Stream(stereo128, 3);
    for (std::size_t i = 0; i + 1 < layer2.size(); ++i)
        if (layer2[i] == 0xFF && layer2[i + 1] == 0xFB) layer2[i + 1] = 0xFD;
    Bytes rifx = synth::wav(1, 44100, 16, Bytes(8));
    rifx[3] = 'X';
    const Bytes format = synth::wavChunk("fmt ", synth::wavFormat(1, 1, 44100, 16));
    struct Case {
        const char* what;
        Bytes file;
        const char* problem;  // words the problem reported must contain
    };
    const Case cases[] = {
        {"48000 Hz", synth::mp3Stream({3, 9, 1, 0}, 5), "Hz"},
        {"32000 Hz", synth::mp3Stream({3, 9, 2, 0}, 5), "Hz"},
        {"MPEG-2 at 24000 Hz", synth::mp3Stream({2, 9, 1, 3}, 5), ""},
        {"free format", free, "free-format"},
        {"Layer II", layer2, "Layer III"},
        {"changes to 48000 Hz",
         concat({synth::mp3Stream(stereo128, 3), synth::mp3Stream({3, 9, 1, 0}, 3)}), "48000"},
        {"an ID3 tag alone", synth::id3Tag(40), ""},
        {"text", Bytes{'h', 'e', 'l', 'l', 'o'}, ""},
        {"empty", {}, ""},
        {"RIFX", rifx, ""},
        {"no data chunk", synth::riffWave({format}), "no data chunk"},
        {"no format chunk", synth::riffWave({synth::wavChunk("data", Bytes(8))}), ""},
        {"format cut short",
         synth::riffWave({synth::wavChunk("fmt ", Bytes(10)), synth::wavChunk("data", Bytes(8))}),
         "cut short"},
    };
    auto loader = createSoundLoader();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(loader->decodeData(c.file), BadData);
        EXPECT_NE(loader->getProblem().find(c.problem), std::string::npos) << loader->getProblem();
        EXPECT_EQ(loader->getFormat(), NoSound);
        EXPECT_EQ(loader->defineSound(1), nullptr);
    }
    EXPECT_EQ(loader->decodeFile("/nonexistent/sound.mp3"), CannotOpen);
    EXPECT_EQ(loader->decodeFile(::testing::TempDir()), ReadError);
}

TEST(SoundLoader, Mp3SoundTagAddsASeekCountAndStreamHeaderRepeatsItsValues) {
    const Bytes stream = synth::mp3Stream({3, 9, 0, 3}, 10);
    auto loader = loaded(stream);
    auto sound = loader->defineSound(12);
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(sound->getIdentifier(), 12);
    EXPECT_EQ(sound->getFormat(), 2);
    EXPECT_EQ(sound->getRate(), 44100);
    EXPECT_EQ(sound->getChannelCount(), 1);
    EXPECT_EQ(sound->getSampleSize(), 2);
    EXPECT_EQ(sound->getSampleCount(), 10u * 1152);
    EXPECT_EQ(sound->getSoundData(), concat({Bytes{0, 0}, stream}));
    // The stream header repeats the sound's values; it needs a sound.
    loader = createSoundLoader();
    EXPECT_EQ(loader->defineStreamHeader(0), nullptr);
    ASSERT_EQ(loader->decodeData(synth::mp3Stream(stereo128, 3)), Success);
    auto head = loader->defineStreamHeader(0);
    ASSERT_NE(head, nullptr);
    EXPECT_EQ(head->getType(), 45);
    EXPECT_EQ(head->getFormat(), 2);
    EXPECT_EQ(head->getPlaybackRate(), 44100);
    EXPECT_EQ(head->getStreamRate(), 44100);
    EXPECT_EQ(head->getPlaybackChannels(), 2);
    EXPECT_EQ(head->getStreamChannels(), 2);
    EXPECT_EQ(head->getPlaybackSampleSize(), 2);
    EXPECT_EQ(head->getStreamSampleSize(), 2);
    EXPECT_EQ(head->getStreamSampleCount(), 0);
    EXPECT_EQ(head->getLatency(), 0);
    EXPECT_EQ(loader->defineStreamHeader(2205)->getStreamSampleCount(), 2205);
    EXPECT_EQ(loader->defineStreamHeader(70000), nullptr);
}

TEST(SoundLoader, Mp3StreamBlocksCarryWholeFrames) {
    const Bytes stream = synth::mp3Stream(stereo128, 10);
    auto loader = loaded(stream);
    const auto& frames = loader->getSound().frames;
    auto framesBytes = [&](std::size_t first, std::size_t last) {
        return Bytes(stream.begin() + static_cast<std::ptrdiff_t>(frames[first].offset),
                     stream.begin() + static_cast<std::ptrdiff_t>(frames[last - 1].offset +
                                                                  frames[last - 1].length));
    };
    // 2205 samples a block (20 frames a second at 44100 Hz). Block b takes frames
    // b * 2205 / 1152 up to (b + 1) * 2205 / 1152, so that each frame goes into exactly one
    // block, and seeks into its first frame to the block's first sample.
    struct Case {
        int block;
        std::size_t first, last;
        int seek;
    };
    for (const Case& c : {Case{0, 0, 1, 0}, Case{1, 1, 3, 2205 - 1152}, Case{2, 3, 5, 4410 - 3456},
                          Case{3, 5, 7, 6615 - 5760}}) {
        SCOPED_TRACE(c.block);
        auto block = loader->defineStreamBlock(c.block, 2205);
        ASSERT_NE(block, nullptr);
        const Bytes& data = block->getSoundData();
        const int samples = static_cast<int>((c.last - c.first) * 1152);
        ASSERT_GE(data.size(), 4u);
        EXPECT_EQ(data[0] | data[1] << 8, samples);
        EXPECT_EQ(data[2] | data[3] << 8, c.seek);
        EXPECT_EQ(Bytes(data.begin() + 4, data.end()), framesBytes(c.first, c.last));
    }
    // Past the end: no frames.
    auto beyond = loader->defineStreamBlock(100, 2205);
    ASSERT_NE(beyond, nullptr);
    EXPECT_EQ(beyond->getSoundData(), Bytes({0, 0, 0, 0}));
    EXPECT_EQ(loader->defineStreamBlock(-1, 2205), nullptr);
    EXPECT_EQ(loader->defineStreamBlock(0, 0), nullptr);
    // More samples than the block's 16-bit count holds.
    EXPECT_EQ(loader->defineStreamBlock(0, 65535 + 1), nullptr);
}

TEST(SoundLoader, PlayableWavFiles) {
    Bytes stereo(4000);
    for (std::size_t i = 0; i < stereo.size(); ++i) stereo[i] = static_cast<uint8_t>(i * 7);
    const Bytes mono = {128, 130, 126, 200, 50};  // an odd size: the chunk is padded
    Bytes extensible = synth::wavFormat(0xFFFE, 2, 44100, 16);
    synth::putLittle16(extensible, 22);
    synth::putLittle16(extensible, 16);
    synth::putLittle32(extensible, 3);
    const Bytes pcmGuid = {1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71};
    extensible.insert(extensible.end(), pcmGuid.begin(), pcmGuid.end());
    struct Case {
        Bytes file, samples;
        int channels, sampleSize, rate;
        uint32_t count;
    };
    const Case cases[] = {
        {synth::wav(2, 22050, 16, stereo), stereo, 2, 2, 22050, 1000},
        {synth::riffWave({synth::wavChunk("LIST", Bytes(9, 'x')),
                          synth::wavChunk("fmt ", synth::wavFormat(1, 1, 11025, 8)),
                          synth::wavChunk("data", mono), synth::wavChunk("id3 ", Bytes(4, 0))}),
         mono, 1, 1, 11025, 5},
        {synth::riffWave({synth::wavChunk("fmt ", extensible), synth::wavChunk("data", Bytes(8))}),
         Bytes(8), 2, 2, 44100, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        std::ostringstream diagnostics;
        auto loader = createSoundLoader();
        loader->setDiagnostics(&diagnostics);
        ASSERT_EQ(loader->decodeData(c.file), Success) << loader->getProblem();
        EXPECT_EQ(loader->getFormat(), PCMSound);
        EXPECT_EQ(loader->getChannels(), c.channels);
        EXPECT_EQ(loader->getSampleSize(), c.sampleSize);
        EXPECT_EQ(loader->getSampleRate(), c.rate);
        EXPECT_EQ(loader->getSampleCount(), c.count);
        EXPECT_EQ(loader->getSound().data, c.samples);
        EXPECT_EQ(diagnostics.str(), "");
        auto sound = loader->defineSound(3);
        ASSERT_NE(sound, nullptr);
        EXPECT_EQ(sound->getFormat(), 3);
        EXPECT_EQ(sound->getSoundData(), c.samples);
        EXPECT_EQ(sound->getSampleCount(), c.count);
    }
}

TEST(SoundLoader, WavThatAMovieCannotPlayIsAnExplicitResult) {
    auto loader = createSoundLoader();
    // Floating-point samples: not PCM; channels, rate and size stay 0.
    EXPECT_EQ(loader->decodeData(synth::wav(1, 44100, 32, Bytes(16), 3)), NoUsableSound);
    EXPECT_NE(loader->getProblem().find("not PCM"), std::string::npos) << loader->getProblem();
    EXPECT_EQ(loader->getFormat(), PCMSound);
    EXPECT_EQ(loader->getChannels(), 0);
    EXPECT_EQ(loader->getSampleRate(), 0);
    EXPECT_EQ(loader->getSampleSize(), 0);
    EXPECT_EQ(loader->defineSound(1), nullptr);
    EXPECT_EQ(loader->defineStreamHeader(0), nullptr);
    EXPECT_EQ(loader->defineStreamBlock(0, 100), nullptr);
    // PCM at a rate SWF sounds do not have: the values read are kept to say why.
    EXPECT_EQ(loader->decodeData(synth::wav(2, 8000, 16, Bytes(400))), NoUsableSound);
    EXPECT_EQ(loader->getSampleRate(), 8000);
    EXPECT_EQ(loader->getSampleCount(), 100u);
    EXPECT_NE(loader->getProblem().find("8000 Hz"), std::string::npos) << loader->getProblem();
    EXPECT_EQ(loader->defineSound(1), nullptr);
    // 24-bit samples, three channels, no samples.
    EXPECT_EQ(loader->decodeData(synth::wav(1, 44100, 24, Bytes(30))), NoUsableSound);
    EXPECT_EQ(loader->decodeData(synth::wav(3, 44100, 16, Bytes(30))), NoUsableSound);
    EXPECT_EQ(loader->decodeData(synth::wav(1, 44100, 16, Bytes(1))), NoUsableSound);
}

TEST(SoundLoader, LyingChunkSizesReadWhatIsThere) {
    // A data chunk that claims 4 GB: the samples present are taken, nothing more is allocated.
    Bytes file = synth::wav(1, 44100, 16, Bytes(20, 1));
    const std::size_t size = file.size() - 20 - 4;
    file[size] = file[size + 1] = file[size + 2] = file[size + 3] = 0xFF;
    std::ostringstream diagnostics;
    auto loader = createSoundLoader();
    loader->setDiagnostics(&diagnostics);
    ASSERT_EQ(loader->decodeData(file), Success) << loader->getProblem();
    EXPECT_EQ(loader->getSampleCount(), 10u);
    EXPECT_EQ(diagnostics.str(), "1635017060 chunk underflowed by 4294967275 bytes.\n");

    // Without a stream of its own a loader says nothing: not on standard error either.
    std::ostringstream caught;
    std::streambuf* const previous = std::cerr.rdbuf(caught.rdbuf());
    const int status = createSoundLoader()->decodeData(file);
    std::cerr.rdbuf(previous);
    EXPECT_EQ(status, Success);
    EXPECT_EQ(caught.str(), "");
}

TEST(SoundLoader, PcmStreamBlocks) {
    Bytes samples(100);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<uint8_t>(i);
    auto loader = loaded(synth::wav(2, 5512, 16, samples));  // 25 sample frames
    auto block = loader->defineStreamBlock(1, 10);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->getSoundData(), Bytes(samples.begin() + 40, samples.begin() + 80));
    block = loader->defineStreamBlock(2, 10);  // cut short
    EXPECT_EQ(block->getSoundData(), Bytes(samples.begin() + 80, samples.end()));
    block = loader->defineStreamBlock(3, 10);  // beyond the end
    EXPECT_TRUE(block->getSoundData().empty());
    EXPECT_EQ(loader->defineStreamHeader(10)->getFormat(), 3);
}

TEST(SoundLoader, SetSoundBuildsTheFrameTable) {
    const Bytes stream = synth::mp3Stream(stereo128, 6);
    auto loader = createSoundLoader();
    ASSERT_EQ(loader->setSound(MP3Sound, 2, 6 * 1152, 44100, 2, stream), Success)
        << loader->getProblem();
    EXPECT_EQ(loader->getSound().frames.size(), 6u);
    expectWholeFrames(loader->getSound());
    auto block = loader->defineStreamBlock(0, 1152);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->getSoundData().size(), 4 + loader->getSound().frames[0].length);
    EXPECT_EQ(loader->setSound(MP3Sound, 2, 1, 44100, 2, Bytes(50, 0)), BadData);
    EXPECT_EQ(loader->setSound(PCMSound, 2, 2, 8000, 2, Bytes(8, 0)), BadData);
    EXPECT_EQ(loader->setSound(PCMSound, 3, 2, 44100, 2, Bytes(8, 0)), BadData);
    EXPECT_EQ(loader->setSound(1, 1, 2, 44100, 2, Bytes(8, 0)), BadData);
    ASSERT_EQ(loader->setSound(PCMSound, 1, 4, 44100, 2, Bytes(8, 7)), Success);
    EXPECT_EQ(loader->defineSound(1)->getSoundData(), Bytes(8, 7));
}

TEST(SoundLoader, EveryTruncationFailsCleanly) {
    const std::vector<Bytes> files = {
        concat({synth::id3Tag(20), synth::mp3Stream(stereo128, 3)}),
        synth::mp3Stream({2, 8, 0, 3}, 4),
        synth::riffWave({synth::wavChunk("fmt ", synth::wavFormat(1, 2, 44100, 16)),
                         synth::wavChunk("data", Bytes(40, 3)),
                         synth::wavChunk("LIST", Bytes(7, 1))}),
    };
    auto loader = createSoundLoader();
    loader->setDiagnostics(nullptr);
    for (const Bytes& file : files) {
        ASSERT_EQ(loader->decodeData(file), Success) << loader->getProblem();
        for (std::size_t length = 0; length < file.size(); ++length) {
            const int status = loader->decodeData(std::span(file.data(), length));
            EXPECT_TRUE(status == Success || status == BadData || status == NoUsableSound)
                << length;
            if (status != Success) continue;
            // Whatever was read tiles the data.
            if (loader->getFormat() == MP3Sound) expectWholeFrames(loader->getSound());
            EXPECT_LE(loader->getDataSize(), length);
        }
    }
}

}  // namespace
}  // namespace quillet::media
