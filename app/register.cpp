// `quillet register` / `quillet unregister`: a desktop entry that offers Quillet for
// presentations (.pptx, .pptm, .ppsx), with the actions "Convert..." (the convert page for the
// file) and "Feedback..." (the feedback page for its movie). It lives in
// $XDG_DATA_HOME/applications (default ~/.local/share/applications); registering again rewrites
// it, and unregistering removes it only when it is ours.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "app/commands.h"
#include "app/data_files.h"
#include "app/desktop_tools.h"

namespace quillet::app {

namespace fs = std::filesystem;

namespace {

constexpr const char* kEntryName = "quillet.desktop";
// Marks the entry as written by this program, so that unregistering never removes another's.
constexpr const char* kOwnerMark = "X-Quillet-Entry=true";

fs::path applicationsFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && *dataHome == '/') return fs::path(dataHome) / "applications";
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr && *home != '\0' ? home : ".") / ".local" / "share" /
           "applications";
}

// One argument of an Exec line: quoted, with the characters the quoting reserves escaped, then
// escaped again as a desktop entry string value; '%' doubled as the field codes require.
std::string execArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (const char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (const char c : quoted) {
        if (c == '\\') {
            value += "\\\\";
        } else if (c == '%') {
            value += "%%";
        } else {
            value += c;
        }
    }
    return value;
}

std::string desktopEntry(const fs::path& program) {
    const std::string exec = execArgument(program.string());
    std::ostringstream entry;
    entry << "[Desktop Entry]\n"
          << "Type=Application\n"
          << "Version=1.4\n"
          << "Name=Quillet\n"
          << "GenericName=Presentation to movie\n"
          << "Comment=Turn a presentation into one movie that plays like a slide show\n"
          << "Exec=" << exec << " ui %f\n"
          << "Icon=x-office-presentation\n"
          << "Terminal=false\n"
          << "Categories=Office;Presentation;\n"
          << "MimeType=application/vnd.openxmlformats-officedocument.presentationml.presentation;"
             "application/vnd.ms-powerpoint.presentation.macroEnabled.12;"
             "application/vnd.openxmlformats-officedocument.presentationml.slideshow;\n"
          << "Actions=Convert;Feedback;\n"
          << kOwnerMark << "\n"
          << "\n[Desktop Action Convert]\n"
          << "Name=Convert...\n"
          << "Exec=" << exec << " ui %f\n"
          << "\n[Desktop Action Feedback]\n"
          << "Name=Feedback...\n"
          << "Exec=" << exec << " feedback %f\n";
    return entry.str();
}

bool isOurs(const fs::path& entry) {
    std::ifstream in(entry);
    std::string line;
    while (std::getline(in, line)) {
        if (line == kOwnerMark) return true;
    }
    return false;
}

// The desktop's list of handlers per type is rebuilt by its own tool, when it is installed.
void refreshDatabase(const fs::path& folder) {
    runProgram({"update-desktop-database", folder.string()}, std::chrono::seconds(20));
}

int registerEntry() {
    const fs::path folder = applicationsFolder();
    const fs::path entry = folder / kEntryName;
    std::error_code error;
    if (fs::exists(entry, error) && !isOurs(entry)) {
        std::fprintf(stderr,
                     "quillet register: %s exists and was not written by quillet; "
                     "leaving it alone\n",
                     entry.c_str());
        return 1;
    }
    fs::create_directories(folder, error);
    const fs::path temporary = folder / ".quillet.desktop.tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << desktopEntry(currentExecutable());
        out.close();
        if (!out) {
            std::fprintf(stderr, "quillet register: cannot write %s\n", temporary.c_str());
            fs::remove(temporary, error);
            return 1;
        }
    }
    fs::rename(temporary, entry, error);
    if (error) {
        std::fprintf(stderr, "quillet register: cannot write %s: %s\n", entry.c_str(),
                     error.message().c_str());
        fs::remove(temporary, error);
        return 1;
    }
    refreshDatabase(folder);
    std::printf("registered: %s\n", entry.c_str());
    return 0;
}

int unregisterEntry() {
    const fs::path folder = applicationsFolder();
    const fs::path entry = folder / kEntryName;
    std::error_code error;
    if (!fs::exists(entry, error)) {
        std::printf("not registered: %s does not exist\n", entry.c_str());
        return 0;
    }
    if (!isOurs(entry)) {
        std::fprintf(stderr,
                     "quillet unregister: %s was not written by quillet; leaving it "
                     "alone\n",
                     entry.c_str());
        return 1;
    }
    if (!fs::remove(entry, error) || error) {
        std::fprintf(stderr, "quillet unregister: cannot remove %s: %s\n", entry.c_str(),
                     error.message().c_str());
        return 1;
    }
    refreshDatabase(folder);
    std::printf("unregistered: removed %s\n", entry.c_str());
    return 0;
}

}  // namespace

void addRegisterCommands(CLI::App& app, int& exitCode) {
    app.add_subcommand("register",
                       "Offer Quillet for presentations on the desktop (a desktop entry with the "
                       "actions Convert... and Feedback...)")
        ->callback([&exitCode] { exitCode = registerEntry(); });
    app.add_subcommand("unregister", "Remove Quillet's desktop entry")->callback([&exitCode] {
        exitCode = unregisterEntry();
    });
}

}  // namespace quillet::app
