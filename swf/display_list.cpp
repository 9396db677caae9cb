#include "swf/display_list.h"

#include <algorithm>
#include <climits>
#include <span>

#include "swf/event_readback.h"

namespace transform {

namespace {

// A body size that the tag header can announce.
int checkedLength(const char* owner, long long size) {
    if (size >= 0 && size < INT_MAX) return static_cast<int>(size);
    throw FSFormatException(std::string(owner) + ": too large to encode");
}

// Sets the Transparent context around a tag body whose colours carry alpha.
class TransparentScope {
  public:
    explicit TransparentScope(FSCoder& coder) : coder(coder) {
        coder.setContext(FSCoder::Transparent, 1);
    }
    ~TransparentScope() { coder.setContext(FSCoder::Transparent, 0); }
    TransparentScope(const TransparentScope&) = delete;
    TransparentScope& operator=(const TransparentScope&) = delete;

  private:
    FSCoder& coder;
};

}  // namespace

// ---- FSShowFrame ----

int FSShowFrame::length(FSOutputStream& coder) {
    return FSMovieObject::length(coder);
}

void FSShowFrame::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.endObject(name());
}

void FSShowFrame::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    coder.endObject(name());
}

// ---- FSSetBackgroundColor ----

int FSSetBackgroundColor::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = color.length(coder);
    return bodyLength;
}

void FSSetBackgroundColor::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    color.encode(coder);
    coder.endObject(name());
}

void FSSetBackgroundColor::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    color.decode(coder);
    coder.endObject(name());
}

// ---- FSPlaceObject2 ----

FSPlaceObject2::FSPlaceObject2(FSInputStream& coder) : FSMovieObject(26) {
    decode(coder);
}

FSPlaceObject2::FSPlaceObject2(int identifier, int layer, int x, int y)
    : FSMovieObject(26), layer(layer), identifier(identifier), transform(x, y) {}

FSPlaceObject2::FSPlaceObject2(int identifier, int layer, int clipDepth, int x, int y)
    : FSMovieObject(26),
      layer(layer),
      identifier(identifier),
      transform(x, y),
      clipDepth(clipDepth) {}

FSPlaceObject2::FSPlaceObject2(int identifier, int layer, const std::string& name, int x, int y)
    : FSMovieObject(26),
      layer(layer),
      identifier(identifier),
      transform(x, y),
      instanceName(name) {}

FSPlaceObject2::FSPlaceObject2(int placeType, int identifier, int layer,
                               const FSCoordTransform& transform,
                               const FSColorTransform& colorTransform)
    : FSMovieObject(26),
      placeType(placeType),
      layer(layer),
      identifier(identifier),
      transform(transform),
      colorTransform(colorTransform) {}

FSPlaceObject2::FSPlaceObject2(int identifier, int layer, const FSCoordTransform& transform,
                               const FSColorTransform& colorTransform)
    : FSPlaceObject2(New, identifier, layer, transform, colorTransform) {}

FSPlaceObject2::FSPlaceObject2(int layer, const FSCoordTransform& transform,
                               const FSColorTransform& colorTransform)
    : FSPlaceObject2(Modify, 0, layer, transform, colorTransform) {}

int FSPlaceObject2::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    TransparentScope alpha(coder);
    long long size = 3;
    if (containsIdentifier()) size += 2;
    if (containsTransform()) size += transform.length(coder);
    if (containsColorTransform()) size += colorTransform.length(coder);
    if (containsRatio()) size += 2;
    if (containsName()) size += static_cast<long long>(instanceName.size()) + 1;
    if (containsClipDepth()) size += 2;
    if (containsEvents()) size += eventsLength(coder);
    bodyLength = checkedLength(name(), size);
    return bodyLength;
}

void FSPlaceObject2::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    TransparentScope alpha(coder);
    coder.write(containsEvents() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(containsClipDepth() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(containsName() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(containsRatio() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(containsColorTransform() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(containsTransform() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(placeType, FSCoder::UnsignedBits, 2);
    coder.write(layer, FSCoder::UnsignedWord, 16);
    if (containsIdentifier()) coder.write(identifier, FSCoder::UnsignedWord, 16);
    if (containsTransform()) transform.encode(coder);
    if (containsColorTransform()) colorTransform.encode(coder);
    // ratio × 65535 truncated; the slack (far below one step) keeps a ratio read as n / 65535 in
    // single precision from coming back as n - 1.
    if (containsRatio())
        coder.write(FSCoder::toFixed(ratio * 65535.0 + 1.0 / 256, 0), FSCoder::UnsignedWord, 16);
    if (containsName()) coder.writeString(instanceName);
    if (containsClipDepth()) coder.write(clipDepth + 1, FSCoder::UnsignedWord, 16);
    if (containsEvents()) encodeEvents(coder);
    coder.endObject(name());
}

void FSPlaceObject2::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    const std::size_t end = coder.getCursor() + static_cast<std::size_t>(bodyLength) * 8;
    TransparentScope alpha(coder);
    const bool hasEvents = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasClipDepth = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasName = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasRatio = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasColorTransform = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasTransform = coder.read(FSCoder::UnsignedBits, 1) != 0;
    partsRead = (hasTransform ? TransformPart : 0) | (hasColorTransform ? ColorTransformPart : 0) |
                (hasName ? NamePart : 0) | (hasClipDepth ? ClipDepthPart : 0);
    placeType = coder.read(FSCoder::UnsignedBits, 2);
    layer = coder.read(FSCoder::UnsignedWord, 16);
    if (containsIdentifier()) identifier = coder.read(FSCoder::UnsignedWord, 16);
    if (hasTransform) transform.decode(coder);
    if (hasColorTransform) colorTransform.decode(coder);
    if (hasRatio) ratio = static_cast<float>(coder.read(FSCoder::UnsignedWord, 16)) / 65535.0f;
    if (hasName) instanceName = coder.readString();
    if (hasClipDepth) clipDepth = coder.read(FSCoder::UnsignedWord, 16) - 1;
    events.clear();
    encodedEvents.clear();
    if (hasEvents) decodeEvents(coder, end);
    coder.endObject(name());
}

void FSPlaceObject2::addEvents(const std::vector<FSClipEvent>& list) {
    encodedEvents.clear();
    events.insert(events.end(), list.begin(), list.end());
}

// The reserved word, the word of all events, each event and the end marker; the words are 16
// bits wide below format version 6 and 32 bits from 6 on.
int FSPlaceObject2::eventsLength(FSOutputStream& coder) {
    if (!encodedEvents.empty())
        return checkedLength(name(), static_cast<long long>(encodedEvents.size()));
    const int wordBytes = coder.getContext(FSCoder::Version) >= 6 ? 4 : 2;
    long long size = 2 + 2 * wordBytes;
    for (auto& event : events) size += event.length(coder);
    return checkedLength(name(), size);
}

void FSPlaceObject2::encodeEvents(FSOutputStream& coder) {
    if (!encodedEvents.empty()) {
        coder.writeBytes(encodedEvents);
        return;
    }
    const int wordBits = coder.getContext(FSCoder::Version) >= 6 ? 32 : 16;
    int allEvents = 0;
    for (const auto& event : events) allEvents |= event.getEvent();
    coder.write(0, FSCoder::UnsignedWord, 16);
    coder.write(allEvents, FSCoder::UnsignedWord, wordBits);
    coder.beginObject("array");
    for (auto& event : events) event.encode(coder);
    coder.endObject("array");
    coder.write(0, FSCoder::UnsignedWord, wordBits);
}

// Reads the events up to their end marker without passing end; false when the events do not
// have the expected layout.
bool FSPlaceObject2::readEventList(FSInputStream& coder, std::size_t end,
                                   std::vector<FSClipEvent>& list) {
    const std::size_t wordBits = coder.getContext(FSCoder::Version) >= 6 ? 32 : 16;
    if (coder.getCursor() + 16 + wordBits > end) return false;
    coder.read(FSCoder::UnsignedWord, 16);
    coder.read(FSCoder::UnsignedWord, static_cast<int>(wordBits));
    coder.beginObject("array");
    // Every event takes at least its flags and a 32-bit offset, so the loop ends by end.
    while (coder.getCursor() + wordBits <= end) {
        const std::size_t at = coder.getCursor();
        if (coder.scan(FSCoder::UnsignedWord, static_cast<int>(wordBits)) == 0) {
            coder.endObject("array");
            coder.setCursor(at);
            coder.read(FSCoder::UnsignedWord, static_cast<int>(wordBits));
            return true;
        }
        coder.setCursor(at);
        if (at + wordBits + 32 > end) break;
        list.emplace_back();
        list.back().decode(coder, end);
    }
    coder.endObject("array");
    return false;
}

// The read-back check of the events (swf/event_readback.h).
bool FSPlaceObject2::eventsReadBack(std::span<const uint8_t> original, const FSCoder& coder) {
    return internal::eventsReadBack(
        name(), events, original, coder,
        [this](FSInputStream& in, std::size_t end, std::vector<FSClipEvent>& list) {
            return readEventList(in, end, list);
        },
        [this](FSOutputStream& out) { return eventsLength(out); },
        [this](FSOutputStream& out) { encodeEvents(out); });
}

// Events are modelled when the event list writes them back byte for byte; otherwise (layouts of
// other tools, damaged offsets, actions running past the tag, bytes after the end marker) they
// are kept as an encoded block.
void FSPlaceObject2::decodeEvents(FSInputStream& coder, std::size_t end) {
    const std::size_t start = coder.getCursor();
    if (end < start) throw FSFormatException("FSPlaceObject2: fields run past the end of the tag.");
    const auto& data = coder.getData();
    if (end / 8 <= data.size() &&
        eventsReadBack(std::span<const uint8_t>(data.data() + start / 8, (end - start) / 8),
                       coder)) {
        // The same bytes again, now with the listener: they read the same way.
        std::vector<FSClipEvent> list;
        readEventList(coder, end, list);
        events = std::move(list);
        return;
    }
    coder.setCursor(start);
    encodedEvents = coder.readBytes(static_cast<long long>((end - start) / 8));
}

// ---- FSClipEvent ----

void FSClipEvent::addActions(FSArray<FSActionObject> list) {
    encodedActions.clear();
    for (auto& action : list) actions.add(std::move(action));
}

int FSClipEvent::length(FSOutputStream& coder) {
    if (encodedActions.empty())
        actionsLength = actionListLength(actions, coder);
    else
        actionsLength = checkedLength(name(), static_cast<long long>(encodedActions.size()) + 1);
    const long long size =
        flagsWidth(coder) / 8 + 4 + (containsKeyCode(coder) ? 1 : 0) + actionsLength;
    return checkedLength(name(), size);
}

void FSClipEvent::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    const bool keyed = containsKeyCode(coder);
    coder.write(event, FSCoder::UnsignedWord, flagsWidth(coder));
    // The offset to the next event counts the key code and the actions.
    coder.write(actionsLength + (keyed ? 1 : 0), FSCoder::UnsignedWord, 32);
    if (keyed) coder.write(keyCode, FSCoder::UnsignedWord, 8);
    if (encodedActions.empty()) {
        encodeActionList(actions, coder);
    } else {
        coder.writeBytes(encodedActions);
        coder.write(0, FSCoder::UnsignedWord, 8);
    }
    coder.endObject(name());
}

void FSClipEvent::decode(FSInputStream& coder) {
    decode(coder, UnboundedActionList);
}

void FSClipEvent::decode(FSInputStream& coder, std::size_t end) {
    coder.beginObject(name());
    event = coder.read(FSCoder::UnsignedWord, flagsWidth(coder));
    const auto offset = static_cast<uint32_t>(coder.read(FSCoder::UnsignedWord, 32));
    const std::size_t offsetEnd = coder.getCursor();
    keyCode = containsKeyCode(coder) ? coder.read(FSCoder::UnsignedWord, 8) : 0;
    // The actions stop at the next event even when they lack their closing zero.
    const std::size_t actionsEnd = std::min(end, offsetEnd + std::size_t{offset} * 8);
    encodedActions.clear();
    actions = decodeActionList(coder, actionsEnd);
    coder.endObject(name());
}

// ---- FSPlaceObject ----

int FSPlaceObject::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    long long size = 4 + transform.length(coder);
    if (containsColorTransform(coder)) size += colorTransform.length(coder);
    bodyLength = checkedLength(name(), size);
    return bodyLength;
}

void FSPlaceObject::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(identifier, FSCoder::UnsignedWord, 16);
    coder.write(layer, FSCoder::UnsignedWord, 16);
    transform.encode(coder);
    if (containsColorTransform(coder)) colorTransform.encode(coder);
    coder.endObject(name());
}

void FSPlaceObject::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    const std::size_t start = coder.getCursor();
    identifier = coder.read(FSCoder::UnsignedWord, 16);
    layer = coder.read(FSCoder::UnsignedWord, 16);
    transform.decode(coder);
    // The colour transform is optional: present when the body goes on after the matrix.
    colorTransformRead = (coder.getCursor() - start) / 8 < static_cast<std::size_t>(bodyLength);
    colorTransform = FSColorTransform();
    if (colorTransformRead) colorTransform.decode(coder);
    coder.endObject(name());
}

// ---- FSRemoveObject ----

int FSRemoveObject::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = 4;
    return bodyLength;
}

void FSRemoveObject::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(identifier, FSCoder::UnsignedWord, 16);
    coder.write(layer, FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

void FSRemoveObject::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    identifier = coder.read(FSCoder::UnsignedWord, 16);
    layer = coder.read(FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

// ---- FSRemoveObject2 ----

int FSRemoveObject2::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = 2;
    return bodyLength;
}

void FSRemoveObject2::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(layer, FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

void FSRemoveObject2::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    layer = coder.read(FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

// ---- FSFrameLabel ----

int FSFrameLabel::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = checkedLength(name(), static_cast<long long>(label.size()) + 1 + (anchor ? 1 : 0));
    return bodyLength;
}

void FSFrameLabel::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.writeString(label);
    if (anchor) coder.write(1, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSFrameLabel::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    label = coder.readString();
    anchor = false;
    if (static_cast<long long>(label.size()) + 1 < bodyLength)
        anchor = coder.read(FSCoder::UnsignedWord, 8) != 0;
    coder.endObject(name());
}

}  // namespace transform
