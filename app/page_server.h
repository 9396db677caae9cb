// The local web pages of `quillet ui`, `quillet view` and `quillet feedback`: the convert page,
// the movie viewer and the feedback page, served on 127.0.0.1 only. Every address carries a
// random token as its first path segment; a request without it, from another origin or for
// another host name is refused, so a page of another site cannot start a conversion, read a file
// or change a setting. Only the program's own pages, the player and the files of the current
// conversion (its movie) are served.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace quillet::app {

struct PageServerOptions {
    std::string firstPage = "convert";  // "convert", "viewer" or "feedback"
    std::filesystem::path deck;         // the convert page's deck; may be empty
    std::filesystem::path movie;        // the viewer's and the feedback page's movie; may be empty
    std::filesystem::path settingsFile;
    std::uintmax_t uploadLimit = std::uintmax_t{256} << 20;
    // How long the server waits for a page again after the last one was closed (a page that
    // moves on to the next one reconnects well within it).
    std::chrono::milliseconds closeGrace{3000};
};

class PageServer {
  public:
    explicit PageServer(PageServerOptions options);
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // Binds a free port on 127.0.0.1 and returns the first page's address. Throws
    // std::runtime_error when the port cannot be bound or the page files are missing.
    std::string start();
    // Serves until a page asks to close, every page has been closed (after the grace time, and
    // once no conversion runs) or stop() is called. Returns true when it ended while a
    // conversion was still running.
    bool run();
    // Safe from any thread.
    void stop();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace quillet::app
