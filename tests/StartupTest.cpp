// Start-up: the proxy singleton, loading the engine and resolving its entry
// points, initJniBridge, setNativeLogFile and fileExists.

#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "bridge/FileExists.h"
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

TEST(InitVorlanApi, LibraryWithNoEntryLoadsAndEveryNameFallsBack) {
    // The bridge itself exports none of the engine's names.
    const std::string none = TestLibrary("VorlanBridge");
    std::vector<std::string> all(std::begin(kEntryNames), std::end(kEntryNames));
    VorlanApi* api = VorlanApi::GetInstance();
    OutputCapture out(1);
    EXPECT_EQ(api->InitVorlanApi(none.c_str()), "");
    EXPECT_EQ(out.take(), LoadTrace(none, all, 1));
    OutputCapture call(1);
    EXPECT_EQ(api->InitApi("key"), -1);
    EXPECT_EQ(call.take(), "\tAttempt to call VorlanApi::InitApi failed because ptr2f is null \n");
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
    EXPECT_EQ(jni.utfCharsTaken(), 3);
}

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
    jni.failGetStringUTFChars = true;
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

TEST(FileExists, TracesFilesAndDirectories) {
    const std::string dir = TestDirectory();
    const std::string file = dir + "/present.txt";
    WriteFile(file, "x");
    OutputCapture out(2);
    fileExists(file.c_str(), 0);
    fileExists(dir.c_str(), 1);
    fileExists(file.c_str(), 1);
    fileExists((dir + "/gone").c_str(), 1);
    EXPECT_EQ(out.take(), "\nFile " + file + " exists!" + "\nDirector " + dir + " exists" + "\nDirector " + file +
                              " NOT exists" + "\nDirector " + dir + "/gone NOT exists");
}

TEST(FileExists, MissingFileIsAnErrorLineWithTheSystemCode) {
    const std::string missing = TestDirectory() + "/absent.acf";
    OutputCapture out(1);
    fileExists(missing.c_str(), 0);
    const std::string line = out.take();
    const std::string prefix = "\nFile " + missing + " NOT exists! Returned error code ";
    ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
    const std::string code = line.substr(prefix.size());
    EXPECT_FALSE(code.empty());
    EXPECT_EQ(code.find_first_not_of("0123456789"), std::string::npos) << code;
    EXPECT_NE(code, "0");
}
