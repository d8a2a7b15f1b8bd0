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
        if (!pNewLabel || !*pNewLabel)
            throw CErrorInfo("pNewLabel", E_INVALIDARG, VTR_HERE);
        m_label = pNewLabel;
        invalidate();
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbonControl::SetToolTip(const WCHAR* pNewToolTip)
{
    try {
        if (!pNewToolTip || !*pNewToolTip)
            throw CErrorInfo("pNewToolTip", E_INVALIDARG, VTR_HERE);
        m_toolTip = pNewToolTip;
        invalidate();
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbonControl::SetSuperTip(const WCHAR* pNewSuperTip)
{
    try {
        if (!pNewSuperTip || !*pNewSuperTip)
            throw CErrorInfo("pNewSuperTip", E_INVALIDARG, VTR_HERE);
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
        OFFICE_CHECK(m_spRibbonUI, E_POINTER);
    }
    VTR_CATCH_RETHROW
}

void COfficeRibbonControl::invalidate()
{
    try {
        OFFICE_CHECK(ID() > 0, E_UNEXPECTED);
        if (Tag() == nullptr || SysStringLen(Tag()) == 0)
            throw CErrorInfo("Tag()", E_UNEXPECTED, VTR_HERE);
        if (!m_spRibbonUI)
            return;
        VTR_CHECK_HR(m_spRibbonUI->InvalidateControl(Tag()));
    }
    VTR_CATCH_RETHROW
}
