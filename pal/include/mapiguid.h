// Vantora platform layer: declares only what Vantora uses of mapiguid.h: the MAPI interface ids, which
// are the __uuidof of their interfaces (mapidefs.h).
#pragma once

#pragma GCC visibility push(default)

#include "mapidefs.h"

#pragma GCC visibility pop
