// Vantora platform layer: what the host and the tests read of the drawing objects: the number of live
// objects (to find leaks) and a picture's pixels (to show or save what the add-in drew).
#pragma once

#pragma GCC visibility push(default)

#include <cstdint>
#include <vector>

#include "olectl.h"

namespace pal {

// Device contexts, fonts, brushes, bitmaps and icons alive now; stock objects are not counted.
size_t LiveGdiObjects();

// The pixels of a bitmap picture: width by height, top-down rows, each pixel 0xAARRGGBB with
// premultiplied alpha. E_INVALIDARG for null arguments, E_NOINTERFACE for what is not a picture,
// E_UNEXPECTED for a picture whose bitmap is gone.
HRESULT PicturePixels(IUnknown* picture, LONG* width, LONG* height, std::vector<uint32_t>* pixels);

// The same pixels written as a PNG file with an alpha channel.
HRESULT PictureToPng(IUnknown* picture, const char* path);

} // namespace pal

#pragma GCC visibility pop
