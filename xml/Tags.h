#pragma once

// The tag table: every element name of the documents, once. A row gives the
// global string the system's design names (Utils::tagRule), the member that
// holds its fixed-slot form for the writers (Xml::Elements().rule) and its
// text. The texts are a fixed contract with the Java client. Three pairs share
// a text and are told apart by where they stand ("L", "MT", "UniqueRuleId");
// eight rows are used by no document (marked "none") but belong to the table.
//
// A new element: one row here; its walk then writes Elements().<member>.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#define VORLAN_TAGS(X)                                               \
    X(tagMessage, message, "KOM")                                    \
    X(tagSubDiagnostics, subDiagnostics, "SD")                       \
    X(tagMultiHomed, multiHomed, "MH")                               \
    X(tagSuppressionState, suppressionState, "SS")                   \
    X(tagMessageParameters, messageParameters, "MP")                 \
    X(tagLocationInformation, locationInformation, "LI")             \
    X(tagFile, file, "F")                                            \
    X(tagLine, line, "L")                                            \
    X(tagColumn, column, "C")                                        \
    X(tagUniqueMessageID, uniqueMessageId, "UMID")                   \
    X(tagHelpFileLocation, helpFileLocation, "HFL")                  \
    X(tagMessageLevel, messageLevel, "ML")                           \
    X(tagMessageNumber, messageNumber, "MN")                         \
    X(tagMessageText, messageText, "MT")                             \
    X(tagProducer, producer, "P")                                    \
    X(tagReferences, references, "R")                                \
    X(tagKoEntities, entities, "KOE")                                \
    X(tagKoDiagnosticList, diagnostic, "KOD")                        \
    X(tagKoMessageRuleMapList, messageRuleMapList, "KoMessageRuleMap") /* none */ \
    X(tagUniqueRuleIdList, uniqueRuleIdList, "UniqueRuleId")         \
    X(tagKoMessageRuleMap, messageRuleMap, "KoMessageRuleMapping")   \
    X(tagKoMessageRuleMapEntry, mapEntry, "KoMessageRuleMapEntry")   \
    X(tagKoRuleGroup, ruleGroups, "KoRuleGrouping")                  \
    X(tagKoRuleGroupEntry, groupEntry, "KoRuleGroupEntry")           \
    X(tagMsgRuleMap, msgRuleMap, "MessageRuleMap")           /* none */ \
    X(tagMsgMapping, msgMapping, "MessageMapping")           /* none */ \
    X(tagUniqueRuleId, uniqueRuleId, "UniqueRuleId")         /* none */ \
    X(tagRuleGrps, ruleGrps, "RuleGroups")                   /* none */ \
    X(tagRuleGroup, ruleGroup, "RuleGroup")                  /* none */ \
    X(tagRuleGroupName, groupName, "RuleGroupName")                  \
    X(tagRule, rule, "Rule")                                         \
    X(tagRuleId, ruleId, "RuleId")                                   \
    X(tagIsActive, isActive, "IsActive")                             \
    X(tagRuleGroupStr, ruleGroupStr, "RuleGroupStr")                 \
    X(tagRuleText, ruleText, "RuleText")                             \
    X(tagRuleUID, ruleUID, "RuleUID")                                \
    X(tagRuleCategory, ruleCategory, "RuleCategory")                 \
    X(tagChildRule, childRule, "ChildRule")                  /* none */ \
    X(tagMappedMessage, mappedMessage, "MappedMessage")      /* none */ \
    X(tagLanguages, languages, "KOL")                                \
    X(tagLanguage, language, "L")                                    \
    X(tagKoFile, koFile, "KOF")                                      \
    X(tagIncludedPaths, includedPaths, "IP")                         \
    X(tagDefinitions, definitions, "DEF")                            \
    X(tagSourceLanguage, sourceLanguage, "SL")                       \
    X(tagTrees, trees, "Tr")                                         \
    X(tagFileTree, fileTree, "FT")                                   \
    X(tagMessageTree, messageTree, "MT")                             \
    X(tagRuleTree, ruleTree, "RT")                                   \
    X(tagType, type, "Ty")                                           \
    X(tagName, name, "N")                                            \
    X(tagData, data, "D")                                            \
    X(tagTotal, total, "To")                                         \
    X(tagActive, active, "A")                                        \
    X(tagSubItem, subItem, "SI")

namespace Utils {

// The global strings, initialised in table order when the library is loaded.
#define VORLAN_DECLARE_TAG(global, member, text) extern const std::string global;
VORLAN_TAGS(VORLAN_DECLARE_TAG)
#undef VORLAN_DECLARE_TAG

namespace Xml {

// "<name>" and "</name>" in fixed slots, so a writer copies a tag as one block
// of known size whatever the name.
struct ElementTags {
    static constexpr size_t kSlot = 32;

    char open[kSlot];
    char close[kSlot];
    uint32_t openLength;
    uint32_t closeLength;

    // Throws std::length_error for a name that does not fit its slot.
    explicit ElementTags(const std::string& name);
    std::string_view openTag() const { return {open, openLength}; }
    std::string_view closeTag() const { return {close, closeLength}; }
    // Bytes of both tags together: what an element adds to its content.
    size_t tagsLength() const { return openLength + closeLength; }
};

// Every row of the table in its fixed-slot form.
struct ElementTable {
#define VORLAN_TAG_SLOT(global, member, text) ElementTags member{global};
    VORLAN_TAGS(VORLAN_TAG_SLOT)
#undef VORLAN_TAG_SLOT
};

// The one table, built on first use.
const ElementTable& Elements();

}  // namespace Xml
}  // namespace Utils
