// Masters and layouts of a package, and how they are folded onto the engine's two master records.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/pptx/fills.h"
#include "host/pptx/model.h"
#include "host/pptx/shapes.h"
#include "host/pptx/theme.h"

namespace quillet::pptx {

struct MasterPart {
    std::string partName;
    std::string name;
    std::shared_ptr<pugi::xml_document> doc;
    PartRefs refs;
    std::shared_ptr<Theme> theme;
    ColorMap colorMap;
    PlaceholderIndex placeholders;
    pugi::xml_node titleStyle, bodyStyle, otherStyle;
    FillData background;
    std::shared_ptr<ShapeList> shapes;      // every shape, placeholders included
    std::shared_ptr<ShapeList> decoration;  // the shapes a slide shows: no placeholders
    std::vector<std::string> layoutParts;   // in the master's order
};

struct LayoutPart {
    std::string partName;
    std::string name;
    std::string type;  // the layout's type attribute ("title", "obj", "blank", ...)
    int code = host::layout::kCustom;
    std::shared_ptr<pugi::xml_document> doc;
    PartRefs refs;
    MasterPart* master = nullptr;
    ColorMap colorMap;
    PlaceholderIndex placeholders;
    bool hasOwnBackground = false;
    FillData background;  // its own, else the master's
    bool showMasterShapes = true;
    std::shared_ptr<ShapeList> shapes;
    std::shared_ptr<ShapeList> decoration;

    // Where slides on this layout are shown (see mapLayouts).
    std::shared_ptr<MasterRecord> record;
    // True when the record cannot carry the layout's decoration and background: slides on it then
    // carry copies of the decoration themselves and their own background.
    bool folded = false;
};

// The package's masters and layouts, read on demand.
class MasterSet {
  public:
    MasterSet(std::shared_ptr<const Package> package, pugi::xml_node defaultTextStyle,
              std::vector<std::string>* warnings)
        : package_(std::move(package)), defaultTextStyle_(defaultTextStyle), warnings_(warnings) {}

    // Reads the masters in presentation order; a deck without a readable master gets a default.
    void readMasters(const std::vector<std::string>& masterParts);
    MasterPart* layoutMaster(const std::string& layoutPart);
    LayoutPart* layout(const std::string& layoutPart);
    MasterPart* firstMaster() { return masters_.empty() ? nullptr : masters_.front().get(); }

    // Builds the two engine records and assigns every layout read so far to one of them or marks it
    // folded. Call after all layouts that slides use have been read.
    void mapLayouts(PresentationData& deck);

    // The decoration of a master and a layout (null: none) and the background a slide on them
    // shows, read again under another colour map: a slide's colour-map override recolours what
    // its master and layout show on it.
    struct Recoloured {
        std::shared_ptr<ShapeList> masterDecoration;
        std::shared_ptr<ShapeList> layoutDecoration;
        FillData background;
    };
    Recoloured recolour(const MasterPart& master, const LayoutPart* layout,
                        const ColorMap& colorMap) const;

    pugi::xml_node defaultTextStyle() const { return defaultTextStyle_; }
    const std::vector<std::unique_ptr<LayoutPart>>& layouts() const { return layouts_; }

  private:
    void readMaster(const std::string& partName);
    std::unique_ptr<LayoutPart> readLayout(const std::string& partName, MasterPart* master);
    void warn(const std::string& text) {
        if (warnings_) warnings_->push_back(text);
    }

    std::shared_ptr<const Package> package_;
    pugi::xml_node defaultTextStyle_;
    std::vector<std::string>* warnings_;
    std::vector<std::unique_ptr<MasterPart>> masters_;
    std::vector<std::unique_ptr<LayoutPart>> layouts_;
};

// Layout code for the file's layout type name.
int layoutCode(const std::string& type);

}  // namespace quillet::pptx
