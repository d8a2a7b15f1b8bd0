// Vantora platform layer: declares only what Vantora uses of urlmon.h: the URL services.
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"
#include "pal/errors.h"
#include "pal/com.h"

// Bind contexts are never passed by Vantora (the argument must be null); the type is only named.
struct IBindCtx;
typedef IBindCtx* LPBC;

// S_OK when the text is a URL: a scheme and then only characters a URL may hold; S_FALSE when it is not;
// E_INVALIDARG for a null text, a bind context or a non-zero dwReserved.
STDAPI IsValidURL(LPBC pBC, LPCWSTR szURL, DWORD dwReserved);

#pragma GCC visibility pop
