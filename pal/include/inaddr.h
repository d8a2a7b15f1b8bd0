// Vantora platform layer: declares only what Vantora uses of inaddr.h: the IPv4 address structure.
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"

// The tag differs from the SDK's "in_addr" so that the C library's struct of that name can live in the same
// translation unit (the layer's own sources and the tests include both); code names it IN_ADDR. For the same
// reason the SDK's member shorthands (s_addr, s_net...) are not defined: they would rewrite the C library's.
typedef struct pal_in_addr {
    union {
        struct { UCHAR s_b1, s_b2, s_b3, s_b4; } S_un_b;
        struct { USHORT s_w1, s_w2; } S_un_w;
        ULONG S_addr; // network byte order
    } S_un;
} IN_ADDR, *PIN_ADDR, *LPIN_ADDR;

static_assert(sizeof(IN_ADDR) == 4, "IN_ADDR is 32 bits");

#pragma GCC visibility pop
