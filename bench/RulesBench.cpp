// getRuleGroups and getMessageRuleMap end to end: exported JNI function, proxy,
// scripted engine, XML writer, release, Java byte[] (fake JNIEnv). Also the
// writers alone, to show what the rest of the road costs.
//
// Data of a realistic size: 20 groups of 100 rules each (75 top-level rules,
// every third with one child rule), three categories per rule; a map of 10,000 messages mapped to
// one to three rules each.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/Corpora.h"
#include "com_vorlanworks_bridge_caller_VorlanBridge.h"
#include "engine/Platform.h"
#include "tests/FakeJni.h"
#include "tests/ProgramDirectory.h"
#include "tests/engine-double/EngineDouble.h"
#include "xml/extras/Serialize.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <climits>
#endif

namespace {

Corpora::Rules& Data() {
    static Corpora::Rules data(2000, 10000);
    return data;
}

// Loads the engine through initJniBridge once and scripts its two records.
EngineDoubleControl* Engine() {
    static EngineDoubleControl* engine = []() -> EngineDoubleControl* {
        const std::string path = LibraryNextToProgram("Vorlan");
        FakeJni jni;
        Java_com_vorlanworks_bridge_caller_VorlanBridge_initJniBridge(jni.env(), jni.self(), jni.str(path));
        void* library = Platform::OpenLibrary(path.c_str());
        if (library == nullptr) return nullptr;
        auto control =
            reinterpret_cast<EngineDoubleControl* (*)()>(Platform::FindSymbol(library, "engineDoubleControl"));
        if (control == nullptr) return nullptr;
        EngineDoubleControl* c = control();
        c->ruleGroups = Data().groups();
        c->messageRuleMap = Data().map();
        return c;
    }();
    return engine;
}

template <jbyteArray (*Fetch)(JNIEnv*, jobject)>
void EndToEnd(benchmark::State& state) {
    EngineDoubleControl* engine = Engine();
    if (engine == nullptr) {
        state.SkipWithError("engine double not found next to the program");
        return;
    }
    size_t bytes = 0;
    std::unique_ptr<FakeJni> jni;
    for (auto _ : state) {
        // The fake JVM keeps every array it made: a fresh one per call, untimed.
        state.PauseTiming();
        jni.reset(new FakeJni);
        engine->calls.clear();
        engine->releases.clear();
        state.ResumeTiming();
        jbyteArray array = Fetch(jni->env(), jni->self());
        benchmark::DoNotOptimize(array);
        if (array == nullptr) {
            state.SkipWithError("no array");
            break;
        }
        if (bytes == 0) bytes = jni->bytes(array).size();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["xml_bytes"] = static_cast<double>(bytes);
}

void BM_GetRuleGroups_EndToEnd(benchmark::State& state) {
    EndToEnd<Java_com_vorlanworks_bridge_caller_VorlanBridge_getRuleGroups>(state);
    state.counters["rules"] = static_cast<double>(Data().ruleCount());
}

void BM_GetMessageRuleMap_EndToEnd(benchmark::State& state) {
    EndToEnd<Java_com_vorlanworks_bridge_caller_VorlanBridge_getMessageRuleMap>(state);
    state.counters["mappings"] = static_cast<double>(Data().map()->count);
}

void BM_SerializeRuleGroups(benchmark::State& state) {
    size_t bytes = 0;
    for (auto _ : state) {
        std::string xml = Utils::SerializeRuleGroups(Data().groups());
        bytes = xml.size();
        benchmark::DoNotOptimize(xml.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_SerializeMessageRuleMap(benchmark::State& state) {
    size_t bytes = 0;
    for (auto _ : state) {
        std::string xml = Utils::SerializeMessageRuleMap(Data().map());
        bytes = xml.size();
        benchmark::DoNotOptimize(xml.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

}  // namespace

BENCHMARK(BM_GetRuleGroups_EndToEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetMessageRuleMap_EndToEnd)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SerializeRuleGroups)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SerializeMessageRuleMap)->Unit(benchmark::kMicrosecond);
