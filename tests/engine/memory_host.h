// A small presentation host in memory for focused engine tests: masters and slides with solid or
// picture backgrounds, a few shapes, and picture export that writes a real (BMP) picture file.
#pragma once

#include <cstdint>
#include <fstream>
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
};

// A 2 x 2 24-bit BMP of one colour (RGB, red in the low byte).
inline std::vector<std::uint8_t> bmpPicture(int rgb, int width = 2, int height = 2) {
    const int row = (width * 3 + 3) / 4 * 4;
    const int size = 54 + row * height;
    std::vector<std::uint8_t> b(static_cast<std::size_t>(size), 0);
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<std::uint32_t>(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    b[26] = 1;
    b[28] = 24;
    put32(34, static_cast<std::uint32_t>(row * height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int at = 54 + y * row + x * 3;
            b[at] = static_cast<std::uint8_t>(rgb >> 16);
            b[at + 1] = static_cast<std::uint8_t>(rgb >> 8);
            b[at + 2] = static_cast<std::uint8_t>(rgb);
        }
    }
    return b;
}

struct ExportLog {
    std::vector<std::string> paths;
    bool writes = true;  // false: export fails as a host without a renderer does
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
    std::shared_ptr<ExportLog> log_;
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
    bool exportPicture(const std::string& path, const std::string&, int width,
                       int height) override {
        if (log_) log_->paths.push_back(path);
        if (!log_ || !log_->writes) return false;
        std::ofstream out(path, std::ios::binary);
        const auto bytes = bmpPicture(background()->foreColorRgb(), width, height);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return static_cast<bool>(out);
    }
};

class MemSlides : public Slides {
  public:
    std::vector<std::shared_ptr<MemSlide>> items;
    std::shared_ptr<MemMaster> master;
    std::shared_ptr<ExportLog> log;
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
    std::shared_ptr<MemPresentation> original;
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
    std::shared_ptr<ExportLog> log_ = std::make_shared<ExportLog>();
    std::vector<std::string> copies;  // paths of copies written
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
        std::ofstream out(path, std::ios::binary);
        out << "copy";
        copies.push_back(path);
        return static_cast<bool>(out);
    }
    void close() override { closed = true; }

    // A copy sharing masters and with fresh slides of the same backgrounds.
    std::shared_ptr<MemPresentation> duplicate(const std::string& path) const {
        auto p = std::make_shared<MemPresentation>();
        p->fullName_ = path;
        p->slideMaster_ = slideMaster_;
        p->titleMaster_ = titleMaster_;
        p->log_ = log_;
        p->slides_->master = slideMaster_;
        p->slides_->log = log_;
        for (const auto& s : slides_->items) {
            auto c = std::make_shared<MemSlide>(*s);
            c->shapes_ = std::make_shared<MemShapes>(*s->shapes_);
            c->log_ = log_;
            p->slides_->items.push_back(c);
        }
        return p;
    }
};

inline std::shared_ptr<Presentation> MemPresentations::item(int index) const {
    return index >= 1 && index <= count() ? open_[index - 1] : nullptr;
}

inline std::shared_ptr<Presentation> MemPresentations::open(const std::string& path, int, int,
                                                            int) {
    opened.push_back(path);
    if (!original) return nullptr;
    auto copy = original->duplicate(path);
    open_.push_back(copy);
    return copy;
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
    if (titleMaster) {
        p->titleMaster_ = std::make_shared<MemMaster>();
        p->titleMaster_->name_ = "TitleMaster";
    }
    p->slides_->master = p->slideMaster_;
    p->slides_->log = p->log_;
    for (int i = 0; i < slides; ++i) p->slides_->add(i + 1, 12);
    app->active = p;
    app->presentations_->original = p;
    return app;
}

}  // namespace quillet::testhost
