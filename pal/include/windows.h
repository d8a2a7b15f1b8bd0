// Vantora platform layer: declares only what Vantora uses of the Windows API.
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"
#include "pal/errors.h"
#include "pal/wstr.h"
#include "pal/kernel32.h"
#include "pal/com.h"
#include "pal/variant.h"
#include "winreg.h"
#include "pal/resources.h"
#include "pal/sysmetrics.h"
#include "winver.h"
#include "pal/user32.h"
#include "wingdi.h"
#include "winuser.h"

#pragma GCC visibility pop
