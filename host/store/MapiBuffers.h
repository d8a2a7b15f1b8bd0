// MAPI's allocator as the mail client's MAPI library provides it, and the module "OLMAPI32.DLL" under
// which the host publishes it, so that the add-in finds MAPIFreeBuffer with GetModuleHandleW and
// GetProcAddress. A buffer from MapiAllocateBuffer owns every MapiAllocateMore block linked to it; one
// MapiFreeBuffer releases them all.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <cstddef>

namespace store {

SCODE STDMETHODCALLTYPE MapiAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
SCODE STDMETHODCALLTYPE MapiAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
ULONG STDAPICALLTYPE MapiFreeBuffer(LPVOID lpBuffer);

// Root buffers handed out and not yet freed (tests check that the add-in frees each one).
size_t LiveMapiBuffers();

// Publishes the module; safe to call more than once.
void RegisterMapiModule();

} // namespace store
