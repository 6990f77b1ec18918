// The XML primitives, the escaping and the tag table.

#include <string>

#include "tests/EscapeReference.h"
#include "tests/TestSupport.h"
#include "xml/Tags.h"
#include "xml/extras/Serialize.h"

using namespace Utils;

TEST(XmlPrimitives, ElementsAreWrittenInTheCompactForm) {
    EXPECT_EQ(openXMLNode("KOM", false), "<KOM>");
    EXPECT_EQ(openXMLNode("R", true), "<R><![CDATA[");
    EXPECT_EQ(closeXMLNode("KOM", false), "</KOM>");
    EXPECT_EQ(closeXMLNode("R", true), "]]></R>");
    EXPECT_EQ(createXMLNode("RuleId", "", false), "<RuleId></RuleId>");
    EXPECT_EQ(createXMLNode("MT", "x<y", true), "<MT><![CDATA[x<y]]></MT>");
    EXPECT_EQ(createXMLNode("MT", "a]]>b", true), "<MT><![CDATA[a]]>b]]></MT>");
    EXPECT_EQ(createXMLNode("F", "a&b<c>", false), "<F>a&b<c></F>");
    EXPECT_EQ(createSafeXMLNode("RuleText", "1&2<3>4'5\"6"), "<RuleText>1&amp;2&lt;3&gt;4&apos;5&quot;6</RuleText>");
}

TEST(XmlPrimitives, EscapingChangesOnlyTheFiveMarkupCharacters) {
    EXPECT_EQ(ValidateForXML("&lt;"), "&amp;lt;");
    EXPECT_EQ(ValidateForXML("&amp;"), "&amp;amp;");
    const std::string untouched = "tab\there\nline\r\x01\x7f\xc3\xa9\xff";
    EXPECT_EQ(ValidateForXML(untouched), untouched);
    EXPECT_EQ(createSafeXMLNode("N", untouched), "<N>" + untouched + "</N>");
    EXPECT_EQ(ValidateForXML(""), "");
}

TEST(XmlPrimitives, OnePassEscapingEqualsTheFiveOrderedReplacements) {
    const char alphabet[] = {'&', '<', '>', '\'', '"', 'a', ';', '\x80'};
    // Every string of up to four characters over an alphabet of the markup
    // characters and a few others.
    std::string text;
    size_t checked = 0;
    for (int length = 0; length <= 4; ++length) {
        size_t total = 1;
        for (int i = 0; i < length; ++i) total *= sizeof alphabet;
        for (size_t n = 0; n < total; ++n) {
            text.clear();
            for (size_t k = n, i = 0; i < static_cast<size_t>(length); ++i, k /= sizeof alphabet)
                text += alphabet[k % sizeof alphabet];
            ASSERT_EQ(ValidateForXML(text), FiveReplacements(text)) << text;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 1u + 8 + 64 + 512 + 4096);
}

TEST(XmlPrimitives, ReplaceSubstringResumesBehindEachReplacement) {
    std::string text = "abc";
    EXPECT_FALSE(replaceSubstring(text, "&", "&amp;"));
    EXPECT_EQ(text, "abc");
    text = "a&&b";
    EXPECT_TRUE(replaceSubstring(text, "&", "&amp;"));
    EXPECT_EQ(text, "a&amp;&amp;b");
    text = "aaa";
    EXPECT_TRUE(replaceSubstring(text, "a", "aa"));
    EXPECT_EQ(text, "aaaaaa");
    text = "xyz";
    EXPECT_FALSE(replaceSubstring(text, "", "q"));
    EXPECT_EQ(text, "xyz");
}

TEST(XmlPrimitives, ReplaceAllWorksInPlace) {
    std::string text = "a.b.c";
    replaceAll(text, ".", "::");
    EXPECT_EQ(text, "a::b::c");
    replaceAll(text, "", "x");
    EXPECT_EQ(text, "a::b::c");
    text = "aaa";
    replaceAll(text, "a", "aa");
    EXPECT_EQ(text, "aaaaaa");
}

TEST(XmlPrimitives, TagTableHoldsTheVocabulary) {
    const std::string* const table[] = {
        &tagMessage, &tagSubDiagnostics, &tagMultiHomed, &tagSuppressionState, &tagMessageParameters,
        &tagLocationInformation, &tagFile, &tagLine, &tagColumn, &tagUniqueMessageID, &tagHelpFileLocation,
        &tagMessageLevel, &tagMessageNumber, &tagMessageText, &tagProducer, &tagReferences, &tagKoEntities,
        &tagKoDiagnosticList, &tagKoMessageRuleMapList, &tagUniqueRuleIdList, &tagKoMessageRuleMap,
        &tagKoMessageRuleMapEntry, &tagKoRuleGroup, &tagKoRuleGroupEntry, &tagMsgRuleMap, &tagMsgMapping,
        &tagUniqueRuleId, &tagRuleGrps, &tagRuleGroup, &tagRuleGroupName, &tagRule, &tagRuleId, &tagIsActive,
        &tagRuleGroupStr, &tagRuleText, &tagRuleUID, &tagRuleCategory, &tagChildRule, &tagMappedMessage,
        &tagLanguages, &tagLanguage, &tagKoFile, &tagIncludedPaths, &tagDefinitions, &tagSourceLanguage,
        &tagTrees, &tagFileTree, &tagMessageTree, &tagRuleTree, &tagType, &tagName, &tagData, &tagTotal,
        &tagActive, &tagSubItem};
    const char* const names[] = {
        "KOM", "SD", "MH", "SS", "MP", "LI", "F", "L", "C", "UMID", "HFL", "ML", "MN", "MT", "P", "R", "KOE",
        "KOD", "KoMessageRuleMap", "UniqueRuleId", "KoMessageRuleMapping", "KoMessageRuleMapEntry",
        "KoRuleGrouping", "KoRuleGroupEntry", "MessageRuleMap", "MessageMapping", "UniqueRuleId", "RuleGroups",
        "RuleGroup", "RuleGroupName", "Rule", "RuleId", "IsActive", "RuleGroupStr", "RuleText", "RuleUID",
        "RuleCategory", "ChildRule", "MappedMessage", "KOL", "L", "KOF", "IP", "DEF", "SL", "Tr", "FT", "MT",
        "RT", "Ty", "N", "D", "To", "A", "SI"};
    static_assert(sizeof table / sizeof table[0] == 55, "55 tags");
    static_assert(sizeof names / sizeof names[0] == 55, "55 names");
    for (size_t i = 0; i < 55; ++i) EXPECT_EQ(*table[i], names[i]) << i;
}
