// Vantora platform layer: declares only what Vantora uses of the OLE API.
#pragma once

#pragma GCC visibility push(default)

#include "pal/com.h"
#include "pal/variant.h"
#include "oleauto.h"

#pragma GCC visibility pop
