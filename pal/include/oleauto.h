// Vantora platform layer: declares only what Vantora uses of OLE Automation (BSTR, VARIANT, type libraries).
#pragma once

#pragma GCC visibility push(default)

#include "pal/variant.h"
#include "pal/typelib.h"

#pragma GCC visibility pop
