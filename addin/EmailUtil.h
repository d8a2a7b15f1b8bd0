// Small building blocks of the e-mail model: paging of the ribbon's three rows over a list (CTopRow), the
// location result chosen per row (CMenuSelect), and owners of MAPI result buffers (CEmailProp for one
// property, CEmailRowSetProp for one table row). MAPI buffers are released with the MAPI library's own
// free function, which the owner of the message hands to every holder.
#pragma once

#include <windows.h>
#include <mapix.h>

#include <algorithm>
#include <vector>

#include "__Utilities/ErrorInfo.h"

// The index of the first of the three visible rows over the list the derived class owns.
template <class TControl>
class CTopRow {
public:
    explicit CTopRow(TControl& control) noexcept : m_control(control) {}
    // The reference would point into the object copied from.
    CTopRow(const CTopRow&) = delete;
    CTopRow& operator=(const CTopRow&) = delete;

    int GetTopRow() const
    {
        using std::max;
        VTR_CHECK_QUOTED((int) m_topRow <= max(0, (int) m_control.size() - 3), E_UNEXPECTED);
        return m_topRow;
    }

    // Rows beyond the end show the last three elements; a negative row shows the first three.
    void SetTopRow(int row)
    {
        VTR_CHECK_QUOTED(m_control.size() > 3, E_UNEXPECTED);
        m_topRow = row < 0 ? 0 : (std::min)(row, (int) m_control.size() - 3);
    }

protected:
    // For a list that was emptied or refilled.
    void ResetTopRow() noexcept { m_topRow = 0; }

    TControl& m_control;
    int m_topRow = 0;
};

// For every element of the list, the index of the location record (in the element's locationInfo) that
// its row shows.
template <class TControl>
class CMenuSelect {
public:
    explicit CMenuSelect(TControl& control) noexcept : m_control(control) {}
    CMenuSelect(const CMenuSelect&) = delete;
    CMenuSelect& operator=(const CMenuSelect&) = delete;

    int GetMenuChoice(int menu) const
    {
        VTR_CHECK_QUOTED(m_menuSelection.size() == m_control.size(), E_UNEXPECTED);
        VTR_CHECK_QUOTED((menu >= 0) && (menu < (int) m_menuSelection.size()), E_INVALIDARG);
        return m_menuSelection[menu];
    }

    void SetMenuChoice(int menu, int menuChoice)
    {
        VTR_CHECK_QUOTED(m_menuSelection.size() == m_control.size(), E_UNEXPECTED);
        VTR_CHECK_QUOTED((menu >= 0) && (menu < (int) m_menuSelection.size()), E_INVALIDARG);
        VTR_CHECK_QUOTED((menuChoice >= 0) && (menuChoice < (int) m_control[menu].locationInfo.size()), E_INVALIDARG);
        m_menuSelection[menu] = menuChoice;
    }

protected:
    // After the list changed: one choice per element, new elements show their first record.
    void ResizeMenuChoices() { m_menuSelection.resize(m_control.size(), 0); }
    void ClearMenuChoices() noexcept { m_menuSelection.clear(); }

    TControl& m_control;
    std::vector<int> m_menuSelection;
};

// One property of one MAPI object, read with GetProps; the result buffer is released on destruction.
class CEmailProp {
public:
    // With tolerateFailure, a GetProps status other than S_OK (also the warning for a missing property)
    // returns at once: the caller inspects GetValue(), which is null or may carry an error-typed tag.
    CEmailProp(IMAPIProp* pMapiProp, ULONG propTag, LPMAPIFREEBUFFER fnFreeBuff, bool tolerateFailure = false);
    ~CEmailProp();
    CEmailProp(const CEmailProp&) = delete;
    CEmailProp& operator=(const CEmailProp&) = delete;

    // The held value (tag, then the value), or null.
    LPSPropValue GetValue() const noexcept { return m_pPropValue; }

private:
    void Release() noexcept;

    LPSPropValue m_pPropValue = nullptr;
    SPropTagArray m_propTags = {1, {0}};
    LPMAPIFREEBUFFER fnFreeBuffer = nullptr;
};

// One row read from a MAPI table: QueryRows fills it through the address-of operator; every row's values
// and the row set are released on destruction.
class CEmailRowSetProp {
public:
    explicit CEmailRowSetProp(LPMAPIFREEBUFFER fnFreeBuff);
    ~CEmailRowSetProp();
    CEmailRowSetProp(const CEmailRowSetProp&) = delete;
    CEmailRowSetProp& operator=(const CEmailRowSetProp&) = delete;

    // Where QueryRows stores the row set; the holder must be empty.
    LPSRowSet* operator&();
    operator LPSRowSet() const noexcept { return m_pRowSet; }
    LPSRowSet operator->() const noexcept { return m_pRowSet; }

    // The value with the given tag in the one row held; throws when there is none.
    LPSPropValue GetValue(ULONG propTag) const;

private:
    LPSRowSet m_pRowSet = nullptr;
    LPMAPIFREEBUFFER fnFreeBuffer = nullptr;
};
