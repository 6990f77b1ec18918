// Start-up: the proxy singleton, loading the engine and resolving its entry
// points, initJniBridge, setNativeLogFile and fileExists.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "bridge/FileExists.h"
#include "engine/Platform.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"
#include "tests/TestSupport.h"

using Utils::Logger;

namespace {

const char* const kEntryNames[] = {
#define VORLAN_ENTRY_NAME(name, result, params) #name,
    VORLAN_ENTRY_POINTS(VORLAN_ENTRY_NAME)
#undef VORLAN_ENTRY_NAME
};

#ifdef _WIN32
const char* const kInitCall = "\nCall VorlanApi::InitVorlanApi\n";
const char* const kFailurePrefix = "Failed to load Vorlan.dll: ";
#else
const char* const kInitCall = "\nCall InitVorlanApi\n";
const char* const kFailurePrefix = "Failed to load libVorlan.so: ";
#endif

// The trace of a successful load of a library lacking `missing`.
std::string LoadTrace(const std::string& path, const std::vector<std::string>& missing, int level) {
    std::string trace = kInitCall;
    trace += "\tTrying to load from: " + path + " \n";
    for (const char* name : kEntryNames) {
        bool isMissing = false;
        for (const std::string& m : missing) isMissing = isMissing || m == name;
        if (level >= 2) trace += std::string("LoadProcAddress for ") + name + "\n";
        if (isMissing) {
            trace += std::string("[Fail] find function entry for ") + name + "\n";
        } else if (level >= 2) {
            trace += std::string("[Success] find function entry for ") + name + " and prt ";
            trace += "#\n";  // the address varies; compared masked
        }
    }
    return level >= 2 ? trace : trace.substr(trace.find('['));
}

// Replaces the decimal addresses of the "[Success]" lines by '#'.
std::string MaskAddresses(std::string text) {
    const std::string marker = " and prt ";
    for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1)) {
        size_t digits = at + marker.size();
        size_t end = digits;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        EXPECT_GT(end, digits);
        text.replace(digits, end - digits, "#");
    }
    return text;
}

const std::vector<std::string> kPartialMissing = {"setBindKey",  "getWorkspace",    "isTivraProject",
                                                  "freeKoFile",  "getDiagnostics",  "freeTrees",
                                                  "hasUptoDateResults"};

}  // namespace

TEST(VorlanApiInstance, RacingFirstCallsShareOneInstanceAndOneLoad) {
    std::vector<std::thread> threads;
    std::vector<VorlanApi*> seen(8, nullptr);
    std::vector<std::string> answers(8);
    OutputCapture out(1);
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            seen[t] = VorlanApi::GetInstance();
            answers[t] = seen[t]->InitVorlanApi(PartialEngine().c_str());
        });
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < 8; ++t) {
        EXPECT_EQ(seen[t], seen[0]);
        EXPECT_EQ(answers[t], "");
    }
    // The library was resolved once: one set of "[Fail]" lines.
    EXPECT_EQ(out.take(), LoadTrace(PartialEngine(), kPartialMissing, 1));
}

TEST(InitVorlanApi, ResolvesAllEntriesInTableOrder) {
    OutputCapture out(2);
    EXPECT_EQ(VorlanApi::GetInstance()->InitVorlanApi(FullEngine().c_str()), "");
    EXPECT_EQ(MaskAddresses(out.take()), LoadTrace(FullEngine(), {}, 2));
}

TEST(InitVorlanApi, PartialLibraryLoadsAndLogsEachMissingNameInTableOrder) {
    OutputCapture out(2);
    EXPECT_EQ(VorlanApi::GetInstance()->InitVorlanApi(PartialEngine().c_str()), "");
    EXPECT_EQ(MaskAddresses(out.take()), LoadTrace(PartialEngine(), kPartialMissing, 2));
}

TEST(InitVorlanApi, ThresholdOneShowsOnlyTheFailLines) {
    OutputCapture out(1);
    EXPECT_EQ(VorlanApi::GetInstance()->InitVorlanApi(PartialEngine().c_str()), "");
    EXPECT_EQ(out.take(), LoadTrace(PartialEngine(), kPartialMissing, 1));
    OutputCapture full(1);
    EXPECT_EQ(VorlanApi::GetInstance()->InitVorlanApi(FullEngine().c_str()), "");
    EXPECT_EQ(full.take(), "");
}

TEST(InitVorlanApi, MissingFileFailsWithTheBuildsTextAndCanBeRetried) {
    const std::string missing = TestDirectory() + "/no-such-engine.bin";
    VorlanApi* api = VorlanApi::GetInstance();
    OutputCapture out(2);
    const std::string failure = api->InitVorlanApi(missing.c_str());
    EXPECT_EQ(failure.rfind(kFailurePrefix, 0), 0u) << failure;
    EXPECT_GT(failure.size(), std::string(kFailurePrefix).size());
    EXPECT_EQ(out.take(), std::string(kInitCall) + "\tTrying to load from: " + missing + " \n");
    // Still unloaded: every entry is missing.
    OutputCapture unloaded(1);
    EXPECT_EQ(api->InitApi("key"), -1);
    EXPECT_EQ(unloaded.take(), "\tAttempt to call VorlanApi::InitApi failed because ptr2f is null \n");
    EXPECT_EQ(api->InitVorlanApi(FullEngine().c_str()), "");
}

TEST(InitVorlanApi, SecondCallIsANoOpWhateverThePath) {
    VorlanApi* api = VorlanApi::GetInstance();
    ASSERT_EQ(api->InitVorlanApi(FullEngine().c_str()), "");
    OutputCapture out(2);
    EXPECT_EQ(api->InitVorlanApi("/no/such/library"), "");
    EXPECT_EQ(out.take(), kInitCall);
}

TEST(InitVorlanApi, LoadProcAddressReportsWhatItFound) {
    VorlanApi* api = VorlanApi::GetInstance();
    ASSERT_EQ(api->InitVorlanApi(PartialEngine().c_str()), "");
    OutputCapture out(2);
    void* entry = reinterpret_cast<void*>(1);
    EXPECT_FALSE(api->LoadProcAddress(entry, "getDiagnostics"));
    EXPECT_EQ(entry, nullptr);
    EXPECT_TRUE(api->LoadProcAddress(entry, "getTrees"));
    EXPECT_NE(entry, nullptr);
    EXPECT_EQ(MaskAddresses(out.take()),
              "LoadProcAddress for getDiagnostics\n[Fail] find function entry for getDiagnostics\n"
              "LoadProcAddress for getTrees\n[Success] find function entry for getTrees and prt #\n");
}

class InitJniBridge : public BridgeTest {};

TEST_F(InitJniBridge, NullPathAsksForAPathAndLogsOnlyTheEnterLine) {
    OutputCapture out(2);
    jstring answer = JNI(initJniBridge)(jni.env(), jni.self(), nullptr);
    EXPECT_EQ(jni.text(answer), "Please select a path for Vorlan.dll file!");
    EXPECT_EQ(out.take(), "\nEnter initJniBridge \n");
}

TEST_F(InitJniBridge, FailedLoadIsLoggedAndReturnedThenRetrySucceedsThenNoReload) {
    const std::string missing = TestDirectory() + "/absent.so";
    OutputCapture out(1);
    jstring first = JNI(initJniBridge)(jni.env(), jni.self(), jni.str(missing));
    const std::string failure = jni.text(first);
    EXPECT_EQ(failure.rfind(kFailurePrefix, 0), 0u) << failure;
    EXPECT_EQ(out.take(), failure + "\n");

    OutputCapture second(2);
    EXPECT_EQ(jni.text(JNI(initJniBridge)(jni.env(), jni.self(), jni.str(FullEngine()))), "OK");
    const std::string trace = MaskAddresses(second.take());
    EXPECT_EQ(trace, "\nEnter initJniBridge \ninitJniBridge: call InitVorlanApi() \n" +
                         LoadTrace(FullEngine(), {}, 2) + "\nExit initJniBridge \n");

    OutputCapture third(2);
    EXPECT_EQ(jni.text(JNI(initJniBridge)(jni.env(), jni.self(), jni.str("/elsewhere"))), "OK");
    EXPECT_EQ(third.take(), std::string("\nEnter initJniBridge \ninitJniBridge: call InitVorlanApi() \n") +
                                kInitCall + "\nExit initJniBridge \n");
    // Each call reads its path twice: as the trace's text and as the loader's path.
    EXPECT_EQ(jni.stringsRead(), 6);
}

TEST_F(InitJniBridge, LibraryWithNoEntryIsNotAnEngineAndTheEngineLoadsAfterIt) {
    // The bridge itself exports none of the engine's names.
    const std::string none = TestLibrary("VorlanBridge");
    OutputCapture out(1);
    const std::string failure = jni.text(JNI(initJniBridge)(jni.env(), jni.self(), jni.str(none)));
    EXPECT_EQ(failure, kFailurePrefix + none + ": none of the engine's entry points is exported");
    const std::vector<std::string> all(std::begin(kEntryNames), std::end(kEntryNames));
    EXPECT_EQ(out.take(), LoadTrace(none, all, 1) + failure + "\n");
    EXPECT_FALSE(LibraryIsLoaded(none)) << "closed again";

    OutputCapture retry(2);
    EXPECT_EQ(jni.text(JNI(initJniBridge)(jni.env(), jni.self(), jni.str(FullEngine()))), "OK");
    EXPECT_EQ(MaskAddresses(retry.take()), "\nEnter initJniBridge \ninitJniBridge: call InitVorlanApi() \n" +
                                               LoadTrace(FullEngine(), {}, 2) + "\nExit initJniBridge \n");
}

TEST_F(InitJniBridge, EngineLogFileAndFileChecksInAFolderNamedOutsideAscii) {
    const JavaNamedPath dir = NonAsciiDirectory();
    const JavaNamedPath engine = dir / std::filesystem::path(FullEngine()).filename().string();
    const JavaNamedPath log = dir / "bridge.log";
    std::filesystem::copy_file(FullEngine(), engine.native);

    JNI(setNativeLogFile)(jni.env(), jni.self(), jni.str(log.java));
    Logger::SetLogLevel(2);
    ASSERT_EQ(jni.text(JNI(initJniBridge)(jni.env(), jni.self(), jni.str(engine.java))), "OK");
    EXPECT_EQ(JNI(addCCT)(jni.env(), jni.self(), jni.str(engine.java)), 0);
    EXPECT_EQ(JNI(createProject)(jni.env(), jni.self(), jni.str(dir.java), jni.str("p"), jni.str(engine.java),
                                 jni.str(engine.java), jni.str(engine.java)),
              0);
    Logger::SetLogLevel(0);

    // The traces and the engine keep the Java string's modified UTF-8.
    const std::string trace = ReadLogFile(log.native);
    for (const std::string& line : {"\tTrying to load from: " + engine.java + " \n",
                                    "\nFile " + engine.java + " exists!", "\nDirector " + dir.java + " exists"})
        EXPECT_NE(trace.find(line), std::string::npos) << line << " in\n" << trace;
    EXPECT_EQ(trace.find("NOT exists"), std::string::npos) << trace;
    EngineDoubleControl* control = EngineControl(engine.native);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->calls.front(), "addCCT(" + engine.java + ")");
}

#ifdef _WIN32
TEST_F(InitJniBridge, TheEnginesOwnFolderIsSearchedForTheDllsItNeeds) {
    const JavaNamedPath dir = NonAsciiDirectory();
    const std::filesystem::path built = std::filesystem::path(TestLibrary("Vorlan")).parent_path() /
                                        "engine-with-dependency";
    for (const char* name : {"VorlanNeedsDependency.dll", "VorlanDependency.dll"})
        std::filesystem::copy_file(built / name, dir.native / name);
    EXPECT_EQ(jni.text(JNI(initJniBridge)(jni.env(), jni.self(), jni.str((dir / "VorlanNeedsDependency.dll").java))),
              "OK");
}
#endif

TEST_F(InitJniBridge, EmptyPathFailsAsAMissingFileDoesAndARetryLoads) {
    // The text a missing file gets, without the path it names.
    const std::string missing = TestDirectory() + "/absent.so";
    std::string expected = jni.text(JNI(initJniBridge)(jni.env(), jni.self(), jni.str(missing)));
    const size_t at = expected.find(missing);
    if (at != std::string::npos) expected.erase(at, missing.size());
    ASSERT_EQ(expected.rfind(kFailurePrefix, 0), 0u) << expected;

    OutputCapture out(1);
    EXPECT_EQ(jni.text(JNI(initJniBridge)(jni.env(), jni.self(), jni.str(""))), expected);
    EXPECT_EQ(out.take(), expected + "\n");

    OutputCapture retry(2);
    EXPECT_EQ(jni.text(JNI(initJniBridge)(jni.env(), jni.self(), jni.str(FullEngine()))), "OK");
    EXPECT_EQ(MaskAddresses(retry.take()), "\nEnter initJniBridge \ninitJniBridge: call InitVorlanApi() \n" +
                                               LoadTrace(FullEngine(), {}, 2) + "\nExit initJniBridge \n");
}

TEST_F(InitJniBridge, FailedConversionReturnsAtOnceWithTheExceptionPending) {
    expectException = true;
    jni.failStringReads = true;
    OutputCapture out(2);
    EXPECT_EQ(JNI(initJniBridge)(jni.env(), jni.self(), jni.str(FullEngine())), nullptr);
    EXPECT_EQ(out.take(), "\nEnter initJniBridge \ninitJniBridge: call InitVorlanApi() \n");
    EXPECT_TRUE(jni.exceptionPending());
}

TEST_F(InitJniBridge, FailureTextWithBytesFromAnyPathReachesJavaAsModifiedUtf8) {
    // A path that is not valid modified UTF-8 (here a bare 0xFF byte) ends up
    // in the loader's message; Java must still get a valid string.
    const std::string odd = TestDirectory() + "/\xFF\xF0\x9F\x98\x80.so";
    const std::string failure = jni.text(JNI(initJniBridge)(jni.env(), jni.self(), jni.str(odd)));
    EXPECT_EQ(failure.rfind(kFailurePrefix, 0), 0u);
    EXPECT_TRUE(IsValidModifiedUtf8(failure)) << failure;
}

class SetNativeLogFile : public BridgeTest {};

TEST_F(SetNativeLogFile, EmptiesTheFileAndLaterLinesAreAppended) {
    const std::string file = TestDirectory() + "/bridge.log";
    WriteFile(file, "previous run\n");
    OutputCapture out(0);
    JNI(setNativeLogFile)(jni.env(), jni.self(), jni.str(file));
    EXPECT_EQ(ReadLogFile(file), "");
    Logger::SetLogLevel(2);
    JNI(initJniBridge)(jni.env(), jni.self(), nullptr);
    EXPECT_EQ(ReadLogFile(file), "\nEnter initJniBridge \n");
    EXPECT_EQ(out.take(), "");
}

TEST_F(SetNativeLogFile, NullChangesNothing) {
    const std::string file = TestDirectory() + "/kept.log";
    JNI(setNativeLogFile)(jni.env(), jni.self(), jni.str(file));
    Logger::SetLogLevel(2);
    JNI(setNativeLogFile)(jni.env(), jni.self(), nullptr);
    EXPECT_EQ(Logger::LogFile(), file);
    EXPECT_EQ(ReadLogFile(file), "\nsetNativeLogFile: argument path is null\n");
}

namespace {
void fileExists(const std::string& path, int isDirectory) {
    ::fileExists(path.c_str(), Platform::PathFromNarrow(path.c_str()), isDirectory);
}
}  // namespace

namespace {

// Runs `work` on a thread of its own; false when it has not finished within
// `seconds` (the thread is then left to itself).
bool FinishesWithin(std::function<void()> work, double seconds) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    std::thread([work, done] {
        work();
        done->set_value();
    }).detach();
    return finished.wait_for(std::chrono::duration<double>(seconds)) == std::future_status::ready;
}

// Traced calls (level 2) from `threads` threads at once, each with its own
// JNI environment: getCurrentLanguage of the unloaded proxy writes two lines.
void TraceFromThreads(int threads, int calls) {
    std::vector<std::thread> running;
    for (int t = 0; t < threads; ++t)
        running.emplace_back([calls] {
            FakeJni own;
            for (int i = 0; i < calls; ++i) JNI(getCurrentLanguage)(own.env(), own.self());
        });
    for (std::thread& thread : running) thread.join();
}

// What one traced call writes: two lines.
const std::string kCallLine = std::string("\nCall ") + VORLAN_METHOD("GetCurrentLanguage") + " \n";
const std::string kFallbackLine = "\tAttempt to call VorlanApi::GetCurrentLanguage failed because ptr2f is null \n";
const std::string kTracedCall = kCallLine + kFallbackLine;

// Whether `text` is whole lines of traced calls and nothing else (the lines
// of several threads may alternate).
bool WholeTracedLines(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        if (text.compare(at, kCallLine.size(), kCallLine) == 0)
            at += kCallLine.size();
        else if (text.compare(at, kFallbackLine.size(), kFallbackLine) == 0)
            at += kFallbackLine.size();
        else
            return false;
    }
    return true;
}

// Whether `condition` comes true within five seconds.
bool Eventually(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void WaitForRecheck() { std::this_thread::sleep_for(std::chrono::milliseconds(Logger::kRecheckMilliseconds + 50)); }

}  // namespace

TEST_F(SetNativeLogFile, TargetsThatCannotTakeLinesDropThemAndHoldNoTraceUp) {
    const std::string dir = TestDirectory();
    struct Row {
        const char* what;
        std::string path;
    };
    std::filesystem::remove_all(dir + "/missing");
    std::vector<Row> rows = {{"a directory", dir}, {"a missing folder", dir + "/missing/bridge.log"}};
#ifdef _WIN32
    rows.push_back({"a pipe without a server", "\\\\.\\pipe\\vorlan-test-no-server"});
#else
    rows.push_back({"a FIFO without a reader", dir + "/fifo"});
    unlink(rows.back().path.c_str());
    ASSERT_EQ(mkfifo(rows.back().path.c_str(), 0600), 0);
    rows.push_back({"a full device", "/dev/full"});
#endif
    for (const Row& row : rows) {
        OutputCapture out(2);
        const jstring path = jni.str(row.path);
        EXPECT_TRUE(FinishesWithin([&] { JNI(setNativeLogFile)(jni.env(), jni.self(), path); }, 5)) << row.what;
        EXPECT_TRUE(FinishesWithin([] { TraceFromThreads(4, 200); }, 10)) << row.what;
        EXPECT_EQ(out.take(), "") << row.what;
        EXPECT_EQ(Logger::LogFile(), row.path) << row.what;
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir));

    // The name is kept: once it can be opened, lines go there.
    JNI(setNativeLogFile)(jni.env(), jni.self(), jni.str(dir + "/missing/bridge.log"));
    TraceFromThreads(1, 1);
    std::filesystem::create_directory(dir + "/missing");
    WaitForRecheck();
    TraceFromThreads(1, 1);
    EXPECT_EQ(ReadLogFile(dir + "/missing/bridge.log"), kTracedCall);
}

#ifndef _WIN32
TEST_F(SetNativeLogFile, FifoTakesLinesOnceItHasAReaderAndDropsThemWhenTheReaderLeaves) {
    const std::string fifo = TestDirectory() + "/fifo";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    JNI(setNativeLogFile)(jni.env(), jni.self(), jni.str(fifo));
    Logger::SetLogLevel(2);
    TraceFromThreads(1, 3);  // dropped: no reader

    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    WaitForRecheck();
    // The first line opens the FIFO; lines that race that opening may still be
    // dropped, as for any target not open yet. From then on none is lost.
    TraceFromThreads(1, 1);
    TraceFromThreads(2, 5);
    std::string got(16 * kTracedCall.size(), '\0');
    const ssize_t n = read(reader, &got[0], got.size());
    ASSERT_GT(n, 0);
    got.resize(static_cast<size_t>(n));
    EXPECT_EQ(got.size(), 11 * kTracedCall.size());
    EXPECT_TRUE(WholeTracedLines(got)) << got;

    // The reader leaves: the next lines fail with EPIPE, and the process,
    // which keeps SIGPIPE's default action, goes on.
    close(reader);
    EXPECT_TRUE(FinishesWithin([] { TraceFromThreads(4, 100); }, 10));
    WaitForRecheck();
    EXPECT_TRUE(FinishesWithin([] { TraceFromThreads(4, 100); }, 10));
}
#endif

TEST_F(SetNativeLogFile, FollowsTheFileWhenItIsRenamedDeletedOrTruncatedWhileTracesRun) {
    const std::filesystem::path dir = TestDirectory();
    const std::filesystem::path file = dir / "trace.log";
    JNI(setNativeLogFile)(jni.env(), jni.self(), jni.str(file.string()));
    Logger::SetLogLevel(2);
    std::atomic<bool> stop{false};
    std::vector<std::thread> tracing;
    for (int t = 0; t < 3; ++t)
        tracing.emplace_back([&stop] {
            while (!stop.load()) {
                JNI(getCurrentLanguage)(nullptr, nullptr);
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
    const auto exists = [&] { return std::filesystem::exists(file); };
    ASSERT_TRUE(Eventually(exists));
    std::filesystem::rename(file, dir / "trace.log.1");
    EXPECT_TRUE(Eventually(exists)) << "not followed after a rename";

    // On Windows a deleted file still held open may keep its name for a while
    // (under wine until its last handle closes): the file at the name must be
    // a new one. Told by its size, so that the test holds no handle to it.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const std::uintmax_t before = std::filesystem::file_size(file);
    std::filesystem::remove(file);
    EXPECT_TRUE(Eventually([&] {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(file, error);
        return !error && size < before;
    })) << "not followed after a delete";
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::filesystem::resize_file(file, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    stop = true;
    for (std::thread& thread : tracing) thread.join();

    const std::string renamed = ReadLogFile(dir / "trace.log.1");
    const std::string current = ReadLogFile(file);
    EXPECT_FALSE(renamed.empty());
    EXPECT_TRUE(WholeTracedLines(renamed)) << renamed;
    // Written from the new end after the truncation, not at the old offset
    // with a hole of NUL bytes before it.
    EXPECT_FALSE(current.empty());
    EXPECT_TRUE(WholeTracedLines(current)) << current;
}

TEST(FileExists, TracesFilesAndDirectories) {
    const std::string dir = TestDirectory();
    const std::string file = dir + "/present.txt";
    WriteFile(file, "x");
    OutputCapture out(2);
    fileExists(file, 0);
    fileExists(dir, 1);
    fileExists(file, 1);
    fileExists(dir + "/gone", 1);
    EXPECT_EQ(out.take(), "\nFile " + file + " exists!" + "\nDirector " + dir + " exists" + "\nDirector " + file +
                              " NOT exists" + "\nDirector " + dir + "/gone NOT exists");
}

TEST(FileExists, MissingFileIsAnErrorLineWithTheSystemCode) {
    const std::string missing = TestDirectory() + "/absent.acf";
    OutputCapture out(1);
    fileExists(missing, 0);
    const std::string line = out.take();
    const std::string prefix = "\nFile " + missing + " NOT exists! Returned error code ";
    ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
    const std::string code = line.substr(prefix.size());
    EXPECT_FALSE(code.empty());
    EXPECT_EQ(code.find_first_not_of("0123456789"), std::string::npos) << code;
    EXPECT_NE(code, "0");
}
