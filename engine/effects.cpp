// Slide transitions and element entry effects. Masks are drawn in a 1000-unit box and scaled onto
// what they reveal; every effect ends on a frame that shows its element (or slide) unmasked, at
// its own place, with its own colours.
#include "engine/effects.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "engine/phases.h"
#include "swf/shapes.h"
#include "swf/sprites_buttons.h"

namespace quillet::engine {

using namespace transform;
namespace fx = host::effect;

namespace {

constexpr int kBox = 1000;

const std::vector<int> kTransitions = {3074, 3073, 770,  769,  1025, 1026, 2305, 2306, 3586,
                                       3588, 3585, 3587, 2820, 2817, 2819, 2818, 2568, 2567,
                                       2566, 2565, 1537, 3337, 3340, 3339, 3338};

std::vector<int> effectTable() {
    std::vector<int> table = kTransitions;
    const int more[] = {3329, 3330, 3331, 3332, 3333, 3334, 3335, 3336, 3357, 3341, 3342,
                        3343, 3344, 257,  3841, 3842, 3843, 3337, 3340, 3339, 3338, 3355,
                        3352, 3353, 3354, 3351, 3345, 3349, 3346, 3347, 3350, 3348, 3356};
    table.insert(table.end(), std::begin(more), std::end(more));
    return table;
}

bool inRange(int code, int first, int last) {
    return code >= first && code <= last;
}

bool isCover(int code) {
    return inRange(code, fx::kCoverLeft, fx::kCoverRightDown);
}
bool isFly(int code) {
    return inRange(code, fx::kFlyFromLeft, fx::kFlyFromBottomRight) || code == fx::kSpiral;
}
bool isCrawl(int code) {
    return inRange(code, fx::kCrawlFromLeft, fx::kCrawlFromDown);
}
bool isPeek(int code) {
    return inRange(code, fx::kPeekFromLeft, fx::kPeekFromUp);
}
bool isScale(int code) {
    return inRange(code, fx::kZoomIn, fx::kSwivel);
}
bool isSequence(int code) {
    return code == fx::kDissolve || inRange(code, fx::kStripsLeftUp, fx::kStripsRightDown);
}

FSShape rectangles(const std::vector<MaskRect>& rects, int holeIndex) {
    FSShape shape;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const MaskRect& r = rects[i];
        const int fill = static_cast<int>(i) == holeIndex ? 0 : 1;
        shape.emplace<FSShapeStyle>(0, fill, 0, r.x, r.y);
        shape.emplace<FSLine>(r.w, 0);
        shape.emplace<FSLine>(0, r.h);
        shape.emplace<FSLine>(-r.w, 0);
        shape.emplace<FSLine>(0, -r.h);
    }
    return shape;
}

FSArray<FSFillStyle> maskFill() {
    FSArray<FSFillStyle> fills;
    fills.emplace<FSSolidFill>(FSColor(0, 0, 0, 255));
    return fills;
}

int definePlainMask(ConversionJob& job, const std::vector<MaskRect>& rects) {
    const int id = job.newIdentifier();
    job.movie.add(std::make_unique<FSDefineShape>(id, FSBounds(0, 0, kBox, kBox), maskFill(),
                                                  FSArray<FSLineStyle>(), rectangles(rects, -1)));
    return id;
}

std::unique_ptr<FSPlaceObject2> placeNew(int id, int depth, const FSCoordTransform& at = {},
                                         const FSColorTransform& colours = {}) {
    return std::make_unique<FSPlaceObject2>(FSPlaceObject2::New, id, depth, at, colours);
}

std::unique_ptr<FSPlaceObject2> modify(int depth, const FSCoordTransform& at,
                                       const FSColorTransform& colours = {}) {
    return std::make_unique<FSPlaceObject2>(FSPlaceObject2::Modify, 0, depth, at, colours);
}

std::unique_ptr<FSPlaceObject2> placeMask(int id, int depth, const FSCoordTransform& at) {
    auto mask = placeNew(id, depth, at);
    mask->setClipDepth(1);
    return mask;
}

FSColorTransform alpha(float multiply) {
    return FSColorTransform(1.0f, 1.0f, 1.0f, multiply, 0, 0, 0, 0);
}

void showFrames(FSArray<FSMovieObject>& list, int n) {
    for (int i = 0; i < n; ++i) list.emplace<FSShowFrame>();
}

// The closing frame of an effect: the character placed afresh at depth 1, unmasked, at its own
// place and with its own colours (a modifying placement cannot return to the identity, since an
// identity part is not written).
void settle(FSArray<FSMovieObject>& list, int character, bool masked) {
    if (masked) list.add(std::make_unique<FSRemoveObject2>(0));
    list.add(std::make_unique<FSRemoveObject2>(1));
    list.add(placeNew(character, 1));
    list.emplace<FSShowFrame>();
}

// Side of a cover: the sign of the start offset along x and y.
void coverSide(int code, int& sx, int& sy) {
    static const int sides[8][2] = {{-1, 0},  {0, -1}, {1, 0},  {0, 1},
                                    {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    const int* side = sides[std::clamp(code - fx::kCoverLeft, 0, 7)];
    sx = side[0];
    sy = side[1];
}

int twips(double points, float scale) {
    return roundHalf(points * scale * kTwipsPerPoint);
}

}  // namespace

const std::vector<int>& randomTransitionCodes() {
    return kTransitions;
}

const std::vector<int>& randomEffectCodes() {
    static const std::vector<int> table = effectTable();
    return table;
}

int drawRandomCode(ConversionJob& job, const std::vector<int>& table) {
    return table[job.random() % table.size()];
}

const std::vector<EffectMapping>& transitionMappings() {
    static const std::vector<EffectMapping> table = {
        {fx::kUncoverLeft, fx::kCoverLeft, "pull: cover from that side"},
        {fx::kUncoverUp, fx::kCoverUp, "pull: cover from that side"},
        {fx::kUncoverRight, fx::kCoverRight, "pull: cover from that side"},
        {fx::kUncoverDown, fx::kCoverDown, "pull: cover from that side"},
        {fx::kUncoverLeftUp, fx::kCoverLeftUp, "pull: cover from that corner"},
        {fx::kUncoverRightUp, fx::kCoverRightUp, "pull: cover from that corner"},
        {fx::kUncoverLeftDown, fx::kCoverLeftDown, "pull: cover from that corner"},
        {fx::kUncoverRightDown, fx::kCoverRightDown, "pull: cover from that corner"},
        {fx::kPushLeft, fx::kCoverLeft, "push: cover from that side"},
        {fx::kPushUp, fx::kCoverUp, "push: cover from that side"},
        {fx::kPushRight, fx::kCoverRight, "push: cover from that side"},
        {fx::kPushDown, fx::kCoverDown, "push: cover from that side"},
        {fx::kStripsUpLeft, fx::kStripsLeftUp, "strips: the same corner"},
        {fx::kStripsUpRight, fx::kStripsRightUp, "strips: the same corner"},
        {fx::kStripsDownLeft, fx::kStripsLeftDown, "strips: the same corner"},
        {fx::kStripsDownRight, fx::kStripsRightDown, "strips: the same corner"},
        {fx::kCircleOut, fx::kBoxOut, "circle: box out"},
        {fx::kDiamondOut, fx::kBoxOut, "diamond: box out"},
        {fx::kPlusOut, fx::kBoxOut, "plus: box out"},
        {fx::kNewsflash, fx::kBoxOut, "newsflash: box out (grows from the centre)"},
        {fx::kCombHorizontal, fx::kBlindsHorizontal, "comb: blinds"},
        {fx::kCombVertical, fx::kBlindsVertical, "comb: blinds"},
        {fx::kWedge, fx::kWipeDown, "wedge: wipe from the top"},
        {fx::kWheel1Spoke, fx::kWipeDown, "wheel: wipe from the top"},
        {fx::kWheel2Spokes, fx::kWipeDown, "wheel: wipe from the top"},
        {fx::kWheel3Spokes, fx::kWipeDown, "wheel: wipe from the top"},
        {fx::kWheel4Spokes, fx::kWipeDown, "wheel: wipe from the top"},
        {fx::kWheel8Spokes, fx::kWipeDown, "wheel: wipe from the top"},
    };
    return table;
}

const std::vector<EffectMapping>& entryEffectMappings() {
    static const std::vector<EffectMapping> table = [] {
        std::vector<EffectMapping> t;
        for (const EffectMapping& m : transitionMappings()) {
            if (isCover(m.to)) continue;  // elements have no cover; see the fly rows below
            if (m.from == fx::kNewsflash) continue;
            t.push_back(m);
        }
        const EffectMapping more[] = {
            {fx::kAppear, fx::kCut, "appear: the appear handler"},
            {fx::kNewsflash, fx::kZoomIn, "newsflash: zoom in"},
            {fx::kPushLeft, fx::kFlyFromLeft, "push: fly from that side"},
            {fx::kPushUp, fx::kFlyFromTop, "push: fly from that side"},
            {fx::kPushRight, fx::kFlyFromRight, "push: fly from that side"},
            {fx::kPushDown, fx::kFlyFromBottom, "push: fly from that side"},
            {fx::kUncoverLeft, fx::kFlyFromLeft, "pull: fly from that side"},
            {fx::kUncoverUp, fx::kFlyFromTop, "pull: fly from that side"},
            {fx::kUncoverRight, fx::kFlyFromRight, "pull: fly from that side"},
            {fx::kUncoverDown, fx::kFlyFromBottom, "pull: fly from that side"},
            {fx::kUncoverLeftUp, fx::kFlyFromTopLeft, "pull: fly from that corner"},
            {fx::kUncoverRightUp, fx::kFlyFromTopRight, "pull: fly from that corner"},
            {fx::kUncoverLeftDown, fx::kFlyFromBottomLeft, "pull: fly from that corner"},
            {fx::kUncoverRightDown, fx::kFlyFromBottomRight, "pull: fly from that corner"},
            {fx::kCoverLeft, fx::kFlyFromLeft, "cover: fly from that side"},
            {fx::kCoverUp, fx::kFlyFromTop, "cover: fly from that side"},
            {fx::kCoverRight, fx::kFlyFromRight, "cover: fly from that side"},
            {fx::kCoverDown, fx::kFlyFromBottom, "cover: fly from that side"},
            {fx::kCoverLeftUp, fx::kFlyFromTopLeft, "cover: fly from that corner"},
            {fx::kCoverRightUp, fx::kFlyFromTopRight, "cover: fly from that corner"},
            {fx::kCoverLeftDown, fx::kFlyFromBottomLeft, "cover: fly from that corner"},
            {fx::kCoverRightDown, fx::kFlyFromBottomRight, "cover: fly from that corner"},
        };
        t.insert(t.end(), std::begin(more), std::end(more));
        return t;
    }();
    return table;
}

namespace {
int mapped(const std::vector<EffectMapping>& table, int code) {
    for (const EffectMapping& m : table) {
        if (m.from == code) return m.to;
    }
    return code;
}
}  // namespace

int nearestTransition(int code) {
    return mapped(transitionMappings(), code);
}

int nearestEntryEffect(int code) {
    return mapped(entryEffectMappings(), code);
}

bool isFade(int code) {
    return code == fx::kFade || code == fx::kFadeSmoothly;
}

bool morphRectangles(int code, std::mt19937& random, MorphRects& out) {
    out = MorphRects{};
    const MaskRect full{0, 0, kBox, kBox};
    auto grow = [&](MaskRect from, MaskRect to) {
        out.start.push_back(from);
        out.end.push_back(to);
    };
    auto hole = [&](MaskRect collapsed) {
        grow(full, full);
        grow(full, collapsed);
        out.holeIndex = 1;
    };
    switch (code) {
        case fx::kBlindsHorizontal:
        case fx::kBlindsVertical:
            for (int p = 0; p < kBox; p += 200) {
                if (code == fx::kBlindsHorizontal) {
                    grow({0, p, kBox, 0}, {0, p, kBox, 200});
                } else {
                    grow({p, 0, 1, kBox}, {p, 0, 200, kBox});
                }
            }
            return true;
        case fx::kCheckerboardAcross:
        case fx::kCheckerboardDown:
            // Rows of odd number start half a cell early; cells are cut to the box.
            for (int row = 0; row < 5; ++row) {
                for (int a = (row % 2 ? -100 : 0); a < kBox; a += 200) {
                    const int from = std::max(a, 0);
                    const int size = std::min(a + 200, kBox) - from;
                    if (code == fx::kCheckerboardAcross) {
                        grow({from, row * 200, 0, 200}, {from, row * 200, size, 200});
                    } else {
                        grow({row * 200, from, 200, 0}, {row * 200, from, 200, size});
                    }
                }
            }
            return true;
        case fx::kRandomBarsHorizontal:
        case fx::kRandomBarsVertical:
            // A band of no thickness would add nothing: every band is 5 to 50 units.
            for (int p = 0; p < kBox;) {
                const int t = std::min(5 * static_cast<int>(random() % 10 + 1), kBox - p);
                if (code == fx::kRandomBarsHorizontal) {
                    grow({0, p, kBox, 0}, {0, p, kBox, t});
                } else {
                    grow({p, 0, 0, kBox}, {p, 0, t, kBox});
                }
                p += t;
            }
            return true;
        case fx::kWipeLeft:
            grow({kBox, 0, 0, kBox}, full);
            return true;
        case fx::kWipeUp:
            grow({0, kBox, kBox, 0}, full);
            return true;
        case fx::kWipeRight:
            grow({0, 0, 0, kBox}, full);
            return true;
        case fx::kWipeDown:
            grow({0, 0, kBox, 0}, full);
            return true;
        case fx::kBoxOut:
            grow({500, 500, 0, 0}, full);
            return true;
        case fx::kBoxIn:
            hole({500, 500, 0, 0});
            return true;
        case fx::kSplitHorizontalOut:
            grow({500, 0, 0, kBox}, full);
            return true;
        case fx::kSplitHorizontalIn:
            hole({0, 500, kBox, 0});
            return true;
        case fx::kSplitVerticalOut:
            grow({0, 500, kBox, 0}, full);
            return true;
        case fx::kSplitVerticalIn:
            hole({500, 0, 0, kBox});
            return true;
        default:
            return false;
    }
}

std::vector<std::vector<MaskRect>> sequenceRectangles(int code) {
    std::vector<std::vector<MaskRect>> masks;
    if (!isSequence(code)) return masks;
    const MaskRect full{0, 0, kBox, kBox};
    for (int i = 0; i < 19; ++i) {
        std::vector<MaskRect> rects;
        if (code == fx::kDissolve) {
            // 100 cells of 100 x 100 in a fixed scattered order, 5 more in each mask.
            for (int j = 0; j < 5 * (i + 1); ++j) {
                const int cell = (j * 37 + 11) % 100;
                rects.push_back({cell % 10 * 100, cell / 10 * 100, 100, 100});
            }
        } else {
            // Diagonal strips of 100-unit cells from the corner opposite the one they move to;
            // one rectangle per row.
            const bool towardLeft = code == fx::kStripsLeftUp || code == fx::kStripsLeftDown;
            const bool towardUp = code == fx::kStripsLeftUp || code == fx::kStripsRightUp;
            for (int dy = 0; dy < 10; ++dy) {
                const int cells = std::clamp(i - dy + 1, 0, 10);
                if (cells == 0) continue;
                const int y = towardUp ? (9 - dy) * 100 : dy * 100;
                const int x = towardLeft ? kBox - cells * 100 : 0;
                rects.push_back({x, y, cells * 100, 100});
            }
        }
        masks.push_back(std::move(rects));
    }
    masks.push_back({full});
    return masks;
}

int morphMask(ConversionJob& job, int code) {
    // The table also holds the first masks of sequences under their codes.
    if (isSequence(code)) return 0;
    if (auto found = job.maskTable.find(code); found != job.maskTable.end()) return found->second;
    int id = 0;
    if (code == kFullBoxMask) {
        id = definePlainMask(job, {{0, 0, kBox, kBox}});
    } else {
        MorphRects rects;
        if (!morphRectangles(code, job.random, rects)) return 0;
        id = job.newIdentifier();
        const FSBounds box(0, 0, kBox, kBox);
        FSArray<FSFillStyle> fills;
        fills.emplace<FSMorphSolidFill>(FSColor(0, 0, 0, 255), FSColor(0, 0, 0, 255));
        job.movie.add(std::make_unique<FSDefineMorphShape>(
            id, box, box, std::move(fills), FSArray<FSLineStyle>(), rectangles(rects.start, -1),
            rectangles(rects.end, rects.holeIndex)));
    }
    job.maskTable[code] = id;
    return id;
}

int maskSequence(ConversionJob& job, int code) {
    if (!isSequence(code)) return 0;
    if (auto found = job.maskTable.find(code); found != job.maskTable.end()) return found->second;
    const auto masks = sequenceRectangles(code);
    if (masks.empty()) return 0;
    int first = 0;
    for (const auto& rects : masks) {
        const int id = definePlainMask(job, rects);
        if (first == 0) first = id;
    }
    job.maskTable[code] = first;
    return first;
}

void buildSlideTransition(ConversionJob& job, SlideRecord& slide, FSArray<FSMovieObject>& list,
                          int contentId) {
    const int n = slide.transitionFrames;
    slide.transitionFrames = 0;
    if (!slide.transition || n <= 0) return;
    int code = slide.transition->entryEffect();
    if (code == fx::kRandom) code = drawRandomCode(job, randomTransitionCodes());
    code = nearestTransition(code);
    const int W = job.frameBounds.getWidth();
    const int H = job.frameBounds.getHeight();
    const FSCoordTransform scale(0, 0, W * 0.001, H * 0.001);

    if (isFade(code)) {
        for (int k = 0; k < n; ++k) {
            list.add(modify(1, FSCoordTransform(), alpha(static_cast<float>(k) / n)));
            list.emplace<FSShowFrame>();
        }
        list.add(std::make_unique<FSRemoveObject2>(1));
        list.add(placeNew(contentId, 1));
        slide.transitionFrames = n;
        return;
    }
    if (isCover(code)) {
        list.add(placeMask(morphMask(job, kFullBoxMask), 0, scale));
        int sx = 0, sy = 0;
        coverSide(code, sx, sy);
        const int stepX = W / n, stepY = H / n;
        for (int k = 0; k < n; ++k) {
            list.add(modify(1, FSCoordTransform(sx * (n - k) * stepX, sy * (n - k) * stepY)));
            list.emplace<FSShowFrame>();
        }
        // The content back at its place as the slide comes to rest.
        list.add(std::make_unique<FSRemoveObject2>(1));
        list.add(placeNew(contentId, 1));
        slide.transitionFrames = n;
        return;
    }
    if (const int mask = morphMask(job, code)) {
        list.add(placeMask(mask, 0, FSCoordTransform(0, 0)));
        for (float r = 0.0f; r < 1.0f; r += 1.0f / static_cast<float>(n)) {
            auto step = modify(0, scale);
            step->setRatio(r);
            list.add(std::move(step));
            list.emplace<FSShowFrame>();
        }
        auto last = modify(0, scale);
        last->setRatio(1.0f);
        list.add(std::move(last));
        list.emplace<FSShowFrame>();
        slide.transitionFrames = n;
        return;
    }
    if (const int first = maskSequence(job, code)) {
        for (int i = 0; i < 20; ++i) {
            if (i > 0) list.add(std::make_unique<FSRemoveObject2>(0));
            list.add(placeMask(first + i, 0, scale));
            list.emplace<FSShowFrame>();
        }
        slide.transitionFrames = 20;
    }
    // Any other code (a cut, a peek drawn at random, ...): no transition.
}

bool computeEffectDelay(ConversionJob& job, EffectRecord& record) {
    if (!record.animation) return false;
    const float rate = job.movie.getFrameRate();
    if (record.animation->advanceMode() == host::advance_mode::kOnTime) {
        const float seconds = record.animation->advanceTime();
        record.delayFrames =
            roundHalf(rate * (std::isfinite(seconds) ? std::clamp(seconds, 0.0f, 3600.0f) : 0.0f));
        return true;
    }
    float delay = job.settings().shapeAutoDelay;
    if (!std::isfinite(delay)) delay = 0;
    delay = std::clamp(delay, 0.0f, 10.0f);
    record.delayFrames = roundHalf(rate * delay);
    return true;
}

FSArray<FSActionObject> chainActions(int slideIndex, const std::vector<std::string>& next) {
    FSArray<FSActionObject> list;
    list.emplace<FSAction>(FSAction::Stop);
    for (const std::string& name : next) {
        auto root = std::make_unique<FSPush>();
        root->push<FSDouble>(0.0);
        root->push<FSString>("_root");
        list.add(std::move(root));
        list.emplace<FSAction>(FSAction::GetVariable);
        auto slideName = std::make_unique<FSPush>();
        slideName->push<FSString>(instanceName("slide_%d", slideIndex + 1));
        list.add(std::move(slideName));
        list.emplace<FSAction>(FSAction::GetAttribute);
        auto clip = std::make_unique<FSPush>();
        clip->push<FSString>(name);
        list.add(std::move(clip));
        list.emplace<FSAction>(FSAction::GetAttribute);
        auto method = std::make_unique<FSPush>();
        method->push<FSString>("play");
        list.add(std::move(method));
        list.emplace<FSAction>(FSAction::ExecuteMethod);
        list.emplace<FSAction>(FSAction::Pop);
    }
    return list;
}

int writeEffectFrames(ConversionJob& job, const Element& element, int code, int c, int w, int h,
                      FSArray<FSMovieObject>& list) {
    const float s = element.pictureScale;
    const int Wp = job.frameBounds.getWidth() / kTwipsPerPoint;
    const int Hp = job.frameBounds.getHeight() / kTwipsPerPoint;
    const double left = element.left, top = element.top;
    const double width = element.width, height = element.height;
    auto place = [&](int k, const FSCoordTransform& at, const FSColorTransform& colours = {}) {
        if (k == 0) {
            list.add(placeNew(c, 1, at, colours));
        } else {
            list.add(modify(1, at, colours));
        }
    };

    // Motion: from outside the slide to the element's place.
    if (isFly(code) || isCrawl(code)) {
        const int steps = isCrawl(code) ? 50 : 10;
        // Crawls come from the left, top, right and bottom, as the first four flies.
        const int variant =
            std::clamp(isCrawl(code) ? code - fx::kCrawlFromLeft : code - fx::kFlyFromLeft, 0, 7);
        // A spiral turns about the element's place while coming in from a frame's width away.
        const double radius = std::max(Wp, Hp);
        // The clip is placed with the element's own turn and flips; the offsets are meant on the
        // stage, so a turned or flipped element has them turned back into its own axes.
        const auto& m = element.transform.getMatrix();
        const double det =
            static_cast<double>(m[0][0]) * m[1][1] - static_cast<double>(m[0][1]) * m[1][0];
        const bool turned =
            (m[0][1] != 0 || m[1][0] != 0 || m[0][0] < 0 || m[1][1] < 0) && std::abs(det) > 1e-12;
        auto offset = [&](double x, double y) {
            if (!turned) return FSCoordTransform(twips(x, s), twips(y, s));
            const double X = x * kTwipsPerPoint, Y = y * kTwipsPerPoint;
            return FSCoordTransform(roundHalf((m[1][1] * X - m[0][1] * Y) / det),
                                    roundHalf((m[0][0] * Y - m[1][0] * X) / det));
        };
        for (int k = 0; k < steps; ++k) {
            const double xL = k * (left + width) / steps - (left + width);
            const double yT = k * (top + height) / steps - (top + height);
            const double xR = (Wp - left) - k * (Wp - left) / steps;
            const double yB = (Hp - top) - k * (Hp - top) / steps;
            double x = 0, y = 0;
            if (code == fx::kSpiral) {
                const double r = radius * (steps - k) / steps;
                x = r * std::cos(0.62832 * k);
                y = r * std::sin(0.62832 * k);
            } else {
                const double xs[8] = {xL, 0, xR, 0, xL, xR, xL, xR};
                const double ys[8] = {0, yT, 0, yB, yT, yT, yB, yB};
                x = xs[variant];
                y = ys[variant];
            }
            place(k, offset(x, y));
            list.emplace<FSShowFrame>();
        }
        settle(list, c, false);
        return steps + 1;
    }
    if (const int mask = morphMask(job, code)) {
        const FSCoordTransform box(0, 0, w * 0.001, h * 0.001);
        for (int k = 0; k < 10; ++k) {
            if (k == 0) {
                auto first = placeMask(mask, 0, box);
                first->setRatio(0.0f);
                list.add(std::move(first));
                list.add(placeNew(c, 1));
            } else {
                auto step = modify(0, box);
                step->setRatio(k / 10.0f);
                list.add(std::move(step));
            }
            list.emplace<FSShowFrame>();
        }
        settle(list, c, true);
        return 11;
    }
    if (const int first = maskSequence(job, code)) {
        const FSCoordTransform box(0, 0, w * 0.001, h * 0.001);
        for (int i = 0; i < 20; ++i) {
            if (i > 0) list.add(std::make_unique<FSRemoveObject2>(0));
            list.add(placeMask(first + i, 0, box));
            if (i == 0) list.add(placeNew(c, 1));
            list.emplace<FSShowFrame>();
        }
        settle(list, c, true);
        return 21;
    }
    if (code == fx::kCut) {
        showFrames(list, 10);
        list.add(placeNew(c, 1));
        showFrames(list, 10);
        return 20;
    }
    if (inRange(code, fx::kFlashOnceFast, fx::kFlashOnceSlow)) {
        // Shown n frames, hidden n - 1, and shown again for good on the last.
        const int n = code == fx::kFlashOnceFast ? 10 : code == fx::kFlashOnceMedium ? 20 : 40;
        list.add(placeNew(c, 1));
        showFrames(list, n);
        list.add(std::make_unique<FSRemoveObject2>(1));
        showFrames(list, n - 1);
        list.add(placeNew(c, 1));
        list.emplace<FSShowFrame>();
        return 2 * n;
    }
    if (isFade(code)) {
        for (int k = 0; k < 10; ++k) {
            place(k, FSCoordTransform(), alpha(k / 10.0f));
            list.emplace<FSShowFrame>();
        }
        settle(list, c, false);
        return 11;
    }
    if (isScale(code)) {
        const int steps = code == fx::kSwivel ? 100 : 20;
        for (int k = 0; k < steps; ++k) {
            double sx = 1, sy = 1;
            int tx = 0, ty = 0;
            bool turn = false;
            switch (code) {
                case fx::kZoomIn:
                    sx = sy = 0.05 * k;
                    tx = w / 2 - (w / 40) * k;
                    ty = h / 2 - (h / 40) * k;
                    break;
                case fx::kZoomInSlightly:
                    sx = sy = 0.5 + 0.025 * k;
                    tx = w / 4 - (w / 80) * k;
                    ty = h / 4 - (h / 80) * k;
                    break;
                case fx::kZoomOut:
                case fx::kZoomBottom:
                    sx = sy = 2.9 - 0.1 * k;
                    break;
                case fx::kZoomOutSlightly:
                    sx = sy = 1.95 - 0.05 * k;
                    break;
                case fx::kZoomCenter:
                    sx = sy = 0.05 * k;
                    break;
                case fx::kStretchAcross:
                    sx = 0.05 * k;
                    tx = w / 2 - (w / 2) * k / 20;
                    break;
                case fx::kStretchLeft:
                    sx = 0.05 * k;
                    break;
                case fx::kStretchUp:
                    sy = 0.05 * k;
                    break;
                case fx::kStretchRight:
                    sx = -0.05 * k, sy = -1.0, turn = true;
                    break;
                case fx::kStretchDown:
                    sx = -1.0, sy = -0.05 * k, turn = true;
                    break;
                default: {
                    // Swivel: turns about its vertical centre line, two and a half times.
                    sx = std::cos((steps - k) * 3.14159265 * 5 / steps);
                    tx = static_cast<int>(w / 2.0 * (1 - sx));
                    break;
                }
            }
            FSCoordTransform at(0, 0, sx, sy);
            if (turn) at.rotate(180);
            // The offset as it stands, not scaled with the element.
            at.set(0, 2, static_cast<float>(tx));
            at.set(1, 2, static_cast<float>(ty));
            place(k, at);
            list.emplace<FSShowFrame>();
        }
        settle(list, c, false);
        return steps + 1;
    }
    if (isPeek(code)) {
        list.add(placeMask(morphMask(job, kFullBoxMask), 0,
                           FSCoordTransform(0, 0, w * 0.001, h * 0.001)));
        for (int i = 0; i < 20; ++i) {
            int x = 0, y = 0;
            switch (code) {
                case fx::kPeekFromLeft:
                    x = (20 - i) * (-w / 20);
                    break;
                case fx::kPeekFromDown:
                    y = (20 - i) * (h / 20);
                    break;
                case fx::kPeekFromRight:
                    x = (20 - i) * (w / 20);
                    break;
                default:
                    y = (20 - i) * (-h / 20);
                    break;
            }
            place(i, FSCoordTransform(x, y));
            list.emplace<FSShowFrame>();
        }
        settle(list, c, true);
        return 21;
    }
    // Any other code: the default appear.
    showFrames(list, 10);
    list.add(placeNew(c, 1));
    showFrames(list, 10);
    return 20;
}

namespace {

// The inverse of a placement (rotation, scale, flips and translation).
FSCoordTransform inverse(const FSCoordTransform& t) {
    const auto& m = t.getMatrix();
    const double det =
        static_cast<double>(m[0][0]) * m[1][1] - static_cast<double>(m[0][1]) * m[1][0];
    FSCoordTransform result;
    if (std::abs(det) < 1e-9) return result;
    float r[3][3] = {};
    r[0][0] = static_cast<float>(m[1][1] / det);
    r[0][1] = static_cast<float>(-m[0][1] / det);
    r[1][0] = static_cast<float>(-m[1][0] / det);
    r[1][1] = static_cast<float>(m[0][0] / det);
    r[0][2] = static_cast<float>(-(r[0][0] * m[0][2] + r[0][1] * m[1][2]));
    r[1][2] = static_cast<float>(-(r[1][0] * m[0][2] + r[1][1] * m[1][2]));
    r[2][2] = 1.0f;
    result.setMatrix(r);
    return result;
}

// a then b: the matrix product b x a.
FSCoordTransform product(const FSCoordTransform& inner, const FSCoordTransform& outer) {
    const auto& a = inner.getMatrix();
    const auto& b = outer.getMatrix();
    float r[3][3] = {};
    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 3; ++j) {
            r[i][j] = b[i][0] * a[0][j] + b[i][1] * a[1][j] + (j == 2 ? b[i][2] : 0.0f);
        }
    }
    r[2][2] = 1.0f;
    FSCoordTransform result;
    result.setMatrix(r);
    return result;
}

struct Animated {
    Element* leader;
    std::vector<Element*> carried;
    EffectRecord record;
    int order;
    std::size_t position;
    int code;
};

}  // namespace

void buildSlideEffects(ConversionJob& job, SlideRecord& slide) {
    slide.animatedElements.clear();
    std::vector<Animated> animated;
    for (std::size_t i = 0; i < slide.elements.size(); ++i) {
        Element& element = *slide.elements[i];
        if (!element.hostShape || element.characterId == 0) continue;
        // The text of a shape enters with its body, in the body's clip.
        if (!animated.empty() && animated.back().leader->hostShape == element.hostShape &&
            animated.back().position + 1 + animated.back().carried.size() == i) {
            animated.back().carried.push_back(&element);
            continue;
        }
        auto settings = element.hostShape->animationSettings();
        if (!settings || settings->animate() == host::kFalse) continue;
        const int code = settings->entryEffect();
        if (code == fx::kNone || code == fx::kMixed) continue;
        Animated a{&element, {},  EffectRecord{settings, 0, 0, 0}, settings->animationOrder(),
                   i,        code};
        if (!computeEffectDelay(job, a.record)) continue;
        animated.push_back(std::move(a));
    }
    std::stable_sort(animated.begin(), animated.end(),
                     [](const Animated& a, const Animated& b) { return a.order < b.order; });
    if (animated.empty()) return;
    animated.front().record.startFlag = 1;

    auto clipName = [](const Element& e) {
        return instanceName("mc%d_%d", e.slideIndex, e.shapeIndex);
    };
    for (std::size_t n = 0; n < animated.size(); ++n) {
        Animated& a = animated[n];
        Element& element = *a.leader;
        const float s = element.pictureScale;
        const int w = std::max(twips(element.width, s), 1);
        const int h = std::max(twips(element.height, s), 1);

        // The character the effect shows: the element's own, or a sprite with the texts it
        // carries, placed where they stand relative to it.
        int character = element.characterId;
        if (!a.carried.empty()) {
            FSArray<FSMovieObject> parts;
            parts.add(placeNew(element.characterId, 1));
            const FSCoordTransform back = inverse(element.transform);
            int depth = 2;
            for (Element* carried : a.carried) {
                parts.add(
                    placeNew(carried->characterId, depth++, product(carried->transform, back)));
                carried->carriedByEffect = true;
            }
            parts.emplace<FSShowFrame>();
            character = job.newIdentifier();
            job.movie.add(std::make_unique<FSDefineMovieClip>(character, std::move(parts)));
        }

        int code = a.code;
        if (code == fx::kRandom) code = drawRandomCode(job, randomEffectCodes());
        code = nearestEntryEffect(code);

        FSArray<FSMovieObject> list;
        // Start part: the first clip runs at once, the others rest until their turn; each then
        // waits its delay. A clip at rest shows nothing yet.
        const int d = a.record.delayFrames;
        if (a.record.startFlag == 1 && d != -1) {
            list.add(std::make_unique<FSDoAction>());
            showFrames(list, d);
        } else {
            FSArray<FSActionObject> stop;
            stop.emplace<FSAction>(FSAction::Stop);
            list.add(std::make_unique<FSDoAction>(std::move(stop)));
            showFrames(list, std::max(d, 1));
            // Played without a delay, it still passes its resting frame before the effect; the
            // slide's timer counts that frame too.
            if (d == 0) a.record.delayFrames = 1;
        }
        a.record.lengthFrames = writeEffectFrames(job, element, code, character, w, h, list);
        // End part: start the next clip, or rest.
        std::vector<std::string> next;
        if (n + 1 < animated.size() && animated[n + 1].record.delayFrames != -1) {
            next.push_back(clipName(*animated[n + 1].leader));
        }
        list.add(std::make_unique<FSDoAction>(chainActions(slide.index, next)));
        list.emplace<FSShowFrame>();
        element.effectClipId = job.newIdentifier();
        job.movie.add(std::make_unique<FSDefineMovieClip>(element.effectClipId, std::move(list)));
    }
    for (const Animated& a : animated) slide.animatedElements.push_back({a.leader, a.record});
}

}  // namespace quillet::engine
