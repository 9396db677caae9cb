// Helpers shared by the SWF library's tests: encode a value or tag with given context slots,
// decode it back, and check that length and encode agree.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "swf/coder.h"
#include "swf/movie.h"

namespace transform::test {

using Slots = std::initializer_list<std::pair<int, int>>;

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
    FSOutputStream out(static_cast<std::size_t>(tag.getLength() + tag.headerLength()));
    out.setContext(FSCoder::Version, version);
    tag.length(out);
    FSMovie::encodeObject(tag, out);
    EXPECT_EQ(out.getCursor(), out.size() * 8) << tag.name();
    return out.getData();
}

inline std::unique_ptr<FSMovieObject> decodeTag(const std::vector<uint8_t>& bytes,
                                                int version = 7) {
    FSInputStream in(bytes.data(), bytes.size());
    in.setContext(FSCoder::Version, version);
    auto tag = FSMovie::decodeObject(in);
    EXPECT_EQ(in.getCursor(), bytes.size() * 8);
    return tag;
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

}  // namespace transform::test
