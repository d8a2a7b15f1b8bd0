// Vantora platform layer: declares only what Vantora uses of initguid.h: nothing. Interface ids come from
// __uuidof and need no definition in the including source.
#pragma once

#pragma GCC visibility push(default)

#pragma GCC visibility pop
