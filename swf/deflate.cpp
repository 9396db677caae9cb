#include "swf/deflate.h"

#include <libdeflate.h>

#include <memory>
#include <new>
#include <stdexcept>

#include "swf/exceptions.h"

namespace transform {

namespace {

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const {
        libdeflate_free_compressor(compressor);
    }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

// A compressor holds a few hundred kilobytes of tables; each thread keeps the last one it used
// instead of setting one up for every bitmap. A compressor is not shared between threads.
libdeflate_compressor& compressorFor(int level) {
    thread_local Compressor compressor;
    thread_local int compressorLevel = -1;
    if (!compressor || compressorLevel != level) {
        compressor.reset();
        compressor.reset(libdeflate_alloc_compressor(level));
        if (!compressor) throw FSAllocationException("Cannot allocate memory");
        compressorLevel = level;
    }
    return *compressor;
}

}  // namespace

std::vector<uint8_t> zlibCompress(std::span<const uint8_t> data, int level) {
    if (level < 0 || level > 12) throw FSFormatException("Cannot compress data");
    libdeflate_compressor& compressor = compressorFor(level);
    // The bound is about the size of the data; an uninitialised buffer leaves the pages the
    // compressed data does not reach untouched, and the result is copied out at its own size.
    std::unique_ptr<uint8_t[]> buffer;
    const std::size_t bound = libdeflate_zlib_compress_bound(&compressor, data.size());
    try {
        buffer = std::make_unique_for_overwrite<uint8_t[]>(bound);
    } catch (const std::bad_alloc&) {
        throw FSAllocationException("Cannot allocate memory");
    }
    const std::size_t length =
        libdeflate_zlib_compress(&compressor, data.data(), data.size(), buffer.get(), bound);
    // The bound always suffices; zero would mean the library broke its own promise.
    if (length == 0) throw FSFormatException("Cannot compress data");
    try {
        return std::vector<uint8_t>(buffer.get(), buffer.get() + length);
    } catch (const std::bad_alloc&) {
        throw FSAllocationException("Cannot allocate memory");
    }
}

}  // namespace transform
