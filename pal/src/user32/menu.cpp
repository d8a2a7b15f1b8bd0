// Popup menus of the headless desktop: a table of menus, each a list of items, shown to the host program,
// which chooses a command as a person would click one. Handles of destroyed menus are never reused.
#include <map>
#include <memory>
#include <vector>

#include "pal/host.h"
#include "user32/uihost.h"
#include "user32/window.h"

namespace {

struct Menu {
    std::vector<pal::PopupMenuItem> items;
};

struct Menus {
    std::map<HMENU, std::unique_ptr<Menu>> table;
    uintptr_t next = 0x20010;
};

Menus& TheMenus()
{
    static Menus* m = new Menus;
    return *m;
}

Menu* FindMenu(HMENU h)
{
    auto& table = TheMenus().table;
    auto it = table.find(h);
    if (it == table.end()) {
        SetLastError(ERROR_INVALID_MENU_HANDLE);
        return nullptr;
    }
    return it->second.get();
}

pal::PopupMenuItem* FindItem(Menu& menu, UINT item, UINT flags)
{
    if (flags & MF_BYPOSITION)
        return item < menu.items.size() ? &menu.items[item] : nullptr;
    for (pal::PopupMenuItem& i : menu.items)
        if (!i.separator && i.id == item)
            return &i;
    return nullptr;
}

BOOL Track(HMENU hMenu, UINT uFlags, int x, int y, HWND hWnd)
{
    Menu* menu = FindMenu(hMenu);
    if (!menu)
        return FALSE;
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    pal::PopupMenuRequest request;
    request.owner = hWnd;
    request.x = x;
    request.y = y;
    request.flags = uFlags;
    request.items = menu->items;
    UINT chosen = 0;
    if (pal::UserInterfaceHost* host = pal::detail::CurrentUserInterfaceHost())
        chosen = host->PopupMenuShown(request);
    // The host may have destroyed the menu meanwhile; what it was shown decides.
    bool valid = false;
    for (const pal::PopupMenuItem& i : request.items)
        if (chosen != 0 && !i.separator && i.enabled && i.id == chosen)
            valid = true;
    if (!valid)
        chosen = 0;
    if (uFlags & TPM_RETURNCMD)
        return BOOL(chosen);
    if (chosen && !(uFlags & TPM_NONOTIFY))
        PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    return TRUE;
}

} // namespace

UINT pal::UserInterfaceHost::PopupMenuShown(const PopupMenuRequest&) { return 0; }

extern "C" {

HMENU CreatePopupMenu()
{
    Menus& m = TheMenus();
    HMENU h = reinterpret_cast<HMENU>(m.next);
    m.next += 4;
    m.table[h] = std::make_unique<Menu>();
    return h;
}

BOOL DestroyMenu(HMENU hMenu)
{
    if (!FindMenu(hMenu))
        return FALSE;
    TheMenus().table.erase(hMenu);
    return TRUE;
}

BOOL AppendMenuW(HMENU hMenu, UINT uFlags, UINT_PTR uIDNewItem, LPCWSTR lpNewItem)
{
    Menu* menu = FindMenu(hMenu);
    if (!menu)
        return FALSE;
    pal::PopupMenuItem item;
    item.separator = (uFlags & MF_SEPARATOR) != 0;
    if (!item.separator) {
        item.id = UINT(uIDNewItem);
        item.text = lpNewItem ? lpNewItem : u"";
        item.enabled = !(uFlags & (MF_GRAYED | MF_DISABLED));
        item.checked = (uFlags & MF_CHECKED) != 0;
    }
    menu->items.push_back(std::move(item));
    return TRUE;
}

BOOL EnableMenuItem(HMENU hMenu, UINT uIDEnableItem, UINT uEnable)
{
    Menu* menu = FindMenu(hMenu);
    if (!menu)
        return -1;
    pal::PopupMenuItem* item = FindItem(*menu, uIDEnableItem, uEnable);
    if (!item || item->separator)
        return -1;
    BOOL previous = item->enabled ? MF_ENABLED : MF_GRAYED;
    item->enabled = !(uEnable & (MF_GRAYED | MF_DISABLED));
    return previous;
}

int GetMenuItemCount(HMENU hMenu)
{
    Menu* menu = FindMenu(hMenu);
    return menu ? int(menu->items.size()) : -1;
}

BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int, HWND hWnd, const RECT*)
{
    return Track(hMenu, uFlags, x, y, hWnd);
}

BOOL TrackPopupMenuEx(HMENU hMenu, UINT uFlags, int x, int y, HWND hWnd, LPTPMPARAMS)
{
    return Track(hMenu, uFlags, x, y, hWnd);
}

} // extern "C"
