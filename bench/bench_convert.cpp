// Whole-deck conversion figures: every deck of a folder (default: the corpus decks) converted by
// the real `quillet convert` in a child process, best of N runs, against the office suite's
// pptx -> pdf conversion of the same decks in the same run when `soffice` or `libreoffice` is on
// PATH, twice: one office process per conversion (`--convert-to pdf`), and warm, every deck
// exported inside one running instance through its UNO bridge (bench/office_warm.py, which needs
// python3-uno; without it the warm columns say why they are empty). Prints one table row per deck
// with totals and medians; decks the converter refuses are listed below the table.
//
//   bench_convert [--quillet PATH] [--office PATH | --no-office] [--no-warm] [--python PATH]
//                 [--runs N] [--timeout S] [DECK.pptx | FOLDER]...
//
// What is measured, per run, for one child process and everything it starts:
//   wall    from just before the child is spawned until it has been waited for;
//   cpu     user + system time of the child and of every descendant it waited for, from the
//           rusage that wait4 returns (the kernel folds waited-for descendants into it);
//   peak    the larger of (a) ru_maxrss from that rusage, which is the largest resident set of
//           any single process of the waited tree (the office suite's launcher is a script that
//           execs a splash program, which starts the real office process and waits for it, so
//           this is the office process itself), and (b) the largest sum of resident sets over
//           the whole process tree, sampled from /proc every 50 ms (reading /proc is not free: a
//           shorter period takes noticeable processor time from the measured programs), which also
//           catches processes running side by side. The bench is a child subreaper, so a descendant
//           that detaches from its parent stays in the tree; leftovers are reaped (killed after a
//           grace period) and counted before the run ends.
// Warm: wall is the time the instance takes from the load request to the PDF written, as
// office_warm.py measures it; peak is the largest resident set of the instance's process tree
// while it converts the deck (the instance keeps what it loaded before). The warm runs follow
// all the others, with one untimed warm-up deck.
// Each figure is the best (smallest) of the N runs. quillet runs with an empty settings folder so
// that saved options do not change the figures, and keeps its font-matching answers in the
// temporary folder (so the best run is one with them). The office suite gets a fresh user profile
// in a temporary folder and one untimed warm-up conversion before the timed runs.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// ---- child processes ----

// The process group of the child being measured, and whether the bench was asked to stop: an
// interrupt stops the child's group at once and the bench after that run, so that no converter is
// left running and the temporary folder is removed.
volatile sig_atomic_t runningGroup = 0;
volatile sig_atomic_t stopRequested = 0;

extern "C" void onStopSignal(int) {
    stopRequested = 1;
    if (runningGroup > 0) ::kill(-static_cast<pid_t>(runningGroup), SIGKILL);
}

struct RunFigures {
    double wallMs = 0;
    double cpuMs = 0;
    double peakMiB = 0;
};

struct RunResult {
    bool ok = false;  // exited with status 0 (or 3, movie written, something left out) in time
    std::string why;  // when not ok
    RunFigures figures;
};

double cpuMsOf(const rusage& ru) {
    return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1e3 +
           (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e3;
}

// Resident set of one process in bytes (0 when it is gone).
long long residentBytes(const std::string& pid) {
    std::ifstream statm("/proc/" + pid + "/statm");
    long long size = 0, resident = 0;
    if (!(statm >> size >> resident)) return 0;
    return resident * sysconf(_SC_PAGESIZE);
}

// Sum of the resident sets of root and all its descendants, found by parent links in /proc.
long long treeResidentBytes(pid_t root) {
    std::multimap<pid_t, pid_t> children;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat("/proc/" + name + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        // The command name is in parentheses and may hold anything; the parent follows the state.
        const auto close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 1));
        char state = 0;
        pid_t parent = 0;
        if (rest >> state >> parent) children.emplace(parent, std::stoi(name));
    }
    long long sum = 0;
    std::vector<pid_t> open{root};
    std::vector<pid_t> seen;
    while (!open.empty()) {
        const pid_t pid = open.back();
        open.pop_back();
        if (std::find(seen.begin(), seen.end(), pid) != seen.end()) continue;
        seen.push_back(pid);
        sum += residentBytes(std::to_string(pid));
        auto [from, to] = children.equal_range(pid);
        for (auto it = from; it != to; ++it) open.push_back(it->second);
    }
    return sum;
}

// Stops the processes this bench was handed as subreaper (and any child it started), by id.
void killOwnChildren() {
    const pid_t self = ::getpid();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat("/proc/" + name + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const auto close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 1));
        char state = 0;
        pid_t parent = 0;
        if (rest >> state >> parent && parent == self) ::kill(std::stoi(name), SIGKILL);
    }
}

struct Command {
    std::vector<std::string> argv;
    std::vector<std::string> extraEnv;  // NAME=VALUE, added to this process's environment
    std::string outputFile;             // the child's stdout and stderr
};

// Runs one command to its end (or kills it after timeoutS) and measures it as described above.
RunResult runMeasured(const Command& command, double timeoutS) {
    std::vector<std::string> envStrings;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const bool replaced =
            std::any_of(command.extraEnv.begin(), command.extraEnv.end(), [&](const auto& x) {
                return entry.compare(0, x.find('=') + 1, x, 0, x.find('=') + 1) == 0;
            });
        if (!replaced) envStrings.push_back(entry);
    }
    envStrings.insert(envStrings.end(), command.extraEnv.begin(), command.extraEnv.end());
    std::vector<char*> envp;
    for (auto& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = command.argv;
    std::vector<char*> argv;
    for (auto& s : args) argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, command.outputFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own group, so that a timeout can stop all of it; default signal handling, whatever
    // this bench was started with.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF);
    posix_spawnattr_setpgroup(&attributes, 0);
    sigset_t all;
    sigfillset(&all);
    posix_spawnattr_setsigdefault(&attributes, &all);

    RunResult result;
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        result.why = std::string("cannot start ") + argv[0] + ": " + std::strerror(spawned);
        return result;
    }
    runningGroup = pid;
    if (stopRequested) ::kill(-pid, SIGKILL);

    std::atomic<bool> done{false};
    std::atomic<bool> timedOut{false};
    std::atomic<long long> sampledPeak{0};
    std::thread sampler([&] {
        while (!done.load()) {
            sampledPeak = std::max(sampledPeak.load(), treeResidentBytes(pid));
            if (Clock::now() - start > std::chrono::duration<double>(timeoutS) && !timedOut) {
                timedOut = true;
                ::kill(-pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    int status = 0;
    rusage usage{};
    pid_t waited = -1;
    do {
        waited = ::wait4(pid, &status, 0, &usage);
    } while (waited < 0 && errno == EINTR);
    const auto end = Clock::now();
    runningGroup = 0;
    done = true;
    sampler.join();

    // Descendants that outlived the child were handed to us (subreaper): give them a moment,
    // then stop them, and count what they used.
    const auto grace = Clock::now() + std::chrono::seconds(10);
    for (;;) {
        rusage more{};
        int moreStatus = 0;
        const pid_t other = ::wait4(-1, &moreStatus, WNOHANG, &more);
        if (other > 0) {
            usage.ru_utime.tv_sec += more.ru_utime.tv_sec;
            usage.ru_utime.tv_usec += more.ru_utime.tv_usec;
            usage.ru_stime.tv_sec += more.ru_stime.tv_sec;
            usage.ru_stime.tv_usec += more.ru_stime.tv_usec;
            usage.ru_maxrss = std::max(usage.ru_maxrss, more.ru_maxrss);
            continue;
        }
        if (other < 0) break;  // no children left
        if (Clock::now() > grace) killOwnChildren();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    result.figures.wallMs = std::chrono::duration<double, std::milli>(end - start).count();
    result.figures.cpuMs = cpuMsOf(usage);
    result.figures.peakMiB = std::max(static_cast<double>(usage.ru_maxrss) / 1024.0,
                                      static_cast<double>(sampledPeak.load()) / (1024.0 * 1024.0));
    if (waited < 0) {
        result.why = std::string("wait failed: ") + std::strerror(errno);
    } else if (stopRequested) {
        result.why = "interrupted";
    } else if (timedOut) {
        result.why = "no result after " + std::to_string(static_cast<int>(timeoutS)) + " s";
    } else if (WIFSIGNALED(status)) {
        result.why = "ended on signal " + std::to_string(WTERMSIG(status));
    } else if (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 3) {
        // 3: quillet wrote the movie but left something of the deck out (each item named).
        result.why = "exit status " + std::to_string(WEXITSTATUS(status));
    } else {
        result.ok = true;
    }
    return result;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The last non-empty line of a child's output, for a refusal's reason.
std::string lastLine(const std::string& text) {
    std::istringstream lines(text);
    std::string line, last;
    while (std::getline(lines, line)) {
        if (line.find_first_not_of(" \t\r") != std::string::npos) last = line;
    }
    return last;
}

// The number of elements of the array under `key` of the top-level object of a JSON text, or
// nothing when there is none. Strings (with escapes) are skipped; nothing else is validated.
std::optional<int> topLevelArrayLength(const std::string& json, const std::string& key) {
    int depth = 0;
    std::string lastString;
    bool keyMatched = false;  // the last top-level string was `key` and a ':' followed it
    int arrayDepth = -1;      // the depth inside the wanted array once found
    int elements = 0;
    bool sawElement = false;
    for (std::size_t i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (c == '"') {
            std::string text;
            for (++i; i < json.size() && json[i] != '"'; ++i) {
                if (json[i] == '\\')
                    ++i;
                else
                    text += json[i];
            }
            if (arrayDepth >= 0 && depth == arrayDepth) sawElement = true;
            lastString = text;
            continue;
        }
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
        if (arrayDepth >= 0 && depth == arrayDepth && c != ']' && c != ',') sawElement = true;
        if (c == ':' && depth == 1) {
            keyMatched = lastString == key;
            continue;
        }
        if (c == '{' || c == '[') {
            ++depth;
            if (c == '[' && keyMatched && depth == 2 && arrayDepth < 0) arrayDepth = depth;
            keyMatched = false;
        } else if (c == '}' || c == ']') {
            if (arrayDepth >= 0 && depth == arrayDepth) return sawElement ? elements + 1 : 0;
            --depth;
        } else if (c == ',') {
            if (arrayDepth >= 0 && depth == arrayDepth) ++elements;
            if (depth == 1) keyMatched = false;
        }
    }
    return std::nullopt;
}

// ---- table ----

struct DeckFigures {
    std::string name;
    std::optional<int> slides;
    RunFigures ours;
    double movieKiB = 0;
    std::optional<RunFigures> office;
    std::string officeWhy;           // when the office suite could not convert the deck
    std::optional<RunFigures> warm;  // inside one running instance (no cpu figure)
    std::string warmWhy;
    std::optional<double> pdfKiB;
};

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void printTable(const std::vector<DeckFigures>& decks, bool withOffice, bool withWarm) {
    const std::vector<std::string> header = {
        "deck",      "slides",  "quillet ms", "cpu ms",      "ms/slide",  "peak MiB",
        "movie KiB", "LO ms",   "LO cpu ms",  "LO peak MiB", "time q/LO", "cpu q/LO",
        "mem q/LO",  "warm ms", "warm MiB",   "time q/warm", "PDF KiB",   "size q/PDF"};
    std::vector<std::vector<std::string>> rows;
    std::map<std::string, std::vector<double>> columns;
    auto keep = [&](const std::string& column, double value) { columns[column].push_back(value); };
    double slidesTotal = 0, oursMs = 0, oursCpu = 0, movie = 0, officeMs = 0, officeCpu = 0;
    double oursMsWithOffice = 0, oursCpuWithOffice = 0, oursPeakMax = 0, officePeakMax = 0;
    double warmMs = 0, oursMsWithWarm = 0, warmPeakMax = 0, pdf = 0, movieWithPdf = 0;
    for (const auto& d : decks) {
        std::vector<std::string> row = {d.name};
        row.push_back(d.slides ? std::to_string(*d.slides) : "?");
        row.push_back(fixed(d.ours.wallMs, 0));
        row.push_back(fixed(d.ours.cpuMs, 0));
        if (d.slides && *d.slides > 0) {
            const double perSlide = d.ours.wallMs / *d.slides;
            row.push_back(fixed(perSlide, 1));
            keep("ms/slide", perSlide);
        } else {
            row.push_back("-");
        }
        row.push_back(fixed(d.ours.peakMiB, 1));
        row.push_back(fixed(d.movieKiB, 1));
        keep("quillet ms", d.ours.wallMs);
        keep("cpu ms", d.ours.cpuMs);
        keep("peak MiB", d.ours.peakMiB);
        keep("movie KiB", d.movieKiB);
        if (d.slides) {
            keep("slides", *d.slides);
            slidesTotal += *d.slides;
        }
        oursMs += d.ours.wallMs;
        oursCpu += d.ours.cpuMs;
        movie += d.movieKiB;
        oursPeakMax = std::max(oursPeakMax, d.ours.peakMiB);
        if (d.office) {
            const RunFigures& o = *d.office;
            row.push_back(fixed(o.wallMs, 0));
            row.push_back(fixed(o.cpuMs, 0));
            row.push_back(fixed(o.peakMiB, 1));
            row.push_back(fixed(d.ours.wallMs / o.wallMs, 3));
            row.push_back(fixed(d.ours.cpuMs / o.cpuMs, 3));
            row.push_back(fixed(d.ours.peakMiB / o.peakMiB, 3));
            keep("LO ms", o.wallMs);
            keep("LO cpu ms", o.cpuMs);
            keep("LO peak MiB", o.peakMiB);
            keep("time q/LO", d.ours.wallMs / o.wallMs);
            keep("cpu q/LO", d.ours.cpuMs / o.cpuMs);
            keep("mem q/LO", d.ours.peakMiB / o.peakMiB);
            officeMs += o.wallMs;
            officeCpu += o.cpuMs;
            oursMsWithOffice += d.ours.wallMs;
            oursCpuWithOffice += d.ours.cpuMs;
            officePeakMax = std::max(officePeakMax, o.peakMiB);
        } else {
            const std::string mark = withOffice ? "fail" : "-";
            for (int k = 0; k < 6; ++k) row.push_back(mark);
        }
        if (d.warm) {
            row.push_back(fixed(d.warm->wallMs, 0));
            row.push_back(fixed(d.warm->peakMiB, 1));
            row.push_back(fixed(d.ours.wallMs / d.warm->wallMs, 3));
            keep("warm ms", d.warm->wallMs);
            keep("warm MiB", d.warm->peakMiB);
            keep("time q/warm", d.ours.wallMs / d.warm->wallMs);
            warmMs += d.warm->wallMs;
            oursMsWithWarm += d.ours.wallMs;
            warmPeakMax = std::max(warmPeakMax, d.warm->peakMiB);
        } else {
            for (int k = 0; k < 3; ++k) row.push_back(withWarm ? "fail" : "-");
        }
        if (d.pdfKiB && *d.pdfKiB > 0) {
            row.push_back(fixed(*d.pdfKiB, 1));
            row.push_back(fixed(d.movieKiB / *d.pdfKiB, 3));
            keep("PDF KiB", *d.pdfKiB);
            keep("size q/PDF", d.movieKiB / *d.pdfKiB);
            pdf += *d.pdfKiB;
            movieWithPdf += d.movieKiB;
        } else {
            row.push_back("-");
            row.push_back("-");
        }
        rows.push_back(row);
    }
    // Totals: sums of times, slides and sizes, the largest peak, ratios of the summed times
    // (over the decks both converted) and of the largest peaks.
    std::vector<std::string> total = {"total (peak: max)",
                                      fixed(slidesTotal, 0),
                                      fixed(oursMs, 0),
                                      fixed(oursCpu, 0),
                                      slidesTotal > 0 ? fixed(oursMs / slidesTotal, 1) : "-",
                                      fixed(oursPeakMax, 1),
                                      fixed(movie, 1)};
    if (officeMs > 0) {
        total.push_back(fixed(officeMs, 0));
        total.push_back(fixed(officeCpu, 0));
        total.push_back(fixed(officePeakMax, 1));
        total.push_back(fixed(oursMsWithOffice / officeMs, 3));
        total.push_back(officeCpu > 0 ? fixed(oursCpuWithOffice / officeCpu, 3) : "-");
        total.push_back(fixed(oursPeakMax / officePeakMax, 3));
    } else {
        for (int k = 0; k < 6; ++k) total.push_back("-");
    }
    if (warmMs > 0) {
        total.push_back(fixed(warmMs, 0));
        total.push_back(fixed(warmPeakMax, 1));
        total.push_back(fixed(oursMsWithWarm / warmMs, 3));
    } else {
        for (int k = 0; k < 3; ++k) total.push_back("-");
    }
    total.push_back(pdf > 0 ? fixed(pdf, 1) : "-");
    total.push_back(pdf > 0 ? fixed(movieWithPdf / pdf, 3) : "-");
    std::vector<std::string> medians = {"median"};
    for (std::size_t c = 1; c < header.size(); ++c) {
        const auto it = columns.find(header[c]);
        if (it == columns.end()) {
            medians.push_back("-");
            continue;
        }
        const int decimals = header[c].find(" q/") != std::string::npos ? 3
                             : header[c] == "slides" || header[c].find(" ms") != std::string::npos
                                 ? 0
                                 : 1;
        medians.push_back(fixed(median(it->second), decimals));
    }

    std::vector<std::size_t> widths(header.size());
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    for (const auto& row : {header, total, medians})
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    auto print = [&](const std::vector<std::string>& row) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c == 0) {
                std::printf("%-*s", static_cast<int>(widths[c]), row[c].c_str());
            } else {
                std::printf("  %*s", static_cast<int>(widths[c]), row[c].c_str());
            }
        }
        std::printf("\n");
    };
    auto rule = [&] {
        std::size_t width = 0;
        for (auto w : widths) width += w + 2;
        std::printf("%s\n", std::string(width - 2, '-').c_str());
    };
    print(header);
    rule();
    for (const auto& row : rows) print(row);
    rule();
    print(total);
    print(medians);
}

// ---- options ----

struct Options {
    std::string quillet;
    std::string office;  // empty: none
    bool noOffice = false;
    bool noWarm = false;
    std::string python;  // runs office_warm.py; empty: none found
    int runs = 3;
    double timeoutS = 600;
    std::vector<std::string> inputs;
};

[[noreturn]] void usage(const char* problem) {
    if (problem) std::fprintf(stderr, "bench_convert: %s\n", problem);
    std::fprintf(stderr,
                 "usage: bench_convert [--quillet PATH] [--office PATH | --no-office] [--no-warm]\n"
                 "                     [--python PATH] [--runs N] [--timeout S]\n"
                 "                     [DECK.pptx | FOLDER]...\n");
    std::exit(2);
}

// The first of the names that is an executable file in a folder of PATH.
std::string findOnPath(const std::vector<std::string>& names) {
    const char* path = std::getenv("PATH");
    if (!path) return {};
    for (const auto& name : names) {
        std::istringstream folders(path);
        std::string folder;
        while (std::getline(folders, folder, ':')) {
            if (folder.empty()) continue;
            const fs::path candidate = fs::path(folder) / name;
            if (::access(candidate.c_str(), X_OK) == 0 && fs::is_regular_file(candidate))
                return candidate.string();
        }
    }
    return {};
}

// quillet beside this program: in the same folder, or in the build tree's app/ folder.
std::string findQuillet(const char* argv0) {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) self = fs::absolute(argv0);
    for (const fs::path& candidate :
         {self.parent_path() / "quillet", self.parent_path().parent_path() / "app" / "quillet"}) {
        if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return {};
}

Options parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage((arg + " needs a value").c_str());
            return argv[++i];
        };
        if (arg == "--quillet") {
            o.quillet = value();
        } else if (arg == "--office") {
            o.office = value();
        } else if (arg == "--no-office") {
            o.noOffice = true;
        } else if (arg == "--no-warm") {
            o.noWarm = true;
        } else if (arg == "--python") {
            o.python = value();
        } else if (arg == "--runs") {
            const std::string v = value();
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (*end != '\0' || n < 1 || n > 100) usage("--runs takes a count from 1 to 100");
            o.runs = static_cast<int>(n);
        } else if (arg == "--timeout") {
            const std::string v = value();
            char* end = nullptr;
            const double s = std::strtod(v.c_str(), &end);
            if (*end != '\0' || !(s > 0 && s <= 86400)) usage("--timeout takes seconds");
            o.timeoutS = s;
        } else if (arg == "-h" || arg == "--help") {
            usage(nullptr);
        } else if (!arg.empty() && arg[0] == '-') {
            usage(("unknown option " + arg).c_str());
        } else {
            o.inputs.push_back(arg);
        }
    }
    if (o.quillet.empty()) o.quillet = findQuillet(argv[0]);
    if (o.quillet.empty()) usage("no quillet beside the bench; name it with --quillet");
    if (o.noOffice)
        o.office.clear();
    else if (o.office.empty())
        o.office = findOnPath({"soffice", "libreoffice"});
    if (o.inputs.empty()) o.inputs.push_back(std::string(QUILLET_CORPUS) + "/pptx");
    // The system's own interpreter first: python3-uno installs the bridge for it only.
    if (o.python.empty())
        o.python =
            ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : findOnPath({"python3"});
    return o;
}

bool isDeck(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".pptx" || ext == ".pptm" || ext == ".ppsx";
}

std::vector<fs::path> decksOf(const std::vector<std::string>& inputs) {
    std::vector<fs::path> decks;
    for (const auto& input : inputs) {
        std::error_code ec;
        if (fs::is_directory(input, ec)) {
            std::vector<fs::path> found;
            for (const auto& entry : fs::directory_iterator(input, ec))
                if (entry.is_regular_file() && isDeck(entry.path())) found.push_back(entry.path());
            std::sort(found.begin(), found.end());
            decks.insert(decks.end(), found.begin(), found.end());
        } else if (fs::is_regular_file(input, ec)) {
            decks.emplace_back(input);
        } else {
            std::fprintf(stderr, "bench_convert: %s: no such deck or folder\n", input.c_str());
            std::exit(2);
        }
    }
    return decks;
}

void keepBest(RunFigures& best, const RunFigures& run, bool first) {
    if (first) {
        best = run;
        return;
    }
    best.wallMs = std::min(best.wallMs, run.wallMs);
    best.cpuMs = std::min(best.cpuMs, run.cpuMs);
    best.peakMiB = std::min(best.peakMiB, run.peakMiB);
}

// Removes the bench's temporary folder on every way out.
struct TemporaryFolder {
    fs::path path;
    ~TemporaryFolder() {
        std::error_code ec;
        if (!path.empty()) fs::remove_all(path, ec);
    }
};

// ---- the office suite kept running ----

// One office instance started by office_warm.py, converting decks on request. Runs after every
// other child of the bench has ended: the subreaper clean-up in runMeasured stops all children.
class WarmOffice {
  public:
    WarmOffice(const Options& options, const fs::path& work, const fs::path& log)
        : pdfDir(work / "warm-pdf") {
        std::error_code ec;
        fs::create_directories(pdfDir, ec);
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0) {
            why = std::string("no pipe: ") + std::strerror(errno);
            return;
        }
        std::vector<std::string> args = {options.python, QUILLET_BENCH_SOURCE "/office_warm.py",
                                         options.office, (work / "warm-profile").string(),
                                         pdfDir.string()};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        for (int fd : {in[0], in[1], out[0], out[1]})
            posix_spawn_file_actions_addclose(&actions, fd);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(in[0]);
        ::close(out[1]);
        toChild = in[1];
        fromChild = out[0];
        if (spawned != 0) {
            pid = -1;
            why = "cannot start " + options.python + ": " + std::strerror(spawned);
            return;
        }
        runningGroup = pid;
        std::string line;
        if (!readLine(line, options.timeoutS)) {
            why = "the office instance did not start";
        } else if (line != "ready") {
            why = line.rfind("fail ", 0) == 0 ? line.substr(5) : line;
        }
        if (!why.empty()) stop();
    }
    WarmOffice(const WarmOffice&) = delete;
    WarmOffice& operator=(const WarmOffice&) = delete;
    ~WarmOffice() { stop(); }

    bool running() const { return pid > 0; }
    const std::string& problem() const { return why; }

    // Converts one deck: its figures and the PDF's size, or nothing and problem() says why.
    std::optional<RunFigures> convert(const fs::path& deck, double timeoutS, double& pdfKiB) {
        if (!running()) return std::nullopt;
        std::atomic<bool> done{false};
        std::atomic<long long> peak{0};
        std::thread sampler([&] {
            while (!done.load()) {
                peak = std::max(peak.load(), treeResidentBytes(pid));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        });
        const std::string request = deck.string() + "\n";
        std::string line;
        const bool answered = ::write(toChild, request.data(), request.size()) ==
                                  static_cast<ssize_t>(request.size()) &&
                              readLine(line, timeoutS);
        done = true;
        sampler.join();
        if (!answered) {
            why = "no answer after " + std::to_string(static_cast<int>(timeoutS)) + " s";
            stop();
            return std::nullopt;
        }
        std::istringstream words(line);
        std::string status;
        RunFigures figures;
        long long pdfBytes = 0;
        if (!(words >> status) || status != "ok" || !(words >> figures.wallMs >> pdfBytes)) {
            why = line.rfind("fail ", 0) == 0 ? line.substr(5) : "unreadable answer: " + line;
            return std::nullopt;
        }
        figures.peakMiB = static_cast<double>(peak.load()) / (1024.0 * 1024.0);
        pdfKiB = static_cast<double>(pdfBytes) / 1024.0;
        why.clear();
        return figures;
    }

  private:
    bool readLine(std::string& line, double timeoutS) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutS);
        for (;;) {
            if (const auto end = buffered.find('\n'); end != std::string::npos) {
                line = buffered.substr(0, end);
                buffered.erase(0, end + 1);
                return true;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0 || stopRequested) return false;
            pollfd p{fromChild, POLLIN, 0};
            const int ready =
                ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 500)));
            if (ready < 0 && errno != EINTR) return false;
            if (ready <= 0) continue;
            char chunk[512];
            const ssize_t n = ::read(fromChild, chunk, sizeof chunk);
            if (n <= 0) return false;
            buffered.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Closing its input ends the instance; after a grace period its group is killed.
    void stop() {
        if (toChild >= 0) ::close(toChild);
        toChild = -1;
        if (pid > 0) {
            const auto grace = Clock::now() + std::chrono::seconds(30);
            int status = 0;
            while (::waitpid(pid, &status, WNOHANG) == 0) {
                if (Clock::now() > grace || stopRequested) {
                    ::kill(-pid, SIGKILL);
                    ::waitpid(pid, &status, 0);
                    break;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            // The instance itself may outlive the script for a moment: stop its group.
            ::kill(-pid, SIGKILL);
            runningGroup = 0;
            pid = -1;
            killOwnChildren();
            while (::waitpid(-1, &status, WNOHANG) > 0) {
            }
        }
        if (fromChild >= 0) ::close(fromChild);
        fromChild = -1;
    }

    fs::path pdfDir;
    pid_t pid = -1;
    int toChild = -1;
    int fromChild = -1;
    std::string buffered;
    std::string why;
};

}  // namespace

int main(int argc, char** argv) {
    const Options options = parseOptions(argc, argv);
    const std::vector<fs::path> decks = decksOf(options.inputs);
    if (decks.empty()) usage("no decks (.pptx, .pptm, .ppsx) found");

    // Descendants whose parent ends are handed to this process, so they stay countable.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    struct sigaction stop {};
    stop.sa_handler = onStopSignal;
    sigemptyset(&stop.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &stop, nullptr);

    std::string pattern = (fs::temp_directory_path() / "bench-convert.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::fprintf(stderr, "bench_convert: cannot make a temporary folder: %s\n",
                     std::strerror(errno));
        return 1;
    }
    const TemporaryFolder work{pattern};
    const fs::path log = work.path / "child.log";
    fs::create_directories(work.path / "config");
    fs::create_directories(work.path / "movies");
    fs::create_directories(work.path / "pdf");
    fs::create_directories(work.path / "decks");
    // Font-matching answers kept in the folder too: the first run of a deck fills them, the
    // best of the runs is a warm one, and the user's own cache is left alone.
    const std::vector<std::string> quilletEnv = {
        "XDG_CONFIG_HOME=" + (work.path / "config").string(),
        "QUILLET_FONT_CACHE=" + (work.path / "font-answers").string()};

    std::fprintf(
        stderr, "bench_convert: %zu decks, best of %d runs; quillet: %s; office: %s\n",
        decks.size(), options.runs, options.quillet.c_str(),
        options.office.empty() ? "none (not on PATH, or --no-office)" : options.office.c_str());

    std::vector<std::string> officeArgs;
    bool withOffice = !options.office.empty();
    if (withOffice) {
        officeArgs = {options.office,
                      "-env:UserInstallation=file://" + (work.path / "office-profile").string(),
                      "--headless",
                      "--norestore",
                      "--convert-to",
                      "pdf",
                      "--outdir",
                      (work.path / "pdf").string()};
        // Untimed warm-up on the smallest deck: the first start writes the fresh profile and
        // fills the file caches.
        const fs::path smallest =
            *std::min_element(decks.begin(), decks.end(), [](const fs::path& a, const fs::path& b) {
                std::error_code ec;
                return fs::file_size(a, ec) < fs::file_size(b, ec);
            });
        const fs::path warmDeck = work.path / "decks" / smallest.filename();
        std::error_code ec;
        fs::copy_file(smallest, warmDeck, ec);
        Command warm{officeArgs, {}, log.string()};
        warm.argv.push_back(warmDeck.string());
        std::fprintf(stderr, "bench_convert: office warm-up on %s\n", smallest.filename().c_str());
        const RunResult r = runMeasured(warm, options.timeoutS);
        if (!r.ok) {
            std::fprintf(stderr, "bench_convert: the office warm-up failed (%s): %s\n",
                         r.why.c_str(), lastLine(readFile(log)).c_str());
        }
    }

    std::vector<DeckFigures> results;
    std::vector<std::pair<std::string, std::string>> refused;
    for (const fs::path& original : decks) {
        if (stopRequested) break;
        const std::string name = original.filename().string();
        std::fprintf(stderr, "bench_convert: %s\n", name.c_str());
        // Both converters read a copy: quillet keeps its temporary copy beside the deck, and the
        // deck's own folder (the corpus) is not ours to write in.
        const fs::path deck = work.path / "decks" / name;
        {
            std::error_code ec;
            fs::remove_all(work.path / "decks", ec);
            fs::create_directories(work.path / "decks", ec);
            if (!fs::copy_file(original, deck, ec)) {
                refused.emplace_back(name, "cannot copy the deck: " + ec.message());
                continue;
            }
        }
        DeckFigures figures;
        figures.name = name;
        const fs::path movie = work.path / "movies" / (deck.stem().string() + ".swf");
        Command convert{
            {options.quillet, "convert", deck.string(), "-o", movie.string(), "--quiet"},
            quilletEnv,
            log.string()};
        bool ok = true;
        for (int run = 0; run < options.runs && ok; ++run) {
            const RunResult r = runMeasured(convert, options.timeoutS);
            std::error_code ec;
            if (!r.ok || !fs::is_regular_file(movie, ec)) {
                std::string why = lastLine(readFile(log));
                if (why.empty()) why = r.ok ? "no movie written" : r.why;
                if (const auto at = why.find(deck.string()); at != std::string::npos)
                    why.replace(at, deck.string().size(), original.string());
                refused.emplace_back(name, why);
                ok = false;
                break;
            }
            keepBest(figures.ours, r.figures, run == 0);
            figures.movieKiB = static_cast<double>(fs::file_size(movie)) / 1024.0;
            fs::remove(movie, ec);
        }
        if (!ok || stopRequested) continue;

        Command inspect{{options.quillet, "inspect", "--json", deck.string()},
                        quilletEnv,
                        (work.path / "inspect.json").string()};
        if (runMeasured(inspect, options.timeoutS).ok) {
            figures.slides = topLevelArrayLength(readFile(work.path / "inspect.json"), "slides");
        }

        if (withOffice) {
            Command office{officeArgs, {}, log.string()};
            office.argv.push_back(deck.string());
            const fs::path pdf = work.path / "pdf" / (deck.stem().string() + ".pdf");
            RunFigures best;
            bool officeOk = true;
            for (int run = 0; run < options.runs; ++run) {
                std::error_code ec;
                fs::remove(pdf, ec);
                const RunResult r = runMeasured(office, options.timeoutS);
                if (!r.ok || !fs::is_regular_file(pdf, ec)) {
                    figures.officeWhy = r.ok ? "no pdf written" : r.why;
                    officeOk = false;
                    break;
                }
                keepBest(best, r.figures, run == 0);
                figures.pdfKiB = static_cast<double>(fs::file_size(pdf, ec)) / 1024.0;
            }
            if (officeOk && !stopRequested) figures.office = best;
        }
        // Progress, so that a long run shows its figures as it goes.
        std::fprintf(stderr, "  %s slides, %.0f ms, %.0f ms cpu, %.1f MiB, movie %.1f KiB",
                     figures.slides ? std::to_string(*figures.slides).c_str() : "?",
                     figures.ours.wallMs, figures.ours.cpuMs, figures.ours.peakMiB,
                     figures.movieKiB);
        if (figures.office) {
            std::fprintf(stderr, "; office %.0f ms, %.0f ms cpu, %.1f MiB\n",
                         figures.office->wallMs, figures.office->cpuMs, figures.office->peakMiB);
        } else {
            std::fprintf(stderr, "%s%s\n", figures.officeWhy.empty() ? "" : "; office failed: ",
                         figures.officeWhy.c_str());
        }
        results.push_back(figures);
    }

    // Warm: every deck again inside one running instance, after one untimed warm-up deck.
    bool withWarm = false;
    std::string warmNote;
    if (!withOffice) {
        warmNote =
            "no office suite (soffice or libreoffice not on PATH, or --no-office): "
            "no comparison with it";
    } else if (options.noWarm) {
        warmNote = "warm office conversions left out (--no-warm)";
    } else if (options.python.empty()) {
        warmNote = "no python3 for the warm office conversions (python3-uno)";
    } else if (!results.empty() && !stopRequested) {
        std::fprintf(stderr, "bench_convert: starting one office instance for warm conversions\n");
        WarmOffice warm(options, work.path, work.path / "warm.log");
        if (!warm.running()) {
            warmNote = "no warm office conversions: " + warm.problem() + " " +
                       lastLine(readFile(work.path / "warm.log"));
        } else {
            withWarm = true;
            double ignored = 0;
            const fs::path first = work.path / "decks" / results.front().name;
            // The deck folder holds the last deck converted; the warm-up reads the first.
            std::error_code ec;
            fs::remove_all(work.path / "decks", ec);
            fs::create_directories(work.path / "decks", ec);
            for (const fs::path& original : decks) {
                if (original.filename() == results.front().name) fs::copy_file(original, first, ec);
            }
            warm.convert(first, options.timeoutS, ignored);
            for (auto& figures : results) {
                if (stopRequested) break;
                std::fprintf(stderr, "bench_convert: warm %s\n", figures.name.c_str());
                fs::path deck = work.path / "decks" / figures.name;
                for (const fs::path& original : decks)
                    if (original.filename() == figures.name) fs::copy_file(original, deck, ec);
                for (int run = 0; run < options.runs; ++run) {
                    double pdfKiB = 0;
                    const auto r = warm.convert(deck, options.timeoutS, pdfKiB);
                    if (!r) {
                        figures.warmWhy = warm.problem();
                        figures.warm.reset();
                        break;
                    }
                    if (!figures.warm)
                        figures.warm = *r;
                    else
                        keepBest(*figures.warm, *r, false);
                    if (!figures.pdfKiB) figures.pdfKiB = pdfKiB;
                }
                if (figures.warm)
                    std::fprintf(stderr, "  warm %.0f ms, %.1f MiB\n", figures.warm->wallMs,
                                 figures.warm->peakMiB);
            }
        }
    }
    if (!warmNote.empty()) std::fprintf(stderr, "bench_convert: %s\n", warmNote.c_str());

    std::printf(
        "\nquillet convert%s, best of %d runs per deck (wall and cpu in ms, peak resident "
        "set of the process tree in MiB)\n\n",
        withOffice ? " and office pptx -> pdf (one process per deck; warm: inside one instance)"
                   : "",
        options.runs);
    printTable(results, withOffice, withWarm);
    if (!warmNote.empty()) std::printf("\n%s\n", warmNote.c_str());
    bool warmFailures = false;
    for (const auto& d : results) warmFailures = warmFailures || !d.warmWhy.empty();
    if (warmFailures) {
        std::printf("\nthe warm office instance could not convert:\n");
        for (const auto& d : results)
            if (!d.warmWhy.empty()) std::printf("  %s: %s\n", d.name.c_str(), d.warmWhy.c_str());
    }
    bool officeFailures = false;
    for (const auto& d : results) officeFailures = officeFailures || !d.officeWhy.empty();
    if (officeFailures) {
        std::printf("\nthe office suite could not convert:\n");
        for (const auto& d : results)
            if (!d.officeWhy.empty())
                std::printf("  %s: %s\n", d.name.c_str(), d.officeWhy.c_str());
    }
    if (!refused.empty()) {
        std::printf("\nskipped, refused by quillet convert:\n");
        for (const auto& [name, why] : refused)
            std::printf("  %s: %s\n", name.c_str(), why.c_str());
    }
    return 0;
}
