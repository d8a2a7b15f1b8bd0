// Linux build only: the module's resources, the .res file windres compiled from VantoraAddin.rc, linked in
// as they are (where the Windows linker puts them into .rsrc) and registered with the platform layer under
// the load address of the module this object is linked into. VANTORA_RES_FILE names the file.
#include <windows.h>

// A section of its own, so that GetFileVersionInfoW finds the resources in a module file that is not
// loaded. Hidden symbols: every module carries its own copy, and each must find its own.
__asm__(".pushsection .vantora_rsrc,\"a\"\n"
        ".balign 16\n"
        ".hidden vantora_resources_begin\n"
        "vantora_resources_begin:\n"
        ".incbin \"" VANTORA_RES_FILE "\"\n"
        ".hidden vantora_resources_end\n"
        "vantora_resources_end:\n"
        ".popsection\n");

extern "C" {
__attribute__((visibility("hidden"))) extern const char vantora_resources_begin[];
__attribute__((visibility("hidden"))) extern const char vantora_resources_end[];
}

namespace {

HMODULE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(vantora_resources_begin), &module);
    return module;
}

// Registered before any other initialiser of the module can ask for a resource.
__attribute__((constructor(101))) void RegisterResources()
{
    PalRegisterModuleResources(ThisModule(), vantora_resources_begin,
                               DWORD(vantora_resources_end - vantora_resources_begin));
}

__attribute__((destructor(101))) void UnregisterResources()
{
    PalUnregisterModuleResources(ThisModule(), vantora_resources_begin);
}

} // namespace
