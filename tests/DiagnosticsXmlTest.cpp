// The diagnostic tree as XML: element order, value forms, broken records and
// deep nesting.

#include <climits>
#include <random>
#include <string>

#include "tests/DiagnosticRecords.h"
#include "tests/MeasuredDocument.h"
#include "tests/TestSupport.h"
#include "xml/DiagnosticsXml.h"
#include "xml/extras/Serialize.h"

using namespace Utils;

namespace {

const char* const kExample =
    "<KOE><KOD><KOM><UMID>id1</UMID><HFL>help.html</HFL><ML>2</ML><MN>12</MN><MT>a &lt; b</MT><P>checker</P>"
    "<R><![CDATA[ref1]]></R></KOM><MH>false</MH><SS>0</SS><SD>false</SD><MP><![CDATA[x]]></MP>"
    "<LI><F>/src/a.c</F><L>10</L><C>5</C></LI></KOD></KOE>";

// The content of a KOM element for a message made by Plain().
std::string PlainKom(const std::string& id) {
    return "<KOM><UMID>" + id + "</UMID><HFL>h</HFL><ML>1</ML><MN>7</MN><MT>t</MT><P>p</P></KOM>";
}

KoMessage_C* Plain(DiagnosticRecords& records, const char* id) { return records.Message(id, "h", 1, "7", "t", "p"); }

// A diagnostic with no arrays content: KOM, MH, SS, SD.
std::string LeafHead(const std::string& id, int suppression, bool hasSub) {
    return PlainKom(id) + "<MH>false</MH><SS>" + std::to_string(suppression) + "</SS><SD>" +
           (hasSub ? "true" : "false") + "</SD>";
}

// Straightforward recursive writer, kept apart from the code under test, for
// comparing random trees of small depth.
std::string Reference(const DiagnosticStruct* d);
std::string ReferenceList(const KoDiagnosticArray_C* list) {
    std::string out;
    for (uint32_t i = 0; list != nullptr && i < list->count; ++i)
        if (list->at(i) != nullptr) out += "<KOD>" + Reference(list->at(i)) + "</KOD>";
    return out;
}
std::string Reference(const DiagnosticStruct* d) {
    std::string out = "<KOM>" + SerializeMessage(d->message) + "</KOM>";
    out += std::string("<MH>") + (d->multiHomed ? "true" : "false") + "</MH>";
    out += "<SS>" + std::to_string(d->suppressionState) + "</SS>";
    out += std::string("<SD>") + (d->hasSubDiagnostics ? "true" : "false") + "</SD>";
    out += ReferenceList(d->subDiagnostics);
    for (uint32_t i = 0; i < d->parameters->count; ++i)
        out += std::string("<MP><![CDATA[") + d->parameters->at(i) + "]]></MP>";
    for (uint32_t i = 0; i < d->locations->count; ++i) {
        const LocationStruct* l = d->locations->at(i);
        out += std::string("<LI><F>") + l->file + "</F><L>" + std::to_string(l->line) + "</L><C>" +
               std::to_string(l->column) + "</C></LI>";
    }
    return out;
}

}  // namespace

TEST(DiagnosticsXml, OneDiagnosticIsWrittenExactlyAndTheSizeIsLogged) {
    DiagnosticRecords records;
    KoDiagnosticArray_C* list =
        records.List({records.Diagnostic(records.Message("id1", "help.html", 2, "12", "a < b", "checker", {"ref1"}),
                                         {"x"}, {records.Location("/src/a.c", 10, 5)})});
    OutputCapture out(2);
    EXPECT_EQ(SerializeDiagnosticArray(list), kExample);
    EXPECT_EQ(out.take(), "Utils:SerializeDiagnosticArray - Attempting to serialize diagArray with size : 1\n");
}

TEST(DiagnosticsXml, NullAndEmptyLists) {
    DiagnosticRecords records;
    OutputCapture out(2);
    EXPECT_EQ(SerializeDiagnosticArray(nullptr), "");
    EXPECT_EQ(out.take(), "");
    OutputCapture empty(2);
    EXPECT_EQ(SerializeDiagnosticArray(records.List({})), "<KOE></KOE>");
    EXPECT_EQ(empty.take(), "Utils:SerializeDiagnosticArray - Attempting to serialize diagArray with size : 0\n");
    EXPECT_EQ(SerializeDiagnosticArrayIndividual(records.List({})), "");
    EXPECT_EQ(SerializeDiagnosticArrayIndividual(nullptr), "");
}

TEST(DiagnosticsXml, OnlyTheMessageTextIsEscapedAndCDataIsVerbatim) {
    DiagnosticRecords records;
    const char* markup = "a&b<c>'d\"";
    DiagnosticStruct* d =
        records.Diagnostic(records.Message(markup, markup, 3, markup, markup, markup, {"]]><x>&amp;", ""}),
                           {"<p>&", ""}, {records.Location(markup, 1, 2)});
    // Verbatim fields keep all but & and <; a "]]>" in CDATA splits the section.
    const std::string m = "a&amp;b&lt;c>'d\"";
    EXPECT_EQ(SerializeDiagnostic(d), "<KOM><UMID>" + m + "</UMID><HFL>" + m + "</HFL><ML>3</ML><MN>" + m +
                                          "</MN><MT>a&amp;b&lt;c&gt;&apos;d&quot;</MT><P>" + m +
                                          "</P><R><![CDATA[]]]]><![CDATA[><x>&amp;]]></R><R><![CDATA[]]></R></KOM>"
                                          "<MH>false</MH><SS>0</SS><SD>false</SD>"
                                          "<MP><![CDATA[<p>&]]></MP><MP><![CDATA[]]></MP>"
                                          "<LI><F>" +
                                          m + "</F><L>1</L><C>2</C></LI>");
    // Tab, line feed and valid sequences pass; what XML cannot carry is U+FFFD
    // in every field: an invalid byte, a form feed, escape, the encoded NUL,
    // U+FFFF, a lone surrogate.
    EXPECT_EQ(SerializeMessage(records.Message("\x0c", "\xe9t\xe9", 0, "\xc0\x80", "\t\n\xc3\xa9\xff\x1b",
                                               "\xef\xbf\xbf\xed\xa0\x80")),
              "<UMID>\xef\xbf\xbd</UMID><HFL>\xef\xbf\xbdt\xef\xbf\xbd</HFL><ML>0</ML><MN>\xef\xbf\xbd</MN>"
              "<MT>\t\n\xc3\xa9\xef\xbf\xbd\xef\xbf\xbd</MT><P>\xef\xbf\xbd\xef\xbf\xbd</P>");
}

TEST(DiagnosticsXml, IntegersAreSignedDecimalAndAnyNonZeroByteIsTrue) {
    DiagnosticRecords records;
    DiagnosticStruct* d =
        records.Diagnostic(records.Message("u", "h", -7, "n", "t", "p"), {},
                           {records.Location("f", -1, INT_MIN), records.Location("g", INT_MAX, 0)}, {}, 2, -3);
    d->hasSubDiagnostics = 0xFF;  // flag set without sub-diagnostics: written as recorded
    EXPECT_EQ(SerializeDiagnostic(d),
              "<KOM><UMID>u</UMID><HFL>h</HFL><ML>-7</ML><MN>n</MN><MT>t</MT><P>p</P></KOM>"
              "<MH>true</MH><SS>-3</SS><SD>true</SD>"
              "<LI><F>f</F><L>-1</L><C>-2147483648</C></LI><LI><F>g</F><L>2147483647</L><C>0</C></LI>");
}

TEST(DiagnosticsXml, BrokenRecordsAreWrittenWithoutCrashing) {
    DiagnosticRecords records;
    // Null texts are empty text; a null reference array (as in messages that
    // the bridge reads from XML itself) gives no R.
    KoMessage_C* hollow = records.Message(nullptr, nullptr, 2, nullptr, nullptr, nullptr, {nullptr, "r"});
    EXPECT_EQ(SerializeMessage(hollow),
              "<UMID></UMID><HFL></HFL><ML>2</ML><MN></MN><MT></MT><P></P><R><![CDATA[]]></R><R><![CDATA[r]]></R>");
    hollow->references = nullptr;
    EXPECT_EQ(SerializeMessage(hollow), "<UMID></UMID><HFL></HFL><ML>2</ML><MN></MN><MT></MT><P></P>");
    EXPECT_EQ(SerializeMessage(nullptr), "");

    // Null message: an empty KOM. Null arrays: nothing. Null elements of
    // record arrays: skipped; null texts in text arrays: empty, so that the
    // parameters keep their positions.
    DiagnosticStruct* leaf = records.Diagnostic(Plain(records, "leaf"));
    DiagnosticStruct* d = records.Diagnostic(
        nullptr, {"a", nullptr, "c"}, {nullptr, records.Location(nullptr, 1, 2), nullptr}, {nullptr, leaf, nullptr});
    EXPECT_EQ(SerializeDiagnostic(d), "<KOM></KOM><MH>false</MH><SS>0</SS><SD>true</SD><KOD>" +
                                          LeafHead("leaf", 0, false) +
                                          "</KOD><MP><![CDATA[a]]></MP><MP><![CDATA[]]></MP><MP><![CDATA[c]]></MP>"
                                          "<LI><F></F><L>1</L><C>2</C></LI>");
    d->subDiagnostics = nullptr;
    d->parameters = nullptr;
    d->locations = nullptr;
    EXPECT_EQ(SerializeDiagnostic(d), "<KOM></KOM><MH>false</MH><SS>0</SS><SD>true</SD>");
    EXPECT_EQ(SerializeDiagnostic(nullptr), "");

    EXPECT_EQ(SerializeDiagnosticArray(records.List({nullptr, leaf, nullptr})),
              "<KOE><KOD>" + LeafHead("leaf", 0, false) + "</KOD></KOE>");
    EXPECT_EQ(SerializeDiagnosticArray(records.List({nullptr})), "<KOE></KOE>");
}

TEST(DiagnosticsXml, MeasuredLengthIsTheWrittenLength) {
    DiagnosticRecords records;
    const char* markup = "&&<>'\"x";
    DiagnosticStruct* broken =
        records.Diagnostic(nullptr, {nullptr, "p"}, {nullptr, records.Location(nullptr, 0, 0)}, {nullptr});
    DiagnosticStruct* full =
        records.Diagnostic(records.Message(markup, nullptr, INT_MIN, "", markup, "p", {markup, nullptr}), {markup},
                           {records.Location(markup, INT_MAX, -10), records.Location("f", 9, 10)}, {broken}, 1, -1);
    broken->parameters = nullptr;
    for (KoDiagnosticArray_C* list : {records.List({}), records.List({nullptr}), records.List({full, broken}),
                                      static_cast<KoDiagnosticArray_C*>(nullptr)}) {
        const MeasuredDocument document = MeasuredFirst(Xml::WriteDiagnosticArray, list);
        EXPECT_EQ(document.measured, document.written.size()) << document.written;
        EXPECT_EQ(document.written, SerializeDiagnosticArray(list));
    }
    // Appending keeps what the string held.
    std::string out = "head";
    Xml::StringDestination destination(out);
    Xml::WriteDiagnosticArray(destination, records.List({}));
    EXPECT_EQ(out, "head<KOE></KOE>");
}

TEST(DiagnosticsXml, RandomTreesMatchAPlainRecursiveWriter) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 200; ++round) {
        DiagnosticRecords records;
        int serial = 0;
        // Built bottom-up by levels so no recursion is needed here either.
        std::vector<DiagnosticStruct*> level;
        const int depth = 1 + static_cast<int>(random() % 5);
        for (int d = 0; d < depth; ++d) {
            std::vector<DiagnosticStruct*> next;
            const int width = static_cast<int>(random() % 4);
            for (int w = 0; w < width; ++w) {
                std::vector<DiagnosticStruct*> children;
                for (DiagnosticStruct* child : level)
                    if (random() % 2 != 0) children.push_back(random() % 8 == 0 ? nullptr : child);
                std::vector<const char*> parameters(random() % 3, "p&<");
                std::vector<LocationStruct*> locations;
                for (unsigned i = random() % 3; i > 0; --i)
                    locations.push_back(records.Location("f", static_cast<int>(random() % 100), -1));
                const std::string id = "m" + std::to_string(serial++);
                next.push_back(records.Diagnostic(Plain(records, id.c_str()), parameters, locations, children,
                                                  static_cast<uint8_t>(random() % 3), serial));
            }
            level = next;
        }
        KoDiagnosticArray_C* list = records.List(level);
        ASSERT_EQ(SerializeDiagnosticArrayIndividual(list), ReferenceList(list)) << "round " << round;
        const MeasuredDocument document = MeasuredFirst(Xml::WriteDiagnosticArray, list);
        ASSERT_EQ(document.measured, document.written.size()) << "round " << round;
        ASSERT_EQ(document.written, SerializeDiagnosticArray(list)) << "round " << round;
    }
}

TEST(DiagnosticsXml, NestingOfAHundredThousandLevelsFitsASmallStack) {
    constexpr int kDepth = 100000;
    DiagnosticRecords records;
    // Level i has suppression state i and, below the last, one sub-diagnostic.
    DiagnosticStruct* below = nullptr;
    for (int i = kDepth - 1; i >= 0; --i) {
        std::vector<DiagnosticStruct*> subs;
        if (below != nullptr) subs.push_back(below);
        below = records.Diagnostic(Plain(records, "d"), {"v"}, {}, subs, 0, i);
    }
    KoDiagnosticArray_C* list = records.List({below});

    std::string written;
    RunOnSmallStack([&] { written = SerializeDiagnosticArray(list); });

    std::string expected = "<KOE>";
    for (int i = 0; i < kDepth; ++i) expected += "<KOD>" + LeafHead("d", i, i + 1 < kDepth);
    for (int i = 0; i < kDepth; ++i) expected += "<MP><![CDATA[v]]></MP></KOD>";
    expected += "</KOE>";
    ASSERT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected);
}
