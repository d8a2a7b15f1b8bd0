// Lifetimes of GDI objects: selection, deletion while selected, stock objects, stale and foreign
// handles, and the live-object count that finds leaks.
#include <gtest/gtest.h>

#include "GdiTestUtil.h"
#include "pal/gdi.h"

using gdi_test::Canvas;
using gdi_test::UiFont;

namespace {

HBITMAP Dib(LONG width, LONG height, void** bits = nullptr)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* ignored = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits ? bits : &ignored, nullptr, 0);
}

TEST(GdiObjects, SelectedObjectsAndDeletion)
{
    size_t live = pal::LiveGdiObjects();
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP bitmap = Dib(4, -3, &bits);
    HFONT font = UiFont(8);
    ASSERT_TRUE(dc && bitmap && font && bits);
    EXPECT_EQ(pal::LiveGdiObjects(), live + 3);
    // The DIB's memory is zeroed and readable.
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(static_cast<uint32_t*>(bits)[i], 0u);

    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    ASSERT_NE(oldBitmap, nullptr); // the context's own one-pixel bitmap
    HGDIOBJ oldFont = SelectObject(dc, font);
    EXPECT_EQ(oldFont, GetStockObject(SYSTEM_FONT));

    // A selected bitmap cannot be deleted, nor be selected into a second context.
    EXPECT_FALSE(DeleteObject(bitmap));
    HDC other = CreateCompatibleDC(dc);
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    EXPECT_TRUE(DeleteDC(other));
    // The screen takes no bitmap.
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(SelectObject(screen, bitmap), nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(ReleaseDC(nullptr, screen), 0);

    // A selected font goes once it is deselected.
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(pal::LiveGdiObjects(), live + 3);
    EXPECT_EQ(SelectObject(dc, oldFont), font);
    EXPECT_EQ(pal::LiveGdiObjects(), live + 2);
    EXPECT_FALSE(DeleteObject(font));

    EXPECT_EQ(SelectObject(dc, oldBitmap), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(bitmap)) << "stale handle";
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(pal::LiveGdiObjects(), live);
}

TEST(GdiObjects, DeletingTheContextReleasesItsSelection)
{
    size_t live = pal::LiveGdiObjects();
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = Dib(2, -2);
    HFONT font = UiFont(9);
    SelectObject(dc, bitmap);
    SelectObject(dc, font);
    EXPECT_TRUE(DeleteObject(font)); // pending while selected
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(pal::LiveGdiObjects(), live + 1) << "the font went with the context, the bitmap stays";
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(pal::LiveGdiObjects(), live);
}

TEST(GdiObjects, StockObjectsAreShared)
{
    size_t live = pal::LiveGdiObjects();
    for (int i : {WHITE_BRUSH, BLACK_BRUSH, NULL_BRUSH, SYSTEM_FONT, DEFAULT_GUI_FONT}) {
        HGDIOBJ stock = GetStockObject(i);
        ASSERT_NE(stock, nullptr) << i;
        EXPECT_EQ(GetStockObject(i), stock);
        EXPECT_TRUE(DeleteObject(stock)) << "ignored for stock object " << i;
        EXPECT_EQ(GetStockObject(i), stock);
    }
    EXPECT_EQ(GetStockObject(999), nullptr);
    EXPECT_EQ(pal::LiveGdiObjects(), live);

    // The stock fonts measure text as well.
    HDC screen = GetDC(nullptr);
    for (int i : {SYSTEM_FONT, DEFAULT_GUI_FONT}) {
        SelectObject(screen, GetStockObject(i));
        RECT rc{};
        EXPECT_GT(DrawTextW(screen, u"Stock", -1, &rc, DT_CALCRECT), 10) << i;
        EXPECT_GT(rc.right, 20) << i;
    }
    ReleaseDC(nullptr, screen);
}

TEST(GdiObjects, BadHandlesAndArgumentsFail)
{
    size_t live = pal::LiveGdiObjects();
    int local = 0;
    const HGDIOBJ foreign[] = {nullptr, &local, reinterpret_cast<HGDIOBJ>(uintptr_t(0x12345678)),
                               reinterpret_cast<HGDIOBJ>(uintptr_t(0x10000)), reinterpret_cast<HGDIOBJ>(uintptr_t(1))};
    HDC screen = GetDC(nullptr);
    for (HGDIOBJ h : foreign) {
        EXPECT_FALSE(DeleteObject(h));
        EXPECT_FALSE(DeleteDC(static_cast<HDC>(h)));
        EXPECT_EQ(ReleaseDC(nullptr, static_cast<HDC>(h)), 0);
        EXPECT_EQ(SelectObject(screen, h), nullptr);
        EXPECT_EQ(SelectObject(static_cast<HDC>(h), GetStockObject(SYSTEM_FONT)), nullptr);
        EXPECT_EQ(CreateCompatibleDC(static_cast<HDC>(h == nullptr ? &local : h)), nullptr);
    }
    // Wrong kinds: a context is not deleted as an object, nor a font as a context.
    EXPECT_FALSE(DeleteObject(screen));
    HFONT font = UiFont(8);
    EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(font)));
    EXPECT_EQ(SelectObject(screen, screen), nullptr);
    EXPECT_FALSE(DeleteDC(screen)) << "a screen context goes back with ReleaseDC";
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(&local)), nullptr);
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);

    // DIB sections: 32-bit top-down only, drawable sizes, no file mapping; the bits pointer is cleared.
    void* bits = &local;
    EXPECT_EQ(Dib(10, 10, &bits), nullptr) << "bottom-up";
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(Dib(0, -10), nullptr);
    EXPECT_EQ(Dib(40000, -1), nullptr);
    EXPECT_EQ(Dib(1, -40000), nullptr);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, -4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(pal::LiveGdiObjects(), live);

    // A freed slot's handle stays dead when the slot is reused.
    HFONT first = UiFont(8);
    EXPECT_TRUE(DeleteObject(first));
    HFONT second = UiFont(8);
    EXPECT_NE(first, second);
    EXPECT_FALSE(DeleteObject(first));
    EXPECT_TRUE(DeleteObject(second));
}

TEST(GdiObjects, FillRectWritesOpaqueColour)
{
    Canvas canvas(8, 4);
    ASSERT_TRUE(canvas.ok());
    RECT left{0, 0, 4, 4};
    EXPECT_EQ(FillRect(canvas.dc(), &left, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))), 1);
    EXPECT_EQ(canvas.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.At(3, 3), 0xFFFFFFFFu);
    EXPECT_EQ(canvas.At(4, 0), 0u) << "right edge excluded";
    EXPECT_EQ(FillRect(canvas.dc(), &left, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH))), 1);
    EXPECT_EQ(canvas.At(0, 0), 0xFFFFFFFFu);
    RECT all{0, 0, 8, 4};
    FillRect(canvas.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(canvas.CountNot(0xFF000000u), 0);
}

} // namespace
