#pragma once

#include <cstddef>
#include <cstdint>

// The engine's counted array: a 32-bit count, four bytes of padding, then
// `count` elements stored inline from byte 8 of the same block. The record
// header is 8 bytes; the elements follow it in the engine's allocation.
template <typename T>
struct KoCountedArray {
    uint32_t count;
    uint32_t reserved;

    T* items() { return reinterpret_cast<T*>(this + 1); }
    const T* items() const { return reinterpret_cast<const T*>(this + 1); }
    const T& at(uint32_t i) const { return items()[i]; }

    // Bytes of a block holding `n` elements, for code that builds arrays.
    static constexpr size_t BlockSize(size_t n) { return sizeof(KoCountedArray) + n * sizeof(T); }
};

// A null array reads as empty.
template <typename A>
inline uint32_t CountOf(const A* array) {
    return array != nullptr ? array->count : 0;
}

static_assert(sizeof(KoCountedArray<void*>) == 8, "elements start at byte 8");
static_assert(offsetof(KoCountedArray<void*>, count) == 0, "count at byte 0");
