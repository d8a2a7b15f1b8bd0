// BSTRs: a 32-bit byte length before the text, and a terminating NUL after it, as on Windows.
#include <cstdlib>
#include <cstring>

#include "windows.h"

namespace {

BSTR Allocate(UINT bytes)
{
    if (bytes > 0x7FFFFFF0u)
        return nullptr;
    auto* block = static_cast<char*>(std::malloc(sizeof(DWORD) + bytes + sizeof(WCHAR) + 1));
    if (!block)
        return nullptr;
    *reinterpret_cast<DWORD*>(block) = bytes;
    char* text = block + sizeof(DWORD);
    std::memset(text + bytes, 0, sizeof(WCHAR) + 1);
    return reinterpret_cast<BSTR>(text);
}

} // namespace

extern "C" BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui)
{
    if (ui > 0x3FFFFFF0u)
        return nullptr;
    BSTR b = Allocate(ui * sizeof(WCHAR));
    if (b) {
        if (strIn)
            std::memcpy(b, strIn, ui * sizeof(WCHAR));
        else
            std::memset(b, 0, ui * sizeof(WCHAR));
    }
    return b;
}

extern "C" BSTR SysAllocString(const OLECHAR* psz)
{
    return psz ? SysAllocStringLen(psz, UINT(wcslen(psz))) : nullptr;
}

extern "C" void SysFreeString(BSTR bstrString)
{
    if (bstrString)
        std::free(reinterpret_cast<char*>(bstrString) - sizeof(DWORD));
}

extern "C" UINT SysStringByteLen(BSTR bstr)
{
    return bstr ? *reinterpret_cast<const DWORD*>(reinterpret_cast<const char*>(bstr) - sizeof(DWORD)) : 0;
}

extern "C" UINT SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(WCHAR); }
