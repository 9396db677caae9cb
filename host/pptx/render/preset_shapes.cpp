// The preset geometries, written as guides and paths in the compact text form of
// parseGeometryText, after the published DrawingML preset formulas.
//
// Fallback: a preset that is not defined here (for example blockArc, moon, noSmoking,
// doubleWave, the curved and circular arrows, the 3-D frames, the scrolls, ribbons and most
// action-button glyphs) is drawn as its bounding rectangle by the renderer, so its fill, outline
// and text still show in place.
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "host/pptx/render/geometry.h"

namespace quillet::pptx::render {

namespace {

// An n-pointed star: outer points on the ellipse (scaled by hf/vf), inner points at adj/50000 of
// it, first point straight up.
std::string star(int points, int adj, int hf = 100000, int vf = 100000) {
    std::string s = "av adj " + std::to_string(adj) + ";av hf " + std::to_string(hf) + ";av vf " +
                    std::to_string(vf) +
                    ";gd a pin 0 adj 50000;gd swd2 */ wd2 hf 100000;gd shd2 */ hd2 vf 100000;"
                    "gd svc */ vc vf 100000;gd iwd2 */ swd2 a 50000;gd ihd2 */ shd2 a 50000;";
    // Angles in 60000ths of a degree, clockwise from the positive x axis (y down).
    const long full = 21600000;
    char buf[512];  // room for every guide of one point at any index
    std::string path = "P";
    for (int i = 0; i < points; ++i) {
        long outer = (16200000 + full * i / points) % full;
        long inner = (16200000 + full * i / points + full / (2 * points)) % full;
        std::snprintf(buf, sizeof buf,
                      "gd ox%d cos swd2 %ld;gd oy%d sin shd2 %ld;gd ix%d cos iwd2 %ld;"
                      "gd iy%d sin ihd2 %ld;gd px%d +- hc ox%d 0;gd py%d +- svc oy%d 0;"
                      "gd qx%d +- hc ix%d 0;gd qy%d +- svc iy%d 0;",
                      i, outer, i, outer, i, inner, i, inner, i, i, i, i, i, i, i, i);
        s += buf;
        std::snprintf(buf, sizeof buf, ";%s px%d py%d;L qx%d qy%d", i == 0 ? "M" : "L", i, i, i, i);
        path += buf;
    }
    return s + path + ";Z";
}

const char* kEllipse =
    "P;M l vc;A wd2 hd2 cd2 cd4;A wd2 hd2 3cd4 cd4;A wd2 hd2 0 cd4;A wd2 hd2 cd4 cd4;Z";
const char* kRect = "P;M l t;L r t;L r b;L l b;Z";

const char* kArcGuides =
    "gd stAng pin 0 adj1 21599999;gd enAng pin 0 adj2 21599999;gd sw11 +- enAng 0 stAng;"
    "gd sw12 +- sw11 21600000 0;gd swAng ?: sw11 sw11 sw12;gd wt1 sin wd2 stAng;"
    "gd ht1 cos hd2 stAng;gd dx1 cat2 wd2 ht1 wt1;gd dy1 sat2 hd2 ht1 wt1;gd x1 +- hc dx1 0;"
    "gd y1 +- vc dy1 0;";

const char* kWedgeGuides =
    "gd dxPos */ w adj1 100000;gd dyPos */ h adj2 100000;gd xPos +- hc dxPos 0;"
    "gd yPos +- vc dyPos 0;gd dx */ dxPos h 1;gd dy */ dyPos w 1;gd adx abs dx;gd ady abs dy;"
    "gd dq +- adx 0 ady;gd xg1 ?: dxPos 7 2;gd xg2 ?: dxPos 10 5;gd x1 */ w xg1 12;"
    "gd x2 */ w xg2 12;gd yg1 ?: dyPos 7 2;gd yg2 ?: dyPos 10 5;gd y1 */ h yg1 12;"
    "gd y2 */ h yg2 12;gd t1 ?: dxPos l xPos;gd xl ?: dq l t1;gd t2 ?: dyPos x1 xPos;"
    "gd xt ?: dq t2 x1;gd t3 ?: dxPos xPos r;gd xr ?: dq r t3;gd t4 ?: dyPos xPos x1;"
    "gd xb ?: dq t4 x1;gd t5 ?: dxPos y1 yPos;gd yl ?: dq y1 t5;gd t6 ?: dyPos t yPos;"
    "gd yt ?: dq t6 t;gd t7 ?: dxPos yPos y1;gd yr ?: dq y1 t7;gd t8 ?: dyPos yPos b;"
    "gd yb ?: dq t8 b;";

std::map<std::string, std::string> definitions() {
    std::map<std::string, std::string> d;
    d["rect"] = kRect;
    d["flowChartProcess"] = kRect;
    d["actionButtonBlank"] = kRect;
    d["roundRect"] =
        "av adj 16667;gd a pin 0 adj 50000;gd x1 */ ss a 100000;gd x2 +- r 0 x1;"
        "gd y2 +- b 0 x1;P;M l x1;A x1 x1 cd2 cd4;L x2 t;A x1 x1 3cd4 cd4;L r y2;"
        "A x1 x1 0 cd4;L x1 b;A x1 x1 cd4 cd4;Z";
    d["round1Rect"] =
        "av adj 16667;gd a pin 0 adj 50000;gd dx1 */ ss a 100000;gd x1 +- r 0 dx1;"
        "P;M l t;L x1 t;A dx1 dx1 3cd4 cd4;L r b;L l b;Z";
    d["round2SameRect"] =
        "av adj1 16667;av adj2 0;gd a1 pin 0 adj1 50000;gd a2 pin 0 adj2 50000;"
        "gd tx1 */ ss a1 100000;gd tx2 +- r 0 tx1;gd bx1 */ ss a2 100000;gd bx2 +- r 0 bx1;"
        "gd by1 +- b 0 bx1;P;M tx1 t;L tx2 t;A tx1 tx1 3cd4 cd4;L r by1;A bx1 bx1 0 cd4;"
        "L bx1 b;A bx1 bx1 cd4 cd4;L l tx1;A tx1 tx1 cd2 cd4;Z";
    d["round2DiagRect"] =
        "av adj1 16667;av adj2 0;gd a1 pin 0 adj1 50000;gd a2 pin 0 adj2 50000;"
        "gd x1 */ ss a1 100000;gd y1 +- b 0 x1;gd a */ ss a2 100000;gd x2 +- r 0 a;"
        "gd y2 +- b 0 a;gd x3 +- r 0 x1;P;M x1 t;L x2 t;A a a 3cd4 cd4;L r y1;"
        "A x1 x1 0 cd4;L a b;A a a cd4 cd4;L l x1;A x1 x1 cd2 cd4;Z";
    d["snip1Rect"] =
        "av adj 16667;gd a pin 0 adj 50000;gd dx1 */ ss a 100000;gd x1 +- r 0 dx1;"
        "P;M l t;L x1 t;L r dx1;L r b;L l b;Z";
    d["snip2SameRect"] =
        "av adj1 16667;av adj2 0;gd a1 pin 0 adj1 50000;gd a2 pin 0 adj2 50000;"
        "gd tx1 */ ss a1 100000;gd tx2 +- r 0 tx1;gd bx1 */ ss a2 100000;gd bx2 +- r 0 bx1;"
        "gd by1 +- b 0 bx1;P;M tx1 t;L tx2 t;L r tx1;L r by1;L bx2 b;L bx1 b;L l by1;"
        "L l tx1;Z";
    d["ellipse"] = kEllipse;
    d["flowChartConnector"] = kEllipse;
    d["triangle"] = "av adj 50000;gd a pin 0 adj 100000;gd x2 */ w a 100000;P;M l b;L x2 t;L r b;Z";
    d["rtTriangle"] = "P;M l b;L l t;L r b;Z";
    d["parallelogram"] =
        "av adj 25000;gd maxAdj */ 100000 w ss;gd a pin 0 adj maxAdj;gd x2 */ ss a 100000;"
        "gd x5 +- r 0 x2;P;M l b;L x2 t;L r t;L x5 b;Z";
    d["trapezoid"] =
        "av adj 25000;gd maxAdj */ 50000 w ss;gd a pin 0 adj maxAdj;gd x2 */ ss a 100000;"
        "gd x3 +- r 0 x2;P;M l b;L x2 t;L x3 t;L r b;Z";
    d["diamond"] = "P;M l vc;L hc t;L r vc;L hc b;Z";
    d["flowChartDecision"] = "P w=2 h=2;M 0 1;L 1 0;L 2 1;L 1 2;Z";
    d["pentagon"] =
        "av hf 105146;av vf 110557;gd swd2 */ wd2 hf 100000;gd shd2 */ hd2 vf 100000;"
        "gd svc */ vc vf 100000;gd dx1 cos swd2 1080000;gd dx2 cos swd2 18360000;"
        "gd dy1 sin shd2 1080000;gd dy2 sin shd2 18360000;gd x1 +- hc 0 dx1;"
        "gd x2 +- hc 0 dx2;gd x3 +- hc dx2 0;gd x4 +- hc dx1 0;gd y1 +- svc 0 dy1;"
        "gd y2 +- svc 0 dy2;P;M x1 y1;L hc t;L x4 y1;L x3 y2;L x2 y2;Z";
    d["hexagon"] =
        "av adj 25000;av vf 115470;gd maxAdj */ 50000 w ss;gd a pin 0 adj maxAdj;"
        "gd shd2 */ hd2 vf 100000;gd x1 */ ss a 100000;gd x2 +- r 0 x1;"
        "gd dy1 sin shd2 3600000;gd y1 +- vc 0 dy1;gd y2 +- vc dy1 0;"
        "P;M l vc;L x1 y1;L x2 y1;L r vc;L x2 y2;L x1 y2;Z";
    d["octagon"] =
        "av adj 29289;gd a pin 0 adj 50000;gd x1 */ ss a 100000;gd x2 +- r 0 x1;"
        "gd y2 +- b 0 x1;P;M l x1;L x1 t;L x2 t;L r x1;L r y2;L x2 b;L x1 b;L l y2;Z";
    d["plus"] =
        "av adj 25000;gd a pin 0 adj 50000;gd x1 */ ss a 100000;gd x2 +- r 0 x1;"
        "gd y2 +- b 0 x1;P;M l x1;L x1 x1;L x1 t;L x2 t;L x2 x1;L r x1;L r y2;L x2 y2;"
        "L x2 b;L x1 b;L x1 y2;L l y2;Z";
    d["star4"] = star(4, 12500);
    d["star5"] = star(5, 19098, 105146, 110557);
    d["star6"] = star(6, 28868, 115470);
    d["star7"] = star(7, 34601, 102572, 105210);
    d["star8"] = star(8, 38250);
    d["star10"] = star(10, 42533, 105146);
    d["star12"] = star(12, 37500);
    d["star16"] = star(16, 37500);
    d["star24"] = star(24, 37500);
    d["star32"] = star(32, 37500);
    d["arc"] = std::string("av adj1 16200000;av adj2 0;") + kArcGuides +
               "P s=0;M x1 y1;A wd2 hd2 stAng swAng;L hc vc;Z;"
               "P f=none;M x1 y1;A wd2 hd2 stAng swAng";
    d["chord"] = std::string("av adj1 2700000;av adj2 16200000;") + kArcGuides +
                 "P;M x1 y1;A wd2 hd2 stAng swAng;Z";
    d["pie"] = std::string("av adj1 0;av adj2 16200000;") + kArcGuides +
               "P;M x1 y1;A wd2 hd2 stAng swAng;L hc vc;Z";
    d["donut"] =
        "av adj 25000;gd a pin 0 adj 50000;gd dr */ ss a 100000;gd iwd2 +- wd2 0 dr;"
        "gd ihd2 +- hd2 0 dr;P;M l vc;A wd2 hd2 cd2 cd4;A wd2 hd2 3cd4 cd4;A wd2 hd2 0 cd4;"
        "A wd2 hd2 cd4 cd4;Z;M dr vc;A iwd2 ihd2 cd2 -5400000;A iwd2 ihd2 cd4 -5400000;"
        "A iwd2 ihd2 0 -5400000;A iwd2 ihd2 3cd4 -5400000;Z";
    d["can"] =
        "av adj 25000;gd maxAdj */ 50000 h ss;gd a pin 0 adj maxAdj;gd y1 */ ss a 200000;"
        "gd y2 +- y1 y1 0;gd y3 +- b 0 y1;"
        "P s=0;M l y1;A wd2 y1 cd2 -10800000;L r y3;A wd2 y1 0 cd4;A wd2 y1 cd4 cd4;Z;"
        "P f=lighten s=0;M l y1;A wd2 y1 cd2 cd2;A wd2 y1 0 cd2;Z;"
        "P f=none;M r y1;A wd2 y1 0 cd2;A wd2 y1 cd2 cd2;L r y3;A wd2 y1 0 cd4;"
        "A wd2 y1 cd4 cd4;L l y1";
    d["cube"] =
        "av adj 25000;gd a pin 0 adj 100000;gd y1 */ ss a 100000;gd y4 +- b 0 y1;"
        "gd x4 +- r 0 y1;P s=0;M l y1;L x4 y1;L x4 b;L l b;Z;"
        "P f=darkenLess s=0;M x4 y1;L r t;L r y4;L x4 b;Z;"
        "P f=lightenLess s=0;M l y1;L y1 t;L r t;L x4 y1;Z;"
        "P f=none;M l y1;L y1 t;L r t;L r y4;L x4 b;L l b;Z;M l y1;L x4 y1;L r t;"
        "M x4 y1;L x4 b";
    d["rightArrow"] =
        "av adj1 50000;av adj2 50000;gd maxAdj2 */ 100000 w ss;gd a1 pin 0 adj1 100000;"
        "gd a2 pin 0 adj2 maxAdj2;gd dx1 */ ss a2 100000;gd x1 +- r 0 dx1;"
        "gd dy1 */ h a1 200000;gd y1 +- vc 0 dy1;gd y2 +- vc dy1 0;"
        "P;M l y1;L x1 y1;L x1 t;L r vc;L x1 b;L x1 y2;L l y2;Z";
    d["leftArrow"] =
        "av adj1 50000;av adj2 50000;gd maxAdj2 */ 100000 w ss;gd a1 pin 0 adj1 100000;"
        "gd a2 pin 0 adj2 maxAdj2;gd dx2 */ ss a2 100000;gd x2 +- l dx2 0;"
        "gd dy1 */ h a1 200000;gd y1 +- vc 0 dy1;gd y2 +- vc dy1 0;"
        "P;M l vc;L x2 t;L x2 y1;L r y1;L r y2;L x2 y2;L x2 b;Z";
    d["upArrow"] =
        "av adj1 50000;av adj2 50000;gd maxAdj2 */ 100000 h ss;gd a1 pin 0 adj1 100000;"
        "gd a2 pin 0 adj2 maxAdj2;gd dy2 */ ss a2 100000;gd y2 +- t dy2 0;"
        "gd dx1 */ w a1 200000;gd x1 +- hc 0 dx1;gd x2 +- hc dx1 0;"
        "P;M l y2;L hc t;L r y2;L x2 y2;L x2 b;L x1 b;L x1 y2;Z";
    d["downArrow"] =
        "av adj1 50000;av adj2 50000;gd maxAdj2 */ 100000 h ss;gd a1 pin 0 adj1 100000;"
        "gd a2 pin 0 adj2 maxAdj2;gd dy1 */ ss a2 100000;gd y1 +- b 0 dy1;"
        "gd dx1 */ w a1 200000;gd x1 +- hc 0 dx1;gd x2 +- hc dx1 0;"
        "P;M l y1;L x1 y1;L x1 t;L x2 t;L x2 y1;L r y1;L hc b;Z";
    d["leftRightArrow"] =
        "av adj1 50000;av adj2 50000;gd maxAdj2 */ 50000 w ss;gd a1 pin 0 adj1 100000;"
        "gd a2 pin 0 adj2 maxAdj2;gd x2 */ ss a2 100000;gd x3 +- r 0 x2;"
        "gd dy */ h a1 200000;gd y1 +- vc 0 dy;gd y2 +- vc dy 0;"
        "P;M l vc;L x2 t;L x2 y1;L x3 y1;L x3 t;L r vc;L x3 b;L x3 y2;L x2 y2;L x2 b;Z";
    d["upDownArrow"] =
        "av adj1 50000;av adj2 50000;gd maxAdj2 */ 50000 h ss;gd a1 pin 0 adj1 100000;"
        "gd a2 pin 0 adj2 maxAdj2;gd y2 */ ss a2 100000;gd y3 +- b 0 y2;"
        "gd dx1 */ w a1 200000;gd x1 +- hc 0 dx1;gd x2 +- hc dx1 0;"
        "P;M l y2;L hc t;L r y2;L x2 y2;L x2 y3;L r y3;L hc b;L l y3;L x1 y3;L x1 y2;Z";
    d["stripedRightArrow"] =
        "av adj1 50000;av adj2 50000;gd maxAdj2 */ 84375 w ss;gd a1 pin 0 adj1 100000;"
        "gd a2 pin 0 adj2 maxAdj2;gd x4 */ ss 5 32;gd dx5 */ ss a2 100000;"
        "gd x5 +- r 0 dx5;gd dy1 */ h a1 200000;gd y1 +- vc 0 dy1;gd y2 +- vc dy1 0;"
        "P;M l y1;L ssd32 y1;L ssd32 y2;L l y2;Z;M ssd16 y1;L ssd8 y1;L ssd8 y2;L ssd16 y2;Z;"
        "M x4 y1;L x5 y1;L x5 t;L r vc;L x5 b;L x5 y2;L x4 y2;Z";
    d["notchedRightArrow"] =
        "av adj1 50000;av adj2 50000;gd maxAdj2 */ 100000 w ss;gd a1 pin 0 adj1 100000;"
        "gd a2 pin 0 adj2 maxAdj2;gd dx2 */ ss a2 100000;gd x2 +- r 0 dx2;"
        "gd dy1 */ h a1 200000;gd y1 +- vc 0 dy1;gd y2 +- vc dy1 0;gd x1 */ dy1 dx2 hd2;"
        "P;M l y1;L x2 y1;L x2 t;L r vc;L x2 b;L x2 y2;L l y2;L x1 vc;Z";
    d["bentUpArrow"] =
        "av adj1 25000;av adj2 25000;av adj3 25000;gd a1 pin 0 adj1 50000;"
        "gd a2 pin 0 adj2 50000;gd a3 pin 0 adj3 50000;gd y1 */ ss a3 100000;"
        "gd dx1 */ ss a2 50000;gd x1 +- r 0 dx1;gd dx3 */ ss a2 100000;gd x3 +- r 0 dx3;"
        "gd dx2 */ ss a1 200000;gd x2 +- x3 0 dx2;gd x4 +- x3 dx2 0;gd dy2 */ ss a1 100000;"
        "gd y2 +- b 0 dy2;P;M l y2;L x2 y2;L x2 y1;L x1 y1;L x3 t;L r y1;L x4 y1;L x4 b;"
        "L l b;Z";
    d["chevron"] =
        "av adj 50000;gd maxAdj */ 100000 w ss;gd a pin 0 adj maxAdj;gd x1 */ ss a 100000;"
        "gd x2 +- r 0 x1;P;M l t;L x2 t;L r vc;L x2 b;L l b;L x1 vc;Z";
    d["homePlate"] =
        "av adj 50000;gd maxAdj */ 100000 w ss;gd a pin 0 adj maxAdj;gd dx1 */ ss a 100000;"
        "gd x1 +- r 0 dx1;P;M l t;L x1 t;L r vc;L x1 b;L l b;Z";
    d["wedgeRectCallout"] = std::string("av adj1 -20833;av adj2 62500;") + kWedgeGuides +
                            "P;M l t;L x1 t;L xt yt;L x2 t;L r t;L r y1;L xr yr;L r y2;L r b;"
                            "L x2 b;L xb yb;L x1 b;L l b;L l y2;L xl yl;L l y1;Z";
    d["wedgeRoundRectCallout"] =
        std::string("av adj1 -20833;av adj2 62500;av adj3 16667;") + kWedgeGuides +
        "gd u1 */ ss adj3 100000;gd u2 +- r 0 u1;gd v2 +- b 0 u1;"
        "P;M l u1;A u1 u1 cd2 cd4;L x1 t;L xt yt;L x2 t;L u2 t;A u1 u1 3cd4 cd4;L r y1;"
        "L xr yr;L r y2;L r v2;A u1 u1 0 cd4;L x2 b;L xb yb;L x1 b;L u1 b;A u1 u1 cd4 cd4;"
        "L l y2;L xl yl;L l y1;Z";
    d["wedgeEllipseCallout"] =
        "av adj1 -20833;av adj2 62500;gd dxPos */ w adj1 100000;gd dyPos */ h adj2 100000;"
        "gd xPos +- hc dxPos 0;gd yPos +- vc dyPos 0;gd sdx */ dxPos h 1;"
        "gd sdy */ dyPos w 1;gd pang at2 sdx sdy;gd stAng +- pang 660000 0;"
        "gd enAng +- pang 0 660000;gd dx1 cos wd2 stAng;gd dy1 sin hd2 stAng;"
        "gd x1 +- hc dx1 0;gd y1 +- vc dy1 0;gd dx2 cos wd2 enAng;gd dy2 sin hd2 enAng;"
        "gd x2 +- hc dx2 0;gd y2 +- vc dy2 0;gd stAng1 at2 dx1 dy1;gd enAng1 at2 dx2 dy2;"
        "gd swAng1 +- enAng1 0 stAng1;gd swAng2 +- swAng1 21600000 0;"
        "gd swAng ?: swAng1 swAng1 swAng2;P;M xPos yPos;L x1 y1;A wd2 hd2 stAng1 swAng;Z";
    d["flowChartAlternateProcess"] =
        "gd x2 +- r 0 ssd6;gd y2 +- b 0 ssd6;P;M l ssd6;A ssd6 ssd6 cd2 cd4;L x2 t;"
        "A ssd6 ssd6 3cd4 cd4;L r y2;A ssd6 ssd6 0 cd4;L ssd6 b;A ssd6 ssd6 cd4 cd4;Z";
    d["flowChartInputOutput"] = "P w=5 h=5;M 0 5;L 1 0;L 5 0;L 4 5;Z";
    d["flowChartPredefinedProcess"] =
        "P w=1 h=1 s=0;M 0 0;L 1 0;L 1 1;L 0 1;Z;P w=8 h=8 f=none;M 1 0;L 1 8;M 7 0;L 7 8;"
        "P w=1 h=1 f=none;M 0 0;L 1 0;L 1 1;L 0 1;Z";
    d["flowChartDocument"] =
        "P w=21600 h=21600;M 0 0;L 21600 0;L 21600 17322;C 10800 17322 10800 23922 0 20172;Z";
    d["flowChartTerminator"] =
        "P w=21600 h=21600;M 3475 0;L 18125 0;A 3475 10800 3cd4 cd2;L 3475 21600;"
        "A 3475 10800 cd4 cd2;Z";
    d["flowChartPreparation"] = "P w=10 h=10;M 0 5;L 2 0;L 8 0;L 10 5;L 8 10;L 2 10;Z";
    d["flowChartManualInput"] = "P w=5 h=5;M 0 1;L 5 0;L 5 5;L 0 5;Z";
    d["flowChartManualOperation"] = "P w=5 h=5;M 0 0;L 5 0;L 4 5;L 1 5;Z";
    d["flowChartOffpageConnector"] = "P w=10 h=10;M 0 0;L 10 0;L 10 8;L 5 10;L 0 8;Z";
    d["flowChartPunchedCard"] = "P w=5 h=5;M 0 1;L 1 0;L 5 0;L 5 5;L 0 5;Z";
    d["flowChartCollate"] = "P w=2 h=2;M 0 0;L 2 0;L 1 1;L 2 2;L 0 2;L 1 1;Z";
    d["flowChartMerge"] = "P w=2 h=2;M 0 0;L 2 0;L 1 2;Z";
    d["flowChartExtract"] = "P w=2 h=2;M 0 2;L 1 0;L 2 2;Z";
    d["flowChartDelay"] = "P;M l t;L hc t;A wd2 hd2 3cd4 cd2;L l b;Z";
    d["leftBracket"] =
        "av adj 8333;gd maxAdj */ 50000 h ss;gd a pin 0 adj maxAdj;gd y1 */ ss a 100000;"
        "P s=0;M r b;A w y1 cd4 cd4;L l y1;A w y1 cd2 cd4;Z;"
        "P f=none;M r b;A w y1 cd4 cd4;L l y1;A w y1 cd2 cd4";
    d["rightBracket"] =
        "av adj 8333;gd maxAdj */ 50000 h ss;gd a pin 0 adj maxAdj;gd y1 */ ss a 100000;"
        "gd y2 +- b 0 y1;P s=0;M l t;A w y1 3cd4 cd4;L r y2;A w y1 0 cd4;Z;"
        "P f=none;M l t;A w y1 3cd4 cd4;L r y2;A w y1 0 cd4";
    const char* braceGuides =
        "av adj1 8333;av adj2 50000;gd a2 pin 0 adj2 100000;gd q1 +- 100000 0 a2;"
        "gd q2 min q1 a2;gd q3 */ q2 1 2;gd maxAdj1 */ q3 h ss;gd a1 pin 0 adj1 maxAdj1;"
        "gd y1 */ ss a1 100000;gd y3 */ h a2 100000;gd y2 +- y3 0 y1;gd y4 +- y3 y1 0;"
        "gd y5 +- b 0 y1;";
    d["leftBrace"] = std::string(braceGuides) +
                     "P s=0;M r b;A wd2 y1 cd4 cd4;L hc y4;A wd2 y1 0 -5400000;"
                     "A wd2 y1 cd4 -5400000;L hc y1;A wd2 y1 cd2 cd4;Z;"
                     "P f=none;M r b;A wd2 y1 cd4 cd4;L hc y4;A wd2 y1 0 -5400000;"
                     "A wd2 y1 cd4 -5400000;L hc y1;A wd2 y1 cd2 cd4";
    d["rightBrace"] = std::string(braceGuides) +
                      "P s=0;M l t;A wd2 y1 3cd4 cd4;L hc y2;A wd2 y1 cd2 -5400000;"
                      "A wd2 y1 3cd4 -5400000;L hc y5;A wd2 y1 0 cd4;Z;"
                      "P f=none;M l t;A wd2 y1 3cd4 cd4;L hc y2;A wd2 y1 cd2 -5400000;"
                      "A wd2 y1 3cd4 -5400000;L hc y5;A wd2 y1 0 cd4";
    d["line"] = "P f=none;M l t;L r b";
    d["straightConnector1"] = "P f=none;M l t;L r b";
    d["bentConnector2"] = "P f=none;M l t;L r t;L r b";
    d["bentConnector3"] = "av adj1 50000;gd x1 */ w adj1 100000;P f=none;M l t;L x1 t;L x1 b;L r b";
    d["bentConnector4"] =
        "av adj1 50000;av adj2 50000;gd x1 */ w adj1 100000;gd y2 */ h adj2 100000;"
        "P f=none;M l t;L x1 t;L x1 y2;L r y2;L r b";
    d["curvedConnector2"] = "P f=none;M l t;C wd2 t r hd2 r b";
    d["curvedConnector3"] =
        "av adj1 50000;gd x2 */ w adj1 100000;gd x1 +/ l x2 2;gd x3 +/ r x2 2;"
        "gd y3 */ h 3 4;P f=none;M l t;C x1 t x2 hd4 x2 vc;C x2 y3 x3 b r b";
    d["frame"] =
        "av adj1 12500;gd a1 pin 0 adj1 50000;gd x1 */ ss a1 100000;gd x4 +- r 0 x1;"
        "gd y4 +- b 0 x1;P;M l t;L r t;L r b;L l b;Z;M x1 x1;L x1 y4;L x4 y4;L x4 x1;Z";
    d["heart"] =
        "gd dx1 */ w 49 48;gd dx2 */ w 10 48;gd x1 +- hc 0 dx1;gd x2 +- hc 0 dx2;"
        "gd x3 +- hc dx2 0;gd x4 +- hc dx1 0;gd y1 +- t 0 hd3;"
        "P;M hc hd4;C x3 y1 x4 hd4 hc b;C x1 hd4 x2 y1 hc hd4;Z";
    d["cloud"] =
        "P w=43200 h=43200;M 3900 14370;A 6753 9190 -11429249 7426832;"
        "A 5333 7267 -8646143 5396714;A 4365 5945 -8748475 5983381;"
        "A 4857 6595 -7859164 7034504;A 5333 7273 -4722533 6541615;"
        "A 6775 9220 -2776035 7816140;A 5785 7867 37501 6842000;"
        "A 6752 9215 1347096 6910353;A 7720 10543 3974558 4542661;"
        "A 4360 5918 -16496525 8804134;A 4345 5945 -14809710 9151131;Z";
    d["corner"] =
        "av adj1 50000;av adj2 50000;gd maxAdj1 */ 100000 h ss;gd maxAdj2 */ 100000 w ss;"
        "gd a1 pin 0 adj1 maxAdj1;gd a2 pin 0 adj2 maxAdj2;gd x1 */ ss a2 100000;"
        "gd dy1 */ ss a1 100000;gd y1 +- b 0 dy1;"
        "P;M l t;L x1 t;L x1 y1;L r y1;L r b;L l b;Z";
    d["plaque"] =
        "av adj 16667;gd a pin 0 adj 50000;gd x1 */ ss a 100000;gd x2 +- r 0 x1;"
        "gd y2 +- b 0 x1;P;M l x1;A x1 x1 cd4 -5400000;L x2 t;A x1 x1 cd2 -5400000;L r y2;"
        "A x1 x1 3cd4 -5400000;L x1 b;A x1 x1 0 -5400000;Z";
    d["teardrop"] =
        "av adj 100000;gd a pin 0 adj 200000;gd r2 sqrt 2;gd tw */ r2 wd2 1;"
        "gd th */ r2 hd2 1;gd sw */ tw a 100000;gd sh */ th a 100000;"
        "gd dx1 cos sw 2700000;gd dy1 sin sh 2700000;gd x1 +- hc dx1 0;gd y1 +- vc 0 dy1;"
        "gd x2 +/ hc x1 2;gd y2 +/ vc y1 2;"
        "P;M l vc;A wd2 hd2 cd2 cd4;Q x2 t x1 y1;Q r y2 r vc;A wd2 hd2 0 cd4;"
        "A wd2 hd2 cd4 cd4;Z";
    // A disc of radius (50000 - adj)/100000 of the box with eight rays, their tips on the box's
    // ellipse and their bases a little outside the disc.
    d["sun"] =
        "av adj 25000;gd a pin 12500 adj 46875;gd g0 +- 50000 0 a;gd g1 */ g0 30274 32768;"
        "gd g2 */ g0 12540 32768;gd g5 +- 50000 0 g1;gd g6 +- 50000 0 g2;gd g10 */ g5 3 4;"
        "gd g11 */ g6 3 4;gd g12 +- g10 3662 0;gd g13 +- g11 3662 0;gd g14 +- g11 12500 0;"
        "gd g15 +- 100000 0 g10;gd g16 +- 100000 0 g12;gd g17 +- 100000 0 g13;"
        "gd g18 +- 100000 0 g14;gd ox1 */ w 18436 21600;gd oy1 */ h 3163 21600;"
        "gd ox2 */ w 3163 21600;gd oy2 */ h 18436 21600;gd x10 */ w g10 100000;"
        "gd x12 */ w g12 100000;gd x13 */ w g13 100000;gd x14 */ w g14 100000;"
        "gd x15 */ w g15 100000;gd x16 */ w g16 100000;gd x17 */ w g17 100000;"
        "gd x18 */ w g18 100000;gd x19 */ w a 100000;gd wR */ w g0 100000;gd hR */ h g0 100000;"
        "gd y10 */ h g10 100000;gd y12 */ h g12 100000;gd y13 */ h g13 100000;"
        "gd y14 */ h g14 100000;gd y15 */ h g15 100000;gd y16 */ h g16 100000;"
        "gd y17 */ h g17 100000;gd y18 */ h g18 100000;"
        "P;M r vc;L x15 y18;L x15 y14;Z;M ox1 oy1;L x16 y13;L x17 y12;Z;M hc t;L x18 y10;"
        "L x14 y10;Z;M ox2 oy1;L x13 y12;L x12 y13;Z;M l vc;L x10 y14;L x10 y18;Z;"
        "M ox2 oy2;L x12 y17;L x13 y16;Z;M hc b;L x14 y15;L x18 y15;Z;M ox1 oy2;L x17 y16;"
        "L x16 y17;Z;M x19 vc;A wR hR cd2 21600000;Z";
    d["smileyFace"] =
        "av adj 4653;gd a pin -4653 adj 4653;gd x1 */ w 4969 21699;gd x2 */ w 6215 21600;"
        "gd x3 */ w 13135 21600;gd x4 */ w 16640 21600;gd y1 */ h 7570 21600;"
        "gd y3 */ h 16515 21600;gd dy2 */ h a 100000;gd y2 +- y3 0 dy2;"
        "gd y4 +- y3 dy2 0;gd dy3 */ h a 50000;gd y5 +- y4 dy3 0;gd wR */ w 1125 21600;"
        "gd hR */ h 1125 21600;gd x2l +- x2 0 wR;gd x3l +- x3 0 wR;"
        "P s=0;" +
        std::string(kEllipse).substr(2) +
        ";P f=darkenLess;M x2l y1;A wR hR cd2 21600000;Z;M x3l y1;A wR hR cd2 21600000;Z;"
        "P f=none;M x1 y2;Q hc y5 x4 y2;"
        "P f=none;M l vc;A wd2 hd2 cd2 cd4;A wd2 hd2 3cd4 cd4;A wd2 hd2 0 cd4;"
        "A wd2 hd2 cd4 cd4;Z";
    d["wave"] =
        "av adj1 12500;av adj2 0;gd a1 pin 0 adj1 20000;gd a2 pin -10000 adj2 10000;"
        "gd y1 */ h a1 100000;gd dy2 */ y1 10 3;gd y2 +- y1 0 dy2;gd y3 +- y1 dy2 0;"
        "gd y4 +- b 0 y1;gd y5 +- y4 0 dy2;gd y6 +- y4 dy2 0;gd of2 */ w a2 50000;"
        "gd dx2 ?: of2 0 of2;gd x2 +- l 0 dx2;gd dx5 ?: of2 of2 0;gd x5 +- r 0 dx5;"
        "gd dx3 +/ dx2 x5 3;gd x3 +- x2 dx3 0;gd x4 +/ x3 x5 2;gd x6 +- l dx5 0;"
        "gd x10 +- r dx2 0;gd x7 +- x6 dx3 0;gd x8 +/ x7 x10 2;"
        "P;M x2 y1;C x3 y2 x4 y3 x5 y1;L x10 y4;C x8 y6 x7 y5 x6 y4;Z";
    d["lightningBolt"] =
        "P w=21600 h=21600;M 8472 0;L 12860 6080;L 11050 6797;L 16577 12007;L 14767 12877;"
        "L 21600 21600;L 10012 14915;L 12222 13987;L 5022 9705;L 7602 8382;L 0 3890;Z";
    d["diagStripe"] =
        "av adj 50000;gd a pin 0 adj 100000;gd x2 */ w a 100000;gd y2 */ h a 100000;"
        "P;M l y2;L x2 t;L r t;L l b;Z";
    d["foldedCorner"] =
        "av adj 16667;gd a pin 0 adj 50000;gd dy2 */ ss a 100000;gd dy1 */ dy2 1 5;"
        "gd x1 +- r 0 dy2;gd x2 +- x1 dy1 0;gd y2 +- b 0 dy2;gd y1 +- y2 dy1 0;"
        "P s=0;M l t;L r t;L r y2;L x1 b;L l b;Z;P f=darkenLess s=0;M x1 b;L x2 y1;L r y2;Z;"
        "P f=none;M x1 b;L x2 y1;L r y2;L x1 b;L l b;L l t;L r t;L r y2";
    d["bevel"] =
        "av adj 12500;gd a pin 0 adj 50000;gd x1 */ ss a 100000;gd x2 +- r 0 x1;"
        "gd y2 +- b 0 x1;P s=0;M x1 x1;L x2 x1;L x2 y2;L x1 y2;Z;"
        "P f=lightenLess s=0;M l t;L r t;L x2 x1;L x1 x1;Z;"
        "P f=darkenLess s=0;M l b;L x1 y2;L x2 y2;L r b;Z;"
        "P f=lighten s=0;M l t;L x1 x1;L x1 y2;L l b;Z;"
        "P f=darken s=0;M r t;L r b;L x2 y2;L x2 x1;Z;"
        "P f=none;M l t;L r t;L r b;L l b;Z;M x1 x1;L x2 x1;L x2 y2;L x1 y2;Z;"
        "M l t;L x1 x1;M l b;L x1 y2;M r t;L x2 x1;M r b;L x2 y2";
    d["halfFrame"] =
        "av adj1 33333;av adj2 33333;gd maxAdj2 */ 100000 w ss;gd a2 pin 0 adj2 maxAdj2;"
        "gd x1 */ ss a2 100000;gd g1 */ h x1 w;gd g2 +- h 0 g1;gd maxAdj1 */ 100000 g2 ss;"
        "gd a1 pin 0 adj1 maxAdj1;gd y1 */ ss a1 100000;gd dx2 */ y1 w h;gd x2 +- r 0 dx2;"
        "gd dy2 */ x1 h w;gd y2 +- b 0 dy2;P;M l t;L r t;L x2 y1;L x1 y1;L x1 y2;L l b;Z";
    return d;
}

struct Table {
    std::map<std::string, GeometryData, std::less<>> geometries;
};

const Table& table() {
    static const Table t = [] {
        Table out;
        for (const auto& [name, text] : definitions()) {
            out.geometries.emplace(name, parseGeometryText(text));
        }
        return out;
    }();
    return t;
}

}  // namespace

const GeometryData* presetGeometry(std::string_view name) {
    const Table& t = table();
    auto it = t.geometries.find(name);
    if (it != t.geometries.end()) return &it->second;
    // Every action button keeps the button's box.
    if (name.substr(0, 12) == "actionButton") return &t.geometries.find("rect")->second;
    return nullptr;
}

std::vector<std::string> presetNames() {
    std::vector<std::string> out;
    for (const auto& [name, g] : table().geometries) out.push_back(name);
    return out;
}

}  // namespace quillet::pptx::render
