// Whether the tests run under Wine, where a few system functions differ from Windows: those cases skip
// with GTEST_SKIP() and a reason naming Wine.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

#include <string>

namespace testing_support {

inline bool RunningOnWine()
{
#ifdef _WIN32
    // Wine's ntdll exports its version; Windows' does not.
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

// Wine's MSXML writes the xml property indented (a line break and tabs before each element) where Windows'
// writes none. Under Wine that layout is taken out so that the text compares with what Windows writes.
inline std::string WithoutWineIndentation(const std::string& xml)
{
    if (!RunningOnWine())
        return xml;
    std::string out;
    for (size_t i = 0; i < xml.size(); ++i) {
        if (i > 0 && xml[i - 1] == '>' && xml.compare(i, 2, "\r\n") == 0) {
            size_t next = i + 2;
            while (next < xml.size() && xml[next] == '\t')
                ++next;
            if (next < xml.size() && xml[next] == '<') {
                i = next - 1;
                continue;
            }
        }
        out += xml[i];
    }
    return out;
}

} // namespace testing_support
