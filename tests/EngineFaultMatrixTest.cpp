// Engine records that break their promises, fetched through the native
// methods: for every record family a complete record is built, then each of
// its pointer fields and list elements is set to null in turn. No fault may
// crash the bridge; a null text reads as empty text, a null list as an empty
// one, a null required record as its element without content, and a null
// list element is skipped (the message-rule map keeps an empty entry for it).
// Every fetched record still goes back to its release entry.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/Platform.h"
#include "tests/DiagnosticRecords.h"
#include "tests/EngineReleases.h"
#include "tests/ProjectRecords.h"
#include "tests/RuleRecords.h"
#include "tests/TestSupport.h"

namespace {

enum class Kind {
    Text,         // a text: null is written as empty text
    DroppedText,  // a text whose element is left out when it is null
    Unread,       // a field the bridge never reads: null changes nothing
    Pointer,      // a record, a list or a list element
};

struct Slot {
    std::string name;
    void** at;
    Kind kind;
    std::string text;     // what a text field held
    std::string element;  // the element a dropped text sits in
};

// Fresh records for one fault, and every pointer slot in them.
struct Build {
    DiagnosticRecords diagnostics;
    RuleRecords rules;
    ProjectRecords project;
    std::vector<Slot> slots;

    template <typename T>
    void Pointer(const std::string& name, T** at) {
        slots.push_back({name, reinterpret_cast<void**>(at), Kind::Pointer, "", ""});
    }
    template <typename T>
    void Unread(const std::string& name, T** at) {
        slots.push_back({name, reinterpret_cast<void**>(at), Kind::Unread, "", ""});
    }
    void Text(const std::string& name, char** at) {
        slots.push_back({name, reinterpret_cast<void**>(at), Kind::Text, *at, ""});
    }
    void DroppedText(const std::string& name, char** at, const std::string& tag) {
        slots.push_back(
            {name, reinterpret_cast<void**>(at), Kind::DroppedText, *at, "<" + tag + ">" + *at + "</" + tag + ">"});
    }
};

// The text with the only occurrence of `find` replaced.
std::string Replace(const std::string& text, const std::string& find, const std::string& replacement) {
    const size_t at = text.find(find);
    EXPECT_NE(at, std::string::npos) << find;
    if (at == std::string::npos) return text;
    EXPECT_EQ(text.find(find, at + 1), std::string::npos) << find << " occurs more than once";
    return text.substr(0, at) + replacement + text.substr(at + find.size());
}

// Every element that is opened is closed, in order; CDATA sections are skipped.
::testing::AssertionResult WellFormed(const std::string& xml) {
    std::vector<std::string> open;
    for (size_t i = xml.find('<'); i != std::string::npos; i = xml.find('<', i)) {
        if (xml.compare(i, 9, "<![CDATA[") == 0) {
            const size_t end = xml.find("]]>", i);
            if (end == std::string::npos) return ::testing::AssertionFailure() << "unclosed CDATA in " << xml;
            i = end + 3;
            continue;
        }
        const size_t end = xml.find('>', i);
        if (end == std::string::npos) return ::testing::AssertionFailure() << "unclosed tag in " << xml;
        const std::string tag = xml.substr(i + 1, end - i - 1);
        if (tag.empty() || tag[0] != '/') {
            open.push_back(tag);
        } else if (open.empty() || open.back() != tag.substr(1)) {
            return ::testing::AssertionFailure() << "</" << tag.substr(1) << "> closes nothing open in " << xml;
        } else {
            open.pop_back();
        }
        i = end + 1;
    }
    if (!open.empty()) return ::testing::AssertionFailure() << "<" << open.back() << "> left open in " << xml;
    return ::testing::AssertionSuccess();
}

struct Family {
    std::vector<std::string> fetches;    // the engine fetches of the native method
    std::function<void(Build&)> build;   // a complete record behind them, its slots registered
    std::function<std::string()> fetch;  // the native method's answer
    bool xml;
    std::string complete;                      // the answer for the complete record
    std::map<std::string, std::string> exact;  // the answer for some faults, byte for byte
};

class EngineFault : public BridgeTest {
protected:
    void SetUp() override { c = LoadEngine(); }

    void Forget() {
        c->calls.clear();
        c->releases.clear();
        c->filledAddress.clear();
    }

    std::string Bytes(jbyteArray array) { return jni.bytes(array); }
    std::string Text(jstring text) { return jni.text(text); }

    void Run(const Family& family) {
        size_t faults;
        {
            Build complete;
            family.build(complete);
            faults = complete.slots.size();
            Forget();
            OutputCapture quiet(0);
            EXPECT_EQ(family.fetch(), family.complete);
            ExpectDescribedReleases(*c, family.fetches);
        }
        for (size_t i = 0; i < faults; ++i) {
            Build b;
            family.build(b);
            const Slot& slot = b.slots[i];
            SCOPED_TRACE(slot.name + " null");
            *slot.at = nullptr;
            Forget();
            std::string answer;
            {
                OutputCapture quiet(0);
                answer = family.fetch();
            }
            if (family.xml) {
                EXPECT_TRUE(WellFormed(answer));
            }
            ExpectDescribedReleases(*c, family.fetches);

            auto exact = family.exact.find(slot.name);
            if (exact != family.exact.end()) {
                EXPECT_EQ(answer, exact->second);
            } else if (slot.kind == Kind::Text) {
                EXPECT_EQ(answer, Replace(family.complete, slot.text, ""));
            } else if (slot.kind == Kind::DroppedText) {
                EXPECT_EQ(answer, Replace(family.complete, slot.element, ""));
            } else if (slot.kind == Kind::Unread) {
                EXPECT_EQ(answer, family.complete);
            }
        }
        for (const auto& exact : family.exact) {
            Build b;
            family.build(b);
            bool known = false;
            for (const Slot& slot : b.slots) known = known || slot.name == exact.first;
            EXPECT_TRUE(known) << exact.first << " names no slot";
        }
    }

    EngineDoubleControl* c = nullptr;
};

// ----- diagnostics -----------------------------------------------------------

// A message whose texts start with `tag`, with `references` references.
KoMessage_C* Message(Build& b, const std::string& tag, int references) {
    std::vector<std::string> texts;
    for (int i = 0; i < references; ++i) texts.push_back(tag + "ref" + std::to_string(i));
    std::vector<const char*> refs;
    for (const std::string& text : texts) refs.push_back(text.c_str());
    KoMessage_C* m = b.diagnostics.Message((tag + "id").c_str(), (tag + "help").c_str(), 2, (tag + "num").c_str(),
                                           (tag + "text").c_str(), (tag + "prod").c_str(), refs);
    b.Text(tag + ".uniqueMessageId", &m->uniqueMessageId);
    b.Text(tag + ".helpFileLocation", &m->helpFileLocation);
    b.Text(tag + ".messageNumber", &m->messageNumber);
    b.Text(tag + ".messageText", &m->messageText);
    b.Text(tag + ".producer", &m->producer);
    b.Pointer(tag + ".references", &m->references);
    for (int i = 0; i < references; ++i)
        b.Text(tag + ".references[" + std::to_string(i) + "]", &m->references->items()[i]);
    return m;
}

// A diagnostic `tag` with `parameters` parameters and `locations` locations.
DiagnosticStruct* Diagnostic(Build& b, const std::string& tag, KoMessage_C* message, int parameters, int locations,
                             const std::vector<DiagnosticStruct*>& subs) {
    std::vector<std::string> texts;
    for (int i = 0; i < parameters; ++i) texts.push_back(tag + "p" + std::to_string(i));
    std::vector<const char*> params;
    for (const std::string& text : texts) params.push_back(text.c_str());
    std::vector<LocationStruct*> locs;
    for (int i = 0; i < locations; ++i)
        locs.push_back(b.diagnostics.Location((tag + "f" + std::to_string(i)).c_str(), 10 + i, 1 + i));
    DiagnosticStruct* d = b.diagnostics.Diagnostic(message, params, locs, subs, 1, 3);
    b.Pointer(tag + ".message", &d->message);
    b.Pointer(tag + ".subDiagnostics", &d->subDiagnostics);
    for (size_t i = 0; i < subs.size(); ++i)
        b.Pointer(tag + ".subDiagnostics[" + std::to_string(i) + "]", &d->subDiagnostics->items()[i]);
    b.Pointer(tag + ".parameters", &d->parameters);
    for (int i = 0; i < parameters; ++i)
        b.Text(tag + ".parameters[" + std::to_string(i) + "]", &d->parameters->items()[i]);
    b.Pointer(tag + ".locations", &d->locations);
    for (int i = 0; i < locations; ++i) {
        const std::string at = tag + ".locations[" + std::to_string(i) + "]";
        b.Pointer(at, &d->locations->items()[i]);
        b.Text(at + ".file", &d->locations->items()[i]->file);
    }
    return d;
}

std::string Kom(const std::string& tag, int references) {
    std::string kom = "<KOM><UMID>" + tag + "id</UMID><HFL>" + tag + "help</HFL><ML>2</ML><MN>" + tag + "num</MN><MT>" +
                      tag + "text</MT><P>" + tag + "prod</P>";
    for (int i = 0; i < references; ++i) kom += "<R><![CDATA[" + tag + "ref" + std::to_string(i) + "]]></R>";
    return kom + "</KOM>";
}

TEST_F(EngineFault, Diagnostics) {
    Family f;
    f.fetches = {"getDiagnostics"};
    f.xml = true;
    f.build = [this](Build& b) {
        DiagnosticStruct* sub = Diagnostic(b, "d00", Message(b, "m00", 1), 1, 1, {});
        DiagnosticStruct* first = Diagnostic(b, "d0", Message(b, "m0", 2), 2, 2, {sub});
        DiagnosticStruct* second = Diagnostic(b, "d1", Message(b, "m1", 0), 0, 0, {});
        c->diagnostics = b.diagnostics.List({first, second});
        b.Pointer("diagnostics", &c->diagnostics);
        b.Pointer("diagnostics[0]", &c->diagnostics->items()[0]);
        b.Pointer("diagnostics[1]", &c->diagnostics->items()[1]);
    };
    f.fetch = [this] {
        return Bytes(JNI(getDiagnostics)(jni.env(), jni.self(), jni.str("/a.c"), nullptr, nullptr, 0));
    };
    const std::string flags = "<MH>true</MH><SS>3</SS>";
    const std::string sub = "<KOD>" + Kom("m00", 1) + flags +
                            "<SD>false</SD><MP><![CDATA[d00p0]]></MP><LI><F>d00f0</F><L>10</L><C>1</C></LI></KOD>";
    const std::string locations = "<LI><F>d0f0</F><L>10</L><C>1</C></LI><LI><F>d0f1</F><L>11</L><C>2</C></LI>";
    const std::string first = "<KOD>" + Kom("m0", 2) + flags + "<SD>true</SD>" + sub +
                              "<MP><![CDATA[d0p0]]></MP><MP><![CDATA[d0p1]]></MP>" + locations + "</KOD>";
    const std::string second = "<KOD>" + Kom("m1", 0) + flags + "<SD>false</SD></KOD>";
    f.complete = "<KOE>" + first + second + "</KOE>";
    f.exact = {
        {"diagnostics", ""},
        {"diagnostics[0]", Replace(f.complete, first, "")},
        {"d0.message", Replace(f.complete, Kom("m0", 2), "<KOM></KOM>")},
        {"m0.references", Replace(f.complete, "<R><![CDATA[m0ref0]]></R><R><![CDATA[m0ref1]]></R>", "")},
        // The flag says there are sub-diagnostics; there are none to write.
        {"d0.subDiagnostics", Replace(f.complete, sub, "")},
        {"d0.subDiagnostics[0]", Replace(f.complete, sub, "")},
        {"d0.locations", Replace(f.complete, locations, "")},
        {"d0.locations[1]", Replace(f.complete, "<LI><F>d0f1</F><L>11</L><C>2</C></LI>", "")},
        {"d00.parameters", Replace(f.complete, "<MP><![CDATA[d00p0]]></MP>", "")},
    };
    Run(f);
}

// ----- rule groups and the message-rule map ----------------------------------

RuleStruct* Rule(Build& b, const std::string& tag, int categories, const std::vector<RuleStruct*>& children) {
    std::vector<std::string> names;
    for (int i = 0; i < categories; ++i) names.push_back(tag + "cat" + std::to_string(i));
    std::vector<const char*> cats;
    for (const std::string& name : names) cats.push_back(name.c_str());
    const std::string id = tag + "id", help = tag + "help", group = tag + "grp", text = tag + "text", uid = tag + "uid";
    RuleStruct* r =
        b.rules.rule({id.c_str(), help.c_str(), group.c_str(), text.c_str(), uid.c_str()}, 1, cats, children);
    b.Text(tag + ".ruleGroupStr", &r->ruleGroupStr);
    b.Text(tag + ".helpFileLocation", &r->helpFileLocation);
    b.Text(tag + ".ruleId", &r->ruleId);
    b.Text(tag + ".ruleText", &r->ruleText);
    b.Text(tag + ".ruleUID", &r->ruleUID);
    b.Pointer(tag + ".childRules", &r->childRules);
    for (size_t i = 0; i < children.size(); ++i)
        b.Pointer(tag + ".childRules[" + std::to_string(i) + "]", &r->childRules->items()[i]);
    b.Unread(tag + ".mappedMessages", &r->mappedMessages);
    b.Pointer(tag + ".categories", &r->categories);
    for (int i = 0; i < categories; ++i)
        b.DroppedText(tag + ".categories[" + std::to_string(i) + "]", &r->categories->items()[i], "RuleCategory");
    return r;
}

std::string RuleXml(const std::string& tag, int categories, const std::string& children = "") {
    std::string xml = "<Rule><RuleId>" + tag + "id</RuleId><IsActive>1</IsActive><HFL>" + tag +
                      "help</HFL><RuleGroupStr>" + tag + "grp</RuleGroupStr><RuleText>" + tag +
                      "text</RuleText><RuleUID>" + tag + "uid</RuleUID>";
    for (int i = 0; i < categories; ++i) xml += "<RuleCategory>" + tag + "cat" + std::to_string(i) + "</RuleCategory>";
    return xml + children + "</Rule>";
}

TEST_F(EngineFault, RuleGroups) {
    Family f;
    f.fetches = {"getRuleGroups"};
    f.xml = true;
    f.build = [this](Build& b) {
        RuleStruct* child = Rule(b, "r00", 1, {});
        RuleStruct* first = Rule(b, "r0", 2, {child});
        RuleStruct* second = Rule(b, "r1", 0, {});
        RuleGroupStruct* group = b.rules.group("g0name", {first, second});
        RuleGroupStruct* empty = b.rules.group("g1name", {});
        c->ruleGroups = b.rules.groups({group, empty});
        b.Pointer("ruleGroups", &c->ruleGroups);
        b.Pointer("ruleGroups[0]", &c->ruleGroups->items()[0]);
        b.Pointer("ruleGroups[1]", &c->ruleGroups->items()[1]);
        b.Text("g0.name", &group->name);
        b.Pointer("g0.rules", &group->rules);
        b.Pointer("g0.rules[0]", &group->rules->items()[0]);
        b.Pointer("g0.rules[1]", &group->rules->items()[1]);
        b.Text("g1.name", &empty->name);
        b.Pointer("g1.rules", &empty->rules);
    };
    f.fetch = [this] { return Bytes(JNI(getRuleGroups)(jni.env(), jni.self())); };
    const std::string child = RuleXml("r00", 1);
    const std::string rules = RuleXml("r0", 2, child) + RuleXml("r1", 0);
    const std::string second = "<KoRuleGroupEntry><RuleGroupName>g1name</RuleGroupName></KoRuleGroupEntry>";
    f.complete = "<KoRuleGrouping><KoRuleGroupEntry><RuleGroupName>g0name</RuleGroupName>" + rules +
                 "</KoRuleGroupEntry>" + second + "</KoRuleGrouping>";
    f.exact = {
        {"ruleGroups", ""},  // no tree, no document
        {"ruleGroups[1]", Replace(f.complete, second, "")},
        {"g0.rules", Replace(f.complete, rules, "")},
        {"g0.rules[0]", Replace(f.complete, RuleXml("r0", 2, child), "")},
        {"r0.childRules", Replace(f.complete, child, "")},
        {"r0.childRules[0]", Replace(f.complete, child, "")},
        {"r0.categories",
         Replace(f.complete, "<RuleCategory>r0cat0</RuleCategory><RuleCategory>r0cat1</RuleCategory>", "")},
    };
    Run(f);
}

TEST_F(EngineFault, MessageRuleMap) {
    Family f;
    f.fetches = {"getMessageRuleMap"};
    f.xml = true;
    f.build = [this](Build& b) {
        KoMessageMapping_C* first = b.rules.mapping("mp0id", {"mp0u0", "mp0u1"});
        KoMessageMapping_C* empty = b.rules.mapping("mp1id", {});
        KoMessageMapping_C* last = b.rules.mapping("mp2id", {"mp2u0"});
        c->messageRuleMap = b.rules.map({first, empty, last});
        b.Pointer("messageRuleMap", &c->messageRuleMap);
        for (int i = 0; i < 3; ++i)
            b.Pointer("messageRuleMap[" + std::to_string(i) + "]", &c->messageRuleMap->items()[i]);
        b.Text("mp0.uniqueMessageId", &first->uniqueMessageId);
        b.DroppedText("mp0.uniqueRuleIds[0]", &first->uniqueRuleIds()[0], "UniqueRuleId");
        b.DroppedText("mp0.uniqueRuleIds[1]", &first->uniqueRuleIds()[1], "UniqueRuleId");
        b.Text("mp1.uniqueMessageId", &empty->uniqueMessageId);
        b.Text("mp2.uniqueMessageId", &last->uniqueMessageId);
        b.DroppedText("mp2.uniqueRuleIds[0]", &last->uniqueRuleIds()[0], "UniqueRuleId");
    };
    f.fetch = [this] { return Bytes(JNI(getMessageRuleMap)(jni.env(), jni.self())); };
    const std::string middle = "<KoMessageRuleMapEntry><UMID>mp1id</UMID></KoMessageRuleMapEntry>";
    f.complete =
        "<KoMessageRuleMapping><KoMessageRuleMapEntry><UMID>mp0id</UMID><UniqueRuleId>mp0u0</UniqueRuleId>"
        "<UniqueRuleId>mp0u1</UniqueRuleId></KoMessageRuleMapEntry>" +
        middle +
        "<KoMessageRuleMapEntry><UMID>mp2id</UMID><UniqueRuleId>mp2u0</UniqueRuleId></KoMessageRuleMapEntry>"
        "</KoMessageRuleMapping>";
    f.exact = {
        {"messageRuleMap", ""},
        // A null mapping keeps its place as an empty entry.
        {"messageRuleMap[1]", Replace(f.complete, middle, "<KoMessageRuleMapEntry></KoMessageRuleMapEntry>")},
    };
    Run(f);
}

// ----- project file, languages, trees and string lists -----------------------

TEST_F(EngineFault, ProjectFile) {
    Family f;
    f.fetches = {"getKoFile"};
    f.xml = true;
    f.build = [this](Build& b) {
        c->koFile = b.project.file(2, b.project.defines({"kdef0", "kdef1"}), b.project.includes({"kinc0", "kinc1"}));
        KoFile_C* file = c->koFile;
        b.Pointer("koFile", &c->koFile);
        b.Unread("koFile.reserved", &file->reserved);
        b.Pointer("koFile.defines", &file->defines);
        b.Text("defines[0]", &file->defines->items()[0]);
        b.Text("defines[1]", &file->defines->items()[1]);
        b.Pointer("koFile.includes", &file->includes);
        for (int i = 0; i < 2; ++i) {
            KoIncludeEntry_C& entry = file->includes->items()[i];
            b.Text("includes[" + std::to_string(i) + "].path", &entry.path);
            b.Unread("includes[" + std::to_string(i) + "].reserved", &entry.reserved);
        }
    };
    f.fetch = [this] { return Text(JNI(getKoFile)(jni.env(), jni.self(), jni.str("/a.c"))); };
    f.complete = "<KOF><IP>kinc0;kinc1</IP><DEF>kdef0;kdef1</DEF><SL>C#</SL></KOF>";
    f.exact = {
        {"koFile", ""},  // released all the same, as a null pointer
        {"koFile.defines", "<KOF><IP>kinc0;kinc1</IP><DEF></DEF><SL>C#</SL></KOF>"},
        {"koFile.includes", "<KOF><IP></IP><DEF>kdef0;kdef1</DEF><SL>C#</SL></KOF>"},
    };
    Run(f);
}

TEST_F(EngineFault, Languages) {
    Family f;
    f.fetches = {"getAvailableLanguages"};
    f.xml = true;
    f.build = [this](Build& b) {
        c->languages = b.project.languages({0, 2});
        b.Pointer("languages", &c->languages);
    };
    f.fetch = [this] { return Text(JNI(getAvailableLanguages)(jni.env(), jni.self())); };
    f.complete = "<KOL><L>0</L><L>2</L></KOL>";
    f.exact = {{"languages", ""}};  // released all the same, as a null pointer
    Run(f);
}

// A tree item `tag` with its sub-items; registers its slots.
KoTreeStruct* Item(Build& b, const std::string& tag, const std::vector<KoTreeStruct*>& subs) {
    KoTreeStruct* item = b.project.item(3, tag + "name", tag + "data", 5, 2, subs);
    b.Text(tag + ".name", &item->name);
    b.Text(tag + ".data", &item->data);
    b.Pointer(tag + ".subItems", &item->subItems);
    for (size_t i = 0; i < subs.size(); ++i)
        b.Pointer(tag + ".subItems[" + std::to_string(i) + "]", &item->subItems->items()[i]);
    return item;
}

std::string ItemXml(const std::string& tag, const std::string& subs = "") {
    return "<Ty>3</Ty><N>" + tag + "name</N><D>" + tag + "data</D><To>5</To><A>2</A>" + subs;
}

TEST_F(EngineFault, Trees) {
    Family f;
    f.fetches = {"getTrees"};
    f.xml = true;
    f.build = [this](Build& b) {
        KoTreeStruct* files = Item(b, "ft", {Item(b, "fa", {Item(b, "faa", {})}), Item(b, "fb", {})});
        KoTreeStruct* rules = Item(b, "rt", {});
        KoTreeStruct* messages = Item(b, "mt", {Item(b, "ma", {})});
        c->trees = b.project.trees(files, rules, messages);
        b.Pointer("trees", &c->trees);
        b.Pointer("trees.fileTree", &c->trees->fileTree);
        b.Pointer("trees.ruleTree", &c->trees->ruleTree);
        b.Pointer("trees.messageTree", &c->trees->messageTree);
    };
    f.fetch = [this] { return Bytes(JNI(getTrees)(jni.env(), jni.self(), JNI_FALSE, 0, nullptr)); };
    const std::string fa = "<SI>" + ItemXml("fa", "<SI>" + ItemXml("faa") + "</SI>") + "</SI>";
    const std::string fileTree = ItemXml("ft", fa + "<SI>" + ItemXml("fb") + "</SI>");
    f.complete = "<Tr><FT>" + fileTree + "</FT><MT>" + ItemXml("mt", "<SI>" + ItemXml("ma") + "</SI>") + "</MT><RT>" +
                 ItemXml("rt") + "</RT></Tr>";
    f.exact = {
        {"trees", ""},  // nothing came back, nothing to release
        {"trees.fileTree", Replace(f.complete, fileTree, "")},
        {"ft.subItems[0]", Replace(f.complete, fa, "")},
        {"fa.subItems", Replace(f.complete, "<SI>" + ItemXml("faa") + "</SI>", "")},
    };
    Run(f);
}

TEST_F(EngineFault, FileExtensions) {
    Family f;
    f.fetches = {"getMappedFileExtensions/0", "getMappedFileExtensions/1"};
    f.xml = false;
    f.build = [this](Build& b) {
        c->extensionsC = b.project.strings({"xc0", "xc1"});
        c->extensionsCpp = b.project.strings({"xp0"});
        b.Pointer("extensionsC", &c->extensionsC);
        b.Text("extensionsC[0]", &c->extensionsC->items()[0]);
        b.Text("extensionsC[1]", &c->extensionsC->items()[1]);
        b.Pointer("extensionsCpp", &c->extensionsCpp);
        b.Text("extensionsCpp[0]", &c->extensionsCpp->items()[0]);
    };
    f.fetch = [this] { return Text(JNI(getFileExtensions)(jni.env(), jni.self())); };
    f.complete = "xc0;xc1;xp0";
    f.exact = {{"extensionsC", "xp0"}, {"extensionsCpp", "xc0;xc1"}};
    Run(f);
}

TEST_F(EngineFault, CmaProjectsAndReportTools) {
    c->statusOf["getCMAProjectList"] = 1;  // these two lists count only with a status other than 0
    c->statusOf["getReportTools"] = 1;
    for (const bool cma : {true, false}) {
        SCOPED_TRACE(cma ? "getCMAProjects" : "getReportTools");
        Family f;
        f.fetches = {cma ? "getCMAProjectList" : "getReportTools"};
        f.xml = false;
        f.build = [this, cma](Build& b) {
            KoStrings_C*& list = cma ? c->cmaProjects : c->reportTools;
            list = b.project.strings({"s0", "s1", "s2"});
            b.Pointer("list", &list);
            for (int i = 0; i < 3; ++i) b.Text("list[" + std::to_string(i) + "]", &list->items()[i]);
        };
        f.fetch = [this, cma] {
            return Text(cma ? JNI(getCMAProjects)(jni.env(), jni.self()) : JNI(getReportTools)(jni.env(), jni.self()));
        };
        f.complete = "s0;s1;s2";
        f.exact = {{"list", ""}};
        Run(f);
    }
}

TEST_F(EngineFault, FileList) {
    Family f;
    f.fetches = {"getFiles"};  // the engine keeps its file list
    f.xml = false;
    f.build = [this](Build& b) {
        c->files = b.project.strings<KoFileList_C>({"file0", "file1"});
        b.Pointer("files", &c->files);
        b.Text("files[0]", &c->files->items()[0]);
        b.Text("files[1]", &c->files->items()[1]);
    };
    f.fetch = [this] { return Text(JNI(getFiles)(jni.env(), jni.self())); };
    f.complete = "file0;file1";
    f.exact = {{"files", ""}};
    Run(f);
}

}  // namespace

// Records that make a document endless: a list that holds its own ancestor
// (sub-diagnostics, child rules, tree items), or shared records that add up
// past the largest Java array. Each call ends at once with an empty byte[],
// one level-1 line and its records released.
TEST_F(EngineFault, EndlessDocumentsAreNotWritten) {
    const std::string loop = ": document not written: its records loop (a list is its own ancestor)\n";
    const std::string large = ": document not written: it passes the largest Java array (2147483647 bytes)\n";
    Build b;
    struct Case {
        std::string name, method, line;
        std::function<void()> make;
        std::function<jbyteArray()> fetch;
        std::string engineFetch;
    };
    const Case cases[] = {
        {"sub-diagnostic loop", VORLAN_METHOD("GetDiagnostics"), loop,
         [&] {
             DiagnosticStruct* inner = Diagnostic(b, "i", Message(b, "mi", 0), 0, 0, {});
             DiagnosticStruct* outer = Diagnostic(b, "o", Message(b, "mo", 0), 0, 0, {inner});
             inner->subDiagnostics = outer->subDiagnostics;
             c->diagnostics = b.diagnostics.List({outer});
         },
         [&] { return JNI(getDiagnostics)(jni.env(), jni.self(), jni.str("/a.c"), nullptr, nullptr, 0); },
         "getDiagnostics"},
        {"shared references past 2 GiB", VORLAN_METHOD("GetDiagnostics"), large,
         [&] {
             KoMessage_C* message = Message(b, "m", 0);
             char* text = b.diagnostics.Text(std::string(64 << 20, 'x'));
             message->references = b.diagnostics.Array<KoReferenceArray_C>(std::vector<char*>(32, text));
             c->diagnostics = b.diagnostics.List({Diagnostic(b, "d", message, 0, 0, {})});
         },
         [&] { return JNI(getDiagnostics)(jni.env(), jni.self(), jni.str("/a.c"), nullptr, nullptr, 0); },
         "getDiagnostics"},
        {"child rule loop", VORLAN_METHOD("GetRuleGroups"), loop,
         [&] {
             RuleStruct* child = Rule(b, "c", 0, {});
             RuleStruct* parent = Rule(b, "p", 0, {child});
             child->childRules = parent->childRules;
             c->ruleGroups = b.rules.groups({b.rules.group("g", {parent})});
         },
         [&] { return JNI(getRuleGroups)(jni.env(), jni.self()); }, "getRuleGroups"},
        {"tree item loop", VORLAN_METHOD("GetTrees"), loop,
         [&] {
             KoTreeStruct* item = Item(b, "i", {Item(b, "j", {})});
             item->subItems->items()[0] = item;
             c->trees = b.project.trees(item, nullptr, nullptr);
         },
         [&] { return JNI(getTrees)(jni.env(), jni.self(), JNI_FALSE, 0, nullptr); }, "getTrees"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        test.make();
        Forget();
        std::string answer;
        {
            OutputCapture out(1);
            answer = Bytes(test.fetch());
            // getTrees writes its status to standard output whatever the level.
            const std::string status = test.engineFetch == "getTrees" ? "call result: 0\n" : "";
            EXPECT_EQ(out.take(), status + "\n" + test.method + test.line);
        }
        EXPECT_EQ(answer, "");
        ExpectDescribedReleases(*c, {test.engineFetch});
    }
}
