// Vantora platform layer: declares only what Vantora uses of version information (winver.h).
#pragma once

#pragma GCC visibility push(default)

#include "pal/resources.h"

#define VS_VERSION_INFO 1
#define VS_FFI_SIGNATURE 0xFEEF04BDL

typedef struct tagVS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
} VS_FIXEDFILEINFO;
static_assert(sizeof(VS_FIXEDFILEINFO) == 52, "Windows layout");

#pragma GCC visibility pop
