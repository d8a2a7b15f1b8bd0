#include "host/text/Utf.h"

#include <climits>

namespace host {

std::string Utf8(WStringView text)
{
    if (text.empty() || text.size() > size_t(INT_MAX / 3))
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Utf8(const WCHAR* text)
{
    return text ? Utf8(WStringView(text)) : std::string();
}

WString Wide(std::string_view utf8)
{
    if (utf8.empty() || utf8.size() > size_t(INT_MAX))
        return WString();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    WString out(size_t(n > 0 ? n : 0), W('\0'));
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), out.data(), n);
    return out;
}

} // namespace host
