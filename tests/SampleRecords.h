#pragma once

// A small record of every family that the engine's fetch entries hand out,
// scripted into the engine double: used by the C++ concurrency tests and, in
// a real JVM, by the JUnit tests (through tests/engine-double/EngineScript.cpp).
// The records live as long as this object.

#include "tests/DiagnosticRecords.h"
#include "tests/ProjectRecords.h"
#include "tests/RuleRecords.h"
#include "tests/engine-double/EngineDouble.h"

class SampleRecords {
public:
    void Install(EngineDoubleControl& c) {
        KoMessage_C* message = diagnostics.Message("M1", "h.html", 2, "0042", "a < b", "P", {"r1"});
        DiagnosticStruct* sub = diagnostics.Diagnostic(diagnostics.Message("M2", "", 1, "7", "t", "P"));
        c.diagnostics = diagnostics.List(
            {diagnostics.Diagnostic(message, {"p1"}, {diagnostics.Location("/src/a.c", 3, 7)}, {sub}, 1, 2)});
        c.ruleGroups =
            rules.groups({rules.group("G", {rules.rule("R1", 1, {"c1"}, {rules.rule("R1.1", 0)}), rules.rule("R2")})});
        c.messageRuleMap = rules.map({rules.mapping("M1", {"R1", "R2"}), rules.mapping("M2", {})});
        c.trees = project.trees(project.item(0, "files", "", 2, 1, {project.item(3, "a.c", "d", 1, 1)}),
                                project.item(1, "rules", "", 0, 0), project.item(2, "messages", "", 1, 0));
        c.koFile = project.file(1, project.defines({"A", "B=1"}), project.includes({"/inc"}));
        c.files = project.strings<KoFileList_C>({"/src/a.c", "/src/b.c"});
        c.extensionsC = project.strings({".c", ".h"});
        c.extensionsCpp = project.strings({".cpp"});
        c.cmaProjects = project.strings({"p1", "p2"});
        c.reportTools = project.strings({"t1"});
        // These two lists count as valid with a status other than 0.
        c.statusOf["getCMAProjectList"] = 1;
        c.statusOf["getReportTools"] = 1;
        c.languages = project.languages({0, 2});
        c.currentLanguage = 2;
        c.progress = {50, 100};  // aggregate calls the bridge back
    }

    // Back to an engine that hands out nothing.
    static void Remove(EngineDoubleControl& c) {
        c.diagnostics = nullptr;
        c.ruleGroups = nullptr;
        c.messageRuleMap = nullptr;
        c.trees = nullptr;
        c.koFile = nullptr;
        c.files = nullptr;
        c.extensionsC = c.extensionsCpp = c.cmaProjects = c.reportTools = nullptr;
        c.statusOf.erase("getCMAProjectList");
        c.statusOf.erase("getReportTools");
        c.languages = nullptr;
        c.currentLanguage = 0;
        c.progress.clear();
    }

    // The record a release entry must get back: one that was handed out.
    static bool HandedOut(const EngineDoubleControl& c, const std::string& release, const void* record) {
        if (release == "freeDiagnostics") return record == c.diagnostics;
        if (release == "freeRuleGroups") return record == c.ruleGroups;
        if (release == "freeMessageRuleMap") return record == c.messageRuleMap;
        if (release == "freeTrees") return record == c.trees;
        if (release == "freeKoFile") return record == c.koFile;
        if (release == "freeLanguages") return record == c.languages;
        if (release == "freeStrings")
            return record == c.extensionsC || record == c.extensionsCpp || record == c.cmaProjects ||
                   record == c.reportTools;
        return false;
    }

private:
    DiagnosticRecords diagnostics;
    RuleRecords rules;
    ProjectRecords project;
};
