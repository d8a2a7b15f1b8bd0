// The Office type library's ribbon extensibility interfaces, as the type-library import generates them with
// raw interfaces only (Office's ids, method order and the namespace Office). Only what Vantora uses; Outlook
// implements IRibbonUI and IRibbonControl.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace Office {

struct IRibbonUI;
struct IRibbonControl;
struct IRibbonExtensibility;

} // namespace Office

__CRT_UUID_DECL(Office::IRibbonUI, 0x000C03A7, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(Office::IRibbonControl, 0x000C0395, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(Office::IRibbonExtensibility, 0x000C0396, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x46)

namespace Office {

// Handed to the customUI onLoad callback; invalidation makes Office call back for fresh values. Office 2007
// has only Invalidate and InvalidateControl: the four after them came with Office 2010, and calling one on
// 2007 reads past the end of its vtable.
MIDL_INTERFACE("000C03A7-0000-0000-C000-000000000046") IRibbonUI : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE Invalidate() = 0;
    virtual HRESULT STDMETHODCALLTYPE InvalidateControl(BSTR ControlID) = 0;
    virtual HRESULT STDMETHODCALLTYPE InvalidateControlMso(BSTR ControlID) = 0;
    virtual HRESULT STDMETHODCALLTYPE ActivateTab(BSTR ControlID) = 0;
    virtual HRESULT STDMETHODCALLTYPE ActivateTabMso(BSTR ControlID) = 0;
    virtual HRESULT STDMETHODCALLTYPE ActivateTabQ(BSTR ControlID, BSTR Namespace) = 0;
};

// The control that a ribbon callback is about; Id is the XML id attribute of the control.
MIDL_INTERFACE("000C0395-0000-0000-C000-000000000046") IRibbonControl : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE get_Id(BSTR* Id) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Context(IDispatch** Context) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Tag(BSTR* Tag) = 0;
};

// What Outlook calls on the add-in to fetch the customUI XML of a ribbon.
MIDL_INTERFACE("000C0396-0000-0000-C000-000000000046") IRibbonExtensibility : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR RibbonID, BSTR* RibbonXml) = 0;
};

} // namespace Office
