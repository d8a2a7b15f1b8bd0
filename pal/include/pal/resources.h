// Vantora platform layer: resource lookup (string table, raw resources, version information).
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"

#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)
#define RT_HTML MAKEINTRESOURCEW(23)
#define RT_MANIFEST MAKEINTRESOURCEW(24)

extern "C" {
// A null module is the main program. Resources are looked up in the language asked for, else in
// en-US (1033, the user's language here), then language-neutral.
HRSRC FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType);
HRSRC FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage);
HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID LockResource(HGLOBAL hResData);
DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo);
// cchBufferMax 0 stores a read-only pointer to the (unterminated) text in *lpBuffer and returns its length.
int LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);
DWORD GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle);
BOOL GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);
BOOL VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen);

// Called by the source that links a module's .res file (windres -O res) into it: the image is registered
// at load time under the module's handle and removed at unload. A malformed image is refused (FALSE,
// ERROR_BAD_FORMAT) and a malformed entry left out, each fault written to standard error.
BOOL PalRegisterModuleResources(HMODULE hModule, const void* image, DWORD size);
void PalUnregisterModuleResources(HMODULE hModule, const void* image);
}

#pragma GCC visibility pop
