// The bit stream coder: every object of the library sizes, writes and reads itself through an
// FSOutputStream or FSInputStream. Bit fields are packed most significant bit first, words are
// little-endian and byte-aligned. An encoder never grows its buffer: it is created with the exact
// size that the objects' length operations computed beforehand.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "swf/exceptions.h"

namespace transform {

// What a coder tells its listener about each object begun or ended, each value coded and each
// error met.
struct FSCodingEvent {
    enum Direction { Encoding = 0, Decoding = 1 };
    enum Kind { Begin = 0, End = 1, Value = 2, Error = 3 };

    int direction = Encoding;
    int kind = Begin;
    int location = 0;  // bit offset of the value's first bit; the cursor for begin and end
    int bits = 0;
    char name[32] = {};    // value type ("int", "float", ...) or class name, at most 31 kept
    char value[256] = {};  // the value as text or the error message, at most 255 kept

    FSCodingEvent() = default;
    FSCodingEvent(int direction, int kind, int location, int bits, std::string_view name,
                  std::string_view value);
};

class FSCodingListener {
  public:
    virtual ~FSCodingListener() = default;
    virtual void handleEvent(const FSCodingEvent& event) = 0;
};

class FSCoder {
  public:
    // Context slots through which an outer object tells the inner ones how to code themselves.
    enum Context {
        Version = 0,
        Type = 1,
        Transparent = 2,
        ArrayExtended = 3,
        WideCodes = 4,
        FillSize = 5,
        LineSize = 6,
        AdvanceSize = 7,
        GlyphSize = 8,
    };
    static constexpr int NumberOfContexts = 16;

    enum NumberType { UnsignedBits = 0, SignedBits = 1, UnsignedWord = 2, SignedWord = 3 };

    FSCoder() = default;
    FSCoder(const uint8_t* bytes, std::size_t size);
    virtual ~FSCoder() = default;
    FSCoder(const FSCoder&) = delete;
    FSCoder& operator=(const FSCoder&) = delete;

    // Replaces the buffer with a copy of the given bytes; the cursor is not changed.
    void setData(const uint8_t* bytes, std::size_t size);
    void setData(std::vector<uint8_t> bytes) { data = std::move(bytes); }
    const std::vector<uint8_t>& getData() const { return data; }
    std::vector<uint8_t> takeData() { return std::move(data); }
    std::size_t size() const { return data.size(); }

    int getContext(int slot) const;
    void setContext(int slot, int value);
    FSCodingListener* getListener() const { return listener; }
    void setListener(FSCodingListener* newListener) { listener = newListener; }

    std::size_t getCursor() const { return cursor; }
    void setCursor(std::size_t bits) { cursor = bits; }
    void alignToByte() { cursor = (cursor + 7) & ~std::size_t{7}; }
    bool eof() const { return cursor >= endBits(); }
    void moveToEnd() { cursor = endBits(); }
    bool isByteAligned() const { return (cursor & 7) == 0; }
    std::size_t bitsLeft() const { return endBits() > cursor ? endBits() - cursor : 0; }
    // Where reading must stop: the end of the data, or a nearer limit (a tag's declared end).
    std::size_t endBits() const { return std::min(limit, data.size() * 8); }

    // Field sizes: the number of bits a value needs as an unsigned or a two's-complement field.
    static int bitsFor(int value, bool isSigned);
    static int bitsFor(std::span<const int> values, bool isSigned);
    // The signed size of trunc(value × 2^fraction), the width of a fixed-point field.
    static int fixedBits(double value, int fraction);
    static int fixedBits(std::span<const float> values, int fraction);
    // trunc(value × 2^fraction) saturated to the 32-bit range (NaN gives 0).
    static int toFixed(double value, int fraction);

    // Sends an error event when a listener is attached; returns whether one was.
    bool reportError(std::string_view message);

  protected:
    void notify(int kind, std::size_t location, int bits, std::string_view name,
                std::string_view value) const;
    void notifyInt(std::size_t location, int bits, int value) const;
    virtual int direction() const = 0;

    std::vector<uint8_t> data;
    std::size_t cursor = 0;
    std::size_t limit = SIZE_MAX;
    FSCodingListener* listener = nullptr;
    std::array<int, NumberOfContexts> context{};
};

class FSOutputStream : public FSCoder {
  public:
    // A zero-filled buffer of the given size.
    explicit FSOutputStream(std::size_t size = 0);

    void write(int value, int type, int bits);
    void writeFixedBits(double value, int fraction, int bits);
    void writeDouble(double value);
    void writeBytes(const uint8_t* bytes, std::size_t n);
    void writeBytes(std::span<const uint8_t> bytes) { writeBytes(bytes.data(), bytes.size()); }
    // The string's bytes followed by a terminating zero.
    void writeString(std::string_view text);

    void beginObject(std::string_view name) const { notifyObject(FSCodingEvent::Begin, name); }
    void endObject(std::string_view name) const { notifyObject(FSCodingEvent::End, name); }

  private:
    int direction() const override { return FSCodingEvent::Encoding; }
    void notifyObject(int kind, std::string_view name) const {
        if (listener) notify(kind, cursor, 0, name, "");
    }
    void checkRoom(std::size_t bits) const;
    void putBits(uint32_t value, int bits);
};

class FSInputStream : public FSCoder {
  public:
    FSInputStream(const uint8_t* bytes, std::size_t size) : FSCoder(bytes, size) {}
    explicit FSInputStream(std::vector<uint8_t> bytes) { data = std::move(bytes); }

    int read(int type, int bits);
    // As read, without a value event: used to peek at headers.
    int scan(int type, int bits);
    float readFixedBits(int fraction, int bits);
    double readDouble();
    std::vector<uint8_t> readBytes(long long n);
    void readBytes(uint8_t* buffer, std::size_t n, bool terminate);
    // A zero-terminated string; data that ends without the zero byte is a "Read Overflow".
    std::string readString();
    int peekWord();

    // Confines reading to the bits before `end` while it lives: what lies beyond is a "Read past
    // the end of the tag", so a damaged tag reads the same wherever it stands.
    static constexpr const char* PastTheLimit = "Read past the end of the tag";
    class Limit {
      public:
        Limit(FSInputStream& coder, std::size_t end) : coder(coder), previous(coder.limit) {
            coder.limit = std::min(previous, end);
        }
        ~Limit() { coder.limit = previous; }
        Limit(const Limit&) = delete;
        Limit& operator=(const Limit&) = delete;

      private:
        FSInputStream& coder;
        std::size_t previous;
    };

    // Objects begun and not yet ended are kept (their names are the classes' constant texts), so
    // that a decoder that failed half-way can be closed off for the listener.
    void beginObject(std::string_view name) const {
        openObjects.push_back(name);
        notifyObject(FSCodingEvent::Begin, name);
    }
    void endObject(std::string_view name) const {
        if (!openObjects.empty()) openObjects.pop_back();
        notifyObject(FSCodingEvent::End, name);
    }
    std::size_t openObjectCount() const { return openObjects.size(); }
    // The name of the object begun at the given depth (0 the outermost), empty when there is none.
    std::string_view openObjectName(std::size_t depth) const {
        return depth < openObjects.size() ? openObjects[depth] : std::string_view();
    }
    // Ends every object begun past the given depth.
    void closeObjectsTo(std::size_t depth) const {
        while (openObjects.size() > depth) endObject(openObjects.back());
    }

  private:
    int direction() const override { return FSCodingEvent::Decoding; }
    void notifyObject(int kind, std::string_view name) const {
        if (listener) notify(kind, cursor, 0, name, "");
    }
    mutable std::vector<std::string_view> openObjects;
    void checkRoom(std::size_t bits) const;
    int readField(int type, int bits);
    uint32_t getBits(int bits);
};

}  // namespace transform
