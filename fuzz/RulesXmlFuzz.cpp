// The rule groups and message-rule map writers on records built from the
// input: null groups, rules, texts and lists, child rules nested deep, long
// and non-ASCII texts. Every document must equal the one a plain recursive
// writer gives, and documents of markup-free inputs must have balanced tags.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/KoRules.h"
#include "fuzz/RecordProgram.h"
#include "tests/MeasuredDocument.h"
#include "xml/RulesXml.h"
#include "xml/extras/Serialize.h"

using namespace FuzzRecords;

namespace {

class Builder {
public:
    explicit Builder(Program& program) : p(program) {}

    KoRuleGroupArray_C* Groups() {
        return p.List<KoRuleGroupArray_C>([&]() -> RuleGroupStruct* {
            if (p.Byte() % 6 == 0) return nullptr;
            auto* g = p.New<RuleGroupStruct>();
            g->name = p.Text(TextKind::Verbatim);
            g->rules = Rules(0);
            return g;
        });
    }

    KoMessageRuleMap_C* Map() {
        return p.List<KoMessageRuleMap_C>([&]() -> KoMessageMapping_C* {
            if (p.Byte() % 6 == 0) return nullptr;
            const uint32_t count = p.Byte() % 5;
            auto* m = static_cast<KoMessageMapping_C*>(p.Block(KoMessageMapping_C::BlockSize(count)));
            m->uniqueMessageId = p.Text(TextKind::Verbatim);
            m->count = count;
            for (uint32_t i = 0; i < count; ++i) m->uniqueRuleIds()[i] = p.Text(TextKind::Verbatim);
            return m;
        });
    }

private:
    KoRuleList_C* Rules(size_t depth) {
        if (depth >= kMaxDepth) return nullptr;
        return p.List<KoRuleList_C>([&]() -> RuleStruct* {
            const uint8_t op = p.Byte();
            if (op % 6 == 0) return nullptr;
            if (op == kChain) return Chain(depth);
            return Rule(depth);
        });
    }

    RuleStruct* Rule(size_t depth) {
        auto* r = p.New<RuleStruct>();
        r->ruleGroupStr = p.Text(TextKind::Verbatim);
        r->helpFileLocation = p.Text(TextKind::Verbatim);
        r->ruleId = p.Text(TextKind::Verbatim);
        r->ruleText = p.Text(TextKind::Escaped);
        r->isActive = p.Byte();
        r->ruleUID = p.Text(TextKind::Verbatim);
        // Never written; a pointer that would crash if it were read.
        r->mappedMessages = p.Byte() % 2 != 0 ? reinterpret_cast<KoMessageArray_C*>(uintptr_t{1}) : nullptr;
        r->categories = p.List<KoCategoryArray_C>([&] { return p.Text(TextKind::Verbatim); });
        r->childRules = Rules(depth + 1);
        return r;
    }

    // Child rules nested `length` deep; the links share no texts or lists with
    // the last rule, so a few bytes cannot ask for a document of gigabytes.
    RuleStruct* Chain(size_t depth) {
        const size_t length = p.ChainLength(depth);
        RuleStruct* below = Rule(depth + length);
        for (size_t i = 0; i < length; ++i) {
            auto* r = p.New<RuleStruct>();
            r->isActive = below->isActive;
            auto* only = static_cast<KoRuleList_C*>(p.Block(KoRuleList_C::BlockSize(1)));
            only->count = 1;
            only->items()[0] = below;
            r->childRules = only;
            below = r;
        }
        return below;
    }

    Program& p;
};

// The expected documents, written the plain way.
VORLAN_FUZZ_REFERENCE_BEGIN

void Content(std::string& out, const RuleStruct* r) {
    if (r == nullptr) return;
    Element(out, "RuleId", r->ruleId);
    Element(out, "IsActive", r->isActive != 0 ? "1" : "0");
    Element(out, "HFL", r->helpFileLocation);
    Element(out, "RuleGroupStr", r->ruleGroupStr);
    Element(out, "RuleText", r->ruleText, TextKind::Escaped);
    Element(out, "RuleUID", r->ruleUID);
    for (uint32_t i = 0; i < CountOf(r->categories); ++i)
        if (r->categories->at(i) != nullptr) Element(out, "RuleCategory", r->categories->at(i));
    for (uint32_t i = 0; i < CountOf(r->childRules); ++i) {
        if (r->childRules->at(i) == nullptr) continue;
        out += "<Rule>";
        Content(out, r->childRules->at(i));
        out += "</Rule>";
    }
}

void Group(std::string& out, const RuleGroupStruct* g) {
    if (g == nullptr) return;
    Element(out, "RuleGroupName", g->name);
    for (uint32_t i = 0; i < CountOf(g->rules); ++i) {
        if (g->rules->at(i) == nullptr) continue;
        out += "<Rule>";
        Content(out, g->rules->at(i));
        out += "</Rule>";
    }
}

void Mapping(std::string& out, const KoMessageMapping_C* m) {
    if (m == nullptr) return;
    Element(out, "UMID", m->uniqueMessageId);
    for (uint32_t i = 0; i < m->count; ++i)
        if (m->uniqueRuleIds()[i] != nullptr) Element(out, "UniqueRuleId", m->uniqueRuleIds()[i]);
}

VORLAN_FUZZ_REFERENCE_END

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Program program(data, size);
    Builder builder(program);
    const KoRuleGroupArray_C* groups = builder.Groups();
    const KoMessageRuleMap_C* map = builder.Map();

    ExpectedLeaves().clear();
    std::string expected = "<KoRuleGrouping>";
    for (uint32_t i = 0; i < CountOf(groups); ++i) {
        if (groups->at(i) == nullptr) continue;
        expected += "<KoRuleGroupEntry>";
        Group(expected, groups->at(i));
        expected += "</KoRuleGroupEntry>";
    }
    expected += "</KoRuleGrouping>";
    const std::string written = Utils::SerializeRuleGroups(groups);
    ExpectSame("rule groups document", written, expected);
    ExpectBalanced("rule groups document", program, written);
    ExpectReadBack("rule groups document", written, ExpectedLeaves(), {"KoRuleGrouping", "KoRuleGroupEntry", "Rule"});
    const MeasuredDocument measured = MeasuredFirst(Utils::Xml::WriteRuleGroups, groups);
    ExpectSame("rule groups measured first", measured.written, written);
    ExpectSame("rule groups' measure", std::to_string(measured.measured), std::to_string(written.size()));

    // One group and one rule alone.
    for (uint32_t i = 0; i < CountOf(groups); ++i) {
        const RuleGroupStruct* g = groups->at(i);
        if (g == nullptr) continue;
        std::string one;
        Group(one, g);
        ExpectSame("one group", Utils::SerializeRuleGroupIndividualy(g), one);
        if (CountOf(g->rules) > 0) {
            std::string rule;
            Content(rule, g->rules->at(0));
            ExpectSame("one rule", Utils::SerializeRule(g->rules->at(0)), rule);
        }
        break;
    }

    ExpectedLeaves().clear();
    std::string entries;
    for (uint32_t i = 0; i < CountOf(map); ++i) {
        entries += "<KoMessageRuleMapEntry>";
        Mapping(entries, map->at(i));
        entries += "</KoMessageRuleMapEntry>";
    }
    const Leaves mapLeaves = ExpectedLeaves();
    const std::string mapDocument =
        map != nullptr ? "<KoMessageRuleMapping>" + entries + "</KoMessageRuleMapping>" : "";
    const std::string writtenMap = Utils::SerializeMessageRuleMap(map);
    ExpectSame("message-rule map document", writtenMap, mapDocument);
    ExpectBalanced("message-rule map document", program, writtenMap);
    ExpectReadBack("message-rule map document", writtenMap, mapLeaves, {"KoMessageRuleMapping", "KoMessageRuleMapEntry"});
    ExpectSame("message-rule map entries", Utils::SerializeMessageRuleMapIndividual(map), entries);
    return 0;
}
