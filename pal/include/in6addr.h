// Vantora platform layer: declares only what Vantora uses of in6addr.h: the IPv6 address structure.
#pragma once

#pragma GCC visibility push(default)

#include "pal/types.h"

// Named apart from the C library's "in6_addr" for the reason given in inaddr.h; code names it IN6_ADDR.
typedef struct pal_in6_addr {
    union {
        UCHAR Byte[16];
        USHORT Word[8]; // each group in network byte order
    } u;
} IN6_ADDR, *PIN6_ADDR, *LPIN6_ADDR;

static_assert(sizeof(IN6_ADDR) == 16, "IN6_ADDR is 128 bits");

#pragma GCC visibility pop
