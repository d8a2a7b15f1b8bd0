// One-dimensional safe arrays: what a caller needs to hand a list of variants to a COM method (the HTML
// document's write takes its text that way). The descriptor and the elements are one allocation, as
// SafeArrayCreateVector makes them on Windows, with the element type stored just before the descriptor.
#include <cstdlib>
#include <cstring>
#include <new>

#include "oleauto.h"
#include "windows.h"

namespace {

// The block before the descriptor keeps the element type (FADF_HAVEVARTYPE) at the offset Windows uses.
struct VectorBlock {
    DWORD reserved[3];
    DWORD vt;
    SAFEARRAY descriptor;
};

ULONG ElementSize(VARTYPE vt)
{
    switch (vt) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_CY: case VT_DATE: return 8;
    case VT_BSTR: case VT_UNKNOWN: case VT_DISPATCH: return sizeof(void*);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
    }
}

USHORT FeaturesOf(VARTYPE vt)
{
    USHORT features = FADF_HAVEVARTYPE | FADF_CREATEVECTOR;
    switch (vt) {
    case VT_BSTR: return features | FADF_BSTR;
    case VT_UNKNOWN: return features | FADF_UNKNOWN;
    case VT_DISPATCH: return features | FADF_DISPATCH;
    case VT_VARIANT: return features | FADF_VARIANT;
    default: return features;
    }
}

ULONG ElementCount(const SAFEARRAY* psa)
{
    ULONG count = 1;
    for (USHORT d = 0; d < psa->cDims; ++d)
        count *= psa->rgsabound[d].cElements;
    return count;
}

// Releases what the elements own; the memory itself goes with the block.
void ClearElements(SAFEARRAY* psa)
{
    if (!psa->pvData)
        return;
    ULONG count = ElementCount(psa);
    if (psa->fFeatures & FADF_VARIANT) {
        VARIANT* v = static_cast<VARIANT*>(psa->pvData);
        for (ULONG i = 0; i < count; ++i)
            VariantClear(&v[i]);
    } else if (psa->fFeatures & FADF_BSTR) {
        BSTR* s = static_cast<BSTR*>(psa->pvData);
        for (ULONG i = 0; i < count; ++i)
            SysFreeString(s[i]);
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        IUnknown** p = static_cast<IUnknown**>(psa->pvData);
        for (ULONG i = 0; i < count; ++i)
            if (p[i])
                p[i]->Release();
    }
    std::memset(psa->pvData, 0, size_t(count) * psa->cbElements);
}

} // namespace

extern "C" SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements)
{
    ULONG size = ElementSize(vt);
    if (size == 0)
        return nullptr;
    // The element count is a ULONG but the data must stay addressable with a LONG index from lLbound.
    if (cElements > (0x7FFFFFFFu - sizeof(VectorBlock)) / size)
        return nullptr;
    size_t bytes = sizeof(VectorBlock) + size_t(cElements) * size;
    auto* block = static_cast<VectorBlock*>(std::calloc(1, bytes));
    if (!block)
        return nullptr;
    block->vt = vt;
    SAFEARRAY* psa = &block->descriptor;
    psa->cDims = 1;
    psa->fFeatures = FeaturesOf(vt);
    psa->cbElements = size;
    psa->cLocks = 0;
    psa->pvData = block + 1;
    psa->rgsabound[0].cElements = cElements;
    psa->rgsabound[0].lLbound = lLbound;
    return psa;
}

extern "C" HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData)
{
    if (!psa || !ppvData)
        return E_INVALIDARG;
    if (psa->cLocks >= 0xFFFF) // the lock count Windows allows
        return E_UNEXPECTED;
    ++psa->cLocks;
    *ppvData = psa->pvData;
    return S_OK;
}

extern "C" HRESULT SafeArrayUnaccessData(SAFEARRAY* psa)
{
    if (!psa)
        return E_INVALIDARG;
    if (psa->cLocks == 0)
        return E_UNEXPECTED;
    --psa->cLocks;
    return S_OK;
}

extern "C" HRESULT SafeArrayDestroy(SAFEARRAY* psa)
{
    if (!psa)
        return S_OK;
    if (psa->cLocks > 0)
        return DISP_E_ARRAYISLOCKED;
    ClearElements(psa);
    if (psa->fFeatures & FADF_CREATEVECTOR) {
        std::free(reinterpret_cast<char*>(psa) - offsetof(VectorBlock, descriptor));
        return S_OK;
    }
    return E_INVALIDARG; // every array of this layer is a vector; anything else was not made here
}
