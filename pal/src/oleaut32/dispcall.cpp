// DispCallFunc over libffi: calls a function, or a method through an object's table, with arguments
// described by VARTYPEs. Windows' x64 conventions (stdcall, cdecl) are the platform's one C convention here;
// `this` goes first, as in a member call.
#include <ffi.h>

#include <vector>

#include "oleauto.h"
#include "windows.h"

namespace {

// A VARIANT by value: 24 bytes, 8-aligned (the platform passes it in memory whatever its members).
ffi_type* VariantType()
{
    static ffi_type* elements[] = {&ffi_type_uint16, &ffi_type_uint16, &ffi_type_uint16, &ffi_type_uint16,
                                   &ffi_type_uint64, &ffi_type_uint64, nullptr};
    static ffi_type type = {0, 0, FFI_TYPE_STRUCT, elements};
    return &type;
}

// The C type of a value of VARTYPE vt; null when no argument or result can have that type.
ffi_type* TypeOf(VARTYPE vt, bool result)
{
    if (vt & VT_BYREF)
        return &ffi_type_pointer;
    switch (vt) {
    case VT_EMPTY:
    case VT_VOID: return result ? &ffi_type_void : nullptr;
    case VT_I1: return &ffi_type_sint8;
    case VT_UI1: return &ffi_type_uint8;
    case VT_I2:
    case VT_BOOL: return &ffi_type_sint16;
    case VT_UI2: return &ffi_type_uint16;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
    case VT_HRESULT: return &ffi_type_sint32;
    case VT_UI4:
    case VT_UINT: return &ffi_type_uint32;
    case VT_I8:
    case VT_CY: return &ffi_type_sint64;
    case VT_UI8: return &ffi_type_uint64;
    case VT_R4: return &ffi_type_float;
    case VT_R8:
    case VT_DATE: return &ffi_type_double;
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN: return &ffi_type_pointer;
    case VT_VARIANT: return result ? nullptr : VariantType();
    default: return nullptr;
    }
}

} // namespace

extern "C" HRESULT DispCallFunc(void* pvInstance, ULONG_PTR oVft, CALLCONV cc, VARTYPE vtReturn, UINT cActuals,
                                VARTYPE* prgvt, VARIANTARG** prgpvarg, VARIANT* pvargResult)
{
    if ((cActuals && (!prgvt || !prgpvarg)) || !pvargResult)
        return E_INVALIDARG;
    if (cc != CC_STDCALL && cc != CC_CDECL)
        return E_INVALIDARG;
    ffi_type* returnType = TypeOf(vtReturn, true);
    if (!returnType)
        return DISP_E_BADVARTYPE;
    const bool method = pvInstance != nullptr;
    std::vector<ffi_type*> types;
    std::vector<void*> values;
    types.reserve(cActuals + 1);
    values.reserve(cActuals + 1);
    if (method) {
        types.push_back(&ffi_type_pointer);
        values.push_back(&pvInstance);
    }
    for (UINT i = 0; i < cActuals; ++i) {
        ffi_type* t = TypeOf(prgvt[i], false);
        if (!t || !prgpvarg[i])
            return t ? E_INVALIDARG : DISP_E_BADVARTYPE;
        types.push_back(t);
        // The value of every other type sits at the start of the VARIANT's data, as on a little-endian system.
        values.push_back(prgvt[i] == VT_VARIANT ? static_cast<void*>(prgpvarg[i])
                                                : static_cast<void*>(&prgpvarg[i]->llVal));
    }
    void* target = method ? (*static_cast<void***>(pvInstance))[oVft / sizeof(void*)]
                          : reinterpret_cast<void*>(oVft);
    if (!target)
        return E_INVALIDARG;
    ffi_cif cif;
    if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, unsigned(types.size()), returnType, types.data()) != FFI_OK)
        return E_INVALIDARG;
    // Results narrower than a register come back widened to one (ffi_arg).
    union {
        ffi_arg integer;
        double real;
        float single;
        LONGLONG wide;
    } raw{};
    ffi_call(&cif, reinterpret_cast<void (*)()>(target), &raw, values.data());

    VariantInit(pvargResult);
    pvargResult->vt = vtReturn;
    switch (vtReturn) {
    case VT_EMPTY:
    case VT_VOID: break;
    case VT_R4: pvargResult->fltVal = raw.single; break;
    case VT_R8:
    case VT_DATE: pvargResult->dblVal = raw.real; break;
    case VT_I1: pvargResult->cVal = CHAR(raw.integer); break;
    case VT_UI1: pvargResult->bVal = BYTE(raw.integer); break;
    case VT_I2:
    case VT_BOOL: pvargResult->iVal = SHORT(raw.integer); break;
    case VT_UI2: pvargResult->uiVal = USHORT(raw.integer); break;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
    case VT_HRESULT: pvargResult->lVal = LONG(raw.integer); break;
    case VT_UI4:
    case VT_UINT: pvargResult->ulVal = ULONG(raw.integer); break;
    default: pvargResult->llVal = raw.wide; break;
    }
    return S_OK;
}
