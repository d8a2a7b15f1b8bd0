// MAPI buffers: each root buffer heads a chain of the blocks allocated "more" on it. The set of live roots
// lets a second release of the same buffer fail cleanly instead of corrupting the heap.
#include "host/store/MapiBuffers.h"

#include <cstdlib>
#include <mutex>
#include <unordered_set>

#ifndef _WIN32
#include "pal/host.h"
#endif

namespace store {

namespace {

struct alignas(16) Block {
    Block* next; // the next block of the root's chain
    size_t size;
};

std::mutex g_lock;
std::unordered_set<Block*> g_roots;

Block* HeaderOf(void* p) { return static_cast<Block*>(p) - 1; }

} // namespace

SCODE STDMETHODCALLTYPE MapiAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer)
{
    if (!lppBuffer)
        return MAPI_E_INVALID_PARAMETER;
    *lppBuffer = nullptr;
    auto* block = static_cast<Block*>(std::calloc(1, sizeof(Block) + cbSize));
    if (!block)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    block->size = cbSize;
    std::lock_guard<std::mutex> guard(g_lock);
    g_roots.insert(block);
    *lppBuffer = block + 1;
    return S_OK;
}

SCODE STDMETHODCALLTYPE MapiAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer)
{
    if (!lppBuffer || !lpObject)
        return MAPI_E_INVALID_PARAMETER;
    *lppBuffer = nullptr;
    Block* root = HeaderOf(lpObject);
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_roots.count(root))
        return MAPI_E_INVALID_PARAMETER;
    auto* block = static_cast<Block*>(std::calloc(1, sizeof(Block) + cbSize));
    if (!block)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    block->size = cbSize;
    block->next = root->next;
    root->next = block;
    *lppBuffer = block + 1;
    return S_OK;
}

ULONG STDAPICALLTYPE MapiFreeBuffer(LPVOID lpBuffer)
{
    if (!lpBuffer)
        return S_OK;
    Block* root = HeaderOf(lpBuffer);
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (!g_roots.erase(root))
            return ULONG(MAPI_E_INVALID_PARAMETER);
    }
    while (root) {
        Block* next = root->next;
        std::free(root);
        root = next;
    }
    return S_OK;
}

size_t LiveMapiBuffers()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_roots.size();
}

#ifdef _WIN32

// The module is the DLL itself, which the program imports: it is loaded before the add-in asks for it.
void RegisterMapiModule() {}

#else

void RegisterMapiModule()
{
    pal::RegisterHostModule("OLMAPI32.DLL", {{"MAPIAllocateBuffer", reinterpret_cast<void*>(&MapiAllocateBuffer)},
                                             {"MAPIAllocateMore", reinterpret_cast<void*>(&MapiAllocateMore)},
                                             {"MAPIFreeBuffer", reinterpret_cast<void*>(&MapiFreeBuffer)}});
}

#endif

} // namespace store

#ifdef _WIN32
// MAPI's own names, which the add-in finds with GetProcAddress.
extern "C" __declspec(dllexport) SCODE STDMETHODCALLTYPE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer)
{
    return store::MapiAllocateBuffer(cbSize, lppBuffer);
}
extern "C" __declspec(dllexport) SCODE STDMETHODCALLTYPE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer)
{
    return store::MapiAllocateMore(cbSize, lpObject, lppBuffer);
}
extern "C" __declspec(dllexport) ULONG STDAPICALLTYPE MAPIFreeBuffer(LPVOID lpBuffer)
{
    return store::MapiFreeBuffer(lpBuffer);
}
#endif
