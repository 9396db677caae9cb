#include "swf/object.h"

namespace transform {

int FSMovieObject::length(FSOutputStream& coder) {
    coder.setContext(FSCoder::Type, type);
    bodyLength = 0;
    return 0;
}

void FSMovieObject::encode(FSOutputStream& coder) {
    coder.setContext(FSCoder::Type, type);
    if (!usesLongHeader()) {
        coder.write((type << 6) | bodyLength, FSCoder::UnsignedWord, 16);
        return;
    }
    coder.write((type << 6) | 63, FSCoder::UnsignedWord, 16);
    coder.write(bodyLength, FSCoder::UnsignedWord, 32);
}

void FSMovieObject::decode(FSInputStream& coder) {
    const int word = coder.scan(FSCoder::UnsignedWord, 16);
    type = word >> 6;
    bodyLength = word & 63;
    if (auto* listener = coder.getListener()) {
        const int at = static_cast<int>(coder.getCursor()) - 16;
        listener->handleEvent(FSCodingEvent(FSCodingEvent::Decoding, FSCodingEvent::Value, at, 16,
                                            "int", std::to_string(type)));
        listener->handleEvent(FSCodingEvent(FSCodingEvent::Decoding, FSCodingEvent::Value, at, 16,
                                            "int", std::to_string(bodyLength)));
    }
    extendLength = false;
    if (bodyLength == 63) {
        // Lengths beyond 2^31 - 1 cannot fit any buffer the library reads; keeping the sign bit
        // would make the expected end lie before the tag.
        const auto longLength = static_cast<uint32_t>(coder.read(FSCoder::UnsignedWord, 32));
        if (longLength > 0x7FFFFFFF) throw FSException("Read Overflow");
        bodyLength = static_cast<int>(longLength);
        extendLength = true;
    }
    coder.setContext(FSCoder::Type, type);
}

int FSDefineObject::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = 2;
    return bodyLength;
}

void FSDefineObject::encode(FSOutputStream& coder) {
    FSMovieObject::encode(coder);
    coder.write(identifier, FSCoder::UnsignedWord, 16);
}

void FSDefineObject::decode(FSInputStream& coder) {
    FSMovieObject::decode(coder);
    identifier = coder.read(FSCoder::UnsignedWord, 16);
}

int FSUnknownObject::length(FSOutputStream&) {
    bodyLength = static_cast<int>(data.size());
    return bodyLength;
}

void FSUnknownObject::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.writeBytes(data);
    coder.endObject(name());
}

void FSUnknownObject::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    data = coder.readBytes(bodyLength);
    coder.endObject(name());
}

}  // namespace transform
