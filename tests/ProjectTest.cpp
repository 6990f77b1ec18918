// Project entry points end to end: the Java list splitter, the fetch methods
// with their traces and releases, and the forwarding entry points.

#include <string>
#include <vector>

#include "bridge/JavaLists.h"
#include "engine/VorlanApi.h"
#include "tests/ProjectRecords.h"
#include "tests/TestSupport.h"
#include "tests/TraceText.h"

namespace {

using Tokens = std::vector<std::string>;

Tokens Split(const std::string& text, int count) {
    char** items = Utils::splitString(text, count, Bridge::ListSeparators());
    Tokens tokens(items, items + count);
    Utils::freeSplitString(items, count);
    return tokens;
}

const std::string kFreeTrees = CALL_LINE("FreeTrees") "\t> API CALL - freeTrees\n\t< Result: 0\n";
const std::string kFreeStrings = CALL_LINE("FreeStrings") "\t> API CALL - freeStrings\n\t< Result: 0\n";

class ProjectTest : public BridgeTest {
protected:
    void SetUp() override {
        c = LoadEngine();
        c->calls.clear();
    }

    std::string Trees(bool flag, int count, const char* list) {
        jstring text = list != nullptr ? jni.str(list) : nullptr;
        return jni.bytes(JNI(getTrees)(jni.env(), jni.self(), flag ? JNI_TRUE : JNI_FALSE, count, text));
    }
    std::string Text(jstring s) { return jni.text(s); }

    EngineDoubleControl* c = nullptr;
    ProjectRecords records;
};

}  // namespace

TEST(SplitString, ExactlyCountSlotsWithOneLineForAMismatch) {
    OutputCapture out(1);
    EXPECT_EQ(Split("a\x19"
                    "b",
                    2),
              (Tokens{"a", "b"}));
    EXPECT_EQ(Split("", 1), (Tokens{""}));
    EXPECT_EQ(Split("\x19x y\x19", 3), (Tokens{"", "x y", ""}));
    EXPECT_EQ(Utils::splitString("a", 0, Bridge::ListSeparators()), nullptr);
    EXPECT_EQ(Utils::splitString("a", -2, Bridge::ListSeparators()), nullptr);
    EXPECT_EQ(out.take(), "");
    OutputCapture mismatch(1);
    EXPECT_EQ(Split("a\x19"
                    "b\x19"
                    "c",
                    2),
              (Tokens{"a", "b"}));
    EXPECT_EQ(Split("a", 3), (Tokens{"a", "", ""}));
    EXPECT_EQ(mismatch.take(),
              "\nsplitString: text holds 3 items, 2 expected\n\nsplitString: text holds 1 items, 3 expected\n");
}

TEST_F(ProjectTest, GetTreesTracesWritesItsStdoutLineAndReleases) {
    c->trees =
        records.trees(records.item(0, "f", "", 1, 1), records.item(1, "r", "", 2, 0), records.item(2, "m", "", 3, -1));
    OutputCapture out(2);
    EXPECT_EQ(Trees(true, 2,
                    "a\x19"
                    "b"),
              "<Tr><FT><Ty>0</Ty><N>f</N><D></D><To>1</To><A>1</A></FT>"
              "<MT><Ty>2</Ty><N>m</N><D></D><To>3</To><A>-1</A></MT>"
              "<RT><Ty>1</Ty><N>r</N><D></D><To>2</To><A>0</A></RT></Tr>");
    EXPECT_EQ(out.take(), CALL_LINE("GetTrees") "call result: 0\n\t< Result: 0\n" + kFreeTrees);
    EXPECT_EQ(c->calls, (Tokens{"getTrees(true, 2, [a|b])", "freeTrees()"}));
    ASSERT_EQ(c->releases.size(), 1u);
    EXPECT_EQ(c->releases[0].address, c->filledAddress["getTrees"]);
    EXPECT_EQ(c->releases[0].pointer, c->trees);
}

TEST_F(ProjectTest, GetTreesWithoutItemsFailureStatusAndRawBytes) {
    // The byte[] keeps every valid sequence, the four-byte one included; a byte
    // that is no UTF-8 becomes U+FFFD.
    const std::string name = "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xFF";
    const std::string written = "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\xEF\xBF\xBD";
    c->trees = records.trees(records.item(0, name, "", 0, 0), nullptr, nullptr);
    const int taken = jni.stringsRead();
    OutputCapture out(1);
    EXPECT_EQ(Trees(false, 0, "never read"),
              "<Tr><FT><Ty>0</Ty><N>" + written + "</N><D></D><To>0</To><A>0</A></FT><MT></MT><RT></RT></Tr>");
    EXPECT_EQ(jni.stringsRead(), taken);
    c->statusOf["getTrees"] = 4;
    EXPECT_EQ(Trees(false, 0, nullptr), "");  // still released
    c->trees = nullptr;
    EXPECT_EQ(Trees(false, 0, nullptr), "");  // nothing to release
    EXPECT_EQ(out.take(), "call result: 0\ncall result: 4\ncall result: 4\n");
    EXPECT_EQ(c->calls, (Tokens{"getTrees(false, 0, <null>)", "freeTrees()", "getTrees(false, 0, <null>)",
                                "freeTrees()", "getTrees(false, 0, <null>)"}));
}

TEST_F(ProjectTest, GetTreesListMismatchNegativeCountAndNullList) {
    OutputCapture out(1);
    EXPECT_EQ(Trees(false, 3,
                    "a\x19"
                    "b"),
              "");
    EXPECT_EQ(Trees(false, 1,
                    "a\x19"
                    "b\x19"
                    "c"),
              "");
    EXPECT_EQ(Trees(false, -1, "a"), "");
    EXPECT_EQ(Trees(false, 2, nullptr), "");
    EXPECT_EQ(out.take(),
              "\ngetTrees: list holds 2 items, 3 expected\ncall result: 0\n"
              "\ngetTrees: list holds 3 items, 1 expected\ncall result: 0\n"
              "\ngetTrees: argument count is negative: -1\n\ngetTrees: argument list is null\n");
    EXPECT_EQ(c->calls, (Tokens{"getTrees(false, 3, [a|b|])", "getTrees(false, 1, [a])"}));
}

TEST_F(ProjectTest, GetTreesLeavesAFailedArrayToJava) {
    c->trees = records.trees(nullptr, nullptr, nullptr);
    jni.failNewByteArray = true;
    expectException = true;
    OutputCapture out(0);
    EXPECT_EQ(JNI(getTrees)(jni.env(), jni.self(), JNI_FALSE, 0, nullptr), nullptr);
    EXPECT_TRUE(jni.exceptionPending());
    EXPECT_EQ(c->releases.size(), 1u);
}

TEST_F(ProjectTest, GetKoFileTracesAndAlwaysReleases) {
    c->koFile = records.file(0, records.defines({"DEBUG"}), records.includes({"/usr/include", "/opt/inc"}));
    OutputCapture out(2);
    EXPECT_EQ(Text(JNI(getKoFile)(jni.env(), jni.self(), jni.str("/p/a.c"))),
              "<KOF><IP>/usr/include;/opt/inc</IP><DEF>DEBUG</DEF><SL>C</SL></KOF>");
    EXPECT_EQ(out.take(), "\n getting ko file \n\n file path: /p/a.c\n" CALL_LINE(
                              "GetKoFile") "\t> API CALL - getKoFile\n\t\t filepath - /p/a.c\n\t< Result: "
                                           "0\n" CALL_LINE("FreeKoFile") "\t> API CALL - freeKoFile\n\t\t file - " +
                              Address(c->koFile) + "\n\t< Result: 0\n\n got it \n");
    c->statusOf["getKoFile"] = 2;
    EXPECT_EQ(Text(JNI(getKoFile)(jni.env(), jni.self(), jni.str("/p/a.c"))), "");
    c->koFile = nullptr;
    EXPECT_EQ(Text(JNI(getKoFile)(jni.env(), jni.self(), jni.str("/p/a.c"))), "");
    ASSERT_EQ(c->releases.size(), 3u);
    EXPECT_EQ(c->releases[1].pointer, c->releases[0].pointer);
    EXPECT_EQ(c->releases[2].entry, "freeKoFile");
    EXPECT_EQ(c->releases[2].pointer, nullptr);
    EXPECT_EQ(c->releases[2].address, c->filledAddress["getKoFile"]);
}

TEST_F(ProjectTest, EngineTextReachesJavaAsModifiedUtf8) {
    // Two-, three- and four-byte UTF-8, then bytes that start no sequence and
    // a cut one, through the XML, a joined list and a plain engine text.
    c->koFile =
        records.file(0, records.defines({"\xC3\xA9"}), records.includes({"/\xE4\xB8\xAD/\xF0\x9F\x98\x80/\xFF"}));
    c->files = records.strings<KoFileList_C>({"/\xF0\x9F\x98\x80.c", "/\xC3\xA9\x80.c"});
    c->textOf["getInstallPath"] = "/\xE4\xB8";
    OutputCapture out(0);
    EXPECT_EQ(Text(JNI(getInstallPath)(jni.env(), jni.self())), "/\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Text(JNI(getKoFile)(jni.env(), jni.self(), jni.str("/h\xC3\xA9.c"))),
              "<KOF><IP>/\xE4\xB8\xAD/\xED\xA0\xBD\xED\xB8\x80/\xEF\xBF\xBD</IP><DEF>\xC3\xA9</DEF><SL>C</SL></KOF>");
    EXPECT_EQ(Text(JNI(getFiles)(jni.env(), jni.self())), "/\xED\xA0\xBD\xED\xB8\x80.c;/\xC3\xA9\xEF\xBF\xBD.c");
    EXPECT_EQ(c->calls[1], "getKoFile(/h\xC3\xA9.c)");
}

TEST_F(ProjectTest, GetFilesJoinsOnSuccessAndNeverReleases) {
    c->files = records.strings<KoFileList_C>({"/a.c", "/b c.cpp"});
    OutputCapture out(2);
    EXPECT_EQ(Text(JNI(getFiles)(jni.env(), jni.self())), "/a.c;/b c.cpp");
    EXPECT_EQ(out.take(), CALL_LINE("GetFiles") "\t> API CALL - getFiles\n\t< Result: 0\n");
    c->statusOf["getFiles"] = 1;
    EXPECT_EQ(Text(JNI(getFiles)(jni.env(), jni.self())), "");
    // The included-files record is not even looked at.
    c->statusOf["getIncludedFiles"] = 6;
    c->includedFiles = &records;
    EXPECT_EQ(VorlanApi::GetInstance()->GetIncludeFiles(), 6);
    EXPECT_TRUE(c->releases.empty());
}

TEST_F(ProjectTest, FileExtensionsOfCThenCppInOneList) {
    c->extensionsC = records.strings({"c", "h"});
    c->extensionsCpp = records.strings({"cpp", "hpp"});
    OutputCapture out(2);
    EXPECT_EQ(Text(JNI(getFileExtensions)(jni.env(), jni.self())), "c;h;cpp;hpp");
    const std::string query = "\t> API CALL - getMappedFileExtensions\n\t\t language - ";
    EXPECT_EQ(out.take(), "\n getting mapped file extensions \n" CALL_LINE("GetMappedFileExtensions") + query +
                              "C\n\t< Result: 0\n" + kFreeStrings + query + "CPP\n\t< Result: 0\n" + kFreeStrings +
                              "\n got it \n");
    ASSERT_EQ(c->releases.size(), 2u);
    EXPECT_EQ(c->releases[0].pointer, c->extensionsC);
    EXPECT_EQ(c->releases[0].address, c->filledAddress["getMappedFileExtensions/0"]);
    EXPECT_EQ(c->releases[1].pointer, c->extensionsCpp);

    // A failed C query: no leading ";", and its list is neither read nor released.
    c->statusOf["getMappedFileExtensions/0"] = 1;
    EXPECT_EQ(Text(JNI(getFileExtensions)(jni.env(), jni.self())), "cpp;hpp");
    EXPECT_EQ(c->releases.size(), 3u);
    c->statusOf.clear();
    c->extensionsCpp = records.strings({});
    EXPECT_EQ(Text(JNI(getFileExtensions)(jni.env(), jni.self())), "c;h");
}

TEST_F(ProjectTest, AddFileSplitsBothListsAndUsesTheLowWordOfTheLanguage) {
    c->statusOf["addFile"] = 7;
    OutputCapture out(2);
    EXPECT_EQ(JNI(addFile)(jni.env(), jni.self(), 0x100000001LL, jni.str("/s/a.c"),
                           jni.str("A\x19"
                                   "B=1"),
                           2, jni.str(""), 0),
              7);
    EXPECT_EQ(out.take(), CALL_LINE("AddFile") "\t> API CALL - addFile\n\t\t targetLanguage - 1\n\t\t file - /s/a.c\n"
                                               "\t\t definesSize - 2\n\t\t includesSize - 0\n\t< Result: 7\n");
    OutputCapture errors(1);
    EXPECT_EQ(JNI(addFile)(jni.env(), jni.self(), 0, jni.str("f"), jni.str("A"), 2, jni.str("i\x19j\x19k"), 1), 7);
    EXPECT_EQ(JNI(addFile)(jni.env(), jni.self(), 0, jni.str("f"), jni.str(""), -1, jni.str(""), 0), -1);
    EXPECT_EQ(errors.take(),
              "\naddFile: defines holds 1 items, 2 expected\n\naddFile: includes holds 3 items, 1 expected\n"
              "\naddFile: argument definesSize is negative: -1\n");
    EXPECT_EQ(c->calls, (Tokens{"addFile(1, /s/a.c, 2, [A|B=1], 0, <null>)", "addFile(0, f, 2, [A|], 1, [i])"}));
}

TEST_F(ProjectTest, AddFileReleasesItsStringsInTheOrderItConvertedThem) {
    // Strings long enough that the JVM hands out their characters (short ones
    // are copied into the holder and have nothing to release).
    const std::string l(300, '/');
    const size_t before = jni.releasedStrings().size();  // the engine's path
    EXPECT_EQ(JNI(addFile)(jni.env(), jni.self(), 0, jni.str(l + "a.c"), jni.str(l + "A"), 1, jni.str(l + "inc"), 1),
              0);
    // Refused before the engine call: the same order.
    EXPECT_EQ(JNI(addFile)(jni.env(), jni.self(), 0, jni.str(l + "b.c"), jni.str(l + "B"), 1, jni.str(l + "x"), 1000),
              -1);
    EXPECT_EQ(Tokens(jni.releasedStrings().begin() + before, jni.releasedStrings().end()),
              (Tokens{l + "a.c", l + "A", l + "inc", l + "b.c", l + "B", l + "x"}));
}

TEST_F(ProjectTest, CountsBeyondWhatTheirListCanHoldAreRefusedLikeNegativeOnes) {
    const int largest = 2147483647;
    OutputCapture out(1);
    EXPECT_EQ(Trees(true, largest, "a"), "");
    EXPECT_EQ(JNI(addFile)(jni.env(), jni.self(), 0, jni.str("f"), jni.str("A"), largest, jni.str("i"), 1), -1);
    EXPECT_EQ(JNI(addFile)(jni.env(), jni.self(), 0, jni.str("f"), jni.str("A"), 1, jni.str("i"), largest), -1);
    // n bytes hold at most n + 1 items: up to there a count is only a mismatch.
    EXPECT_EQ(Trees(false, 3, "a"), "");
    EXPECT_EQ(Trees(false, 2, "a"), "");
    EXPECT_EQ(out.take(),
              "\ngetTrees: argument list cannot hold 2147483647 items\n"
              "\naddFile: argument defines cannot hold 2147483647 items\n"
              "\naddFile: argument includes cannot hold 2147483647 items\n"
              "\ngetTrees: argument list cannot hold 3 items\n"
              "\ngetTrees: list holds 1 items, 2 expected\ncall result: 0\n");
    EXPECT_EQ(c->calls, (Tokens{"getTrees(false, 2, [a|])"}));
}

TEST_F(ProjectTest, ProjectManagerAndProjectTestTraces) {
    c->statusOf["initProjectMngr"] = 5;
    c->isTivraProject = 2;
    OutputCapture out(2);
    EXPECT_EQ(JNI(initProjectMngr)(jni.env(), jni.self(), jni.str("K"), jni.str("/loc"), jni.str("N")), 5);
    EXPECT_EQ(JNI(isTivraProject)(jni.env(), jni.self(), jni.str("/loc"), jni.str("N")), JNI_FALSE);
    EXPECT_EQ(MaskErrorCodes(out.take()),
              "\nEnter call initProjectMngr() with parameters: \n\t bindKey = K \n\t location = /loc \n\t name = N "
              CALL_LINE("InitProjectMngr") "\t> API CALL - initProjectMngr\n\t\t bindKey - K\n\t\t location - /loc\n"
              "\t\t name - N\n\t< Result: 5\n\n\tExit " JNI_NAME("initProjectMngr") " result = # "
              "\nEnter call IsTivraProject() with parameters: \n\t location = /loc \n\t name = N "
              CALL_LINE("IsTivraProject") "\t> API CALL - isTivraProject\n\t\t location - /loc\n\t\t name - N\n"
              "\t< Result: 2\n\n\tExist " JNI_NAME("isTivraProject") " last error code = # ");
    c->isTivraProject = 1;
    EXPECT_EQ(JNI(isTivraProject)(jni.env(), jni.self(), jni.str("/loc"), jni.str("N")), JNI_TRUE);
}

TEST_F(ProjectTest, CreateProjectChecksItsFilesAndTraces) {
    const std::string dir = TestDirectory();
    const std::string acf = dir + "/p.acf", rcf = dir + "/p.rcf", cct = dir + "/missing.cct";
    WriteFile(acf, "a");
    WriteFile(rcf, "r");
    c->statusOf["createProject"] = 3;
    OutputCapture out(2);
    EXPECT_EQ(
        JNI(createProject)(jni.env(), jni.self(), jni.str(dir), jni.str("P"), jni.str(acf), jni.str(rcf), jni.str(cct)),
        3);
    EXPECT_EQ(MaskErrorCodes(out.take()),
              CALL_LINE("GetUserConfigPath") "\t> API CALL - getUserConfigPath\n\t< Result: getUserConfigPath text\n"
              "\nUser config path = getUserConfigPath text\n\nFile " + acf + " exists!\nFile " + rcf + " exists!\nFile " +
              cct + " NOT exists! Returned error code #\nDirector " + dir + " exists"
              "\nEnter call createProject() with parameters: \n\t location = " + dir + " \n\t name = P \n\t acfFile = " +
              acf + " \n\t rcfFile = " + rcf + " \n\t cctFile = " + cct + " " CALL_LINE("CreateProject")
              "\t> API CALL - createProject\n\t\t location - " + dir + "\n\t\t name - P\n\t\t acfFile - " + acf +
              "\n\t\t rcfFile - " + rcf + "\n\t\t cctFile - " + cct + "\n\t< Result: 3\n"
              "\n\tExist " JNI_NAME("createProject") " result = # ");
}

TEST_F(ProjectTest, TemplateTraces) {
    const std::string cct = TestDirectory() + "/t.cct";
    WriteFile(cct, "t");
    c->statusOf["setActiveCCT"] = 12;
    OutputCapture out(2);
    EXPECT_EQ(JNI(addCCT)(jni.env(), jni.self(), jni.str(cct)), 0);
    EXPECT_EQ(JNI(setActiveCCT)(jni.env(), jni.self(), 1, jni.str(cct)), 12);
    EXPECT_EQ(out.take(), "\nFile " + cct + " exists!\nEnter call addCCT() with parameter " + cct + "\n" +
                              CALL_LINE("AddCCT") "\t> API CALL - addCCT\n\t\t cctFilePath - " + cct +
                              "\n\t< Result: 0\n\nFile " + cct + " exists!\nEnter call setActiveCT() with parameter 1, " +
                              cct + "\n" + CALL_LINE("SetActiveCCT") "\t> API CALL - setActiveCCT\n\t\t lang - 1\n"
                              "\t\t cctFileName - " + cct + "\n\t< Result: 12\n");
}

TEST_F(ProjectTest, NullStringsNeverReachTheEngine) {
    JNIEnv* env = jni.env();
    jobject self = jni.self();
    OutputCapture out(1);
    EXPECT_EQ(JNI(initProjectMngr)(env, self, nullptr, jni.str("/l"), nullptr), -1);
    EXPECT_EQ(JNI(isTivraProject)(env, self, jni.str("/l"), nullptr), JNI_FALSE);
    EXPECT_EQ(JNI(createProject)(env, self, jni.str("/l"), jni.str("n"), nullptr, jni.str("r"), jni.str("c")), -1);
    EXPECT_EQ(JNI(addCCT)(env, self, nullptr), -1);
    EXPECT_EQ(JNI(setActiveCCT)(env, self, 0, nullptr), -1);
    EXPECT_EQ(JNI(addFile)(env, self, 0, jni.str("f"), nullptr, 0, jni.str(""), 0), -1);
    EXPECT_EQ(JNI(removeFile)(env, self, nullptr), -1);
    EXPECT_EQ(Text(JNI(getKoFile)(env, self, nullptr)), "");
    EXPECT_EQ(out.take(),
              "\ninitProjectMngr: argument bindKey is null\n\ninitProjectMngr: argument name is null\n"
              "\nisTivraProject: argument name is null\n\ncreateProject: argument acfFile is null\n"
              "\naddCCT: argument cctFilePath is null\n\nsetActiveCCT: argument cctFileName is null\n"
              "\naddFile: argument defines is null\n\nremoveFile: argument filePath is null\n"
              "\ngetKoFile: argument filePath is null\n");
    EXPECT_TRUE(c->calls.empty());
}

TEST_F(ProjectTest, AFailedConversionLeavesTheJavaExceptionPending) {
    jni.failStringReads = true;
    expectException = true;
    OutputCapture out(1);
    EXPECT_EQ(JNI(removeFile)(jni.env(), jni.self(), jni.str("/a.c")), -1);
    EXPECT_EQ(JNI(getKoFile)(jni.env(), jni.self(), jni.str("/a.c")), nullptr);
    EXPECT_EQ(JNI(getTrees)(jni.env(), jni.self(), JNI_FALSE, 1, jni.str("a")), nullptr);
    EXPECT_EQ(out.take(), "");
    EXPECT_TRUE(c->calls.empty());
}

TEST(ProjectWithoutEngine, FetchesGiveEmptyTextAndGetTreesWritesNoStdoutLine) {
    FakeJni jni;
    OutputCapture out(1);
    EXPECT_EQ(jni.bytes(JNI(getTrees)(jni.env(), jni.self(), JNI_TRUE, 0, nullptr)), "");
    EXPECT_EQ(jni.text(JNI(getFiles)(jni.env(), jni.self())), "");
    EXPECT_EQ(jni.text(JNI(getFileExtensions)(jni.env(), jni.self())), "");
    EXPECT_EQ(jni.text(JNI(getKoFile)(jni.env(), jni.self(), jni.str("/a.c"))), "");
    EXPECT_EQ(VorlanApi::GetInstance()->GetIncludeFiles(), -1);
    EXPECT_EQ(out.take(),
              "\tAttempt to call VorlanApi::GetTrees failed because ptr2f is null\n"
              "\tAttempt to call VorlanApi::GetFiles failed because ptr2f is null \n"
              "\tAttempt to call VorlanApi::GetMappedFileExtensions failed because ptr2f is null \n"
              "\tAttempt to call VorlanApi::GetKoFile failed because ptr2f is null \n"
              "\tAttempt to call VorlanApi::GetIncludeFiles failed because ptr2f is null \n");
}

// The partial engine lacks freeTrees and freeKoFile: the documents still reach
// Java, and the missing release is one level-1 line.
class PartialEngineProject : public BridgeTest {};

TEST_F(PartialEngineProject, MissingReleaseEntryStillReturnsTheDocument) {
    EngineDoubleControl* engine = LoadEngine(PartialEngine());
    ProjectRecords records;
    engine->trees = records.trees(records.item(0, "f", "", 1, 1), nullptr, nullptr);
    engine->koFile = records.file(1, records.defines({}), records.includes({}));
    OutputCapture out(1);
    EXPECT_EQ(jni.bytes(JNI(getTrees)(jni.env(), jni.self(), JNI_FALSE, 0, nullptr)),
              "<Tr><FT><Ty>0</Ty><N>f</N><D></D><To>1</To><A>1</A></FT><MT></MT><RT></RT></Tr>");
    EXPECT_EQ(jni.text(JNI(getKoFile)(jni.env(), jni.self(), jni.str("/p/a.c"))),
              "<KOF><IP></IP><DEF></DEF><SL>C++</SL></KOF>");
    EXPECT_EQ(out.take(),
              "call result: 0\n\tAttempt to call VorlanApi::FreeTrees failes because ptr2f is null \n"
              "\tAttempt to call VorlanApi::freeKoFile failed because ptr2f is null \n");
    EXPECT_TRUE(engine->releases.empty());
}
