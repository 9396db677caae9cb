// `quillet convert --html`: a page that plays the movie, written beside it (MOVIE.html), with the
// player's files in a folder next to it (MOVIE_player/). The page holds the movie, so the page
// and its folder are all a web server, or a browser opening the file from disk, needs.
#pragma once

#include <filesystem>

namespace quillet::app {

// Writes the page and the folder for the movie and returns the page's path. Throws
// std::runtime_error with a message when the player cannot be found or a file cannot be written.
std::filesystem::path exportHtml(const std::filesystem::path& movie);

}  // namespace quillet::app
