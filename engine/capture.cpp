// The presentation's working files and the capture phase: background pictures through a
// temporary copy in the run's private folder, one record per master and slide, the movie's frame,
// and background bitmaps.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/engine.h"
#include "engine/phases.h"
#include "media/image_loader.h"
#include "media/media_status.h"
#include "swf/display_list.h"

namespace quillet::engine {
namespace fs = std::filesystem;

namespace {

bool needsPicture(int fillType) {
    return fillType != host::fill_type::kMixed && fillType != host::fill_type::kSolid &&
           fillType != host::fill_type::kGradient;
}

// Removes a file on every path out of a scope.
class FileGuard {
  public:
    explicit FileGuard(std::string path) : path_(std::move(path)) {}
    ~FileGuard() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    FileGuard(const FileGuard&) = delete;
    FileGuard& operator=(const FileGuard&) = delete;

  private:
    std::string path_;
};

// Closes a presentation on every path out of a scope.
class CloseGuard {
  public:
    explicit CloseGuard(std::shared_ptr<host::Presentation> p) : p_(std::move(p)) {}
    ~CloseGuard() {
        if (p_) p_->close();
    }
    CloseGuard(const CloseGuard&) = delete;
    CloseGuard& operator=(const CloseGuard&) = delete;

  private:
    std::shared_ptr<host::Presentation> p_;
};

}  // namespace

int derivedKeyColour(int keyColour) {
    int red = keyColour & 0xFF;
    int green = (keyColour >> 8) & 0xFF;
    int blue = (keyColour >> 16) & 0xFF;
    if (red > 10) red -= 10;
    if (green < 245) green += 10;
    if (blue > 10) blue -= 10;
    return red | green << 8 | blue << 16;
}

// ---- PresentationContext ----

bool PresentationContext::takeActivePresentation(
    const std::shared_ptr<host::Application>& application) {
    if (!application) return false;
    auto presentation = application->activePresentation();
    if (!presentation) return false;
    application_ = application;
    presentation_ = std::move(presentation);
    wasSaved_ = presentation_->saved() == host::kTrue;
    if (!wasSaved_) presentation_->save();
    return true;
}

std::string PresentationContext::fullName() const {
    return presentation_ ? presentation_->fullName() : std::string();
}

const std::string& PresentationContext::swfPath() {
    if (swfPathCache_.empty()) swfPathCache_ = swfPathFor(fullName());
    return swfPathCache_;
}

WorkingFolder& PresentationContext::workingFolder() {
    if (!workingFolder_) workingFolder_ = std::make_unique<WorkingFolder>();
    return *workingFolder_;
}

const std::string& PresentationContext::pictureFolder() {
    if (pictureFolderCache_.empty()) {
        pictureFolderCache_ = workingFolder().path() + "/image";
        std::error_code error;
        // A folder that cannot be made leaves the pictures absent; the conversion goes on.
        fs::create_directory(pictureFolderCache_, error);
    }
    return pictureFolderCache_;
}

std::string PresentationContext::temporaryCopyPath() {
    return workingFolder().path() + "/copy" + fs::path(fullName()).extension().string();
}

std::string PresentationContext::picturePath(const std::string& fileName) {
    return pictureFolder() + "/" + fileName;
}

std::string PresentationContext::slideBackgroundPicture(int slideIndex) {
    return picturePath(std::to_string(slideIndex) + ".jpg");
}

std::string PresentationContext::masterBackgroundPicture(int which) {
    return picturePath(std::to_string(which) + ".jpg");
}

std::string PresentationContext::elementPicture(int slideIndex, int elementIndex, bool asPng) {
    return picturePath(std::to_string(slideIndex) + "_" + std::to_string(elementIndex) +
                       (asPng ? ".png" : ".jpg"));
}

void PresentationContext::renderBackgrounds() {
    if (!presentation_ || !application_) return;
    const std::string copyPath = temporaryCopyPath();
    FileGuard removeCopy(copyPath);
    if (!presentation_->saveCopyAs(copyPath, 11, -2)) return;
    auto presentations = application_->presentations();
    if (!presentations) return;
    auto copy = presentations->open(copyPath, host::kFalse, host::kFalse, host::kTrue);
    if (!copy) return;
    CloseGuard closeCopy(copy);
    auto master = copy->slideMaster();
    auto slides = copy->slides();
    if (!master || !slides) return;
    const int width = roundHalf(master->width() * 0.711);
    const int height = roundHalf(master->height() * 0.711);
    const int m = slides->count();
    for (int j = 1; j <= m; ++j) {
        auto slide = slides->item(j);
        if (!slide) continue;
        if (auto shapes = slide->shapes()) {
            for (int k = shapes->count(); k >= 1; --k) {
                if (auto shape = shapes->item(k)) shape->deleteShape();
            }
        }
        slide->setDisplayMasterShapes(host::kFalse);
        slide->exportPicture(slideBackgroundPicture(j - 1), ".jpg", width, height);
    }
    const std::pair<int, int> masters[] = {{host::layout::kBlank, -2}, {host::layout::kTitle, -1}};
    for (const auto& [layout, which] : masters) {
        auto slide = slides->add(slides->count() + 1, layout);
        if (!slide) continue;
        slide->setDisplayMasterShapes(host::kFalse);
        slide->setFollowMasterBackground(host::kTrue);
        slide->exportPicture(masterBackgroundPicture(which), ".jpg", width, height);
    }
}

void PresentationContext::removeWorkingFiles() noexcept {
    if (workingFolder_) workingFolder_->remove();
    workingFolder_.reset();
    pictureFolderCache_.clear();
}

// ---- the capture phase ----

BackgroundFill readBackgroundFill(const host::Fill* fill) {
    BackgroundFill info;
    if (!fill) return info;
    info.type = fill->type();
    if (info.type == host::fill_type::kPatterned) info.subCode = fill->pattern();
    info.backColour = fill->backColorRgb();
    info.foreColour = fill->foreColorRgb();
    return info;
}

bool loadBackgroundPicture(ConversionJob& job, SlideRecord& record, const std::string& path) {
    auto loader = media::createImageLoader();
    loader->setDiagnostics(nullptr);
    if (loader->decodeFile(path) != media::Success) return false;
    const int identifier = job.newIdentifier();
    auto bitmap = loader->defineImage(identifier);
    if (!bitmap) return false;
    job.movie.add(std::move(bitmap));
    record.backgroundBitmap = identifier;
    record.backgroundWidth = static_cast<int>(loader->getWidth());
    record.backgroundHeight = static_cast<int>(loader->getHeight());
    return true;
}

bool captureMaster(ConversionJob& job, int which) {
    auto presentation = job.context.presentation();
    auto master = which == -1 ? presentation->titleMaster() : presentation->slideMaster();
    if (!master) return false;
    job.frameBounds = transform::FSBounds(0, 0, roundHalf(master->width() * 20.0),
                                          roundHalf(master->height() * 20.0));
    auto record = std::make_unique<SlideRecord>();
    record->index = which;
    record->job = &job;
    record->shapes = master->shapes();
    record->masterName = master->name();
    record->backgroundFill = master->background();
    record->backgroundInfo = readBackgroundFill(record->backgroundFill.get());
    record->backgroundColour = record->backgroundInfo.foreColour;
    if (needsPicture(record->backgroundInfo.type)) {
        loadBackgroundPicture(job, *record, job.context.masterBackgroundPicture(which));
    }
    (which == -1 ? job.titleMasterRecord : job.slideMasterRecord) = record.get();
    job.slides.push_back(std::move(record));
    return true;
}

void captureSlide(ConversionJob& job, int index) {
    auto slides = job.context.presentation()->slides();
    auto slide = slides ? slides->item(index + 1) : nullptr;
    auto record = std::make_unique<SlideRecord>();
    record->index = index;
    record->job = &job;
    if (slide) {
        record->shapes = slide->shapes();
        record->transition = slide->transition();
        record->displayMasterShapes = slide->displayMasterShapes() == host::kTrue;
        record->followMasterBackground = slide->followMasterBackground() == host::kTrue;
        record->backgroundFill = slide->background();
        if (auto master = slide->master()) record->masterName = master->name();
    }
    SlideRecord* master =
        record->followMasterBackground ? job.getMasterRecord(record.get()) : nullptr;
    if (master) {
        record->backgroundFill = master->backgroundFill;
        record->backgroundInfo = master->backgroundInfo;
        record->backgroundColour = master->backgroundColour;
        record->backgroundBitmap = master->backgroundBitmap;
        record->backgroundWidth = master->backgroundWidth;
        record->backgroundHeight = master->backgroundHeight;
    } else {
        record->backgroundInfo = readBackgroundFill(record->backgroundFill.get());
        record->backgroundColour = record->backgroundInfo.foreColour;
        record->backgroundBitmap = record->backgroundWidth = record->backgroundHeight = -1;
        if (slide && needsPicture(record->backgroundInfo.type)) {
            loadBackgroundPicture(job, *record, job.context.slideBackgroundPicture(index));
        }
    }
    job.slides.push_back(std::move(record));
}

void capture(ConversionJob& job) {
    auto presentation = job.context.presentation();
    auto slides = presentation->slides();
    const int n = slides ? std::max(0, slides->count()) : 0;
    const float step = 90.0f / static_cast<float>(n + 4);
    job.progress.reportProgress("Export background picture", 1, 0);
    job.context.renderBackgrounds();
    job.progress.reportProgress("Export title master",
                                100 - roundHalf((n + 4) * static_cast<double>(step)), 0);
    captureMaster(job, -1);
    job.progress.reportProgress("Export slide master", roundHalf(2 * static_cast<double>(step)), 0);
    captureMaster(job, -2);
    if (job.frameBounds.getWidth() <= 0 || job.frameBounds.getHeight() <= 0) {
        // Without a master the page size gives the frame.
        if (auto setup = presentation->pageSetup()) {
            job.frameBounds = transform::FSBounds(0, 0, roundHalf(setup->slideWidth() * 20.0),
                                                  roundHalf(setup->slideHeight() * 20.0));
        }
    }
    if (job.frameBounds.getWidth() <= 0 || job.frameBounds.getHeight() <= 0) {
        throw ConversionError("The presentation has no slide size");
    }
    job.movie.setFrameRate(kFrameRate);
    job.movie.setFrameSize(job.frameBounds);
    job.movie.add(
        std::make_unique<transform::FSSetBackgroundColor>(transform::FSColor(0, 0, 0, 255)));
    char text[64];
    std::snprintf(text, sizeof text, "Export slide%4d/%4d", 0, n);
    job.progress.reportProgress(text, 1, 0);
    const int k = step < 1.0f ? roundHalf(1.0 / step) : 0;
    for (int i = 0; i < n; ++i) {
        captureSlide(job, i);
        if (i + 1 == n) continue;
        std::snprintf(text, sizeof text, "Export slide%4d/%4d", i + 1, n);
        if (k == 0) {
            job.progress.reportProgress(text, roundHalf(step), 0);
        } else if (i % k == 0) {
            job.progress.reportProgress(text, 1, 0);
        }
    }
}

}  // namespace quillet::engine
