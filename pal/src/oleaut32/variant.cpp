// VARIANT lifetime, copy and the type changes Vantora makes (numbers and booleans to text and back).
#include <cstdio>
#include <string>

#include "pal/host.h"
#include "oleauto.h"
#include "windows.h"

extern "C" void VariantInit(VARIANTARG* v)
{
    if (v) {
        v->vt = VT_EMPTY;
        v->wReserved1 = v->wReserved2 = v->wReserved3 = 0;
        v->llVal = 0;
    }
}

extern "C" HRESULT VariantClear(VARIANTARG* v)
{
    if (!v)
        return E_INVALIDARG;
    if (!(v->vt & VT_BYREF)) {
        switch (v->vt) {
        case VT_BSTR: SysFreeString(v->bstrVal); break;
        case VT_DISPATCH:
            if (v->pdispVal) v->pdispVal->Release();
            break;
        case VT_UNKNOWN:
            if (v->punkVal) v->punkVal->Release();
            break;
        default:
            if (v->vt & VT_ARRAY) {
                HRESULT hr = SafeArrayDestroy(v->parray);
                if (FAILED(hr))
                    return hr; // a locked array stays, and so does the variant
            }
            break;
        }
    }
    VariantInit(v);
    return S_OK;
}

extern "C" HRESULT VariantCopy(VARIANTARG* dest, const VARIANTARG* src)
{
    if (!dest || !src)
        return E_INVALIDARG;
    if (dest == src)
        return S_OK;
    VARIANT copy = *src;
    if (!(src->vt & VT_BYREF)) {
        if (src->vt == VT_BSTR && src->bstrVal) {
            copy.bstrVal = SysAllocStringLen(src->bstrVal, SysStringLen(src->bstrVal));
            if (!copy.bstrVal)
                return E_OUTOFMEMORY;
        } else if (src->vt == VT_DISPATCH && src->pdispVal) {
            src->pdispVal->AddRef();
        } else if (src->vt == VT_UNKNOWN && src->punkVal) {
            src->punkVal->AddRef();
        }
    }
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr))
        return hr;
    *dest = copy;
    return S_OK;
}

namespace {

bool ToInteger(const VARIANT& v, long long& out)
{
    switch (v.vt) {
    case VT_I1: out = v.cVal; return true;
    case VT_UI1: out = v.bVal; return true;
    case VT_I2: out = v.iVal; return true;
    case VT_UI2: out = v.uiVal; return true;
    case VT_I4: out = v.lVal; return true;
    case VT_UI4: out = v.ulVal; return true;
    case VT_INT: out = v.intVal; return true;
    case VT_UINT: out = v.uintVal; return true;
    case VT_I8: out = v.llVal; return true;
    case VT_UI8: out = (long long)v.ullVal; return true;
    case VT_BOOL: out = v.boolVal ? -1 : 0; return true;
    case VT_EMPTY: out = 0; return true;
    default: return false;
    }
}

bool IsInteger(VARTYPE vt)
{
    return vt == VT_I1 || vt == VT_UI1 || vt == VT_I2 || vt == VT_UI2 || vt == VT_I4 || vt == VT_UI4 ||
           vt == VT_INT || vt == VT_UINT || vt == VT_I8 || vt == VT_UI8;
}

} // namespace

extern "C" HRESULT VariantChangeType(VARIANTARG* dest, const VARIANTARG* src, USHORT wFlags, VARTYPE vt)
{
    if (!dest || !src)
        return E_INVALIDARG;
    if (src->vt == vt)
        return VariantCopy(dest, src);
    // A reference converts as the value it refers to.
    if ((src->vt & VT_BYREF) && src->byref) {
        VARIANT value;
        VariantInit(&value);
        switch (src->vt & ~VT_BYREF) {
        case VT_VARIANT: return VariantChangeType(dest, src->pvarVal, wFlags, vt);
        case VT_I1:
        case VT_UI1: value.bVal = *src->pbVal; break;
        case VT_I2:
        case VT_UI2:
        case VT_BOOL: value.iVal = *src->piVal; break;
        case VT_I4:
        case VT_UI4:
        case VT_INT:
        case VT_UINT:
        case VT_ERROR: value.lVal = *src->plVal; break;
        case VT_I8:
        case VT_UI8:
        case VT_R8:
        case VT_DATE: value.llVal = *static_cast<LONGLONG*>(src->byref); break;
        case VT_R4: value.fltVal = *static_cast<FLOAT*>(src->byref); break;
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_UNKNOWN: value.byref = *static_cast<PVOID*>(src->byref); break;
        default: return DISP_E_TYPEMISMATCH;
        }
        value.vt = src->vt & ~VT_BYREF;
        return VariantChangeType(dest, &value, wFlags, vt); // `value` borrows; the copy made is dest's own
    }
    VARIANT result;
    VariantInit(&result);
    long long n = 0;
    if (vt == VT_BSTR) {
        std::string text;
        if (src->vt == VT_BOOL) {
            text = (wFlags & VARIANT_ALPHABOOL) ? (src->boolVal ? "True" : "False") : (src->boolVal ? "-1" : "0");
        } else if (src->vt == VT_R8 || src->vt == VT_R4) {
            char buf[64];
            std::snprintf(buf, sizeof(buf), "%.15G", src->vt == VT_R8 ? src->dblVal : double(src->fltVal));
            text = buf;
        } else if (src->vt == VT_UI8) {
            text = std::to_string(src->ullVal);
        } else if (ToInteger(*src, n)) {
            text = src->vt == VT_EMPTY ? "" : std::to_string(n);
        } else {
            return DISP_E_TYPEMISMATCH;
        }
        std::u16string w = pal::ToWide(text);
        result.vt = VT_BSTR;
        result.bstrVal = SysAllocStringLen(w.data(), UINT(w.size()));
        if (!result.bstrVal)
            return E_OUTOFMEMORY;
    } else if (IsInteger(vt) || vt == VT_BOOL) {
        if (src->vt == VT_BSTR) {
            std::string s = pal::ToUtf8(src->bstrVal ? src->bstrVal : u"");
            size_t pos = 0;
            try {
                n = std::stoll(s, &pos, 10);
            } catch (...) {
                return DISP_E_TYPEMISMATCH;
            }
            while (pos < s.size() && s[pos] == ' ')
                ++pos;
            if (pos != s.size())
                return DISP_E_TYPEMISMATCH;
        } else if (!ToInteger(*src, n)) {
            return DISP_E_TYPEMISMATCH;
        }
        result.vt = vt;
        switch (vt) {
        case VT_BOOL: result.boolVal = n ? VARIANT_TRUE : VARIANT_FALSE; break;
        case VT_I1: if (n < -128 || n > 127) return DISP_E_OVERFLOW; result.cVal = CHAR(n); break;
        case VT_UI1: if (n < 0 || n > 255) return DISP_E_OVERFLOW; result.bVal = BYTE(n); break;
        case VT_I2: if (n < -32768 || n > 32767) return DISP_E_OVERFLOW; result.iVal = SHORT(n); break;
        case VT_UI2: if (n < 0 || n > 65535) return DISP_E_OVERFLOW; result.uiVal = USHORT(n); break;
        case VT_I4:
        case VT_INT: if (n < INT32_MIN || n > INT32_MAX) return DISP_E_OVERFLOW; result.lVal = LONG(n); break;
        case VT_UI4:
        case VT_UINT: if (n < 0 || n > UINT32_MAX) return DISP_E_OVERFLOW; result.ulVal = ULONG(n); break;
        default: result.llVal = n; break;
        }
    } else if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
        // Interfaces convert by QueryInterface; nothing (VT_EMPTY) is a null interface.
        IUnknown* unk = src->vt == VT_DISPATCH || src->vt == VT_UNKNOWN ? src->punkVal : nullptr;
        if (src->vt != VT_EMPTY && src->vt != VT_DISPATCH && src->vt != VT_UNKNOWN)
            return DISP_E_TYPEMISMATCH;
        result.vt = vt;
        if (unk) {
            HRESULT hr = unk->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &result.byref);
            if (FAILED(hr))
                return hr;
        }
    } else {
        return DISP_E_TYPEMISMATCH;
    }
    HRESULT hr = VariantClear(dest);
    if (FAILED(hr)) {
        VariantClear(&result);
        return hr;
    }
    *dest = result;
    return S_OK;
}
