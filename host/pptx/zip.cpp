#include "host/pptx/zip.h"

#include <libdeflate.h>

#include <algorithm>
#include <memory>

namespace quillet::pptx {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kEnd64Signature = 0x06064b50;
constexpr std::uint32_t kEnd64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kDirectorySignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kEnd64Size = 56;
constexpr std::size_t kEnd64LocatorSize = 20;
constexpr std::size_t kDirectorySize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kEncrypted = 1;

// Little-endian fields at an offset the caller has checked.
std::uint16_t u16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t u32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(u16(b, at)) |
           (static_cast<std::uint32_t>(u16(b, at + 2)) << 16);
}
std::uint64_t u64(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint64_t>(u32(b, at)) |
           (static_cast<std::uint64_t>(u32(b, at + 4)) << 32);
}

// Whether [offset, offset + length) lies within a buffer of `size` bytes.
bool within(std::uint64_t offset, std::uint64_t length, std::size_t size) {
    return offset <= size && length <= size - offset;
}

// The end record: the last signature whose comment reaches exactly to the end, else the last.
std::size_t findEnd(std::span<const std::uint8_t> b) {
    if (b.size() < kEndSize) throw ZipError("too short for a ZIP archive");
    const std::size_t last = b.size() - kEndSize;
    const std::size_t first = last > 0xFFFF ? last - 0xFFFF : 0;
    std::size_t found = b.size();
    for (std::size_t at = last + 1; at-- > first;) {
        if (u32(b, at) != kEndSignature) continue;
        if (at + kEndSize + u16(b, at + 20) == b.size()) return at;
        if (found == b.size()) found = at;
    }
    if (found == b.size()) throw ZipError("no end of central directory");
    return found;
}

// Values the ZIP64 extra field holds for the directory fields that are all ones.
void readZip64Extra(std::span<const std::uint8_t> extra, ZipEntry& e, bool size, bool compressed,
                    bool offset) {
    std::size_t at = 0;
    while (at + 4 <= extra.size()) {
        const std::uint16_t id = u16(extra, at);
        const std::size_t length = u16(extra, at + 2);
        at += 4;
        if (length > extra.size() - at) break;
        if (id == 0x0001) {
            std::span<const std::uint8_t> field = extra.subspan(at, length);
            std::size_t pos = 0;
            auto take = [&](std::uint64_t& value) {
                if (pos + 8 > field.size()) throw ZipError("ZIP64 field too short");
                value = u64(field, pos);
                pos += 8;
            };
            if (size) take(e.size);
            if (compressed) take(e.compressedSize);
            if (offset) take(e.localHeader);
            return;
        }
        at += length;
    }
    throw ZipError("ZIP64 field missing");
}

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

ZipArchive::ZipArchive(std::span<const std::uint8_t> bytes, std::uint64_t maxEntries,
                       std::uint64_t* tooMany)
    : bytes_(bytes) {
    const std::span<const std::uint8_t> b = bytes_;
    const std::size_t end = findEnd(b);
    if (u16(b, end + 4) != 0 || u16(b, end + 6) != 0)
        throw ZipError("archives split over several disks are not read");
    std::uint64_t count = u16(b, end + 10);
    std::uint64_t directorySize = u32(b, end + 12);
    std::uint64_t directory = u32(b, end + 16);
    const std::size_t locator = end >= kEnd64LocatorSize ? end - kEnd64LocatorSize : b.size();
    if (locator < b.size() && u32(b, locator) == kEnd64LocatorSignature) {
        const std::uint64_t end64 = u64(b, locator + 8);
        if (!within(end64, kEnd64Size, b.size()) || u32(b, end64) != kEnd64Signature)
            throw ZipError("broken ZIP64 end of central directory");
        count = u64(b, end64 + 32);
        directorySize = u64(b, end64 + 40);
        directory = u64(b, end64 + 48);
    }
    if (!within(directory, directorySize, b.size()))
        throw ZipError("central directory outside the archive");
    if (count > maxEntries) {
        if (tooMany != nullptr) *tooMany = count;
        throw ZipError("too many entries");
    }
    // Each entry takes at least its fixed fields: a count beyond that is a lie.
    if (count > directorySize / kDirectorySize) throw ZipError("central directory too short");
    entries_.reserve(static_cast<std::size_t>(count));
    std::uint64_t at = directory;
    const std::uint64_t stop = directory + directorySize;
    for (std::uint64_t i = 0; i < count; ++i) {
        if (stop - at < kDirectorySize || u32(b, at) != kDirectorySignature)
            throw ZipError("broken central directory entry");
        ZipEntry e;
        e.flags = u16(b, at + 8);
        e.method = u16(b, at + 10);
        e.crc = u32(b, at + 16);
        e.compressedSize = u32(b, at + 20);
        e.size = u32(b, at + 24);
        const std::size_t nameLength = u16(b, at + 28);
        const std::size_t extraLength = u16(b, at + 30);
        const std::size_t commentLength = u16(b, at + 32);
        e.localHeader = u32(b, at + 42);
        const std::uint64_t length = kDirectorySize + nameLength + extraLength + commentLength;
        if (stop - at < length) throw ZipError("broken central directory entry");
        const auto* name = reinterpret_cast<const char*>(b.data() + at + kDirectorySize);
        e.name.assign(name, nameLength);
        const bool size64 = e.size == 0xFFFFFFFF;
        const bool compressed64 = e.compressedSize == 0xFFFFFFFF;
        const bool offset64 = e.localHeader == 0xFFFFFFFF;
        if (size64 || compressed64 || offset64) {
            readZip64Extra(b.subspan(at + kDirectorySize + nameLength, extraLength), e, size64,
                           compressed64, offset64);
        }
        entries_.push_back(std::move(e));
        at += length;
    }
}

std::vector<std::uint8_t> ZipArchive::read(const ZipEntry& e) const {
    const std::span<const std::uint8_t> b = bytes_;
    if (!within(e.localHeader, kLocalSize, b.size()) || u32(b, e.localHeader) != kLocalSignature)
        throw ZipError("broken local header");
    if (e.flags & kEncrypted) throw ZipError("encrypted entry");
    const std::uint64_t data =
        e.localHeader + kLocalSize + u16(b, e.localHeader + 26) + u16(b, e.localHeader + 28);
    if (!within(data, e.compressedSize, b.size())) throw ZipError("data past the archive's end");
    if (e.size > SIZE_MAX) throw ZipError("entry too large");
    const std::uint8_t* in = b.data() + data;
    const auto inSize = static_cast<std::size_t>(e.compressedSize);
    std::vector<std::uint8_t> out(static_cast<std::size_t>(e.size));
    if (e.method == kStored) {
        if (e.compressedSize != e.size) throw ZipError("stored sizes disagree");
        std::copy(in, in + inSize, out.begin());
    } else if (e.method == kDeflated && e.size == 0 && inSize == 0) {
        // Some writers store an empty entry as deflated without a stream.
    } else if (e.method == kDeflated) {
        std::unique_ptr<libdeflate_decompressor, DecompressorFree> d(
            libdeflate_alloc_decompressor());
        if (!d) throw ZipError("no memory to inflate");
        std::size_t got = 0;
        switch (libdeflate_deflate_decompress(d.get(), in, inSize, out.data(), out.size(), &got)) {
            case LIBDEFLATE_SUCCESS:
                break;
            case LIBDEFLATE_INSUFFICIENT_SPACE:
                throw ZipError("inflates past its stored size");
            default:
                throw ZipError("damaged compressed data");
        }
        if (got != out.size()) throw ZipError("truncated");
    } else {
        throw ZipError("compression method " + std::to_string(e.method) + " is not read");
    }
    if (libdeflate_crc32(0, out.data(), out.size()) != e.crc) throw ZipError("checksum mismatch");
    return out;
}

std::vector<std::uint8_t> storedZip(std::span<const std::pair<std::string, std::string>> parts) {
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> directory;
    constexpr std::uint16_t kUtf8Names = 1u << 11;
    for (const auto& part : parts) {
        const std::string& name = part.first;  // a lambda below uses it: no structured binding
        const std::string& data = part.second;
        const auto crc = static_cast<std::uint32_t>(libdeflate_crc32(0, data.data(), data.size()));
        const auto size = static_cast<std::uint32_t>(data.size());
        const auto offset = static_cast<std::uint32_t>(out.size());
        auto common = [&](std::vector<std::uint8_t>& to) {
            put16(to, 20);  // version needed
            put16(to, kUtf8Names);
            put16(to, kStored);
            put32(to, 0);  // time and date
            put32(to, crc);
            put32(to, size);
            put32(to, size);
            put16(to, static_cast<std::uint32_t>(name.size()));
            put16(to, 0);  // extra field
        };
        put32(out, kLocalSignature);
        common(out);
        out.insert(out.end(), name.begin(), name.end());
        out.insert(out.end(), data.begin(), data.end());
        put32(directory, kDirectorySignature);
        put16(directory, 20);  // made by
        common(directory);
        put16(directory, 0);  // comment
        put16(directory, 0);  // disk
        put16(directory, 0);  // internal attributes
        put32(directory, 0);  // external attributes
        put32(directory, offset);
        directory.insert(directory.end(), name.begin(), name.end());
    }
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    out.insert(out.end(), directory.begin(), directory.end());
    put32(out, kEndSignature);
    put32(out, 0);  // disks
    put16(out, static_cast<std::uint32_t>(parts.size()));
    put16(out, static_cast<std::uint32_t>(parts.size()));
    put32(out, static_cast<std::uint32_t>(directory.size()));
    put32(out, directoryOffset);
    put16(out, 0);  // comment
    return out;
}

}  // namespace quillet::pptx
