// Reading message records back from diagnostics XML of 1, 10 and 100 MB, and
// releasing them. Bytes per second should stay flat across the sizes: the
// reader is linear in its input.

#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "xml/extras/MessageFree.h"
#include "xml/extras/MessageReader.h"

namespace {

// A "KOE" document of at least `megabytes` MB in the shape the diagnostics
// serialiser writes; every fourth diagnostic has a sub-diagnostic.
std::string DiagnosticsText(size_t megabytes) {
    const size_t target = megabytes << 20;
    std::string text = "<KOE>";
    text.reserve(target + 1024);
    auto message = [&text](size_t n) {
        const std::string id = std::to_string(n);
        text += "<KOM><UMID>MSG-" + id + "</UMID><HFL>help/messages/" + id + ".html</HFL><ML>2</ML><MN>" + id +
                "</MN><MT>Value of &apos;x&apos; may be out of range &lt;0..255&gt; in call " + id +
                "</MT><P>checker</P><R><![CDATA[REF-" + id + "]]></R></KOM>";
    };
    auto tail = [&text](bool hasSub) {
        text += "<MH>false</MH><SS>0</SS><SD>";
        text += hasSub ? "true" : "false";
        text += "</SD>";
    };
    auto details = [&text] { text += "<MP><![CDATA[x]]></MP><LI><F>src/module/file.c</F><L>120</L><C>7</C></LI>"; };
    for (size_t n = 0; text.size() < target; ++n) {
        const bool hasSub = n % 4 == 0;
        text += "<KOD>";
        message(n);
        tail(hasSub);
        if (hasSub) {
            text += "<KOD>";
            message(n + 1000000000);
            tail(false);
            details();
            text += "</KOD>";
        }
        details();
        text += "</KOD>";
    }
    text += "</KOE>";
    return text;
}

const std::string& Input(size_t megabytes) {
    static std::map<size_t, std::string> texts;
    auto found = texts.find(megabytes);
    if (found == texts.end()) found = texts.emplace(megabytes, DiagnosticsText(megabytes)).first;
    return found->second;
}

void BM_ReadMessageArray(benchmark::State& state) {
    const std::string& text = Input(static_cast<size_t>(state.range(0)));
    uint32_t messages = 0;
    for (auto _ : state) {
        KoMessageArray_C* array = Utils::DeserializeMessageArray(text.c_str());
        messages = array != nullptr ? array->count : 0;
        Utils::DeleteMessageArray(array);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.SetComplexityN(static_cast<int64_t>(text.size()));
    state.counters["messages"] = messages;
}

}  // namespace

BENCHMARK(BM_ReadMessageArray)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);
