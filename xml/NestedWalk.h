#pragma once

// The walk over nested engine records: sub-diagnostics, child rules, tree
// sub-items. Each record holds a counted list of records of its own kind, to
// any depth, so the open levels of the walk live on the heap, not on the
// thread's stack: a depth of 100,000 needs no more stack than a depth of 1.
//
// Records whose lists loop would make the walk endless. A list that stands
// twice on the path is its own ancestor; the path is searched for a repeat
// each time it grows past twice the depth of the previous search (from 4,096
// on), which costs an amortised O(log depth) per level and stops a looping
// walk with DocumentNotWritten before its path is more than twice as deep as
// the first repeat, that is, within what the engine's own records hold.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/KoCountedArray.h"
#include "xml/Destination.h"

namespace Utils {
namespace Xml {

// Whether any pointer stands twice in `pointers` (which it reorders).
bool HasRepeat(std::vector<const void*>& pointers);

template <typename Member>
struct ChildListOf;
template <typename List, typename Record>
struct ChildListOf<List* Record::*> {
    using ListType = List;
    using RecordType = Record;
};

// `Children` is the member that holds a record's child list, such as
// &RuleStruct::childRules. One NestedWalk serves any number of walks, keeping
// its levels' storage.
template <auto Children>
class NestedWalk {
    using List = typename ChildListOf<decltype(Children)>::ListType;
    using Record = typename ChildListOf<decltype(Children)>::RecordType;

public:
    // Depth first over the records of `list`: for each record that is not
    // null, enter(record, index in its list), then the same for its children,
    // then leave(record). Null records are skipped.
    template <typename Enter, typename Leave>
    void Walk(const List* list, Enter&& enter, Leave&& leave) {
        m_levels.clear();
        m_nextSearch = kFirstSearch;
        Push({list, nullptr, 0});
        while (!m_levels.empty()) {
            Level& top = m_levels.back();
            const uint32_t count = CountOf(top.list);
            const Record* record = nullptr;
            while (record == nullptr && top.next < count) record = top.list->at(top.next++);

            if (record == nullptr) {
                const Record* owner = top.owner;
                m_levels.pop_back();
                if (owner != nullptr) leave(*owner);
                continue;
            }
            enter(*record, top.next - 1);
            const List* children = record->*Children;
            if (CountOf(children) == 0)
                leave(*record);
            else
                Push({children, record, 0});  // `top` may dangle now; it is not used again
        }
    }

private:
    struct Level {
        const List* list;
        const Record* owner;  // whose children `list` holds; null for the outermost list
        uint32_t next;        // index of the next record to visit
    };

    static constexpr size_t kFirstSearch = 4096;

    void Push(const Level& level) {
        m_levels.push_back(level);
        if (m_levels.size() < m_nextSearch) return;
        std::vector<const void*> lists;
        lists.reserve(m_levels.size());
        for (const Level& open : m_levels) lists.push_back(open.list);
        if (HasRepeat(lists)) ThrowLoop();
        m_nextSearch = 2 * m_levels.size();
    }

    std::vector<Level> m_levels;
    size_t m_nextSearch = kFirstSearch;
};

}  // namespace Xml
}  // namespace Utils
