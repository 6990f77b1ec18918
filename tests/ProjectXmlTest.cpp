// XML of project file settings, language lists and trees.

#include <climits>
#include <string>

#include "tests/ProjectRecords.h"
#include "tests/TestSupport.h"
#include "xml/ProjectXml.h"
#include "xml/extras/Serialize.h"

using namespace Utils;

namespace {

std::string Fields(int type, const std::string& name, const std::string& total = "0") {
    return "<Ty>" + std::to_string(type) + "</Ty><N>" + name + "</N><D></D><To>" + total + "</To><A>0</A>";
}

}  // namespace

TEST(KoFileXml, IncludePathsDefinesLanguageInThatOrderEscapedAfterJoining) {
    ProjectRecords r;
    EXPECT_EQ(SerializeKoFile(nullptr), "");
    EXPECT_EQ(SerializeKoFile(r.file(1, r.defines({}), r.includes({}))), "<KOF><IP></IP><DEF></DEF><SL>C++</SL></KOF>");
    // The second words of the include entries and the head of the record hold
    // "UNREAD": a wrong stride or field would show it.
    EXPECT_EQ(SerializeKoFile(r.file(0, r.defines({"DEBUG", "VERSION=2"}), r.includes({"/usr/include", "/opt/inc"}))),
              "<KOF><IP>/usr/include;/opt/inc</IP><DEF>DEBUG;VERSION=2</DEF><SL>C</SL></KOF>");
    EXPECT_EQ(SerializeKoFile(r.file(7, r.defines({"X<1", "Q=\"a&b\"", "a;b"}), r.includes({"/a", "/b c", "/'>"}))),
              "<KOF><IP>/a;/b c;/&apos;&gt;</IP><DEF>X&lt;1;Q=&quot;a&amp;b&quot;;a;b</DEF><SL></SL></KOF>");
    EXPECT_EQ(SerializeDefines(r.defines({""})), "<DEF></DEF>");
    EXPECT_EQ(SerializeDefines(r.defines({"", ""})), "<DEF>;</DEF>");
}

TEST(KoFileXml, NullListsAndNullItemsAreEmpty) {
    ProjectRecords r;
    EXPECT_EQ(SerializeKoFile(r.file(2, nullptr, nullptr)), "<KOF><IP></IP><DEF></DEF><SL>C#</SL></KOF>");
    KoDefines_C* defines = r.defines({"A", "B", "C"});
    defines->items()[1] = nullptr;
    KoIncludes_C* includes = r.includes({"/a", "/b"});
    includes->items()[0].path = nullptr;
    EXPECT_EQ(SerializeDefines(defines) + SerializeIncludedPaths(includes), "<DEF>A;;C</DEF><IP>;/b</IP>");
}

TEST(EnumerationXml, KnownValuesAsTextOthersEmptyOrAbsent) {
    const char* const names[] = {"C", "C++", "C#"};
    for (int code = 0; code <= 2; ++code) {
        EXPECT_EQ(SerializeSourceLanguage(code), "<SL>" + std::string(names[code]) + "</SL>");
        EXPECT_EQ(SerializeLanguage(code), "<L>" + std::to_string(code) + "</L>");
    }
    for (int type = 0; type <= 8; ++type)
        EXPECT_EQ(SerializeTreeItemType(type), "<Ty>" + std::to_string(type) + "</Ty>");
    for (int other : {-1, 3, 9, INT_MIN, INT_MAX}) {
        EXPECT_EQ(SerializeSourceLanguage(other), "<SL></SL>");
        EXPECT_EQ(SerializeLanguage(other), "");
        if (other == 3) continue;
        EXPECT_EQ(SerializeTreeItemType(other), "<Ty></Ty>");
    }
}

TEST(LanguagesXml, KnownCodesInListOrderOthersLeaveNoTrace) {
    ProjectRecords r;
    EXPECT_EQ(SerializeLanguages(nullptr), "");
    EXPECT_EQ(SerializeLanguages(r.languages({})), "<KOL></KOL>");
    EXPECT_EQ(SerializeLanguages(r.languages({0, 2})), "<KOL><L>0</L><L>2</L></KOL>");
    EXPECT_EQ(SerializeLanguages(r.languages({1, 5, 0})), "<KOL><L>1</L><L>0</L></KOL>");
}

TEST(TreesXml, ItemContentWithEscapedTextsSignedNumbersAndSubItemsInOrder) {
    ProjectRecords r;
    KoTreeStruct* root = r.item(0, "proj", "/home/u/proj", 1, 1, {r.item(2, "a&b.c", "/home/u/proj/a&b.c", 0, 0)});
    EXPECT_EQ(SerializeTreeItem(root),
              "<Ty>0</Ty><N>proj</N><D>/home/u/proj</D><To>1</To><A>1</A>"
              "<SI><Ty>2</Ty><N>a&amp;b.c</N><D>/home/u/proj/a&amp;b.c</D><To>0</To><A>0</A></SI>");
    EXPECT_EQ(SerializeTreeItem(r.item(9, "<'\">", "", -1, INT_MIN)),
              "<Ty></Ty><N>&lt;&apos;&quot;&gt;</N><D></D><To>-1</To><A>-2147483648</A>");
    // Siblings after a deep branch close at the right level.
    KoTreeStruct* deep = r.item(1, "a", "", 0, 0, {r.item(1, "b", "", 0, 0, {r.item(1, "c", "", 0, 0)})});
    KoTreeStruct* wide = r.item(0, "r", "", INT_MAX, 0, {deep, r.item(1, "d", "", 0, 0), r.item(1, "e", "", 0, 0)});
    EXPECT_EQ(SerializeTreeItem(wide), Fields(0, "r", "2147483647") + "<SI>" + Fields(1, "a") + "<SI>" +
                                           Fields(1, "b") + "<SI>" + Fields(1, "c") + "</SI></SI></SI><SI>" +
                                           Fields(1, "d") + "</SI><SI>" + Fields(1, "e") + "</SI>");
}

TEST(TreesXml, FileMessageRuleOrderWhateverTheFieldOrder) {
    ProjectRecords r;
    KoTrees_C* trees = r.trees(r.item(0, "files", "", 0, 0), r.item(1, "rules", "", 0, 0), r.item(2, "msgs", "", 0, 0));
    const std::string individual =
        "<FT>" + Fields(0, "files") + "</FT><MT>" + Fields(2, "msgs") + "</MT><RT>" + Fields(1, "rules") + "</RT>";
    EXPECT_EQ(SerializeTreesIndividual(trees), individual);
    EXPECT_EQ(SerializeTrees(trees), "<Tr>" + individual + "</Tr>");
}

TEST(TreesXml, NullRootsTextsAndSubItems) {
    ProjectRecords r;
    EXPECT_EQ(SerializeTrees(r.trees(nullptr, nullptr, nullptr)), "<Tr><FT></FT><MT></MT><RT></RT></Tr>");
    EXPECT_EQ(SerializeTrees(nullptr), "<Tr></Tr>");
    EXPECT_EQ(SerializeTreesIndividual(nullptr) + SerializeTreeItem(nullptr), "");
    KoTreeStruct* leaf = r.item(5, "leaf", "", 0, 0);
    leaf->subItems = nullptr;
    KoTreeStruct* root = r.item(3, "", "", 0, 0, {nullptr, r.item(4, "kept", "", 0, 0), leaf});
    root->name = nullptr;
    root->data = nullptr;
    EXPECT_EQ(SerializeTreeItem(root),
              Fields(3, "") + "<SI>" + Fields(4, "kept") + "</SI><SI>" + Fields(5, "leaf") + "</SI>");
}

TEST(TreesXml, HundredThousandLevelsOnASmallStack) {
    const size_t depth = 100000;
    ProjectRecords r;
    KoTrees_C* trees = r.trees(r.chain(depth), nullptr, nullptr);
    std::string xml;
    RunOnSmallStack([&] { xml = SerializeTrees(trees); });
    std::string expected = "<Tr><FT>";
    for (size_t i = 0; i < depth; ++i)
        expected += (i > 0 ? "<SI>" : "") + Fields(static_cast<int>(i % 9), "n" + std::to_string(i), "1");
    for (size_t i = 1; i < depth; ++i) expected += "</SI>";
    expected += "</FT><MT></MT><RT></RT></Tr>";
    EXPECT_TRUE(xml == expected) << "sizes " << xml.size() << " and " << expected.size();
}
