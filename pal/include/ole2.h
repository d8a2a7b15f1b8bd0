// Vantora platform layer: declares only what Vantora uses of the OLE API.
#pragma once

#include "pal/com.h"
#include "pal/variant.h"
