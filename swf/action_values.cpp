#include "swf/action_values.h"

#include <cstdio>
#include <cstring>

namespace transform {

int zeroTerminatedLength(const std::string& text, const char* owner) {
    if (text.find('\0') != std::string::npos) {
        char message[128];
        std::snprintf(message, sizeof message, "%s: a text holds a zero byte", owner);
        throw FSFormatException(message);
    }
    // Record lengths are 16 bits wide; anything near the int range is far beyond them.
    if (text.size() > 0x7FFFFFF) throw FSFormatException(std::string(owner) + ": text too long");
    return static_cast<int>(text.size()) + 1;
}

std::unique_ptr<FSValue> FSValue::decodeValue(FSInputStream& coder) {
    const std::size_t start = coder.getCursor();
    const int type = coder.scan(FSCoder::UnsignedWord, 8);
    coder.setCursor(start);
    std::unique_ptr<FSValue> value;
    try {
        switch (type) {
            case StringType:
                value = std::make_unique<FSString>(coder);
                break;
            case FloatType:
            case IntegerType:
                value = std::make_unique<FSInteger>(coder);
                break;
            case NullType:
                value = std::make_unique<FSNull>(coder);
                break;
            case VoidType:
                value = std::make_unique<FSVoid>(coder);
                break;
            case RegisterType:
                value = std::make_unique<FSRegisterIndex>(coder);
                break;
            case BooleanType:
                value = std::make_unique<FSBoolean>(coder);
                break;
            case DoubleType:
                value = std::make_unique<FSDouble>(coder);
                break;
            case TableIndexType:
            case WideTableIndexType:
                value = std::make_unique<FSTableIndex>(coder);
                break;
            default: {
                char message[96];
                std::snprintf(message, sizeof message, "Unknown push value type %d at byte %zu",
                              type, start / 8);
                throw FSFormatException(message);
            }
        }
    } catch (const std::bad_alloc&) {
        throw FSAllocationException("Cannot allocate new data type for FSPush object.");
    }
    return value;
}

// ---- FSString ----

int FSString::length(FSOutputStream&) {
    return zeroTerminatedLength(text, name()) + 1;
}

void FSString::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(type, FSCoder::UnsignedWord, 8);
    coder.writeString(text);
    coder.endObject(name());
}

void FSString::decode(FSInputStream& coder) {
    coder.beginObject(name());
    type = coder.read(FSCoder::UnsignedWord, 8);
    text = coder.readString();
    coder.endObject(name());
}

// ---- FSInteger ----

int FSInteger::length(FSOutputStream&) {
    return 5;
}

void FSInteger::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(type, FSCoder::UnsignedWord, 8);
    coder.write(value, FSCoder::UnsignedWord, 32);
    coder.endObject(name());
}

void FSInteger::decode(FSInputStream& coder) {
    coder.beginObject(name());
    type = coder.read(FSCoder::UnsignedWord, 8);
    value = coder.read(FSCoder::UnsignedWord, 32);
    coder.endObject(name());
}

// ---- FSNull, FSVoid ----

int FSNull::length(FSOutputStream&) {
    return 1;
}

void FSNull::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(type, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSNull::decode(FSInputStream& coder) {
    coder.beginObject(name());
    type = coder.read(FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

int FSVoid::length(FSOutputStream&) {
    return 1;
}

void FSVoid::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(type, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSVoid::decode(FSInputStream& coder) {
    coder.beginObject(name());
    type = coder.read(FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

// ---- FSRegisterIndex ----

int FSRegisterIndex::length(FSOutputStream&) {
    return 2;
}

void FSRegisterIndex::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(type, FSCoder::UnsignedWord, 8);
    coder.write(index, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSRegisterIndex::decode(FSInputStream& coder) {
    coder.beginObject(name());
    type = coder.read(FSCoder::UnsignedWord, 8);
    index = coder.read(FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

// ---- FSBoolean ----

int FSBoolean::length(FSOutputStream&) {
    return 2;
}

void FSBoolean::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(type, FSCoder::UnsignedWord, 8);
    coder.write(value ? 1 : 0, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSBoolean::decode(FSInputStream& coder) {
    coder.beginObject(name());
    type = coder.read(FSCoder::UnsignedWord, 8);
    value = coder.read(FSCoder::UnsignedWord, 8) == 1;
    coder.endObject(name());
}

// ---- FSDouble ----

int FSDouble::length(FSOutputStream&) {
    return 9;
}

void FSDouble::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(type, FSCoder::UnsignedWord, 8);
    coder.writeDouble(value);
    coder.endObject(name());
}

void FSDouble::decode(FSInputStream& coder) {
    coder.beginObject(name());
    type = coder.read(FSCoder::UnsignedWord, 8);
    value = coder.readDouble();
    coder.endObject(name());
}

// ---- FSTableIndex ----

int FSTableIndex::length(FSOutputStream&) {
    if (index < 0 || index > 0xFFFF) throw FSFormatException("FSTableIndex: index out of range");
    return size();
}

void FSTableIndex::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    type = isWide() ? WideTableIndexType : TableIndexType;
    coder.write(type, FSCoder::UnsignedWord, 8);
    coder.write(index, FSCoder::UnsignedWord, isWide() ? 16 : 8);
    coder.endObject(name());
}

void FSTableIndex::decode(FSInputStream& coder) {
    coder.beginObject(name());
    type = coder.read(FSCoder::UnsignedWord, 8);
    wide = type == WideTableIndexType;
    index = coder.read(FSCoder::UnsignedWord, wide ? 16 : 8);
    coder.endObject(name());
}

}  // namespace transform
