#include "swf/coder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace transform {

namespace {

void copyCut(char* target, std::size_t capacity, std::string_view text) {
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(target, text.data(), n);
    target[n] = '\0';
}

// The value's sign-extension from bit `bits` - 1 (bits in 1..32).
int signExtend(uint32_t value, int bits) {
    if (bits < 32 && (value & (uint32_t{1} << (bits - 1)))) value |= ~uint32_t{0} << bits;
    return static_cast<int>(value);
}

}  // namespace

FSCodingEvent::FSCodingEvent(int direction, int kind, int location, int bits, std::string_view name,
                             std::string_view value)
    : direction(direction), kind(kind), location(location), bits(bits) {
    copyCut(this->name, sizeof this->name, name);
    copyCut(this->value, sizeof this->value, value);
}

// ---- FSCoder ----

FSCoder::FSCoder(const uint8_t* bytes, std::size_t size) {
    setData(bytes, size);
}

void FSCoder::setData(const uint8_t* bytes, std::size_t size) {
    if (size > 0 && bytes == nullptr) throw FSException("Null Object");
    data.assign(bytes, bytes + size);
}

int FSCoder::getContext(int slot) const {
    if (slot < 0 || slot >= NumberOfContexts) throw FSArrayIndexOutOfBoundsException();
    return context[slot];
}

void FSCoder::setContext(int slot, int value) {
    if (slot < 0 || slot >= NumberOfContexts) throw FSArrayIndexOutOfBoundsException();
    context[slot] = value;
}

int FSCoder::bitsFor(int value, bool isSigned) {
    if (!isSigned) return 32 - std::countl_zero(static_cast<uint32_t>(value));
    if (value == 0) return 0;
    const long long magnitude = std::llabs(static_cast<long long>(value));
    const int bits = 64 - std::countl_zero(static_cast<unsigned long long>(magnitude));
    return bits >= 32 ? 32 : bits + 1;
}

int FSCoder::bitsFor(std::span<const int> values, bool isSigned) {
    int size = 0;
    for (int v : values) size = std::max(size, bitsFor(v, isSigned));
    return size;
}

int FSCoder::toFixed(double value, int fraction) {
    const double scaled = std::trunc(value * std::ldexp(1.0, fraction));
    if (std::isnan(scaled)) return 0;
    if (scaled >= 2147483647.0) return std::numeric_limits<int>::max();
    if (scaled <= -2147483648.0) return std::numeric_limits<int>::min();
    return static_cast<int>(scaled);
}

int FSCoder::fixedBits(double value, int fraction) {
    return bitsFor(toFixed(value, fraction), true);
}

int FSCoder::fixedBits(std::span<const float> values, int fraction) {
    int size = 0;
    for (float v : values) size = std::max(size, fixedBits(v, fraction));
    return size;
}

bool FSCoder::reportError(std::string_view message) {
    if (!listener) return false;
    notify(FSCodingEvent::Error, 0, 0, "", message);
    return true;
}

void FSCoder::notify(int kind, std::size_t location, int bits, std::string_view name,
                     std::string_view value) const {
    listener->handleEvent(
        FSCodingEvent(direction(), kind, static_cast<int>(location), bits, name, value));
}

void FSCoder::notifyInt(std::size_t location, int bits, int value) const {
    if (!listener) return;
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    notify(FSCodingEvent::Value, location, bits, "int", text);
}

// ---- FSOutputStream ----

FSOutputStream::FSOutputStream(std::size_t size) {
    try {
        data.assign(size, 0);
    } catch (const std::bad_alloc&) {
        throw FSAllocationException("Cannot allocate memory for the output stream data.");
    }
}

void FSOutputStream::checkRoom(std::size_t bits) const {
    if (cursor + bits > data.size() * 8) throw FSException("Write Overflow");
}

// Writes the low `bits` bits of value at the cursor, most significant first. The field may start
// anywhere in a byte: up to 39 bits are touched, which a 64-bit window holds exactly.
void FSOutputStream::putBits(uint32_t value, int bits) {
    const std::size_t first = cursor >> 3;
    const int offset = static_cast<int>(cursor & 7);
    const int span = offset + bits;
    const int byteCount = (span + 7) / 8;
    const int shift = byteCount * 8 - span;
    const uint64_t mask = ((bits == 32 ? uint64_t{0xFFFFFFFF} : (uint64_t{1} << bits) - 1))
                          << shift;
    const uint64_t field = (static_cast<uint64_t>(value) << shift) & mask;
    for (int i = 0; i < byteCount; ++i) {
        const int byteShift = 8 * (byteCount - 1 - i);
        uint8_t& target = data[first + i];
        target = static_cast<uint8_t>((target & ~(mask >> byteShift)) | (field >> byteShift));
    }
    cursor += bits;
}

void FSOutputStream::write(int value, int type, int bits) {
    if (bits > 32) throw FSException("Value Out Of Range");
    if (bits <= 0) return;
    checkRoom(static_cast<std::size_t>(bits));
    switch (type) {
        case UnsignedBits:
        case SignedBits:
            putBits(static_cast<uint32_t>(value), bits);
            break;
        case UnsignedWord:
        case SignedWord: {
            if (!isByteAligned()) throw FSException("Not Byte Aligned");
            const auto word = static_cast<uint32_t>(value);
            for (int i = 0; i < bits / 8; ++i)
                data[cursor / 8 + i] = static_cast<uint8_t>(word >> (8 * i));
            cursor += static_cast<std::size_t>(bits / 8) * 8;
            break;
        }
        default:
            return;  // an unknown number type writes nothing
    }
    notifyInt(cursor - bits, bits, value);
}

void FSOutputStream::writeFixedBits(double value, int fraction, int bits) {
    if (bits > 32) throw FSException("Value Out Of Range");
    if (bits <= 0) return;
    checkRoom(static_cast<std::size_t>(bits));
    putBits(static_cast<uint32_t>(toFixed(value, fraction)), bits);
    if (listener) {
        char text[64];
        std::snprintf(text, sizeof text, "%f", value);
        notify(FSCodingEvent::Value, cursor - bits, bits, "float", text);
    }
}

void FSOutputStream::writeDouble(double value) {
    checkRoom(64);
    if (!isByteAligned()) throw FSException("Not Byte Aligned");
    uint8_t image[8];
    std::memcpy(image, &value, sizeof image);
    if constexpr (std::endian::native == std::endian::big) std::reverse(image, image + 8);
    // The more significant half first, each half little-endian.
    uint8_t* out = data.data() + cursor / 8;
    std::memcpy(out, image + 4, 4);
    std::memcpy(out + 4, image, 4);
    cursor += 64;
    if (listener) {
        char text[64];
        std::snprintf(text, sizeof text, "%f", value);
        notify(FSCodingEvent::Value, cursor - 64, 64, "double", text);
    }
}

void FSOutputStream::writeBytes(const uint8_t* bytes, std::size_t n) {
    if (n == 0) return;
    if (bytes == nullptr) throw FSException("Null Object");
    if (!isByteAligned()) throw FSException("Not Byte Aligned");
    checkRoom(n * 8);
    std::memcpy(data.data() + cursor / 8, bytes, n);
    cursor += n * 8;
    if (listener)
        notify(FSCodingEvent::Value, cursor - n * 8, static_cast<int>(n * 8), "byte", "<data>");
}

void FSOutputStream::writeString(std::string_view text) {
    if (!isByteAligned()) throw FSException("Not Byte Aligned");
    checkRoom((text.size() + 1) * 8);
    std::memcpy(data.data() + cursor / 8, text.data(), text.size());
    data[cursor / 8 + text.size()] = 0;
    cursor += (text.size() + 1) * 8;
    if (listener)
        notify(FSCodingEvent::Value, cursor - (text.size() + 1) * 8,
               static_cast<int>((text.size() + 1) * 8), "string", text);
}

// ---- FSInputStream ----

void FSInputStream::checkRoom(std::size_t bits) const {
    if (cursor + bits > endBits())
        throw FSException(cursor + bits > data.size() * 8 ? "Read Overflow" : PastTheLimit);
}

uint32_t FSInputStream::getBits(int bits) {
    const std::size_t first = cursor >> 3;
    const int offset = static_cast<int>(cursor & 7);
    const int span = offset + bits;
    const int byteCount = (span + 7) / 8;
    uint64_t window = 0;
    for (int i = 0; i < byteCount; ++i) window = (window << 8) | data[first + i];
    window >>= byteCount * 8 - span;
    cursor += bits;
    return static_cast<uint32_t>(bits == 32 ? window : window & ((uint64_t{1} << bits) - 1));
}

int FSInputStream::readField(int type, int bits) {
    if (bits > 32) throw FSException("Value Out Of Range");
    if (type < UnsignedBits || type > SignedWord) throw FSException("Invalid Number Type");
    if (bits <= 0) return 0;
    checkRoom(static_cast<std::size_t>(bits));
    switch (type) {
        case UnsignedBits:
            return static_cast<int>(getBits(bits));
        case SignedBits:
            return signExtend(getBits(bits), bits);
        default: {
            if (!isByteAligned()) throw FSException("Not Byte Aligned");
            const int byteCount = bits / 8;
            uint32_t word = 0;
            for (int i = 0; i < byteCount; ++i) word |= uint32_t{data[cursor / 8 + i]} << (8 * i);
            cursor += static_cast<std::size_t>(byteCount) * 8;
            return type == SignedWord && byteCount > 0 ? signExtend(word, byteCount * 8)
                                                       : static_cast<int>(word);
        }
    }
}

int FSInputStream::read(int type, int bits) {
    const int value = readField(type, bits);
    if (bits > 0) notifyInt(cursor - bits, bits, value);
    return value;
}

int FSInputStream::scan(int type, int bits) {
    return readField(type, bits);
}

float FSInputStream::readFixedBits(int fraction, int bits) {
    const int raw = readField(SignedBits, bits);
    const float value = static_cast<float>(std::ldexp(static_cast<double>(raw), -fraction));
    if (listener && bits > 0) {
        char text[64];
        std::snprintf(text, sizeof text, "%f", value);
        notify(FSCodingEvent::Value, cursor - bits, bits, "float", text);
    }
    return value;
}

double FSInputStream::readDouble() {
    checkRoom(64);
    if (!isByteAligned()) throw FSException("Not Byte Aligned");
    uint8_t image[8];
    const uint8_t* in = data.data() + cursor / 8;
    std::memcpy(image + 4, in, 4);
    std::memcpy(image, in + 4, 4);
    if constexpr (std::endian::native == std::endian::big) std::reverse(image, image + 8);
    double value;
    std::memcpy(&value, image, sizeof value);
    cursor += 64;
    if (listener) {
        char text[64];
        std::snprintf(text, sizeof text, "%-12.6e", value);
        notify(FSCodingEvent::Value, cursor - 64, 64, "double", text);
    }
    return value;
}

std::vector<uint8_t> FSInputStream::readBytes(long long n) {
    if (n < 0) throw FSException("Value Negative");
    if (n == 0) return {};
    if (!isByteAligned()) throw FSException("Not Byte Aligned");
    // Checked before allocating, so a length read from a hostile file cannot make us allocate.
    if (static_cast<unsigned long long>(n) > bitsLeft() / 8) throw FSException("Read Overflow");
    const auto count = static_cast<std::size_t>(n);
    std::vector<uint8_t> bytes(data.begin() + static_cast<std::ptrdiff_t>(cursor / 8),
                               data.begin() + static_cast<std::ptrdiff_t>(cursor / 8 + count));
    cursor += count * 8;
    if (listener)
        notify(FSCodingEvent::Value, cursor - count * 8, static_cast<int>(count * 8), "byte",
               "<data>");
    return bytes;
}

void FSInputStream::readBytes(uint8_t* buffer, std::size_t n, bool terminate) {
    if (n > 0 && !isByteAligned()) throw FSException("Not Byte Aligned");
    if (n > bitsLeft() / 8) throw FSException("Read Overflow");
    if (n > 0) {
        std::memcpy(buffer, data.data() + cursor / 8, n);
        cursor += n * 8;
        if (listener)
            notify(FSCodingEvent::Value, cursor - n * 8, static_cast<int>(n * 8), "byte", "<data>");
    }
    if (terminate) buffer[n] = 0;
}

std::string FSInputStream::readString() {
    if (!isByteAligned()) throw FSException("Not Byte Aligned");
    const std::size_t start = cursor / 8;
    const std::size_t end = endBits() / 8;
    if (start >= end) throw FSException("Read Overflow");
    const auto* begin = data.data() + start;
    const auto* zero = static_cast<const uint8_t*>(std::memchr(begin, 0, end - start));
    if (zero == nullptr) throw FSException("Read Overflow");
    std::string text(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(zero - begin));
    const std::size_t bits = (text.size() + 1) * 8;
    cursor += bits;
    if (listener)
        notify(FSCodingEvent::Value, cursor - bits, static_cast<int>(bits), "string", text);
    return text;
}

int FSInputStream::peekWord() {
    const int word = readField(UnsignedWord, 16);
    cursor -= 16;
    return word;
}

}  // namespace transform
