#include "xml/extras/Serialize.h"

#include <type_traits>

#include "xml/DiagnosticsXml.h"
#include "xml/ProjectXml.h"
#include "xml/RulesXml.h"

namespace Utils {

std::string openXMLNode(const std::string& name, bool cdata) { return "<" + name + (cdata ? "><![CDATA[" : ">"); }

std::string closeXMLNode(const std::string& name, bool cdata) { return (cdata ? "]]></" : "</") + name + ">"; }

std::string createXMLNode(const std::string& name, const std::string& value, bool cdata) {
    return openXMLNode(name, cdata) + value + closeXMLNode(name, cdata);
}

std::string createSafeXMLNode(const std::string& name, const std::string& value) {
    return openXMLNode(name, false) + ValidateForXML(value) + closeXMLNode(name, false);
}

std::string ValidateForXML(const std::string& text) {
    std::string out;
    out.reserve(Xml::EscapedLength(text.data(), text.size()));
    Xml::StringDestination destination(out);
    Xml::Output output(destination);
    output.Escape(text.data(), text.size());
    output.Flush();
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

namespace {

// A whole document, through its Write function.
template <typename Record>
std::string Whole(bool (*write)(Xml::Destination&, Record, size_t), Record record) {
    std::string out;
    Xml::StringDestination destination(out);
    write(destination, record, Xml::kOneWalkLargest);
    return out;
}

// A part of a document: `visit(walk)` with its family's walk.
template <template <typename> class Walk, typename Visit>
std::string Part(Visit visit) {
    std::string out;
    Xml::StringDestination destination(out);
    Xml::WriteDocument(destination, [&](auto& sink) {
        Walk<std::decay_t<decltype(sink)>> walk(sink);
        visit(walk);
    });
    return out;
}

}  // namespace

using Xml::DiagnosticsWalk;
using Xml::ProjectWalk;
using Xml::RulesWalk;

std::string SerializeMessage(const KoMessage_C* message) {
    return Part<DiagnosticsWalk>([&](auto& walk) { walk.Message(message); });
}
std::string SerializeDiagnostic(const DiagnosticStruct* diagnostic) {
    return Part<DiagnosticsWalk>([&](auto& walk) { walk.Diagnostic(diagnostic); });
}
std::string SerializeDiagnosticArrayIndividual(const KoDiagnosticArray_C* diagnostics) {
    return Part<DiagnosticsWalk>([&](auto& walk) { walk.Diagnostics(diagnostics); });
}
std::string SerializeDiagnosticArray(const KoDiagnosticArray_C* diagnostics) {
    return Whole(&Xml::WriteDiagnosticArray, diagnostics);
}

std::string SerializeRuleGroups(const KoRuleGroupArray_C* groups) { return Whole(&Xml::WriteRuleGroups, groups); }
std::string SerializeRuleGroupIndividualy(const RuleGroupStruct* group) {
    return Part<RulesWalk>([&](auto& walk) { walk.Group(group); });
}
std::string SerializeRule(const RuleStruct* rule) {
    return Part<RulesWalk>([&](auto& walk) { walk.Rule(rule); });
}
std::string SerializeMessageRuleMap(const KoMessageRuleMap_C* map) { return Whole(&Xml::WriteMessageRuleMap, map); }
std::string SerializeMessageRuleMapIndividual(const KoMessageRuleMap_C* map) {
    return Part<RulesWalk>([&](auto& walk) { walk.MapEntries(map); });
}
std::string SerializeMessageMapping(const KoMessageMapping_C* mapping) {
    return Part<RulesWalk>([&](auto& walk) { walk.Mapping(mapping); });
}

std::string SerializeKoFile(const KoFile_C* file) { return Whole(&Xml::WriteKoFile, file); }
std::string SerializeIncludedPaths(const KoIncludes_C* includes) {
    return Part<ProjectWalk>([&](auto& walk) { walk.IncludedPaths(includes); });
}
std::string SerializeDefines(const KoDefines_C* defines) {
    return Part<ProjectWalk>([&](auto& walk) { walk.Defines(defines); });
}
std::string SerializeSourceLanguage(KoSourceLanguage_C language) {
    return Part<ProjectWalk>([&](auto& walk) { walk.SourceLanguage(language); });
}
std::string SerializeLanguages(const KoLanguages_C* languages) { return Whole(&Xml::WriteLanguages, languages); }
std::string SerializeLanguage(KoLanguage_C language) {
    return Part<ProjectWalk>([&](auto& walk) { walk.Language(language); });
}
std::string SerializeTrees(const KoTrees_C* trees) { return Whole(&Xml::WriteTrees, trees); }
std::string SerializeTreesIndividual(const KoTrees_C* trees) {
    return Part<ProjectWalk>([&](auto& walk) { walk.TreesIndividual(trees); });
}
std::string SerializeTreeItem(const KoTreeStruct* item) {
    return Part<ProjectWalk>([&](auto& walk) { walk.Item(item); });
}
std::string SerializeTreeItemType(KoTreeItemType_C type) {
    return Part<ProjectWalk>([&](auto& walk) { walk.Type(type); });
}

}  // namespace Utils
