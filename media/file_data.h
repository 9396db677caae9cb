// Reading a whole picture or sound file into memory, as both loaders do before decoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::media {

// Fills bytes with the file's contents and returns Success, CannotOpen, or ReadError (the file
// cannot be sized or read, or is larger than MaximumFileSize).
int readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& problem);

}  // namespace quillet::media
