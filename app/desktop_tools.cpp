#include "app/desktop_tools.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/base64.h"

extern char** environ;

namespace quillet::app {

namespace fs = std::filesystem;

ProgramRun runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds wait) {
    ProgramRun run;
    if (argv.empty()) return run;
    std::vector<char*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // The server blocks its signals in every thread; the child must not inherit that.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int error =
        posix_spawnp(&pid, arguments[0], &actions, &attributes, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) return run;
    run.started = true;

    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        int status = 0;
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid) {
            run.finished = true;
            // A program that could not be executed after the spawn exits 127.
            if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
            if (run.exitStatus == 127) run.started = false;
            return run;
        }
        if (ended < 0 && errno != EINTR) return run;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return run;
}

bool openWithDesktop(const std::string& target) {
    const ProgramRun run = runProgram({"xdg-open", target}, std::chrono::seconds(5));
    return run.started && (!run.finished || run.exitStatus == 0);
}

std::string feedbackMessage(const fs::path& movie, const std::string& movieBytes,
                            const std::string& address) {
    const std::string boundary = "quillet-feedback-boundary";
    char date[64];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S %z", &local);
    std::ostringstream mail;
    if (!address.empty()) mail << "To: Quillet <" << address << ">\r\n";
    mail << "Subject: Quillet's Feedback\r\n"
         << "Date: " << date << "\r\n"
         << "X-Unsent: 1\r\n"
         << "MIME-Version: 1.0\r\n";
    if (movie.empty()) {
        mail << "Content-Type: text/plain; charset=utf-8\r\n\r\n";
        return mail.str();
    }
    // The file name goes into a quoted header parameter: keep it to characters that need no
    // escaping there.
    std::string name = movie.filename().string();
    for (char& c : name) {
        if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20) c = '_';
    }
    mail << "Content-Type: multipart/mixed; boundary=\"" << boundary << "\"\r\n\r\n"
         << "--" << boundary << "\r\n"
         << "Content-Type: text/plain; charset=utf-8\r\n\r\n\r\n"
         << "--" << boundary << "\r\n"
         << "Content-Type: application/x-shockwave-flash; name=\"" << name << "\"\r\n"
         << "Content-Disposition: attachment; filename=\"" << name << "\"\r\n"
         << "Content-Transfer-Encoding: base64\r\n\r\n"
         << base64(movieBytes, 76) << "\r\n"
         << "--" << boundary << "--\r\n";
    return mail.str();
}

FeedbackMail sendFeedbackMail(const fs::path& movie, const std::string& address) {
    FeedbackMail result;
    std::vector<std::string> argv{"xdg-email", "--subject", "Quillet's Feedback"};
    if (!movie.empty()) {
        argv.push_back("--attach");
        argv.push_back(movie.string());
    }
    if (!address.empty()) argv.push_back(address);
    const ProgramRun run = runProgram(argv, std::chrono::seconds(10));
    if (run.started && (!run.finished || run.exitStatus == 0)) {
        result.handedToMailProgram = true;
        return result;
    }
    if (movie.empty()) {
        result.problem =
            "No mail program is set up" +
            (address.empty() ? std::string(".") : "; please write to " + address + ".");
        return result;
    }
    std::ifstream in(movie, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (!in) {
        result.problem = "Cannot read " + movie.string();
        return result;
    }
    fs::path eml = movie;
    eml.replace_extension(".feedback.eml");
    std::ofstream out(eml, std::ios::binary | std::ios::trunc);
    out << feedbackMessage(movie, bytes.str(), address);
    out.close();
    if (!out) {
        result.problem = "No mail program is set up, and " + eml.string() + " cannot be written";
        return result;
    }
    result.emlFile = eml;
    return result;
}

}  // namespace quillet::app
