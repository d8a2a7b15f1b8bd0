#include "host/ribbon/PicturePixels.h"

#include <olectl.h>

#ifndef _WIN32
#include "pal/gdi.h"
#endif

namespace ribbon {

#ifdef _WIN32

// Read back through GDI, as a 32-bit top-down DIB: what Office gets from the bitmap it is handed.
HRESULT PicturePixels(IUnknown* unknown, LONG* width, LONG* height, std::vector<uint32_t>* pixels)
{
    if (!unknown || !width || !height || !pixels)
        return E_INVALIDARG;
    IPicture* picture = nullptr;
    if (FAILED(unknown->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&picture))))
        return E_NOINTERFACE;
    OLE_HANDLE handle = 0;
    SHORT type = 0;
    HRESULT hr = picture->get_Type(&type);
    if (SUCCEEDED(hr))
        hr = picture->get_Handle(&handle);
    picture->Release();
    if (FAILED(hr))
        return hr;
    if (type != PICTYPE_BITMAP)
        return E_NOTIMPL;
    HBITMAP bitmap = reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
    BITMAP info{};
    if (!GetObjectW(bitmap, sizeof(info), &info))
        return E_UNEXPECTED;
    *width = info.bmWidth;
    *height = info.bmHeight;
    pixels->assign(size_t(info.bmWidth) * size_t(info.bmHeight), 0);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = info.bmWidth;
    bi.bmiHeader.biHeight = -info.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(nullptr);
    int rows = GetDIBits(dc, bitmap, 0, UINT(info.bmHeight), pixels->data(), &bi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return rows == info.bmHeight ? S_OK : E_UNEXPECTED;
}

#else

HRESULT PicturePixels(IUnknown* picture, LONG* width, LONG* height, std::vector<uint32_t>* pixels)
{
    return pal::PicturePixels(picture, width, height, pixels);
}

#endif

} // namespace ribbon
