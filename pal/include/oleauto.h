// Vantora platform layer: declares only what Vantora uses of OLE Automation (BSTR, VARIANT, type libraries).
#pragma once

#include "pal/variant.h"
#include "pal/typelib.h"
