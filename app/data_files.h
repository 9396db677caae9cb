// The files the program serves besides the movies: its own pages and the in-browser player. Both
// are found at run time: installed under ../share/quillet beside the executable, or in the source
// tree the program was built from.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::app {

// The folders holding the pages (convert.html, ...) and the player (ruffle.js, ...; the
// environment's QUILLET_PLAYER_DIR when set). Throw std::runtime_error saying where they were
// looked for when they are missing.
std::filesystem::path pagesDirectory();
std::filesystem::path playerDirectory();

// The player's files a page needs (scripts and their WebAssembly, and its licence texts), by
// name, in a stable order.
std::vector<std::string> playerFileNames(const std::filesystem::path& playerDir);

// The regular file `name` directly inside root: a plain name (no separator, no leading dot)
// whose real path, symbolic links followed, still lies inside root. Empty otherwise.
std::optional<std::filesystem::path> fileInside(const std::filesystem::path& root,
                                                std::string_view name);

// The Content-Type a file is served with, by its extension.
std::string contentTypeOf(const std::filesystem::path& file);

// The path of the running program.
std::filesystem::path currentExecutable();

}  // namespace quillet::app
