#include "swf/deflate.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <thread>
#include <tuple>

#include "swf/exceptions.h"
#include "swf/movie.h"

using namespace transform;

namespace {

using Bytes = std::vector<uint8_t>;

// The stream read back by zlib's own reader, which checks the header and the Adler-32 sum.
Bytes inflated(const Bytes& stream, std::size_t size) {
    Bytes out(size + 1);
    uLongf length = out.size();
    EXPECT_EQ(uncompress(out.data(), &length, stream.data(), stream.size()), Z_OK);
    out.resize(length);
    return out;
}

// Inputs of the shapes movies hold: nothing, one byte, long runs (flat colour rows), and noise
// (photograph-like rows that do not shrink) beyond one 64 KiB block.
Bytes input(int kind) {
    Bytes data;
    std::mt19937 random(12345);
    switch (kind) {
        case 1:
            data = {42};
            break;
        case 2:
            for (int i = 0; i < 200000; ++i) data.push_back(static_cast<uint8_t>(i / 700 % 5 * 50));
            break;
        case 3:
            for (int i = 0; i < 150001; ++i) data.push_back(static_cast<uint8_t>(random()));
            break;
        default:
            break;
    }
    return data;
}

class DeflateTest : public testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(DeflateTest, ZlibReadsBackTheSameBytesAndTheOutputIsStable) {
    const auto [kind, level] = GetParam();
    const Bytes data = input(kind);
    const Bytes stream = zlibCompress(data, level);
    ASSERT_GE(stream.size(), 6u);
    EXPECT_EQ(stream[0] & 0x0F, 8) << "deflate method in the zlib header";
    EXPECT_EQ(inflated(stream, data.size()), data);
    if (kind == 2 && level > 0) {
        EXPECT_LT(stream.size(), data.size() / 50);
    }
    // Another thread, with a compressor of its own, writes exactly the same bytes.
    Bytes other;
    std::thread([&] { other = zlibCompress(data, level); }).join();
    EXPECT_EQ(other, stream);
    EXPECT_EQ(zlibCompress(data, level), stream);
}

INSTANTIATE_TEST_SUITE_P(KindsAndLevels, DeflateTest,
                         testing::Combine(testing::Values(0, 1, 2, 3),
                                          testing::Values(0, 1, 6, 12)));

TEST(DeflateTest, LevelsOutsideTheRangeAreRefused) {
    for (const int level : {-1, 13}) {
        EXPECT_THROW(zlibCompress(input(1), level), FSFormatException) << level;
    }
}

TEST(DeflateTest, TheMovieBodyIsOneZlibStreamAtTheDefaultLevel) {
    const Bytes bytes = input(2);
    Bytes file = {'C', 'W', 'S', 7, 0, 0, 0, 0};
    file.insert(file.end(), bytes.begin(), bytes.end());
    const Bytes packed = FSMovie::compressData(file, 8);
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + 8), Bytes(file.begin(), file.begin() + 8));
    EXPECT_EQ(Bytes(packed.begin() + 8, packed.end()), zlibCompress(bytes, DefaultDeflateLevel));
    EXPECT_EQ(FSMovie::uncompressData(packed, file.size()), file);
}

}  // namespace
