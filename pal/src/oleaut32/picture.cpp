// OLE pictures over bitmaps: IPicture with its dispatch face IPictureDisp (the properties Handle, Type,
// Width and Height), owning its bitmap when asked to; and the layer's reading of a picture's pixels.
#include <cairo.h>

#include "pal/com_object.h"
#include "gdi32/objects.h"
#include "pal/gdi.h"
#include "common/stub.h"

namespace {

const DISPID kDispHandle = 0, kDispType = 3, kDispWidth = 4, kDispHeight = 5;

LONG ToHimetric(LONG pixels) { return LONG((int64_t(pixels) * 2540 + 48) / 96); }

class CPicture final : public pal::ComObject<IPicture, pal::ComEntry<IPictureDisp, IDispatch>> {
public:
    CPicture(HBITMAP bitmap, LONG width, LONG height, bool own)
        : m_bitmap(bitmap), m_width(width), m_height(height), m_own(own)
    {
    }

    HRESULT get_Handle(OLE_HANDLE* pHandle) override
    {
        if (!pHandle)
            return E_POINTER;
        // Handles of the layer's objects fit in 32 bits, as the system's do.
        *pHandle = OLE_HANDLE(reinterpret_cast<uintptr_t>(m_bitmap));
        return S_OK;
    }
    HRESULT get_hPal(OLE_HANDLE* phPal) override
    {
        if (!phPal)
            return E_POINTER;
        *phPal = 0;
        return S_OK;
    }
    HRESULT get_Type(SHORT* pType) override
    {
        if (!pType)
            return E_POINTER;
        *pType = PICTYPE_BITMAP;
        return S_OK;
    }
    HRESULT get_Width(OLE_XSIZE_HIMETRIC* pWidth) override
    {
        if (!pWidth)
            return E_POINTER;
        *pWidth = ToHimetric(m_width);
        return S_OK;
    }
    HRESULT get_Height(OLE_YSIZE_HIMETRIC* pHeight) override
    {
        if (!pHeight)
            return E_POINTER;
        *pHeight = ToHimetric(m_height);
        return S_OK;
    }
    HRESULT Render(HDC, LONG, LONG, LONG, LONG, OLE_XPOS_HIMETRIC, OLE_YPOS_HIMETRIC, OLE_XSIZE_HIMETRIC,
                   OLE_YSIZE_HIMETRIC, LPCRECT) override
    {
        return PAL_STUB();
    }
    HRESULT set_hPal(OLE_HANDLE) override { return PAL_STUB(); }
    HRESULT get_CurDC(HDC*) override { return PAL_STUB(); }
    HRESULT SelectPicture(HDC, HDC*, OLE_HANDLE*) override { return PAL_STUB(); }
    HRESULT get_KeepOriginalFormat(BOOL*) override { return PAL_STUB(); }
    HRESULT put_KeepOriginalFormat(BOOL) override { return PAL_STUB(); }
    HRESULT PictureChanged() override { return PAL_STUB(); }
    HRESULT SaveAsFile(LPSTREAM, BOOL, LONG*) override { return PAL_STUB(); }
    HRESULT get_Attributes(DWORD*) override { return PAL_STUB(); }

    HRESULT GetTypeInfoCount(UINT* pctinfo) override
    {
        if (!pctinfo)
            return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return PAL_STUB(); }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return PAL_STUB(); }
    HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                   UINT*) override
    {
        if (!(flags & DISPATCH_PROPERTYGET))
            return DISP_E_MEMBERNOTFOUND;
        if (!result)
            return E_POINTER;
        LONG value = 0;
        switch (member) {
        case kDispHandle: value = LONG(reinterpret_cast<uintptr_t>(m_bitmap)); break;
        case kDispType: value = PICTYPE_BITMAP; break;
        case kDispWidth: value = ToHimetric(m_width); break;
        case kDispHeight: value = ToHimetric(m_height); break;
        default: return DISP_E_MEMBERNOTFOUND;
        }
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = value;
        return S_OK;
    }

private:
    ~CPicture() override
    {
        if (m_own)
            DeleteObject(m_bitmap);
    }

    HBITMAP m_bitmap;
    LONG m_width, m_height;
    bool m_own;
};

} // namespace

STDAPI OleCreatePictureIndirect(LPPICTDESC lpPictDesc, REFIID riid, BOOL fOwn, LPVOID* lplpvObj)
{
    if (!lplpvObj)
        return E_POINTER;
    *lplpvObj = nullptr;
    if (!lpPictDesc)
        return E_INVALIDARG;
    if (lpPictDesc->picType != PICTYPE_BITMAP)
        return PAL_STUB(); // only bitmaps are needed
    if (lpPictDesc->cbSizeofstruct < offsetof(PICTDESC, bmp) + sizeof(lpPictDesc->bmp))
        return E_INVALIDARG;
    LONG width, height;
    {
        std::lock_guard<std::recursive_mutex> guard(pal::gdi::Mutex());
        auto* b = pal::gdi::Get<pal::gdi::Bitmap>(lpPictDesc->bmp.hbitmap, pal::gdi::Kind::Bitmap);
        if (!b)
            return E_INVALIDARG;
        width = b->width;
        height = b->height;
    }
    auto* picture = new CPicture(lpPictDesc->bmp.hbitmap, width, height, fOwn != FALSE);
    HRESULT hr = static_cast<IPicture*>(picture)->QueryInterface(riid, lplpvObj);
    static_cast<IPicture*>(picture)->Release();
    return hr;
}

HRESULT pal::PicturePixels(IUnknown* unknown, LONG* width, LONG* height, std::vector<uint32_t>* pixels)
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
        return PAL_STUB();
    std::lock_guard<std::recursive_mutex> guard(gdi::Mutex());
    auto* b = gdi::Get<gdi::Bitmap>(reinterpret_cast<HGDIOBJ>(uintptr_t(handle)), gdi::Kind::Bitmap);
    if (!b)
        return E_UNEXPECTED;
    *width = b->width;
    *height = b->height;
    pixels->assign(size_t(b->width) * size_t(b->height), 0);
    if (b->surface)
        cairo_surface_flush(b->surface);
    for (LONG y = 0; y < b->height; ++y) {
        const BYTE* row = b->bits + size_t(y) * size_t(b->stride);
        uint32_t* out = pixels->data() + size_t(y) * size_t(b->width);
        for (LONG x = 0; x < b->width; ++x) {
            if (b->bitsPerPixel == 32)
                out[x] = uint32_t(row[x * 4]) | (uint32_t(row[x * 4 + 1]) << 8) | (uint32_t(row[x * 4 + 2]) << 16) |
                         (uint32_t(row[x * 4 + 3]) << 24);
            else // a mask: set bits show the background, white; clear bits black
                out[x] = (row[x / 8] >> (7 - x % 8)) & 1 ? 0xFFFFFFFFu : 0xFF000000u;
        }
    }
    return S_OK;
}

HRESULT pal::PictureToPng(IUnknown* picture, const char* path)
{
    if (!path)
        return E_INVALIDARG;
    LONG width = 0, height = 0;
    std::vector<uint32_t> pixels;
    HRESULT hr = PicturePixels(picture, &width, &height, &pixels);
    if (FAILED(hr))
        return hr;
    cairo_surface_t* s = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                             CAIRO_FORMAT_ARGB32, width, height, width * 4);
    cairo_status_t status = cairo_surface_write_to_png(s, path);
    cairo_surface_destroy(s);
    return status == CAIRO_STATUS_SUCCESS ? S_OK : E_FAIL;
}
