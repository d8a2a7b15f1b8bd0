// Text measured on the screen's device context with a user-interface font, as the ribbon will draw it.
// The context and the previously selected font are given back on destruction.
#pragma once

#include <windows.h>

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/WString.h"

class CScreenText {
public:
    // Throws E_UNEXPECTED when there is no screen device context.
    explicit CScreenText(HFONT hFont)
    {
        HDC hDC = GetDC(nullptr);
        VTR_CHECK_QUOTED(hDC, E_UNEXPECTED);
        m_hDC = hDC;
        m_previous = SelectObject(m_hDC, hFont);
    }
    ~CScreenText()
    {
        SelectObject(m_hDC, m_previous);
        ReleaseDC(nullptr, m_hDC);
    }
    CScreenText(const CScreenText&) = delete;
    CScreenText& operator=(const CScreenText&) = delete;

    void Select(HFONT hFont) { SelectObject(m_hDC, hFont); }

    // The text's rectangle, from (0, 0), in pixels.
    RECT Measure(const WString& text) const
    {
        RECT rc = {0, 0, 0, 0};
        DrawTextW(m_hDC, text.c_str(), int(text.size()), &rc, DT_CALCRECT | DT_NOPREFIX | DT_VCENTER);
        return rc;
    }
    int Width(const WString& text) const
    {
        RECT rc = Measure(text);
        return rc.right - rc.left;
    }

private:
    HDC m_hDC = nullptr;
    HGDIOBJ m_previous = nullptr;
};
