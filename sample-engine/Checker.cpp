#include "sample-engine/Checker.h"

#include <algorithm>
#include <map>
#include <utility>

namespace Sample {

namespace {

// clang-format off
const MessageInfo kMessages[kMessageCount] = {
    {"1001", "VSM-1001", 3, "VL101", "Line too long",            "Vorlan sample style guide 2.1"},
    {"1002", "VSM-1002", 3, "VL102", "Trailing white space",     "Vorlan sample style guide 2.2"},
    {"1003", "VSM-1003", 3, "VL103", "Tab character",            "Vorlan sample style guide 2.3"},
    {"1004", "VSM-1004", 3, "VL104", "No newline at end of file", "Vorlan sample style guide 2.4"},
    {"2001", "VSM-2001", 2, "VL201", "goto statement",           "Vorlan sample style guide 3.1"},
    {"2002", "VSM-2002", 3, "VL201", "Target of a goto",         "Vorlan sample style guide 3.1"},
    {"2101", "VSM-2101", 3, "VL202.1", "TODO comment",           "Vorlan sample style guide 3.2"},
    {"2102", "VSM-2102", 3, "VL202.2", "FIXME comment",          "Vorlan sample style guide 3.2"},
};

const RuleInfo kRules[] = {
    {"VL101",   "VSR-101",   "Layout",   nullptr, "Lines are at most 120 characters long",          "layout"},
    {"VL102",   "VSR-102",   "Layout",   nullptr, "Lines have no trailing white space",             "layout"},
    {"VL103",   "VSR-103",   "Layout",   nullptr, "Indentation uses spaces, not tab characters",    "layout"},
    {"VL104",   "VSR-104",   "Layout",   nullptr, "Every file ends with a newline",                 "portability"},
    {"VL201",   "VSR-201",   "Practice", nullptr, "Control flow does not use goto",                 "structure"},
    {"VL202",   "VSR-202",   "Practice", nullptr, "Unfinished work is not left in comments",        "maintainability"},
    {"VL202.1", "VSR-202.1", "Practice", "VL202", "No TODO comments",                               "maintainability"},
    {"VL202.2", "VSR-202.2", "Practice", "VL202", "No FIXME comments",                              "maintainability"},
};
// clang-format on

const char* const kGroups[] = {"Layout", "Practice"};

bool isIdentifierStart(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isIdentifier(char c) { return isIdentifierStart(c) || (c >= '0' && c <= '9'); }
bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Characters (not bytes) of UTF-8 text between two offsets.
int characters(const std::string& text, size_t begin, size_t end) {
    int n = 0;
    for (size_t i = begin; i < end; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++n;
    return n;
}

const std::string& parameter(const Finding& f, size_t i) {
    static const std::string unknown = "?";
    return i < f.parameters.size() ? f.parameters[i] : unknown;
}

Finding makeFinding(int message, int line, int column, std::vector<std::string> parameters = {}) {
    Finding f;
    f.message = message;
    f.line = line;
    f.column = column;
    f.parameters = std::move(parameters);
    return f;
}

// Checks that look at one line at a time.
void checkLines(const std::string& text, std::vector<Finding>& findings) {
    int line = 0;
    size_t begin = 0;
    while (begin < text.size()) {
        ++line;
        size_t newline = text.find('\n', begin);
        size_t next = newline == std::string::npos ? text.size() : newline + 1;
        size_t end = newline == std::string::npos ? text.size() : newline;
        if (end > begin && text[end - 1] == '\r') --end;  // CRLF line ends are not white space

        int length = characters(text, begin, end);
        if (length > kLineLimit)
            findings.push_back(
                makeFinding(kLineTooLong, line, kLineLimit + 1, {std::to_string(length), std::to_string(kLineLimit)}));

        size_t trailing = end;
        while (trailing > begin && isBlank(text[trailing - 1])) --trailing;
        if (trailing < end)
            findings.push_back(makeFinding(kTrailingSpace, line, characters(text, begin, trailing) + 1,
                                           {std::to_string(end - trailing)}));

        size_t tab = text.find('\t', begin);
        if (tab != std::string::npos && tab < end) {
            long tabs = std::count(text.begin() + static_cast<long>(begin), text.begin() + static_cast<long>(end), '\t');
            findings.push_back(
                makeFinding(kTabCharacter, line, characters(text, begin, tab) + 1, {std::to_string(tabs)}));
        }

        if (newline == std::string::npos)
            findings.push_back(makeFinding(kNoFinalNewline, line, length + 1));
        begin = next;
    }
}

// Walks the text telling code, comments and literals apart: goto statements
// and labels count only in code, TODO and FIXME only in comments.
class Scanner {
public:
    explicit Scanner(const std::string& text) : m_text(text) {}

    void run(std::vector<Finding>& findings) {
        while (m_pos < m_text.size()) {
            char c = m_text[m_pos];
            bool code = !isBlank(c) && c != '\n' && c != '\r';
            if (c == '/' && peek(1) == '/') {
                lineComment(findings);
                code = false;
            } else if (c == '/' && peek(1) == '*') {
                blockComment(findings);
                code = false;
            } else if (c == '"') {
                quoted('"');
            } else if (c == '\'') {
                quoted('\'');
            } else if (c >= '0' && c <= '9') {
                // A number, digit separators and suffixes included.
                while (m_pos < m_text.size() && (isIdentifier(m_text[m_pos]) || m_text[m_pos] == '.' ||
                                                 m_text[m_pos] == '\''))
                    advance();
            } else if (isIdentifierStart(c)) {
                word();
            } else {
                advance();
            }
            if (code) m_codeOnLine = true;
        }
        for (Finding& jump : m_gotos) {
            auto label = m_labels.find(parameter(jump, 0));
            if (label != m_labels.end())
                jump.related.push_back(makeFinding(kGotoLabel, label->second.first, label->second.second, jump.parameters));
            findings.push_back(std::move(jump));
        }
    }

private:
    char peek(size_t ahead) const { return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : '\0'; }

    void advance() {
        if (m_text[m_pos] == '\n') {
            ++m_line;
            m_lineBegin = m_columnPos = m_pos + 1;
            m_columnChars = 0;
            m_codeOnLine = false;
        }
        ++m_pos;
    }

    // Columns are asked for in increasing positions on a line: count on from
    // the last one rather than from the line start.
    int column(size_t pos) {
        if (pos < m_columnPos) {
            m_columnPos = m_lineBegin;
            m_columnChars = 0;
        }
        m_columnChars += characters(m_text, m_columnPos, pos);
        m_columnPos = pos;
        return m_columnChars + 1;
    }

    // TODO or FIXME as a word inside a comment.
    void commentWord(std::vector<Finding>& findings) {
        size_t start = m_pos;
        while (m_pos < m_text.size() && isIdentifier(m_text[m_pos])) ++m_pos;
        std::string word = m_text.substr(start, m_pos - start);
        if (word == "TODO") findings.push_back(makeFinding(kTodoComment, m_line, column(start), {word}));
        if (word == "FIXME") findings.push_back(makeFinding(kFixmeComment, m_line, column(start), {word}));
    }

    void lineComment(std::vector<Finding>& findings) {
        m_pos += 2;
        while (m_pos < m_text.size() && m_text[m_pos] != '\n') {
            if (isIdentifier(m_text[m_pos]))
                commentWord(findings);
            else
                ++m_pos;
        }
    }

    void blockComment(std::vector<Finding>& findings) {
        m_pos += 2;
        while (m_pos < m_text.size()) {
            if (m_text[m_pos] == '*' && peek(1) == '/') {
                m_pos += 2;
                return;
            }
            if (isIdentifier(m_text[m_pos]))
                commentWord(findings);
            else
                advance();
        }
    }

    // A string or character literal; an unterminated one ends at the line end.
    void quoted(char quote) {
        advance();
        while (m_pos < m_text.size() && m_text[m_pos] != quote && m_text[m_pos] != '\n') {
            if (m_text[m_pos] == '\\' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] != '\n') ++m_pos;
            ++m_pos;
        }
        if (m_pos < m_text.size() && m_text[m_pos] == quote) ++m_pos;
    }

    // R"delimiter( ... )delimiter"
    void rawString() {
        size_t open = m_text.find('(', m_pos);
        if (open == std::string::npos || open - m_pos > 17) {
            quoted('"');
            return;
        }
        std::string close = ")" + m_text.substr(m_pos + 1, open - m_pos - 1) + "\"";
        size_t end = m_text.find(close, open);
        size_t stop = end == std::string::npos ? m_text.size() : end + close.size();
        while (m_pos < stop) advance();
    }

    void word() {
        size_t start = m_pos;
        bool firstOnLine = !m_codeOnLine;
        while (m_pos < m_text.size() && isIdentifier(m_text[m_pos])) ++m_pos;
        std::string word = m_text.substr(start, m_pos - start);

        if (m_pos < m_text.size() && m_text[m_pos] == '"' && !word.empty() && word.back() == 'R' &&
            (word == "R" || word == "LR" || word == "uR" || word == "UR" || word == "u8R")) {
            rawString();
            return;
        }
        size_t after = m_pos;
        while (after < m_text.size() && isBlank(m_text[after])) ++after;
        if (word == "goto") {
            size_t labelEnd = after;
            while (labelEnd < m_text.size() && isIdentifier(m_text[labelEnd])) ++labelEnd;
            std::string label = labelEnd > after ? m_text.substr(after, labelEnd - after) : "?";
            m_gotos.push_back(makeFinding(kGotoStatement, m_line, column(start), {label}));
            return;
        }
        bool labelColon = after < m_text.size() && m_text[after] == ':' &&
                          (after + 1 >= m_text.size() || m_text[after + 1] != ':');
        if (firstOnLine && labelColon && word != "default" && word != "public" && word != "private" &&
            word != "protected" && word != "case")
            m_labels.emplace(word, std::make_pair(m_line, column(start)));
    }

    const std::string& m_text;
    size_t m_pos = 0;
    size_t m_lineBegin = 0;
    int m_line = 1;
    size_t m_columnPos = 0;  // a position on the current line and its column - 1
    int m_columnChars = 0;
    bool m_codeOnLine = false;  // code before the current position on this line
    std::vector<Finding> m_gotos;
    std::map<std::string, std::pair<int, int>> m_labels;  // first definition of each label
};

}  // namespace

const MessageInfo* Messages() { return kMessages; }
const RuleInfo* Rules() { return kRules; }
size_t RuleCount() { return sizeof kRules / sizeof kRules[0]; }
const char* const* RuleGroups() { return kGroups; }
size_t RuleGroupCount() { return sizeof kGroups / sizeof kGroups[0]; }

int FindMessage(const std::string& key) {
    for (int i = 0; i < kMessageCount; ++i)
        if (key == kMessages[i].number || key == kMessages[i].uniqueId) return i;
    return -1;
}

bool Finding::operator==(const Finding& other) const {
    return message == other.message && line == other.line && column == other.column &&
           parameters == other.parameters && related == other.related;
}

std::string MessageText(const Finding& f) {
    switch (f.message) {
        case kLineTooLong:
            return "Line is " + parameter(f, 0) + " characters long; the limit is " + parameter(f, 1);
        case kTrailingSpace:
            return "Line ends in " + parameter(f, 0) + " white-space character" + (parameter(f, 0) == "1" ? "" : "s");
        case kTabCharacter:
            return "Line contains " + parameter(f, 0) + " tab character" + (parameter(f, 0) == "1" ? "" : "s");
        case kNoFinalNewline:
            return "File does not end with a newline";
        case kGotoStatement:
            return "goto jumps to label '" + parameter(f, 0) + "'";
        case kGotoLabel:
            return "Label '" + parameter(f, 0) + "' is defined here";
        case kTodoComment:
            return "TODO comment: unfinished work";
        case kFixmeComment:
            return "FIXME comment: known defect";
        default:
            return "Unknown message";
    }
}

std::vector<Finding> CheckText(const std::string& text) {
    std::vector<Finding> findings;
    checkLines(text, findings);
    Scanner(text).run(findings);
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        if (a.line != b.line) return a.line < b.line;
        if (a.column != b.column) return a.column < b.column;
        return a.message < b.message;
    });
    return findings;
}

}  // namespace Sample
