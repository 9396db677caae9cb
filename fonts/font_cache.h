// Font-matching answers kept between runs, so that a run whose questions were all answered before
// never starts fontconfig (reading its configuration and font lists costs more than converting a
// small deck).
//
// An answer is the head of the sorted face list that the matcher walked before it decided: each
// face's file and index and what the matcher asked of it (does it draw outlines, do the names
// name it). Walking the same head again, with the same loads, decides the same; when a face that
// loaded then does not load now, the walk runs past the head and fontconfig answers instead.
//
// The answers hold while nothing that chooses fontconfig's configuration or font list has changed:
// the environment that chooses them, the locale, the configuration files and font directories
// fontconfig read (and the usual user ones, present or not) with their modification times and
// sizes, and the program's build. Any difference and the file is ignored, then written anew.
//
// The file lives in $XDG_CACHE_HOME/quillet/ (else ~/.cache/quillet/); QUILLET_FONT_CACHE=FILE
// names another, QUILLET_FONT_CACHE=off turns it off. Written to a temporary file and renamed, so a
// reader never sees half a file; a missing or unwritable place means no cache, never an error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

typedef struct _FcConfig FcConfig;

namespace quillet::fonts {

struct CachedCandidate {
    std::string file;  // empty when the face names no file
    std::int32_t index = 0;
    bool outlines = true;  // draws outlines (not bitmap-only nor colour)
    bool named = false;    // one of the asked names names it
    bool operator==(const CachedCandidate&) const = default;
};

// The head of a sorted face list, as far as a question walked it.
struct CachedWalk {
    std::vector<CachedCandidate> candidates;
    bool complete = false;  // the list ends after these
    bool operator==(const CachedWalk&) const = default;
};

// One file or directory that chose the answers, as it was.
struct CachedPath {
    enum Kind : std::uint8_t { absent = 0, file = 1, directory = 2, other = 3 };
    std::string path;
    std::uint8_t kind = absent;
    std::int64_t modified = 0;  // ns
    std::uint64_t size = 0;
    bool operator==(const CachedPath&) const = default;
};

struct FontCacheFingerprint {
    std::string build;        // the program's build
    std::string environment;  // the variables that choose the configuration and language
    std::vector<CachedPath> paths;
    bool operator==(const FontCacheFingerprint&) const = default;
};

struct FontCacheContents {
    FontCacheFingerprint fingerprint;
    std::unordered_map<std::string, CachedWalk> walks;
};

// The file's bytes, and back. Decoding treats the bytes as hostile: anything damaged, truncated,
// of another format version or beyond the size cap gives nothing.
std::string encodeFontCache(const FontCacheContents& contents);
std::optional<FontCacheContents> decodeFontCache(std::string_view bytes);
constexpr std::size_t kMaxFontCacheBytes = 4u << 20;
// The header (format version, length, checksum) around an encoded payload.
std::string sealFontCache(std::string_view payload);

// The parts of the fingerprint as they are now.
std::string fontCacheBuild();
std::string fontCacheEnvironment();
CachedPath statCachedPath(const std::string& path);
// Every path the configuration read or depends on: its files and their directories, its font
// directories with their subdirectories, and the usual user ones even when absent.
std::vector<std::string> fontconfigInputs(FcConfig* config);
// The fingerprint still describes this machine (stat calls only).
bool fingerprintCurrent(const FontCacheFingerprint& fingerprint);

// Where the cache is: QUILLET_FONT_CACHE, else the user's cache directory; empty for none.
std::string fontCachePath();

// Reads the file at `path`: nothing when it is absent, damaged or out of date.
std::optional<FontCacheContents> readFontCache(const std::string& path);
// Writes atomically (0600, directories 0700); false when it cannot.
bool writeFontCache(const std::string& path, const FontCacheContents& contents);

// The answers of this process, shared by every library; thread-safe.
class FontAnswers {
  public:
    static FontAnswers& instance();
    // Looks for the cache of the present environment, reading it when the place or the
    // environment changed since the last call. A library asks with the ticket it got: once the
    // environment changes, the answers it would find or give belong to another one.
    struct Ticket {
        std::uint64_t generation = 0;
        bool warm = false;  // answers are there
    };
    Ticket attach();
    std::optional<CachedWalk> find(Ticket ticket, const std::string& key);
    // A fresh answer from fontconfig, which `config` (started) gave.
    void record(Ticket ticket, FcConfig* config, const std::string& key, CachedWalk walk);
    // Writes the cache back when answers were added.
    void save();

  private:
    FontAnswers() = default;
    struct State;
    State& state();
};

}  // namespace quillet::fonts
