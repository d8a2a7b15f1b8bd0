// The builder of the coloured detail texts of the info and attachments dialogs: a text with colour and
// bold ranges, applied to a rich edit control once the text is in it.
#pragma once

#include <windows.h>

#include <vector>

#include "__Utilities/WString.h"
#include "email/AttachmentInfo.h"

const COLORREF CLR_LABEL = RGB(0, 64, 128);
const COLORREF CLR_HOST = RGB(0, 0, 255);
const COLORREF CLR_ERROR = RGB(255, 0, 0);
const COLORREF CLR_PROGRESS = RGB(0, 160, 0);
const COLORREF CLR_WARNING = RGB(255, 160, 0);

// Positions count characters of the text, end exclusive; colour 0 is the control's automatic colour.
struct FormatRange {
    COLORREF color = 0;
    LONG start = 0;
    LONG end = 0;
    bool bold = false;
    bool italic = false;
};

class CInfoDlgHelper {
public:
    CInfoDlgHelper() = default;
    virtual ~CInfoDlgHelper() = default;

    // Resource string id, in label colour.
    void AddLabel(UINT id);
    // A new line (unless the text is empty), the label and the value.
    void AddLine(UINT labelId, const WCHAR* value);
    void AddLine(UINT labelId, UINT valueId);
    // "Status :" and the value in the colour.
    void AddStatusLine(const WCHAR* value, COLORREF colour);
    void AddBoldRange(LONG start, LONG end);
    void AddColorRange(LONG start, LONG end, COLORREF colour, bool bold);

    // Applies the ranges to the control that holds the text; throws without text or control.
    void FormatContent(HWND hRichEditCtrl);
    // The detail block of one attachment; full adds the file name line and the text preview.
    void InitAttachment(const AttachmentInfo& attachInfo, bool full);

    const WString& GetText() const { return m_text; }
    const std::vector<FormatRange>& GetFormatRanges() const { return m_formatRanges; }

    // The text as the control takes it: a NUL would end it early, so NULs become spaces.
    WString ControlText() const;
    // Where the text's CR LF pairs start: the rich edit control counts each pair as one character, so a
    // position of the text is one of the control less the pairs that start before it.
    std::vector<LONG> CrLfStarts() const;
    static LONG ControlPosition(const std::vector<LONG>& crLfStarts, LONG position);

    static WString Decimal(long long value);
    // Registers the classes of the dialogs' controls (rich edit 5.0, tab, link, list view, up-down) once per
    // process.
    static void InitControls();

    // The saved window rectangles of the dialogs: a 64-bit registry value named after the caption id in
    // decimal, four 16-bit fields from the most significant: left, top, right, bottom. Coordinates left of
    // or above the primary screen are kept as signed 16-bit numbers (two's complement), so that a window
    // on a monitor there is restored too; coordinates beyond that range are clamped to it.
    static ULONGLONG PackWindowRect(const RECT& rect);
    static RECT UnpackWindowRect(ULONGLONG value);
    static void SaveWindowRect(HWND hWnd, UINT captionId);
    // Moves the window to the saved rectangle when there is one, not 0, that lies on a screen.
    static bool RestoreWindowRect(HWND hWnd, UINT captionId);
    // The resizable dialogs' minimum tracking size (WM_GETMINMAXINFO), in pixels.
    static const int MIN_TRACK_WIDTH = 400;
    static const int MIN_TRACK_HEIGHT = 250;
    static void SetMinTrackSize(LPARAM lParam);
    // A control's rectangle in its parent's client coordinates.
    static void GetChildRect(HWND hChild, RECT& rect);

protected:
    LONG Length() const { return LONG(m_text.size()); }
    void Reserve();
    // Perceived type, friendly names and open command of an extension, each when the system knows it.
    void AddAssociationLines(const WString& extension);

    WString m_text;
    std::vector<FormatRange> m_formatRanges;
};
