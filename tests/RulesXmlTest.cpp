// The rule groups and message-rule map documents, byte for byte.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/RuleRecords.h"
#include "xml/RulesXml.h"
#include "xml/extras/Serialize.h"

namespace {

// The six elements every rule starts with, as RuleRecords::rule(id) fills them.
std::string Fields(const std::string& id, const char* active = "1") {
    return "<RuleId>" + id + "</RuleId><IsActive>" + active + "</IsActive><HFL>h" + id +
           "</HFL><RuleGroupStr>G</RuleGroupStr><RuleText>t" + id + "</RuleText><RuleUID>U" + id + "</RuleUID>";
}

}  // namespace

TEST(RuleGroupsXml, GroupWithRuleCategoryAndChild) {
    RuleRecords r;
    RuleStruct* child = r.rule({"R2", "h2", "G", "t", "U2"}, 0);
    RuleStruct* parent = r.rule({"R1", "h1", "G", "a & b", "U1"}, 1, {"C1"}, {child});
    EXPECT_EQ(Utils::SerializeRuleGroups(r.groups({r.group("G", {parent})})),
              "<KoRuleGrouping><KoRuleGroupEntry><RuleGroupName>G</RuleGroupName><Rule><RuleId>R1</RuleId>"
              "<IsActive>1</IsActive><HFL>h1</HFL><RuleGroupStr>G</RuleGroupStr><RuleText>a &amp; b</RuleText>"
              "<RuleUID>U1</RuleUID><RuleCategory>C1</RuleCategory><Rule><RuleId>R2</RuleId><IsActive>0</IsActive>"
              "<HFL>h2</HFL><RuleGroupStr>G</RuleGroupStr><RuleText>t</RuleText><RuleUID>U2</RuleUID></Rule></Rule>"
              "</KoRuleGroupEntry></KoRuleGrouping>");
}

TEST(RuleGroupsXml, EmptyArraysGiveBareElements) {
    RuleRecords r;
    EXPECT_EQ(Utils::SerializeRuleGroups(r.groups({})), "<KoRuleGrouping></KoRuleGrouping>");
    EXPECT_EQ(Utils::SerializeRuleGroups(r.groups({r.group("name", {}), r.group("", {})})),
              "<KoRuleGrouping><KoRuleGroupEntry><RuleGroupName>name</RuleGroupName></KoRuleGroupEntry>"
              "<KoRuleGroupEntry><RuleGroupName></RuleGroupName></KoRuleGroupEntry></KoRuleGrouping>");
}

TEST(RuleXml, PlainRuleHasSixElementsAndMappedMessagesAreNotRead) {
    RuleRecords r;
    RuleStruct* rule = r.rule({"id", "help", "grp", "", "uid"}, 0);
    // Never dereferenced: the messages of a rule are not part of the document.
    rule->mappedMessages = reinterpret_cast<KoMessageArray_C*>(uintptr_t{1});
    EXPECT_EQ(Utils::SerializeRule(rule),
              "<RuleId>id</RuleId><IsActive>0</IsActive><HFL>help</HFL><RuleGroupStr>grp</RuleGroupStr>"
              "<RuleText></RuleText><RuleUID>uid</RuleUID>");
}

TEST(RuleXml, AnyNonZeroActiveByteIsOne) {
    RuleRecords r;
    for (uint8_t value : {1, 2, 0x80, 0xFF}) EXPECT_EQ(Utils::SerializeRule(r.rule("R", value)), Fields("R"));
    EXPECT_EQ(Utils::SerializeRule(r.rule("R", 0)), Fields("R", "0"));
}

TEST(RuleXml, OnlyTheRuleTextIsEscaped) {
    RuleRecords r;
    const char* markup = "<a href='x'>\"&\"</a>";
    RuleStruct* rule = r.rule({markup, markup, markup, markup, markup}, 1, {markup});
    const std::string raw = "&lt;a href='x'>\"&amp;\"&lt;/a>";  // verbatim but for & and <
    EXPECT_EQ(Utils::SerializeRuleGroupIndividualy(r.group(markup, {rule})),
              "<RuleGroupName>" + raw + "</RuleGroupName><Rule><RuleId>" + raw +
                  "</RuleId><IsActive>1</IsActive><HFL>" + raw + "</HFL><RuleGroupStr>" + raw +
                  "</RuleGroupStr><RuleText>&lt;a href=&apos;x&apos;&gt;&quot;&amp;&quot;&lt;/a&gt;</RuleText>"
                  "<RuleUID>" +
                  raw + "</RuleUID><RuleCategory>" + raw + "</RuleCategory></Rule>");
    EXPECT_EQ(Utils::SerializeMessageMapping(r.mapping(markup, {markup})),
              "<UMID>" + raw + "</UMID><UniqueRuleId>" + raw + "</UniqueRuleId>");
}

TEST(RuleXml, ChildRulesNestDepthFirstAfterTheCategories) {
    RuleRecords r;
    RuleStruct* r3 = r.rule("R3", 1, {"C4"});
    RuleStruct* r2 = r.rule("R2", 0, {"C3"}, {r3});
    RuleStruct* r4 = r.rule("R4");
    RuleStruct* r1 = r.rule("R1", 1, {"C1", "C2"}, {r2, r4});
    EXPECT_EQ(Utils::SerializeRule(r1),
              Fields("R1") + "<RuleCategory>C1</RuleCategory><RuleCategory>C2</RuleCategory><Rule>" +
                  Fields("R2", "0") + "<RuleCategory>C3</RuleCategory><Rule>" + Fields("R3") +
                  "<RuleCategory>C4</RuleCategory></Rule></Rule><Rule>" + Fields("R4") + "</Rule>");
    // The same rules in a group: each top-level rule wrapped, in index order.
    EXPECT_EQ(Utils::SerializeRuleGroupIndividualy(r.group("g", {r3, r4})),
              "<RuleGroupName>g</RuleGroupName><Rule>" + Fields("R3") + "<RuleCategory>C4</RuleCategory></Rule><Rule>" +
                  Fields("R4") + "</Rule>");
}

TEST(RuleGroupsXml, BrokenRecordsAreWrittenAsEmptyOrLeftOut) {
    RuleRecords r;
    EXPECT_EQ(Utils::SerializeRuleGroups(nullptr), "<KoRuleGrouping></KoRuleGrouping>");
    EXPECT_EQ(Utils::SerializeRuleGroupIndividualy(nullptr), "");
    EXPECT_EQ(Utils::SerializeRule(nullptr), "");

    // Null texts are empty; null lists are empty; null elements are left out.
    RuleStruct* hollow = r.rule({nullptr, nullptr, nullptr, nullptr, nullptr}, 1);
    hollow->categories = nullptr;
    hollow->childRules = nullptr;
    hollow->mappedMessages = nullptr;
    RuleStruct* gappy = r.rule("R", 1, {nullptr, "C", nullptr}, {nullptr, r.rule("K"), nullptr});
    RuleGroupStruct* noRules = r.group(nullptr, {});
    noRules->rules = nullptr;
    KoRuleGroupArray_C* groups = r.groups({nullptr, r.group("g", {nullptr, hollow, gappy}), nullptr, noRules});
    EXPECT_EQ(Utils::SerializeRuleGroups(groups),
              "<KoRuleGrouping><KoRuleGroupEntry><RuleGroupName>g</RuleGroupName><Rule><RuleId></RuleId>"
              "<IsActive>1</IsActive><HFL></HFL><RuleGroupStr></RuleGroupStr><RuleText></RuleText>"
              "<RuleUID></RuleUID></Rule><Rule>" +
                  Fields("R") + "<RuleCategory>C</RuleCategory><Rule>" + Fields("K") +
                  "</Rule></Rule></KoRuleGroupEntry><KoRuleGroupEntry><RuleGroupName></RuleGroupName>"
                  "</KoRuleGroupEntry></KoRuleGrouping>");
}

TEST(MessageRuleMapXml, MappingToTwoRules) {
    RuleRecords r;
    EXPECT_EQ(Utils::SerializeMessageRuleMap(r.map({r.mapping("M1", {"U1", "U2"})})),
              "<KoMessageRuleMapping><KoMessageRuleMapEntry><UMID>M1</UMID><UniqueRuleId>U1</UniqueRuleId>"
              "<UniqueRuleId>U2</UniqueRuleId></KoMessageRuleMapEntry></KoMessageRuleMapping>");
}

TEST(MessageRuleMapXml, NullAndEmptyMapsAndMappings) {
    RuleRecords r;
    EXPECT_EQ(Utils::SerializeMessageRuleMap(nullptr), "");
    EXPECT_EQ(Utils::SerializeMessageRuleMapIndividual(nullptr), "");
    EXPECT_EQ(Utils::SerializeMessageMapping(nullptr), "");
    EXPECT_EQ(Utils::SerializeMessageRuleMap(r.map({})), "<KoMessageRuleMapping></KoMessageRuleMapping>");
    EXPECT_EQ(Utils::SerializeMessageRuleMapIndividual(r.map({})), "");
    // Inside a mapping a null text is empty and a null rule identifier left out.
    EXPECT_EQ(Utils::SerializeMessageMapping(r.mapping(nullptr, {nullptr, "U1", nullptr})),
              "<UMID></UMID><UniqueRuleId>U1</UniqueRuleId>");
}

TEST(MessageRuleMapXml, NullMappingKeepsItsPlaceAsAnEmptyEntry) {
    RuleRecords r;
    // A mapping without rules is a bare 16-byte block: nothing behind the count is read.
    KoMessageRuleMap_C* map = r.map({nullptr, r.mapping("M1", {}), nullptr, r.mapping("M2", {"U"})});
    const std::string entries =
        "<KoMessageRuleMapEntry></KoMessageRuleMapEntry><KoMessageRuleMapEntry><UMID>M1</UMID>"
        "</KoMessageRuleMapEntry><KoMessageRuleMapEntry></KoMessageRuleMapEntry><KoMessageRuleMapEntry>"
        "<UMID>M2</UMID><UniqueRuleId>U</UniqueRuleId></KoMessageRuleMapEntry>";
    EXPECT_EQ(Utils::SerializeMessageRuleMapIndividual(map), entries);
    EXPECT_EQ(Utils::SerializeMessageRuleMap(map), "<KoMessageRuleMapping>" + entries + "</KoMessageRuleMapping>");
}

TEST(RulesXml, DocumentsAreWrittenIntoOneBlockOfTheirSize) {
    RuleRecords r;
    RuleStruct* child = r.rule({"c", nullptr, "G", "<&>'\"", "u"}, 0, {"x", nullptr});
    KoRuleGroupArray_C* groups = r.groups({r.group("g", {r.rule("R", 1, {"C"}, {child, nullptr})}), nullptr});
    const std::string rules = Utils::SerializeRuleGroups(groups);
    EXPECT_EQ(rules.capacity(), rules.size());
    const std::string map = Utils::SerializeMessageRuleMap(r.map({r.mapping("M", {"U", nullptr}), nullptr}));
    EXPECT_EQ(map.capacity(), map.size());

    // Appending keeps what the string holds.
    std::string out = "prefix";
    Utils::Xml::StringDestination destination(out);
    for (int i = 0; i < 3; ++i) Utils::Xml::WriteRuleGroups(destination, groups);
    EXPECT_EQ(out, "prefix" + rules + rules + rules);
}
