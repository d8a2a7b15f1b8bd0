// Vantora platform layer: the Linux-side services of the layer for the host program and the tests.
// The add-in never includes this header.
#pragma once

#pragma GCC visibility push(default)

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "pal/com.h"

namespace pal {

std::string ToUtf8(const WCHAR* s);
std::string ToUtf8(std::u16string_view s);
std::u16string ToWide(std::string_view utf8);

// Windows paths map to Linux paths as under Wine: the drive Z: is the root, and backslashes are slashes.
std::string ToUnixPath(const WCHAR* windowsPath);
std::u16string ToWindowsPath(const std::string& unixPath);

// Points the layer at another prefix (tests); takes effect for every later call.
void SetPrefixPath(const std::string& path);

// Classes the layer itself provides (MSXML, MSHTML...), created by CoCreateInstance and CLSIDFromProgID.
using ClassFactoryFn = std::function<HRESULT(REFIID riid, void** ppv)>;
void RegisterBuiltinClass(REFCLSID clsid, const WCHAR* progId, ClassFactoryFn create);

// A module the host program provides itself under a DLL name (the mail client's MAPI library): later
// GetModuleHandleW calls with that name find it and GetProcAddress answers its exports by name.
HMODULE RegisterHostModule(const std::string& dllName, std::map<std::string, void*> exports);

} // namespace pal

#pragma GCC visibility pop
