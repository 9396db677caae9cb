// ZIP archives in memory: the central directory of an archive read from its bytes, the entries
// inflated (stored and deflated ones, the methods packages use), and small archives of stored
// entries written. Everything read is hostile input: every offset and size is checked against the
// bytes, inflating stops at the size the directory announces and the checksum must match.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quillet::pptx {

class ZipError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct ZipEntry {
    std::string name;                  // as stored (UTF-8 or the legacy code page, unchecked)
    std::uint64_t size = 0;            // inflated, as the directory says
    std::uint64_t compressedSize = 0;  // as the directory says
    std::uint64_t localHeader = 0;     // offset of the entry's local header
    std::uint32_t crc = 0;
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
};

class ZipArchive {
  public:
    // Reads the end record and the central directory of the archive held in `bytes`, which must
    // outlive this object; throws ZipError when they are broken, or when the directory lists
    // more than `maxEntries` entries (`tooMany` is then set to the count it announces).
    ZipArchive(std::span<const std::uint8_t> bytes, std::uint64_t maxEntries,
               std::uint64_t* tooMany = nullptr);

    const std::vector<ZipEntry>& entries() const { return entries_; }

    // Inflates an entry into its announced size; throws ZipError when its data are out of the
    // archive, encrypted, of another method, inflate past or short of that size, or fail the
    // checksum.
    std::vector<std::uint8_t> read(const ZipEntry& entry) const;

  private:
    std::span<const std::uint8_t> bytes_;
    std::vector<ZipEntry> entries_;
};

// An archive of the named parts, stored uncompressed.
std::vector<std::uint8_t> storedZip(std::span<const std::pair<std::string, std::string>> parts);

}  // namespace quillet::pptx
