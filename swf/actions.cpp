#include "swf/actions.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace transform {

namespace {

constexpr int MaximumRecordLength = 0xFFFF;

// Reports an action that wrote or read a different number of bytes than it announced, then puts
// the cursor on the announced end.
void checkActionEnd(FSCoder& coder, const FSActionObject& action, std::size_t expectedEnd) {
    const long long difference =
        (static_cast<long long>(expectedEnd) - static_cast<long long>(coder.getCursor())) / 8;
    if (difference != 0) {
        char message[160];
        if (difference > 0)
            std::snprintf(message, sizeof message, "%s underflowed by %lld bytes.", action.name(),
                          difference);
        else
            std::snprintf(message, sizeof message, "%s overflowed by %lld bytes.", action.name(),
                          -difference);
        if (!coder.reportError(message)) throw FSFormatException(message);
    }
    coder.setCursor(expectedEnd);
}

// Counts the nesting of action blocks being decoded in the stream itself, so that hostile input
// ends in an error long before the stack runs out.
class DepthGuard {
  public:
    explicit DepthGuard(FSCoder& coder)
        : coder(coder), previous(coder.getContext(ActionDepthContext)) {
        if (previous >= MaximumActionDepth) {
            char message[96];
            std::snprintf(message, sizeof message,
                          "Actions nested more than %d blocks deep at byte %zu.",
                          MaximumActionDepth, coder.getCursor() / 8);
            throw FSFormatException(message);
        }
        coder.setContext(ActionDepthContext, previous + 1);
    }
    ~DepthGuard() { coder.setContext(ActionDepthContext, previous); }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

  private:
    FSCoder& coder;
    int previous;
};

int checkedSize(const char* owner, const char* what, long long size) {
    if (size <= MaximumRecordLength) return static_cast<int>(size);
    char message[128];
    std::snprintf(message, sizeof message, "%s: %s of %lld bytes exceeds %d.", owner, what, size,
                  MaximumRecordLength);
    throw FSFormatException(message);
}

int checkedCount(const char* owner, std::size_t count) {
    if (count <= static_cast<std::size_t>(MaximumRecordLength)) return static_cast<int>(count);
    throw FSFormatException(std::string(owner) + ": more than 65535 entries");
}

int checkedOffset(const char* owner, int offset) {
    if (offset >= -32768 && offset <= 32767) return offset;
    char message[96];
    std::snprintf(message, sizeof message, "%s: branch offset %d is beyond 16 bits.", owner,
                  offset);
    throw FSFormatException(message);
}

std::unique_ptr<FSActionObject> makeAction(int code, FSInputStream& coder) {
    if (FSAction::isSimpleAction(code)) return std::make_unique<FSAction>(coder);
    switch (code) {
        case 0x81:
            return std::make_unique<FSGotoFrame>(coder);
        case 0x83:
            return std::make_unique<FSGetUrl>(coder);
        case 0x87:
            return std::make_unique<FSRegisterCopy>(coder);
        case 0x88:
            return std::make_unique<FSTable>(coder);
        case 0x8A:
            return std::make_unique<FSWaitForFrame>(coder);
        case 0x8B:
            return std::make_unique<FSSetTarget>(coder);
        case 0x8C:
            return std::make_unique<FSGotoLabel>(coder);
        case 0x8D:
            return std::make_unique<FSWaitForFrame2>(coder);
        case 0x8E:
            return std::make_unique<FSNewFunction2>(coder);
        case 0x8F:
            return std::make_unique<FSExceptionHandler>(coder);
        case 0x94:
            return std::make_unique<FSWith>(coder);
        case 0x96:
            return std::make_unique<FSPush>(coder);
        case 0x99:
            return std::make_unique<FSJump>(coder);
        case 0x9A:
            return std::make_unique<FSGetUrl2>(coder);
        case 0x9B:
            return std::make_unique<FSNewFunction>(coder);
        case 0x9D:
            return std::make_unique<FSIf>(coder);
        case 0x9E:
            return std::make_unique<FSCall>(coder);
        case 0x9F:
            return std::make_unique<FSGotoFrame2>(coder);
        default:
            return std::make_unique<FSUnknownAction>(coder);
    }
}

}  // namespace

// ---- action lists ----

void encodeAction(FSActionObject& action, FSOutputStream& coder) {
    const std::size_t expectedEnd =
        coder.getCursor() +
        static_cast<std::size_t>(action.headerLength() + action.getLength()) * 8;
    action.encode(coder);
    checkActionEnd(coder, action, expectedEnd);
}

std::unique_ptr<FSActionObject> decodeAction(FSInputStream& coder) {
    const std::size_t start = coder.getCursor();
    const int code = coder.scan(FSCoder::UnsignedWord, 8);
    if (code == 0) {
        coder.setCursor(start);
        coder.read(FSCoder::UnsignedWord, 8);
        return nullptr;
    }
    const std::size_t recordLength =
        code >= 0x80 ? static_cast<std::size_t>(coder.scan(FSCoder::UnsignedWord, 16)) : 0;
    const std::size_t headerEnd = coder.getCursor();
    coder.setCursor(start);

    std::unique_ptr<FSActionObject> action;
    try {
        action = makeAction(code, coder);
    } catch (const std::bad_alloc&) {
        throw FSAllocationException("Cannot allocate memory for action object.");
    }
    const std::size_t expectedEnd = headerEnd + static_cast<std::size_t>(action->getLength()) * 8;
    const bool overran = coder.getCursor() > expectedEnd;
    checkActionEnd(coder, *action, expectedEnd);
    if (overran) {
        // It read bytes of the actions after it: kept as its declared bytes (reported above), the
        // record and the blocks it declares, and reading goes on at its declared end. Writing it
        // back changes nothing around it, and reading that again fails the same way: were its
        // blocks read again as the actions after it, writing those back tidied could make the
        // record fit them, and a second reading would differ from the first.
        coder.setCursor(start);
        const std::size_t declared = (expectedEnd - headerEnd) / 8;
        action = std::make_unique<FSUnknownAction>(
            coder, declared > recordLength ? declared - recordLength : 0);
    }
    return action;
}

int actionBlockLength(FSArray<FSActionObject>& actions, FSOutputStream& coder) {
    long long total = 0;
    for (auto& action : actions) total += action->length(coder) + action->headerLength();
    if (total > INT_MAX) throw FSFormatException("Action list too long to encode");
    return static_cast<int>(total);
}

int actionListLength(FSArray<FSActionObject>& actions, FSOutputStream& coder) {
    const int size = actionBlockLength(actions, coder);
    if (size == INT_MAX) throw FSFormatException("Action list too long to encode");
    return size + 1;
}

void encodeActionBlock(FSArray<FSActionObject>& actions, FSOutputStream& coder) {
    coder.beginObject("array");
    for (auto& action : actions) encodeAction(*action, coder);
    coder.endObject("array");
}

void encodeActionList(FSArray<FSActionObject>& actions, FSOutputStream& coder) {
    coder.beginObject("array");
    for (auto& action : actions) encodeAction(*action, coder);
    coder.write(0, FSCoder::UnsignedWord, 8);
    coder.endObject("array");
}

FSArray<FSActionObject> decodeActionList(FSInputStream& coder, std::size_t end) {
    FSArray<FSActionObject> actions;
    coder.beginObject("array");
    while (coder.getCursor() < end) {
        auto action = decodeAction(coder);
        if (!action) break;
        actions.add(std::move(action));
    }
    coder.endObject("array");
    return actions;
}

// A zero byte inside a sized block is kept as an action of its own: dropping it would shift
// every branch that crosses it.
FSArray<FSActionObject> decodeActionBlock(FSInputStream& coder, int size) {
    DepthGuard depth(coder);
    FSArray<FSActionObject> actions;
    coder.beginObject("array");
    const std::size_t end = coder.getCursor() + static_cast<std::size_t>(std::max(size, 0)) * 8;
    while (coder.getCursor() < end) {
        auto action = decodeAction(coder);
        if (!action) action = std::make_unique<FSAction>(FSAction::End);
        actions.add(std::move(action));
    }
    coder.endObject("array");
    return actions;
}

// ---- FSActionObject ----

int FSActionObject::length(FSOutputStream&) {
    if (type < 0 || type > 0xFF) {
        char message[64];
        std::snprintf(message, sizeof message, "Action code %d is not a byte.", type);
        throw FSFormatException(message);
    }
    bodyLength = 0;
    return 0;
}

int FSActionObject::setBodyLength(long long recordLength, long long blocks) {
    checkedSize(name(), "record", recordLength);
    if (type < 0x80 && recordLength != 0)
        throw FSFormatException(std::string(name()) + ": an action below 0x80 has no body");
    bodyLength = static_cast<int>(recordLength + blocks);
    return bodyLength;
}

void FSActionObject::encodeHeader(FSOutputStream& coder, int recordLength) const {
    coder.write(type, FSCoder::UnsignedWord, 8);
    if (type >= 0x80) coder.write(recordLength, FSCoder::UnsignedWord, 16);
}

void FSActionObject::encode(FSOutputStream& coder) {
    encodeHeader(coder, bodyLength);
}

void FSActionObject::decode(FSInputStream& coder) {
    type = coder.read(FSCoder::UnsignedWord, 8);
    bodyLength = type >= 0x80 ? coder.read(FSCoder::UnsignedWord, 16) : 0;
}

// ---- FSAction ----

namespace {

const char* simpleActionName(int code) {
    switch (code) {
        case 0x04:
            return "NextFrame";
        case 0x05:
            return "PrevFrame";
        case 0x06:
            return "Play";
        case 0x07:
            return "Stop";
        case 0x08:
            return "ToggleQuality";
        case 0x09:
            return "StopSounds";
        case 0x0A:
            return "IntegerAdd";
        case 0x0B:
            return "Subtract";
        case 0x0C:
            return "Multiply";
        case 0x0D:
            return "Divide";
        case 0x0E:
            return "IntegerEquals";
        case 0x0F:
            return "IntegerLess";
        case 0x10:
            return "And";
        case 0x11:
            return "Or";
        case 0x12:
            return "Not";
        case 0x13:
            return "StringEquals";
        case 0x14:
            return "StringLength";
        case 0x15:
            return "StringExtract";
        case 0x17:
            return "Pop";
        case 0x18:
            return "ToInteger";
        case 0x1C:
            return "GetVariable";
        case 0x1D:
            return "SetVariable";
        case 0x20:
            return "SetTarget2";
        case 0x21:
            return "StringAdd";
        case 0x22:
            return "GetProperty";
        case 0x23:
            return "SetProperty";
        case 0x24:
            return "CloneSprite";
        case 0x25:
            return "RemoveSprite";
        case 0x26:
            return "Trace";
        case 0x27:
            return "StartDrag";
        case 0x28:
            return "EndDrag";
        case 0x29:
            return "StringLess";
        case 0x30:
            return "RandomNumber";
        case 0x31:
            return "MBStringLength";
        case 0x32:
            return "CharToAscii";
        case 0x33:
            return "AsciiToChar";
        case 0x34:
            return "GetTime";
        case 0x35:
            return "MBStringExtract";
        case 0x36:
            return "MBCharToAscii";
        case 0x37:
            return "MBAsciiToChar";
        case 0x3A:
            return "DeleteVariable";
        case 0x3B:
            return "Delete";
        case 0x3C:
            return "InitVariable";
        case 0x3D:
            return "ExecuteFunction";
        case 0x3E:
            return "Return";
        case 0x3F:
            return "Modulo";
        case 0x40:
            return "NamedObject";
        case 0x41:
            return "NewVariable";
        case 0x42:
            return "NewArray";
        case 0x43:
            return "NewObject";
        case 0x44:
            return "GetType";
        case 0x45:
            return "GetTarget";
        case 0x46:
            return "Enumerate";
        case 0x47:
            return "Add";
        case 0x48:
            return "Less";
        case 0x49:
            return "Equals";
        case 0x4A:
            return "ToNumber";
        case 0x4B:
            return "ToString";
        case 0x4C:
            return "Duplicate";
        case 0x4D:
            return "Swap";
        case 0x4E:
            return "GetAttribute";
        case 0x4F:
            return "SetAttribute";
        case 0x50:
            return "Increment";
        case 0x51:
            return "Decrement";
        case 0x52:
            return "ExecuteMethod";
        case 0x53:
            return "NewMethod";
        case 0x60:
            return "BitwiseAnd";
        case 0x61:
            return "BitwiseOr";
        case 0x62:
            return "BitwiseXOr";
        case 0x63:
            return "LogicalShiftLeft";
        case 0x64:
            return "ArithmeticShiftRight";
        case 0x65:
            return "LogicalShiftRight";
        default:
            return nullptr;
    }
}

}  // namespace

const char* FSAction::name() const {
    const char* text = simpleActionName(type);
    return text ? text : "Action";
}

bool FSAction::isSimpleAction(int code) {
    switch (code) {
        case 0x2A:
        case 0x2B:
        case 0x2C:
        case 0x54:
        case 0x55:
        case 0x66:
        case 0x67:
        case 0x68:
        case 0x69:
            return true;
        default:
            return simpleActionName(code) != nullptr;
    }
}

int FSAction::length(FSOutputStream& coder) {
    return FSActionObject::length(coder);
}

void FSAction::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, 0);
    coder.endObject(name());
}

void FSAction::decode(FSInputStream& coder) {
    // The name depends on the code, so the begin event waits for it.
    const std::size_t start = coder.getCursor();
    type = coder.scan(FSCoder::UnsignedWord, 8);
    coder.setCursor(start);
    coder.beginObject(name());
    FSActionObject::decode(coder);
    coder.endObject(name());
}

// ---- FSGotoFrame ----

int FSGotoFrame::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    return setBodyLength(2);
}

void FSGotoFrame::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.write(frameNumber, FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

void FSGotoFrame::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    frameNumber = coder.read(FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

// ---- FSGetUrl ----

int FSGetUrl::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    return setBodyLength(static_cast<long long>(zeroTerminatedLength(url, name())) +
                         zeroTerminatedLength(target, name()));
}

void FSGetUrl::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.writeString(url);
    coder.writeString(target);
    coder.endObject(name());
}

void FSGetUrl::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    url = coder.readString();
    target = coder.readString();
    coder.endObject(name());
}

// ---- FSRegisterCopy ----

int FSRegisterCopy::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    return setBodyLength(1);
}

void FSRegisterCopy::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.write(registerNumber, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSRegisterCopy::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    registerNumber = coder.read(FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

// ---- FSTable ----

int FSTable::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    checkedCount(name(), values.size());
    long long size = 2;
    for (const auto& value : values) size += zeroTerminatedLength(value, name());
    return setBodyLength(size);
}

void FSTable::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.write(static_cast<int>(values.size()), FSCoder::UnsignedWord, 16);
    coder.beginObject("array");
    for (const auto& value : values) coder.writeString(value);
    coder.endObject("array");
    coder.endObject(name());
}

void FSTable::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    const int count = coder.read(FSCoder::UnsignedWord, 16);
    values.clear();
    coder.beginObject("array");
    for (int i = 0; i < count; ++i) values.push_back(coder.readString());
    coder.endObject("array");
    coder.endObject(name());
}

// ---- FSWaitForFrame ----

int FSWaitForFrame::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    return setBodyLength(3);
}

void FSWaitForFrame::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.write(frameNumber, FSCoder::UnsignedWord, 16);
    coder.write(actionCount, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSWaitForFrame::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    frameNumber = coder.read(FSCoder::UnsignedWord, 16);
    actionCount = coder.read(FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

// ---- FSSetTarget ----

int FSSetTarget::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    return setBodyLength(zeroTerminatedLength(target, name()));
}

void FSSetTarget::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.writeString(target);
    coder.endObject(name());
}

void FSSetTarget::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    target = coder.readString();
    coder.endObject(name());
}

// ---- FSGotoLabel ----

int FSGotoLabel::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    return setBodyLength(zeroTerminatedLength(label, name()));
}

void FSGotoLabel::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.writeString(label);
    coder.endObject(name());
}

void FSGotoLabel::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    label = coder.readString();
    coder.endObject(name());
}

// ---- FSWaitForFrame2 ----

int FSWaitForFrame2::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    return setBodyLength(1);
}

void FSWaitForFrame2::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.write(actionCount, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSWaitForFrame2::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    actionCount = coder.read(FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

// ---- FSRegisterVariable ----

int FSRegisterVariable::length(FSOutputStream&) {
    return 1 + zeroTerminatedLength(variableName, name());
}

void FSRegisterVariable::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    coder.write(registerNumber, FSCoder::UnsignedWord, 8);
    coder.writeString(variableName);
    coder.endObject(name());
}

void FSRegisterVariable::decode(FSInputStream& coder) {
    coder.beginObject(name());
    registerNumber = coder.read(FSCoder::UnsignedWord, 8);
    variableName = coder.readString();
    coder.endObject(name());
}

// ---- FSNewFunction2 ----

int FSNewFunction2::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    checkedCount(name(), arguments.size());
    long long record = zeroTerminatedLength(functionName, name()) + 5 + 2;
    for (auto& argument : arguments) record += argument.length(coder);
    codeSize = checkedSize(name(), "function body", actionBlockLength(actions, coder));
    return setBodyLength(record, codeSize);
}

void FSNewFunction2::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength - codeSize);
    coder.writeString(functionName);
    coder.write(static_cast<int>(arguments.size()), FSCoder::UnsignedWord, 16);
    coder.write(registerCount, FSCoder::UnsignedWord, 8);
    coder.write(flags, FSCoder::UnsignedBits, 16);
    coder.beginObject("array");
    for (auto& argument : arguments) argument.encode(coder);
    coder.endObject("array");
    coder.write(codeSize, FSCoder::UnsignedWord, 16);
    encodeActionBlock(actions, coder);
    coder.endObject(name());
}

void FSNewFunction2::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    functionName = coder.readString();
    const int count = coder.read(FSCoder::UnsignedWord, 16);
    registerCount = coder.read(FSCoder::UnsignedWord, 8);
    flags = coder.read(FSCoder::UnsignedBits, 16);
    arguments.clear();
    coder.beginObject("array");
    for (int i = 0; i < count; ++i) arguments.emplace_back(coder);
    coder.endObject("array");
    codeSize = coder.read(FSCoder::UnsignedWord, 16);
    bodyLength += codeSize;
    actions = decodeActionBlock(coder, codeSize);
    coder.endObject(name());
}

// ---- FSExceptionHandler ----

int FSExceptionHandler::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    trySize = checkedSize(name(), "try block", actionBlockLength(tryActions, coder));
    catchSize = checkedSize(name(), "catch block", actionBlockLength(catchActions, coder));
    finallySize = checkedSize(name(), "finally block", actionBlockLength(finallyActions, coder));
    const int catchTarget = catchesInRegister() ? 1 : zeroTerminatedLength(variable, name());
    return setBodyLength(7 + catchTarget,
                         static_cast<long long>(trySize) + catchSize + finallySize);
}

void FSExceptionHandler::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength - trySize - catchSize - finallySize);
    coder.write(0, FSCoder::UnsignedBits, 5);
    coder.write(catchesInRegister() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(hasFinally() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(hasCatch() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(trySize, FSCoder::UnsignedWord, 16);
    coder.write(catchSize, FSCoder::UnsignedWord, 16);
    coder.write(finallySize, FSCoder::UnsignedWord, 16);
    if (catchesInRegister())
        coder.write(registerNumber, FSCoder::UnsignedWord, 8);
    else
        coder.writeString(variable);
    encodeActionBlock(tryActions, coder);
    encodeActionBlock(catchActions, coder);
    encodeActionBlock(finallyActions, coder);
    coder.endObject(name());
}

void FSExceptionHandler::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    coder.read(FSCoder::UnsignedBits, 5);
    const bool inRegister = coder.read(FSCoder::UnsignedBits, 1) == 1;
    finallyBlock = coder.read(FSCoder::UnsignedBits, 1) == 1;
    catchBlock = coder.read(FSCoder::UnsignedBits, 1) == 1;
    trySize = coder.read(FSCoder::UnsignedWord, 16);
    catchSize = coder.read(FSCoder::UnsignedWord, 16);
    finallySize = coder.read(FSCoder::UnsignedWord, 16);
    registerNumber = 0;
    variable.clear();
    if (inRegister)
        registerNumber = coder.read(FSCoder::UnsignedWord, 8);
    else
        variable = coder.readString();
    // The blocks follow the record, so the stored length covers them too.
    bodyLength += trySize + catchSize + finallySize;
    tryActions = decodeActionBlock(coder, trySize);
    catchActions = decodeActionBlock(coder, catchSize);
    finallyActions = decodeActionBlock(coder, finallySize);
    coder.endObject(name());
}

// ---- FSWith ----

int FSWith::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    blockSize = checkedSize(name(), "block", actionBlockLength(actions, coder));
    return setBodyLength(2, blockSize);
}

void FSWith::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, 2);
    coder.write(blockSize, FSCoder::UnsignedWord, 16);
    encodeActionBlock(actions, coder);
    coder.endObject(name());
}

void FSWith::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    blockSize = coder.read(FSCoder::UnsignedWord, 16);
    bodyLength += blockSize;
    actions = decodeActionBlock(coder, blockSize);
    coder.endObject(name());
}

// ---- FSPush ----

int FSPush::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    long long size = 0;
    for (auto& value : values) size += value->length(coder);
    return setBodyLength(size);
}

void FSPush::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.beginObject("array");
    for (auto& value : values) value->encode(coder);
    coder.endObject("array");
    coder.endObject(name());
}

void FSPush::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    values.clear();
    coder.beginObject("array");
    const std::size_t end = coder.getCursor() + static_cast<std::size_t>(bodyLength) * 8;
    while (coder.getCursor() < end) values.add(FSValue::decodeValue(coder));
    coder.endObject("array");
    coder.endObject(name());
}

// ---- FSJump, FSIf ----

int FSJump::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    checkedOffset(name(), offset);
    return setBodyLength(2);
}

void FSJump::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.write(offset, FSCoder::SignedWord, 16);
    coder.endObject(name());
}

void FSJump::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    offset = coder.read(FSCoder::SignedWord, 16);
    coder.endObject(name());
}

int FSIf::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    checkedOffset(name(), offset);
    return setBodyLength(2);
}

void FSIf::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.write(offset, FSCoder::SignedWord, 16);
    coder.endObject(name());
}

void FSIf::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    offset = coder.read(FSCoder::SignedWord, 16);
    coder.endObject(name());
}

// ---- FSGetUrl2 ----

int FSGetUrl2::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    return setBodyLength(1);
}

void FSGetUrl2::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.write(requestFlags, FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

void FSGetUrl2::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    requestFlags = coder.read(FSCoder::UnsignedWord, 8);
    coder.endObject(name());
}

// ---- FSNewFunction ----

int FSNewFunction::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    checkedCount(name(), arguments.size());
    long long record = zeroTerminatedLength(functionName, name()) + 2 + 2;
    for (const auto& argument : arguments) record += zeroTerminatedLength(argument, name());
    codeSize = checkedSize(name(), "function body", actionBlockLength(actions, coder));
    return setBodyLength(record, codeSize);
}

void FSNewFunction::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength - codeSize);
    coder.writeString(functionName);
    coder.write(static_cast<int>(arguments.size()), FSCoder::UnsignedWord, 16);
    coder.beginObject("array");
    for (const auto& argument : arguments) coder.writeString(argument);
    coder.endObject("array");
    coder.write(codeSize, FSCoder::UnsignedWord, 16);
    encodeActionBlock(actions, coder);
    coder.endObject(name());
}

void FSNewFunction::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    functionName = coder.readString();
    const int count = coder.read(FSCoder::UnsignedWord, 16);
    arguments.clear();
    coder.beginObject("array");
    for (int i = 0; i < count; ++i) arguments.push_back(coder.readString());
    coder.endObject("array");
    codeSize = coder.read(FSCoder::UnsignedWord, 16);
    bodyLength += codeSize;
    actions = decodeActionBlock(coder, codeSize);
    coder.endObject(name());
}

// ---- FSCall ----

int FSCall::length(FSOutputStream& coder) {
    return FSActionObject::length(coder);
}

void FSCall::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, 0);
    coder.endObject(name());
}

void FSCall::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    coder.endObject(name());
}

// ---- FSGotoFrame2 ----

int FSGotoFrame2::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    return setBodyLength(hasBias() ? 3 : 1);
}

void FSGotoFrame2::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, bodyLength);
    coder.write(0, FSCoder::UnsignedBits, 6);
    coder.write(hasBias() ? 1 : 0, FSCoder::UnsignedBits, 1);
    coder.write(play ? 1 : 0, FSCoder::UnsignedBits, 1);
    if (hasBias()) coder.write(sceneBias, FSCoder::UnsignedWord, 16);
    coder.endObject(name());
}

void FSGotoFrame2::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    coder.read(FSCoder::UnsignedBits, 6);
    biasRead = coder.read(FSCoder::UnsignedBits, 1) == 1;
    play = coder.read(FSCoder::UnsignedBits, 1) == 1;
    sceneBias = biasRead ? coder.read(FSCoder::UnsignedWord, 16) : 0;
    coder.endObject(name());
}

// ---- FSUnknownAction ----

FSUnknownAction::FSUnknownAction(FSInputStream& coder, std::size_t blockBytes) : FSActionObject(0) {
    decodeWithBlocks(coder, blockBytes);
}

int FSUnknownAction::length(FSOutputStream& coder) {
    FSActionObject::length(coder);
    return setBodyLength(static_cast<long long>(data.size()),
                         static_cast<long long>(blocks.size()));
}

void FSUnknownAction::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    encodeHeader(coder, static_cast<int>(data.size()));
    coder.writeBytes(data);
    coder.writeBytes(blocks);
    coder.endObject(name());
}

void FSUnknownAction::decode(FSInputStream& coder) {
    decodeWithBlocks(coder, 0);
}

// The blocks are read inside the object, so that a listener sees the action's whole extent.
void FSUnknownAction::decodeWithBlocks(FSInputStream& coder, std::size_t blockBytes) {
    coder.beginObject(name());
    FSActionObject::decode(coder);
    data = coder.readBytes(bodyLength);
    blocks.clear();
    if (blockBytes > 0) blocks = coder.readBytes(static_cast<long long>(blockBytes));
    coder.endObject(name());
}

// ---- FSDoAction ----

int FSDoAction::length(FSOutputStream& coder) {
    FSMovieObject::length(coder);
    if (encodedActions.empty()) {
        bodyLength = actionListLength(actions, coder);
    } else {
        if (encodedActions.size() >= static_cast<std::size_t>(INT_MAX))
            throw FSFormatException("FSDoAction: script too long to encode");
        bodyLength = static_cast<int>(encodedActions.size()) + 1;
    }
    return bodyLength;
}

void FSDoAction::encode(FSOutputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::encode(coder);
    if (encodedActions.empty()) {
        encodeActionList(actions, coder);
    } else {
        coder.writeBytes(encodedActions);
        coder.write(0, FSCoder::UnsignedWord, 8);
    }
    coder.endObject(name());
}

void FSDoAction::decode(FSInputStream& coder) {
    coder.beginObject(name());
    FSMovieObject::decode(coder);
    const std::size_t end = coder.getCursor() + static_cast<std::size_t>(bodyLength) * 8;
    encodedActions.clear();
    actions = decodeActionList(coder, end);
    coder.endObject(name());
}

}  // namespace transform
