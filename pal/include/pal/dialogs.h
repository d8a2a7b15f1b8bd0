// Vantora platform layer: the dialogs the add-in shows, as the host program sees them: a read-only view
// of a dialog's window tree, and the actions a person could take, each delivered to the dialog as the
// real messages. The add-in never includes this header.
#pragma once

#pragma GCC visibility push(default)

#include <string>
#include <vector>

#include "windows.h"
#include "commctrl.h"
#include "richedit.h"

namespace pal {

// A run of rich edit text with one character format; positions count a paragraph break as one character.
struct CharRun {
    LONG start = 0;
    LONG end = 0;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool link = false;
    bool autoColor = true;
    COLORREF color = 0;
};

struct ListViewRow {
    std::vector<std::u16string> cells; // one per column, the item's own text first
    bool checked = false;
    bool selected = false;
    LPARAM data = 0;
};

struct ControlView {
    HWND hwnd = nullptr;
    std::u16string className;
    int id = 0;
    RECT rect{};            // in the dialog's client coordinates
    std::u16string text;    // window text; a rich edit's text with its breaks as "\r\n"
    DWORD style = 0;
    DWORD exStyle = 0;
    bool visible = false;   // the window and all its parents up to the dialog
    bool enabled = false;
    bool focused = false;
    int checked = 0;        // buttons: BST_*
    WORD imageId = 0;       // statics: the picture named by the template
    // Rich edit.
    std::vector<CharRun> runs;
    COLORREF background = 0;
    bool autoBackground = true;
    // List view: column titles and rows; tab control and list box: items and selection.
    std::vector<std::u16string> columns;
    std::vector<ListViewRow> rows;
    std::vector<std::u16string> items;
    std::vector<bool> itemSelected;
    int current = -1;       // the tab control's selected tab, a list box's or combo box's current item
    int upDownPos = 0, upDownMin = 0, upDownMax = 0;
    std::vector<ControlView> children;
};

struct DialogView {
    HWND hwnd = nullptr;
    int templateId = 0;
    std::u16string caption;
    RECT rect{};            // window rectangle on the screen
    RECT client{};
    bool visible = false;
    std::vector<ControlView> controls; // in creation order; children of a control nest under it
};

// The view of a dialog (or any window with children); empty when the handle is not a window.
DialogView ViewDialog(HWND dialog);
// The control with that id anywhere under the dialog (also under a tab control); null when none.
HWND FindControl(HWND dialog, int id);

// Actions. Each fails (false) on a control that is hidden, disabled or of the wrong kind, as a person
// could not do it either.
// A push button, check box or radio button: an automatic check box toggles; WM_COMMAND BN_CLICKED goes
// to the parent. The button may also be IDOK or IDCANCEL without a control of that id (Enter, Escape).
bool PressButton(HWND dialog, int id);
// Closes the dialog as its title bar's close box does (WM_CLOSE: Cancel).
bool CloseDialog(HWND dialog);
// Moves the focus as a click would: the control that loses it is told (EN_KILLFOCUS...).
bool FocusControl(HWND control);
// Focuses an edit or rich edit and replaces its text as typing does (EN_CHANGE).
bool TypeText(HWND edit, const std::u16string& text);
// TCN_SELCHANGING (which the parent may refuse), the new selection, TCN_SELCHANGE.
bool ChooseTab(HWND tab, int index);
// A list box's selection: the given items selected, the others not; LBN_SELCHANGE.
bool SelectListItems(HWND listBox, const std::vector<int>& indexes);
// Ticks or clears a list view row's check box: LVN_ITEMCHANGING (the parent may refuse) and
// LVN_ITEMCHANGED. False when refused.
bool CheckListViewRow(HWND listView, int row, bool checked);
// A click on a list view cell: the row is selected, then NM_CLICK, NM_RCLICK or NM_DBLCLK.
enum class ClickKind { Left, Right, Double };
bool ClickListViewCell(HWND listView, int row, int column, ClickKind kind);
// A right click on a control: WM_CONTEXTMENU with the control and the screen point of its centre, which
// a control that has no menu of its own passes on to its parent.
bool RightClick(HWND control);
// A click on a link control's link: NM_CLICK with the link's address.
bool ClickLink(HWND link);
// Resizes a dialog as dragging its frame does (the minimum tracking size applies, WM_SIZE follows).
bool ResizeDialog(HWND dialog, int width, int height);

} // namespace pal

#pragma GCC visibility pop
