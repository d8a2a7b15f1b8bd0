// Vantora platform layer: MSXML HTTP request declarations.
#pragma once

#include "pal/com.h"
#include "pal/variant.h"
