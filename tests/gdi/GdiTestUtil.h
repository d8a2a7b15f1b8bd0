// Drawing surfaces for the GDI tests: a memory context with a DIB section selected, and pixel counts.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include <windows.h>

namespace gdi_test {

// A width by height top-down 32-bit DIB section selected into a memory context; both go at the end.
class Canvas {
public:
    Canvas(LONG width, LONG height) : m_width(width), m_height(height)
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_previous = SelectObject(m_dc, m_bitmap);
    }
    ~Canvas()
    {
        SelectObject(m_dc, m_previous);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return m_dc; }
    HBITMAP bitmap() const { return m_bitmap; }
    bool ok() const { return m_dc && m_bitmap && m_bits && m_previous; }
    uint32_t* Bits() const { return m_bits; }
    uint32_t At(LONG x, LONG y) const { return m_bits[size_t(y) * size_t(m_width) + size_t(x)]; }

    // Pixels for which the test holds.
    template <class Test> int Count(Test test) const
    {
        int n = 0;
        for (LONG i = 0; i < m_width * m_height; ++i)
            n += test(m_bits[i]) ? 1 : 0;
        return n;
    }
    // Pixels whose colour differs from the given one.
    int CountNot(uint32_t argb) const
    {
        return Count([argb](uint32_t p) { return p != argb; });
    }
    void Fill(COLORREF color) const
    {
        RECT all{0, 0, m_width, m_height};
        HBRUSH brush = color == RGB(255, 255, 255) ? static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))
                                                   : static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        FillRect(m_dc, &all, brush);
    }

private:
    LONG m_width, m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    uint32_t* m_bits = nullptr;
    HGDIOBJ m_previous = nullptr;
};

// The interface font as the add-in asks for it: "Segoe UI" at points at 96 dots per inch.
inline HFONT UiFont(int points, LONG weight = FW_NORMAL)
{
    LOGFONTW lf{};
    lf.lfHeight = -(points * 96 / 72);
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfOutPrecision = OUT_OUTLINE_PRECIS;
    lf.lfQuality = CLEARTYPE_QUALITY;
    const char16_t face[] = u"Segoe UI";
    for (size_t i = 0; i < sizeof(face) / sizeof(face[0]); ++i)
        lf.lfFaceName[i] = face[i];
    return CreateFontIndirectW(&lf);
}

} // namespace gdi_test
