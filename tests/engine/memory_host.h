// A small presentation host in memory for focused engine tests: masters and slides with solid or
// picture backgrounds, a few shapes, and backgrounds drawn in memory in their fill's colour.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"

namespace quillet::testhost {

using namespace quillet::host;

class MemFill : public Fill {
  public:
    int type_ = fill_type::kSolid;
    int visible_ = kTrue;
    int fore_ = 0xFFFFFF;
    int back_ = 0;
    int visible() const override { return visible_; }
    int type() const override { return type_; }
    int foreColorRgb() const override { return fore_; }
    int backColorRgb() const override { return back_; }
    float transparency() const override { return 0; }
    int gradientStyle() const override { return 1; }
    int gradientVariant() const override { return 1; }
    std::vector<GradientStop> gradientStops() const override { return {}; }
    float gradientAngle() const override { return 0; }
    std::string gradientPath() const override { return {}; }
    int pattern() const override { return 0; }
    std::shared_ptr<Picture> picture() const override { return nullptr; }
    int tiled() const override { return 0; }
    void setForeColorRgb(int rgb) override { fore_ = rgb; }
    void setVisible(int v) override { visible_ = v; }
};

class MemShapes : public Shapes {
  public:
    std::vector<std::shared_ptr<Shape>> items;
    int count() const override { return static_cast<int>(items.size()); }
    std::shared_ptr<Shape> item(int index) const override {
        return index >= 1 && index <= count() ? items[index - 1] : nullptr;
    }
    std::shared_ptr<Shape> paste() override { return nullptr; }
};

// Backgrounds the host was asked to draw, as "<who> <width>x<height>".
struct DrawLog {
    std::vector<std::string> drawn;
    bool draws = true;  // false: a host that cannot draw in memory
};

// An opaque picture of one colour (RGB, red in the low byte), logged; empty when the log says
// the host cannot draw.
inline PixelPicture solidPicture(const std::shared_ptr<DrawLog>& log, const std::string& who,
                                 int rgb, int width, int height) {
    if (log) log->drawn.push_back(who + " " + std::to_string(width) + "x" + std::to_string(height));
    if (!log || !log->draws || width <= 0 || height <= 0) return {};
    const std::uint32_t pixel = 0xFF000000u | static_cast<std::uint32_t>(redOf(rgb)) << 16 |
                                static_cast<std::uint32_t>(greenOf(rgb)) << 8 |
                                static_cast<std::uint32_t>(blueOf(rgb));
    return {width, height,
            std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, pixel)};
}

class MemMaster : public Master {
  public:
    std::string name_;
    float width_ = 720, height_ = 540;
    std::shared_ptr<MemShapes> shapes_ = std::make_shared<MemShapes>();
    std::shared_ptr<MemFill> background_ = std::make_shared<MemFill>();
    std::string name() const override { return name_; }
    float width() const override { return width_; }
    float height() const override { return height_; }
    std::shared_ptr<Shapes> shapes() const override { return shapes_; }
    std::shared_ptr<Fill> background() const override { return background_; }
    std::shared_ptr<DrawLog> log_;
    PixelPicture drawBackground(double, int width, int height) const override {
        return solidPicture(log_, name_, background_->fore_, width, height);
    }
};

class MemSlide : public Slide {
  public:
    int index_ = 1;
    std::shared_ptr<MemShapes> shapes_ = std::make_shared<MemShapes>();
    std::shared_ptr<MemMaster> master_;
    std::shared_ptr<MemFill> background_ = std::make_shared<MemFill>();
    std::shared_ptr<SlideTransition> transition_;
    int displayMaster_ = kTrue;
    int followMaster_ = kTrue;
    std::shared_ptr<DrawLog> log_;
    int slideIndex() const override { return index_; }
    int slideId() const override { return 256 + index_; }
    std::string name() const override { return "Slide" + std::to_string(index_); }
    int layout() const override { return 12; }
    std::shared_ptr<Shapes> shapes() const override { return shapes_; }
    std::shared_ptr<SlideTransition> transition() const override { return transition_; }
    std::shared_ptr<Master> master() const override { return master_; }
    std::shared_ptr<Fill> background() const override {
        return followMaster_ == kTrue && master_ ? master_->background_ : background_;
    }
    int displayMasterShapes() const override { return displayMaster_; }
    void setDisplayMasterShapes(int v) override { displayMaster_ = v; }
    int followMasterBackground() const override { return followMaster_; }
    void setFollowMasterBackground(int v) override { followMaster_ = v; }
    bool exportPicture(const std::string&, const std::string&, int, int) override { return false; }
    PixelPicture drawBackground(double, int width, int height) const override {
        return solidPicture(log_, name(), background()->foreColorRgb(), width, height);
    }
};

class MemSlides : public Slides {
  public:
    std::vector<std::shared_ptr<MemSlide>> items;
    std::shared_ptr<MemMaster> master;
    std::shared_ptr<DrawLog> log;
    int count() const override { return static_cast<int>(items.size()); }
    std::shared_ptr<Slide> item(int index) const override {
        return index >= 1 && index <= count() ? items[index - 1] : nullptr;
    }
    std::shared_ptr<Slide> add(int index, int) override {
        auto slide = std::make_shared<MemSlide>();
        slide->master_ = master;
        slide->log_ = log;
        const auto at =
            std::min<std::size_t>(static_cast<std::size_t>(std::max(index, 1) - 1), items.size());
        items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), slide);
        for (std::size_t i = 0; i < items.size(); ++i) items[i]->index_ = static_cast<int>(i) + 1;
        return slide;
    }
};

class MemPresentation;

class MemPresentations : public Presentations {
  public:
    std::vector<std::shared_ptr<MemPresentation>> open_;
    std::vector<std::string> opened;  // paths asked for
    int count() const override { return static_cast<int>(open_.size()); }
    std::shared_ptr<Presentation> item(int) const override;
    std::shared_ptr<Presentation> open(const std::string& path, int, int, int) override;
    std::shared_ptr<Presentation> add(int) override { return nullptr; }
    std::string lastError() const override { return {}; }
};

class MemPresentation : public Presentation, public std::enable_shared_from_this<MemPresentation> {
  public:
    std::string fullName_;
    int saved_ = kTrue;
    int saveCalls = 0;
    std::shared_ptr<MemMaster> slideMaster_;
    std::shared_ptr<MemMaster> titleMaster_;
    std::shared_ptr<MemSlides> slides_ = std::make_shared<MemSlides>();
    std::shared_ptr<DrawLog> log_ = std::make_shared<DrawLog>();
    std::vector<std::string> copies;  // paths of copies asked for
    bool closed = false;

    int saved() const override { return saved_; }
    bool save() override {
        ++saveCalls;
        saved_ = kTrue;
        return true;
    }
    std::string fullName() const override { return fullName_; }
    std::string name() const override { return fullName_; }
    std::shared_ptr<Master> slideMaster() const override { return slideMaster_; }
    std::shared_ptr<Master> titleMaster() const override { return titleMaster_; }
    std::shared_ptr<Slides> slides() const override { return slides_; }
    std::shared_ptr<PageSetup> pageSetup() const override { return nullptr; }
    bool saveCopyAs(const std::string& path, int, int) override {
        copies.push_back(path);
        return false;
    }
    void close() override { closed = true; }
};

inline std::shared_ptr<Presentation> MemPresentations::item(int index) const {
    return index >= 1 && index <= count() ? open_[index - 1] : nullptr;
}

inline std::shared_ptr<Presentation> MemPresentations::open(const std::string& path, int, int,
                                                            int) {
    opened.push_back(path);
    return nullptr;
}

class MemApplication : public Application {
  public:
    std::shared_ptr<MemPresentation> active;
    std::shared_ptr<MemPresentations> presentations_ = std::make_shared<MemPresentations>();
    std::shared_ptr<Presentation> activePresentation() const override { return active; }
    std::shared_ptr<Presentations> presentations() const override { return presentations_; }
};

// A deck of n slides on a slide master "SlideMaster" (and a title master when asked), all
// following the master's background.
inline std::shared_ptr<MemApplication> makeDeck(const std::string& fullName, int slides,
                                                bool titleMaster = false) {
    auto app = std::make_shared<MemApplication>();
    auto p = std::make_shared<MemPresentation>();
    p->fullName_ = fullName;
    p->slideMaster_ = std::make_shared<MemMaster>();
    p->slideMaster_->name_ = "SlideMaster";
    p->slideMaster_->log_ = p->log_;
    if (titleMaster) {
        p->titleMaster_ = std::make_shared<MemMaster>();
        p->titleMaster_->name_ = "TitleMaster";
        p->titleMaster_->log_ = p->log_;
    }
    p->slides_->master = p->slideMaster_;
    p->slides_->log = p->log_;
    for (int i = 0; i < slides; ++i) p->slides_->add(i + 1, 12);
    app->active = p;
    return app;
}

}  // namespace quillet::testhost
