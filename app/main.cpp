#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "app/commands.h"

namespace {

// Page faults are what a conversion spends most on after the drawing (tens of microseconds each
// on virtual machines). Slide pictures and movie buffers of a few megabytes are made and freed
// again and again: kept in the heap rather than handed back to the system, they are not faulted
// in anew each time. And the heap asks for large pages, where the system gives them on request,
// so that one fault maps two megabytes instead of four kilobytes.
void tuneHeap() {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#ifdef QUILLET_LARGE_PAGES
    constexpr std::uintptr_t kLargePage = 2 << 20;
    constexpr std::size_t kReserve = 64 << 20;
    // Grow the heap once by the reserve: the growth is one range that can be marked.
    mallopt(M_TOP_PAD, kReserve);
    const auto before = reinterpret_cast<std::uintptr_t>(sbrk(0));
    void* probe = std::malloc(256 << 10);
    const auto after = reinterpret_cast<std::uintptr_t>(sbrk(0));
    if (probe == nullptr) return;
    // The heap continues where the probe starts.
    const auto start = reinterpret_cast<std::uintptr_t>(probe);
    const std::uintptr_t first = (before + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = after & ~(kLargePage - 1);
    if (after > before && last > first &&
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE) == 0 &&
        start < first && first - start > (64 << 10) && first - start <= kLargePage) {
        // Up to the next large-page boundary the pages stay small: the probe, grown in place to
        // that stretch and never written, takes it for the whole run (it costs no memory), so
        // what the program allocates next lies on large pages from its first byte.
        static void* const skipped = std::realloc(probe, first - start - 64);
        (void)skipped;
        return;
    }
    std::free(probe);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    tuneHeap();
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
