// The pictures the add-in draws (32-bit DIB pixels, top-down rows, premultiplied 0xAARRGGBB) as cairo
// surfaces, for the ribbon's and the dialogs' PNGs.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace host {

// A new image surface with the pixels (the caller destroys it), or null when there are fewer pixels than
// the size says or the size is empty.
inline cairo_surface_t* SurfaceOfPixels(long width, long height, const std::vector<uint32_t>& pixels)
{
    if (width <= 0 || height <= 0 || pixels.size() < size_t(width) * size_t(height))
        return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, int(width), int(height));
    cairo_surface_flush(s);
    unsigned char* data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (long row = 0; row < height; ++row)
        std::copy_n(&pixels[size_t(row) * size_t(width)], size_t(width), reinterpret_cast<uint32_t*>(data + row * stride));
    cairo_surface_mark_dirty(s);
    return s;
}

} // namespace host
