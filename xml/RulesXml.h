#pragma once

// The rule groups document ("KoRuleGrouping") and the message-rule map document
// ("KoMessageRuleMapping"). Only a rule's text is escaped; every other engine
// text is written as it is. Counts are never written: the reader counts the
// repeated elements.
//
// Records that break the engine's invariants are written, not trusted: a null
// text is empty text, a null list an empty list, and a null element of a list
// is left out, except a null mapping of the map, which keeps its place as an
// empty entry.

#include <string>

#include "engine/KoRules.h"
#include "xml/XmlOutput.h"

namespace Utils {

// The whole rule groups document.
std::string SerializeRuleGroups(const KoRuleGroupArray_C* groups);
// The content of one group's "KoRuleGroupEntry" element.
std::string SerializeRuleGroupIndividualy(const RuleGroupStruct* group);
// The content of one "Rule" element, child rules nested after the categories.
std::string SerializeRule(const RuleStruct* rule);

// The whole map document; empty for a null map.
std::string SerializeMessageRuleMap(const KoMessageRuleMap_C* map);
// The map's "KoMessageRuleMapEntry" elements, without an enclosing element.
std::string SerializeMessageRuleMapIndividual(const KoMessageRuleMap_C* map);
// The content of one "KoMessageRuleMapEntry" element; empty for null.
std::string SerializeMessageMapping(const KoMessageMapping_C* mapping);

// The same, appended to `out`. Child rules are written with an explicit stack,
// so any nesting depth needs only a constant amount of the thread's stack.
void AppendRuleGroups(std::string& out, const KoRuleGroupArray_C* groups);
void AppendRuleGroup(std::string& out, const RuleGroupStruct* group);
void AppendRule(std::string& out, const RuleStruct* rule);
void AppendMessageRuleMap(std::string& out, const KoMessageRuleMap_C* map);
void AppendMessageRuleMapEntries(std::string& out, const KoMessageRuleMap_C* map);
void AppendMessageMapping(std::string& out, const KoMessageMapping_C* mapping);

namespace Xml {

// The two documents written into `document` (measured, then written); false
// when the document could not be begun. Throw DocumentNotWritten, before
// writing, when a document passes the largest Java array or its records loop.
// A null map writes nothing.
bool WriteRuleGroups(Document& document, const KoRuleGroupArray_C* groups);
bool WriteMessageRuleMap(Document& document, const KoMessageRuleMap_C* map);

}  // namespace Xml

}  // namespace Utils
