#include "swf/display_list.h"

namespace transform {

namespace {

// Sets the Transparent context around a tag body whose colours carry alpha.
class TransparentScope {
public:
    explicit TransparentScope(FSCoder& coder) : coder(coder) { coder.setContext(FSCoder::Transparent, 1); }
    ~TransparentScope() { coder.setContext(FSCoder::Transparent, 0); }
    TransparentScope(const TransparentScope&) = delete;
    TransparentScope& operator=(const TransparentScope&) = delete;

private:
    FSCoder& coder;
};

}  // namespace

// ---- FSShowFrame ----

int FSShowFrame::length(FSOutputStream& coder) { return FSMovieObject::length(coder); }

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

FSPlaceObject2::FSPlaceObject2(FSInputStream& coder) : FSMovieObject(26) { decode(coder); }

FSPlaceObject2::FSPlaceObject2(int identifier, int layer, int x, int y)
    : FSMovieObject(26), layer(layer), identifier(identifier), transform(x, y) {}

FSPlaceObject2::FSPlaceObject2(int identifier, int layer, int clipDepth, int x, int y)
    : FSMovieObject(26), layer(layer), identifier(identifier), transform(x, y), clipDepth(clipDepth) {}

FSPlaceObject2::FSPlaceObject2(int identifier, int layer, const std::string& name, int x, int y)
    : FSMovieObject(26), layer(layer), identifier(identifier), transform(x, y), instanceName(name) {}

FSPlaceObject2::FSPlaceObject2(int placeType, int identifier, int layer, const FSCoordTransform& transform,
                               const FSColorTransform& colorTransform)
    : FSMovieObject(26), placeType(placeType), layer(layer), identifier(identifier), transform(transform),
      colorTransform(colorTransform) {}

FSPlaceObject2::FSPlaceObject2(int identifier, int layer, const FSCoordTransform& transform,
                               const FSColorTransform& colorTransform)
    : FSPlaceObject2(New, identifier, layer, transform, colorTransform) {}

FSPlaceObject2::FSPlaceObject2(int layer, const FSCoordTransform& transform, const FSColorTransform& colorTransform)
    : FSPlaceObject2(Modify, 0, layer, transform, colorTransform) {}

int FSPlaceObject2::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    TransparentScope alpha(coder);
    int size = 3;
    if (containsIdentifier()) size += 2;
    if (containsTransform()) size += transform.length(coder);
    if (containsColorTransform()) size += colorTransform.length(coder);
    if (containsRatio()) size += 2;
    if (containsName()) size += static_cast<int>(instanceName.size()) + 1;
    if (containsClipDepth()) size += 2;
    if (containsEvents()) size += static_cast<int>(encodedEvents.size());
    bodyLength = size;
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
    if (containsEvents()) coder.writeBytes(encodedEvents);
    coder.endObject(name());
}

void FSPlaceObject2::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    const std::size_t bodyStart = coder.getCursor();
    TransparentScope alpha(coder);
    const bool hasEvents = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasClipDepth = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasName = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasRatio = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasColorTransform = coder.read(FSCoder::UnsignedBits, 1) != 0;
    const bool hasTransform = coder.read(FSCoder::UnsignedBits, 1) != 0;
    placeType = coder.read(FSCoder::UnsignedBits, 2);
    layer = coder.read(FSCoder::UnsignedWord, 16);
    if (containsIdentifier()) identifier = coder.read(FSCoder::UnsignedWord, 16);
    if (hasTransform) transform.decode(coder);
    if (hasColorTransform) colorTransform.decode(coder);
    if (hasRatio) ratio = static_cast<float>(coder.read(FSCoder::UnsignedWord, 16)) / 65535.0f;
    if (hasName) instanceName = coder.readString();
    if (hasClipDepth) clipDepth = coder.read(FSCoder::UnsignedWord, 16) - 1;
    if (hasEvents) {
        // The events run to the end of the body; they are kept as written.
        const long long consumed = static_cast<long long>((coder.getCursor() - bodyStart) / 8);
        encodedEvents = coder.readBytes(std::max(0LL, bodyLength - consumed));
    }
    coder.endObject(name());
}

}  // namespace transform
