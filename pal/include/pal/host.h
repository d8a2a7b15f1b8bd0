// Vantora platform layer: the Linux-side services of the layer for the host program and the tests.
// The add-in never includes this header.
#pragma once

#pragma GCC visibility push(default)

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pal/com.h"

namespace pal {

std::string ToUtf8(const WCHAR* s);
std::string ToUtf8(std::u16string_view s);
std::u16string ToWide(std::string_view utf8);

// The layer's methods (and cases of methods) that are not implemented and were called, by signature, with
// how many times each was reached. Such a call answers E_NOTIMPL; with VANTORA_DEBUG_STUBS set it is also
// said on the error output when first reached. The tests fail when one is reached.
std::map<std::string, size_t> ReachedStubs();
HRESULT ReachStub(const char* signature);

// Windows paths map to Linux paths as under Wine: the drive Z: is the root, and backslashes are slashes.
std::string ToUnixPath(const WCHAR* windowsPath);
std::u16string ToWindowsPath(const std::string& unixPath);

// The prefix folder that holds the registry files, AppData and Temp ($VANTORA_PREFIX, else
// $XDG_DATA_HOME/vantora, else ~/.local/share/vantora). Created on first use.
std::string PrefixPath();
// Points the layer at another prefix (tests); takes effect for every later call.
void SetPrefixPath(const std::string& path);

// Classes the layer itself provides (MSXML, MSHTML...), created by CoCreateInstance and CLSIDFromProgID.
using ClassFactoryFn = std::function<HRESULT(REFIID riid, void** ppv)>;
void RegisterBuiltinClass(REFCLSID clsid, const WCHAR* progId, ClassFactoryFn create);

// A module the host program provides itself under a DLL name (the mail client's MAPI library): later
// GetModuleHandleW calls with that name find it and GetProcAddress answers its exports by name.
HMODULE RegisterHostModule(const std::string& dllName, std::map<std::string, void*> exports);

// What GetSaveFileNameW asked: the texts as the caller gave them.
struct SaveFileRequest {
    HWND owner = nullptr;
    std::u16string title;
    std::u16string initialDir;
    std::u16string fileName;                                      // the buffer's initial content
    std::vector<std::pair<std::u16string, std::u16string>> filters; // description, pattern
    DWORD filterIndex = 0;
    std::u16string defaultExtension;
    DWORD flags = 0;
};

// What MessageBoxW asked. A null caption is empty here (the system's default caption applies).
struct MessageBoxRequest {
    HWND owner = nullptr;
    std::u16string text;
    std::u16string caption;
    UINT type = 0;
};

// What ShellExecuteW asked.
struct OpenRequest {
    HWND owner = nullptr;
    std::u16string verb; // empty for the default verb
    std::u16string file;
    std::u16string parameters;
    std::u16string directory;
    int show = 0;
};

// What TrackPopupMenu asked: the menu's items in order.
struct PopupMenuItem {
    std::u16string text;
    UINT id = 0;
    bool enabled = true;
    bool checked = false;
    bool separator = false;
};
struct PopupMenuRequest {
    HWND owner = nullptr;
    LONG x = 0, y = 0; // screen coordinates
    UINT flags = 0;
    std::vector<PopupMenuItem> items;
};

// The person in front of the program: the host answers the add-in's save dialogs and message boxes.
class UserInterfaceHost {
public:
    virtual ~UserInterfaceHost() = default;
    // True with the chosen path (Linux or Windows form) to save; false to cancel.
    virtual bool SaveFileDialog(const SaveFileRequest& request, std::u16string& path) = 0;
    // The button pressed (IDOK, IDCANCEL...).
    virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
    // ShellExecuteW's result (above 32 on success). By default "open" runs xdg-open on the file or
    // address, detached; a file that does not exist is SE_ERR_FNF, another verb SE_ERR_NOASSOC.
    virtual int OpenDocument(const OpenRequest& request);
    // The command chosen from a popup menu, or 0 when it is dismissed (the default). A disabled item or a
    // separator cannot be chosen: choosing one dismisses the menu.
    virtual UINT PopupMenuShown(const PopupMenuRequest& request);
    // A modal dialog has been initialised and runs until EndDialog. The host may act on it at once
    // (pal/dialogs.h) or later from the loop; by default it is cancelled, as a person who closes it.
    virtual void ModalDialogShown(HWND dialog);
};

// The host that answers from now on (not owned; null: dialogs cancel and message boxes go to stderr).
// Returns the previous one.
UserInterfaceHost* SetUserInterfaceHost(UserInterfaceHost* host);

} // namespace pal

#pragma GCC visibility pop
