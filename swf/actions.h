// Actions: the bytecode of frame, button, clip and initialisation scripts, and FSDoAction, the
// tag that carries a frame's script.
//
// An action record is its code byte, then, for codes from 0x80 on, a 16-bit little-endian length
// and a body of that many bytes. Functions, with blocks and exception handlers are followed by
// blocks of actions whose sizes their records announce; an action's stored length (getLength)
// covers those blocks too. Every list of actions ends with a single zero byte.
//
// Action lists, for every owner of a script (frame actions, clip and button events,
// initialisation actions):
//
//   int actionListLength(FSArray<FSActionObject>& actions, FSOutputStream& coder);
//       Bytes of the list with its closing zero byte; caches every action's length, so call it
//       before encodeActionList on the same stream.
//   void encodeActionList(FSArray<FSActionObject>& actions, FSOutputStream& coder);
//       Writes each action through encodeAction, then the zero byte.
//   FSArray<FSActionObject> decodeActionList(FSInputStream& coder,
//                                            std::size_t end = UnboundedActionList);
//       Reads actions through decodeAction up to and including the zero byte. `end` is a bit
//       position (the end of the enclosing record): a list that reaches it without a zero byte
//       ends there instead of reading into whatever follows.
//
// Sized blocks of actions with no closing zero (function bodies, with and try blocks):
//
//   int actionBlockLength(FSArray<FSActionObject>& actions, FSOutputStream& coder);
//   void encodeActionBlock(FSArray<FSActionObject>& actions, FSOutputStream& coder);
//   FSArray<FSActionObject> decodeActionBlock(FSInputStream& coder, int size);
//
// One action:
//
//   void encodeAction(FSActionObject& action, FSOutputStream& coder);
//       Writes the action and checks that it wrote its header plus its stored length:
//       "%s underflowed by %d bytes." / "%s overflowed by %d bytes." go to the coder's listener
//       as an error event, or are thrown as FSFormatException when there is none.
//   std::unique_ptr<FSActionObject> decodeAction(FSInputStream& coder);
//       Builds the action whose code byte is at the cursor, or returns null at a zero byte
//       (which is consumed). A record that reads more or fewer bytes than it declares is
//       reported as above; when the listener lets decoding go on, the stream resumes at the
//       record's declared end, so one malformed action does not shift the rest of the list.
//
// Decoding nests at most MaximumActionDepth blocks deep; deeper input is an FSFormatException.
// The depth is kept in the stream's context slot ActionDepthContext.
//
// Decoded scripts re-encode to the same number of bytes (branch offsets count bytes): a table
// index read in its 16-bit form and a scene bias read as 0 keep their form.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "swf/action_values.h"

namespace transform {

inline constexpr int ActionDepthContext = 15;
inline constexpr int MaximumActionDepth = 64;

class FSActionObject : public FSTransformObject {
  public:
    int getType() const { return type; }
    // The body length in bytes without the record header, including any blocks of actions that
    // follow the record; set by length and by decode.
    int getLength() const { return bodyLength; }
    // 1 byte below code 0x80, else 3.
    int headerLength() const { return type >= 0x80 ? 3 : 1; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  protected:
    explicit FSActionObject(int type) : type(type) {}

    // Stores the body length: the record's own bytes plus the blocks of actions after it. A
    // record or block beyond the 16-bit sizes of the format is an FSFormatException.
    int setBodyLength(long long recordLength, long long blocks = 0);
    // Writes the code byte and, from code 0x80 on, the given record length.
    void encodeHeader(FSOutputStream& coder, int recordLength) const;

    int type;
    int bodyLength = 0;
};

// The one-byte actions.
class FSAction : public FSActionObject {
  public:
    enum Code {
        End = 0x00,
        NextFrame = 0x04,
        PrevFrame = 0x05,
        Play = 0x06,
        Stop = 0x07,
        ToggleQuality = 0x08,
        StopSounds = 0x09,
        IntegerAdd = 0x0A,
        Subtract = 0x0B,
        Multiply = 0x0C,
        Divide = 0x0D,
        IntegerEquals = 0x0E,
        IntegerLess = 0x0F,
        And = 0x10,
        Or = 0x11,
        Not = 0x12,
        StringEquals = 0x13,
        StringLength = 0x14,
        StringExtract = 0x15,
        Pop = 0x17,
        ToInteger = 0x18,
        GetVariable = 0x1C,
        SetVariable = 0x1D,
        SetTarget2 = 0x20,
        StringAdd = 0x21,
        GetProperty = 0x22,
        SetProperty = 0x23,
        CloneSprite = 0x24,
        RemoveSprite = 0x25,
        Trace = 0x26,
        StartDrag = 0x27,
        EndDrag = 0x28,
        StringLess = 0x29,
        RandomNumber = 0x30,
        MBStringLength = 0x31,
        CharToAscii = 0x32,
        AsciiToChar = 0x33,
        GetTime = 0x34,
        MBStringExtract = 0x35,
        MBCharToAscii = 0x36,
        MBAsciiToChar = 0x37,
        DeleteVariable = 0x3A,
        Delete = 0x3B,
        InitVariable = 0x3C,
        ExecuteFunction = 0x3D,
        Return = 0x3E,
        Modulo = 0x3F,
        NamedObject = 0x40,
        NewVariable = 0x41,
        NewArray = 0x42,
        NewObject = 0x43,
        GetType = 0x44,
        GetTarget = 0x45,
        Enumerate = 0x46,
        Add = 0x47,
        Less = 0x48,
        Equals = 0x49,
        ToNumber = 0x4A,
        ToString = 0x4B,
        Duplicate = 0x4C,
        Swap = 0x4D,
        GetAttribute = 0x4E,
        SetAttribute = 0x4F,
        Increment = 0x50,
        Decrement = 0x51,
        ExecuteMethod = 0x52,
        NewMethod = 0x53,
        BitwiseAnd = 0x60,
        BitwiseOr = 0x61,
        BitwiseXOr = 0x62,
        LogicalShiftLeft = 0x63,
        ArithmeticShiftRight = 0x64,
        LogicalShiftRight = 0x65,
    };

    explicit FSAction(int code) : FSActionObject(code) {}
    explicit FSAction(FSInputStream& coder) : FSActionObject(0) { decode(coder); }

    // The action's name, or "Action" for a code without one.
    const char* name() const override;
    std::unique_ptr<FSTransformObject> clone() const override {
        return std::make_unique<FSAction>(*this);
    }

    // Whether the reader builds an FSAction for the code (named or not).
    static bool isSimpleAction(int code);

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;
};

class FSGotoFrame : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSGotoFrame)

    explicit FSGotoFrame(int frameNumber = 0) : FSActionObject(0x81), frameNumber(frameNumber) {}
    explicit FSGotoFrame(FSInputStream& coder) : FSActionObject(0x81) { decode(coder); }

    int getFrameNumber() const { return frameNumber; }
    void setFrameNumber(int value) { frameNumber = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int frameNumber;
};

class FSGetUrl : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSGetUrl)

    FSGetUrl(std::string url, std::string target)
        : FSActionObject(0x83), url(std::move(url)), target(std::move(target)) {}
    explicit FSGetUrl(FSInputStream& coder) : FSActionObject(0x83) { decode(coder); }

    const std::string& getUrl() const { return url; }
    void setUrl(std::string value) { url = std::move(value); }
    const std::string& getTarget() const { return target; }
    void setTarget(std::string value) { target = std::move(value); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string url;
    std::string target;
};

// Copies the top of the stack into a register.
class FSRegisterCopy : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSRegisterCopy)

    explicit FSRegisterCopy(int registerNumber = 0)
        : FSActionObject(0x87), registerNumber(registerNumber) {}
    explicit FSRegisterCopy(FSInputStream& coder) : FSActionObject(0x87) { decode(coder); }

    int getRegisterNumber() const { return registerNumber; }
    void setRegisterNumber(int value) { registerNumber = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int registerNumber;
};

// The constant pool that FSTableIndex values refer to.
class FSTable : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSTable)

    explicit FSTable(std::vector<std::string> values = {})
        : FSActionObject(0x88), values(std::move(values)) {}
    explicit FSTable(FSInputStream& coder) : FSActionObject(0x88) { decode(coder); }

    const std::vector<std::string>& getValues() const { return values; }
    void setValues(std::vector<std::string> strings) { values = std::move(strings); }
    void add(std::string value) { values.push_back(std::move(value)); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::vector<std::string> values;
};

class FSWaitForFrame : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSWaitForFrame)

    FSWaitForFrame(int frameNumber, int actionCount)
        : FSActionObject(0x8A), frameNumber(frameNumber), actionCount(actionCount) {}
    explicit FSWaitForFrame(FSInputStream& coder) : FSActionObject(0x8A) { decode(coder); }

    int getFrameNumber() const { return frameNumber; }
    void setFrameNumber(int value) { frameNumber = value; }
    // The number of actions skipped while the frame is not loaded.
    int getActionCount() const { return actionCount; }
    void setActionCount(int value) { actionCount = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int frameNumber = 0;
    int actionCount = 0;
};

class FSSetTarget : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSSetTarget)

    explicit FSSetTarget(std::string target) : FSActionObject(0x8B), target(std::move(target)) {}
    explicit FSSetTarget(FSInputStream& coder) : FSActionObject(0x8B) { decode(coder); }

    const std::string& getTarget() const { return target; }
    void setTarget(std::string value) { target = std::move(value); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string target;
};

class FSGotoLabel : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSGotoLabel)

    explicit FSGotoLabel(std::string label) : FSActionObject(0x8C), label(std::move(label)) {}
    explicit FSGotoLabel(FSInputStream& coder) : FSActionObject(0x8C) { decode(coder); }

    const std::string& getLabel() const { return label; }
    void setLabel(std::string value) { label = std::move(value); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string label;
};

// Waits for the frame whose number is on the stack.
class FSWaitForFrame2 : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSWaitForFrame2)

    explicit FSWaitForFrame2(int actionCount = 0)
        : FSActionObject(0x8D), actionCount(actionCount) {}
    explicit FSWaitForFrame2(FSInputStream& coder) : FSActionObject(0x8D) { decode(coder); }

    int getActionCount() const { return actionCount; }
    void setActionCount(int value) { actionCount = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int actionCount;
};

// An argument of FSNewFunction2 kept in a register (0: not in a register).
class FSRegisterVariable : public FSTransformObject {
  public:
    TRANSFORM_OBJECT(FSRegisterVariable)

    FSRegisterVariable(int registerNumber, std::string name)
        : registerNumber(registerNumber), variableName(std::move(name)) {}
    explicit FSRegisterVariable(FSInputStream& coder) { decode(coder); }

    int getRegisterNumber() const { return registerNumber; }
    void setRegisterNumber(int value) { registerNumber = value; }
    const std::string& getName() const { return variableName; }
    void setName(std::string value) { variableName = std::move(value); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int registerNumber = 0;
    std::string variableName;
};

// A function whose arguments and locals may live in registers. The flags are the 16 bits of the
// record, from the most significant down: preload parent, preload root, suppress super, preload
// super, suppress arguments, preload arguments, suppress this, preload this, 7 reserved bits,
// preload global.
class FSNewFunction2 : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSNewFunction2)

    enum Flags {
        PreloadParent = 0x8000,
        PreloadRoot = 0x4000,
        SuppressSuper = 0x2000,
        PreloadSuper = 0x1000,
        SuppressArguments = 0x0800,
        PreloadArguments = 0x0400,
        SuppressThis = 0x0200,
        PreloadThis = 0x0100,
        PreloadGlobal = 0x0001,
    };

    FSNewFunction2(std::string name, int registerCount, int flags,
                   std::vector<FSRegisterVariable> arguments, FSArray<FSActionObject> actions)
        : FSActionObject(0x8E),
          functionName(std::move(name)),
          registerCount(registerCount),
          flags(flags),
          arguments(std::move(arguments)),
          actions(std::move(actions)) {}
    explicit FSNewFunction2(FSInputStream& coder) : FSActionObject(0x8E) { decode(coder); }

    const std::string& getName() const { return functionName; }
    void setName(std::string value) { functionName = std::move(value); }
    int getRegisterCount() const { return registerCount; }
    void setRegisterCount(int value) { registerCount = value; }
    int getFlags() const { return flags; }
    void setFlags(int value) { flags = value; }
    std::vector<FSRegisterVariable>& getArguments() { return arguments; }
    const std::vector<FSRegisterVariable>& getArguments() const { return arguments; }
    FSArray<FSActionObject>& getActions() { return actions; }
    const FSArray<FSActionObject>& getActions() const { return actions; }
    // The body's encoded size, as the last length or decode left it.
    int getCodeSize() const { return codeSize; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string functionName;
    int registerCount = 0;
    int flags = 0;
    std::vector<FSRegisterVariable> arguments;
    FSArray<FSActionObject> actions;
    int codeSize = 0;
};

// try { ... } catch (name or register) { ... } finally { ... }
class FSExceptionHandler : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSExceptionHandler)

    // An empty variable name catches the exception into the register.
    FSExceptionHandler(int registerNumber, std::string variable, FSArray<FSActionObject> tryActions,
                       FSArray<FSActionObject> catchActions, FSArray<FSActionObject> finallyActions)
        : FSActionObject(0x8F),
          registerNumber(registerNumber),
          variable(std::move(variable)),
          tryActions(std::move(tryActions)),
          catchActions(std::move(catchActions)),
          finallyActions(std::move(finallyActions)) {}
    explicit FSExceptionHandler(FSInputStream& coder) : FSActionObject(0x8F) { decode(coder); }

    int getRegister() const { return registerNumber; }
    void setRegister(int value) { registerNumber = value; }
    const std::string& getVariable() const { return variable; }
    void setVariable(std::string value) { variable = std::move(value); }
    FSArray<FSActionObject>& getTryActions() { return tryActions; }
    const FSArray<FSActionObject>& getTryActions() const { return tryActions; }
    FSArray<FSActionObject>& getCatchActions() { return catchActions; }
    const FSArray<FSActionObject>& getCatchActions() const { return catchActions; }
    FSArray<FSActionObject>& getFinallyActions() { return finallyActions; }
    const FSArray<FSActionObject>& getFinallyActions() const { return finallyActions; }

    // A catch or finally clause with an empty body still catches or runs: the record's flag
    // says it is there. The flag is also set whenever the body holds actions.
    bool hasCatch() const { return catchBlock || !catchActions.empty(); }
    void setCatch(bool value) { catchBlock = value; }
    bool hasFinally() const { return finallyBlock || !finallyActions.empty(); }
    void setFinally(bool value) { finallyBlock = value; }

    int getTrySize() const { return trySize; }
    int getCatchSize() const { return catchSize; }
    int getFinallySize() const { return finallySize; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    bool catchesInRegister() const { return variable.empty(); }

    int registerNumber = 0;
    std::string variable;
    FSArray<FSActionObject> tryActions;
    FSArray<FSActionObject> catchActions;
    FSArray<FSActionObject> finallyActions;
    bool catchBlock = false;
    bool finallyBlock = false;
    int trySize = 0;
    int catchSize = 0;
    int finallySize = 0;
};

// Runs its block with the object on top of the stack as the scope.
class FSWith : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSWith)

    explicit FSWith(FSArray<FSActionObject> actions = {})
        : FSActionObject(0x94), actions(std::move(actions)) {}
    explicit FSWith(FSInputStream& coder) : FSActionObject(0x94) { decode(coder); }

    FSArray<FSActionObject>& getActions() { return actions; }
    const FSArray<FSActionObject>& getActions() const { return actions; }
    int getBlockSize() const { return blockSize; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSArray<FSActionObject> actions;
    int blockSize = 0;
};

class FSPush : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSPush)

    explicit FSPush(FSArray<FSValue> values = {})
        : FSActionObject(0x96), values(std::move(values)) {}
    explicit FSPush(FSInputStream& coder) : FSActionObject(0x96) { decode(coder); }

    FSArray<FSValue>& getValues() { return values; }
    const FSArray<FSValue>& getValues() const { return values; }
    void add(std::unique_ptr<FSValue> value) { values.add(std::move(value)); }
    template <class V, class... Args>
    FSPush& push(Args&&... args) {
        values.emplace<V>(std::forward<Args>(args)...);
        return *this;
    }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSArray<FSValue> values;
};

// A branch: the offset counts bytes from the end of this action. The caller sums the encoded
// sizes (actionBlockLength) of the actions it jumps over.
class FSJump : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSJump)

    explicit FSJump(int offset = 0) : FSActionObject(0x99), offset(offset) {}
    explicit FSJump(FSInputStream& coder) : FSActionObject(0x99) { decode(coder); }

    int getOffset() const { return offset; }
    void setOffset(int value) { offset = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int offset;
};

// Loads a URL or variables; the URL and target are on the stack.
class FSGetUrl2 : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSGetUrl2)

    explicit FSGetUrl2(int requestFlags = 0) : FSActionObject(0x9A), requestFlags(requestFlags) {}
    explicit FSGetUrl2(FSInputStream& coder) : FSActionObject(0x9A) { decode(coder); }

    int getRequestFlags() const { return requestFlags; }
    void setRequestFlags(int value) { requestFlags = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int requestFlags;
};

class FSNewFunction : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSNewFunction)

    FSNewFunction(std::string name, std::vector<std::string> arguments,
                  FSArray<FSActionObject> actions)
        : FSActionObject(0x9B),
          functionName(std::move(name)),
          arguments(std::move(arguments)),
          actions(std::move(actions)) {}
    explicit FSNewFunction(FSInputStream& coder) : FSActionObject(0x9B) { decode(coder); }

    const std::string& getName() const { return functionName; }
    void setName(std::string value) { functionName = std::move(value); }
    const std::vector<std::string>& getArguments() const { return arguments; }
    void setArguments(std::vector<std::string> values) { arguments = std::move(values); }
    FSArray<FSActionObject>& getActions() { return actions; }
    const FSArray<FSActionObject>& getActions() const { return actions; }
    int getCodeSize() const { return codeSize; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    std::string functionName;
    std::vector<std::string> arguments;
    FSArray<FSActionObject> actions;
    int codeSize = 0;
};

// A conditional branch, taken when the top of the stack is true; the offset as for FSJump.
class FSIf : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSIf)

    explicit FSIf(int offset = 0) : FSActionObject(0x9D), offset(offset) {}
    explicit FSIf(FSInputStream& coder) : FSActionObject(0x9D) { decode(coder); }

    int getOffset() const { return offset; }
    void setOffset(int value) { offset = value; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    int offset;
};

// Calls the frame whose number or label is on the stack; its header carries a zero length.
class FSCall : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSCall)

    FSCall() : FSActionObject(0x9E) {}
    explicit FSCall(FSInputStream& coder) : FSActionObject(0x9E) { decode(coder); }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;
};

// Goes to the frame whose number or label is on the stack, plus an optional scene bias.
class FSGotoFrame2 : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSGotoFrame2)

    explicit FSGotoFrame2(bool play = false) : FSActionObject(0x9F), play(play) {}
    explicit FSGotoFrame2(FSInputStream& coder) : FSActionObject(0x9F) { decode(coder); }

    bool getPlay() const { return play; }
    void setPlay(bool value) { play = value; }
    // A 16-bit unsigned field, written when it is not 0 or when it was read from a record
    // that carried it.
    int getSceneBias() const { return sceneBias; }
    void setSceneBias(int value) {
        sceneBias = value;
        biasRead = false;
    }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    bool hasBias() const { return sceneBias != 0 || biasRead; }

    bool play = false;
    int sceneBias = 0;
    bool biasRead = false;
};

// Any action the library does not model, kept byte for byte. A damaged with, function or try
// action is kept this way too: its record as the data, and the blocks the record declares after
// itself as the trailing bytes, which the record's length does not count.
class FSUnknownAction : public FSActionObject {
  public:
    TRANSFORM_OBJECT(FSUnknownAction)

    // A body is only possible for codes from 0x80 on.
    explicit FSUnknownAction(int code, std::vector<uint8_t> data = {})
        : FSActionObject(code), data(std::move(data)) {}
    explicit FSUnknownAction(FSInputStream& coder) : FSActionObject(0) { decode(coder); }
    // Reads the action's record, then the given number of block bytes after it.
    FSUnknownAction(FSInputStream& coder, std::size_t blockBytes);

    const std::vector<uint8_t>& getData() const { return data; }
    void setData(std::vector<uint8_t> bytes) { data = std::move(bytes); }
    const std::vector<uint8_t>& getTrailingBlocks() const { return blocks; }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    void decodeWithBlocks(FSInputStream& coder, std::size_t blockBytes);

    std::vector<uint8_t> data;
    std::vector<uint8_t> blocks;
};

// The actions of a frame (tag type 12). A script encoded elsewhere may be given as a block of
// bytes (without the closing zero, which encoding adds); setting actions replaces the block.
class FSDoAction : public FSMovieObject {
  public:
    TRANSFORM_OBJECT(FSDoAction)

    explicit FSDoAction(FSArray<FSActionObject> actions = {})
        : FSMovieObject(12), actions(std::move(actions)) {}
    explicit FSDoAction(std::vector<uint8_t> encodedActions)
        : FSMovieObject(12), encodedActions(std::move(encodedActions)) {}
    explicit FSDoAction(FSInputStream& coder) : FSMovieObject(12) { decode(coder); }

    FSArray<FSActionObject>& getActions() { return actions; }
    const FSArray<FSActionObject>& getActions() const { return actions; }
    void setActions(FSArray<FSActionObject> list) {
        actions = std::move(list);
        encodedActions.clear();
    }
    void add(std::unique_ptr<FSActionObject> action) {
        actions.add(std::move(action));
        encodedActions.clear();
    }
    const std::vector<uint8_t>& getEncodedActions() const { return encodedActions; }
    // Deletes the action list and keeps the block.
    void setEncodedActions(std::vector<uint8_t> bytes) {
        encodedActions = std::move(bytes);
        actions.clear();
    }

    int length(FSOutputStream& coder) override;
    void encode(FSOutputStream& coder) override;
    void decode(FSInputStream& coder) override;

  private:
    FSArray<FSActionObject> actions;
    std::vector<uint8_t> encodedActions;
};

// ---- action lists ----

inline constexpr std::size_t UnboundedActionList = std::numeric_limits<std::size_t>::max();

int actionListLength(FSArray<FSActionObject>& actions, FSOutputStream& coder);
void encodeActionList(FSArray<FSActionObject>& actions, FSOutputStream& coder);
FSArray<FSActionObject> decodeActionList(FSInputStream& coder,
                                         std::size_t end = UnboundedActionList);

int actionBlockLength(FSArray<FSActionObject>& actions, FSOutputStream& coder);
void encodeActionBlock(FSArray<FSActionObject>& actions, FSOutputStream& coder);
FSArray<FSActionObject> decodeActionBlock(FSInputStream& coder, int size);

void encodeAction(FSActionObject& action, FSOutputStream& coder);
std::unique_ptr<FSActionObject> decodeAction(FSInputStream& coder);

}  // namespace transform
