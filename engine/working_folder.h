// A conversion's own place on disk: a private folder under $TMPDIR that no other run shares, and
// the movie written to "<movie>.part" beside its final name and renamed only once complete.
// Nothing is ever written beside the deck under a name the user may have chosen; only what this
// run made is removed. A run killed outright (SIGKILL) leaves its folder locked by nobody: the
// next run clears it, and the partial movie it names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet::engine {

// The parent of private folders: $TMPDIR when it names a folder, else /tmp.
std::string workingFolderParent();

// Removes the private folders under parent whose run is gone (their lock is free), with the
// partial movie each names. Returns how many were removed. Never throws.
int clearStaleWorkingFolders(const std::string& parent);

class WorkingFolder {
  public:
    // Clears stale folders of dead runs, then makes and locks a new one under parent. Throws
    // ConversionError when it cannot.
    explicit WorkingFolder(const std::string& parent = workingFolderParent());
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    const std::string& path() const { return path_; }

    // Writes the movie's bytes to a new "<target>.part" (never over an existing file), then
    // renames it onto target. Throws ConversionError, leaving no partial file, when it cannot.
    void writeMovie(const std::string& target, const std::vector<std::uint8_t>& bytes);

    // Removes the folder and a partial movie. Never throws.
    void remove() noexcept;

  private:
    std::string path_;
    int lockFd_ = -1;
};

// SIGINT and SIGTERM remove this process's working folder and partial movie, then end the
// process with the signal's own status. Safe to call more than once.
void installInterruptCleanup();

// The same deck or a link to it: output would overwrite the deck. False when output does not
// exist yet.
bool isSameFile(const std::string& a, const std::string& b);

}  // namespace quillet::engine
