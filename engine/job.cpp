// The conversion job and the driver that runs its phases in order.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "engine/effects.h"
#include "engine/elements.h"
#include "engine/engine.h"
#include "engine/phases.h"
#include "engine/texts.h"
#include "fonts/font_library.h"
#include "media/media_status.h"
#include "media/pixel_bitmaps.h"
#include "media/sound_loader.h"
#include "swf/exceptions.h"
#include "swf/sounds.h"

namespace quillet::engine {

ConversionJob::ConversionJob(ProgressSink& progress, settings::SettingsSource settings,
                             std::uint32_t seed)
    : progress(progress), random(seed), settings_(std::move(settings)) {
    movie.setSignature("CWS");
    movie.setVersion(7);
}

int ConversionJob::newIdentifier() {
    // Identifiers are 16-bit in every tag; a movie that needs more cannot be written correctly.
    if (movie.getIdentifier() >= kMaximumIdentifier) {
        throw ConversionError("The presentation needs more than 65535 characters in one movie");
    }
    return movie.newIdentifier();
}

namespace {

// A digest of a bitmap's content: the library's hash of its bytes, mixed with its width and kind.
std::uint64_t digest(const media::BitmapContent& content) {
    const std::string_view bytes(reinterpret_cast<const char*>(content.bytes.data()),
                                 content.bytes.size());
    return std::hash<std::string_view>{}(bytes) ^ (static_cast<std::uint64_t>(content.width) << 2 |
                                                   static_cast<std::uint64_t>(content.jpeg) << 1 |
                                                   static_cast<std::uint64_t>(content.opaque));
}

}  // namespace

int ConversionJob::pictureBitmap(std::uint32_t width, std::uint32_t height,
                                 std::span<const std::uint32_t> pixels, bool photograph) {
    const media::BitmapContent content =
        media::pictureContent(width, height, pixels, photograph, kJpegQuality);
    if (content.bytes.empty()) return 0;
    // A digest alone is not trusted: the bitmap's own content is compared.
    const std::uint64_t key = digest(content);
    auto [first, last] = definedBitmaps_.equal_range(key);
    for (auto it = first; it != last; ++it) {
        if (media::holdsContent(*it->second.tag, content)) return it->second.identifier;
    }
    auto image = media::defineBitmap(0, content);
    if (!image) return 0;
    const int identifier = newIdentifier();
    image->setIdentifier(identifier);
    definedBitmaps_.emplace(key, DefinedBitmap{identifier, image.get()});
    movie.add(std::move(image));
    return identifier;
}

SlideRecord* ConversionJob::getMasterRecord(const SlideRecord* record) const {
    if (record == nullptr || record == titleMasterRecord || record == slideMasterRecord) {
        return nullptr;
    }
    if (record->masterName == "TitleMaster") return titleMasterRecord;
    if (record->masterName == "SlideMaster") return slideMasterRecord;
    return nullptr;
}

int ConversionJob::slideCount() const {
    return static_cast<int>(
        std::count_if(slides.begin(), slides.end(), [](const auto& s) { return s->index >= 0; }));
}

void addBackgroundSound(ConversionJob& job, const std::string& soundPath) {
    if (soundPath.empty()) return;
    auto loader = media::createSoundLoader();
    if (loader->decodeFile(soundPath) != media::Success) return;
    auto header = loader->defineStreamHeader(0);
    if (!header) return;
    const int identifier = job.newIdentifier();
    auto sound = loader->defineSound(identifier);
    if (!sound) return;
    job.movie.add(std::move(header));
    job.movie.add(std::move(sound));
    job.movie.add(std::make_unique<transform::FSStartSound>(
        transform::FSSound(identifier, transform::FSSound::Start)));
}

void buildElements(ConversionJob& job, fonts::FontLibrary& fonts) {
    const int n = static_cast<int>(job.slides.size());
    const int step = std::max(1, roundHalf(60.0 / std::max(n, 1)));
    char text[128];
    std::snprintf(text, sizeof text, "Export shapes of slide%4d/%4d ", 0, n);
    job.progress.reportProgress(text, step, 0);
    for (int i = 1; i <= n; ++i) {
        buildSlideElements(job, *job.slides[i - 1]);
        if (i != n) {
            std::snprintf(text, sizeof text, "Export shapes of slide%4d/%4d ", i, n);
            job.progress.reportProgress(text, step, 0);
        }
    }
    buildTexts(job, fonts);
    // Effect clips once every character exists (texts are defined last).
    if (job.settings().effects) {
        for (auto& slide : job.slides) {
            if (slide->index >= 0) buildSlideEffects(job, *slide);
        }
    }
}

std::string swfPathFor(const std::string& presentationPath) {
    const std::filesystem::path path(presentationPath);
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension != ".ppt" && extension != ".pptx" && extension != ".pptm" &&
        extension != ".ppsx") {
        return {};
    }
    return presentationPath.substr(0, presentationPath.size() - path.extension().string().size()) +
           ".swf";
}

ConversionResult convertPresentation(const std::shared_ptr<host::Application>& application,
                                     ProgressSink& progress,
                                     const settings::SettingsSource& settings,
                                     const ConversionOptions& options) {
    ConversionResult result;
    const std::uint32_t seed =
        options.seed ? *options.seed : static_cast<std::uint32_t>(std::time(nullptr));
    ConversionJob job(progress, settings, seed);
    if (!application || !job.context.takeActivePresentation(application)) {
        result.status = 1;
        result.message = "No presentation is open";
        return result;
    }
    try {
        const std::string output =
            options.outputPath.empty() ? job.context.swfPath() : options.outputPath;
        if (output.empty()) {
            throw ConversionError("Cannot name the movie for \"" + job.context.fullName() +
                                  "\": not a .ppt, .pptx, .pptm or .ppsx file");
        }
        // Writing the movie over the deck would destroy it, also through a link to it.
        if (isSameFile(output, job.context.fullName())) {
            throw ConversionError(
                "The movie \"" + output +
                "\" would overwrite the presentation itself; choose another name");
        }
        job.context.workingFolder();
        addBackgroundSound(job, options.soundPath);
        progress.reportProgress("Catch Slide", 0, 0);
        capture(job);
        fonts::FontLibrary fonts;
        progress.reportProgress("Build elements", 0, 30);
        buildElements(job, fonts);
        progress.reportProgress("Combine elements", 0, 20);
        combineElements(job, fonts);
        progress.reportProgress("ClearTemp & save", 0, 10);
        progress.reportProgress("Swf file writing...", 0, 35);
        progress.reportProgress("", 100, 0);
        std::vector<std::uint8_t> bytes;
        try {
            bytes = job.movie.encode();
        } catch (const transform::FSException& e) {
            throw ConversionError("Cannot write the movie \"" + output + "\": " + e.what());
        }
        // Written whole to a partial file first: a failure or a kill never leaves half a movie.
        job.context.workingFolder().writeMovie(output, bytes);
        job.context.removeWorkingFiles();
        progress.reportProgress("Convert Success! ", 0, 5);
        progress.reportProgress("", 100, 0);
        progress.reportProgress("Waiting swf show...", 0, 5);
        result.status = 0;
        result.swfPath = output;
        return result;
    } catch (const std::exception& e) {
        result.message = e.what();
    } catch (...) {
        result.message = "The conversion failed for an unknown reason";
    }
    job.context.removeWorkingFiles();
    result.status = 2;
    result.swfPath.clear();
    progress.reportProgress("Conversion failed: " + result.message, 0, 0);
    return result;
}

}  // namespace quillet::engine
