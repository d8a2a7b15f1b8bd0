// OLE pictures over bitmaps: ownership of the bitmap, the IPicture and dispatch properties, reading the
// pixels back, and a drawn sample written as a PNG (also to $VANTORA_GDI_SAMPLE when set, to look at).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "GdiTestUtil.h"
#include "pal/gdi.h"
#include "support/TestPrefix.h"

namespace {

HBITMAP Dib(LONG width, LONG height)
{
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

HRESULT Create(HBITMAP bitmap, REFIID riid, BOOL own, void** out)
{
    PICTDESC desc{sizeof(PICTDESC), PICTYPE_BITMAP, {}};
    desc.bmp.hbitmap = bitmap;
    return OleCreatePictureIndirect(&desc, riid, own, out);
}

TEST(Picture, OwnsItsBitmapWhenAsked)
{
    size_t live = pal::LiveGdiObjects();
    HBITMAP bitmap = Dib(96, 48);
    IPictureDisp* disp = nullptr;
    ASSERT_EQ(Create(bitmap, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(&disp)), S_OK);
    IPicture* picture = nullptr;
    ASSERT_EQ(disp->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&picture)), S_OK);
    IDispatch* dispatch = nullptr;
    ASSERT_EQ(picture->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
    EXPECT_EQ(static_cast<IDispatch*>(disp), dispatch);
    dispatch->Release();

    OLE_HANDLE handle = 0;
    SHORT type = 0;
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    EXPECT_EQ(picture->get_Handle(&handle), S_OK);
    EXPECT_EQ(reinterpret_cast<HBITMAP>(uintptr_t(handle)), bitmap);
    EXPECT_EQ(picture->get_Type(&type), S_OK);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    EXPECT_EQ(picture->get_Width(&width), S_OK);
    EXPECT_EQ(picture->get_Height(&height), S_OK);
    EXPECT_EQ(width, 2540); // 96 pixels are an inch
    EXPECT_EQ(height, 1270);
    // The same through the dispatch interface, as a script host reads it.
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(disp->Invoke(4, GUID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, &v, nullptr, nullptr), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 2540);
    EXPECT_EQ(disp->Invoke(77, GUID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, &v, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);

    picture->Release();
    EXPECT_EQ(pal::LiveGdiObjects(), live + 1);
    disp->Release();
    EXPECT_EQ(pal::LiveGdiObjects(), live) << "the picture deleted its bitmap";
    EXPECT_FALSE(DeleteObject(bitmap));

    // Without ownership the bitmap outlives the picture.
    bitmap = Dib(4, 4);
    IUnknown* unknown = nullptr;
    ASSERT_EQ(Create(bitmap, IID_IUnknown, FALSE, reinterpret_cast<void**>(&unknown)), S_OK);
    unknown->Release();
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(pal::LiveGdiObjects(), live);
}

TEST(Picture, BadArgumentsFail)
{
    size_t live = pal::LiveGdiObjects();
    void* out = &live;
    EXPECT_EQ(OleCreatePictureIndirect(nullptr, IID_IPicture, TRUE, &out), E_INVALIDARG);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Create(nullptr, IID_IPicture, TRUE, &out), E_INVALIDARG);
    int local = 0;
    EXPECT_EQ(Create(reinterpret_cast<HBITMAP>(&local), IID_IPicture, TRUE, &out), E_INVALIDARG);
    HBITMAP bitmap = Dib(2, 2);
    EXPECT_EQ(Create(bitmap, IID_IPicture, TRUE, nullptr), E_POINTER);
    EXPECT_EQ(Create(bitmap, IID_IClassFactory, TRUE, &out), E_NOINTERFACE);
    EXPECT_EQ(pal::LiveGdiObjects(), live) << "a picture that was not handed out still deletes what it owns";
    PICTDESC icon{sizeof(PICTDESC), PICTYPE_ICON, {}};
    EXPECT_EQ(OleCreatePictureIndirect(&icon, IID_IPicture, TRUE, &out), E_NOTIMPL);
    testing_support::AcceptReachedStubs();

    LONG width, height;
    std::vector<uint32_t> pixels;
    EXPECT_EQ(pal::PicturePixels(nullptr, &width, &height, &pixels), E_INVALIDARG);
    IUnknown* picture = nullptr;
    ASSERT_EQ(Create(Dib(1, 1), IID_IUnknown, TRUE, reinterpret_cast<void**>(&picture)), S_OK);
    EXPECT_EQ(pal::PicturePixels(picture, &width, nullptr, &pixels), E_INVALIDARG);
    picture->Release();
    EXPECT_EQ(pal::LiveGdiObjects(), live);
}

// The add-in's way of drawing an item: a DIB selected into a memory context, filled, text drawn, the
// context deleted and the bitmap handed to an owning picture.
TEST(Picture, DrawnSampleReadsBackAndSavesAsPng)
{
    size_t live = pal::LiveGdiObjects();
    const LONG width = 360, height = 150;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    uint32_t* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    ASSERT_TRUE(bitmap && bits);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    HFONT bold = gdi_test::UiFont(9, FW_BOLD), normal = gdi_test::UiFont(8);
    HGDIOBJ oldFont = SelectObject(dc, bold);
    struct Line {
        HFONT font;
        COLORREF color;
        std::u16string text;
    };
    const Line lines[] = {
        {bold, RGB(255, 0, 0), u"Requesting... Failed: 404 Not Found"},
        {normal, RGB(0, 160, 0), u"Retrieving... invoice.pdf (640x480)"},
        {normal, RGB(0, 0, 255), u"./a/very/long/path/that/does/not/fit/into/the/item/at/all/so/it/ends/with/an/ellipsis/index.html"},
        {normal, RGB(0, 0, 0), u"\u4E2D\u6587 \u0645\u0631\u062D\u0628\u0627 \U0001F600 \uD55C\uAD6D\uC5B4 caf\u00E9"},
    };
    LONG y = 2;
    for (const Line& line : lines) {
        SelectObject(dc, line.font);
        SetTextColor(dc, line.color);
        RECT rc{4, y, width - 4, height};
        y += DrawTextW(dc, line.text.c_str(), -1, &rc, DT_NOPREFIX | DT_VCENTER | DT_END_ELLIPSIS) + 4;
    }
    RECT centred{0, y, width, height};
    SetTextColor(dc, RGB(0, 0, 0));
    DrawTextW(dc, u"Centred && underlined &mnemonic", -1, &centred, DT_CENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bold);
    DeleteObject(normal);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);

    IPictureDisp* picture = nullptr;
    ASSERT_EQ(Create(bitmap, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(&picture)), S_OK);
    LONG w = 0, h = 0;
    std::vector<uint32_t> pixels;
    ASSERT_EQ(pal::PicturePixels(picture, &w, &h, &pixels), S_OK);
    ASSERT_EQ(w, width);
    ASSERT_EQ(h, height);
    EXPECT_EQ(pixels, std::vector<uint32_t>(bits, bits + width * height));
    auto count = [&](auto test) {
        int n = 0;
        for (uint32_t p : pixels)
            n += test((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF) ? 1 : 0;
        return n;
    };
    EXPECT_GT(count([](int r, int g, int b) { return r > 200 && g < 60 && b < 60; }), 50) << "red";
    EXPECT_GT(count([](int r, int g, int b) { return g > 120 && r < 60 && b < 60; }), 50) << "green";
    EXPECT_GT(count([](int r, int g, int b) { return b > 200 && r < 60 && g < 60; }), 50) << "blue";
    // Everything was painted, so the whole bitmap is opaque.
    EXPECT_EQ(std::count_if(pixels.begin(), pixels.end(), [](uint32_t p) { return p >> 24 != 0xFF; }), 0);

    std::string path = testing_support::Prefix() + "/sample.png";
    ASSERT_EQ(pal::PictureToPng(picture, path.c_str()), S_OK);
    std::string png = testing_support::ReadFile(path);
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    if (const char* keep = std::getenv("VANTORA_GDI_SAMPLE")) {
        EXPECT_EQ(pal::PictureToPng(picture, keep), S_OK);
    }
    EXPECT_EQ(pal::PictureToPng(picture, "/nonexistent-folder/x.png"), E_FAIL);
    picture->Release();
    EXPECT_EQ(pal::LiveGdiObjects(), live);
}

} // namespace
