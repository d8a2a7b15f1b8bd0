// Vantora platform layer: declares only what Vantora uses of winternl.h: the NTSTATUS success test.
#pragma once

#pragma GCC visibility push(default)

#include "pal/errors.h"

#pragma GCC visibility pop
