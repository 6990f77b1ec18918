// getRuleGroups and getMessageRuleMap end to end: the proxy's fetch, trace and
// release, and the bytes Java receives.

#include <string>
#include <vector>

#include "engine/Platform.h"
#include "engine/VorlanApi.h"
#include "tests/RuleRecords.h"
#include "tests/TestSupport.h"

namespace {

std::string CallLine(const char* method) { return std::string("\nCall ") + method + " \n"; }

std::string FetchTrace(const char* method, const char* entry, int status) {
    return CallLine(method) + "\t> API CALL - " + entry + "\n\t< Result: " + std::to_string(status) + "\n";
}

std::string ReleaseTrace(const char* method, const char* entry, int status) {
    return FetchTrace(method, entry, status);
}

const std::string kEmptyGroups = "<KoRuleGrouping></KoRuleGrouping>";
const std::string kEmptyMap = "<KoMessageRuleMapping></KoMessageRuleMapping>";

}  // namespace

class RulesTest : public BridgeTest {
protected:
    jbyteArray RuleGroups() { return JNI(getRuleGroups)(jni.env(), jni.self()); }
    jbyteArray MessageRuleMap() { return JNI(getMessageRuleMap)(jni.env(), jni.self()); }

    RuleRecords records;
};

TEST_F(RulesTest, WithoutEngineBothGiveEmptyArraysAndOneErrorLineEach) {
    OutputCapture out(2);
    jbyteArray groups = RuleGroups();
    jbyteArray map = MessageRuleMap();
    ASSERT_NE(groups, nullptr);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(jni.bytes(groups), "");
    EXPECT_EQ(jni.bytes(map), "");
    EXPECT_EQ(out.take(), CallLine(VORLAN_METHOD("GetRuleGroups")) +
                              "\tAttempt to call VorlanApi::GetRuleGroups failed because ptr2f is null \n" +
                              CallLine(VORLAN_METHOD("GetMessageRuleMap")) +
                              "\tAttempt to call VorlanApi::GetMessageRuleMap failed because ptr2f is null \n");

    OutputCapture errorsOnly(1);
    RuleGroups();
    EXPECT_EQ(errorsOnly.take(), "\tAttempt to call VorlanApi::GetRuleGroups failed because ptr2f is null \n");
}

TEST_F(RulesTest, RuleGroupsAreFetchedSerialisedAndReleasedThroughTheSamePointer) {
    EngineDoubleControl* engine = LoadEngine();
    KoRuleGroupArray_C* tree = records.groups(
        {records.group("A", {records.rule("R1", 1, {"C"}, {records.rule("R2", 0)})}), records.group("B", {})});
    engine->ruleGroups = tree;
    engine->statusOf["freeRuleGroups"] = 7;

    OutputCapture out(2);
    const std::string bytes = jni.bytes(RuleGroups());
    EXPECT_EQ(out.take(), FetchTrace(VORLAN_METHOD("GetRuleGroups"), "getRuleGroups", 0) + "\tRule group size: 2\n" +
                              ReleaseTrace(VORLAN_METHOD("FreeRuleGroups"), "freeRuleGroups", 7));
    EXPECT_EQ(bytes,
              "<KoRuleGrouping><KoRuleGroupEntry><RuleGroupName>A</RuleGroupName><Rule><RuleId>R1</RuleId>"
              "<IsActive>1</IsActive><HFL>hR1</HFL><RuleGroupStr>G</RuleGroupStr><RuleText>tR1</RuleText>"
              "<RuleUID>UR1</RuleUID><RuleCategory>C</RuleCategory><Rule><RuleId>R2</RuleId><IsActive>0</IsActive>"
              "<HFL>hR2</HFL><RuleGroupStr>G</RuleGroupStr><RuleText>tR2</RuleText><RuleUID>UR2</RuleUID></Rule>"
              "</Rule></KoRuleGroupEntry><KoRuleGroupEntry><RuleGroupName>B</RuleGroupName></KoRuleGroupEntry>"
              "</KoRuleGrouping>");
    EXPECT_EQ(engine->calls, (std::vector<std::string>{"getRuleGroups()", "freeRuleGroups()"}));
    ASSERT_EQ(engine->releases.size(), 1u);
    EXPECT_EQ(engine->releases[0].entry, "freeRuleGroups");
    EXPECT_EQ(engine->releases[0].address, engine->filledAddress["getRuleGroups"]);
    EXPECT_EQ(engine->releases[0].pointer, tree);
}

TEST_F(RulesTest, MessageRuleMapIsFetchedSerialisedAndReleasedThroughTheSamePointer) {
    EngineDoubleControl* engine = LoadEngine();
    KoMessageRuleMap_C* tree = records.map({records.mapping("M1", {"U1", "U2"}), nullptr, records.mapping("M2", {})});
    engine->messageRuleMap = tree;
    engine->statusOf["getMessageRuleMap"] = 3;

    OutputCapture out(2);
    const std::string bytes = jni.bytes(MessageRuleMap());
    EXPECT_EQ(out.take(), FetchTrace(VORLAN_METHOD("GetMessageRuleMap"), "getMessageRuleMap", 3) + "\tMap size: 3\n" +
                              ReleaseTrace(VORLAN_METHOD("FreeMessageRuleMap"), "freeMessageRuleMap", 0));
    EXPECT_EQ(bytes,
              "<KoMessageRuleMapping><KoMessageRuleMapEntry><UMID>M1</UMID><UniqueRuleId>U1</UniqueRuleId>"
              "<UniqueRuleId>U2</UniqueRuleId></KoMessageRuleMapEntry><KoMessageRuleMapEntry>"
              "</KoMessageRuleMapEntry><KoMessageRuleMapEntry><UMID>M2</UMID></KoMessageRuleMapEntry>"
              "</KoMessageRuleMapping>");
    EXPECT_EQ(engine->calls, (std::vector<std::string>{"getMessageRuleMap()", "freeMessageRuleMap()"}));
    ASSERT_EQ(engine->releases.size(), 1u);
    EXPECT_EQ(engine->releases[0].address, engine->filledAddress["getMessageRuleMap"]);
    EXPECT_EQ(engine->releases[0].pointer, tree);
}

TEST_F(RulesTest, OnlyThePointerDecidesWhetherThereIsATreeToWriteAndRelease) {
    EngineDoubleControl* engine = LoadEngine();
    engine->status = 5;

    OutputCapture out(2);
    jbyteArray groups = RuleGroups();
    jbyteArray map = MessageRuleMap();
    ASSERT_NE(groups, nullptr);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(jni.bytes(groups), "");
    EXPECT_EQ(jni.bytes(map), "");
    EXPECT_EQ(out.take(), FetchTrace(VORLAN_METHOD("GetRuleGroups"), "getRuleGroups", 5) +
                              FetchTrace(VORLAN_METHOD("GetMessageRuleMap"), "getMessageRuleMap", 5));
    EXPECT_TRUE(engine->releases.empty());

    // Empty records with a failing status are still documents, and released.
    engine->ruleGroups = records.groups({});
    engine->messageRuleMap = records.map({});
    engine->status = -2;
    EXPECT_EQ(jni.bytes(RuleGroups()), kEmptyGroups);
    EXPECT_EQ(jni.bytes(MessageRuleMap()), kEmptyMap);
    ASSERT_EQ(engine->releases.size(), 2u);
    EXPECT_EQ(engine->releases[0].entry, "freeRuleGroups");
    EXPECT_EQ(engine->releases[1].entry, "freeMessageRuleMap");
}

TEST_F(RulesTest, BytesAboveAsciiReachJavaUnchanged) {
    EngineDoubleControl* engine = LoadEngine();
    // Valid UTF-8, a four-byte sequence and bytes that are no UTF-8 at all.
    const char* high = "\xC3\xA9\xF0\x9F\x98\x80\xFF\x80";
    engine->ruleGroups =
        records.groups({records.group(high, {records.rule({high, high, high, high, high}, 1, {high})})});
    engine->messageRuleMap = records.map({records.mapping(high, {high})});

    const std::string h = "\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD";  // U+FFFD for each invalid byte
    EXPECT_EQ(jni.bytes(RuleGroups()),
              "<KoRuleGrouping><KoRuleGroupEntry><RuleGroupName>" + h + "</RuleGroupName><Rule><RuleId>" + h +
                  "</RuleId><IsActive>1</IsActive><HFL>" + h + "</HFL><RuleGroupStr>" + h +
                  "</RuleGroupStr><RuleText>" + h + "</RuleText><RuleUID>" + h + "</RuleUID><RuleCategory>" + h +
                  "</RuleCategory></Rule></KoRuleGroupEntry></KoRuleGrouping>");
    EXPECT_EQ(jni.bytes(MessageRuleMap()), "<KoMessageRuleMapping><KoMessageRuleMapEntry><UMID>" + h +
                                               "</UMID><UniqueRuleId>" + h +
                                               "</UniqueRuleId></KoMessageRuleMapEntry></KoMessageRuleMapping>");
}

TEST_F(RulesTest, FailedByteArrayReturnsNullWithTheExceptionPendingAfterTheRelease) {
    EngineDoubleControl* engine = LoadEngine();
    engine->ruleGroups = records.groups({});
    jni.failNewByteArray = true;
    expectException = true;

    EXPECT_EQ(RuleGroups(), nullptr);
    EXPECT_TRUE(jni.exceptionPending());
    ASSERT_EQ(engine->releases.size(), 1u);
    EXPECT_EQ(engine->releases[0].entry, "freeRuleGroups");
}

TEST_F(RulesTest, ChildChainOfOneHundredThousandLevelsOnASmallStack) {
    const int depth = 100000;
    RuleStruct* chain = nullptr;
    for (int level = depth - 1; level >= 0; --level) {
        std::vector<RuleStruct*> children;
        if (chain != nullptr) children.push_back(chain);
        chain = records.rule("R" + std::to_string(level), 1, {}, children);
    }
    EngineDoubleControl* engine = LoadEngine();
    engine->ruleGroups = records.groups({records.group("deep", {chain})});

    std::string expected = "<KoRuleGrouping><KoRuleGroupEntry><RuleGroupName>deep</RuleGroupName>";
    for (int level = 0; level < depth; ++level) {
        const std::string id = "R" + std::to_string(level);
        expected += "<Rule><RuleId>" + id + "</RuleId><IsActive>1</IsActive><HFL>h" + id +
                    "</HFL><RuleGroupStr>G</RuleGroupStr><RuleText>t" + id + "</RuleText><RuleUID>U" + id +
                    "</RuleUID>";
    }
    for (int level = 0; level < depth; ++level) expected += "</Rule>";
    expected += "</KoRuleGroupEntry></KoRuleGrouping>";

    std::string bytes;
    RunOnSmallStack([&] { bytes = jni.bytes(RuleGroups()); });
    EXPECT_EQ(bytes.size(), expected.size());
    EXPECT_TRUE(bytes == expected);  // too long to print on failure
    EXPECT_EQ(engine->releases.size(), 1u);
}
