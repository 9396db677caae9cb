// The preset geometries, written as guides and paths in the compact text form of
// parseGeometryText, after the published DrawingML preset formulas.
//
// Every preset name of the format has a definition. A few are another one turned over
// (mirrored or with its axes swapped) and are made from it when the table is built; the gears
// are built tooth by tooth. Fallback: a name that is not defined here is drawn as its bounding
// rectangle by the renderer, so its fill, outline and text still show in place.
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

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

// The line callouts: a box (bordered or not), an optional accent bar at the first point's x and
// a leader of one to three segments through the adjust points.
std::string lineCallout(int segments, bool border, bool accent) {
    const char* defaults[] = {"18750", "-8333", "18750", "-16667", "100000", "-16667"};
    const char* last[][2] = {{"112500", "-38333"}, {"112500", "-46667"}, {"112963", "-8333"}};
    std::string s;
    int n = 2 * (segments + 1);
    for (int i = 1; i <= n; ++i) {
        const char* v = i > n - 2 ? last[segments - 1][i - (n - 1)] : defaults[i - 1];
        s += "av adj" + std::to_string(i) + " " + v + ";";
    }
    for (int i = 1; i <= segments + 1; ++i) {
        std::string k = std::to_string(i);
        s += "gd y" + k + " */ h adj" + std::to_string(2 * i - 1) + " 100000;gd x" + k +
             " */ w adj" + std::to_string(2 * i) + " 100000;";
    }
    s += border ? "P;" : "P s=0;";
    s += "M l t;L r t;L r b;L l b;Z;P f=none;";
    if (accent) s += "M x1 t;L x1 b;";
    s += "M x1 y1";
    for (int i = 2; i <= segments + 1; ++i)
        s += ";L x" + std::to_string(i) + " y" + std::to_string(i);
    return s;
}

// The chart markers: the box filled, then its lines.
std::string chartMarker(const char* lines) {
    return std::string("P w=10 h=10 s=0;M 0 0;L 10 0;L 10 10;L 0 10;Z;P w=10 h=10 f=none;") + lines;
}

// A gear of n teeth, one straight up: the body is the box's ellipse less the tooth height (adj1
// of the shorter side); each tooth is a trapezoid whose flat top is as wide as the tooth is
// high plus adj2 of the shorter side, and whose base is wider by half the height; the body's
// rim runs between the teeth as arcs.
std::string gear(int teeth, int adj1, int adj2, int maxAdj2) {
    const long full = 21600000;
    std::string s = "av adj1 " + std::to_string(adj1) + ";av adj2 " + std::to_string(adj2) +
                    ";gd a1 pin 0 adj1 20000;gd a2 pin 0 adj2 " + std::to_string(maxAdj2) +
                    ";gd th */ ss a1 100000;gd lFD */ ss a2 100000;gd th2 */ th 1 2;"
                    "gd l2 */ lFD 1 2;gd l3 +- th2 l2 0;gd rh +- hd2 0 th;gd rw +- wd2 0 th;"
                    "gd maxr min rw rh;gd th4 */ th 1 4;gd l4 +- l3 th4 0;gd ha at2 maxr l4;"
                    "gd mr +- maxr th 0;gd hb at2 mr l3;"
                    "gd sw +- " +
                    std::to_string(full / teeth) + " 0 ha;gd sw2 +- sw 0 ha;";
    char buf[640];  // room for every guide of one tooth at any index
    std::string path = "P";
    for (int i = 0; i < teeth; ++i) {
        long centre = (16200000 + full * i / teeth) % full;
        std::snprintf(buf, sizeof buf,
                      "gd aA%d +- %ld 0 ha;gd aB%d +- %ld 0 hb;gd aC%d +- %ld hb 0;"
                      "gd aD%d +- %ld ha 0;",
                      i, centre, i, centre, i, centre, i, centre);
        s += buf;
        for (char p : {'A', 'B', 'C', 'D'}) {
            const char* rx = p == 'A' || p == 'D' ? "rw" : "wd2";
            const char* ry = p == 'A' || p == 'D' ? "rh" : "hd2";
            std::snprintf(buf, sizeof buf,
                          "gd wt%c%d sin %s a%c%d;gd ht%c%d cos %s a%c%d;"
                          "gd dx%c%d cat2 %s ht%c%d wt%c%d;gd dy%c%d sat2 %s ht%c%d wt%c%d;"
                          "gd x%c%d +- hc dx%c%d 0;gd y%c%d +- vc dy%c%d 0;",
                          p, i, rx, p, i, p, i, ry, p, i, p, i, rx, p, i, p, i, p, i, ry, p, i, p,
                          i, p, i, p, i, p, i, p, i);
            s += buf;
        }
        std::snprintf(buf, sizeof buf,
                      ";%s xA%d yA%d;L xB%d yB%d;L xC%d yC%d;L xD%d yD%d;A rw rh aD%d sw2",
                      i == 0 ? "M" : "L", i, i, i, i, i, i, i, i, i);
        path += buf;
    }
    return s + path + ";Z";
}

// The left circular arrow is the circular arrow mirrored top to bottom: its formulas read with
// the angles taken the other way round (adj2 negated, adj3 and adj4 as 360° minus them), then
// turned over when the table is built.
std::string leftCircularArrow(const std::string& circular) {
    std::string body = circular.substr(circular.find("gd "));
    for (const char* name : {"adj2", "adj3", "adj4"}) {
        std::string from = std::string(" ") + name + " ", to = std::string(" m") + name + " ";
        for (std::size_t at = body.find(from); at != std::string::npos;
             at = body.find(from, at + to.size())) {
            body.replace(at, from.size(), to);
        }
    }
    return "av adj1 12500;av adj2 -1142319;av adj3 1142319;av adj4 10800000;av adj5 12500;"
           "gd madj2 +- 0 0 adj2;gd madj3 +- 21600000 0 adj3;gd madj4 +- 21600000 0 adj4;" +
           body;
}

// The circular arrow with a head at both ends: the head at the end is the circular arrow's; the
// one at the start is worked out by a copy of its guides (named with an S) with the start angle
// for the end angle and the tip turned back by the head's angle. The band runs between the two
// heads along the inner edge and back along the outer one.
std::string leftRightCircularArrow(const std::string& circular) {
    const std::size_t from = circular.find("gd "), to = circular.find(";P;");
    const std::string guides = circular.substr(from, to - from);
    std::vector<std::string> names;
    for (std::size_t at = 0; at < guides.size();) {
        const std::size_t end = std::min(guides.find(';', at), guides.size());
        const std::string statement = guides.substr(at, end - at);
        names.push_back(statement.substr(3, statement.find(' ', 3) - 3));
        at = end + 1;
    }
    std::string copy;
    for (std::size_t at = 0; at < guides.size();) {
        const std::size_t end = std::min(guides.find(';', at), guides.size());
        std::string statement = guides.substr(at, end - at), out;
        at = end + 1;
        for (std::size_t t = 0; t < statement.size();) {
            const std::size_t e = std::min(statement.find(' ', t), statement.size());
            std::string token = statement.substr(t, e - t);
            if (std::find(names.begin(), names.end(), token) != names.end()) token += "S";
            out += (out.empty() ? "" : " ") + token;
            t = e + 1;
        }
        if (out.rfind("gd enAngS ", 0) == 0) out = "gd enAngS pin 0 adj4 21599999";
        if (out.rfind("gd ptAngS ", 0) == 0) out = "gd ptAngS +- enAngS 0 aAngS";
        copy += out + ";";
    }
    return "av adj1 12500;av adj2 1142319;av adj3 20457681;av adj4 11942319;av adj5 12500;" +
           guides + ";" + copy +
           "gd swIn0 +- istAng 0 istAngS;gd swIn1 +- swIn0 21600000 0;"
           "gd swIn ?: swIn0 swIn0 swIn1;gd swOut0 +- en2S 0 en2;"
           "gd swOut1 +- swOut0 0 21600000;gd swOut ?: swOut0 swOut1 swOut0;"
           "P;M xGpS yGpS;L xAS yAS;L xBpS yBpS;L xCS yCS;A rw2 rh2 istAngS swIn;L xC yC;"
           "L xBp yBp;L xA yA;L xGp yGp;L xF yF;A rw1 rh1 en2 swOut;Z";
}

// An action button: the box with the glyph cut out, the glyph's shaded parts, its lines and the
// box's outline. Glyph coordinates live in the centred square of 3/4 of the shorter side
// (g11..g12 across, g9..g10 down, g13 its side).
std::string actionButton(const std::string& guides, const std::string& glyph,
                         const std::string& shaded, const std::string& lines = "") {
    const char* box = "M l t;L r t;L r b;L l b;Z";
    return "gd dx2 */ ss 3 8;gd g9 +- vc 0 dx2;gd g10 +- vc dx2 0;gd g11 +- hc 0 dx2;"
           "gd g12 +- hc dx2 0;gd g13 */ ss 3 4;" +
           guides + "P s=0;" + box + ";" + glyph + ";" + shaded + ";P f=none;" +
           (lines.empty() ? glyph : lines) + ";P f=none;" + box;
}

void addActionButtons(std::map<std::string, std::string>& d) {
    const std::string back = "M g11 vc;L g12 g9;L g12 g10;Z";
    d["actionButtonBackPrevious"] = actionButton("", back, "P f=darken s=0;" + back);
    const std::string next = "M g12 vc;L g11 g9;L g11 g10;Z";
    d["actionButtonForwardNext"] = actionButton("", next, "P f=darken s=0;" + next);
    const std::string begin =
        "M g17 vc;L g12 g9;L g12 g10;Z;M g16 g9;L g11 g9;L g11 g10;L g16 g10;Z";
    d["actionButtonBeginning"] =
        actionButton("gd g14 */ g13 1 8;gd g15 */ g13 1 4;gd g16 +- g11 g14 0;gd g17 +- g11 g15 0;",
                     begin, "P f=darken s=0;" + begin);
    const std::string end = "M g16 vc;L g11 g9;L g11 g10;Z;M g17 g9;L g12 g9;L g12 g10;L g17 g10;Z";
    d["actionButtonEnd"] =
        actionButton("gd g14 */ g13 3 4;gd g15 */ g13 7 8;gd g16 +- g11 g14 0;gd g17 +- g11 g15 0;",
                     end, "P f=darken s=0;" + end);
    d["actionButtonHome"] = actionButton(
        "gd g14 */ g13 1 16;gd g15 */ g13 1 8;gd g16 */ g13 3 16;gd g17 */ g13 5 16;"
        "gd g18 */ g13 7 16;gd g19 */ g13 9 16;gd g20 */ g13 11 16;gd g21 */ g13 3 4;"
        "gd g22 */ g13 13 16;gd g23 */ g13 7 8;gd g24 +- g9 g14 0;gd g25 +- g9 g16 0;"
        "gd g26 +- g9 g17 0;gd g27 +- g9 g21 0;gd g28 +- g11 g15 0;gd g29 +- g11 g18 0;"
        "gd g30 +- g11 g19 0;gd g31 +- g11 g20 0;gd g32 +- g11 g22 0;gd g33 +- g11 g23 0;",
        "M hc g9;L g11 vc;L g28 vc;L g28 g10;L g33 g10;L g33 vc;L g12 vc;L g32 g26;L g32 g24;"
        "L g31 g24;L g31 g25;Z",
        "P f=darkenLess s=0;M g32 g26;L g32 g24;L g31 g24;L g31 g25;Z;M g28 vc;L g28 g10;"
        "L g29 g10;L g29 g27;L g30 g27;L g30 g10;L g33 g10;L g33 vc;Z;"
        "P f=darken s=0;M hc g9;L g11 vc;L g12 vc;Z;M g29 g27;L g30 g27;L g30 g10;L g29 g10;Z",
        "M hc g9;L g11 vc;L g28 vc;L g28 g10;L g33 g10;L g33 vc;L g12 vc;L g32 g26;L g32 g24;"
        "L g31 g24;L g31 g25;Z;M g31 g25;L g32 g26;M g33 vc;L g28 vc;M g29 g10;L g29 g27;"
        "L g30 g27;L g30 g10");
    const std::string info =
        "M hc g9;A dx2 dx2 3cd4 21600000;Z;M hc g25;A g38 g38 3cd4 21600000;Z;M g32 g28;"
        "L g35 g28;L g35 g30;L g37 g30;L g37 g31;L g32 g31;L g32 g30;L g34 g30;L g34 g29;"
        "L g32 g29;Z";
    const std::string infoMarks =
        "M hc g25;A g38 g38 3cd4 21600000;Z;M g32 g28;L g35 g28;L g35 g30;L g37 g30;L g37 g31;"
        "L g32 g31;L g32 g30;L g34 g30;L g34 g29;L g32 g29;Z";
    d["actionButtonInformation"] = actionButton(
        "gd g14 */ g13 1 32;gd g17 */ g13 5 16;gd g18 */ g13 3 8;gd g19 */ g13 13 32;"
        "gd g20 */ g13 19 32;gd g22 */ g13 11 16;gd g23 */ g13 13 16;gd g24 */ g13 7 8;"
        "gd g25 +- g9 g14 0;gd g28 +- g9 g17 0;gd g29 +- g9 g18 0;gd g30 +- g9 g23 0;"
        "gd g31 +- g9 g24 0;gd g32 +- g11 g17 0;gd g34 +- g11 g19 0;gd g35 +- g11 g20 0;"
        "gd g37 +- g11 g22 0;gd g38 */ g13 3 32;",
        "M hc g9;A dx2 dx2 3cd4 21600000;Z",
        "P f=darken s=0;" + info + ";P f=lighten s=0;" + infoMarks, info);
    const std::string help =
        "M g33 g27;A g16 g16 cd2 cd2;A g14 g15 0 cd4;A g41 g42 3cd4 -5400000;L g37 g30;"
        "L g36 g30;L g36 g29;A g14 g15 cd2 cd4;A g41 g42 cd4 -5400000;A g14 g14 0 -10800000;Z;"
        "M hc g31;A g42 g42 3cd4 21600000;Z";
    d["actionButtonHelp"] = actionButton(
        "gd g14 */ g13 1 7;gd g15 */ g13 3 14;gd g16 */ g13 2 7;gd g19 */ g13 3 7;"
        "gd g20 */ g13 4 7;gd g21 */ g13 17 28;gd g23 */ g13 21 28;gd g24 */ g13 11 14;"
        "gd g27 +- g9 g16 0;gd g29 +- g9 g21 0;gd g30 +- g9 g23 0;gd g31 +- g9 g24 0;"
        "gd g33 +- g11 g15 0;gd g36 +- g11 g19 0;gd g37 +- g11 g20 0;gd g41 */ g13 1 14;"
        "gd g42 */ g13 3 28;",
        help, "P f=darken s=0;" + help);
    const std::string ret =
        "M g12 g21;L g23 g9;L hc g21;L g24 g21;L g24 g20;A g27 g27 0 cd4;L g25 g19;"
        "A g27 g27 cd4 cd4;L g26 g21;L g11 g21;L g11 g20;A g17 g17 cd2 -5400000;L hc g10;"
        "A g17 g17 cd4 -5400000;L g22 g21;Z";
    d["actionButtonReturn"] = actionButton(
        "gd g14 */ g13 7 8;gd g15 */ g13 3 4;gd g16 */ g13 5 8;gd g17 */ g13 3 8;"
        "gd g18 */ g13 1 4;gd g19 +- g9 g15 0;gd g20 +- g9 g16 0;gd g21 +- g9 g18 0;"
        "gd g22 +- g11 g14 0;gd g23 +- g11 g15 0;gd g24 +- g11 g16 0;gd g25 +- g11 g17 0;"
        "gd g26 +- g11 g18 0;gd g27 */ g13 1 8;",
        ret, "P f=darken s=0;" + ret);
    const std::string page = "M g11 g9;L g14 g9;L g12 g15;L g12 g10;L g11 g10;Z";
    d["actionButtonDocument"] = actionButton(
        "gd dx1 */ ss 9 32;gd g11 +- hc 0 dx1;gd g12 +- hc dx1 0;gd g13 */ ss 3 16;"
        "gd g14 +- g12 0 g13;gd g15 +- g9 g13 0;",
        page, "P f=darkenLess s=0;" + page + ";P f=darken s=0;M g14 g9;L g14 g15;L g12 g15;Z",
        page + ";M g12 g15;L g14 g15;L g14 g9");
    const std::string speaker = "M g11 g21;L g24 g21;L g25 g9;L g25 g10;L g24 g22;L g11 g22;Z";
    d["actionButtonSound"] = actionButton(
        "gd g14 */ g13 1 8;gd g15 */ g13 5 16;gd g16 */ g13 5 8;gd g17 */ g13 11 16;"
        "gd g18 */ g13 3 4;gd g19 */ g13 7 8;gd g20 +- g9 g14 0;gd g21 +- g9 g15 0;"
        "gd g22 +- g9 g17 0;gd g23 +- g9 g19 0;gd g24 +- g11 g15 0;gd g25 +- g11 g16 0;"
        "gd g26 +- g11 g18 0;",
        speaker, "P f=darken s=0;" + speaker,
        speaker + ";M g26 g21;L g12 g20;M g26 vc;L g12 vc;M g26 g22;L g12 g23");
    const std::string camera =
        "M g11 g39;L g11 g44;L g31 g44;L g32 g43;L g33 g43;L g33 g47;L g35 g47;L g35 g45;"
        "L g36 g45;L g38 g46;L g12 g46;L g12 g41;L g38 g41;L g37 g42;L g35 g42;L g35 g41;"
        "L g34 g40;L g32 g40;L g31 g39;Z";
    d["actionButtonMovie"] = actionButton(
        "gd g14 */ g13 1455 21600;gd g15 */ g13 1905 21600;gd g16 */ g13 2325 21600;"
        "gd g17 */ g13 16155 21600;gd g18 */ g13 17010 21600;gd g19 */ g13 19335 21600;"
        "gd g20 */ g13 19725 21600;gd g21 */ g13 20595 21600;gd g22 */ g13 5280 21600;"
        "gd g23 */ g13 5730 21600;gd g24 */ g13 6630 21600;gd g25 */ g13 7492 21600;"
        "gd g26 */ g13 9067 21600;gd g27 */ g13 9555 21600;gd g28 */ g13 13342 21600;"
        "gd g29 */ g13 14580 21600;gd g30 */ g13 15592 21600;gd g31 +- g11 g14 0;"
        "gd g32 +- g11 g15 0;gd g33 +- g11 g16 0;gd g34 +- g11 g17 0;gd g35 +- g11 g18 0;"
        "gd g36 +- g11 g19 0;gd g37 +- g11 g20 0;gd g38 +- g11 g21 0;gd g39 +- g9 g22 0;"
        "gd g40 +- g9 g23 0;gd g41 +- g9 g24 0;gd g42 +- g9 g25 0;gd g43 +- g9 g26 0;"
        "gd g44 +- g9 g27 0;gd g45 +- g9 g28 0;gd g46 +- g9 g29 0;gd g47 +- g9 g30 0;",
        camera, "P f=darken s=0;" + camera);
}

void addMoreDefinitions(std::map<std::string, std::string>& d) {
    d["blockArc"] =
        "av adj1 10800000;av adj2 0;av adj3 25000;gd stAng pin 0 adj1 21599999;"
        "gd istAng pin 0 adj2 21599999;gd a3 pin 0 adj3 50000;gd sw11 +- istAng 0 stAng;"
        "gd sw12 +- sw11 21600000 0;gd swAng ?: sw11 sw11 sw12;gd iswAng +- 0 0 swAng;"
        "gd wt1 sin wd2 stAng;gd ht1 cos hd2 stAng;gd wt3 sin wd2 istAng;gd ht3 cos hd2 istAng;"
        "gd dx1 cat2 wd2 ht1 wt1;gd dy1 sat2 hd2 ht1 wt1;gd dx3 cat2 wd2 ht3 wt3;"
        "gd dy3 sat2 hd2 ht3 wt3;gd x1 +- hc dx1 0;gd y1 +- vc dy1 0;gd x3 +- hc dx3 0;"
        "gd y3 +- vc dy3 0;gd dr */ ss a3 100000;gd iwd2 +- wd2 0 dr;gd ihd2 +- hd2 0 dr;"
        "gd wt2 sin iwd2 istAng;gd ht2 cos ihd2 istAng;gd dx2 cat2 iwd2 ht2 wt2;"
        "gd dy2 sat2 ihd2 ht2 wt2;gd x2 +- hc dx2 0;gd y2 +- vc dy2 0;"
        "P;M x1 y1;A wd2 hd2 stAng swAng;L x2 y2;A iwd2 ihd2 istAng iswAng;Z";
    d["moon"] =
        "av adj 50000;gd a pin 0 adj 87500;gd g0 */ ss a 100000;gd g0w */ g0 w ss;"
        "gd g1 +- ss 0 g0;gd g2 */ g0 g0 g1;gd g3 */ ss ss g1;gd g4 */ g3 2 1;"
        "gd g5 +- g4 0 g2;gd g6 +- g5 0 g0;gd g6w */ g6 w ss;gd g7 */ g5 1 2;"
        "gd g8 +- g7 0 g0;gd dy1 */ g8 hd2 ss;gd g17w +- g6w 0 g0w;gd g18w */ g17w 1 2;"
        "gd dx2p +- g0w g18w w;gd dx2 */ dx2p -1 1;gd dy2 */ hd2 -1 1;gd stAng1 at2 dx2 dy2;"
        "gd enAngp1 at2 dx2 hd2;gd enAng1 +- enAngp1 0 21600000;"
        "gd swAng1 +- enAng1 0 stAng1;"
        "P;M r b;A w hd2 cd4 cd2;A g18w dy1 stAng1 swAng1;Z";
    d["noSmoking"] =
        "av adj 18750;gd a pin 0 adj 50000;gd dr */ ss a 100000;gd iwd2 +- wd2 0 dr;"
        "gd ihd2 +- hd2 0 dr;gd ang at2 w h;gd ct cos ihd2 ang;gd st sin iwd2 ang;"
        "gd m mod ct st 0;gd n */ iwd2 ihd2 m;gd drd2 */ dr 1 2;gd dang at2 n drd2;"
        "gd 2dang */ dang 2 1;gd swAng +- -10800000 2dang 0;gd t3 at2 w h;"
        "gd stAng1 +- t3 0 dang;gd stAng2 +- stAng1 0 cd2;gd ct1 cos ihd2 stAng1;"
        "gd st1 sin iwd2 stAng1;gd m1 mod ct1 st1 0;gd n1 */ iwd2 ihd2 m1;"
        "gd dx1 cos n1 stAng1;gd dy1 sin n1 stAng1;gd x1 +- hc dx1 0;gd y1 +- vc dy1 0;"
        "gd x2 +- hc 0 dx1;gd y2 +- vc 0 dy1;"
        "P;M l vc;A wd2 hd2 cd2 cd4;A wd2 hd2 3cd4 cd4;A wd2 hd2 0 cd4;A wd2 hd2 cd4 cd4;Z;"
        "M x1 y1;A iwd2 ihd2 stAng1 swAng;Z;M x2 y2;A iwd2 ihd2 stAng2 swAng;Z";
    // The head's sides are cut with the band's edges on a circle of radius 1000 (the ellipses
    // scaled to it) rather than in file units, where the squared terms would pass the
    // evaluator's bound.
    d["circularArrow"] =
        "av adj1 12500;av adj2 1142319;av adj3 20457681;av adj4 10800000;av adj5 12500;"
        "gd a5 pin 0 adj5 25000;gd maxAdj1 */ a5 2 1;gd a1 pin 0 adj1 maxAdj1;"
        "gd enAng pin 1 adj3 21599999;gd stAng pin 0 adj4 21599999;gd th */ ss a1 100000;"
        "gd thh */ ss a5 100000;gd th2 */ th 1 2;gd rw1 +- wd2 th2 thh;gd rh1 +- hd2 th2 thh;"
        "gd rw2 +- rw1 0 th;gd rh2 +- rh1 0 th;gd rw3 +- rw2 th2 0;gd rh3 +- rh2 th2 0;"
        "gd wtH sin rw3 enAng;gd htH cos rh3 enAng;gd dxH cat2 rw3 htH wtH;"
        "gd dyH sat2 rh3 htH wtH;gd xH +- hc dxH 0;gd yH +- vc dyH 0;gd rI min rw2 rh2;"
        "gd u1 */ dxH dxH 1;gd u2 */ dyH dyH 1;gd u3 */ rI rI 1;gd u4 +- u1 0 u3;"
        "gd u5 +- u2 0 u3;gd u6 */ u4 u5 u1;gd u7 */ u6 1 u2;gd u8 +- 1 0 u7;gd u9 sqrt u8;"
        "gd u10 */ u4 1 dxH;gd u11 */ u10 1 dyH;gd u12 +/ 1 u9 u11;gd u13 at2 1 u12;"
        "gd u14 +- u13 21600000 0;gd u15 ?: u13 u13 u14;gd u16 +- u15 0 enAng;"
        "gd u17 +- u16 21600000 0;gd u18 ?: u16 u16 u17;gd u19 +- u18 0 cd2;"
        "gd u20 +- u18 0 21600000;gd u21 ?: u19 u20 u18;gd maxAng abs u21;"
        "gd aAng pin 0 adj2 maxAng;gd ptAng +- enAng aAng 0;gd wtA sin rw3 ptAng;"
        "gd htA cos rh3 ptAng;gd dxA cat2 rw3 htA wtA;gd dyA sat2 rh3 htA wtA;"
        "gd xA +- hc dxA 0;gd yA +- vc dyA 0;gd wtE sin rw1 stAng;gd htE cos rh1 stAng;"
        "gd dxE cat2 rw1 htE wtE;gd dyE sat2 rh1 htE wtE;gd xE +- hc dxE 0;"
        "gd yE +- vc dyE 0;gd wtD sin rw2 stAng;gd htD cos rh2 stAng;"
        "gd dxD cat2 rw2 htD wtD;gd dyD sat2 rh2 htD wtD;gd xD +- hc dxD 0;"
        "gd yD +- vc dyD 0;gd dxG cos thh ptAng;gd dyG sin thh ptAng;gd xG +- xH dxG 0;"
        "gd yG +- yH dyG 0;gd dxB cos thh ptAng;gd dyB sin thh ptAng;gd xB +- xH 0 dxB;"
        "gd yB +- yH 0 dyB;gd sx1 +- xB 0 hc;gd sy1 +- yB 0 vc;gd sx2 +- xG 0 hc;"
        "gd sy2 +- yG 0 vc;gd x1O */ sx1 1000 rw1;gd y1O */ sy1 1000 rh1;"
        "gd x2O */ sx2 1000 rw1;gd y2O */ sy2 1000 rh1;gd dxO +- x2O 0 x1O;gd dyO +- y2O 0 y1O;"
        "gd dO mod dxO dyO 0;gd q1 */ x1O y2O 1;gd q2 */ x2O y1O 1;gd DO +- q1 0 q2;"
        "gd q3 val 1000000;gd q4 */ dO dO 1;gd q5 */ q3 q4 1;gd q6 */ DO DO 1;"
        "gd q7 +- q5 0 q6;gd q8 max q7 0;gd sdelO sqrt q8;gd ndyO */ dyO -1 1;"
        "gd sdyO ?: ndyO -1 1;gd q9 */ sdyO dxO 1;gd q10 */ q9 sdelO 1;gd q11 */ DO dyO 1;"
        "gd dxF1 +/ q11 q10 q4;gd q12 +- q11 0 q10;gd dxF2 */ q12 1 q4;gd adyO abs dyO;"
        "gd q13 */ adyO sdelO 1;gd q14 */ DO dxO -1;gd dyF1 +/ q14 q13 q4;"
        "gd q15 +- q14 0 q13;gd dyF2 */ q15 1 q4;gd q16 +- x2O 0 dxF1;gd q17 +- x2O 0 dxF2;"
        "gd q18 +- y2O 0 dyF1;gd q19 +- y2O 0 dyF2;gd q20 mod q16 q18 0;"
        "gd q21 mod q17 q19 0;gd q22 +- q21 0 q20;gd dxF ?: q22 dxF1 dxF2;"
        "gd dyF ?: q22 dyF1 dyF2;gd sdxF */ dxF rw1 1000;gd sdyF */ dyF rh1 1000;"
        "gd xF +- hc sdxF 0;gd yF +- vc sdyF 0;gd x1I */ sx1 1000 rw2;gd y1I */ sy1 1000 rh2;"
        "gd x2I */ sx2 1000 rw2;gd y2I */ sy2 1000 rh2;gd dxI +- x2I 0 x1I;gd dyI +- y2I 0 y1I;"
        "gd dI mod dxI dyI 0;gd v1 */ x1I y2I 1;gd v2 */ x2I y1I 1;gd DI +- v1 0 v2;"
        "gd v3 val 1000000;gd v4 */ dI dI 1;gd v5 */ v3 v4 1;gd v6 */ DI DI 1;"
        "gd v7 +- v5 0 v6;gd v8 max v7 0;gd sdelI sqrt v8;gd v9 */ sdyO dxI 1;"
        "gd v10 */ v9 sdelI 1;gd v11 */ DI dyI 1;gd dxC1 +/ v11 v10 v4;"
        "gd v12 +- v11 0 v10;gd dxC2 */ v12 1 v4;gd adyI abs dyI;gd v13 */ adyI sdelI 1;"
        "gd v14 */ DI dxI -1;gd dyC1 +/ v14 v13 v4;gd v15 +- v14 0 v13;"
        "gd dyC2 */ v15 1 v4;gd v16 +- x1I 0 dxC1;gd v17 +- x1I 0 dxC2;"
        "gd v18 +- y1I 0 dyC1;gd v19 +- y1I 0 dyC2;gd v20 mod v16 v18 0;"
        "gd v21 mod v17 v19 0;gd v22 +- v21 0 v20;gd dxC ?: v22 dxC1 dxC2;"
        "gd dyC ?: v22 dyC1 dyC2;gd sdxC */ dxC rw2 1000;gd sdyC */ dyC rh2 1000;"
        "gd xC +- hc sdxC 0;gd yC +- vc sdyC 0;gd ist0 at2 sdxC sdyC;"
        "gd ist1 +- ist0 21600000 0;gd istAng ?: ist0 ist0 ist1;gd isw1 +- stAng 0 istAng;"
        "gd isw2 +- isw1 0 21600000;gd iswAng ?: isw1 isw2 isw1;gd p1 +- xF 0 xC;"
        "gd p2 +- yF 0 yC;gd p3 mod p1 p2 0;gd p4 */ p3 1 2;gd p5 +- p4 0 thh;"
        "gd xGp ?: p5 xF xG;gd yGp ?: p5 yF yG;gd xBp ?: p5 xC xB;gd yBp ?: p5 yC yB;"
        "gd en0 at2 sdxF sdyF;gd en1 +- en0 21600000 0;gd en2 ?: en0 en0 en1;"
        "gd sw0 +- en2 0 stAng;gd sw1 +- sw0 21600000 0;gd swAng ?: sw0 sw0 sw1;"
        "P;M xE yE;A rw1 rh1 stAng swAng;L xGp yGp;L xA yA;L xBp yBp;L xC yC;"
        "A rw2 rh2 istAng iswAng;Z";
    d["curvedRightArrow"] =
        "av adj1 25000;av adj2 50000;av adj3 25000;gd maxAdj2 */ 50000 h ss;"
        "gd a2 pin 0 adj2 maxAdj2;gd a1 pin 0 adj1 a2;gd th */ ss a1 100000;"
        "gd aw */ ss a2 100000;gd q1 +/ th aw 4;gd hR +- hd2 0 q1;gd q7 */ hR 2 1;"
        "gd q8 */ q7 q7 1;gd q9 */ th th 1;gd q10 +- q8 0 q9;gd q11 sqrt q10;"
        "gd idx */ q11 w q7;gd maxAdj3 */ 100000 idx ss;gd a3 pin 0 adj3 maxAdj3;"
        "gd ah */ ss a3 100000;gd y3 +- hR th 0;gd q2 */ w w 1;gd q3 */ ah ah 1;"
        "gd q4 +- q2 0 q3;gd q5 sqrt q4;gd dy */ q5 hR w;gd y5 +- hR dy 0;gd y7 +- y3 dy 0;"
        "gd q6 +- aw 0 th;gd dh */ q6 1 2;gd y4 +- y5 0 dh;gd y8 +- y7 dh 0;"
        "gd aw2 */ aw 1 2;gd y6 +- b 0 aw2;gd x1 +- r 0 ah;gd swAng at2 ah dy;"
        "gd stAng +- cd2 0 swAng;gd mswAng +- 0 0 swAng;gd q12 */ th 1 2;"
        "gd dang2 at2 idx q12;gd swAng2 +- dang2 0 cd4;gd swAng3 +- cd4 dang2 0;"
        "gd stAng3 +- cd2 0 dang2;"
        "P s=0;M l hR;A w hR cd2 mswAng;L x1 y4;L r y6;L x1 y8;L x1 y7;A w hR stAng swAng;Z;"
        "P f=darkenLess s=0;M r th;A w hR 3cd4 swAng2;A w hR stAng3 swAng3;Z;"
        "P f=none;M l hR;A w hR cd2 mswAng;L x1 y4;L r y6;L x1 y8;L x1 y7;"
        "A w hR stAng swAng;L l hR;A w hR cd2 cd4;L r th;A w hR 3cd4 swAng2";
    d["bentArrow"] =
        "av adj1 25000;av adj2 25000;av adj3 25000;av adj4 43750;gd a2 pin 0 adj2 50000;"
        "gd maxAdj1 */ a2 2 1;gd a1 pin 0 adj1 maxAdj1;gd a3 pin 0 adj3 50000;"
        "gd th */ ss a1 100000;gd aw2 */ ss a2 100000;gd th2 */ th 1 2;"
        "gd dh2 +- aw2 0 th2;gd ah */ ss a3 100000;gd bw +- r 0 ah;gd bh +- b 0 dh2;"
        "gd bs min bw bh;gd maxAdj4 */ 100000 bs ss;gd a4 pin 0 adj4 maxAdj4;"
        "gd bd */ ss a4 100000;gd bd3 +- bd 0 th;gd bd2 max bd3 0;gd x3 +- th bd2 0;"
        "gd x4 +- r 0 ah;gd y3 +- dh2 th 0;gd y4 +- y3 dh2 0;gd y5 +- dh2 bd 0;"
        "gd y6 +- y3 bd2 0;"
        "P;M l b;L l y5;A bd bd cd2 cd4;L x4 dh2;L x4 t;L r aw2;L x4 y4;L x4 y3;L x3 y3;"
        "A bd2 bd2 3cd4 -5400000;L th b;Z";
    d["uturnArrow"] =
        "av adj1 25000;av adj2 25000;av adj3 25000;av adj4 43750;av adj5 75000;"
        "gd a2 pin 0 adj2 25000;gd maxAdj1 */ a2 2 1;gd a1 pin 0 adj1 maxAdj1;"
        "gd q2 */ a1 ss h;gd q3 +- 100000 0 q2;gd maxAdj3 */ q3 h ss;"
        "gd a3 pin 0 adj3 maxAdj3;gd q1 +- a3 a1 0;gd minAdj5 */ q1 ss h;"
        "gd a5 pin minAdj5 adj5 100000;gd th */ ss a1 100000;gd aw2 */ ss a2 100000;"
        "gd th2 */ th 1 2;gd dh2 +- aw2 0 th2;gd y5 */ h a5 100000;gd ah */ ss a3 100000;"
        "gd y4 +- y5 0 ah;gd x9 +- r 0 dh2;gd bw */ x9 1 2;gd bs min bw y4;"
        "gd maxAdj4 */ bs 100000 ss;gd a4 pin 0 adj4 maxAdj4;gd bd */ ss a4 100000;"
        "gd bd3 +- bd 0 th;gd bd2 max bd3 0;gd x3 +- th bd2 0;gd x8 +- r 0 aw2;"
        "gd x6 +- x8 0 aw2;gd x7 +- x6 dh2 0;gd x4 +- x9 0 bd;gd x5 +- x7 0 bd2;"
        "P;M l b;L l bd;A bd bd cd2 cd4;L x4 t;A bd bd 3cd4 cd4;L x9 y4;L r y4;L x8 y5;"
        "L x6 y4;L x7 y4;L x7 x3;A bd2 bd2 0 -5400000;L x3 th;A bd2 bd2 3cd4 -5400000;"
        "L th b;Z";
    d["quadArrow"] =
        "av adj1 22500;av adj2 22500;av adj3 22500;gd a2 pin 0 adj2 50000;"
        "gd maxAdj1 */ a2 2 1;gd a1 pin 0 adj1 maxAdj1;gd q1 +- 100000 0 maxAdj1;"
        "gd maxAdj3 */ q1 1 2;gd a3 pin 0 adj3 maxAdj3;gd x1 */ ss a3 100000;"
        "gd dx2 */ ss a2 100000;gd x2 +- hc 0 dx2;gd x5 +- hc dx2 0;gd dx3 */ ss a1 200000;"
        "gd x3 +- hc 0 dx3;gd x4 +- hc dx3 0;gd x6 +- r 0 x1;gd y2 +- vc 0 dx2;"
        "gd y5 +- vc dx2 0;gd y3 +- vc 0 dx3;gd y4 +- vc dx3 0;gd y6 +- b 0 x1;"
        "P;M l vc;L x1 y2;L x1 y3;L x3 y3;L x3 x1;L x2 x1;L hc t;L x5 x1;L x4 x1;L x4 y3;"
        "L x6 y3;L x6 y2;L r vc;L x6 y5;L x6 y4;L x4 y4;L x4 y6;L x5 y6;L hc b;L x2 y6;"
        "L x3 y6;L x3 y4;L x1 y4;L x1 y5;Z";
    d["leftRightUpArrow"] =
        "av adj1 25000;av adj2 25000;av adj3 25000;gd a2 pin 0 adj2 50000;"
        "gd maxAdj1 */ a2 2 1;gd a1 pin 0 adj1 maxAdj1;gd q1 +- 100000 0 maxAdj1;"
        "gd maxAdj3 */ q1 1 2;gd a3 pin 0 adj3 maxAdj3;gd x1 */ ss a3 100000;"
        "gd dx2 */ ss a2 100000;gd x2 +- hc 0 dx2;gd x5 +- hc dx2 0;gd dx3 */ ss a1 200000;"
        "gd x3 +- hc 0 dx3;gd x4 +- hc dx3 0;gd x6 +- r 0 x1;gd dy2 */ ss a2 50000;"
        "gd y2 +- b 0 dy2;gd y4 +- b 0 dx2;gd y3 +- y4 0 dx3;gd y5 +- y4 dx3 0;"
        "P;M l y4;L x1 y2;L x1 y3;L x3 y3;L x3 x1;L x2 x1;L hc t;L x5 x1;L x4 x1;L x4 y3;"
        "L x6 y3;L x6 y2;L r y4;L x6 b;L x6 y5;L x1 y5;L x1 b;Z";
    d["leftUpArrow"] =
        "av adj1 25000;av adj2 25000;av adj3 25000;gd a2 pin 0 adj2 50000;"
        "gd maxAdj1 */ a2 2 1;gd a1 pin 0 adj1 maxAdj1;gd maxAdj3 +- 100000 0 maxAdj1;"
        "gd a3 pin 0 adj3 maxAdj3;gd x1 */ ss a3 100000;gd dx2 */ ss a2 50000;"
        "gd x2 +- r 0 dx2;gd y2 +- b 0 dx2;gd dx4 */ ss a2 100000;gd x4 +- r 0 dx4;"
        "gd y4 +- b 0 dx4;gd dx3 */ ss a1 200000;gd x3 +- x4 0 dx3;gd x5 +- x4 dx3 0;"
        "gd y3 +- y4 0 dx3;gd y5 +- y4 dx3 0;"
        "P;M l y4;L x1 y2;L x1 y3;L x3 y3;L x3 x1;L x2 x1;L x4 t;L r x1;L x5 x1;L x5 y5;"
        "L x1 y5;L x1 b;Z";
    d["rightArrowCallout"] =
        "av adj1 25000;av adj2 25000;av adj3 25000;av adj4 64977;gd maxAdj2 */ 50000 h ss;"
        "gd a2 pin 0 adj2 maxAdj2;gd maxAdj1 */ a2 2 1;gd a1 pin 0 adj1 maxAdj1;"
        "gd maxAdj3 */ 100000 w ss;gd a3 pin 0 adj3 maxAdj3;gd q2 */ a3 ss w;"
        "gd maxAdj4 +- 100000 0 q2;gd a4 pin 0 adj4 maxAdj4;gd dy1 */ ss a2 100000;"
        "gd dy2 */ ss a1 200000;gd y1 +- vc 0 dy1;gd y2 +- vc 0 dy2;gd y3 +- vc dy2 0;"
        "gd y4 +- vc dy1 0;gd dx3 */ ss a3 100000;gd x3 +- r 0 dx3;gd x2 */ w a4 100000;"
        "P;M l t;L x2 t;L x2 y2;L x3 y2;L x3 y1;L r vc;L x3 y4;L x3 y3;L x2 y3;L x2 b;"
        "L l b;Z";
    d["leftRightArrowCallout"] =
        "av adj1 25000;av adj2 25000;av adj3 25000;av adj4 48123;gd maxAdj2 */ 50000 h ss;"
        "gd a2 pin 0 adj2 maxAdj2;gd maxAdj1 */ a2 2 1;gd a1 pin 0 adj1 maxAdj1;"
        "gd maxAdj3 */ 50000 w ss;gd a3 pin 0 adj3 maxAdj3;gd q2 */ a3 ss wd2;"
        "gd maxAdj4 +- 100000 0 q2;gd a4 pin 0 adj4 maxAdj4;gd dy1 */ ss a2 100000;"
        "gd dy2 */ ss a1 200000;gd y1 +- vc 0 dy1;gd y2 +- vc 0 dy2;gd y3 +- vc dy2 0;"
        "gd y4 +- vc dy1 0;gd x1 */ ss a3 100000;gd x4 +- r 0 x1;gd dx2 */ w a4 200000;"
        "gd x2 +- hc 0 dx2;gd x3 +- hc dx2 0;"
        "P;M l vc;L x1 y1;L x1 y2;L x2 y2;L x2 t;L x3 t;L x3 y2;L x4 y2;L x4 y1;L r vc;"
        "L x4 y4;L x4 y3;L x3 y3;L x3 b;L x2 b;L x2 y3;L x1 y3;L x1 y4;Z";
    d["quadArrowCallout"] =
        "av adj1 18515;av adj2 18515;av adj3 18515;av adj4 48123;gd a2 pin 0 adj2 50000;"
        "gd maxAdj1 */ a2 2 1;gd a1 pin 0 adj1 maxAdj1;gd maxAdj3 +- 50000 0 a2;"
        "gd a3 pin 0 adj3 maxAdj3;gd q2 */ a3 2 1;gd maxAdj4 +- 100000 0 q2;"
        "gd a4 pin a1 adj4 maxAdj4;gd dx2 */ ss a2 100000;gd dx3 */ ss a1 200000;"
        "gd ah */ ss a3 100000;gd dx1 */ w a4 200000;gd dy1 */ h a4 200000;"
        "gd x8 +- r 0 ah;gd x2 +- hc 0 dx1;gd x7 +- hc dx1 0;gd x3 +- hc 0 dx2;"
        "gd x6 +- hc dx2 0;gd x4 +- hc 0 dx3;gd x5 +- hc dx3 0;gd y8 +- b 0 ah;"
        "gd y2 +- vc 0 dy1;gd y7 +- vc dy1 0;gd y3 +- vc 0 dx2;gd y6 +- vc dx2 0;"
        "gd y4 +- vc 0 dx3;gd y5 +- vc dx3 0;"
        "P;M l vc;L ah y3;L ah y4;L x2 y4;L x2 y2;L x4 y2;L x4 ah;L x3 ah;L hc t;L x6 ah;"
        "L x5 ah;L x5 y2;L x7 y2;L x7 y4;L x8 y4;L x8 y3;L r vc;L x8 y6;L x8 y5;L x7 y5;"
        "L x7 y7;L x5 y7;L x5 y8;L x6 y8;L hc b;L x3 y8;L x4 y8;L x4 y7;L x2 y7;L x2 y5;"
        "L ah y5;L ah y6;Z";
    d["swooshArrow"] =
        "av adj1 25000;av adj2 16667;gd a1 pin 1 adj1 75000;gd maxAdj2 */ 70000 w ss;"
        "gd a2 pin 0 adj2 maxAdj2;gd ad1 */ h a1 100000;gd ad2 */ ss a2 100000;"
        "gd xB +- r 0 ad2;gd yB +- t ssd8 0;gd alfa */ cd4 1 14;gd dx0 tan ssd8 alfa;"
        "gd xC +- xB 0 dx0;gd dx1 tan ad1 alfa;gd yF +- yB ad1 0;gd xF +- xB dx1 0;"
        "gd xE +- xF dx0 0;gd yE +- yF ssd8 0;gd dy2 +- yE 0 t;gd dy22 */ dy2 1 2;"
        "gd dy3 */ h 1 20;gd yD +- t dy22 dy3;gd dy4 */ hd6 1 1;gd yP1 +- hd6 dy4 0;"
        "gd xP1 val wd6;gd dy5 */ hd6 1 2;gd yP2 +- yF dy5 0;gd xP2 val wd4;"
        "P;M l b;Q xP1 yP1 xB yB;L xC t;L r yD;L xE yE;L xF yF;Q xP2 yP2 l b;Z";
    d["doubleWave"] =
        "av adj1 6250;av adj2 0;gd a1 pin 0 adj1 12500;gd a2 pin -10000 adj2 10000;"
        "gd y1 */ h a1 100000;gd dy2 */ y1 10 3;gd y2 +- y1 0 dy2;gd y3 +- y1 dy2 0;"
        "gd y4 +- b 0 y1;gd y5 +- y4 0 dy2;gd y6 +- y4 dy2 0;gd of2 */ w a2 50000;"
        "gd dx2 ?: of2 0 of2;gd x2 +- l 0 dx2;gd dx8 ?: of2 of2 0;gd x8 +- r 0 dx8;"
        "gd dx3 +/ dx2 x8 6;gd x3 +- x2 dx3 0;gd dx4 +/ dx2 x8 3;gd x4 +- x2 dx4 0;"
        "gd x5 +/ x2 x8 2;gd x6 +- x5 dx3 0;gd x7 +/ x6 x8 2;gd x9 +- l dx8 0;"
        "gd x15 +- r dx2 0;gd x10 +- x9 dx3 0;gd x11 +- x9 dx4 0;gd x12 +/ x9 x15 2;"
        "gd x13 +- x12 dx3 0;gd x14 +/ x13 x15 2;"
        "P;M x2 y1;C x3 y2 x4 y3 x5 y1;C x6 y2 x7 y3 x8 y1;L x15 y4;C x14 y6 x13 y5 x12 y4;"
        "C x11 y6 x10 y5 x9 y4;Z";
    const char* ribbonGuides =
        "av adj1 16667;av adj2 50000;gd a1 pin 0 adj1 33333;gd a2 pin 25000 adj2 75000;"
        "gd x10 +- r 0 wd8;gd dx2 */ w a2 200000;gd x2 +- hc 0 dx2;gd x9 +- hc dx2 0;"
        "gd x3 +- x2 wd32 0;gd x8 +- x9 0 wd32;gd x5 +- x2 wd8 0;gd x6 +- x9 0 wd8;"
        "gd x4 +- x5 0 wd32;gd x7 +- x6 wd32 0;gd y1 */ h a1 200000;gd y2 */ h a1 100000;"
        "gd y4 +- b 0 y2;gd y3 */ y4 1 2;gd hR */ h a1 400000;gd y5 +- b 0 hR;"
        "gd y6 +- y2 0 hR;";
    const char* ribbonOutline =
        "M l t;L x4 t;A wd32 hR 3cd4 cd2;L x3 y1;A wd32 hR 3cd4 -10800000;L x8 y2;"
        "A wd32 hR cd4 -10800000;L x7 y1;A wd32 hR cd4 cd2;L r t;L x10 y3;L r y4;L x9 y4;"
        "L x9 y5;A wd32 hR 0 cd4;L x3 b;A wd32 hR cd4 cd4;L x2 y4;L l y4;L wd8 y3;Z";
    d["ribbon"] = std::string(ribbonGuides) + "P s=0;" + ribbonOutline +
                  ";P f=darkenLess s=0;M x5 hR;A wd32 hR 0 cd4;L x3 y1;"
                  "A wd32 hR 3cd4 -10800000;L x5 y2;Z;M x6 hR;A wd32 hR cd2 -5400000;L x8 y1;"
                  "A wd32 hR 3cd4 cd2;L x6 y2;Z;P f=none;" +
                  ribbonOutline +
                  ";M x5 hR;L x5 y2;M x6 y2;L x6 hR;M x2 y4;L x2 y6;M x9 y6;L x9 y4";
    // The band's edges are parabolas; qx/qy is the control point of the top edge's piece from x2
    // to x3, which the darker fold behind the band ends on.
    const char* ellipseOutline =
        "M l t;Q cx1 cy1 x3 y1;L x2 y3;Q hc cy3 x5 y3;L x4 y1;Q cx2 cy1 r t;L x6 y2;L r rh;"
        "Q cx5 cy4 x5 y5;L x5 y6;Q hc cy6 x2 y6;L x2 y5;Q cx4 cy4 l rh;L wd8 y2;Z";
    d["ellipseRibbon"] =
        std::string(
            "av adj1 25000;av adj2 50000;av adj3 12500;gd a1 pin 0 adj1 100000;"
            "gd a2 pin 25000 adj2 75000;gd q10 +- 100000 0 a1;gd q11 */ q10 1 2;"
            "gd q12 +- a1 0 q11;gd minAdj3 max 0 q12;gd a3 pin minAdj3 adj3 a1;"
            "gd dx2 */ w a2 200000;gd x2 +- hc 0 dx2;gd x3 +- x2 wd8 0;gd x4 +- r 0 x3;"
            "gd x5 +- r 0 x2;gd x6 +- r 0 wd8;gd dy1 */ h a3 100000;gd f1 */ 4 dy1 w;"
            "gd q1 */ x3 x3 w;gd q2 +- x3 0 q1;gd y1 */ f1 q2 1;gd cx1 */ x3 1 2;"
            "gd cy1 */ f1 cx1 1;gd cx2 +- r 0 cx1;gd q1 */ h a1 100000;gd dy3 +- q1 0 dy1;"
            "gd q3 */ x2 x2 w;gd q4 +- x2 0 q3;gd q5 */ f1 q4 1;gd y3 +- q5 dy3 0;"
            "gd q6 +- dy1 dy3 y3;gd q7 +- q6 dy1 0;gd cy3 +- q7 dy3 0;gd rh +- b 0 q1;"
            "gd q8 */ dy1 14 16;gd y2 +/ q8 rh 2;gd y5 +- q5 rh 0;gd y6 +- y3 rh 0;"
            "gd cx4 */ x2 1 2;gd q9 */ f1 cx4 1;gd cy4 +- q9 rh 0;gd cx5 +- r 0 cx4;"
            "gd cy6 +- cy3 rh 0;gd y7 +- y1 dy3 0;gd y8 +- b 0 dy1;"
            "gd s1 */ x2 2 w;gd s2 +- 1 0 s1;gd s3 */ f1 s2 1;gd ex +- x3 0 x2;"
            "gd qd */ s3 ex 2;gd qy +- y3 qd 0;gd qx +/ x2 x3 2;gd x4r +- r 0 qx;"
            "P s=0;") +
        ellipseOutline +
        ";P f=darkenLess s=0;M x3 y7;L x3 y1;L x2 y3;Q qx qy x3 y7;Z;M x4 y7;L x4 y1;"
        "L x5 y3;Q x4r qy x4 y7;Z;P f=none;" +
        ellipseOutline + ";M x3 y7;L x3 y1;M x4 y1;L x4 y7;M x2 y3;L x2 y5;M x5 y5;L x5 y3";
    d["leftRightRibbon"] =
        "av adj1 50000;av adj2 50000;av adj3 16667;gd a3 pin 0 adj3 33333;"
        "gd maxAdj1 +- 100000 0 a3;gd a1 pin 0 adj1 maxAdj1;gd w1 +- wd2 0 wd32;"
        "gd maxAdj2 */ 100000 w1 ss;gd a2 pin 0 adj2 maxAdj2;gd x1 */ ss a2 100000;"
        "gd x4 +- r 0 x1;gd dy1 */ h a1 200000;gd dy2 */ h a3 -200000;"
        "gd ly1 +- vc dy2 dy1;gd ry4 +- vc dy1 dy2;gd ly2 +- ly1 dy1 0;gd ry3 +- b 0 ly2;"
        "gd ly4 */ ly2 2 1;gd ry1 +- b 0 ly4;gd ly3 +- ly4 0 ly1;gd ry2 +- b 0 ly3;"
        "gd hR */ a3 ss 400000;gd x2 +- hc 0 wd32;gd x3 +- hc wd32 0;gd y1 +- ly1 hR 0;"
        "gd y2 +- ry2 0 hR;"
        "P s=0;M l ly2;L x1 t;L x1 ly1;L hc ly1;A wd32 hR 3cd4 cd2;A wd32 hR 3cd4 -10800000;"
        "L x4 ry2;L x4 ry1;L r ry3;L x4 b;L x4 ry4;L hc ry4;A wd32 hR cd4 cd4;L x2 ly3;"
        "L x1 ly3;L x1 ly4;Z;"
        "P f=darkenLess s=0;M x3 y1;A wd32 hR 0 cd4;A wd32 hR 3cd4 -10800000;L x3 ry2;Z;"
        "P f=none;M l ly2;L x1 t;L x1 ly1;L hc ly1;A wd32 hR 3cd4 cd2;"
        "A wd32 hR 3cd4 -10800000;L x4 ry2;L x4 ry1;L r ry3;L x4 b;L x4 ry4;L hc ry4;"
        "A wd32 hR cd4 cd4;L x2 ly3;L x1 ly3;L x1 ly4;Z;M x3 y1;L x3 ry2;M x2 y2;L x2 ly3";
    d["verticalScroll"] =
        "av adj 12500;gd a pin 0 adj 25000;gd ch */ ss a 100000;gd ch2 */ ch 1 2;"
        "gd ch4 */ ch 1 4;gd x3 +- ch ch2 0;gd x4 +- ch ch 0;gd x6 +- r 0 ch;"
        "gd x7 +- r 0 ch2;gd x5 +- x6 0 ch2;gd y3 +- b 0 ch;gd y4 +- b 0 ch2;"
        "P s=0;M ch2 b;A ch2 ch2 cd4 -5400000;L ch2 y4;A ch4 ch4 cd4 -10800000;L ch y3;"
        "L ch ch2;A ch2 ch2 cd2 cd4;L x7 t;A ch2 ch2 3cd4 cd2;L x6 ch;L x6 y4;A ch2 ch2 0 cd4;"
        "Z;M x4 ch2;A ch2 ch2 0 cd4;A ch4 ch4 cd4 cd2;Z;"
        "P f=darkenLess s=0;M x4 ch2;A ch2 ch2 0 cd4;A ch4 ch4 cd4 cd2;Z;M ch y4;"
        "A ch2 ch2 0 3cd4;A ch4 ch4 3cd4 cd2;Z;"
        "P f=none;M ch y3;L ch ch2;A ch2 ch2 cd2 cd4;L x7 t;A ch2 ch2 3cd4 cd2;L x6 ch;"
        "L x6 y4;A ch2 ch2 0 cd4;L ch2 b;A ch2 ch2 cd4 cd2;Z;M x3 t;A ch2 ch2 3cd4 cd2;"
        "A ch4 ch4 cd4 cd2;L x4 ch2;M x6 ch;L x3 ch;M ch2 y3;A ch4 ch4 3cd4 cd2;L ch y4;"
        "M ch2 b;A ch2 ch2 cd4 -5400000;L ch y3";
    d["heptagon"] =
        "av hf 102572;av vf 105210;gd swd2 */ wd2 hf 100000;gd shd2 */ hd2 vf 100000;"
        "gd svc */ vc vf 100000;gd dx1 */ swd2 97493 100000;gd dx2 */ swd2 78183 100000;"
        "gd dx3 */ swd2 43388 100000;gd dy1 */ shd2 62349 100000;"
        "gd dy2 */ shd2 22252 100000;gd dy3 */ shd2 90097 100000;gd x1 +- hc 0 dx1;"
        "gd x2 +- hc 0 dx2;gd x3 +- hc 0 dx3;gd x4 +- hc dx3 0;gd x5 +- hc dx2 0;"
        "gd x6 +- hc dx1 0;gd y1 +- svc 0 dy1;gd y2 +- svc dy2 0;gd y3 +- svc dy3 0;"
        "P;M x1 y2;L x2 y1;L hc t;L x5 y1;L x6 y2;L x4 y3;L x3 y3;Z";
    d["decagon"] =
        "av vf 105146;gd shd2 */ hd2 vf 100000;gd dx1 cos wd2 2160000;"
        "gd dx2 cos wd2 4320000;gd x1 +- hc 0 dx1;gd x2 +- hc 0 dx2;gd x3 +- hc dx2 0;"
        "gd x4 +- hc dx1 0;gd dy1 sin shd2 4320000;gd dy2 sin shd2 2160000;"
        "gd y1 +- vc 0 dy1;gd y2 +- vc 0 dy2;gd y3 +- vc dy2 0;gd y4 +- vc dy1 0;"
        "P;M l vc;L x1 y2;L x2 y1;L x3 y1;L x4 y2;L r vc;L x4 y3;L x3 y4;L x2 y4;L x1 y3;Z";
    d["dodecagon"] =
        "gd x1 */ w 2894 21600;gd x2 */ w 7906 21600;gd x3 */ w 13694 21600;"
        "gd x4 */ w 18706 21600;gd y1 */ h 2894 21600;gd y2 */ h 7906 21600;"
        "gd y3 */ h 13694 21600;gd y4 */ h 18706 21600;"
        "P;M l y2;L x1 y1;L x2 t;L x3 t;L x4 y1;L r y2;L r y3;L x4 y4;L x3 b;L x2 b;"
        "L x1 y4;L l y3;Z";
    d["nonIsoscelesTrapezoid"] =
        "av adj1 25000;av adj2 25000;gd maxAdj */ 50000 w ss;gd a1 pin 0 adj1 maxAdj;"
        "gd a2 pin 0 adj2 maxAdj;gd x2 */ ss a1 100000;gd dx3 */ ss a2 100000;"
        "gd x3 +- r 0 dx3;P;M l b;L x2 t;L x3 t;L r b;Z";
    d["pieWedge"] = "P;M l b;A w h cd2 cd4;L r b;Z";
    d["lineInv"] = "P f=none;M l b;L r t";
    d["snip2DiagRect"] =
        "av adj1 0;av adj2 16667;gd a1 pin 0 adj1 50000;gd a2 pin 0 adj2 50000;"
        "gd lx1 */ ss a1 100000;gd lx2 +- r 0 lx1;gd ly1 +- b 0 lx1;gd rx1 */ ss a2 100000;"
        "gd rx2 +- r 0 rx1;gd ry1 +- b 0 rx1;"
        "P;M lx1 t;L rx2 t;L r rx1;L r ly1;L lx2 b;L rx1 b;L l ry1;L l lx1;Z";
    d["snipRoundRect"] =
        "av adj1 16667;av adj2 16667;gd a1 pin 0 adj1 50000;gd a2 pin 0 adj2 50000;"
        "gd x1 */ ss a1 100000;gd dx2 */ ss a2 100000;gd x2 +- r 0 dx2;"
        "P;M x1 t;L x2 t;L r dx2;L r b;L l b;L l x1;A x1 x1 cd2 cd4;Z";
    const char* bracketPairOutline =
        "M l x1;A x1 x1 cd2 cd4;L x2 t;A x1 x1 3cd4 cd4;L r y2;A x1 x1 0 cd4;L x1 b;"
        "A x1 x1 cd4 cd4;Z";
    d["bracketPair"] =
        std::string(
            "av adj 16667;gd a pin 0 adj 50000;gd x1 */ ss a 100000;gd x2 +- r 0 x1;"
            "gd y2 +- b 0 x1;P s=0;") +
        bracketPairOutline +
        ";P f=none;M x1 b;A x1 x1 cd4 cd4;L l x1;A x1 x1 cd2 cd4;M x2 t;A x1 x1 3cd4 cd4;"
        "L r y2;A x1 x1 0 cd4";
    const char* braceLeft =
        "M x2 b;A x1 x1 cd4 cd4;L x1 y3;A x1 x1 0 -5400000;A x1 x1 cd4 -5400000;L x1 x1;"
        "A x1 x1 cd2 cd4";
    const char* braceRight =
        "M x3 t;A x1 x1 3cd4 cd4;L x4 y2;A x1 x1 cd2 -5400000;A x1 x1 3cd4 -5400000;"
        "L x4 y4;A x1 x1 0 cd4";
    d["bracePair"] = std::string(
                         "av adj 8333;gd a pin 0 adj 25000;gd x1 */ ss a 100000;"
                         "gd x2 */ ss a 50000;gd x3 +- r 0 x2;gd x4 +- r 0 x1;gd y2 +- vc 0 x1;"
                         "gd y3 +- vc x1 0;gd y4 +- b 0 x1;P s=0;") +
                     braceLeft + ";L x3 t" + std::string(braceRight).substr(6) + ";Z;P f=none;" +
                     braceLeft + ";" + braceRight;
    d["mathPlus"] =
        "av adj1 23520;gd a1 pin 0 adj1 73490;gd dx1 */ w 73490 200000;"
        "gd dy1 */ h 73490 200000;gd dx2 */ ss a1 200000;gd x1 +- hc 0 dx1;"
        "gd x2 +- hc 0 dx2;gd x3 +- hc dx2 0;gd x4 +- hc dx1 0;gd y1 +- vc 0 dy1;"
        "gd y2 +- vc 0 dx2;gd y3 +- vc dx2 0;gd y4 +- vc dy1 0;"
        "P;M x1 y2;L x2 y2;L x2 y1;L x3 y1;L x3 y2;L x4 y2;L x4 y3;L x3 y3;L x3 y4;L x2 y4;"
        "L x2 y3;L x1 y3;Z";
    d["mathMinus"] =
        "av adj1 23520;gd a1 pin 0 adj1 100000;gd dy1 */ h a1 200000;"
        "gd dx1 */ w 73490 200000;gd y1 +- vc 0 dy1;gd y2 +- vc dy1 0;gd x1 +- hc 0 dx1;"
        "gd x2 +- hc dx1 0;P;M x1 y1;L x2 y1;L x2 y2;L x1 y2;Z";
    d["mathEqual"] =
        "av adj1 23520;av adj2 11760;gd a1 pin 0 adj1 36745;gd 2a1 */ a1 2 1;"
        "gd mAdj2 +- 100000 0 2a1;gd a2 pin 0 adj2 mAdj2;gd dy1 */ h a1 100000;"
        "gd dy2 */ h a2 200000;gd dx1 */ w 73490 200000;gd y2 +- vc 0 dy2;"
        "gd y3 +- vc dy2 0;gd y1 +- y2 0 dy1;gd y4 +- y3 dy1 0;gd x1 +- hc 0 dx1;"
        "gd x2 +- hc dx1 0;P;M x1 y1;L x2 y1;L x2 y2;L x1 y2;Z;M x1 y3;L x2 y3;L x2 y4;"
        "L x1 y4;Z";
    d["mathDivide"] =
        "av adj1 23520;av adj2 5880;av adj3 11760;gd a1 pin 1000 adj1 36745;"
        "gd ma1 +- 0 0 a1;gd ma3h +/ 73490 ma1 4;gd ma3w */ 36745 w h;"
        "gd maxAdj3 min ma3h ma3w;gd a3 pin 1000 adj3 maxAdj3;gd m4a3 */ -4 a3 1;"
        "gd maxAdj2 +- 73490 m4a3 a1;gd a2 pin 0 adj2 maxAdj2;gd dy1 */ h a1 200000;"
        "gd yg */ h a2 100000;gd rad */ h a3 100000;gd dx1 */ w 73490 200000;"
        "gd y3 +- vc 0 dy1;gd y4 +- vc dy1 0;gd a +- yg rad 0;gd y2 +- y3 0 a;"
        "gd y1 +- y2 0 rad;gd y5 +- b 0 y1;gd x1 +- hc 0 dx1;gd x3 +- hc dx1 0;"
        "P;M hc y1;A rad rad 3cd4 21600000;Z;M hc y5;A rad rad cd4 21600000;Z;M x1 y3;"
        "L x3 y3;L x3 y4;L x1 y4;Z";
    d["mathMultiply"] =
        "av adj1 23520;gd a1 pin 0 adj1 51965;gd th */ ss a1 100000;gd a at2 w h;"
        "gd sa sin 1 a;gd ca cos 1 a;gd ta tan 1 a;gd dl mod w h 0;"
        "gd rw */ dl 51965 100000;gd lM +- dl 0 rw;gd xM */ ca lM 2;gd yM */ sa lM 2;"
        "gd dxAM */ sa th 2;gd dyAM */ ca th 2;gd xA +- xM 0 dxAM;gd yA +- yM dyAM 0;"
        "gd xB +- xM dxAM 0;gd yB +- yM 0 dyAM;gd xBC +- hc 0 xB;gd yBC */ xBC ta 1;"
        "gd yC +- yBC yB 0;gd xD +- r 0 xB;gd xE +- r 0 xA;gd yFE +- vc 0 yA;"
        "gd xFE */ yFE 1 ta;gd xF +- xE 0 xFE;gd xL +- xA xFE 0;gd yG +- b 0 yA;"
        "gd yH +- b 0 yB;gd yI +- b 0 yC;"
        "P;M xA yA;L xB yB;L hc yC;L xD yB;L xE yA;L xF vc;L xE yG;L xD yH;L hc yI;L xB yH;"
        "L xA yG;L xL vc;Z";
    d["mathNotEqual"] =
        "av adj1 23520;av adj2 6600000;av adj3 11760;gd a1 pin 0 adj1 50000;"
        "gd crAng pin 4200000 adj2 6600000;gd 2a1 */ a1 2 1;gd maxAdj3 +- 100000 0 2a1;"
        "gd a3 pin 0 adj3 maxAdj3;gd dy1 */ h a1 100000;gd dy2 */ h a3 200000;"
        "gd dx1 */ w 73490 200000;gd x1 +- hc 0 dx1;gd x8 +- hc dx1 0;gd y2 +- vc 0 dy2;"
        "gd y3 +- vc dy2 0;gd y1 +- y2 0 dy1;gd y4 +- y3 dy1 0;gd cadj2 +- crAng 0 cd4;"
        "gd xadj2 tan hd2 cadj2;gd len mod xadj2 hd2 0;gd bhw */ len dy1 hd2;"
        "gd bhw2 */ bhw 1 2;gd x7 +- hc xadj2 bhw2;gd dx67 */ xadj2 y1 hd2;"
        "gd x6 +- x7 0 dx67;gd dx57 */ xadj2 y2 hd2;gd x5 +- x7 0 dx57;"
        "gd dx47 */ xadj2 y3 hd2;gd x4 +- x7 0 dx47;gd dx37 */ xadj2 y4 hd2;"
        "gd x3 +- x7 0 dx37;gd dx27 */ xadj2 2 1;gd x2 +- x7 0 dx27;gd rx7 +- x7 bhw 0;"
        "gd rx6 +- x6 bhw 0;gd rx5 +- x5 bhw 0;gd rx4 +- x4 bhw 0;gd rx3 +- x3 bhw 0;"
        "gd rx2 +- x2 bhw 0;"
        "P;M x1 y1;L x6 y1;L x7 t;L rx7 t;L rx6 y1;L x8 y1;L x8 y2;L rx5 y2;L rx4 y3;"
        "L x8 y3;L x8 y4;L rx3 y4;L rx2 b;L x2 b;L x3 y4;L x1 y4;L x1 y3;L x4 y3;L x5 y2;"
        "L x1 y2;Z";
    d["irregularSeal1"] =
        "P w=21600 h=21600;M 10800 5800;L 14522 0;L 14155 5325;L 18380 4457;L 16702 7315;"
        "L 21097 8137;L 17607 10475;L 21600 13290;L 16837 12942;L 18145 18095;"
        "L 14020 14457;L 13247 19737;L 10532 14935;L 8485 21600;L 7715 15627;"
        "L 4762 17617;L 5667 13937;L 135 14587;L 3722 11775;L 0 8615;L 4627 7617;"
        "L 370 2295;L 7312 6320;L 8352 2295;Z";
    d["irregularSeal2"] =
        "P w=21600 h=21600;M 11462 4342;L 14790 0;L 14525 5777;L 18007 3172;"
        "L 16380 6532;L 21600 6645;L 16985 9402;L 18270 11290;L 16380 12310;"
        "L 18877 15632;L 14640 14350;L 14942 17370;L 12180 15935;L 11612 18842;"
        "L 9872 17370;L 8700 19712;L 7527 18125;L 4917 21600;L 4805 18240;L 1285 17825;"
        "L 3330 15370;L 0 12877;L 3935 11592;L 1172 8270;L 5372 7817;L 4502 3625;"
        "L 8550 6382;L 9722 1887;Z";
    for (int n = 1; n <= 3; ++n) {
        std::string k = std::to_string(n);
        d["callout" + k] = lineCallout(n, false, false);
        d["borderCallout" + k] = lineCallout(n, true, false);
        d["accentCallout" + k] = lineCallout(n, false, true);
        d["accentBorderCallout" + k] = lineCallout(n, true, true);
    }
    d["cloudCallout"] =
        "av adj1 -20833;av adj2 62500;gd dxPos */ w adj1 100000;gd dyPos */ h adj2 100000;"
        "gd xPos +- hc dxPos 0;gd yPos +- vc dyPos 0;gd ht cat2 hd2 dxPos dyPos;"
        "gd wt sat2 wd2 dxPos dyPos;gd g2 cat2 wd2 ht wt;gd g3 sat2 hd2 ht wt;"
        "gd g4 +- hc g2 0;gd g5 +- vc g3 0;gd g6 +- g4 0 xPos;gd g7 +- g5 0 yPos;"
        "gd g8 mod g6 g7 0;gd g9 */ ss 6600 21600;gd g10 +- g8 0 g9;gd g11 */ g10 1 3;"
        "gd g12 */ ss 1800 21600;gd g13 +- g11 g12 0;gd g14 */ g13 g6 g8;"
        "gd g15 */ g13 g7 g8;gd g16 +- g14 xPos 0;gd g17 +- g15 yPos 0;"
        "gd g18 */ ss 4800 21600;gd g19 */ g11 2 1;gd g20 +- g18 g19 0;"
        "gd g21 */ g20 g6 g8;gd g22 */ g20 g7 g8;gd g23 +- g21 xPos 0;gd g24 +- g22 yPos 0;"
        "gd g25 */ ss 1200 21600;gd g26 */ ss 600 21600;gd x23 +- xPos g26 0;"
        "gd x24 +- g16 g25 0;gd x25 +- g23 g12 0;" +
        d["cloud"] +
        ";P;M x23 yPos;A g26 g26 0 21600000;Z;P;M x24 g17;A g25 g25 0 21600000;Z;"
        "P;M x25 g24;A g12 g12 0 21600000;Z";
    d["chartX"] = chartMarker("M 0 0;L 10 10;M 0 10;L 10 0");
    d["chartStar"] = chartMarker("M 0 0;L 10 10;M 0 10;L 10 0;M 5 0;L 5 10");
    d["chartPlus"] = chartMarker("M 5 0;L 5 10;M 0 5;L 10 5");
    const char* tabGuides = "gd md mod w h 0;gd dx */ 1 md 20;gd y1 +- 0 b dx;gd x1 +- 0 r dx;";
    d["cornerTabs"] = std::string(tabGuides) +
                      "P;M l t;L dx t;L l dx;Z;M l y1;L dx b;L l b;Z;M x1 t;L r t;L r dx;Z;"
                      "M r y1;L r b;L x1 b;Z";
    d["squareTabs"] = std::string(tabGuides) +
                      "P;M l t;L dx t;L dx dx;L l dx;Z;M l y1;L dx y1;L dx b;L l b;Z;M x1 t;"
                      "L r t;L r dx;L x1 dx;Z;M x1 y1;L r y1;L r b;L x1 b;Z";
    d["plaqueTabs"] = std::string(tabGuides) +
                      "P;M l t;L dx t;A dx dx 0 cd4;Z;M l y1;A dx dx 3cd4 cd4;L l b;Z;M r t;"
                      "L r dx;A dx dx cd4 cd4;Z;M x1 b;A dx dx cd2 cd4;L r b;Z";
    d["funnel"] =
        "gd d */ ss 1 20;gd rw2 +- wd2 0 d;gd rh2 +- hd4 0 d;gd t1 cos wd2 480000;"
        "gd t2 sin hd4 480000;gd da at2 t1 t2;gd 2da */ da 2 1;gd stAng1 +- cd2 0 da;"
        "gd swAng1 +- cd2 2da 0;gd swAng3 +- cd2 0 2da;gd rw3 */ wd2 1 4;gd rh3 */ hd4 1 4;"
        "gd ct1 cos hd4 stAng1;gd st1 sin wd2 stAng1;gd m1 mod ct1 st1 0;"
        "gd n1 */ wd2 hd4 m1;gd dx1 cos n1 stAng1;gd dy1 sin n1 stAng1;gd x1 +- hc dx1 0;"
        "gd y1 +- hd4 dy1 0;gd ct3 cos rh3 da;gd st3 sin rw3 da;gd m3 mod ct3 st3 0;"
        "gd n3 */ rw3 rh3 m3;gd dx3 cos n3 da;gd dy3 sin n3 da;gd x3 +- hc dx3 0;"
        "gd vc3 +- b 0 rh3;gd y2 +- vc3 dy3 0;gd x2 +- wd2 0 rw2;"
        "P;M x1 y1;A wd2 hd4 stAng1 swAng1;L x3 y2;A rw3 rh3 da swAng3;Z;M x2 hd4;"
        "A rw2 rh2 cd2 -21600000;Z";
    d["flowChartInternalStorage"] =
        "P w=1 h=1 s=0;M 0 0;L 1 0;L 1 1;L 0 1;Z;P w=8 h=8 f=none;M 1 0;L 1 8;M 0 1;L 8 1;"
        "P w=1 h=1 f=none;M 0 0;L 1 0;L 1 1;L 0 1;Z";
    d["flowChartMultidocument"] =
        "P w=21600 h=21600 s=0;M 0 20782;C 9298 23542 9298 18022 18595 18022;L 18595 3675;"
        "L 0 3675;Z;M 1532 3675;L 1532 1815;L 20000 1815;L 20000 16252;"
        "C 19298 16252 18595 16352 18595 16352;L 18595 3675;Z;M 2972 1815;L 2972 0;"
        "L 21600 0;L 21600 14392;C 20800 14392 20000 14467 20000 14467;L 20000 1815;Z;"
        "P w=21600 h=21600 f=none;M 0 3675;L 18595 3675;L 18595 18022;"
        "C 9298 18022 9298 23542 0 20782;Z;M 1532 3675;L 1532 1815;L 20000 1815;"
        "L 20000 16252;C 19298 16252 18595 16352 18595 16352;M 2972 1815;L 2972 0;"
        "L 21600 0;L 21600 14392;C 20800 14392 20000 14467 20000 14467";
    d["flowChartPunchedTape"] =
        "P w=20 h=20;M 0 2;A 5 2 cd2 -10800000;A 5 2 cd2 cd2;L 20 18;A 5 2 0 -10800000;"
        "A 5 2 0 cd2;Z";
    const char* junctionEllipse =
        "M l vc;A wd2 hd2 cd2 cd4;A wd2 hd2 3cd4 cd4;A wd2 hd2 0 cd4;A wd2 hd2 cd4 cd4;Z";
    d["flowChartSummingJunction"] =
        std::string(
            "gd idx cos wd2 2700000;gd idy sin hd2 2700000;gd il +- hc 0 idx;"
            "gd ir +- hc idx 0;gd it +- vc 0 idy;gd ib +- vc idy 0;P s=0;") +
        junctionEllipse + ";P f=none;M il it;L ir ib;M ir it;L il ib;P f=none;" + junctionEllipse;
    d["flowChartOr"] = std::string("P s=0;") + junctionEllipse +
                       ";P f=none;M hc t;L hc b;M l vc;L r vc;P f=none;" + junctionEllipse;
    d["flowChartSort"] =
        "P w=2 h=2 s=0;M 0 1;L 1 0;L 2 1;L 1 2;Z;P w=2 h=2 f=none;M 0 1;L 2 1;"
        "P w=2 h=2 f=none;M 0 1;L 1 0;L 2 1;L 1 2;Z";
    d["flowChartOnlineStorage"] =
        "P w=6 h=6;M 1 0;L 6 0;A 1 3 3cd4 -10800000;L 1 6;A 1 3 cd4 cd2;Z";
    d["flowChartMagneticTape"] =
        "gd idy sin hd2 2700000;gd ib +- vc idy 0;gd ang1 at2 w h;"
        "P;M hc b;A wd2 hd2 cd4 cd4;A wd2 hd2 cd2 cd4;A wd2 hd2 3cd4 cd4;A wd2 hd2 0 ang1;"
        "L r ib;L r b;Z";
    d["flowChartMagneticDisk"] =
        "P w=6 h=6 s=0;M 0 1;A 3 1 cd2 cd2;L 6 5;A 3 1 0 cd2;Z;P w=6 h=6 f=none;M 6 1;"
        "A 3 1 0 cd2;P w=6 h=6 f=none;M 0 1;A 3 1 cd2 cd2;L 6 5;A 3 1 0 cd2;Z";
    d["flowChartMagneticDrum"] =
        "P w=6 h=6 s=0;M 1 0;L 5 0;A 1 3 3cd4 cd2;L 1 6;A 1 3 cd4 cd2;Z;P w=6 h=6 f=none;"
        "M 5 6;A 1 3 cd4 cd2;P w=6 h=6 f=none;M 1 0;L 5 0;A 1 3 3cd4 cd2;L 1 6;"
        "A 1 3 cd4 cd2;Z";
    d["flowChartDisplay"] = "P w=6 h=6;M 0 3;L 1 0;L 5 0;A 1 3 3cd4 cd2;L 1 6;Z";
    d["flowChartOfflineStorage"] =
        "P w=2 h=2 s=0;M 0 0;L 2 0;L 1 2;Z;P w=5 h=5 f=none;M 2 4;L 3 4;"
        "P w=2 h=2 f=none;M 0 0;L 2 0;L 1 2;Z";
    d["bentConnector5"] =
        "av adj1 50000;av adj2 50000;av adj3 50000;gd x1 */ w adj1 100000;"
        "gd x3 */ w adj3 100000;gd y2 */ h adj2 100000;"
        "P f=none;M l t;L x1 t;L x1 y2;L x3 y2;L x3 b;L r b";
    d["curvedConnector4"] =
        "av adj1 50000;av adj2 50000;gd x2 */ w adj1 100000;gd x1 +/ l x2 2;"
        "gd x3 +/ r x2 2;gd x4 +/ x2 x3 2;gd x5 +/ x3 r 2;gd y4 */ h adj2 100000;"
        "gd y1 +/ t y4 2;gd y2 +/ t y1 2;gd y3 +/ y1 y4 2;gd y5 +/ b y4 2;"
        "P f=none;M l t;C x1 t x2 y2 x2 y1;C x2 y3 x4 y4 x3 y4;C x5 y4 r y5 r b";
    d["curvedConnector5"] =
        "av adj1 50000;av adj2 50000;av adj3 50000;gd x3 */ w adj1 100000;"
        "gd x6 */ w adj3 100000;gd x1 +/ x3 x6 2;gd x2 +/ l x3 2;gd x4 +/ x3 x1 2;"
        "gd x5 +/ x6 x1 2;gd x7 +/ x6 r 2;gd y4 */ h adj2 100000;gd y1 +/ t y4 2;"
        "gd y2 +/ t y1 2;gd y3 +/ y1 y4 2;gd y5 +/ b y4 2;gd y6 +/ y5 y4 2;"
        "gd y7 +/ y5 b 2;"
        "P f=none;M l t;C x2 t x3 y2 x3 y1;C x3 y3 x4 y4 x1 y4;C x5 y4 x6 y6 x6 y5;"
        "C x6 y7 x7 b r b";
}

// The built-in guide that measures the other axis (w and h, l and t, wd2 and hd2 ...), or the
// token itself.
std::string otherSide(const std::string& token) {
    static const std::map<std::string, std::string, std::less<>> kSwap = [] {
        std::map<std::string, std::string, std::less<>> m = {
            {"w", "h"}, {"l", "t"}, {"r", "b"}, {"hc", "vc"}};
        for (int n : {2, 3, 4, 5, 6, 8, 10, 12, 32}) {
            m["wd" + std::to_string(n)] = "hd" + std::to_string(n);
        }
        for (auto [a, b] : decltype(m)(m)) m[b] = a;
        return m;
    }();
    auto it = kSwap.find(token);
    return it != kSwap.end() ? it->second : token;
}

// A geometry turned over: mirrored left to right or top to bottom, or with its axes swapped
// (the formulas then read the box's sides the other way round, and each point and arc is
// swapped back). Points and angles that change get guides of their own.
enum class Turn { MirrorX, MirrorY, Transpose };

GeometryData turned(GeometryData g, Turn turn) {
    auto guide = [&](const std::string& formula) {
        std::string name = "turn" + std::to_string(g.guides.size());
        g.guides.push_back({name, formula});
        return name;
    };
    if (turn == Turn::Transpose) {
        for (auto* list : {&g.adjust, &g.guides}) {
            for (GuideDef& d : *list) {
                std::string out, token;
                for (std::size_t i = 0; i <= d.formula.size(); ++i) {
                    if (i < d.formula.size() && d.formula[i] != ' ') {
                        token += d.formula[i];
                        continue;
                    }
                    if (!out.empty()) out += ' ';
                    out += otherSide(token);
                    token.clear();
                }
                d.formula = out;
            }
        }
    }
    for (GeometryPath& p : g.paths) {
        if (turn == Turn::Transpose) std::swap(p.w, p.h);
        std::string right = p.w > 0 ? std::to_string(p.w) : "r";
        std::string bottom = p.h > 0 ? std::to_string(p.h) : "b";
        for (GeometryCommand& c : p.commands) {
            std::vector<std::string>& a = c.args;
            if (turn == Turn::Transpose) {
                for (std::string& arg : a) arg = otherSide(arg);
            }
            if (c.kind == GeometryCommand::ArcTo) {
                if (a.size() < 4) continue;
                if (turn == Turn::Transpose) std::swap(a[0], a[1]);
                const char* start = turn == Turn::MirrorX   ? "+- cd2 0 "
                                    : turn == Turn::MirrorY ? "+- 0 0 "
                                                            : "+- cd4 0 ";
                a[2] = guide(start + a[2]);
                a[3] = guide("+- 0 0 " + a[3]);
                continue;
            }
            for (std::size_t i = 0; i + 1 < a.size(); i += 2) {
                if (turn == Turn::Transpose) {
                    std::swap(a[i], a[i + 1]);
                } else if (turn == Turn::MirrorX) {
                    a[i] = guide("+- " + right + " 0 " + a[i]);
                } else {
                    a[i + 1] = guide("+- " + bottom + " 0 " + a[i + 1]);
                }
            }
        }
    }
    return g;
}

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
    addMoreDefinitions(d);
    addActionButtons(d);
    d["leftCircularArrow"] = leftCircularArrow(d["circularArrow"]);
    d["leftRightCircularArrow"] = leftRightCircularArrow(d["circularArrow"]);
    d["gear6"] = gear(6, 15000, 3526, 5358);
    d["gear9"] = gear(9, 10000, 1763, 2679);
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
        const std::tuple<const char*, const char*, Turn> kTurned[] = {
            {"curvedLeftArrow", "curvedRightArrow", Turn::MirrorX},
            {"curvedDownArrow", "curvedRightArrow", Turn::Transpose},
            {"curvedUpArrow", "curvedLeftArrow", Turn::Transpose},
            {"ribbon2", "ribbon", Turn::MirrorY},
            {"ellipseRibbon2", "ellipseRibbon", Turn::MirrorY},
            {"horizontalScroll", "verticalScroll", Turn::Transpose},
            {"leftArrowCallout", "rightArrowCallout", Turn::MirrorX},
            {"downArrowCallout", "rightArrowCallout", Turn::Transpose},
            {"upArrowCallout", "leftArrowCallout", Turn::Transpose},
            {"upDownArrowCallout", "leftRightArrowCallout", Turn::Transpose},
        };
        for (const auto& [name, from, turn] : kTurned) {
            out.geometries.emplace(name, turned(out.geometries.at(from), turn));
        }
        out.geometries["leftCircularArrow"] =
            turned(out.geometries.at("leftCircularArrow"), Turn::MirrorY);
        return out;
    }();
    return t;
}

}  // namespace

const GeometryData* presetGeometry(std::string_view name) {
    const Table& t = table();
    auto it = t.geometries.find(name);
    if (it != t.geometries.end()) return &it->second;
    return nullptr;
}

std::vector<std::string> presetNames() {
    std::vector<std::string> out;
    for (const auto& [name, g] : table().geometries) out.push_back(name);
    return out;
}

}  // namespace quillet::pptx::render
