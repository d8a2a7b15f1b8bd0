// vantora show [--json] [--png FILE] [--wait SECONDS] [--module PATH] [--press CONTROL]... FILE...: the add-in's
// ribbon tab for each message file, as Outlook's Explorer shows it once the add-in has finished its requests,
// and after the clicks given with --press. The add-in is
// found and started as Outlook does (add-in key, ProgID, class, module, class object); each message is
// selected in turn and SelectionChange fired; the loop runs until the add-in's polling timer stops or the
// wait runs out. A file that cannot be read is reported on stderr and the others go on (exit status 1).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "host/AddinLoader.h"
#include "host/Commands.h"
#include "host/ribbon/RibbonRender.h"
#include "host/ribbon/ShowSession.h"
#include "host/store/Folders.h"
#include "host/store/MailItem.h"
#include "host/store/MapiBuffers.h"
#include "pal/host.h"

namespace host {

namespace {

const char kProgId[] = "VantoraAddin.Connect";
const char kUsage[] =
    "usage: vantora show [--json] [--png FILE] [--wait SECONDS] [--module PATH] [--press CONTROL]... [--all] "
    "FILE...\n";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "vantora show: %s\n", message.c_str());
    return 1;
}

} // namespace

int ShowCommand(const Args& args)
{
    bool json = false, all = false;
    std::string png, modulePath;
    double wait = 30;
    std::vector<std::string> files, presses;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--json") {
            json = true;
        } else if (a == "--png" && hasValue) {
            png = args[++i];
        } else if (a == "--all") {
            all = true;
        } else if (a == "--press" && hasValue) {
            presses.push_back(args[++i]);
        } else if (a == "--module" && hasValue) {
            modulePath = args[++i];
        } else if (a == "--wait" && hasValue) {
            char* end = nullptr;
            wait = std::strtod(args[i + 1].c_str(), &end);
            if (!end || *end || !(wait >= 0) || wait > 86400) {
                std::fprintf(stderr, "vantora show: --wait needs a number of seconds\n%s", kUsage);
                return 2;
            }
            ++i;
        } else if (a.size() > 1 && a[0] == '-') {
            std::fprintf(stderr, "vantora show: unknown argument %s\n%s", a.c_str(), kUsage);
            return 2;
        } else {
            files.push_back(a);
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    std::u16string addinKey = std::u16string(kAddinsKey) + u"\\" + pal::ToWide(kProgId);
    if (!ReadRegDword(HKEY_LOCAL_MACHINE, addinKey, W("LoadBehavior")))
        return Fail(std::string("no add-in key HKEY_LOCAL_MACHINE\\") + pal::ToUtf8(addinKey) +
                    " (register the add-in first: vantora register)");
    AddinClass found = FindAddinClass(kProgId);
    if (found.classId == GUID_NULL)
        return Fail(found.error);
    if (modulePath.empty() && found.module.empty())
        return Fail(found.error);
    AddinModule module;
    std::string error;
    if (!module.Load(modulePath.empty() ? found.module : modulePath, error) || !module.HasClassObject())
        return Fail(error);

    store::RegisterMapiModule();
    const char* version = std::getenv("VANTORA_OUTLOOK_VERSION");
    CComPtr<Outlook::_Application> app;
    app.Attach(store::NewApplication(version && *version ? pal::ToWide(version) : u"16.0.0.0"));
    store::SetFolderTree(app, store::FolderTreeOf(files));
    int status = 0;
    {
        CComPtr<IUnknown> addin;
        HRESULT hr = module.CreateInstance(found.classId, &addin);
        if (FAILED(hr))
            return Fail("the add-in cannot be created: " + HResultText(hr));
        ribbon::ShowSession session(addin, app);
        std::string warnings;
        bool connected = session.Connect(error, warnings);
        if (!warnings.empty())
            std::fprintf(stderr, "vantora show: %s", warnings.c_str());
        if (!connected) {
            session.Disconnect();
            return Fail(error);
        }
        ribbon::ShowOptions options;
        options.waitMs = unsigned(wait * 1000 + 0.5);
        options.progress = isatty(STDERR_FILENO) ? stderr : nullptr;
        options.presses = presses;
        options.all = all;
        std::vector<ribbon::ShownMessage> shown;
        for (const std::string& file : files) {
            ribbon::ShownMessage message;
            if (!session.Show(file, options, message, error)) {
                std::fprintf(stderr, "vantora show: %s\n", error.c_str());
                status = 1;
                continue;
            }
            if (!json) {
                std::fputs(ribbon::RenderText(message).c_str(), stdout);
                std::fflush(stdout);
            }
            if (!png.empty()) {
                std::string path = ribbon::PngPath(png, shown.size());
                if (!ribbon::RenderPng(message, path, error)) {
                    std::fprintf(stderr, "vantora show: %s\n", error.c_str());
                    status = 1;
                }
            }
            shown.push_back(std::move(message));
        }
        if (json)
            std::fputs(ribbon::RenderJson(shown).c_str(), stdout);
        hr = session.Disconnect();
        if (FAILED(hr) || hr == S_FALSE)
            std::fprintf(stderr, "vantora show: OnDisconnection returned %s\n", HResultText(hr).c_str());
    }
    app.Release();
    HRESULT unload = module.CanUnloadNow();
    if (unload == S_FALSE)
        std::fprintf(stderr, "vantora show: the module still has objects alive after the disconnection "
                             "(DllCanUnloadNow: S_FALSE)\n");
    return status;
}

} // namespace host
