#pragma once

// The diagnostic tree as the compact "KOE" document that getDiagnostics hands
// to Java. The by-value functions are thin wrappers over the appending forms,
// which write everything into one buffer.

#include <cstddef>
#include <string>

#include "engine/KoDiagnostics.h"
#include "xml/XmlOutput.h"

namespace Utils {

// Content of one "KOM" element (without the KOM tags).
std::string SerializeMessage(const KoMessage_C* message);
// Content of one "KOD" element (without the KOD tags).
std::string SerializeDiagnostic(const DiagnosticStruct* diagnostic);
// Each element of the array wrapped in "KOD", one after the other.
std::string SerializeDiagnosticArrayIndividual(const KoDiagnosticArray_C* diagnostics);
// The whole list wrapped in "KOE"; empty text for a null array.
std::string SerializeDiagnosticArray(const KoDiagnosticArray_C* diagnostics);

namespace Xml {

// Records that break the engine's invariants are written without crashing: a
// null text as empty text, a null array as an empty one, a null message as an
// empty "KOM", and a null diagnostic or location inside an array is skipped.
// Nesting of any depth is written with an explicit stack, not recursion.
void AppendMessage(std::string& out, const KoMessage_C* message);
void AppendDiagnostic(std::string& out, const DiagnosticStruct* diagnostic);
void AppendDiagnosticArrayIndividual(std::string& out, const KoDiagnosticArray_C* diagnostics);
void AppendDiagnosticArray(std::string& out, const KoDiagnosticArray_C* diagnostics);

// Bytes that AppendDiagnosticArray writes for `diagnostics`.
size_t MeasureDiagnosticArray(const KoDiagnosticArray_C* diagnostics);

// The "KOE" document written into `document` (measured, then written); false
// when the document could not be begun. Throws DocumentNotWritten, before
// writing, when it passes the largest Java array or its records loop.
bool WriteDiagnosticArray(Document& document, const KoDiagnosticArray_C* diagnostics);

}  // namespace Xml
}  // namespace Utils
