#include "swf/sprites_buttons.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <span>

#include "swf/event_readback.h"
#include "swf/movie.h"

namespace transform {

namespace {

constexpr int MaximumOffset = 0xFFFF;

int checkedLength(const char* owner, long long size) {
    if (size >= 0 && size < INT_MAX) return static_cast<int>(size);
    throw FSFormatException(std::string(owner) + ": too large to encode");
}

[[noreturn]] void malformed(const char* format, const char* owner, long long value,
                            std::size_t cursor) {
    char message[160];
    std::snprintf(message, sizeof message, format, owner, value, cursor / 8);
    throw FSFormatException(message);
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

// Counts movie clips being decoded inside one another in the stream itself, so that a file of
// clips nested thousands deep ends in an error instead of exhausting the stack.
class ClipDepthGuard {
  public:
    explicit ClipDepthGuard(FSCoder& coder)
        : coder(coder), previous(coder.getContext(MovieClipDepthContext)) {
        if (previous >= MaximumMovieClipDepth) {
            char message[96];
            std::snprintf(message, sizeof message,
                          "Movie clips nested more than %d deep at byte %zu.",
                          MaximumMovieClipDepth, coder.getCursor() / 8);
            throw FSFormatException(message);
        }
        coder.setContext(MovieClipDepthContext, previous + 1);
    }
    ~ClipDepthGuard() { coder.setContext(MovieClipDepthContext, previous); }
    ClipDepthGuard(const ClipDepthGuard&) = delete;
    ClipDepthGuard& operator=(const ClipDepthGuard&) = delete;

  private:
    FSCoder& coder;
    int previous;
};

// The bit position where the body of a defining tag ends, with the cursor just after its
// identifier.
std::size_t bodyEnd(const FSCoder& coder, int bodyLength) {
    return coder.getCursor() - 16 + static_cast<std::size_t>(bodyLength) * 8;
}

// Button records up to the zero byte that ends them; they may not run past end.
std::vector<FSButton> decodeButtons(FSInputStream& coder, std::size_t end, const char* owner) {
    std::vector<FSButton> buttons;
    coder.beginObject("array");
    while (true) {
        if (coder.getCursor() + 8 > end)
            malformed("%s: the button records run past the end of the tag (%lld) at byte %zu.",
                      owner, static_cast<long long>(buttons.size()), coder.getCursor());
        const std::size_t at = coder.getCursor();
        if (coder.scan(FSCoder::UnsignedWord, 8) == 0) {
            coder.setCursor(at);
            coder.read(FSCoder::UnsignedWord, 8);
            break;
        }
        coder.setCursor(at);
        buttons.emplace_back(coder);
    }
    coder.endObject("array");
    return buttons;
}

long long buttonsLength(std::vector<FSButton>& buttons, FSOutputStream& coder) {
    long long size = 0;
    for (auto& button : buttons)
        if (button.flagsByte() != 0) size += button.length(coder);
    return size;
}

void encodeButtons(std::vector<FSButton>& buttons, FSOutputStream& coder) {
    coder.beginObject("array");
    for (auto& button : buttons)
        if (button.flagsByte() != 0) button.encode(coder);
    coder.write(0, FSCoder::UnsignedWord, 8);
    coder.endObject("array");
}

}  // namespace

// ---- FSDefineMovieClip ----

void FSDefineMovieClip::addObjects(FSArray<FSMovieObject> list) {
    for (auto& object : list) objects.add(std::move(object));
}

int FSDefineMovieClip::frameCount() const {
    return static_cast<int>(std::count_if(
        objects.begin(), objects.end(), [](const auto& object) { return object->getType() == 1; }));
}

int FSDefineMovieClip::writtenFrameCount() const {
    const int count = frameCount();
    return declaredFrames >= 0 && count == showFramesRead ? declaredFrames : count;
}

int FSDefineMovieClip::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    long long size = 2 + 2 + 2;  // identifier, frame count, end tag
    for (auto& object : objects) {
        object->length(coder);
        size += static_cast<long long>(object->getLength()) + object->headerLength();
    }
    coder.setContext(FSCoder::Type, type);
    bodyLength = checkedLength(name(), size);
    return bodyLength;
}

void FSDefineMovieClip::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    coder.write(writtenFrameCount(), FSCoder::UnsignedWord, 16);
    coder.beginObject("array");
    for (auto& object : objects) FSMovie::encodeObject(*object, coder);
    coder.endObject("array");
    coder.write(0, FSCoder::UnsignedWord, 16);
    coder.setContext(FSCoder::Type, type);
    coder.endObject(name());
}

void FSDefineMovieClip::decode(FSInputStream& coder) {
    ClipDepthGuard depth(coder);
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    const std::size_t end = bodyEnd(coder, bodyLength);
    declaredFrames = coder.read(FSCoder::UnsignedWord, 16);
    objects.clear();
    coder.beginObject("array");
    // A clip that lacks its end tag stops at the end of its body; bytes after the end tag mean
    // nothing to players and are passed over.
    while (coder.getCursor() < end) {
        auto object = FSMovie::decodeObject(coder);
        if (!object) {
            if (coder.getCursor() < end) coder.setCursor(end);
            break;
        }
        objects.add(std::move(object));
    }
    coder.endObject("array");
    showFramesRead = frameCount();
    coder.setContext(FSCoder::Type, type);
    coder.endObject(name());
}

// ---- FSButton ----

int FSButton::length(FSOutputStream& coder) {
    long long size = 5 + transform.length(coder);
    if (insideButton2(coder))
        size += colorTransform.length(coder) + static_cast<long long>(encodedEffects.size());
    return checkedLength(name(), size);
}

void FSButton::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(effectFlags & 0x0F, FSCoder::UnsignedBits, 4);
    coder.write(state & 0x0F, FSCoder::UnsignedBits, 4);
    coder.write(identifier, FSCoder::UnsignedWord, 16);
    coder.write(layer, FSCoder::UnsignedWord, 16);
    transform.encode(coder);
    if (insideButton2(coder)) {
        colorTransform.encode(coder);
        coder.writeBytes(encodedEffects);
    }
    coder.endObject(name());
}

void FSButton::decode(FSInputStream& coder) {
    coder.beginObject(name());
    effectFlags = coder.read(FSCoder::UnsignedBits, 4);
    state = coder.read(FSCoder::UnsignedBits, 4);
    identifier = coder.read(FSCoder::UnsignedWord, 16);
    layer = coder.read(FSCoder::UnsignedWord, 16);
    transform.decode(coder);
    colorTransform = FSColorTransform();
    encodedEffects.clear();
    if (insideButton2(coder)) {
        colorTransform.decode(coder);
        readEffects(coder);
    }
    coder.endObject(name());
}

// The filter list and the blend mode byte; their sizes follow from the filter types.
void FSButton::readEffects(FSInputStream& coder) {
    const auto append = [this](const std::vector<uint8_t>& bytes) {
        encodedEffects.insert(encodedEffects.end(), bytes.begin(), bytes.end());
    };
    const auto readByte = [this, &coder]() {
        const int value = coder.read(FSCoder::UnsignedWord, 8);
        encodedEffects.push_back(static_cast<uint8_t>(value));
        return value;
    };
    if (effectFlags & 0x01) {
        const int count = readByte();
        for (int i = 0; i < count; ++i) {
            const std::size_t at = coder.getCursor();
            const int filter = readByte();
            long long size = 0;
            switch (filter) {
                case 0:
                    size = 23;
                    break;  // drop shadow
                case 1:
                    size = 9;
                    break;  // blur
                case 2:
                    size = 15;
                    break;  // glow
                case 3:
                    size = 27;
                    break;  // bevel
                case 4:     // gradient glow
                case 7:     // gradient bevel
                    size = 5LL * readByte() + 19;
                    break;
                case 5: {  // convolution
                    const long long columns = readByte();
                    const long long rows = readByte();
                    size = 13 + 4 * columns * rows;
                    break;
                }
                case 6:
                    size = 80;
                    break;  // colour matrix
                default:
                    malformed("%s: unknown filter type %lld at byte %zu.", name(), filter, at);
            }
            append(coder.readBytes(size));
        }
    }
    if (effectFlags & 0x02) readByte();
}

// ---- FSButtonEvent ----

void FSButtonEvent::addActions(FSArray<FSActionObject> list) {
    encodedActions.clear();
    for (auto& action : list) actions.add(std::move(action));
}

int FSButtonEvent::length(FSOutputStream& coder) {
    if (encodedActions.empty())
        actionsLength = actionListLength(actions, coder);
    else
        actionsLength = checkedLength(name(), static_cast<long long>(encodedActions.size()) + 1);
    return checkedLength(name(), 2LL + actionsLength);
}

void FSButtonEvent::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(event, FSCoder::UnsignedWord, 16);
    if (encodedActions.empty()) {
        encodeActionList(actions, coder);
    } else {
        coder.writeBytes(encodedActions);
        coder.write(0, FSCoder::UnsignedWord, 8);
    }
    coder.endObject(name());
}

void FSButtonEvent::decode(FSInputStream& coder) {
    decode(coder, UnboundedActionList);
}

void FSButtonEvent::decode(FSInputStream& coder, std::size_t end) {
    coder.beginObject(name());
    event = coder.read(FSCoder::UnsignedWord, 16);
    encodedActions.clear();
    actions = decodeActionList(coder, end);
    coder.endObject(name());
}

// ---- FSDefineButton ----

int FSDefineButton::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    const long long size = 2 + buttonsLength(buttons, coder) + 1 + actionListLength(actions, coder);
    bodyLength = checkedLength(name(), size);
    return bodyLength;
}

void FSDefineButton::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    encodeButtons(buttons, coder);
    encodeActionList(actions, coder);
    coder.endObject(name());
}

void FSDefineButton::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    const std::size_t end = bodyEnd(coder, bodyLength);
    buttons = decodeButtons(coder, end, name());
    actions = decodeActionList(coder, end);
    coder.endObject(name());
}

// ---- FSDefineButton2 ----

void FSDefineButton2::addEvents(const std::vector<FSButtonEvent>& list) {
    encodedEvents.clear();
    events.insert(events.end(), list.begin(), list.end());
}

int FSDefineButton2::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    TransparentScope alpha(coder);
    const long long records = buttonsLength(buttons, coder);
    if (3 + records > MaximumOffset && (!events.empty() || !encodedEvents.empty()))
        throw FSFormatException("FSDefineButton2: button records beyond the 16-bit action offset");
    const long long size = 2 + 3 + records + 1 + eventsLength(coder);
    bodyLength = checkedLength(name(), size);
    return bodyLength;
}

int FSDefineButton2::eventsLength(FSOutputStream& coder) {
    eventLengths.clear();
    if (!encodedEvents.empty())
        return checkedLength(name(), static_cast<long long>(encodedEvents.size()));
    long long size = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const int eventLength = events[i].length(coder);
        if (i + 1 < events.size() && eventLength + 2 > MaximumOffset)
            throw FSFormatException("FSDefineButton2: an event beyond the 16-bit event offset");
        eventLengths.push_back(eventLength);
        size += 2 + eventLength;
    }
    return checkedLength(name(), size);
}

void FSDefineButton2::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    TransparentScope alpha(coder);
    coder.write(menu, FSCoder::UnsignedWord, 8);
    // The offset from this field to the first event, 0 when there is none.
    const std::size_t offsetField = coder.getCursor();
    coder.write(0, FSCoder::UnsignedWord, 16);
    encodeButtons(buttons, coder);
    if (!events.empty() || !encodedEvents.empty()) {
        const std::size_t eventsStart = coder.getCursor();
        coder.setCursor(offsetField);
        coder.write(static_cast<int>((eventsStart - offsetField) / 8), FSCoder::UnsignedWord, 16);
        coder.setCursor(eventsStart);
    }
    encodeEvents(coder);
    coder.endObject(name());
}

void FSDefineButton2::encodeEvents(FSOutputStream& coder) {
    if (!encodedEvents.empty()) {
        coder.writeBytes(encodedEvents);
        return;
    }
    coder.beginObject("array");
    for (std::size_t i = 0; i < events.size(); ++i) {
        // Each event is preceded by the offset to the next one; the last one's is 0.
        const int offset = i + 1 < events.size() ? eventLengths.at(i) + 2 : 0;
        coder.write(offset, FSCoder::UnsignedWord, 16);
        events[i].encode(coder);
    }
    coder.endObject("array");
}

void FSDefineButton2::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    const std::size_t end = bodyEnd(coder, bodyLength);
    TransparentScope alpha(coder);
    menu = coder.read(FSCoder::UnsignedWord, 8);
    const std::size_t offsetField = coder.getCursor();
    const int actionOffset = coder.read(FSCoder::UnsignedWord, 16);
    buttons = decodeButtons(coder, end, name());
    events.clear();
    encodedEvents.clear();
    if (actionOffset != 0) {
        // Players look for the events where the offset points; bytes between the records and
        // that point mean nothing to them.
        const std::size_t eventsStart = offsetField + static_cast<std::size_t>(actionOffset) * 8;
        if (eventsStart < coder.getCursor() || eventsStart > end)
            malformed("%s: action offset %lld points outside the events, at byte %zu.", name(),
                      actionOffset, offsetField);
        coder.setCursor(eventsStart);
        decodeEvents(coder, end);
    }
    coder.endObject(name());
}

// Reads the events up to the one whose offset is 0 without passing end; false when the events
// do not have the expected layout.
bool FSDefineButton2::readEventList(FSInputStream& coder, std::size_t end,
                                    std::vector<FSButtonEvent>& list) {
    coder.beginObject("array");
    // Every event takes at least its offset and condition, so the loop ends by end.
    while (coder.getCursor() + 32 <= end) {
        const std::size_t at = coder.getCursor();
        const int offset = coder.read(FSCoder::UnsignedWord, 16);
        const std::size_t eventEnd = offset == 0 ? end : at + static_cast<std::size_t>(offset) * 8;
        if (eventEnd > end) break;
        if (coder.getCursor() + 16 > eventEnd) break;
        list.emplace_back();
        list.back().decode(coder, eventEnd);
        if (offset == 0) {
            coder.endObject("array");
            return true;
        }
    }
    coder.endObject("array");
    return false;
}

// Players follow the chain of event offsets: one that points past the end of the tag is an error.
void FSDefineButton2::checkEventOffsets(const FSInputStream& coder, std::size_t start,
                                        std::size_t end) const {
    const auto& data = coder.getData();
    std::size_t at = start;
    while (at + 32 <= end && at / 8 + 2 <= data.size()) {
        const int offset = data[at / 8] | data[at / 8 + 1] << 8;
        if (offset == 0) return;
        const std::size_t next = at + static_cast<std::size_t>(offset) * 8;
        if (next > end)
            malformed("%s: event offset %lld runs past the end of the tag, at byte %zu.", name(),
                      offset, at);
        at = next;
    }
}

// The read-back check of the events (swf/event_readback.h).
bool FSDefineButton2::eventsReadBack(std::span<const uint8_t> original, const FSCoder& coder) {
    return internal::eventsReadBack(
        name(), events, original, coder,
        [this](FSInputStream& in, std::size_t end, std::vector<FSButtonEvent>& list) {
            return readEventList(in, end, list);
        },
        [this](FSOutputStream& out) { return eventsLength(out); },
        [this](FSOutputStream& out) { encodeEvents(out); });
}

// Events are modelled when the event list writes them back byte for byte; otherwise they are
// kept as an encoded block.
void FSDefineButton2::decodeEvents(FSInputStream& coder, std::size_t end) {
    const std::size_t start = coder.getCursor();
    checkEventOffsets(coder, start, end);
    const auto& data = coder.getData();
    if (end / 8 <= data.size() &&
        eventsReadBack(std::span<const uint8_t>(data.data() + start / 8, (end - start) / 8),
                       coder)) {
        // The same bytes again, now with the listener: they read the same way.
        std::vector<FSButtonEvent> list;
        readEventList(coder, end, list);
        events = std::move(list);
        return;
    }
    coder.setCursor(start);
    encodedEvents = coder.readBytes(static_cast<long long>((end - start) / 8));
}

// ---- FSButtonColorTransform ----

int FSButtonColorTransform::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    long long size = 2 + colorTransform.length(coder);
    for (auto& more : moreTransforms) size += more.length(coder);
    bodyLength = checkedLength(name(), size);
    return bodyLength;
}

void FSButtonColorTransform::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(identifier, FSCoder::UnsignedWord, 16);
    colorTransform.encode(coder);
    for (auto& more : moreTransforms) more.encode(coder);
    coder.endObject(name());
}

void FSButtonColorTransform::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    const std::size_t end = coder.getCursor() + static_cast<std::size_t>(bodyLength) * 8;
    identifier = coder.read(FSCoder::UnsignedWord, 16);
    colorTransform.decode(coder);
    moreTransforms.clear();
    // Each transform takes at least one byte, so the loop ends by end.
    while (coder.getCursor() < end) moreTransforms.emplace_back(coder);
    coder.endObject(name());
}

}  // namespace transform
