// Vantora platform layer: declares only what Vantora uses of MSXML 6 (the DOM document and the HTTP
// request objects).
#pragma once

#pragma GCC visibility push(default)

#include "pal/msxml_dom.h"
#include "pal/msxml_http.h"

#pragma GCC visibility pop
