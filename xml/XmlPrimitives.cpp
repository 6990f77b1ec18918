#include "xml/XmlPrimitives.h"

#include <cstring>

#include "xml/XmlOutput.h"

namespace Utils {

// Initialised in this order when the library is loaded.
const std::string tagMessage = "KOM";
const std::string tagSubDiagnostics = "SD";
const std::string tagMultiHomed = "MH";
const std::string tagSuppressionState = "SS";
const std::string tagMessageParameters = "MP";
const std::string tagLocationInformation = "LI";
const std::string tagFile = "F";
const std::string tagLine = "L";
const std::string tagColumn = "C";
const std::string tagUniqueMessageID = "UMID";
const std::string tagHelpFileLocation = "HFL";
const std::string tagMessageLevel = "ML";
const std::string tagMessageNumber = "MN";
const std::string tagMessageText = "MT";
const std::string tagProducer = "P";
const std::string tagReferences = "R";
const std::string tagKoEntities = "KOE";
const std::string tagKoDiagnosticList = "KOD";
const std::string tagKoMessageRuleMapList = "KoMessageRuleMap";
const std::string tagUniqueRuleIdList = "UniqueRuleId";
const std::string tagKoMessageRuleMap = "KoMessageRuleMapping";
const std::string tagKoMessageRuleMapEntry = "KoMessageRuleMapEntry";
const std::string tagKoRuleGroup = "KoRuleGrouping";
const std::string tagKoRuleGroupEntry = "KoRuleGroupEntry";
const std::string tagMsgRuleMap = "MessageRuleMap";
const std::string tagMsgMapping = "MessageMapping";
const std::string tagUniqueRuleId = "UniqueRuleId";
const std::string tagRuleGrps = "RuleGroups";
const std::string tagRuleGroup = "RuleGroup";
const std::string tagRuleGroupName = "RuleGroupName";
const std::string tagRule = "Rule";
const std::string tagRuleId = "RuleId";
const std::string tagIsActive = "IsActive";
const std::string tagRuleGroupStr = "RuleGroupStr";
const std::string tagRuleText = "RuleText";
const std::string tagRuleUID = "RuleUID";
const std::string tagRuleCategory = "RuleCategory";
const std::string tagChildRule = "ChildRule";
const std::string tagMappedMessage = "MappedMessage";
const std::string tagLanguages = "KOL";
const std::string tagLanguage = "L";
const std::string tagKoFile = "KOF";
const std::string tagIncludedPaths = "IP";
const std::string tagDefinitions = "DEF";
const std::string tagSourceLanguage = "SL";
const std::string tagTrees = "Tr";
const std::string tagFileTree = "FT";
const std::string tagMessageTree = "MT";
const std::string tagRuleTree = "RT";
const std::string tagType = "Ty";
const std::string tagName = "N";
const std::string tagData = "D";
const std::string tagTotal = "To";
const std::string tagActive = "A";
const std::string tagSubItem = "SI";

std::string openXMLNode(const std::string& name, bool cdata) {
    std::string out;
    Xml::Open(out, name);
    if (cdata) out += "<![CDATA[";
    return out;
}

std::string closeXMLNode(const std::string& name, bool cdata) {
    std::string out = cdata ? "]]>" : "";
    Xml::Close(out, name);
    return out;
}

std::string createXMLNode(const std::string& name, const std::string& value, bool cdata) {
    std::string out;
    out.reserve(2 * name.size() + value.size() + (cdata ? 17 : 5));
    out += openXMLNode(name, cdata);
    out += value;
    out += closeXMLNode(name, cdata);
    return out;
}

std::string createSafeXMLNode(const std::string& name, const std::string& value) {
    std::string out;
    out.reserve(2 * name.size() + value.size() + 5);
    Xml::Open(out, name);
    Xml::AppendEscaped(out, value.data(), value.size());
    Xml::Close(out, name);
    return out;
}

std::string ValidateForXML(const std::string& text) {
    std::string out;
    Xml::AppendEscaped(out, text.data(), text.size());
    return out;
}

bool replaceSubstring(std::string& text, const std::string& find, const std::string& replacement) {
    if (find.empty()) return false;
    size_t at = text.find(find);
    if (at == std::string::npos) return false;
    // Built by appending, so the work stays linear in the text.
    std::string copy;
    copy.reserve(text.size());
    size_t from = 0;
    while (at != std::string::npos) {
        copy.append(text, from, at - from);
        copy += replacement;
        from = at + find.size();
        at = text.find(find, from);
    }
    copy.append(text, from, std::string::npos);
    text.swap(copy);
    return true;
}

void replaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

namespace Xml {

void AppendEscaped(std::string& out, const char* text, size_t length) {
    StringDocument document(out);
    document.Begin(EscapedLength(text, length));
    Output output(document);
    output.Escaped(text, length);
    output.Finish();
}

void Node(std::string& out, const std::string& name, const char* text) {
    Open(out, name);
    if (text != nullptr) out += text;
    Close(out, name);
}

void SafeNode(std::string& out, const std::string& name, const char* text) {
    Open(out, name);
    if (text != nullptr) AppendEscaped(out, text, std::strlen(text));
    Close(out, name);
}

void CDataNode(std::string& out, const std::string& name, const char* text) {
    Open(out, name);
    out += "<![CDATA[";
    if (text != nullptr) out += text;
    out += "]]>";
    Close(out, name);
}

void IntNode(std::string& out, const std::string& name, int32_t value) {
    char digits[16];
    char* end = digits + sizeof digits;
    char* p = end;
    // Unsigned arithmetic, so INT32_MIN is written right too.
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) *--p = '-';
    Open(out, name);
    out.append(p, static_cast<size_t>(end - p));
    Close(out, name);
}

}  // namespace Xml
}  // namespace Utils
