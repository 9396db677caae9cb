// Helpers shared by the SWF library's tests: byte builders, encode a value or tag with given
// context slots, decode it back, and check that length and encode agree.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "swf/actions.h"
#include "swf/coder.h"
#include "swf/movie.h"

namespace transform::test {

using Bytes = std::vector<uint8_t>;
using Slots = std::initializer_list<std::pair<int, int>>;

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The bytes from `from` on (at most `count`) in hexadecimal, for failure messages.
inline std::string hexOf(const Bytes& bytes, std::size_t from = 0, std::size_t count = 48) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = from; i < std::min(bytes.size(), from + count); ++i)
        text += {digits[bytes[i] >> 4], digits[bytes[i] & 15], ' '};
    return text;
}

inline Bytes slice(const Bytes& bytes, std::size_t from, std::size_t to) {
    return Bytes(bytes.begin() + static_cast<long>(from), bytes.begin() + static_cast<long>(to));
}

// "1101 1000 01" -> D8 40: the bits most significant first, zero-padded to whole bytes.
inline Bytes bitsToBytes(std::string_view text) {
    Bytes bytes;
    int count = 0;
    for (char c : text) {
        if (c != '0' && c != '1') continue;
        if (count % 8 == 0) bytes.push_back(0);
        if (c == '1') bytes.back() |= static_cast<uint8_t>(0x80 >> (count % 8));
        ++count;
    }
    return bytes;
}

// A tag as a file holds it: the short header when the body allows, else the long one.
inline Bytes tagBytes(int type, const Bytes& body, bool longHeader = false) {
    const bool shortForm = !longHeader && body.size() < 63;
    const int word = type << 6 | (shortForm ? static_cast<int>(body.size()) : 63);
    Bytes bytes;
    bytes.reserve(body.size() + 6);
    bytes.push_back(static_cast<uint8_t>(word));
    bytes.push_back(static_cast<uint8_t>(word >> 8));
    for (int shift = 0; !shortForm && shift < 32; shift += 8)
        bytes.push_back(static_cast<uint8_t>(body.size() >> shift));
    for (const uint8_t byte : body) bytes.push_back(byte);
    return bytes;
}

// A movie of the given version holding the tags and an end tag, then the bytes in trailing (which
// the header's length does not count and a re-encoded movie does not keep).
inline std::vector<uint8_t> movieWith(int version, const std::vector<uint8_t>& tags,
                                      const std::vector<uint8_t>& trailing = {}) {
    std::vector<uint8_t> movie = {
        'F', 'W', 'S', static_cast<uint8_t>(version), 0, 0, 0, 0, 0x00, 0x00, 12, 1, 0};
    movie.insert(movie.end(), tags.begin(), tags.end());
    movie.push_back(0);
    movie.push_back(0);
    const std::size_t length = movie.size();
    for (int i = 0; i < 4; ++i) movie[4 + i] = static_cast<uint8_t>(length >> (8 * i));
    movie.insert(movie.end(), trailing.begin(), trailing.end());
    return movie;
}

// The body of an encoded tag, after its short or long header.
inline Bytes bodyOf(const Bytes& tag) {
    const std::size_t header = (tag.size() >= 2 && (tag[0] & 63) == 63) ? 6 : 2;
    return slice(tag, std::min(header, tag.size()), tag.size());
}

inline FSArray<FSActionObject> actionsOf(std::initializer_list<int> codes) {
    FSArray<FSActionObject> actions;
    for (const int code : codes) actions.add(std::make_unique<FSAction>(code));
    return actions;
}

// The message of the FSException the action throws.
inline std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const FSException& e) {
        return e.getMessage();
    }
    return "no failure";
}

// Keeps every event, the error messages apart, and how many objects are begun and not ended.
class RecordingListener : public FSCodingListener {
  public:
    void handleEvent(const FSCodingEvent& event) override {
        events.push_back(event);
        if (event.kind == FSCodingEvent::Error) errors.emplace_back(event.value);
        if (event.kind == FSCodingEvent::Begin) ++open;
        if (event.kind == FSCodingEvent::End) --open;
    }
    std::vector<FSCodingEvent> events;
    std::vector<std::string> errors;
    int open = 0;
};

template <class T>
T& as(std::unique_ptr<FSMovieObject>& object) {
    EXPECT_NE(dynamic_cast<T*>(object.get()), nullptr);
    return static_cast<T&>(*object);
}

// The slots that tags set around their bodies must all be 0 again afterwards.
inline void expectSlotsCleared(const FSCoder& coder, const std::string& when) {
    for (int slot :
         {FSCoder::Transparent, FSCoder::ArrayExtended, FSCoder::WideCodes, FSCoder::FillSize,
          FSCoder::LineSize, FSCoder::AdvanceSize, FSCoder::GlyphSize})
        EXPECT_EQ(coder.getContext(slot), 0) << "slot " << slot << " " << when;
}

inline void applySlots(FSCoder& coder, Slots slots) {
    for (auto [slot, value] : slots) coder.setContext(slot, value);
}

// Encodes an object into a stream sized by its own length and checks that it filled it exactly.
template <class T>
std::vector<uint8_t> encodeValue(T object, Slots slots = {}) {
    FSOutputStream sizer(0);
    applySlots(sizer, slots);
    const int size = object.length(sizer);
    FSOutputStream out(static_cast<std::size_t>(size));
    applySlots(out, slots);
    object.length(out);
    object.encode(out);
    EXPECT_EQ(out.getCursor(), static_cast<std::size_t>(size) * 8)
        << object.name() << ": length and encode disagree";
    return out.getData();
}

template <class T>
T decodeValue(const std::vector<uint8_t>& bytes, Slots slots = {}) {
    FSInputStream in(bytes.data(), bytes.size());
    applySlots(in, slots);
    T object(in);
    EXPECT_EQ(in.getCursor(), bytes.size() * 8)
        << object.name() << ": decode did not consume the encoding";
    return object;
}

template <class T>
T roundTripValue(const T& object, Slots slots = {}) {
    return decodeValue<T>(encodeValue(object, slots), slots);
}

// A tag with its header, written the way the movie writes it (with the length check).
inline std::vector<uint8_t> encodeTag(FSMovieObject& tag, int version = 7) {
    FSOutputStream sizer(0);
    sizer.setContext(FSCoder::Version, version);
    tag.length(sizer);
    expectSlotsCleared(sizer, std::string("after ") + tag.name() + " length");
    FSOutputStream out(static_cast<std::size_t>(tag.getLength() + tag.headerLength()));
    out.setContext(FSCoder::Version, version);
    tag.length(out);
    FSMovie::encodeObject(tag, out);
    EXPECT_EQ(out.getCursor(), out.size() * 8) << tag.name();
    expectSlotsCleared(out, std::string("after ") + tag.name() + " encode");
    return out.getData();
}

inline std::unique_ptr<FSMovieObject> decodeTag(const std::vector<uint8_t>& bytes,
                                                int version = 7) {
    FSInputStream in(bytes.data(), bytes.size());
    in.setContext(FSCoder::Version, version);
    auto tag = FSMovie::decodeObject(in);
    EXPECT_EQ(in.getCursor(), bytes.size() * 8);
    expectSlotsCleared(in, "after decode");
    return tag;
}

template <class T>
std::unique_ptr<T> decodeAs(const Bytes& bytes, int version = 7) {
    auto tag = decodeTag(bytes, version);
    auto* typed = dynamic_cast<T*>(tag.get());
    EXPECT_NE(typed, nullptr) << (tag ? tag->name() : "no tag");
    if (!typed) return nullptr;
    tag.release();
    return std::unique_ptr<T>(typed);
}

// Every proper prefix of an encoded tag fails with an FSException and leaves no slot set.
inline void expectEveryPrefixRefused(const Bytes& tag, int version = 7, std::size_t from = 0) {
    for (std::size_t keep = from; keep < tag.size(); ++keep) {
        const Bytes cut(tag.begin(), tag.begin() + static_cast<std::ptrdiff_t>(keep));
        FSInputStream in(cut.data(), cut.size());
        in.setContext(FSCoder::Version, version);
        EXPECT_THROW(FSMovie::decodeObject(in), FSException) << keep << " of " << tag.size();
        expectSlotsCleared(in, "after a failed decode");
    }
}

// encode → decode → encode gives the same bytes; returns the decoded tag.
inline std::unique_ptr<FSMovieObject> expectTagRoundTrip(FSMovieObject& tag, int version = 7) {
    const auto first = encodeTag(tag, version);
    auto decoded = decodeTag(first, version);
    EXPECT_NE(decoded, nullptr);
    if (!decoded) return decoded;
    EXPECT_STREQ(decoded->name(), tag.name());
    EXPECT_EQ(encodeTag(*decoded, version), first)
        << tag.name() << " does not re-encode byte for byte";
    return decoded;
}

// Each tag given again under a long header that declares fewer bytes than its body, with the
// body cut to match: every one either fails with an FSException or decodes to a tag that
// encodes to exactly those bytes.
inline void expectShortDeclaredLengthsHandled(const std::vector<Bytes>& tags) {
    for (const Bytes& tag : tags) {
        const int type = tag[0] >> 6 | tag[1] << 2;
        const Bytes body = bodyOf(tag);
        for (std::size_t declared = 0; declared < body.size(); ++declared) {
            SCOPED_TRACE(std::to_string(type) + " declaring " + std::to_string(declared));
            const Bytes lying = tagBytes(type, slice(body, 0, declared), true);
            std::unique_ptr<FSMovieObject> decoded;
            try {
                FSInputStream in(lying.data(), lying.size());
                decoded = FSMovie::decodeObject(in);
            } catch (const FSException&) {
                continue;
            }
            EXPECT_EQ(encodeTag(*decoded), lying);
        }
    }
}

// encode → decode → encode gives the same bytes; returns the decoded tag as its own class.
template <class T>
std::unique_ptr<T> roundTrip(T& tag, int version = 7) {
    const Bytes first = encodeTag(tag, version);
    auto decoded = decodeAs<T>(first, version);
    if (!decoded) return nullptr;
    EXPECT_EQ(encodeTag(*decoded, version), first) << tag.name() << " does not re-encode";
    return decoded;
}

// Random bytes of each tag's body are changed: every mutation either fails with an FSException
// or decodes to a tag of the same class that re-encodes and decodes again to the same bytes.
// Both outcomes must occur, or the mutations did not reach the decoder's checks.
inline void expectMutationsHandled(const std::vector<Bytes>& tags, unsigned seed, int rounds) {
    std::mt19937 random(seed);
    int refused = 0;
    int decoded = 0;
    for (const Bytes& tag : tags) {
        const std::size_t header = (tag[0] & 63) == 63 ? 6 : 2;
        std::unique_ptr<FSMovieObject> original = decodeTag(tag);
        ASSERT_NE(original, nullptr);
        for (int round = 0; round < rounds; ++round) {
            Bytes mutated = tag;
            for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
                mutated[header + random() % (mutated.size() - header)] =
                    static_cast<uint8_t>(random());
            std::unique_ptr<FSMovieObject> back;
            try {
                FSInputStream in(mutated.data(), mutated.size());
                back = FSMovie::decodeObject(in);
            } catch (const FSException&) {
                ++refused;
                continue;
            }
            ++decoded;
            ASSERT_NE(back, nullptr);
            ASSERT_STREQ(back->name(), original->name()) << "round " << round;
            try {
                const Bytes again = encodeTag(*back);
                EXPECT_EQ(encodeTag(*decodeTag(again)), again)
                    << back->name() << ", round " << round << ": not stable";
            } catch (const FSException&) {
                // A decoded value the encoder cannot write back (an oversized count, say) is
                // refused when writing, which is clean too.
            }
        }
    }
    EXPECT_GT(refused, 0) << "no mutation was refused";
    EXPECT_GT(decoded, 0) << "no mutation was decoded";
}

// The tags encoded, in order.
inline std::vector<Bytes> encodeTags(std::initializer_list<FSMovieObject*> tags) {
    std::vector<Bytes> all;
    for (FSMovieObject* tag : tags) all.push_back(encodeTag(*tag));
    return all;
}

// Every cut, a header declaring less than the body holds, and random damage: each either fails
// with a clear error or decodes to a tag that writes back exactly the bytes it declares.
inline void expectDamageHandled(const std::vector<Bytes>& tags, unsigned seed) {
    for (const Bytes& tag : tags) expectEveryPrefixRefused(tag);
    expectShortDeclaredLengthsHandled(tags);
    expectMutationsHandled(tags, seed, 300);
}

}  // namespace transform::test
