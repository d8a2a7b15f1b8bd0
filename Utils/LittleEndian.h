// Little-endian numbers in file formats, read byte by byte so that alignment and the host's byte order do
// not matter.
#pragma once

#include <windows.h>

inline WORD Le16(const BYTE* p) { return WORD(p[0] | (p[1] << 8)); }
inline DWORD Le32(const BYTE* p)
{
    return DWORD(p[0]) | (DWORD(p[1]) << 8) | (DWORD(p[2]) << 16) | (DWORD(p[3]) << 24);
}
