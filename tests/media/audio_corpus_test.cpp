// The sound loader over the audio corpus: MP3 frame counts, rates and channels as ffprobe reads
// them (recorded once), and, when ffprobe is installed, every frame's position and length
// against the packets it reports; WAV formats and sample counts.
#include <gtest/gtest.h>

#include <cstdio>
#include <iostream>
#include <map>
#include <memory>

#include "media/mp3_decoder.h"
#include "media/sound_loader.h"
#include "tests/media/media_test_support.h"

namespace quillet::media {
namespace {

using namespace test;

struct Expected {
    int status;
    int rate = 0;
    int channels = 0;
    uint32_t frames = 0;  // MP3: frames; WAV: samples per channel
    int sampleSize = 0;
    // ffprobe confirms a frame by the one after it, so it reads no packet of a one-frame file.
    bool ffprobeReadsIt = true;
};

// ffprobe's figures (nb_read_packets, sample_rate); channels are 2 when any frame is stereo.
const std::map<std::string, Expected> mp3Files = {
    {"M2L3_bitrate_22_all.mp3", {Success, 22050, 1, 476}},
    {"M2L3_noise.mp3", {Success, 22050, 2, 386}},
    {"apev2-lyricsv2.mp3", {Success, 44100, 2, 75}},
    {"id3v22-test.mp3", {Success, 44100, 2, 6}},
    // ffprobe reports the first frame's mode (mono); later frames are stereo.
    {"l3-he_mode.mp3", {Success, 44100, 2, 128}},
    {"l3-hecommon.mp3", {Success, 44100, 2, 30}},
    {"l3-nonstandard-sin1k0db_lame_vbrtag.mp3", {Success, 44100, 2, 316}},
    {"l3-si.mp3", {Success, 44100, 1, 118}},
    {"l3-si_block.mp3", {Success, 44100, 1, 64}},
    {"l3-sin1k0db.mp3", {Success, 44100, 2, 318}},
    {"no-tags.mp3", {Success, 44100, 2, 4}},
    {"silence-44-s.mp3", {Success, 44100, 2, 143}},
    {"vbri.mp3", {Success, 44100, 2, 17}},
    {"xing.mp3", {Success, 44100, 2, 79}},
    // One whole 160 kbit/s frame after an ID3v2.2 tag (ffprobe reads no packet).
    {"too-short.mp3", {Success, 44100, 2, 1, 0, false}},
    // 48000, 32000, 24000 and 12000 Hz, free format, a rate change, no audio at all.
    {"M2L3_compl24.mp3", {BadData}},
    {"emptyfile.mp3", {BadData}},
    {"l3-compl-cut.mp3", {BadData}},
    {"l3-compl.mp3", {BadData}},
    {"l3-he_32khz.mp3", {BadData}},
    {"l3-he_48khz.mp3", {BadData}},
    {"l3-he_free.mp3", {BadData}},
    {"l3-nonstandard-he_44_48khz.mp3", {BadData}},
    {"l3-nonstandard-id3v2-only.mp3", {BadData}},
    {"l3-nonstandard-small.mp3", {BadData}},
    {"silence-44-s-mpeg2.mp3", {BadData}},
    {"silence-44-s-mpeg25.mp3", {BadData}},
};

// The (position, length) of each audio packet that ffprobe finds; null when ffprobe is missing.
std::unique_ptr<std::vector<Mp3Frame>> ffprobePackets(const fs::path& path) {
    if (std::system("ffprobe -version > /dev/null 2>&1") != 0) return nullptr;
    const std::string command =
        "ffprobe -v quiet -select_streams a:0 -show_entries packet=pos,size "
        "-of default=noprint_wrappers=1 '" +
        path.string() + "'";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return nullptr;
    auto packets = std::make_unique<std::vector<Mp3Frame>>();
    long long position = -1, size = -1;
    char line[256];
    while (std::fgets(line, sizeof line, pipe.get())) {
        const std::string text(line);
        if (text.rfind("pos=", 0) == 0) position = std::atoll(text.c_str() + 4);
        if (text.rfind("size=", 0) == 0) size = std::atoll(text.c_str() + 5);
        if (position >= 0 && size >= 0) {
            packets->push_back(
                {static_cast<std::size_t>(position), static_cast<std::size_t>(size)});
            position = size = -1;
        }
    }
    return packets;
}

TEST(AudioCorpus, Mp3FilesAsAnIndependentToolReadsThem) {
    QUILLET_REQUIRE_CORPUS(folder, "audio/mp3");
    int accepted = 0, refused = 0, compared = 0;
    for (const auto& path : filesWithExtension(folder, ".mp3")) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        const auto expected = mp3Files.find(name);
        ASSERT_NE(expected, mp3Files.end()) << "no recorded figures";
        auto loader = createSoundLoader();
        const int status = loader->decodeFile(path.string());
        ASSERT_EQ(status, expected->second.status) << loader->getProblem();
        if (status != Success) {
            ++refused;
            continue;
        }
        ++accepted;
        const SoundRecord& sound = loader->getSound();
        EXPECT_EQ(sound.frames.size(), expected->second.frames);
        EXPECT_EQ(loader->getSampleCount(),
                  expected->second.frames * static_cast<uint32_t>(sound.samplesPerFrame));
        EXPECT_EQ(loader->getSampleRate(), expected->second.rate);
        EXPECT_EQ(loader->getChannels(), expected->second.channels);
        EXPECT_EQ(sound.samplesPerFrame, expected->second.rate == 44100 ? 1152 : 576);

        // Frame positions in the file and lengths equal ffprobe's packets.
        const Bytes file = readBytes(path);
        const Mp3Stream stream = Mp3Decoder::scan(file);
        const auto packets = ffprobePackets(path);
        if (!packets || !expected->second.ffprobeReadsIt) continue;
        ++compared;
        ASSERT_EQ(stream.frames.size(), packets->size());
        for (std::size_t i = 0; i < packets->size(); ++i) {
            EXPECT_EQ(stream.frames[i], (*packets)[i])
                << "frame " << i << ": ours at " << stream.frames[i].offset << " of "
                << stream.frames[i].length << ", ffprobe's at " << (*packets)[i].offset << " of "
                << (*packets)[i].length;
            if (!(stream.frames[i] == (*packets)[i])) break;
        }
    }
    std::cout << "MP3 corpus: " << accepted << " accepted with ffprobe's frame counts, " << refused
              << " refused; " << compared << " frame tables compared with ffprobe's packets"
              << (compared ? "" : " (ffprobe not installed)") << std::endl;
    EXPECT_EQ(accepted, 15);
    EXPECT_EQ(refused, 12);
}

// Formats and sample counts as ffprobe reads them (sample_rate, channels, bits, duration_ts).
const std::map<std::string, Expected> wavFiles = {
    {"hound/pcmwaveformat-16bit-44100Hz-mono-extra.wav", {Success, 44100, 1, 4, 2}},
    {"hound/pcmwaveformat-16bit-44100Hz-mono.wav", {Success, 44100, 1, 4, 2}},
    {"hound/pcmwaveformat-8bit-44100Hz-mono.wav", {Success, 44100, 1, 4, 1}},
    {"hound/pop.wav", {Success, 44100, 1, 100, 2}},
    {"hound/waveformatex-16bit-44100Hz-mono-extra.wav", {Success, 44100, 1, 4, 2}},
    {"hound/waveformatex-16bit-44100Hz-mono.wav", {Success, 44100, 1, 4, 2}},
    {"hound/waveformatex-16bit-44100Hz-stereo.wav", {Success, 44100, 2, 4, 2}},
    {"hound/waveformatex-8bit-11025Hz-mono.wav", {Success, 11025, 1, 4, 1}},
    // PCM at rates a movie cannot play: the values are read all the same.
    {"16bit-8kHz-1c-reaper-region.wav", {NoUsableSound, 8000, 2, 24000, 2}},
    {"8bit-16kHz-bext-mono.wav", {NoUsableSound, 16000, 1, 219429, 1}},
    {"Audacity-16bit.wav", {NoUsableSound, 8000, 2, 31493, 2}},
    {"M1F1-int12WE-AFsp.wav", {NoUsableSound, 8000, 2, 23493, 2}},
    {"silence-2s-PCM-16000-08-ID3v23.wav", {NoUsableSound, 16000, 2, 32000, 1}},
    {"silence-2s-PCM-16000-08-notags.wav", {NoUsableSound, 16000, 2, 32000, 1}},
    // Not PCM (float, ADPCM, A-law, mu-law), or PCM of 24 or 32 bits.
    {"32bitIEEE-16kHz-bext-mono.wav", {NoUsableSound}},
    {"4bit-imaadpcm-8kHz-noBext-mono.wav", {NoUsableSound}},
    {"8bit-alaw-8kHz-noBext-mono-encoded.wav", {NoUsableSound}},
    {"8bit-mulaw-8kHz-noBext-mono-encoded.wav", {NoUsableSound}},
    {"ima22m.wav", {NoUsableSound}},
    {"hound/waveformatex-ieeefloat-44100Hz-mono.wav", {NoUsableSound}},
    {"hound/waveformatextensible-ieeefloat-44100Hz-mono.wav", {NoUsableSound}},
    {"hound/fuzz/crash-e5471f5b58397287b509db7d026e95f1724454f5.wav", {NoUsableSound}},
    {"hound/nonstandard-01.wav", {NoUsableSound}},
    {"hound/nonstandard-02.wav", {NoUsableSound}},
    {"hound/pcmwaveformat-24bit-4byte-48kHz-stereo.wav", {NoUsableSound}},
    {"hound/waveformatextensible-24bit-192kHz-mono.wav", {NoUsableSound}},
    {"hound/waveformatextensible-24bit-4byte-48kHz-stereo.wav", {NoUsableSound}},
    {"hound/waveformatextensible-32bit-48kHz-stereo.wav", {NoUsableSound}},
    // Big-endian RIFX, and fuzzer cases that ffprobe cannot read either.
    {"RIFX-16bit-mono.wav", {BadData}},
    {"hound/fuzz/crash-24728523ef4be15c838293b676f6853e73723bf4.wav", {BadData}},
    {"hound/fuzz/crash-b8447179832529c48f9c6bf17feab6337bbc78ea.wav", {BadData}},
    {"hound/fuzz/crash-cbd757427cea12bd8a21f86cd8cf74d98ce56bee.wav", {BadData}},
    {"hound/fuzz/crash-e879de4eb4d206c59e21f0e01def16457af80fdc.wav", {BadData}},
    {"hound/fuzz/oom-48ae4cd061ff8578ad3f23dc87624bd365cf5216.wav", {BadData}},
};

TEST(AudioCorpus, WavFormatsAndSampleCounts) {
    QUILLET_REQUIRE_CORPUS(folder, "audio/wav");
    std::map<int, int> counts;
    for (const auto& [name, expected] : wavFiles) {
        SCOPED_TRACE(name);
        auto loader = createSoundLoader();
        loader->setDiagnostics(nullptr);
        const int status = loader->decodeFile((folder / name).string());
        ASSERT_EQ(status, expected.status) << loader->getProblem();
        ++counts[status];
        if (status == BadData) {
            EXPECT_EQ(loader->getFormat(), NoSound);
            continue;
        }
        EXPECT_EQ(loader->getFormat(), PCMSound);
        if (expected.rate ==
            0) {  // not 8 or 16-bit PCM: reported, with no values a caller could misuse
            EXPECT_FALSE(loader->getProblem().empty());
            EXPECT_EQ(loader->defineSound(1), nullptr);
            continue;
        }
        EXPECT_EQ(loader->getSampleRate(), expected.rate);
        EXPECT_EQ(loader->getChannels(), expected.channels);
        EXPECT_EQ(loader->getSampleSize(), expected.sampleSize);
        EXPECT_EQ(loader->getSampleCount(), expected.frames);
        EXPECT_EQ(loader->getDataSize(), expected.frames * expected.channels * expected.sampleSize);
        EXPECT_EQ(loader->defineSound(1) != nullptr, status == Success);
    }
    std::cout << "WAV corpus: " << counts[Success] << " usable, " << counts[NoUsableSound]
              << " well-formed but not playable in a movie, " << counts[BadData] << " malformed"
              << std::endl;
    // Every WAV file of the corpus is listed.
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files += entry.path().extension() == ".wav";
    EXPECT_EQ(files, wavFiles.size());
}

}  // namespace
}  // namespace quillet::media
