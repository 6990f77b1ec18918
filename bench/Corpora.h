#pragma once

// Engine record sets of realistic shape, in any size, for the benchmarks. Each
// owns its records; sizes are counted in diagnostics, rules, mappings or files.

#include <cstdio>
#include <string>
#include <vector>

#include "tests/DiagnosticRecords.h"
#include "tests/ProjectRecords.h"
#include "tests/RuleRecords.h"

namespace Corpora {

// A results list as an engine hands it out for a large module: messages from a
// rule catalogue (texts shared, as an engine keeps them once), each with two
// references; two parameters and two locations per diagnostic; every tenth
// diagnostic with two sub-diagnostics of the same shape.
class Diagnostics {
public:
    explicit Diagnostics(size_t size) {
        for (int i = 0; i < 40; ++i) {
            const std::string rule = std::to_string(100 + i);
            m_ids.push_back(m_records.Text("VRL-C-" + rule));
            m_helpFiles.push_back(m_records.Text("help/rules/VRL-C-" + rule + ".html"));
            m_numbers.push_back(m_records.Text(rule));
            m_texts.push_back(m_records.Text("Implicit conversion from 'long' to 'int' in \"" + rule +
                                             "\" may lose data; use a cast & check the range <" + rule + ">"));
        }
        m_producer = m_records.Text("vorlan-c");
        m_references = {m_records.Text("Vorlan Style Rule 10.3"), m_records.Text("VRL-SEC-0031")};
        for (int i = 0; i < 200; ++i) {
            m_files.push_back(m_records.Text("/srv/build/app/src/net/module_" + std::to_string(i / 20) + "/socket_" +
                                             std::to_string(i) + ".c"));
            m_names.push_back(m_records.Text("'buffer_length_" + std::to_string(i) + "'"));
        }

        std::vector<DiagnosticStruct*> diagnostics;
        diagnostics.reserve(size);
        for (size_t i = 0; i < size; ++i) {
            std::vector<DiagnosticStruct*> subs;
            if (i % 10 == 0) subs = {Diagnostic(i * 7 + 1, {}), Diagnostic(i * 7 + 2, {})};
            diagnostics.push_back(Diagnostic(i, subs));
        }
        m_list = m_records.List(diagnostics);
    }
    Diagnostics(const Diagnostics&) = delete;
    Diagnostics& operator=(const Diagnostics&) = delete;

    KoDiagnosticArray_C* list() const { return m_list; }

private:
    DiagnosticStruct* Diagnostic(size_t seed, const std::vector<DiagnosticStruct*>& subs) {
        KoMessage_C* message = m_records.New<KoMessage_C>();
        const size_t rule = seed % m_ids.size();
        message->uniqueMessageId = m_ids[rule];
        message->helpFileLocation = m_helpFiles[rule];
        message->level = KO_ERROR;
        message->messageNumber = m_numbers[rule];
        message->messageText = m_texts[rule];
        message->producer = m_producer;
        message->references = m_records.Array<KoReferenceArray_C>(m_references);

        std::vector<LocationStruct*> locations;
        for (int k = 0; k < 2; ++k) {
            LocationStruct* location = m_records.New<LocationStruct>();
            location->file = m_files[(seed + k) % m_files.size()];
            location->line = static_cast<int32_t>(seed % 4000 + 1 + k * 3);
            location->column = static_cast<int32_t>(seed % 80 + 1);
            locations.push_back(location);
        }

        DiagnosticStruct* diagnostic = m_records.New<DiagnosticStruct>();
        diagnostic->message = message;
        diagnostic->hasSubDiagnostics = subs.empty() ? 0 : 1;
        diagnostic->multiHomed = seed % 5 == 0 ? 1 : 0;
        diagnostic->suppressionState = static_cast<int32_t>(seed % 3);
        diagnostic->subDiagnostics = m_records.Array<KoDiagnosticArray_C>(subs);
        diagnostic->parameters = m_records.Array<KoParameterArray_C>(
            std::vector<char*>{m_names[seed % m_names.size()], m_names[(seed + 1) % m_names.size()]});
        diagnostic->locations = m_records.Array<KoLocationArray_C>(locations);
        return diagnostic;
    }

    DiagnosticRecords m_records;
    KoDiagnosticArray_C* m_list = nullptr;
    std::vector<char*> m_ids, m_helpFiles, m_numbers, m_texts, m_files, m_names, m_references;
    char* m_producer = nullptr;
};

inline std::string Numbered(const char* prefix, size_t number) {
    char text[48];
    std::snprintf(text, sizeof text, "%s%05zu", prefix, number);
    return text;
}

// The rule configuration: groups of 100 rules (75 top-level, every third with
// one child rule), three categories per rule, some texts needing escaping; and
// a message-rule map whose messages are mapped to one to three rules each.
class Rules {
public:
    // `rules` is rounded down to whole groups of 100.
    Rules(size_t rules, size_t mappings) {
        const char* categories[] = {"Style", "Naming", "Correctness", "Performance", "Portability", "Security"};
        size_t serial = 0;
        auto makeRule = [&](const std::string& group, const std::vector<RuleStruct*>& children) {
            const size_t n = serial++;
            const std::string id = Numbered("R-", n);
            const std::string help = "help/rules/" + group + "/" + id + ".html";
            std::string text = "Check <" + id + ">: a local name should not reuse the name of an enclosing scope";
            if (n % 4 == 0)
                text = "Keep conditions free of assignments & calls that change state, so they read as questions";
            const std::string uid = Numbered("UID-00000000-", n);
            return m_records.rule({id.c_str(), help.c_str(), group.c_str(), text.c_str(), uid.c_str()}, n % 5 != 0,
                                  {categories[n % 6], categories[(n + 1) % 6], categories[(n + 3) % 6]}, children);
        };
        std::vector<RuleGroupStruct*> groupList;
        for (size_t g = 0; g < rules / 100; ++g) {
            const std::string name = Numbered("Group ", g);
            std::vector<RuleStruct*> list;
            for (int r = 0; r < 75; ++r) {
                std::vector<RuleStruct*> children;
                if (r % 3 == 0) children = {makeRule(name, {})};
                list.push_back(makeRule(name, children));
            }
            groupList.push_back(m_records.group(name.c_str(), list));
        }
        m_groups = m_records.groups(groupList);
        m_ruleCount = serial;

        std::vector<KoMessageMapping_C*> mappingList;
        mappingList.reserve(mappings);
        for (size_t m = 0; m < mappings; ++m) {
            const std::string message = Numbered("MSG-", m);
            std::vector<std::string> ids;
            for (size_t k = 0; k <= m % 3; ++k)
                ids.push_back(Numbered("UID-00000000-", (m * 7 + k * 131) % (serial > 0 ? serial : 1)));
            std::vector<const char*> pointers;
            for (const std::string& id : ids) pointers.push_back(id.c_str());
            mappingList.push_back(m_records.mapping(message.c_str(), pointers));
        }
        m_map = m_records.map(mappingList);
    }
    Rules(const Rules&) = delete;
    Rules& operator=(const Rules&) = delete;

    KoRuleGroupArray_C* groups() const { return m_groups; }
    KoMessageRuleMap_C* map() const { return m_map; }
    size_t ruleCount() const { return m_ruleCount; }

private:
    RuleRecords m_records;
    KoRuleGroupArray_C* m_groups = nullptr;
    KoMessageRuleMap_C* m_map = nullptr;
    size_t m_ruleCount = 0;
};

// A project's trees: the file tree holds `files` files in folders of 25; the
// rule and message trees one folder per 25 rules and messages, with 250 rules
// and messages for every 5,000 files.
class Trees {
public:
    explicit Trees(size_t files) {
        std::vector<KoTreeStruct*> folders;
        for (size_t f = 0; f < files / 25; ++f) {
            const std::string folder = "folder" + std::to_string(f);
            const std::string folderPath = "/home/user/project/src/" + folder;
            std::vector<KoTreeStruct*> items;
            for (int i = 0; i < 25; ++i) {
                const std::string name = "file" + std::to_string(i) + (i % 5 == 0 ? ".h" : ".cpp");
                items.push_back(m_records.item(2, name, folderPath + "/" + name, i % 7, i % 3));
            }
            folders.push_back(m_records.item(1, folder, folderPath, 25, 10, items));
        }
        const int32_t total = static_cast<int32_t>(files);
        m_trees =
            m_records.trees(m_records.item(0, "project", "/home/user/project", total, total / 3, folders),
                            Catalogue(4, "rules", "R-", files / 20), Catalogue(5, "messages", "MSG-", files / 20));
    }
    Trees(const Trees&) = delete;
    Trees& operator=(const Trees&) = delete;

    KoTrees_C* trees() const { return m_trees; }

private:
    KoTreeStruct* Catalogue(KoTreeItemType_C type, const std::string& name, const char* prefix, size_t count) {
        std::vector<KoTreeStruct*> groups;
        for (size_t g = 0; g < count / 25; ++g) {
            std::vector<KoTreeStruct*> items;
            for (size_t i = 0; i < 25; ++i) {
                const std::string id = Numbered(prefix, g * 25 + i);
                items.push_back(m_records.item(type + 2, id, "Rules & checks <" + id + ">", 1, 1));
            }
            groups.push_back(m_records.item(type + 1, Numbered("Group ", g), "", 25, 25, items));
        }
        return m_records.item(type, name, "", static_cast<int32_t>(count), static_cast<int32_t>(count), groups);
    }

    ProjectRecords m_records;
    KoTrees_C* m_trees = nullptr;
};

}  // namespace Corpora
