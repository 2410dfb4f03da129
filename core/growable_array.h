// The class library's growable array, over the C layouts that pelmo.h gives
// the host (FriendGroupArray, FriendInfoArray). The element block comes from
// the shared allocator (the process heap on Windows), because the host owns
// and frees arrays that the library grows.
#ifndef PELMO_CORE_GROWABLE_ARRAY_H
#define PELMO_CORE_GROWABLE_ARRAY_H

#include "pelmo.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

// Zero-filled blocks; SharedRealloc zero-fills what it adds. Null on failure.
void* SharedAlloc(size_t bytes);
void* SharedRealloc(void* block, size_t bytes);
void SharedFree(void* block);

// The value of each array class's type word.
extern const char kFriendGroupArrayClass[];
extern const char kFriendInfoArrayClass[];

constexpr intptr_t kMaxGrowBy = 1024;
constexpr intptr_t kMinGrowBy = 4;

// A host-made array may hold anything: refuse shapes no array can have.
template <class Array> bool ArrayIsSane(const Array& a) {
    return a.count >= 0 && a.capacity >= a.count && a.growBy >= 0 && (a.data != nullptr || a.capacity == 0);
}

// Sets the count as the class library does: growing beyond the capacity
// takes at least the growth step (0: an eighth of the count, 4 to 1024),
// new slots are zero, and a size of 0 frees the block.
template <class Array> bool ArraySetSize(Array& a, intptr_t newSize) {
    using Element = typename std::remove_pointer<decltype(a.data)>::type;
    if (newSize < 0 || !ArrayIsSane(a)) return false;
    if (newSize == 0) {
        SharedFree(a.data);
        a.data = nullptr;
        a.count = a.capacity = 0;
        return true;
    }
    const intptr_t limit = static_cast<intptr_t>(SIZE_MAX / sizeof(Element));
    if (newSize > limit) return false;
    if (a.data == nullptr) {
        intptr_t allocate = newSize > a.growBy ? newSize : a.growBy;
        void* block = SharedAlloc(static_cast<size_t>(allocate) * sizeof(Element));
        if (!block) return false;
        a.data = static_cast<Element*>(block);
        a.count = newSize;
        a.capacity = allocate;
        return true;
    }
    if (newSize <= a.capacity) {
        if (newSize > a.count)
            std::memset(a.data + a.count, 0, static_cast<size_t>(newSize - a.count) * sizeof(Element));
        a.count = newSize;
        return true;
    }
    intptr_t grow = a.growBy;
    if (grow == 0) {
        grow = a.count / 8;
        grow = grow < kMinGrowBy ? kMinGrowBy : (grow > kMaxGrowBy ? kMaxGrowBy : grow);
    }
    intptr_t newCapacity = a.capacity + grow < newSize ? newSize : a.capacity + grow;
    if (newCapacity > limit) newCapacity = newSize;
    void* block = SharedRealloc(a.data, static_cast<size_t>(newCapacity) * sizeof(Element));
    if (!block) return false;
    a.data = static_cast<Element*>(block);
    a.count = newSize;
    a.capacity = newCapacity;
    return true;
}

// Appends a copy; returns its index, or -1 when memory ran out.
template <class Array, class Element> intptr_t ArrayAdd(Array& a, const Element& e) {
    intptr_t index = a.count;
    if (!ArraySetSize(a, index + 1)) return -1;
    std::memcpy(&a.data[index], &e, sizeof e);
    return index;
}

// Removes element i; the later ones move up by one.
template <class Array> bool ArrayRemoveAt(Array& a, intptr_t i) {
    using Element = typename std::remove_pointer<decltype(a.data)>::type;
    if (!ArrayIsSane(a) || i < 0 || i >= a.count) return false;
    intptr_t after = a.count - i - 1;
    if (after > 0) std::memmove(&a.data[i], &a.data[i + 1], static_cast<size_t>(after) * sizeof(Element));
    --a.count;
    std::memset(&a.data[a.count], 0, sizeof(Element));
    return true;
}

// Empties the array and frees its block.
template <class Array> void ArrayRemoveAll(Array& a) {
    if (!ArrayIsSane(a)) {
        // Never free what a broken array points at: forget it instead.
        a.data = nullptr;
        a.count = a.capacity = 0;
        return;
    }
    ArraySetSize(a, 0);
}

void InitGroupArray(FriendGroupArray& a);
void InitFriendArray(FriendInfoArray& a);

#endif
