// State changes of ribbon controls and their invalidation.
#include "__Controls/OfficeRibbonControl.h"

COfficeRibbonControl::COfficeRibbonControl(int id) : COfficeControlBase(id), m_superTip(ResourceText(id + 200))
{
}

COfficeRibbonControl::~COfficeRibbonControl() = default;

HRESULT COfficeRibbonControl::Show(bool visible)
{
    HRESULT hr = S_OK;
    try {
        m_visible = visible;
        invalidate();
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

HRESULT COfficeRibbonControl::Enable(bool enable)
{
    HRESULT hr = S_OK;
    try {
        m_enabled = enable;
        invalidate();
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

CComBSTR COfficeRibbonControl::GetKeyTip() const
{
    const WCHAR* label = m_label.m_str;
    for (UINT i = 0, length = m_label.Length(); i + 1 < length; ++i)
        if (label[i] == W('&'))
            return CComBSTR(1, label + i + 1);
    return CComBSTR();
}

void COfficeRibbonControl::SetLabel(const WCHAR* pNewLabel)
{
    try {
        VTR_CHECK_TEXT(pNewLabel && *pNewLabel, "pNewLabel", E_INVALIDARG);
        m_label = pNewLabel;
        invalidate();
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbonControl::SetToolTip(const WCHAR* pNewToolTip)
{
    try {
        VTR_CHECK_TEXT(pNewToolTip && *pNewToolTip, "pNewToolTip", E_INVALIDARG);
        m_toolTip = pNewToolTip;
        invalidate();
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbonControl::SetSuperTip(const WCHAR* pNewSuperTip)
{
    try {
        VTR_CHECK_TEXT(pNewSuperTip && *pNewSuperTip, "pNewSuperTip", E_INVALIDARG);
        m_superTip = pNewSuperTip;
        invalidate();
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbonControl::ClearLabel()
{
    try {
        m_label = ResourceText(ID());
        invalidate();
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbonControl::ClearToolTip()
{
    try {
        m_toolTip = ResourceText(ID() + 100);
        invalidate();
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbonControl::ClearSuperTip()
{
    try {
        m_superTip = ResourceText(ID() + 200);
        invalidate();
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbonControl::SetRibbonPtr(IRibbonUI* pRibbonUI)
{
    try {
        m_spRibbonUI = CComQIPtr<IRibbonUI>(static_cast<IUnknown*>(pRibbonUI));
        VTR_CHECK_QUOTED(m_spRibbonUI, E_POINTER);
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbonControl::invalidate()
{
    try {
        VTR_CHECK_QUOTED(ID() > 0, E_UNEXPECTED);
        VTR_CHECK_TEXT(Tag() && SysStringLen(Tag()) > 0, "Tag()", E_UNEXPECTED);
        if (!m_spRibbonUI)
            return;
        VTR_CHECK_HR(m_spRibbonUI->InvalidateControl(Tag()));
    }
    VTR_CATCH_RETHROW
}
