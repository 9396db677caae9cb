// `fidelity_compare [--width PX] [--crop-bottom ROWS] CANDIDATE.png REFERENCE.png [...]`: the
// content SSIM of each candidate against its reference, one line per pair ("0.8731", or
// "error: ..." when a pair cannot be measured). Pictures within a pixel of each other's size are
// first cut to the smaller; both are then scaled to PX wide (480 by default, as the references
// are; 0 keeps them as they are), then lose their bottom ROWS rows
// (a player's controls drawn over the foot of the stage). Exit status 1 when any pair failed, 2
// on a usage error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "content_ssim.h"
#include "resample.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: fidelity_compare [--width PX] [--crop-bottom ROWS] CANDIDATE.png "
                 "REFERENCE.png [CANDIDATE.png REFERENCE.png ...]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quillet::fidelity;
    int width = kCompareWidth;
    int cropBottom = 0;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const bool isWidth = std::strcmp(argv[i], "--width") == 0;
        if (isWidth || std::strcmp(argv[i], "--crop-bottom") == 0) {
            if (++i >= argc) return usage();
            char* end = nullptr;
            long v = std::strtol(argv[i], &end, 10);
            if (end == argv[i] || *end != '\0' || v < 0 || v > 20000 ||
                (isWidth && v > 0 && v < 8)) {
                std::fprintf(stderr, "fidelity_compare: bad %s %s\n", argv[i - 1], argv[i]);
                return 2;
            }
            (isWidth ? width : cropBottom) = static_cast<int>(v);
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (files.empty() || files.size() % 2 != 0) return usage();
    int status = 0;
    for (std::size_t i = 0; i < files.size(); i += 2) {
        std::optional<GreyImage> a = readPngGrey(files[i]);
        std::optional<GreyImage> b = readPngGrey(files[i + 1]);
        if (!a || !b) {
            std::printf("error: cannot read %s\n", (!a ? files[i] : files[i + 1]).c_str());
            status = 1;
            continue;
        }
        // Pictures within a pixel of each other's size show the same stage at the same scale,
        // one of them cut at whole pixels: cut the other alike before scaling, so that both
        // scale by the same factor.
        cropToCommonSize(*a, *b);
        if (width > 0) {
            *a = scaleToWidth(*a, width);
            *b = scaleToWidth(*b, width);
        }
        if (cropBottom > 0) {
            *a = cropRows(*a, a->height - cropBottom);
            *b = cropRows(*b, b->height - cropBottom);
        }
        std::optional<double> s = contentSsim(*a, *b);
        if (!s) {
            std::printf("error: %s is %dx%d and %s is %dx%d\n", files[i].c_str(), a->width,
                        a->height, files[i + 1].c_str(), b->width, b->height);
            status = 1;
            continue;
        }
        std::printf("%.4f\n", *s);
    }
    return status;
}
