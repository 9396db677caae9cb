// Tags that build the display list and the timeline: frames, placement, removal, frame labels
// and movie settings, with the clip events that a placed movie clip runs.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "swf/actions.h"
#include "swf/basic_types.h"

namespace transform {

// Ends a frame: the player shows the display list built so far.
class FSShowFrame : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSShowFrame)

    FSShowFrame() : FSMovieObject(1) {}
    explicit FSShowFrame(FSInputStream& coder) : FSMovieObject(1) { decode(coder); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;
};

class FSSetBackgroundColor : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSSetBackgroundColor)

    explicit FSSetBackgroundColor(const FSColor& color = FSColor(0, 0, 0))
        : FSMovieObject(9), color(color) {}
    explicit FSSetBackgroundColor(FSInputStream& coder) : FSMovieObject(9) { decode(coder); }

    const FSColor& getColor() const { return color; }
    void setColor(const FSColor& c) { color = c; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSColor color;
};

// One event handler of a placed movie clip: the events it answers (a 16-bit word below format
// version 6, 32 bits from 6 on), the key of a key-press event (version 6 on) and its actions, or
// a block of actions encoded elsewhere (without the closing zero, which encoding adds).
class FSClipEvent : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSClipEvent)

    enum Event {
        Load = 0x00000001,
        EnterFrame = 0x00000002,
        Unload = 0x00000004,
        MouseMove = 0x00000008,
        MouseDown = 0x00000010,
        MouseUp = 0x00000020,
        KeyDown = 0x00000040,
        KeyUp = 0x00000080,
        Data = 0x00000100,
        Initialize = 0x00000200,
        Press = 0x00000400,
        Release = 0x00000800,
        ReleaseOutside = 0x00001000,
        RollOver = 0x00002000,
        RollOut = 0x00004000,
        DragOver = 0x00008000,
        DragOut = 0x00010000,
        KeyPress = 0x00020000,
        Construct = 0x00040000,
    };

    explicit FSClipEvent(int event = 0, FSArray<FSActionObject> actions = {})
        : event(event), actions(std::move(actions)) {}
    FSClipEvent(int event, int keyCode, FSArray<FSActionObject> actions)
        : event(event), keyCode(keyCode), actions(std::move(actions)) {}
    FSClipEvent(int event, std::vector<uint8_t> encodedActions)
        : event(event), encodedActions(std::move(encodedActions)) {}
    explicit FSClipEvent(FSInputStream& coder) { decode(coder); }

    int getEvent() const { return event; }
    void setEvent(int value) { event = value; }
    // Written only with the KeyPress event in format version 6 and later.
    int getKeyCode() const { return keyCode; }
    void setKeyCode(int value) { keyCode = value; }
    bool containsKeyCode(const FSCoder& coder) const {
        return coder.getContext(FSCoder::Version) >= 6 && (event & KeyPress) != 0;
    }

    FSArray<FSActionObject>& getActions() { return actions; }
    const FSArray<FSActionObject>& getActions() const { return actions; }
    // Replaces the actions and drops any encoded block.
    void setActions(FSArray<FSActionObject> list) {
        encodedActions.clear();
        actions = std::move(list);
    }
    // Appends the actions, taking ownership, and drops any encoded block.
    void addActions(FSArray<FSActionObject> list);
    void add(std::unique_ptr<FSActionObject> action) {
        encodedActions.clear();
        actions.add(std::move(action));
    }
    const std::vector<uint8_t>& getEncodedActions() const { return encodedActions; }
    // Keeps the block and deletes the action list: encoding writes the block in its place.
    void setEncodedActions(std::vector<uint8_t> bytes) {
        encodedActions = std::move(bytes);
        actions.clear();
    }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;
    // As decode, with the actions kept before the bit position end (the end of the tag).
    void decode(FSInputStream& coder, std::size_t end);

  private:
    int flagsWidth(const FSCoder& coder) const {
        return coder.getContext(FSCoder::Version) >= 6 ? 32 : 16;
    }

    int event = 0;
    int keyCode = 0;
    FSArray<FSActionObject> actions;
    std::vector<uint8_t> encodedActions;
    int actionsLength = 0;  // cached by length: the actions with their closing zero
};

// Places, modifies or replaces a character on a layer. Each optional part is written only when
// it differs from its default, or when the file it was read from wrote it: in a modifying
// placement an explicit identity matrix resets the character's matrix, which leaving it out would
// not.
class FSPlaceObject2 : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSPlaceObject2)

    enum PlaceType { Modify = 1, New = 2, Replace = 3 };

    explicit FSPlaceObject2(FSInputStream& coder);
    FSPlaceObject2(int identifier, int layer, int x, int y);
    FSPlaceObject2(int identifier, int layer, int clipDepth, int x, int y);
    FSPlaceObject2(int identifier, int layer, const std::string& name, int x, int y);
    FSPlaceObject2(int placeType, int identifier, int layer, const FSCoordTransform& transform,
                   const FSColorTransform& colorTransform);
    FSPlaceObject2(int identifier, int layer, const FSCoordTransform& transform,
                   const FSColorTransform& colorTransform);
    FSPlaceObject2(int layer, const FSCoordTransform& transform,
                   const FSColorTransform& colorTransform);

    int getPlaceType() const { return placeType; }
    void setPlaceType(int type) { placeType = type; }
    int getLayer() const { return layer; }
    void setLayer(int value) { layer = value; }
    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }
    const FSCoordTransform& getTransform() const { return transform; }
    void setTransform(const FSCoordTransform& value) { transform = value; }
    const FSColorTransform& getColorTransform() const { return colorTransform; }
    void setColorTransform(const FSColorTransform& value) { colorTransform = value; }
    // 0 to 1 for morph shapes; negative when absent.
    float getRatio() const { return ratio; }
    void setRatio(float value) { ratio = value; }
    // The highest layer this character clips, as the encoded value minus 1; 0 when absent.
    int getClipDepth() const { return clipDepth; }
    void setClipDepth(int value) { clipDepth = value; }
    const std::string& getName() const { return instanceName; }
    void setName(const std::string& value) { instanceName = value; }

    std::vector<FSClipEvent>& getEvents() { return events; }
    const std::vector<FSClipEvent>& getEvents() const { return events; }
    // Appends copies of the events and drops any encoded block.
    void addEvents(const std::vector<FSClipEvent>& list);
    void add(FSClipEvent event) {
        encodedEvents.clear();
        events.push_back(std::move(event));
    }
    void setEvents(std::vector<FSClipEvent> list) {
        encodedEvents.clear();
        events = std::move(list);
    }
    // Events encoded elsewhere, from the reserved word to the end marker: kept byte for byte and
    // written in place of the event list, which setting a block empties. Decoding keeps events
    // this way when the event list would not write them back as they stand in the file.
    const std::vector<uint8_t>& getEncodedEvents() const { return encodedEvents; }
    void setEncodedEvents(std::vector<uint8_t> bytes) {
        encodedEvents = std::move(bytes);
        events.clear();
    }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    // Flags of the parts that the decoded file wrote.
    enum Part {
        TransformPart = 0x01,
        ColorTransformPart = 0x02,
        NamePart = 0x04,
        ClipDepthPart = 0x08,
    };

    bool containsTransform() const {
        return (partsRead & TransformPart) || !transform.isIdentity();
    }
    bool containsColorTransform() const {
        return (partsRead & ColorTransformPart) || !colorTransform.isIdentity();
    }
    bool containsRatio() const { return ratio >= 0.0f; }
    bool containsName() const { return (partsRead & NamePart) || !instanceName.empty(); }
    bool containsClipDepth() const { return (partsRead & ClipDepthPart) || clipDepth > 0; }
    bool containsEvents() const { return !events.empty() || !encodedEvents.empty(); }
    bool containsIdentifier() const { return placeType == New || placeType == Replace; }

    int eventsLength(FSOutputStream& coder);
    void encodeEvents(FSOutputStream& coder);
    void decodeEvents(FSInputStream& coder, std::size_t end);
    bool readEventList(FSInputStream& coder, std::size_t end, std::vector<FSClipEvent>& list);
    bool eventsReadBack(std::span<const uint8_t> original, const FSCoder& coder);

    int placeType = New;
    int layer = 0;
    int identifier = 0;
    FSCoordTransform transform;
    FSColorTransform colorTransform;
    float ratio = -1.0f;
    int clipDepth = 0;
    std::string instanceName;
    std::vector<FSClipEvent> events;
    std::vector<uint8_t> encodedEvents;
    int partsRead = 0;
};

// Places a character on a layer (the first form of placement): a matrix, and a colour transform
// without alpha only when it changes the colours.
class FSPlaceObject : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSPlaceObject)

    FSPlaceObject(int identifier, int layer, const FSCoordTransform& transform,
                  const FSColorTransform& colorTransform = FSColorTransform())
        : FSMovieObject(4),
          identifier(identifier),
          layer(layer),
          transform(transform),
          colorTransform(colorTransform) {}
    FSPlaceObject(int identifier, int layer, int x, int y)
        : FSPlaceObject(identifier, layer, FSCoordTransform(x, y)) {}
    explicit FSPlaceObject(FSInputStream& coder) : FSMovieObject(4) { decode(coder); }

    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }
    int getLayer() const { return layer; }
    void setLayer(int value) { layer = value; }
    const FSCoordTransform& getTransform() const { return transform; }
    void setTransform(const FSCoordTransform& value) { transform = value; }
    const FSColorTransform& getColorTransform() const { return colorTransform; }
    void setColorTransform(const FSColorTransform& value) { colorTransform = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    bool containsColorTransform(const FSCoder& coder) const {
        return colorTransformRead || !colorTransform.isUnity(coder);
    }

    int identifier = 0;
    int layer = 0;
    FSCoordTransform transform;
    FSColorTransform colorTransform;
    bool colorTransformRead = false;  // the decoded file wrote one, unity or not
};

// Removes the given character from a layer.
class FSRemoveObject : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSRemoveObject)

    FSRemoveObject(int identifier, int layer)
        : FSMovieObject(5), identifier(identifier), layer(layer) {}
    explicit FSRemoveObject(FSInputStream& coder) : FSMovieObject(5) { decode(coder); }

    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }
    int getLayer() const { return layer; }
    void setLayer(int value) { layer = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int identifier = 0;
    int layer = 0;
};

// Removes whatever stands on a layer.
class FSRemoveObject2 : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSRemoveObject2)

    explicit FSRemoveObject2(int layer) : FSMovieObject(28), layer(layer) {}
    explicit FSRemoveObject2(FSInputStream& coder) : FSMovieObject(28) { decode(coder); }

    int getLayer() const { return layer; }
    void setLayer(int value) { layer = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int layer = 0;
};

// Names the frame it stands in, for go-to-label actions; an anchor label also names the frame
// for the browser's history.
class FSFrameLabel : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSFrameLabel)

    explicit FSFrameLabel(const std::string& label, bool anchor = false)
        : FSMovieObject(43), label(label), anchor(anchor) {}
    explicit FSFrameLabel(FSInputStream& coder) : FSMovieObject(43) { decode(coder); }

    const std::string& getLabel() const { return label; }
    void setLabel(const std::string& value) { label = value; }
    bool isAnchor() const { return anchor; }
    void setAnchor(bool value) { anchor = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string label;
    bool anchor = false;
};

}  // namespace transform
