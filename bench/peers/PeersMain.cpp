// The bridge's XML writers, message reader and escaping against general XML
// libraries and against the floor (a fresh buffer of the output's size and one
// copy into it), for the same records in the same run, at three sizes ten
// times apart. Prints a Markdown table and writes it to the file named by the
// first argument (default: bench-table.md next to the program).
//
// Times are CPU seconds of this thread, medians of interleaved rounds. Every
// candidate's run includes freeing what it made.

#include <fcntl.h>
#include <libxml/xmlreader.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/Corpora.h"
#include "bench/peers/PeerWriters.h"
#include "bench/peers/Timing.h"
#include "com_vorlanworks_bridge_caller_VorlanBridge.h"
#include "engine/Platform.h"
#include "tests/FakeJni.h"
#include "tests/ProgramDirectory.h"
#include "tests/engine-double/EngineDouble.h"
#include "engine/VorlanApi.h"
#include "xml/Destination.h"
#include "xml/extras/MessageFree.h"
#include "xml/extras/MessageReader.h"
#include "xml/extras/Serialize.h"

// Live heap bytes while a measured call runs, and their high-water mark: every
// allocation of the program goes through here, counted only while asked.
namespace HeapWatch {
bool counting = false;
long long live = 0, peak = 0;
void Start() {
    live = peak = 0;
    counting = true;
}
long long Stop() {
    counting = false;
    return peak;
}
}  // namespace HeapWatch

void* operator new(size_t bytes) {
    void* block = std::malloc(bytes != 0 ? bytes : 1);
    if (block == nullptr) throw std::bad_alloc();
    if (HeapWatch::counting) {
        HeapWatch::live += static_cast<long long>(malloc_usable_size(block));
        if (HeapWatch::live > HeapWatch::peak) HeapWatch::peak = HeapWatch::live;
    }
    return block;
}
void operator delete(void* block) noexcept {
    if (HeapWatch::counting && block != nullptr) HeapWatch::live -= static_cast<long long>(malloc_usable_size(block));
    std::free(block);
}
void operator delete(void* block, size_t) noexcept { operator delete(block); }

namespace {

using Timing::Candidate;
using Timing::Keep;

// CPU seconds spent on each comparison (at least three rounds are run).
constexpr double kBudget = 2.0;

EngineDoubleControl* Engine() {
    static EngineDoubleControl* control = []() -> EngineDoubleControl* {
        const std::string path = LibraryNextToProgram("Vorlan");
        FakeJni jni;
        jstring answer =
            Java_com_vorlanworks_bridge_caller_VorlanBridge_initJniBridge(jni.env(), jni.self(), jni.str(path));
        auto find = reinterpret_cast<EngineDoubleControl* (*)()>(
            Platform::FindSymbol(Platform::OpenLibrary(path.c_str()), "engineDoubleControl"));
        if (jni.text(answer) != "OK" || find == nullptr) {
            std::fprintf(stderr, "cannot load the scripted engine %s (build the target Vorlan)\n", path.c_str());
            std::exit(1);
        }
        EngineDoubleControl* c = find();
        c->recording = false;  // the engine's call log is no part of the bridge's cost
        return c;
    }();
    return control;
}

// The getTrees fetch writes one line to standard output per call; while the
// figures are taken, standard output goes to the null device.
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        m_saved = dup(1);
        const int sink = open("/dev/null", O_WRONLY);
        if (sink >= 0) {
            dup2(sink, 1);
            close(sink);
        }
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(m_saved, 1);
        close(m_saved);
    }

private:
    int m_saved;
};

size_t Floor(const std::string& bytes) {
    char* copy = static_cast<char*>(std::malloc(bytes.size()));
    std::memcpy(copy, bytes.data(), bytes.size());
    Keep(copy);
    std::free(copy);
    return bytes.size();
}

template <typename Write>
size_t WithTinyXml(Write write) {
    Peers::TinyXmlSink sink;
    write(sink);
    Keep(sink.data());
    return sink.size();
}

template <typename Write>
size_t WithLibXml(Write write) {
    Peers::LibXmlSink sink;
    write(sink);
    sink.Finish();
    Keep(sink.data());
    return sink.size();
}

using JniFetch = jbyteArray (*)(FakeJni&);

// The road before the documents went straight into the Java array: the proxy
// writes the whole document into a native string, which is then copied into a
// new Java array.
template <typename Fetch>
jbyteArray ThroughString(FakeJni& jni, Fetch fetch) {
    std::string text;
    Utils::Xml::StringDestination document(text);
    fetch(*VorlanApi::GetInstance(), document);
    jbyteArray array = jni.env()->NewByteArray(static_cast<jsize>(text.size()));
    jni.env()->SetByteArrayRegion(array, 0, static_cast<jsize>(text.size()), reinterpret_cast<const jbyte*>(text.data()));
    return array;
}

// The exported function's bytes must be the serialiser's: checked once.
void CheckSame(JniFetch fetch, const std::string& expected, const char* what) {
    FakeJni jni;
    if (jni.bytes(fetch(jni)) != expected) {
        std::fprintf(stderr, "%s: the JNI function's bytes differ from the serialiser's\n", what);
        std::exit(1);
    }
}

size_t EndToEnd(JniFetch fetch, size_t bytes) {
    FakeJni jni;  // its array is freed with it, inside the timing
    Keep(fetch(jni));
    Engine()->releases.clear();
    return bytes;
}

double MBps(const Candidate& c) { return static_cast<double>(c.bytes) / c.seconds / 1e6; }

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Count(size_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

// The allocator's two ways of handing out a large block: glibc reuses a freed
// block of up to 32 MB (raising its threshold for fresh mappings as blocks are
// freed), so a document written again lands in memory that is warm in the
// cache; with the threshold held at 128 KiB every larger block is a fresh
// mapping whose pages fault in as they are first written.
const char* const kRegimes[] = {"reused blocks", "fresh pages"};

struct Report {
    std::ostringstream writers[2], readers, escaping, goals, heap;
    std::string freshGoals;  // from the child process
    bool met = true;

    void Goal(bool ok, const std::string& what) {
        goals << "- " << (ok ? "met" : "MISSED") << ": " << what << "\n";
        met = met && ok;
    }
};

// One document at three sizes. `make(size)` builds the records and returns
// the three writers and the JNI fetch for them.
struct WriterCase {
    std::function<size_t()> bridge, tiny, libxml;
    JniFetch fetch;
    std::string bridgeText;  // the serialiser's output
    JniFetch before;         // the same call through a native string
};

void CompareWriters(Report& report, int regime, const char* document, const char* unit,
                    const std::vector<size_t>& sizes, const std::function<WriterCase(size_t)>& make,
                    const std::function<void()>& release) {
    double previous = 0;
    for (size_t index = 0; index < sizes.size(); ++index) {
        const size_t size = sizes[index];
        std::fprintf(stderr, "%s: %s %s\n", document, Count(size).c_str(), unit);
        WriterCase c = make(size);
        const size_t bytes = c.bridgeText.size();
        CheckSame(c.fetch, c.bridgeText, document);
        CheckSame(c.before, c.bridgeText, document);
        std::vector<Candidate> candidates = {
            {"bridge", c.bridge},
            {"jni", [&] { return EndToEnd(c.fetch, bytes); }},
            {"tinyxml2", c.tiny},
            {"libxml2", c.libxml},
            {"floor", [&] { return Floor(c.bridgeText); }},
            {"jni-before", [&] { return EndToEnd(c.before, bytes); }},
        };
        Timing::Compare(candidates, kBudget, 3);
        release();
        const Candidate &bridge = candidates[0], &jni = candidates[1], &tiny = candidates[2], &libxml = candidates[3],
                        &floor = candidates[4], &before = candidates[5];
        const double peer = std::min(tiny.seconds, libxml.seconds);
        const double vsPeer = peer / bridge.seconds, vsFloor = bridge.seconds / floor.seconds;
        const double jniVsPeer = peer / jni.seconds, jniVsFloor = jni.seconds / floor.seconds;
        report.writers[regime] << "| " << document << " | " << Count(size) << " " << unit << " | "
                               << Fixed(static_cast<double>(bytes) / 1e6, 1) << " | " << Fixed(MBps(bridge), 0) << " | "
                               << Fixed(MBps(jni), 0) << " | " << Fixed(MBps(tiny), 0) << " | "
                               << Fixed(MBps(libxml), 0) << " | " << Fixed(MBps(floor), 0) << " | " << Fixed(vsPeer, 1)
                               << " | " << Fixed(vsFloor, 2) << " | " << Fixed(jniVsPeer, 1) << " | "
                               << Fixed(jniVsFloor, 2) << " | " << Fixed(MBps(before), 0) << " | "
                               << Fixed(before.seconds / jni.seconds, 2) << " | "
                               << (previous > 0 ? Fixed(jni.seconds / previous, 1) : "") << " |\n";
        const std::string where = std::string(kRegimes[regime]) + ", " + document + " at " + Count(size) + " " + unit;
        report.Goal(jniVsPeer >= 2.5,
                    where + ": JNI " + Fixed(jniVsPeer, 1) + "x as fast as the fastest peer (goal 2.5x)");
        if (bytes <= 60000000)
            report.Goal(jniVsFloor <= 2.5,
                        where + ": JNI " + Fixed(jniVsFloor, 2) + "x the floor's time (goal at most 2.5x)");
        previous = jni.seconds;
    }
}
// The message reader against libxml2's pull reader on the same text: count
// the KOM elements and copy out the text of the children the bridge reads.
size_t ReadWithLibXml(const std::string& text, size_t* messages) {
    static const char* const kFields[] = {"UMID", "HFL", "ML", "MN", "MT", "P"};
    xmlTextReaderPtr reader = xmlReaderForMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr, 0);
    size_t count = 0;
    int messageDepth = -1;
    bool wanted = false;
    while (xmlTextReaderRead(reader) == 1) {
        const int type = xmlTextReaderNodeType(reader);
        const int depth = xmlTextReaderDepth(reader);
        if (type == XML_READER_TYPE_ELEMENT) {
            const char* name = reinterpret_cast<const char*>(xmlTextReaderConstLocalName(reader));
            if (messageDepth < 0) {
                if (std::strcmp(name, "KOM") == 0) {
                    ++count;
                    if (xmlTextReaderIsEmptyElement(reader) == 0) messageDepth = depth;
                }
            } else if (depth == messageDepth + 1) {
                wanted = false;
                for (const char* field : kFields) wanted = wanted || std::strcmp(name, field) == 0;
            }
        } else if (type == XML_READER_TYPE_END_ELEMENT) {
            if (depth == messageDepth) messageDepth = -1;
        } else if ((type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_CDATA) && messageDepth >= 0 &&
                   depth == messageDepth + 2 && wanted) {
            xmlChar* copy = xmlStrdup(xmlTextReaderConstValue(reader));
            Keep(copy);
            xmlFree(copy);
        }
    }
    xmlFreeTextReader(reader);
    if (messages != nullptr) *messages = count;
    return text.size();
}

size_t ReadWithBridge(const std::string& text, size_t* messages) {
    KoMessageArray_C* array = Utils::DeserializeMessageArray(text.c_str());
    if (messages != nullptr) *messages = CountOf(array);
    Utils::DeleteMessageArray(array);
    return text.size();
}

void CompareReaders(Report& report, const std::vector<size_t>& sizes) {
    double previous = 0;
    for (size_t size : sizes) {
        std::fprintf(stderr, "reader: %s diagnostics\n", Count(size).c_str());
        std::string text;
        {
            Corpora::Diagnostics corpus(size);
            text = Utils::SerializeDiagnosticArray(corpus.list());
        }
        size_t ours = 0, theirs = 0;
        ReadWithBridge(text, &ours);
        ReadWithLibXml(text, &theirs);
        if (ours != theirs || ours == 0) {
            std::fprintf(stderr, "reader: %zu messages read, libxml2 counts %zu\n", ours, theirs);
            std::exit(1);
        }
        std::vector<Candidate> candidates = {
            {"bridge", [&] { return ReadWithBridge(text, nullptr); }},
            {"libxml2", [&] { return ReadWithLibXml(text, nullptr); }},
            {"floor", [&] { return Floor(text); }},
        };
        Timing::Compare(candidates, kBudget);
        const Candidate &bridge = candidates[0], &libxml = candidates[1], &floor = candidates[2];
        const double vsPeer = libxml.seconds / bridge.seconds;
        report.readers << "| " << Count(size) << " diagnostics | " << Fixed(static_cast<double>(text.size()) / 1e6, 1)
                       << " | " << Count(ours) << " | " << Fixed(MBps(bridge), 0) << " | " << Fixed(MBps(libxml), 0)
                       << " | " << Fixed(MBps(floor), 0) << " | " << Fixed(vsPeer, 1) << " | "
                       << Fixed(bridge.seconds / floor.seconds, 2) << " | "
                       << (previous > 0 ? Fixed(bridge.seconds / previous, 1) : "") << " |\n";
        report.Goal(vsPeer >= 1, "reader at " + Count(size) + " diagnostics: " + Fixed(vsPeer, 1) +
                                     "x as fast as libxml2's reader (goal 1x)");
        previous = bridge.seconds;
    }
}

// What escaping is measured against: a switch per character.
std::string PlainEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

// Engine texts as they come: paths and identifiers without markup, message and
// rule texts with a few quotes, ampersands and angle brackets.
std::string EscapingText(size_t bytes) {
    std::string text;
    text.reserve(bytes + 256);
    for (size_t n = 0; text.size() < bytes; ++n) {
        const std::string id = std::to_string(100 + n % 400);
        text += "/srv/build/app/src/net/module_" + id + "/socket_" + id + ".c";
        text +=
            "Implicit conversion from 'long' to 'int' in \"" + id + "\" may lose data; use a cast & check <" + id + ">";
        text += "help/rules/VRL-C-" + id + ".html";
        text += "Keep conditions free of assignments and calls that change state, so they read as questions";
    }
    text.resize(bytes);
    return text;
}

void CompareEscaping(Report& report, const std::vector<size_t>& sizes) {
    double previous = 0;
    for (size_t size : sizes) {
        std::fprintf(stderr, "escaping: %s bytes\n", Count(size).c_str());
        const std::string text = EscapingText(size);
        if (Utils::ValidateForXML(text) != PlainEscape(text)) {
            std::fprintf(stderr, "escaping: the bridge and the plain loop disagree\n");
            std::exit(1);
        }
        const size_t escaped = PlainEscape(text).size();
        // Rates are of the escaped output, like the writers'.
        std::vector<Candidate> candidates = {
            {"bridge",
             [&] {
                 Keep(Utils::ValidateForXML(text).data());
                 return escaped;
             }},
            {"plain",
             [&] {
                 Keep(PlainEscape(text).data());
                 return escaped;
             }},
            {"floor", [&] { return Floor(text); }},
        };
        Timing::Compare(candidates, kBudget / 2);
        const Candidate &bridge = candidates[0], &plain = candidates[1], &floor = candidates[2];
        report.escaping << "| " << Fixed(static_cast<double>(size) / 1e6, 1) << " MB | "
                        << Fixed(static_cast<double>(escaped) / 1e6, 1) << " | " << Fixed(MBps(bridge), 0) << " | "
                        << Fixed(MBps(plain), 0) << " | " << Fixed(MBps(floor), 0) << " | "
                        << Fixed(plain.seconds / bridge.seconds, 1) << " | " << Fixed(bridge.seconds / floor.seconds, 2)
                        << " | " << (previous > 0 ? Fixed(bridge.seconds / previous, 1) : "") << " |\n";
        previous = bridge.seconds;
    }
}

std::string FirstLine(const char* file, const char* prefix) {
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (line.compare(0, std::strlen(prefix), prefix) == 0) {
            const size_t colon = line.find(':');
            return colon != std::string::npos ? line.substr(colon + 2) : line;
        }
    return "unknown";
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one + " (1 min), " + five + " (5 min)";
}

// The four documents at their three sizes.
void AllWriters(Report& report, int regime) {
    CompareWriters(
        report, regime, "diagnostics", "diagnostics", {1000, 10000, 100000},
        [](size_t n) {
            static std::unique_ptr<Corpora::Diagnostics> corpus;
            corpus.reset();
            corpus.reset(new Corpora::Diagnostics(n));
            const KoDiagnosticArray_C* list = corpus->list();
            Engine()->diagnostics = corpus->list();
            return WriterCase{[list] { return Utils::SerializeDiagnosticArray(list).size(); },
                              [list] { return WithTinyXml([&](auto& s) { Peers::DiagnosticArray(s, list); }); },
                              [list] { return WithLibXml([&](auto& s) { Peers::DiagnosticArray(s, list); }); },
                              [](FakeJni& jni) {
                                  return Java_com_vorlanworks_bridge_caller_VorlanBridge_getDiagnostics(
                                      jni.env(), jni.self(), jni.str("/srv/build/app/src/net/module_3/socket_64.c"),
                                      nullptr, nullptr, 0);
                              },
                              Utils::SerializeDiagnosticArray(list),
                              [](FakeJni& jni) {
                                  return ThroughString(jni, [](VorlanApi& api, Utils::Xml::Destination& d) {
                                      api.GetDiagnostics("/srv/build/app/src/net/module_3/socket_64.c", nullptr,
                                                         nullptr, 0, d);
                                  });
                              }};
        },
        [] { Engine()->diagnostics = nullptr; });

    CompareWriters(
        report, regime, "rule groups", "rules", {200, 2000, 20000},
        [](size_t n) {
            static std::unique_ptr<Corpora::Rules> corpus;
            corpus.reset();
            corpus.reset(new Corpora::Rules(n, 0));
            const KoRuleGroupArray_C* groups = corpus->groups();
            Engine()->ruleGroups = corpus->groups();
            return WriterCase{[groups] { return Utils::SerializeRuleGroups(groups).size(); },
                              [groups] { return WithTinyXml([&](auto& s) { Peers::RuleGroups(s, groups); }); },
                              [groups] { return WithLibXml([&](auto& s) { Peers::RuleGroups(s, groups); }); },
                              [](FakeJni& jni) {
                                  return Java_com_vorlanworks_bridge_caller_VorlanBridge_getRuleGroups(jni.env(),
                                                                                                       jni.self());
                              },
                              Utils::SerializeRuleGroups(groups), [](FakeJni& jni) {
                                  return ThroughString(
                                      jni, [](VorlanApi& api, Utils::Xml::Destination& d) { api.GetRuleGroups(d); });
                              }};
        },
        [] { Engine()->ruleGroups = nullptr; });

    CompareWriters(
        report, regime, "message-rule map", "mappings", {1000, 10000, 100000},
        [](size_t n) {
            static std::unique_ptr<Corpora::Rules> corpus;
            corpus.reset();
            corpus.reset(new Corpora::Rules(2000, n));
            const KoMessageRuleMap_C* map = corpus->map();
            Engine()->messageRuleMap = corpus->map();
            return WriterCase{[map] { return Utils::SerializeMessageRuleMap(map).size(); },
                              [map] { return WithTinyXml([&](auto& s) { Peers::MessageRuleMap(s, map); }); },
                              [map] { return WithLibXml([&](auto& s) { Peers::MessageRuleMap(s, map); }); },
                              [](FakeJni& jni) {
                                  return Java_com_vorlanworks_bridge_caller_VorlanBridge_getMessageRuleMap(jni.env(),
                                                                                                           jni.self());
                              },
                              Utils::SerializeMessageRuleMap(map), [](FakeJni& jni) {
                                  return ThroughString(
                                      jni, [](VorlanApi& api, Utils::Xml::Destination& d) { api.GetMessageRuleMap(d); });
                              }};
        },
        [] { Engine()->messageRuleMap = nullptr; });

    CompareWriters(
        report, regime, "trees", "files", {5000, 50000, 500000},
        [](size_t n) {
            static std::unique_ptr<Corpora::Trees> corpus;
            corpus.reset();
            corpus.reset(new Corpora::Trees(n));
            const KoTrees_C* trees = corpus->trees();
            Engine()->trees = corpus->trees();
            return WriterCase{[trees] { return Utils::SerializeTrees(trees).size(); },
                              [trees] { return WithTinyXml([&](auto& s) { Peers::Trees(s, trees); }); },
                              [trees] { return WithLibXml([&](auto& s) { Peers::Trees(s, trees); }); },
                              [](FakeJni& jni) {
                                  return Java_com_vorlanworks_bridge_caller_VorlanBridge_getTrees(jni.env(), jni.self(),
                                                                                                  JNI_TRUE, 0, nullptr);
                              },
                              Utils::SerializeTrees(trees), [](FakeJni& jni) {
                                  return ThroughString(jni, [](VorlanApi& api, Utils::Xml::Destination& d) {
                                      api.GetTrees(true, 0, nullptr, d);
                                  });
                              }};
        },
        [] { Engine()->trees = nullptr; });
}

// Native heap of one getTrees of `files` files, beyond the Java array it
// returns (which the fake JNIEnv keeps on the native heap too): straight into
// the array, and through a native string as before.
void PeakHeap(Report& report, size_t files) {
    std::fprintf(stderr, "peak heap: trees of %s files\n", Count(files).c_str());
    Corpora::Trees corpus(files);
    Engine()->trees = corpus.trees();
    long long peaks[2];
    size_t bytes = 0;
    const JniFetch roads[2] = {
        [](FakeJni& jni) {
            return Java_com_vorlanworks_bridge_caller_VorlanBridge_getTrees(jni.env(), jni.self(), JNI_TRUE, 0,
                                                                            nullptr);
        },
        [](FakeJni& jni) {
            return ThroughString(
                jni, [](VorlanApi& api, Utils::Xml::Destination& d) { api.GetTrees(true, 0, nullptr, d); });
        }};
    for (int road = 0; road < 2; ++road) {
        FakeJni jni;
        HeapWatch::Start();
        jbyteArray array = roads[road](jni);
        peaks[road] = HeapWatch::Stop();
        bytes = jni.bytes(array).size();
    }
    Engine()->trees = nullptr;
    Engine()->releases.clear();
    report.heap << "getTrees of " << Count(files) << " files: a Java array of " << Fixed(static_cast<double>(bytes) / 1e6, 1)
                << " MB; native heap at its peak beyond the array: " << Count(static_cast<size_t>(peaks[0] - static_cast<long long>(bytes)))
                << " bytes written straight into the array, "
                << Count(static_cast<size_t>(peaks[1] - static_cast<long long>(bytes))) << " bytes through a native string before.\n";
}

// The writers with fresh pages run in a child process, whose allocator is set
// before its heap has grown: a heap grown by earlier work would go on handing
// out its warm free memory whatever the threshold.
bool FreshPagesInChild(Report& report) {
    std::fflush(nullptr);
    int channel[2];
    if (pipe(channel) != 0) return false;
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        close(channel[0]);
        mallopt(M_MMAP_THRESHOLD, 128 * 1024);  // also ends the threshold's rise
        Report own;
        {
            QuietStdout quiet;
            AllWriters(own, 1);
        }
        const std::string text = own.writers[1].str() + '\x1e' + own.goals.str();
        for (size_t sent = 0; sent < text.size();) {
            const ssize_t n = write(channel[1], text.data() + sent, text.size() - sent);
            if (n <= 0) _exit(1);
            sent += static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(channel[1]);
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    const size_t split = text.find('\x1e');
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || split == std::string::npos) return false;
    report.writers[1] << text.substr(0, split);
    report.freshGoals = text.substr(split + 1);
    return true;
}

// `--profile WHAT SIZE RUNS`: only the bridge's side, for a profiler such as
// callgrind (valgrind --tool=callgrind --toggle-collect='*Serialize*' ...).
int Profile(const std::string& what, size_t size, int runs) {
    size_t bytes = 0;
    if (what == "diagnostics") {
        Corpora::Diagnostics corpus(size);
        for (int i = 0; i < runs; ++i) bytes += Utils::SerializeDiagnosticArray(corpus.list()).size();
    } else if (what == "rules") {
        Corpora::Rules corpus(size, 0);
        for (int i = 0; i < runs; ++i) bytes += Utils::SerializeRuleGroups(corpus.groups()).size();
    } else if (what == "map") {
        Corpora::Rules corpus(2000, size);
        for (int i = 0; i < runs; ++i) bytes += Utils::SerializeMessageRuleMap(corpus.map()).size();
    } else if (what == "trees") {
        Corpora::Trees corpus(size);
        for (int i = 0; i < runs; ++i) bytes += Utils::SerializeTrees(corpus.trees()).size();
    } else if (what == "reader") {
        std::string text;
        {
            Corpora::Diagnostics corpus(size);
            text = Utils::SerializeDiagnosticArray(corpus.list());
        }
        for (int i = 0; i < runs; ++i) bytes += ReadWithBridge(text, nullptr);
    } else if (what == "escaping") {
        const std::string text = EscapingText(size);
        for (int i = 0; i < runs; ++i) bytes += Utils::ValidateForXML(text).size();
    } else {
        std::fprintf(stderr, "--profile diagnostics|rules|map|trees|reader|escaping SIZE RUNS\n");
        return 2;
    }
    std::printf("%zu bytes\n", bytes);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::string(argv[1]) == "--profile")
        return Profile(argv[2], std::strtoul(argv[3], nullptr, 10), std::atoi(argv[4]));
    const std::string tablePath = argc > 1 ? argv[1] : ProgramDirectory() + "/bench-table.md";
    const std::string loadBefore = LoadAverage();
    Report report;
    if (!FreshPagesInChild(report)) std::fprintf(stderr, "the run with fresh pages failed\n");
    Engine();
    {
        QuietStdout quiet;

        AllWriters(report, 0);
        PeakHeap(report, 500000);
        CompareReaders(report, {1000, 10000, 100000});
        CompareEscaping(report, {100000, 1000000, 10000000});
    }

    std::ostringstream table;
    table << "Machine: " << sysconf(_SC_NPROCESSORS_ONLN) << " cores (" << FirstLine("/proc/cpuinfo", "model name")
          << "), shared with other work; load average " << loadBefore << " before, " << LoadAverage()
          << " after. CPU time of the benchmark thread, median of interleaved rounds.\n\n";
    table << "Writers, MB/s of output. \"vs peer\": the fastest peer's time over ours (how many times faster); "
             "\"vs floor\": our time over the floor's (a fresh buffer of the output's size and one copy into it); "
             "\"JNI before\": the same exported call as it was before the documents went straight into the Java "
             "array (the whole document in a native string, then copied into the array), same run; "
             "\"x time\": JNI time over the JNI time at a tenth of the size.\n\n";
    for (int regime = 0; regime < 2; ++regime)
        table << "Writers, " << kRegimes[regime]
              << (regime == 0 ? " (the allocator's default: a block of up to 32 MB written again is reused)"
                              : " (every block of 128 KiB or more newly mapped)")
              << ":\n\n"
              << "| document | size | MB | bridge | JNI | tinyxml2 | libxml2 | floor | bridge vs peer | bridge vs "
                 "floor | JNI vs peer | JNI vs floor | JNI before | before / JNI | x time |\n"
              << "|---|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|\n"
              << report.writers[regime].str() << "\n";
    table << "Peak native heap: " << report.heap.str() << "\n";
    table << "Message reader on the diagnostics document, MB/s of input; \"vs libxml2\": libxml2's time over ours.\n\n"
          << "| input | MB | messages | bridge | libxml2 reader | floor | vs libxml2 | vs floor | x time |\n"
          << "|---|--:|--:|--:|--:|--:|--:|--:|--:|\n"
          << report.readers.str() << "\n";
    table << "Escaping, MB/s of escaped output; \"vs plain\": the plain loop's time over ours.\n\n"
          << "| text | out MB | bridge | plain loop | floor | vs plain | vs floor | x time |\n"
          << "|---|--:|--:|--:|--:|--:|--:|--:|\n"
          << report.escaping.str() << "\n";
    table << "Goals:\n\n" << report.goals.str() << report.freshGoals;

    std::fputs(table.str().c_str(), stdout);
    std::ofstream(tablePath) << table.str();
    std::fprintf(stderr, "table written to %s\n", tablePath.c_str());
    return 0;
}
