// Texts of the module's resources for the whole add-in: string table entries by id, HTTP status
// descriptions and the help file's path. One per process, created on first use.
#pragma once

#include <windows.h>
#include <atlbase.h>

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

    CResourceManager(const CResourceManager&) = delete;
    CResourceManager& operator=(const CResourceManager&) = delete;

private:
    CResourceManager();

    HINSTANCE m_hInst = nullptr;
};
