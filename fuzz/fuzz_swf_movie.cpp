// Decodes arbitrary bytes as a movie, with and without a coding listener. A library failure
// (FSException) is an expected outcome; any other exception, a crash, a sanitizer report, a hang
// or an allocation beyond the fuzzer's limits is a finding. A movie that decodes must encode,
// and what it encodes to must decode and encode again to the same bytes. A movie decoded with
// errors reported to the listener may refuse to encode, but what it writes must round-trip too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "swf/movie.h"

namespace {

using transform::FSCodingEvent;
using transform::FSCodingListener;
using transform::FSException;
using transform::FSMovie;

[[noreturn]] void fail(const char* what, const char* detail = "") {
    std::fprintf(stderr, "fuzz_swf_movie: %s %s\n", what, detail);
    std::abort();
}

// Checks what every event must hold and keeps the decoder's own error reports honest.
class CheckingListener : public FSCodingListener {
  public:
    void handleEvent(const FSCodingEvent& event) override {
        if (event.direction != FSCodingEvent::Encoding &&
            event.direction != FSCodingEvent::Decoding)
            fail("event with a bad direction");
        if (event.kind < FSCodingEvent::Begin || event.kind > FSCodingEvent::Error)
            fail("event with a bad kind");
        if (std::memchr(event.name, 0, sizeof event.name) == nullptr)
            fail("unterminated event name");
        if (std::memchr(event.value, 0, sizeof event.value) == nullptr)
            fail("unterminated event value");
        if (event.kind == FSCodingEvent::Begin) ++depth;
        if (event.kind == FSCodingEvent::End) --depth;
        if (event.kind == FSCodingEvent::Error) {
            if (event.value[0] == '\0') fail("error event without a message");
            ++errors;
        }
    }

    int depth = 0;
    int errors = 0;
};

// A movie we accepted must be writable: its objects hold only what they read.
std::vector<uint8_t> encodeOrFail(FSMovie& movie, const char* stage) {
    try {
        return movie.encode();
    } catch (const FSException& e) {
        fail(stage, e.what());
    }
}

// encode -> decode -> encode must give the same bytes, and a copy must encode as the original.
// A movie read with errors reported keeps damaged tags as their bytes, so it is read back the same
// lenient way (those tags are reported again) and must encode to the same bytes. Returns the first
// encoding.
std::vector<uint8_t> checkRoundTrip(FSMovie& movie, bool lenient = false) {
    const auto first = encodeOrFail(movie, "cannot encode a decoded movie:");

    FSMovie copy(movie);
    if (encodeOrFail(copy, "cannot encode a copy:") != first)
        fail("a copy encodes differently from its original");

    FSMovie again;
    CheckingListener listener;
    try {
        again.decodeFromData(first, lenient ? &listener : nullptr);
    } catch (const FSException& e) {
        fail("cannot decode our own encoding:", e.what());
    }
    const auto second = encodeOrFail(again, "cannot encode a movie decoded from our encoding:");
    if (second != first) fail("encode -> decode -> encode is not byte-stable");
    if (again.getObjects().size() != movie.getObjects().size())
        fail("re-decoding changed the number of tags");
    return first;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::span<const uint8_t> bytes(data, size);

    // Without a listener every malformation is thrown.
    std::optional<std::vector<uint8_t>> plain;
    {
        FSMovie movie;
        bool decoded = true;
        try {
            movie.decodeFromData(bytes);
        } catch (const FSException&) {
            decoded = false;
        }
        if (decoded) plain = checkRoundTrip(movie);
    }

    // With a listener, mis-sized tags are reported and decoding goes on at their declared end.
    CheckingListener listener;
    FSMovie movie;
    try {
        movie.decodeFromData(bytes, &listener);
    } catch (const FSException&) {
        if (plain) fail("a movie that decodes alone fails with a listener");
        return 0;
    }
    if (listener.errors == 0) {
        // Every object begun has ended (a tag cut short by a reported failure may not).
        if (listener.depth != 0) fail("begin and end events do not pair up");
        // The listener only watches: a clean decode must equal the one without it.
        if (!plain) fail("a movie that fails alone decodes with a listener and no error");
        if (encodeOrFail(movie, "cannot encode a decoded movie:") != *plain)
            fail("decoding with a listener gives a different movie");
        return 0;
    }
    // Plain decoding may accept what a listener is told of (a tag list ended by the data, a last
    // tag cut off by it, which the listener's reading drops): such a movie is checked as below.
    // A tag whose decoding stopped keeps what it read, which may be too inconsistent to write:
    // refusing is fine, but whatever is written must read back and round-trip.
    try {
        movie.encode();
    } catch (const FSException&) {
        return 0;
    }
    checkRoundTrip(movie, true);
    return 0;
}
