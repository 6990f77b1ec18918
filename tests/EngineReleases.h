#pragma once

// The releases the engine double must have seen after one native method: each
// record a fetch handed out goes back through its own release entry, with the
// address of the pointer the fetch filled, at most once, in fetch order.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine-double/EngineDouble.h"

struct ExpectedRelease {
    std::string entry;  // "freeDiagnostics", ...
    std::string fetch;  // the filledAddress key of the fetch it pairs with
    const void* record;
};

// The record the engine double hands out for the fetch `fetch`.
inline const void* HandedOut(const EngineDoubleControl& c, const std::string& fetch) {
    if (fetch == "getDiagnostics") return c.diagnostics;
    if (fetch == "getRuleGroups") return c.ruleGroups;
    if (fetch == "getMessageRuleMap") return c.messageRuleMap;
    if (fetch == "getTrees") return c.trees;
    if (fetch == "getKoFile") return c.koFile;
    if (fetch == "getFiles") return c.files;
    if (fetch == "getMappedFileExtensions/0") return c.extensionsC;
    if (fetch == "getMappedFileExtensions/1") return c.extensionsCpp;
    if (fetch == "getCMAProjectList") return c.cmaProjects;
    if (fetch == "getReportTools") return c.reportTools;
    if (fetch == "getAvailableLanguages") return c.languages;
    ADD_FAILURE() << "no such fetch: " << fetch;
    return nullptr;
}

// The releases that follow the fetches `fetches` (in the order they ran):
// diagnostics, a project file and languages are released after every fetch,
// also when nothing came back; rule groups, the message-rule map and trees
// whenever a record came back; string lists only when their status says the
// list is valid (0 for file extensions, anything else for CMA projects and
// report tools); the file list never.
inline std::vector<ExpectedRelease> DescribedReleases(const EngineDoubleControl& c,
                                                      const std::vector<std::string>& fetches) {
    std::vector<ExpectedRelease> releases;
    for (const std::string& fetch : fetches) {
        const void* record = HandedOut(c, fetch);
        const int status = c.statusFor(fetch);
        const char* entry = nullptr;
        if (fetch == "getDiagnostics") entry = "freeDiagnostics";
        if (fetch == "getKoFile") entry = "freeKoFile";
        if (fetch == "getAvailableLanguages") entry = "freeLanguages";
        if (record != nullptr) {
            if (fetch == "getRuleGroups") entry = "freeRuleGroups";
            if (fetch == "getMessageRuleMap") entry = "freeMessageRuleMap";
            if (fetch == "getTrees") entry = "freeTrees";
            if (fetch.rfind("getMappedFileExtensions/", 0) == 0 && status == 0) entry = "freeStrings";
            if ((fetch == "getCMAProjectList" || fetch == "getReportTools") && status != 0) entry = "freeStrings";
        }
        if (entry != nullptr) releases.push_back({entry, fetch, record});
    }
    return releases;
}

inline void ExpectReleases(const EngineDoubleControl& c, const std::vector<ExpectedRelease>& expected) {
    ASSERT_EQ(c.releases.size(), expected.size()) << "releases the engine saw";
    for (size_t i = 0; i < expected.size(); ++i) {
        const EngineRelease& seen = c.releases[i];
        EXPECT_EQ(seen.entry, expected[i].entry) << "release " << i;
        auto filled = c.filledAddress.find(expected[i].fetch);
        ASSERT_NE(filled, c.filledAddress.end()) << expected[i].fetch << " never ran";
        EXPECT_EQ(seen.address, filled->second) << seen.entry << ": not the address the fetch filled";
        EXPECT_EQ(seen.pointer, expected[i].record) << seen.entry << ": not the record the fetch handed out";
    }
}

inline void ExpectDescribedReleases(const EngineDoubleControl& c, const std::vector<std::string>& fetches) {
    ExpectReleases(c, DescribedReleases(c, fetches));
}
