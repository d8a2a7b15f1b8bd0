// ITypeInfo of an interface read from IDL: names to dispatch ids, and Invoke, which coerces the caller's
// DISPPARAMS to the method's parameter types and calls the method through the object's table with
// DispCallFunc, as the system's ITypeInfo::Invoke does.
#include <vector>

#include "pal/com_object.h"
#include "oleaut32/typeinfo.h"
#include "common/stub.h"

namespace pal::typelib {

namespace {

// The VARIANTs one call needs: what the method receives, what Invoke converted (freed afterwards), the
// [out, retval] value and the missing-argument markers of omitted optional parameters.
struct CallFrame {
    explicit CallFrame(size_t n) : pass(n), owned(n), missing(n)
    {
        for (size_t i = 0; i < n; ++i) {
            VariantInit(&pass[i]);
            VariantInit(&owned[i]);
            VariantInit(&missing[i]);
        }
        VariantInit(&retval);
    }
    ~CallFrame()
    {
        for (VARIANT& v : owned)
            VariantClear(&v);
        VariantClear(&retval);
    }
    CallFrame(const CallFrame&) = delete;
    CallFrame& operator=(const CallFrame&) = delete;

    std::vector<VARIANT> pass, owned, missing;
    VARIANT retval;
};

// Gives `pass` the value of `src` as the parameter type `want`; a conversion goes to `owned`.
HRESULT Coerce(VARTYPE want, VARIANT* src, VARIANT& pass, VARIANT& owned)
{
    if (want == kVtIllegal)
        return DISP_E_BADVARTYPE;
    if (want == VT_VARIANT) {
        pass = *src; // the caller keeps ownership of what it passed
        return S_OK;
    }
    if (want == (VT_VARIANT | VT_BYREF)) {
        pass.vt = want;
        pass.pvarVal = src->vt == want ? src->pvarVal : src;
        return S_OK;
    }
    if (src->vt == want) {
        pass = *src;
        return S_OK;
    }
    VARTYPE base = want & ~VT_BYREF;
    // A reference to a value of another type cannot be handed on as a reference.
    if ((want & VT_BYREF) && (src->vt & VT_BYREF))
        return DISP_E_TYPEMISMATCH;
    if (FAILED(VariantChangeType(&owned, src, 0, base)))
        return DISP_E_TYPEMISMATCH;
    if (want & VT_BYREF) {
        pass.vt = want;
        pass.byref = &owned.llVal;
    } else {
        pass = owned;
    }
    return S_OK;
}

class CTypeInfo final : public ComObject<ComEntry<ITypeInfo>> {
public:
    CTypeInfo(ITypeLib* lib, const IdlLibrary& library, const IdlInterface& itf)
        : m_lib(lib), m_library(library), m_itf(itf)
    {
        m_lib->AddRef();
    }
    ~CTypeInfo() override { m_lib->Release(); }

    HRESULT GetTypeAttr(TYPEATTR** pp) override
    {
        if (!pp)
            return E_INVALIDARG;
        auto* a = new TYPEATTR{};
        a->guid = m_itf.iid;
        a->lcid = m_library.lcid;
        a->memidConstructor = a->memidDestructor = MEMBERID_NIL;
        // A dual interface is described by its dispatch side, as the system's library hands it out.
        a->typekind = m_itf.dual || m_itf.dispinterface ? TKIND_DISPATCH : TKIND_INTERFACE;
        a->cFuncs = WORD(m_itf.functions.size());
        a->cImplTypes = 1;
        UINT slots = m_itf.functions.empty() ? 7 : m_itf.functions.back().vtableIndex + 1;
        a->cbSizeVft = WORD(slots * sizeof(void*));
        a->cbAlignment = sizeof(void*);
        a->wTypeFlags = WORD((m_itf.dual ? TYPEFLAG_FDUAL : 0) |
                             (m_itf.automation ? TYPEFLAG_FDISPATCHABLE : 0));
        a->wMajorVerNum = m_library.major;
        a->wMinorVerNum = m_library.minor;
        *pp = a;
        return S_OK;
    }
    void ReleaseTypeAttr(TYPEATTR* p) override { delete p; }

    HRESULT GetNames(MEMBERID memid, BSTR* names, UINT max, UINT* count) override
    {
        if (!names || !count)
            return E_INVALIDARG;
        *count = 0;
        const IdlFunction* fn = FindById(memid);
        if (!fn)
            return TYPE_E_ELEMENTNOTFOUND;
        if (max > 0)
            names[(*count)++] = Alloc(fn->name);
        for (const IdlParam& p : fn->params)
            if (*count < max)
                names[(*count)++] = Alloc(p.name);
        return S_OK;
    }

    // Case-insensitive, as the system compares names; parameter names give their positions.
    HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override
    {
        if (!names || !ids || count == 0)
            return E_INVALIDARG;
        for (UINT i = 0; i < count; ++i)
            ids[i] = MEMBERID_NIL;
        const IdlFunction* fn = nullptr;
        for (const IdlFunction& f : m_itf.functions)
            if (names[0] && _wcsicmp(f.name.c_str(), names[0]) == 0) {
                fn = &f;
                break;
            }
        if (!fn)
            return DISP_E_UNKNOWNNAME;
        ids[0] = fn->id;
        HRESULT hr = S_OK;
        for (UINT i = 1; i < count; ++i) {
            for (size_t k = 0; k < fn->params.size() && names[i]; ++k)
                if (_wcsicmp(fn->params[k].name.c_str(), names[i]) == 0)
                    ids[i] = MEMBERID(k);
            if (ids[i] == MEMBERID_NIL)
                hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }

    HRESULT Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excep, UINT* argErr) override;

    HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* context, BSTR* helpFile) override
    {
        const std::u16string* text = &m_itf.name;
        if (memid != MEMBERID_NIL) {
            const IdlFunction* fn = FindById(memid);
            if (!fn)
                return TYPE_E_ELEMENTNOTFOUND;
            text = &fn->name;
        }
        if (name)
            *name = Alloc(*text);
        if (doc)
            *doc = nullptr;
        if (context)
            *context = 0;
        if (helpFile)
            *helpFile = nullptr;
        return S_OK;
    }

    HRESULT GetContainingTypeLib(ITypeLib** lib, UINT* index) override
    {
        if (!lib)
            return E_INVALIDARG;
        m_lib->AddRef();
        *lib = m_lib;
        if (index)
            *index = UINT(&m_itf - m_library.interfaces.data());
        return S_OK;
    }

    HRESULT GetTypeComp(ITypeComp**) override { return PAL_STUB(); }
    HRESULT GetFuncDesc(UINT, FUNCDESC**) override { return PAL_STUB(); }
    HRESULT GetVarDesc(UINT, VARDESC**) override { return PAL_STUB(); }
    HRESULT GetRefTypeOfImplType(UINT, HREFTYPE*) override { return PAL_STUB(); }
    HRESULT GetImplTypeFlags(UINT, INT*) override { return PAL_STUB(); }
    HRESULT GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return PAL_STUB(); }
    HRESULT GetRefTypeInfo(HREFTYPE, ITypeInfo**) override { return PAL_STUB(); }
    HRESULT AddressOfMember(MEMBERID, INVOKEKIND, PVOID*) override { return PAL_STUB(); }
    HRESULT CreateInstance(IUnknown*, REFIID, PVOID*) override { return PAL_STUB(); }
    HRESULT GetMops(MEMBERID, BSTR*) override { return PAL_STUB(); }
    void ReleaseFuncDesc(FUNCDESC*) override {}
    void ReleaseVarDesc(VARDESC*) override {}

private:
    static BSTR Alloc(const std::u16string& s) { return SysAllocStringLen(s.data(), UINT(s.size())); }

    const IdlFunction* FindById(MEMBERID memid) const
    {
        for (const IdlFunction& f : m_itf.functions)
            if (f.id == memid)
                return &f;
        return nullptr;
    }

    // The member of that id that answers one of the requested kinds (a property has two of one id).
    const IdlFunction* Find(MEMBERID memid, WORD flags) const
    {
        for (const IdlFunction& f : m_itf.functions)
            if (f.id == memid && (flags & WORD(f.kind)))
                return &f;
        return nullptr;
    }

    HRESULT Failure(PVOID instance, HRESULT hr, EXCEPINFO* excep) const;

    ITypeLib* m_lib;
    const IdlLibrary& m_library;
    const IdlInterface& m_itf;
};

// A failing method: with an EXCEPINFO and an object that reports error information for this interface,
// DISP_E_EXCEPTION with the thread's error information; otherwise the method's own HRESULT.
HRESULT CTypeInfo::Failure(PVOID instance, HRESULT hr, EXCEPINFO* excep) const
{
    if (!excep)
        return hr;
    ISupportErrorInfo* support = nullptr;
    static_cast<IUnknown*>(instance)->QueryInterface(__uuidof(ISupportErrorInfo), reinterpret_cast<void**>(&support));
    if (!support)
        return hr;
    bool supports = support->InterfaceSupportsErrorInfo(m_itf.iid) == S_OK;
    support->Release();
    if (!supports)
        return hr;
    *excep = EXCEPINFO{};
    excep->scode = hr;
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        info->GetSource(&excep->bstrSource);
        info->GetDescription(&excep->bstrDescription);
        info->GetHelpFile(&excep->bstrHelpFile);
        info->GetHelpContext(&excep->dwHelpContext);
        info->Release();
    }
    return DISP_E_EXCEPTION;
}

HRESULT CTypeInfo::Invoke(PVOID instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* excep, UINT* argErr)
{
    if (!instance || !params || params->cNamedArgs > params->cArgs || (params->cArgs && !params->rgvarg) ||
        (params->cNamedArgs && !params->rgdispidNamedArgs))
        return E_INVALIDARG;
    const IdlFunction* fn = Find(memid, flags);
    if (!fn)
        return DISP_E_MEMBERNOTFOUND;
    // A dispinterface has no table: its members are the object's own IDispatch::Invoke.
    if (m_itf.dispinterface)
        return static_cast<IDispatch*>(instance)->Invoke(memid, GUID_NULL, LOCALE_USER_DEFAULT, flags, params, result,
                                                         excep, argErr);
    if (!m_itf.baseKnown)
        return PAL_STUB();

    const size_t count = fn->params.size();
    const bool hasRetval = count > 0 && fn->params.back().retval;
    const size_t inputs = count - (hasRetval ? 1 : 0);
    const UINT positional = params->cArgs - params->cNamedArgs;
    if (positional > inputs)
        return DISP_E_BADPARAMCOUNT;

    // The arguments are in reverse order: rgvarg[cArgs - 1] is the first; named ones come first in rgvarg.
    std::vector<int> source(inputs, -1);
    for (UINT i = 0; i < positional; ++i)
        source[i] = int(params->cArgs - 1 - i);
    bool put = fn->kind == INVOKE_PROPERTYPUT || fn->kind == INVOKE_PROPERTYPUTREF;
    for (UINT k = 0; k < params->cNamedArgs; ++k) {
        DISPID id = params->rgdispidNamedArgs[k];
        size_t index = put && id == DISPID_PROPERTYPUT && inputs > 0 ? inputs - 1 : size_t(id);
        if (id < 0 && id != DISPID_PROPERTYPUT)
            index = inputs;
        if (index >= inputs || source[index] >= 0) {
            if (argErr)
                *argErr = k;
            return DISP_E_PARAMNOTFOUND;
        }
        source[index] = int(k);
    }

    CallFrame frame(count);
    for (size_t i = 0; i < inputs; ++i) {
        VARTYPE want = fn->params[i].vt;
        if (source[i] < 0) {
            if (!fn->params[i].optional || (want & ~VT_BYREF) != VT_VARIANT)
                return params->cNamedArgs ? DISP_E_PARAMNOTOPTIONAL : DISP_E_BADPARAMCOUNT;
            frame.missing[i].vt = VT_ERROR;
            frame.missing[i].scode = DISP_E_PARAMNOTFOUND;
            Coerce(want, &frame.missing[i], frame.pass[i], frame.owned[i]);
            continue;
        }
        HRESULT hr = Coerce(want, &params->rgvarg[source[i]], frame.pass[i], frame.owned[i]);
        if (FAILED(hr)) {
            if (argErr)
                *argErr = UINT(source[i]);
            return hr;
        }
    }
    if (hasRetval) {
        VARTYPE want = fn->params.back().vt;
        if (want == kVtIllegal || !(want & VT_BYREF))
            return DISP_E_BADVARTYPE;
        VARIANT& out = frame.pass[count - 1];
        out.vt = want;
        if (want == (VT_VARIANT | VT_BYREF)) {
            out.pvarVal = &frame.retval;
        } else {
            frame.retval.vt = want & ~VT_BYREF;
            out.byref = &frame.retval.llVal;
        }
    }
    if (fn->result == kVtIllegal)
        return DISP_E_BADVARTYPE;

    std::vector<VARTYPE> types(count);
    std::vector<VARIANTARG*> args(count);
    for (size_t i = 0; i < count; ++i) {
        // A VARIANT parameter takes the whole VARIANT, whatever it holds.
        types[i] = fn->params[i].vt == VT_VARIANT ? VARTYPE(VT_VARIANT) : frame.pass[i].vt;
        args[i] = &frame.pass[i];
    }
    VARIANT returned;
    VariantInit(&returned);
    HRESULT hr = DispCallFunc(instance, fn->vtableIndex * sizeof(void*), CC_STDCALL, fn->result, UINT(count),
                              types.data(), args.data(), &returned);
    if (FAILED(hr))
        return hr;
    if (fn->result == VT_HRESULT && FAILED(returned.scode))
        return Failure(instance, returned.scode, excep);
    if (result) {
        if (hasRetval) {
            *result = frame.retval;
            VariantInit(&frame.retval);
        } else if (fn->result != VT_HRESULT && fn->result != VT_VOID) {
            *result = returned;
        }
    } else if (fn->result != VT_HRESULT && fn->result != VT_VOID) {
        VariantClear(&returned);
    }
    return S_OK;
}

} // namespace

ITypeInfo* CreateTypeInfo(ITypeLib* lib, const IdlLibrary& library, const IdlInterface& itf)
{
    return new CTypeInfo(lib, library, itf);
}

} // namespace pal::typelib
