// vantora show [--json] [--png FILE] [--wait SECONDS] [--module PATH] [--press CONTROL]... FILE...: the add-in's
// ribbon tab for each message file, as Outlook's Explorer shows it once the add-in has finished its requests,
// and after the clicks given with --press. --open FILE opens a message in a Read window instead, in front,
// and --close closes the Read window opened last; steps run in the order given, and while a Read window is
// open each step also shows the other windows' tabs as they stand. The add-in is
// found and started as Outlook does (add-in key, ProgID, class, module, class object); each message is
// selected in turn and SelectionChange fired; the loop runs until the add-in's polling timer stops or the
// wait runs out. A file that cannot be read is reported on stderr and the others go on (exit status 1).
// The add-in's modal dialogs are rendered and driven by the --dialog scripts, its message boxes answered
// by --answer (DialogDriver); a refused action also makes the exit status 1.
#ifdef _WIN32
#include <io.h>

#include "host/windows/ModalDialogCloser.h"
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>

#include "host/AddinLoader.h"
#include "host/Commands.h"
#ifndef _WIN32
#include "host/dialogs/DialogDriver.h"
#endif
#include "host/ribbon/RibbonRender.h"
#include "host/ribbon/ShowSession.h"
#include "host/store/Folders.h"
#include "host/store/MailItem.h"
#include "host/store/MapiBuffers.h"
#include "host/text/Utf.h"
#include "host/ui/Loop.h"
#ifndef _WIN32
#include "pal/host.h"
#endif

namespace host {

namespace {

const char kProgId[] = "VantoraAddin.Connect";
#ifdef _WIN32
// The add-in's dialogs are the system's own here: they stay up for --dialog-seconds, then are cancelled.
const char kUsage[] =
    "usage: vantora show [--json] [--wait SECONDS] [--module PATH] [--press CONTROL]... [--all]\n"
    "                    [--dialog-seconds SECONDS] FILE|--open FILE|--close...\n";
#else
const char kUsage[] =
    "usage: vantora show [--json] [--png FILE] [--wait SECONDS] [--module PATH] [--press CONTROL]... [--all]\n"
    "                    [--dialog ACTIONS]... [--dialog-png PREFIX] [--answer BUTTON]...\n"
    "                    FILE|--open FILE|--close...\n";
#endif
#ifndef _WIN32
const char kDialogHelp[] =
    "\nThe n-th modal dialog of the run (nested ones included, as they open) takes the n-th --dialog: a list\n"
    "of actions separated by ';'. It is printed when shown and after its actions, then closed as Cancel.\n"
    "  click=ID  check=ID  focus=ID  link=ID  tab=ID:INDEX  type=ID:TEXT  select=ID:I,J,...\n"
    "  row=ID:ROW:on|off  cell=ID:ROW:COL:left|right|double  resize=WIDTHxHEIGHT  close  show\n"
    "  rclick=ID  menu=COMMAND (the command of the popup menu the action before opened)\n"
    "IDs are decimal control ids (click=1 is OK, click=2 Cancel). In TEXT, \\; is a ';', \\\\ a backslash and\n"
    "\\n a line break. A refused action is reported as \"dialog N: cannot ACTION\" and ends that dialog's\n"
    "script. --dialog-png writes the n-th dialog as PREFIX-N.png after its actions (before a closing one).\n"
    "--answer answers the n-th message box: IDOK, IDCANCEL, IDYES, IDNO... or the number; by default its\n"
    "first button.\n";
#else
const char kDialogHelp[] =
    "\nThe add-in's modal dialogs and message boxes are cancelled once they have been up for --dialog-seconds\n"
    "(default 0: at once), as a person who closes them.\n";
#endif

int Fail(const std::string& message)
{
    std::fprintf(stderr, "vantora show: %s\n", message.c_str());
    return 1;
}

} // namespace

int ShowCommand(const Args& args)
{
    bool json = false, all = false;
    std::string modulePath;
#ifndef _WIN32
    std::string png;
#endif
    double wait = 30;
    std::vector<std::string> files, presses;
    // In order: a message selected in the Explorer, opened in a Read window, or the last Read window closed.
    enum class Step { Select, Open, Close };
    std::vector<std::pair<Step, std::string>> steps;
#ifdef _WIN32
    double dialogSeconds = 0;
#else
    host::DialogDriverOptions dialogs;
#endif
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        bool hasValue = i + 1 < args.size();
        if (a == "--json") {
            json = true;
        } else if (a == "--all") {
            all = true;
        } else if (a == "--open" && hasValue) {
            files.push_back(args[++i]);
            steps.push_back({Step::Open, args[i]});
        } else if (a == "--close") {
            steps.push_back({Step::Close, std::string()});
        } else if (a == "--press" && hasValue) {
            presses.push_back(args[++i]);
#ifdef _WIN32
        } else if (a == "--dialog-seconds" && hasValue) {
            char* end = nullptr;
            dialogSeconds = std::strtod(args[++i].c_str(), &end);
            if (!end || *end || !(dialogSeconds >= 0) || dialogSeconds > 3600) {
                std::fprintf(stderr, "vantora show: --dialog-seconds needs a number of seconds\n%s", kUsage);
                return 2;
            }
#else
        } else if (a == "--png" && hasValue) {
            png = args[++i];
        } else if (a == "--dialog" && hasValue) {
            std::vector<DialogAction> actions;
            std::string why;
            if (!ParseDialogScript(args[++i], actions, why)) {
                std::fprintf(stderr, "vantora show: --dialog %s\n%s", why.c_str(), kUsage);
                return 2;
            }
            dialogs.scripts.push_back(std::move(actions));
        } else if (a == "--dialog-png" && hasValue) {
            dialogs.pngPrefix = args[++i];
        } else if (a == "--answer" && hasValue) {
            int button = DialogDriver::ButtonByName(args[++i]);
            if (!button) {
                std::fprintf(stderr, "vantora show: --answer needs a button (IDOK, IDCANCEL, IDYES, IDNO... or "
                                     "its number), not %s\n%s", args[i].c_str(), kUsage);
                return 2;
            }
            dialogs.answers.push_back(button);
#endif
        } else if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs(kDialogHelp, stdout);
            return 0;
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
            steps.push_back({Step::Select, a});
        }
    }
    if (files.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    WString addinKey = WString(kAddinsKey) + W("\\") + host::Wide(kProgId);
    if (!ReadRegDword(HKEY_LOCAL_MACHINE, addinKey, W("LoadBehavior")))
        return Fail(std::string("no add-in key HKEY_LOCAL_MACHINE\\") + host::Utf8(addinKey) +
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
    host::WatchTimersOf(module.Handle());

    store::RegisterMapiModule();
    const char* version = std::getenv("VANTORA_OUTLOOK_VERSION");
    CComPtr<Outlook::_Application> app;
    app.Attach(store::NewApplication(version && *version ? host::Wide(version) : W("16.0.0.0")));
    store::SetFolderTree(app, store::FolderTreeOf(files));
    int status = 0;
#ifdef _WIN32
    ModalDialogCloser closer(unsigned(dialogSeconds * 1000 + 0.5));
#else
    // The dialogs and message boxes of this run are answered here; save dialogs and opened documents
    // still by the host the program installed.
    ribbon::ShowSession* current = nullptr;
    dialogs.json = json;
    dialogs.resources = module.Handle();
    dialogs.waitMs = unsigned(wait * 1000 + 0.5);
    dialogs.settle = [&current](ULONGLONG deadline) {
        if (current)
            current->SettleModal(deadline);
        else
            host::PumpFor(0);
    };
    pal::UserInterfaceHost* previous = pal::SetUserInterfaceHost(nullptr);
    DialogDriver driver(previous, dialogs);
    pal::SetUserInterfaceHost(&driver);
    struct Restore {
        pal::UserInterfaceHost* host;
        ~Restore() { pal::SetUserInterfaceHost(host); }
    } restore{previous};
#endif
    {
        CComPtr<IUnknown> addin;
        HRESULT hr = module.CreateInstance(found.classId, &addin);
        if (FAILED(hr))
            return Fail("the add-in cannot be created: " + HResultText(hr));
        ribbon::ShowSession session(addin, app);
#ifndef _WIN32
        current = &session;
        struct Forget {
            ribbon::ShowSession*& session;
            ~Forget() { session = nullptr; }
        } forget{current};
#endif
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
        #ifdef _WIN32
        options.progress = _isatty(_fileno(stderr)) ? stderr : nullptr;
#else
        options.progress = isatty(STDERR_FILENO) ? stderr : nullptr;
#endif
        options.presses = presses;
        options.all = all;
        std::vector<ribbon::ShownMessage> shown;
        std::vector<std::string> extra;
        size_t displayed = 0;
        for (const auto& [step, file] : steps) {
            if (step == Step::Close) {
                if (!session.CloseReadWindow(options, error)) {
                    std::fprintf(stderr, "vantora show: --close: %s\n", error.c_str());
                    status = 1;
                }
                continue;
            }
            ribbon::ShownMessage message;
            bool ok = step == Step::Open ? session.Open(file, options, message, error)
                                         : session.Show(file, options, message, error);
#ifdef _WIN32
            std::string dialogJson;
#else
            std::string dialogJson = driver.TakeJson("    ");
#endif
            // E-mails the add-in composed and showed (the about box's): kept as drafts.
            std::vector<store::ComposedItem> composed = store::DisplayedItems(app);
            for (; displayed < composed.size(); ++displayed)
                std::fprintf(json ? stderr : stdout, "[display] \"%s\" kept as %s\n",
                             host::Utf8(composed[displayed].subject).c_str(),
                             composed[displayed].draft.empty() ? "nothing (not written)" : composed[displayed].draft.c_str());
            if (!ok) {
                std::fprintf(stderr, "vantora show: %s\n", error.c_str());
                status = 1;
                continue;
            }
            if (!json) {
                std::fputs(ribbon::RenderText(message).c_str(), stdout);
                std::fflush(stdout);
            }
#ifndef _WIN32
            if (!png.empty()) {
                std::string path = ribbon::PngPath(png, shown.size());
                if (!ribbon::RenderPng(message, path, error)) {
                    std::fprintf(stderr, "vantora show: %s\n", error.c_str());
                    status = 1;
                }
            }
#endif
            shown.push_back(std::move(message));
            extra.push_back(std::move(dialogJson));
        }
        if (json)
            std::fputs(ribbon::RenderJson(shown, extra).c_str(), stdout);
        hr = session.Disconnect();
#ifndef _WIN32
        if (!driver.Succeeded())
            status = 1;
#endif
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
