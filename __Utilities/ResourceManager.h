// The module's resources for the whole add-in: string table entries by id, HTTP status descriptions,
// icons and ribbon pictures, the two user-interface fonts and the help file's path. One per process,
// created on first use; cached pictures and fonts live until the process ends.
#pragma once

#include <windows.h>
#include <atlbase.h>
#include <olectl.h>

#include <map>

class CResourceManager {
public:
    static CResourceManager& Instance();

    // The string numbered Id (language 1033); empty when the table has no such string. Throws
    // CErrorInfo for Id <= 0 and when the string cannot be loaded.
    CComBSTR GetText(int Id);
    // "404 Not Found" for a known status, the bare digits ("420") for any other.
    CComBSTR GetHttpStatusText(long status);
    // The help file beside the module: its folder followed by the string IDS_HELP_FILE.
    CComBSTR GetHelpFile();
    // The icon resource Id at size x size pixels when size is a multiple of 16, else at the default size.
    // The caller destroys it.
    HICON GetIcon(int Id, int size);
    // The ribbon picture of icon Id (32 pixels when large, else 16), cached by Id alone: a later call with
    // the other size gets the first picture. A new reference; throws on failure.
    CComPtr<IPictureDisp> GetImage(int Id, bool large);
    // "Segoe UI" at 8 points (normal) or 9 points bold, for the screen; a stock font when creation fails.
    HFONT GetUIFont(bool bold);

    CResourceManager(const CResourceManager&) = delete;
    CResourceManager& operator=(const CResourceManager&) = delete;

private:
    CResourceManager();

    ~CResourceManager();

    HINSTANCE m_hInst = nullptr;
    std::map<int, CComPtr<IPictureDisp>> m_images;
    std::map<int, HFONT> m_fonts; // by point size
};
