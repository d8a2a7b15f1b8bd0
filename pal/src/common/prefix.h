// Where the layer keeps per-user state (declared with the host's services, which also use it).
#pragma once

#include "pal/host.h"
