#include "xml/DiagnosticsXml.h"

#include "log/Logger.h"

namespace Utils {
namespace Xml {

bool WriteDiagnosticArray(Destination& destination, const KoDiagnosticArray_C* diagnostics, size_t memoryBound) {
    if (diagnostics == nullptr) return true;
    Logger::Log(2, "Utils:SerializeDiagnosticArray - Attempting to serialize diagArray with size : %d\n",
                static_cast<int>(diagnostics->count));
    auto walk = [&](auto& sink) { DiagnosticsWalk(sink).Document(diagnostics); };
    return WriteDocument(destination, walk, memoryBound);
}

}  // namespace Xml
}  // namespace Utils
