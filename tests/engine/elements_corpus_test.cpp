// Element building on real decks through the .pptx host: every shape that has a vector form
// becomes a character, every other one is routed to the host's pictures (and becomes one whenever
// the host could draw it), and a movie of all the elements is read by our library and by the
// independent parser.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/elements.h"
#include "engine/elements_outlines.h"
#include "engine/records.h"
#include "engine/texts.h"
#include "host/pptx/pptx_host.h"
#include "swf/display_list.h"
#include "swf/movie.h"
#include "swf/shapes.h"
#include "swf/sprites_buttons.h"
#include "test_support.h"

namespace quillet::engine {
namespace {

namespace fs = std::filesystem;

fs::path corpus() {
    return fs::path(QUILLET_CORPUS) / "pptx";
}

// Whether the builders have a vector form for the shape, judged from the host's own answers.
bool expectsVector(const host::Shape& shape) {
    auto line = shape.line();
    auto fill = shape.fill();
    const bool lineShown = line && line->visible() == host::kTrue;
    const bool fillShown = fill && fill->visible() == host::kTrue;
    bool fillConverts = false;
    if (fillShown) {
        const int type = fill->type();
        fillConverts = type == host::fill_type::kSolid ||
                       (type == host::fill_type::kGradient &&
                        (!fill->gradientStops().empty() ||
                         (fill->gradientStyle() >= 1 && fill->gradientStyle() <= 4 &&
                          fill->gradientVariant() >= 1 && fill->gradientVariant() <= 4))) ||
                       // Picture, texture and pattern fills the host draws a picture of.
                       (type != host::fill_type::kSolid && type != host::fill_type::kGradient &&
                        !fill->drawFillPicture(shape.width(), shape.height(), 1.0).empty());
    }
    // Effects that need pixels (a blurred shadow) keep the shape a picture.
    if (shape.effects().raster) return false;
    switch (shape.type()) {
        case host::shape_type::kAutoShape:
        case host::shape_type::kTextBox: {
            const int kind = shape.autoShapeType();
            const bool outlined =
                !shape.path().subPaths.empty() || isVectorKind(kind) || kind == 106;
            return outlined && ((fillShown && fillConverts) || (!fillShown && lineShown));
        }
        case host::shape_type::kLine:
            return lineShown && shape.nodes().size() >= 2;
        case host::shape_type::kPlaceholder:
            // Without text (that one may take either route): vector when drawn by its geometry.
            return !hasTextToBuild(shape) && !shape.picture() && !shape.path().subPaths.empty() &&
                   ((fillShown && fillConverts) || (!fillShown && lineShown));
        case host::shape_type::kFreeform:
            return (!shape.path().subPaths.empty() || !shape.nodes().empty()) &&
                   ((fillShown && fillConverts) || (!fillShown && lineShown));
        default:
            return false;
    }
}

struct DeckCount {
    int shapes = 0, vectors = 0, pictures = 0, notDrawn = 0, groups = 0, photographs = 0;
};

// A rectangular photograph that fills its unturned box, with no outline or effect around it: it
// goes as JPEG whatever its size.
bool isBarePhotograph(const host::Shape& shape) {
    auto picture = shape.picture();
    auto line = shape.line();
    return shape.type() == host::shape_type::kPicture && picture &&
           picture->contentType() == "image/jpeg" && shape.autoShapeType() == 1 &&
           shape.rotation() == 0 && !(line && line->visible() == host::kTrue) &&
           !shape.effects().raster && !shape.effects().hardShadow;
}

// The tag of the bitmap that fills an element's picture rectangle; null when there is none.
const transform::FSMovieObject* elementBitmap(const transform::FSMovie& movie, int characterId) {
    int bitmap = 0;
    for (const auto& tag : movie.getObjects()) {
        const auto* shape = dynamic_cast<const transform::FSDefineShape3*>(tag.get());
        if (!shape || shape->getIdentifier() != characterId) continue;
        for (const auto& fill : shape->getFillStyles()) {
            if (const auto* b = dynamic_cast<const transform::FSBitmapFill*>(fill.get())) {
                bitmap = b->getIdentifier();
            }
        }
    }
    for (const auto& tag : movie.getObjects()) {
        const auto* defined = dynamic_cast<const transform::FSDefineObject*>(tag.get());
        if (bitmap != 0 && defined && defined->getIdentifier() == bitmap) return defined;
    }
    return nullptr;
}

class ElementsCorpusTest : public ::testing::TestWithParam<const char*> {};

TEST_P(ElementsCorpusTest, EveryShapeBuildsOrIsRouted) {
    const fs::path deck = corpus() / GetParam();
    if (!fs::exists(deck)) GTEST_SKIP() << "corpus deck " << deck << " is absent";
    // Work on a copy so that the working files never land beside the corpus.
    const enginetest::ScratchDir scratch;
    const fs::path& dir = scratch.path();
    const fs::path copy = dir / deck.filename();
    fs::copy_file(deck, copy);

    auto app = pptx::openApplication(copy.string());
    SilentProgress sink;
    ConversionJob job(sink, settings::SettingsSource(dir / "settings"), 1);
    ASSERT_TRUE(job.context.takeActivePresentation(app));
    auto presentation = app->activePresentation();
    auto master = presentation->slideMaster();
    ASSERT_TRUE(master);
    job.frameBounds = transform::FSBounds(0, 0, roundHalf(master->width() * 20),
                                          roundHalf(master->height() * 20));

    DeckCount count;
    auto slides = presentation->slides();
    ASSERT_TRUE(slides);
    for (int i = 1; i <= slides->count(); ++i) {
        auto slide = slides->item(i);
        auto record = std::make_unique<SlideRecord>();
        record->index = i - 1;
        record->job = &job;
        record->shapes = slide->shapes();
        if (auto background = slide->background()) {
            record->backgroundColour = background->foreColorRgb();
        }
        buildSlideElements(job, *record);

        std::map<int, const Element*> byShape;
        for (const auto& element : record->elements) byShape[element->shapeIndex] = element.get();
        for (int k = 1; k <= record->shapes->count(); ++k) {
            auto shape = record->shapes->item(k);
            if (shape->visible() == host::kFalse) continue;
            ++count.shapes;
            const Element* element = byShape.count(k) ? byShape[k] : nullptr;
            if (expectsVector(*shape)) {
                EXPECT_NE(element, nullptr)
                    << deck.filename() << " slide " << i << " shape " << k << " (" << shape->name()
                    << ", type " << shape->type() << ", kind " << shape->autoShapeType()
                    << ") has a vector form but no element";
                if (element) ++count.vectors;
                continue;
            }
            if ((shape->type() == host::shape_type::kGroup ||
                 shape->type() == host::shape_type::kTable) &&
                element) {
                ++count.groups;
                continue;
            }
            if (element) {
                ++count.pictures;
                if (isBarePhotograph(*shape)) {
                    ++count.photographs;
                    const auto* bitmap = elementBitmap(job.movie, element->characterId);
                    EXPECT_TRUE(bitmap && std::string(bitmap->name()) == "FSDefineJPEGImage2")
                        << deck.filename() << " slide " << i << " shape " << k << ": "
                        << (bitmap ? bitmap->name() : "no bitmap");
                }
                continue;
            }
            // Not built: the host drew no picture of it (or it shows nothing at all).
            ++count.notDrawn;
            std::printf("  not drawn: slide %d shape %d \"%s\" type %d kind %d\n", i, k,
                        shape->name().c_str(), shape->type(), shape->autoShapeType());
        }

        // Each slide one frame of its elements, placed as the timeline places them.
        int depth = 1;
        for (const auto& element : record->elements) {
            job.movie.add(std::make_unique<transform::FSPlaceObject2>(
                transform::FSPlaceObject2::New, element->characterId, depth++, element->transform,
                transform::FSColorTransform()));
        }
        job.movie.add(std::make_unique<transform::FSShowFrame>());
        job.slides.push_back(std::move(record));
    }
    std::printf(
        "%s: %d shapes: %d vector, %d groups and tables, %d pictures (%d bare photographs), %d "
        "without an element (text alone, or not drawn by the host)\n",
        deck.filename().c_str(), count.shapes, count.vectors, count.groups, count.pictures,
        count.photographs, count.notDrawn);

    job.movie.setFrameSize(job.frameBounds);
    job.movie.setFrameRate(kFrameRate);
    const fs::path movieFile = dir / "elements.swf";
    ASSERT_NO_THROW(job.movie.encodeToFile(movieFile.string()));
    job.context.removeWorkingFiles();

    // Our own library reads it back tag for tag.
    transform::FSMovie back(movieFile.string());
    ASSERT_EQ(back.getObjects().size(), job.movie.getObjects().size());
    for (std::size_t i = 0; i < back.getObjects().size(); ++i) {
        EXPECT_EQ(back.getObjects()[i].getType(), job.movie.getObjects()[i].getType()) << i;
    }
    // The independent parser reads it too.
    const std::string verdict = enginetest::independentParserVerdict(movieFile.string());
    if (verdict.rfind("skip: ", 0) == 0) GTEST_SKIP() << verdict;
    EXPECT_EQ(verdict, "");
}

INSTANTIATE_TEST_SUITE_P(Decks, ElementsCorpusTest,
                         ::testing::Values("shapes.pptx", "customGeo.pptx", "dml-fill.pptx",
                                           "sample_pptx_grouping_issues.pptx"),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name) {
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace quillet::engine
