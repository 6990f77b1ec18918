// The forwarding methods of the proxy: each method's trace with its entry
// present and missing, its fallback, and the arguments the engine receives.

#include <functional>
#include <string>
#include <vector>

#include "engine/Forwarding.h"
#include "engine/KoProject.h"
#include "engine/Platform.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"
#include "tests/TestSupport.h"
#include "tests/TraceText.h"

namespace {

std::string Call(const char* method) {
#ifdef _WIN32
    return std::string("\nCall VorlanApi::") + method + " \n";
#else
    return std::string("\nCall ") + method + " \n";
#endif
}

std::string Common(const std::string& method) {
    return "\tAttempt to call VorlanApi::" + method + " failed because ptr2f is null \n";
}

struct Case {
    const char* method;
    // Calls the method and returns its result as text ("void" for none).
    std::function<std::string(VorlanApi&)> call;
    std::string tracePresent;  // after the call line, with the scripted engine
    std::string engineCall;    // what the engine double recorded
    std::string resultPresent;
    std::string missingEntry;  // the level-1 line when the entry is missing
    std::string fallback;
};

std::string Text(const char* s) { return s != nullptr ? s : "<null>"; }

KoFile_C g_koFile{};
KoFile_C* g_koFilePointer = &g_koFile;

std::vector<Case> Cases() {
    auto api = [](const char* tag) { return std::string("\t> API CALL - ") + tag + "\n"; };
    auto result = [](const std::string& r) { return "\t< Result: " + r + "\n"; };
    return {
        {"InitDeployment", [](VorlanApi& a) { return std::to_string(a.InitDeployment()); },
         api("initDeploymentInfo") + result("0"), "initDeploymentInfo()", "0", Common("InitDeployment"), "-1"},
        {"SetBindKey", [](VorlanApi& a) { a.SetBindKey("key-1"); return std::string("void"); },
         api("setBindKey") + "\t\t bindKey - key-1\n" + result("void"), "setBindKey(key-1)", "void",
         Common("SetBindKey"), "void"},
        {"InitApi", [](VorlanApi& a) { return std::to_string(a.InitApi("key-2")); },
         api("initApi") + "\t\t bindKey - key-2\n" + result("0"), "initApi(key-2)", "0", Common("InitApi"), "-1"},
        {"ShutdownApi", [](VorlanApi& a) { a.ShutdownApi(); return std::string("void"); },
         api("shutdownApi") + result("void"), "shutdownApi()", "void", Common("ShutdownApi"), "void"},
        {"ShutdownApp", [](VorlanApi& a) { a.ShutdownApp(); return std::string("void"); },
         api("shutdownApp") + result("void"), "shutdownApp()", "void", Common("ShutdownApp"), "void"},
        {"ClearCachedObjects", [](VorlanApi& a) { a.ClearCachedObjects(); return std::string("void"); },
         api("clearCachedObjects") + result("void"), "clearCachedObjects()", "void", Common("ClearCachedObjects"),
         "void"},
        {"GetInstallPath", [](VorlanApi& a) { return Text(a.GetInstallPath()); },
         api("getInstallPath") + result("getInstallPath text"), "getInstallPath()", "getInstallPath text",
         Common("GetInstallPath"), "null"},
        {"GetUserPath", [](VorlanApi& a) { return Text(a.GetUserPath()); },
         api("getUserPath") + result("getUserPath text"), "getUserPath()", "getUserPath text", Common("GetUserPath"),
         "null"},
        {"GetInstallConfigPath", [](VorlanApi& a) { return Text(a.GetInstallConfigPath()); },
         api("getInstallConfigPath") + result("getInstallConfigPath text"), "getInstallConfigPath()",
         "getInstallConfigPath text", Common("GetInstallConfigPath"), "null"},
        {"GetInstallBinaryPath", [](VorlanApi& a) { return Text(a.GetInstallBinaryPath()); },
         api("getInstallBinaryPath") + result("getInstallBinaryPath text"), "getInstallBinaryPath()",
         "getInstallBinaryPath text", Common("GetInstallBinaryPath"), "null"},
        {"GetUserAppConfigPath", [](VorlanApi& a) { return Text(a.GetUserAppConfigPath()); },
         api("getUserAppConfigPath") + result("getUserAppConfigPath text"), "getUserAppConfigPath()",
         "getUserAppConfigPath text", Common("GetUserAppConfigPath"), "null"},
        {"GetUserConfigPath", [](VorlanApi& a) { return Text(a.GetUserConfigPath()); },
         api("getUserConfigPath") + result("getUserConfigPath text"), "getUserConfigPath()",
         "getUserConfigPath text", Common("GetUserConfigPath"), "null"},
        {"GetCurrentLanguage", [](VorlanApi& a) { return std::to_string(a.GetCurrentLanguage()); },
         api("getCurrentLanguage") + result("0"), "getCurrentLanguage()", "0", Common("GetCurrentLanguage"), "0"},
        {"SetCurrentLanguage", [](VorlanApi& a) { a.SetCurrentLanguage(7); return std::string("void"); },
         api("SetCurrentLanguage") + "\t\t language - 7\n" + result("void"), "setCurrentLanguage(7)", "void",
         Common("SetCurrentLanguage"), "void"},
        {"SetWorkspacePath", [](VorlanApi& a) { a.SetWorkspacePath("/ws"); return std::string("void"); },
         api("setWorkspace") + "\t\t path - /ws\n" + result("void"), "setWorkspace(/ws)", "void",
         Common("SetWorkspacePath"), "void"},
        {"GetWorkSpacePath", [](VorlanApi& a) { return Text(a.GetWorkSpacePath()); },
         api("getWorkspace") + result("getWorkspace text"), "getWorkspace()", "getWorkspace text",
         "\tAttempt to call VorlanApi::GetWorkSpacePath failed because ptr2f is null. \n", "null"},
        {"GetLogLevel", [](VorlanApi& a) { return std::to_string(a.GetLogLevel()); },
         api("getLogLevel") + result("0"), "getLogLevel()", "0", Common("GetLogLevel"), "0"},
        {"SetLogLevel", [](VorlanApi& a) { a.SetLogLevel(-3); return std::string("void"); },
         api("setLogLevel") + "\t\t logLevel - -3\n" + result("void"), "setLogLevel(-3)", "void",
         Common("SetLogLevel"), "void"},
        {"GetVersionNumber", [](VorlanApi& a) { return Text(a.GetVersionNumber()); },
         api("getVersionNumber") + result("getVersionNumber text"), "getVersionNumber()", "getVersionNumber text",
         Common("GetVersionNumber"), "0.0.0"},
        {"GetTivraHelpFile", [](VorlanApi& a) { return Text(a.GetTivraHelpFile(true)); },
         api("getTivraHelp") + "\t\t html - 1\n" + result("getTivraHelp text"), "getTivraHelp(true)",
         "getTivraHelp text", Common("GetTivraHelpFile"), ""},
        {"GetTivraContextHelp", [](VorlanApi& a) { return Text(a.GetTivraContextHelp(12)); },
         api("getTivraContextHelp") + "\t\t context - 12\n" + result("getTivraContextHelp text"),
         "getTivraContextHelp(12)", "getTivraContextHelp text", Common("GetTivraContextHelp"), ""},
        {"GetComponents", [](VorlanApi& a) { return Text(a.GetComponents()); },
         api("getComponents") + result("getComponents text"), "getComponents()", "getComponents text",
         Common("GetComponents"), ""},
        {"GetComponentMessages", [](VorlanApi& a) { return Text(a.GetComponentMessages("core", "2.1")); },
         api("getComponentMessages") + "\t\t name - core\n\t\t version - 2.1\n" +
             result("getComponentMessages text"),
         "getComponentMessages(core, 2.1)", "getComponentMessages text", Common("GetComponentMessages"), ""},
        {"CreateProject",
         [](VorlanApi& a) { return std::to_string(a.CreateProject("/loc", "proj", "a.acf", "r.rcf", "c.cct")); },
         api("createProject") +
             "\t\t location - /loc\n\t\t name - proj\n\t\t acfFile - a.acf\n\t\t rcfFile - r.rcf\n\t\t cctFile - "
             "c.cct\n" +
             result("0"),
         "createProject(/loc, proj, a.acf, r.rcf, c.cct)", "0", Common("CreateProject"), "-1"},
        {"AddCCT", [](VorlanApi& a) { return std::to_string(a.AddCCT("/t.cct")); },
         api("addCCT") + "\t\t cctFilePath - /t.cct\n" + result("0"), "addCCT(/t.cct)", "0", Common("AddCCT"), "-1"},
        {"SetActiveCCT", [](VorlanApi& a) { return std::to_string(a.SetActiveCCT(1, "t.cct")); },
         api("setActiveCCT") + "\t\t lang - 1\n\t\t cctFileName - t.cct\n" + result("0"), "setActiveCCT(1, t.cct)",
         "0", Common("SetActiveCCT"), "-1"},
        {"IsTivraProject", [](VorlanApi& a) { return std::to_string(a.IsTivraProject("/loc", "p")); },
         api("isTivraProject") + "\t\t location - /loc\n\t\t name - p\n" + result("1"), "isTivraProject(/loc, p)",
         "1", "\tAttempt to call VorlanAPi::IsTivraProject failed because ptr2f is null \n", "0"},
        {"InitProjectMngr", [](VorlanApi& a) { return std::to_string(a.InitProjectMngr("k", "/loc", "p")); },
         api("initProjectMngr") + "\t\t bindKey - k\n\t\t location - /loc\n\t\t name - p\n" + result("0"),
         "initProjectMngr(k, /loc, p)", "0", Common("InitProjectMngr"), "-1"},
        {"RemoveFile", [](VorlanApi& a) { return std::to_string(a.RemoveFile("/a.c")); },
         api("removeFile") + "\t\t filePath - /a.c\n" + result("0"), "removeFile(/a.c)", "0", Common("RemoveFile"),
         "-1"},
        {"AddFile",
         [](VorlanApi& a) {
             char d0[] = "A", d1[] = "B=1", i0[] = "/inc";
             char* defines[] = {d0, d1};
             char* includes[] = {i0};
             return std::to_string(a.AddFile(1, "/a.cpp", 2, defines, 1, includes));
         },
         api("addFile") +
             "\t\t targetLanguage - 1\n\t\t file - /a.cpp\n\t\t definesSize - 2\n\t\t includesSize - 1\n" +
             result("0"),
         "addFile(1, /a.cpp, 2, [A|B=1], 1, [/inc])", "0", Common("AddFile"), "-1"},
        {"InitResults", [](VorlanApi& a) { return std::to_string(a.InitResults("k", "/loc", "p")); },
         api("initResults") + "\t\t bindKey - k\n\t\t location - /loc\n\t\t name - p\n" + result("0"),
         "initResults(k, /loc, p)", "0", Common("InitResults"), "-1"},
        {"Aggregate", [](VorlanApi& a) { a.Aggregate(); return std::string("void"); },
         api("aggregate") + result("void"), "aggregate(<null>)", "void",
         "\tAttempt to call VorlanApi::aggregate failed because ptr2f is null \n", "void"},
        {"HasResults", [](VorlanApi& a) { return std::to_string(a.HasResults("/a.c")); },
         api("hasResults") + "\t\t sourceFile - /a.c\n" + result("1"), "hasResults(/a.c)", "1", Common("HasResults"),
         "0"},
        {"HasUpToDateResults", [](VorlanApi& a) { return std::to_string(a.HasUpToDateResults("/a.c")); },
         api("hasUptoDateResults") + "\t\t sourceFile - /a.c\n" + result("1"), "hasUptoDateResults(/a.c)", "1",
         Common("HasUpToDateResults"), "0"},
        {"FreeKoFile", [](VorlanApi& a) { return std::to_string(a.FreeKoFile(&g_koFilePointer)); },
         api("freeKoFile") + "\t\t file - " + Address(&g_koFile) + "\n" + result("0"), "freeKoFile()", "0",
         "\tAttempt to call VorlanApi::freeKoFile failed because ptr2f is null \n", "-1"},
        {"FreeStrings", [](VorlanApi& a) { KoStrings_C* p = nullptr; return std::to_string(a.FreeStrings(&p)); },
         api("freeStrings") + result("0"), "freeStrings()", "0",
         "\tAttempt to call VorlanApi::freeStrings failed because ptr2f is null \n", "-1"},
        {"FreeDiagnostics",
         [](VorlanApi& a) { KoDiagnosticArray_C* p = nullptr; return std::to_string(a.FreeDiagnostics(&p)); },
         api("freeDiagnostics") + result("0"), "freeDiagnostics()", "0", Common("FreeDiagnostics"), "-1"},
        {"FreeFilePaths",
         [](VorlanApi& a) { KoFilePathArray_C* p = nullptr; return std::to_string(a.FreeFilePaths(&p)); },
         api("freeFilePaths") + result("0"), "freeFilePaths()", "0", Common("FreeFilePaths"), "-1"},
        {"FreeRuleGroups",
         [](VorlanApi& a) { KoRuleGroupArray_C* p = nullptr; return std::to_string(a.FreeRuleGroups(&p)); },
         api("freeRuleGroups") + result("0"), "freeRuleGroups()", "0", Common("FreeRuleGroups"), "-1"},
        {"FreeMessageRuleMap",
         [](VorlanApi& a) { KoMessageRuleMap_C* p = nullptr; return std::to_string(a.FreeMessageRuleMap(&p)); },
         api("freeMessageRuleMap") + result("0"), "freeMessageRuleMap()", "0", Common("FreeMessageRuleMap"), "-1"},
        {"FreeTrees", [](VorlanApi& a) { KoTrees_C* p = nullptr; return std::to_string(a.FreeTrees(&p)); },
         api("freeTrees") + result("0"), "freeTrees()", "0",
         "\tAttempt to call VorlanApi::FreeTrees failes because ptr2f is null \n", "-1"},
        {"FreeLanguages",
         [](VorlanApi& a) { KoLanguages_C* p = nullptr; a.FreeLanguages(&p); return std::string("void"); },
         api("freeLanguages") + result("void"), "freeLanguages()", "void", Common("FreeLanguages"), "void"},
    };
}

}  // namespace

TEST(Forwarding, EveryMethodTracesCallsAndReturnsTheEngineAnswer) {
    VorlanApi* api = VorlanApi::GetInstance();
    ASSERT_EQ(api->InitVorlanApi(FullEngine().c_str()), "");
    EngineDoubleControl* engine = EngineControl(FullEngine());
    ASSERT_NE(engine, nullptr);
    for (const Case& c : Cases()) {
        engine->calls.clear();
        OutputCapture out(2);
        const std::string result = c.call(*api);
        EXPECT_EQ(out.take(), Call(c.method) + c.tracePresent) << c.method;
        EXPECT_EQ(result, c.resultPresent) << c.method;
        ASSERT_EQ(engine->calls.size(), 1u) << c.method;
        EXPECT_EQ(engine->calls[0], c.engineCall) << c.method;
    }
}

TEST(Forwarding, AnAddressKeepsItsTextInEveryCopyOfItsValue) {
    int first = 0, second = 0;
    Forwarding::LogValue value = Forwarding::ToLogValue(&first);
    const Forwarding::LogValue copy = value;
    value = Forwarding::ToLogValue(&second);
    EXPECT_EQ(std::string(copy.text()), Address(&first));
    EXPECT_EQ(std::string(value.text()), Address(&second));
}

TEST(Forwarding, EveryMethodWithoutItsEntryWritesTwoLinesAndTakesItsFallback) {
    VorlanApi* api = VorlanApi::GetInstance();  // nothing loaded: every entry is missing
    for (const Case& c : Cases()) {
        OutputCapture out(2);
        EXPECT_EQ(c.call(*api), c.fallback) << c.method;
        EXPECT_EQ(out.take(), Call(c.method) + c.missingEntry) << c.method;
    }
}

TEST(Forwarding, ThresholdOneShowsOnlyMissingEntries) {
    VorlanApi* api = VorlanApi::GetInstance();
    for (const Case& c : Cases()) {
        OutputCapture out(1);
        c.call(*api);
        EXPECT_EQ(out.take(), c.missingEntry) << c.method;
    }
    ASSERT_EQ(api->InitVorlanApi(FullEngine().c_str()), "");
    for (const Case& c : Cases()) {
        OutputCapture out(1);
        c.call(*api);
        EXPECT_EQ(out.take(), "") << c.method;
    }
}

TEST(Forwarding, PartialEngineTakesTheFallbackOnlyForItsMissingEntries) {
    VorlanApi* api = VorlanApi::GetInstance();
    OutputCapture load(0);
    ASSERT_EQ(api->InitVorlanApi(PartialEngine().c_str()), "");
    load.take();
    OutputCapture out(1);
    api->SetBindKey("k");
    EXPECT_EQ(std::string(api->GetWorkSpacePath()), "null");
    EXPECT_FALSE(api->IsTivraProject("/l", "n"));
    KoTrees_C* trees = nullptr;
    EXPECT_EQ(api->FreeTrees(&trees), -1);
    EXPECT_FALSE(api->HasUpToDateResults("/a.c"));
    EXPECT_TRUE(api->HasResults("/a.c"));
    EXPECT_EQ(out.take(), Common("SetBindKey") +
                              "\tAttempt to call VorlanApi::GetWorkSpacePath failed because ptr2f is null. \n"
                              "\tAttempt to call VorlanAPi::IsTivraProject failed because ptr2f is null \n"
                              "\tAttempt to call VorlanApi::FreeTrees failes because ptr2f is null \n" +
                              Common("HasUpToDateResults"));
}

TEST(Forwarding, YesNoAnswersFollowTheEnginesByte) {
    VorlanApi* api = VorlanApi::GetInstance();
    ASSERT_EQ(api->InitVorlanApi(FullEngine().c_str()), "");
    EngineDoubleControl* engine = EngineControl(FullEngine());
    for (unsigned char byte : {0, 1, 2, 255}) {
        engine->isTivraProject = byte;
        engine->hasResults = byte;
        engine->hasUptoDateResults = byte;
        OutputCapture out(2);
        // Only the byte 1 makes a project; any non-zero byte means results.
        EXPECT_EQ(api->IsTivraProject("/l", "n"), byte == 1) << int(byte);
        EXPECT_EQ(api->HasResults("/a.c"), byte != 0) << int(byte);
        EXPECT_EQ(api->HasUpToDateResults("/a.c"), byte != 0) << int(byte);
        const std::string trace = out.take();
        const std::string line = "\t< Result: " + std::to_string(byte) + "\n";
        size_t count = 0;
        for (size_t at = trace.find(line); at != std::string::npos; at = trace.find(line, at + 1)) ++count;
        EXPECT_EQ(count, 3u) << trace;
    }
}

TEST(Forwarding, StatusesAndTextsPassThroughUnchanged) {
    VorlanApi* api = VorlanApi::GetInstance();
    ASSERT_EQ(api->InitVorlanApi(FullEngine().c_str()), "");
    EngineDoubleControl* engine = EngineControl(FullEngine());
    engine->statusOf["initApi"] = -77;
    engine->statusOf["freeTrees"] = 3;
    engine->textOf["getInstallPath"] = "C:\\Program Files\\\xc3\xa9";
    engine->nullText.insert("getComponents");
    engine->logLevel = 42;
    OutputCapture out(2);
    EXPECT_EQ(api->InitApi("k"), -77);
    KoTrees_C* trees = nullptr;
    EXPECT_EQ(api->FreeTrees(&trees), 3);
    EXPECT_EQ(std::string(api->GetInstallPath()), "C:\\Program Files\\\xc3\xa9");
    EXPECT_EQ(api->GetComponents(), nullptr);
    EXPECT_EQ(api->GetLogLevel(), 42);
    const std::string trace = out.take();
    EXPECT_NE(trace.find("\t< Result: -77\n"), std::string::npos);
    EXPECT_NE(trace.find("\t< Result: (null)\n"), std::string::npos);
    EXPECT_NE(trace.find("\t< Result: 42\n"), std::string::npos);
}

TEST(Forwarding, ReleaseMethodsHandTheCallersAddressToTheEngine) {
    VorlanApi* api = VorlanApi::GetInstance();
    ASSERT_EQ(api->InitVorlanApi(FullEngine().c_str()), "");
    EngineDoubleControl* engine = EngineControl(FullEngine());
    KoFile_C record{};
    KoFile_C* file = &record;
    KoLanguages_C* languages = nullptr;
    api->FreeKoFile(&file);
    api->FreeLanguages(&languages);
    ASSERT_EQ(engine->releases.size(), 2u);
    EXPECT_EQ(engine->releases[0].entry, "freeKoFile");
    EXPECT_EQ(engine->releases[0].address, static_cast<void*>(&file));
    EXPECT_EQ(engine->releases[0].pointer, static_cast<void*>(&record));
    EXPECT_EQ(engine->releases[1].entry, "freeLanguages");
    EXPECT_EQ(engine->releases[1].address, static_cast<void*>(&languages));
    EXPECT_EQ(engine->releases[1].pointer, nullptr);
}

TEST(Forwarding, AggregatePassesTheStoredCallback) {
    VorlanApi* api = VorlanApi::GetInstance();
    ASSERT_EQ(api->InitVorlanApi(FullEngine().c_str()), "");
    EngineDoubleControl* engine = EngineControl(FullEngine());
    static unsigned int reported = 0;
    api->SetAggregateCallback([](unsigned int progress) { reported += progress; });
    engine->progress = {10, 20};
    api->Aggregate();
    EXPECT_EQ(engine->calls.back(), "aggregate(callback)");
    EXPECT_EQ(reported, 30u);
    api->SetAggregateCallback(nullptr);
    api->Aggregate();
    EXPECT_EQ(engine->calls.back(), "aggregate(<null>)");
}
