// Vantora platform layer: declares only what Vantora uses of MAPI's extended definitions: the buffer
// release function's type. The function itself is looked up at run time in the MAPI library that the
// mail client has already loaded, never linked.
#pragma once

#pragma GCC visibility push(default)

#include "mapidefs.h"
#include "mapicode.h"
#include "mapitags.h"

typedef ULONG(STDAPICALLTYPE MAPIFREEBUFFER)(LPVOID lpBuffer);
typedef MAPIFREEBUFFER* LPMAPIFREEBUFFER;

#pragma GCC visibility pop
