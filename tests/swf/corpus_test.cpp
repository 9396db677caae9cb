// Real movies made by other tools: every one decodes, and re-encoding it gives back the same
// uncompressed bytes, except for the normalisations listed below by file. Each listed change is
// checked to be exactly what its name says, so that nothing else may change in those files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "swf/movie.h"
#include "tests/swf/tag_corpus.h"

namespace transform {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

const fs::path corpus = fs::path(QUILLET_CORPUS) / "swf";

std::vector<fs::path> corpusMovies() {
    std::vector<fs::path> files;
    for (const char* folder : {"tagsets", "movies"}) {
        const fs::path dir = corpus / folder;
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().extension() == ".swf") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::size_t word32(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::size_t>(bytes[at + 3]) << 24;
}

Bytes uncompressed(const Bytes& file) {
    if (file.size() < 8 || file[0] != 'C') return file;
    auto bytes = FSMovie::uncompressData(file, word32(file, 4));
    bytes[0] = 'F';
    return bytes;
}

struct Tag {
    int type = 0;
    std::size_t offset = 0;
    Bytes body;
};

// The top-level tags of an uncompressed movie, up to the end tag or the end of the data.
std::vector<Tag> tagsOf(const Bytes& movie) {
    std::vector<Tag> tags;
    std::size_t at = test::firstTagOf(movie);
    while (at + 2 <= movie.size()) {
        const int word = movie[at] | movie[at + 1] << 8;
        std::size_t length = word & 63;
        std::size_t header = 2;
        if (length == 63 && at + 6 <= movie.size()) {
            length = word32(movie, at + 2);
            header = 6;
        }
        if (word >> 6 == 0 || at + header + length > movie.size()) break;
        tags.push_back({word >> 6, at,
                        Bytes(movie.begin() + static_cast<std::ptrdiff_t>(at + header),
                              movie.begin() + static_cast<std::ptrdiff_t>(at + header + length))});
        at += header + length;
    }
    return tags;
}

// What the library writes differently from some files, all of it allowed by the format.
enum class Normalisation {
    // The header's frame count is the number of frames the movie holds, not what it claimed.
    HeaderFrameCount,
    // A movie clip whose tags stop at the end of its body without an end tag gets one.
    ClipEndTagWritten,
    // Bytes after a movie clip's end tag (zero padding) are not kept.
    ClipBytesAfterEndTag,
    // An action list that stops at the end of its tag without the closing zero gets it.
    ActionListClosed,
    // A shape's line index written wider than its line styles need is written at its width:
    // one byte of the shape changes, the drawing does not.
    LineIndexWidth,
};

const char* nameOf(Normalisation n) {
    switch (n) {
        case Normalisation::HeaderFrameCount:
            return "header frame count recomputed";
        case Normalisation::ClipEndTagWritten:
            return "movie clip end tag written";
        case Normalisation::ClipBytesAfterEndTag:
            return "bytes after a clip's end tag dropped";
        case Normalisation::ActionListClosed:
            return "action list closed";
        case Normalisation::LineIndexWidth:
            return "shape line index width";
    }
    return "";
}

using N = Normalisation;

// Files that are refused on purpose, with the message they are refused with.
const std::map<std::string, std::string> refused = {
    // LZMA-compressed movies ("ZWS"), which this library does not read.
    {"lzma.swf", "Not Flash format"},
    {"lzma-length-too-large.swf", "Not Flash format"},
    {"lzma-malformed-length.swf", "Not Flash format"},
};

// Files that decode but come back with other bytes, and what the library normalises in them.
const std::map<std::string, std::set<Normalisation>> normalised = {
    {"avm1__as2_super_and_this_v6__test.swf", {N::ClipBytesAfterEndTag}},
    {"avm1__do_init_action_child__child.swf", {N::ClipEndTagWritten}},
    {"avm1__do_init_action_child__test.swf", {N::ClipEndTagWritten}},
    {"avm1__focus_root_movie__test.swf", {N::ClipEndTagWritten}},
    {"avm1__focusrect_property_swf7__test.swf", {N::LineIndexWidth}},
    {"avm1__focusrect_property_swf7__test2.swf", {N::HeaderFrameCount}},
    {"avm1__frame_size_translated_negative__test.swf", {N::ClipEndTagWritten}},
    {"avm1__init_array_invalid__test.swf", {N::ActionListClosed}},
    {"avm1__init_object_invalid__test.swf", {N::ActionListClosed}},
    {"avm1__place_and_lookup__test.swf", {N::ClipEndTagWritten}},
    {"avm1__set_target_2_swf5__test.swf", {N::HeaderFrameCount, N::ClipEndTagWritten}},
    {"avm1__tab_ordering_automatic_order_same_position__test.swf", {N::ClipEndTagWritten}},
    {"avm1__tab_ordering_custom_i32_vs_u32__test.swf", {N::ActionListClosed}},
    {"visual__focus_highlight__focus_highlight_avm1_button__test.swf", {N::ClipEndTagWritten}},
};

bool endsWith(const Bytes& longer, const Bytes& shorter, const Bytes& added) {
    if (longer.size() != shorter.size() + added.size()) return false;
    return std::equal(shorter.begin(), shorter.end(), longer.begin()) &&
           std::equal(added.begin(), added.end(),
                      longer.begin() + static_cast<std::ptrdiff_t>(shorter.size()));
}

// Which of the normalisations explains how a tag of the file became ours; none when nothing does.
std::set<Normalisation> explain(const Tag& file, const Tag& ours) {
    std::set<Normalisation> found;
    if (file.type != ours.type) return found;
    if (file.type == 39 && endsWith(ours.body, file.body, {0, 0}))
        found.insert(N::ClipEndTagWritten);
    if (file.type == 39 && ours.body.size() < file.body.size() &&
        std::equal(ours.body.begin(), ours.body.end(), file.body.begin()) &&
        ours.body.size() >= 6 && ours.body[ours.body.size() - 1] == 0 &&
        ours.body[ours.body.size() - 2] == 0)
        found.insert(N::ClipBytesAfterEndTag);
    if ((file.type == 12 || file.type == 7 || file.type == 59) &&
        endsWith(ours.body, file.body, {0}))
        found.insert(N::ActionListClosed);
    if ((file.type == 2 || file.type == 22 || file.type == 32) &&
        file.body.size() == ours.body.size()) {
        std::size_t changed = 0;
        for (std::size_t i = 0; i < file.body.size(); ++i) changed += file.body[i] != ours.body[i];
        if (changed == 1) found.insert(N::LineIndexWidth);
    }
    return found;
}

// The normalisations that turn the file into ours, checked tag by tag; adds a failure for any
// difference that none of them explains.
std::set<Normalisation> differences(const Bytes& file, const Bytes& ours, int showFrames) {
    std::set<Normalisation> seen;
    const std::size_t start = test::firstTagOf(file);
    if (test::firstTagOf(ours) != start || ours.size() < start) {
        ADD_FAILURE() << "the header changed size";
        return seen;
    }
    // Signature, version and frame size as they were; the length follows the tags.
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + 4, ours.begin()));
    EXPECT_EQ(word32(ours, 4), ours.size());
    EXPECT_TRUE(std::equal(file.begin() + 8, file.begin() + static_cast<std::ptrdiff_t>(start - 2),
                           ours.begin() + 8))
        << "frame size or rate changed";
    const int fileCount = file[start - 2] | file[start - 1] << 8;
    const int ourCount = ours[start - 2] | ours[start - 1] << 8;
    if (fileCount != ourCount) {
        EXPECT_EQ(ourCount, showFrames) << "the header's frame count is not the frames held";
        seen.insert(N::HeaderFrameCount);
    }

    const auto fileTags = tagsOf(file);
    const auto ourTags = tagsOf(ours);
    if (fileTags.size() != ourTags.size()) {
        ADD_FAILURE() << fileTags.size() << " tags in the file, " << ourTags.size() << " written";
        return seen;
    }
    for (std::size_t i = 0; i < fileTags.size(); ++i) {
        if (fileTags[i].type == ourTags[i].type && fileTags[i].body == ourTags[i].body) continue;
        const auto why = explain(fileTags[i], ourTags[i]);
        if (why.empty()) {
            ADD_FAILURE() << "tag " << i << " (type " << fileTags[i].type << ") at byte "
                          << fileTags[i].offset
                          << " re-encodes differently: " << test::hexOf(fileTags[i].body, 0, 12)
                          << "/ " << test::hexOf(ourTags[i].body, 0, 12);
            continue;
        }
        seen.insert(*why.begin());
    }
    return seen;
}

TEST(CorpusTest, RealMoviesDecodeAndReEncodeByteForByte) {
    const auto files = corpusMovies();
    if (files.empty()) GTEST_SKIP() << "no SWF corpus at " << corpus << " (set QUILLET_CORPUS)";

    int decoded = 0;
    int identical = 0;
    int normalisedCount = 0;
    int refusedCount = 0;
    std::map<Normalisation, int> perKind;
    for (const auto& path : files) {
        const std::string name = path.filename().string();
        SCOPED_TRACE(name);
        const auto file = FSMovie::readFile(path.string());
        FSMovie movie;
        try {
            movie.decodeFromData(file);
        } catch (const FSException& e) {
            ++refusedCount;
            const auto reason = refused.find(name);
            if (reason == refused.end())
                ADD_FAILURE() << "refused: " << e.what();
            else
                EXPECT_EQ(std::string(e.what()), reason->second);
            continue;
        }
        ++decoded;
        EXPECT_FALSE(refused.count(name)) << "listed as refused but decodes";

        const auto original = uncompressed(file);
        movie.setSignature("FWS");
        const auto again = movie.encode();
        // Whatever we write reads back and writes itself again unchanged.
        FSMovie reread;
        reread.decodeFromData(again);
        EXPECT_EQ(reread.encode(), again) << "our encoding does not re-encode unchanged";

        const auto listed = normalised.find(name);
        if (again == original) {
            ++identical;
            EXPECT_EQ(listed, normalised.end()) << "listed as normalised but comes back identical";
            continue;
        }
        ++normalisedCount;
        int showFrames = 0;
        for (const auto& object : movie.getObjects()) showFrames += object->getType() == 1;
        const auto seen = differences(original, again, showFrames);
        for (const auto kind : seen) ++perKind[kind];
        if (listed == normalised.end()) {
            ADD_FAILURE() << "re-encodes differently and is not listed as normalised";
        } else {
            EXPECT_EQ(seen, listed->second) << "the normalisations are not the ones listed";
        }
    }
    EXPECT_EQ(normalisedCount, static_cast<int>(normalised.size()));
    EXPECT_EQ(refusedCount, static_cast<int>(refused.size()));
    std::printf("[ corpus ] %zu movies: %d decoded, %d byte-identical, %d normalised, %d refused\n",
                files.size(), decoded, identical, normalisedCount, refusedCount);
    for (const auto& [kind, count] : perKind)
        std::printf("[ corpus ]   %s: in %d of them\n", nameOf(kind), count);
}

}  // namespace
}  // namespace transform
