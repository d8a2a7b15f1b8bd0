// Vantora platform layer: declares only what Vantora uses of share.h: the sharing modes of _wfsopen.
#pragma once

#pragma GCC visibility push(default)

#include "pal/kernel32.h"

#pragma GCC visibility pop
