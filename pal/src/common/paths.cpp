// Windows path names over the Linux file system, as Wine presents them: Z:\ is /.
#include "pal/host.h"

namespace pal {

std::string ToUnixPath(const WCHAR* windowsPath)
{
    std::string s = ToUtf8(windowsPath);
    if (s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z')))
        s.erase(0, 2);
    for (char& c : s)
        if (c == '\\')
            c = '/';
    return s;
}

std::u16string ToWindowsPath(const std::string& unixPath)
{
    std::string s = unixPath;
    for (char& c : s)
        if (c == '/')
            c = '\\';
    if (!s.empty() && s[0] == '\\')
        s = "Z:" + s;
    return ToWide(s);
}

} // namespace pal
