// Vantora platform layer: declares only what Vantora uses of the shell light-weight utility API.
#pragma once

#pragma GCC visibility push(default)

#include "objidl.h"
#include "pal/types.h"

// Streams: a read-write copy of a memory block, and a stream over a file.
extern "C" IStream* SHCreateMemStream(const BYTE* pInit, UINT cbInit);
STDAPI SHCreateStreamOnFileEx(LPCWSTR pszFile, DWORD grfMode, DWORD dwAttributes, BOOL fCreate,
                              IStream* pstmTemplate, IStream** ppstm);

// File associations. An extension such as ".exe" that the shell never runs without a warning.
extern "C" BOOL AssocIsDangerous(LPCWSTR pszAssoc);

#pragma GCC visibility pop
