#include "core/growable_array.h"

#include <cstdlib>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace {
uint64_t g_arrayChanges = 0;
}

uint64_t ArrayChangeCount()
{
    return g_arrayChanges;
}
void NoteArrayChanged()
{
    ++g_arrayChanges;
}

const char kFriendGroupArrayClass[] = "CArray<FriendGroup,FriendGroup&>";
const char kFriendInfoArrayClass[] = "CArray<FriendInfo,FriendInfo&>";

#if defined(_WIN32)
// The process heap: the one allocator that the host and the library share.
void* SharedAlloc(size_t bytes)
{
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes ? bytes : 1);
}
void* SharedRealloc(void* block, size_t bytes)
{
    if (!block)
        return SharedAlloc(bytes);
    return HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, block, bytes ? bytes : 1);
}
void SharedFree(void* block)
{
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}
bool IsSharedBlock(const void* block)
{
    return block && HeapValidate(GetProcessHeap(), 0, block);
}
#else
// Native builds (the sanitizer run): the C heap, zero-filled the same way.
#include <malloc.h>
void* SharedAlloc(size_t bytes)
{
    return std::calloc(1, bytes ? bytes : 1);
}
void* SharedRealloc(void* block, size_t bytes)
{
    if (!block)
        return SharedAlloc(bytes);
    size_t old = malloc_usable_size(block);
    void* grown = std::realloc(block, bytes ? bytes : 1);
    if (grown && bytes > old)
        std::memset(static_cast<char*>(grown) + old, 0, bytes - old);
    return grown;
}
void SharedFree(void* block)
{
    std::free(block);
}
bool IsSharedBlock(const void* block)
{
    return block != nullptr;
}
#endif

void InitGroupArray(FriendGroupArray& a)
{
    std::memset(&a, 0, sizeof a);
    a.typeWord = kFriendGroupArrayClass;
}

void InitFriendArray(FriendInfoArray& a)
{
    std::memset(&a, 0, sizeof a);
    a.typeWord = kFriendInfoArrayClass;
}
