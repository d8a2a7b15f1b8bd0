// What the host program sees of a dialog and what it may do to it: every action goes through the
// messages the dialog would get from a person's click or key, never around them.
#include "pal/dialogs.h"
#include "pal/host.h"
#include "user32/window.h"

using namespace pal::win;

namespace pal {

namespace {

ControlView View(HWND h, HWND dialog)
{
    ControlView v;
    Window* w = Find(h);
    v.hwnd = h;
    v.className = w->className;
    v.id = w->id;
    GetWindowRect(h, &v.rect);
    POINT corners[2] = {{v.rect.left, v.rect.top}, {v.rect.right, v.rect.bottom}};
    MapWindowPoints(nullptr, dialog, corners, 2);
    v.rect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    v.text = w->text;
    v.style = w->style;
    v.exStyle = w->exStyle;
    v.visible = IsWindowVisible(h);
    v.enabled = IsWindowEnabled(h);
    v.focused = GetFocus() == h;
    v.imageId = w->imageId;
    if (w->proc)
        w->proc->Describe(*w, v);
    for (HWND c : w->children)
        if (Find(c))
            v.children.push_back(View(c, dialog));
    return v;
}

HWND Search(HWND parent, int id)
{
    Window* w = Find(parent);
    if (!w)
        return nullptr;
    for (HWND c : w->children)
        if (Window* child = Find(c); child && child->id == id)
            return c;
    for (HWND c : w->children)
        if (HWND found = Search(c, id))
            return found;
    return nullptr;
}

// Something a person can reach: shown and enabled, and in a dialog that is still running.
Window* Usable(HWND h)
{
    Window* w = Find(h);
    if (!w || !IsWindowVisible(h) || !IsWindowEnabled(h))
        return nullptr;
    return w;
}

} // namespace

void UserInterfaceHost::ModalDialogShown(HWND dialog) { PressButton(dialog, IDCANCEL); }

DialogView ViewDialog(HWND dialog)
{
    DialogView view;
    Window* w = Find(dialog);
    if (!w)
        return view;
    view.hwnd = dialog;
    view.templateId = w->templateId;
    view.caption = w->text;
    GetWindowRect(dialog, &view.rect);
    GetClientRect(dialog, &view.client);
    view.visible = IsWindowVisible(dialog);
    for (HWND c : w->children)
        if (Find(c))
            view.controls.push_back(View(c, dialog));
    return view;
}

HWND FindControl(HWND dialog, int id) { return Search(dialog, id); }

bool PressButton(HWND dialog, int id)
{
    if (!Find(dialog))
        return false;
    HWND button = Search(dialog, id);
    if (button) {
        Window* w = Usable(button);
        if (!w || !ClassIs(*w, u"Button"))
            return false;
        DWORD type = w->style & BS_TYPEMASK;
        if (type == BS_GROUPBOX)
            return false;
        SetFocus(button);
        if (!Find(button))
            return true;
        SendMessageW(button, BM_CLICK, 0, 0);
        return true;
    }
    if (id != IDOK && id != IDCANCEL)
        return false;
    // Enter and Escape without a button of that id.
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    return true;
}

bool CloseDialog(HWND dialog)
{
    Window* w = Find(dialog);
    if (!w || !w->isDialog)
        return false;
    SendMessageW(dialog, WM_CLOSE, 0, 0);
    return true;
}

bool FocusControl(HWND control)
{
    if (!Usable(control))
        return false;
    SetFocus(control);
    return true;
}

bool TypeText(HWND edit, const std::u16string& text)
{
    Window* w = Usable(edit);
    if (!w || (w->style & ES_READONLY))
        return false;
    bool rich = ClassIs(*w, u"RICHEDIT50W") || ClassIs(*w, u"RICHEDIT20W");
    if (!rich && !ClassIs(*w, u"Edit"))
        return false;
    if (!rich && (w->style & ES_NUMBER))
        for (char16_t c : text)
            if (c < u'0' || c > u'9')
                return false;
    SetFocus(edit);
    if (!(w = Find(edit)))
        return false;
    LRESULT limit = SendMessageW(edit, EM_GETLIMITTEXT, 0, 0);
    std::u16string typed = limit > 0 && text.size() > size_t(limit) ? text.substr(0, size_t(limit)) : text;
    if (rich) {
        SETTEXTEX how{ST_DEFAULT, 1200};
        SendMessageW(edit, EM_SETTEXTEX, reinterpret_cast<WPARAM>(&how), reinterpret_cast<LPARAM>(typed.c_str()));
    } else {
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
        if ((w = Find(edit)))
            CommandToParent(*w, EN_CHANGE);
    }
    return true;
}

bool ChooseTab(HWND tab, int index)
{
    Window* w = Usable(tab);
    return w && ChooseTabItem(*w, index);
}

bool SelectListItems(HWND listBox, const std::vector<int>& indexes)
{
    Window* w = Usable(listBox);
    if (!w)
        return false;
    SetFocus(listBox);
    return (w = Find(listBox)) && SelectListBoxItems(*w, indexes);
}

bool CheckListViewRow(HWND listView, int row, bool checked)
{
    Window* w = Usable(listView);
    return w && SetListViewCheck(*w, row, checked);
}

bool ClickListViewCell(HWND listView, int row, int column, ClickKind kind)
{
    Window* w = Usable(listView);
    if (!w)
        return false;
    SetFocus(listView);
    if (!(w = Find(listView)))
        return false;
    UINT code = kind == ClickKind::Left ? NM_CLICK : kind == ClickKind::Right ? NM_RCLICK : NM_DBLCLK;
    return ClickListViewItem(*w, row, column, code);
}

bool RightClick(HWND control)
{
    Window* w = Usable(control);
    if (!w)
        return false;
    SetFocus(control);
    if (!Find(control))
        return false;
    RECT r;
    GetWindowRect(control, &r);
    LPARAM at = MAKELPARAM(WORD(int16_t((r.left + r.right) / 2)), WORD(int16_t((r.top + r.bottom) / 2)));
    SendMessageW(control, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(control), at);
    return true;
}

bool ClickLink(HWND link)
{
    Window* w = Usable(link);
    return w && ClickLinkItem(*w);
}

bool ResizeDialog(HWND dialog, int width, int height)
{
    Window* w = Find(dialog);
    if (!w || !w->isDialog || !(w->style & WS_THICKFRAME))
        return false;
    return SetWindowPos(dialog, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER) != FALSE;
}

} // namespace pal
