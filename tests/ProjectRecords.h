#pragma once

// Test-only builder of project records in the engine's layouts; everything it
// makes lives as long as the builder. The words the bridge must not read (the
// head of a KoFile_C, the second half of an include entry) point to "UNREAD",
// so reading one shows in the output.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/KoProject.h"

class ProjectRecords {
public:
    char* text(const std::string& value) {
        return static_cast<char*>(std::memcpy(block(value.size() + 1), value.c_str(), value.size() + 1));
    }

    // KoStrings_C, KoDefines_C or KoFileList_C.
    template <typename List = KoStrings_C>
    List* strings(const std::vector<std::string>& items) {
        std::vector<char*> texts;
        for (const std::string& item : items) texts.push_back(text(item));
        return counted<List>(texts);
    }
    KoDefines_C* defines(const std::vector<std::string>& items) { return strings<KoDefines_C>(items); }

    KoIncludes_C* includes(const std::vector<std::string>& paths) {
        std::vector<KoIncludeEntry_C> entries;
        for (const std::string& path : paths) entries.push_back({text(path), text("UNREAD")});
        return counted<KoIncludes_C>(entries);
    }

    KoFile_C* file(KoSourceLanguage_C language, KoDefines_C* defines, KoIncludes_C* includes) {
        return make<KoFile_C>(KoFile_C{text("UNREAD"), language, defines, includes});
    }

    KoLanguages_C* languages(const std::vector<KoLanguage_C>& codes) {
        auto* list = static_cast<KoLanguages_C*>(block(KoLanguages_C::BlockSize(codes.size())));
        list->count = static_cast<uint32_t>(codes.size());
        for (size_t i = 0; i < codes.size(); ++i) list->items()[i] = codes[i];
        return list;
    }

    KoTreeStruct* item(KoTreeItemType_C type, const std::string& name, const std::string& data, int32_t total,
                       int32_t active, const std::vector<KoTreeStruct*>& subItems = {}) {
        return make<KoTreeStruct>(
            KoTreeStruct{type, text(name), text(data), total, active, counted<KoTreeItemList_C>(subItems)});
    }

    // `depth` items, each the only sub-item of the one before; item i has the
    // type i % 9, the name "n<i>", empty data and the total 1.
    KoTreeStruct* chain(size_t depth) {
        KoTreeStruct* below = nullptr;
        for (size_t i = depth; i-- > 0;) {
            std::vector<KoTreeStruct*> subs;
            if (below != nullptr) subs.push_back(below);
            below = item(static_cast<KoTreeItemType_C>(i % 9), "n" + std::to_string(i), "", 1, 0, subs);
        }
        return below;
    }

    KoTrees_C* trees(KoTreeStruct* fileTree, KoTreeStruct* ruleTree, KoTreeStruct* messageTree) {
        return make<KoTrees_C>(KoTrees_C{fileTree, ruleTree, messageTree});
    }

private:
    template <typename List, typename T>
    List* counted(const std::vector<T>& items) {
        auto* list = static_cast<List*>(block(List::BlockSize(items.size())));
        list->count = static_cast<uint32_t>(items.size());
        for (size_t i = 0; i < items.size(); ++i) list->items()[i] = items[i];
        return list;
    }

    template <typename T>
    T* make(const T& value) {
        return static_cast<T*>(std::memcpy(block(sizeof(T)), &value, sizeof(T)));
    }

    // Zeroed, 8-byte aligned.
    void* block(size_t bytes) {
        m_blocks.emplace_back(new uint64_t[(bytes + 7) / 8 + 1]());
        return m_blocks.back().get();
    }

    std::vector<std::unique_ptr<uint64_t[]>> m_blocks;
};
