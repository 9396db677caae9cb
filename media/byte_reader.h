// A cursor over a byte block that never reads outside it: every read checks the bytes left and
// throws DecodeError (BadData) naming the format, what was being read and the offset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "media/media_status.h"

namespace quillet::media {

class ByteReader {
  public:
    enum Order { BigEndian, LittleEndian };

    ByteReader(std::span<const uint8_t> bytes, Order order, const char* format)
        : bytes(bytes), order(order), format(format) {}

    std::size_t position() const { return cursor; }
    std::size_t size() const { return bytes.size(); }
    std::size_t remaining() const { return bytes.size() - cursor; }
    bool atEnd() const { return cursor >= bytes.size(); }
    std::span<const uint8_t> data() const { return bytes; }

    void require(std::size_t count, const char* what) const {
        if (count > remaining()) fail(std::string(what) + " is cut short", cursor);
    }
    void seek(std::size_t offset, const char* what) {
        if (offset > bytes.size())
            fail(std::string(what) + " lies beyond the end of the data", cursor);
        cursor = offset;
    }
    void skip(std::size_t count, const char* what) {
        require(count, what);
        cursor += count;
    }

    uint8_t u8(const char* what) {
        require(1, what);
        return bytes[cursor++];
    }
    uint16_t u16(const char* what) {
        require(2, what);
        const uint8_t a = bytes[cursor];
        const uint8_t b = bytes[cursor + 1];
        cursor += 2;
        return order == BigEndian ? static_cast<uint16_t>(a << 8 | b)
                                  : static_cast<uint16_t>(b << 8 | a);
    }
    uint32_t u32(const char* what) {
        require(4, what);
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const uint32_t byte = bytes[cursor + (order == BigEndian ? i : 3 - i)];
            value = value << 8 | byte;
        }
        cursor += 4;
        return value;
    }
    std::span<const uint8_t> take(std::size_t count, const char* what) {
        require(count, what);
        auto part = bytes.subspan(cursor, count);
        cursor += count;
        return part;
    }

    [[noreturn]] void fail(const std::string& message) const { fail(message, cursor); }
    [[noreturn]] void fail(const std::string& message, std::size_t offset) const {
        throw DecodeError{
            BadData, std::string(format) + ": " + message + " at byte " + std::to_string(offset)};
    }

  private:
    std::span<const uint8_t> bytes;
    Order order;
    const char* format;
    std::size_t cursor = 0;
};

}  // namespace quillet::media
