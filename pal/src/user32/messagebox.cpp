// Message boxes and the active window of the headless desktop: the host program answers message boxes;
// without one the text is written to standard error and the box is taken as acknowledged.
#include <atomic>
#include <cstdio>

#include "pal/host.h"
#include "user32/uihost.h"
#include "user32/window.h"
#include "windows.h"

namespace {

std::atomic<pal::UserInterfaceHost*> g_host{nullptr};

} // namespace

pal::UserInterfaceHost* pal::SetUserInterfaceHost(UserInterfaceHost* host) { return g_host.exchange(host); }

pal::UserInterfaceHost* pal::detail::CurrentUserInterfaceHost() { return g_host.load(); }

extern "C" HWND GetActiveWindow() { return pal::win::ActiveDialog(); }

extern "C" int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    pal::MessageBoxRequest request;
    request.owner = hWnd;
    request.text = lpText ? lpText : u"";
    request.caption = lpCaption ? lpCaption : u"";
    request.type = uType;
    if (pal::UserInterfaceHost* host = pal::detail::CurrentUserInterfaceHost())
        return host->ShowMessageBox(request);
    std::string caption = request.caption.empty() ? "Error" : pal::ToUtf8(request.caption);
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), pal::ToUtf8(request.text).c_str());
    return IDOK;
}
