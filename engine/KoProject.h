#pragma once

// Project file, language, tree and string-list records, in the engine's layouts.

#include <cstddef>

#include "engine/KoCountedArray.h"
#include "engine/KoTypes.h"

struct KoTreeStruct;

struct KoDefines_C : KoCountedArray<char*> {};
struct KoStrings_C : KoCountedArray<char*> {};
struct KoTreeItemList_C : KoCountedArray<KoTreeStruct*> {};
// The list that getFiles fills: file paths as a counted array.
struct KoFileList_C : KoCountedArray<char*> {};
// Named by freeFilePaths only; the bridge never makes or reads one.
struct KoFilePathArray_C : KoCountedArray<char*> {};

// Include paths: 16-byte entries, the path in the first 8 bytes.
struct KoIncludeEntry_C {
    char* path;
    void* reserved;  // the engine's; never read
};
struct KoIncludes_C : KoCountedArray<KoIncludeEntry_C> {};

struct KoFile_C {
    void* reserved;  // the engine's; never read
    KoSourceLanguage_C language;
    KoDefines_C* defines;
    KoIncludes_C* includes;
};

// Language codes stored inline directly behind the count, 4 bytes each.
struct KoLanguages_C {
    uint32_t count;

    KoLanguage_C* items() { return reinterpret_cast<KoLanguage_C*>(this + 1); }
    const KoLanguage_C* items() const { return reinterpret_cast<const KoLanguage_C*>(this + 1); }
    const KoLanguage_C& at(uint32_t i) const { return items()[i]; }
    static constexpr size_t BlockSize(size_t n) { return sizeof(KoLanguages_C) + n * sizeof(KoLanguage_C); }
};

struct KoTreeStruct {
    KoTreeItemType_C type;
    char* name;
    char* data;
    int32_t total;
    int32_t active;
    KoTreeItemList_C* subItems;
};

struct KoTrees_C {
    KoTreeStruct* fileTree;
    KoTreeStruct* ruleTree;
    KoTreeStruct* messageTree;
};

static_assert(sizeof(KoIncludeEntry_C) == 16, "include entries are 16 bytes wide");
static_assert(sizeof(KoIncludes_C) == 8, "include entries start at byte 8");

static_assert(offsetof(KoFile_C, language) == 8, "KoFile_C layout");
static_assert(offsetof(KoFile_C, defines) == 16, "KoFile_C layout");
static_assert(offsetof(KoFile_C, includes) == 24, "KoFile_C layout");

static_assert(sizeof(KoLanguages_C) == 4, "language codes start at byte 4");

static_assert(offsetof(KoTreeStruct, type) == 0, "KoTreeStruct layout");
static_assert(offsetof(KoTreeStruct, name) == 8, "KoTreeStruct layout");
static_assert(offsetof(KoTreeStruct, data) == 16, "KoTreeStruct layout");
static_assert(offsetof(KoTreeStruct, total) == 24, "KoTreeStruct layout");
static_assert(offsetof(KoTreeStruct, active) == 28, "KoTreeStruct layout");
static_assert(offsetof(KoTreeStruct, subItems) == 32, "KoTreeStruct layout");

static_assert(offsetof(KoTrees_C, fileTree) == 0, "KoTrees_C layout");
static_assert(offsetof(KoTrees_C, ruleTree) == 8, "KoTrees_C layout");
static_assert(offsetof(KoTrees_C, messageTree) == 16, "KoTrees_C layout");
