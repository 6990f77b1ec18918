// The writer under the serialisers: escaping scans, integer formatting, the
// field kinds through the staging buffer and its hand-over to the result, the
// meter that sizes it, and the nested walk with its bounds.

#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/EscapeReference.h"
#include "tests/MeasuredDocument.h"
#include "tests/TestSupport.h"
#include "xml/Writing.h"
#include "xml/extras/Serialize.h"

using namespace Utils;

namespace {

size_t FirstOf(const std::string& text, const char* set, bool unclean) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (unclean && (c >= 0x80 || (c < 0x20 && c != '\t' && c != '\n' && c != '\r'))) return i;
        if (c != 0 && std::strchr(set, c) != nullptr) return i;
    }
    return text.size();
}
size_t FirstMarkup(const std::string& text) { return FirstOf(text, "&<>'\"", false); }

// Texts of every length up to 70 with stops of the scans (markup, controls,
// bytes above 0x7F) or a near miss ('=', '%', '#', tab, line feed, DEL, ...)
// at chosen places, read from the middle of a
// larger block so that the scans' own bounds are what is tested.
std::vector<std::string> Texts() {
    const char markup[] = {'&', '<', '>', '\'', '"', '\x01', '\x1f', '\x80', '\xbe', '\xff'};
    const char nearMisses[] = {'=', '%', '#', '?', '$', '!', '\t', '\n', '\r', '\x7f', ' ', ']'};
    std::vector<std::string> texts;
    for (size_t length = 0; length <= 70; ++length) {
        std::string plain(length, 'a');
        for (size_t i = 0; i < length; ++i) plain[i] = static_cast<char>('a' + i % 26);
        texts.push_back(plain);
        for (size_t at = 0; at < length; ++at) {
            for (char c : markup) {
                std::string one = plain;
                one[at] = c;
                texts.push_back(one);
                one[length - 1 - (at * 7) % length] = '&';  // a second one elsewhere
                texts.push_back(one);
            }
            std::string miss = plain;
            miss[at] = nearMisses[at % sizeof nearMisses];
            texts.push_back(miss);
        }
    }
    return texts;
}

std::string Element(const std::string& name, const std::string& content) {
    return "<" + name + ">" + content + "</" + name + ">";
}

}  // namespace

TEST(XmlOutput, ScansAgreeWithAPlainSearchAtEveryLengthAndPlace) {
    for (const std::string& text : Texts()) {
        // Copied into a block with stops on both sides of the text.
        const std::string block = "<&\"\x01" + text + "\xff'>&";
        const char* at = block.data() + 4;
        ASSERT_EQ(Xml::FindMarkup(at, text.size()), FirstMarkup(text)) << text;
        ASSERT_EQ(Xml::FindEscapedStop(at, text.size()), FirstOf(text, "&<>'\"", true)) << text;
        ASSERT_EQ(Xml::FindVerbatimStop(at, text.size()), FirstOf(text, "&<>", true)) << text;
        ASSERT_EQ(Xml::FindCDataStop(at, text.size()), FirstOf(text, ">", true)) << text;
        ASSERT_EQ(Xml::FindUnclean(at, text.size()), FirstOf(text, "", true)) << text;
        const std::string escaped = FiveReplacements(text);
        ASSERT_EQ(Xml::EscapedLength(at, text.size()), escaped.size()) << text;
        ASSERT_EQ(ValidateForXML(text), escaped) << text;
        std::string out = "x";
        Xml::StringDestination destination(out);
        Xml::Output output(destination);
        output.Escape(at, text.size());
        output.Flush();
        ASSERT_EQ(out, "x" + escaped) << text;
    }
}

// The one-pass scan of every text (CleanRun): its length and its first stop
// for each field kind, at every alignment of its start, near a page's end and
// away from it, at lengths that take each of its paths (the 32 bytes from the
// start, the aligned blocks), with stops before the text and after its end
// that must not count.
TEST(XmlOutput, CleanRunsFindTheLengthAndTheFirstStopAtEveryAlignment) {
    auto reference = [](const std::string& text, Xml::CleanFor kind) {
        for (size_t i = 0; i < text.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c < 0x20 || c >= 0x80 || c == '>' || (kind != Xml::CleanFor::CData && (c == '<' || c == '&')) ||
                (kind == Xml::CleanFor::Escaped && (c == '\'' || c == '"')))
                return i;
        }
        return text.size();
    };
    using Scan = size_t (*)(const char*, size_t*);
    struct Road {
        Xml::CleanFor kind;
        Scan scan;
    };
    const Road roads[] = {{Xml::CleanFor::Verbatim, Xml::CleanRun<Xml::CleanFor::Verbatim>},
                          {Xml::CleanFor::Escaped, Xml::CleanRun<Xml::CleanFor::Escaped>},
                          {Xml::CleanFor::CData, Xml::CleanRun<Xml::CleanFor::CData>}};
    // Two pages: texts start at every place of a 128-byte stretch at the first
    // page's start and of the one at its end (where the scan does not read
    // ahead of the text's start).
    alignas(4096) static char block[8192];
    const char stops[] = {'>', '<', '&', '\'', '"', '\t', '\x01', '\x80', '\xff'};
    for (size_t length = 0; length <= 300; length += length < 140 ? 1 : 23) {
        std::vector<std::string> texts;
        std::string plain(length, 'a');
        for (size_t i = 0; i < length; ++i) plain[i] = static_cast<char>('a' + i % 26);
        texts.push_back(plain);
        for (size_t at : {size_t{0}, length / 2, length - 1})
            if (at < length)
                for (char c : stops) {
                    std::string one = plain;
                    one[at] = c;
                    texts.push_back(one);
                }
        for (size_t offset = 0; offset < 4096; offset += offset == 127 ? 4096 - 255 : 1) {
            for (const std::string& text : texts) {
                std::memset(block, '&', sizeof block);
                std::memcpy(block + offset, text.data(), text.size());
                block[offset + text.size()] = '\0';
                for (const Road& road : roads) {
                    size_t found = 12345;
                    const size_t run = road.scan(block + offset, &found);
                    ASSERT_EQ(found, text.size()) << "length " << length << ", offset " << offset;
                    ASSERT_EQ(run, reference(text, road.kind)) << text << ", offset " << offset;
                }
            }
        }
    }
    for (const Road& road : roads) {
        size_t found = 12345;
        EXPECT_EQ(road.scan(nullptr, &found), 0u);
        EXPECT_EQ(found, 0u);
    }
}

TEST(XmlOutput, RandomTextsEscapeLikeTheFiveReplacements) {
    std::mt19937 random(7);
    const char alphabet[] = "&<>'\"abc;=\x80\xff";
    for (int round = 0; round < 2000; ++round) {
        std::string text(random() % 300, ' ');
        const unsigned density = 1 + random() % 12;  // markup every few bytes to almost none
        for (char& c : text) c = random() % density == 0 ? alphabet[random() % 5] : alphabet[5 + random() % 7];
        ASSERT_EQ(ValidateForXML(text), FiveReplacements(text)) << text;
        ASSERT_EQ(Xml::EscapedLength(text.data(), text.size()), FiveReplacements(text).size()) << text;
    }
}

TEST(XmlOutput, DecimalsOfEveryWidthAndSign) {
    const int32_t values[] = {0,        1,         9,           10,          99,      100,     999,     1000,
                              9999,     10000,     99999,       100000,      999999,  1000000, 9999999, 10000000,
                              99999999, 100000000, 999999999,   1000000000,  INT_MAX, -1,      -9,      -10,
                              -99,      -100,      -1000000000, INT_MIN + 1, INT_MIN};
    for (int32_t value : values) {
        char digits[16];
        const std::string written(digits, Xml::WriteDecimal(digits, value));
        EXPECT_EQ(written, std::to_string(value));
        EXPECT_EQ(Xml::DecimalLength(value), written.size()) << value;
    }
}

// Every kind of field, with texts from empty to several stages long, agrees
// with the element written by hand, also when it is appended to text already
// in the string; and so does every way of writing the document: in one walk
// into memory, and measured, then written through the stage, after one
// outgrew its memory at any place.
TEST(XmlOutput, ElementsAcrossStageBoundariesMatchTheirMeasure) {
    std::mt19937 random(11);
    const Xml::ElementTags tag(tagKoMessageRuleMapEntry);
    const Xml::ElementTags shortTag(tagFile);
    struct Field {
        int kind;
        const Xml::ElementTags* tag;
        std::string text;
        int32_t value;
    };
    for (int round = 0; round < 40; ++round) {
        const std::string kept = round % 2 == 0 ? "" : "kept";
        std::string expected = kept;
        std::vector<Field> fields;
        for (int element = 0; element < 300; ++element) {
            // Mostly short texts, some far longer than the stage.
            const size_t length = random() % 10 == 0 ? random() % 20000 : random() % 40;
            std::string text(length, 'x');
            // Markup of every field kind, a control, an invalid byte, a
            // sequence split by the end of the text.
            for (char& c : text) c = "ab&<c'd]]>\x01\xff\xc3\xa9"[random() % 14];
            const Xml::ElementTags& t = random() % 2 == 0 ? tag : shortTag;
            const std::string name = &t == &tag ? tagKoMessageRuleMapEntry : tagFile;
            const int32_t value = static_cast<int32_t>(random());
            const int kind = static_cast<int>(random() % 6);
            fields.push_back({kind, &t, text, value});
            switch (kind) {
                case 0:
                    expected += Element(name, VerbatimContent(text));
                    break;
                case 1:
                    expected += Element(name, EscapedContent(text));
                    break;
                case 2:
                    expected += Element(name, CDataContent(text));
                    break;
                case 3:
                    expected += Element(name, std::to_string(value));
                    break;
                case 4:
                    expected += Element(name, text);
                    break;
                default:
                    expected += Element(name, "") + Element(name, "") + Element(name, "<![CDATA[]]>");
            }
        }
        auto walk = [&](auto& sink) {
            for (const Field& f : fields) {
                const Xml::ElementTags& t = *f.tag;
                switch (f.kind) {
                    case 0:
                        Xml::Verbatim(sink, t, f.text.c_str());
                        break;
                    case 1:
                        Xml::Escaped(sink, t, f.text.c_str());
                        break;
                    case 2:
                        Xml::CData(sink, t, f.text.c_str());
                        break;
                    case 3:
                        Xml::Integer(sink, t, f.value);
                        break;
                    case 4:
                        sink.Open(t);
                        sink.Raw(f.text.data(), f.text.size());
                        sink.Close(t);
                        break;
                    default:
                        Xml::Verbatim(sink, t, nullptr);
                        Xml::Escaped(sink, t, nullptr);
                        Xml::CData(sink, t, nullptr);
                }
            }
        };
        const size_t size = expected.size() - kept.size();
        // In one walk; outgrowing the memory at some place, then measured
        // first (the last one outgrew); once more in one walk.
        for (size_t memory :
             {size, static_cast<size_t>(random() % size), size_t{0}, Xml::kOneWalkLargest, Xml::kOneWalkLargest}) {
            MeasuredDocument document;
            document.written = kept;
            ASSERT_TRUE(Xml::WriteDocument(document, walk, memory));
            ASSERT_EQ(document.written, expected) << "round " << round << ", memory " << memory;
            ASSERT_EQ(document.measured, size) << "round " << round << ", memory " << memory;
        }
    }
}

// The memory of documents written in one walk: a block never passes its
// bound, and what the pool keeps between calls stays within its bound
// whatever the number of threads and their documents' sizes, while a block
// given back is what the next document gets.
TEST(XmlOutput, DocumentMemoryIsBoundedPerCallAndInAll) {
    {
        Xml::DocumentMemory memory;
        EXPECT_FALSE(memory.Reserve(Xml::kOneWalkLargest + 1));
        ASSERT_TRUE(memory.Reserve(Xml::kKeptInAll + 1));  // too large to be kept
        memory.data()[Xml::kKeptInAll] = 'x';
    }
    EXPECT_LE(Xml::DocumentMemory::Kept(), Xml::kKeptInAll);
    std::vector<std::thread> threads;
    for (int t = 0; t < 12; ++t)
        threads.emplace_back([t] {
            for (size_t round = 0; round < 10; ++round) {
                Xml::DocumentMemory memory;
                ASSERT_TRUE(memory.Reserve((round * 7 + static_cast<size_t>(t)) % 5 << 20 | 1));
                memory.data()[memory.capacity() - 1] = 'x';
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_LE(Xml::DocumentMemory::Kept(), Xml::kKeptInAll);
    EXPECT_GT(Xml::DocumentMemory::Kept(), 0u);
    char* given = nullptr;
    {
        Xml::DocumentMemory memory;
        ASSERT_TRUE(memory.Reserve(1));
        given = memory.data();
    }
    Xml::DocumentMemory again;
    EXPECT_EQ(again.data(), given);
}

TEST(XmlOutput, MeasuredDocumentsAreReservedOnceAndRepeatedAppendsGrowGeometrically) {
    const Xml::ElementTags tag(tagRuleText);
    auto write = [&](auto& sink) {
        for (int i = 0; i < 1000; ++i) Xml::Escaped(sink, tag, "a < b");
    };
    std::string fresh;
    Xml::StringDestination freshDestination(fresh);
    Xml::WriteDocument(freshDestination, write);
    EXPECT_EQ(fresh.size(), 1000u * 29);
    EXPECT_EQ(fresh.capacity(), fresh.size());

    std::string grown;
    size_t reallocations = 0;
    for (int i = 0; i < 200; ++i) {
        const size_t capacity = grown.capacity();
        Xml::StringDestination destination(grown);
        Xml::WriteDocument(destination, write);
        if (grown.capacity() != capacity) ++reallocations;
    }
    EXPECT_EQ(grown.size(), 200u * fresh.size());
    EXPECT_LE(reallocations, 10u);
}

TEST(XmlOutput, TagsLongerThanTheirSlotAreRefused) {
    EXPECT_NO_THROW(Xml::ElementTags(std::string(29, 'n')));
    EXPECT_THROW(Xml::ElementTags(std::string(30, 'n')), std::length_error);
    const Xml::ElementTags longest(std::string(29, 'n'));
    std::string out;
    Xml::StringDestination document(out);
    Xml::Output output(document);
    Xml::Verbatim(output, longest, "v");
    output.Flush();
    EXPECT_EQ(out, Element(std::string(29, 'n'), "v"));
}

struct Item;
struct ItemList : KoCountedArray<Item*> {};
struct Item {
    ItemList* children;
};
// A list of one item, in the engine's layout.
struct OneItem {
    ItemList list;
    Item* item;
};

// A document stops being measured as soon as it passes the largest Java array,
// counting what the destination already holds; a walk whose list is its own
// ancestor stops at once, however deep the path is otherwise allowed to grow.
TEST(XmlOutput, DocumentsAreBoundedByTheLargestJavaArrayAndWalksByTheirRecords) {
    Xml::Meter full(Xml::kLargestDocument - 5);
    full.Raw(nullptr, 5);
    EXPECT_THROW(full.Raw(nullptr, 1), Xml::DocumentNotWritten);
    // The same bound on both roads of a whole document, before a byte is handed on.
    struct NearlyFull final : Xml::Destination {
        size_t held;
        std::string written;
        explicit NearlyFull(size_t bytes) : held(bytes) {}
        size_t HeldBefore() const override { return held; }
        bool Begin(size_t) override { return true; }
        void Write(const char* bytes, size_t length) override { written.append(bytes, length); }
    };
    const Xml::ElementTags tag(tagFile);
    auto eight = [&](auto& sink) { Xml::Verbatim(sink, tag, "a"); };  // "<F>a</F>"
    for (size_t memory : {Xml::kOneWalkLargest, size_t{0}}) {
        for (size_t held : {Xml::kLargestDocument - 7, Xml::kLargestDocument + 1}) {
            NearlyFull document(held);
            EXPECT_THROW(Xml::WriteDocument(document, eight, memory), Xml::DocumentNotWritten) << held;
            EXPECT_TRUE(document.written.empty());
        }
        NearlyFull room(Xml::kLargestDocument - 8);
        EXPECT_TRUE(Xml::WriteDocument(room, eight, memory));
        EXPECT_EQ(room.written, "<F>a</F>");
    }

    // A chain of 100,000 items, each the one child of the one before.
    const size_t n = 100000;
    std::vector<Item> items(n);
    std::vector<OneItem> lists(n);  // lists[i] holds items[i]: the outermost list, then children
    for (size_t i = 0; i < n; ++i) lists[i] = {{{1, 0}}, &items[i]};
    for (size_t i = 0; i + 1 < n; ++i) items[i].children = &lists[i + 1].list;
    size_t entered = 0, left = 0;
    Xml::NestedWalk<&Item::children> walk;
    auto run = [&] {
        entered = left = 0;
        walk.Walk(&lists[0].list, [&](const Item&, uint32_t) { ++entered; }, [&](const Item&) { ++left; });
    };
    run();
    EXPECT_EQ(entered, n);
    EXPECT_EQ(left, n);
    // Then the last turns back to the eighth and goes round: found before
    // the path is twice as deep again.
    items[n - 1].children = &lists[7].list;
    EXPECT_THROW(run(), Xml::DocumentNotWritten);
    EXPECT_LE(entered, 2 * n + 2);
}
