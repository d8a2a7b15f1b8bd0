// The add-in designer type library's connection interface (MSADDNDR.DLL), as the type-library import
// generates it with raw interfaces only: Office calls it on every COM add-in it loads. Only what Vantora
// uses. The modes are the library's: the extra ones of the .NET Extensibility assembly (Solution, UISetup)
// are not in it.
#pragma once

#include <windows.h>
#include <oleauto.h>

namespace AddInDesignerObjects {

enum ext_ConnectMode {
    ext_cm_AfterStartup = 0,
    ext_cm_Startup = 1,
    ext_cm_External = 2,
    ext_cm_CommandLine = 3,
};

enum ext_DisconnectMode {
    ext_dm_HostShutdown = 0,
    ext_dm_UserClosed = 1,
};

struct _IDTExtensibility2;

} // namespace AddInDesignerObjects

__CRT_UUID_DECL(AddInDesignerObjects::_IDTExtensibility2, 0xB65AD801, 0xABAF, 0x11D0, 0xBB, 0x8B, 0x00, 0xA0, 0xC9,
                0x0F, 0x27, 0x44)

namespace AddInDesignerObjects {

MIDL_INTERFACE("B65AD801-ABAF-11D0-BB8B-00A0C90F2744") _IDTExtensibility2 : public IDispatch
{
    virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                                                   IDispatch* AddInInst, SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};

} // namespace AddInDesignerObjects
