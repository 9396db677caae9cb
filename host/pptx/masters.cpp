#include "host/pptx/masters.h"

#include "host/pptx/package.h"

namespace quillet::pptx {

namespace {

std::string relatedPart(const PartRefs& refs, const std::string& kind) {
    for (const auto& [id, rel] : refs.rels) {
        if (!rel.external && relationshipKind(rel.type) == kind && refs.package &&
            refs.package->hasPart(rel.target)) {
            return rel.target;
        }
    }
    return "";
}

std::shared_ptr<ShapeList> withoutPlaceholders(const ShapeList& shapes) {
    auto out = std::make_shared<ShapeList>();
    for (const ShapePtr& s : shapes.items) {
        if (s->placeholderType == host::placeholder::kNone) out->items.push_back(s);
    }
    return out;
}

}  // namespace

int layoutCode(const std::string& type) {
    using namespace host::layout;
    if (type == "title") return kTitle;
    if (type == "obj" || type == "tx") return kText;
    if (type == "twoObj" || type == "twoColTx") return kTwoColumnText;
    if (type == "tbl") return kTable;
    if (type == "txAndChart") return kTextAndChart;
    if (type == "chartAndTx") return kChartAndText;
    if (type == "dgm" || type == "orgChart") return kOrgChart;
    if (type == "chart") return kChart;
    if (type == "txAndClipArt") return kTextAndClipArt;
    if (type == "clipArtAndTx") return kClipArtAndText;
    if (type == "titleOnly") return kTitleOnly;
    if (type == "blank") return kBlank;
    if (type == "objOnly") return kObject;
    if (type == "secHead") return kSectionHeader;
    if (type == "twoTxTwoObj") return kComparison;
    if (type == "objTx") return kContentWithCaption;
    if (type == "picTx") return kPictureWithCaption;
    return kCustom;
}

void MasterSet::readMasters(const std::vector<std::string>& masterParts) {
    for (const std::string& part : masterParts) {
        try {
            readMaster(part);
        } catch (const PackageError& e) {
            warn(std::string("slide master skipped: ") + e.what());
        }
    }
    if (masters_.empty()) {
        // Slides still need something to stand on: an empty white master with default theme.
        auto m = std::make_unique<MasterPart>();
        m->name = "Master";
        m->theme = std::make_shared<Theme>(defaultTheme());
        m->colorMap = defaultColorMap();
        m->background.kind = FillKind::Solid;
        m->background.color = Color{host::rgb(255, 255, 255), 1.0f};
        m->shapes = std::make_shared<ShapeList>();
        m->decoration = std::make_shared<ShapeList>();
        masters_.push_back(std::move(m));
    }
}

void MasterSet::readMaster(const std::string& partName) {
    auto m = std::make_unique<MasterPart>();
    m->partName = partName;
    m->doc = loadXmlPart(*package_, partName);
    m->refs = PartRefs::load(package_, partName);
    pugi::xml_node root = m->doc->document_element();
    std::string themePart = relatedPart(m->refs, "theme");
    m->theme = std::make_shared<Theme>(defaultTheme());
    if (!themePart.empty()) {
        try {
            *m->theme = readTheme(loadXmlPart(*package_, themePart));
            PartRefs themeRefs = PartRefs::load(package_, themePart);
            m->theme->package = package_;
            m->theme->partName = themePart;
            m->theme->rels = themeRefs.rels;
        } catch (const PackageError& e) {
            warn(std::string("theme skipped: ") + e.what());
        }
    } else {
        warn("slide master \"" + partName + "\" has no theme; using the default colours");
    }
    m->colorMap = readColorMap(child(root, "clrMap"));
    pugi::xml_node cSld = child(root, "cSld");
    m->name = strAttr(cSld, "name");
    if (m->name.empty()) m->name = m->theme->name;
    if (m->name.empty()) m->name = "Master " + std::to_string(masters_.size() + 1);
    pugi::xml_node txStyles = child(root, "txStyles");
    m->titleStyle = child(txStyles, "titleStyle");
    m->bodyStyle = child(txStyles, "bodyStyle");
    m->otherStyle = child(txStyles, "otherStyle");
    pugi::xml_node spTree = child(cSld, "spTree");
    m->placeholders = PlaceholderIndex::build(spTree);

    ColorContext colors{m->theme.get(), &m->colorMap, std::nullopt};
    if (pugi::xml_node bg = child(cSld, "bg")) {
        m->background = readBackground(bg, colors, &m->refs);
    } else {
        m->background.kind = FillKind::Solid;
        m->background.color = Color{host::rgb(255, 255, 255), 1.0f};
    }
    ShapeContext context;
    context.theme = m->theme.get();
    context.colors = colors;
    context.refs = &m->refs;
    context.titleStyle = m->titleStyle;
    context.bodyStyle = m->bodyStyle;
    context.otherStyle = m->otherStyle;
    context.defaultTextStyle = defaultTextStyle_;
    context.background = &m->background;
    m->shapes = std::make_shared<ShapeList>();
    readShapeTree(spTree, context, *m->shapes);
    m->decoration = withoutPlaceholders(*m->shapes);

    for (pugi::xml_node id : child(root, "sldLayoutIdLst").children()) {
        pugi::xml_attribute rid = prefixedAttr(id, "id");
        if (!rid) continue;
        std::string target = m->refs.target(rid.value());
        if (target.empty()) {
            warn("slide master \"" + partName + "\" names a missing layout (" + rid.value() + ")");
            continue;
        }
        m->layoutParts.push_back(target);
    }
    masters_.push_back(std::move(m));
}

MasterPart* MasterSet::layoutMaster(const std::string& layoutPart) {
    for (auto& m : masters_) {
        for (const std::string& l : m->layoutParts) {
            if (l == layoutPart) return m.get();
        }
    }
    // A layout the masters do not list still names its master.
    PartRefs refs = PartRefs::load(package_, layoutPart);
    std::string masterPart = relatedPart(refs, "slideMaster");
    for (auto& m : masters_) {
        if (m->partName == masterPart) return m.get();
    }
    return firstMaster();
}

LayoutPart* MasterSet::layout(const std::string& layoutPart) {
    if (layoutPart.empty()) return nullptr;
    for (auto& l : layouts_) {
        if (l->partName == layoutPart) return l.get();
    }
    try {
        layouts_.push_back(readLayout(layoutPart, layoutMaster(layoutPart)));
        return layouts_.back().get();
    } catch (const PackageError& e) {
        warn(std::string("slide layout skipped: ") + e.what());
        return nullptr;
    }
}

std::unique_ptr<LayoutPart> MasterSet::readLayout(const std::string& partName, MasterPart* master) {
    auto l = std::make_unique<LayoutPart>();
    l->partName = partName;
    l->master = master;
    l->doc = loadXmlPart(*package_, partName);
    l->refs = PartRefs::load(package_, partName);
    pugi::xml_node root = l->doc->document_element();
    l->type = strAttr(root, "type");
    l->code = layoutCode(l->type);
    l->showMasterShapes = boolAttr(root, "showMasterSp").value_or(true);
    pugi::xml_node cSld = child(root, "cSld");
    l->name = strAttr(cSld, "name");
    l->colorMap = master->colorMap;
    if (pugi::xml_node over = path(root, {"clrMapOvr", "overrideClrMapping"})) {
        l->colorMap = readColorMap(over);
    }
    ColorContext colors{master->theme.get(), &l->colorMap, std::nullopt};
    if (pugi::xml_node bg = child(cSld, "bg")) {
        l->hasOwnBackground = true;
        l->background = readBackground(bg, colors, &l->refs);
    } else {
        l->background = master->background;
    }
    pugi::xml_node spTree = child(cSld, "spTree");
    l->placeholders = PlaceholderIndex::build(spTree);
    ShapeContext context;
    context.theme = master->theme.get();
    context.colors = colors;
    context.refs = &l->refs;
    context.masterPlaceholders = &master->placeholders;
    context.titleStyle = master->titleStyle;
    context.bodyStyle = master->bodyStyle;
    context.otherStyle = master->otherStyle;
    context.defaultTextStyle = defaultTextStyle_;
    context.background = &l->background;
    l->shapes = std::make_shared<ShapeList>();
    readShapeTree(spTree, context, *l->shapes);
    l->decoration = withoutPlaceholders(*l->shapes);
    return l;
}

MasterSet::Recoloured MasterSet::recolour(const MasterPart& master, const LayoutPart* layout,
                                          const ColorMap& colorMap) const {
    Recoloured out;
    ColorContext colors{master.theme.get(), &colorMap, std::nullopt};
    pugi::xml_node masterSld =
        master.doc ? child(master.doc->document_element(), "cSld") : pugi::xml_node();
    pugi::xml_node layoutSld =
        layout && layout->doc ? child(layout->doc->document_element(), "cSld") : pugi::xml_node();
    FillData masterBackground = master.background;
    if (pugi::xml_node bg = child(masterSld, "bg")) {
        masterBackground = readBackground(bg, colors, &master.refs);
    }
    FillData layoutBackground = masterBackground;
    if (pugi::xml_node bg = child(layoutSld, "bg")) {
        layoutBackground = readBackground(bg, colors, &layout->refs);
    }
    out.background = layout ? layoutBackground : masterBackground;

    ShapeContext context;
    context.theme = master.theme.get();
    context.colors = colors;
    context.titleStyle = master.titleStyle;
    context.bodyStyle = master.bodyStyle;
    context.otherStyle = master.otherStyle;
    context.defaultTextStyle = defaultTextStyle_;
    out.masterDecoration = std::make_shared<ShapeList>();
    if (masterSld) {
        ShapeList all;
        context.refs = &master.refs;
        context.background = &masterBackground;
        readShapeTree(child(masterSld, "spTree"), context, all);
        out.masterDecoration = withoutPlaceholders(all);
    } else {
        for (const ShapePtr& s : master.decoration->items) {
            out.masterDecoration->items.push_back(cloneShape(*s));
        }
    }
    if (layoutSld) {
        ShapeList all;
        context.refs = &layout->refs;
        context.masterPlaceholders = &master.placeholders;
        context.background = &layoutBackground;
        readShapeTree(child(layoutSld, "spTree"), context, all);
        out.layoutDecoration = withoutPlaceholders(all);
    }
    return out;
}

// The engine knows two master records, "SlideMaster" and "TitleMaster", each with shapes and a
// background, and shows a slide over the record its master name picks. A package has any number
// of masters, each with its layouts, and a slide shows its master's decoration (unless the layout
// hides it), its layout's decoration and the first background of slide, layout and master.
// The mapping keeps every decoration visible:
// - "SlideMaster" is the first master: its shapes and background.
// - "TitleMaster" is the first master's title layout, when it has one: the master's decoration
//   (unless the layout hides it) followed by the layout's shapes, and the layout's background or
//   else the master's.
// - A slide on the first master's title layout is shown over "TitleMaster"; a slide on another
//   layout of the first master that adds no shapes and no background is shown over
//   "SlideMaster".
// - Every other slide (another master, or a layout with decoration or a background of its own)
//   is folded: it reports that it does not show master shapes nor follow the master background,
//   and carries copies of the master's and layout's decoration at the back of its own shapes and
//   its resolved background. Its master name is its own master's, which the engine does not map
//   to either record.
void MasterSet::mapLayouts(PresentationData& deck) {
    MasterPart* first = firstMaster();
    deck.slideMaster = std::make_shared<MasterRecord>();
    deck.slideMaster->name = "SlideMaster";
    deck.slideMaster->shapes = first->shapes;
    deck.slideMaster->background = first->background;

    // Make sure the first master's layouts are read: their title layout and the templates for
    // adding slides come from them.
    for (const std::string& part : first->layoutParts) layout(part);

    LayoutPart* titleLayout = nullptr;
    for (auto& l : layouts_) {
        if (l->master == first && l->type == "title") {
            titleLayout = l.get();
            break;
        }
    }
    deck.titleMaster.reset();
    if (titleLayout) {
        deck.titleMaster = std::make_shared<MasterRecord>();
        deck.titleMaster->name = "TitleMaster";
        if (titleLayout->showMasterShapes) {
            for (const ShapePtr& s : first->decoration->items) {
                deck.titleMaster->shapes->items.push_back(cloneShape(*s));
            }
        }
        for (const ShapePtr& s : titleLayout->shapes->items) {
            deck.titleMaster->shapes->items.push_back(s);
        }
        deck.titleMaster->background = titleLayout->background;
    }

    std::map<MasterPart*, std::shared_ptr<MasterRecord>> foldedRecords;
    for (auto& l : layouts_) {
        if (l.get() == titleLayout) {
            l->record = deck.titleMaster;
            l->folded = false;
            continue;
        }
        if (l->master == first && l->decoration->items.empty() && !l->hasOwnBackground) {
            l->record = deck.slideMaster;
            l->folded = false;
            continue;
        }
        l->folded = true;
        auto& record = foldedRecords[l->master];
        if (!record) {
            record = std::make_shared<MasterRecord>();
            record->name = l->master->name;
            if (record->name == "SlideMaster" || record->name == "TitleMaster") {
                record->name += " (package)";
            }
            record->shapes = l->master->shapes;
            record->background = l->master->background;
        }
        l->record = record;
    }

    deck.layouts.clear();
    for (auto& l : layouts_) {
        if (l->master != first) continue;
        PresentationData::LayoutTemplate t;
        t.code = l->code;
        t.name = l->name;
        for (const ShapePtr& s : l->shapes->items) {
            if (s->placeholderType != host::placeholder::kNone) t.placeholders->items.push_back(s);
        }
        if (l->folded) {
            if (l->showMasterShapes) {
                for (const ShapePtr& s : first->decoration->items) t.decoration->items.push_back(s);
            }
            for (const ShapePtr& s : l->decoration->items) t.decoration->items.push_back(s);
        }
        t.background = l->background;
        t.master = l->record;
        t.masterName = l->record->name;
        t.showMasterShapes = !l->folded && (l->showMasterShapes || l.get() == titleLayout);
        t.folded = l->folded;
        deck.layouts.push_back(std::move(t));
    }
}

}  // namespace quillet::pptx
