#pragma once

// The sample engine's rules and the plain text checks behind them. A check
// looks at one file's bytes only: no preprocessing, no parsing beyond telling
// code, comments and literals apart.

#include <cstddef>
#include <string>
#include <vector>

namespace Sample {

// Index of a message in Messages(); stored in results files, so append only.
enum MessageIndex : int {
    kLineTooLong = 0,
    kTrailingSpace,
    kTabCharacter,
    kNoFinalNewline,
    kGotoStatement,
    kGotoLabel,
    kTodoComment,
    kFixmeComment,
    kMessageCount
};

struct MessageInfo {
    const char* number;    // "1001"
    const char* uniqueId;  // "VSM-1001"
    int level;             // a KoMessageLevel_C value
    const char* rule;      // id of the rule the message belongs to
    const char* title;     // short name, for the message tree
    const char* reference;
};

struct RuleInfo {
    const char* id;        // "VL101"
    const char* uid;       // "VSR-101"
    const char* group;     // name of the rule group
    const char* parent;    // id of the parent rule, or null for a top rule
    const char* text;
    const char* category;
};

const MessageInfo* Messages();  // kMessageCount entries
const RuleInfo* Rules();
size_t RuleCount();
const char* const* RuleGroups();  // group names, in display order
size_t RuleGroupCount();

// Index of the message whose number or unique identifier is `key`, or -1.
int FindMessage(const std::string& key);

constexpr int kLineLimit = 120;

struct Finding {
    int message = 0;  // a MessageIndex
    int line = 0;     // 1-based
    int column = 0;   // 1-based, in characters
    std::vector<std::string> parameters;
    std::vector<Finding> related;  // shown as sub-diagnostics

    bool operator==(const Finding& other) const;
};

// The full message text of a finding, its parameters filled in.
std::string MessageText(const Finding& finding);

// Checks the text of one source file against every rule. Findings come in the
// order of their position.
std::vector<Finding> CheckText(const std::string& text);

}  // namespace Sample
