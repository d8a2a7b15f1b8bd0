// A small add-in module for the end-to-end tests of vantora show: loaded through the registry like the real
// one, it shows the sender of a mail in a label, hides its tab for items that are not mail, and finishes a
// "request" on a polling timer that invalidates a label when it stops.
#include <windows.h>

#include <atlbase.h>
#include <atlcom.h>
#include <msaddndr.h>
#include <mso.h>
#include <ocidl.h>
#include <outlook.h>

#include <atomic>
#include <string>

#include "pal/host.h"
#include "pal/com_object.h"

namespace {

std::atomic<long> g_objects{0};

const char kCustomUI[] =
    "<customUI xmlns=\"http://schemas.microsoft.com/office/2006/01/customui\" onLoad=\"OnLoadCB\"><ribbon><tabs>"
    "<tab id=\"_Office_Addin_Ctrl_Tag_1000\" getLabel=\"GetLabelCB\" getVisible=\"GetIsVisibleCB\">"
    "<group id=\"_Office_Addin_Ctrl_Tag_1071\" getLabel=\"GetLabelCB\" getVisible=\"GetIsVisibleCB\">"
    "<labelControl id=\"_Office_Addin_Ctrl_Tag_1073\" getLabel=\"GetLabelCB\" getVisible=\"GetIsVisibleCB\"/>"
    "<button id=\"_Office_Addin_Ctrl_Tag_1076\" size=\"large\" showImage=\"true\" getLabel=\"GetLabelCB\" "
    "getSupertip=\"GetSuperTipCB\" getEnabled=\"GetIsEnabledCB\" onAction=\"OnActionCB\"/>"
    "</group></tab></tabs></ribbon></customUI>";

const char* const kNames[] = {"OnLoadCB", "GetLabelCB", "GetSuperTipCB", "GetIsVisibleCB", "GetIsEnabledCB",
                              "OnActionCB"};

class ShowAddin;
ShowAddin* g_addin = nullptr;

class Sink final : public pal::ComObject<IDispatch> {
public:
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
};

class ShowAddin final : public pal::ComObject<pal::ComEntry<AddInDesignerObjects::_IDTExtensibility2, IDispatch>,
                                              Office::IRibbonExtensibility> {
public:
    ShowAddin() { ++g_objects; g_addin = this; }
    ~ShowAddin() override { --g_objects; g_addin = nullptr; }

    HRESULT OnConnection(IDispatch* app, AddInDesignerObjects::ext_ConnectMode, IDispatch*, SAFEARRAY**) override
    {
        if (!app || FAILED(app->QueryInterface(__uuidof(Outlook::_Application), reinterpret_cast<void**>(&m_app))))
            return E_UNEXPECTED;
        m_app->ActiveExplorer(&m_explorer);
        CComPtr<IDispatch> sink;
        sink.Attach(new Sink);
        return AtlAdvise(m_explorer, sink, __uuidof(Outlook::ExplorerEvents_10), &m_cookie);
    }
    HRESULT OnDisconnection(AddInDesignerObjects::ext_DisconnectMode, SAFEARRAY**) override
    {
        StopTimer();
        AtlUnadvise(m_explorer, __uuidof(Outlook::ExplorerEvents_10), m_cookie);
        m_ui.Release();
        m_explorer.Release();
        m_app.Release();
        return S_OK;
    }
    HRESULT OnAddInsUpdate(SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT OnStartupComplete(SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT OnBeginShutdown(SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT GetCustomUI(BSTR, BSTR* xml) override
    {
        *xml = SysAllocString(pal::ToWide(kCustomUI).c_str());
        return S_OK;
    }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override
    {
        for (DISPID i = 0; i < DISPID(std::size(kNames)); ++i)
            if (pal::ToUtf8(names[0]) == kNames[i])
                return ids[0] = i + 1, S_OK;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) override
    {
        if (id < 1 || id > DISPID(std::size(kNames)) || !params || params->cArgs < 1)
            return DISP_E_MEMBERNOTFOUND;
        IDispatch* arg = params->rgvarg[params->cArgs - 1].pdispVal;
        std::string name = kNames[id - 1];
        if (name == "OnLoadCB")
            return arg->QueryInterface(__uuidof(Office::IRibbonUI), reinterpret_cast<void**>(&m_ui));
        CComPtr<Office::IRibbonControl> control;
        CComBSTR controlId;
        if (FAILED(arg->QueryInterface(__uuidof(Office::IRibbonControl), reinterpret_cast<void**>(&control))))
            return E_POINTER;
        control->get_Id(&controlId);
        std::string c = pal::ToUtf8(controlId.m_str);
        if (name == "OnActionCB") {
            // The status button asks its user, and shows the answer.
            int answer = MessageBoxW(nullptr, u"Mark the message as checked?", u"Fake", MB_YESNO | MB_ICONQUESTION);
            m_status = answer == IDYES ? "Marked" : "Not marked";
            Invalidate("_Office_Addin_Ctrl_Tag_1076");
            return S_OK;
        }
        if (name == "GetIsVisibleCB" || name == "GetIsEnabledCB") {
            result->vt = VT_BOOL;
            result->boolVal = name == "GetIsEnabledCB" || c != "_Office_Addin_Ctrl_Tag_1000" || m_mail ? VARIANT_TRUE
                                                                                                       : VARIANT_FALSE;
            return S_OK;
        }
        std::string text = name == "GetSuperTipCB" ? m_tip
                         : c == "_Office_Addin_Ctrl_Tag_1000" ? "Info"
                         : c == "_Office_Addin_Ctrl_Tag_1071" ? "Content"
                         : c == "_Office_Addin_Ctrl_Tag_1073" ? m_sender
                         : m_status;
        result->vt = VT_BSTR;
        result->bstrVal = text.empty() ? nullptr : SysAllocString(pal::ToWide(text).c_str());
        return S_OK;
    }

    void SelectionChange()
    {
        StopTimer();
        CComPtr<Outlook::Selection> selection;
        CComPtr<IDispatch> item;
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_INT;
        index.intVal = 1;
        m_mail.Release();
        if (SUCCEEDED(m_explorer->get_Selection(&selection)) && SUCCEEDED(selection->Item(index, &item)))
            item->QueryInterface(__uuidof(Outlook::_MailItem), reinterpret_cast<void**>(&m_mail));
        Invalidate("_Office_Addin_Ctrl_Tag_1000");
        if (!m_mail)
            return;
        CComBSTR sender;
        m_mail->get_SenderName(&sender);
        m_sender = "   " + (sender.m_str ? pal::ToUtf8(sender.m_str) : std::string());
        m_status = "Checking";
        m_tip = "";
        m_ticks = 0;
        Invalidate("_Office_Addin_Ctrl_Tag_1073");
        Invalidate("_Office_Addin_Ctrl_Tag_1076");
        m_timer = SetTimer(nullptr, 0, 10, &ShowAddin::Tick);
    }

private:
    void Invalidate(const char* id)
    {
        if (m_ui)
            m_ui->InvalidateControl(CComBSTR(pal::ToWide(id).c_str()));
    }
    void StopTimer()
    {
        if (m_timer)
            KillTimer(nullptr, m_timer);
        m_timer = 0;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ShowAddin* self = g_addin;
        if (!self || ++self->m_ticks < 3)
            return;
        self->m_status = "Done";
        self->m_tip = "No warnings\nAll requests answered";
        self->Invalidate("_Office_Addin_Ctrl_Tag_1076");
        self->StopTimer();
    }

    CComPtr<Outlook::_Application> m_app;
    CComPtr<Outlook::_Explorer> m_explorer;
    CComPtr<Office::IRibbonUI> m_ui;
    CComPtr<Outlook::_MailItem> m_mail;
    DWORD m_cookie = 0;
    UINT_PTR m_timer = 0;
    int m_ticks = 0;
    std::string m_sender, m_status, m_tip;
};

HRESULT Sink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    if (id == Outlook::dispidSelectionChange && g_addin)
        g_addin->SelectionChange();
    return S_OK;
}

class Factory final : public pal::ComObject<IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override
    {
        if (outer)
            return CLASS_E_NOAGGREGATION;
        CComPtr<IUnknown> addin;
        addin.Attach(static_cast<AddInDesignerObjects::_IDTExtensibility2*>(new ShowAddin));
        return addin->QueryInterface(riid, ppv);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }
};

} // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID, REFIID riid, void** ppv)
{
    CComPtr<IClassFactory> factory;
    factory.Attach(new Factory);
    return factory->QueryInterface(riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow()
{
    return g_objects == 0 ? S_OK : S_FALSE;
}
