// Engine lifecycle native methods: deployment, bind key, start, shutdown, log
// levels and version.

#include <string>

#include "engine/Platform.h"
#include "log/Logger.h"
#include "tests/TestSupport.h"

namespace {

std::string Call(const std::string& method) { return "\nCall " VORLAN_METHOD("") + method + " \n"; }

// The exit line ends with the last system error code, which the test cannot
// fix; it is checked to be a number and replaced by '#'.
std::string MaskExitCode(std::string trace) {
    const std::string marker = " result = ";
    for (size_t at = trace.find(marker); at != std::string::npos; at = trace.find(marker, at + 1)) {
        size_t digits = at + marker.size();
        size_t end = digits;
        if (end < trace.size() && trace[end] == '-') ++end;
        while (end < trace.size() && trace[end] >= '0' && trace[end] <= '9') ++end;
        EXPECT_GT(end, digits) << trace;
        trace.replace(digits, end - digits, "#");
    }
    return trace;
}

}  // namespace

class Lifecycle : public BridgeTest {};

TEST_F(Lifecycle, BeforeLoadingEveryMethodTakesItsFallbackAndStillTracesItself) {
    OutputCapture out(2);
    EXPECT_EQ(jni.text(JNI(getVersionNumber)(jni.env(), jni.self())), "0.0.0");
    EXPECT_EQ(JNI(initApi)(jni.env(), jni.self(), jni.str("key")), -1);
    EXPECT_EQ(JNI(initDeploymentInfo)(jni.env(), jni.self()), -1);
    EXPECT_EQ(JNI(getDebugLevel)(jni.env(), jni.self()), 0);
    EXPECT_EQ(MaskExitCode(out.take()),
              Call("GetVersionNumber") +
                  "\tAttempt to call VorlanApi::GetVersionNumber failed because ptr2f is null \n"
                  "\nEnter call initApi() with parameters: \n\t bindKey = key " +
                  Call("InitApi") +
                  "\tAttempt to call VorlanApi::InitApi failed because ptr2f is null \n"
                  "\n\tExit Java_com_vorlanworks_bridge_caller_VorlanBridge_initApi result = # " +
                  Call("InitDeployment") +
                  "\tAttempt to call VorlanApi::InitDeployment failed because ptr2f is null \n" + Call("GetLogLevel") +
                  "\tAttempt to call VorlanApi::GetLogLevel failed because ptr2f is null \n");
}

TEST_F(Lifecycle, StartingTheEngineForwardsTheKeyAndReturnsItsStatus) {
    EngineDoubleControl* engine = LoadEngine();
    engine->statusOf["initApi"] = 5;
    engine->statusOf["initDeploymentInfo"] = -2;
    OutputCapture out(2);
    EXPECT_EQ(JNI(initDeploymentInfo)(jni.env(), jni.self()), -2);
    JNI(setBindKey)(jni.env(), jni.self(), jni.str("bind-\xc3\xa9"));
    EXPECT_EQ(JNI(initApi)(jni.env(), jni.self(), jni.str("bind-\xc3\xa9")), 5);
    EXPECT_EQ(MaskExitCode(out.take()),
              Call("InitDeployment") + "\t> API CALL - initDeploymentInfo\n\t< Result: -2\n" +
                  "\nEnter call SetBindKey() with parameters: \n\t bindKey = bind-\xc3\xa9 " + Call("SetBindKey") +
                  "\t> API CALL - setBindKey\n\t\t bindKey - bind-\xc3\xa9\n\t< Result: void\n"
                  "\n\tExit Java_com_vorlanworks_bridge_caller_VorlanBridge_setBindKey result = # "
                  "\nEnter call initApi() with parameters: \n\t bindKey = bind-\xc3\xa9 " +
                  Call("InitApi") +
                  "\t> API CALL - initApi\n\t\t bindKey - bind-\xc3\xa9\n\t< Result: 5\n"
                  "\n\tExit Java_com_vorlanworks_bridge_caller_VorlanBridge_initApi result = # ");
    EXPECT_EQ(engine->calls, (std::vector<std::string>{"initDeploymentInfo()", "setBindKey(bind-\xc3\xa9)",
                                                        "initApi(bind-\xc3\xa9)"}));
}

TEST_F(Lifecycle, ExitLinesCarryTheSystemErrorCodeNotTheStatus) {
    EngineDoubleControl* engine = LoadEngine();
    engine->statusOf["initApi"] = 1234;
    OutputCapture out(2);
    EXPECT_EQ(JNI(initApi)(jni.env(), jni.self(), jni.str("k")), 1234);
    const std::string trace = out.take();
    const std::string exit = "\n\tExit Java_com_vorlanworks_bridge_caller_VorlanBridge_initApi result = ";
    const size_t at = trace.rfind(exit);
    ASSERT_NE(at, std::string::npos) << trace;
    EXPECT_EQ(trace.substr(trace.size() - 1), " ");
    EXPECT_NE(trace.substr(at + exit.size()), "1234 ");
}

TEST_F(Lifecycle, NullBindKeyNeverReachesTheEngine) {
    EngineDoubleControl* engine = LoadEngine();
    engine->calls.clear();
    OutputCapture out(2);
    JNI(setBindKey)(jni.env(), jni.self(), nullptr);
    EXPECT_EQ(JNI(initApi)(jni.env(), jni.self(), nullptr), -1);
    EXPECT_EQ(out.take(), "\nsetBindKey: argument bindKey is null\n\ninitApi: argument bindKey is null\n");
    EXPECT_TRUE(engine->calls.empty());
}

TEST_F(Lifecycle, FailedConversionOfTheKeyReturnsAtOnce) {
    EngineDoubleControl* engine = LoadEngine();
    engine->calls.clear();
    jni.failStringReads = true;
    expectException = true;
    OutputCapture out(2);
    EXPECT_EQ(JNI(initApi)(jni.env(), jni.self(), jni.str("k")), -1);
    JNI(setBindKey)(jni.env(), jni.self(), jni.str("k"));
    EXPECT_EQ(out.take(), "");
    EXPECT_TRUE(engine->calls.empty());
}

TEST_F(Lifecycle, SetDebugLevelSetsTheBridgeFirstThenTheEngine) {
    EngineDoubleControl* engine = LoadEngine();
    engine->logLevel = 4;
    OutputCapture out(0);
    JNI(setDebugLevel)(jni.env(), jni.self(), 2);
    // The bridge's threshold was raised before the engine call, so that call
    // is traced already.
    JNI(setDebugLevel)(jni.env(), jni.self(), 1);
    EXPECT_EQ(JNI(getDebugLevel)(jni.env(), jni.self()), 4);  // the engine's, not the bridge's
    EXPECT_EQ(out.take(), Call("SetLogLevel") + "\t> API CALL - setLogLevel\n\t\t logLevel - 2\n\t< Result: void\n");
    EXPECT_EQ(engine->calls.back(), "getLogLevel()");
    EXPECT_EQ(engine->calls[engine->calls.size() - 3], "setLogLevel(2)");
    EXPECT_EQ(engine->calls[engine->calls.size() - 2], "setLogLevel(1)");
    EXPECT_EQ(Utils::Logger::g_nLogLevel.load(), 1);
}

TEST_F(Lifecycle, ShutdownLeavesTheEngineLoaded) {
    EngineDoubleControl* engine = LoadEngine();
    engine->textOf["getVersionNumber"] = "7.3.1";
    JNI(shutdownApi)(jni.env(), jni.self());
    JNI(shutdownApp)(jni.env(), jni.self());
    JNI(clearCachedObjects)(jni.env(), jni.self());
    EXPECT_EQ(jni.text(JNI(getVersionNumber)(jni.env(), jni.self())), "7.3.1");
    const std::vector<std::string> tail(engine->calls.end() - 4, engine->calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"shutdownApi()", "shutdownApp()", "clearCachedObjects()",
                                              "getVersionNumber()"}));
}

TEST_F(Lifecycle, VersionTextFromTheEngineReachesJavaAsModifiedUtf8) {
    EngineDoubleControl* engine = LoadEngine();
    engine->textOf["getVersionNumber"] = "v\xf0\x9f\x98\x80-\xff";
    EXPECT_EQ(jni.text(JNI(getVersionNumber)(jni.env(), jni.self())),
              "v\xed\xa0\xbd\xed\xb8\x80-\xef\xbf\xbd");
    engine->nullText.insert("getVersionNumber");
    EXPECT_EQ(jni.text(JNI(getVersionNumber)(jni.env(), jni.self())), "");
}

TEST_F(Lifecycle, FailedStringCreationLeavesTheExceptionPending) {
    LoadEngine();
    jni.failNewStringUTF = true;
    expectException = true;
    EXPECT_EQ(JNI(getVersionNumber)(jni.env(), jni.self()), nullptr);
    EXPECT_TRUE(jni.exceptionPending());
}
