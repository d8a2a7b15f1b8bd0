// What the fuzz targets of the message readers check of a message they read.
#pragma once

#include <algorithm>
#include <cstddef>

#include "host/store/Message.h"

namespace fuzz {

// How deep its attached messages go (0 without any).
inline size_t MessageDepth(const store::Message& m)
{
    size_t deepest = 0;
    for (const auto& a : m.attachments)
        if (a.embedded)
            deepest = std::max(deepest, 1 + MessageDepth(*a.embedded));
    return deepest;
}

} // namespace fuzz
