// Vantora platform layer: declares only what Vantora uses of MSXML 6 (the DOM document and the HTTP
// request objects).
#pragma once

#include "pal/msxml_dom.h"
#include "pal/msxml_http.h"
