// The registrar's .rgs scripts, run against a fresh registry each time: a script that registers once must
// register again to the same registry (registration is repeated on every install and update), and
// unregistering must succeed after it.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <atlcom.h>

#include "FuzzSupport.h"

namespace {

std::string RegistryFiles()
{
    std::string all;
    for (const char* name : {"/registry/HKLM.reg", "/registry/HKCU.reg"}) {
        std::ifstream in(fuzz::Prefix() + name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        all += s.str();
        all += '\0';
    }
    return all;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::error_code ec;
    std::filesystem::remove_all(fuzz::Prefix() + "/registry", ec);
    std::u16string script = fuzz::CString(fuzz::Text(data, size));

    ATL::CRegObject registrar;
    registrar.AddReplacement(u"MODULE", u"Z:\\opt\\vantora\\VantoraAddin.so");
    registrar.AddReplacement(u"APPID", u"{6B1E3D2A-0F4C-4E8B-9A57-3C2D1E0F9A8B}");
    if (SUCCEEDED(registrar.StringRegister(script.c_str()))) {
        std::string once = RegistryFiles();
        if (FAILED(registrar.StringRegister(script.c_str()))) {
            std::fprintf(stderr, "a second registration failed\n");
            FUZZ_ASSERT(false);
        }
        FUZZ_ASSERT(RegistryFiles() == once);
        registrar.StringUnregister(script.c_str());
    }
    fuzz::TrimErrorLog();
    return 0;
}
