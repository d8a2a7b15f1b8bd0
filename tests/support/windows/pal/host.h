// The test helpers of the platform layer, for the test programmes built for Windows: text conversions and
// paths over the system's own calls. Declares only what the tests use.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace pal {

inline std::string ToUtf8(std::wstring_view s)
{
    if (s.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, s.data(), int(s.size()), out.data(), n, nullptr, nullptr);
    return out;
}

inline std::string ToUtf8(const WCHAR* s) { return s ? ToUtf8(std::wstring_view(s)) : std::string(); }

inline std::wstring ToWide(std::string_view utf8)
{
    if (utf8.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring out(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

// The tests' paths are Windows paths already (the folders come from the command line and GetTempPathW);
// they only join them with slashes.
inline std::wstring ToWindowsPath(const std::string& path)
{
    std::wstring wide = ToWide(path);
    for (WCHAR& c : wide)
        if (c == L'/')
            c = L'\\';
    return wide;
}

} // namespace pal
