// The sample engine on its own, through its C entry points: the rules it
// checks, the project store, its records and their release.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/EntryPoints.h"
#include "engine/KoDiagnostics.h"
#include "engine/KoProject.h"
#include "engine/KoRules.h"
#include "engine/Platform.h"
#include "sample-engine/Files.h"
#include "tests/TestSupport.h"

#include <malloc.h>  // _heapwalk on Windows, mallinfo2 on Linux

namespace {

#ifdef _WIN32
const char kSeparator[] = "\\";
#else
const char kSeparator[] = "/";
#endif

std::string SampleEnginePath() {
    std::string scripted = TestLibrary("Vorlan");
    std::string directory = scripted.substr(0, scripted.find_last_of("\\/"));
#ifdef _WIN32
    return directory + "\\sample-engine\\Vorlan.dll";
#else
    return directory + "/sample-engine/libVorlan.so";
#endif
}

struct Engine {
#define SAMPLE_MEMBER(name, result, params) VorlanEntry::name name = nullptr;
    VORLAN_ENTRY_POINTS(SAMPLE_MEMBER)
#undef SAMPLE_MEMBER
    int missing = 0;
};

// Bytes in use on the C heap that the engine shares with this program.
size_t HeapInUse() {
#ifdef _WIN32
    _HEAPINFO info = {};
    size_t used = 0;
    int status;
    while ((status = _heapwalk(&info)) == _HEAPOK)
        if (info._useflag == _USEDENTRY) used += info._size;
    return status == _HEAPEND ? used : SIZE_MAX;
#else
    struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
#endif
}

// One diagnostic, as far as the tests look at it.
struct Row {
    std::string number;
    int line;
    int column;
    std::vector<std::string> parameters;
    std::vector<Row> related;
};

bool operator==(const Row& a, const Row& b) {
    return a.number == b.number && a.line == b.line && a.column == b.column && a.parameters == b.parameters &&
           a.related == b.related;
}

std::ostream& operator<<(std::ostream& out, const Row& r) {
    out << r.number << "@" << r.line << ":" << r.column << "(";
    for (const std::string& p : r.parameters) out << p << ",";
    out << ")";
    for (const Row& sub : r.related) out << "{" << sub << "}";
    return out;
}

std::vector<std::string> Texts(const KoCountedArray<char*>* list) {
    std::vector<std::string> texts;
    for (uint32_t i = 0; i < CountOf(list); ++i) texts.push_back(list->at(i));
    return texts;
}

class SampleEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        void* library = Platform::OpenLibrary(SampleEnginePath().c_str());
        ASSERT_NE(library, nullptr) << SampleEnginePath();
#define SAMPLE_RESOLVE(name, result, params)                                                   \
    e.name = reinterpret_cast<VorlanEntry::name>(Platform::FindSymbol(library, #name)); \
    if (e.name == nullptr) ++e.missing;
        VORLAN_ENTRY_POINTS(SAMPLE_RESOLVE)
#undef SAMPLE_RESOLVE
        ASSERT_EQ(e.missing, 0);
        e.shutdownApp();  // no project open, also when the tests share a process
        dir = TestDirectory();
        // Nothing left from an earlier run.
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }

    std::string In(const std::string& name) const { return dir + kSeparator + name; }

    // A new project in the test's directory, open.
    void OpenProject(const char* name = "demo") {
        ASSERT_EQ(e.createProject(dir.c_str(), name, "", "", ""), 0);
        ASSERT_EQ(e.initProjectMngr("key", dir.c_str(), name), 0);
    }

    std::string AddSource(const std::string& name, const std::string& text, KoSourceLanguage_C language = 0) {
        WriteFile(In(name), text);
        EXPECT_EQ(e.addFile(language, In(name).c_str(), 0, nullptr, 0, nullptr), 0) << name;
        return In(name);
    }

    std::vector<std::string> Files() {
        KoFileList_C* list = nullptr;
        EXPECT_EQ(e.getFiles(&list), 0);
        std::vector<std::string> files = Texts(list);
        EXPECT_EQ(e.freeFilePaths(reinterpret_cast<KoFilePathArray_C**>(&list)), 0);
        return files;
    }

    static Row ToRow(const DiagnosticStruct* d) {
        Row row{d->message->messageNumber, d->locations->at(0)->line, d->locations->at(0)->column,
                Texts(d->parameters), {}};
        for (uint32_t i = 0; i < d->subDiagnostics->count; ++i) row.related.push_back(ToRow(d->subDiagnostics->at(i)));
        return row;
    }

    std::vector<Row> Diagnostics(const std::string& path) {
        KoDiagnosticArray_C* array = nullptr;
        EXPECT_EQ(e.getDiagnostics(path.c_str(), nullptr, nullptr, 0, &array), 0) << path;
        std::vector<Row> rows;
        for (uint32_t i = 0; i < CountOf(array); ++i) rows.push_back(ToRow(array->at(i)));
        EXPECT_EQ(e.freeDiagnostics(&array), 0);
        return rows;
    }

    Engine e;
    std::string dir;
};

const char kFlawed[] =
    "int f(int x) {\n"
    "    if (x) goto done;  \n"
    "\treturn 1;\n"
    "done:\n"
    "    return 0; // TODO tidy up\n"
    "    /* FIXME later */\n"
    "    const char* s = \"goto TODO\"; // not goto code\n"
    "    switch (x) { default: break; }\n"
    "    int y = 1'000; const char* r = R\"(goto nowhere; \" TODO)\";\n"
    "}";

TEST_F(SampleEngineTest, FindsWhatTheRulesDescribeAndNothingElse) {
    OpenProject();
    std::string longLine = "int table[] = {" + std::string(120, '1') + "};\n";
    std::string flawed = AddSource("flawed.c", kFlawed);
    std::string clean = AddSource("clean.cpp", "int main() { return 0; }\n" + longLine, 1);
    // A label is the first code on its line: after a comment it counts, after code it does not.
    std::string labels = AddSource("labels.c",
                                   "void g(int y) {\n"
                                   "    goto twice;\n"
                                   "    y = y ? 2 : 3; twice: ;\n"
                                   "    /* first */ twice: ;\n"
                                   "}\n");
    ASSERT_EQ(e.initResults("key", dir.c_str(), "demo"), 0);

    std::vector<Row> expected = {
        {"2001", 2, 12, {"done"}, {{"2002", 4, 1, {"done"}, {}}}},
        {"1002", 2, 22, {"2"}, {}},
        {"1003", 3, 1, {"1"}, {}},
        {"2101", 5, 18, {"TODO"}, {}},
        {"2102", 6, 8, {"FIXME"}, {}},
        {"1004", 10, 2, {}, {}},
    };
    EXPECT_EQ(Diagnostics(flawed), expected);
    EXPECT_EQ(Diagnostics(clean), (std::vector<Row>{{"1001", 2, 121, {"137", "120"}, {}}}));
    EXPECT_EQ(Diagnostics(labels), (std::vector<Row>{{"2001", 2, 5, {"twice"}, {{"2002", 4, 17, {"twice"}, {}}}}}));

    // The records carry the full message and the file as the project names it.
    KoDiagnosticArray_C* array = nullptr;
    ASSERT_EQ(e.getDiagnostics(flawed.c_str(), nullptr, nullptr, 0, &array), 0);
    const DiagnosticStruct* jump = array->at(0);
    EXPECT_EQ(std::string(jump->message->messageText), "goto jumps to label 'done'");
    EXPECT_EQ(std::string(jump->message->uniqueMessageId), "VSM-2001");
    EXPECT_EQ(jump->message->level, KO_ERROR);
    EXPECT_EQ(jump->hasSubDiagnostics, 1);
    EXPECT_EQ(CountOf(jump->message->references), 1u);
    EXPECT_EQ(std::string(jump->locations->at(0)->file), Files()[1]);  // clean.cpp, flawed.c, labels.c
    EXPECT_EQ(array->at(1)->hasSubDiagnostics, 0);
    EXPECT_EQ(e.freeDiagnostics(&array), 0);

    // The message filter keeps the diagnostics of the messages named.
    KoMessage_C todo = {};
    char number[] = "2101";
    todo.messageNumber = number;
    KoMessageArray_C* filter = static_cast<KoMessageArray_C*>(std::calloc(1, KoMessageArray_C::BlockSize(1)));
    filter->count = 1;
    filter->items()[0] = &todo;
    ASSERT_EQ(e.getDiagnostics(flawed.c_str(), filter, nullptr, 0, &array), 0);
    ASSERT_EQ(CountOf(array), 1u);
    EXPECT_EQ(std::string(array->at(0)->message->messageNumber), "2101");
    EXPECT_EQ(e.freeDiagnostics(&array), 0);
    std::free(filter);

    // A file outside the project has no results.
    EXPECT_EQ(e.getDiagnostics(In("other.c").c_str(), nullptr, nullptr, 0, &array), 4);
    EXPECT_EQ(array, nullptr);
}

TEST_F(SampleEngineTest, ProjectAndResultsSurviveReopening) {
    EXPECT_EQ(e.isTivraProject(dir.c_str(), "demo"), 0);
    OpenProject();
    EXPECT_EQ(e.isTivraProject(dir.c_str(), "demo"), 1);
    // An existing project is never overwritten, and a name is no path.
    EXPECT_EQ(e.createProject(dir.c_str(), "demo", "", "", ""), 5);
    EXPECT_EQ(e.createProject(dir.c_str(), "../escape", "", "", ""), 2);

    WriteFile(In("a.c"), "int a;\n");
    WriteFile(In("b.hpp"), "int b;\t\n");
    WriteFile(In("gone.c"), "int gone;\n");
    char define1[] = "DEBUG", define2[] = "LEVEL=2", include1[] = "/usr/include", include2[] = "inc dir";
    char* defines[] = {define1, define2};
    char* includes[] = {include1, include2};
    ASSERT_EQ(e.addFile(0, In("a.c").c_str(), 2, defines, 2, includes), 0);
    ASSERT_EQ(e.addFile(1, In("b.hpp").c_str(), 0, nullptr, 0, nullptr), 0);
    ASSERT_EQ(e.addFile(0, In("gone.c").c_str(), 0, nullptr, 0, nullptr), 0);
    EXPECT_EQ(e.addFile(0, In("absent.c").c_str(), 0, nullptr, 0, nullptr), 4);
    ASSERT_EQ(e.removeFile(In("gone.c").c_str()), 0);
    EXPECT_EQ(e.removeFile(In("gone.c").c_str()), 4);
    e.aggregate(nullptr);
    WriteFile(In("b.hpp"), "int b;\n");  // changed after the analysis

    // The state goes; what comes back is read from disk.
    e.shutdownApp();
    KoFileList_C* none = nullptr;
    EXPECT_EQ(e.getFiles(&none), 1);
    EXPECT_EQ(none, nullptr);
    ASSERT_EQ(e.initProjectMngr("key", dir.c_str(), "demo"), 0);
    std::vector<std::string> files = Files();
    ASSERT_EQ(files.size(), 2u);
    EXPECT_NE(files[0].find("a.c"), std::string::npos);
    EXPECT_NE(files[1].find("b.hpp"), std::string::npos);

    KoFile_C* file = nullptr;
    ASSERT_EQ(e.getKoFile(files[0].c_str(), &file), 0);
    EXPECT_EQ(file->language, 0);
    EXPECT_EQ(Texts(file->defines), (std::vector<std::string>{"DEBUG", "LEVEL=2"}));
    ASSERT_EQ(CountOf(file->includes), 2u);
    EXPECT_EQ(std::string(file->includes->at(0).path), "/usr/include");
    EXPECT_EQ(std::string(file->includes->at(1).path), "inc dir");
    EXPECT_EQ(e.freeKoFile(&file), 0);
    EXPECT_EQ(e.getKoFile(In("gone.c").c_str(), &file), 4);
    EXPECT_EQ(file, nullptr);

    // Saved results are used as they are: b.hpp's are stale until the next
    // aggregation, which reports progress per file up to 100.
    ASSERT_EQ(e.initResults("key", dir.c_str(), "demo"), 0);
    EXPECT_EQ(e.hasResults(files[1].c_str()), 1);
    EXPECT_EQ(e.hasUptoDateResults(files[0].c_str()), 1);
    EXPECT_EQ(e.hasUptoDateResults(files[1].c_str()), 0);
    EXPECT_EQ(Diagnostics(files[1]).size(), 2u);
    static std::vector<unsigned int> progress;
    e.aggregate([](unsigned int percent) { progress.push_back(percent); });
    EXPECT_EQ(progress, (std::vector<unsigned int>{0, 50, 100}));
    EXPECT_EQ(e.hasUptoDateResults(files[1].c_str()), 1);
    EXPECT_EQ(Diagnostics(files[1]).size(), 0u);
    EXPECT_EQ(e.hasResults(In("gone.c").c_str()), 0);
}

TEST_F(SampleEngineTest, RulesMapAndTreesDescribeTheSameResults) {
    OpenProject();
    std::string sub = In("sub");
    std::filesystem::create_directories(sub);
    WriteFile(In("top.c"), "int a;  \n");
    WriteFile(sub + kSeparator + "deep.c", kFlawed);
    WriteFile(sub + kSeparator + "clean.c", "int c;\n");
    ASSERT_EQ(e.addFile(0, In("top.c").c_str(), 0, nullptr, 0, nullptr), 0);
    ASSERT_EQ(e.addFile(0, (sub + kSeparator + "deep.c").c_str(), 0, nullptr, 0, nullptr), 0);
    ASSERT_EQ(e.addFile(0, (sub + kSeparator + "clean.c").c_str(), 0, nullptr, 0, nullptr), 0);
    e.aggregate(nullptr);

    KoRuleGroupArray_C* groups = nullptr;
    KoMessageRuleMap_C* map = nullptr;
    ASSERT_EQ(e.getRuleGroups(&groups), 0);
    ASSERT_EQ(e.getMessageRuleMap(&map), 0);
    std::vector<std::string> ruleUids;
    std::vector<const RuleStruct*> pending;
    for (uint32_t g = 0; g < groups->count; ++g)
        for (uint32_t r = 0; r < groups->at(g)->rules->count; ++r) pending.push_back(groups->at(g)->rules->at(r));
    while (!pending.empty()) {
        const RuleStruct* rule = pending.back();
        pending.pop_back();
        ruleUids.push_back(rule->ruleUID);
        EXPECT_EQ(rule->isActive, 1);
        for (uint32_t c = 0; c < rule->childRules->count; ++c) pending.push_back(rule->childRules->at(c));
    }
    EXPECT_EQ(ruleUids.size(), 8u);
    ASSERT_EQ(map->count, 8u);
    for (uint32_t m = 0; m < map->count; ++m) {
        ASSERT_EQ(map->at(m)->count, 1u);
        EXPECT_NE(std::find(ruleUids.begin(), ruleUids.end(), map->at(m)->uniqueRuleIds()[0]), ruleUids.end());
    }
    EXPECT_EQ(e.freeRuleGroups(&groups), 0);
    EXPECT_EQ(e.freeMessageRuleMap(&map), 0);

    // File tree: the project, then the folder, then the files; 1 + 6 + 0.
    KoTrees_C* trees = nullptr;
    ASSERT_EQ(e.getTrees(&trees, false, 0, nullptr), 0);
    const KoTreeStruct* root = trees->fileTree;
    EXPECT_EQ(std::string(root->name), "demo");
    EXPECT_EQ(root->total, 7);
    ASSERT_EQ(root->subItems->count, 2u);
    const KoTreeStruct* folder = root->subItems->at(0);
    EXPECT_EQ(std::string(folder->name), "sub");
    EXPECT_EQ(folder->type, 1);
    EXPECT_EQ(folder->total, 6);
    ASSERT_EQ(folder->subItems->count, 2u);
    EXPECT_EQ(std::string(folder->subItems->at(0)->name), "clean.c");
    EXPECT_EQ(root->subItems->at(1)->total, 1);
    EXPECT_EQ(trees->ruleTree->total, 7);
    EXPECT_EQ(trees->messageTree->total, 8);  // and the label of the goto
    EXPECT_EQ(e.freeTrees(&trees), 0);

    // Only items with diagnostics, below the folder given.
    std::string only = sub;
    char* list[] = {&only[0]};
    ASSERT_EQ(e.getTrees(&trees, true, 1, list), 0);
    EXPECT_EQ(trees->fileTree->total, 6);
    ASSERT_EQ(trees->fileTree->subItems->count, 1u);
    EXPECT_EQ(std::string(trees->fileTree->subItems->at(0)->name), "deep.c");
    EXPECT_EQ(trees->messageTree->subItems->count, 7u);
    EXPECT_EQ(e.freeTrees(&trees), 0);
}

TEST_F(SampleEngineTest, ReleasesFreeEverythingAndRefuseForeignRecords) {
    OpenProject();
    std::string path = AddSource("a.c", kFlawed);
    ASSERT_EQ(e.initResults("key", dir.c_str(), "demo"), 0);

    auto cycle = [&] {
        KoDiagnosticArray_C* diagnostics = nullptr;
        KoRuleGroupArray_C* groups = nullptr;
        KoMessageRuleMap_C* map = nullptr;
        KoTrees_C* trees = nullptr;
        KoFile_C* file = nullptr;
        KoStrings_C* strings = nullptr;
        KoLanguages_C* languages = nullptr;
        KoFileList_C* files = nullptr;
        int failures = 0;
        failures += e.getDiagnostics(path.c_str(), nullptr, nullptr, 0, &diagnostics) != 0;
        failures += e.freeDiagnostics(&diagnostics) != 0 || diagnostics != nullptr;
        failures += e.getRuleGroups(&groups) + e.freeRuleGroups(&groups);
        failures += e.getMessageRuleMap(&map) + e.freeMessageRuleMap(&map);
        failures += e.getTrees(&trees, false, 0, nullptr) + e.freeTrees(&trees);
        failures += e.getKoFile(path.c_str(), &file) + e.freeKoFile(&file);
        failures += e.getMappedFileExtensions(1, &strings) + e.freeStrings(&strings);
        failures += (e.getReportTools(&strings) != 1) + e.freeStrings(&strings);
        failures += (e.getCMAProjectList(&strings) != 1) + e.freeStrings(&strings);
        e.getAvailableLanguages(&languages);
        e.freeLanguages(&languages);
        failures += languages != nullptr;
        failures += e.getFiles(&files) + e.freeFilePaths(reinterpret_cast<KoFilePathArray_C**>(&files));
        return failures;
    };
    for (int i = 0; i < 3; ++i) ASSERT_EQ(cycle(), 0);
    size_t before = HeapInUse();
    if (before == SIZE_MAX) GTEST_SKIP() << "the C heap cannot be walked here";
    int failures = 0;
    for (int i = 0; i < 50; ++i) failures += cycle();
    size_t after = HeapInUse();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(after, before);

    // A release gets each record once; a copy of a released pointer, or a
    // pointer the engine never handed out, is refused and left alone.
    KoTrees_C* trees = nullptr;
    ASSERT_EQ(e.getTrees(&trees, false, 0, nullptr), 0);
    KoTrees_C* copy = trees;
    EXPECT_EQ(e.freeTrees(&trees), 0);
    EXPECT_EQ(trees, nullptr);
    EXPECT_EQ(e.freeTrees(&copy), 6);
    KoTrees_C foreign = {};
    KoTrees_C* foreignPointer = &foreign;
    EXPECT_EQ(e.freeTrees(&foreignPointer), 6);
    EXPECT_EQ(foreignPointer, &foreign);
    KoStrings_C* strings = nullptr;
    ASSERT_EQ(e.getMappedFileExtensions(0, &strings), 0);
    EXPECT_EQ(Texts(strings), (std::vector<std::string>{"c", "h"}));
    EXPECT_EQ(e.freeKoFile(reinterpret_cast<KoFile_C**>(&strings)), 6);  // not a KoFile_C
    EXPECT_EQ(e.freeStrings(&strings), 0);
    // A null record is nothing to release; a null address is refused.
    KoDiagnosticArray_C* nothing = nullptr;
    EXPECT_EQ(e.freeDiagnostics(&nothing), 0);
    EXPECT_EQ(e.freeDiagnostics(nullptr), 2);
}

TEST_F(SampleEngineTest, NullArgumentsGiveStatusesNotCrashes) {
    EXPECT_EQ(e.initApi(nullptr), 2);
    e.setBindKey(nullptr);
    e.setWorkspace(nullptr);
    EXPECT_EQ(e.createProject(nullptr, nullptr, nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(e.isTivraProject(nullptr, nullptr), 0);
    EXPECT_EQ(e.initProjectMngr(nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(e.initResults(nullptr, nullptr, nullptr), 2);
    EXPECT_EQ(e.getFiles(nullptr), 2);
    EXPECT_EQ(e.getRuleGroups(nullptr), 2);
    EXPECT_EQ(e.getTrees(nullptr, false, 0, nullptr), 2);
    EXPECT_EQ(e.hasResults(nullptr), 0);
    EXPECT_EQ(e.hasUptoDateResults(nullptr), 0);
    e.getAvailableLanguages(nullptr);
    e.freeLanguages(nullptr);
    EXPECT_EQ(e.getReportTools(nullptr), 0);
    EXPECT_STREQ(e.getComponentMessages(nullptr, nullptr), "");
    EXPECT_STREQ(e.getVersionNumber(), "1.0.0");

    // Before a project is open; then with nulls inside the arguments.
    KoTrees_C* trees = nullptr;
    EXPECT_EQ(e.getTrees(&trees, false, 0, nullptr), 1);
    EXPECT_EQ(e.addFile(0, "a.c", 0, nullptr, 0, nullptr), 1);
    e.aggregate(nullptr);
    OpenProject();
    EXPECT_EQ(e.addFile(0, nullptr, 0, nullptr, 0, nullptr), 2);
    EXPECT_EQ(e.addFile(0, In("a.c").c_str(), 2, nullptr, 0, nullptr), 2);
    EXPECT_EQ(e.addFile(9, In("a.c").c_str(), 0, nullptr, 0, nullptr), 2);
    char* holes[] = {nullptr, nullptr};
    EXPECT_EQ(e.getTrees(&trees, false, 2, nullptr), 2);
    ASSERT_EQ(e.getTrees(&trees, false, 2, holes), 0);
    EXPECT_EQ(e.freeTrees(&trees), 0);
    KoDiagnosticArray_C* diagnostics = nullptr;
    EXPECT_EQ(e.getDiagnostics(nullptr, nullptr, nullptr, 0, &diagnostics), 2);
    EXPECT_EQ(e.getDiagnostics("a.c", nullptr, nullptr, 0, nullptr), 2);
}

TEST_F(SampleEngineTest, ConcurrentCallersShareTheEngineSafely) {
    OpenProject();
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) paths.push_back(AddSource("f" + std::to_string(i) + ".c", kFlawed));
    e.aggregate(nullptr);

    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 40; ++i) {
                KoDiagnosticArray_C* diagnostics = nullptr;
                if (e.getDiagnostics(paths[t].c_str(), nullptr, nullptr, 0, &diagnostics) != 0 ||
                    CountOf(diagnostics) != 6)
                    ++failures;
                if (e.freeDiagnostics(&diagnostics) != 0) ++failures;
                KoTrees_C* trees = nullptr;
                if (e.getTrees(&trees, t % 2 == 0, 0, nullptr) != 0 || e.freeTrees(&trees) != 0) ++failures;
                if (t == 0 && i % 10 == 0) e.aggregate(nullptr);
                if (t == 1) e.addFile(0, paths[i % 4].c_str(), 0, nullptr, 0, nullptr);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(Files().size(), 4u);
}

// The engine's paths and files are std::filesystem's on Windows and its own on
// Linux, where they must give what std::filesystem gives: for every path and
// every pair of these, and on the disk.
TEST(SampleEngineFiles, GiveWhatStdFilesystemGives) {
    namespace fs = std::filesystem;
    using namespace Sample;
    auto elements = [](const fs::path& path) {
        std::vector<std::string> parts;
        for (const fs::path& part : path) parts.push_back(part.string());
        return parts;
    };
    const char* paths[] = {"",        "/",        "//",      "a",      "/a",        "//a",         "a/",
                           "/a/",     "a/b",      "/a//b/",  "/a/./b", "/a/b/..",   "/a/b/../",    "/a/../..",
                           "/../a",   "a/..",     "a/../..", "../a",   "a/./",      ".",           "..",
                           "./a",     "a/b/./..", "../../.", "/.vprj", "/d/x.vprj", "d/x.y.vprj/", "/a/b/c"};
    for (const char* p : paths) {
        EXPECT_EQ(ParentPath(p), fs::path(p).parent_path().string()) << p;
        EXPECT_EQ(FileName(p), fs::path(p).filename().string()) << p;
        EXPECT_EQ(PathParts(p), elements(p)) << p;
        if (p[0] != '\0') {
            EXPECT_EQ(AbsoluteNormalPath(p), fs::absolute(p).lexically_normal().string()) << p;
        }
        for (const char* q : paths) {
            EXPECT_EQ(JoinPath(p, q), (fs::path(p) / q).string()) << p << " / " << q;
            EXPECT_EQ(RelativeParts(p, q), elements(fs::path(p).lexically_relative(q))) << p << " from " << q;
        }
    }

    std::string dir = TestDirectory(), file = dir + "/file", deep = dir + "/new/deeper/";
    fs::remove_all(dir);
    ASSERT_TRUE(CreateDirectories(deep));
    EXPECT_TRUE(CreateDirectories(deep));
    WriteFile(file, "12345");
    EXPECT_FALSE(CreateDirectories(file + "/below"));
    EXPECT_TRUE(IsRegularFile(file) && Exists(file) && !IsDirectory(file));
    EXPECT_TRUE(IsDirectory(deep) && !IsRegularFile(deep) && !Exists(dir + "/none"));
    int64_t modified = 0;
    uint64_t size = 0;
    ASSERT_TRUE(FileStamp(file, modified, size));
    EXPECT_EQ(modified, fs::last_write_time(file).time_since_epoch().count());
    EXPECT_EQ(size, 5u);
    EXPECT_FALSE(FileStamp(deep, modified, size));
    std::vector<std::string> entries = DirectoryEntries(dir), listed;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir)) listed.push_back(entry.path().string());
    std::sort(entries.begin(), entries.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(entries, listed);
    EXPECT_TRUE(RenameFile(file, dir + "/new/file"));
    EXPECT_FALSE(RenameFile(file, dir + "/new/file"));
    RemoveFile(dir + "/new/file");
    EXPECT_FALSE(Exists(dir + "/new/file"));
}

}  // namespace
