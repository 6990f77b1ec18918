// getDiagnostics end to end: the exported JNI function with a fake JNIEnv and
// the scripted engine handing out a list of realistic shape, so the figure
// covers the fetch, the XML writing, the release and the copy into byte[].
//
// Each size reports its output rate (bytes_per_second) and, from the second
// size on, the time ratio to the size before it (ten times the diagnostics
// should take about ten times as long).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
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

// Loads the engine double through initJniBridge, once.
EngineDoubleControl* Engine() {
    static EngineDoubleControl* control = [] {
        const std::string path = LibraryNextToProgram("Vorlan");
        FakeJni jni;
        jstring answer =
            Java_com_vorlanworks_bridge_caller_VorlanBridge_initJniBridge(jni.env(), jni.self(), jni.str(path));
        if (jni.text(answer) != "OK") {
            std::fprintf(stderr, "cannot load the engine double %s: %s\n", path.c_str(), jni.text(answer).c_str());
            return static_cast<EngineDoubleControl*>(nullptr);
        }
        auto find = reinterpret_cast<EngineDoubleControl* (*)()>(
            Platform::FindSymbol(Platform::OpenLibrary(path.c_str()), "engineDoubleControl"));
        return find != nullptr ? find() : nullptr;
    }();
    return control;
}

// Mean seconds per call of each size run so far, for the ratio counter.
std::map<int64_t, double>& SecondsPerCall() {
    static std::map<int64_t, double> seconds;
    return seconds;
}

void GetDiagnosticsEndToEnd(benchmark::State& state) {
    EngineDoubleControl* engine = Engine();
    if (engine == nullptr) {
        state.SkipWithError("engine double not loaded");
        return;
    }
    const int64_t size = state.range(0);
    Corpora::Diagnostics corpus(static_cast<size_t>(size));
    engine->diagnostics = corpus.list();

    size_t outputBytes = 0;
    double total = 0;
    for (auto _ : state) {
        // A fresh fake JVM per call, so the returned arrays do not pile up;
        // only the native call itself is timed.
        auto jni = std::make_unique<FakeJni>();
        jstring path = jni->str("/srv/build/app/src/net/module_3/socket_64.c");
        const auto start = std::chrono::steady_clock::now();
        jbyteArray xml = Java_com_vorlanworks_bridge_caller_VorlanBridge_getDiagnostics(jni->env(), jni->self(), path,
                                                                                        nullptr, nullptr, 0);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(xml);
        state.SetIterationTime(seconds);
        total += seconds;
        if (outputBytes == 0) outputBytes = jni->bytes(xml).size();
    }
    engine->diagnostics = nullptr;

    const double perCall = total / static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(outputBytes) * static_cast<int64_t>(state.iterations()));
    state.counters["output_MB"] = static_cast<double>(outputBytes) / 1e6;
    state.counters["ns_per_diag"] = perCall * 1e9 / static_cast<double>(size);
    auto previous = SecondsPerCall().find(size / 10);
    if (previous != SecondsPerCall().end()) state.counters["x_time_vs_tenth"] = perCall / previous->second;
    SecondsPerCall()[size] = perCall;
}

// The XML writing alone, to tell it apart from the fetch and the JNI copy.
void SerializeDiagnosticArray(benchmark::State& state) {
    Corpora::Diagnostics corpus(static_cast<size_t>(state.range(0)));
    size_t outputBytes = 0;
    for (auto _ : state) {
        std::string xml = Utils::SerializeDiagnosticArray(corpus.list());
        outputBytes = xml.size();
        benchmark::DoNotOptimize(xml.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(outputBytes) * static_cast<int64_t>(state.iterations()));
}

}  // namespace

BENCHMARK(SerializeDiagnosticArray)->Arg(100000)->Iterations(5)->Unit(benchmark::kMillisecond);

// Sizes run in this order, so each finds the one ten times smaller.
BENCHMARK(GetDiagnosticsEndToEnd)->Arg(10000)->Iterations(30)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(GetDiagnosticsEndToEnd)->Arg(100000)->Iterations(8)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(GetDiagnosticsEndToEnd)->Arg(1000000)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);
