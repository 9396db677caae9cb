// Walks the tags of the corpus movies (and of the movie clips inside them) and hands each tag of
// the wanted types to a check with its original bytes and its format version.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/sprites_buttons.h"
#include "tests/swf/swf_test_support.h"

namespace transform::test {

inline std::filesystem::path swfCorpus() {
    return std::filesystem::path(QUILLET_CORPUS) / "swf";
}

struct CorpusTag {
    std::string file;
    std::size_t offset = 0;  // of the header, in the uncompressed movie
    int version = 0;
    int type = 0;
    std::vector<uint8_t> bytes;  // header and body
};

namespace detail {

inline void walkTags(const std::vector<uint8_t>& data, std::size_t at, std::size_t end,
                     CorpusTag& tag, const std::function<bool(int)>& wanted,
                     const std::function<void(const CorpusTag&)>& check) {
    while (at + 2 <= end) {
        const std::size_t start = at;
        const int word = data[at] | data[at + 1] << 8;
        const int type = word >> 6;
        std::size_t length = static_cast<std::size_t>(word & 63);
        at += 2;
        if (length == 63) {
            if (at + 4 > end) return;
            length = data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                     static_cast<std::size_t>(data[at + 3]) << 24;
            at += 4;
        }
        if (type == 0 || length > end - at) return;
        if (wanted(type)) {
            tag.offset = start;
            tag.type = type;
            tag.bytes.assign(data.begin() + static_cast<std::ptrdiff_t>(start),
                             data.begin() + static_cast<std::ptrdiff_t>(at + length));
            check(tag);
        }
        if (type == 39 && length >= 4) walkTags(data, at + 4, at + length, tag, wanted, check);
        at += length;
    }
}

}  // namespace detail

// The uncompressed bytes of a movie file; empty when this library cannot read its container
// (LZMA, a foreign signature, damaged compression), which the movie tests cover.
inline std::vector<uint8_t> uncompressedMovie(const std::filesystem::path& path) {
    const std::vector<uint8_t> file = FSMovie::readFile(path.string());
    if (file.size() < 9 || (file[0] != 'F' && file[0] != 'C') || file[1] != 'W' || file[2] != 'S')
        return {};
    try {
        const std::size_t declared =
            file[4] | file[5] << 8 | file[6] << 16 | static_cast<std::size_t>(file[7]) << 24;
        auto data = file[0] == 'C' ? FSMovie::uncompressData(file, declared) : file;
        if (data.size() < 9) return {};
        return data;
    } catch (const FSException&) {
        return {};
    }
}

inline std::size_t firstTagOf(const std::vector<uint8_t>& movie) {
    const int rectBits = movie[8] >> 3;
    return 8 + static_cast<std::size_t>((5 + 4 * rectBits + 7) / 8) + 4;
}

// The tags of the given types in a movie file, each with its header, those of movie clips
// included, in file order.
inline std::vector<std::vector<uint8_t>> tagsOf(const std::filesystem::path& file,
                                                std::initializer_list<int> types) {
    const std::set<int> wanted(types);
    std::vector<std::vector<uint8_t>> found;
    const std::vector<uint8_t> data = uncompressedMovie(file);
    if (data.empty()) return found;
    CorpusTag tag;
    detail::walkTags(
        data, firstTagOf(data), data.size(), tag, [&](int type) { return wanted.count(type) != 0; },
        [&](const CorpusTag& each) { found.push_back(each.bytes); });
    return found;
}

// Returns the number of movies walked; 0 when the corpus is absent.
inline int forEachCorpusTag(const std::function<bool(int)>& wanted,
                            const std::function<void(const CorpusTag&)>& check) {
    if (!std::filesystem::is_directory(swfCorpus())) return 0;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(swfCorpus()))
        if (entry.path().extension() == ".swf") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    int movies = 0;
    for (const auto& path : files) {
        const std::vector<uint8_t> data = uncompressedMovie(path);
        if (data.empty()) continue;
        ++movies;
        CorpusTag tag;
        tag.file = path.filename().string();
        tag.version = data[3];
        detail::walkTags(data, firstTagOf(data), data.size(), tag, wanted, check);
    }
    return movies;
}

// Whether two decoded tags hold the same values, compared field by field for the tags whose
// re-encoding may size matrices and colour transforms differently from the file, and byte by
// byte (as this library writes them) for the others.
inline bool sameContent(const FSMovieObject& a, const FSMovieObject& b);

inline bool sameButtons(const std::vector<FSButton>& a, const std::vector<FSButton>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].getState() != b[i].getState() || a[i].getIdentifier() != b[i].getIdentifier() ||
            a[i].getLayer() != b[i].getLayer() || !(a[i].getTransform() == b[i].getTransform()) ||
            !(a[i].getColorTransform() == b[i].getColorTransform()) ||
            a[i].getEffectFlags() != b[i].getEffectFlags() ||
            a[i].getEncodedEffects() != b[i].getEncodedEffects())
            return false;
    }
    return true;
}

inline bool sameContent(const FSMovieObject& a, const FSMovieObject& b) {
    if (a.getType() != b.getType()) return false;
    if (const auto* p = dynamic_cast<const FSPlaceObject2*>(&a)) {
        const auto& q = static_cast<const FSPlaceObject2&>(b);
        const bool identified = p->getPlaceType() != FSPlaceObject2::Modify;
        return p->getPlaceType() == q.getPlaceType() && p->getLayer() == q.getLayer() &&
               (!identified || p->getIdentifier() == q.getIdentifier()) &&
               p->getTransform() == q.getTransform() &&
               p->getColorTransform() == q.getColorTransform() && p->getRatio() == q.getRatio() &&
               p->getClipDepth() == q.getClipDepth() && p->getName() == q.getName() &&
               p->getEvents().size() == q.getEvents().size() &&
               p->getEncodedEvents() == q.getEncodedEvents();
    }
    if (const auto* p = dynamic_cast<const FSPlaceObject*>(&a)) {
        const auto& q = static_cast<const FSPlaceObject&>(b);
        return p->getIdentifier() == q.getIdentifier() && p->getLayer() == q.getLayer() &&
               p->getTransform() == q.getTransform() &&
               p->getColorTransform() == q.getColorTransform();
    }
    if (const auto* p = dynamic_cast<const FSDefineButton2*>(&a)) {
        const auto& q = static_cast<const FSDefineButton2&>(b);
        if (p->getIdentifier() != q.getIdentifier() || p->getMenu() != q.getMenu() ||
            !sameButtons(p->getButtons(), q.getButtons()) ||
            p->getEvents().size() != q.getEvents().size() ||
            p->getEncodedEvents() != q.getEncodedEvents())
            return false;
        for (std::size_t i = 0; i < p->getEvents().size(); ++i)
            if (p->getEvents()[i].getEvent() != q.getEvents()[i].getEvent() ||
                p->getEvents()[i].getActions().size() != q.getEvents()[i].getActions().size())
                return false;
        return true;
    }
    if (const auto* p = dynamic_cast<const FSDefineButton*>(&a)) {
        const auto& q = static_cast<const FSDefineButton&>(b);
        return p->getIdentifier() == q.getIdentifier() &&
               sameButtons(p->getButtons(), q.getButtons()) &&
               p->getActions().size() == q.getActions().size();
    }
    if (const auto* p = dynamic_cast<const FSButtonColorTransform*>(&a)) {
        const auto& q = static_cast<const FSButtonColorTransform&>(b);
        return p->getIdentifier() == q.getIdentifier() &&
               p->getColorTransform() == q.getColorTransform() &&
               p->getMoreTransforms() == q.getMoreTransforms();
    }
    if (const auto* p = dynamic_cast<const FSDefineMovieClip*>(&a)) {
        const auto& q = static_cast<const FSDefineMovieClip&>(b);
        if (p->getIdentifier() != q.getIdentifier() ||
            p->getObjects().size() != q.getObjects().size())
            return false;
        for (std::size_t i = 0; i < p->getObjects().size(); ++i)
            if (!sameContent(p->getObjects()[i], q.getObjects()[i])) return false;
        return true;
    }
    auto left = cloneOf(a);
    auto right = cloneOf(b);
    return encodeTag(*left) == encodeTag(*right);
}

struct CorpusDifference {
    int type = 0;
    std::vector<uint8_t> file;
    std::vector<uint8_t> ours;
};

struct CorpusRoundTrip {
    int movies = 0;
    int tags = 0;
    int identical = 0;
    std::map<int, int> perType;
    std::vector<std::string> failures;     // tags that did not decode to their declared length
    std::vector<std::string> differences;  // tags whose re-encoding differs from the file
    std::vector<std::string> changed;      // differing tags whose values also differ
    std::map<int, int> differingPerType;
    std::vector<CorpusDifference> differing;
};

inline std::string describe(const CorpusTag& tag) {
    return tag.file + " (version " + std::to_string(tag.version) + ") tag " +
           std::to_string(tag.type) + " at byte " + std::to_string(tag.offset);
}

// Decodes each tag of the given types on its own, checks that it took exactly its declared
// length, and re-encodes it. A re-encoding must itself re-encode unchanged; whether it equals the
// file's bytes is counted.
inline CorpusRoundTrip roundTripCorpusTags(const std::set<int>& types) {
    CorpusRoundTrip result;
    result.movies = forEachCorpusTag(
        [&](int type) { return types.count(type) != 0; },
        [&](const CorpusTag& tag) {
            ++result.tags;
            ++result.perType[tag.type];
            FSInputStream in(tag.bytes.data(), tag.bytes.size());
            in.setContext(FSCoder::Version, tag.version);
            std::unique_ptr<FSMovieObject> object;
            try {
                object = FSMovie::decodeObject(in);
            } catch (const FSException& e) {
                result.failures.push_back(describe(tag) + ": " + e.what());
                return;
            }
            if (!object || in.getCursor() != tag.bytes.size() * 8) {
                result.failures.push_back(describe(tag) + ": not decoded to its length");
                return;
            }
            const std::vector<uint8_t> encoded = encodeTag(*object, tag.version);
            auto again = decodeTag(encoded, tag.version);
            EXPECT_TRUE(again && encodeTag(*again, tag.version) == encoded)
                << describe(tag) << ": the re-encoding does not re-encode unchanged";
            if (encoded == tag.bytes) {
                ++result.identical;
                return;
            }
            ++result.differingPerType[tag.type];
            result.differing.push_back({tag.type, tag.bytes, encoded});
            if (!again || !sameContent(*object, *again))
                result.changed.push_back(describe(tag) + ": values differ after re-encoding");
            std::string text = describe(tag) + " (" + object->name() + "):";
            text += "\n  file   " + hexOf(tag.bytes) + "\n  ours   " + hexOf(encoded);
            result.differences.push_back(text);
        });
    return result;
}

}  // namespace transform::test
