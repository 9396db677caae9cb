// libFuzzer target for the .pptx package reader: opens the input as a package, resolves the whole
// presentation and reads everything the engine may ask of it through the host interface. Any
// input must end in a model or a PackageError; crashes, sanitizer reports, hangs and unbounded
// allocations are findings.
//
// Mutated ZIP entries mostly fail their checksums, so an input that starts with '<' is taken as
// the XML of a slide instead and packed into a small deck (layout with placeholders, master,
// theme) before reading: that way the mutations reach the XML readers behind the package.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/host.h"
#include "host/pptx/package.h"
#include "host/pptx/pptx_host.h"
#include "host/pptx/reader.h"
#include "tests/host/test_deck.h"

namespace {

using namespace quillet;

void touchShapes(const host::Shapes& shapes, int depth);

void touchShape(const host::Shape& s, int depth) {
    (void)s.type();
    (void)s.autoShapeType();
    (void)s.adjustments();
    (void)s.nodes();
    (void)s.vertexCount();
    (void)s.line()->foreColorRgb();
    auto fill = s.fill();
    (void)fill->type();
    (void)fill->gradientStyle();
    (void)fill->gradientStops();
    if (auto pic = s.picture()) (void)pic->contentType();
    if (auto a = s.animationSettings()) (void)a->entryEffect();
    if (auto frame = s.textFrame()) {
        auto range = frame->textRange();
        (void)range->text();
        int paragraphs = range->paragraphCount();
        for (int p = 1; p <= paragraphs && p <= 64; ++p) {
            auto para = range->paragraphs(p);
            (void)para->paragraphFormat()->bullet()->font()->name();
            for (int r = 1; r <= para->runCount() && r <= 64; ++r) {
                (void)para->runs(r)->font()->size();
            }
            (void)para->characters(1, 1)->text();
        }
    }
    if (auto members = s.groupItems()) touchShapes(*members, depth + 1);
}

void touchShapes(const host::Shapes& shapes, int depth) {
    if (depth > 40) return;
    for (int i = 1; i <= shapes.count(); ++i) touchShape(*shapes.item(i), depth);
}

// Walks the table grids the renderer reads: every cell's text, fill and borders.
void touchTableShapes(const pptx::ShapeList& list, int depth) {
    if (depth > 40) return;
    for (const pptx::ShapePtr& s : list.items) {
        if (s->table) {
            for (const pptx::TableRow& row : s->table->rows) {
                for (const pptx::TableCell& cell : row.cells) {
                    (void)cell.text->paragraphs.size();
                    (void)cell.fill.color.rgb;
                    (void)cell.borderLeft.weight;
                }
            }
        }
        if (s->children) touchTableShapes(*s->children, depth + 1);
    }
}

void touchTables(const pptx::PresentationData& model) {
    for (const auto& slide : model.slides) touchTableShapes(*slide->shapes, 0);
}

// A deck around one slide part, with a title layout holding placeholders and decoration.
std::vector<std::uint8_t> slideDeck(const std::string& slide) {
    test::DeckRecipe recipe;
    recipe.layoutType = "title";
    recipe.layoutShapes =
        "<p:sp><p:nvSpPr><p:cNvPr id=\"2\" name=\"T\"/><p:cNvSpPr/><p:nvPr><p:ph "
        "type=\"title\"/></p:nvPr></p:nvSpPr><p:spPr><a:xfrm><a:off x=\"12700\" y=\"12700\"/>"
        "<a:ext cx=\"127000\" cy=\"127000\"/></a:xfrm></p:spPr><p:txBody><a:bodyPr/><a:lstStyle>"
        "<a:lvl1pPr><a:defRPr sz=\"2000\"/></a:lvl1pPr></a:lstStyle><a:p/></p:txBody></p:sp>"
        "<p:sp><p:nvSpPr><p:cNvPr id=\"3\" name=\"B\"/><p:cNvSpPr/><p:nvPr><p:ph "
        "idx=\"1\"/></p:nvPr></p:nvSpPr><p:spPr/></p:sp>" +
        test::rect(9, "Logo", 0, 0, 12700, 12700);
    recipe.slides.push_back(slide);
    return test::makeDeck(recipe, true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pptx::PackageLimits limits;
    limits.maxPartSize = 8u << 20;
    limits.maxXmlPartSize = 8u << 20;
    limits.maxTotalInflated = 32u << 20;
    std::vector<std::uint8_t> bytes(data, data + size);
    if (size > 0 && data[0] == '<') bytes = slideDeck(std::string(data, data + size));
    std::shared_ptr<pptx::PresentationData> model;
    try {
        auto package = pptx::Package::openMemory(std::move(bytes), limits);
        model = pptx::readPresentation(package);
    } catch (const pptx::PackageError&) {
        return 0;
    }
    touchTables(*model);
    auto app = pptx::applicationFor(model, "fuzz.pptx");
    auto p = app->activePresentation();
    for (const auto& m : {p->slideMaster(), p->titleMaster()}) {
        if (m) touchShapes(*m->shapes(), 0);
    }
    auto slides = p->slides();
    for (int i = 1; i <= slides->count(); ++i) {
        auto slide = slides->item(i);
        (void)slide->background()->foreColorRgb();
        (void)slide->transition()->entryEffect();
        touchShapes(*slide->shapes(), 0);
    }
    return 0;
}
