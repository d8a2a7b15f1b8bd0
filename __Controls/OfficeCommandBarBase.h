// The container of a command bar's controls: owns them in a map keyed by id and finds them again.
#pragma once

#include <map>
#include <memory>

#include "__Controls/OfficeControlBase.h"

class COfficeCommandBarBase {
public:
    COfficeCommandBarBase() = default;
    COfficeCommandBarBase(const COfficeCommandBarBase&) = delete;
    COfficeCommandBarBase& operator=(const COfficeCommandBarBase&) = delete;

    // Builds the bar (its XML) and its controls; throws on failure.
    virtual void create() = 0;
    // Destroys every control.
    virtual void remove();
    virtual ~COfficeCommandBarBase();

    // The control, or null when the bar has none with that id or tag.
    virtual COfficeControlBase* GetControl(int Id);
    virtual COfficeControlBase* GetControl(const WCHAR* pControlTag);
    // The control that Office reports to a callback.
    virtual COfficeControlBase* GetControl(IDispatch* pRibbonControl) = 0;

protected:
    // Takes ownership; an id can be entered once.
    void AddControl(COfficeControlBase* pControl);

    std::map<int, std::unique_ptr<COfficeControlBase>> m_controlsMap;
};
