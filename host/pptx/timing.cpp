#include "host/pptx/timing.h"

#include <algorithm>
#include <functional>
#include <string>

#include "host/codes.h"

namespace quillet::pptx {

namespace {

using namespace host::effect;

constexpr int kMaxTimingDepth = 64;
constexpr int kMaxTimingNodes = 100000;

// Eight-way directions of cover and pull (uncover) in the family's variant order.
int eightWay(const std::string& dir, int base) {
    static const char* const kOrder[] = {"l", "u", "r", "d", "lu", "ru", "ld", "rd"};
    for (int i = 0; i < 8; ++i) {
        if (dir == kOrder[i]) return base + i;
    }
    return base;  // the file's default direction is left
}

// A wheel of 1, 2, 3, 4 or 8 spokes; 4 for any other count.
int wheel(std::int64_t spokes) {
    switch (spokes) {
        case 1:
            return kWheel1Spoke;
        case 2:
            return kWheel2Spokes;
        case 3:
            return kWheel3Spokes;
        case 8:
            return kWheel8Spokes;
        default:
            return kWheel4Spokes;
    }
}

float secondsFromMs(std::int64_t ms) {
    return static_cast<float>(std::clamp<std::int64_t>(ms, 0, 86400000)) / 1000.0f;
}

}  // namespace

int speedForDuration(float seconds) {
    if (seconds <= 0.625f) return host::speed::kFast;
    if (seconds <= 0.875f) return host::speed::kMedium;
    return host::speed::kSlow;
}

int transitionEffectCode(pugi::xml_node effect) {
    std::string name(localName(effect.name()));
    std::string dir = strAttr(effect, "dir");
    bool vertical = dir == "vert";
    // Extension effects (p14:, p15:) have no counterpart among the host's classic codes.
    std::string qualified = effect.name();
    bool classic = qualified.find(':') == std::string::npos || qualified.rfind("p:", 0) == 0;
    if (!classic) return kNone;
    if (name == "blinds") return vertical ? kBlindsVertical : kBlindsHorizontal;
    if (name == "checker") return vertical ? kCheckerboardDown : kCheckerboardAcross;
    if (name == "comb") return vertical ? kCombVertical : kCombHorizontal;
    if (name == "randomBar") return vertical ? kRandomBarsVertical : kRandomBarsHorizontal;
    if (name == "cover") return eightWay(dir, kCoverLeft);
    if (name == "pull") return eightWay(dir, kUncoverLeft);
    if (name == "cut") return boolAttr(effect, "thruBlk").value_or(false) ? kCutThroughBlack : kCut;
    if (name == "fade") return boolAttr(effect, "thruBlk").value_or(false) ? kFade : kFadeSmoothly;
    if (name == "dissolve") return kDissolve;
    if (name == "random") return kRandom;
    if (name == "circle") return kCircleOut;
    if (name == "diamond") return kDiamondOut;
    if (name == "newsflash") return kNewsflash;
    if (name == "plus") return kPlusOut;
    if (name == "wedge") return kWedge;
    if (name == "push") {
        if (dir == "u") return kPushUp;
        if (dir == "r") return kPushRight;
        if (dir == "d") return kPushDown;
        return kPushLeft;
    }
    if (name == "wipe") {
        if (dir == "u") return kWipeUp;
        if (dir == "r") return kWipeRight;
        if (dir == "d") return kWipeDown;
        return kWipeLeft;
    }
    if (name == "strips") {
        if (dir == "ru") return kStripsRightUp;
        if (dir == "ld") return kStripsLeftDown;
        if (dir == "rd") return kStripsRightDown;
        return kStripsLeftUp;
    }
    if (name == "zoom") return dir == "in" ? kBoxIn : kBoxOut;
    if (name == "split") {
        bool inward = strAttr(effect, "dir") == "in";
        bool vert = strAttr(effect, "orient") == "vert";
        if (vert) return inward ? kSplitVerticalIn : kSplitVerticalOut;
        return inward ? kSplitHorizontalIn : kSplitHorizontalOut;
    }
    if (name == "wheel") return wheel(intAttr(effect, "spokes", 4));
    return kNone;
}

bool readTransition(pugi::xml_node slide, Transition& out) {
    pugi::xml_node transition = child(slide, "transition");
    pugi::xml_node choice;
    if (!transition) {
        for (pugi::xml_node c : slide.children()) {
            if (!is(c, "AlternateContent")) continue;
            pugi::xml_node fallback = path(c, {"Fallback", "transition"});
            choice = path(c, {"Choice", "transition"});
            transition = fallback ? fallback : choice;
            if (transition) break;
        }
    }
    if (!transition) return false;
    out = Transition{};
    std::string spd = strAttr(transition, "spd");
    out.speed = spd == "slow"  ? host::speed::kSlow
                : spd == "med" ? host::speed::kMedium
                               : host::speed::kFast;
    // Newer files give an exact duration (p14:dur, ms) beside the speed, on the Choice branch.
    for (pugi::xml_node t : {transition, choice}) {
        if (!t) continue;
        if (auto dur = intAttr(t, "dur")) {
            out.duration = secondsFromMs(*dur);
            out.speed = speedForDuration(out.duration);
        }
    }
    if (out.duration <= 0) {
        out.duration = out.speed == host::speed::kSlow     ? 1.0f
                       : out.speed == host::speed::kMedium ? 0.75f
                                                           : 0.5f;
    }
    out.advanceOnClick = boolAttr(transition, "advClick").value_or(true);
    if (auto tm = intAttr(transition, "advTm")) {
        out.advanceOnTime = true;
        out.advanceTime = secondsFromMs(*tm);
    }
    for (pugi::xml_node e = transition.first_child(); e; e = e.next_sibling()) {
        if (e.type() != pugi::node_element) continue;
        std::string_view n = localName(e.name());
        if (n == "sndAc" || n == "extLst") continue;
        out.name = e.name();
        out.effect = transitionEffectCode(e);
        break;
    }
    return true;
}

int entranceEffectCode(int id, int sub) {
    switch (id) {
        case 1:
            return kAppear;
        case 2:  // fly in: the subtype is the side it comes from
            switch (sub) {
                case 1:
                    return kFlyFromTop;
                case 2:
                    return kFlyFromRight;
                case 3:
                    return kFlyFromTopRight;
                case 4:
                    return kFlyFromBottom;
                case 6:
                    return kFlyFromBottomRight;
                case 9:
                    return kFlyFromTopLeft;
                case 12:
                    return kFlyFromBottomLeft;
                default:
                    return kFlyFromLeft;
            }
        case 3:
            return sub == 5 ? kBlindsVertical : kBlindsHorizontal;
        case 4:
            return sub == 16 ? kBoxIn : kBoxOut;
        case 5:
            return sub == 5 ? kCheckerboardDown : kCheckerboardAcross;
        case 6:
            return kCircleOut;
        case 7:
            switch (sub) {
                case 1:
                    return kCrawlFromUp;
                case 2:
                    return kCrawlFromRight;
                case 4:
                    return kCrawlFromDown;
                default:
                    return kCrawlFromLeft;
            }
        case 8:
            return kDiamondOut;
        case 9:
            return kDissolve;
        case 10:
            return kFadeSmoothly;
        case 11:
            return kFlashOnceMedium;
        case 12:
            switch (sub) {
                case 1:
                    return kPeekFromUp;
                case 2:
                    return kPeekFromRight;
                case 4:
                    return kPeekFromDown;
                default:
                    return kPeekFromLeft;
            }
        case 13:
            return kPlusOut;
        case 14:
            return sub == 5 ? kRandomBarsVertical : kRandomBarsHorizontal;
        case 15:
            return kSpiral;
        case 16:
            switch (sub) {
                case 21:
                    return kSplitVerticalIn;
                case 26:
                    return kSplitHorizontalIn;
                case 37:
                    return kSplitVerticalOut;
                default:
                    return kSplitHorizontalOut;
            }
        case 17:
            switch (sub) {
                case 1:
                    return kStretchDown;
                case 2:
                    return kStretchRight;
                case 4:
                    return kStretchUp;
                case 8:
                    return kStretchLeft;
                default:
                    return kStretchAcross;
            }
        case 18:
            switch (sub) {
                case 3:
                    return kStripsRightUp;
                case 6:
                    return kStripsRightDown;
                case 9:
                    return kStripsLeftUp;
                default:
                    return kStripsLeftDown;
            }
        case 19:
            return kSwivel;
        case 20:
            return kWedge;
        case 21:
            return wheel(sub);
        case 22:  // wipe: "from left" moves to the right
            switch (sub) {
                case 1:
                    return kWipeDown;
                case 2:
                    return kWipeLeft;
                case 4:
                    return kWipeUp;
                default:
                    return kWipeRight;
            }
        case 23:
            switch (sub) {
                case 32:
                    return kZoomOut;
                case 36:
                    return kZoomOutSlightly;
                case 528:
                    return kZoomInSlightly;
                default:
                    return kZoomIn;
            }
        case 24:
            return kRandom;
        // Newer entrances have no code of their own: the nearest classic one.
        case 25:  // boomerang
        case 45:  // fade swivel
            return kSwivel;
        case 26:  // bounce: drops in from the top
            return kFlyFromTop;
        case 28:  // credits
            return kCrawlFromDown;
        case 31:  // grow & turn
        case 35:  // pinwheel
        case 49:  // spinner
        case 53:  // zoom (fading)
            return kZoomIn;
        case 34:  // light speed
            return kFlyFromRight;
        case 37:  // rise up
        case 52:  // curve up
            return kFlyFromBottom;
        case 42:  // float in (ascend): a fade with a short rise
        case 47:  // descend
        case 43:  // centre revolve
            return kFadeSmoothly;
        case 50:  // compress
            return kZoomOutSlightly;
        case 55:  // expand
            return kStretchAcross;
        default:
            // Any other newer entrance appears.
            return kAppear;
    }
}

std::map<int, Animation> readEntranceAnimations(pugi::xml_node slide) {
    std::map<int, Animation> out;
    pugi::xml_node root = path(slide, {"timing", "tnLst", "par", "cTn", "childTnLst"});
    if (!root) return out;
    pugi::xml_node mainSeq;
    for (pugi::xml_node seq : root.children()) {
        if (!is(seq, "seq")) continue;
        if (strAttr(child(seq, "cTn"), "nodeType") == "mainSeq") {
            mainSeq = child(seq, "cTn");
            break;
        }
    }
    if (!mainSeq) return out;

    int order = 0;
    int visited = 0;
    auto condDelayMs = [](pugi::xml_node cTn) -> std::int64_t {
        pugi::xml_node cond = path(cTn, {"stCondLst", "cond"});
        std::string delay = strAttr(cond, "delay");
        if (delay.empty() || delay == "indefinite") return 0;
        return std::clamp<std::int64_t>(parseInt(delay).value_or(0), 0, 86400000);
    };
    // Walks the time nodes: click groups, with/after groups, effects. inheritedDelay is the delay
    // of the enclosing groups in milliseconds.
    std::function<void(pugi::xml_node, std::int64_t, int)> walk = [&](pugi::xml_node childTnLst,
                                                                      std::int64_t inheritedDelay,
                                                                      int depth) {
        if (depth > kMaxTimingDepth) return;
        for (pugi::xml_node node : childTnLst.children()) {
            if (++visited > kMaxTimingNodes) return;
            pugi::xml_node cTn = child(node, "cTn");
            if (!cTn) continue;
            std::int64_t delay = inheritedDelay + condDelayMs(cTn);
            std::string presetClass = strAttr(cTn, "presetClass");
            if (presetClass.empty()) {
                walk(child(cTn, "childTnLst"), delay, depth + 1);
                continue;
            }
            if (presetClass != "entr") continue;
            // The effect's target: the first shape any of its behaviours names.
            int target = -1;
            float duration = 0;
            std::function<void(pugi::xml_node, int)> findTarget = [&](pugi::xml_node n, int d) {
                if (target >= 0 || d > kMaxTimingDepth) return;
                for (pugi::xml_node c : n.children()) {
                    if (++visited > kMaxTimingNodes) return;
                    if (is(c, "spTgt")) {
                        target = static_cast<int>(
                            std::clamp<std::int64_t>(intAttr(c, "spid", -1), -1, 1 << 30));
                        return;
                    }
                    if (is(c, "cTn") && duration == 0) {
                        if (auto dur = intAttr(c, "dur")) duration = secondsFromMs(*dur);
                    }
                    findTarget(c, d + 1);
                    if (target >= 0) return;
                }
            };
            findTarget(child(cTn, "childTnLst"), 0);
            if (target < 0 || out.count(target)) continue;
            Animation a;
            a.presetId =
                static_cast<int>(std::clamp<std::int64_t>(intAttr(cTn, "presetID", 0), 0, 1000));
            a.presetSubtype = static_cast<int>(
                std::clamp<std::int64_t>(intAttr(cTn, "presetSubtype", 0), 0, 100000));
            a.effect = entranceEffectCode(a.presetId, a.presetSubtype);
            if (a.presetId == 11) {
                a.effect = duration <= 0.625f  ? kFlashOnceFast
                           : duration <= 1.25f ? kFlashOnceMedium
                                               : kFlashOnceSlow;
            }
            a.duration = duration;
            std::string trigger = strAttr(cTn, "nodeType");
            if (trigger == "withEffect" || trigger == "afterEffect") {
                a.advanceMode = host::advance_mode::kOnTime;
                // After the previous effect: its own delay only. The group's offset around it is
                // the time of the effects before it, which the slide show waits for anyway.
                const std::int64_t own = trigger == "afterEffect" ? condDelayMs(cTn) : delay;
                a.advanceTime = static_cast<float>(own) / 1000.0f;
            } else {
                a.advanceMode = host::advance_mode::kOnClick;
                a.advanceTime = 0;
            }
            a.order = ++order;
            out[target] = a;
        }
    };
    walk(child(mainSeq, "childTnLst"), 0, 0);
    return out;
}

}  // namespace quillet::pptx
