// The numeric codes of the presentation host's object model, as the engine reads and passes them.
// They follow the host's published numbering so that the engine's tables (shape dispatch, outline
// kinds, numbering styles, effect families) can be written against the numbers directly.
#pragma once

#include <vector>

namespace quillet::host {

// Truth values. A property over several runs or shapes that differ reads as mixed.
inline constexpr int kTrue = -1;
inline constexpr int kFalse = 0;
inline constexpr int kMixed = -2;

inline constexpr int truth(bool value) {
    return value ? kTrue : kFalse;
}

// Colours are RGB with red in the low byte: red | green << 8 | blue << 16.
inline constexpr int rgb(int red, int green, int blue) {
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}
inline constexpr int redOf(int colour) {
    return colour & 0xFF;
}
inline constexpr int greenOf(int colour) {
    return (colour >> 8) & 0xFF;
}
inline constexpr int blueOf(int colour) {
    return (colour >> 16) & 0xFF;
}

// Shape type codes.
namespace shape_type {
inline constexpr int kMixed = -2;
inline constexpr int kAutoShape = 1;
inline constexpr int kCallout = 2;
inline constexpr int kChart = 3;
inline constexpr int kComment = 4;
inline constexpr int kFreeform = 5;
inline constexpr int kGroup = 6;
inline constexpr int kEmbeddedOleObject = 7;
inline constexpr int kFormControl = 8;
inline constexpr int kLine = 9;
inline constexpr int kLinkedOleObject = 10;
inline constexpr int kLinkedPicture = 11;
inline constexpr int kOleControlObject = 12;
inline constexpr int kPicture = 13;
inline constexpr int kPlaceholder = 14;
inline constexpr int kTextEffect = 15;
inline constexpr int kMedia = 16;
inline constexpr int kTextBox = 17;
inline constexpr int kScriptAnchor = 18;
inline constexpr int kTable = 19;
inline constexpr int kCanvas = 20;
inline constexpr int kDiagram = 21;
inline constexpr int kInk = 22;
inline constexpr int kInkComment = 23;
inline constexpr int kSmartArt = 24;
inline constexpr int kGraphic = 28;
}  // namespace shape_type

// Autoshape kind codes (the host numbers 1 to 183). Only the ones the engine or the reader names
// are spelled out; the table in host/pptx maps every preset geometry to its number.
namespace shape_kind {
inline constexpr int kMixed = -2;
inline constexpr int kRectangle = 1;
inline constexpr int kParallelogram = 2;
inline constexpr int kTrapezoid = 3;
inline constexpr int kDiamond = 4;
inline constexpr int kRoundedRectangle = 5;
inline constexpr int kOctagon = 6;
inline constexpr int kIsoscelesTriangle = 7;
inline constexpr int kRightTriangle = 8;
inline constexpr int kOval = 9;
inline constexpr int kHexagon = 10;
inline constexpr int kCross = 11;
inline constexpr int kRegularPentagon = 12;
inline constexpr int kCan = 13;
inline constexpr int kCube = 14;
inline constexpr int kRightArrow = 33;
inline constexpr int kPentagon = 51;
inline constexpr int kRectangularCallout = 105;
inline constexpr int kRoundedRectangularCallout = 106;
inline constexpr int kOvalCallout = 107;
inline constexpr int kCloudCallout = 108;
inline constexpr int kNotPrimitive = 138;
inline constexpr int kCloud = 179;
}  // namespace shape_kind

// Fill types. A fill that is switched off reports visible 0 (see Fill).
namespace fill_type {
inline constexpr int kMixed = -2;
inline constexpr int kSolid = 1;
inline constexpr int kPatterned = 2;
inline constexpr int kGradient = 3;
inline constexpr int kTextured = 4;
inline constexpr int kBackground = 5;
inline constexpr int kPicture = 6;
}  // namespace fill_type

// Gradient style: the direction of a two-colour gradient. Variant 1 to 4 picks which colour sits
// where (1: fore to back, 2: back to fore, 3: fore-back-fore, 4: back-fore-back).
namespace gradient_style {
inline constexpr int kMixed = -2;
inline constexpr int kHorizontal = 1;
inline constexpr int kVertical = 2;
inline constexpr int kDiagonalUp = 3;
inline constexpr int kDiagonalDown = 4;
inline constexpr int kFromCorner = 5;
inline constexpr int kFromTitle = 6;
inline constexpr int kFromCenter = 7;
}  // namespace gradient_style

// Line arrowheads, their length and width, dash styles and compound styles.
namespace arrowhead {
inline constexpr int kMixed = -2;
inline constexpr int kNone = 1;
inline constexpr int kTriangle = 2;
inline constexpr int kOpen = 3;
inline constexpr int kStealth = 4;
inline constexpr int kDiamond = 5;
inline constexpr int kOval = 6;
inline constexpr int kShort = 1;  // length
inline constexpr int kMediumLength = 2;
inline constexpr int kLong = 3;
inline constexpr int kNarrow = 1;  // width
inline constexpr int kMediumWidth = 2;
inline constexpr int kWide = 3;
}  // namespace arrowhead

namespace dash_style {
inline constexpr int kMixed = -2;
inline constexpr int kSolid = 1;
inline constexpr int kSquareDot = 2;
inline constexpr int kRoundDot = 3;
inline constexpr int kDash = 4;
inline constexpr int kDashDot = 5;
inline constexpr int kDashDotDot = 6;
inline constexpr int kLongDash = 7;
inline constexpr int kLongDashDot = 8;
inline constexpr int kLongDashDotDot = 9;
inline constexpr int kSysDash = 10;
inline constexpr int kSysDot = 11;
inline constexpr int kSysDashDot = 12;

// The dash pattern of a style in multiples of the line's weight: dash, gap, dash, gap ...; empty
// for a solid line. The movie's dashed lines and the slide pictures cut lines the same way.
inline std::vector<double> pattern(int style) {
    switch (style) {
        case kSquareDot:
        case kRoundDot:
        case kSysDot:
            return {1, 1};
        case kDash:
            return {4, 3};
        case kDashDot:
            return {4, 3, 1, 3};
        case kDashDotDot:
            return {3, 1, 1, 1, 1, 1};
        case kLongDash:
            return {8, 3};
        case kLongDashDot:
            return {8, 3, 1, 3};
        case kLongDashDotDot:
            return {8, 3, 1, 3, 1, 3};
        case kSysDash:
            return {3, 1};
        case kSysDashDot:
            return {3, 1, 1, 1};
        default:
            return {};
    }
}
}  // namespace dash_style

namespace line_style {
inline constexpr int kMixed = -2;
inline constexpr int kSingle = 1;
inline constexpr int kThinThin = 2;
inline constexpr int kThinThick = 3;
inline constexpr int kThickThin = 4;
inline constexpr int kThickBetweenThin = 5;
}  // namespace line_style

// Pattern fills: the host numbers 1 (5 %) to 54 (diagonal cross).
namespace pattern {
inline constexpr int kMixed = -2;
}

// Paragraph bullets.
namespace bullet_type {
inline constexpr int kMixed = -2;
inline constexpr int kNone = 0;
inline constexpr int kUnnumbered = 1;
inline constexpr int kNumbered = 2;
inline constexpr int kPicture = 3;
}  // namespace bullet_type

// Numbering styles of numbered bullets; the engine draws 0 to 17 itself.
namespace numbering_style {
inline constexpr int kMixed = -2;
inline constexpr int kAlphaLowerPeriod = 0;
inline constexpr int kAlphaUpperPeriod = 1;
inline constexpr int kArabicParenRight = 2;
inline constexpr int kArabicPeriod = 3;
inline constexpr int kRomanLowerParenBoth = 4;
inline constexpr int kRomanLowerParenRight = 5;
inline constexpr int kRomanLowerPeriod = 6;
inline constexpr int kRomanUpperPeriod = 7;
inline constexpr int kAlphaLowerParenBoth = 8;
inline constexpr int kAlphaLowerParenRight = 9;
inline constexpr int kAlphaUpperParenBoth = 10;
inline constexpr int kAlphaUpperParenRight = 11;
inline constexpr int kArabicParenBoth = 12;
inline constexpr int kArabicPlain = 13;
inline constexpr int kRomanUpperParenBoth = 14;
inline constexpr int kRomanUpperParenRight = 15;
inline constexpr int kSimplifiedChinesePlain = 16;
inline constexpr int kSimplifiedChinesePeriod = 17;
// 18 to 40: circled, double-byte, traditional Chinese, Kanji, Hebrew, Arabic, Thai and Hindi forms.
inline constexpr int kLast = 40;
}  // namespace numbering_style

// Paragraph alignment.
namespace alignment {
inline constexpr int kMixed = -2;
inline constexpr int kLeft = 1;
inline constexpr int kCenter = 2;
inline constexpr int kRight = 3;
inline constexpr int kJustify = 4;
inline constexpr int kDistribute = 5;
inline constexpr int kThaiDistribute = 6;
inline constexpr int kJustifyLow = 7;
}  // namespace alignment

// Text frame: vertical anchor, autosize, orientation.
namespace anchor {
inline constexpr int kTop = 1;
inline constexpr int kTopBaseline = 2;
inline constexpr int kMiddle = 3;
inline constexpr int kBottom = 4;
inline constexpr int kBottomBaseline = 5;
}  // namespace anchor

namespace auto_size {
inline constexpr int kNone = 0;
inline constexpr int kShapeToFitText = 1;
inline constexpr int kTextToFitShape = 2;
}  // namespace auto_size

namespace orientation {
inline constexpr int kHorizontal = 1;
inline constexpr int kUpward = 2;
inline constexpr int kDownward = 3;
inline constexpr int kVerticalFarEast = 4;
inline constexpr int kVertical = 5;
inline constexpr int kHorizontalRotatedFarEast = 6;
// The turn (degrees clockwise) that makes lines of vertical text columns: a quarter for the
// downward and far-east kinds, three quarters upward, none across.
constexpr int turnOf(int orientation) {
    if (orientation == kUpward) return 270;
    return orientation == kDownward || orientation == kVerticalFarEast || orientation == kVertical
               ? 90
               : 0;
}
}  // namespace orientation

// Freeform nodes.
namespace segment {
inline constexpr int kLine = 0;
inline constexpr int kCurve = 1;
}  // namespace segment

// How a sub-path of a shape's outline is filled: with the shape's fill, the fill shaded darker or
// lighter (by 40 %, or 20 % for the "less" forms), or not at all.
namespace path_fill {
inline constexpr int kNone = 0;
inline constexpr int kNormal = 1;
inline constexpr int kDarken = 2;
inline constexpr int kDarkenLess = 3;
inline constexpr int kLighten = 4;
inline constexpr int kLightenLess = 5;
}  // namespace path_fill

// Placeholder kinds.
namespace placeholder {
inline constexpr int kNone = 0;
inline constexpr int kTitle = 1;
inline constexpr int kBody = 2;
inline constexpr int kCenterTitle = 3;
inline constexpr int kSubtitle = 4;
inline constexpr int kVerticalTitle = 5;
inline constexpr int kVerticalBody = 6;
inline constexpr int kObject = 7;
inline constexpr int kChart = 8;
inline constexpr int kBitmap = 9;
inline constexpr int kMediaClip = 10;
inline constexpr int kOrgChart = 11;
inline constexpr int kTable = 12;
inline constexpr int kSlideNumber = 13;
inline constexpr int kHeader = 14;
inline constexpr int kFooter = 15;
inline constexpr int kDate = 16;
inline constexpr int kVerticalObject = 17;
inline constexpr int kPicture = 18;
}  // namespace placeholder

// Slide layouts for adding a slide.
namespace layout {
inline constexpr int kTitle = 1;
inline constexpr int kText = 2;
inline constexpr int kTwoColumnText = 3;
inline constexpr int kTable = 4;
inline constexpr int kTextAndChart = 5;
inline constexpr int kChartAndText = 6;
inline constexpr int kOrgChart = 7;
inline constexpr int kChart = 8;
inline constexpr int kTextAndClipArt = 9;
inline constexpr int kClipArtAndText = 10;
inline constexpr int kTitleOnly = 11;
inline constexpr int kBlank = 12;
inline constexpr int kObject = 16;
inline constexpr int kSectionHeader = 33;
inline constexpr int kComparison = 34;
inline constexpr int kContentWithCaption = 35;
inline constexpr int kPictureWithCaption = 36;
inline constexpr int kCustom = 32;
}  // namespace layout

// Page setup slide-size codes.
namespace slide_size {
inline constexpr int kOnScreen = 1;
inline constexpr int kCustom = 7;
}  // namespace slide_size

// Save formats and the embed-fonts switch of save-a-copy.
namespace save_format {
inline constexpr int kPresentation = 11;  // the format the engine asks for: our own .pptx
inline constexpr int kOpenXmlPresentation = 24;
}  // namespace save_format

// Transition speed: 1 slow, 2 medium, 3 fast.
namespace speed {
inline constexpr int kMixed = -2;
inline constexpr int kSlow = 1;
inline constexpr int kMedium = 2;
inline constexpr int kFast = 3;
}  // namespace speed

// Animation advance mode.
namespace advance_mode {
inline constexpr int kMixed = -2;
inline constexpr int kOnClick = 1;
inline constexpr int kOnTime = 2;
}  // namespace advance_mode

// Entry-effect codes of slide transitions and shape entrance effects. The high byte is the family,
// the low byte the variant. Codes the engine has no generator for mean "no transition" on a slide
// and the default appear on a shape.
namespace effect {
inline constexpr int kMixed = -2;
inline constexpr int kNone = 0;
inline constexpr int kCut = 257;
inline constexpr int kCutThroughBlack = 258;
inline constexpr int kRandom = 513;
inline constexpr int kBlindsHorizontal = 769;
inline constexpr int kBlindsVertical = 770;
inline constexpr int kCheckerboardAcross = 1025;
inline constexpr int kCheckerboardDown = 1026;
inline constexpr int kCoverLeft = 1281;
inline constexpr int kCoverUp = 1282;
inline constexpr int kCoverRight = 1283;
inline constexpr int kCoverDown = 1284;
inline constexpr int kCoverLeftUp = 1285;
inline constexpr int kCoverRightUp = 1286;
inline constexpr int kCoverLeftDown = 1287;
inline constexpr int kCoverRightDown = 1288;
inline constexpr int kDissolve = 1537;
inline constexpr int kFade = 1793;
inline constexpr int kUncoverLeft = 2049;
inline constexpr int kUncoverUp = 2050;
inline constexpr int kUncoverRight = 2051;
inline constexpr int kUncoverDown = 2052;
inline constexpr int kUncoverLeftUp = 2053;
inline constexpr int kUncoverRightUp = 2054;
inline constexpr int kUncoverLeftDown = 2055;
inline constexpr int kUncoverRightDown = 2056;
inline constexpr int kRandomBarsHorizontal = 2305;
inline constexpr int kRandomBarsVertical = 2306;
inline constexpr int kStripsUpLeft = 2561;
inline constexpr int kStripsUpRight = 2562;
inline constexpr int kStripsDownLeft = 2563;
inline constexpr int kStripsDownRight = 2564;
inline constexpr int kStripsLeftUp = 2565;
inline constexpr int kStripsRightUp = 2566;
inline constexpr int kStripsLeftDown = 2567;
inline constexpr int kStripsRightDown = 2568;
inline constexpr int kWipeLeft = 2817;
inline constexpr int kWipeUp = 2818;
inline constexpr int kWipeRight = 2819;
inline constexpr int kWipeDown = 2820;
inline constexpr int kBoxOut = 3073;
inline constexpr int kBoxIn = 3074;
inline constexpr int kFlyFromLeft = 3329;
inline constexpr int kFlyFromTop = 3330;
inline constexpr int kFlyFromRight = 3331;
inline constexpr int kFlyFromBottom = 3332;
inline constexpr int kFlyFromTopLeft = 3333;
inline constexpr int kFlyFromTopRight = 3334;
inline constexpr int kFlyFromBottomLeft = 3335;
inline constexpr int kFlyFromBottomRight = 3336;
inline constexpr int kPeekFromLeft = 3337;
inline constexpr int kPeekFromDown = 3338;
inline constexpr int kPeekFromRight = 3339;
inline constexpr int kPeekFromUp = 3340;
inline constexpr int kCrawlFromLeft = 3341;
inline constexpr int kCrawlFromUp = 3342;
inline constexpr int kCrawlFromRight = 3343;
inline constexpr int kCrawlFromDown = 3344;
inline constexpr int kZoomIn = 3345;
inline constexpr int kZoomInSlightly = 3346;
inline constexpr int kZoomOut = 3347;
inline constexpr int kZoomOutSlightly = 3348;
inline constexpr int kZoomCenter = 3349;
inline constexpr int kZoomBottom = 3350;
inline constexpr int kStretchAcross = 3351;
inline constexpr int kStretchLeft = 3352;
inline constexpr int kStretchUp = 3353;
inline constexpr int kStretchRight = 3354;
inline constexpr int kStretchDown = 3355;
inline constexpr int kSwivel = 3356;
inline constexpr int kSpiral = 3357;
inline constexpr int kSplitHorizontalOut = 3585;
inline constexpr int kSplitHorizontalIn = 3586;
inline constexpr int kSplitVerticalOut = 3587;
inline constexpr int kSplitVerticalIn = 3588;
inline constexpr int kFlashOnceFast = 3841;
inline constexpr int kFlashOnceMedium = 3842;
inline constexpr int kFlashOnceSlow = 3843;
inline constexpr int kAppear = 3844;
inline constexpr int kCircleOut = 3845;
inline constexpr int kDiamondOut = 3846;
inline constexpr int kCombHorizontal = 3847;
inline constexpr int kCombVertical = 3848;
inline constexpr int kFadeSmoothly = 3849;
inline constexpr int kNewsflash = 3850;
inline constexpr int kPlusOut = 3851;
inline constexpr int kPushDown = 3852;
inline constexpr int kPushLeft = 3853;
inline constexpr int kPushRight = 3854;
inline constexpr int kPushUp = 3855;
inline constexpr int kWedge = 3856;
inline constexpr int kWheel1Spoke = 3857;
inline constexpr int kWheel2Spokes = 3858;
inline constexpr int kWheel3Spokes = 3859;
inline constexpr int kWheel4Spokes = 3860;
inline constexpr int kWheel8Spokes = 3861;
}  // namespace effect

}  // namespace quillet::host
