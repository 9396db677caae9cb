#include "app/page_server.h"

#include <httplib.h>
#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "app/data_files.h"
#include "app/desktop_tools.h"
#include "engine/engine.h"
#include "host/pptx/pptx_host.h"
#include "settings/settings.h"

namespace quillet::app {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

// Requests other than uploads carry a few small fields.
constexpr std::size_t kMaxRequestBody = 64 * 1024;
// Page connections that follow the conversion; more are refused.
constexpr int kMaxEventStreams = 8;
// The delay edits hold at most this many characters.
constexpr std::size_t kMaxDelayText = 256;

enum class Conversion { Idle, Running, Done, Failed };

const char* conversionName(Conversion c) {
    switch (c) {
        case Conversion::Idle:
            return "idle";
        case Conversion::Running:
            return "running";
        case Conversion::Done:
            return "done";
        case Conversion::Failed:
            return "failed";
    }
    return "idle";
}

std::string randomToken() {
    std::random_device device;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < 32; ++i) token += kHex[device() & 15];
    return token;
}

bool sameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return difference == 0;
}

// A delay edit's text as the number it starts with; no number gives 0.
float parseDelayText(std::string text) {
    if (text.size() > kMaxDelayText) text.resize(kMaxDelayText);
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || !std::isfinite(value)) return 0.0f;
    return static_cast<float>(std::clamp(value, -1e9, 1e9));
}

std::string delayText(float seconds) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(seconds));
    return text;
}

void sendText(httplib::Response& res, int status, const std::string& message) {
    res.status = status;
    res.set_content(message + "\n", "text/plain; charset=utf-8");
}

void sendJson(httplib::Response& res, const json& body, int status = 200) {
    res.status = status;
    res.set_content(body.dump(), "application/json");
}

void sendProblem(httplib::Response& res, int status, const std::string& message) {
    sendJson(res, json{{"message", message}}, status);
}

// Streams a file in pieces, so a player file of several megabytes is not held in memory.
void sendFile(httplib::Response& res, const fs::path& file) {
    std::error_code error;
    const auto size = fs::file_size(file, error);
    auto in = std::make_shared<std::ifstream>(file, std::ios::binary);
    if (error || !*in) {
        sendText(res, 404, "Not found");
        return;
    }
    res.set_content_provider(
        static_cast<std::size_t>(size), contentTypeOf(file),
        [in](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            char buffer[64 * 1024];
            in->seekg(static_cast<std::streamoff>(offset));
            in->read(buffer, static_cast<std::streamsize>(std::min(length, sizeof buffer)));
            const auto got = in->gcount();
            return got > 0 && sink.write(buffer, static_cast<std::size_t>(got));
        });
}

// The part of a client's file name that is safe to keep: letters, digits, '-', '_' and '.',
// never leading with a dot.
std::string safeFileName(const std::string& name) {
    std::string safe = fs::path(name).filename().string();
    for (char& c : safe) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!plain) c = '_';
    }
    while (!safe.empty() && safe.front() == '.') safe.erase(safe.begin());
    if (safe.size() > 120) safe.erase(0, safe.size() - 120);
    return safe;
}

bool isSoundName(const fs::path& file) {
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".mp3" || extension == ".wav";
}

}  // namespace

struct PageServer::State {
    explicit State(PageServerOptions o) : options(std::move(o)) {}
    ~State() {
        if (conversionThread.joinable()) conversionThread.join();
        if (!uploadFolder.empty()) {
            std::error_code ignored;
            fs::remove_all(uploadFolder, ignored);
        }
    }

    PageServerOptions options;
    httplib::Server server;
    std::string token = randomToken();
    int port = 0;
    fs::path pagesDir;
    fs::path playerDir;
    fs::path uploadFolder;  // made at the first upload, removed with the server
    int uploads = 0;

    std::mutex mutex;
    std::condition_variable changed;
    fs::path deck;
    fs::path movie;
    fs::path sound;
    Conversion conversion = Conversion::Idle;
    std::string message;
    std::vector<std::string> events;  // server-sent event frames of the conversion, in order
    int eventStreams = 0;
    bool everConnected = false;
    std::chrono::steady_clock::time_point lastStreamClosed;
    bool closeRequested = false;
    bool stopping = false;
    std::thread conversionThread;

    std::string prefix() const { return "/" + token; }

    // Refuses what does not come from our own pages: the wrong host name (a name of another
    // site resolved to this machine), another origin, a missing token, an oversized body.
    httplib::Server::HandlerResponse screen(const httplib::Request& req, httplib::Response& res) {
        const std::string ours = "127.0.0.1:" + std::to_string(port);
        const std::string alsoOurs = "localhost:" + std::to_string(port);
        const std::string host = req.get_header_value("Host");
        if (host != ours && host != alsoOurs) {
            sendText(res, 403, "Forbidden: this server answers only to " + ours);
            return httplib::Server::HandlerResponse::Handled;
        }
        if (req.has_header("Origin")) {
            const std::string origin = req.get_header_value("Origin");
            if (origin != "http://" + ours && origin != "http://" + alsoOurs) {
                sendText(res, 403, "Forbidden: requests from other sites are refused");
                return httplib::Server::HandlerResponse::Handled;
            }
        }
        const std::string site = req.get_header_value("Sec-Fetch-Site");
        if (!site.empty() && site != "same-origin" && site != "none") {
            sendText(res, 403, "Forbidden: requests from other sites are refused");
            return httplib::Server::HandlerResponse::Handled;
        }
        const std::string expected = prefix();
        const std::string given = req.path.substr(0, expected.size());
        const bool boundary =
            req.path.size() == expected.size() || req.path[expected.size()] == '/';
        if (!sameText(given, expected) || !boundary) {
            sendText(res, 403, "Forbidden: this address needs the token of the page's address");
            return httplib::Server::HandlerResponse::Handled;
        }
        const bool upload = req.path.rfind(expected + "/upload/", 0) == 0;
        const std::uintmax_t limit = upload ? options.uploadLimit : kMaxRequestBody;
        const std::uint64_t length = req.get_header_value<std::uint64_t>("Content-Length");
        if (length > limit) {
            res.set_header("Connection", "close");
            if (upload) {
                sendProblem(res, 413,
                            "The file is too large to upload: the limit is " +
                                std::to_string(options.uploadLimit >> 20) +
                                " MiB. Give its path on this machine instead.");
            } else {
                sendText(res, 413, "Request too large");
            }
            return httplib::Server::HandlerResponse::Handled;
        }
        res.set_header("Cache-Control", "no-store");
        res.set_header("X-Content-Type-Options", "nosniff");
        res.set_header("Referrer-Policy", "no-referrer");
        return httplib::Server::HandlerResponse::Unhandled;
    }

    json stateJson() {
        const settings::ConversionSettings saved = settings::readSettings(options.settingsFile);
        std::lock_guard lock(mutex);
        std::error_code error;
        const bool movieThere = !movie.empty() && fs::is_regular_file(movie, error);
        return json{
            {"deck", deck.string()},
            {"movie", movieThere ? movie.string() : ""},
            {"sound", sound.string()},
            {"options",
             {{"charsetIsAnsi", saved.charsetIsAnsi},
              {"showFeedback", saved.showFeedback},
              {"showToolbar", saved.showToolbar},
              {"slideShowDelay", delayText(saved.slideShowDelay)},
              {"shapeAutoDelay", delayText(saved.shapeAutoDelay)}}},
            {"conversion", conversionName(conversion)},
            {"message", message},
            {"uploadLimit", options.uploadLimit},
            {"feedbackAddress", settings::readFeedbackAddress(options.settingsFile)},
        };
    }

    // The options as the page shows them, saved as on closing the convert dialog.
    settings::ConversionSettings optionsFrom(const json& body) {
        const auto flag = [&](const char* name) {
            const auto it = body.find(name);
            if (it == body.end() || !it->is_boolean()) {
                throw std::invalid_argument(std::string("missing option ") + name);
            }
            return it->get<bool>();
        };
        const auto delay = [&](const char* name) {
            const auto it = body.find(name);
            if (it == body.end() || !it->is_string()) {
                throw std::invalid_argument(std::string("missing option ") + name);
            }
            return parseDelayText(it->get<std::string>());
        };
        settings::ConversionSettings values;
        values.charsetIsAnsi = flag("charsetIsAnsi");
        values.showFeedback = flag("showFeedback");
        values.showToolbar = flag("showToolbar");
        values.convertTogether = false;
        values.slideShowDelay = delay("slideShowDelay");
        values.shapeAutoDelay = delay("shapeAutoDelay");
        return values;
    }

    void pushEvent(const std::string& name, const json& data) {
        std::lock_guard lock(mutex);
        events.push_back("event: " + name + "\ndata: " + data.dump() + "\n\n");
        changed.notify_all();
    }

    // The engine's reports, handed to the pages as they come; the pages animate the bars.
    class PageProgress : public engine::ProgressSink {
      public:
        explicit PageProgress(State& state) : state_(state) {}
        void reportProgress(std::string text, int phaseStep, int overallStep) override {
            state_.pushEvent("progress", json{{"text", json::string_t(text)},
                                              {"phaseStep", phaseStep},
                                              {"overallStep", overallStep}});
        }

      private:
        State& state_;
    };

    void convert(fs::path deckPath, fs::path soundPath, settings::ConversionSettings values) {
        PageProgress progress(*this);
        std::string failure;
        std::string written;
        try {
            const auto application = pptx::openApplication(deckPath.string());
            engine::ConversionOptions conversionOptions;
            conversionOptions.soundPath = soundPath.string();
            // The page's values govern this run even when saving them failed.
            settings::SettingsOverrides overrides;
            overrides.charsetIsAnsi = values.charsetIsAnsi;
            overrides.showToolbar = values.showToolbar;
            overrides.slideShowDelay = values.slideShowDelay;
            overrides.shapeAutoDelay = values.shapeAutoDelay;
            const settings::SettingsSource source(options.settingsFile, overrides);
            const engine::ConversionResult result =
                engine::convertPresentation(application, progress, source, conversionOptions);
            if (result.status == 0) {
                written = result.swfPath;
            } else {
                failure = result.message.empty() ? "The conversion failed" : result.message;
            }
        } catch (const std::exception& e) {
            failure = e.what();
        }
        {
            std::lock_guard lock(mutex);
            if (failure.empty()) {
                conversion = Conversion::Done;
                movie = written;
            } else {
                conversion = Conversion::Failed;
                message = failure;
            }
        }
        if (failure.empty()) {
            pushEvent("done", json{{"movie", written}, {"showFeedback", values.showFeedback}});
        } else {
            pushEvent("failed", json{{"message", failure}});
        }
    }

    // Starts the conversion of the chosen deck with the page's options, saved first.
    void startConversion(const httplib::Request& req, httplib::Response& res) {
        settings::ConversionSettings values;
        try {
            values = optionsFrom(json::parse(req.body));
        } catch (const std::exception& e) {
            sendProblem(res, 400, std::string("Bad request: ") + e.what());
            return;
        }
        std::string warning;
        try {
            settings::writeSettings(options.settingsFile, values);
        } catch (const std::exception& e) {
            warning = e.what();
        }
        std::lock_guard lock(mutex);
        if (conversion != Conversion::Idle) {
            sendProblem(res, 409,
                        conversion == Conversion::Running
                            ? "A conversion is running"
                            : "This page has converted once; open it again to convert "
                              "another presentation");
            return;
        }
        if (deck.empty()) {
            sendProblem(res, 409, "Choose a presentation first");
            return;
        }
        conversion = Conversion::Running;
        conversionThread = std::thread(&State::convert, this, deck, sound, values);
        sendJson(res, json{{"started", true}, {"warning", warning}});
    }

    // A presentation or sound chosen by its path on this machine.
    void choosePath(const httplib::Request& req, httplib::Response& res, bool isDeck) {
        fs::path chosen;
        try {
            chosen = json::parse(req.body).at("path").get<std::string>();
        } catch (const std::exception&) {
            sendProblem(res, 400, "Bad request: a path is needed");
            return;
        }
        std::error_code error;
        if (chosen.empty() || !fs::is_regular_file(chosen, error)) {
            sendProblem(res, 404, "There is no file at " + chosen.string());
            return;
        }
        chosen = fs::absolute(chosen, error);
        const bool fits =
            isDeck ? !engine::swfPathFor(chosen.string()).empty() : isSoundName(chosen);
        if (!fits) {
            sendProblem(res, 415,
                        isDeck ? "Choose a presentation (.pptx, .pptm or .ppsx)"
                               : "Choose a sound (.mp3 or .wav)");
            return;
        }
        {
            std::lock_guard lock(mutex);
            (isDeck ? deck : sound) = chosen;
        }
        sendJson(res, stateJson());
    }

    void receiveUpload(const httplib::Request& req, httplib::Response& res, bool isDeck) {
        const std::string name = safeFileName(req.get_param_value("name"));
        const bool fits = isDeck ? !engine::swfPathFor(name).empty() : isSoundName(name);
        if (name.empty() || !fits) {
            sendProblem(res, 415,
                        isDeck ? "Choose a presentation (.pptx, .pptm or .ppsx)"
                               : "Choose a sound (.mp3 or .wav)");
            return;
        }
        fs::path file;
        {
            std::lock_guard lock(mutex);
            if (uploadFolder.empty()) {
                std::string pattern = (fs::temp_directory_path() / "quillet-ui-XXXXXX").string();
                if (::mkdtemp(pattern.data()) == nullptr) {
                    sendProblem(res, 500, "Cannot make a folder for the upload");
                    return;
                }
                uploadFolder = pattern;
            }
            // Each upload in a folder of its own, so a later one never overwrites an earlier
            // movie.
            file = uploadFolder / std::to_string(++uploads) / name;
        }
        std::error_code error;
        fs::create_directories(file.parent_path(), error);
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(req.body.data(), static_cast<std::streamsize>(req.body.size()));
        out.close();
        if (error || !out) {
            sendProblem(res, 500, "Cannot keep the uploaded file");
            return;
        }
        {
            std::lock_guard lock(mutex);
            (isDeck ? deck : sound) = file;
        }
        sendJson(res, stateJson());
    }

    // The conversion's reports as server-sent events. Each open stream also tells that a page
    // is still open.
    void streamEvents(httplib::Response& res) {
        {
            std::lock_guard lock(mutex);
            if (eventStreams >= kMaxEventStreams) {
                sendText(res, 503, "Too many open pages");
                return;
            }
            ++eventStreams;
            everConnected = true;
        }
        auto cursor = std::make_shared<std::size_t>(0);
        res.set_chunked_content_provider(
            "text/event-stream",
            [this, cursor](std::size_t, httplib::DataSink& sink) {
                std::unique_lock lock(mutex);
                changed.wait_for(lock, std::chrono::seconds(1),
                                 [&] { return stopping || *cursor < events.size(); });
                if (stopping) return false;
                std::string frames;
                while (*cursor < events.size()) frames += events[(*cursor)++];
                lock.unlock();
                // A comment when there is nothing new: writing is how a closed page is noticed.
                if (frames.empty()) frames = ": still here\n\n";
                return sink.write(frames.data(), frames.size());
            },
            [this](bool) {
                std::lock_guard lock(mutex);
                --eventStreams;
                lastStreamClosed = std::chrono::steady_clock::now();
                changed.notify_all();
            });
    }

    void route() {
        const std::string p = prefix();
        server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
            return screen(req, res);
        });
        server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
            if (res.body.empty()) {
                sendText(res, res.status,
                         res.status == 413 ? "Request too large"
                                           : "Error " + std::to_string(res.status));
            }
        });
        server.set_payload_max_length(static_cast<std::size_t>(options.uploadLimit));

        server.Get(p, [this](const httplib::Request&, httplib::Response& res) {
            res.set_redirect(prefix() + "/" + options.firstPage);
        });
        server.Get(p + "/(convert|viewer|feedback)",
                   [this](const httplib::Request& req, httplib::Response& res) {
                       res.set_header("Content-Security-Policy",
                                      "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; "
                                      "style-src 'self' 'unsafe-inline'; img-src 'self' data: "
                                      "blob:; media-src 'self' blob:; frame-ancestors 'none'");
                       res.set_header("X-Frame-Options", "DENY");
                       sendFile(res, pagesDir / (req.matches[1].str() + ".html"));
                   });
        server.Get(p + "/assets/([^/]+)",
                   [this](const httplib::Request& req, httplib::Response& res) {
                       const auto file = fileInside(pagesDir, req.matches[1].str());
                       if (!file) return sendText(res, 404, "Not found");
                       sendFile(res, *file);
                   });
        server.Get(p + "/player/([^/]+)",
                   [this](const httplib::Request& req, httplib::Response& res) {
                       const auto file = fileInside(playerDir, req.matches[1].str());
                       if (!file) return sendText(res, 404, "Not found");
                       sendFile(res, *file);
                   });
        server.Get(p + "/movie.swf", [this](const httplib::Request&, httplib::Response& res) {
            fs::path current;
            {
                std::lock_guard lock(mutex);
                current = movie;
            }
            std::error_code error;
            if (current.empty() || !fs::is_regular_file(current, error)) {
                return sendText(res, 404, "Can't find swf file");
            }
            sendFile(res, current);
        });
        server.Get(p + "/state", [this](const httplib::Request&, httplib::Response& res) {
            sendJson(res, stateJson());
        });
        server.Get(p + "/events",
                   [this](const httplib::Request&, httplib::Response& res) { streamEvents(res); });
        server.Post(p + "/settings", [this](const httplib::Request& req, httplib::Response& res) {
            try {
                settings::writeSettings(options.settingsFile, optionsFrom(json::parse(req.body)));
            } catch (const std::runtime_error& e) {
                return sendProblem(res, 500, e.what());
            } catch (const std::exception& e) {
                return sendProblem(res, 400, std::string("Bad request: ") + e.what());
            }
            sendJson(res, json{{"saved", true}});
        });
        server.Post(p + "/convert", [this](const httplib::Request& req, httplib::Response& res) {
            startConversion(req, res);
        });
        server.Post(p + "/deck", [this](const httplib::Request& req, httplib::Response& res) {
            choosePath(req, res, true);
        });
        server.Post(p + "/sound", [this](const httplib::Request& req, httplib::Response& res) {
            choosePath(req, res, false);
        });
        server.Post(p + "/upload/(deck|sound)",
                    [this](const httplib::Request& req, httplib::Response& res) {
                        receiveUpload(req, res, req.matches[1].str() == "deck");
                    });
        server.Post(p + "/open-folder", [this](const httplib::Request&, httplib::Response& res) {
            fs::path folder;
            {
                std::lock_guard lock(mutex);
                folder = movie.parent_path();
            }
            if (movie.empty()) return sendProblem(res, 404, "Can't find swf file");
            const bool opened = openWithDesktop(folder.string());
            sendJson(res,
                     json{{"opened", opened},
                          {"message",
                           opened ? "" : "Cannot open " + folder.string() + " (xdg-open failed)"}});
        });
        server.Post(p + "/mail", [this](const httplib::Request&, httplib::Response& res) {
            fs::path attached;
            {
                std::lock_guard lock(mutex);
                attached = movie;
            }
            std::error_code error;
            if (!attached.empty() && !fs::is_regular_file(attached, error)) attached.clear();
            const FeedbackMail mail =
                sendFeedbackMail(attached, settings::readFeedbackAddress(options.settingsFile));
            sendJson(res, json{{"sent", mail.handedToMailProgram},
                               {"eml", mail.emlFile.string()},
                               {"message", mail.problem}});
        });
        server.Post(p + "/close", [this](const httplib::Request&, httplib::Response& res) {
            {
                std::lock_guard lock(mutex);
                closeRequested = true;
                changed.notify_all();
            }
            sendJson(res, json{{"closing", true}});
        });
    }

    // Ends the server on a signal, a page's request, or when every page is gone.
    void watch() {
        sigset_t signals;
        sigemptyset(&signals);
        sigaddset(&signals, SIGINT);
        sigaddset(&signals, SIGTERM);
        sigaddset(&signals, SIGHUP);
        const timespec tick{0, 200 * 1000 * 1000};
        for (;;) {
            if (::sigtimedwait(&signals, nullptr, &tick) > 0) break;
            std::lock_guard lock(mutex);
            if (stopping) return;
            if (closeRequested) break;
            const bool pagesGone =
                everConnected && eventStreams == 0 &&
                std::chrono::steady_clock::now() - lastStreamClosed > options.closeGrace;
            if (pagesGone && conversion != Conversion::Running) break;
        }
        {
            std::lock_guard lock(mutex);
            stopping = true;
            changed.notify_all();
        }
        server.stop();
    }
};

PageServer::PageServer(PageServerOptions options)
    : state_(std::make_unique<State>(std::move(options))) {
    state_->deck = state_->options.deck;
    state_->movie = state_->options.movie;
}

PageServer::~PageServer() = default;

std::string PageServer::start() {
    State& s = *state_;
    s.pagesDir = pagesDirectory();
    s.playerDir = playerDirectory();
    // Signals go to the watcher alone: block them here, before the server's threads exist.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    s.server.new_task_queue = [] { return new httplib::ThreadPool(16); };
    s.server.set_keep_alive_timeout(2);
    s.server.set_read_timeout(10);
    s.port = s.server.bind_to_any_port("127.0.0.1");
    if (s.port <= 0) throw std::runtime_error("cannot listen on 127.0.0.1");
    s.route();
    return "http://127.0.0.1:" + std::to_string(s.port) + s.prefix() + "/" + s.options.firstPage;
}

bool PageServer::run() {
    State& s = *state_;
    std::thread watcher(&State::watch, &s);
    s.server.listen_after_bind();
    {
        std::lock_guard lock(s.mutex);
        s.stopping = true;
        s.changed.notify_all();
    }
    watcher.join();
    std::lock_guard lock(s.mutex);
    return s.conversion == Conversion::Running;
}

void PageServer::stop() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
        state_->changed.notify_all();
    }
    state_->server.stop();
}

}  // namespace quillet::app
