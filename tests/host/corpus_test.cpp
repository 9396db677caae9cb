// The .pptx host on the real decks of the corpus. Expected values were read by hand from the XML
// of each file (unzip -p DECK part) and worked out from it: EMU / 12700 for points, theme colours
// through the colour map with their transforms, preset and effect names to the host's codes.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <set>

#include "host/pptx/package.h"
#include "host/pptx/pptx_host.h"
#include "tests/host/test_deck.h"

namespace quillet::pptx {
namespace {

namespace fs = std::filesystem;

using test::corpusDecks;
using test::hex;

std::shared_ptr<host::Presentation> deck(const std::string& name) {
    return openApplication((corpusDecks() / name).string())->activePresentation();
}

std::shared_ptr<host::Shape> findShape(const host::Shapes& shapes, int id) {
    for (int i = 1; i <= shapes.count(); ++i) {
        auto s = shapes.item(i);
        if (s->id() == id) return s;
        if (auto members = s->groupItems()) {
            if (auto found = findShape(*members, id)) return found;
        }
    }
    return nullptr;
}

// Reads everything the engine may ask of a shape, to prove nothing on the way fails.
int touch(const host::Shape& s) {
    int n = 1;
    (void)s.type();
    (void)s.adjustments();
    (void)s.nodes();
    (void)s.vertexCount();
    (void)s.line()->foreColorRgb();
    (void)s.fill()->gradientVariant();
    (void)s.fill()->gradientStops();
    if (auto pic = s.picture()) (void)pic->contentType();
    if (auto a = s.animationSettings()) (void)a->entryEffect();
    if (auto frame = s.textFrame()) {
        auto range = frame->textRange();
        for (int p = 1; p <= range->paragraphCount(); ++p) {
            auto para = range->paragraphs(p);
            (void)para->paragraphFormat()->bullet()->font()->name();
            for (int r = 1; r <= para->runCount(); ++r) (void)para->runs(r)->font()->colorRgb();
        }
    }
    if (auto members = s.groupItems()) {
        for (int i = 1; i <= members->count(); ++i) n += touch(*members->item(i));
    }
    return n;
}

TEST(Corpus, EveryDeckOpensOrFailsWithAClearMessage) {
    NEED_CORPUS();
    int opened = 0;
    for (const auto& entry : fs::directory_iterator(corpusDecks())) {
        if (entry.path().extension() != ".pptx") continue;
        std::string name = entry.path().filename().string();
        std::shared_ptr<host::Application> app;
        try {
            app = openApplication(entry.path().string());
        } catch (const PackageError& e) {
            std::string message = e.what();
            // Only the two files that are not packages may fail, and each says why.
            if (name == "SamplePassword.pptx") {
                EXPECT_NE(message.find("encrypted"), std::string::npos) << message;
            } else if (name.rfind("clusterfuzz", 0) == 0) {
                EXPECT_NE(message.find("not an Office Open XML package"), std::string::npos)
                    << message;
            } else {
                ADD_FAILURE() << name << ": " << message;
            }
            continue;
        }
        ++opened;
        auto p = app->activePresentation();
        ASSERT_NE(p, nullptr) << name;
        ASSERT_NE(p->slideMaster(), nullptr) << name;
        EXPECT_GT(p->slideMaster()->width(), 0) << name;
        int shapes = 0;
        for (int i = 1; i <= p->slides()->count(); ++i) {
            auto slide = p->slides()->item(i);
            ASSERT_NE(slide->master(), nullptr) << name << " slide " << i;
            (void)slide->background()->foreColorRgb();
            (void)slide->transition()->entryEffect();
            for (int k = 1; k <= slide->shapes()->count(); ++k) {
                shapes += touch(*slide->shapes()->item(k));
            }
        }
        if (name != "no-slides.pptx") {
            EXPECT_GT(p->slides()->count(), 0) << name;
        }
        // The one slide of PPTX_SlideNoteWithRichText has an empty shape tree.
        if (name != "no-slides.pptx" && name != "PPTX_SlideNoteWithRichText.pptx") {
            EXPECT_GT(shapes, 0) << name;
        }
        auto model = modelOf(*p);
        ASSERT_NE(model, nullptr);
        // Every picture of the corpus, vector metafiles too, is drawn: nothing is left out.
        EXPECT_TRUE(model->warnings.empty())
            << name << ": " << (model->warnings.empty() ? "" : model->warnings.front());
    }
    EXPECT_EQ(opened, 28);
}

TEST(Corpus, SlideCountsAndSizes) {
    NEED_CORPUS();
    struct Expect {
        const char* name;
        int slides;
        float width, height;
    };
    // sldIdLst entries and sldSz from ppt/presentation.xml.
    const Expect expected[] = {
        {"keyframes.pptx", 28, 720, 540},
        {"customGeo.pptx", 48, 720, 540},
        {"60810.pptx", 28, 720, 405},
        {"no-slides.pptx", 0, 720, 540},
        {"PPTX_ChartBar.pptx", 3, 793.75f, 595.25f},
        {"au.asn.aes.www_conferences_2011_presentations_Fri_20Room4Level4_20930_20Maloney.pptx", 28,
         780, 540},
        {"smartart-simple.pptx", 1, 141.75f, 85},
    };
    for (const Expect& e : expected) {
        auto p = deck(e.name);
        EXPECT_EQ(p->slides()->count(), e.slides) << e.name;
        EXPECT_NEAR(p->pageSetup()->slideWidth(), e.width, 0.05) << e.name;
        EXPECT_NEAR(p->pageSetup()->slideHeight(), e.height, 0.05) << e.name;
    }
}

TEST(Corpus, DmlFillShapesFillsAndColours) {
    NEED_CORPUS();
    auto p = deck("dml-fill.pptx");
    auto shapes = p->slides()->item(1)->shapes();
    ASSERT_EQ(shapes->count(), 6);
    for (int i = 1; i <= 6; ++i) {
        auto s = shapes->item(i);
        EXPECT_EQ(s->type(), host::shape_type::kAutoShape);
        EXPECT_EQ(s->autoShapeType(), host::shape_kind::kRoundedRectangle);
        EXPECT_NEAR(s->width(), 1368245 / 12700.0, 1e-3);
        EXPECT_FLOAT_EQ(s->height(), 72);  // 914400 EMU
        // lnRef idx 1 with accent1: 9525 EMU, 4F81BD shaded to 95 % and saturated 105 %.
        EXPECT_FLOAT_EQ(s->line()->weight(), 0.75f);
        EXPECT_EQ(s->line()->foreColorRgb(), hex(0x4A7EBB));
    }
    EXPECT_FLOAT_EQ(shapes->item(1)->left(), 36);        // x 457200
    EXPECT_NEAR(shapes->item(2)->left(), 170.95, 0.01);  // x 2171101
    // "autoshape with inherited fill": fillRef idx 3, the theme's gradient.
    EXPECT_EQ(shapes->item(1)->fill()->type(), host::fill_type::kGradient);
    // "no fill"
    EXPECT_EQ(shapes->item(2)->fill()->visible(), host::kFalse);
    // solid 2CB731
    EXPECT_EQ(shapes->item(3)->fill()->type(), host::fill_type::kSolid);
    EXPECT_EQ(shapes->item(3)->fill()->foreColorRgb(), hex(0x2CB731));
    // tiled picture with alphaModFix 47000
    auto blip = shapes->item(4)->fill();
    EXPECT_EQ(blip->type(), host::fill_type::kTextured);
    ASSERT_NE(blip->picture(), nullptr);
    EXPECT_EQ(blip->picture()->name(), "ppt/media/image1.png");
    EXPECT_EQ(blip->picture()->data().size(), 739481u);
    EXPECT_NEAR(blip->transparency(), 0.53, 1e-5);
    // gradient: accent1 shade 51000 satMod 130000 at 20 %, shade 93000 satMod 130000 at 50 %,
    // lumMod 60000 lumOff 40000 at 80 %; lin ang 16200000 (270 degrees: bottom to top).
    auto g = shapes->item(5)->fill();
    EXPECT_EQ(g->type(), host::fill_type::kGradient);
    auto stops = g->gradientStops();
    ASSERT_EQ(stops.size(), 3u);
    EXPECT_FLOAT_EQ(stops[0].position, 0.2f);
    EXPECT_EQ(stops[0].rgb, hex(0x2C5D98));
    EXPECT_EQ(stops[1].rgb, hex(0x3C7BC7));
    EXPECT_EQ(stops[2].rgb, hex(0x95B3D7));
    EXPECT_FLOAT_EQ(g->gradientAngle(), 270);
    EXPECT_EQ(g->gradientStyle(), host::gradient_style::kHorizontal);
    EXPECT_EQ(g->gradientVariant(), 2);
    EXPECT_EQ(g->foreColorRgb(), hex(0x2C5D98));
    EXPECT_EQ(g->backColorRgb(), hex(0x95B3D7));
    // pattern divot, fg 2CB731, bg prstClr white
    auto pat = shapes->item(6)->fill();
    EXPECT_EQ(pat->type(), host::fill_type::kPatterned);
    EXPECT_EQ(pat->pattern(), 46);
    EXPECT_EQ(pat->foreColorRgb(), hex(0x2CB731));
    EXPECT_EQ(pat->backColorRgb(), hex(0xFFFFFF));
    // Text: fontRef minor with lt1 makes the first shape's 12 pt text white Calibri; the second
    // run colour is tx2 (1F497D).
    auto font = shapes->item(1)->textFrame()->textRange()->font();
    EXPECT_EQ(font->colorRgb(), hex(0xFFFFFF));
    EXPECT_EQ(font->name(), "Calibri");
    EXPECT_FLOAT_EQ(font->size(), 12);
    EXPECT_EQ(shapes->item(2)->textFrame()->textRange()->font()->colorRgb(), hex(0x1F497D));
    EXPECT_EQ(shapes->item(5)->textFrame()->textRange()->text(), "autoshape with gradient fill");
    EXPECT_EQ(shapes->item(5)->textFrame()->textRange()->runCount(), 2);
}

TEST(Corpus, LayoutsPlaceholderTextResolvesThroughLayoutMasterAndTheme) {
    NEED_CORPUS();
    auto p = deck("layouts.pptx");
    ASSERT_EQ(p->slides()->count(), 10);
    ASSERT_NE(p->titleMaster(), nullptr);
    auto s1 = p->slides()->item(1);
    EXPECT_EQ(s1->master()->name(), "TitleMaster");  // slideLayout1 type="title"
    ASSERT_EQ(s1->shapes()->count(), 2);
    auto title = s1->shapes()->item(1);
    EXPECT_EQ(title->type(), host::shape_type::kPlaceholder);
    EXPECT_EQ(title->placeholderType(), host::placeholder::kCenterTitle);
    // From the layout's ctrTitle: off 685800,2130425 ext 7772400x1470025.
    EXPECT_FLOAT_EQ(title->left(), 54);
    EXPECT_FLOAT_EQ(title->top(), 2130425 / 12700.0f);
    EXPECT_FLOAT_EQ(title->width(), 612);
    EXPECT_FLOAT_EQ(title->height(), 1470025 / 12700.0f);
    auto tr = title->textFrame()->textRange();
    EXPECT_EQ(tr->text(), "Centered Title");
    // Master titleStyle: sz 4400, +mj-lt (Calibri in this theme), tx1 (black), centred.
    EXPECT_FLOAT_EQ(tr->font()->size(), 44);
    EXPECT_EQ(tr->font()->name(), "Calibri");
    EXPECT_EQ(tr->font()->colorRgb(), hex(0x000000));
    EXPECT_EQ(tr->paragraphFormat()->alignment(), host::alignment::kCenter);
    EXPECT_EQ(tr->paragraphFormat()->bullet()->type(), host::bullet_type::kNone);
    // Subtitle: layout lstStyle tx1 tint 75000 (898989), bodyStyle lvl1 sz 3200, buNone.
    auto sub = s1->shapes()->item(2)->textFrame()->textRange();
    EXPECT_EQ(sub->font()->colorRgb(), hex(0x898989));
    EXPECT_FLOAT_EQ(sub->font()->size(), 32);
    EXPECT_EQ(sub->paragraphFormat()->bullet()->type(), host::bullet_type::kNone);
    EXPECT_FLOAT_EQ(s1->shapes()->item(2)->left(), 108);

    // Slide 2: title and content, nine levels of the master's bodyStyle.
    auto s2 = p->slides()->item(2);
    EXPECT_EQ(s2->master()->name(), "SlideMaster");
    EXPECT_EQ(s2->displayMasterShapes(), host::kTrue);
    auto body = s2->shapes()->item(2)->textFrame()->textRange();
    ASSERT_EQ(body->paragraphCount(), 9);
    const float sizes[9] = {32, 28, 24, 20, 20, 20, 20, 20, 20};
    const char32_t chars[9] = {U'\u2022', U'\u2013', U'\u2022', U'\u2013', U'\u00BB',
                               U'\u2022', U'\u2022', U'\u2022', U'\u2022'};
    for (int i = 1; i <= 9; ++i) {
        auto para = body->paragraphs(i);
        EXPECT_EQ(para->indentLevel(), i);
        EXPECT_FLOAT_EQ(para->font()->size(), sizes[i - 1]) << "level " << i;
        auto bullet = para->paragraphFormat()->bullet();
        EXPECT_EQ(bullet->type(), host::bullet_type::kUnnumbered) << "level " << i;
        EXPECT_EQ(bullet->character(), chars[i - 1]) << "level " << i;
        EXPECT_EQ(bullet->font()->name(), "Arial");
    }
    // lvl1pPr marL 342900 indent -342900.
    EXPECT_FLOAT_EQ(body->paragraphs(1)->paragraphFormat()->leftIndent(), 27);
    EXPECT_FLOAT_EQ(body->paragraphs(1)->paragraphFormat()->firstLineIndent(), -27);
}

TEST(Corpus, TransitionsAndTheAlternateContentsDuration) {
    NEED_CORPUS();
    auto p = deck("keyframes.pptx");
    // p:transition of slides 1 to 16 and 26, all spd="slow".
    const std::pair<int, int> expected[] = {
        {1, 1537}, {2, 3846},  {3, 3859},  {4, 3859},  {5, 3861},  {6, 2306},
        {7, 2305}, {8, 770},   {9, 3850},  {10, 3861}, {11, 2565}, {12, 3851},
        {13, 770}, {14, 3847}, {15, 2565}, {16, 0},    {26, 3853},
    };
    for (auto [slide, effect] : expected) {
        auto t = p->slides()->item(slide)->transition();
        EXPECT_EQ(t->entryEffect(), effect) << "slide " << slide;
        EXPECT_EQ(t->speed(), host::speed::kSlow) << "slide " << slide;
    }
    // bug64693 slide 1: Choice p14 <p:transition spd="med" p14:dur="700"><p:fade/>.
    auto t = deck("bug64693.pptx")->slides()->item(1)->transition();
    EXPECT_EQ(t->entryEffect(), host::effect::kFadeSmoothly);
    EXPECT_EQ(t->speed(), host::speed::kMedium);
    EXPECT_FLOAT_EQ(t->duration(), 0.7f);
}

TEST(Corpus, EntranceAnimations) {
    NEED_CORPUS();
    // alterman_security slide 16: appear (presetID 1) on click for shape 51203.
    auto a = deck("alterman_security.pptx");
    auto s = findShape(*a->slides()->item(16)->shapes(), 51203);
    ASSERT_NE(s, nullptr);
    auto anim = s->animationSettings();
    ASSERT_NE(anim, nullptr);
    EXPECT_EQ(anim->entryEffect(), host::effect::kAppear);
    EXPECT_EQ(anim->advanceMode(), host::advance_mode::kOnClick);
    EXPECT_EQ(anim->animationOrder(), 1);
    EXPECT_EQ(findShape(*a->slides()->item(16)->shapes(), 51202)->animationSettings(), nullptr);

    // customGeo slide 6: fly in from the bottom (presetID 2, subtype 4) on click, for shapes 23,
    // 20 and 19 in that order.
    auto c = deck("customGeo.pptx");
    auto shapes = c->slides()->item(6)->shapes();
    int order = 0;
    for (int id : {23, 20, 19}) {
        auto shape = findShape(*shapes, id);
        ASSERT_NE(shape, nullptr) << id;
        auto an = shape->animationSettings();
        ASSERT_NE(an, nullptr) << id;
        EXPECT_EQ(an->entryEffect(), host::effect::kFlyFromBottom);
        EXPECT_EQ(an->advanceMode(), host::advance_mode::kOnClick);
        EXPECT_EQ(an->animationOrder(), ++order);
    }
}

// A chart's own drawing joins the members the movie builds the chart from: 5864 slide 9 draws a
// dashed red trend line over its line chart, anchored at fractions of the frame.
TEST(Corpus, ChartDrawingShapesJoinTheChartsMembers) {
    NEED_CORPUS();
    auto p = deck("aascu.org_workarea_downloadasset.aspx_id=5864.pptx");
    auto chart = findShape(*p->slides()->item(9)->shapes(), 2);
    ASSERT_NE(chart, nullptr);
    ASSERT_EQ(chart->type(), host::shape_type::kChart);
    auto members = chart->groupItems();
    ASSERT_NE(members, nullptr);
    std::shared_ptr<host::Shape> trend;
    for (int i = 1; i <= members->count() && !trend; ++i) {
        if (members->item(i)->name() == "Straight Connector 2") trend = members->item(i);
    }
    ASSERT_NE(trend, nullptr);
    // Frame off 533400,381000 ext 8153400x5181600; anchor from 0.60748,0.36765 to 0.96262,0.41176.
    EXPECT_NEAR(trend->left(), (533400 + 0.60748 * 8153400) / 12700, 1e-2);
    EXPECT_NEAR(trend->top(), (381000 + 0.36765 * 5181600) / 12700, 1e-2);
    EXPECT_NEAR(trend->width(), (0.96262 - 0.60748) * 8153400 / 12700, 1e-2);
    EXPECT_EQ(trend->line()->foreColorRgb(), hex(0xFF0000));
    EXPECT_EQ(trend->line()->dashStyle(), host::dash_style::kLongDash);
}

TEST(Corpus, GroupMembersInSlideCoordinates) {
    NEED_CORPUS();
    auto p = deck("sample_pptx_grouping_issues.pptx");
    auto group = findShape(*p->slides()->item(1)->shapes(), 14339);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->type(), host::shape_type::kGroup);
    EXPECT_FLOAT_EQ(group->left(), 6870700 / 12700.0f);
    ASSERT_NE(group->groupItems(), nullptr);
    EXPECT_EQ(group->groupItems()->count(), 3);
    // Group off 6870700,1600200 ext 1344613x604838, chOff 920,1676 chExt 702x460; member 14421
    // off 1525,1870 ext 97x266, flowChartExtract.
    auto m = findShape(*group->groupItems(), 14421);
    ASSERT_NE(m, nullptr);
    double sx = 1344613.0 / 702, sy = 604838.0 / 460;
    EXPECT_NEAR(m->left(), (6870700 + (1525 - 920) * sx) / 12700, 1e-3);
    EXPECT_NEAR(m->top(), (1600200 + (1870 - 1676) * sy) / 12700, 1e-3);
    EXPECT_NEAR(m->width(), 97 * sx / 12700, 1e-3);
    EXPECT_NEAR(m->height(), 266 * sy / 12700, 1e-3);
    EXPECT_EQ(m->autoShapeType(), 81);
    EXPECT_EQ(m->fill()->foreColorRgb(), hex(0xD60093));
    // Member 14423: flowChartDelay, rot -5400000.
    auto d = findShape(*group->groupItems(), 14423);
    EXPECT_EQ(d->autoShapeType(), 84);
    EXPECT_FLOAT_EQ(d->rotation(), 270);
}

// Rotates p about c by degrees clockwise (y grows downwards).
std::pair<double, double> turn(std::pair<double, double> p, std::pair<double, double> c,
                               double degrees) {
    double r = degrees * 3.14159265358979323846 / 180;
    double dx = p.first - c.first, dy = p.second - c.second;
    return {c.first + dx * std::cos(r) - dy * std::sin(r),
            c.second + dx * std::sin(r) + dy * std::cos(r)};
}

TEST(Corpus, MembersOfRotatedGroupsTurnWithThemAndPicturesKeepTheirCrop) {
    NEED_CORPUS();
    auto p = deck("54542_cropped_bitmap.pptx");
    auto shapes = p->slides()->item(1)->shapes();
    // Group 4 rot 755916, off 5715376,3000987 ext 2400367x2659427, child space the same.
    // Inside it group 2 rot 18792219, off 6333860,3878531 ext 2659427x904339, chOff
    // 4876800,3956050 chExt 5041900x1714500, holding rectangle 13 at off 4876800,3956050 ext
    // 5041900x1612900 (no rotation of its own).
    auto outer = findShape(*shapes, 4);
    ASSERT_NE(outer, nullptr);
    EXPECT_NEAR(outer->rotation(), 755916 / 60000.0, 1e-3);
    auto inner = findShape(*shapes, 2);
    ASSERT_NE(inner, nullptr);
    double outerRot = 755916 / 60000.0, innerRot = 18792219 / 60000.0;
    EXPECT_NEAR(inner->rotation(), std::fmod(outerRot + innerRot, 360.0), 1e-3);
    std::pair<double, double> outerCentre{5715376 + 2400367 / 2.0, 3000987 + 2659427 / 2.0};
    auto innerCentre =
        turn({6333860 + 2659427 / 2.0, 3878531 + 904339 / 2.0}, outerCentre, outerRot);
    EXPECT_NEAR(inner->left() + inner->width() / 2, innerCentre.first / 12700, 1e-2);
    EXPECT_NEAR(inner->top() + inner->height() / 2, innerCentre.second / 12700, 1e-2);

    auto rect = findShape(*shapes, 13);
    ASSERT_NE(rect, nullptr);
    double k = 2659427.0 / 5041900;
    // The member's centre in the inner group's unrotated box, then both turns in order.
    std::pair<double, double> inBox{6333860 + (4876800 + 5041900 / 2.0 - 4876800) * k,
                                    3878531 + (3956050 + 1612900 / 2.0 - 3956050) * k};
    auto once = turn(inBox, {6333860 + 2659427 / 2.0, 3878531 + 904339 / 2.0}, innerRot);
    auto twice = turn(once, outerCentre, outerRot);
    EXPECT_NEAR(rect->left() + rect->width() / 2, twice.first / 12700, 1e-2);
    EXPECT_NEAR(rect->top() + rect->height() / 2, twice.second / 12700, 1e-2);
    EXPECT_NEAR(rect->width(), 5041900 * k / 12700, 1e-2);
    EXPECT_NEAR(rect->height(), 1612900 * k / 12700, 1e-2);
    EXPECT_NEAR(rect->rotation(), std::fmod(outerRot + innerRot, 360.0), 1e-3);
    EXPECT_EQ(rect->horizontalFlip(), host::kFalse);

    // Picture 7: srcRect t=52941 b=-17647, off 1193800,5765800 ext 3530600x977900.
    auto pic = findShape(*p->slides()->item(1)->shapes(), 8);
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->type(), host::shape_type::kPicture);
    EXPECT_FLOAT_EQ(pic->left(), 94);
    EXPECT_FLOAT_EQ(pic->top(), 454);
    EXPECT_FLOAT_EQ(pic->width(), 278);
    EXPECT_FLOAT_EQ(pic->height(), 77);
    auto crop = pic->pictureCrop();
    EXPECT_FLOAT_EQ(crop.top, 0.52941f);
    EXPECT_FLOAT_EQ(crop.bottom, -0.17647f);
    EXPECT_FLOAT_EQ(crop.left, 0);
    ASSERT_NE(pic->picture(), nullptr);
    EXPECT_FALSE(pic->picture()->data().empty());
}

TEST(Corpus, Backgrounds) {
    NEED_CORPUS();
    auto p = deck("backgrounds.pptx");
    // Slide 1 on the title layout, whose bg is bg2 (EEECE1) at lumMod 90000: DDD9C3.
    auto s1 = p->slides()->item(1);
    EXPECT_EQ(s1->master()->name(), "TitleMaster");
    EXPECT_EQ(s1->followMasterBackground(), host::kTrue);
    EXPECT_EQ(s1->background()->foreColorRgb(), hex(0xDDD9C3));
    EXPECT_EQ(p->titleMaster()->background()->foreColorRgb(), hex(0xDDD9C3));
    // Slide 2's own gradient: stops sorted by position; 23 % accent1, 100 % bg1 lumMod 95000;
    // ang 2700000 (45 degrees).
    auto s2 = p->slides()->item(2);
    EXPECT_EQ(s2->followMasterBackground(), host::kFalse);
    auto g = s2->background();
    EXPECT_EQ(g->type(), host::fill_type::kGradient);
    auto stops = g->gradientStops();
    ASSERT_EQ(stops.size(), 4u);
    EXPECT_FLOAT_EQ(stops[0].position, 0.23f);
    EXPECT_EQ(stops[0].rgb, hex(0x4F81BD));
    EXPECT_EQ(stops[1].rgb, hex(0xE6B9B8));  // accent2 C0504D lumMod 40000 lumOff 60000
    EXPECT_EQ(stops[2].rgb, hex(0x77933C));  // accent3 9BBB59 lumMod 75000
    EXPECT_EQ(stops[3].rgb, hex(0xF2F2F2));
    EXPECT_EQ(g->gradientStyle(), host::gradient_style::kDiagonalUp);
    // Slide 4: a tiled picture.
    auto b4 = p->slides()->item(4)->background();
    EXPECT_EQ(b4->type(), host::fill_type::kTextured);
    EXPECT_EQ(b4->tiled(), host::kTrue);
    ASSERT_NE(b4->picture(), nullptr);
    EXPECT_EQ(b4->picture()->contentType(), "image/jpeg");
}

TEST(Corpus, ThemeBackgroundStylePictureComesFromTheTheme) {
    NEED_CORPUS();
    // themes.pptx slide 8: no bg of its own nor on slideLayout45; slideMaster5 has
    // <p:bgRef idx="1003">, the third entry of theme5's bgFillStyleLst: a stretched blipFill of
    // r:embed rId2, which theme5's own relationships map to ../media/image3.jpeg.
    auto p = deck("themes.pptx");
    auto bg = p->slides()->item(8)->background();
    EXPECT_EQ(bg->type(), host::fill_type::kPicture);
    ASSERT_NE(bg->picture(), nullptr);
    EXPECT_EQ(bg->picture()->name(), "ppt/media/image3.jpeg");
    EXPECT_EQ(bg->picture()->data().size(), 94611u);
}

TEST(Corpus, NumberedParagraphs) {
    NEED_CORPUS();
    // aptia slide 6 holds nine paragraphs with buAutoNum type="arabicPeriod".
    auto p = deck("aptia.pptx");
    auto shapes = p->slides()->item(6)->shapes();
    int numbered = 0;
    for (int i = 1; i <= shapes->count(); ++i) {
        auto frame = shapes->item(i)->textFrame();
        if (!frame) continue;
        auto range = frame->textRange();
        for (int k = 1; k <= range->paragraphCount(); ++k) {
            auto bullet = range->paragraphs(k)->paragraphFormat()->bullet();
            if (bullet->type() != host::bullet_type::kNumbered) continue;
            ++numbered;
            EXPECT_EQ(bullet->style(), host::numbering_style::kArabicPeriod);
        }
    }
    EXPECT_EQ(numbered, 9);
}

TEST(Corpus, TableAndChartFrames) {
    NEED_CORPUS();
    auto chart = deck("pie-chart.pptx");
    int charts = 0;
    auto shapes = chart->slides()->item(1)->shapes();
    for (int i = 1; i <= shapes->count(); ++i) {
        if (shapes->item(i)->type() == host::shape_type::kChart) ++charts;
    }
    EXPECT_EQ(charts, 1);
    auto table = deck("with_japanese.pptx");
    auto ts = table->slides()->item(1)->shapes();
    int tables = 0;
    for (int i = 1; i <= ts->count(); ++i) {
        auto s = ts->item(i);
        if (s->type() != host::shape_type::kTable) continue;
        ++tables;
        // Its members are the cells and borders it is drawn from.
        auto parts = s->groupItems();
        ASSERT_NE(parts, nullptr);
        EXPECT_GT(parts->count(), 0);
    }
    EXPECT_EQ(tables, 1);
}

ShapePtr findModelShape(const ShapeList& list, int id) {
    for (const ShapePtr& s : list.items) {
        if (s->id == id) return s;
        if (s->children) {
            if (auto found = findModelShape(*s->children, id)) return found;
        }
    }
    return nullptr;
}

std::string textOf(const TextBody& body) {
    std::string out;
    for (const Paragraph& p : body.paragraphs) {
        for (const pptx::Run& r : p.runs) out += r.text;
    }
    return out;
}

TEST(Corpus, TableCellsWithFillsBordersAndText) {
    NEED_CORPUS();
    auto p = deck("bug60993.pptx");
    auto model = modelOf(*p);
    ASSERT_NE(model, nullptr);
    auto frame = findModelShape(*model->slides.at(0)->shapes, 41);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->type, host::shape_type::kTable);
    ASSERT_NE(frame->table, nullptr);
    const TableData& t = *frame->table;
    // tblGrid 1589040, 3829320, 2709720; rows 371520, 369720, 641520, ...
    ASSERT_EQ(t.columnWidths.size(), 3u);
    EXPECT_NEAR(t.columnWidths[0], 1589040 / 12700.0, 1e-3);
    EXPECT_NEAR(t.columnWidths[1], 3829320 / 12700.0, 1e-3);
    EXPECT_NEAR(t.columnWidths[2], 2709720 / 12700.0, 1e-3);
    ASSERT_GE(t.rows.size(), 3u);
    EXPECT_NEAR(t.rows[0].height, 371520 / 12700.0, 1e-3);
    EXPECT_NEAR(t.rows[2].height, 641520 / 12700.0, 1e-3);
    ASSERT_EQ(t.rows[0].cells.size(), 3u);
    const TableCell& a = t.rows[0].cells[0];
    // Header cell: fill 5B9BD5, white borders 5760 EMU with an 18720 EMU bottom, margins 90000,
    // its text "a" bold 18 pt white Calibri.
    EXPECT_EQ(a.fill.kind, FillKind::Solid);
    EXPECT_EQ(a.fill.color.rgb, hex(0x5B9BD5));
    EXPECT_TRUE(a.borderLeft.visible);
    EXPECT_NEAR(a.borderLeft.weight, 5760 / 12700.0, 1e-4);
    EXPECT_NEAR(a.borderBottom.weight, 18720 / 12700.0, 1e-4);
    EXPECT_EQ(a.borderBottom.fill.color.rgb, hex(0xFFFFFF));
    EXPECT_NEAR(a.text->insetLeft, 90000 / 12700.0, 1e-4);
    EXPECT_NEAR(a.text->insetTop, 3.6, 1e-4);
    EXPECT_EQ(textOf(*a.text), "a");
    const pptx::Run& run = a.text->paragraphs.at(0).runs.at(0);
    EXPECT_TRUE(run.props.bold);
    EXPECT_FLOAT_EQ(run.props.size, 18);
    EXPECT_EQ(run.props.fill.color.rgb, hex(0xFFFFFF));
    EXPECT_EQ(run.props.latin, "Calibri");
    // The second header cell has no text body: an empty text, the same fill.
    const TableCell& empty = t.rows[0].cells[1];
    ASSERT_NE(empty.text, nullptr);
    EXPECT_EQ(textOf(*empty.text), "");
    EXPECT_EQ(empty.fill.color.rgb, hex(0x5B9BD5));
    EXPECT_EQ(t.rows[1].cells[0].fill.color.rgb, hex(0xD2DEEF));
    EXPECT_EQ(textOf(*t.rows[1].cells[0].text), "b");
    // The host sees a table whose members are the parts it is drawn from: the header cell first,
    // at the frame's corner, with its fill and text.
    auto hostFrame = findShape(*p->slides()->item(1)->shapes(), 41);
    ASSERT_NE(hostFrame, nullptr);
    EXPECT_EQ(hostFrame->type(), host::shape_type::kTable);
    auto parts = hostFrame->groupItems();
    ASSERT_NE(parts, nullptr);
    auto first = parts->item(1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->type(), host::shape_type::kAutoShape);
    EXPECT_FLOAT_EQ(first->left(), frame->left);
    EXPECT_FLOAT_EQ(first->top(), frame->top);
    EXPECT_NEAR(first->width(), t.columnWidths[0], 1e-3);
    EXPECT_EQ(first->fill()->foreColorRgb(), hex(0x5B9BD5));
    EXPECT_EQ(first->textFrame()->textRange()->text(), "a");
}

TEST(Corpus, TableStyleFlagsAndCellText) {
    NEED_CORPUS();
    auto p = deck("shapes.pptx");
    auto frame = findModelShape(*modelOf(*p)->slides.at(0)->shapes, 3);
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(frame->table, nullptr);
    const TableData& t = *frame->table;
    EXPECT_EQ(t.styleId, "{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}");
    EXPECT_TRUE(t.firstRow);
    EXPECT_TRUE(t.bandRows);
    EXPECT_FALSE(t.firstColumn);
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(textOf(*t.rows[0].cells[2].text), "Column3");
    EXPECT_EQ(textOf(*t.rows[1].cells[0].text), "data1");
    EXPECT_NEAR(t.rows[1].height, 609600 / 12700.0, 1e-3);
}

TEST(Corpus, SmartArtDrawingBecomesAGroupOfShapes) {
    NEED_CORPUS();
    auto p = deck("smartart-simple.pptx");
    auto frame = findShape(*p->slides()->item(1)->shapes(), 4);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->type(), host::shape_type::kGroup);
    auto members = frame->groupItems();
    ASSERT_NE(members, nullptr);
    // drawing1.xml holds four dsp:sp; the first an ellipse at 475582,9397 size 488696 square
    // inside the frame at -212725,69850, filled accent4 at half alpha, with the text "abc".
    ASSERT_EQ(members->count(), 4);
    auto first = members->item(1);
    EXPECT_EQ(first->autoShapeType(), host::shape_kind::kOval);
    EXPECT_NEAR(first->left(), (-212725 + 475582) / 12700.0, 1e-3);
    EXPECT_NEAR(first->top(), (69850 + 9397) / 12700.0, 1e-3);
    EXPECT_NEAR(first->width(), 488696 / 12700.0, 1e-3);
    EXPECT_NEAR(first->fill()->transparency(), 0.5f, 1e-3);
    ASSERT_NE(first->textFrame(), nullptr);
    EXPECT_EQ(first->textFrame()->textRange()->text(), "abc");
    EXPECT_FLOAT_EQ(first->textFrame()->textRange()->font()->size(), 11);
    // Its text stands in the drawing's own text box (txXfrm at 531971,75183 size 375920 x
    // 155067), above the ellipse's middle.
    auto text = first->textFrame()->textRange();
    const double left = (-212725 + 531971) / 12700.0, top = (69850 + 75183) / 12700.0;
    const double width = 375920 / 12700.0, height = 155067 / 12700.0;
    EXPECT_GE(text->boundLeft(), left - 1e-3);
    EXPECT_LE(text->boundLeft() + text->boundWidth(), left + width + 1e-3);
    EXPECT_GE(text->boundTop(), top - 1e-3);
    EXPECT_LE(text->boundTop() + text->boundHeight(), top + height + 1e-3);
    auto model = findModelShape(*modelOf(*p)->slides.at(0)->shapes, 4);
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->graphic, GraphicKind::Diagram);
}

}  // namespace
}  // namespace quillet::pptx
