// Java threads calling in at once. After one initJniBridge, eight threads make
// mixed calls through the exported functions, each with a JNI environment of
// its own, with the trace going to a log file that keeps being switched. Every
// result must be what the same call gives alone, the engine must see exactly
// the calls made (with their arguments) and get back every record it handed
// out, and the log files must hold whole lines. The tsan preset runs these
// tests under ThreadSanitizer.

#include <atomic>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "engine/Platform.h"
#include "log/Logger.h"
#include "tests/SampleRecords.h"
#include "tests/TestSupport.h"

namespace {

constexpr int kThreads = 8;
// Every traced line opens and closes the log file; under wine that is slow.
#ifdef _WIN32
constexpr int kCallsPerThread = 500;
#else
constexpr int kCallsPerThread = 1500;
#endif

// One kind of call: what it does (its result as text), and the lines the
// engine double records for it.
struct Kind {
    const char* name;
    std::function<std::string(FakeJni&)> call;
    std::vector<std::string> engineLines;
};

std::string Flag(jboolean value) { return value != JNI_FALSE ? "true" : "false"; }

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// Every "\nCall " of a log is a whole call line ("\nCall <name> \n", or
// "\nCall InitVorlanApi\n"): lines of different threads never run into each
// other.
void ExpectWholeCallLines(const std::string& log) {
    size_t whole = 0;
    for (size_t at = log.find("\nCall "); at != std::string::npos; at = log.find("\nCall ", at + 1)) {
        size_t end = log.find('\n', at + 6);
        if (end != std::string::npos && log[end - 1] == ' ') --end;
        const std::string name = end == std::string::npos ? "" : log.substr(at + 6, end - at - 6);
        if (!name.empty() &&
            name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz:") == std::string::npos)
            ++whole;
        else
            ADD_FAILURE() << "broken call line at " << at << ": " << log.substr(at, 60);
    }
    EXPECT_EQ(whole, Count(log, "\nCall "));
}

class Concurrency : public BridgeTest {
protected:
    void SetUp() override {
        c = LoadEngine();
        records.Install(*c);
        dir = TestDirectory();
        logs = {dir + "/first.log", dir + "/second.log"};
    }

    void TearDown() override {
        Utils::Logger::SetLogFile("");
        Utils::Logger::SetLogLevel(0);
        BridgeTest::TearDown();
    }

    std::vector<Kind> Kinds() {
        const std::string engine = FullEngine();
        return {
            {"getDiagnostics",
             [](FakeJni& j) {
                 return j.bytes(JNI(getDiagnostics)(j.env(), j.self(), j.str("/src/a.c"), nullptr, nullptr, 0));
             },
             {"getDiagnostics(/src/a.c, <null>, <null>, 0)", "freeDiagnostics()"}},
            {"getRuleGroups",
             [](FakeJni& j) { return j.bytes(JNI(getRuleGroups)(j.env(), j.self())); },
             {"getRuleGroups()", "freeRuleGroups()"}},
            {"getMessageRuleMap",
             [](FakeJni& j) { return j.bytes(JNI(getMessageRuleMap)(j.env(), j.self())); },
             {"getMessageRuleMap()", "freeMessageRuleMap()"}},
            {"getTrees",
             [](FakeJni& j) {
                 return j.bytes(JNI(getTrees)(j.env(), j.self(), JNI_TRUE, 2,
                                              j.str("a\x19"
                                                    "b")));
             },
             {"getTrees(true, 2, [a|b])", "freeTrees()"}},
            {"getKoFile",
             [](FakeJni& j) { return j.text(JNI(getKoFile)(j.env(), j.self(), j.str("/src/a.c"))); },
             {"getKoFile(/src/a.c)", "freeKoFile()"}},
            {"getFiles", [](FakeJni& j) { return j.text(JNI(getFiles)(j.env(), j.self())); }, {"getFiles()"}},
            {"getFileExtensions",
             [](FakeJni& j) { return j.text(JNI(getFileExtensions)(j.env(), j.self())); },
             {"getMappedFileExtensions(0)", "freeStrings()", "getMappedFileExtensions(1)", "freeStrings()"}},
            {"getAvailableLanguages",
             [](FakeJni& j) { return j.text(JNI(getAvailableLanguages)(j.env(), j.self())); },
             {"getAvailableLanguages()", "freeLanguages()"}},
            {"getCMAProjects",
             [](FakeJni& j) { return j.text(JNI(getCMAProjects)(j.env(), j.self())); },
             {"getCMAProjectList()", "freeStrings()"}},
            {"getReportTools",
             [](FakeJni& j) { return j.text(JNI(getReportTools)(j.env(), j.self())); },
             {"getReportTools()", "freeStrings()"}},
            {"getInstallPath",
             [](FakeJni& j) { return j.text(JNI(getInstallPath)(j.env(), j.self())); },
             {"getInstallPath()"}},
            {"getVersionNumber",
             [](FakeJni& j) { return j.text(JNI(getVersionNumber)(j.env(), j.self())); },
             {"getVersionNumber()"}},
            {"hasResults",
             [](FakeJni& j) { return Flag(JNI(hasResults)(j.env(), j.self(), j.str("/src/a.c"))); },
             {"hasResults(/src/a.c)"}},
            {"hasUpToDateResults",
             [](FakeJni& j) { return Flag(JNI(hasUpToDateResults)(j.env(), j.self(), j.str("/src/a.c"))); },
             {"hasUptoDateResults(/src/a.c)"}},
            {"addFile",
             [](FakeJni& j) {
                 return std::to_string(JNI(addFile)(j.env(), j.self(), 1, j.str("/src/x.c"),
                                                    j.str("A\x19"
                                                          "B=1"),
                                                    2, j.str("/inc"), 1));
             },
             {"addFile(1, /src/x.c, 2, [A|B=1], 1, [/inc])"}},
            {"getCurrentLanguage",
             [](FakeJni& j) { return std::to_string(JNI(getCurrentLanguage)(j.env(), j.self())); },
             {"getCurrentLanguage()"}},
            {"aggregate",
             [](FakeJni& j) {
                 JNI(aggregate)(j.env(), j.self());
                 return std::string();
             },
             {"aggregate(callback)"}},
            {"setDebugLevel",
             [](FakeJni& j) {
                 JNI(setDebugLevel)(j.env(), j.self(), 2);
                 return std::to_string(JNI(getDebugLevel)(j.env(), j.self()));
             },
             {"setLogLevel(2)", "getLogLevel()"}},
            {"initJniBridge",
             [engine](FakeJni& j) { return j.text(JNI(initJniBridge)(j.env(), j.self(), j.str(engine))); },
             {}},
            {"setNativeLogFile", nullptr, {}},  // filled in per thread: it names that thread's file
        };
    }

    EngineDoubleControl* c = nullptr;
    SampleRecords records;
    std::string dir;
    std::vector<std::string> logs;
};

}  // namespace

TEST_F(Concurrency, MixedCallsFromEightThreadsGiveWhatEachCallGivesAlone) {
    std::vector<Kind> kinds = Kinds();
    const size_t switchKind = kinds.size() - 1;

    JNI(setNativeLogFile)(jni.env(), jni.self(), jni.str(logs[0]));

    // Alone, on this thread: the results every thread must get.
    std::vector<std::string> alone;
    for (size_t k = 0; k < switchKind; ++k) alone.push_back(kinds[k].call(jni));
    EXPECT_EQ(alone[0].compare(0, 10, "<KOE><KOD>"), 0) << alone[0];
    EXPECT_EQ(alone[1].compare(0, 34, "<KoRuleGrouping><KoRuleGroupEntry>"), 0) << alone[1];
    EXPECT_EQ(alone[2].compare(0, 45, "<KoMessageRuleMapping><KoMessageRuleMapEntry>"), 0) << alone[2];
    EXPECT_EQ(alone[3].compare(0, 8, "<Tr><FT>"), 0) << alone[3];
    EXPECT_EQ(alone[4], "<KOF><IP>/inc</IP><DEF>A;B=1</DEF><SL>C++</SL></KOF>");
    EXPECT_EQ(alone[5], "/src/a.c;/src/b.c");
    EXPECT_EQ(alone[6], ".c;.h;.cpp");
    EXPECT_EQ(alone[7], "<KOL><L>0</L><L>2</L></KOL>");
    EXPECT_EQ(alone[8], "p1;p2");
    EXPECT_EQ(alone[9], "t1");
    EXPECT_EQ(alone[14], "0");
    EXPECT_EQ(alone[15], "2");
    EXPECT_EQ(alone[18], "OK");

    // The setDebugLevel call above turned tracing on, into the file.
    c->calls.clear();
    c->releases.clear();

    std::atomic<int> ready{0};
    std::vector<std::vector<std::string>> failures(kThreads);
    std::vector<std::vector<int>> made(kThreads, std::vector<int>(kinds.size(), 0));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            FakeJni env;
            const std::string log = logs[t % 2];
            ready.fetch_add(1);
            while (ready.load() < kThreads) std::this_thread::yield();
            for (int i = 0; i < kCallsPerThread; ++i) {
                // First every kind once, all threads in step, then mixed.
                const size_t k = i < static_cast<int>(kinds.size()) ? i : (i * 7 + t) % kinds.size();
                ++made[t][k];
                if (k == switchKind) {
                    JNI(setNativeLogFile)(env.env(), env.self(), env.str(log));
                    continue;
                }
                const std::string result = kinds[k].call(env);
                if (result != alone[k] && failures[t].size() < 5)
                    failures[t].push_back(std::string(kinds[k].name) + " gave \"" + result.substr(0, 200) + "\"");
            }
            if (env.outstandingUtfChars() != 0) failures[t].push_back("a string was not released");
            if (env.exceptionPending()) failures[t].push_back("a Java exception is pending");
            if (!env.invalidStrings().empty()) failures[t].push_back("invalid modified UTF-8 went to NewStringUTF");
        });
    }
    for (std::thread& thread : threads) thread.join();

    for (int t = 0; t < kThreads; ++t)
        for (const std::string& failure : failures[t]) ADD_FAILURE() << "thread " << t << ": " << failure;

    // The engine saw every call once, with its arguments.
    std::map<std::string, int> expected, seen;
    for (int t = 0; t < kThreads; ++t)
        for (size_t k = 0; k < kinds.size(); ++k)
            for (const std::string& line : kinds[k].engineLines) expected[line] += made[t][k];
    for (const std::string& line : c->calls) ++seen[line];
    EXPECT_EQ(seen, expected);

    // Every record went back, each through its own release entry.
    for (const EngineRelease& release : c->releases)
        EXPECT_TRUE(SampleRecords::HandedOut(*c, release.entry, release.pointer)) << release.entry;

    // The switched logs hold whole lines; a last call alone is traced in full.
    for (const std::string& log : logs) ExpectWholeCallLines(ReadLogFile(log));
    const std::string last = dir + "/last.log";
    JNI(setNativeLogFile)(jni.env(), jni.self(), jni.str(last));
    EXPECT_EQ(jni.text(JNI(getVersionNumber)(jni.env(), jni.self())), "getVersionNumber text");
    EXPECT_EQ(ReadLogFile(last), "\nCall " VORLAN_METHOD("GetVersionNumber") " \n"
                                 "\t> API CALL - getVersionNumber\n\t< Result: getVersionNumber text\n");
}

// The progress callback is handed to the proxy by the first aggregate call of
// the process; threads whose first call that is must all see it handed over.
TEST_F(Concurrency, FirstAggregateCallsRacingAllPassTheProgressCallback) {
    c->calls.clear();
    std::atomic<int> ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            FakeJni env;
            ready.fetch_add(1);
            while (ready.load() < kThreads) std::this_thread::yield();
            JNI(aggregate)(env.env(), env.self());
        });
    }
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(c->calls, std::vector<std::string>(kThreads, "aggregate(callback)"));
}

// Java threads that call in while another thread is still loading the engine
// get the fallback or the engine's answer, nothing in between.
TEST(ConcurrencyWhileLoading, CallsRacingTheLoadGetTheFallbackOrTheAnswer) {
    std::atomic<bool> loaded{false};
    std::atomic<int> ready{0};
    std::vector<std::vector<std::string>> answers(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            FakeJni env;
            ready.fetch_add(1);
            do {
                answers[t].push_back(env.text(JNI(getVersionNumber)(env.env(), env.self())));
                answers[t].push_back(std::to_string(JNI(initApi)(env.env(), env.self(), env.str("key"))));
            } while (!loaded.load());
        });
    }
    while (ready.load() < kThreads) std::this_thread::yield();
    FakeJni jni;
    EXPECT_EQ(jni.text(JNI(initJniBridge)(jni.env(), jni.self(), jni.str(FullEngine()))), "OK");
    loaded.store(true);
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t)
        for (size_t i = 0; i < answers[t].size(); i += 2) {
            EXPECT_TRUE(answers[t][i] == "0.0.0" || answers[t][i] == "getVersionNumber text") << answers[t][i];
            EXPECT_TRUE(answers[t][i + 1] == "-1" || answers[t][i + 1] == "0") << answers[t][i + 1];
        }
}
