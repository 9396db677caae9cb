// A small presentation host in memory for the element builders' tests: shapes with every
// property the builders read, copy and paste through a clipboard, scratch presentations, and
// slide export that draws the pasted shapes' boxes as solid blocks on the background colour into
// a real BMP file, so the picture route runs end to end.
#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"

namespace quillet::elementstest {

using namespace quillet::host;

class TFill : public Fill {
  public:
    int visible_ = kTrue;
    int type_ = fill_type::kSolid;
    int fore_ = rgb(255, 0, 0);
    int back_ = rgb(0, 0, 255);
    float transparency_ = 0;
    int style_ = gradient_style::kHorizontal;
    std::vector<GradientStop> stops_;  // the full gradient; empty: style and variant alone
    float angle_ = 0;
    std::string path_;
    int variant_ = 1;
    int visible() const override { return visible_; }
    int type() const override { return type_; }
    int foreColorRgb() const override { return fore_; }
    int backColorRgb() const override { return back_; }
    float transparency() const override { return transparency_; }
    int gradientStyle() const override { return style_; }
    int gradientVariant() const override { return variant_; }
    std::vector<GradientStop> gradientStops() const override { return stops_; }
    float gradientAngle() const override { return angle_; }
    std::string gradientPath() const override { return path_; }
    int pattern() const override { return 0; }
    std::shared_ptr<Picture> picture() const override { return nullptr; }
    int tiled() const override { return kFalse; }
    void setForeColorRgb(int value) override { fore_ = value; }
    void setVisible(int value) override { visible_ = value; }
    // The picture of a picture, texture or pattern fill, as the host would draw it.
    FillPicture picture_;
    FillPicture drawFillPicture(double, double, double) const override { return picture_; }
};

class TLine : public LineFormat {
  public:
    int visible_ = kTrue;
    float weight_ = 1.0f;
    int fore_ = rgb(0, 0, 255);
    float transparency_ = 0;
    int dash_ = dash_style::kSolid;
    int style_ = line_style::kSingle;
    int begin_ = arrowhead::kNone;
    int end_ = arrowhead::kNone;
    int fillType_ = fill_type::kSolid;
    int visible() const override { return visible_; }
    float weight() const override { return weight_; }
    int foreColorRgb() const override { return fore_; }
    float transparency() const override { return transparency_; }
    int fillType() const override { return fillType_; }
    int dashStyle() const override { return dash_; }
    int style() const override { return style_; }
    int beginArrowheadStyle() const override { return begin_; }
    int beginArrowheadLength() const override { return arrowhead::kMediumLength; }
    int beginArrowheadWidth() const override { return arrowhead::kMediumWidth; }
    int endArrowheadStyle() const override { return end_; }
    int endArrowheadLength() const override { return arrowhead::kMediumLength; }
    int endArrowheadWidth() const override { return arrowhead::kMediumWidth; }
    void setForeColorRgb(int value) override { fore_ = value; }
    void setVisible(int value) override { visible_ = value; }
};

class TShapes;

// What the application's objects share: the clipboard and the record of exports.
struct TSession {
    std::shared_ptr<class TShape> clipboard;
    std::vector<std::string> exported;
    int presentationsMade = 0;
    int presentationsClosed = 0;
    bool exportWorks = true;
};

class TShape : public Shape, public std::enable_shared_from_this<TShape> {
  public:
    // Weak: the session's clipboard holds shapes, which must not keep their session alive.
    std::weak_ptr<TSession> session;
    int type_ = shape_type::kAutoShape;
    int kind_ = shape_kind::kRectangle;
    std::vector<float> adjustments_;
    float left_ = 0, top_ = 0, width_ = 100, height_ = 50, rotation_ = 0;
    int flipH_ = kFalse, flipV_ = kFalse, visible_ = kTrue;
    std::shared_ptr<TLine> line_ = std::make_shared<TLine>();
    std::shared_ptr<TFill> fill_ = std::make_shared<TFill>();
    std::shared_ptr<TShapes> members_;
    std::vector<ShapeNode> nodes_;
    ShapePath path_;
    ShapeEffects effects_;
    int vertexCount_ = 0;
    bool lockAspect_ = true;

    int id() const override { return 1; }
    std::string name() const override { return "shape"; }
    int type() const override { return type_; }
    int autoShapeType() const override { return kind_; }
    std::vector<float> adjustments() const override { return adjustments_; }
    float left() const override { return left_; }
    float top() const override { return top_; }
    float width() const override { return width_; }
    float height() const override { return height_; }
    float rotation() const override { return rotation_; }
    int horizontalFlip() const override { return flipH_; }
    int verticalFlip() const override { return flipV_; }
    int visible() const override { return visible_; }
    int zOrderPosition() const override { return 1; }
    int connector() const override { return kFalse; }
    std::shared_ptr<LineFormat> line() const override { return line_; }
    std::shared_ptr<Fill> fill() const override { return fill_; }
    int hasTextFrame() const override { return kFalse; }
    std::shared_ptr<TextFrame> textFrame() const override { return nullptr; }
    std::shared_ptr<AnimationSettings> animationSettings() const override { return nullptr; }
    std::shared_ptr<Shapes> groupItems() const override;
    std::vector<ShapeNode> nodes() const override { return nodes_; }
    ShapePath path() const override { return path_; }
    ShapeEffects effects() const override { return effects_; }
    int vertexCount() const override { return vertexCount_; }
    int placeholderType() const override { return 0; }
    std::shared_ptr<Picture> picture() const override { return nullptr; }
    PictureCrop pictureCrop() const override { return {}; }
    void setLeft(float v) override { left_ = v; }
    void setTop(float v) override { top_ = v; }
    void setWidth(float v) override { width_ = v; }
    void setHeight(float v) override { height_ = v; }
    void setLockAspectRatio(int v) override { lockAspect_ = v == kTrue; }
    void deleteShape() override {}
    void copy() override {
        if (auto shared = session.lock()) shared->clipboard = std::make_shared<TShape>(*this);
    }
};

class TShapes : public Shapes {
  public:
    std::shared_ptr<TSession> session;
    std::vector<std::shared_ptr<TShape>> items;
    int count() const override { return static_cast<int>(items.size()); }
    std::shared_ptr<Shape> item(int index) const override {
        return index >= 1 && index <= count() ? items[static_cast<std::size_t>(index - 1)]
                                              : nullptr;
    }
    std::shared_ptr<Shape> paste() override {
        if (!session || !session->clipboard) return nullptr;
        items.push_back(std::make_shared<TShape>(*session->clipboard));
        return items.back();
    }
};

inline std::shared_ptr<Shapes> TShape::groupItems() const {
    return type_ == shape_type::kGroup ? members_ : nullptr;
}

// A 24-bit BMP, rows bottom-up, of the given pixels (RGB, red in the low byte).
inline void writeBmp(const std::string& path, int width, int height,
                     const std::vector<int>& pixels) {
    const int row = (width * 3 + 3) / 4 * 4;
    const int size = 54 + row * height;
    std::vector<std::uint8_t> b(static_cast<std::size_t>(size), 0);
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[static_cast<std::size_t>(at + i)] = (v >> (8 * i)) & 0xFF;
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    b[26] = 1, b[28] = 24;
    put32(34, static_cast<std::uint32_t>(row * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int c = pixels[static_cast<std::size_t>(y * width + x)];
            const std::size_t at = 54 + static_cast<std::size_t>((height - 1 - y) * row + x * 3);
            b[at] = static_cast<std::uint8_t>(blueOf(c));
            b[at + 1] = static_cast<std::uint8_t>(greenOf(c));
            b[at + 2] = static_cast<std::uint8_t>(redOf(c));
        }
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

class TSlide : public Slide {
  public:
    std::shared_ptr<TSession> session;
    std::shared_ptr<TShapes> shapes_ = std::make_shared<TShapes>();
    std::shared_ptr<TFill> background_ = std::make_shared<TFill>();
    float width_ = 720, height_ = 540;  // points
    int follow_ = kTrue;
    int slideIndex() const override { return 1; }
    int slideId() const override { return 256; }
    std::string name() const override { return "Slide1"; }
    int layout() const override { return 12; }
    std::shared_ptr<Shapes> shapes() const override { return shapes_; }
    std::shared_ptr<SlideTransition> transition() const override { return nullptr; }
    std::shared_ptr<Master> master() const override { return nullptr; }
    std::shared_ptr<Fill> background() const override { return background_; }
    int displayMasterShapes() const override { return kTrue; }
    void setDisplayMasterShapes(int) override {}
    int followMasterBackground() const override { return follow_; }
    void setFollowMasterBackground(int v) override { follow_ = v; }
    // Draws each shape's unturned box as a block of its fill colour, scaled from points to the
    // picture's pixels.
    bool exportPicture(const std::string& path, const std::string&, int width,
                       int height) override {
        if (!session || !session->exportWorks || width <= 0 || height <= 0) return false;
        session->exported.push_back(path);
        std::vector<int> pixels(static_cast<std::size_t>(width * height),
                                background_->foreColorRgb());
        const double sx = width / width_, sy = height / height_;
        for (const auto& s : shapes_->items) {
            const int x0 = static_cast<int>(std::lround(s->left_ * sx));
            const int y0 = static_cast<int>(std::lround(s->top_ * sy));
            const int x1 = static_cast<int>(std::lround((s->left_ + s->width_) * sx));
            const int y1 = static_cast<int>(std::lround((s->top_ + s->height_) * sy));
            for (int y = std::max(y0, 0); y < std::min(y1, height); ++y) {
                for (int x = std::max(x0, 0); x < std::min(x1, width); ++x) {
                    pixels[static_cast<std::size_t>(y * width + x)] = s->fill_->fore_;
                }
            }
        }
        writeBmp(path, width, height, pixels);
        return true;
    }
};

class TSlides : public Slides {
  public:
    std::shared_ptr<TSession> session;
    std::shared_ptr<class TPageSetup> setup;
    std::vector<std::shared_ptr<TSlide>> items;
    int count() const override { return static_cast<int>(items.size()); }
    std::shared_ptr<Slide> item(int index) const override {
        return index >= 1 && index <= count() ? items[static_cast<std::size_t>(index - 1)]
                                              : nullptr;
    }
    std::shared_ptr<Slide> add(int index, int layoutCode) override;
};

class TPageSetup : public PageSetup {
  public:
    int size_ = 1;
    float width_ = 720, height_ = 540;
    int slideSize() const override { return size_; }
    void setSlideSize(int code) override { size_ = code; }
    float slideWidth() const override { return width_; }
    float slideHeight() const override { return height_; }
    void setSlideWidth(float v) override { width_ = v; }
    void setSlideHeight(float v) override { height_ = v; }
};

inline std::shared_ptr<Slide> TSlides::add(int, int) {
    auto slide = std::make_shared<TSlide>();
    slide->session = session;
    slide->shapes_->session = session;
    slide->width_ = setup->width_;
    slide->height_ = setup->height_;
    items.push_back(slide);
    return slide;
}

class TPresentation : public Presentation {
  public:
    std::shared_ptr<TSession> session;
    std::string fullName_;
    std::shared_ptr<TPageSetup> setup_ = std::make_shared<TPageSetup>();
    std::shared_ptr<TSlides> slides_ = std::make_shared<TSlides>();
    TPresentation() { slides_->setup = setup_; }
    int saved() const override { return kTrue; }
    bool save() override { return true; }
    std::string fullName() const override { return fullName_; }
    std::string name() const override { return "deck.pptx"; }
    std::shared_ptr<Master> slideMaster() const override { return nullptr; }
    std::shared_ptr<Master> titleMaster() const override { return nullptr; }
    std::shared_ptr<Slides> slides() const override { return slides_; }
    std::shared_ptr<PageSetup> pageSetup() const override { return setup_; }
    bool saveCopyAs(const std::string&, int, int) override { return false; }
    void close() override {
        if (session) ++session->presentationsClosed;
    }
};

class TPresentations : public Presentations {
  public:
    std::shared_ptr<TSession> session;
    std::vector<std::shared_ptr<TPresentation>> items;
    int count() const override { return static_cast<int>(items.size()); }
    std::shared_ptr<Presentation> item(int index) const override {
        return index >= 1 && index <= count() ? items[static_cast<std::size_t>(index - 1)]
                                              : nullptr;
    }
    std::shared_ptr<Presentation> open(const std::string&, int, int, int) override {
        return nullptr;
    }
    std::shared_ptr<Presentation> add(int) override {
        auto p = std::make_shared<TPresentation>();
        p->session = session;
        p->slides_->session = session;
        ++session->presentationsMade;
        items.push_back(p);
        return p;
    }
    std::string lastError() const override { return {}; }
};

class TApplication : public Application {
  public:
    std::shared_ptr<TSession> session = std::make_shared<TSession>();
    std::shared_ptr<TPresentations> presentations_ = std::make_shared<TPresentations>();
    std::shared_ptr<TPresentation> active_;
    explicit TApplication(const std::string& fullName) {
        presentations_->session = session;
        active_ = std::static_pointer_cast<TPresentation>(presentations_->add(kFalse));
        active_->fullName_ = fullName;
    }
    std::shared_ptr<Presentation> activePresentation() const override { return active_; }
    std::shared_ptr<Presentations> presentations() const override { return presentations_; }
};

}  // namespace quillet::elementstest
