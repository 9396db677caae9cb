#include "host/pptx/reader.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>

#include "host/pptx/masters.h"
#include "host/pptx/shapes.h"
#include "host/pptx/timing.h"

namespace quillet::pptx {

namespace {

constexpr std::size_t kMaxSlides = 10000;

bool isPresentationType(const std::string& type) {
    static const char* const kTypes[] = {
        "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml",
        "application/vnd.openxmlformats-officedocument.presentationml.slideshow.main+xml",
        "application/vnd.openxmlformats-officedocument.presentationml.template.main+xml",
        "application/vnd.ms-powerpoint.presentation.macroEnabled.main+xml",
        "application/vnd.ms-powerpoint.slideshow.macroEnabled.main+xml",
        "application/vnd.ms-powerpoint.template.macroEnabled.main+xml",
    };
    for (const char* t : kTypes) {
        if (type == t) return true;
    }
    return false;
}

// Takes the decoration that shows the slide number out of the record's shared shapes (see
// MasterRecord::numbered); the record keeps the rest in their order.
void setNumberedApart(MasterRecord* record) {
    if (!record) return;
    auto kept = std::make_shared<ShapeList>();
    for (const ShapePtr& s : record->shapes->items) {
        if (s && s->type != host::shape_type::kPlaceholder && showsSlideNumber(*s)) {
            record->numbered.push_back(s);
        } else {
            kept->items.push_back(s);
        }
    }
    if (!record->numbered.empty()) record->shapes = std::move(kept);
}

void attachAnimations(ShapeList& shapes, const std::map<int, Animation>& animations) {
    for (const ShapePtr& s : shapes.items) {
        auto it = animations.find(s->id);
        if (it != animations.end()) s->animation = std::make_shared<Animation>(it->second);
    }
}

class DeckReader {
  public:
    explicit DeckReader(std::shared_ptr<const Package> package) : package_(std::move(package)) {}

    std::shared_ptr<PresentationData> read() {
        auto deck = std::make_shared<PresentationData>();
        deck->package = package_;
        std::string mainPart = findMainPart();
        auto doc = loadXmlPart(*package_, mainPart);
        pugi::xml_node root = doc->document_element();
        if (!is(root, "presentation")) {
            throw PackageError("part \"" + mainPart + "\" is not a presentation");
        }
        PartRefs refs = PartRefs::load(package_, mainPart);

        pugi::xml_node sldSz = child(root, "sldSz");
        // Slide sizes range from 1 inch to 56 inches.
        auto size = [&](const char* name, std::int64_t fallback) {
            return static_cast<float>(
                std::clamp<std::int64_t>(intAttr(sldSz, name, fallback), 914400, 51206400) /
                12700.0);
        };
        deck->slideWidth = size("cx", 9144000);
        deck->slideHeight = size("cy", 6858000);
        deck->slideSizeCode = strAttr(sldSz, "type") == "custom" ? host::slide_size::kCustom
                                                                 : host::slide_size::kOnScreen;

        std::vector<std::string> masterParts;
        for (pugi::xml_node id : child(root, "sldMasterIdLst").children()) {
            pugi::xml_attribute rid = prefixedAttr(id, "id");
            std::string target = rid ? refs.target(rid.value()) : "";
            if (target.empty()) {
                deck->warnings.push_back("presentation names a missing slide master");
                continue;
            }
            masterParts.push_back(target);
        }
        // Table styles are optional: a damaged part leaves tables with their cells' own look.
        for (const auto& [rid, rel] : refs.rels) {
            if (relationshipKind(rel.type) != "tableStyles") continue;
            std::string target = refs.target(rid);
            try {
                if (!target.empty()) tableStyles_ = loadXmlPart(*package_, target);
            } catch (const PackageError& e) {
                deck->warnings.push_back(std::string("table styles ignored: ") + e.what());
            }
            break;
        }
        MasterSet masters(package_, child(root, "defaultTextStyle"), &deck->warnings);
        masters.readMasters(masterParts);

        struct PendingSlide {
            std::string part;
            int id = 0;
        };
        std::vector<PendingSlide> pending;
        std::set<std::string> listed;
        for (pugi::xml_node id : child(root, "sldIdLst").children()) {
            if (!is(id, "sldId")) continue;
            if (pending.size() >= kMaxSlides) {
                deck->warnings.push_back("more than " + std::to_string(kMaxSlides) +
                                         " slides; the rest are left out");
                break;
            }
            pugi::xml_attribute rid = prefixedAttr(id, "id");
            std::string target = rid ? refs.target(rid.value()) : "";
            if (target.empty()) {
                deck->warnings.push_back(std::string("slide ") +
                                         std::to_string(pending.size() + 1) +
                                         " is missing from the package; left out");
                continue;
            }
            // A part listed again would be read and converted once per listing: a small deck
            // could ask for any number of slides. Each part is a slide once.
            if (!listed.insert(target).second) {
                deck->warnings.push_back("slide " + std::to_string(pending.size() + 1) +
                                         " lists the part \"" + target +
                                         "\" of an earlier slide again; left out");
                continue;
            }
            pending.push_back({target, static_cast<int>(std::clamp<std::int64_t>(
                                           intAttr(id, "id", 0), 0, (1ll << 31) - 1))});
        }

        // Slides are parsed first so that every layout in use is known before the mapping.
        struct ParsedSlide {
            PendingSlide source;
            std::shared_ptr<pugi::xml_document> doc;
            PartRefs refs;
            LayoutPart* layout = nullptr;
        };
        std::vector<ParsedSlide> parsed;
        for (const PendingSlide& p : pending) {
            try {
                ParsedSlide s;
                s.source = p;
                s.doc = loadXmlPart(*package_, p.part);
                if (!is(s.doc->document_element(), "sld")) {
                    throw PackageError("part \"" + p.part + "\" is not a slide");
                }
                s.refs = PartRefs::load(package_, p.part);
                for (const auto& [rid, rel] : s.refs.rels) {
                    if (relationshipKind(rel.type) == "slideLayout") {
                        s.layout = masters.layout(s.refs.target(rid));
                        break;
                    }
                }
                parsed.push_back(std::move(s));
            } catch (const PackageError& e) {
                deck->warnings.push_back(std::string("slide left out: ") + e.what());
            }
        }
        masters.mapLayouts(*deck);
        setNumberedApart(deck->slideMaster.get());
        setNumberedApart(deck->titleMaster.get());

        int number = 0;
        for (ParsedSlide& s : parsed) {
            ++number;
            try {
                deck->slides.push_back(readSlide(s.doc->document_element(), s.refs, s.layout,
                                                 masters, number, s.source.id, s.source.part,
                                                 *deck));
            } catch (const PackageError& e) {
                deck->warnings.push_back(std::string("slide left out: ") + e.what());
                --number;
            }
        }
        for (const std::string& name : package_->skippedEntries()) {
            deck->warnings.push_back("ZIP entry with an unsafe name ignored: \"" + name + "\"");
        }
        return deck;
    }

  private:
    std::string findMainPart() {
        std::string main;
        for (const Relationship& r : package_->relationships("")) {
            if (relationshipKind(r.type) == "officeDocument" && !r.external) {
                main = r.target;
                break;
            }
        }
        if (main.empty()) {
            throw PackageError(
                "not a presentation: the package names no main document (_rels/.rels)");
        }
        if (!package_->hasPart(main)) {
            throw PackageError("not a presentation: the main document \"" + main + "\" is missing");
        }
        std::string type = package_->contentType(main);
        if (!isPresentationType(type)) {
            throw PackageError("not a presentation: the main document is of type \"" + type + "\"");
        }
        return main;
    }

    std::shared_ptr<SlideData> readSlide(pugi::xml_node root, const PartRefs& refs,
                                         LayoutPart* layout, MasterSet& masters, int number, int id,
                                         const std::string& part, PresentationData& deck) {
        auto slide = std::make_shared<SlideData>();
        slide->id = id;
        slide->partName = part;
        MasterPart* master = layout ? layout->master : masters.firstMaster();
        pugi::xml_node cSld = child(root, "cSld");
        slide->name = strAttr(cSld, "name");
        slide->hidden = !boolAttr(root, "show").value_or(true);
        bool showMaster = boolAttr(root, "showMasterSp").value_or(true);
        slide->layoutCode = layout ? layout->code : host::layout::kCustom;

        const ColorMap& inherited = layout ? layout->colorMap : master->colorMap;
        ColorMap colorMap = inherited;
        if (pugi::xml_node over = path(root, {"clrMapOvr", "overrideClrMapping"})) {
            colorMap = readColorMap(over);
        }
        ColorContext colors{master->theme.get(), &colorMap, std::nullopt};
        // A slide that maps colours its own way shows its master's and layout's decoration and
        // background in those colours: the shared master records cannot, so the slide carries
        // them recoloured, as a folded slide does.
        bool recoloured = colorMap != inherited;
        MasterSet::Recoloured recolouredParts;
        if (recoloured) recolouredParts = masters.recolour(*master, layout, colorMap);

        bool ownBackground = false;
        if (pugi::xml_node bg = child(cSld, "bg")) {
            ownBackground = true;
            slide->background = readBackground(bg, colors, &refs);
        } else if (recoloured) {
            slide->background = recolouredParts.background;
        } else {
            slide->background = layout ? layout->background : master->background;
        }

        bool folded = (layout ? layout->folded : false) || recoloured;
        slide->master = layout ? layout->record : deck.slideMaster;
        slide->masterName = slide->master->name;
        bool layoutShowsMaster = layout ? layout->showMasterShapes : true;
        // The title record already holds the master's decoration only when its layout shows it,
        // and the layout's own decoration always.
        bool titleRecord = layout && deck.titleMaster && layout->record == deck.titleMaster;
        slide->displayMasterShapes = !folded && showMaster && (layoutShowsMaster || titleRecord);
        slide->followMasterBackground = !folded && !ownBackground;
        // Carried decoration shows this slide's number.
        auto carry = [&](const ShapePtr& s) {
            slide->shapes->items.push_back(showsSlideNumber(*s) ? numberedCopy(*s, number)
                                                                : cloneShape(*s));
        };
        if (folded && showMaster) {
            if (layoutShowsMaster) {
                for (const ShapePtr& s : recoloured ? recolouredParts.masterDecoration->items
                                                    : master->decoration->items) {
                    carry(s);
                }
            }
            if (recoloured && recolouredParts.layoutDecoration) {
                for (const ShapePtr& s : recolouredParts.layoutDecoration->items) carry(s);
            } else if (layout) {
                for (const ShapePtr& s : layout->decoration->items) carry(s);
            }
        }
        if (slide->displayMasterShapes) {
            for (const ShapePtr& s : slide->master->numbered) {
                slide->shapes->items.push_back(numberedCopy(*s, number));
            }
        }

        ShapeContext context;
        context.theme = master->theme.get();
        context.colors = colors;
        context.refs = &refs;
        context.layoutPlaceholders = layout ? &layout->placeholders : nullptr;
        context.masterPlaceholders = &master->placeholders;
        context.titleStyle = master->titleStyle;
        context.bodyStyle = master->bodyStyle;
        context.otherStyle = master->otherStyle;
        context.defaultTextStyle = masters.defaultTextStyle();
        context.background = &slide->background;
        context.slideNumber = number;
        context.warnings = &deck.warnings;
        context.pictureProblems = &pictureProblems_;
        if (tableStyles_) context.tableStyles = tableStyles_->document_element();
        ShapeList own;
        readShapeTree(child(cSld, "spTree"), context, own);
        readControls(child(cSld, "controls"), context, own);
        attachAnimations(own, readEntranceAnimations(root));
        for (ShapePtr& s : own.items) slide->shapes->items.push_back(std::move(s));

        slide->hasTransition = readTransition(root, slide->transition);
        return slide;
    }

    std::shared_ptr<const Package> package_;
    std::shared_ptr<pugi::xml_document> tableStyles_;
    std::map<std::string, std::string> pictureProblems_;
};

}  // namespace

std::shared_ptr<PresentationData> readPresentation(std::shared_ptr<const Package> package) {
    DeckReader reader(std::move(package));
    return reader.read();
}

std::shared_ptr<PresentationData> openPresentation(const std::string& path) {
    return readPresentation(Package::openFile(path));
}

std::shared_ptr<PresentationData> newPresentation() {
    auto deck = std::make_shared<PresentationData>();
    deck->slideMaster = std::make_shared<MasterRecord>();
    deck->slideMaster->name = "SlideMaster";
    deck->slideMaster->background.kind = FillKind::Solid;
    deck->slideMaster->background.color = Color{host::rgb(255, 255, 255), 1.0f};
    for (int code : {host::layout::kBlank, host::layout::kTitle}) {
        PresentationData::LayoutTemplate t;
        t.code = code;
        t.name = code == host::layout::kBlank ? "Blank" : "Title Slide";
        t.background = deck->slideMaster->background;
        t.master = deck->slideMaster;
        t.masterName = deck->slideMaster->name;
        deck->layouts.push_back(std::move(t));
    }
    return deck;
}

namespace {

std::shared_ptr<ShapeList> cloneList(const ShapeList& list) {
    auto out = std::make_shared<ShapeList>();
    for (const ShapePtr& s : list.items) out->items.push_back(cloneShape(*s));
    return out;
}

}  // namespace

std::shared_ptr<PresentationData> clonePresentation(const PresentationData& source) {
    auto out = std::make_shared<PresentationData>(source);
    // Records shared by several slides and layouts stay shared in the copy.
    std::map<const MasterRecord*, std::shared_ptr<MasterRecord>> records;
    auto record = [&](const std::shared_ptr<MasterRecord>& r) -> std::shared_ptr<MasterRecord> {
        if (!r) return nullptr;
        std::shared_ptr<MasterRecord>& copy = records[r.get()];
        if (!copy) {
            copy = std::make_shared<MasterRecord>(*r);
            copy->shapes = cloneList(*r->shapes);
            for (ShapePtr& s : copy->numbered) s = cloneShape(*s);
        }
        return copy;
    };
    out->slideMaster = record(source.slideMaster);
    out->titleMaster = record(source.titleMaster);
    out->slides.clear();
    for (const auto& s : source.slides) {
        auto slide = std::make_shared<SlideData>(*s);
        slide->shapes = cloneList(*s->shapes);
        slide->master = record(s->master);
        out->slides.push_back(std::move(slide));
    }
    for (auto& t : out->layouts) {
        t.placeholders = cloneList(*t.placeholders);
        t.decoration = cloneList(*t.decoration);
        t.master = record(t.master);
    }
    return out;
}

ShapePtr cloneShape(const Shape& shape) {
    auto copy = std::make_shared<Shape>(shape);
    if (shape.text) copy->text = std::make_shared<TextBody>(*shape.text);
    if (shape.animation) copy->animation = std::make_shared<Animation>(*shape.animation);
    if (shape.table) {
        copy->table = std::make_shared<TableData>(*shape.table);
        for (TableRow& row : copy->table->rows) {
            for (TableCell& cell : row.cells) {
                if (cell.text) cell.text = std::make_shared<TextBody>(*cell.text);
            }
        }
    }
    const auto cloneList = [](const std::shared_ptr<ShapeList>& list) {
        auto out = std::make_shared<ShapeList>();
        for (const ShapePtr& c : list->items) out->items.push_back(cloneShape(*c));
        return out;
    };
    if (shape.children) copy->children = cloneList(shape.children);
    if (shape.chartOverlay) copy->chartOverlay = cloneList(shape.chartOverlay);
    return copy;
}

namespace {

bool isSlideNumber(const Run& run) {
    return run.kind == RunKind::Field && run.fieldType == "slidenum";
}

bool bodyShowsSlideNumber(const TextBody* body) {
    if (!body) return false;
    for (const Paragraph& p : body->paragraphs) {
        for (const Run& r : p.runs) {
            if (isSlideNumber(r)) return true;
        }
    }
    return false;
}

void numberBody(TextBody* body, const std::string& number) {
    if (!body) return;
    bool changed = false;
    for (Paragraph& p : body->paragraphs) {
        for (Run& r : p.runs) {
            if (isSlideNumber(r) && r.text != number) {
                r.text = number;
                changed = true;
            }
        }
    }
    if (changed) ++body->revision;
}

void numberFields(Shape& shape, const std::string& number) {
    numberBody(shape.text.get(), number);
    if (shape.table) {
        for (TableRow& row : shape.table->rows) {
            for (TableCell& cell : row.cells) numberBody(cell.text.get(), number);
        }
    }
    if (shape.children) {
        for (const ShapePtr& c : shape.children->items) {
            if (c) numberFields(*c, number);
        }
    }
}

}  // namespace

bool showsSlideNumber(const Shape& shape) {
    if (bodyShowsSlideNumber(shape.text.get())) return true;
    if (shape.table) {
        for (const TableRow& row : shape.table->rows) {
            for (const TableCell& cell : row.cells) {
                if (bodyShowsSlideNumber(cell.text.get())) return true;
            }
        }
    }
    if (shape.children) {
        for (const ShapePtr& c : shape.children->items) {
            if (c && showsSlideNumber(*c)) return true;
        }
    }
    return false;
}

ShapePtr numberedCopy(const Shape& shape, int number) {
    ShapePtr copy = cloneShape(shape);
    numberFields(*copy, std::to_string(number));
    return copy;
}

std::vector<unsigned char> MediaPart::data() const {
    if (!package) return {};
    try {
        return package->readPart(name);
    } catch (const PackageError&) {
        return {};
    }
}

}  // namespace quillet::pptx
