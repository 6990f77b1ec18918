// Reading "KOM" message elements back into records, and releasing them.

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "xml/extras/MessageFree.h"
#include "xml/extras/MessageReader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

using namespace Utils;

namespace {

// A copy of a text whose terminating NUL is the last byte before an
// inaccessible page: a read past the input faults at once.
class GuardedText {
public:
    explicit GuardedText(const std::string& text) {
#ifdef _WIN32
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        m_size = (text.size() / page + 2) * page;
        m_base = static_cast<char*>(VirtualAlloc(nullptr, m_size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(m_base + m_size - page, page, PAGE_NOACCESS, &old);
#else
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
        m_size = (text.size() / page + 2) * page;
        m_base = static_cast<char*>(mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(m_base + m_size - page, page, PROT_NONE);
#endif
        m_text = m_base + m_size - page - text.size() - 1;
        std::memcpy(m_text, text.c_str(), text.size() + 1);
    }
    ~GuardedText() {
#ifdef _WIN32
        VirtualFree(m_base, 0, MEM_RELEASE);
#else
        munmap(m_base, m_size);
#endif
    }
    const char* c_str() const { return m_text; }

private:
    char* m_base;
    char* m_text;
    size_t m_size;
};

std::string Kom(const std::string& umid, const std::string& level, const std::string& text) {
    return "<KOM><UMID>" + umid + "</UMID><HFL>help/" + umid + "</HFL><ML>" + level + "</ML><MN>" + umid +
           "-n</MN><MT>" + text + "</MT><P>prod</P><R><![CDATA[ref]]></R></KOM>";
}

std::string Kod(const std::string& kom, const std::string& sub = "") {
    return "<KOD>" + kom + "<MH>false</MH><SS>0</SS><SD>" + (sub.empty() ? "false" : "true") + "</SD>" + sub +
           "<MP><![CDATA[p]]></MP><LI><F>a.c</F><L>3</L><C>1</C></LI></KOD>";
}

// Reads a text from guarded memory, checks the shape of every record, and
// gives back "umid|hfl|level|number|text|producer" per message.
std::vector<std::string> Read(const std::string& input) {
    GuardedText text(input);
    KoMessageArray_C* array = DeserializeMessageArray(text.c_str());
    std::vector<std::string> messages;
    for (uint32_t i = 0; i < CountOf(array); ++i) {
        const KoMessage_C* m = array->at(i);
        EXPECT_EQ(m->references, nullptr);
        messages.push_back(std::string(m->uniqueMessageId) + "|" + m->helpFileLocation + "|" +
                           std::to_string(m->level) + "|" + m->messageNumber + "|" + m->messageText + "|" +
                           m->producer);
    }
    EXPECT_TRUE(array == nullptr || array->count > 0);
    DeleteMessageArray(array);
    return messages;
}

void DeleteList(KoMessage_C** list, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        freeMessage(list[i]);
        std::free(list[i]);
    }
    std::free(list);
}

}  // namespace

TEST(MessageReader, ReadsEveryMessageOfADiagnosticsDocumentInDocumentOrder) {
    const std::string document =
        "<KOE>" + Kod(Kom("m1", "KO_ERROR", "a &lt; b")) +
        Kod(Kom("m2", "2", "<![CDATA[x<y]]>"), Kod(Kom("m3", "KO_DEBUG", "deep"), Kod(Kom("m4", "ko_error", "")))) +
        Kod(Kom("m5", "KO_USERMESSAGE", "last")) + "<KOM><UMID>u</UMID></KOM><KOM></KOM></KOE>";
    // Levels by name only; values verbatim (no entity decoding, CDATA kept);
    // missing elements give empty values and level 0.
    EXPECT_EQ(Read(document),
              (std::vector<std::string>{"m1|help/m1|2|m1-n|a &lt; b|prod", "m2|help/m2|0|m2-n|<![CDATA[x<y]]>|prod",
                                        "m3|help/m3|1|m3-n|deep|prod", "m4|help/m4|0|m4-n||prod",
                                        "m5|help/m5|3|m5-n|last|prod", "u||0|||", "||0|||"}));
    // A closing tag in front of the opening one does not end the value.
    EXPECT_EQ(getTagValue("P", "</P><P>x</P>"), "x");
    EXPECT_EQ(getTagValue("P", "<P>x"), "");
}

TEST(MessageReader, ReadsFromTheFirstMessageToTheFirstKoeEnd) {
    EXPECT_EQ(Read("<KOE><KOM><UMID>a</UMID></KOM></KOE><KOE><KOM><UMID>b</UMID></KOM></KOE>").size(), 1u);
    // A "KOE" end in front of the first message cuts nothing.
    EXPECT_EQ(Read("</KOE><KOM><UMID>a</UMID></KOM><KOM><UMID>b</UMID></KOM>").size(), 2u);
    EXPECT_EQ(DeserializeMessageArray(nullptr), nullptr);
    for (const char* input : {"", "<KOE></KOE>", "<KOE><KOD><MH>false</MH></KOD></KOE>", "<KOM", "<KOM>",
                              "<KOM><UMID>x</UMID></KO", "<KOE></KOE><KOM>"})
        EXPECT_TRUE(Read(input).empty()) << input;
}

TEST(MessageReader, AnElementWithoutItsEndOrInsideAnotherGivesNoRecord) {
    EXPECT_EQ(Read("<KOM><UMID>a</UMID></KOM><KOM><UMID>b</UMID><KOM><UMID>c</UMID>"),
              std::vector<std::string>{"a||0|||"});
    // Nested openings are counted, so the count is only an upper bound.
    const std::string nested = "<KOM><UMID>a</UMID><KOM><UMID>b</UMID></KOM>c</KOM><KOM>d</KOM>";
    EXPECT_EQ(getTagOccurrences(nested, "KOM"), 3);
    size_t read = 99;
    EXPECT_EQ(createMessageArray(nested, 0, &read), nullptr);
    EXPECT_EQ(read, 0u);
    for (int count : {1, 3}) {
        KoMessage_C** list = createMessageArray(nested, count, &read);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(read, count == 1 ? 1u : 2u);
        EXPECT_STREQ(list[0]->uniqueMessageId, "a");
        DeleteList(list, read);
    }
}

TEST(MessageReader, DamagedInputNeverReadsPastItsEnd) {
    const char* pieces[] = {"<KOM>", "</KOM>", "<UMID>", "</UMID>", "<ML>", "KO_ERROR", "</ML>",     "</KOE>", "<KOE>",
                            "<",     "</",     ">",      "K",       "M",    "x",        "<![CDATA[", "]]>"};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string input;
        for (int i = static_cast<int>(random() % 24); i > 0; --i)
            input += pieces[random() % (sizeof pieces / sizeof *pieces)];
        Read(input);
    }
    // Every cut of a real document gives the messages whose end it holds.
    const std::string document = "<KOE>" + Kod(Kom("m1", "KO_ERROR", "t"), Kod(Kom("m2", "KO_DEBUG", "u"))) + "</KOE>";
    const size_t firstEnd = document.find("</KOM>") + 6;
    const size_t secondEnd = document.find("</KOM>", firstEnd) + 6;
    for (size_t cut = 0; cut <= document.size(); ++cut)
        EXPECT_EQ(Read(document.substr(0, cut)).size(), cut >= secondEnd ? 2u : cut >= firstEnd ? 1u : 0u) << cut;
}

TEST(MessageReader, LargeInputIsReadInLinearTime) {
    // 60,000 messages, about 10 MB: a reader that copies the remaining text at
    // every step would not finish within the test's time limit.
    std::string document = "<KOE>";
    const std::string diagnostic = Kod(Kom("id", "KO_ERROR", std::string(100, 't')));
    for (int i = 0; i < 60000; ++i) document += diagnostic;
    KoMessageArray_C* array = DeserializeMessageArray((document + "</KOE>").c_str());
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->count, 60000u);
    EXPECT_EQ(array->at(59999)->level, 2);
    DeleteMessageArray(array);
}

// Each field is the text between the first opening tag of its element in the
// message and the first closing tag behind it, wherever the fields stand and
// whatever else the message holds: compared with a plain search per field on
// messages with shuffled, repeated, missing and look-alike elements of every
// length, so that tags fall across every offset of the reader's block scans.
TEST(MessageReader, FieldsAreTheFirstElementsOfTheirNameInAnyOrder) {
    const char* const names[] = {"UMID", "HFL", "ML", "MN", "MT", "P"};
    const char* const decoys[] = {"<MX>",      "<UMI>", "</P>", "<PP>", "<M", "<", ">", "<KOD>", "<![CDATA[<P>c</P>]]>",
                                  "&lt;MT&gt;"};
    auto plainValue = [](const std::string& content, const std::string& name) {
        const size_t open = content.find("<" + name + ">");
        if (open == std::string::npos) return std::string();
        const size_t start = open + name.size() + 2;
        const size_t close = content.find("</" + name + ">", start);
        return close == std::string::npos ? std::string() : content.substr(start, close - start);
    };
    std::mt19937 random(31);
    for (int round = 0; round < 3000; ++round) {
        std::string content;
        for (int piece = static_cast<int>(random() % 12); piece > 0; --piece) {
            if (random() % 4 == 0) {
                content += decoys[random() % (sizeof decoys / sizeof *decoys)];
                continue;
            }
            const std::string name = names[random() % 6];
            const std::string value =
                random() % 5 == 0 ? "KO_ERROR" : std::string(random() % 40, static_cast<char>('a' + random() % 26));
            content += "<" + name + ">" + value + (random() % 6 == 0 ? "" : "</" + name + ">");
        }
        KoMessage_C message;
        createMessage(&message, content);
        const char* const fields[] = {message.uniqueMessageId, message.helpFileLocation, message.messageNumber,
                                      message.messageText, message.producer};
        const char* const fieldNames[] = {"UMID", "HFL", "MN", "MT", "P"};
        for (size_t f = 0; f < 5; ++f) ASSERT_EQ(fields[f], plainValue(content, fieldNames[f])) << content;
        ASSERT_EQ(message.level, getMessageLevelFromString(plainValue(content, "ML"))) << content;
        freeMessage(&message);
        // The same message inside a document, at every offset from its start.
        const std::string document = std::string(random() % 17, ' ') + "<KOM>" + content + "</KOM>";
        if (content.find("</KOM>") != std::string::npos) continue;
        const std::vector<std::string> read = Read(document);
        ASSERT_EQ(read.size(), 1u) << document;
        ASSERT_EQ(read[0].substr(0, read[0].find('|')), plainValue(content, "UMID")) << document;
    }
}

TEST(MessageReader, SplitGivesThePiecesBetweenDelimiters) {
    EXPECT_EQ(split("a,b,,c", ','), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(split("a,b,", ','), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(split("", ',').empty());
    std::vector<std::string> pieces{"x"};
    EXPECT_EQ(&split(",y", ',', pieces), &pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{"x", "", "y"}));
}

TEST(MessageFree, ReleaseFunctionsAcceptNullAndFreeEveryBlock) {
    freeMessageReferenceArray(nullptr);
    FreeMessageArray(nullptr);
    freeMessage(nullptr);
    DeleteMessageArray(nullptr);
    // A message with references and a null slot (leaks and double frees show
    // under a heap checker).
    auto* references = static_cast<KoReferenceArray_C*>(std::malloc(KoReferenceArray_C::BlockSize(1)));
    *references = {{1, 0}};
    references->items()[0] = getCharFromConstChar(nullptr);
    EXPECT_STREQ(references->items()[0], "");
    auto* array = static_cast<KoMessageArray_C*>(std::malloc(KoMessageArray_C::BlockSize(2)));
    *array = {{2, 0}};
    array->items()[0] = static_cast<KoMessage_C*>(std::malloc(sizeof(KoMessage_C)));
    createMessage(array->items()[0], "<UMID>u</UMID><P>p</P>");
    EXPECT_EQ(array->items()[0]->references, nullptr);
    array->items()[0]->references = references;
    array->items()[1] = nullptr;
    DeleteMessageArray(array);
}
