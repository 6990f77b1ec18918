// Reading "KOM" message elements back into records, and releasing them.

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/TestSupport.h"
#include "xml/MessageFree.h"
#include "xml/MessageReader.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

using namespace Utils;

namespace {

// A NUL-terminated copy of a text whose terminator is the last byte before an
// inaccessible page: a read past the input faults at once.
class GuardedText {
public:
    explicit GuardedText(const std::string& text) {
#ifdef _WIN32
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
#else
        const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
#endif
        const size_t bytes = text.size() + 1;
        const size_t dataBytes = (bytes + page - 1) / page * page;
        m_size = dataBytes + page;
#ifdef _WIN32
        m_base = static_cast<char*>(VirtualAlloc(nullptr, m_size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(m_base + dataBytes, page, PAGE_NOACCESS, &old);
#else
        m_base = static_cast<char*>(mmap(nullptr, m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        mprotect(m_base + dataBytes, page, PROT_NONE);
#endif
        m_text = m_base + dataBytes - bytes;
        std::memcpy(m_text, text.c_str(), bytes);
    }
    ~GuardedText() {
#ifdef _WIN32
        VirtualFree(m_base, 0, MEM_RELEASE);
#else
        munmap(m_base, m_size);
#endif
    }
    GuardedText(const GuardedText&) = delete;
    GuardedText& operator=(const GuardedText&) = delete;
    const char* c_str() const { return m_text; }

private:
    char* m_base;
    char* m_text;
    size_t m_size;
};

struct Message {
    std::string umid, hfl, number, text, producer;
    int level;
};

std::string KomElement(const std::string& umid, const std::string& level, const std::string& text) {
    return "<KOM><UMID>" + umid + "</UMID><HFL>help/" + umid + ".html</HFL><ML>" + level + "</ML><MN>" + umid +
           "-n</MN><MT>" + text + "</MT><P>prod</P><R><![CDATA[ref]]></R></KOM>";
}

std::string Diagnostic(const std::string& kom, const std::string& sub = "") {
    return "<KOD>" + kom + "<MH>false</MH><SS>0</SS><SD>" + (sub.empty() ? "false" : "true") + "</SD>" + sub +
           "<MP><![CDATA[p]]></MP><LI><F>a.c</F><L>3</L><C>1</C></LI></KOD>";
}

// Reads a text from guarded memory into plain values, checking the shape of
// every record, and releases everything.
std::vector<Message> Read(const std::string& input) {
    GuardedText text(input);
    KoMessageArray_C* array = DeserializeMessageArray(text.c_str());
    std::vector<Message> messages;
    if (array == nullptr) return messages;
    EXPECT_GT(array->count, 0u);
    for (uint32_t i = 0; i < array->count; ++i) {
        const KoMessage_C* m = array->at(i);
        EXPECT_TRUE(m->uniqueMessageId && m->helpFileLocation && m->messageNumber && m->messageText && m->producer);
        EXPECT_EQ(m->references, nullptr);
        messages.push_back(
            {m->uniqueMessageId, m->helpFileLocation, m->messageNumber, m->messageText, m->producer, m->level});
    }
    DeleteMessageArray(array);
    return messages;
}

}  // namespace

TEST(MessageReader, ReadsEveryMessageOfADiagnosticsDocumentInDocumentOrder) {
    const std::string document =
        "<KOE>" + Diagnostic(KomElement("m1", "KO_ERROR", "a &lt; b")) +
        Diagnostic(KomElement("m2", "2", "<![CDATA[x<y]]>"),
                   Diagnostic(KomElement("m3", "KO_DEBUG", "deep"), Diagnostic(KomElement("m4", "ko_error", "")))) +
        Diagnostic(KomElement("m5", "KO_USERMESSAGE", "last")) + "</KOE>";
    const std::vector<Message> messages = Read(document);
    ASSERT_EQ(messages.size(), 5u);
    const char* ids[] = {"m1", "m2", "m3", "m4", "m5"};
    const int levels[] = {2, 0, 1, 0, 3};  // by name only: "2" and "ko_error" are unknown names
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(messages[i].umid, ids[i]);
        EXPECT_EQ(messages[i].hfl, std::string("help/") + ids[i] + ".html");
        EXPECT_EQ(messages[i].number, std::string(ids[i]) + "-n");
        EXPECT_EQ(messages[i].producer, "prod");
        EXPECT_EQ(messages[i].level, levels[i]) << i;
    }
    // Values verbatim: no entity decoding, CDATA kept.
    EXPECT_EQ(messages[0].text, "a &lt; b");
    EXPECT_EQ(messages[1].text, "<![CDATA[x<y]]>");
    EXPECT_EQ(messages[3].text, "");
}

TEST(MessageReader, MissingElementsGiveEmptyValues) {
    const std::vector<Message> messages = Read("<KOM><UMID>u</UMID><MT>t</MT></KOM><KOM></KOM>");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].umid, "u");
    EXPECT_EQ(messages[0].text, "t");
    EXPECT_EQ(messages[0].producer, "");
    EXPECT_EQ(messages[0].level, 0);
    EXPECT_EQ(messages[1].umid, "");
    // A closing tag in front of the opening one does not end the value.
    EXPECT_EQ(getTagValue("P", "</P><P>x</P>"), "x");
    EXPECT_EQ(getTagValue("P", "<P>x"), "");
    EXPECT_EQ(getTagValue("P", ""), "");
}

TEST(MessageReader, ReadsOnlyUpToTheFirstKoeClosingTag) {
    EXPECT_EQ(Read("<KOE><KOM><UMID>a</UMID></KOM></KOE><KOE><KOM><UMID>b</UMID></KOM></KOE>").size(), 1u);
    // A "KOE" end in front of the first message does not cut anything.
    EXPECT_EQ(Read("</KOE><KOM><UMID>a</UMID></KOM><KOM><UMID>b</UMID></KOM>").size(), 2u);
    EXPECT_EQ(Read("<KOE><KOM>a</KOM>").size(), 1u);
}

TEST(MessageReader, TextWithoutCompleteMessagesGivesNothing) {
    EXPECT_EQ(DeserializeMessageArray(nullptr), nullptr);
    for (const char* input : {"", "<KOE></KOE>", "<KOE><KOD><MH>false</MH></KOD></KOE>", "<KOM", "<KOM>",
                              "<KOM><UMID>x", "<KOM><UMID>x</UMID></KO", "</KOE><KOE>"}) {
        GuardedText text(input);
        EXPECT_EQ(DeserializeMessageArray(text.c_str()), nullptr) << input;
    }
}

TEST(MessageReader, AnElementWithoutItsEndStopsTheReading) {
    const std::vector<Message> messages = Read("<KOM><UMID>a</UMID></KOM><KOM><UMID>b</UMID><KOM><UMID>c</UMID>");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].umid, "a");
    // A message nested in another is counted but gives no record of its own.
    const std::string nested = "<KOM><UMID>a</UMID><KOM><UMID>b</UMID></KOM>c</KOM>";
    EXPECT_EQ(getTagOccurrences(nested, "KOM"), 2);
    size_t read = 99;
    KoMessage_C** list = createMessageArray(nested, 2, &read);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(read, 1u);
    EXPECT_STREQ(list[0]->uniqueMessageId, "a");
    freeMessage(list[0]);
    std::free(list[0]);
    std::free(list);
}

TEST(MessageReader, CreateMessageArrayReadsAtMostCountMessages) {
    const std::string three = "<KOM>1</KOM><KOM>2</KOM><KOM>3</KOM>";
    size_t read = 99;
    EXPECT_EQ(createMessageArray(three, 0, &read), nullptr);
    EXPECT_EQ(read, 0u);
    EXPECT_EQ(createMessageArray(three, -1), nullptr);
    for (int count : {2, 10}) {
        KoMessage_C** list = createMessageArray(three, count, &read);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(read, count == 2 ? 2u : 3u);
        for (size_t i = 0; i < read; ++i) {
            freeMessage(list[i]);
            std::free(list[i]);
        }
        std::free(list);
    }
}

TEST(MessageReader, DamagedInputNeverReadsPastItsEnd) {
    // Tag fragments in random order, and every cut of a real document.
    const char* pieces[] = {"<KOM>", "</KOM>", "<UMID>", "</UMID>", "<ML>",      "KO_ERROR", "</ML>",
                            "<MT>",  "</MT>",  "</KOE>", "<KOE>",   "<",         "</",       ">",
                            "K",     "O",      "M",      "x",       "<![CDATA[", "]]>"};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string input;
        const int length = static_cast<int>(random() % 24);
        for (int i = 0; i < length; ++i) input += pieces[random() % (sizeof pieces / sizeof *pieces)];
        Read(input);
    }
    const std::string document =
        "<KOE>" + Diagnostic(KomElement("m1", "KO_ERROR", "t"), Diagnostic(KomElement("m2", "KO_DEBUG", "u"))) +
        "</KOE>";
    const size_t firstEnd = document.find("</KOM>") + 6;
    const size_t secondEnd = document.find("</KOM>", firstEnd) + 6;
    for (size_t cut = 0; cut <= document.size(); ++cut) {
        const size_t expected = cut >= secondEnd ? 2 : cut >= firstEnd ? 1 : 0;
        EXPECT_EQ(Read(document.substr(0, cut)).size(), expected) << cut;
    }
}

TEST(MessageReader, LargeInputIsReadInLinearTime) {
    // 60,000 messages, about 10 MB: a reader that copies the remaining text at
    // every step would not finish within the test's time limit.
    std::string document = "<KOE>";
    const std::string diagnostic = Diagnostic(KomElement("id", "KO_ERROR", std::string(100, 't')));
    for (int i = 0; i < 60000; ++i) document += diagnostic;
    document += "</KOE>";
    KoMessageArray_C* array = DeserializeMessageArray(document.c_str());
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(array->count, 60000u);
    EXPECT_EQ(array->at(59999)->level, 2);
    DeleteMessageArray(array);
}

TEST(MessageReader, SplitGivesThePiecesBetweenDelimiters) {
    EXPECT_EQ(split("a,b,,c", ','), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(split("a,b,", ','), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(split("", ',').empty());
    std::vector<std::string> pieces{"x"};
    EXPECT_EQ(&split(",y", ',', pieces), &pieces);
    EXPECT_EQ(pieces, (std::vector<std::string>{"x", "", "y"}));
}

TEST(MessageFree, ReleaseFunctionsAcceptNullAndPartialRecords) {
    freeMessageReferenceArray(nullptr);
    FreeMessageArray(nullptr);
    freeMessage(nullptr);
    DeleteMessageArray(nullptr);

    // A message with references, one without, and a null slot: everything the
    // release frees must be a heap block of its own (checked under a leak or
    // heap checker).
    auto* references = static_cast<KoReferenceArray_C*>(std::malloc(KoReferenceArray_C::BlockSize(2)));
    references->count = 2;
    references->items()[0] = getCharFromConstChar("r0");
    references->items()[1] = getCharFromConstChar(nullptr);
    EXPECT_STREQ(references->items()[1], "");
    auto* array = static_cast<KoMessageArray_C*>(std::malloc(KoMessageArray_C::BlockSize(3)));
    array->count = 3;
    for (uint32_t i = 0; i < 2; ++i) {
        auto* message = static_cast<KoMessage_C*>(std::malloc(sizeof(KoMessage_C)));
        createMessage(message, "<UMID>u</UMID><P>p</P>");
        EXPECT_EQ(message->references, nullptr);
        array->items()[i] = message;
    }
    array->items()[0]->references = references;
    array->items()[2] = nullptr;
    DeleteMessageArray(array);
}
