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
// Whether a host-made array's block is one the shared heap gave out: any
// other cannot be grown or freed there. Native builds cannot tell: true.
bool IsSharedBlock(const void* block);

// The value of each array class's type word.
extern const char kFriendGroupArrayClass[];
extern const char kFriendInfoArrayClass[];

// Counts every change the library makes to any array other than appending,
// so that what is derived from an array (the cache's number index) knows
// when it is stale; appends only add elements after the old ones. Code that
// writes elements in place calls NoteArrayChanged itself.
uint64_t ArrayChangeCount();
void NoteArrayChanged();

constexpr intptr_t kMaxGrowBy = 1024;
constexpr intptr_t kMinGrowBy = 4;

// A host-made array may hold anything: refuse shapes no array can have.
template <class Array>
bool ArrayIsSane(const Array& a)
{
    return a.count >= 0 && a.capacity >= a.count && a.growBy >= 0 && (a.data != nullptr || a.capacity == 0);
}

// The growth step of the class library's rule for an array of `count`.
inline intptr_t GrowthStep(intptr_t growBy, intptr_t count)
{
    if (growBy != 0)
        return growBy;
    const intptr_t grow = count / 8;
    return grow < kMinGrowBy ? kMinGrowBy : (grow > kMaxGrowBy ? kMaxGrowBy : grow);
}

// The capacity that growing from `capacity` to hold `size` elements takes:
// the growth step's, but never beyond `limit` (the most elements whose
// bytes still fit a size_t) and never less than `size`. A host's growth step
// is not trusted: a huge one must not wrap the byte count.
inline intptr_t GrownCapacity(intptr_t growBy, intptr_t count, intptr_t capacity, bool hasBlock, intptr_t size,
                              intptr_t limit)
{
    intptr_t wanted;
    if (!hasBlock) {
        wanted = size > growBy ? size : growBy;
    } else {
        const intptr_t grow = GrowthStep(growBy, count);
        wanted = grow > limit - capacity ? limit : capacity + grow;
        if (wanted < size)
            wanted = size;
    }
    return wanted > limit ? size : wanted;
}

// Sets the count as the class library does: growing beyond the capacity
// takes at least the growth step (0: an eighth of the count, 4 to 1024),
// new slots are zero, and a size of 0 frees the block.
template <class Array>
bool ArraySetSize(Array& a, intptr_t newSize)
{
    using Element = typename std::remove_pointer<decltype(a.data)>::type;
    if (newSize < 0 || !ArrayIsSane(a))
        return false;
    if (newSize < a.count)
        NoteArrayChanged();
    if (newSize == 0) {
        SharedFree(a.data);
        a.data = nullptr;
        a.count = a.capacity = 0;
        return true;
    }
    const intptr_t limit = static_cast<intptr_t>(SIZE_MAX / sizeof(Element));
    if (newSize > limit)
        return false;
    if (a.data && newSize <= a.capacity) {
        if (newSize > a.count)
            std::memset(a.data + a.count, 0, static_cast<size_t>(newSize - a.count) * sizeof(Element));
        a.count = newSize;
        return true;
    }
    intptr_t capacity = GrownCapacity(a.growBy, a.count, a.capacity, a.data != nullptr, newSize, limit);
    void* block = a.data ? SharedRealloc(a.data, static_cast<size_t>(capacity) * sizeof(Element))
                         : SharedAlloc(static_cast<size_t>(capacity) * sizeof(Element));
    if (!block && capacity > newSize) {
        // The growth step asked for more than there is: take just enough.
        capacity = newSize;
        block = a.data ? SharedRealloc(a.data, static_cast<size_t>(capacity) * sizeof(Element))
                       : SharedAlloc(static_cast<size_t>(capacity) * sizeof(Element));
    }
    if (!block)
        return false;
    a.data = static_cast<Element*>(block);
    a.count = newSize;
    a.capacity = capacity;
    return true;
}

// Appends a copy; returns its index, or -1 when memory ran out.
template <class Array, class Element>
intptr_t ArrayAdd(Array& a, const Element& e)
{
    intptr_t index = a.count;
    if (!ArraySetSize(a, index + 1))
        return -1;
    std::memcpy(&a.data[index], &e, sizeof e);
    return index;
}

// The capacity that `n` single appends leave, by the rule of ArraySetSize,
// starting from `count` elements in `capacity` slots (`hasBlock`: whether a
// block is allocated at all). Each reallocation grows by at least one step,
// so this takes few rounds even for a large `n`.
inline intptr_t CapacityAfterAppends(intptr_t growBy, intptr_t count, intptr_t capacity, bool hasBlock, intptr_t n,
                                     intptr_t limit)
{
    const intptr_t target = count + n;
    while (count < target) {
        if (!hasBlock || count + 1 > capacity) {
            capacity = GrownCapacity(growBy, count, capacity, hasBlock, count + 1, limit);
            hasBlock = true;
        }
        count = capacity < target ? capacity : target;
    }
    return capacity;
}

// Adds `n` zeroed slots as n single appends would, in one reallocation: the
// capacity ends where the growth rule would have taken it, without copying
// the block at every step. Returns the first new slot, or null when memory
// ran out or n < 1.
template <class Array>
auto ArrayExtend(Array& a, intptr_t n) -> decltype(a.data)
{
    using Element = typename std::remove_pointer<decltype(a.data)>::type;
    if (n <= 0 || !ArrayIsSane(a))
        return nullptr;
    const intptr_t limit = static_cast<intptr_t>(SIZE_MAX / sizeof(Element));
    if (n > limit - a.count)
        return nullptr;
    intptr_t capacity = CapacityAfterAppends(a.growBy, a.count, a.capacity, a.data != nullptr, n, limit);
    if (capacity != a.capacity || !a.data) {
        // Fresh room from the shared allocator comes zeroed.
        void* block = a.data ? SharedRealloc(a.data, static_cast<size_t>(capacity) * sizeof(Element))
                             : SharedAlloc(static_cast<size_t>(capacity) * sizeof(Element));
        if (!block && capacity > a.count + n) {
            capacity = a.count + n;  // a growth step beyond what memory has
            block = a.data ? SharedRealloc(a.data, static_cast<size_t>(capacity) * sizeof(Element))
                           : SharedAlloc(static_cast<size_t>(capacity) * sizeof(Element));
        }
        if (!block)
            return nullptr;
        a.data = static_cast<Element*>(block);
        a.capacity = capacity;
    } else {
        std::memset(a.data + a.count, 0, static_cast<size_t>(n) * sizeof(Element));
    }
    Element* first = a.data + a.count;
    a.count += n;
    return first;
}

// Room for up to `n` more appends without moving the block, the count
// unchanged: for a bulk append whose size is only known as a bound. Each
// reallocation of a large block copies all of it, so thousands of single
// appends would otherwise copy the array again every growth step.
// ArrayTrimAppended afterwards gives back the capacity that appending one
// by one would have left. False when memory ran out (nothing changed).
template <class Array>
bool ArrayReserve(Array& a, intptr_t n)
{
    using Element = typename std::remove_pointer<decltype(a.data)>::type;
    if (n < 0 || !ArrayIsSane(a))
        return false;
    const intptr_t limit = static_cast<intptr_t>(SIZE_MAX / sizeof(Element));
    if (n == 0)
        return true;
    if (n > limit - a.count)
        return false;
    const intptr_t capacity = CapacityAfterAppends(a.growBy, a.count, a.capacity, a.data != nullptr, n, limit);
    if (a.data && capacity <= a.capacity)
        return true;
    void* block = a.data ? SharedRealloc(a.data, static_cast<size_t>(capacity) * sizeof(Element))
                         : SharedAlloc(static_cast<size_t>(capacity) * sizeof(Element));
    if (!block)
        return false;
    a.data = static_cast<Element*>(block);
    a.capacity = capacity;
    return true;
}

// Takes back slots that ArrayExtend made but were not filled: the array
// keeps `count` elements, and its capacity becomes what appending one by one
// would have left, given the state (`countBefore`, `capacityBefore`,
// `hadBlock`) before the extension. Shrinking keeps the block in place.
template <class Array>
void ArrayTrimAppended(Array& a, intptr_t countBefore, intptr_t capacityBefore, bool hadBlock, intptr_t count)
{
    using Element = typename std::remove_pointer<decltype(a.data)>::type;
    if (!ArrayIsSane(a) || count > a.count || count < countBefore)
        return;
    NoteArrayChanged();
    if (count == 0 && !hadBlock) {
        ArraySetSize(a, 0);
        return;
    }
    if (count < a.count)
        std::memset(a.data + count, 0, static_cast<size_t>(a.count - count) * sizeof(Element));
    a.count = count;
    const intptr_t limit = static_cast<intptr_t>(SIZE_MAX / sizeof(Element));
    intptr_t capacity =
        CapacityAfterAppends(a.growBy, countBefore, capacityBefore, hadBlock, count - countBefore, limit);
    if (capacity < a.capacity) {
        void* block = SharedRealloc(a.data, static_cast<size_t>(capacity) * sizeof(Element));
        if (block) {
            a.data = static_cast<Element*>(block);
            a.capacity = capacity;
        }
    }
}

template <class Array, class Element>
bool ArrayAppendMany(Array& a, const Element* items, intptr_t n)
{
    if (n == 0)
        return ArrayIsSane(a);
    Element* first = ArrayExtend(a, n);
    if (!first)
        return false;
    std::memcpy(first, items, static_cast<size_t>(n) * sizeof(Element));
    return true;
}

// Removes element i; the later ones move up by one.
template <class Array>
bool ArrayRemoveAt(Array& a, intptr_t i)
{
    using Element = typename std::remove_pointer<decltype(a.data)>::type;
    if (!ArrayIsSane(a) || i < 0 || i >= a.count)
        return false;
    NoteArrayChanged();
    intptr_t after = a.count - i - 1;
    if (after > 0)
        std::memmove(&a.data[i], &a.data[i + 1], static_cast<size_t>(after) * sizeof(Element));
    --a.count;
    std::memset(&a.data[a.count], 0, sizeof(Element));
    return true;
}

// Empties the array and frees its block.
template <class Array>
void ArrayRemoveAll(Array& a)
{
    if (!ArrayIsSane(a)) {
        // Never free what a broken array points at: forget it instead.
        NoteArrayChanged();
        a.data = nullptr;
        a.count = a.capacity = 0;
        return;
    }
    ArraySetSize(a, 0);
}

void InitGroupArray(FriendGroupArray& a);
void InitFriendArray(FriendInfoArray& a);

#endif
