// Vantora platform layer: declares only what Vantora uses of MAPI's extended definitions: the types of the
// buffer functions. They are looked up at run time in the MAPI library that the mail client has already
// loaded, never linked.
#pragma once

#pragma GCC visibility push(default)

#include "mapidefs.h"
#include "mapicode.h"
#include "mapitags.h"

typedef ULONG(STDAPICALLTYPE MAPIFREEBUFFER)(LPVOID lpBuffer);
typedef MAPIFREEBUFFER* LPMAPIFREEBUFFER;
typedef SCODE(STDMETHODCALLTYPE MAPIALLOCATEBUFFER)(ULONG cbSize, LPVOID* lppBuffer);
typedef MAPIALLOCATEBUFFER* LPMAPIALLOCATEBUFFER;
typedef SCODE(STDMETHODCALLTYPE MAPIALLOCATEMORE)(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
typedef MAPIALLOCATEMORE* LPMAPIALLOCATEMORE;

#pragma GCC visibility pop
