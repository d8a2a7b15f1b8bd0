// A fake add-in for the ribbon host: the connection interface, the ribbon extensibility, and a dispatch
// interface that answers a few callbacks by name from values the test sets. It records every callback
// with its arguments as they arrived, advises a sink on the Explorer and counts SelectionChange.
#pragma once

#include <gtest/gtest.h>

#include <atlbase.h>
#include <msaddndr.h>
#include <mso.h>
#include <ocidl.h>
#include <outlook.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "pal/host.h"
#include "pal/com_object.h"

namespace show_test {

struct Call {
    std::string name;
    std::string control; // the IRibbonControl's id
    int index = -1;      // rgvarg[0] of the item callbacks
};

class FakeAddin;

class FakeSink final : public pal::ComObject<IDispatch> {
public:
    explicit FakeSink(FakeAddin* owner) : m_owner(owner) {}
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    FakeAddin* m_owner;
};

class FakeAddin final : public pal::ComObject<pal::ComEntry<AddInDesignerObjects::_IDTExtensibility2, IDispatch>,
                                              Office::IRibbonExtensibility> {
public:
    explicit FakeAddin(std::string customUI) : m_customUI(std::move(customUI)) {}

    // What the callbacks answer, by control id.
    std::map<std::string, std::string> labels, supertips;
    std::map<std::string, bool> visible, enabled;
    std::map<std::string, int> itemCounts;
    // Run on every SelectionChange after the selected item was taken.
    std::function<void(FakeAddin&)> onSelection;

    std::vector<Call> calls;
    int selectionChanges = 0;
    CComPtr<Office::IRibbonUI> ribbonUI;
    CComPtr<IDispatch> selectedItem;     // the first selected item, kept as the add-in keeps its mail item
    bool selectedIsMail = false;
    ULONG itemRefsAtDisconnection = 0;   // the kept item's references when the host shut the add-in down
    CComPtr<IDispatch> lastContext;      // IRibbonControl::get_Context of the last callback
    bool tagWasNull = true;
    std::vector<std::string> argumentErrors; // callbacks whose arguments were not as Office passes them
    bool disconnected = false;

    void SelectionChanged();
    // Starts a Win32 timer that calls tick every 10 ms until tick returns false.
    void StartTimer(std::function<bool(FakeAddin&)> tick);
    void StopTimer();
    size_t CallsOf(const std::string& name, const std::string& control = "") const;

    // _IDTExtensibility2
    HRESULT OnConnection(IDispatch* application, AddInDesignerObjects::ext_ConnectMode mode, IDispatch* instance,
                         SAFEARRAY** custom) override;
    HRESULT OnDisconnection(AddInDesignerObjects::ext_DisconnectMode mode, SAFEARRAY** custom) override;
    HRESULT OnAddInsUpdate(SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT OnStartupComplete(SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT OnBeginShutdown(SAFEARRAY**) override { return E_NOTIMPL; }
    // IRibbonExtensibility
    HRESULT GetCustomUI(BSTR ribbonId, BSTR* xml) override;
    // IDispatch: the callbacks
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                   UINT*) override;

    CComPtr<Outlook::_Application> application;
    CComPtr<Outlook::_Explorer> explorer;
    DWORD cookie = 0;
    std::string ribbonId;

private:
    std::string m_customUI;
    UINT_PTR m_timer = 0;
    std::function<bool(FakeAddin&)> m_tick;
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
};

} // namespace show_test
