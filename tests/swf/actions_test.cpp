#include "swf/actions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "swf/display_list.h"
#include "swf/movie.h"
#include "tests/swf/swf_test_support.h"

namespace transform {
namespace {

using namespace test;

using Actions = FSArray<FSActionObject>;

Bytes encodeOne(FSActionObject& action) {
    FSOutputStream sizer(0);
    const int size = action.length(sizer) + action.headerLength();
    FSOutputStream out(static_cast<std::size_t>(size));
    action.length(out);
    encodeAction(action, out);
    EXPECT_EQ(out.getCursor(), out.size() * 8) << action.name();
    return out.getData();
}

std::unique_ptr<FSActionObject> decodeOne(const Bytes& bytes) {
    FSInputStream in(bytes.data(), bytes.size());
    auto action = decodeAction(in);
    EXPECT_EQ(in.getCursor(), bytes.size() * 8);
    return action;
}

Bytes encodeList(Actions& actions, FSCodingListener* listener = nullptr) {
    FSOutputStream sizer(0);
    const int size = actionListLength(actions, sizer);
    FSOutputStream out(static_cast<std::size_t>(size));
    out.setListener(listener);
    actionListLength(actions, out);
    encodeActionList(actions, out);
    EXPECT_EQ(out.getCursor(), out.size() * 8);
    return out.getData();
}

Actions decodeList(const Bytes& bytes, FSCodingListener* listener = nullptr) {
    FSInputStream in(bytes.data(), bytes.size());
    in.setListener(listener);
    Actions actions = decodeActionList(in);
    EXPECT_EQ(in.getCursor(), bytes.size() * 8);
    return actions;
}

int blockSize(Actions& actions) {
    FSOutputStream sizer(0);
    return actionBlockLength(actions, sizer);
}

template <class T>
T& as(FSActionObject& action) {
    auto* typed = dynamic_cast<T*>(&action);
    if (typed == nullptr)
        throw std::runtime_error(std::string("not the expected class: ") + action.name());
    return *typed;
}

// ---- one record per class, both ways ----

struct RecordRow {
    const char* className;
    std::function<std::unique_ptr<FSActionObject>()> make;
    Bytes bytes;
};

// Makes a T from copies of the arguments, each time it is called.
template <class T, class... Args>
std::function<std::unique_ptr<FSActionObject>()> make(Args... args) {
    return [=] { return std::unique_ptr<FSActionObject>(std::make_unique<T>(args...)); };
}

std::vector<RecordRow> recordRows() {
    using Names = std::vector<std::string>;
    return {
        {"Stop", make<FSAction>(FSAction::Stop), {0x07}},
        {"Action", make<FSAction>(0x2A), {0x2A}},
        {"FSCall", make<FSCall>(), {0x9E, 0, 0}},
        {"FSGotoFrame", make<FSGotoFrame>(0x0105), {0x81, 2, 0, 5, 1}},
        {"FSGetUrl", make<FSGetUrl>("u", "_t"), {0x83, 5, 0, 'u', 0, '_', 't', 0}},
        {"FSRegisterCopy", make<FSRegisterCopy>(3), {0x87, 1, 0, 3}},
        {"FSTable", make<FSTable>(Names{"a", "bc"}), {0x88, 7, 0, 2, 0, 'a', 0, 'b', 'c', 0}},
        {"FSTable", make<FSTable>(), {0x88, 2, 0, 0, 0}},
        {"FSWaitForFrame", make<FSWaitForFrame>(0x0102, 4), {0x8A, 3, 0, 0x02, 0x01, 4}},
        {"FSSetTarget", make<FSSetTarget>("mc"), {0x8B, 3, 0, 'm', 'c', 0}},
        {"FSGotoLabel", make<FSGotoLabel>("end"), {0x8C, 4, 0, 'e', 'n', 'd', 0}},
        {"FSWaitForFrame2", make<FSWaitForFrame2>(2), {0x8D, 1, 0, 2}},
        {"FSJump", make<FSJump>(-5), {0x99, 2, 0, 0xFB, 0xFF}},
        {"FSIf", make<FSIf>(0x1234), {0x9D, 2, 0, 0x34, 0x12}},
        {"FSGetUrl2", make<FSGetUrl2>(0x80), {0x9A, 1, 0, 0x80}},
        {"FSGotoFrame2", make<FSGotoFrame2>(true), {0x9F, 1, 0, 0x01}},
        {"FSGotoFrame2",
         [] {
             auto go = std::make_unique<FSGotoFrame2>(false);
             go->setSceneBias(2);
             return go;
         },
         {0x9F, 3, 0, 0x02, 2, 0}},
        {"FSPush",
         [] {
             auto push = std::make_unique<FSPush>();
             push->push<FSString>("a").push<FSInteger>(1);
             return push;
         },
         {0x96, 8, 0, 0, 'a', 0, 7, 1, 0, 0, 0}},
        // Record length 6 (name 2, count 2, code size 2), code size 2: 11 bytes in all.
        {"FSNewFunction",
         make<FSNewFunction>("f", Names{}, actionsOf({FSAction::Stop, FSAction::Play})),
         {0x9B, 6, 0, 'f', 0, 0, 0, 2, 0, 0x07, 0x06}},
        {"FSNewFunction",
         make<FSNewFunction>("g", Names{"x", "y"}, actionsOf({FSAction::Return})),
         {0x9B, 10, 0, 'g', 0, 2, 0, 'x', 0, 'y', 0, 1, 0, 0x3E}},
        // Flags are a bit field written from the top bit down: preload parent is the first bit.
        {"FSNewFunction2",
         make<FSNewFunction2>("h", 3, FSNewFunction2::PreloadParent | FSNewFunction2::PreloadGlobal,
                              std::vector<FSRegisterVariable>{{1, "a"}, {0, "b"}},
                              actionsOf({FSAction::Pop})),
         {0x8E, 15, 0, 'h', 0, 2, 0, 3, 0x80, 0x01, 1, 'a', 0, 0, 'b', 0, 1, 0, 0x17}},
        {"FSWith", make<FSWith>(actionsOf({FSAction::Stop})), {0x94, 2, 0, 1, 0, 0x07}},
        // Caught into register 2: flags in-register and catch; sizes 1, 1, 0; the register byte.
        {"FSExceptionHandler",
         make<FSExceptionHandler>(2, "", actionsOf({FSAction::Stop}), actionsOf({FSAction::Play}),
                                  Actions{}),
         {0x8F, 8, 0, 0x05, 1, 0, 1, 0, 0, 0, 2, 0x07, 0x06}},
        // Caught into the variable "e": flag finally only; sizes 1, 0, 1; the name.
        {"FSExceptionHandler",
         make<FSExceptionHandler>(0, "e", actionsOf({FSAction::Stop}), Actions{},
                                  actionsOf({FSAction::NextFrame})),
         {0x8F, 9, 0, 0x02, 1, 0, 0, 0, 1, 0, 'e', 0, 0x07, 0x04}},
        {"FSUnknownAction", make<FSUnknownAction>(0x80), {0x80, 0, 0}},
        {"FSUnknownAction", make<FSUnknownAction>(0xA5, Bytes{1, 2, 3}), {0xA5, 3, 0, 1, 2, 3}},
        {"FSUnknownAction", make<FSUnknownAction>(0x16), {0x16}},
    };
}

TEST(ActionRecords, EncodeToTheFormatsBytesAndDecodeToTheirClass) {
    for (const auto& row : recordRows()) {
        EXPECT_EQ(encodeOne(*row.make()), row.bytes) << row.className;
        auto decoded = decodeOne(row.bytes);
        ASSERT_NE(decoded, nullptr) << row.className;
        EXPECT_STREQ(decoded->name(), row.className);
        EXPECT_EQ(encodeOne(*decoded), row.bytes) << row.className;
        auto copy = cloneOf(*decoded);
        EXPECT_EQ(encodeOne(*copy), row.bytes) << row.className << " clone";
    }
}

TEST(ActionRecords, CompoundFieldsSurviveDecoding) {
    const auto rows = recordRows();
    auto find = [&](const char* name, std::size_t nth = 0) {
        for (const auto& row : rows)
            if (std::strcmp(row.className, name) == 0 && nth-- == 0) return decodeOne(row.bytes);
        throw std::runtime_error("no row");
    };

    auto function = find("FSNewFunction", 1);
    auto& f = as<FSNewFunction>(*function);
    EXPECT_EQ(f.getName(), "g");
    EXPECT_EQ(f.getArguments(), (std::vector<std::string>{"x", "y"}));
    ASSERT_EQ(f.getActions().size(), 1u);
    EXPECT_STREQ(f.getActions()[0].name(), "Return");
    EXPECT_EQ(f.getCodeSize(), 1);

    auto function2 = find("FSNewFunction2");
    auto& f2 = as<FSNewFunction2>(*function2);
    EXPECT_EQ(f2.getRegisterCount(), 3);
    EXPECT_EQ(f2.getFlags(), FSNewFunction2::PreloadParent | FSNewFunction2::PreloadGlobal);
    ASSERT_EQ(f2.getArguments().size(), 2u);
    EXPECT_EQ(f2.getArguments()[0].getRegisterNumber(), 1);
    EXPECT_EQ(f2.getArguments()[1].getName(), "b");

    auto inRegister = find("FSExceptionHandler");
    auto& handler = as<FSExceptionHandler>(*inRegister);
    EXPECT_EQ(handler.getVariable(), "");
    EXPECT_EQ(handler.getRegister(), 2);
    EXPECT_TRUE(handler.hasCatch());
    EXPECT_FALSE(handler.hasFinally());
    EXPECT_EQ(handler.getTryActions().size(), 1u);
    EXPECT_EQ(handler.getCatchActions().size(), 1u);

    auto named = find("FSExceptionHandler", 1);
    EXPECT_EQ(as<FSExceptionHandler>(*named).getVariable(), "e");
    EXPECT_EQ(as<FSExceptionHandler>(*named).getFinallyActions().size(), 1u);

    auto bias = find("FSGotoFrame2", 1);
    EXPECT_EQ(as<FSGotoFrame2>(*bias).getSceneBias(), 2);
    EXPECT_FALSE(as<FSGotoFrame2>(*bias).getPlay());
}

TEST(ActionRecords, NamesOfOneByteActions) {
    EXPECT_STREQ(FSAction(FSAction::Stop).name(), "Stop");
    EXPECT_STREQ(FSAction(FSAction::LogicalShiftRight).name(), "LogicalShiftRight");
    EXPECT_STREQ(FSAction(0x16).name(), "Action");
    // Nameless codes the reader still builds as one-byte actions, and unlisted ones it keeps.
    for (int code : {0x2A, 0x2B, 0x2C, 0x54, 0x55, 0x66, 0x67, 0x68, 0x69}) {
        auto decoded = decodeOne(Bytes{static_cast<uint8_t>(code)});
        EXPECT_NE(dynamic_cast<FSAction*>(decoded.get()), nullptr) << code;
    }
    for (int code : {0x01, 0x16, 0x19, 0x7F}) {
        auto decoded = decodeOne(Bytes{static_cast<uint8_t>(code)});
        EXPECT_NE(dynamic_cast<FSUnknownAction*>(decoded.get()), nullptr) << code;
    }
}

TEST(ActionRecords, ReadFormsThatCarryNoInformationAreKept) {
    // A 16-bit scene bias of 0 and a finally flag with an empty block change no value but keep
    // the record's size and meaning.
    const Bytes zeroBias = {0x9F, 3, 0, 0x03, 0, 0};
    EXPECT_EQ(encodeOne(*decodeOne(zeroBias)), zeroBias);
    const Bytes emptyFinally = {0x8F, 8, 0, 0x06, 1, 0, 0, 0, 0, 0, 1, 0x07};
    auto handler = decodeOne(emptyFinally);
    EXPECT_TRUE(as<FSExceptionHandler>(*handler).hasFinally());
    EXPECT_EQ(encodeOne(*handler), emptyFinally);
}

TEST(ActionRecords, FieldsBeyondTheFormatAreRefused) {
    FSJump far(40000);
    EXPECT_THROW(encodeOne(far), FSFormatException);
    FSPush big;
    big.push<FSString>(std::string(70000, 'x'));
    EXPECT_THROW(encodeOne(big), FSFormatException);
    FSSetTarget zero(std::string("a\0b", 3));
    EXPECT_THROW(encodeOne(zero), FSFormatException);
    FSUnknownAction bodyWithoutLength(0x10, Bytes{1});
    EXPECT_THROW(encodeOne(bodyWithoutLength), FSFormatException);
    Actions body;
    for (int i = 0; i < 70000; ++i) body.add(std::make_unique<FSAction>(FSAction::Pop));
    FSNewFunction huge("f", {}, std::move(body));
    EXPECT_THROW(encodeOne(huge), FSFormatException);
}

// ---- push values ----

struct ValueRow {
    std::function<std::unique_ptr<FSValue>()> make;
    Bytes bytes;
};

Bytes encodeValue(FSValue& value) {
    FSOutputStream sizer(0);
    FSOutputStream out(static_cast<std::size_t>(value.length(sizer)));
    value.length(out);
    value.encode(out);
    EXPECT_EQ(out.getCursor(), out.size() * 8) << value.name();
    return out.getData();
}

std::unique_ptr<FSValue> decodeValue(const Bytes& bytes) {
    FSInputStream in(bytes.data(), bytes.size());
    auto value = FSValue::decodeValue(in);
    EXPECT_EQ(in.getCursor(), bytes.size() * 8);
    return value;
}

TEST(PushValues, TypeCodesAndFields) {
    const std::vector<ValueRow> rows = {
        {[] { return std::make_unique<FSString>("ab"); }, {0, 'a', 'b', 0}},
        {[] { return std::make_unique<FSInteger>(-2); }, {7, 0xFE, 0xFF, 0xFF, 0xFF}},
        {[] { return std::make_unique<FSNull>(); }, {2}},
        {[] { return std::make_unique<FSVoid>(); }, {3}},
        {[] { return std::make_unique<FSRegisterIndex>(4); }, {4, 4}},
        {[] { return std::make_unique<FSBoolean>(true); }, {5, 1}},
        {[] { return std::make_unique<FSBoolean>(false); }, {5, 0}},
        {[] { return std::make_unique<FSDouble>(1.0); },
         {6, 0x00, 0x00, 0xF0, 0x3F, 0x00, 0x00, 0x00, 0x00}},
        {[] { return std::make_unique<FSTableIndex>(0); }, {8, 0}},
        {[] { return std::make_unique<FSTableIndex>(255); }, {8, 0xFF}},
        {[] { return std::make_unique<FSTableIndex>(256); }, {9, 0x00, 0x01}},
        {[] { return std::make_unique<FSTableIndex>(65535); }, {9, 0xFF, 0xFF}},
    };
    for (const auto& row : rows) {
        auto value = row.make();
        EXPECT_EQ(encodeValue(*value), row.bytes) << value->name();
        auto decoded = decodeValue(row.bytes);
        EXPECT_STREQ(decoded->name(), value->name());
        EXPECT_EQ(decoded->getType(), row.bytes[0]);
        EXPECT_EQ(encodeValue(*decoded), row.bytes) << value->name();
        if (decoded->getType() == FSValue::StringType) {
            EXPECT_EQ(decoded->size(), static_cast<int>(row.bytes.size()) - 2)
                << "a string's size figure is its number of characters";
        }
    }
}

TEST(PushValues, DecodingRules) {
    EXPECT_FALSE(static_cast<FSBoolean&>(*decodeValue({5, 2})).getValue())
        << "only the byte 1 is true";

    const Bytes floatOne = {1, 0x00, 0x00, 0x80, 0x3F};
    auto single = decodeValue(floatOne);
    auto& integer = static_cast<FSInteger&>(*single);
    EXPECT_TRUE(integer.isFloat());
    EXPECT_EQ(integer.getValue(), 0x3F800000);
    EXPECT_EQ(encodeValue(*single), floatOne) << "a float keeps its type and raw bits";

    // A small index in the 16-bit form stays in that form: a shorter push would move every
    // branch target behind it.
    const Bytes wideSmall = {9, 5, 0};
    auto index = decodeValue(wideSmall);
    EXPECT_EQ(static_cast<FSTableIndex&>(*index).getIndex(), 5);
    EXPECT_EQ(encodeValue(*index), wideSmall);
    static_cast<FSTableIndex&>(*index).setIndex(6);
    EXPECT_EQ(encodeValue(*index), (Bytes{8, 6}));

    EXPECT_EQ(messageOf([] { decodeValue({10, 0}); }), "Unknown push value type 10 at byte 0");

    FSString joined = FSString("ab") + FSString("cd");
    joined += "e";
    EXPECT_EQ(joined.getString(), "abcde");
    EXPECT_EQ(joined.size(), 5);
}

TEST(PushValues, PushReadsEveryValueOfItsRecordAndCopiesDeeply) {
    FSPush push;
    push.push<FSString>("x").push<FSNull>().push<FSVoid>().push<FSRegisterIndex>(1).push<FSBoolean>(
        true);
    push.push<FSDouble>(-0.5).push<FSTableIndex>(300).push<FSInteger>(7);
    const Bytes bytes = encodeOne(push);
    EXPECT_EQ(bytes[1] | bytes[2] << 8, 3 + 1 + 1 + 2 + 2 + 9 + 3 + 5);

    auto decoded = decodeOne(bytes);
    auto& values = as<FSPush>(*decoded).getValues();
    ASSERT_EQ(values.size(), 8u);
    const char* names[] = {"FSString",  "FSNull",   "FSVoid",       "FSRegisterIndex",
                           "FSBoolean", "FSDouble", "FSTableIndex", "FSInteger"};
    for (std::size_t i = 0; i < values.size(); ++i) EXPECT_STREQ(values[i].name(), names[i]);
    EXPECT_EQ(static_cast<FSDouble&>(values[5]).getValue(), -0.5);

    FSPush copy = as<FSPush>(*decoded);
    static_cast<FSString&>(copy.getValues()[0]).setString("changed");
    EXPECT_EQ(static_cast<FSString&>(values[0]).getString(), "x") << "copies own their values";
}

// ---- lists, blocks and their sizes ----

TEST(ActionLists, EndWithOneZeroByte) {
    Actions empty;
    EXPECT_EQ(encodeList(empty), (Bytes{0x00}));
    EXPECT_EQ(decodeList({0x00}).size(), 0u);

    Actions stopPlay = actionsOf({FSAction::Stop, FSAction::Play});
    FSOutputStream sizer(0);
    EXPECT_EQ(actionListLength(stopPlay, sizer), 3);
    EXPECT_EQ(encodeList(stopPlay), (Bytes{0x07, 0x06, 0x00}));
}

// if (flag) { trace("x") } else { trace("y") } stop — with the offsets summed from the sizes of
// the actions jumped over, each branch must land on the first byte of its target.
TEST(ActionLists, BranchOffsetsCountTheEncodedSizesJumpedOver) {
    auto trace = [](const char* text) {
        Actions list;
        list.add(std::make_unique<FSPush>());
        static_cast<FSPush&>(list[0]).push<FSString>(text);
        list.add(std::make_unique<FSAction>(FSAction::Trace));
        return list;
    };
    Actions thenBranch = trace("then");
    Actions elseBranch = trace("x");
    const int elseSize = blockSize(elseBranch);
    const int thenSize = blockSize(thenBranch);

    Actions script;
    script.add(std::make_unique<FSPush>());
    static_cast<FSPush&>(script[0]).push<FSBoolean>(true);
    script.add(std::make_unique<FSIf>(elseSize + 5));  // over the else branch and the jump
    for (auto& action : elseBranch) script.add(std::move(action));
    script.add(std::make_unique<FSJump>(thenSize));
    for (auto& action : thenBranch) script.add(std::move(action));
    script.add(std::make_unique<FSAction>(FSAction::Stop));

    const Bytes bytes = encodeList(script);
    const std::size_t ifEnd = 5 + 5;  // push true (3 + 2), if (3 + 2)
    ASSERT_EQ(bytes[5], 0x9D);
    const auto ifOffset = static_cast<int16_t>(bytes[8] | bytes[9] << 8);
    const std::size_t thenStart = ifEnd + static_cast<std::size_t>(ifOffset);
    EXPECT_EQ(Bytes(bytes.begin() + thenStart, bytes.begin() + thenStart + 8),
              (Bytes{0x96, 6, 0, 0, 't', 'h', 'e', 'n'}));
    const std::size_t jumpEnd = thenStart;
    const auto jumpOffset = static_cast<int16_t>(bytes[jumpEnd - 2] | bytes[jumpEnd - 1] << 8);
    EXPECT_EQ(bytes[jumpEnd - 5], 0x99);
    EXPECT_EQ(bytes[jumpEnd + static_cast<std::size_t>(jumpOffset)], FSAction::Stop);

    Actions decoded = decodeList(bytes);
    EXPECT_EQ(as<FSIf>(decoded[1]).getOffset(), ifOffset);
    EXPECT_EQ(encodeList(decoded), bytes);
}

// A function holding a with block and a try, followed by a sibling: each announced size must be
// the distance to the next record, and the sibling must come back as a sibling.
TEST(ActionLists, NestedBlockSizesAreTheEncodedSizesOfTheirBodies) {
    Actions tryBody = actionsOf({FSAction::Stop});
    tryBody.add(std::make_unique<FSGotoLabel>("x"));
    Actions inner;
    inner.add(std::make_unique<FSWith>(actionsOf({FSAction::Play, FSAction::Pop})));
    inner.add(std::make_unique<FSExceptionHandler>(
        0, "err", std::move(tryBody), actionsOf({FSAction::Trace}),
        actionsOf({FSAction::NextFrame, FSAction::PrevFrame})));
    Actions script;
    script.add(
        std::make_unique<FSNewFunction>("outer", std::vector<std::string>{"a"}, std::move(inner)));
    script.add(std::make_unique<FSAction>(FSAction::Return));

    const Bytes bytes = encodeList(script);
    // Function: header 3, "outer" 6, count 2, "a" 2, code size 2.
    const std::size_t codeSizeAt = 3 + 6 + 2 + 2;
    const int codeSize = bytes[codeSizeAt] | bytes[codeSizeAt + 1] << 8;
    const std::size_t bodyStart = codeSizeAt + 2;
    EXPECT_EQ(bytes[bodyStart + static_cast<std::size_t>(codeSize)], FSAction::Return);
    // With: block size 2 after its 3-byte header.
    EXPECT_EQ(bytes[bodyStart], 0x94);
    EXPECT_EQ(bytes[bodyStart + 3], 2);
    // Try: flags (finally, catch), sizes 6 (stop 1 + label 5), 1, 2.
    const std::size_t tryAt = bodyStart + 5 + 2;
    EXPECT_EQ(bytes[tryAt], 0x8F);
    EXPECT_EQ(Bytes(bytes.begin() + tryAt + 3, bytes.begin() + tryAt + 10),
              (Bytes{0x03, 6, 0, 1, 0, 2, 0}));

    Actions decoded = decodeList(bytes);
    ASSERT_EQ(decoded.size(), 2u);
    EXPECT_STREQ(decoded[1].name(), "Return");
    auto& function = as<FSNewFunction>(decoded[0]);
    EXPECT_EQ(function.getCodeSize(), codeSize);
    ASSERT_EQ(function.getActions().size(), 2u);
    auto& handler = as<FSExceptionHandler>(function.getActions()[1]);
    EXPECT_EQ(handler.getTrySize(), 6);
    EXPECT_EQ(handler.getFinallyActions().size(), 2u);
    EXPECT_EQ(as<FSWith>(function.getActions()[0]).getActions().size(), 2u);
    EXPECT_EQ(encodeList(decoded), bytes);
}

// A zero byte inside a block, and actions this library does not know, come back byte for byte.
TEST(ActionLists, ZeroBytesInBlocksAndUnknownActionsComeBackByteForByte) {
    // A function whose three-byte body holds stop, a zero byte and play.
    const Bytes function = {0x9B, 5, 0, 0, 0, 0, 3, 0, 0x07, 0x00, 0x06, 0x00};
    Actions read = decodeList(function);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(as<FSNewFunction>(read[0]).getActions().size(), 3u);
    EXPECT_EQ(encodeList(read), function);

    const Bytes bytes = {0x01, 0x07, 0xA5, 3, 0, 1,    2,    3,    0x16, 0x80,
                         0,    0,    0xFF, 2, 0, 0xAB, 0xCD, 0x06, 0x00};
    Actions decoded = decodeList(bytes);
    ASSERT_EQ(decoded.size(), 7u);
    for (std::size_t i : {0u, 2u, 3u, 4u, 5u})
        EXPECT_STREQ(decoded[i].name(), "FSUnknownAction") << i;
    EXPECT_EQ(as<FSUnknownAction>(decoded[2]).getData(), (Bytes{1, 2, 3}));
    EXPECT_TRUE(as<FSUnknownAction>(decoded[4]).getData().empty());
    EXPECT_EQ(encodeList(decoded), bytes);
}

// ---- the length check and resynchronisation ----

// A record whose fields do not fill its declared size exactly: without a listener the list
// fails with the message; with one it is reported once and reading resumes at the declared end.
TEST(ActionReader, MisSizedRecordsAreReportedAndReadingResumesAtTheirDeclaredEnd) {
    struct Case {
        const char* label;
        Bytes bytes;
        const char* message;
        std::vector<const char*> names;
    };
    const std::vector<Case> cases = {
        // Declares 4 bytes but has 2, then stop.
        {"goto-frame longer than its fields",
         {0x81, 4, 0, 5, 0, 0xAA, 0xBB, 0x07, 0x00},
         "FSGotoFrame underflowed by 2 bytes.",
         {"FSGotoFrame", "Stop"}},
        // Declares no body: its register byte is read, then the reader goes back to the declared
        // end and reads that byte as the next action (the copy's own class is not checked).
        {"register copy shorter than its fields",
         {0x87, 0, 0, 0x07, 0x06, 0x00},
         "FSRegisterCopy overflowed by 1 bytes.",
         {nullptr, "Stop", "Play"}},
        // A with block of 3 bytes whose first action is a 5-byte goto-frame, then play and stop:
        // the with keeps its declared bytes, its record and its block, and what it read past its
        // block is read again, once, as what follows.
        {"block overrunning its size",
         {0x94, 2, 0, 3, 0, 0x81, 2, 0, 0x06, 0x07, 0x00},
         "FSWith overflowed by 2 bytes.",
         {"FSUnknownAction", "Play", "Stop"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(messageOf([&] { decodeList(c.bytes); }), c.message);
        RecordingListener listener;
        Actions decoded = decodeList(c.bytes, &listener);
        EXPECT_EQ(listener.errors, (std::vector<std::string>{c.message}));
        ASSERT_EQ(decoded.size(), c.names.size());
        for (std::size_t i = 0; i < c.names.size(); ++i)
            if (c.names[i]) {
                EXPECT_STREQ(decoded[i].name(), c.names[i]) << i;
            }
        const std::string first = c.names[0] ? c.names[0] : "";
        if (first == "FSGotoFrame") {
            EXPECT_EQ(as<FSGotoFrame>(decoded[0]).getFrameNumber(), 5);
        } else if (first == "FSUnknownAction") {
            EXPECT_EQ(as<FSUnknownAction>(decoded[0]).getData(), (Bytes{3, 0}));
            EXPECT_EQ(as<FSUnknownAction>(decoded[0]).getTrailingBlocks(), (Bytes{0x81, 2, 0}));
            EXPECT_EQ(encodeList(decoded), c.bytes) << "written back unchanged";
        }
    }
}

TEST(ActionReader, DamagedBlockInsideAFunctionReadsBackTheSame) {
    // A function whose 6-byte body holds a with action claiming a 300-byte record, then play:
    // the with's declared end lies past the function's, so the function is kept as its bytes.
    // Were the function's body read again as the actions after it, the with would be written
    // back with its true length, and reading that would give a whole function: a second
    // reading would differ from the first.
    Bytes bytes = {0x9B, 6, 0, 'f', 0, 0, 0, 6, 0, 0x94, 0x2C, 0x01, 0, 0, 0x06};
    bytes.resize(bytes.size() + 300, 0x07);
    bytes.push_back(0x00);
    RecordingListener listener;
    const Actions first = decodeList(bytes, &listener);
    ASSERT_FALSE(listener.errors.empty());
    ASSERT_FALSE(first.empty());
    EXPECT_STREQ(first[0].name(), "FSUnknownAction");
    Actions copy = first;
    const Bytes written = encodeList(copy);
    RecordingListener again;
    Actions second = decodeList(written, &again);
    EXPECT_EQ(encodeList(second), written);
    EXPECT_EQ(again.errors, listener.errors);
}

// An action whose encode writes less than its length announced.
class ShortAction : public FSActionObject {
  public:
    TRANSFORM_OBJECT(ShortAction)
    ShortAction() : FSActionObject(0xC0) {}
    int length(FSOutputStream& coder) override {
        FSActionObject::length(coder);
        return setBodyLength(2);
    }
    void encode(FSOutputStream& coder) override {
        encodeHeader(coder, 2);
        coder.write(0xEE, FSCoder::UnsignedWord, 8);
    }
};

TEST(ActionWriter, ActionThatWritesTooLittleIsReportedAndTheNextStaysInPlace) {
    Actions list;
    list.add(std::make_unique<ShortAction>());
    list.add(std::make_unique<FSAction>(FSAction::Stop));
    EXPECT_EQ(messageOf([&] { encodeList(list); }), "ShortAction underflowed by 1 bytes.");

    RecordingListener listener;
    const Bytes bytes = encodeList(list, &listener);
    EXPECT_EQ(listener.errors, (std::vector<std::string>{"ShortAction underflowed by 1 bytes."}));
    EXPECT_EQ(bytes, (Bytes{0xC0, 2, 0, 0xEE, 0x00, 0x07, 0x00}));
}

// ---- hostile input ----

Bytes richList() {
    Actions list;
    for (const auto& row : recordRows()) list.add(row.make());
    return encodeList(list);
}

// Every cut of a list of every class, and sizes from the file (code size 0xFFFF, table count
// 0xFFFF, unknown record of 0xFFFF bytes, try sizes 0xFFFF, a push past its data) that outrun it.
TEST(ActionHostile, TruncationsAndSizesPastTheDataAreExceptions) {
    const Bytes full = richList();
    ASSERT_EQ(decodeList(full).size(), recordRows().size());
    std::vector<Bytes> cases = {
        {0x9B, 5, 0, 0, 0, 0, 0xFF, 0xFF, 0x07},
        {0x88, 2, 0, 0xFF, 0xFF, 'a', 0},
        {0xC3, 0xFF, 0xFF, 1, 2},
        {0x8F, 8, 0, 0x07, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0},
        {0x96, 4, 0, 0, 'a', 'b', 'c'},
    };
    for (std::size_t n = 0; n < full.size(); ++n) cases.push_back(slice(full, 0, n));
    for (const auto& bytes : cases) {
        FSInputStream in(bytes.data(), bytes.size());
        EXPECT_THROW(decodeActionList(in), FSException) << hexOf(bytes, 0, 12);
    }
}

// With blocks, each holding the next; the innermost is empty.
Bytes nestedWiths(int depth) {
    Bytes bytes;
    for (int level = 0; level < depth; ++level) {
        const int size = 5 * (depth - 1 - level);
        bytes.insert(bytes.end(),
                     {0x94, 2, 0, static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8)});
    }
    bytes.push_back(0);
    return bytes;
}

TEST(ActionHostile, NestingIsLimited) {
    const Bytes allowed = nestedWiths(MaximumActionDepth);
    Actions decoded = decodeList(allowed);
    EXPECT_EQ(encodeList(decoded), allowed);

    const Bytes deeper = nestedWiths(MaximumActionDepth + 1);
    EXPECT_EQ(
        messageOf([&] { decodeList(deeper); }).rfind("Actions nested more than 64 blocks deep", 0),
        0u);
    // Far deeper than any stack would survive unchecked; the slot is restored on the way out.
    const Bytes hostile = nestedWiths(13000);
    FSInputStream in(hostile.data(), hostile.size());
    EXPECT_THROW(decodeActionList(in), FSFormatException);
    EXPECT_EQ(in.getContext(ActionDepthContext), 0);
}

// Random damage to a list of every class: decoding either fails with FSException or yields
// actions that re-encode to exactly as many bytes as were read, so branch offsets stay valid.
TEST(ActionHostile, DamagedListsFailCleanlyOrKeepTheirSize) {
    const Bytes full = richList();
    std::mt19937 random(20240611);
    int decodedCount = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes damaged = full;
        const int flips = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < flips; ++i)
            damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        for (bool lenient : {false, true}) {
            RecordingListener listener;
            FSInputStream in(damaged.data(), damaged.size());
            if (lenient) in.setListener(&listener);
            try {
                Actions actions = decodeActionList(in);
                if (lenient && !listener.errors.empty()) continue;
                ++decodedCount;
                FSOutputStream sizer(0);
                EXPECT_EQ(static_cast<std::size_t>(actionListLength(actions, sizer)),
                          in.getCursor() / 8);
            } catch (const FSException&) {
            }
        }
    }
    EXPECT_GT(decodedCount, 0);
}

// ---- the tag ----

TEST(DoActionTag, ThroughTheMovieFactory) {
    FSDoAction script;
    script.add(std::make_unique<FSPush>());
    static_cast<FSPush&>(script.getActions()[0]).push<FSString>("fullscreen").push<FSBoolean>(true);
    script.add(std::make_unique<FSAction>(FSAction::Stop));
    const Bytes bytes = test::encodeTag(script);
    // Type 12, body: push (3 + 12 + 2) + stop + zero = 19 bytes.
    EXPECT_EQ(bytes[0] | bytes[1] << 8, 12 << 6 | 19);
    EXPECT_EQ(bytes.back(), 0x00);

    auto decoded = test::expectTagRoundTrip(script);
    auto& back = dynamic_cast<FSDoAction&>(*decoded);
    ASSERT_EQ(back.getActions().size(), 2u);
    EXPECT_STREQ(back.getActions()[1].name(), "Stop");

    // A long script takes the long header and still comes back.
    FSDoAction longScript;
    longScript.add(std::make_unique<FSGetUrl>(std::string(80, 'u'), "_self"));
    EXPECT_EQ(test::encodeTag(longScript)[0] & 63, 63);
    test::expectTagRoundTrip(longScript);
}

TEST(DoActionTag, PreEncodedScript) {
    FSDoAction script(Bytes{0x07, 0x06});
    EXPECT_EQ(test::encodeTag(script), (Bytes{0x03, 0x03, 0x07, 0x06, 0x00}));
    auto decoded = test::decodeTag(test::encodeTag(script));
    EXPECT_EQ(dynamic_cast<FSDoAction&>(*decoded).getActions().size(), 2u);
    script.add(std::make_unique<FSAction>(FSAction::Stop));
    EXPECT_TRUE(script.getEncodedActions().empty()) << "actions replace the block";
}

TEST(DoActionTag, ScriptWithoutTerminatorEndsAtItsTag) {
    // A one-byte script without its zero, an empty script, then a show-frame tag.
    const Bytes bytes = {0x01, 0x03, 0x07, 0x00, 0x03, 0x40, 0x00};
    FSInputStream in(bytes.data(), bytes.size());
    auto first = FSMovie::decodeObject(in);
    EXPECT_EQ(dynamic_cast<FSDoAction&>(*first).getActions().size(), 1u);
    auto second = FSMovie::decodeObject(in);
    EXPECT_EQ(dynamic_cast<FSDoAction&>(*second).getActions().size(), 0u);
    auto third = FSMovie::decodeObject(in);
    EXPECT_STREQ(third->name(), "FSShowFrame");
}

TEST(DoActionTag, InAWholeMovie) {
    FSMovie movie(FSBounds(0, 0, 2000, 1000), 20.0f);
    Actions body = actionsOf({FSAction::Stop});
    auto script = std::make_unique<FSDoAction>();
    script->add(
        std::make_unique<FSNewFunction>("next", std::vector<std::string>{}, std::move(body)));
    script->add(std::make_unique<FSGotoFrame2>(true));
    movie.add(std::move(script));
    movie.add(std::make_unique<FSShowFrame>());
    const Bytes file = movie.encode();

    FSMovie back(file);
    ASSERT_EQ(back.getObjects().size(), 2u);
    auto& decoded = dynamic_cast<FSDoAction&>(back.getObjects()[0]);
    EXPECT_EQ(as<FSNewFunction>(decoded.getActions()[0]).getName(), "next");
    EXPECT_EQ(back.encode(), file);
}

}  // namespace
}  // namespace transform
