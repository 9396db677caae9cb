#include <malloc.h>

#include <cstdio>
#include <cstdlib>

#include "app/commands.h"

int main(int argc, char** argv) {
    // Slide pictures and movie buffers of a few megabytes are made and freed again and again:
    // kept in the heap rather than handed back to the system, they are not faulted in anew each
    // time (page faults are what a conversion spends most on after the drawing).
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
    CLI::App app{"quillet: turns a presentation into one self-contained SWF movie"};
    int exitCode = 0;
    quillet::app::addConvertCommand(app, exitCode);
    quillet::app::addDemoCommand(app, exitCode);
    quillet::app::addInfoCommand(app, exitCode);
    quillet::app::addInspectCommand(app, exitCode);
    quillet::app::addPageCommands(app, exitCode);
    quillet::app::addRegisterCommands(app, exitCode);
    quillet::app::addRenderCommand(app, exitCode);
    quillet::app::addSettingsCommand(app, exitCode);
    const int status = quillet::app::runCommandLine(app, argc, argv, exitCode);
#ifdef QUILLET_QUICK_EXIT
    // The command's files are written and closed. Tearing down what is left (fontconfig's font
    // list, the shape tables, caches) only gives memory back that the system takes back at once
    // anyway, and costs a small deck's conversion several milliseconds.
    std::fflush(nullptr);
    std::_Exit(status);
#endif
    return status;
}
