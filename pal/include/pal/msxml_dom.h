// Vantora platform layer: MSXML DOM document declarations.
#pragma once

#include "pal/com.h"
#include "pal/variant.h"
