// MAPI's allocator as the mail client's MAPI library provides it, and the module "OLMAPI32.DLL" under
// which the host publishes it, so that the add-in finds MAPIFreeBuffer with GetModuleHandleW and
// GetProcAddress. A buffer from MapiAllocateBuffer owns every MapiAllocateMore block linked to it; one
// MapiFreeBuffer releases them all.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <cstddef>

// On Windows the allocator is the DLL OLMAPI32.dll, which the host programme imports.
#if defined(_WIN32) && defined(VANTORA_MAPI_BUILD)
#define STORE_MAPI_API __declspec(dllexport)
#elif defined(_WIN32)
#define STORE_MAPI_API __declspec(dllimport)
#else
#define STORE_MAPI_API
#endif

namespace store {

STORE_MAPI_API SCODE STDMETHODCALLTYPE MapiAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
STORE_MAPI_API SCODE STDMETHODCALLTYPE MapiAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
STORE_MAPI_API ULONG STDAPICALLTYPE MapiFreeBuffer(LPVOID lpBuffer);

// Root buffers handed out and not yet freed (tests check that the add-in frees each one).
STORE_MAPI_API size_t LiveMapiBuffers();

// Publishes the module; safe to call more than once.
STORE_MAPI_API void RegisterMapiModule();

} // namespace store
