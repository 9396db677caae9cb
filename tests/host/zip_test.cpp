// The ZIP reader on archives written by libzip (deflated, as packages come) and by our own
// writer, and on archives damaged one field at a time: each is refused with a ZipError, never a
// crash or a read past the bytes.
#include "host/pptx/zip.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/host/test_deck.h"

namespace quillet::pptx {
namespace {

const std::vector<std::pair<std::string, std::string>> kParts = {
    {"[Content_Types].xml", "<Types/>"},
    {"ppt/slides/slide1.xml", std::string(5000, 'x') + "end"},
    {"empty", ""},
};

std::vector<std::string> readAll(const std::vector<std::uint8_t>& zip) {
    ZipArchive archive(zip, 100);
    std::vector<std::string> out;
    for (const ZipEntry& e : archive.entries()) {
        std::vector<std::uint8_t> data = archive.read(e);
        out.push_back(e.name + "=" + std::string(data.begin(), data.end()));
    }
    return out;
}

TEST(Zip, ReadsWhatTheWritersWrote) {
    std::vector<std::string> expected;
    std::vector<test::ZipEntry> parts;
    for (const auto& [name, data] : kParts) {
        expected.push_back(name + "=" + data);
        parts.push_back({name, data, false});
    }
    EXPECT_EQ(readAll(storedZip(kParts)), expected);
    EXPECT_EQ(readAll(test::makeZip(parts)), expected);
}

// Little-endian field writers for the damage below.
void put(std::vector<std::uint8_t>& z, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) z.at(at + static_cast<std::size_t>(i)) = (v >> (8 * i)) & 0xFF;
}

std::size_t find(const std::vector<std::uint8_t>& z, std::uint8_t kind, std::size_t from = 0) {
    for (std::size_t i = from; i + 4 <= z.size(); ++i) {
        if (z[i] == 'P' && z[i + 1] == 'K' && z[i + 2] == kind && z[i + 3] == kind + 1) return i;
    }
    return z.size();
}

TEST(Zip, DamagedArchivesAreRefused) {
    const std::vector<std::uint8_t> good = storedZip(kParts);
    const std::size_t end = find(good, 5);
    const std::size_t directory = find(good, 1);
    const std::size_t secondLocal = find(good, 3, 1);
    using Damage = std::function<void(std::vector<std::uint8_t>&)>;
    const std::vector<std::pair<const char*, Damage>> cases = {
        {"cut to the end record", [&](auto& z) { z.resize(end + 10); }},
        {"no end record", [&](auto& z) { z[end] = 'X'; }},
        {"directory past the end", [&](auto& z) { put(z, end + 16, 0xFFFFFF00, 4); }},
        {"more entries than fit", [&](auto& z) { put(z, end + 10, 900, 2); }},
        {"broken directory entry", [&](auto& z) { z[directory + 1] = 'Q'; }},
        {"name past the directory", [&](auto& z) { put(z, directory + 28, 0xFFFF, 2); }},
        {"local header past the end", [&](auto& z) { put(z, directory + 42, 0xFFFFFF, 4); }},
        {"data past the end", [&](auto& z) { put(z, directory + 20, 0xFFFFFF, 4); }},
        {"encrypted", [&](auto& z) { put(z, directory + 8, 1, 2); }},
        {"unknown method", [&](auto& z) { put(z, directory + 10, 14, 2); }},
        {"checksum", [&](auto& z) { z[secondLocal + 30 + 21 + 7] ^= 1; }},
        {"split archive", [&](auto& z) { put(z, end + 4, 1, 2); }},
    };
    for (const auto& [what, damage] : cases) {
        std::vector<std::uint8_t> z = good;
        damage(z);
        EXPECT_THROW(readAll(z), ZipError) << what;
    }
    std::uint64_t count = 0;
    EXPECT_THROW(ZipArchive(good, 2, &count), ZipError);
    EXPECT_EQ(count, 3u);
}

}  // namespace
}  // namespace quillet::pptx
