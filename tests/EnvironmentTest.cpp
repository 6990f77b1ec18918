// Environment and settings entry points end to end: paths, workspace,
// languages, CMA projects, report tools, help, components, user library.

#include <string>
#include <vector>

#include "tests/ProjectRecords.h"
#include "tests/TestSupport.h"
#include "tests/TraceText.h"

namespace {

using Tokens = std::vector<std::string>;
typedef jstring(JNICALL* TextMethod)(JNIEnv*, jobject);

const struct {
    TextMethod method;
    const char* entry;     // the engine entry it reaches
    const char* fallback;  // its answer without that entry
} kGetters[] = {
    {JNI(getInstallPath), "getInstallPath", "null"},
    {JNI(getUserPath), "getUserPath", "null"},
    {JNI(getInstallConfigPath), "getInstallConfigPath", "null"},
    {JNI(getInstallBinaryPath), "getInstallBinaryPath", "null"},
    {JNI(getUserAppConfigPath), "getUserAppConfigPath", "null"},
    {JNI(getUserConfigPath), "getUserConfigPath", "null"},
    {JNI(getWorkspace), "getWorkspace", "null"},
    {JNI(getComponents), "getComponents", ""},
    {JNI(getAvailableLanguages), "", ""},
    {JNI(getCMAProjects), "", ""},
    {JNI(getReportTools), "", ""},
};

const std::string kFreeStrings = CALL_LINE("FreeStrings") "\t> API CALL - freeStrings\n\t< Result: 0\n";

class EnvironmentTest : public BridgeTest {
protected:
    void SetUp() override {
        c = LoadEngine();
        c->calls.clear();
    }
    std::string Text(TextMethod method) { return jni.text(method(jni.env(), jni.self())); }

    EngineDoubleControl* c = nullptr;
    ProjectRecords records;
};

}  // namespace

TEST(EnvironmentWithoutEngine, EveryMethodGivesItsFallback) {
    FakeJni jni;
    OutputCapture out(1);
    for (const auto& getter : kGetters) EXPECT_EQ(jni.text(getter.method(jni.env(), jni.self())), getter.fallback);
    EXPECT_EQ(jni.text(JNI(getTivraHelp)(jni.env(), jni.self(), JNI_FALSE)), "");
    EXPECT_EQ(jni.text(JNI(getTivraContextHelp)(jni.env(), jni.self(), 1)), "");
    EXPECT_EQ(JNI(getCurrentLanguage)(jni.env(), jni.self()), 0);
    const std::string log = out.take();
    EXPECT_NE(log.find("\tAttempt to call VorlanApi::GetCMAProjectList failed because ptr2f is null \n"
                       "\tAttempt to call VorlanApi::GetReportTools failed because ptr2f is null \n"),
              std::string::npos);
}

TEST_F(EnvironmentTest, TextGettersHandTheEngineTextToJava) {
    OutputCapture out(0);
    for (const auto& getter : kGetters) {
        if (*getter.entry == '\0') continue;
        EXPECT_EQ(Text(getter.method), std::string(getter.entry) + " text");
    }
    EXPECT_EQ(jni.text(JNI(getTivraHelp)(jni.env(), jni.self(), JNI_TRUE)), "getTivraHelp text");
    EXPECT_EQ(jni.text(JNI(getTivraContextHelp)(jni.env(), jni.self(), 42)), "getTivraContextHelp text");
    EXPECT_EQ(c->calls[8], "getTivraHelp(true)");
    EXPECT_EQ(c->calls[9], "getTivraContextHelp(42)");
    c->nullText.insert("getComponents");
    EXPECT_EQ(Text(JNI(getComponents)), "");
    JNI(setCurrentLanguage)(jni.env(), jni.self(), 7);
    c->currentLanguage = -3;
    EXPECT_EQ(JNI(getCurrentLanguage)(jni.env(), jni.self()), -3);
    EXPECT_EQ(c->calls.back(), "getCurrentLanguage()");
    EXPECT_EQ(c->calls[c->calls.size() - 2], "setCurrentLanguage(7)");
}

TEST_F(EnvironmentTest, SetWorkspaceTracesItsExitLineAndRefusesNull) {
    OutputCapture out(2);
    JNI(setWorkspace)(jni.env(), jni.self(), jni.str("/ws"));
    JNI(setWorkspace)(jni.env(), jni.self(), nullptr);
    EXPECT_EQ(MaskErrorCodes(out.take()), CALL_LINE("SetWorkspacePath")
              "\t> API CALL - setWorkspace\n\t\t path - /ws\n\t< Result: void\n\n\tExist " JNI_NAME("setWorkspace")
              " result = # \nsetWorkspace: argument path is null\n");
    EXPECT_EQ(c->calls, (Tokens{"setWorkspace(/ws)"}));
}

TEST_F(EnvironmentTest, AvailableLanguagesAreWrittenAndAlwaysReleased) {
    KoLanguages_C* languages = records.languages({0, 3, 2});
    c->languages = languages;
    OutputCapture out(2);
    EXPECT_EQ(Text(JNI(getAvailableLanguages)), "<KOL><L>0</L><L>2</L></KOL>");
    EXPECT_EQ(out.take(),
              CALL_LINE("GetAvailableLanguages") "\t> API CALL - getAvailableLanguages\n\t< Result: void\n" CALL_LINE(
                  "FreeLanguages") "\t> API CALL - freeLanguages\n\t< Result: void\n");
    c->languages = nullptr;
    EXPECT_EQ(Text(JNI(getAvailableLanguages)), "");  // no list: not even an empty element
    ASSERT_EQ(c->releases.size(), 2u);
    EXPECT_EQ(c->releases[0].pointer, languages);
    EXPECT_EQ(c->releases[1].pointer, nullptr);
    EXPECT_EQ(c->releases[1].address, c->filledAddress["getAvailableLanguages"]);
}

TEST_F(EnvironmentTest, CmaProjectsAreValidOnANonZeroStatus) {
    c->statusOf["getCMAProjectList"] = 1;
    c->cmaProjects = records.strings({"p1", "p2"});
    const std::string head =
        "\n getting CMA projects list \n" CALL_LINE("GetCMAProjectList") "\t> API CALL - getCMAProjectList\n";
    OutputCapture out(2);
    EXPECT_EQ(Text(JNI(getCMAProjects)), "p1;p2");
    c->statusOf["getCMAProjectList"] = 0;
    EXPECT_EQ(Text(JNI(getCMAProjects)), "");
    c->cmaProjects = nullptr;
    EXPECT_EQ(Text(JNI(getCMAProjects)), "");
    EXPECT_EQ(out.take(), head + "\t< Result: 1\n\t< Project List Size: 2\n" + kFreeStrings + "\n got it \n" + head +
                              "\t< Result: 0\n\n got it \n" + head +
                              "\t< Result: 0\n\t< Project List is NULL\n\n got it \n");
    ASSERT_EQ(c->releases.size(), 1u);
    EXPECT_EQ(c->releases[0].address, c->filledAddress["getCMAProjectList"]);
}

TEST_F(EnvironmentTest, ReportToolsAreValidOnANonZeroStatus) {
    c->statusOf["getReportTools"] = 1;
    c->reportTools = records.strings({});
    const std::string head = "\n getting Report tools \n" CALL_LINE("GetReportTools") "\t> API CALL - getReportTools\n";
    OutputCapture out(2);
    EXPECT_EQ(Text(JNI(getReportTools)), "");
    c->reportTools = records.strings({"gcc", "html"});
    EXPECT_EQ(Text(JNI(getReportTools)), "gcc;html");
    c->reportTools = nullptr;
    EXPECT_EQ(Text(JNI(getReportTools)), "");  // no list: no line either
    c->statusOf["getReportTools"] = 0;
    c->reportTools = records.strings({"kept"});
    EXPECT_EQ(Text(JNI(getReportTools)), "");
    EXPECT_EQ(out.take(), head + "\t< Result: 1\n\t< Report Tools List Size: 0\n" + kFreeStrings + "\n got it \n" +
                              head + "\t< Result: 1\n\t< Report Tools List Size: 2\n" + kFreeStrings + "\n got it \n" +
                              head + "\t< Result: 1\n\n got it \n" + head + "\t< Result: 0\n\n got it \n");
    EXPECT_EQ(c->releases.size(), 2u);
}

TEST_F(EnvironmentTest, UserLibraryIsAPlaceholder) {
    const int taken = jni.stringsRead();
    OutputCapture out(2);
    JNI(setUserLibrary)(jni.env(), jni.self(), jni.str("lib"));
    JNI(setUserLibrary)(jni.env(), jni.self(), nullptr);
    EXPECT_EQ(jni.text(JNI(getUserLibrary)(jni.env(), jni.self(), JNI_TRUE)), "getUserLibrary: Not implemented yet.");
    EXPECT_EQ(jni.text(JNI(getUserLibrary)(jni.env(), jni.self(), JNI_FALSE)), "getUserLibrary: Not implemented yet.");
    EXPECT_EQ(out.take(), "");
    EXPECT_EQ(jni.stringsRead(), taken);
    EXPECT_TRUE(c->calls.empty());
}
