// Vantora platform layer: declares only what Vantora uses of OLE Automation (BSTR, VARIANT, type libraries).
#pragma once

#pragma GCC visibility push(default)

#include "pal/variant.h"
#include "pal/typelib.h"

// Safe arrays: one-dimensional vectors of the automation types. Destroying an array releases what its
// elements own (variants are cleared, strings freed, interfaces released); a locked array is not destroyed.
#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_RECORD 0x0020
#define FADF_HAVEIID 0x0040
#define FADF_HAVEVARTYPE 0x0080
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800
#define FADF_CREATEVECTOR 0x2000
extern "C" {
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
HRESULT SafeArrayDestroy(SAFEARRAY* psa);
}

#pragma GCC visibility pop
