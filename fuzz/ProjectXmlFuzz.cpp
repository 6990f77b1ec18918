// The project writers on records built from the input: a file's settings
// ("KOF"), a language list ("KOL"), a tree set ("Tr") with deep nesting, and a
// ";"-joined string list; null pointers anywhere, any enumeration value, long
// and non-ASCII texts. Every document must equal the one a plain recursive
// writer gives, and documents of markup-free inputs must have balanced tags.

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/KoProject.h"
#include "fuzz/RecordProgram.h"
#include "tests/MeasuredDocument.h"
#include "xml/ProjectXml.h"
#include "xml/extras/Serialize.h"

using namespace FuzzRecords;

namespace {

// The words of a record that the bridge must never read.
void* const kUnread = reinterpret_cast<void*>(uintptr_t{1});

class Builder {
public:
    explicit Builder(Program& program) : p(program) {}

    KoFile_C* File() {
        if (p.Byte() % 6 == 0) return nullptr;
        auto* f = p.New<KoFile_C>();
        f->reserved = kUnread;
        f->language = Enumeration(3);
        f->defines = p.List<KoDefines_C>([&] { return p.Text(TextKind::Escaped); });
        f->includes = p.List<KoIncludes_C>([&] { return KoIncludeEntry_C{p.Text(TextKind::Escaped), kUnread}; });
        return f;
    }

    KoLanguages_C* Languages() {
        return p.List<KoLanguages_C>([&] { return Enumeration(3); });
    }

    KoTrees_C* Trees() {
        if (p.Byte() % 6 == 0) return nullptr;
        auto* t = p.New<KoTrees_C>();
        t->fileTree = Item(0);
        t->ruleTree = Item(0);
        t->messageTree = Item(0);
        return t;
    }

    KoStrings_C* Strings() {
        return p.List<KoStrings_C>([&] { return p.Text(TextKind::Verbatim); });
    }

private:
    // Mostly one of the `known` values, sometimes any other.
    int32_t Enumeration(int32_t known) {
        const uint8_t b = p.Byte();
        return b % 4 != 3 ? static_cast<int32_t>(b >> 2) % (known + 1) : p.Int();
    }

    KoTreeStruct* Item(size_t depth) {
        const uint8_t op = p.Byte();
        if (op % 6 == 0) return nullptr;
        if (op == kChain) return Chain(depth);
        return Fields(depth);
    }

    KoTreeStruct* Fields(size_t depth) {
        auto* item = p.New<KoTreeStruct>();
        item->type = Enumeration(9);
        item->name = p.Text(TextKind::Escaped);
        item->data = p.Text(TextKind::Escaped);
        item->total = p.Int();
        item->active = p.Int();
        item->subItems = depth + 1 < kMaxDepth ? p.List<KoTreeItemList_C>([&] { return Item(depth + 1); }) : nullptr;
        return item;
    }

    // Sub-items nested `length` deep; the links share no texts with the last
    // item, so a few bytes cannot ask for a document of gigabytes.
    KoTreeStruct* Chain(size_t depth) {
        const size_t length = p.ChainLength(depth);
        KoTreeStruct* below = Fields(depth + length);
        for (size_t i = 0; i < length; ++i) {
            auto* item = p.New<KoTreeStruct>();
            item->type = below->type;
            item->total = below->total;
            item->active = below->active;
            auto* only = static_cast<KoTreeItemList_C*>(p.Block(KoTreeItemList_C::BlockSize(1)));
            only->count = 1;
            only->items()[0] = below;
            item->subItems = only;
            below = item;
        }
        return below;
    }

    Program& p;
};

// The expected documents, written the plain way.
VORLAN_FUZZ_REFERENCE_BEGIN

// The items joined with ";"; escaped ones are also noted as the leaf `tag`.
template <typename Text>
void Joined(std::string& out, uint32_t count, Text text, bool escaped, const char* tag = nullptr) {
    std::string raw;
    for (uint32_t i = 0; i < count; ++i) {
        if (i > 0) out += ';', raw += ';';
        if (text(i) != nullptr) raw += text(i);
        if (escaped)
            Escaped(out, text(i));
        else if (text(i) != nullptr)
            out += text(i);
    }
    if (tag != nullptr) ExpectLeaf(tag, raw.c_str());
}

std::string File(const KoFile_C* f) {
    if (f == nullptr) return "";
    std::string out = "<KOF><IP>";
    Joined(
        out, CountOf(f->includes), [f](uint32_t i) { return f->includes->at(i).path; }, true, "IP");
    out += "</IP><DEF>";
    Joined(
        out, CountOf(f->defines), [f](uint32_t i) { return f->defines->at(i); }, true, "DEF");
    out += "</DEF>";
    static const char* const kNames[] = {"C", "C++", "C#"};
    Element(out, "SL", f->language >= 0 && f->language <= 2 ? kNames[f->language] : "", TextKind::Escaped);
    return out + "</KOF>";
}

std::string Languages(const KoLanguages_C* languages) {
    if (languages == nullptr) return "";
    std::string out = "<KOL>";
    for (uint32_t i = 0; i < languages->count; ++i)
        if (languages->at(i) >= 0 && languages->at(i) <= 2) Element(out, "L", languages->at(i));
    return out + "</KOL>";
}

void Item(std::string& out, const KoTreeStruct* item) {
    if (item == nullptr) return;
    Element(out, "Ty", item->type >= 0 && item->type <= 8 ? std::to_string(item->type).c_str() : "");
    Element(out, "N", item->name, TextKind::Escaped);
    Element(out, "D", item->data, TextKind::Escaped);
    Element(out, "To", item->total);
    Element(out, "A", item->active);
    for (uint32_t i = 0; i < CountOf(item->subItems); ++i) {
        if (item->subItems->at(i) == nullptr) continue;
        out += "<SI>";
        Item(out, item->subItems->at(i));
        out += "</SI>";
    }
}

std::string Trees(const KoTrees_C* trees) {
    std::string out = "<Tr>";
    if (trees != nullptr) {
        // File, message, rule: not the order of the record's fields.
        const std::pair<const char*, const KoTreeStruct*> parts[] = {
            {"FT", trees->fileTree}, {"MT", trees->messageTree}, {"RT", trees->ruleTree}};
        for (const auto& part : parts) {
            out += std::string("<") + part.first + ">";
            Item(out, part.second);
            out += std::string("</") + part.first + ">";
        }
    }
    return out + "</Tr>";
}

VORLAN_FUZZ_REFERENCE_END

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Program program(data, size);
    Builder builder(program);
    const KoFile_C* file = builder.File();
    const KoLanguages_C* languages = builder.Languages();
    const KoTrees_C* trees = builder.Trees();
    const KoStrings_C* strings = builder.Strings();

    ExpectedLeaves().clear();
    const std::string fileXml = Utils::SerializeKoFile(file);
    ExpectSame("KOF document", fileXml, File(file));
    ExpectBalanced("KOF document", program, fileXml);
    ExpectReadBack("KOF document", fileXml, ExpectedLeaves(), {"KOF"});

    ExpectedLeaves().clear();
    const std::string languagesXml = Utils::SerializeLanguages(languages);
    ExpectSame("KOL document", languagesXml, Languages(languages));
    ExpectBalanced("KOL document", program, languagesXml);
    ExpectReadBack("KOL document", languagesXml, ExpectedLeaves(), {"KOL"});

    ExpectedLeaves().clear();
    const std::string treesXml = Utils::SerializeTrees(trees);
    ExpectSame("Tr document", treesXml, Trees(trees));
    ExpectBalanced("Tr document", program, treesXml);
    ExpectReadBack("Tr document", treesXml, ExpectedLeaves(), {"Tr", "FT", "MT", "RT", "SI"});
    const MeasuredDocument measured = MeasuredFirst(Utils::Xml::WriteTrees, trees);
    ExpectSame("Tr document measured first", measured.written, treesXml);
    ExpectSame("Tr document's measure", std::to_string(measured.measured), std::to_string(treesXml.size()));
    if (trees != nullptr) {
        std::string item;
        Item(item, trees->fileTree);
        ExpectSame("one tree item", Utils::SerializeTreeItem(trees->fileTree), item);
    }

    std::string joined, expectedJoined = "list:";
    joined = "list:";
    Utils::Xml::StringDestination destination(joined);
    Utils::Xml::WriteJoined(destination, strings);
    Joined(
        expectedJoined, CountOf(strings), [strings](uint32_t i) { return strings->at(i); }, false);
    ExpectSame("joined list", joined, expectedJoined);
    return 0;
}
