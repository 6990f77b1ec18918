// getTrees end to end: the exported JNI function with a fake JNIEnv, the
// scripted engine handing out a file tree of 50,000 files in 2,000 folders.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/Corpora.h"
#include "com_vorlanworks_bridge_caller_VorlanBridge.h"
#include "engine/Platform.h"
#include "tests/FakeJni.h"
#include "tests/ProgramDirectory.h"
#include "tests/engine-double/EngineDouble.h"
#include "xml/extras/Serialize.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define dup _dup
#define dup2 _dup2
#define close _close
#else
#include <fcntl.h>
#include <unistd.h>

#include <climits>
#endif

namespace {

// 50,000 files in 2,000 folders.
struct FileTrees : Corpora::Trees {
    FileTrees() : Corpora::Trees(50000) {}
};

// The trees fetch writes one line to standard output per call; it goes to
// the null device while the benchmark runs, so the report stays readable.
class QuietStdout {
public:
    QuietStdout() {
        std::fflush(stdout);
        m_saved = dup(1);
#ifdef _WIN32
        FILE* sink = std::fopen("NUL", "w");
#else
        FILE* sink = std::fopen("/dev/null", "w");
#endif
        if (sink != nullptr) {
            dup2(fileno(sink), 1);
            std::fclose(sink);
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

void BM_GetTreesThroughJni(benchmark::State& state) {
    static FileTrees data;
    static EngineDoubleControl* control = nullptr;
    if (control == nullptr) {
        const std::string engine = LibraryNextToProgram("Vorlan");
        FakeJni jni;
        jstring answer =
            Java_com_vorlanworks_bridge_caller_VorlanBridge_initJniBridge(jni.env(), jni.self(), jni.str(engine));
        void* library = Platform::OpenLibrary(engine.c_str());
        auto find =
            library != nullptr
                ? reinterpret_cast<EngineDoubleControl* (*)()>(Platform::FindSymbol(library, "engineDoubleControl"))
                : nullptr;
        if (jni.text(answer) != "OK" || find == nullptr) {
            state.SkipWithError(("the scripted engine is not at " + engine + ": build the target Vorlan").c_str());
            return;
        }
        control = find();
        control->trees = data.trees();
    }
    size_t bytes = 0;
    {
        QuietStdout quiet;
        for (auto _ : state) {
            FakeJni jni;  // holds every array it made: one per call
            jbyteArray xml =
                Java_com_vorlanworks_bridge_caller_VorlanBridge_getTrees(jni.env(), jni.self(), JNI_TRUE, 0, nullptr);
            bytes = jni.bytes(xml).size();
            benchmark::DoNotOptimize(xml);
            control->calls.clear();
            control->releases.clear();
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["xml_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_GetTreesThroughJni)->Unit(benchmark::kMillisecond);

// The serialiser alone, for comparison.
void BM_SerializeTrees(benchmark::State& state) {
    static FileTrees data;
    size_t bytes = 0;
    for (auto _ : state) {
        std::string xml = Utils::SerializeTrees(data.trees());
        bytes = xml.size();
        benchmark::DoNotOptimize(xml);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_SerializeTrees)->Unit(benchmark::kMillisecond);

}  // namespace
