// `quillet info FILE.swf [--json] [--strict]`: decodes a movie with the SWF library and prints
// its header and its tag tree. The tree comes from the library's coding listener, which is told
// where every object begins and ends; sprites, event records and action lists nest under their
// owners, and every object shows its key fields.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/commands.h"
#include "app/json_writer.h"
#include "swf/actions.h"
#include "swf/bitmaps.h"
#include "swf/display_list.h"
#include "swf/fonts_text.h"
#include "swf/movie.h"
#include "swf/shapes.h"
#include "swf/sounds.h"
#include "swf/sprites_buttons.h"

namespace quillet::app {

namespace {

using namespace transform;

// One object the listener saw begin and end, with the texts of the values coded inside it.
struct Node {
    std::string name;
    std::size_t begin = 0;  // bits
    std::size_t end = 0;
    std::vector<std::string> values;
    std::vector<std::unique_ptr<Node>> children;
};

// Ends decoding at the first reported problem in strict mode. Not a library exception, so that
// the library's own recovery from a failed tag does not take it for one.
struct StrictStop {
    std::string message;
};

// Builds the object tree from begin and end events; problems the library reports and reads past
// are collected as warnings, and in strict mode the first one ends decoding.
class TreeListener : public FSCodingListener {
  public:
    explicit TreeListener(bool strict) : strict(strict) { stack.push_back(&root); }

    void handleEvent(const FSCodingEvent& event) override {
        switch (event.kind) {
            case FSCodingEvent::Begin: {
                auto node = std::make_unique<Node>();
                node->name = event.name;
                node->begin = static_cast<std::size_t>(event.location);
                Node* raw = node.get();
                // An action the library gave up on is read again as an unknown action from
                // the same place: that is what the movie holds, so it replaces the attempt.
                auto& siblings = stack.back()->children;
                if (node->name == "FSUnknownAction" && !siblings.empty() &&
                    siblings.back()->begin == node->begin)
                    siblings.pop_back();
                siblings.push_back(std::move(node));
                stack.push_back(raw);
                break;
            }
            case FSCodingEvent::End:
                if (stack.size() > 1) {
                    stack.back()->end = static_cast<std::size_t>(event.location);
                    stack.pop_back();
                }
                break;
            case FSCodingEvent::Value:
                if (stack.back()->values.size() < MaximumValues)
                    stack.back()->values.push_back(valueText(event));
                break;
            case FSCodingEvent::Error:
                if (strict) throw StrictStop{event.value};
                errors.emplace_back(event.value);
                break;
            default:
                break;
        }
    }

    Node root;
    std::vector<std::string> errors;

  private:
    static constexpr std::size_t MaximumValues = 8;

    static std::string valueText(const FSCodingEvent& event) {
        const std::string type = event.name;
        if (type == "string") return "\"" + std::string(event.value) + "\"";
        if (type == "byte") return std::to_string(event.bits / 8) + " bytes";
        return event.value;
    }

    bool strict;
    std::vector<Node*> stack;
};

const Node* child(const Node& node, const std::string& name) {
    for (const auto& c : node.children)
        if (c->name == name) return c.get();
    return nullptr;
}

// The children of a node with the library's "array" wrappers taken away.
std::vector<const Node*> members(const Node& node) {
    std::vector<const Node*> list;
    for (const auto& c : node.children) {
        if (c->name == "array") {
            for (const Node* inner : members(*c)) list.push_back(inner);
        } else {
            list.push_back(c.get());
        }
    }
    return list;
}

bool holdsTags(const std::string& name) {
    return name == "FSDefineMovieClip";
}

bool holdsActions(const std::string& name) {
    for (const char* owner :
         {"FSDoAction", "FSInitialize", "FSClipEvent", "FSButtonEvent", "FSDefineButton",
          "FSNewFunction", "FSNewFunction2", "FSWith", "FSExceptionHandler"})
        if (name == owner) return true;
    return false;
}

bool isEventRecord(const std::string& name) {
    return name == "FSClipEvent" || name == "FSButtonEvent";
}

bool isAction(const Node& node) {
    return node.name.starts_with("FS") && node.name != "FSButton" && node.name != "FSBounds" &&
           node.name != "FSCoordTransform" && node.name != "FSColorTransform" &&
           node.name != "FSRegisterVariable";
}

std::string colorText(const FSColor& color) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", color.getRed() & 0xFF,
                  color.getGreen() & 0xFF, color.getBlue() & 0xFF);
    return text;
}

std::string boundsText(const FSBounds& b) {
    return std::to_string(b.getMinX()) + "," + std::to_string(b.getMinY()) + " " +
           std::to_string(b.getMaxX()) + "," + std::to_string(b.getMaxY());
}

using Fields = std::vector<std::pair<std::string, std::string>>;

// The fields worth showing for a tag, from the decoded object.
Fields keyFields(const FSMovieObject& tag) {
    Fields fields;
    const auto add = [&fields](const char* key, const std::string& value) {
        fields.emplace_back(key, value);
    };
    if (const auto* definition = dynamic_cast<const FSDefineObject*>(&tag))
        add("id", std::to_string(definition->getIdentifier()));
    if (const auto* background = dynamic_cast<const FSSetBackgroundColor*>(&tag))
        add("color", colorText(background->getColor()));
    if (const auto* place = dynamic_cast<const FSPlaceObject2*>(&tag)) {
        add("place", place->getPlaceType() == 1   ? "modify"
                     : place->getPlaceType() == 3 ? "replace"
                                                  : "new");
        add("depth", std::to_string(place->getLayer()));
        if (place->getPlaceType() != 1) add("character", std::to_string(place->getIdentifier()));
        const auto& m = place->getTransform();
        if (!m.isIdentity())
            add("at", std::to_string(static_cast<int>(m.get(0, 2))) + "," +
                          std::to_string(static_cast<int>(m.get(1, 2))));
        if (place->getRatio() >= 0) add("ratio", std::to_string(place->getRatio()));
        if (place->getClipDepth() > 0) add("clipDepth", std::to_string(place->getClipDepth()));
        if (!place->getName().empty()) add("name", "\"" + place->getName() + "\"");
    }
    if (const auto* shape = dynamic_cast<const FSDefineShape*>(&tag))
        add("bounds", boundsText(shape->getBounds()));
    if (const auto* shape = dynamic_cast<const FSDefineShape2*>(&tag))
        add("bounds", boundsText(shape->getBounds()));
    if (const auto* shape = dynamic_cast<const FSDefineShape3*>(&tag))
        add("bounds", boundsText(shape->getBounds()));
    if (const auto* image = dynamic_cast<const FSLosslessImage*>(&tag)) {
        add("size", std::to_string(image->getWidth()) + "x" + std::to_string(image->getHeight()));
        add("bits", std::to_string(image->getPixelSize()));
    }
    if (const auto* jpeg = dynamic_cast<const FSDefineJPEGImage*>(&tag))
        add("size", std::to_string(jpeg->getWidth()) + "x" + std::to_string(jpeg->getHeight()));
    if (const auto* jpeg = dynamic_cast<const FSDefineJPEGImage2*>(&tag))
        add("size", std::to_string(jpeg->getWidth()) + "x" + std::to_string(jpeg->getHeight()));
    if (const auto* jpeg = dynamic_cast<const FSDefineJPEGImage3*>(&tag))
        add("size", std::to_string(jpeg->getWidth()) + "x" + std::to_string(jpeg->getHeight()));
    if (const auto* sound = dynamic_cast<const FSDefineSound*>(&tag)) {
        add("format", std::to_string(sound->getFormat()));
        add("rate", std::to_string(sound->getRate()));
        add("channels", std::to_string(sound->getChannelCount()));
    }
    if (const auto* font = dynamic_cast<const FSDefineFont2*>(&tag)) {
        add("name", "\"" + font->getName() + "\"");
        add("glyphs", std::to_string(font->getShapes().size()));
    }
    if (const auto* font = dynamic_cast<const FSDefineFont*>(&tag))
        add("glyphs", std::to_string(font->getShapes().size()));
    if (const auto* label = dynamic_cast<const FSFrameLabel*>(&tag))
        add("label", "\"" + label->getLabel() + "\"");
    if (const auto* remove = dynamic_cast<const FSRemoveObject2*>(&tag))
        add("depth", std::to_string(remove->getLayer()));
    if (const auto* remove = dynamic_cast<const FSRemoveObject*>(&tag)) {
        add("depth", std::to_string(remove->getLayer()));
        add("character", std::to_string(remove->getIdentifier()));
    }
    if (const auto* button = dynamic_cast<const FSDefineButton2*>(&tag)) {
        add("records", std::to_string(button->getButtons().size()));
        add("events", std::to_string(button->getEvents().size()));
    }
    if (const auto* button = dynamic_cast<const FSDefineButton*>(&tag))
        add("records", std::to_string(button->getButtons().size()));
    if (const auto* unknown = dynamic_cast<const FSUnknownObject*>(&tag))
        add("type", std::to_string(unknown->getType()));
    return fields;
}

// A shown entry of the tree: a tag, an event record or an action, with its children.
struct Entry {
    std::string name;
    int type = -1;  // tag type code, -1 for records and actions
    std::size_t offset = 0;
    std::size_t size = 0;
    Fields fields;
    std::vector<std::string> values;
    std::vector<Entry> children;
};

// The values of a node and everything under it, in coding order, for actions.
void collectValues(const Node& node, std::vector<std::string>& values, std::size_t limit) {
    for (const auto& v : node.values) {
        if (values.size() >= limit) return;
        values.push_back(v);
    }
    for (const auto& c : node.children) collectValues(*c, values, limit);
}

Entry entryOf(const Node& node, const FSMovieObject* tag);

// A movie clip's tags come with their decoded objects, so that nested tags show their type and
// key fields as the movie's own do; the objects pair with the listener's nodes in order.
void addClipChildren(const Node& node, const FSDefineMovieClip* clip, Entry& entry) {
    int frames = 0;
    std::size_t index = 0;
    for (const Node* member : members(node)) {
        if (!member->name.starts_with("FS")) continue;
        const FSMovieObject* object = nullptr;
        if (clip && index < clip->getObjects().size() &&
            member->name == clip->getObjects()[index].name())
            object = &clip->getObjects()[index];
        ++index;
        frames += member->name == "FSShowFrame";
        entry.children.push_back(entryOf(*member, object));
    }
    entry.fields.emplace_back("frames", std::to_string(clip ? clip->frameCount() : frames));
}

void addChildren(const Node& node, const FSMovieObject* tag, Entry& entry) {
    if (holdsTags(node.name)) {
        addClipChildren(node, dynamic_cast<const FSDefineMovieClip*>(tag), entry);
        return;
    }
    for (const Node* member : members(node)) {
        if (isEventRecord(member->name) || (holdsActions(node.name) && isAction(*member)))
            entry.children.push_back(entryOf(*member, nullptr));
    }
}

Entry entryOf(const Node& node, const FSMovieObject* tag) {
    Entry entry;
    entry.name = node.name;
    entry.offset = node.begin / 8;
    entry.size = node.end > node.begin ? (node.end - node.begin) / 8 : 0;
    if (tag) {
        entry.type = tag->getType();
        entry.fields = keyFields(*tag);
    } else if (!isEventRecord(node.name) && !holdsTags(node.name)) {
        collectValues(node, entry.values, 6);
    }
    addChildren(node, tag, entry);
    return entry;
}

struct Header {
    std::string signature;
    int version = 0;
    std::size_t fileSize = 0;
    std::size_t declaredSize = 0;
    int frameCount = 0;
};

void printEntry(const Entry& entry, int depth) {
    std::printf("%*s@%-7zu %s", depth * 2, "", entry.offset, entry.name.c_str());
    if (entry.type >= 0) std::printf(" (%d, %zu bytes)", entry.type, entry.size);
    for (const auto& [key, value] : entry.fields) std::printf(" %s=%s", key.c_str(), value.c_str());
    for (const auto& value : entry.values) std::printf(" %s", value.c_str());
    std::printf("\n");
    for (const auto& c : entry.children) printEntry(c, depth + 1);
}

void writeEntry(JsonWriter& json, const Entry& entry) {
    json.beginObject();
    json.key("name").value(entry.name);
    if (entry.type >= 0) json.key("type").value(entry.type);
    json.key("offset").value(static_cast<long long>(entry.offset));
    json.key("size").value(static_cast<long long>(entry.size));
    if (!entry.fields.empty()) {
        json.key("fields").beginObject();
        for (const auto& [key, value] : entry.fields) json.key(key).value(value);
        json.endObject();
    }
    if (!entry.values.empty()) {
        json.key("values").beginArray();
        for (const auto& value : entry.values) json.value(value);
        json.endArray();
    }
    if (!entry.children.empty()) {
        json.key("children").beginArray();
        for (const auto& c : entry.children) writeEntry(json, c);
        json.endArray();
    }
    json.endObject();
}

Header readHeader(const std::vector<uint8_t>& file) {
    Header header;
    header.fileSize = file.size();
    if (file.size() < 8) return header;
    header.signature.assign(file.begin(), file.begin() + 3);
    header.version = file[3];
    header.declaredSize =
        file[4] | file[5] << 8 | file[6] << 16 | static_cast<std::size_t>(file[7]) << 24;
    return header;
}

// The frame count stored in the header, which may differ from the frames the movie holds.
int storedFrameCount(const Node& root) {
    const Node* movie = child(root, "FSMovie");
    if (!movie || movie->values.size() < 7) return -1;
    // signature (3 values), version, length, frame size (its own node), rate (2), count
    return std::atoi(movie->values.back().c_str());
}

// Exit status 0 when the movie was read to its end (problems read past are warnings), 1 when it
// could not be read at all, or in strict mode had any problem.
int runInfo(const std::string& path, bool json, bool strict) {
    std::error_code error;
    const auto type = std::filesystem::status(path, error).type();
    if (!error && type != std::filesystem::file_type::regular) {
        std::fprintf(stderr, "quillet info: %s: %s\n", path.c_str(),
                     type == std::filesystem::file_type::directory
                         ? "is a directory, not a movie"
                         : "is not a regular file (a FIFO, device or socket)");
        return 1;
    }
    std::vector<uint8_t> file;
    try {
        file = FSMovie::readFile(path);
    } catch (const FSException& e) {
        std::fprintf(stderr, "quillet info: %s: %s\n", path.c_str(), e.what());
        return 1;
    }

    TreeListener listener(strict);
    FSMovie movie;
    std::string failure;
    try {
        movie.decodeFromData(file, &listener);
    } catch (const FSException& e) {
        failure = e.what();
    } catch (const StrictStop& stop) {
        failure = stop.message;
    }
    // "Not Flash format" comes as an event, with nothing read.
    if (failure.empty() && !listener.errors.empty() && listener.root.children.empty()) {
        failure = listener.errors.front();
        listener.errors.clear();
    }
    if (!failure.empty()) {
        std::fprintf(stderr, "quillet info: %s: %s\n", path.c_str(), failure.c_str());
        return 1;
    }

    Header header = readHeader(file);
    header.frameCount = storedFrameCount(listener.root);
    std::vector<Entry> tags;
    if (const Node* root = child(listener.root, "FSMovie")) {
        std::size_t index = 0;
        for (const Node* member : members(*root)) {
            if (member->name == "FSBounds") continue;
            const FSMovieObject* object =
                index < movie.getObjects().size() ? &movie.getObjects()[index] : nullptr;
            ++index;
            tags.push_back(entryOf(*member, object));
        }
    }
    const FSBounds& stage = movie.getFrameSize();

    if (json) {
        JsonWriter out;
        out.beginObject();
        out.key("file").value(path);
        out.key("signature").value(header.signature);
        out.key("version").value(header.version);
        out.key("fileSize").value(static_cast<long long>(header.fileSize));
        out.key("uncompressedSize").value(static_cast<long long>(header.declaredSize));
        out.key("frameSize").beginObject();
        out.key("minX").value(stage.getMinX()).key("minY").value(stage.getMinY());
        out.key("maxX").value(stage.getMaxX()).key("maxY").value(stage.getMaxY());
        out.endObject();
        out.key("frameRate").value(static_cast<double>(movie.getFrameRate()));
        out.key("frameCount").value(header.frameCount);
        out.key("tags").beginArray();
        for (const auto& tag : tags) writeEntry(out, tag);
        out.endArray();
        out.key("warnings").beginArray();
        for (const auto& warning : listener.errors) out.value(warning);
        out.endArray();
        out.endObject();
        std::printf("%s\n", out.text().c_str());
    } else {
        std::printf("%s version %d, %zu bytes (%zu uncompressed)\n", header.signature.c_str(),
                    header.version, header.fileSize, header.declaredSize);
        std::printf("frame size %s twips (%g x %g px), %g frames per second, %d frames\n",
                    boundsText(stage).c_str(), stage.getWidth() / 20.0, stage.getHeight() / 20.0,
                    static_cast<double>(movie.getFrameRate()), header.frameCount);
        for (const auto& tag : tags) printEntry(tag, 0);
    }
    for (const auto& warning : listener.errors)
        std::fprintf(stderr, "quillet info: %s: warning: %s\n", path.c_str(), warning.c_str());
    return 0;
}

}  // namespace

void addInfoCommand(CLI::App& app, int& exitCode) {
    auto* command = app.add_subcommand("info", "Print the header and tag tree of a SWF movie");
    struct Options {
        std::string path;
        bool json = false;
        bool strict = false;
        bool lenient = false;
    };
    auto options = std::make_shared<Options>();
    command->add_option("FILE.swf", options->path, "The movie to read")->required();
    command->add_flag("--json", options->json, "Print JSON for scripts");
    command->add_flag("--strict", options->strict,
                      "Treat every warning as an error: stop at the first, exit 1");
    // Reading past what can be read past is what info does anyway; the flag stays for scripts.
    command->add_flag("--lenient", options->lenient, "Go on past mis-sized tags (the default)");
    command->callback([options, &exitCode] {
        exitCode = runInfo(options->path, options->json, options->strict);
    });
}

}  // namespace quillet::app
