// A benchmark engine for the real-JVM benchmark: the two scalar entries and
// initResults (three strings) it times and the four document fetches with
// their releases, nothing else (the
// bridge resolves the other entries as missing, which costs nothing at log
// threshold 0). Both roads, the bridge and JNA, load this one library, so they
// read the very same records.
//
// The records are built once per document and size (benchEngineServe) and
// handed out again on every fetch; the releases give nothing back. A fetch thus
// costs what handing out a pointer costs, and the figures hold the reading of
// the records, the XML and the Java array, not the engine's building of them.

#include <memory>

#include "bench/Corpora.h"
#include "engine/EntryPoints.h"

#define BENCH_ENGINE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Which record set benchEngineServe hands out.
enum Document { kDiagnostics = 0, kRuleGroups = 1, kMessageRuleMap = 2, kTrees = 3 };

struct Served {
    std::unique_ptr<Corpora::Diagnostics> diagnostics;
    std::unique_ptr<Corpora::Rules> rules;
    std::unique_ptr<Corpora::Trees> trees;
};

Served g_served;
KoLanguage_C g_language = 2;

template <typename T>
int Hand(T** out, T* record) {
    if (out != nullptr) *out = record;
    return 0;
}

template <typename T>
int Take(T** address) {
    if (address != nullptr) *address = nullptr;
    return 0;
}

}  // namespace

// Builds the records of one document at `size` (diagnostics, rules, mappings
// or files) and hands them out from now on; the set served before is freed
// (any other document code just frees it). Not thread-safe: the harness calls
// it between measurements only.
BENCH_ENGINE_EXPORT int benchEngineServe(int document, int size) {
    g_served = Served();
    if (size < 0) return -1;
    const size_t n = static_cast<size_t>(size);
    if (document == kDiagnostics) {
        g_served.diagnostics.reset(new Corpora::Diagnostics(n));
    } else if (document == kRuleGroups) {
        g_served.rules.reset(new Corpora::Rules(n, 0));
    } else if (document == kMessageRuleMap) {
        // The mappings name rules of a catalogue of 2,000.
        g_served.rules.reset(new Corpora::Rules(2000, n));
    } else if (document == kTrees) {
        g_served.trees.reset(new Corpora::Trees(n));
    } else {
        return -1;
    }
    return 0;
}

BENCH_ENGINE_EXPORT KoLanguage_C getCurrentLanguage() { return g_language; }

BENCH_ENGINE_EXPORT unsigned char hasResults(const char* sourceFile) { return sourceFile != nullptr ? 1 : 0; }

BENCH_ENGINE_EXPORT int initResults(const char* bindKey, const char* location, const char* name) {
    return bindKey != nullptr && location != nullptr && name != nullptr ? 0 : -1;
}

BENCH_ENGINE_EXPORT int getDiagnostics(const char*, KoMessageArray_C*, KoRuleArray_C*, KoSuppressionState_C,
                                       KoDiagnosticArray_C** diagnostics) {
    return Hand(diagnostics, g_served.diagnostics ? g_served.diagnostics->list() : nullptr);
}
BENCH_ENGINE_EXPORT int freeDiagnostics(KoDiagnosticArray_C** diagnostics) { return Take(diagnostics); }

BENCH_ENGINE_EXPORT int getRuleGroups(KoRuleGroupArray_C** groups) {
    return Hand(groups, g_served.rules ? g_served.rules->groups() : nullptr);
}
BENCH_ENGINE_EXPORT int freeRuleGroups(KoRuleGroupArray_C** groups) { return Take(groups); }

BENCH_ENGINE_EXPORT int getMessageRuleMap(KoMessageRuleMap_C** map) {
    return Hand(map, g_served.rules ? g_served.rules->map() : nullptr);
}
BENCH_ENGINE_EXPORT int freeMessageRuleMap(KoMessageRuleMap_C** map) { return Take(map); }

BENCH_ENGINE_EXPORT int getTrees(KoTrees_C** trees, bool, unsigned int, char**) {
    return Hand(trees, g_served.trees ? g_served.trees->trees() : nullptr);
}
BENCH_ENGINE_EXPORT int freeTrees(KoTrees_C** trees) { return Take(trees); }
