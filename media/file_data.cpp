#include "media/file_data.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "media/media_status.h"

namespace quillet::media {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

int readWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& problem) {
    bytes.clear();
    // Opening a FIFO would wait for a writer, and a device may never end: only files are read.
    std::error_code error;
    const auto type = std::filesystem::status(path, error).type();
    if (!error && type != std::filesystem::file_type::regular &&
        type != std::filesystem::file_type::not_found) {
        problem = path + (type == std::filesystem::file_type::directory
                              ? " is a directory, not a file"
                              : " is not a regular file (a FIFO, device or socket)");
        return ReadError;
    }
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        problem = "cannot open " + path;
        return CannotOpen;
    }
    if (std::fseek(file.get(), 0, SEEK_END) != 0) {
        problem = "cannot find the size of " + path;
        return ReadError;
    }
    const long size = std::ftell(file.get());
    if (size < 0 || std::fseek(file.get(), 0, SEEK_SET) != 0) {
        problem = "cannot find the size of " + path;
        return ReadError;
    }
    if (static_cast<unsigned long>(size) > MaximumFileSize) {
        problem = path + " is larger than the " + std::to_string(MaximumFileSize >> 20) +
                  " MiB a media file may have";
        return ReadError;
    }
    bytes.resize(static_cast<std::size_t>(size));
    if (!bytes.empty() && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        bytes.clear();
        problem = "cannot read " + path;
        return ReadError;
    }
    if (std::fclose(file.release()) != 0) {
        bytes.clear();
        problem = "cannot close " + path;
        return ReadError;
    }
    return Success;
}

}  // namespace quillet::media
