// The type library of a module, read from its IDL text (the module's TYPELIB resource): the library's
// id, version and name, and the interfaces it describes.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

namespace pal::typelib {

struct IdlInterface {
    std::u16string name;
    IID iid{};
    bool automation = false; // dual, oleautomation or a dispinterface: marshalled by the type library
};

struct IdlLibrary {
    std::u16string name;
    std::u16string helpString;
    GUID libid{};
    WORD major = 0, minor = 0;
    LCID lcid = 0;
    std::vector<IdlInterface> interfaces;
};

// False when the text holds no library with a uuid, or an attribute cannot be read.
bool ParseIdl(const std::string& text, IdlLibrary& lib);

// Writes (or removes) HKCR\TypeLib\{LIBID}\<major>.<minor> and HKCR\Interface\{IID} for each interface;
// forUser: under the user's classes (HKCU\Software\Classes) instead.
HRESULT RegisterLibrary(const IdlLibrary& lib, const std::u16string& modulePath, const std::u16string& helpDir,
                        bool forUser);
HRESULT UnregisterLibrary(const IdlLibrary& lib, bool forUser);

} // namespace pal::typelib
