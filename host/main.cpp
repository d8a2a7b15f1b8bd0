// vantora: the stand-in for the Office application on Linux. It registers the add-in module as the
// system's registration tool does, finds it through the registry as the application does, and drives it.
#include <execinfo.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>

#include "host/Commands.h"
#include "host/IdentifyCommand.h"
#include "host/ui/ConsoleUserInterface.h"
#include "host/ui/HelperThreads.h"
#include "pal/host.h"

namespace host {

namespace {

struct Command {
    const char* name;
    const char* usage;
    int (*run)(const Args& args);
};

const Command kCommands[] = {
    {"register", "register [--user] [MODULE]      register the add-in module (DllRegisterServer, or "
                 "DllInstall with \"user\")", RegisterCommand},
    {"unregister", "unregister [--user] [MODULE]    remove the module's registration", UnregisterCommand},
    {"addins", "addins [--json]                 list the registered add-ins and load each one", AddinsCommand},
    {"identify", "identify [--json] FILE...       the type of each file as the add-in sees an attachment of "
                 "that name", IdentifyCommand},
    {"mapi", "mapi [--json] FILE...           what Outlook gives the add-in for each message file (.eml, .msg)",
     MapiCommand},
    {"snapshot", "snapshot [-o DIR] FILE...       write each message file as DIR/<file name>.vsnap (default DIR: the "
                 "current folder),\n                                  the message as the store gives it, for the "
                 "Windows host", SnapshotCommand},
    {"show", "show [--json] [--png FILE] [--wait SECONDS] [--module PATH] [--press CONTROL]... [--all]\n"
             "       FILE|--open FILE|--close... the add-in's ribbon tab for each message file once its requests are "
             "done\n                                  (--open: in a Read window; --close: the last one);\n                                  --press clicks a control (its id or number) after each "
             "message is shown,\n                                  --all pages through every row of the scrolling groups", ShowCommand},
};

int Usage(FILE* out)
{
    std::fprintf(out, "usage: vantora [OPTIONS] COMMAND [ARGUMENTS]\n\ncommands:\n");
    for (const Command& c : kCommands)
        std::fprintf(out, "  %s\n", c.usage);
    std::fprintf(out, "\noptions:\n"
                      "  --save-as PATH                  answer the next save dialog with PATH\n"
                      "  --cancel-save                   cancel the next save dialog (the default)\n"
                      "  --record-open                   print the files and addresses the add-in opens, do not open them\n"
                      "Message boxes are printed with their icon, as \"[warning] text\".\n");
    std::fprintf(out, "\nThe registry and all other state live in the prefix $VANTORA_PREFIX "
                      "(default ~/.local/share/vantora).\n");
    return out == stdout ? 0 : 2;
}

} // namespace

std::string DefaultModulePath()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0)
        return "VantoraAddin.so";
    std::string self(buf, size_t(n));
    return self.substr(0, self.find_last_of('/') + 1) + "VantoraAddin.so";
}

// A fatal signal says which and where on the error output before the program ends by it, so that a crash
// seen only by a test's exit status can be traced. The sanitizers report such signals themselves.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
void ReportFatalSignal(int signal)
{
    char text[64];
    int length = std::snprintf(text, sizeof text, "vantora: fatal signal %d (%s); stack:\n", signal,
                               signal == SIGABRT ? "abort" : signal == SIGSEGV ? "segmentation fault" : "other");
    if (length > 0 && write(STDERR_FILENO, text, size_t(length)) < 0) {
        // nothing more can be said
    }
    void* frames[64];
    backtrace_symbols_fd(frames, backtrace(frames, 64), STDERR_FILENO);
    raise(signal); // the handler was reset: the default action ends the program
}

void ReportFatalSignals()
{
    void* warm[1];
    backtrace(warm, 1); // loads the unwinder now rather than inside the handler
    struct sigaction action {};
    action.sa_handler = ReportFatalSignal;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGILL, SIGFPE})
        sigaction(signal, &action, nullptr);
}
#else
void ReportFatalSignals() {}
#endif

} // namespace host

// Fontconfig links the parts of its patterns by offsets rather than pointers, so the leak checker cannot
// see that the font caches of Pango's font map (the ribbon's PNG) still hold them. GIO's MIME reader keeps
// what it reads on its first content type guess (an attachment's type) where the checker does not see it
// either; GIO is built without frame pointers, so its frames are all the checker gets to match. The same
// as the tests', so that a sanitizer build of the program can be run on its own.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libgio-2.0.so\n"; }
#endif

int main(int argc, char** argv)
{
    host::ReportFatalSignals();
    host::ConsoleUserInterface ui(stdout);
    int first = 1;
    for (; first < argc; ++first) {
        std::string option = argv[first];
        if (option == "--save-as") {
            if (first + 1 >= argc) {
                std::fprintf(stderr, "vantora: --save-as needs a path\n\n");
                return host::Usage(stderr);
            }
            ui.SaveNextAs(argv[++first]);
        } else if (option == "--cancel-save") {
            ui.CancelNextSave();
        } else if (option == "--record-open") {
            ui.RecordOpens(true);
        } else {
            break;
        }
    }
    if (first >= argc)
        return host::Usage(stderr);
    // The add-in's dialogs and message boxes are answered here until the program ends.
    pal::SetUserInterfaceHost(&ui);
    struct Restore {
        ~Restore() { pal::SetUserInterfaceHost(nullptr); }
    } restore;
    std::string name = argv[first];
    if (name == "--help" || name == "-h" || name == "help")
        return host::Usage(stdout);
    for (const auto& c : host::kCommands)
        if (name == c.name) {
            int status = c.run(host::Args(argv + first + 1, argv + argc));
            pal::SetUserInterfaceHost(nullptr);
            host::EndProcess(status);
        }
    std::fprintf(stderr, "vantora: unknown command \"%s\"\n\n", name.c_str());
    return host::Usage(stderr);
}
