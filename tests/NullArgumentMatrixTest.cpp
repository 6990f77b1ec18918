// Every native method that takes or returns a Java string or byte[], driven
// from one table: each String argument null in turn, and each JNI call that can
// fail (a string read, NewStringUTF, NewByteArray) failing. Neither may
// crash, leave a string unreleased, reach the engine with a missing argument,
// or make a JNI call while the JVM's exception is pending. The nine remaining
// native methods take and return only numbers.

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/DiagnosticRecords.h"
#include "tests/EngineReleases.h"
#include "tests/ProjectRecords.h"
#include "tests/RuleRecords.h"
#include "tests/TestSupport.h"

namespace {

using Args = std::vector<jstring>;

// A result as one comparable text: "long -1", "boolean false", "String x",
// "byte[] x", "void"; a null reference shows as "<null>".
std::string Show(FakeJni&, jlong value) { return "long " + std::to_string(static_cast<long long>(value)); }
std::string Show(FakeJni&, jboolean value) { return value == JNI_FALSE ? "boolean false" : "boolean true"; }
std::string Show(FakeJni& jni, jstring value) { return "String " + (value ? jni.text(value) : "<null>"); }
std::string Show(FakeJni& jni, jbyteArray value) { return "byte[] " + (value ? jni.bytes(value) : "<null>"); }

#define ENV jni.env(), jni.self()
#define CALL(expression) [](FakeJni& jni, [[maybe_unused]] const Args& a) { return Show(jni, expression); }
#define CALL_VOID(expression)                                         \
    [](FakeJni& jni, [[maybe_unused]] const Args& a) -> std::string { \
        expression;                                                   \
        return "void";                                                \
    }

using Call = std::function<std::string(FakeJni&, const Args&)>;

enum class Result { Scalar, String, Bytes };

struct Row {
    // `fallback` is the answer of a call that gives up; its first word also
    // tells the kind of result.
    Row(const char* method, std::vector<const char*> parameters, Call call, std::string fallback,
        std::vector<std::string> fetches = {})
        : label(method),
          method(method),
          parameters(std::move(parameters)),
          call(std::move(call)),
          fallback(std::move(fallback)),
          result(this->fallback.rfind("String ", 0) == 0   ? Result::String
                 : this->fallback.rfind("byte[] ", 0) == 0 ? Result::Bytes
                                                           : Result::Scalar),
          fetches(std::move(fetches)) {}

    Row& Label(const char* name) { return label = name, *this; }
    Row& Unread(std::vector<const char*> names) { return unread = std::move(names), *this; }
    Row& OnNull(const char* answer) { return nullAnswer = answer, *this; }

    const char* label;                    // names the test cases
    const char* method;                   // the Java method, as the null-argument line names it
    std::vector<const char*> parameters;  // the String parameters, in Java order
    Call call;
    std::string fallback;
    Result result;
    std::vector<std::string> fetches;  // the engine fetches a complete call makes, in order
    std::vector<const char*> unread;   // String parameters the method never reads
    const char* nullAnswer = nullptr;  // the system's own answer to a null argument
};

bool Unread(const Row& row, const char* parameter) {
    for (const char* name : row.unread)
        if (std::string(name) == parameter) return true;
    return false;
}

const std::vector<Row>& Rows() {
    // clang-format off
    static const std::vector<Row> rows = {
        // Start-up
        Row("initJniBridge", {"libraryPath"}, CALL(JNI(initJniBridge)(ENV, a[0])), "String <null>")
            .OnNull("String Please select a path for Vorlan.dll file!"),
        Row("setNativeLogFile", {"path"}, CALL_VOID(JNI(setNativeLogFile)(ENV, a[0])), "void"),
        // Results
        Row("initResults", {"bindKey", "location", "name"}, CALL(JNI(initResults)(ENV, a[0], a[1], a[2])), "long -1"),
        Row("hasResults", {"filePath"}, CALL(JNI(hasResults)(ENV, a[0])), "boolean false"),
        Row("hasUpToDateResults", {"filePath"}, CALL(JNI(hasUpToDateResults)(ENV, a[0])), "boolean false"),
        Row("getDiagnostics", {"filePath", "messages", "rules"}, CALL(JNI(getDiagnostics)(ENV, a[0], a[1], a[2], 0)),
            "byte[] ", {"getDiagnostics"}).Unread({"messages", "rules"}),
        // Rule configuration
        Row("getRuleGroups", {}, CALL(JNI(getRuleGroups)(ENV)), "byte[] ", {"getRuleGroups"}),
        Row("getMessageRuleMap", {}, CALL(JNI(getMessageRuleMap)(ENV)), "byte[] ", {"getMessageRuleMap"}),
        // Projects
        Row("initProjectMngr", {"bindKey", "location", "name"}, CALL(JNI(initProjectMngr)(ENV, a[0], a[1], a[2])),
            "long -1"),
        Row("isTivraProject", {"location", "name"}, CALL(JNI(isTivraProject)(ENV, a[0], a[1])), "boolean false"),
        Row("createProject", {"location", "name", "acfFile", "rcfFile", "cctFile"},
            CALL(JNI(createProject)(ENV, a[0], a[1], a[2], a[3], a[4])), "long -1"),
        Row("addCCT", {"cctFilePath"}, CALL(JNI(addCCT)(ENV, a[0])), "long -1"),
        Row("setActiveCCT", {"cctFileName"}, CALL(JNI(setActiveCCT)(ENV, 1, a[0])), "long -1"),
        Row("addFile", {"file", "defines", "includes"}, CALL(JNI(addFile)(ENV, 1, a[0], a[1], 1, a[2], 1)), "long -1"),
        Row("removeFile", {"filePath"}, CALL(JNI(removeFile)(ENV, a[0])), "long -1"),
        Row("getFiles", {}, CALL(JNI(getFiles)(ENV)), "String ", {"getFiles"}),
        Row("getKoFile", {"filePath"}, CALL(JNI(getKoFile)(ENV, a[0])), "String ", {"getKoFile"}),
        Row("getFileExtensions", {}, CALL(JNI(getFileExtensions)(ENV)), "String ",
            {"getMappedFileExtensions/0", "getMappedFileExtensions/1"}),
        Row("getTrees", {"list"}, CALL(JNI(getTrees)(ENV, JNI_TRUE, 1, a[0])), "byte[] ", {"getTrees"}),
        Row("getTrees", {"list"}, CALL(JNI(getTrees)(ENV, JNI_TRUE, 0, a[0])), "byte[] ", {"getTrees"})
            .Label("getTreesOfNoItems").Unread({"list"}),
        // Environment and settings
        Row("getInstallPath", {}, CALL(JNI(getInstallPath)(ENV)), "String null"),
        Row("getUserPath", {}, CALL(JNI(getUserPath)(ENV)), "String null"),
        Row("getInstallConfigPath", {}, CALL(JNI(getInstallConfigPath)(ENV)), "String null"),
        Row("getInstallBinaryPath", {}, CALL(JNI(getInstallBinaryPath)(ENV)), "String null"),
        Row("getUserAppConfigPath", {}, CALL(JNI(getUserAppConfigPath)(ENV)), "String null"),
        Row("getUserConfigPath", {}, CALL(JNI(getUserConfigPath)(ENV)), "String null"),
        Row("getWorkspace", {}, CALL(JNI(getWorkspace)(ENV)), "String null"),
        Row("setWorkspace", {"path"}, CALL_VOID(JNI(setWorkspace)(ENV, a[0])), "void"),
        Row("getAvailableLanguages", {}, CALL(JNI(getAvailableLanguages)(ENV)), "String ", {"getAvailableLanguages"}),
        Row("getCMAProjects", {}, CALL(JNI(getCMAProjects)(ENV)), "String ", {"getCMAProjectList"}),
        Row("getReportTools", {}, CALL(JNI(getReportTools)(ENV)), "String ", {"getReportTools"}),
        Row("getComponents", {}, CALL(JNI(getComponents)(ENV)), "String "),
        Row("getTivraHelp", {}, CALL(JNI(getTivraHelp)(ENV, JNI_TRUE)), "String "),
        Row("getTivraContextHelp", {}, CALL(JNI(getTivraContextHelp)(ENV, 4)), "String "),
        Row("setUserLibrary", {"library"}, CALL_VOID(JNI(setUserLibrary)(ENV, a[0])), "void").Unread({"library"}),
        Row("getUserLibrary", {}, CALL(JNI(getUserLibrary)(ENV, JNI_FALSE)),
            "String getUserLibrary: Not implemented yet."),
        // Engine lifecycle
        Row("setBindKey", {"bindKey"}, CALL_VOID(JNI(setBindKey)(ENV, a[0])), "void"),
        Row("initApi", {"bindKey"}, CALL(JNI(initApi)(ENV, a[0])), "long -1"),
        Row("getVersionNumber", {}, CALL(JNI(getVersionNumber)(ENV)), "String 0.0.0"),
    };
    // clang-format on
    return rows;
}

struct Case {
    size_t row;
    size_t index;                   // the parameter made null, or the conversion made to fail
    const char* failing = nullptr;  // the JNI function made to fail
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << Rows()[c.row].label << " " << c.index << " " << (c.failing != nullptr ? c.failing : "null");
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    const Row& row = Rows()[info.param.row];
    if (info.param.failing == nullptr) return std::string(row.label) + "_" + row.parameters[info.param.index];
    std::string name = std::string(row.label) + "_" + info.param.failing;
    if (std::string(info.param.failing) == "StringRead") name += std::to_string(info.param.index + 1);
    return name;
}

std::vector<Case> NullCases() {
    std::vector<Case> cases;
    for (size_t r = 0; r < Rows().size(); ++r)
        for (size_t p = 0; p < Rows()[r].parameters.size(); ++p) cases.push_back({r, p});
    return cases;
}

std::vector<Case> FailureCases() {
    std::vector<Case> cases;
    for (size_t r = 0; r < Rows().size(); ++r) {
        const Row& row = Rows()[r];
        // The k-th conversion of a call fails, after k that worked.
        for (size_t k = 0; k < row.parameters.size() - row.unread.size(); ++k) cases.push_back({r, k, "StringRead"});
        if (row.result == Result::String) cases.push_back({r, 0, "NewStringUTF"});
        if (row.result == Result::Bytes) cases.push_back({r, 0, "NewByteArray"});
    }
    return cases;
}

// The engine double, loaded, with a small complete record behind every fetch.
class MatrixTest : public BridgeTest {
protected:
    void SetUp() override {
        c = LoadEngine();
        c->diagnostics = diagnostics.List({diagnostics.Diagnostic(
            diagnostics.Message("M1", "h", 2, "1", "text", "p", {"r"}), {"x"}, {diagnostics.Location("a.c", 3, 4)})});
        c->ruleGroups = rules.groups({rules.group("G", {rules.rule("R1", 1, {"c"})})});
        c->messageRuleMap = rules.map({rules.mapping("M1", {"U1"})});
        c->trees = project.trees(project.item(0, "f", "", 1, 1), project.item(1, "r", "", 1, 1),
                                 project.item(2, "m", "", 1, 1));
        c->koFile = project.file(1, project.defines({"D=1"}), project.includes({"/inc"}));
        c->files = project.strings<KoFileList_C>({"a.c", "b.c"});
        c->extensionsC = project.strings({".c"});
        c->extensionsCpp = project.strings({".cpp"});
        c->cmaProjects = project.strings({"p1", "p2"});
        c->reportTools = project.strings({"t1"});
        c->languages = project.languages({0, 2});
        // CMA projects and report tools are read only with a status other than 0.
        c->statusOf["getCMAProjectList"] = 1;
        c->statusOf["getReportTools"] = 1;
        Forget();
    }

    void Forget() {
        c->calls.clear();
        c->releases.clear();
        c->filledAddress.clear();
    }

    // Every String argument present ("a"; the engine double for the library),
    // except the one at `nullIndex`.
    Args Arguments(const Row& row, size_t nullIndex = SIZE_MAX) {
        Args args;
        for (size_t i = 0; i < row.parameters.size(); ++i) {
            const std::string name = row.parameters[i];
            args.push_back(i == nullIndex ? nullptr : jni.str(name == "libraryPath" ? FullEngine() : "a"));
        }
        return args;
    }

    EngineDoubleControl* c = nullptr;
    DiagnosticRecords diagnostics;
    RuleRecords rules;
    ProjectRecords project;
};

class NullArgument : public MatrixTest, public ::testing::WithParamInterface<Case> {};

TEST_P(NullArgument, GivesTheFallbackWithOneErrorLineAndNoEngineCall) {
    const Row& row = Rows()[GetParam().row];
    const char* parameter = row.parameters[GetParam().index];

    if (Unread(row, parameter)) {
        // Never read, so a null one changes nothing: the same answer, trace
        // and engine calls as with the string present.
        int taken = jni.stringsRead();
        OutputCapture present(2);
        const std::string expected = row.call(jni, Arguments(row));
        const std::string expectedTrace = present.take();
        const std::vector<std::string> expectedCalls = c->calls;
        const int expectedConversions = jni.stringsRead() - taken;
        Forget();
        taken = jni.stringsRead();
        OutputCapture out(2);
        EXPECT_EQ(row.call(jni, Arguments(row, GetParam().index)), expected);
        EXPECT_EQ(out.take(), expectedTrace);
        EXPECT_EQ(c->calls, expectedCalls);
        EXPECT_EQ(jni.stringsRead() - taken, expectedConversions);
        ExpectDescribedReleases(*c, row.fetches);
        return;
    }

    OutputCapture errors(1);
    const std::string answer = row.call(jni, Arguments(row, GetParam().index));
    if (row.nullAnswer != nullptr) {
        EXPECT_EQ(answer, row.nullAnswer);
        EXPECT_EQ(errors.take(), "");
    } else {
        EXPECT_EQ(answer, row.fallback);
        EXPECT_EQ(errors.take(), std::string("\n") + row.method + ": argument " + parameter + " is null\n");
    }
    EXPECT_TRUE(c->calls.empty()) << c->calls.front();
    EXPECT_TRUE(c->releases.empty());
}

INSTANTIATE_TEST_SUITE_P(EveryStringParameter, NullArgument, ::testing::ValuesIn(NullCases()), CaseName);

class FailedJniCall : public MatrixTest, public ::testing::WithParamInterface<Case> {};

TEST_P(FailedJniCall, EndsTheMethodWithItsExceptionPending) {
    const Row& row = Rows()[GetParam().row];
    const std::string failing = GetParam().failing;
    const int taken = jni.stringsRead();
    expectException = true;
    if (failing == "StringRead") {
        jni.failStringReads = true;
        jni.stringReadsBeforeFailure = static_cast<int>(GetParam().index);
    }
    jni.failNewStringUTF = failing == "NewStringUTF";
    jni.failNewByteArray = failing == "NewByteArray";

    OutputCapture errors(1);
    const std::string answer = row.call(jni, Arguments(row));
    const std::string printed = errors.take();
    EXPECT_TRUE(jni.exceptionPending());

    if (row.result == Result::String) {
        EXPECT_EQ(answer, "String <null>");
    } else if (row.result == Result::Bytes) {
        EXPECT_EQ(answer, "byte[] <null>");
    } else {
        EXPECT_EQ(answer, row.fallback);
    }

    if (failing == "StringRead") {
        // Given up at the failed conversion: no further one, no engine call,
        // and no level-1 line, the pending exception tells Java enough.
        EXPECT_EQ(printed, "");
        EXPECT_EQ(jni.stringsRead() - taken, static_cast<int>(GetParam().index));
        EXPECT_TRUE(c->calls.empty()) << c->calls.front();
        EXPECT_TRUE(c->releases.empty());
    } else {
        // The engine answered and got its records back before Java was asked
        // for the result.
        ExpectDescribedReleases(*c, row.fetches);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryStringOrByteArray, FailedJniCall, ::testing::ValuesIn(FailureCases()), CaseName);

TEST(NullArgumentMatrix, CoversEveryMethodWithAStringOrByteArray) {
    // 19 methods take a String, 23 return a String or byte[], 4 do both.
    std::vector<std::string> methods;
    for (const Row& row : Rows())
        if (methods.empty() || methods.back() != row.method) methods.push_back(row.method);
    EXPECT_EQ(methods.size(), 38u);
}

}  // namespace
