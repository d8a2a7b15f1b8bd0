// The root of the ribbon control model: a control's numeric id, the tag that names it in the customUI
// XML, and the texts loaded from the string table by its id.
#pragma once

#include <windows.h>
#include <atlbase.h>

#include "__Utilities/ErrorInfo.h"

class COfficeControlBase {
public:
    explicit COfficeControlBase(int id);
    virtual ~COfficeControlBase();
    virtual HRESULT Show(bool visible) = 0;
    virtual HRESULT Enable(bool enable) = 0;

    COfficeControlBase(const COfficeControlBase&) = delete;
    COfficeControlBase& operator=(const COfficeControlBase&) = delete;

    int ID() const noexcept { return m_id; }
    BSTR Tag() const noexcept { return m_tag; }
    BSTR GetLabel() const noexcept { return m_label; }
    BSTR GetToolTip() const noexcept { return m_toolTip; }

    // "_Office_Addin_Ctrl_Tag_" and the id in decimal.
    static CComBSTR TagFromId(int Id);

protected:
    // The string table text, empty when there is none.
    static CComBSTR ResourceText(int id);

    int m_id;
    CComBSTR m_tag;
    CComBSTR m_label;
    CComBSTR m_toolTip;
};
