// ShellExecuteW: "open" goes to the desktop's default application through xdg-open, as the desktop's
// own launcher does, unless the host takes the request (a test, or vantora told to record).
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "pal/host.h"
#include "shellapi.h"
#include "user32/uihost.h"

extern char** environ;

namespace {

constexpr int OPENED = 42;

// An address with a scheme ("https://...", "mailto:...") rather than a path.
bool IsAddress(const std::u16string& file)
{
    size_t colon = file.find(u':');
    return colon != std::u16string::npos && colon > 1 && file.compare(colon, 3, u":\\\\") != 0 &&
           file.compare(colon, 2, u":\\") != 0;
}

// Runs xdg-open on the target without waiting for the application: an intermediate child starts it and
// exits at once, so that nothing is left to reap.
int Launch(const std::string& target)
{
    pid_t child = fork();
    if (child < 0)
        return SE_ERR_NOASSOC;
    if (child == 0) {
        setsid();
        char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(target.c_str()), nullptr};
        pid_t grandchild = 0;
        int rc = posix_spawnp(&grandchild, "xdg-open", nullptr, nullptr, argv, environ);
        _exit(rc == 0 ? 0 : 127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? OPENED : SE_ERR_NOASSOC;
}

} // namespace

int pal::UserInterfaceHost::OpenDocument(const OpenRequest& request)
{
    if (!request.verb.empty() && request.verb != u"open")
        return SE_ERR_NOASSOC;
    if (request.file.empty())
        return SE_ERR_FNF;
    if (IsAddress(request.file))
        return Launch(pal::ToUtf8(request.file));
    std::string path = pal::ToUnixPath(request.file.c_str());
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return SE_ERR_FNF;
    return Launch(path);
}

extern "C" HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                                   LPCWSTR lpDirectory, INT nShowCmd)
{
    pal::OpenRequest request;
    request.owner = hwnd;
    request.verb = lpOperation ? lpOperation : u"";
    request.file = lpFile ? lpFile : u"";
    request.parameters = lpParameters ? lpParameters : u"";
    request.directory = lpDirectory ? lpDirectory : u"";
    request.show = nShowCmd;
    int result;
    if (pal::UserInterfaceHost* host = pal::detail::CurrentUserInterfaceHost()) {
        result = host->OpenDocument(request);
    } else {
        // Without a host the layer's own default applies.
        struct DefaultHost final : pal::UserInterfaceHost {
            bool SaveFileDialog(const pal::SaveFileRequest&, std::u16string&) override { return false; }
            int ShowMessageBox(const pal::MessageBoxRequest&) override { return 0; }
        } fallback;
        result = fallback.OpenDocument(request);
    }
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(result));
}
