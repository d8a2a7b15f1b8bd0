// The responseStream of the MSXML request objects: a read-only stream over the received body.
#pragma once

#include <memory>
#include <string>

#include "objidl.h"

namespace pal::http {

// A seekable, read-only stream over the first size bytes of body. It shares the body (never copies it), so
// the bytes outlive the request object's own reference; appending to the body later does not change them.
IStream* CreateBodyStream(std::shared_ptr<const std::string> body, size_t size);

} // namespace pal::http
