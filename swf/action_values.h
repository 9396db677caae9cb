// The values an FSPush action puts on the player's stack. Each value writes its type byte first,
// then its field; length is the full encoded size, type byte included.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "swf/object.h"

namespace transform {

// The bytes a text takes as a zero-terminated string. A text holding a zero byte cannot be
// written as one: FSFormatException naming the owner.
int zeroTerminatedLength(const std::string& text, const char* owner);

class FSValue : public FSTransformObject {
  public:
    // Type codes as they stand in the type byte.
    enum Type {
        StringType = 0,
        FloatType = 1,
        NullType = 2,
        VoidType = 3,
        RegisterType = 4,
        BooleanType = 5,
        DoubleType = 6,
        IntegerType = 7,
        TableIndexType = 8,
        WideTableIndexType = 9,
    };

    int getType() const { return type; }
    // A size figure: the number of characters of a string, the encoded size of any other value.
    virtual int size() const = 0;

    // The value whose type byte is at the cursor; an unknown type is an FSFormatException.
    static std::unique_ptr<FSValue> decodeValue(FSInputStream& coder);

  protected:
    explicit FSValue(int type) : type(type) {}

    int type;
};

// A string push value: its 8-bit characters, then a zero byte.
class FSString : public FSValue {
  public:
    TRANSFORM_OBJECT(FSString)

    FSString(const char* text = "") : FSValue(StringType), text(text ? text : "") {}
    FSString(std::string text) : FSValue(StringType), text(std::move(text)) {}
    explicit FSString(FSInputStream& coder) : FSValue(StringType) { decode(coder); }

    const std::string& getString() const { return text; }
    const char* c_str() const { return text.c_str(); }
    void setString(std::string value) { text = std::move(value); }

    FSString& operator+=(const FSString& other) {
        text += other.text;
        return *this;
    }
    friend FSString operator+(FSString left, const FSString& right) { return left += right; }
    bool operator==(const FSString& other) const { return text == other.text; }

    int size() const override { return static_cast<int>(text.size()); }
    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string text;
};

// A 32-bit integer (type 7). A value decoded with type 1 (a single-precision float) keeps its type
// and its raw 32 bits, and writes them back unchanged.
class FSInteger : public FSValue {
  public:
    TRANSFORM_OBJECT(FSInteger)

    explicit FSInteger(int value = 0) : FSValue(IntegerType), value(value) {}
    explicit FSInteger(FSInputStream& coder) : FSValue(IntegerType) { decode(coder); }

    // For type 1, the float's bit pattern.
    int getValue() const { return value; }
    void setValue(int v) {
        value = v;
        type = IntegerType;
    }
    bool isFloat() const { return type == FloatType; }

    int size() const override { return 5; }
    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int value;
};

class FSNull : public FSValue {
  public:
    TRANSFORM_OBJECT(FSNull)

    FSNull() : FSValue(NullType) {}
    explicit FSNull(FSInputStream& coder) : FSValue(NullType) { decode(coder); }

    int size() const override { return 2; }
    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;
};

// The undefined value.
class FSVoid : public FSValue {
  public:
    TRANSFORM_OBJECT(FSVoid)

    FSVoid() : FSValue(VoidType) {}
    explicit FSVoid(FSInputStream& coder) : FSValue(VoidType) { decode(coder); }

    int size() const override { return 2; }
    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;
};

// The contents of one of the player's registers.
class FSRegisterIndex : public FSValue {
  public:
    TRANSFORM_OBJECT(FSRegisterIndex)

    explicit FSRegisterIndex(int index = 0) : FSValue(RegisterType), index(index) {}
    explicit FSRegisterIndex(FSInputStream& coder) : FSValue(RegisterType) { decode(coder); }

    int getIndex() const { return index; }
    void setIndex(int value) { index = value; }

    int size() const override { return 2; }
    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int index;
};

class FSBoolean : public FSValue {
  public:
    TRANSFORM_OBJECT(FSBoolean)

    explicit FSBoolean(bool value = false) : FSValue(BooleanType), value(value) {}
    explicit FSBoolean(FSInputStream& coder) : FSValue(BooleanType) { decode(coder); }

    bool getValue() const { return value; }
    void setValue(bool v) { value = v; }

    int size() const override { return 2; }
    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    bool value;
};

// A 64-bit double, the more significant 32-bit half first, each half little-endian.
class FSDouble : public FSValue {
  public:
    TRANSFORM_OBJECT(FSDouble)

    explicit FSDouble(double value = 0.0) : FSValue(DoubleType), value(value) {}
    explicit FSDouble(FSInputStream& coder) : FSValue(DoubleType) { decode(coder); }

    double getValue() const { return value; }
    void setValue(double v) { value = v; }

    int size() const override { return 9; }
    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    double value;
};

// An index into the constant table of the last FSTable action: 8 bits with type 8 below 256,
// else 16 bits with type 9. An index read in the 16-bit form keeps that form even when small, so
// that re-encoding a script never shifts the branch offsets around it.
class FSTableIndex : public FSValue {
  public:
    TRANSFORM_OBJECT(FSTableIndex)

    explicit FSTableIndex(int index = 0) : FSValue(TableIndexType), index(index) {}
    explicit FSTableIndex(FSInputStream& coder) : FSValue(TableIndexType) { decode(coder); }

    int getIndex() const { return index; }
    void setIndex(int value) {
        index = value;
        wide = false;
    }
    bool isWide() const { return wide || index > 255; }

    int size() const override { return isWide() ? 3 : 2; }
    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int index;
    bool wide = false;
};

}  // namespace transform
