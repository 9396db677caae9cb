#include "host/pptx/shapes.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <functional>
#include <map>
#include <optional>
#include <string_view>

#include "host/pptx/charts.h"
#include "host/pptx/presets.h"
#include "host/pptx/render/geometry.h"
#include "host/pptx/render/picture.h"
#include "host/pptx/tables.h"

namespace quillet::pptx {

namespace {

constexpr double kEmuPerPoint = 12700.0;
constexpr int kMaxGroupDepth = 32;
constexpr std::size_t kMaxShapes = 100000;
constexpr std::size_t kMaxPathCommands = 100000;
constexpr std::size_t kMaxTableRows = 1000;
constexpr std::size_t kMaxTableColumns = 1000;
constexpr std::size_t kMaxTableCells = 100000;
// Coordinates beyond about 80 km are not a slide's: clamp them so arithmetic stays finite.
constexpr std::int64_t kMaxEmu = 1ll << 40;

std::int64_t clampEmu(std::int64_t v) {
    return std::clamp<std::int64_t>(v, -kMaxEmu, kMaxEmu);
}

// Maps the coordinates of a shape tree (EMU on the slide, or a group's child space) onto the slide,
// with the offsets, scales, flips and rotations of the enclosing groups.
struct Placement {
    // slide x = a u + c v + e, slide y = b u + d v + f, in points.
    double a = 1.0 / kEmuPerPoint, b = 0, c = 0, d = 1.0 / kEmuPerPoint, e = 0, f = 0;
    // Points per unit along the enclosing group's own axes, for sizes.
    double kx = 1.0 / kEmuPerPoint, ky = 1.0 / kEmuPerPoint;
    double rotation = 0;  // degrees clockwise, of the enclosing groups together
    bool flipH = false, flipV = false;
    double x(double u, double v) const { return a * u + c * v + e; }
    double y(double u, double v) const { return b * u + d * v + f; }
};

// Where a shape lands on the slide: its unrotated box around its centre, its rotation and flips,
// as the host reports them for a member of a rotated or flipped group.
struct Box {
    double left = 0, top = 0, width = 0, height = 0;
    double rotation = 0;
    bool flipH = false, flipV = false;
};

double normalizedDegrees(double r) {
    if (!std::isfinite(r)) return 0;
    r = std::fmod(r, 360.0);
    if (r < 0) r += 360.0;
    return r >= 360.0 ? 0.0 : r;
}

struct Xfrm {
    bool present = false;
    std::int64_t x = 0, y = 0, cx = 0, cy = 0;
    std::int64_t chx = 0, chy = 0, chcx = 0, chcy = 0;
    bool hasChild = false;
    double rotation = 0;
    bool flipH = false, flipV = false;
};

Xfrm readXfrm(pugi::xml_node xfrm) {
    Xfrm out;
    if (!xfrm) return out;
    out.present = true;
    pugi::xml_node off = child(xfrm, "off");
    pugi::xml_node ext = child(xfrm, "ext");
    out.x = clampEmu(intAttr(off, "x", 0));
    out.y = clampEmu(intAttr(off, "y", 0));
    out.cx = std::clamp<std::int64_t>(intAttr(ext, "cx", 0), 0, kMaxEmu);
    out.cy = std::clamp<std::int64_t>(intAttr(ext, "cy", 0), 0, kMaxEmu);
    if (pugi::xml_node chOff = child(xfrm, "chOff")) {
        out.hasChild = true;
        out.chx = clampEmu(intAttr(chOff, "x", 0));
        out.chy = clampEmu(intAttr(chOff, "y", 0));
    }
    if (pugi::xml_node chExt = child(xfrm, "chExt")) {
        out.chcx = std::clamp<std::int64_t>(intAttr(chExt, "cx", 0), 0, kMaxEmu);
        out.chcy = std::clamp<std::int64_t>(intAttr(chExt, "cy", 0), 0, kMaxEmu);
    }
    double rot = static_cast<double>(intAttr(xfrm, "rot", 0) % 21600000) / 60000.0;
    if (rot < 0) rot += 360;
    out.rotation = rot;
    out.flipH = boolAttr(xfrm, "flipH").value_or(false);
    out.flipV = boolAttr(xfrm, "flipV").value_or(false);
    return out;
}

// The properties element of a shape element: spPr, grpSpPr.
pugi::xml_node propertiesOf(pugi::xml_node shape) {
    if (pugi::xml_node n = child(shape, "spPr")) return n;
    return child(shape, "grpSpPr");
}

pugi::xml_node xfrmOf(pugi::xml_node shape) {
    if (is(shape, "graphicFrame")) return child(shape, "xfrm");
    return child(propertiesOf(shape), "xfrm");
}

// The non-visual properties holder (nvSpPr, nvPicPr, nvGraphicFramePr, nvCxnSpPr, nvGrpSpPr).
pugi::xml_node nonVisual(pugi::xml_node shape) {
    for (pugi::xml_node c = shape.first_child(); c; c = c.next_sibling()) {
        std::string_view n = localName(c.name());
        if (n.size() > 2 && n.substr(0, 2) == "nv") return c;
    }
    return {};
}

pugi::xml_node placeholderOf(pugi::xml_node shape) {
    return path(nonVisual(shape), {"nvPr", "ph"});
}

std::string placeholderType(pugi::xml_node ph) {
    std::string type = strAttr(ph, "type");
    return type.empty() ? "obj" : type;
}

// Placeholder types grouped as the master holds them.
std::string masterFamily(const std::string& type) {
    if (type == "title" || type == "ctrTitle") return "title";
    if (type == "dt" || type == "ftr" || type == "sldNum" || type == "hdr") return type;
    return "body";
}

int placeholderCode(const std::string& type) {
    using namespace host::placeholder;
    if (type == "title") return kTitle;
    if (type == "body") return kBody;
    if (type == "ctrTitle") return kCenterTitle;
    if (type == "subTitle") return kSubtitle;
    if (type == "dt") return kDate;
    if (type == "ftr") return kFooter;
    if (type == "sldNum") return kSlideNumber;
    if (type == "hdr") return kHeader;
    if (type == "chart") return kChart;
    if (type == "tbl") return kTable;
    if (type == "clipArt") return kBitmap;
    if (type == "dgm") return kOrgChart;
    if (type == "media") return kMediaClip;
    if (type == "pic") return kPicture;
    return kObject;
}

// Custom geometry on the slide: the guides and paths evaluated for the shape's box, flips applied
// (the rotation stays with the shape).
std::vector<PathCommand> customPath(const GeometryData& geometry, const Shape& shape) {
    std::vector<PathCommand> out;
    for (const render::Outline& o : render::evaluateGeometry(geometry, shape.width, shape.height)) {
        for (const render::OutlineSegment& s : o.segments) {
            if (out.size() >= kMaxPathCommands) return out;
            PathCommand c;
            c.kind = s.kind == render::OutlineSegment::Move    ? PathCommand::Move
                     : s.kind == render::OutlineSegment::Line  ? PathCommand::Line
                     : s.kind == render::OutlineSegment::Cubic ? PathCommand::Cubic
                                                               : PathCommand::Close;
            for (int i = 0; i < 3; ++i) {
                double px = s.kind == render::OutlineSegment::Close ? 0 : s.x[i];
                double py = s.kind == render::OutlineSegment::Close ? 0 : s.y[i];
                if (shape.flipH) px = shape.width - px;
                if (shape.flipV) py = shape.height - py;
                c.x[i] = static_cast<float>(shape.left + px);
                c.y[i] = static_cast<float>(shape.top + py);
            }
            out.push_back(c);
        }
    }
    return out;
}

// The effects element of a properties element: a:effectLst or a:effectDag.
pugi::xml_node effectsOf(pugi::xml_node spPr) {
    if (pugi::xml_node n = child(spPr, "effectLst")) return n;
    return child(spPr, "effectDag");
}

// The shadow, glow, soft edges and reflection of an effect list.
void readEffectList(pugi::xml_node effects, const ColorContext& colors, Shape& shape) {
    shape.shadow = readOuterShadow(effects, colors);
    shape.glow = readGlow(effects, colors);
    shape.softEdge = readSoftEdge(effects);
    shape.reflection = readReflection(effects);
}

// A theme effect style by a:effectRef (idx 1.., 0 none), its phClr the reference's colour.
void readStyleEffects(pugi::xml_node effectRef, const ColorContext& colors, Shape& shape) {
    if (!effectRef || !colors.theme) return;
    std::int64_t idx = intAttr(effectRef, "idx", 0);
    const std::vector<pugi::xml_node>& list = colors.theme->effectStyles;
    if (idx < 1 || idx > static_cast<std::int64_t>(list.size())) return;
    ColorContext withPlaceholder = colors;
    withPlaceholder.placeholder = readColorIn(effectRef, colors);
    readEffectList(effectsOf(list[static_cast<std::size_t>(idx - 1)]), withPlaceholder, shape);
}

// The slide's legacy (VML) drawing, where older controls and embedded objects keep their
// pictures: the shape whose o:spid (or id) names them carries the picture's reference.
struct LegacyDrawing {
    std::shared_ptr<pugi::xml_document> doc;
    std::optional<PartRefs> refs;
    pugi::xml_node shape(const std::string& spid, const std::string& name) const;
};
// The drawing of the part whose references these are (none: empty); throws when unreadable.
LegacyDrawing loadLegacyDrawing(const PartRefs* refs);

// The drawing, read when first needed; one that cannot be read is reported once, through
// `report`, and reads as none.
class LazyLegacyDrawing {
  public:
    template <class Report>
    const LegacyDrawing& get(const PartRefs* refs, Report report) {
        if (!tried_) {
            tried_ = true;
            try {
                drawing_ = loadLegacyDrawing(refs);
            } catch (const std::exception& e) {
                report(e.what());
                drawing_ = {};
            }
        }
        return drawing_;
    }

  private:
    LegacyDrawing drawing_;
    bool tried_ = false;
};

std::string graphicUri(pugi::xml_node frame) {
    return strAttr(path(frame, {"graphic", "graphicData"}), "uri");
}

class TreeReader {
  public:
    explicit TreeReader(const ShapeContext& context) : context_(context) {}

    void readTree(pugi::xml_node tree, const Placement& placement, const FillData* groupFill,
                  int depth, ShapeList& out) {
        if (depth > kMaxGroupDepth) {
            warn(tree, "nested deeper than " + std::to_string(kMaxGroupDepth) +
                           " groups; its shapes are left out");
            return;
        }
        for (pugi::xml_node c = tree.first_child(); c; c = c.next_sibling()) {
            if (c.type() != pugi::node_element) continue;
            if (!is(c, "AlternateContent")) {
                readMember(c, placement, groupFill, depth, out, {});
                continue;
            }
            // A newer graphic (a chart of a later kind, say) with a picture to stand in for it:
            // the frame is read, with the picture recorded for drawing it.
            pugi::xml_node frame = child(child(c, "Choice"), "graphicFrame");
            pugi::xml_node standIn = child(child(c, "Fallback"), "pic");
            if (frame && standIn) {
                readMember(frame, placement, groupFill, depth, out, standIn);
                continue;
            }
            pugi::xml_node branch = alternateBranch(c);
            for (pugi::xml_node b = branch.first_child(); b; b = b.next_sibling()) {
                if (b.type() == pugi::node_element)
                    readMember(b, placement, groupFill, depth, out, {});
            }
        }
    }

  private:
    void readMember(pugi::xml_node node, const Placement& placement, const FillData* groupFill,
                    int depth, ShapeList& out, pugi::xml_node standIn) {
        if (count_ >= kMaxShapes) return;
        std::string_view n = localName(node.name());
        if (n != "sp" && n != "cxnSp" && n != "pic" && n != "graphicFrame" && n != "grpSp" &&
            n != "contentPart") {
            return;
        }
        pugi::xml_node cNvPr = child(nonVisual(node), "cNvPr");
        if (boolAttr(cNvPr, "hidden").value_or(false)) return;
        ShapePtr shape = readShape(node, placement, groupFill, depth);
        if (!shape) return;
        if (standIn && !shape->picture) readPictureOf(standIn, *shape);
        ++count_;
        out.items.push_back(std::move(shape));
    }

    // A warning naming the slide and the shape (by its name and id) that cannot be converted.
    void warn(pugi::xml_node shape, const std::string& what) const {
        if (!context_.warnings) return;
        pugi::xml_node properties;
        for (pugi::xml_node c = shape.first_child(); c && !properties; c = c.next_sibling())
            if (localName(c.name()).starts_with("nv")) properties = child(c, "cNvPr");
        context_.warnings->push_back("slide " + std::to_string(context_.slideNumber) +
                                     ", shape \"" + strAttr(properties, "name") + "\" (id " +
                                     strAttr(properties, "id") + "): " + what);
    }

    // Why a slide's picture cannot be drawn, "" when it can: the part is unreadable or too large,
    // or its data does not decode. Pictures of masters and layouts (no warnings) are not checked
    // here; each part is decoded once per deck.
    std::string pictureProblem(const MediaPart& part) const {
        if (!context_.warnings || !context_.pictureProblems) return "";
        auto known = context_.pictureProblems->find(part.name);
        if (known != context_.pictureProblems->end()) return known->second;
        // Decoded through the drawing's cache, so that drawing the picture decodes it no more.
        std::string problem;
        const auto decoded = render::sharedPicture(part);
        if (!decoded->drawable())
            problem = decoded->problem.empty() ? "undecodable" : decoded->problem;
        context_.pictureProblems->emplace(part.name, problem);
        return problem;
    }

    // The image and crop of a p:pic element.
    void readPictureOf(pugi::xml_node pic, Shape& shape) const {
        pugi::xml_node blipFill = childOrAlternate(pic, "blipFill");
        pugi::xml_attribute embed = prefixedAttr(child(blipFill, "blip"), "embed");
        if (embed && context_.refs) {
            shape.picture = context_.refs->media(embed.value());
            if (!shape.picture) {
                warn(pic, "its picture is missing from the package; left out");
            } else if (!context_.refs->package->hasPart(shape.picture->name)) {
                warn(pic, "its picture \"" + shape.picture->name +
                              "\" is missing from the package; left out");
                shape.picture = nullptr;
            } else if (std::string problem = pictureProblem(*shape.picture); !problem.empty()) {
                warn(pic, "its picture \"" + shape.picture->name + "\" cannot be drawn (" +
                              problem + "); left out");
                shape.picture = nullptr;
            }
        }
        shape.pictureEffects = readBlipEffects(child(blipFill, "blip"), context_.colors);
        if (pugi::xml_node src = child(blipFill, "srcRect")) {
            auto pct = [&](const char* a) {
                return static_cast<float>(
                           std::clamp<std::int64_t>(intAttr(src, a, 0), -1000000, 1000000)) /
                       100000.0f;
            };
            shape.cropLeft = pct("l");
            shape.cropTop = pct("t");
            shape.cropRight = pct("r");
            shape.cropBottom = pct("b");
        }
    }

    // The picture that the legacy drawing's shape named by an embedded object's spid shows; null
    // when there is none or it cannot be drawn (with a warning).
    std::shared_ptr<MediaPart> legacyObjectPicture(pugi::xml_node frame,
                                                   pugi::xml_node oleObj) const {
        std::string spid = strAttr(oleObj, "spid");
        if (spid.empty()) return nullptr;
        const LegacyDrawing& legacy = legacy_.get(context_.refs, [&](const char* problem) {
            warn(frame, std::string("its drawing cannot be read (") + problem + ")");
        });
        if (!legacy.refs) return nullptr;
        pugi::xml_attribute relid =
            prefixedAttr(child(legacy.shape(spid, ""), "imagedata"), "relid");
        if (!relid) return nullptr;
        std::shared_ptr<MediaPart> picture = legacy.refs->media(relid.value());
        if (!picture || !legacy.refs->package->hasPart(picture->name)) return nullptr;
        if (std::string problem = pictureProblem(*picture); !problem.empty()) {
            warn(frame, "its picture \"" + picture->name + "\" cannot be drawn (" + problem +
                            "); left out");
            return nullptr;
        }
        return picture;
    }

    // The elements a placeholder inherits from, least specific first, ending with node itself.
    std::vector<pugi::xml_node> inheritanceChain(pugi::xml_node node) const {
        std::vector<pugi::xml_node> chain;
        pugi::xml_node ph = placeholderOf(node);
        if (!ph) return {node};
        std::string type = placeholderType(ph);
        std::int64_t index = intAttr(ph, "idx", -1);
        pugi::xml_node layoutNode;
        if (context_.layoutPlaceholders)
            layoutNode = context_.layoutPlaceholders->find(type, index);
        std::string masterType = type;
        if (layoutNode) masterType = placeholderType(placeholderOf(layoutNode));
        if (context_.masterPlaceholders) {
            if (pugi::xml_node m = context_.masterPlaceholders->findByType(masterType)) {
                chain.push_back(m);
            }
        }
        if (layoutNode) chain.push_back(layoutNode);
        chain.push_back(node);
        return chain;
    }

    ShapePtr readShape(pugi::xml_node node, const Placement& placement, const FillData* groupFill,
                       int depth) {
        auto shape = std::make_shared<Shape>();
        std::string_view element = localName(node.name());
        pugi::xml_node nv = nonVisual(node);
        pugi::xml_node cNvPr = child(nv, "cNvPr");
        shape->id = static_cast<int>(std::clamp<std::int64_t>(intAttr(cNvPr, "id", 0), 0, 1 << 30));
        shape->name = strAttr(cNvPr, "name");

        std::vector<pugi::xml_node> chain = inheritanceChain(node);
        pugi::xml_node ph = placeholderOf(node);
        std::string phType;
        if (ph) {
            phType = placeholderType(ph);
            shape->placeholderName = phType;
            shape->placeholderIndex =
                static_cast<int>(std::clamp<std::int64_t>(intAttr(ph, "idx", -1), -1, 1 << 30));
            shape->placeholderType = placeholderCode(phType);
        }

        // Geometry: the most specific element of the chain that has a transform.
        Xfrm xfrm;
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            xfrm = readXfrm(xfrmOf(*it));
            if (xfrm.present) break;
        }
        Box box = place(xfrm, placement);
        shape->left = static_cast<float>(box.left);
        shape->top = static_cast<float>(box.top);
        shape->width = static_cast<float>(box.width);
        shape->height = static_cast<float>(box.height);
        shape->rotation = static_cast<float>(box.rotation);
        shape->flipH = box.flipH;
        shape->flipV = box.flipV;

        if (element == "grpSp") return readGroup(node, shape, xfrm, box, groupFill, depth);
        if (Xfrm text = readXfrm(child(node, "txXfrm")); text.present) {
            Box t = place(text, placement);
            // The text box turns with its shape and then by its own rot about its centre. The
            // text is drawn turned by both about the shape's centre, so its box is first turned
            // back by its own share about that centre.
            double turn = normalizedDegrees(t.rotation - placement.rotation);
            if (turn != 0) {
                constexpr double kPi = 3.14159265358979323846;
                double cx = box.left + box.width / 2, cy = box.top + box.height / 2;
                double dx = t.left + t.width / 2 - cx, dy = t.top + t.height / 2 - cy;
                double c = std::cos(turn * kPi / 180), s = std::sin(turn * kPi / 180);
                t.left = cx + c * dx + s * dy - t.width / 2;
                t.top = cy - s * dx + c * dy - t.height / 2;
            }
            shape->ownTextBox = true;
            shape->textLeft = static_cast<float>(t.left);
            shape->textTop = static_cast<float>(t.top);
            shape->textWidth = static_cast<float>(t.width);
            shape->textHeight = static_cast<float>(t.height);
            shape->textRotation = static_cast<float>(turn);
        }

        // Preset or custom geometry, inherited for placeholders.
        pugi::xml_node prstGeom, custGeom;
        for (auto it = chain.rbegin(); it != chain.rend() && !prstGeom && !custGeom; ++it) {
            pugi::xml_node props = child(*it, "spPr");
            prstGeom = child(props, "prstGeom");
            custGeom = child(props, "custGeom");
        }
        if (prstGeom) {
            shape->preset = strAttr(prstGeom, "prst");
            shape->kind = presetKind(shape->preset);
            std::map<std::string, long long> guides;
            for (pugi::xml_node gd : child(prstGeom, "avLst").children()) {
                if (!is(gd, "gd")) continue;
                std::string fmla = strAttr(gd, "fmla");
                if (fmla.rfind("val ", 0) != 0) continue;
                if (auto v = parseInt(std::string_view(fmla).substr(4))) {
                    guides[strAttr(gd, "name")] = *v;
                }
            }
            for (const auto& [name, value] : guides) {
                shape->geometryAdjust.emplace_back(name, static_cast<double>(value));
            }
            shape->adjustments =
                hostAdjustments(shape->preset, guides, shape->width, shape->height);
        }
        bool lineGeometry = shape->preset == "line" || shape->preset == "straightConnector1";
        if (custGeom) {
            auto geometry = std::make_shared<GeometryData>(render::readCustomGeometry(custGeom));
            // Paths without a size of their own are in the frame's units (a group's child space).
            for (GeometryPath& p : geometry->paths) {
                if (p.w <= 0) p.w = static_cast<double>(xfrm.cx);
                if (p.h <= 0) p.h = static_cast<double>(xfrm.cy);
            }
            shape->geometry = geometry;
            shape->path = customPath(*geometry, *shape);
        }
        if (lineGeometry) {
            PathCommand a, b;
            a.kind = PathCommand::Move;
            b.kind = PathCommand::Line;
            float x0 = shape->left, y0 = shape->top;
            float x1 = shape->left + shape->width, y1 = shape->top + shape->height;
            if (shape->flipH) std::swap(x0, x1);
            if (shape->flipV) std::swap(y0, y1);
            a.x[0] = x0;
            a.y[0] = y0;
            b.x[0] = x1;
            b.y[0] = y1;
            shape->path = {a, b};
        }

        // Type code.
        if (element == "sp") {
            bool textBox = boolAttr(child(nv, "cNvSpPr"), "txBox").value_or(false);
            if (ph) {
                shape->type = host::shape_type::kPlaceholder;
            } else if (custGeom) {
                shape->type = host::shape_type::kFreeform;
            } else if (lineGeometry) {
                shape->type = host::shape_type::kLine;
            } else if (textBox) {
                shape->type = host::shape_type::kTextBox;
            } else {
                shape->type = host::shape_type::kAutoShape;
            }
        } else if (element == "cxnSp") {
            shape->connector = true;
            shape->type =
                lineGeometry || !prstGeom ? host::shape_type::kLine : host::shape_type::kAutoShape;
            if (!lineGeometry) shape->kind = host::shape_kind::kMixed;
        } else if (element == "pic") {
            pugi::xml_node nvPr = child(nv, "nvPr");
            bool media = child(nvPr, "videoFile") || child(nvPr, "audioFile") ||
                         child(nvPr, "quickTimeFile") || child(nvPr, "wavAudioFile");
            shape->type = ph      ? host::shape_type::kPlaceholder
                          : media ? host::shape_type::kMedia
                                  : host::shape_type::kPicture;
            if (media) shape->graphic = GraphicKind::Media;
            readPictureOf(node, *shape);
        } else if (element == "graphicFrame") {
            std::string uri = graphicUri(node);
            shape->kind = host::shape_kind::kMixed;
            if (uri.find("/table") != std::string::npos) {
                shape->graphic = GraphicKind::Table;
                shape->type = host::shape_type::kTable;
            } else if (uri.find("/chart") != std::string::npos) {
                shape->graphic = GraphicKind::Chart;
                shape->type = host::shape_type::kChart;
            } else if (uri.find("/diagram") != std::string::npos) {
                shape->graphic = GraphicKind::Diagram;
                shape->type = host::shape_type::kSmartArt;
            } else if (uri.find("/ole") != std::string::npos) {
                shape->graphic = GraphicKind::OleObject;
                shape->type = host::shape_type::kEmbeddedOleObject;
            } else {
                shape->graphic = GraphicKind::Other;
                shape->type = host::shape_type::kGraphic;
            }
            if (ph) shape->type = host::shape_type::kPlaceholder;
            pugi::xml_node data = path(node, {"graphic", "graphicData"});
            if (shape->graphic == GraphicKind::Table) {
                shape->table = readTable(child(data, "tbl"), placement);
            } else if (shape->graphic == GraphicKind::Diagram) {
                readDiagram(data, xfrm, box, depth, *shape);
            } else if (shape->graphic == GraphicKind::Chart) {
                shape->chart = readChartOf(data);
                if (shape->chart) readChartOverlay(data, xfrm, box, depth, *shape);
            }
            // An OLE object's or other frame's preview picture (a table's blips are cell fills).
            if (pugi::xml_node blip = shape->graphic == GraphicKind::Table
                                          ? pugi::xml_node()
                                          : data.find_node([](pugi::xml_node n) {
                                                return is(n, "blip") && prefixedAttr(n, "embed");
                                            })) {
                if (context_.refs) {
                    shape->picture = context_.refs->media(prefixedAttr(blip, "embed").value());
                }
            }
            // An older embedded object keeps its picture in the legacy drawing only.
            if (shape->graphic == GraphicKind::OleObject && !shape->picture)
                shape->picture = legacyObjectPicture(node, childOrAlternate(data, "oleObj"));
        } else {
            shape->type = host::shape_type::kInk;
        }

        readFillAndLine(node, chain, *shape, groupFill);
        readEffects(node, chain, *shape);

        if (element == "sp") readText(node, chain, phType, *shape);
        return shape;
    }

    // A shape's box on the slide. Its centre goes through the enclosing groups' map; its size
    // scales along the group's axes (swapped when the shape stands across them); a group's flips
    // mirror a member's rotation and add to its own flips, and the group's rotation adds to it.
    static Box place(const Xfrm& xfrm, const Placement& placement) {
        double u = static_cast<double>(xfrm.x) + static_cast<double>(xfrm.cx) / 2;
        double v = static_cast<double>(xfrm.y) + static_cast<double>(xfrm.cy) / 2;
        double cx = placement.x(u, v);
        double cy = placement.y(u, v);
        double across = std::fmod(xfrm.rotation, 180.0);
        bool swap = across >= 45.0 && across < 135.0;
        Box box;
        box.width = static_cast<double>(xfrm.cx) * (swap ? placement.ky : placement.kx);
        box.height = static_cast<double>(xfrm.cy) * (swap ? placement.kx : placement.ky);
        box.left = cx - box.width / 2;
        box.top = cy - box.height / 2;
        bool mirrored = placement.flipH != placement.flipV;
        box.rotation =
            normalizedDegrees(placement.rotation + (mirrored ? -xfrm.rotation : xfrm.rotation));
        box.flipH = xfrm.flipH != placement.flipH;
        box.flipV = xfrm.flipV != placement.flipV;
        return box;
    }

    // The map of a group's child space: onto the group's box, flipped and rotated about its
    // centre.
    static Placement inside(const Xfrm& xfrm, const Box& box) {
        double chcx = static_cast<double>(xfrm.chcx > 0 ? xfrm.chcx : xfrm.cx);
        double chcy = static_cast<double>(xfrm.chcy > 0 ? xfrm.chcy : xfrm.cy);
        double chx = static_cast<double>(xfrm.hasChild ? xfrm.chx : xfrm.x);
        double chy = static_cast<double>(xfrm.hasChild ? xfrm.chy : xfrm.y);
        double sx = chcx > 0 ? box.width / chcx : 0;
        double sy = chcy > 0 ? box.height / chcy : 0;
        double ox = -sx * chx - box.width / 2;
        double oy = -sy * chy - box.height / 2;
        double fx = box.flipH ? -1 : 1;
        double fy = box.flipV ? -1 : 1;
        constexpr double kPi = 3.14159265358979323846;
        double cosr = std::cos(box.rotation * kPi / 180);
        double sinr = std::sin(box.rotation * kPi / 180);
        double centreX = box.left + box.width / 2;
        double centreY = box.top + box.height / 2;
        Placement p;
        p.a = cosr * fx * sx;
        p.c = -sinr * fy * sy;
        p.e = centreX + cosr * fx * ox - sinr * fy * oy;
        p.b = sinr * fx * sx;
        p.d = cosr * fy * sy;
        p.f = centreY + sinr * fx * ox + cosr * fy * oy;
        p.kx = sx;
        p.ky = sy;
        p.rotation = box.rotation;
        p.flipH = box.flipH;
        p.flipV = box.flipV;
        return p;
    }

    // The chart part a chart frame names; null when it is missing or unreadable.
    std::shared_ptr<const ChartData> readChartOf(pugi::xml_node data) const {
        if (!context_.refs || !context_.refs->package) return nullptr;
        std::string part = context_.refs->target(prefixedAttr(child(data, "chart"), "id").value());
        if (part.empty()) return nullptr;
        try {
            auto doc = loadXmlPart(*context_.refs->package, part);
            // A chart kept with its own look names a theme override: its colours and fonts
            // stand in for the slide's theme.
            PartRefs chartRefs = PartRefs::load(context_.refs->package, part);
            for (const auto& [id, rel] : chartRefs.rels) {
                if (relationshipKind(rel.type) != "themeOverride" || !context_.colors.theme)
                    continue;
                std::string overridePart = chartRefs.target(id);
                if (overridePart.empty()) continue;
                try {
                    auto overrideDoc = loadXmlPart(*context_.refs->package, overridePart);
                    Theme theme = overrideTheme(*context_.colors.theme, overrideDoc);
                    if (theme.doc == overrideDoc) {
                        PartRefs own = PartRefs::load(context_.refs->package, overridePart);
                        theme.package = own.package;
                        theme.partName = overridePart;
                        theme.rels = own.rels;
                    }
                    ColorContext colors = context_.colors;
                    colors.theme = &theme;
                    return readChart(doc->document_element(), colors);
                } catch (const PackageError&) {
                    break;  // an unreadable override leaves the slide's theme
                }
            }
            return readChart(doc->document_element(), context_.colors);
        } catch (const PackageError&) {
            return nullptr;
        }
    }

    // A drawing part of a frame (a diagram's shapes, a chart's own drawing); null when it cannot
    // be read.
    std::shared_ptr<pugi::xml_document> loadDrawing(const std::string& part) const {
        try {
            return loadXmlPart(*context_.refs->package, part);
        } catch (const PackageError&) {
            return nullptr;
        }
    }

    // The context a frame's drawing part is read in: its own references, no placeholders.
    ShapeContext drawingContext(const PartRefs& refs) const {
        ShapeContext inner = context_;
        inner.refs = &refs;
        inner.layoutPlaceholders = nullptr;
        inner.masterPlaceholders = nullptr;
        return inner;
    }

    // The map of a frame's own space (EMU from its corner) onto the slide.
    static Placement frameSpace(const Xfrm& xfrm, const Box& box) {
        Xfrm space = xfrm;
        space.hasChild = true;
        space.chx = 0;
        space.chy = 0;
        space.chcx = xfrm.cx;
        space.chcy = xfrm.cy;
        return inside(space, box);
    }

    // The shapes a chart part draws over its chart: each anchored by its corners as fractions of
    // the chart's size, or by its top-left corner as such fractions and its size in EMU. A member's
    // own box is mapped onto its anchor.
    void readChartOverlay(pugi::xml_node data, const Xfrm& xfrm, const Box& box, int depth,
                          Shape& shape) {
        if (!context_.refs || !context_.refs->package || depth >= kMaxGroupDepth) return;
        const PartRefs& refs = *context_.refs;
        std::string chartPart = refs.target(prefixedAttr(child(data, "chart"), "id").value());
        if (chartPart.empty()) return;
        PartRefs chartRefs = PartRefs::load(refs.package, chartPart);
        std::string drawingPart;
        for (const auto& [id, rel] : chartRefs.rels) {
            if (relationshipKind(rel.type) == "chartUserShapes") drawingPart = chartRefs.target(id);
            if (!drawingPart.empty()) break;
        }
        auto doc = loadDrawing(drawingPart);
        if (!doc) return;
        PartRefs drawingRefs = PartRefs::load(refs.package, drawingPart);
        const ShapeContext inner = drawingContext(drawingRefs);
        const Placement chart = frameSpace(xfrm, box);
        const auto fraction = [](pugi::xml_node marker, std::string_view axis) {
            const std::string text = child(marker, axis).text().as_string();
            double v = 0;
            std::from_chars(text.data(), text.data() + text.size(), v);
            return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0;
        };
        auto members = std::make_shared<ShapeList>();
        TreeReader reader(inner);
        reader.count_ = count_;
        for (pugi::xml_node anchor : doc->document_element().children()) {
            const bool relative = is(anchor, "relSizeAnchor");
            if (!relative && !is(anchor, "absSizeAnchor")) continue;
            pugi::xml_node from = child(anchor, "from");
            const double cx = static_cast<double>(xfrm.cx), cy = static_cast<double>(xfrm.cy);
            const double left = fraction(from, "x") * cx, top = fraction(from, "y") * cy;
            double width = 0, height = 0;
            if (relative) {
                pugi::xml_node to = child(anchor, "to");
                width = std::max(0.0, fraction(to, "x") * cx - left);
                height = std::max(0.0, fraction(to, "y") * cy - top);
            } else {
                pugi::xml_node ext = child(anchor, "ext");
                width = static_cast<double>(
                    std::clamp<std::int64_t>(intAttr(ext, "cx", 0), 0, kMaxEmu));
                height = static_cast<double>(
                    std::clamp<std::int64_t>(intAttr(ext, "cy", 0), 0, kMaxEmu));
            }
            for (pugi::xml_node member : anchor.children()) {
                if (member.type() != pugi::node_element || is(member, "from") || is(member, "to") ||
                    is(member, "ext")) {
                    continue;
                }
                // The member's own box goes onto the anchor's, in the chart's space.
                const Xfrm own = readXfrm(xfrmOf(member));
                const double sx = own.cx > 0 ? width / static_cast<double>(own.cx) : 1;
                const double sy = own.cy > 0 ? height / static_cast<double>(own.cy) : 1;
                const double tx = left - static_cast<double>(own.x) * sx;
                const double ty = top - static_cast<double>(own.y) * sy;
                Placement p = chart;
                p.a = chart.a * sx;
                p.b = chart.b * sx;
                p.c = chart.c * sy;
                p.d = chart.d * sy;
                p.e = chart.a * tx + chart.c * ty + chart.e;
                p.f = chart.b * tx + chart.d * ty + chart.f;
                p.kx = chart.kx * sx;
                p.ky = chart.ky * sy;
                reader.readMember(member, p, nullptr, depth + 1, *members, {});
                break;
            }
        }
        count_ = reader.count_;
        if (!members->items.empty()) shape.chartOverlay = std::move(members);
    }

    // A table's grid. Columns and rows beyond the limits are left out.
    std::shared_ptr<TableData> readTable(pugi::xml_node tbl, const Placement& placement) const {
        auto table = std::make_shared<TableData>();
        pugi::xml_node pr = child(tbl, "tblPr");
        table->firstRow = boolAttr(pr, "firstRow").value_or(false);
        table->firstColumn = boolAttr(pr, "firstCol").value_or(false);
        table->lastRow = boolAttr(pr, "lastRow").value_or(false);
        table->lastColumn = boolAttr(pr, "lastCol").value_or(false);
        table->bandRows = boolAttr(pr, "bandRow").value_or(false);
        table->bandColumns = boolAttr(pr, "bandCol").value_or(false);
        table->styleId = child(pr, "tableStyleId").child_value();
        for (pugi::xml_node col : child(tbl, "tblGrid").children()) {
            if (!is(col, "gridCol")) continue;
            if (table->columnWidths.size() >= kMaxTableColumns) break;
            auto w = std::clamp<std::int64_t>(intAttr(col, "w", 0), 0, kMaxEmu);
            table->columnWidths.push_back(
                static_cast<float>(placement.kx * static_cast<double>(w)));
        }
        std::size_t rowCount = 0;
        for (pugi::xml_node tr : tbl.children()) {
            if (is(tr, "tr") && rowCount < kMaxTableRows) ++rowCount;
        }
        pugi::xml_node style = findTableStyle(context_.tableStyles, table->styleId);
        std::size_t cells = 0;
        for (pugi::xml_node tr : tbl.children()) {
            if (!is(tr, "tr")) continue;
            if (table->rows.size() >= kMaxTableRows) break;
            TableRow row;
            auto h = std::clamp<std::int64_t>(intAttr(tr, "h", 0), 0, kMaxEmu);
            row.height = static_cast<float>(placement.ky * static_cast<double>(h));
            for (pugi::xml_node tc : tr.children()) {
                if (!is(tc, "tc")) continue;
                if (row.cells.size() >= kMaxTableColumns || cells >= kMaxTableCells) break;
                CellStyle cellStyle;
                if (style) {
                    auto span = [&](const char* name, std::size_t limit) {
                        return static_cast<std::size_t>(std::clamp<std::int64_t>(
                            intAttr(tc, name, 1), 1, static_cast<std::int64_t>(limit)));
                    };
                    cellStyle = tableCellStyle(
                        style, *table, table->rows.size(), row.cells.size(),
                        span("rowSpan", kMaxTableRows), span("gridSpan", kMaxTableColumns),
                        rowCount, table->columnWidths.size(), context_.colors, context_.refs);
                }
                row.cells.push_back(readCell(tc, cellStyle));
                ++cells;
            }
            table->rows.push_back(std::move(row));
        }
        return table;
    }

    // A cell: the table style's fill, borders and text properties under the cell's own.
    TableCell readCell(pugi::xml_node tc, const CellStyle& style) const {
        TableCell cell;
        cell.columnSpan = static_cast<int>(std::clamp<std::int64_t>(
            intAttr(tc, "gridSpan", 1), 1, static_cast<std::int64_t>(kMaxTableColumns)));
        cell.rowSpan = static_cast<int>(std::clamp<std::int64_t>(
            intAttr(tc, "rowSpan", 1), 1, static_cast<std::int64_t>(kMaxTableRows)));
        cell.mergedAcross = boolAttr(tc, "hMerge").value_or(false);
        cell.mergedDown = boolAttr(tc, "vMerge").value_or(false);
        pugi::xml_node pr = child(tc, "tcPr");
        if (pugi::xml_node f = findFill(pr)) {
            cell.fill = readFill(f, context_.colors, context_.refs);
        } else if (style.fill) {
            cell.fill = *style.fill;
        }
        auto border = [&](const char* name, const std::optional<LineData>& styled) {
            pugi::xml_node own = child(pr, name);
            if (!own && styled) return *styled;
            return readLine(own, context_.colors, context_.refs, LineData{});
        };
        cell.borderLeft = border("lnL", style.left);
        cell.borderRight = border("lnR", style.right);
        cell.borderTop = border("lnT", style.top);
        cell.borderBottom = border("lnB", style.bottom);
        cell.borderDiagonalDown = border("lnTlToBr", style.diagonalDown);
        cell.borderDiagonalUp = border("lnBlToTr", style.diagonalUp);

        TextSources sources;
        if (context_.defaultTextStyle) sources.listStyles.push_back(context_.defaultTextStyle);
        if (context_.otherStyle) sources.listStyles.push_back(context_.otherStyle);
        // The style's text colour, weight and font sit above the inherited text styles.
        std::shared_ptr<pugi::xml_document> styledText = cellTextStyle(style);
        if (styledText) sources.listStyles.push_back(styledText->document_element());
        sources.inheritedCount = sources.listStyles.size();
        TextContext text;
        text.colors = context_.colors;
        text.theme = context_.theme;
        text.refs = context_.refs;
        text.slideNumber = context_.slideNumber;
        cell.text = readTextBody(child(tc, "txBody"), sources, text);
        // The cell's margins and anchor stand for the body's insets and anchor.
        auto margin = [&](const char* name, std::int64_t fallback) {
            return static_cast<float>(static_cast<double>(std::clamp<std::int64_t>(
                                          intAttr(pr, name, fallback), 0, kMaxEmu)) /
                                      kEmuPerPoint);
        };
        cell.text->insetLeft = margin("marL", 91440);
        cell.text->insetRight = margin("marR", 91440);
        cell.text->insetTop = margin("marT", 45720);
        cell.text->insetBottom = margin("marB", 45720);
        std::string anchor = strAttr(pr, "anchor");
        cell.text->anchor = anchor == "ctr" ? host::anchor::kMiddle
                            : anchor == "b" ? host::anchor::kBottom
                                            : host::anchor::kTop;
        // A cell's vertical text is named by the cell, as a text box's is by its body.
        if (attr(pr, "vert")) {
            using namespace host::orientation;
            const std::string v = strAttr(pr, "vert");
            cell.text->orientation = v == "vert"                             ? kDownward
                                     : v == "vert270"                        ? kUpward
                                     : v == "eaVert" || v == "mongolianVert" ? kVerticalFarEast
                                     : v == "wordArtVert" || v == "wordArtVertRtl" ? kVertical
                                                                                   : kHorizontal;
            cell.text->columnsLeftToRight = v == "mongolianVert" || v == "wordArtVert";
        }
        return cell;
    }

    // A SmartArt frame: the drawing the file keeps of it (named by the data part's extension, or
    // by the slide's drawing relationship of the same number) becomes the frame's members, placed
    // from the frame's top-left corner. A frame without a readable drawing keeps no members.
    void readDiagram(pugi::xml_node data, const Xfrm& xfrm, const Box& box, int depth,
                     Shape& shape) {
        if (!context_.refs || !context_.refs->package || depth >= kMaxGroupDepth) return;
        const PartRefs& refs = *context_.refs;
        std::string dataPart = refs.target(prefixedAttr(child(data, "relIds"), "dm").value());
        std::string drawingPart;
        try {
            if (!dataPart.empty()) {
                auto doc = loadXmlPart(*refs.package, dataPart);
                pugi::xml_node ext = doc->document_element().find_node(
                    [](pugi::xml_node n) { return is(n, "dataModelExt"); });
                drawingPart = refs.target(strAttr(ext, "relId"));
            }
        } catch (const PackageError&) {
            drawingPart.clear();
        }
        if (drawingPart.empty()) drawingPart = drawingLike(refs, dataPart);
        if (drawingPart.empty()) return;
        auto doc = loadDrawing(drawingPart);
        if (!doc) return;
        PartRefs drawingRefs = PartRefs::load(refs.package, drawingPart);
        const ShapeContext inner = drawingContext(drawingRefs);
        auto members = std::make_shared<ShapeList>();
        TreeReader reader(inner);
        reader.count_ = count_;
        reader.readTree(child(doc->document_element(), "spTree"), frameSpace(xfrm, box), nullptr,
                        depth + 1, *members);
        count_ = reader.count_;
        shape.children = members;
        shape.type = host::shape_type::kGroup;
    }

    // The slide's drawing part of the diagram whose data part is dataPart: the one with the same
    // number (data2.xml, drawing2.xml), or the only one.
    static std::string drawingLike(const PartRefs& refs, const std::string& dataPart) {
        auto number = [](const std::string& name) {
            std::size_t end = name.rfind('.');
            if (end == std::string::npos) end = name.size();
            std::size_t begin = end;
            while (begin > 0 && std::isdigit(static_cast<unsigned char>(name[begin - 1]))) --begin;
            return name.substr(begin, end - begin);
        };
        std::vector<std::string> drawings;
        for (const auto& [id, rel] : refs.rels) {
            if (relationshipKind(rel.type) != "diagramDrawing") continue;
            std::string target = refs.target(id);
            if (!target.empty()) drawings.push_back(target);
        }
        for (const std::string& d : drawings) {
            if (!dataPart.empty() && number(d) == number(dataPart)) return d;
        }
        return drawings.size() == 1 ? drawings.front() : "";
    }

    ShapePtr readGroup(pugi::xml_node node, ShapePtr shape, const Xfrm& xfrm, const Box& box,
                       const FillData* groupFill, int depth) {
        shape->type = host::shape_type::kGroup;
        shape->kind = host::shape_kind::kMixed;
        Placement inner = inside(xfrm, box);
        pugi::xml_node grpSpPr = child(node, "grpSpPr");
        FillData ownFill;
        const FillData* membersFill = groupFill;
        if (pugi::xml_node f = findFill(grpSpPr)) {
            ownFill = readFill(f, context_.colors, context_.refs, groupFill);
            membersFill = &ownFill;
        }
        shape->fill = membersFill ? *membersFill : FillData{};
        // The group's own effects, of its members drawn together.
        if (pugi::xml_node effects = effectsOf(grpSpPr)) {
            readEffectList(effects, context_.colors, *shape);
        }
        shape->children = std::make_shared<ShapeList>();
        readTree(node, inner, membersFill, depth + 1, *shape->children);
        return shape;
    }

    void readFillAndLine(pugi::xml_node node, const std::vector<pugi::xml_node>& chain,
                         Shape& shape, const FillData* groupFill) {
        pugi::xml_node style = child(node, "style");
        // Fill: the shape's own explicit fill, then its style's, then the most specific fill it
        // inherits from its placeholders (a style on the shape outranks an inherited fill, as a
        // master's title without fill under a slide title styled with one shows).
        bool found = false, fromStyle = false;
        if (boolAttr(node, "useBgFill").value_or(false) && context_.background) {
            shape.fill = *context_.background;
            shape.fill.fromBackground = true;
            found = true;
        }
        for (auto it = chain.rbegin(); it != chain.rend() && !found; ++it) {
            if (it != chain.rbegin() && style) {
                shape.fill = styleFill(child(style, "fillRef"), context_.colors, context_.refs);
                found = fromStyle = true;
                break;
            }
            if (pugi::xml_node f = findFill(child(*it, "spPr"))) {
                shape.fill = readFill(f, context_.colors, context_.refs, groupFill);
                found = true;
            }
        }
        if (!found && style) {
            shape.fill = styleFill(child(style, "fillRef"), context_.colors, context_.refs);
            fromStyle = true;
        }
        if (is(node, "pic") && (!found || fromStyle)) shape.fill = FillData{};
        // Outline: the inherited a:ln from least to most specific, then the shape's style (which
        // outranks them), then its own a:ln.
        LineData line;
        for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
            line = readLine(child(child(chain[i], "spPr"), "ln"), context_.colors, context_.refs,
                            line);
        }
        if (style) line = styleLine(child(style, "lnRef"), context_.colors, context_.refs);
        if (!chain.empty()) {
            line = readLine(child(child(chain.back(), "spPr"), "ln"), context_.colors,
                            context_.refs, line);
        }
        shape.line = line;
    }

    // Effects: the shape's own effect list (an empty one means none), then its style's, then the
    // most specific list it inherits from its placeholders, as for fills.
    void readEffects(pugi::xml_node node, const std::vector<pugi::xml_node>& chain,
                     Shape& shape) const {
        pugi::xml_node effectRef = path(node, {"style", "effectRef"});
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            if (it != chain.rbegin() && effectRef) break;
            if (pugi::xml_node e = effectsOf(child(*it, "spPr"))) {
                readEffectList(e, context_.colors, shape);
                return;
            }
        }
        if (effectRef) readStyleEffects(effectRef, context_.colors, shape);
    }

    void readText(pugi::xml_node node, const std::vector<pugi::xml_node>& chain,
                  const std::string& phType, Shape& shape) {
        TextSources sources;
        // The master's style for other text is for the master's own shapes and the placeholders
        // that are neither title nor body: a slide's or layout's own text box takes the
        // presentation's default text style (as the reference renderings show).
        const bool onMaster = context_.masterPlaceholders == nullptr;
        pugi::xml_node masterStyle =
            onMaster || !phType.empty() ? context_.otherStyle : pugi::xml_node();
        bool titleOrBody = false;
        if (!phType.empty()) {
            std::string family = masterFamily(phType);
            if (family == "title") {
                masterStyle = context_.titleStyle;
                titleOrBody = true;
            } else if (family == "body") {
                masterStyle = context_.bodyStyle;
                titleOrBody = true;
            }
        }
        // Title and body placeholders take the master's title or body style alone; the
        // presentation's default text style (often italic, or another size) is for other text.
        if (context_.defaultTextStyle && !(titleOrBody && masterStyle))
            sources.listStyles.push_back(context_.defaultTextStyle);
        if (masterStyle) sources.listStyles.push_back(masterStyle);
        for (std::size_t i = 0; i + 1 < chain.size(); ++i) {
            pugi::xml_node inheritedBody = child(chain[i], "txBody");
            if (pugi::xml_node ls = child(inheritedBody, "lstStyle"))
                sources.listStyles.push_back(ls);
            if (pugi::xml_node bp = child(inheritedBody, "bodyPr"))
                sources.bodyProperties.push_back(bp);
        }
        sources.inheritedCount = sources.listStyles.size();
        sources.fontRef = path(node, {"style", "fontRef"});
        TextContext text;
        text.colors = context_.colors;
        text.theme = context_.theme;
        text.refs = context_.refs;
        text.slideNumber = context_.slideNumber;
        shape.text = readTextBody(child(node, "txBody"), sources, text);
    }

    const ShapeContext& context_;
    std::size_t count_ = 0;
    mutable LazyLegacyDrawing legacy_;  // read at the first embedded object that needs it
};

}  // namespace

PlaceholderIndex PlaceholderIndex::build(pugi::xml_node spTree) {
    PlaceholderIndex index;
    forEachElement(spTree, [&](pugi::xml_node node) {
        pugi::xml_node ph = placeholderOf(node);
        if (!ph) return;
        Entry e;
        e.node = node;
        e.type = placeholderType(ph);
        e.index = intAttr(ph, "idx", -1);
        index.entries.push_back(e);
    });
    return index;
}

pugi::xml_node PlaceholderIndex::find(const std::string& type, std::int64_t index) const {
    if (index >= 0) {
        for (const Entry& e : entries) {
            if (e.index == index) return e.node;
        }
    }
    for (const Entry& e : entries) {
        if (e.type == type) return e.node;
    }
    // Compatible types: a centred title inherits from a title, a subtitle or an object from a body.
    std::string family = masterFamily(type);
    for (const Entry& e : entries) {
        if (masterFamily(e.type) == family && (family != "body" || e.type == "body")) return e.node;
    }
    return {};
}

pugi::xml_node PlaceholderIndex::findByType(const std::string& type) const {
    std::string family = masterFamily(type);
    for (const Entry& e : entries) {
        if (masterFamily(e.type) == family) return e.node;
    }
    return {};
}

void readShapeTree(pugi::xml_node spTree, const ShapeContext& context, ShapeList& out) {
    TreeReader reader(context);
    reader.readTree(spTree, Placement{}, nullptr, 0, out);
}

namespace {

// Drops the conditional-comment brackets (<![if ...]> and <![endif]>) that legacy drawings carry
// around their image data, which would otherwise make the part unreadable as XML.
std::string withoutConditionals(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t open = text.find("<![", i);
        if (open == std::string::npos) break;
        out.append(text, i, open - i);
        std::string_view rest = std::string_view(text).substr(open + 3);
        if (rest.starts_with("if") || rest.starts_with("endif")) {
            std::size_t close = text.find(']', open + 3);
            if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != '>')
                return out;
            i = close + 2;
        } else {
            out.append("<![");
            i = open + 3;
        }
    }
    if (i < text.size()) out.append(text, i, std::string::npos);
    return out;
}

LegacyDrawing loadLegacyDrawing(const PartRefs* refs) {
    LegacyDrawing out;
    if (!refs || !refs->package) return out;
    for (const auto& [id, rel] : refs->rels) {
        if (relationshipKind(rel.type) != "vmlDrawing") continue;
        std::string part = refs->target(id);
        if (part.empty()) continue;
        out.doc = parseXml(withoutConditionals(refs->package->readXmlPart(part)), part);
        out.refs = PartRefs::load(refs->package, part);
        break;
    }
    return out;
}

pugi::xml_node LegacyDrawing::shape(const std::string& spid, const std::string& name) const {
    if (!doc) return {};
    return doc->find_node([&](pugi::xml_node n) {
        return is(n, "shape") &&
               (strAttr(n, "spid") == spid || (!name.empty() && strAttr(n, "id") == name));
    });
}

}  // namespace

double vmlLength(std::string_view value) {
    auto trim = [](std::string_view v) {
        while (!v.empty() && std::isspace(static_cast<unsigned char>(v.front())))
            v.remove_prefix(1);
        while (!v.empty() && std::isspace(static_cast<unsigned char>(v.back()))) v.remove_suffix(1);
        return v;
    };
    value = trim(value);
    std::size_t end = 0;
    while (end < value.size() && (std::isdigit(static_cast<unsigned char>(value[end])) ||
                                  value[end] == '.' || (end == 0 && value[end] == '-')))
        ++end;
    if (end == 0 || end > 32) return std::nan("");
    double number = 0;
    try {
        number = std::stod(std::string(value.substr(0, end)));
    } catch (const std::exception&) {
        return std::nan("");
    }
    std::string_view unit = trim(value.substr(end));
    double scale = 0;
    if (unit == "pt")
        scale = 1;
    else if (unit == "in")
        scale = 72;
    else if (unit == "cm")
        scale = 72 / 2.54;
    else if (unit == "mm")
        scale = 72 / 25.4;
    else if (unit == "pc")
        scale = 12;
    else if (unit == "px" || unit.empty())
        scale = 0.75;
    else if (unit == "emu")
        scale = 1 / kEmuPerPoint;
    else
        return std::nan("");
    double pt = number * scale;
    return std::isfinite(pt) && std::abs(pt) < 1e7 ? pt : std::nan("");
}

void readControls(pugi::xml_node controls, const ShapeContext& context, ShapeList& out) {
    if (!controls) return;
    LazyLegacyDrawing lazyDrawing;  // read once, when a control needs it
    auto warn = [&](const std::string& name, const std::string& what) {
        if (context.warnings)
            context.warnings->push_back("slide " + std::to_string(context.slideNumber) +
                                        ", control \"" + name + "\": " + what);
    };
    forEachElement(controls, [&](pugi::xml_node control) {
        if (!is(control, "control")) return;
        std::string name = strAttr(control, "name");
        // A control written with its own picture reads as that picture.
        if (child(control, "pic")) {
            std::size_t before = out.items.size();
            readShapeTree(control, context, out);
            for (std::size_t k = before; k < out.items.size(); ++k)
                out.items[k]->type = host::shape_type::kOleControlObject;
            return;
        }
        // An older one: its picture and place are in the slide's VML drawing, on the shape
        // whose o:spid names the control.
        const LegacyDrawing& drawing = lazyDrawing.get(context.refs, [&](const char* problem) {
            warn(name, std::string("its drawing cannot be read (") + problem + "); left out");
        });
        if (!drawing.doc || !drawing.refs) return;
        pugi::xml_node vml = drawing.shape("_x0000_s" + strAttr(control, "spid"), name);
        pugi::xml_attribute relid = prefixedAttr(child(vml, "imagedata"), "relid");
        if (!vml || !relid) return;
        // The place: CSS-like "left:…;top:…;width:…;height:…" in the slide's points.
        std::map<std::string, double, std::less<>> box;
        const std::string styleText = strAttr(vml, "style");
        std::string_view style = styleText;
        while (!style.empty()) {
            std::size_t semi = style.find(';');
            std::string_view item = style.substr(0, semi);
            style = semi == std::string_view::npos ? std::string_view{} : style.substr(semi + 1);
            std::size_t colon = item.find(':');
            if (colon == std::string_view::npos) continue;
            std::string key;
            for (char ch : item.substr(0, colon))
                if (!std::isspace(static_cast<unsigned char>(ch)))
                    key += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (key == "left" || key == "top" || key == "width" || key == "height")
                box[key] = vmlLength(item.substr(colon + 1));
        }
        auto at = [&](const char* key) {
            auto it = box.find(key);
            return it == box.end() ? std::nan("") : it->second;
        };
        double left = at("left"), top = at("top"), width = at("width"), height = at("height");
        if (!std::isfinite(left) || !std::isfinite(top) || !(width > 0) || !(height > 0)) {
            warn(name, "its place in the drawing cannot be read; left out");
            return;
        }
        // Read as a picture of the drawing's part, so that its image reference resolves there.
        pugi::xml_document pic;
        pugi::xml_node p = pic.append_child("p:pic");
        pugi::xml_node nv = p.append_child("p:nvPicPr");
        pugi::xml_node cNvPr = nv.append_child("p:cNvPr");
        cNvPr.append_attribute("id") = strAttr(control, "spid").c_str();
        cNvPr.append_attribute("name") = name.c_str();
        pugi::xml_node blip = p.append_child("p:blipFill").append_child("a:blip");
        blip.append_attribute("r:embed") = relid.value();
        pugi::xml_node xfrm = p.append_child("p:spPr").append_child("a:xfrm");
        auto emu = [](double pt) { return std::to_string(std::llround(pt * kEmuPerPoint)); };
        pugi::xml_node off = xfrm.append_child("a:off");
        off.append_attribute("x") = emu(left).c_str();
        off.append_attribute("y") = emu(top).c_str();
        pugi::xml_node ext = xfrm.append_child("a:ext");
        ext.append_attribute("cx") = emu(width).c_str();
        ext.append_attribute("cy") = emu(height).c_str();
        ShapeContext inDrawing = context;
        inDrawing.refs = &*drawing.refs;
        std::size_t before = out.items.size();
        readShapeTree(pic, inDrawing, out);
        for (std::size_t k = before; k < out.items.size(); ++k)
            out.items[k]->type = host::shape_type::kOleControlObject;
    });
}

}  // namespace quillet::pptx
