// Special folders, all inside the prefix.
#include <cstring>
#include <filesystem>
#include <string>

#include "common/prefix.h"
#include "pal/host.h"
#include "shlobj.h"
#include "windows.h"

extern "C" BOOL SHGetSpecialFolderPathW(HWND, LPWSTR pszPath, int csidl, BOOL fCreate)
{
    if (!pszPath)
        return FALSE;
    const char* sub = nullptr;
    switch (csidl & 0xFF) {
    case CSIDL_APPDATA: sub = "/AppData/Roaming"; break;
    case CSIDL_LOCAL_APPDATA: sub = "/AppData/Local"; break;
    case CSIDL_PERSONAL: sub = "/Documents"; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    std::string path = pal::PrefixPath() + sub;
    std::error_code ec;
    if (!std::filesystem::is_directory(path, ec)) {
        // The roaming folder always exists on Windows, so it is made whether or not creation was asked.
        (void)fCreate;
        if (!std::filesystem::create_directories(path, ec)) {
            SetLastError(ERROR_PATH_NOT_FOUND);
            return FALSE;
        }
    }
    std::u16string w = pal::ToWindowsPath(path);
    if (w.size() >= MAX_PATH) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(pszPath, w.c_str(), (w.size() + 1) * sizeof(WCHAR));
    return TRUE;
}
