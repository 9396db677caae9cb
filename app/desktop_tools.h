// The desktop's own tools, run without a shell: xdg-open for a folder or an address, xdg-email
// for the feedback mail (with a ready .eml file written beside the movie when no mail program can
// take it).
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace quillet::app {

struct ProgramRun {
    bool started = false;   // false: the program was not found or could not be run
    bool finished = false;  // ended within the wait
    int exitStatus = -1;    // its exit status when it ended normally
};

// Runs argv[0] (looked up on PATH) with standard input and output on /dev/null. Waits up to
// `wait` for it to end; a program still running then is left to go on (and reaped when it ends).
ProgramRun runProgram(const std::vector<std::string>& argv, std::chrono::milliseconds wait);

// True when the program ran and ended with status 0 (or was still running after a few seconds,
// as a browser started by xdg-open may be).
bool openWithDesktop(const std::string& target);

struct FeedbackMail {
    bool handedToMailProgram = false;
    std::filesystem::path emlFile;  // the ready message written instead, when there is one
    std::string problem;            // why neither worked
};

// The feedback mail: subject "Quillet's Feedback", an empty body and the movie attached (no
// attachment when movie is empty), to the given address (none when empty).
FeedbackMail sendFeedbackMail(const std::filesystem::path& movie, const std::string& address);

// The .eml text of that mail, with the movie's bytes in base64.
std::string feedbackMessage(const std::filesystem::path& movie, const std::string& movieBytes,
                            const std::string& address);

}  // namespace quillet::app
