#include "host/Commands.h"

#include <olectl.h>

#include <cstdio>

#include "host/text/Utf.h"

namespace host {

std::string HResultText(HRESULT hr)
{
    static const struct {
        HRESULT code;
        const char* name;
    } names[] = {{S_OK, "S_OK"}, {S_FALSE, "S_FALSE"}, {E_FAIL, "E_FAIL"}, {E_NOINTERFACE, "E_NOINTERFACE"},
                 {E_POINTER, "E_POINTER"}, {E_UNEXPECTED, "E_UNEXPECTED"}, {E_INVALIDARG, "E_INVALIDARG"},
                 {E_OUTOFMEMORY, "E_OUTOFMEMORY"}, {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
                 {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"}, {SELFREG_E_CLASS, "SELFREG_E_CLASS"},
                 {SELFREG_E_TYPELIB, "SELFREG_E_TYPELIB"}};
    char buf[32];
    std::snprintf(buf, sizeof(buf), "0x%08X", unsigned(hr));
    std::string text = buf;
    for (const auto& n : names)
        if (n.code == hr)
            return text + " (" + n.name + ")";
    WCHAR* message = nullptr;
    if (FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, DWORD(hr), 0, reinterpret_cast<LPWSTR>(&message), 0, nullptr) && message) {
        std::string m = host::Utf8(message);
        LocalFree(message);
        while (!m.empty() && (m.back() == '\n' || m.back() == '\r' || m.back() == ' '))
            m.pop_back();
        if (!m.empty())
            text += " (" + m + ")";
    }
    return text;
}

} // namespace host
