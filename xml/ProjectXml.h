#pragma once

// XML of the project records: the settings of one project file ("KOF"), the
// available languages ("KOL") and the file, message and rule trees ("Tr").
//
// Records are read, never changed. Broken records do not crash the writer: a
// null list is written as an empty one, a null text as empty text, a null tree
// root as its element with no content, and a null sub-item is skipped.

#include <string>

#include "engine/KoProject.h"
#include "xml/XmlOutput.h"

namespace Utils {

// "KOF" with "IP", "DEF", "SL"; the empty string for a null record.
std::string SerializeKoFile(const KoFile_C* file);
// "IP": the include paths joined with ";", escaped as a whole.
std::string SerializeIncludedPaths(const KoIncludes_C* includes);
// "DEF": the macro definitions joined with ";", escaped as a whole.
std::string SerializeDefines(const KoDefines_C* defines);
// "SL" with "C", "C++", "C#", or empty for any other value.
std::string SerializeSourceLanguage(KoSourceLanguage_C language);
// "KOL" with one "L" per known code; the empty string for a null list.
std::string SerializeLanguages(const KoLanguages_C* languages);
// "L" with "0", "1" or "2"; the empty string for any other code.
std::string SerializeLanguage(KoLanguage_C language);
// "Tr" around "FT", "MT", "RT" (file, message, rule tree: not field order).
std::string SerializeTrees(const KoTrees_C* trees);
// "FT", "MT", "RT" side by side; the empty string for a null record.
std::string SerializeTreesIndividual(const KoTrees_C* trees);
// The content of one item: "Ty", "N", "D", "To", "A", one "SI" per sub-item.
// Any depth, without recursion.
std::string SerializeTreeItem(const KoTreeStruct* item);
// "Ty" with the digit 0 to 8, or empty for any other value.
std::string SerializeTreeItemType(KoTreeItemType_C type);

// The same, appending to `out`; the functions above wrap these.
namespace Xml {

void AppendKoFile(std::string& out, const KoFile_C* file);
void AppendIncludedPaths(std::string& out, const KoIncludes_C* includes);
void AppendDefines(std::string& out, const KoDefines_C* defines);
void AppendSourceLanguage(std::string& out, KoSourceLanguage_C language);
void AppendLanguages(std::string& out, const KoLanguages_C* languages);
void AppendLanguage(std::string& out, KoLanguage_C language);
void AppendTrees(std::string& out, const KoTrees_C* trees);
void AppendTreesIndividual(std::string& out, const KoTrees_C* trees);
void AppendTreeItem(std::string& out, const KoTreeStruct* item);
void AppendTreeItemType(std::string& out, KoTreeItemType_C type);

// The "Tr" document written into `document` (measured, then written); false
// when the document could not be begun. Throws DocumentNotWritten, before
// writing, when it passes the largest Java array or its records loop.
bool WriteTrees(Document& document, const KoTrees_C* trees);

// Items of a string list joined with ";", nothing after the last; a null item
// counts as empty text. Unescaped: for lists that go to Java as plain text.
void AppendJoined(std::string& out, const KoCountedArray<char*>* list);

}  // namespace Xml
}  // namespace Utils
