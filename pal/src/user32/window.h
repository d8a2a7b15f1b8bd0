// The windows of the headless desktop: a table of handles, each window with its class, id, parent,
// rectangle (in its parent's client coordinates, or the screen's for top-level windows), text, styles
// and the class's own state. Messages are plain calls to the class's procedure.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "windows.h"
#include "commctrl.h"
#include "pal/dialogs.h"

namespace pal {
// A destroyed window's timers stop with it.
void KillWindowTimers(HWND hWnd);
} // namespace pal

namespace pal::win {

struct Window;

// The behaviour of one window class. Handle returns true when it took the message, with its result.
class ClassProc {
public:
    virtual ~ClassProc() = default;
    virtual bool Handle(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // The class's state for the host's view.
    virtual void Describe(const Window&, ControlView&) const {}
};

// The classes of user32, comctl32 and the rich edit control.
std::unique_ptr<ClassProc> MakeButton();
std::unique_ptr<ClassProc> MakeStatic();
std::unique_ptr<ClassProc> MakeEdit();
std::unique_ptr<ClassProc> MakeListBox();
std::unique_ptr<ClassProc> MakeComboBox();
std::unique_ptr<ClassProc> MakeTab();
std::unique_ptr<ClassProc> MakeListView();
std::unique_ptr<ClassProc> MakeUpDown();
std::unique_ptr<ClassProc> MakeLink();
std::unique_ptr<ClassProc> MakeRichEdit();

// The host's actions on the classes that keep their state inside (false: not that class, or refused).
bool SelectListBoxItems(Window& w, const std::vector<int>& indexes);
bool ChooseTabItem(Window& w, int index);
bool SetListViewCheck(Window& w, int row, bool checked);
bool ClickListViewItem(Window& w, int row, int column, UINT code);
bool ClickLinkItem(Window& w);

struct Window {
    HWND handle = nullptr;
    std::u16string className; // as the class is registered
    int id = 0;
    HWND parent = nullptr;
    HWND owner = nullptr;
    std::vector<HWND> children; // z-order, top first
    RECT rect{};                // window rectangle in the parent's client coordinates
    std::u16string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR userData = 0;
    HFONT font = nullptr;
    std::unique_ptr<ClassProc> proc;

    // Dialogs.
    bool isDialog = false;
    DLGPROC dlgProc = nullptr;
    LONG_PTR msgResult = 0;
    LONG_PTR dlgUser = 0;
    bool ended = false;
    INT_PTR endResult = 0;
    int baseX = 0, baseY = 0; // dialog base units of the template font
    int templateId = 0;
    WORD imageId = 0; // a static's picture named by the template
};

// The innermost modal dialog (the active window).
HWND ActiveDialog();

Window* Find(HWND h);
HWND Create(const std::u16string& className, const std::u16string& text, DWORD style, DWORD exStyle,
            const RECT& rect, HWND parent, int id);
// The class procedure for a class name (case-insensitive); null for the plain window.
std::unique_ptr<ClassProc> MakeClassProc(const std::u16string& className);
// A class name as the system registered the class, whatever the case it was given in (windres writes the
// class names of a script's CONTROL statements in upper case).
std::u16string RegisteredClassName(const std::u16string& className);
bool ClassIs(const Window& w, const char16_t* name);

// Non-client frame of a top-level window: caption and borders around the client area.
RECT ClientInWindow(const Window& w);
// Screen position of a window's client area origin.
POINT ClientOrigin(HWND h);

// Notifications to the parent.
LRESULT NotifyParent(Window& w, NMHDR& header);
void CommandToParent(Window& w, WORD code);

// Text width and line height in the dialog font, for the controls' layout.
int TextWidth(const std::u16string& text);
int LineHeight();

// Copies text into a caller's buffer as GetWindowTextW does: at most max - 1 characters and a NUL.
int CopyOut(const std::u16string& text, LPWSTR buffer, int max);

std::u16string Lower(std::u16string s);

} // namespace pal::win
