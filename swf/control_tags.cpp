#include "swf/control_tags.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace transform {

namespace {

int checkedLength(const char* owner, long long size) {
    if (size >= 0 && size < INT_MAX) return static_cast<int>(size);
    throw FSFormatException(std::string(owner) + ": too large to encode");
}

// The bit position where the body of the tag whose header was just read ends.
std::size_t bodyEnd(const FSCoder& coder, int bodyLength) {
    return coder.getCursor() + static_cast<std::size_t>(bodyLength) * 8;
}

long long stringLength(const std::string& text) {
    return static_cast<long long>(text.size()) + 1;
}

long long assetsLength(const char* owner, const FSAssetList& entries) {
    if (entries.size() > 0xFFFF)
        throw FSFormatException(std::string(owner) + ": more than 65535 entries");
    long long size = 2;
    for (const auto& entry : entries) size += 2 + stringLength(entry.second);
    return size;
}

void encodeAssets(const FSAssetList& entries, FSOutputStream& coder) {
    coder.write(static_cast<int>(entries.size()), FSCoder::UnsignedWord, 16);
    coder.beginObject("array");
    for (const auto& [identifier, name] : entries) {
        coder.write(identifier, FSCoder::UnsignedWord, 16);
        coder.writeString(name);
    }
    coder.endObject("array");
}

// The count and the entries; each entry takes at least three bytes of the tag.
FSAssetList decodeAssets(FSInputStream& coder, std::size_t end, const char* owner) {
    const int count = coder.read(FSCoder::UnsignedWord, 16);
    FSAssetList entries;
    coder.beginObject("array");
    for (int i = 0; i < count; ++i) {
        if (coder.getCursor() + 24 > end) {
            char message[128];
            std::snprintf(message, sizeof message, "%s: %d entries announced, the tag holds %d.",
                          owner, count, i);
            throw FSFormatException(message);
        }
        const int identifier = coder.read(FSCoder::UnsignedWord, 16);
        entries.emplace_back(identifier, coder.readString());
    }
    coder.endObject("array");
    return entries;
}

}  // namespace

// ---- FSProtect ----

int FSProtect::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = containsPassword(coder) ? checkedLength(name(), 2 + stringLength(password)) : 0;
    return bodyLength;
}

void FSProtect::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    if (containsPassword(coder)) {
        coder.write(reserved, FSCoder::UnsignedWord, 16);
        coder.writeString(password);
    }
    coder.endObject(name());
}

void FSProtect::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    reserved = 0;
    password.clear();
    passwordRead = coder.getContext(FSCoder::Version) >= 5 && bodyLength >= 1;
    if (passwordRead) {
        reserved = coder.read(FSCoder::UnsignedWord, 16);
        password = coder.readString();
    }
    coder.endObject(name());
}

// ---- FSEnableDebugger ----

int FSEnableDebugger::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = checkedLength(name(), 2 + stringLength(password));
    return bodyLength;
}

void FSEnableDebugger::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(reserved, FSCoder::UnsignedWord, 16);
    coder.writeString(password);
    coder.endObject(name());
}

void FSEnableDebugger::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    reserved = coder.read(FSCoder::UnsignedWord, 16);
    password = coder.readString();
    coder.endObject(name());
}

// ---- FSEnableDebugger2 ----

int FSEnableDebugger2::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = checkedLength(name(), 2 + stringLength(password));
    return bodyLength;
}

void FSEnableDebugger2::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(reserved, FSCoder::UnsignedWord, 16);
    coder.writeString(password);
    coder.endObject(name());
}

void FSEnableDebugger2::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    reserved = coder.read(FSCoder::UnsignedWord, 16);
    password = coder.readString();
    coder.endObject(name());
}

// ---- FSExport ----

int FSExport::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = checkedLength(name(), assetsLength(name(), entries));
    return bodyLength;
}

void FSExport::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    encodeAssets(entries, coder);
    coder.endObject(name());
}

void FSExport::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    const std::size_t end = bodyEnd(coder, bodyLength);
    entries = decodeAssets(coder, end, name());
    coder.endObject(name());
}

// ---- FSImport ----

int FSImport::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = checkedLength(name(), stringLength(url) + assetsLength(name(), entries));
    return bodyLength;
}

void FSImport::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.writeString(url);
    encodeAssets(entries, coder);
    coder.endObject(name());
}

void FSImport::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    const std::size_t end = bodyEnd(coder, bodyLength);
    url = coder.readString();
    entries = decodeAssets(coder, end, name());
    coder.endObject(name());
}

// ---- FSInitialize ----

int FSInitialize::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = checkedLength(name(), 2LL + actionListLength(actions, coder));
    return bodyLength;
}

void FSInitialize::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(identifier, FSCoder::UnsignedWord, 16);
    encodeActionList(actions, coder);
    coder.endObject(name());
}

void FSInitialize::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    const std::size_t end = bodyEnd(coder, bodyLength);
    identifier = coder.read(FSCoder::UnsignedWord, 16);
    actions = decodeActionList(coder, end);
    coder.endObject(name());
}

// ---- FSLimitScript ----

int FSLimitScript::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = 4;
    return bodyLength;
}

void FSLimitScript::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(depth, FSCoder::UnsignedWord, 16);
    coder.write(timeout, FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

void FSLimitScript::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    depth = coder.read(FSCoder::UnsignedWord, 16);
    timeout = coder.read(FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

// ---- FSTabOrder ----

int FSTabOrder::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = 4;
    return bodyLength;
}

void FSTabOrder::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(layer, FSCoder::UnsignedWord, 16);
    coder.write(index, FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

void FSTabOrder::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    layer = coder.read(FSCoder::UnsignedWord, 16);
    index = coder.read(FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

// ---- FSSerialNumber ----

int FSSerialNumber::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    const long long size = productInfo.empty() ? stringLength(serialNumber)
                                               : static_cast<long long>(productInfo.size());
    bodyLength = checkedLength(name(), size);
    return bodyLength;
}

void FSSerialNumber::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    if (productInfo.empty())
        coder.writeString(serialNumber);
    else
        coder.writeBytes(productInfo);
    coder.endObject(name());
}

void FSSerialNumber::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    std::vector<uint8_t> body = coder.readBytes(bodyLength);
    serialNumber.clear();
    productInfo.clear();
    const auto zero = std::find(body.begin(), body.end(), 0);
    if (!body.empty() && zero == body.end() - 1)
        serialNumber.assign(body.begin(), zero);
    else
        productInfo = std::move(body);
    coder.endObject(name());
}

// ---- FSFree ----

int FSFree::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = 2;
    return bodyLength;
}

void FSFree::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(identifier, FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

void FSFree::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    identifier = coder.read(FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

// ---- FSPointer ----

int FSPointer::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = 4;
    return bodyLength;
}

void FSPointer::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(address, FSCoder::UnsignedWord, 32);
    coder.endObject(name());
}

void FSPointer::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    address = coder.read(FSCoder::UnsignedWord, 32);
    coder.endObject(name());
}

// ---- FSQuicktimeMovie ----

int FSQuicktimeMovie::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = checkedLength(name(), stringLength(movieName));
    return bodyLength;
}

void FSQuicktimeMovie::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.writeString(movieName);
    coder.endObject(name());
}

void FSQuicktimeMovie::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    movieName = coder.readString();
    coder.endObject(name());
}

// ---- FSDefineVideo ----

int FSDefineVideo::length(FSOutputStream& coder) {
    FSDefineObject::length(coder);
    bodyLength = 2 + 8;
    return bodyLength;
}

void FSDefineVideo::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::encode(coder);
    coder.write(frameCount, FSCoder::UnsignedWord, 16);
    coder.write(width, FSCoder::UnsignedWord, 16);
    coder.write(height, FSCoder::UnsignedWord, 16);
    // Four reserved bits, then deblocking in three: with a deblocking mode of 0 to 3 this is the
    // five zero bits and two-bit mode of earlier movies.
    coder.write(reserved, FSCoder::UnsignedBits, 4);
    coder.write(deblocking, FSCoder::UnsignedBits, 3);
    coder.write(smoothing ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(codec, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSDefineVideo::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSDefineObject::decode(coder);
    frameCount = coder.read(FSCoder::UnsignedWord, 16);
    width = coder.read(FSCoder::UnsignedWord, 16);
    height = coder.read(FSCoder::UnsignedWord, 16);
    reserved = coder.read(FSCoder::UnsignedBits, 4);
    deblocking = coder.read(FSCoder::UnsignedBits, 3);
    smoothing = coder.read(FSCoder::UnsignedBits, 1) != 0;
    codec = coder.read(FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

// ---- FSVideoFrame ----

int FSVideoFrame::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    bodyLength = checkedLength(name(), 4 + static_cast<long long>(data.size()));
    return bodyLength;
}

void FSVideoFrame::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    coder.write(identifier, FSCoder::UnsignedWord, 16);
    coder.write(frameNumber, FSCoder::UnsignedWord, 16);
    coder.writeBytes(data);
    coder.endObject(name());
}

void FSVideoFrame::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    identifier = coder.read(FSCoder::UnsignedWord, 16);
    frameNumber = coder.read(FSCoder::UnsignedWord, 16);
    data = coder.readBytes(std::max(0, bodyLength - 4));
    coder.endObject(name());
}

}  // namespace transform
