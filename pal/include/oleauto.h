// Vantora platform layer: declares only what Vantora uses of OLE Automation (BSTR, VARIANT).
#pragma once

#include "pal/variant.h"
