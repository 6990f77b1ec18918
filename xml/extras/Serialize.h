#pragma once

// The by-value forms the system's design names. No native method calls them:
// the bridge writes its documents with the Write* functions of xml/ straight
// into their destination. Each Serialize* function is the same walk as its
// document's, written into a new string; the primitives build one element.

#include <string>

#include "engine/KoDiagnostics.h"
#include "engine/KoProject.h"
#include "engine/KoRules.h"

namespace Utils {

// "<name>", followed by "<![CDATA[" when `cdata` is true.
std::string openXMLNode(const std::string& name, bool cdata);
// "</name>", preceded by "]]>" when `cdata` is true.
std::string closeXMLNode(const std::string& name, bool cdata);
// Open tag, `value` as it is, close tag.
std::string createXMLNode(const std::string& name, const std::string& value, bool cdata);
// <name>value</name>, the value escaped.
std::string createSafeXMLNode(const std::string& name, const std::string& value);
// Replaces & < > ' " by their entity references (one pass; the same text as
// the five replacements applied in that order).
std::string ValidateForXML(const std::string& text);
// Replaces every occurrence of `find`, resuming behind each replacement; false
// (text untouched) when there is none or `find` is empty.
bool replaceSubstring(std::string& text, const std::string& find, const std::string& replacement);
void replaceAll(std::string& text, const std::string& from, const std::string& to);

// Diagnostics (xml/DiagnosticsXml.h).
// Content of one "KOM" element, of one "KOD" element (without their tags).
std::string SerializeMessage(const KoMessage_C* message);
std::string SerializeDiagnostic(const DiagnosticStruct* diagnostic);
// Each element of the array wrapped in "KOD", one after the other.
std::string SerializeDiagnosticArrayIndividual(const KoDiagnosticArray_C* diagnostics);
// The whole "KOE" document; empty text for a null array.
std::string SerializeDiagnosticArray(const KoDiagnosticArray_C* diagnostics);

// Rules (xml/RulesXml.h).
// The whole rule groups document.
std::string SerializeRuleGroups(const KoRuleGroupArray_C* groups);
// The content of one "KoRuleGroupEntry", of one "Rule" element.
std::string SerializeRuleGroupIndividualy(const RuleGroupStruct* group);
std::string SerializeRule(const RuleStruct* rule);
// The whole map document; empty for a null map.
std::string SerializeMessageRuleMap(const KoMessageRuleMap_C* map);
// The map's "KoMessageRuleMapEntry" elements, without an enclosing element.
std::string SerializeMessageRuleMapIndividual(const KoMessageRuleMap_C* map);
// The content of one "KoMessageRuleMapEntry"; empty for null.
std::string SerializeMessageMapping(const KoMessageMapping_C* mapping);

// Project (xml/ProjectXml.h).
// "KOF" with "IP", "DEF", "SL"; the empty string for a null record.
std::string SerializeKoFile(const KoFile_C* file);
// "IP": the include paths joined with ";", escaped as a whole.
std::string SerializeIncludedPaths(const KoIncludes_C* includes);
// "DEF": the macro definitions joined with ";", escaped as a whole.
std::string SerializeDefines(const KoDefines_C* defines);
// "SL" with "C", "C++", "C#", or empty for any other value.
std::string SerializeSourceLanguage(KoSourceLanguage_C language);
// "KOL" with one "L" per known code; the empty string for a null list.
std::string SerializeLanguages(const KoLanguages_C* languages);
// "L" with "0", "1" or "2"; the empty string for any other code.
std::string SerializeLanguage(KoLanguage_C language);
// "Tr" around "FT", "MT", "RT".
std::string SerializeTrees(const KoTrees_C* trees);
// "FT", "MT", "RT" side by side; the empty string for a null record.
std::string SerializeTreesIndividual(const KoTrees_C* trees);
// The content of one item: "Ty", "N", "D", "To", "A", one "SI" per sub-item.
std::string SerializeTreeItem(const KoTreeStruct* item);
// "Ty" with the digit 0 to 8, or empty for any other value.
std::string SerializeTreeItemType(KoTreeItemType_C type);

}  // namespace Utils
