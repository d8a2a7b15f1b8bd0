// The add-in's COM server module: its class ids, its type library id and its AppID script. The exports
// that use it are in VantoraAddin.cpp.
#pragma once

#include <windows.h>
#include <atlbase.h>
#include <atlcom.h>
#include <olectl.h>

#include "res/resource.h"

// Ids of the type library (res/VantoraAddin.idl).
struct VantoraAddinLib;
__CRT_UUID_DECL(VantoraAddinLib, 0x9F5DAF14, 0xB0F6, 0x4C74, 0x8A, 0xBE, 0x98, 0x6A, 0x1B, 0x71, 0x3D, 0xEB)
struct Connect;
__CRT_UUID_DECL(Connect, 0xF8158EA8, 0xAA22, 0x4DE7, 0xA9, 0x07, 0xE2, 0xC8, 0x48, 0x0F, 0xD7, 0xE1)
struct IConnect;
__CRT_UUID_DECL(IConnect, 0x214F3170, 0xC585, 0x458D, 0xB3, 0x94, 0xEA, 0x83, 0xED, 0x80, 0x3E, 0xA2)
struct IRibbonCallback;
__CRT_UUID_DECL(IRibbonCallback, 0x6ED1230D, 0x65E6, 0x436E, 0xBA, 0x20, 0x83, 0x90, 0x03, 0x3A, 0xA4, 0xF7)

// The ids above as named constants, for the templates that take their address.
extern const GUID LIBID_VantoraAddinLib;
extern const CLSID CLSID_Connect;
extern const IID IID_IConnect;
extern const IID IID_IRibbonCallback;

// The add-in's own interfaces, as the type library declares them.
MIDL_INTERFACE("214F3170-C585-458D-B394-EA83ED803EA2") IConnect : public IDispatch {};

MIDL_INTERFACE("6ED1230D-65E6-436E-BA20-8390033AA4F7") IRibbonCallback : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE OnLoadCB(IDispatch* pRibbon) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnActionCB(IDispatch* pRibbonControl) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetImageCB(IDispatch* pRibbonControl, IPictureDisp** ppImage) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLabelCB(IDispatch* pRibbonControl, BSTR* pBstrValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetToolTipCB(IDispatch* pRibbonControl, BSTR* pBstrValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetSuperTipCB(IDispatch* pRibbonControl, BSTR* pBstrValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIsVisibleCB(IDispatch* pRibbonControl, VARIANT_BOOL* pValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIsEnabledCB(IDispatch* pRibbonControl, VARIANT_BOOL* pValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemCountCB(IDispatch* pRibbonControl, long* pCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemHeightCB(IDispatch* pRibbonControl, long* pHeight) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemWidthCB(IDispatch* pRibbonControl, long* pWidth) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemLabelCB(IDispatch* pRibbonControl, long cIndex, BSTR* pBstrValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemImageCB(IDispatch* pRibbonControl, long cIndex,
                                                     IPictureDisp** ppImage) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemScreenTipCB(IDispatch* pRibbonControl, long cIndex,
                                                         BSTR* pBstrValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetItemSuperTipCB(IDispatch* pRibbonControl, long cIndex,
                                                        BSTR* pBstrValue) = 0;
};

class CVantoraAddinModule : public ATL::CAtlDllModuleT<CVantoraAddinModule> {
public:
    DECLARE_LIBID(__uuidof(VantoraAddinLib))
    DECLARE_REGISTRY_APPID_RESOURCEID(IDR_VANTORAADDIN, "{2A664214-3887-463E-89BD-70F309448741}")
};

extern CVantoraAddinModule _AtlModule;
