// Vantora platform layer: declares only what Vantora uses of the COM base API.
#pragma once

#pragma GCC visibility push(default)

#include "pal/com.h"
#include "pal/variant.h"
#include "objidl.h"

#pragma GCC visibility pop
