// `quillet-pages`: the web pages' server, a program of its own so that the HTTP library and the
// TLS libraries it brings are loaded only by `quillet ui`, `view` and `feedback`, which run it in
// their place with the same arguments.
#include "app/commands.h"

int main(int argc, char** argv) {
    CLI::App app{"quillet-pages: serves quillet's local web pages"};
    int exitCode = 0;
    quillet::app::addPageCommands(app, exitCode);
    return quillet::app::runCommandLine(app, argc, argv, exitCode);
}
