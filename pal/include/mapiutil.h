// Vantora platform layer: MAPI's utility header; Vantora uses none of its helpers beyond what mapix.h
// declares.
#pragma once

#pragma GCC visibility push(default)

#include "mapix.h"

#pragma GCC visibility pop
