// Cost of the proxy when logging is off: a forwarded call against a direct
// call through the same engine function pointer.

#include <benchmark/benchmark.h>

#include <climits>
#include <string>

#include <unistd.h>

#include "engine/EntryPoints.h"
#include "engine/Platform.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"
#include "tests/ProgramDirectory.h"
#include "tests/engine-double/EngineDouble.h"

namespace {

// Loads the scripted engine once, with call recording off.
void* Engine() {
    static void* library = [] {
        const std::string path = LibraryNextToProgram("Vorlan");
        Utils::Logger::SetLogLevel(0);
        VorlanApi::GetInstance()->InitVorlanApi(path.c_str());
        void* handle = Platform::OpenLibrary(path.c_str());
        auto control = reinterpret_cast<EngineDoubleControl* (*)()>(Platform::FindSymbol(handle, "engineDoubleControl"));
        control()->recording = false;
        return handle;
    }();
    return library;
}

void BM_DirectGetCurrentLanguage(benchmark::State& state) {
    auto entry = reinterpret_cast<VorlanEntry::getCurrentLanguage>(Platform::FindSymbol(Engine(), "getCurrentLanguage"));
    for (auto _ : state) benchmark::DoNotOptimize(entry());
}
BENCHMARK(BM_DirectGetCurrentLanguage);

void BM_ProxyGetCurrentLanguage(benchmark::State& state) {
    Engine();
    VorlanApi* api = VorlanApi::GetInstance();
    for (auto _ : state) benchmark::DoNotOptimize(api->GetCurrentLanguage());
}
BENCHMARK(BM_ProxyGetCurrentLanguage);

void BM_DirectHasResults(benchmark::State& state) {
    auto entry = reinterpret_cast<VorlanEntry::hasResults>(Platform::FindSymbol(Engine(), "hasResults"));
    const char* file = "/src/module/file.c";
    for (auto _ : state) benchmark::DoNotOptimize(entry(file));
}
BENCHMARK(BM_DirectHasResults);

void BM_ProxyHasResults(benchmark::State& state) {
    Engine();
    VorlanApi* api = VorlanApi::GetInstance();
    const char* file = "/src/module/file.c";
    for (auto _ : state) benchmark::DoNotOptimize(api->HasResults(file));
}
BENCHMARK(BM_ProxyHasResults);

void BM_DisabledLogLine(benchmark::State& state) {
    Utils::Logger::SetLogLevel(0);
    for (auto _ : state) Utils::Logger::Log(2, "\t\t sourceFile - %s\n", "/src/module/file.c");
}
BENCHMARK(BM_DisabledLogLine);

}  // namespace
