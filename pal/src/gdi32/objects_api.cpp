// GDI's object functions: creating, selecting and deleting device contexts, fonts, brushes and DIB
// sections, and the state a context keeps for text.
#include <cstring>

#include "gdi32/objects.h"

using namespace pal::gdi;

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

HGDIOBJ Fail(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

// Selection of one kind of object into a context's slot; the previous object is returned.
HGDIOBJ Swap(HGDIOBJ& slot, HGDIOBJ handle, Object* object)
{
    HGDIOBJ previous = slot;
    if (previous == handle)
        return previous;
    ++object->selections;
    slot = handle;
    Deselect(previous);
    return previous;
}

} // namespace

extern "C" HGDIOBJ GetStockObject(int i)
{
    Guard guard(Mutex());
    return Stock(i);
}

extern "C" HFONT CreateFontIndirectW(const LOGFONTW* lplf)
{
    if (!lplf)
        return static_cast<HFONT>(Fail(ERROR_INVALID_PARAMETER));
    auto font = std::make_unique<Font>();
    font->logfont = *lplf;
    font->logfont.lfFaceName[LF_FACESIZE - 1] = 0;
    return static_cast<HFONT>(Insert(std::move(font)));
}

extern "C" HDC CreateCompatibleDC(HDC hdc)
{
    Guard guard(Mutex());
    if (hdc && !Get<DC>(hdc, Kind::DC))
        return static_cast<HDC>(Fail(ERROR_INVALID_HANDLE));
    auto dc = std::make_unique<DC>();
    dc->font = Stock(SYSTEM_FONT);
    dc->brush = Stock(WHITE_BRUSH);
    dc->bitmap = DefaultBitmap();
    for (HGDIOBJ h : {dc->font, dc->brush, dc->bitmap})
        ++Find(h)->selections;
    return static_cast<HDC>(Insert(std::move(dc)));
}

void pal::gdi::DestroyContext(HDC hdc, DC* dc)
{
    if (auto* b = Get<Bitmap>(dc->bitmap, Kind::Bitmap))
        b->selectedInto = nullptr;
    for (HGDIOBJ h : {dc->font, dc->brush, dc->bitmap})
        Deselect(h);
    Erase(hdc);
}

extern "C" BOOL DeleteDC(HDC hdc)
{
    Guard guard(Mutex());
    DC* dc = Get<DC>(hdc, Kind::DC);
    // A context from GetDC goes back with ReleaseDC.
    if (!dc || dc->screen) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DestroyContext(hdc, dc);
    return TRUE;
}

extern "C" HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    Guard guard(Mutex());
    DC* dc = Get<DC>(hdc, Kind::DC);
    Object* o = Find(h);
    if (!dc || !o || o->deletePending)
        return Fail(ERROR_INVALID_HANDLE);
    switch (o->kind) {
    case Kind::Font: return Swap(dc->font, h, o);
    case Kind::Brush: return Swap(dc->brush, h, o);
    case Kind::Bitmap: {
        auto* b = static_cast<Bitmap*>(o);
        // Only a memory context takes a bitmap, and a bitmap is in one context at a time.
        if (dc->screen || (b->selectedInto && b->selectedInto != hdc))
            return Fail(ERROR_INVALID_PARAMETER);
        if (auto* old = Get<Bitmap>(dc->bitmap, Kind::Bitmap); old && dc->bitmap != h)
            old->selectedInto = nullptr;
        if (!b->stock)
            b->selectedInto = hdc;
        return Swap(dc->bitmap, h, o);
    }
    default: return Fail(ERROR_INVALID_PARAMETER);
    }
}

extern "C" BOOL DeleteObject(HGDIOBJ ho)
{
    Guard guard(Mutex());
    Object* o = Find(ho);
    if (!o || o->kind == Kind::DC || o->kind == Kind::Icon) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (o->stock)
        return TRUE;
    if (o->selections > 0) {
        // The system refuses to delete a selected bitmap but lets a font or brush go once deselected.
        if (o->kind == Kind::Bitmap)
            return FALSE;
        o->deletePending = true;
        return TRUE;
    }
    Erase(ho);
    return TRUE;
}

extern "C" HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                                    DWORD)
{
    Guard guard(Mutex());
    if (ppvBits)
        *ppvBits = nullptr;
    if (hdc && !Get<DC>(hdc, Kind::DC))
        return static_cast<HBITMAP>(Fail(ERROR_INVALID_HANDLE));
    if (!pbmi || usage != DIB_RGB_COLORS || hSection)
        return static_cast<HBITMAP>(Fail(ERROR_INVALID_PARAMETER));
    const BITMAPINFOHEADER& h = pbmi->bmiHeader;
    // Bottom-up rows would need a surface that runs backwards; nothing here draws into one.
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || h.biBitCount != 32 ||
        h.biCompression != BI_RGB || h.biHeight >= 0 || h.biHeight == INT32_MIN)
        return static_cast<HBITMAP>(Fail(ERROR_INVALID_PARAMETER));
    std::unique_ptr<Bitmap> b = NewBitmap32(h.biWidth, -h.biHeight);
    if (!b)
        return static_cast<HBITMAP>(Fail(ERROR_NOT_ENOUGH_MEMORY));
    void* bits = b->bits;
    HGDIOBJ handle = Insert(std::move(b));
    if (handle && ppvBits)
        *ppvBits = bits;
    return static_cast<HBITMAP>(handle);
}

extern "C" int GetDeviceCaps(HDC hdc, int index)
{
    Guard guard(Mutex());
    if (!Get<DC>(hdc, Kind::DC))
        return 0;
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case HORZRES: return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES: return GetSystemMetrics(SM_CYSCREEN);
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    default: return 0;
    }
}

extern "C" COLORREF SetTextColor(HDC hdc, COLORREF color)
{
    Guard guard(Mutex());
    DC* dc = Get<DC>(hdc, Kind::DC);
    if (!dc)
        return CLR_INVALID;
    COLORREF previous = dc->textColor;
    dc->textColor = color & 0xFFFFFF;
    return previous;
}

extern "C" int SetBkMode(HDC hdc, int mode)
{
    Guard guard(Mutex());
    DC* dc = Get<DC>(hdc, Kind::DC);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}
