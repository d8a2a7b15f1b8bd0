// The type library of a module, read from its IDL text (the module's TYPELIB resource): the library's
// id, version and name, and the interfaces it describes with their methods.
#pragma once

#include <string>
#include <vector>

#include "oleauto.h"
#include "windows.h"

namespace pal::typelib {

// A parameter's type as automation sees it (VT_BYREF for a pointer); VT_ILLEGAL when no VARIANT type
// holds it, which makes its method impossible to invoke.
constexpr VARTYPE kVtIllegal = 0xFFFF;

struct IdlParam {
    std::u16string name;
    VARTYPE vt = VT_EMPTY;
    bool in = false, out = false, retval = false, optional = false;
};

struct IdlFunction {
    std::u16string name;
    DISPID id = DISPID_UNKNOWN;
    INVOKEKIND kind = INVOKE_FUNC;
    VARTYPE result = VT_HRESULT; // VT_VOID for none
    std::vector<IdlParam> params;
    UINT vtableIndex = 0; // slot in the interface's table, after its bases' slots
};

struct IdlInterface {
    std::u16string name;
    IID iid{};
    bool automation = false; // dual, oleautomation or a dispinterface: marshalled by the type library
    bool dispinterface = false; // called through IDispatch::Invoke, never through its table
    bool dual = false;
    std::u16string base;
    bool baseKnown = true; // false: the base's slots are unknown, so no method can be called
    std::vector<IdlFunction> functions;
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
