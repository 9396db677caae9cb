// Results shared by the picture and sound loaders: the status codes every decoding operation
// returns, and the failure that a decoder throws inside the loader to stop with one of them.
#pragma once

#include <cstddef>
#include <string>

namespace quillet::media {

enum Status : int {
    Success = 0,
    // The file cannot be opened.
    CannotOpen = 1,
    // The file cannot be sized or read, or is larger than MaximumFileSize.
    ReadError = 2,
    // The data is not one of the supported formats, or is malformed or cut short.
    BadData = 3,
    // Sounds only: a well-formed file that holds nothing a movie can play (for example a WAV
    // file of compressed samples, or at a sample rate that SWF sounds do not have).
    NoUsableSound = 4,
};

// Files are read whole into memory; larger ones are refused with ReadError.
inline constexpr std::size_t MaximumFileSize = std::size_t{1} << 30;

// Thrown by a decoder to end decoding with a status; the loader catches it and keeps the
// message, which names what failed and the byte offset where it did.
struct DecodeError {
    int status = BadData;
    std::string message;
};

}  // namespace quillet::media
