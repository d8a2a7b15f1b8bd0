// Owners of MAPI result buffers; see EmailUtil.h.
#include "addin/EmailUtil.h"

namespace {

// Releases one MAPI buffer; a failing release is logged and never thrown, so that destructors can go on.
void FreeMapiBuffer(LPMAPIFREEBUFFER fnFreeBuffer, LPVOID buffer, const char* function, int line) noexcept
{
    if (!buffer)
        return;
    HRESULT hr = (HRESULT) fnFreeBuffer(buffer);
    if (FAILED(hr))
        CErrorInfo(hr, false, function, __FILE__, line);
}

} // namespace

CEmailProp::CEmailProp(IMAPIProp* pMapiProp, ULONG propTag, LPMAPIFREEBUFFER fnFreeBuff, bool tolerateFailure)
{
    VTR_CHECK(pMapiProp, E_POINTER);
    VTR_CHECK(fnFreeBuff, E_POINTER);
    fnFreeBuffer = fnFreeBuff;
    m_propTags.cValues = 1;
    m_propTags.aulPropTag[0] = propTag;

    // Whatever GetProps allocated is released also when a check below throws: the destructor of a
    // half-built object does not run.
    try {
        ULONG valCount = 0;
        HRESULT hr = pMapiProp->GetProps(&m_propTags, MAPI_UNICODE, &valCount, &m_pPropValue);
        if (tolerateFailure && hr != S_OK)
            return;
        VTR_CHECK_HR(hr);
        VTR_CHECK(m_pPropValue, E_UNEXPECTED);
        VTR_CHECK(valCount == 1, E_UNEXPECTED);
        VTR_CHECK(m_pPropValue->ulPropTag == propTag, E_UNEXPECTED);
    } catch (...) {
        Release();
        throw;
    }
}

CEmailProp::~CEmailProp() { Release(); }

void CEmailProp::Release() noexcept
{
    if (!m_pPropValue)
        return;
    if (VTR_VERIFY(fnFreeBuffer, E_POINTER))
        FreeMapiBuffer(fnFreeBuffer, m_pPropValue, VTR_FUNCTION, __LINE__);
    m_pPropValue = nullptr;
}

CEmailRowSetProp::CEmailRowSetProp(LPMAPIFREEBUFFER fnFreeBuff)
{
    VTR_CHECK(fnFreeBuff, E_POINTER);
    fnFreeBuffer = fnFreeBuff;
}

CEmailRowSetProp::~CEmailRowSetProp()
{
    if (!m_pRowSet)
        return;
    if (!VTR_VERIFY(fnFreeBuffer, E_POINTER))
        return;
    // Each row's values are a buffer of their own; one failing release does not keep the others.
    for (ULONG row = 0; row < m_pRowSet->cRows; ++row)
        FreeMapiBuffer(fnFreeBuffer, m_pRowSet->aRow[row].lpProps, VTR_FUNCTION, __LINE__);
    FreeMapiBuffer(fnFreeBuffer, m_pRowSet, VTR_FUNCTION, __LINE__);
    m_pRowSet = nullptr;
}

LPSRowSet* CEmailRowSetProp::operator&()
{
    VTR_CHECK(!m_pRowSet, E_UNEXPECTED);
    return &m_pRowSet;
}

LPSPropValue CEmailRowSetProp::GetValue(ULONG propTag) const
{
    VTR_CHECK(m_pRowSet, E_POINTER);
    VTR_CHECK(m_pRowSet->cRows == 1, E_POINTER);
    const SRow& row = m_pRowSet->aRow[0];
    for (ULONG i = 0; row.lpProps && i < row.cValues; ++i) {
        if (row.lpProps[i].ulPropTag == propTag)
            return &row.lpProps[i];
    }
    VTR_FAIL("Unknown error", E_FAIL);
}
