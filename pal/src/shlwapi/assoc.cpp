// File association queries: which extensions the shell treats as unsafe to open.
//
// Windows decides from the FTA_AlwaysUnsafe edit flag of a file type and a list built into the shell. This
// layer has no registered file types, so the list alone decides: it is the list of high-risk file types of
// the Windows Attachment Manager (Microsoft Knowledge Base article 883260, "Description of how the Attachment
// Manager works"), with the PowerShell and Monad script types that later Windows versions add to it.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "shlwapi.h"
#include "windows.h"

namespace {

// Sorted, lower case, for a binary search.
const char* const kDangerous[] = {
    ".ade", ".adp", ".app", ".asp", ".bas", ".bat", ".cer", ".chm", ".cmd", ".com", ".cpl", ".crt", ".csh",
    ".exe", ".fxp", ".hlp", ".hta", ".inf", ".ins", ".isp", ".its", ".js", ".jse", ".ksh", ".lnk", ".mad",
    ".maf", ".mag", ".mam", ".maq", ".mar", ".mas", ".mat", ".mau", ".mav", ".maw", ".mda", ".mdb", ".mde",
    ".mdt", ".mdw", ".mdz", ".msc", ".msh", ".msh1", ".msh1xml", ".msh2", ".msh2xml", ".mshxml", ".msi",
    ".msp", ".mst", ".ops", ".pcd", ".pif", ".prf", ".prg", ".ps1", ".ps1xml", ".ps2", ".ps2xml", ".psc1",
    ".psc2", ".pst", ".reg", ".scf", ".scr", ".sct", ".shb", ".shs", ".tmp", ".url", ".vb", ".vbe", ".vbs",
    ".vsmacros", ".vss", ".vst", ".vsw", ".ws", ".wsc", ".wsf", ".wsh",
};

} // namespace

extern "C" BOOL AssocIsDangerous(LPCWSTR pszAssoc)
{
    if (!pszAssoc || pszAssoc[0] != u'.')
        return FALSE;
    char key[16];
    size_t n = 0;
    for (; pszAssoc[n]; ++n) {
        WCHAR c = pszAssoc[n];
        if (n + 1 >= sizeof(key) || c > 0x7F)
            return FALSE;
        key[n] = char(c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c);
    }
    key[n] = 0;
    return std::binary_search(std::begin(kDangerous), std::end(kDangerous), key,
                              [](const char* a, const char* b) { return std::strcmp(a, b) < 0; });
}
