// The picture route: shapes that have no vector form are drawn by the host in memory (or, by a
// host that cannot, on a scratch slide of their own) and become a bitmap with a bitmap-filled
// rectangle.
#include <algorithm>
#include <cmath>

#include "engine/elements_internal.h"
#include "media/image_loader.h"
#include "media/media_status.h"
#include "media/pixel_bitmaps.h"
#include "swf/bitmaps.h"

namespace quillet::engine {

namespace {

// The host's codes for a custom slide size and a blank layout.
constexpr int kCustomSlideSize = 7;
constexpr int kBlankLayout = 12;
// The scratch slide is never smaller than an inch a side, plus a small frame.
constexpr double kSmallestSide = 72.0;
constexpr double kScratchFrame = 10.0;
// Far larger than any slide: a shape claiming more is not drawn.
constexpr double kLargestSide = 20000.0;
constexpr double kMaxBitmapSide = 8191;
constexpr double kMaxBitmapPixels = 16777215;

// Closes the scratch presentation on every path.
class ScratchPresentation {
  public:
    explicit ScratchPresentation(std::shared_ptr<host::Presentation> presentation)
        : p_(std::move(presentation)) {}
    ~ScratchPresentation() {
        if (p_) p_->close();
    }
    ScratchPresentation(const ScratchPresentation&) = delete;
    ScratchPresentation& operator=(const ScratchPresentation&) = delete;

  private:
    std::shared_ptr<host::Presentation> p_;
};

// How far the shape's effects (a shadow) reach past its box: the picture's margin holds them.
double effectReach(const host::Shape& shape) {
    const host::ShapeEffects effects = shape.effects();
    if (!effects.raster && !effects.hardShadow) return 0;
    const double reach = effects.reach;
    return std::isfinite(reach) ? std::clamp(reach, 0.0, 2000.0) : 0.0;
}

// Whether a picture's own file is a JPEG photograph.
bool isJpeg(const host::Picture* picture) {
    return picture && picture->contentType() == "image/jpeg";
}

int lineRgb(const transform::FSColor& colour) {
    return host::rgb(colour.getRed(), colour.getGreen(), colour.getBlue());
}

// Draws the element's shape alone and writes the picture; sets the element's picture scale,
// outline offsets and placement. The copy keeps its turn and flips, so the scratch slide is sized
// to the turned box, the copy centred on it, and the picture placed unturned.
bool renderElementPicture(ConversionJob& job, const SlideRecord& record, Element& element,
                          bool asPng, Origin origin, std::string& path) {
    auto& context = job.context;
    if (!context.application() || !element.hostShape) return false;
    const double width = element.width, height = element.height;
    if (!std::isfinite(width) || !std::isfinite(height) || width < 0 || height < 0 ||
        width > kLargestSide || height > kLargestSide) {
        return false;
    }
    const double scale = asPng ? kPngPictureScale : 1.0;
    element.pictureScale = static_cast<float>(scale);

    double rotation = element.hostShape->rotation();
    if (!std::isfinite(rotation)) rotation = 0;
    const double a = rotation * 0.017453333333333335;
    const double turnedWidth = std::fabs(width * std::cos(a)) + std::fabs(height * std::sin(a));
    const double turnedHeight = std::fabs(width * std::sin(a)) + std::fabs(height * std::cos(a));
    // The margin holds the outer half of the outline; at least a point, so nothing touches the
    // picture's edge.
    const double margin =
        std::max({element.outlineVisible ? static_cast<double>(element.outlineWeight) : 0.0, 1.0,
                  effectReach(*element.hostShape)});
    // The scratch page holds the shape at its own size; the finer PNG picture comes from drawing
    // the page at more pixels, which scales everything on it alike (outlines, tables, groups).
    const double w = std::max(turnedWidth + 2 * margin, kSmallestSide);
    const double h = std::max(turnedHeight + 2 * margin, kSmallestSide);

    path = context.elementPicture(element.slideIndex, element.shapeIndex, asPng);
    element.hostShape->copy();
    auto presentations = context.application()->presentations();
    if (!presentations) return false;
    auto scratch = presentations->add(host::kFalse);
    if (!scratch) return false;
    ScratchPresentation closeScratch(scratch);
    auto pageSetup = scratch->pageSetup();
    auto slides = scratch->slides();
    if (!pageSetup || !slides) return false;
    pageSetup->setSlideSize(kCustomSlideSize);
    pageSetup->setSlideWidth(static_cast<float>(w + kScratchFrame));
    pageSetup->setSlideHeight(static_cast<float>(h + kScratchFrame));
    auto slide = slides->add(1, kBlankLayout);
    if (!slide) return false;
    slide->setFollowMasterBackground(host::kFalse);
    if (auto background = slide->background()) {
        background->setVisible(host::kTrue);
        background->setForeColorRgb(derivedKeyColour(record.backgroundColour));
    }
    auto shapes = slide->shapes();
    auto copy = shapes ? shapes->paste() : nullptr;
    if (!copy) return false;
    if (auto fill = copy->fill(); fill && element.fill) {
        fill->setForeColorRgb(element.fill->foreColorRgb());
    }
    if (auto line = copy->line()) line->setForeColorRgb(lineRgb(element.lineColour));
    copy->setLeft(static_cast<float>(margin + (turnedWidth - width) / 2));
    copy->setTop(static_cast<float>(margin + (turnedHeight - height) / 2));
    // A text the movie draws itself must not be in the picture too.
    if (element.textDrawnApart && copy->hasTextFrame() == host::kTrue) {
        if (auto frame = copy->textFrame()) {
            if (auto range = frame->textRange()) range->deleteText();
        }
    }
    if (!slide->exportPicture(path, asPng ? "png" : "jpg", roundHalf((w + kScratchFrame) * scale),
                              roundHalf((h + kScratchFrame) * scale))) {
        return false;
    }

    // The picture's corner stands where the turned box's corner, less the margin, stands on the
    // slide: the box's centre less half the turned box.
    const double centreX = element.left - origin.left + width / 2;
    const double centreY = element.top - origin.top + height / 2;
    const int tx = toTwips(centreX - turnedWidth / 2 - margin);
    const int ty = toTwips(centreY - turnedHeight / 2 - margin);
    element.outlineOffsetX = toTwips(element.left - origin.left) - tx;
    element.outlineOffsetY = toTwips(element.top - origin.top) - ty;
    element.transform =
        placement(tx, ty, toTwips(width), toTwips(height), 0.0f, element.pictureScale);
    return true;
}

}  // namespace

std::unique_ptr<transform::FSFillStyle> bitmapFill(ConversionJob& job, const host::Fill& fill,
                                                   int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    const host::FillPicture drawn = fill.drawFillPicture(width / 20.0, height / 20.0, 1.0);
    const host::PixelPicture& picture = drawn.picture;
    if (picture.empty() || picture.width <= 0 || picture.height <= 0 || picture.width > 65535 ||
        picture.height > 65535 ||
        picture.pixels.size() != static_cast<std::size_t>(picture.width) * picture.height) {
        return nullptr;
    }
    // Points to twips; the format's scales are 16.16 fixed-point numbers.
    const double values[6] = {drawn.xx, drawn.xy, drawn.x0, drawn.yx, drawn.yy, drawn.y0};
    transform::FSCoordTransform::Matrix m = {{0, 0, 0}, {0, 0, 0}, {0, 0, 1}};
    for (int i = 0; i < 6; ++i) {
        const double twips = values[i] * kTwipsPerPoint;
        const bool translation = i % 3 == 2;
        if (!std::isfinite(twips) || std::fabs(twips) > (translation ? 1e9 : 32767.0)) {
            return nullptr;
        }
        m[i / 3][i % 3] = static_cast<float>(twips);
    }
    const bool photograph = isJpeg(fill.picture().get());
    const int identifier =
        job.pictureBitmap(static_cast<std::uint32_t>(picture.width),
                          static_cast<std::uint32_t>(picture.height), picture.pixels, photograph);
    if (identifier == 0) return nullptr;
    return std::make_unique<transform::FSBitmapFill>(
        drawn.repeat ? transform::FSFillStyle::TiledBitmap : transform::FSFillStyle::ClippedBitmap,
        identifier, transform::FSCoordTransform(m));
}

bool pictureAsPng(const Element& element) {
    return !(roundHalf(element.width) >= 640 && roundHalf(element.height) >= 480);
}

// Drawn by the host in memory, one pixel a point as the stage shows it, with its own alpha: no
// files, no key colour. False when the host cannot draw in memory.
bool drawElementPicture(ConversionJob& job, Element& element, bool asPng, Origin origin) {
    const double width = element.width, height = element.height;
    if (!element.hostShape || !std::isfinite(width) || !std::isfinite(height) || width < 0 ||
        height < 0 || width > kLargestSide || height > kLargestSide) {
        return false;
    }
    double rotation = element.hostShape->rotation();
    if (!std::isfinite(rotation)) rotation = 0;
    const double a = rotation * 0.017453333333333335;
    const double turnedWidth = std::fabs(width * std::cos(a)) + std::fabs(height * std::sin(a));
    const double turnedHeight = std::fabs(width * std::sin(a)) + std::fabs(height * std::cos(a));
    // A photograph that fills its unturned box is drawn to the box's whole pixels, without the
    // clear margin, so that it can go as JPEG: a large picture, or a JPEG one of any size (a
    // lossless copy of a photograph is many times its size).
    const double reach = effectReach(*element.hostShape);
    const bool photograph = (!asPng || isJpeg(element.hostShape->picture().get())) &&
                            !element.outlineVisible && turnedWidth == width &&
                            turnedHeight == height && width >= 1 && height >= 1 && reach == 0;
    const double margin =
        photograph
            ? 0.0
            : std::max({element.outlineVisible ? static_cast<double>(element.outlineWeight) : 0.0,
                        1.0, reach});
    const double centreX = element.left - origin.left + width / 2;
    const double centreY = element.top - origin.top + height / 2;
    const int tx = toTwips(centreX - turnedWidth / 2 - margin);
    const int ty = toTwips(centreY - turnedHeight / 2 - margin);
    // The picture's corner on the slide, on the twip where the movie places it.
    const double cornerLeft = origin.left + tx / 20.0;
    const double cornerTop = origin.top + ty / 20.0;
    const auto whole = [photograph](double side) {
        return static_cast<int>(photograph ? std::floor(side) : std::ceil(side));
    };
    // Players show no bitmap past kMaxBitmapSide pixels a side or kMaxBitmapPixels in all: a
    // larger picture is drawn at fewer pixels a point and scaled up in the movie.
    const double wide = turnedWidth + 2 * margin, high = turnedHeight + 2 * margin;
    const double pixelsPerPoint =
        std::min({1.0, kMaxBitmapSide / std::max(wide, 1.0), kMaxBitmapSide / std::max(high, 1.0),
                  std::sqrt(kMaxBitmapPixels / std::max(wide * high, 1.0))});
    const int pixelsWide = whole(wide * pixelsPerPoint);
    const int pixelsHigh = whole(high * pixelsPerPoint);
    const host::PixelPicture picture =
        element.effectsAlone
            ? element.hostShape->drawEffects(cornerLeft, cornerTop, pixelsPerPoint, pixelsWide,
                                             pixelsHigh)
            : element.hostShape->drawPicture(cornerLeft, cornerTop, pixelsPerPoint, pixelsWide,
                                             pixelsHigh, !element.textDrawnApart);
    if (picture.empty() || picture.width != pixelsWide || picture.height != pixelsHigh ||
        picture.pixels.size() != static_cast<std::size_t>(pixelsWide) * pixelsHigh) {
        return false;
    }
    const auto w = static_cast<std::uint32_t>(pixelsWide),
               h = static_cast<std::uint32_t>(pixelsHigh);
    // Photographs that cover their box go as JPEG; anything with transparency keeps its alpha.
    const int bitmap = job.pictureBitmap(w, h, picture.pixels, photograph);
    if (bitmap == 0) return false;
    const int shape = job.newIdentifier();
    auto filled = media::defineBitmapRectangle(shape, bitmap, w, h);
    if (!filled) return false;
    job.movie.add(std::move(filled));
    element.characterId = shape;
    element.pictureScale = static_cast<float>(pixelsPerPoint);
    element.outlineOffsetX = toTwips(element.left - origin.left) - tx;
    element.outlineOffsetY = toTwips(element.top - origin.top) - ty;
    element.transform =
        placement(tx, ty, toTwips(width), toTwips(height), 0.0f, element.pictureScale);
    return true;
}

bool buildPictureElement(ConversionJob& job, const SlideRecord& record, Element& element,
                         bool asPng, Origin origin) {
    // A photograph that is not opaque to its edges keeps its alpha after all.
    if (drawElementPicture(job, element, asPng, origin) ||
        (!asPng && drawElementPicture(job, element, true, origin))) {
        return true;
    }
    // A scratch slide shows the whole shape: no way to the effects alone.
    if (element.effectsAlone) return false;
    // A host that cannot draw in memory: the shape alone on a scratch slide, through a file.
    std::string path;
    if (!renderElementPicture(job, record, element, asPng, origin, path)) return false;
    const int key = derivedKeyColour(record.backgroundColour);
    // For PNG the scratch background becomes transparent, so the picture's margin vanishes.
    auto loader =
        asPng ? media::createImageLoader(host::redOf(key), host::greenOf(key), host::blueOf(key))
              : media::createImageLoader();
    loader->setDiagnostics(nullptr);
    if (loader->decodeFile(path) != media::Success) return false;
    const int bitmap = job.newIdentifier();
    auto image = loader->defineImage(bitmap);
    if (!image) return false;
    const int shape = job.newIdentifier();
    auto filled = loader->defineShape(shape, bitmap, 0, 0, 0, transform::FSColor(0, 0, 0));
    if (!filled) return false;
    job.movie.add(std::move(image));
    job.movie.add(std::move(filled));
    element.characterId = shape;
    return true;
}

}  // namespace quillet::engine
