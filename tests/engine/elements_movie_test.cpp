// Writes a movie of built elements for the player test (elements_player.test.mjs), with the stage
// points where each element must show its colour. Runs only when QUILLET_ELEMENTS_OUT names the
// directory to write to; the player test sets it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "elements_test_host.h"
#include "engine/elements.h"
#include "engine/records.h"
#include "swf/display_list.h"
#include "swf/movie.h"

namespace quillet::engine {
namespace {

namespace fs = std::filesystem;
using namespace quillet::elementstest;

TEST(ElementsMovie, WritesShapesForThePlayer) {
    const char* out = std::getenv("QUILLET_ELEMENTS_OUT");
    if (!out || !*out) {
        GTEST_SKIP() << "QUILLET_ELEMENTS_OUT is not set: this movie is written for the player "
                        "test (ctest -R elements_player)";
    }
    const fs::path dir(out);
    fs::create_directories(dir);
    auto app = std::make_shared<TApplication>((dir / "elements.pptx").string());
    SilentProgress sink;
    ConversionJob job(sink, settings::SettingsSource(dir / "settings"), 1);
    ASSERT_TRUE(job.context.takeActivePresentation(app));
    job.frameBounds = transform::FSBounds(0, 0, 8000, 6000);  // 400 x 300 points

    auto shapes = std::make_shared<TShapes>();
    shapes->session = app->session;
    SlideRecord record;
    record.index = 0;
    record.job = &job;
    record.shapes = shapes;
    record.backgroundColour = rgb(255, 255, 255);
    auto add = [&](std::shared_ptr<TShapes> list, int type, int kind, float left, float top,
                   float width, float height, int fill) {
        auto s = std::make_shared<TShape>();
        s->session = app->session;
        s->type_ = type, s->kind_ = kind;
        s->left_ = left, s->top_ = top, s->width_ = width, s->height_ = height;
        s->fill_->fore_ = fill;
        s->line_->visible_ = kFalse;
        list->items.push_back(s);
        return s;
    };
    add(shapes, shape_type::kAutoShape, shape_kind::kRectangle, 20, 20, 100, 50, rgb(255, 0, 0));
    auto turned = add(shapes, shape_type::kAutoShape, shape_kind::kRectangle, 200, 20, 100, 40,
                      rgb(0, 0, 255));
    turned->rotation_ = 90;
    auto group = add(shapes, shape_type::kGroup, shape_kind::kMixed, 20, 150, 130, 50, 0);
    group->members_ = std::make_shared<TShapes>();
    group->members_->session = app->session;
    add(group->members_, shape_type::kAutoShape, shape_kind::kRectangle, 30, 160, 40, 40,
        rgb(0, 160, 0));
    add(group->members_, shape_type::kAutoShape, shape_kind::kIsoscelesTriangle, 100, 160, 40, 40,
        rgb(255, 200, 0));
    auto line = add(shapes, shape_type::kLine, shape_kind::kMixed, 200, 200, 150, 0, 0);
    line->nodes_ = {{200, 200, segment::kLine, false}, {350, 200, segment::kLine, false}};
    line->line_->visible_ = kTrue;
    line->line_->weight_ = 2;
    line->line_->fore_ = rgb(0, 0, 0);
    line->line_->end_ = arrowhead::kTriangle;
    auto gradient = add(shapes, shape_type::kAutoShape, shape_kind::kRectangle, 200, 240, 100, 40,
                        rgb(255, 0, 0));
    gradient->fill_->type_ = fill_type::kGradient;
    gradient->fill_->back_ = rgb(0, 0, 255);
    gradient->fill_->style_ = gradient_style::kVertical;  // colours run left to right
    gradient->fill_->variant_ = 1;
    add(shapes, shape_type::kAutoShape, shape_kind::kOval, 20, 230, 60, 40, rgb(255, 0, 255));

    // Drawn from the host's path: a frame whose hole shows the stage, a box whose upper half is
    // shaded darker, and a radial gradient from red in the middle to blue at the corners.
    auto rectangle = [](float l, float t, float r, float b) {
        using K = PathSegment;
        return std::vector<PathSegment>{{K::kMove, {l}, {t}},
                                        {K::kLine, {r}, {t}},
                                        {K::kLine, {r}, {b}},
                                        {K::kLine, {l}, {b}},
                                        {K::kClose, {}, {}}};
    };
    auto frame =
        add(shapes, shape_type::kAutoShape, shape_kind::kMixed, 320, 20, 70, 50, rgb(0, 128, 0));
    SubPath ring;
    ring.segments = rectangle(320, 20, 390, 70);
    for (const auto& s : rectangle(335, 30, 375, 60)) ring.segments.push_back(s);
    frame->path_.subPaths = {ring};
    auto shaded =
        add(shapes, shape_type::kAutoShape, shape_kind::kMixed, 320, 90, 70, 50, rgb(255, 0, 0));
    SubPath body, top;
    body.segments = rectangle(320, 90, 390, 140);
    top.segments = rectangle(320, 90, 390, 115);
    top.fill = path_fill::kDarken;
    shaded->path_.subPaths = {body, top};
    auto radial =
        add(shapes, shape_type::kAutoShape, shape_kind::kMixed, 320, 235, 60, 60, rgb(0, 0, 0));
    radial->fill_->type_ = fill_type::kGradient;
    radial->fill_->stops_ = {
        {0, rgb(255, 0, 0), 0}, {0.5f, rgb(255, 0, 0), 0}, {1, rgb(0, 0, 255), 0}};
    radial->fill_->path_ = "circle";
    SubPath square;
    square.segments = rectangle(320, 235, 380, 295);
    radial->path_.subPaths = {square};

    buildSlideElements(job, record);
    ASSERT_EQ(record.elements.size(), 9u);

    job.movie.add(
        std::make_unique<transform::FSSetBackgroundColor>(transform::FSColor(255, 255, 255)));
    int depth = 1;
    for (const auto& element : record.elements) {
        job.movie.add(std::make_unique<transform::FSPlaceObject2>(
            transform::FSPlaceObject2::New, element->characterId, depth++, element->transform,
            transform::FSColorTransform()));
    }
    job.movie.add(std::make_unique<transform::FSShowFrame>());
    job.movie.setFrameSize(job.frameBounds);
    job.movie.setFrameRate(kFrameRate);
    job.movie.encodeToFile((dir / "elements.swf").string());
    job.context.removeWorkingFiles();

    std::string tags;
    for (std::size_t i = 0; i < job.movie.getObjects().size(); ++i) {
        tags += (i ? "," : "") + std::to_string(job.movie.getObjects()[i].getType());
    }
    // Stage points (1 point = 1 pixel) and the colour each must show; edges are avoided.
    std::ofstream manifest(dir / "elements.json");
    manifest << "{\"file\": \"elements.swf\", \"tags\": [" << tags << "], \"sample\": [\n"
             << R"({"x": 70, "y": 45, "rgb": [255, 0, 0], "tolerance": 8, "what": "rectangle"},
{"x": 10, "y": 10, "rgb": [255, 255, 255], "tolerance": 8, "what": "stage"},
{"x": 250, "y": 80, "rgb": [0, 0, 255], "tolerance": 8, "what": "turned box, below its unturned place"},
{"x": 290, "y": 40, "rgb": [255, 255, 255], "tolerance": 8, "what": "where the box stood before it turned"},
{"x": 50, "y": 180, "rgb": [0, 160, 0], "tolerance": 8, "what": "group member 1"},
{"x": 120, "y": 190, "rgb": [255, 200, 0], "tolerance": 8, "what": "group member 2, triangle"},
{"x": 103, "y": 163, "rgb": [255, 255, 255], "tolerance": 8, "what": "beside the triangle's apex"},
{"x": 275, "y": 200, "rgb": [0, 0, 0], "tolerance": 70, "what": "line"},
{"x": 346, "y": 200, "rgb": [0, 0, 0], "tolerance": 70, "what": "arrowhead"},
{"x": 203, "y": 260, "rgb": [255, 0, 0], "tolerance": 12, "what": "gradient's left end"},
{"x": 297, "y": 260, "rgb": [0, 0, 255], "tolerance": 12, "what": "gradient's right end"},
{"x": 50, "y": 250, "rgb": [255, 0, 255], "tolerance": 8, "what": "picture of the oval"},
{"x": 19, "y": 250, "rgb": [255, 255, 255], "tolerance": 8, "what": "the picture's keyed margin"},
{"x": 327, "y": 45, "rgb": [0, 128, 0], "tolerance": 8, "what": "frame"},
{"x": 355, "y": 45, "rgb": [255, 255, 255], "tolerance": 8, "what": "the frame's hole"},
{"x": 355, "y": 100, "rgb": [153, 0, 0], "tolerance": 8, "what": "shaded upper half"},
{"x": 355, "y": 130, "rgb": [255, 0, 0], "tolerance": 8, "what": "unshaded lower half"},
{"x": 350, "y": 265, "rgb": [255, 0, 0], "tolerance": 12, "what": "radial gradient's middle"},
{"x": 378, "y": 293, "rgb": [0, 0, 255], "tolerance": 40, "what": "radial gradient's corner"})"
             << "\n]}\n";
    ASSERT_TRUE(manifest.good());
}

}  // namespace
}  // namespace quillet::engine
