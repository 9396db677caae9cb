#include "engine/working_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "engine/records.h"

namespace quillet::engine {
namespace fs = std::filesystem;

namespace {

// Distinct from any other folder name the project uses, and only folders holding our lock are
// ever touched.
constexpr const char* kPrefix = "quillet-run-";
constexpr const char* kTakingLockName = ".lock";
constexpr const char* kLockName = "lock";
// Holds the path of the partial movie the run is writing, for the run that clears it.
constexpr const char* kPartNoteName = "part";
// A folder that has no lock yet is another run starting; only one that old is left over.
constexpr std::time_t kUnlockedGrace = 600;

// What a signal handler needs to clean up, in plain storage it can read without allocating.
constexpr std::size_t kPathRoom = 4096;
struct CleanupSlot {
    std::atomic<bool> used{false};
    std::atomic<bool> hasPart{false};
    char folder[kPathRoom] = {};
    char lock[kPathRoom] = {};
    char note[kPathRoom] = {};
    char part[kPathRoom] = {};
};
constexpr int kSlots = 4;
CleanupSlot slots[kSlots];

bool copyPath(char (&to)[kPathRoom], const std::string& from) {
    if (from.size() >= kPathRoom) return false;
    std::memcpy(to, from.c_str(), from.size() + 1);
    return true;
}

CleanupSlot* slotFor(const std::string& folder) {
    for (CleanupSlot& slot : slots) {
        if (slot.used.load() && folder == slot.folder) return &slot;
    }
    return nullptr;
}

// Empties the folder open as fd, sub-folders too, with calls a signal handler may make (no
// allocation): entries are listed straight from the kernel. Passes repeat while they remove
// something, as removing during a listing may skip entries.
void emptyFolder(int fd, int depth) {
    alignas(8) char buffer[4096];
    for (bool removed = true; removed && depth < 8;) {
        removed = false;
        ::lseek(fd, 0, SEEK_SET);
        for (;;) {
            const long n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (n <= 0) break;
            for (long at = 0; at < n;) {
                struct Entry {
                    std::uint64_t inode;
                    std::int64_t offset;
                    unsigned short length;
                    unsigned char type;
                    char name[1];
                };
                const auto* entry = reinterpret_cast<const Entry*>(buffer + at);
                at += entry->length;
                const char* name = entry->name;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
                if (entry->type == DT_DIR) {
                    const int sub = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
                    if (sub >= 0) {
                        emptyFolder(sub, depth + 1);
                        ::close(sub);
                    }
                    removed |= ::unlinkat(fd, name, AT_REMOVEDIR) == 0;
                } else {
                    removed |= ::unlinkat(fd, name, 0) == 0;
                }
            }
        }
    }
}

void cleanSlot(CleanupSlot& slot) {
    if (slot.hasPart.load()) ::unlink(slot.part);
    const int fd = ::open(slot.folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
    if (fd >= 0) {
        emptyFolder(fd, 0);
        ::close(fd);
    }
    ::rmdir(slot.folder);
}

extern "C" void onInterrupt(int signal) {
    for (CleanupSlot& slot : slots) {
        if (slot.used.load()) cleanSlot(slot);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string readNote(const fs::path& note) {
    std::ifstream in(note, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.size() < kPathRoom ? text : std::string();
}

// Writes the note in one go; a torn note only names a file that is not there.
void writeNote(const std::string& folder, const std::string& text) {
    const std::string note = folder + "/" + kPartNoteName;
    const int fd = ::open(note.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return;
    [[maybe_unused]] const ssize_t written = ::write(fd, text.data(), text.size());
    ::close(fd);
}

bool clearIfStale(const fs::path& folder) {
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid())
        return false;
    const fs::path lock = folder / kLockName;
    const int fd = ::open(lock.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        // A run that died while taking its lock; a run taking it now is given time.
        struct stat taking {};
        if (errno != ENOENT || ::lstat((folder / kTakingLockName).c_str(), &taking) != 0 ||
            !S_ISREG(taking.st_mode) || std::time(nullptr) - taking.st_mtime < kUnlockedGrace) {
            return false;
        }
    } else if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);  // its run is alive
        return false;
    }
    const std::string part = readNote(folder / kPartNoteName);
    if (part.size() > 5 && part.ends_with(".part")) ::unlink(part.c_str());
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    if (fd >= 0) ::close(fd);
    return true;
}

}  // namespace

std::string workingFolderParent() {
    const char* tmp = std::getenv("TMPDIR");
    std::error_code error;
    if (tmp && *tmp && fs::is_directory(tmp, error)) return tmp;
    return "/tmp";
}

int clearStaleWorkingFolders(const std::string& parent) {
    int removed = 0;
    std::error_code error;
    fs::directory_iterator it(parent, error), end;
    for (; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.starts_with(kPrefix) && clearIfStale(it->path())) ++removed;
    }
    return removed;
}

WorkingFolder::WorkingFolder(const std::string& parent) {
    clearStaleWorkingFolders(parent);
    // An interrupt between making the folder and registering it for cleanup would leave it
    // behind: hold INT and TERM until it is registered (they are delivered when let through).
    sigset_t held, before;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &held, &before);
    struct Release {
        sigset_t mask;
        ~Release() { ::sigprocmask(SIG_SETMASK, &mask, nullptr); }
    } release{before};
    std::string pattern = parent + "/" + kPrefix + "XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        throw ConversionError("Cannot make a working folder in " + parent + ": " +
                              std::strerror(errno));
    }
    path_ = pattern;
    // The lock is taken under another name and then renamed, so no run ever sees it unlocked.
    const std::string taking = path_ + "/" + kTakingLockName;
    const std::string lock = path_ + "/" + kLockName;
    lockFd_ = ::open(taking.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (lockFd_ < 0 || ::flock(lockFd_, LOCK_EX | LOCK_NB) != 0 ||
        ::rename(taking.c_str(), lock.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        remove();
        throw ConversionError("Cannot lock the working folder " + pattern + ": " + reason);
    }
    for (CleanupSlot& slot : slots) {
        bool expected = false;
        if (slot.used.load() || !copyPath(slot.folder, path_) || !copyPath(slot.lock, lock) ||
            !copyPath(slot.note, path_ + "/" + kPartNoteName)) {
            continue;
        }
        slot.hasPart.store(false);
        if (slot.used.compare_exchange_strong(expected, true)) break;
    }
}

WorkingFolder::~WorkingFolder() {
    remove();
}

void WorkingFolder::writeMovie(const std::string& target, const std::vector<std::uint8_t>& bytes) {
    CleanupSlot* slot = slotFor(path_);
    // Never over a file that is there: a second run on the same movie takes a name of its own.
    std::string part = target + ".part";
    writeNote(path_, part);
    int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
        part = target + "." + std::to_string(::getpid()) + ".part";
        writeNote(path_, part);
        fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    }
    if (fd < 0) {
        throw ConversionError("Cannot write the movie \"" + target + "\": " + std::strerror(errno));
    }
    if (slot && copyPath(slot->part, part)) slot->hasPart.store(true);
    std::size_t at = 0;
    int error = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + at, bytes.size() - at);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        at += static_cast<std::size_t>(n);
    }
    if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(part.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) ::unlink(part.c_str());
    if (slot) slot->hasPart.store(false);
    writeNote(path_, "");
    if (error != 0) {
        throw ConversionError("Cannot write the movie \"" + target + "\": " + std::strerror(error));
    }
}

void WorkingFolder::remove() noexcept {
    if (path_.empty()) return;
    if (CleanupSlot* slot = slotFor(path_)) {
        if (slot->hasPart.load()) ::unlink(slot->part);
        slot->hasPart.store(false);
        slot->used.store(false);
    }
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
    path_.clear();
}

void installInterruptCleanup() {
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM}) ::sigaction(signal, &action, nullptr);
}

bool isSameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

}  // namespace quillet::engine
