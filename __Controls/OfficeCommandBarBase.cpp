// Ownership and lookup of a command bar's controls.
#include "__Controls/OfficeCommandBarBase.h"

COfficeCommandBarBase::~COfficeCommandBarBase() = default;

void COfficeCommandBarBase::remove()
{
    // Control destructors do not throw, so no control can stop the others from being destroyed.
    m_controlsMap.clear();
}

COfficeControlBase* COfficeCommandBarBase::GetControl(int Id)
{
    VTR_CHECK_QUOTED(Id > 0, E_INVALIDARG);
    auto found = m_controlsMap.find(Id);
    return found == m_controlsMap.end() ? nullptr : found->second.get();
}

COfficeControlBase* COfficeCommandBarBase::GetControl(const WCHAR* pControlTag)
{
    VTR_CHECK_TEXT(pControlTag && *pControlTag, "pControlTag", E_INVALIDARG);
    for (const auto& entry : m_controlsMap)
        if (entry.second && wcscmp(entry.second->Tag(), pControlTag) == 0)
            return entry.second.get();
    return nullptr;
}

void COfficeCommandBarBase::AddControl(COfficeControlBase* pControl)
{
    std::unique_ptr<COfficeControlBase> control(pControl);
    VTR_CHECK(control, E_INVALIDARG);
    // Ids are unique in a layout; a second entry would orphan the first control's XML element.
    VTR_CHECK(m_controlsMap.count(control->ID()) == 0, E_UNEXPECTED);
    m_controlsMap.emplace(control->ID(), std::move(control));
}
