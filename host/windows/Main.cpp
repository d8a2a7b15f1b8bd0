// vantora.exe: the host's Outlook on Windows. It shows the add-in's ribbon tab for message snapshots that the
// Linux vantora wrote (vantora snapshot), with the registered add-in loaded as Outlook loads it; the
// registration itself is the system's (regsvr32).
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <string>

#include "host/Commands.h"
#include "host/text/Utf.h"

namespace host {

std::string DefaultModulePath()
{
    WCHAR path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string self = n && n < MAX_PATH ? Utf8(WStringView(path, n)) : std::string();
    return self.substr(0, self.find_last_of("\\/") + 1) + "VantoraAddin.dll";
}

} // namespace host

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2 || std::wstring(argv[1]) != L"show") {
        std::fprintf(stderr, "usage: vantora show [OPTIONS] SNAPSHOT...   (vantora show --help)\n");
        return 2;
    }
    host::Args args;
    for (int i = 2; i < argc; ++i)
        args.push_back(host::Utf8(argv[i]));
    // Outlook's UI thread is a single-threaded apartment.
    if (FAILED(OleInitialize(nullptr))) {
        std::fprintf(stderr, "vantora: OleInitialize failed\n");
        return 1;
    }
    int status = host::ShowCommand(args);
    std::fflush(stdout);
    OleUninitialize();
    return status;
}
