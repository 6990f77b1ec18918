#pragma once

// The compact XML the bridge writes: the tag table, the string-building
// primitives, escaping, and the appending forms the serialisers use to write
// everything into one output buffer.

#include <cstddef>
#include <cstdint>
#include <string>

namespace Utils {

// The tag table, in table order.
extern const std::string tagMessage;                 // "KOM"
extern const std::string tagSubDiagnostics;          // "SD"
extern const std::string tagMultiHomed;              // "MH"
extern const std::string tagSuppressionState;        // "SS"
extern const std::string tagMessageParameters;       // "MP"
extern const std::string tagLocationInformation;     // "LI"
extern const std::string tagFile;                    // "F"
extern const std::string tagLine;                    // "L"
extern const std::string tagColumn;                  // "C"
extern const std::string tagUniqueMessageID;         // "UMID"
extern const std::string tagHelpFileLocation;        // "HFL"
extern const std::string tagMessageLevel;            // "ML"
extern const std::string tagMessageNumber;           // "MN"
extern const std::string tagMessageText;             // "MT"
extern const std::string tagProducer;                // "P"
extern const std::string tagReferences;              // "R"
extern const std::string tagKoEntities;              // "KOE"
extern const std::string tagKoDiagnosticList;        // "KOD"
extern const std::string tagKoMessageRuleMapList;    // "KoMessageRuleMap"
extern const std::string tagUniqueRuleIdList;        // "UniqueRuleId"
extern const std::string tagKoMessageRuleMap;        // "KoMessageRuleMapping"
extern const std::string tagKoMessageRuleMapEntry;   // "KoMessageRuleMapEntry"
extern const std::string tagKoRuleGroup;             // "KoRuleGrouping"
extern const std::string tagKoRuleGroupEntry;        // "KoRuleGroupEntry"
extern const std::string tagMsgRuleMap;              // "MessageRuleMap"
extern const std::string tagMsgMapping;              // "MessageMapping"
extern const std::string tagUniqueRuleId;            // "UniqueRuleId"
extern const std::string tagRuleGrps;                // "RuleGroups"
extern const std::string tagRuleGroup;               // "RuleGroup"
extern const std::string tagRuleGroupName;           // "RuleGroupName"
extern const std::string tagRule;                    // "Rule"
extern const std::string tagRuleId;                  // "RuleId"
extern const std::string tagIsActive;                // "IsActive"
extern const std::string tagRuleGroupStr;            // "RuleGroupStr"
extern const std::string tagRuleText;                // "RuleText"
extern const std::string tagRuleUID;                 // "RuleUID"
extern const std::string tagRuleCategory;            // "RuleCategory"
extern const std::string tagChildRule;               // "ChildRule"
extern const std::string tagMappedMessage;           // "MappedMessage"
extern const std::string tagLanguages;               // "KOL"
extern const std::string tagLanguage;                // "L"
extern const std::string tagKoFile;                  // "KOF"
extern const std::string tagIncludedPaths;           // "IP"
extern const std::string tagDefinitions;             // "DEF"
extern const std::string tagSourceLanguage;          // "SL"
extern const std::string tagTrees;                   // "Tr"
extern const std::string tagFileTree;                // "FT"
extern const std::string tagMessageTree;             // "MT"
extern const std::string tagRuleTree;                // "RT"
extern const std::string tagType;                    // "Ty"
extern const std::string tagName;                    // "N"
extern const std::string tagData;                    // "D"
extern const std::string tagTotal;                   // "To"
extern const std::string tagActive;                  // "A"
extern const std::string tagSubItem;                 // "SI"

// The primitives, each returning a new string.
std::string openXMLNode(const std::string& name, bool cdata);
std::string closeXMLNode(const std::string& name, bool cdata);
std::string createXMLNode(const std::string& name, const std::string& value, bool cdata);
std::string createSafeXMLNode(const std::string& name, const std::string& value);
// Replaces & < > ' " by their entity references (one pass; the same text as
// the five replacements applied in that order).
std::string ValidateForXML(const std::string& text);
// Replaces every occurrence of `find`, resuming behind each replacement; false
// (text untouched) when there is none or `find` is empty.
bool replaceSubstring(std::string& text, const std::string& find, const std::string& replacement);
void replaceAll(std::string& text, const std::string& from, const std::string& to);

// Appending forms: the serialisers write into one buffer with these. A null
// text is written as empty text.
namespace Xml {

inline void Open(std::string& out, const std::string& name) {
    out += '<';
    out += name;
    out += '>';
}

inline void Close(std::string& out, const std::string& name) {
    out += "</";
    out += name;
    out += '>';
}

void AppendEscaped(std::string& out, const char* text, size_t length);

// <name>text</name>, the text verbatim.
void Node(std::string& out, const std::string& name, const char* text);
// <name>text</name>, the text escaped.
void SafeNode(std::string& out, const std::string& name, const char* text);
// <name><![CDATA[text]]></name>
void CDataNode(std::string& out, const std::string& name, const char* text);
// <name>value</name>, the value as a signed decimal.
void IntNode(std::string& out, const std::string& name, int32_t value);

}  // namespace Xml
}  // namespace Utils
