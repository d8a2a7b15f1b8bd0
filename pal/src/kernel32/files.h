// What the file functions share.
#pragma once

#include <sys/stat.h>

#include <string>

#include "windows.h"

namespace pal {

// The system error code of a failed file call's errno.
DWORD Win32FromErrno(int e);
// What Windows says of a path that does not exist: the file is missing, or already a folder on its way.
DWORD MissingFileError(const std::string& unixPath);
// FILE_ATTRIBUTE_READONLY: the owner may not write the file (Wine's mapping of the attribute).
inline bool IsReadOnly(const struct stat& st) { return !S_ISDIR(st.st_mode) && !(st.st_mode & S_IWUSR); }

} // namespace pal
