// The pixels of a picture the add-in returned (IPictureDisp over a bitmap): width by height, top-down rows,
// each pixel 0xAARRGGBB. E_INVALIDARG for null arguments, E_NOINTERFACE for what is not a picture.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace ribbon {

HRESULT PicturePixels(IUnknown* picture, LONG* width, LONG* height, std::vector<uint32_t>* pixels);

} // namespace ribbon
