// Vantora platform layer: declares only what Vantora's resource script uses of winres.h.
#pragma once

#pragma GCC visibility push(default)

#include "winver.h"
#include "pal/styles.h"

#define IDC_STATIC (-1)
#define IDOK 1
#define IDCANCEL 2
#define CREATEPROCESS_MANIFEST_RESOURCE_ID 1
#define ISOLATIONAWARE_MANIFEST_RESOURCE_ID 2
#ifdef RC_INVOKED
#undef RT_MANIFEST
#define RT_MANIFEST 24
#endif

#pragma GCC visibility pop
