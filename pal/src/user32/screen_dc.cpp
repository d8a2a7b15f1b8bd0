// The screen's device context: each GetDC gives a context of its own that ReleaseDC gives back.
#include "gdi32/objects.h"

using namespace pal::gdi;

extern "C" HDC GetDC(HWND hWnd)
{
    // There are no windows to draw into here.
    if (hWnd) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> guard(Mutex());
    auto dc = std::make_unique<DC>();
    dc->screen = true;
    dc->font = Stock(SYSTEM_FONT);
    dc->brush = Stock(WHITE_BRUSH);
    for (HGDIOBJ h : {dc->font, dc->brush})
        ++Find(h)->selections;
    return static_cast<HDC>(Insert(std::move(dc)));
}

extern "C" int ReleaseDC(HWND, HDC hDC)
{
    std::lock_guard<std::recursive_mutex> guard(Mutex());
    DC* dc = Get<DC>(hDC, Kind::DC);
    if (!dc || !dc->screen)
        return 0;
    DestroyContext(hDC, dc);
    return 1;
}
