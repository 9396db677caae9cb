#include "fonts/font_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <utility>

namespace quillet::fonts {

namespace {

constexpr char kMagic[4] = {'Q', 'F', 'A', 'C'};
// Raised whenever the layout of the file or the meaning of an answer changes.
constexpr std::uint32_t kFormatVersion = 1;
constexpr std::size_t kHeaderBytes = 4 + 4 + 4 + 8;
constexpr const char* kFileName = "font-answers-1";
// Subdirectories of a font directory followed, at most (a font tree is shallow and small).
constexpr int kMaxDirectoryDepth = 8;
constexpr std::size_t kMaxDirectories = 4096;

std::uint64_t checksum(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// --- writing -------------------------------------------------------------------------------------

class Writer {
  public:
    void u8(std::uint8_t v) { bytes.push_back(static_cast<char>(v)); }
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) u8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void u64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) u8(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void str(std::string_view s) {
        u32(static_cast<std::uint32_t>(s.size()));
        bytes.append(s);
    }
    std::string bytes;
};

// --- reading -------------------------------------------------------------------------------------

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    bool u8(std::uint8_t& v) {
        if (bytes_.size() - at_ < 1) return false;
        v = static_cast<std::uint8_t>(bytes_[at_++]);
        return true;
    }
    bool u32(std::uint32_t& v) {
        if (bytes_.size() - at_ < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[at_ + i])) << (8 * i);
        at_ += 4;
        return true;
    }
    bool u64(std::uint64_t& v) {
        std::uint32_t low = 0, high = 0;
        if (!u32(low) || !u32(high)) return false;
        v = (static_cast<std::uint64_t>(high) << 32) | low;
        return true;
    }
    bool str(std::string& s) {
        std::uint32_t length = 0;
        if (!u32(length) || length > bytes_.size() - at_) return false;
        s.assign(bytes_.substr(at_, length));
        at_ += length;
        return true;
    }
    // A count of items of at least `itemBytes` each that the rest can hold.
    bool count(std::uint32_t& n, std::size_t itemBytes) {
        return u32(n) && n <= (bytes_.size() - at_) / itemBytes;
    }
    bool done() const { return at_ == bytes_.size(); }

  private:
    std::string_view bytes_;
    std::size_t at_ = 0;
};

// --- the fingerprint -----------------------------------------------------------------------------

// The GNU build id of the program, when the link gave it one.
std::string buildIdNote() {
    std::string id;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data) {
            auto& out = *static_cast<std::string*>(data);
            for (int i = 0; i < info->dlpi_phnum && out.empty(); ++i) {
                const ElfW(Phdr)& header = info->dlpi_phdr[i];
                if (header.p_type != PT_NOTE) continue;
                const auto* p =
                    reinterpret_cast<const unsigned char*>(info->dlpi_addr + header.p_vaddr);
                std::size_t left = header.p_memsz;
                while (left >= sizeof(ElfW(Nhdr))) {
                    ElfW(Nhdr) note;
                    std::memcpy(&note, p, sizeof note);
                    const std::size_t name = (note.n_namesz + 3) & ~std::size_t{3};
                    const std::size_t desc = (note.n_descsz + 3) & ~std::size_t{3};
                    if (name + desc > left - sizeof note) break;
                    const unsigned char* nameAt = p + sizeof note;
                    if (note.n_type == NT_GNU_BUILD_ID && note.n_namesz == 4 &&
                        std::memcmp(nameAt, "GNU", 4) == 0) {
                        static const char hex[] = "0123456789abcdef";
                        for (std::size_t k = 0; k < note.n_descsz; ++k) {
                            out += hex[nameAt[name + k] >> 4];
                            out += hex[nameAt[name + k] & 15];
                        }
                        break;
                    }
                    p += sizeof note + name + desc;
                    left -= sizeof note + name + desc;
                }
            }
            return 1;  // the program is the first object; the libraries do not matter
        },
        &id);
    return id;
}

void addTree(const std::string& directory, int depth, std::set<std::string>& out) {
    if (depth > kMaxDirectoryDepth || out.size() >= kMaxDirectories) return;
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) return;
    std::vector<std::string> children;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = directory + '/' + name;
        // Linked folders too, as fontconfig follows them (the depth and count caps end loops).
        struct stat st {};
        if (entry->d_type == DT_DIR || ((entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) &&
                                        stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
            children.push_back(path);
    }
    closedir(dir);
    for (const std::string& child : children) {
        if (out.size() >= kMaxDirectories) break;
        if (out.insert(child).second) addTree(child, depth + 1, out);
    }
}

void addStrings(FcStrList* list, std::vector<std::string>& out) {
    if (list == nullptr) return;
    while (FcChar8* s = FcStrListNext(list)) out.emplace_back(reinterpret_cast<const char*>(s));
    FcStrListDone(list);
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Where the user's own configuration and fonts are, whether there or not.
std::vector<std::string> userPaths() {
    std::vector<std::string> paths;
    const std::string home = environmentValue("HOME");
    std::string config = environmentValue("XDG_CONFIG_HOME");
    std::string data = environmentValue("XDG_DATA_HOME");
    if (!home.empty()) {
        if (config.empty()) config = home + "/.config";
        if (data.empty()) data = home + "/.local/share";
        for (const char* p :
             {"/.fonts", "/.fonts.conf", "/.fonts.conf.d", "/.config", "/.local", "/.local/share"})
            paths.push_back(home + p);
    }
    if (!config.empty()) {
        paths.push_back(config);
        paths.push_back(config + "/fontconfig");
        paths.push_back(config + "/fontconfig/fonts.conf");
        paths.push_back(config + "/fontconfig/conf.d");
    }
    if (!data.empty()) {
        paths.push_back(data);
        paths.push_back(data + "/fonts");
    }
    return paths;
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

std::string readWhole(const std::string& path) {
    // Non-blocking: a named pipe in the cache's place must not hang the run.
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    std::string bytes;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 &&
        static_cast<std::uint64_t>(st.st_size) <= kMaxFontCacheBytes) {
        bytes.resize(static_cast<std::size_t>(st.st_size));
        std::size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
    }
    close(fd);
    return bytes;
}

// Roughly what an answer takes in the file, for the size cap.
std::size_t answerBytes(const std::string& key, const CachedWalk& walk) {
    std::size_t bytes = key.size() + 16;
    for (const CachedCandidate& c : walk.candidates) bytes += c.file.size() + 16;
    return bytes;
}

bool makeDirectory(const std::string& path) {
    if (mkdir(path.c_str(), 0700) == 0) return true;
    struct stat st {};
    return errno == EEXIST && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

// --- the file ------------------------------------------------------------------------------------

std::string encodeFontCache(const FontCacheContents& contents) {
    Writer w;
    const FontCacheFingerprint& f = contents.fingerprint;
    w.str(f.build);
    w.str(f.environment);
    w.u32(static_cast<std::uint32_t>(f.paths.size()));
    for (const CachedPath& p : f.paths) {
        w.str(p.path);
        w.u8(p.kind);
        w.u64(static_cast<std::uint64_t>(p.modified));
        w.u64(p.size);
    }
    // In key order, so that the same answers always make the same file.
    std::vector<const std::pair<const std::string, CachedWalk>*> walks;
    for (const auto& entry : contents.walks) walks.push_back(&entry);
    std::sort(walks.begin(), walks.end(), [](auto* a, auto* b) { return a->first < b->first; });
    w.u32(static_cast<std::uint32_t>(walks.size()));
    for (const auto* entry : walks) {
        w.str(entry->first);
        w.u8(entry->second.complete ? 1 : 0);
        w.u32(static_cast<std::uint32_t>(entry->second.candidates.size()));
        for (const CachedCandidate& c : entry->second.candidates) {
            w.str(c.file);
            w.u32(static_cast<std::uint32_t>(c.index));
            w.u8(static_cast<std::uint8_t>((c.outlines ? 1 : 0) | (c.named ? 2 : 0)));
        }
    }
    return sealFontCache(w.bytes);
}

std::string sealFontCache(std::string_view payload) {
    Writer out;
    out.bytes.append(kMagic, sizeof kMagic);
    out.u32(kFormatVersion);
    out.u32(static_cast<std::uint32_t>(payload.size()));
    out.u64(checksum(payload));
    out.bytes += payload;
    return std::move(out.bytes);
}

std::optional<FontCacheContents> decodeFontCache(std::string_view bytes) {
    if (bytes.size() < kHeaderBytes || bytes.size() > kMaxFontCacheBytes) return std::nullopt;
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return std::nullopt;
    Reader header(bytes.substr(sizeof kMagic, kHeaderBytes - sizeof kMagic));
    std::uint32_t version = 0, length = 0;
    std::uint64_t sum = 0;
    if (!header.u32(version) || !header.u32(length) || !header.u64(sum)) return std::nullopt;
    const std::string_view payload = bytes.substr(kHeaderBytes);
    if (version != kFormatVersion || length != payload.size() || checksum(payload) != sum)
        return std::nullopt;

    Reader r(payload);
    FontCacheContents contents;
    FontCacheFingerprint& f = contents.fingerprint;
    std::uint32_t count = 0;
    if (!r.str(f.build) || !r.str(f.environment) || !r.count(count, 4 + 1 + 8 + 8))
        return std::nullopt;
    f.paths.resize(count);
    for (CachedPath& p : f.paths) {
        std::uint64_t modified = 0;
        if (!r.str(p.path) || !r.u8(p.kind) || !r.u64(modified) || !r.u64(p.size) ||
            p.kind > CachedPath::other)
            return std::nullopt;
        p.modified = static_cast<std::int64_t>(modified);
    }
    if (!r.count(count, 4 + 1 + 4)) return std::nullopt;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string key;
        CachedWalk walk;
        std::uint8_t complete = 0;
        std::uint32_t candidates = 0;
        if (!r.str(key) || !r.u8(complete) || complete > 1 || !r.count(candidates, 4 + 4 + 1))
            return std::nullopt;
        walk.complete = complete == 1;
        walk.candidates.resize(candidates);
        for (CachedCandidate& c : walk.candidates) {
            std::uint32_t index = 0;
            std::uint8_t flags = 0;
            if (!r.str(c.file) || !r.u32(index) || !r.u8(flags) || index > 0x7FFFFFFF || flags > 3)
                return std::nullopt;
            c.index = static_cast<std::int32_t>(index);
            c.outlines = (flags & 1) != 0;
            c.named = (flags & 2) != 0;
        }
        contents.walks.insert_or_assign(std::move(key), std::move(walk));
    }
    if (!r.done()) return std::nullopt;
    return contents;
}

// --- the fingerprint -----------------------------------------------------------------------------

std::string fontCacheBuild() {
    static const std::string build = [] {
        std::string id = buildIdNote();
        if (id.empty()) {
            // No build id: the program file itself.
            const CachedPath self = statCachedPath("/proc/self/exe");
            id = "exe:" + std::to_string(self.modified) + ':' + std::to_string(self.size);
        }
        return "format " + std::to_string(kFormatVersion) + ' ' + id;
    }();
    return build;
}

std::string fontCacheEnvironment() {
    std::string key;
    for (const char* name :
         {"FONTCONFIG_FILE", "FONTCONFIG_PATH", "FONTCONFIG_SYSROOT", "HOME", "XDG_CONFIG_HOME",
          "XDG_DATA_HOME", "XDG_CACHE_HOME", "FC_LANG", "LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        key += name;
        key += value != nullptr ? "=" : "!";
        key += value != nullptr ? value : "";
        key += '\0';
    }
    return key;
}

CachedPath statCachedPath(const std::string& path) {
    CachedPath p;
    p.path = path;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return p;
    p.kind = S_ISREG(st.st_mode)   ? CachedPath::file
             : S_ISDIR(st.st_mode) ? CachedPath::directory
                                   : CachedPath::other;
    p.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    p.size = static_cast<std::uint64_t>(st.st_size);
    return p;
}

std::vector<std::string> fontconfigInputs(FcConfig* config) {
    std::vector<std::string> listed;
    if (config != nullptr) {
        addStrings(FcConfigGetConfigFiles(config), listed);
        addStrings(FcConfigGetConfigDirs(config), listed);
    }
    std::set<std::string> paths;
    for (const std::string& path : listed) {
        paths.insert(path);
        paths.insert(directoryOf(path));
    }
    if (config != nullptr) {
        std::vector<std::string> fontDirs;
        addStrings(FcConfigGetFontDirs(config), fontDirs);
        for (const std::string& dir : fontDirs) {
            paths.insert(dir);
            addTree(dir, 0, paths);
        }
    }
    for (std::string& path : userPaths()) paths.insert(std::move(path));
    return {paths.begin(), paths.end()};
}

bool fingerprintCurrent(const FontCacheFingerprint& fingerprint) {
    if (fingerprint.build != fontCacheBuild() || fingerprint.environment != fontCacheEnvironment())
        return false;
    return std::all_of(fingerprint.paths.begin(), fingerprint.paths.end(),
                       [](const CachedPath& p) { return statCachedPath(p.path) == p; });
}

std::string fontCachePath() {
    const std::string chosen = environmentValue("QUILLET_FONT_CACHE");
    if (chosen == "off") return {};
    if (!chosen.empty()) return chosen;
    std::string base = environmentValue("XDG_CACHE_HOME");
    if (base.empty() || base[0] != '/') {
        const std::string home = environmentValue("HOME");
        if (home.empty() || home[0] != '/') return {};
        base = home + "/.cache";
    }
    return base + "/quillet/" + kFileName;
}

std::optional<FontCacheContents> readFontCache(const std::string& path) {
    if (path.empty()) return std::nullopt;
    std::optional<FontCacheContents> contents = decodeFontCache(readWhole(path));
    if (!contents || !fingerprintCurrent(contents->fingerprint)) return std::nullopt;
    return contents;
}

bool writeFontCache(const std::string& path, const FontCacheContents& contents) {
    if (path.empty()) return false;
    const std::string bytes = encodeFontCache(contents);
    if (bytes.size() > kMaxFontCacheBytes) return false;
    // The default place is made when missing: the cache directory, then ours.
    const std::string directory = directoryOf(path);
    if (environmentValue("QUILLET_FONT_CACHE").empty()) {
        makeDirectory(directoryOf(directory));
        makeDirectory(directory);
    }
    std::string temporary = path + ".XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC);  // mode 0600
    if (fd < 0) return false;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    const bool whole = written == bytes.size() && close(fd) == 0;
    if (!whole || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

// --- the answers of this process -----------------------------------------------------------------

struct FontAnswers::State {
    std::mutex mutex;
    bool attached = false;
    std::uint64_t generation = 0;
    std::string path;
    std::string environment;
    FontCacheContents contents;
    bool fingerprinted = false;  // contents.fingerprint describes the configuration in use
    bool dirty = false;
    std::size_t bytes = 0;  // roughly what the answers take in the file
};

FontAnswers& FontAnswers::instance() {
    static FontAnswers answers;
    return answers;
}

FontAnswers::State& FontAnswers::state() {
    static State state;
    return state;
}

FontAnswers::Ticket FontAnswers::attach() {
    State& s = state();
    std::string path = fontCachePath();
    std::string environment = fontCacheEnvironment();
    std::lock_guard lock(s.mutex);
    if (!s.attached || path != s.path || environment != s.environment) {
        s.attached = true;
        ++s.generation;
        s.path = std::move(path);
        s.environment = std::move(environment);
        s.dirty = false;
        s.fingerprinted = false;
        s.bytes = 0;
        std::optional<FontCacheContents> read = readFontCache(s.path);
        s.contents = read ? std::move(*read) : FontCacheContents{};
        if (read) s.fingerprinted = true;
        for (const auto& [key, walk] : s.contents.walks) s.bytes += answerBytes(key, walk);
    }
    return {s.generation, !s.contents.walks.empty()};
}

std::optional<CachedWalk> FontAnswers::find(Ticket ticket, const std::string& key) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (ticket.generation != s.generation) return std::nullopt;
    auto it = s.contents.walks.find(key);
    if (it == s.contents.walks.end()) return std::nullopt;
    return it->second;
}

void FontAnswers::record(Ticket ticket, FcConfig* config, const std::string& key, CachedWalk walk) {
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (s.path.empty() || ticket.generation != s.generation) return;
    if (!s.fingerprinted) {
        // Taken once the configuration is read, from what it read.
        FontCacheFingerprint& f = s.contents.fingerprint;
        f.build = fontCacheBuild();
        f.environment = s.environment;
        f.paths.clear();
        for (const std::string& path : fontconfigInputs(config))
            f.paths.push_back(statCachedPath(path));
        s.fingerprinted = true;
        for (const CachedPath& p : f.paths) s.bytes += p.path.size() + 32;
    }
    const std::size_t bytes = answerBytes(key, walk);
    if (s.bytes + bytes > kMaxFontCacheBytes) return;
    s.bytes += bytes;
    s.contents.walks.insert_or_assign(key, std::move(walk));
    s.dirty = true;
}

void FontAnswers::save() {
    State& s = state();
    std::lock_guard lock(s.mutex);
    if (!s.dirty) return;
    s.dirty = false;
    // Another run may have written answers since this one read the file: they are kept too.
    if (std::optional<FontCacheContents> disk = readFontCache(s.path)) {
        if (disk->fingerprint == s.contents.fingerprint) {
            for (auto& [key, walk] : disk->walks)
                s.contents.walks.try_emplace(key, std::move(walk));
        }
    }
    writeFontCache(s.path, s.contents);
}

}  // namespace quillet::fonts
