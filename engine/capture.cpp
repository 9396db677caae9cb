// The presentation's working files and the capture phase: one record per master and slide, the
// movie's frame, and background bitmaps drawn by the host in memory at the stage's size.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "engine/engine.h"
#include "engine/phases.h"
#include "swf/bitmaps.h"
#include "swf/display_list.h"

namespace quillet::engine {
namespace fs = std::filesystem;

namespace {

bool needsPicture(int fillType) {
    return fillType != host::fill_type::kMixed && fillType != host::fill_type::kSolid &&
           fillType != host::fill_type::kGradient;
}

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

std::string PresentationContext::picturePath(const std::string& fileName) {
    return pictureFolder() + "/" + fileName;
}

std::string PresentationContext::elementPicture(int slideIndex, int elementIndex, bool asPng) {
    return picturePath(std::to_string(slideIndex) + "_" + std::to_string(elementIndex) +
                       (asPng ? ".png" : ".jpg"));
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

bool defineBackgroundBitmap(ConversionJob& job, SlideRecord& record,
                            const host::PixelPicture& picture) {
    if (picture.empty() || picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) {
        return false;
    }
    const auto w = static_cast<std::uint32_t>(picture.width);
    const auto h = static_cast<std::uint32_t>(picture.height);
    // A background covers the page: JPEG, as photographs go; lossless only if it is not opaque.
    const int identifier = job.pictureBitmap(w, h, picture.pixels, true);
    if (identifier == 0) return false;
    record.backgroundBitmap = identifier;
    record.backgroundWidth = picture.width;
    record.backgroundHeight = picture.height;
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
        defineBackgroundBitmap(
            job, *record,
            master->drawBackground(1.0, roundHalf(master->width()), roundHalf(master->height())));
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
            defineBackgroundBitmap(
                job, *record,
                slide->drawBackground(1.0, roundHalf(job.frameBounds.getWidth() / 20.0),
                                      roundHalf(job.frameBounds.getHeight() / 20.0)));
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
