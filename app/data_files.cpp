#include "app/data_files.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace quillet::app {

namespace fs = std::filesystem;

namespace {

// The first folder among the candidates that holds the marker file.
fs::path findDirectory(std::string_view what, std::string_view marker,
                       const std::vector<fs::path>& candidates) {
    std::string tried;
    for (const fs::path& dir : candidates) {
        if (dir.empty()) continue;
        std::error_code error;
        if (fs::is_regular_file(dir / marker, error)) return dir;
        tried += "\n  " + dir.string();
    }
    throw std::runtime_error("cannot find " + std::string(what) + "; looked in:" + tried);
}

fs::path installedShare() {
    const fs::path exe = currentExecutable();
    return exe.empty() ? fs::path() : exe.parent_path().parent_path() / "share" / "quillet";
}

bool isPlainName(std::string_view name) {
    if (name.empty() || name.size() > 255 || name.front() == '.') return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-' || c == '.';
    });
}

}  // namespace

fs::path currentExecutable() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : exe;
}

fs::path pagesDirectory() {
    return findDirectory("the page files", "convert.html",
                         {installedShare() / "pages", fs::path(QUILLET_PAGES_SOURCE_DIR)});
}

fs::path playerDirectory() {
    // A packager may keep the player elsewhere.
    const char* chosen = std::getenv("QUILLET_PLAYER_DIR");
    if (chosen != nullptr && *chosen != '\0') {
        return findDirectory("the in-browser player (QUILLET_PLAYER_DIR)", "ruffle.js",
                             {fs::path(chosen)});
    }
    return findDirectory("the in-browser player (run scripts/setup.sh)", "ruffle.js",
                         {installedShare() / "player", fs::path(QUILLET_PLAYER_SOURCE_DIR)});
}

std::vector<std::string> playerFileNames(const fs::path& playerDir) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(playerDir, error)) {
        const std::string name = entry.path().filename().string();
        const std::string extension = entry.path().extension().string();
        if (!isPlainName(name) || !entry.is_regular_file(error)) continue;
        if (extension == ".js" || extension == ".wasm" || name.rfind("LICENSE", 0) == 0) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<fs::path> fileInside(const fs::path& root, std::string_view name) {
    if (!isPlainName(name)) return std::nullopt;
    std::error_code error;
    const fs::path realRoot = fs::canonical(root, error);
    if (error) return std::nullopt;
    const fs::path real = fs::canonical(realRoot / name, error);
    if (error || real.parent_path() != realRoot || !fs::is_regular_file(real, error)) {
        return std::nullopt;
    }
    return real;
}

std::string contentTypeOf(const fs::path& file) {
    static const std::array<std::pair<const char*, const char*>, 9> types{{
        {".html", "text/html; charset=utf-8"},
        {".js", "text/javascript; charset=utf-8"},
        {".css", "text/css; charset=utf-8"},
        {".wasm", "application/wasm"},
        {".swf", "application/x-shockwave-flash"},
        {".json", "application/json"},
        {".png", "image/png"},
        {".svg", "image/svg+xml"},
        {".txt", "text/plain; charset=utf-8"},
    }};
    const std::string extension = file.extension().string();
    for (const auto& [ending, type] : types) {
        if (extension == ending) return type;
    }
    return "application/octet-stream";
}

}  // namespace quillet::app
