// PathFileExistsW: whether a file or folder exists at a Windows path, which the layer maps as Wine does.
#include <sys/stat.h>

#include "pal/host.h"
#include "shlwapi.h"

extern "C" BOOL PathFileExistsW(LPCWSTR pszPath)
{
    if (!pszPath || !*pszPath)
        return FALSE;
    struct stat info;
    return stat(pal::ToUnixPath(pszPath).c_str(), &info) == 0 ? TRUE : FALSE;
}
