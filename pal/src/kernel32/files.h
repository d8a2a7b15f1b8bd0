// What the file functions share.
#pragma once

#include "windows.h"

namespace pal {

// The system error code of a failed file call's errno.
DWORD Win32FromErrno(int e);

} // namespace pal
