// Vantora platform layer: declares only what Vantora uses of winternl.h: the NTSTATUS success test.
#pragma once

#include "pal/errors.h"
