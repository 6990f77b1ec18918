// Plain-text dumps of rule records and the result file.

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "engine/Platform.h"
#include "tests/TestSupport.h"
#include "xml/extras/Dumps.h"

using namespace Utils;

namespace {

template <typename A>
using ElementOf = std::remove_pointer_t<decltype(std::declval<A&>().items())>;

// Zeroed record blocks that live as long as the test.
class Arena {
public:
    void* block(size_t bytes) {
        m_blocks.emplace_back(new char[bytes]());
        return m_blocks.back().get();
    }
    template <typename T>
    T* record() {
        return static_cast<T*>(block(sizeof(T)));
    }
    template <typename A>
    A* array(std::initializer_list<ElementOf<A>> items) {
        A* array = static_cast<A*>(block(A::BlockSize(items.size())));
        array->count = static_cast<uint32_t>(items.size());
        uint32_t i = 0;
        for (ElementOf<A> item : items) array->items()[i++] = item;
        return array;
    }
    KoMessageMapping_C* mapping(const char* id, std::initializer_list<const char*> rules) {
        auto* mapping = static_cast<KoMessageMapping_C*>(block(KoMessageMapping_C::BlockSize(rules.size())));
        mapping->uniqueMessageId = const_cast<char*>(id);
        mapping->count = static_cast<uint32_t>(rules.size());
        uint32_t i = 0;
        for (const char* rule : rules) mapping->uniqueRuleIds()[i++] = const_cast<char*>(rule);
        return mapping;
    }

private:
    std::vector<std::unique_ptr<char[]>> m_blocks;
};

char* T(const char* text) { return const_cast<char*>(text); }

}  // namespace

TEST(Dumps, RuleGroupsArePrintedWithTheirExactTexts) {
    Arena a;
    auto* message = a.record<KoMessage_C>();
    *message = {T("mu"), T("mh"), 2, T("mn"), T("mt"), T("pr"), a.array<KoReferenceArray_C>({T("ref0")})};
    auto* child = a.record<RuleStruct>();  // no rule id: starts with the isActive line
    child->ruleGroupStr = T("grp");
    child->ruleUID = T("uid2");
    child->childRules = a.array<KoRuleList_C>({});
    child->mappedMessages = a.array<KoMessageArray_C>({});
    child->categories = a.array<KoCategoryArray_C>({});
    auto* rule = a.record<RuleStruct>();
    *rule = {T("grp"),
             T("h.html"),
             T("R1"),
             T("text"),
             2 /* any non-zero byte is active */,
             T("uid1"),
             a.array<KoRuleList_C>({child}),
             a.array<KoMessageArray_C>({message}),
             a.array<KoCategoryArray_C>({T("c0"), T("c1")})};
    auto* group = a.record<RuleGroupStruct>();
    *group = {T("G1"), a.array<KoRuleList_C>({rule})};

    OutputCapture out(0);
    flushRuleGroups(a.array<KoRuleGroupArray_C>({group}));
    EXPECT_EQ(out.take(),
              "Flushing rule groups, size 1\nFlushing rule Groups 0,\nFlushing rule group G1 with 1 \n"
              "Fushing KO Rule 0Flushing rule id R1 \nisActive 1\nHelpFileLocation h.html\nRuleGroup grp\n"
              "RuleText text \nRuleId uid1 \nRule Categories 2 \ncategory 0 : c0 \ncategory 1 : c1 \n"
              "Rule Child count 1\n"
              "flushing child 0\nisActive 0\nRuleGroup grp\nRuleId uid2 \nRule Categories 0 \nRule Child count 0\n"
              "Mapped messages number 0\n"
              "Mapped messages number 1\nMapped Messages 0 :\n Messag Text mt \nMessage level 2 \n"
              "Message helpfile lcoation mh \nmessage producer pr\nmessage unique ID mu\nmessage number mn\n"
              "message references 1\nRef 0 ref0\n");
}

TEST(Dumps, MessageRuleMapPrintsANullMappingAsAnEmptyEntry) {
    Arena a;
    OutputCapture out(0);
    flushMessageRuleMap(a.array<KoMessageRuleMap_C>(
        {a.mapping("m1", {"r1", "r2"}), nullptr, a.mapping("m3", {}), a.mapping(nullptr, {nullptr})}));
    flushMessageRuleMap(nullptr);
    EXPECT_EQ(out.take(),
              "Flushing rule maps, size 4 \n"
              "rule map 0 : \nmaped unique MsgId m1 \nmapped rules 2 :\nrules[0] : r1 \nrules[1] : r2 \n"
              "rule map 1 : \nmaped unique MsgId  \nmapped rules 0 :\n"
              "rule map 2 : \nmaped unique MsgId m3 \nmapped rules 0 :\n"
              "rule map 3 : \nmaped unique MsgId  \nmapped rules 1 :\nrules[0] :  \n"
              "Flushing rule maps, size 0 \n");
}

TEST(Dumps, NullPointersPrintAsEmptyOrAreSkipped) {
    Arena a;
    auto* bare = a.record<RuleStruct>();  // every pointer null
    auto* message = a.record<KoMessage_C>();
    auto* rule = a.record<RuleStruct>();
    rule->categories = a.array<KoCategoryArray_C>({nullptr});
    rule->childRules = a.array<KoRuleList_C>({nullptr, bare});
    rule->mappedMessages = a.array<KoMessageArray_C>({nullptr, message});
    auto* unnamed = a.record<RuleGroupStruct>();
    auto* group = a.record<RuleGroupStruct>();
    *group = {T("g"), a.array<KoRuleList_C>({nullptr})};

    const std::string bareDump = "isActive 0\nRule Categories 0 \nRule Child count 0\nMapped messages number 0\n";
    OutputCapture out(0);
    flushKoRule(nullptr);
    flushRuleGroup(nullptr);
    flushKoRule(bare);
    flushKoRule(rule);
    flushRuleGroups(nullptr);
    flushRuleGroups(a.array<KoRuleGroupArray_C>({nullptr, unnamed, group}));
    EXPECT_EQ(out.take(), bareDump +
                              "isActive 0\nRule Categories 1 \ncategory 0 :  \nRule Child count 2\n"
                              "flushing child 1\n" +
                              bareDump +
                              "Mapped messages number 2\nMapped Messages 1 :\n Messag Text  \nMessage level 0 \n"
                              "Message helpfile lcoation  \nmessage producer \nmessage unique ID \nmessage number \n"
                              "message references 0\n"
                              "Flushing rule groups, size 0\n"
                              "Flushing rule groups, size 3\n"
                              "Flushing rule Groups 1,\nFlushing rule group  with 0 \n"
                              "Flushing rule Groups 2,\nFlushing rule group g with 1 \n");
}

TEST(Dumps, DeepChildRulesAreDumpedOnASmallStack) {
    const size_t depth = 100000;
    Arena a;
    std::vector<RuleStruct*> rules(depth);
    for (RuleStruct*& rule : rules) rule = a.record<RuleStruct>();
    for (size_t i = 0; i + 1 < depth; ++i) rules[i]->childRules = a.array<KoRuleList_C>({rules[i + 1]});

    std::string expected;
    for (size_t i = 0; i < depth; ++i)
        expected += std::string(i > 0 ? "flushing child 0\n" : "") +
                    "isActive 0\nRule Categories 0 \nRule Child count " + (i + 1 < depth ? "1" : "0") + "\n";
    for (size_t i = 0; i < depth; ++i) expected += "Mapped messages number 0\n";

    OutputCapture out(0);
    RunOnSmallStack([&] { flushKoRule(rules[0]); });
    EXPECT_TRUE(out.take() == expected);  // not EXPECT_EQ: a mismatch would print megabytes
}

TEST(Dumps, SaveResultToFileReplacesTheFileOrLogsWhyNot) {
    const std::string file = TestDirectory() + "/result.xml";
    WriteFile(file, "an older and longer content");
    OutputCapture out(2);
    saveResultToFile(file.c_str(), "<KOE>\n</KOE>");
    EXPECT_EQ(ReadLogFile(file), "<KOE>\n</KOE>");  // text mode: CRLF on Windows
    saveResultToFile(file.c_str(), nullptr);
    EXPECT_EQ(ReadFile(file), "");
    EXPECT_EQ(out.take(), "");

    const std::string missing = TestDirectory() + "/no-such-directory/result.xml";
    OutputCapture traced(2);
    saveResultToFile(missing.c_str(), "x");
    saveResultToFile(nullptr, "x");
    EXPECT_EQ(traced.take(), "\n" VORLAN_QUALIFIED("Utils", "saveResultToFile") ": cannot open " + missing +
                                 " for writing\n"
                                 "\n" VORLAN_QUALIFIED("Utils", "saveResultToFile") ": cannot open  for writing\n");
    EXPECT_EQ(ReadFile(missing), "");
}

// A child list that holds its own rule: the dump stops by itself, with one
// level-1 line after what it printed.
TEST(Dumps, LoopingChildRulesStopTheDump) {
    Arena a;
    auto* looping = a.record<RuleStruct>();
    looping->childRules = a.array<KoRuleList_C>({looping});
    OutputCapture out(1);
    flushKoRule(looping);
    const std::string dump = out.take();
    const std::string stopped = std::string("\n") + VORLAN_QUALIFIED("Utils", "flushKoRule") +
                                ": stopped: its records loop (a list is its own ancestor)\n";
    ASSERT_GE(dump.size(), stopped.size());
    EXPECT_EQ(dump.substr(dump.size() - stopped.size()), stopped);
}
