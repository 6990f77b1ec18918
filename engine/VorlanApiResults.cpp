// The results fetch: diagnostics of a file, fetched, written as XML and handed
// back to the engine in one method, so no engine record outlives it.

#include "engine/Forwarding.h"
#include "engine/KoDiagnostics.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"
#include "xml/DiagnosticsXml.h"

using Utils::Logger;

void VorlanApi::GetDiagnostics(const char* filePath, KoMessageArray_C* messages, KoRuleArray_C* rules,
                               KoSuppressionState_C mask, Utils::Xml::Destination& document) {
    if (!Forwarding::Enter(VORLAN_METHOD("GetDiagnostics"), VORLAN_MISSING_ENTRY("GetDiagnostics"),
                           m_pf_getDiagnostics))
        return;

    KoDiagnosticArray_C* diagnostics = nullptr;

    Forwarding::LogApiCall("getDiagnostics");
    Logger::Log(2, "\t\t filepath - %s\n", filePath != nullptr ? filePath : "(null)");
    Logger::Log(2, "\t\t messages null? - %d\n", messages == nullptr ? 1 : 0);
    Logger::Log(2, "\t\t rules null? - %d\n", rules == nullptr ? 1 : 0);
    Logger::Log(2, "\t\t mask - %d\n", static_cast<int>(mask));

    const int status = m_pf_getDiagnostics(filePath, messages, rules, mask, &diagnostics);
    Forwarding::LogResult(status);
    // The status decides nothing: whatever array came back is written and
    // released.
    if (diagnostics != nullptr) Logger::Log(2, "\tDagnostics array size: %d\n", static_cast<int>(diagnostics->count));

    // Every fetch is paired with one release, also for a null or empty array.
    Forwarding::WriteThenRelease(
        VORLAN_METHOD("GetDiagnostics"), diagnostics,
        [&](const KoDiagnosticArray_C* list) {
            if (list != nullptr && list->count != 0) Utils::Xml::WriteDiagnosticArray(document, list);
        },
        [this](KoDiagnosticArray_C** list) { FreeDiagnostics(list); });
}
