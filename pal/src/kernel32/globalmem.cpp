// Global memory blocks. A fixed block is the pointer to its bytes, with its size kept just before them; a
// moveable block is a handle, known to this file, that GlobalLock resolves to its current bytes.
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_set>

#include "kernel32/memory.h"
#include "windows.h"

namespace {

struct alignas(16) FixedHeader {
    SIZE_T size;
};

struct MoveableBlock {
    BYTE* data = nullptr;
    SIZE_T size = 0;
    LONG locks = 0;
};

std::mutex g_lock;

std::unordered_set<MoveableBlock*>& Moveables()
{
    static std::unordered_set<MoveableBlock*> blocks;
    return blocks;
}

// The moveable block behind a handle, or null when the handle is a fixed block (or no block at all).
MoveableBlock* FindMoveable(HGLOBAL h)
{
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = Moveables().find(static_cast<MoveableBlock*>(h));
    return it == Moveables().end() ? nullptr : *it;
}

FixedHeader* HeaderOf(HGLOBAL h) { return static_cast<FixedHeader*>(h) - 1; }

HGLOBAL OutOfMemory()
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
}

} // namespace

extern "C" HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes)
{
    if (uFlags & GMEM_MOVEABLE) {
        auto* block = new (std::nothrow) MoveableBlock;
        if (!block)
            return OutOfMemory();
        if (dwBytes) {
            block->data = static_cast<BYTE*>((uFlags & GMEM_ZEROINIT) ? std::calloc(1, dwBytes) : std::malloc(dwBytes));
            if (!block->data) {
                delete block;
                return OutOfMemory();
            }
            block->size = dwBytes;
        }
        std::lock_guard<std::mutex> guard(g_lock);
        Moveables().insert(block);
        return block;
    }
    if (dwBytes > SIZE_MAX - sizeof(FixedHeader))
        return OutOfMemory();
    void* p = (uFlags & GMEM_ZEROINIT) ? std::calloc(1, sizeof(FixedHeader) + dwBytes)
                                       : std::malloc(sizeof(FixedHeader) + dwBytes);
    if (!p)
        return OutOfMemory();
    auto* header = static_cast<FixedHeader*>(p);
    header->size = dwBytes;
    return header + 1;
}

extern "C" HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags)
{
    if (!hMem) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (MoveableBlock* block = FindMoveable(hMem)) {
        if (block->locks > 0 && !(uFlags & GMEM_MOVEABLE) && dwBytes > block->size)
            return OutOfMemory();
        BYTE* data = nullptr;
        if (dwBytes) {
            data = static_cast<BYTE*>(std::realloc(block->data, dwBytes));
            if (!data)
                return OutOfMemory();
            if ((uFlags & GMEM_ZEROINIT) && dwBytes > block->size)
                std::memset(data + block->size, 0, dwBytes - block->size);
        } else {
            std::free(block->data);
        }
        block->data = data;
        block->size = dwBytes;
        return block;
    }
    FixedHeader* header = HeaderOf(hMem);
    // A fixed block may only move when the caller allows it; shrinking happens in place.
    if (dwBytes <= header->size) {
        header->size = dwBytes;
        return hMem;
    }
    if (!(uFlags & GMEM_MOVEABLE) || dwBytes > SIZE_MAX - sizeof(FixedHeader))
        return OutOfMemory();
    SIZE_T old = header->size;
    auto* moved = static_cast<FixedHeader*>(std::realloc(header, sizeof(FixedHeader) + dwBytes));
    if (!moved)
        return OutOfMemory();
    if (uFlags & GMEM_ZEROINIT)
        std::memset(reinterpret_cast<BYTE*>(moved + 1) + old, 0, dwBytes - old);
    moved->size = dwBytes;
    return moved + 1;
}

extern "C" LPVOID GlobalLock(HGLOBAL hMem)
{
    if (!hMem) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (MoveableBlock* block = FindMoveable(hMem)) {
        if (!block->data) {
            SetLastError(ERROR_DISCARDED);
            return nullptr;
        }
        ++block->locks;
        return block->data;
    }
    return hMem;
}

extern "C" BOOL GlobalUnlock(HGLOBAL hMem)
{
    MoveableBlock* block = FindMoveable(hMem);
    if (!block || block->locks == 0) {
        SetLastError(block ? ERROR_NOT_LOCKED : NO_ERROR);
        return FALSE;
    }
    SetLastError(NO_ERROR);
    return --block->locks > 0;
}

extern "C" SIZE_T GlobalSize(HGLOBAL hMem)
{
    if (!hMem) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (MoveableBlock* block = FindMoveable(hMem))
        return block->size;
    return HeaderOf(hMem)->size;
}

extern "C" HGLOBAL GlobalFree(HGLOBAL hMem)
{
    if (!hMem)
        return nullptr;
    MoveableBlock* block = nullptr;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        auto it = Moveables().find(static_cast<MoveableBlock*>(hMem));
        if (it != Moveables().end()) {
            block = *it;
            Moveables().erase(it);
        }
    }
    if (block) {
        std::free(block->data);
        delete block;
    } else {
        std::free(HeaderOf(hMem));
    }
    return nullptr;
}
