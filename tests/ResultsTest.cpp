// The results methods end to end: initResults, aggregate, hasResults,
// hasUpToDateResults and getDiagnostics through their exported functions.

#include <string>
#include <vector>

#include "bridge/ResultsMethods.h"
#include "engine/Platform.h"
#include "tests/DiagnosticRecords.h"
#include "tests/TestSupport.h"
#include "xml/extras/Serialize.h"

namespace {

#define CALL(method) "\nCall " VORLAN_METHOD(method) " \n"

const char* const kOneDiagnostic =
    "<KOE><KOD><KOM><UMID>id1</UMID><HFL>help.html</HFL><ML>2</ML><MN>12</MN><MT>a &lt; b</MT><P>checker</P>"
    "<R><![CDATA[ref1]]></R></KOM><MH>false</MH><SS>0</SS><SD>false</SD><MP><![CDATA[x]]></MP>"
    "<LI><F>/src/a.c</F><L>10</L><C>5</C></LI></KOD></KOE>";

// The trace of GetDiagnostics for "/src/a.c" up to and including the result.
std::string FetchTrace(int status) {
    return std::string(CALL("GetDiagnostics")) +
           "\t> API CALL - getDiagnostics\n\t\t filepath - /src/a.c\n\t\t messages null? - 1\n"
           "\t\t rules null? - 1\n\t\t mask - 0\n\t< Result: " +
           std::to_string(status) + "\n";
}

std::string ReleaseTrace(int status) {
    return std::string(CALL("FreeDiagnostics")) +
           "\t> API CALL - freeDiagnostics\n\t< Result: " + std::to_string(status) + "\n";
}

// The exit lines carry the last system error code, which varies: masked as #.
std::string MaskExitCode(std::string text) {
    const std::string marker = " result = ";
    const size_t exit = text.find("\n\tExit ");
    if (exit == std::string::npos) return text;
    size_t at = text.find(marker, exit);
    if (at == std::string::npos) return text;
    at += marker.size();
    size_t end = at;
    if (end < text.size() && text[end] == '-') ++end;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    EXPECT_GT(end, at) << text;
    return text.replace(at, end - at, "#");
}

const std::vector<std::string> kNoCalls;

}  // namespace

class GetDiagnostics : public BridgeTest {
protected:
    jbyteArray Fetch(jstring path, jstring messages = nullptr, jstring rules = nullptr, jlong mask = 0) {
        return JNI(getDiagnostics)(jni.env(), jni.self(), path, messages, rules, mask);
    }

    DiagnosticRecords records;
};

TEST_F(GetDiagnostics, ListIsWrittenReleasedAndTheFiltersNeverReachTheEngine) {
    EngineDoubleControl* engine = LoadEngine();
    KoDiagnosticArray_C* list =
        records.List({records.Diagnostic(records.Message("id1", "help.html", 2, "12", "a < b", "checker", {"ref1"}),
                                         {"x"}, {records.Location("/src/a.c", 10, 5)})});
    engine->diagnostics = list;
    engine->statusOf["getDiagnostics"] = 9;  // a failure status: the array still counts
    engine->statusOf["freeDiagnostics"] = 4;

    const int taken = jni.stringsRead();
    OutputCapture out(2);
    jbyteArray xml = Fetch(jni.str("/src/a.c"), jni.str("<KOE></KOE>"), jni.str("rule"), 0x7fffffff01LL);
    EXPECT_EQ(jni.bytes(xml), kOneDiagnostic);
    EXPECT_EQ(out.take(), FetchTrace(9) + "\tDagnostics array size: 1\n" +
                              "Utils:SerializeDiagnosticArray - Attempting to serialize diagArray with size : 1\n" +
                              ReleaseTrace(4));

    EXPECT_EQ(engine->calls,
              (std::vector<std::string>{"getDiagnostics(/src/a.c, <null>, <null>, 0)", "freeDiagnostics()"}));
    ASSERT_EQ(engine->releases.size(), 1u);
    EXPECT_EQ(engine->releases[0].entry, "freeDiagnostics");
    EXPECT_EQ(engine->releases[0].address, engine->filledAddress["getDiagnostics"]);
    EXPECT_EQ(engine->releases[0].pointer, list);
    EXPECT_EQ(jni.stringsRead(), taken + 1);  // messages and rules are never read
}

TEST_F(GetDiagnostics, NoResultsGiveAnEmptyArrayAndTheReleaseStillHappens) {
    EngineDoubleControl* engine = LoadEngine();
    // The engine hands out nothing: the release gets the address of a null pointer.
    OutputCapture out(2);
    EXPECT_EQ(jni.bytes(Fetch(jni.str("/src/a.c"))), "");
    EXPECT_EQ(out.take(), FetchTrace(0) + ReleaseTrace(0));
    ASSERT_EQ(engine->releases.size(), 1u);
    EXPECT_EQ(engine->releases[0].address, engine->filledAddress["getDiagnostics"]);
    EXPECT_NE(engine->releases[0].address, nullptr);
    EXPECT_EQ(engine->releases[0].pointer, nullptr);

    // An empty array is sized, not written, and released.
    KoDiagnosticArray_C* empty = records.List({});
    engine->diagnostics = empty;
    OutputCapture second(2);
    EXPECT_EQ(jni.bytes(Fetch(jni.str("/src/a.c"))), "");
    EXPECT_EQ(second.take(), FetchTrace(0) + "\tDagnostics array size: 0\n" + ReleaseTrace(0));
    ASSERT_EQ(engine->releases.size(), 2u);
    EXPECT_EQ(engine->releases[1].pointer, empty);
}

TEST_F(GetDiagnostics, MissingEntryGivesAnEmptyArrayWithoutRelease) {
    EngineDoubleControl* engine = LoadEngine(PartialEngine());
    OutputCapture out(2);
    jbyteArray xml = Fetch(jni.str("/src/a.c"));
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(jni.bytes(xml), "");
    EXPECT_EQ(out.take(), std::string(CALL("GetDiagnostics")) +
                              "\tAttempt to call VorlanApi::GetDiagnostics failed because ptr2f is null \n");
    EXPECT_EQ(engine->calls, kNoCalls);
    EXPECT_TRUE(engine->releases.empty());
}

TEST_F(GetDiagnostics, NullPathIsRefusedWithoutCallingTheEngine) {
    EngineDoubleControl* engine = LoadEngine();
    OutputCapture out(2);
    jbyteArray xml = Fetch(nullptr, jni.str("m"), jni.str("r"), 3);
    ASSERT_NE(xml, nullptr);
    EXPECT_EQ(jni.bytes(xml), "");
    EXPECT_EQ(out.take(), "\ngetDiagnostics: argument filePath is null\n");
    EXPECT_EQ(engine->calls, kNoCalls);
}

TEST_F(GetDiagnostics, FailedJniCallsReturnNullWithTheExceptionPending) {
    EngineDoubleControl* engine = LoadEngine();
    engine->diagnostics = records.List({records.Diagnostic(records.Message("i", "h", 1, "n", "t", "p"))});
    expectException = true;

    // The records go back to the engine before the array is made.
    jni.failNewByteArray = true;
    EXPECT_EQ(Fetch(jni.str("/src/a.c")), nullptr);
    EXPECT_TRUE(jni.exceptionPending());
    ASSERT_EQ(engine->releases.size(), 1u);
    EXPECT_EQ(engine->releases[0].pointer, engine->diagnostics);

    // A path that cannot be converted: no engine call, nothing logged.
    jni.failStringReads = true;
    OutputCapture out(2);
    EXPECT_EQ(Fetch(jni.str("/src/a.c")), nullptr);
    EXPECT_EQ(out.take(), "");
    EXPECT_EQ(engine->calls.size(), 2u);
}

TEST_F(GetDiagnostics, DeepTreeTravelsWholeOnASmallStack) {
    EngineDoubleControl* engine = LoadEngine();
    constexpr int kDepth = 100000;
    DiagnosticStruct* below = nullptr;
    for (int i = 0; i < kDepth; ++i)
        below = records.Diagnostic(
            records.Message("u", "h", 1, "n", "t", "p"), {}, {},
            below != nullptr ? std::vector<DiagnosticStruct*>{below} : std::vector<DiagnosticStruct*>{});
    engine->diagnostics = records.List({below});

    std::string xml;
    jstring path = jni.str("/deep.c");
    RunOnSmallStack([&] { xml = jni.bytes(Fetch(path)); });
    const std::string expected = Utils::SerializeDiagnosticArray(engine->diagnostics);
    size_t levels = 0;
    for (size_t at = expected.find("<KOD>"); at != std::string::npos; at = expected.find("<KOD>", at + 1)) ++levels;
    EXPECT_EQ(levels, static_cast<size_t>(kDepth));
    EXPECT_TRUE(xml == expected);
    EXPECT_EQ(engine->releases.size(), 1u);
}

class InitResults : public BridgeTest {
protected:
    jlong Init(jstring bindKey, jstring location, jstring name) {
        return JNI(initResults)(jni.env(), jni.self(), bindKey, location, name);
    }
};

TEST_F(InitResults, ForwardsTheThreeStringsAndReturnsTheStatusSignExtended) {
    EngineDoubleControl* engine = LoadEngine();
    engine->statusOf["initResults"] = -5;
    OutputCapture out(2);
    EXPECT_EQ(Init(jni.str("key"), jni.str("/projects"), jni.str("demo")), -5);
    EXPECT_EQ(MaskExitCode(out.take()),
              std::string("\nEnter call initResultst() with parameters: \n\t bindKey = key \n\t location = /projects "
                          "\n\t name = demo") +
                  CALL("InitResults") +
                  "\t> API CALL - initResults\n\t\t bindKey - key\n\t\t location - /projects\n\t\t name - demo\n"
                  "\t< Result: -5\n"
                  "\n\tExit Java_com_vorlanworks_bridge_caller_VorlanBridge_initResults result = # ");
    EXPECT_EQ(engine->calls, (std::vector<std::string>{"initResults(key, /projects, demo)"}));
}

TEST_F(InitResults, MissingEntryReturnsMinusOneAndTheExitLineFollows) {
    OutputCapture out(2);
    EXPECT_EQ(Init(jni.str("k"), jni.str("l"), jni.str("n")), -1);
    EXPECT_EQ(
        MaskExitCode(out.take()),
        std::string("\nEnter call initResultst() with parameters: \n\t bindKey = k \n\t location = l \n\t name = n") +
            CALL("InitResults") + "\tAttempt to call VorlanApi::InitResults failed because ptr2f is null \n" +
            "\n\tExit Java_com_vorlanworks_bridge_caller_VorlanBridge_initResults result = # ");
}

TEST_F(InitResults, NullOrUnconvertibleArgumentsAreRefused) {
    EngineDoubleControl* engine = LoadEngine();
    OutputCapture out(2);
    EXPECT_EQ(Init(jni.str("k"), nullptr, nullptr), -1);
    EXPECT_EQ(out.take(), "\ninitResults: argument location is null\n\ninitResults: argument name is null\n");
    EXPECT_EQ(jni.outstandingUtfChars(), 0);

    expectException = true;
    jni.failStringReads = true;
    EXPECT_EQ(Init(jni.str("k"), jni.str("l"), jni.str("n")), -1);
    EXPECT_EQ(engine->calls, kNoCalls);
}

class Aggregate : public BridgeTest {};

TEST_F(Aggregate, RegistersTheProgressCallbackOnceAndLogsEachReport) {
    EngineDoubleControl* engine = LoadEngine();
    engine->progress = {0, 50, 100};
    OutputCapture out(2);
    JNI(aggregate)(jni.env(), jni.self());
    const std::string trace = std::string(CALL("Aggregate")) +
                              "\t> API CALL - aggregate\nAggregate progress is 0\nAggregate progress is 50\n"
                              "Aggregate progress is 100\n\t< Result: void\n";
    EXPECT_EQ(out.take(), trace);
    EXPECT_EQ(engine->lastCallback, &genericProgressFunction);

    engine->lastCallback = nullptr;
    OutputCapture second(2);
    JNI(aggregate)(jni.env(), jni.self());
    EXPECT_EQ(second.take(), trace);
    EXPECT_EQ(engine->lastCallback, &genericProgressFunction);
    EXPECT_EQ(engine->calls, (std::vector<std::string>{"aggregate(callback)", "aggregate(callback)"}));
}

TEST_F(Aggregate, CallbackStoredWhileTheEntryIsMissingServesLaterCalls) {
    OutputCapture out(2);
    JNI(aggregate)(jni.env(), jni.self());
    EXPECT_EQ(out.take(), std::string(CALL("Aggregate")) +
                              "\tAttempt to call VorlanApi::aggregate failed because ptr2f is null \n");
    EngineDoubleControl* engine = LoadEngine();
    JNI(aggregate)(jni.env(), jni.self());
    EXPECT_EQ(engine->lastCallback, &genericProgressFunction);
}

class HasResults : public BridgeTest {
protected:
    jboolean Has(jstring path) { return JNI(hasResults)(jni.env(), jni.self(), path); }
    jboolean UpToDate(jstring path) { return JNI(hasUpToDateResults)(jni.env(), jni.self(), path); }
};

TEST_F(HasResults, AnyNonZeroByteIsYes) {
    EngineDoubleControl* engine = LoadEngine();
    engine->hasResults = 2;
    engine->hasUptoDateResults = 0;
    OutputCapture out(2);
    EXPECT_EQ(Has(jni.str("/a.c")), JNI_TRUE);
    EXPECT_EQ(UpToDate(jni.str("/a.c")), JNI_FALSE);
    EXPECT_EQ(out.take(), std::string("\nEnter call HasResults() with parameters: \n\t filePath = /a.c ") +
                              CALL("HasResults") +
                              "\t> API CALL - hasResults\n\t\t sourceFile - /a.c\n\t< Result: 2\n" +
                              "\nEnter call HasUpToDateResults() with parameters: \n\t filePath = /a.c " +
                              CALL("HasUpToDateResults") +
                              "\t> API CALL - hasUptoDateResults\n\t\t sourceFile - /a.c\n" + "\t< Result: 0\n");
    engine->hasUptoDateResults = 1;
    EXPECT_EQ(UpToDate(jni.str("/a.c")), JNI_TRUE);
    EXPECT_EQ(engine->calls,
              (std::vector<std::string>{"hasResults(/a.c)", "hasUptoDateResults(/a.c)", "hasUptoDateResults(/a.c)"}));
}

TEST_F(HasResults, MissingEntriesAnswerNo) {
    LoadEngine(PartialEngine());  // has hasResults, lacks hasUptoDateResults
    OutputCapture out(2);
    EXPECT_EQ(UpToDate(jni.str("/a.c")), JNI_FALSE);
    EXPECT_EQ(out.take(), std::string("\nEnter call HasUpToDateResults() with parameters: \n\t filePath = /a.c ") +
                              CALL("HasUpToDateResults") +
                              "\tAttempt to call VorlanApi::HasUpToDateResults failed because ptr2f is null \n");
    EXPECT_EQ(Has(jni.str("/a.c")), JNI_TRUE);
}

TEST_F(HasResults, NullPathIsRefused) {
    EngineDoubleControl* engine = LoadEngine();
    OutputCapture out(1);
    EXPECT_EQ(Has(nullptr), JNI_FALSE);
    EXPECT_EQ(UpToDate(nullptr), JNI_FALSE);
    EXPECT_EQ(out.take(), "\nhasResults: argument filePath is null\n\nhasUpToDateResults: argument filePath is null\n");
    EXPECT_EQ(engine->calls, kNoCalls);
}
