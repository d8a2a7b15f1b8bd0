// Vantora platform layer: declares only what Vantora uses of the COM base API.
#pragma once

#include "pal/com.h"
#include "pal/variant.h"
#include "objidl.h"
