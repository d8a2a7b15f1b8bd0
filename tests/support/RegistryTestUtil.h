// Registry questions the registration tests ask.
#pragma once

#include <windows.h>

#include <string>

namespace testing_support {

inline bool KeyExists(HKEY root, const std::u16string& path)
{
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

} // namespace testing_support
