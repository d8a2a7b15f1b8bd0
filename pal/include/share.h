// Vantora platform layer: declares only what Vantora uses of share.h: the sharing modes of _wfsopen.
#pragma once

#include "pal/kernel32.h"
