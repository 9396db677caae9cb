// `quillet convert DECK.pptx... [-o OUT.swf] [--sound FILE] [--slide-delay S] [--shape-delay S]
// [--toolbar|--no-toolbar] [--no-effects] [--charset ansi|default] [--seed N] [--quiet] [--html]
// [-j N]`: converts each deck into one movie beside it (and with --html a page that plays it).
// Options override the saved settings for this run only. One deck shows two progress bars on a
// terminal (overall, and the phase with its title and detail) and plain lines otherwise; several
// decks convert in parallel worker processes, one result line each.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/commands.h"
#include "app/html_export.h"
#include "engine/engine.h"
#include "engine/working_folder.h"
#include "host/pptx/pptx_host.h"
#include "media/media_status.h"
#include "media/sound_loader.h"
#include "settings/settings.h"

namespace quillet::app {

namespace {

struct ConvertArguments {
    std::vector<std::string> decks;
    std::string output;
    std::string sound;
    std::optional<float> slideDelay;
    std::optional<float> shapeDelay;
    bool toolbar = false;
    bool noToolbar = false;
    bool noEffects = false;
    std::string charset;
    std::optional<std::uint32_t> seed;
    bool quiet = false;
    bool html = false;
    int jobs = 1;
};

// Two bars redrawn in place: the whole conversion, and the open phase with its title and detail.
class TerminalProgress : public engine::ProgressSink {
  public:
    explicit TerminalProgress(std::FILE* out) : out_(out) {}
    ~TerminalProgress() override {
        if (drawn_) std::fputc('\n', out_);
    }
    void reportProgress(std::string text, int phaseStep, int overallStep) override {
        if (phaseStep == 0) {
            overall_ = std::clamp(overall_ + overallStep, 0, 100);
            phase_ = 0;
            title_ = std::move(text);
            detail_.clear();
        } else {
            phase_ = std::clamp(phase_ + phaseStep, 0, 100);
            if (!text.empty()) detail_ = std::move(text);
        }
        draw();
    }

  private:
    static std::string bar(int percent) {
        constexpr int width = 30;
        const int filled = percent * width / 100;
        return "[" + std::string(static_cast<std::size_t>(filled), '#') +
               std::string(static_cast<std::size_t>(width - filled), '-') + "]";
    }
    void draw() {
        if (drawn_) std::fputs("\033[1A\r", out_);
        std::fprintf(out_, "\r\033[K%s %3d%%  overall\n", bar(overall_).c_str(), overall_);
        std::fprintf(out_, "\r\033[K%s %3d%%  %s%s%s", bar(phase_).c_str(), phase_, title_.c_str(),
                     detail_.empty() ? "" : ": ", detail_.c_str());
        std::fflush(out_);
        drawn_ = true;
    }

    std::FILE* out_;
    bool drawn_ = false;
    int overall_ = 0;
    int phase_ = 0;
    std::string title_;
    std::string detail_;
};

// One line per report: a phase title, or an indented step detail.
class LineProgress : public engine::ProgressSink {
  public:
    explicit LineProgress(std::FILE* out) : out_(out) {}
    void reportProgress(std::string text, int phaseStep, int) override {
        if (phaseStep == 0) {
            std::fprintf(out_, "%s\n", text.c_str());
        } else if (!text.empty()) {
            std::fprintf(out_, "  %s\n", text.c_str());
        }
        std::fflush(out_);
    }

  private:
    std::FILE* out_;
};

settings::SettingsOverrides overridesOf(const ConvertArguments& a) {
    settings::SettingsOverrides o;
    if (a.toolbar) o.showToolbar = true;
    if (a.noToolbar) o.showToolbar = false;
    if (a.noEffects) o.effects = false;
    if (!a.charset.empty()) o.charsetIsAnsi = a.charset == "ansi";
    o.slideShowDelay = a.slideDelay;
    o.shapeAutoDelay = a.shapeDelay;
    return o;
}

struct DeckResult {
    DeckResult() = default;
    DeckResult(bool ok, std::string text, std::vector<std::string> leftOut = {})
        : ok(ok), text(std::move(text)), leftOut(std::move(leftOut)) {}

    bool ok = false;
    std::string text;                  // the movie's path, or why the deck failed
    std::vector<std::string> leftOut;  // what of the deck the movie lacks, one line each
};

DeckResult convertOne(const std::string& deck, const ConvertArguments& a,
                      engine::ProgressSink& progress) {
    std::shared_ptr<host::Application> application;
    try {
        application = pptx::openApplication(deck);
    } catch (const std::exception& e) {
        return {false, e.what()};
    }
    std::vector<std::string> leftOut;
    if (const auto presentation = application->activePresentation()) {
        if (const auto model = pptx::modelOf(*presentation)) leftOut = model->warnings;
    }
    engine::ConversionOptions options;
    options.soundPath = a.sound;
    options.seed = a.seed;
    options.outputPath = a.output;
    const settings::SettingsSource source(settings::defaultSettingsFile(), overridesOf(a));
    const engine::ConversionResult result =
        engine::convertPresentation(application, progress, source, options);
    if (result.status != 0) {
        return {false, result.message.empty() ? "the conversion failed" : result.message};
    }
    if (a.html) {
        try {
            return {true, result.swfPath + " (page: " + exportHtml(result.swfPath).string() + ")",
                    leftOut};
        } catch (const std::exception& e) {
            return {false,
                    "the movie " + result.swfPath + " was written, its page not: " + e.what(),
                    leftOut};
        }
    }
    return {true, result.swfPath, leftOut};
}

// The result line: the movie on standard output, a failure on standard error; before it, a
// warning for each part of the deck the movie lacks.
void printResult(const std::string& deck, const DeckResult& r) {
    std::fflush(stdout);
    for (const std::string& item : r.leftOut)
        std::fprintf(stderr, "quillet convert: %s: warning: %s\n", deck.c_str(), item.c_str());
    if (r.ok) {
        std::printf("%s -> %s\n", deck.c_str(), r.text.c_str());
    } else {
        std::fprintf(stderr, "%s: failed: %s\n", deck.c_str(), r.text.c_str());
    }
    std::fflush(stdout);
    std::fflush(stderr);
}

// 0 every movie is whole; 1 a deck failed; LeftOutStatus every movie was written, but something
// of a deck could not be converted (each item was named in a warning).
int exitStatus(int failures, int leftOut) {
    return failures > 0 ? 1 : leftOut > 0 ? LeftOutStatus : 0;
}

// Reads everything a worker wrote to its pipe.
std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    return text;
}

// The workers running, for a signal to reach them; 0 marks a free entry.
constexpr int kMaxWorkers = 64;
volatile pid_t workerPids[kMaxWorkers] = {};

// A SIGINT or SIGTERM to the command reaches its workers too, so each cleans up its own files.
extern "C" void forwardToWorkers(int signal) {
    for (const volatile pid_t& pid : workerPids) {
        if (pid > 0) ::kill(pid, signal);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void noteWorker(pid_t pid, pid_t replacing) {
    for (volatile pid_t& entry : workerPids) {
        if (entry == replacing) {
            entry = pid;
            return;
        }
    }
}

// Converts the decks in up to `jobs` worker processes; prints one line per deck as each ends.
int convertInWorkers(const ConvertArguments& a) {
    struct Worker {
        std::size_t deck;
        int fd;
    };
    std::map<pid_t, Worker> running;
    std::size_t next = 0;
    int failures = 0;
    int leftOut = 0;
    std::fflush(stdout);
    std::fflush(stderr);
    struct sigaction forward {};
    forward.sa_handler = forwardToWorkers;
    sigemptyset(&forward.sa_mask);
    for (const int signal : {SIGINT, SIGTERM}) ::sigaction(signal, &forward, nullptr);
    while (next < a.decks.size() || !running.empty()) {
        while (next < a.decks.size() && static_cast<int>(running.size()) < a.jobs) {
            int fds[2];
            if (::pipe(fds) != 0) {
                printResult(a.decks[next],
                            {false, std::string("cannot start a worker: ") + std::strerror(errno)});
                ++failures;
                ++next;
                continue;
            }
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::close(fds[0]);
                engine::installInterruptCleanup();
                engine::SilentProgress silent;
                const DeckResult r = convertOne(a.decks[next], a, silent);
                // The flag, the text, then each item left out, separated by zero bytes.
                std::string message = (r.ok ? "1" : "0") + r.text;
                for (const std::string& item : r.leftOut) message += '\0' + item;
                std::size_t at = 0;
                while (at < message.size()) {
                    const ssize_t n = ::write(fds[1], message.data() + at, message.size() - at);
                    if (n <= 0) break;
                    at += static_cast<std::size_t>(n);
                }
                ::_exit(r.ok ? 0 : 1);
            }
            ::close(fds[1]);
            if (pid < 0) {
                ::close(fds[0]);
                printResult(a.decks[next],
                            {false, std::string("cannot start a worker: ") + std::strerror(errno)});
                ++failures;
            } else {
                running[pid] = {next, fds[0]};
                noteWorker(pid, 0);
            }
            ++next;
        }
        if (running.empty()) break;
        int status = 0;
        const pid_t pid = ::waitpid(-1, &status, 0);
        if (pid < 0) {
            if (errno == EINTR) continue;
            break;
        }
        auto it = running.find(pid);
        if (it == running.end()) continue;
        noteWorker(0, pid);
        // A worker killed outright leaves its private folder behind: clear it now.
        if (WIFSIGNALED(status)) engine::clearStaleWorkingFolders(engine::workingFolderParent());
        const std::string message = readAll(it->second.fd);
        ::close(it->second.fd);
        DeckResult r;
        if (message.empty()) {
            r = {false, WIFSIGNALED(status)
                            ? "the worker ended on signal " + std::to_string(WTERMSIG(status))
                            : "the worker ended without a result"};
        } else {
            r.ok = message[0] == '1' && WIFEXITED(status) && WEXITSTATUS(status) == 0;
            std::size_t at = 1;
            std::size_t zero = message.find('\0', at);
            r.text = message.substr(at, zero == std::string::npos ? std::string::npos : zero - at);
            while (zero != std::string::npos) {
                at = zero + 1;
                zero = message.find('\0', at);
                r.leftOut.push_back(
                    message.substr(at, zero == std::string::npos ? std::string::npos : zero - at));
            }
        }
        if (!r.ok) ++failures;
        if (r.ok && !r.leftOut.empty()) ++leftOut;
        printResult(a.decks[it->second.deck], r);
        running.erase(it);
    }
    return exitStatus(failures, leftOut);
}

int runConvert(const ConvertArguments& a) {
    if (a.toolbar && a.noToolbar) {
        std::fprintf(stderr, "quillet convert: --toolbar and --no-toolbar exclude each other\n");
        return 1;
    }
    if (!a.output.empty() && a.decks.size() > 1) {
        std::fprintf(stderr, "quillet convert: -o names one movie; give one deck with it\n");
        return 1;
    }
    for (const auto& [name, value, range] :
         {std::tuple{"--slide-delay", a.slideDelay, settings::kSlideShowDelayRange},
          std::tuple{"--shape-delay", a.shapeDelay, settings::kShapeAutoDelayRange}}) {
        if (value && !std::isfinite(*value)) {
            std::fprintf(stderr, "quillet convert: %s needs a number of seconds\n", name);
            return 1;
        }
        const std::string outside =
            value ? settings::delayOutOfRange(name, *value, range) : std::string();
        if (!outside.empty()) {
            std::fprintf(stderr, "quillet convert: %s\n", outside.c_str());
            return 1;
        }
    }
    for (const std::string& warning :
         settings::readSettingsChecked(settings::defaultSettingsFile()).warnings)
        std::fprintf(stderr, "quillet convert: warning: %s\n", warning.c_str());
    if (!a.sound.empty()) {
        // A sound that cannot be used is an error, as a missing one is: the movie would lack it.
        auto loader = media::createSoundLoader();
        loader->setDiagnostics(nullptr);
        if (!std::filesystem::exists(a.sound)) {
            std::fprintf(stderr, "quillet convert: the sound file %s does not exist\n",
                         a.sound.c_str());
            return 1;
        }
        if (loader->decodeFile(a.sound) != media::Success) {
            std::fprintf(stderr,
                         "quillet convert: %s is no MP3 or WAV sound a movie can play (%s)\n",
                         a.sound.c_str(), loader->getProblem().c_str());
            return 1;
        }
    }

    if (a.decks.size() > 1) return convertInWorkers(a);

    const std::string& deck = a.decks.front();
    engine::installInterruptCleanup();
    DeckResult r;
    if (a.quiet) {
        engine::SilentProgress silent;
        r = convertOne(deck, a, silent);
    } else if (::isatty(STDERR_FILENO)) {
        TerminalProgress bars(stderr);
        r = convertOne(deck, a, bars);
    } else {
        LineProgress lines(stderr);
        r = convertOne(deck, a, lines);
    }
    printResult(deck, r);
    return exitStatus(r.ok ? 0 : 1, r.ok && !r.leftOut.empty() ? 1 : 0);
}

}  // namespace

void addConvertCommand(CLI::App& app, int& exitCode) {
    auto a = std::make_shared<ConvertArguments>();
    CLI::App* command = app.add_subcommand(
        "convert", "Convert presentations (.pptx) into SWF movies, each written beside its deck");
    command->add_option("DECK", a->decks, "The presentations to convert")->required();
    command->add_option("-o,--output", a->output, "Where to write the movie (one deck only)");
    command->add_option("--sound", a->sound, "A background sound, MP3 or WAV");
    command->add_option("--slide-delay", a->slideDelay,
                        "Seconds a slide is held (0 to 20; saved setting otherwise)");
    command->add_option("--shape-delay", a->shapeDelay,
                        "Seconds before an animated shape enters (0 to 10)");
    command->add_flag("--toolbar", a->toolbar, "Show the progress bar and page counter");
    command->add_flag("--no-toolbar", a->noToolbar, "Leave the progress bar and page counter out");
    command->add_flag("--no-effects", a->noEffects,
                      "Leave slide transitions and entry effects out: static slides");
    command->add_option("--charset", a->charset, "Character set of the text fonts")
        ->check(CLI::IsMember({"ansi", "default"}));
    command->add_option("--seed", a->seed, "Seed of the random effect choices (reproducible)");
    command->add_flag("-q,--quiet", a->quiet, "Print only the result line");
    command->add_flag("--html", a->html,
                      "Also write MOVIE.html beside the movie, with the player in MOVIE_player/");
    command->add_option("-j,--jobs", a->jobs, "Decks converted at once, in worker processes")
        ->check(CLI::Range(1, 64));
    command->callback([a, &exitCode] { exitCode = runConvert(*a); });
}

}  // namespace quillet::app
