// A control of the ribbon: visible and enabled state, the super tip, and the IRibbonUI through which a
// change is announced so that Office calls back for the new value.
#pragma once

#include <mso.h>

#include "__Controls/OfficeControlBase.h"

using Office::IRibbonControl;
using Office::IRibbonUI;

class COfficeRibbonControl : public COfficeControlBase {
public:
    explicit COfficeRibbonControl(int id);
    ~COfficeRibbonControl() override;
    HRESULT Show(bool visible) override;
    HRESULT Enable(bool enable) override;

    bool IsVisible() const noexcept { return m_visible; }
    bool IsEnabled() const noexcept { return m_enabled; }
    BSTR GetSuperTip() const noexcept { return m_superTip; }
    // The character after the first "&" of the label; empty without one.
    CComBSTR GetKeyTip() const;

    void SetLabel(const WCHAR* pNewLabel);
    void SetToolTip(const WCHAR* pNewToolTip);
    void SetSuperTip(const WCHAR* pNewSuperTip);
    void ClearLabel();
    void ClearToolTip();
    void ClearSuperTip();

    void SetRibbonPtr(IRibbonUI* pRibbonUI);

protected:
    // Asks Office to call back for this control alone; nothing happens before the ribbon is loaded.
    void invalidate();

    CComPtr<IRibbonUI> m_spRibbonUI;
    bool m_visible = true;
    bool m_enabled = true;
    CComBSTR m_superTip;
};
