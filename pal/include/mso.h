// Vantora platform layer: declares only what Vantora uses of the Office type library: the ribbon
// extensibility interfaces, with Office's ids and method order. On Windows they come from the header
// generated from the Office type library; the host implements IRibbonUI and IRibbonControl.
#pragma once

#include "pal/com.h"
#include "pal/variant.h"

// What Outlook calls on the add-in to fetch the customUI XML of a ribbon.
DECLARE_INTERFACE_IID(IRibbonExtensibility, IDispatch, "000C0396-0000-0000-C000-000000000046")
{
    virtual HRESULT GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) = 0;
};

// The control that a ribbon callback is about; Id is the XML id attribute of the control.
DECLARE_INTERFACE_IID(IRibbonControl, IDispatch, "000C0395-0000-0000-C000-000000000046")
{
    virtual HRESULT get_Id(BSTR* Id) = 0;
    virtual HRESULT get_Context(IDispatch** Context) = 0;
    virtual HRESULT get_Tag(BSTR* Tag) = 0;
};

// Handed to the customUI onLoad callback; invalidation makes Office call back for fresh values.
DECLARE_INTERFACE_IID(IRibbonUI, IDispatch, "000C03A7-0000-0000-C000-000000000046")
{
    virtual HRESULT Invalidate() = 0;
    virtual HRESULT InvalidateControl(BSTR ControlID) = 0;
    virtual HRESULT InvalidateControlMso(BSTR ControlID) = 0;
    virtual HRESULT ActivateTab(BSTR ControlID) = 0;
    virtual HRESULT ActivateTabMso(BSTR ControlID) = 0;
    virtual HRESULT ActivateTabQ(BSTR ControlID, BSTR Namespace) = 0;
};

#define IID_IRibbonExtensibility __uuidof(IRibbonExtensibility)
#define IID_IRibbonControl __uuidof(IRibbonControl)
#define IID_IRibbonUI __uuidof(IRibbonUI)

// The generated header puts the Office types in the namespace Office.
namespace Office {
using ::IRibbonControl;
using ::IRibbonExtensibility;
using ::IRibbonUI;
} // namespace Office
