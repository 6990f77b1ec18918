#pragma once

// Plain-text dumps of the engine's rule configuration records on standard
// output, and a helper that writes a text to a file; for code that wants to
// look at engine records while debugging. The system's design names them; no
// native method calls them.
//
// A null text prints as empty text (the five rule texts are left out instead),
// a null array as an empty one, and a null rule, group or message is skipped;
// a null mapping prints as an entry without identifier and rules. Child rules
// of any depth are printed without recursion. A rule tree whose child lists
// loop, or whose dump passes 2^31 - 1 bytes, is printed up to there and then
// stops with one level-1 line.

#include "engine/KoRules.h"

namespace Utils {

void flushKoRule(RuleStruct* rule);
void flushRuleGroup(RuleGroupStruct* group);
void flushRuleGroups(KoRuleGroupArray_C* groups);
void flushMessageRuleMap(KoMessageRuleMap_C* map);

// Writes `text` to `path` in text mode, replacing the file; when the file cannot
// be opened, writes nothing and logs one level-2 line naming the path.
void saveResultToFile(const char* path, const char* text);

}  // namespace Utils
