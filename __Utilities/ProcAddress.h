// A function of a loaded module, found by name and typed as the caller declares it.
#pragma once

#include <windows.h>

template <class Fn> Fn GetProcAddressAs(HMODULE module, const char* name) noexcept
{
    // Through the generic function pointer type, as GetProcAddress's own result is no real signature.
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name))) : nullptr;
}
