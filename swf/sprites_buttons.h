// Movie clips (sprites: nested timelines) and buttons with their records, events and colour
// transforms.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "swf/actions.h"
#include "swf/basic_types.h"

namespace transform {

// Decoding follows movie clips inside movie clips at most this deep; deeper input is an
// FSFormatException. The depth is kept in the stream's context slot MovieClipDepthContext.
inline constexpr int MovieClipDepthContext = 14;
inline constexpr int MaximumMovieClipDepth = 32;

// A sprite: a character with its own timeline of tags. Its frame count is the number of
// FSShowFrame objects it holds; a clip read from a file writes back the count the file declared
// (players report it as the clip's frame total) for as long as it holds as many show frames as
// it did when read.
class FSDefineMovieClip : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineMovieClip)

    explicit FSDefineMovieClip(int identifier, FSArray<FSMovieObject> objects = {})
        : FSDefineObject(39, identifier), objects(std::move(objects)) {}
    explicit FSDefineMovieClip(FSInputStream& coder) : FSDefineObject(39, 0) { decode(coder); }

    FSArray<FSMovieObject>& getObjects() { return objects; }
    const FSArray<FSMovieObject>& getObjects() const { return objects; }
    void setObjects(FSArray<FSMovieObject> list) { objects = std::move(list); }
    // Appends the objects, taking ownership.
    void addObjects(FSArray<FSMovieObject> list);
    void add(std::unique_ptr<FSMovieObject> object) { objects.add(std::move(object)); }
    int frameCount() const;

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int writtenFrameCount() const;

    FSArray<FSMovieObject> objects;
    int declaredFrames = -1;  // the frame count a decoded file declared
    int showFramesRead = 0;   // and the show frames the clip held then
};

// A button record: the character shown in the given states, on a layer of the button, with its
// matrix and (in FSDefineButton2 only) a colour transform with alpha.
class FSButton : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSButton)

    enum State { Up = 1, Over = 2, Down = 4, HitTest = 8 };

    FSButton(int state, int identifier, int layer,
             const FSCoordTransform& transform = FSCoordTransform(),
             const FSColorTransform& colorTransform = FSColorTransform())
        : state(state),
          identifier(identifier),
          layer(layer),
          transform(transform),
          colorTransform(colorTransform) {}
    explicit FSButton(FSInputStream& coder) { decode(coder); }

    int getState() const { return state; }
    void setState(int value) { state = value; }
    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }
    int getLayer() const { return layer; }
    void setLayer(int value) { layer = value; }
    const FSCoordTransform& getTransform() const { return transform; }
    void setTransform(const FSCoordTransform& value) { transform = value; }
    const FSColorTransform& getColorTransform() const { return colorTransform; }
    void setColorTransform(const FSColorTransform& value) { colorTransform = value; }

    // Later movies use the four high bits of the flags byte: 1 a filter list and 2 a blend mode
    // follow the colour transform (in FSDefineButton2). Both are kept as written.
    int getEffectFlags() const { return effectFlags; }
    const std::vector<uint8_t>& getEncodedEffects() const { return encodedEffects; }
    void setEffects(int flags, std::vector<uint8_t> bytes) {
        effectFlags = flags & 0x0F;
        encodedEffects = std::move(bytes);
    }
    // The whole flags byte; a record whose flags byte is 0 would read back as the end of the
    // record list, so the buttons leave such records out.
    int flagsByte() const { return (effectFlags & 0x0F) << 4 | (state & 0x0F); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    static bool insideButton2(const FSCoder& coder) {
        return coder.getContext(FSCoder::Type) == 34;
    }
    void readEffects(FSInputStream& coder);

    int state = 0;
    int identifier = 0;
    int layer = 0;
    FSCoordTransform transform;
    FSColorTransform colorTransform;
    int effectFlags = 0;
    std::vector<uint8_t> encodedEffects;
};

// A button condition with the actions it runs: the condition word of state transitions, with a
// key code in bits 9 to 15.
class FSButtonEvent : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSButtonEvent)

    enum Event {
        IdleToOverUp = 0x001,       // roll over
        OverUpToIdle = 0x002,       // roll out
        OverUpToOverDown = 0x004,   // press
        OverDownToOverUp = 0x008,   // release
        OverDownToOutDown = 0x010,  // drag out
        OutDownToOverDown = 0x020,  // drag over
        OutDownToIdle = 0x040,      // release outside
        IdleToOverDown = 0x080,     // drag over, tracked as a menu
        OverDownToIdle = 0x100,     // drag out, tracked as a menu
    };
    // The condition bits of a key press.
    static int keyPress(int keyCode) { return (keyCode & 0x7F) << 9; }

    explicit FSButtonEvent(int event = 0, FSArray<FSActionObject> actions = {})
        : event(event), actions(std::move(actions)) {}
    FSButtonEvent(int event, std::vector<uint8_t> encodedActions)
        : event(event), encodedActions(std::move(encodedActions)) {}
    explicit FSButtonEvent(FSInputStream& coder) { decode(coder); }

    int getEvent() const { return event; }
    void setEvent(int value) { event = value; }
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
    // Actions encoded elsewhere, without the closing zero (which encoding adds).
    const std::vector<uint8_t>& getEncodedActions() const { return encodedActions; }
    void setEncodedActions(std::vector<uint8_t> bytes) {
        encodedActions = std::move(bytes);
        actions.clear();
    }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;
    // As decode, with the actions kept before the bit position end.
    void decode(FSInputStream& coder, std::size_t end);

  private:
    int event = 0;
    FSArray<FSActionObject> actions;
    std::vector<uint8_t> encodedActions;
    int actionsLength = 0;  // cached by length: the actions with their closing zero
};

// A button (the first form): records without colour transforms and one list of actions run on
// release.
class FSDefineButton : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineButton)

    explicit FSDefineButton(int identifier, std::vector<FSButton> buttons = {},
                            FSArray<FSActionObject> actions = {})
        : FSDefineObject(7, identifier), buttons(std::move(buttons)), actions(std::move(actions)) {}
    explicit FSDefineButton(FSInputStream& coder) : FSDefineObject(7, 0) { decode(coder); }

    std::vector<FSButton>& getButtons() { return buttons; }
    const std::vector<FSButton>& getButtons() const { return buttons; }
    void setButtons(std::vector<FSButton> list) { buttons = std::move(list); }
    void add(FSButton button) { buttons.push_back(std::move(button)); }
    FSArray<FSActionObject>& getActions() { return actions; }
    const FSArray<FSActionObject>& getActions() const { return actions; }
    void setActions(FSArray<FSActionObject> list) { actions = std::move(list); }
    void add(std::unique_ptr<FSActionObject> action) { actions.add(std::move(action)); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::vector<FSButton> buttons;
    FSArray<FSActionObject> actions;
};

// A button (the second form): records with colour transforms, and actions for any number of
// conditions, each preceded by the offset to the next one (0 for the last).
class FSDefineButton2 : public FSDefineObject {
  public:
    TRANSFORM_OBJECT(FSDefineButton2)

    explicit FSDefineButton2(int identifier, std::vector<FSButton> buttons = {},
                             std::vector<FSButtonEvent> events = {})
        : FSDefineButton2(identifier, 0, std::move(buttons), std::move(events)) {}
    FSDefineButton2(int identifier, int menu, std::vector<FSButton> buttons,
                    std::vector<FSButtonEvent> events)
        : FSDefineObject(34, identifier),
          menu(menu),
          buttons(std::move(buttons)),
          events(std::move(events)) {}
    explicit FSDefineButton2(FSInputStream& coder) : FSDefineObject(34, 0) { decode(coder); }

    // The whole byte before the action offset; 1 makes the button track as a menu.
    int getMenu() const { return menu; }
    void setMenu(int value) { menu = value; }
    std::vector<FSButton>& getButtons() { return buttons; }
    const std::vector<FSButton>& getButtons() const { return buttons; }
    void setButtons(std::vector<FSButton> list) { buttons = std::move(list); }
    void add(FSButton button) { buttons.push_back(std::move(button)); }

    std::vector<FSButtonEvent>& getEvents() { return events; }
    const std::vector<FSButtonEvent>& getEvents() const { return events; }
    // Appends copies of the events and drops any encoded block.
    void addEvents(const std::vector<FSButtonEvent>& list);
    void add(FSButtonEvent event) {
        encodedEvents.clear();
        events.push_back(std::move(event));
    }
    // Events encoded elsewhere, from the first event's offset to the end of the tag: written in
    // place of the event list, which setting a block empties. Decoding keeps events this way
    // when the event list would not write them back as they stand in the file.
    const std::vector<uint8_t>& getEncodedEvents() const { return encodedEvents; }
    void setEncodedEvents(std::vector<uint8_t> bytes) {
        encodedEvents = std::move(bytes);
        events.clear();
    }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int recordsLength(FSOutputStream& coder);
    int eventsLength(FSOutputStream& coder);
    void encodeEvents(FSOutputStream& coder);
    void decodeEvents(FSInputStream& coder, std::size_t end);
    bool readEventList(FSInputStream& coder, std::size_t end, std::vector<FSButtonEvent>& list);
    void checkEventOffsets(const FSInputStream& coder, std::size_t start, std::size_t end) const;
    bool eventsReadBack(std::span<const uint8_t> original, const FSCoder& coder);

    int menu = 0;
    std::vector<FSButton> buttons;
    std::vector<FSButtonEvent> events;
    std::vector<uint8_t> encodedEvents;
    std::vector<int> eventLengths;  // cached by length
};

// Colour transforms (without alpha) for the records of an FSDefineButton. Some authoring tools
// write one per button record; those after the first are kept in order.
class FSButtonColorTransform : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSButtonColorTransform)

    FSButtonColorTransform(int identifier, const FSColorTransform& colorTransform)
        : FSMovieObject(23), identifier(identifier), colorTransform(colorTransform) {}
    explicit FSButtonColorTransform(FSInputStream& coder) : FSMovieObject(23) { decode(coder); }

    int getIdentifier() const { return identifier; }
    void setIdentifier(int value) { identifier = value; }
    const FSColorTransform& getColorTransform() const { return colorTransform; }
    void setColorTransform(const FSColorTransform& value) { colorTransform = value; }
    std::vector<FSColorTransform>& getMoreTransforms() { return moreTransforms; }
    const std::vector<FSColorTransform>& getMoreTransforms() const { return moreTransforms; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int identifier = 0;
    FSColorTransform colorTransform;
    std::vector<FSColorTransform> moreTransforms;
};

}  // namespace transform
