#include "FakeAddin.h"

namespace show_test {

namespace {

const char* const kCallbacks[] = {"OnLoadCB",       "OnActionCB",     "GetImageCB",      "GetLabelCB",
                                  "GetToolTipCB",   "GetSuperTipCB",  "GetIsVisibleCB",  "GetIsEnabledCB",
                                  "GetItemCountCB", "GetItemHeightCB", "GetItemWidthCB", "GetItemLabelCB",
                                  "GetItemImageCB", "GetItemScreenTipCB", "GetItemSuperTipCB"};
const DISPID kFirstId = 100;

FakeAddin* g_timerOwner = nullptr;

void ReturnString(VARIANT* result, const std::string& text)
{
    result->vt = VT_BSTR;
    std::u16string wide = pal::ToWide(text);
    result->bstrVal = text.empty() ? nullptr : SysAllocStringLen(wide.data(), UINT(wide.size()));
}

} // namespace

HRESULT FakeSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*)
{
    EXPECT_EQ(id, Outlook::dispidSelectionChange);
    EXPECT_TRUE(params && params->cArgs == 0);
    if (id == Outlook::dispidSelectionChange)
        m_owner->SelectionChanged();
    return S_OK;
}

HRESULT FakeAddin::OnConnection(IDispatch* app, AddInDesignerObjects::ext_ConnectMode mode, IDispatch* instance,
                                SAFEARRAY** custom)
{
    EXPECT_EQ(mode, AddInDesignerObjects::ext_cm_Startup);
    EXPECT_TRUE(custom);
    CComPtr<IUnknown> self, other;
    QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&self));
    if (instance)
        instance->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&other));
    EXPECT_EQ(self.p, other.p) << "the add-in instance is the add-in itself";
    if (!app || FAILED(app->QueryInterface(__uuidof(Outlook::_Application), reinterpret_cast<void**>(&application))))
        return E_UNEXPECTED;
    application->ActiveExplorer(&explorer);
    CComPtr<IConnectionPointContainer> container;
    CComPtr<IConnectionPoint> point;
    CComPtr<IDispatch> sink;
    sink.Attach(new FakeSink(this));
    HRESULT hr = explorer->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    if (SUCCEEDED(hr))
        hr = container->FindConnectionPoint(__uuidof(Outlook::ExplorerEvents_10), &point);
    if (SUCCEEDED(hr))
        hr = point->Advise(sink, &cookie);
    return hr;
}

HRESULT FakeAddin::OnDisconnection(AddInDesignerObjects::ext_DisconnectMode mode, SAFEARRAY**)
{
    EXPECT_EQ(mode, AddInDesignerObjects::ext_dm_HostShutdown);
    StopTimer();
    CComPtr<IConnectionPointContainer> container;
    CComPtr<IConnectionPoint> point;
    if (explorer && SUCCEEDED(explorer->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) &&
        SUCCEEDED(container->FindConnectionPoint(__uuidof(Outlook::ExplorerEvents_10), &point))) {
        EXPECT_EQ(point->Unadvise(cookie), S_OK);
    }
    if (selectedItem) {
        selectedItem.p->AddRef();
        itemRefsAtDisconnection = selectedItem.p->Release();
    }
    selectedItem.Release();
    ribbonUI.Release();
    lastContext.Release();
    explorer.Release();
    application.Release();
    disconnected = true;
    return S_OK;
}

HRESULT FakeAddin::GetCustomUI(BSTR id, BSTR* xml)
{
    ribbonId = id ? pal::ToUtf8(id) : "";
    std::u16string wide = pal::ToWide(m_customUI);
    *xml = SysAllocStringLen(wide.data(), UINT(wide.size()));
    return S_OK;
}

HRESULT FakeAddin::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    if (count != 1)
        return E_INVALIDARG;
    std::string name = pal::ToUtf8(names[0]);
    for (size_t i = 0; i < std::size(kCallbacks); ++i)
        if (name == kCallbacks[i]) {
            ids[0] = kFirstId + DISPID(i);
            return S_OK;
        }
    ids[0] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT FakeAddin::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*)
{
    if (id < kFirstId || id >= kFirstId + DISPID(std::size(kCallbacks)) || !params || !result)
        return DISP_E_MEMBERNOTFOUND;
    Call call;
    call.name = kCallbacks[id - kFirstId];
    bool item = call.name.rfind("GetItem", 0) == 0 && call.name != "GetItemCountCB" &&
                call.name != "GetItemHeightCB" && call.name != "GetItemWidthCB";
    UINT expected = item ? 2 : 1;
    if (flags != DISPATCH_METHOD || params->cArgs != expected || params->cNamedArgs != 0)
        argumentErrors.push_back(call.name + ": argument count or flags");
    if (params->cArgs < 1)
        return DISP_E_BADPARAMCOUNT;
    // The control (or the IRibbonUI of OnLoadCB) is the last element; a gallery index the first.
    const VARIANT& last = params->rgvarg[params->cArgs - 1];
    if (last.vt != VT_DISPATCH || !last.pdispVal) {
        argumentErrors.push_back(call.name + ": the last argument is not a dispatch object");
        return DISP_E_TYPEMISMATCH;
    }
    if (call.name == "OnLoadCB") {
        HRESULT hr = last.pdispVal->QueryInterface(__uuidof(Office::IRibbonUI), reinterpret_cast<void**>(&ribbonUI));
        calls.push_back(call);
        return hr;
    }
    CComPtr<Office::IRibbonControl> control;
    if (FAILED(last.pdispVal->QueryInterface(__uuidof(Office::IRibbonControl), reinterpret_cast<void**>(&control)))) {
        argumentErrors.push_back(call.name + ": no IRibbonControl");
        return E_POINTER;
    }
    CComBSTR controlId, tag;
    control->get_Id(&controlId);
    control->get_Tag(&tag);
    tagWasNull = tagWasNull && !tag.m_str;
    lastContext.Release();
    control->get_Context(&lastContext);
    call.control = controlId.m_str ? pal::ToUtf8(controlId.m_str) : "";
    if (item) {
        if (params->rgvarg[0].vt != VT_I4)
            argumentErrors.push_back(call.name + ": the index is not VT_I4 in rgvarg[0]");
        call.index = params->rgvarg[0].lVal;
    }
    calls.push_back(call);
    const std::string& c = call.control;
    if (call.name == "GetLabelCB")
        ReturnString(result, labels.count(c) ? labels[c] : "");
    else if (call.name == "GetSuperTipCB" || call.name == "GetItemSuperTipCB")
        ReturnString(result, supertips.count(c) ? supertips[c] + (item ? " " + std::to_string(call.index) : "") : "");
    else if (call.name == "GetToolTipCB" || call.name == "GetItemScreenTipCB")
        ReturnString(result, "Details");
    else if (call.name == "GetIsVisibleCB" || call.name == "GetIsEnabledCB") {
        auto& values = call.name == "GetIsVisibleCB" ? visible : enabled;
        result->vt = VT_BOOL;
        result->boolVal = !values.count(c) || values[c] ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (call.name == "GetItemCountCB") {
        result->vt = VT_I4;
        result->lVal = itemCounts.count(c) ? itemCounts[c] : 0;
    } else if (call.name == "GetItemHeightCB" || call.name == "GetItemWidthCB") {
        result->vt = VT_I4;
        result->lVal = call.name == "GetItemHeightCB" ? 20 : 90;
    }
    return S_OK;
}

void FakeAddin::SelectionChanged()
{
    ++selectionChanges;
    selectedItem.Release();
    CComPtr<Outlook::Selection> selection;
    long count = 0;
    if (explorer && SUCCEEDED(explorer->get_Selection(&selection)) && SUCCEEDED(selection->get_Count(&count)) && count) {
        VARIANT index;
        VariantInit(&index);
        index.vt = VT_INT;
        index.intVal = 1;
        selection->Item(index, &selectedItem);
    }
    CComPtr<Outlook::_MailItem> mail;
    selectedIsMail = selectedItem &&
                     SUCCEEDED(selectedItem->QueryInterface(__uuidof(Outlook::_MailItem), reinterpret_cast<void**>(&mail)));
    if (onSelection)
        onSelection(*this);
}

void FakeAddin::StartTimer(std::function<bool(FakeAddin&)> tick)
{
    StopTimer();
    m_tick = std::move(tick);
    g_timerOwner = this;
    m_timer = SetTimer(nullptr, 0, 10, &FakeAddin::TimerProc);
}

void FakeAddin::StopTimer()
{
    if (m_timer)
        KillTimer(nullptr, m_timer);
    m_timer = 0;
}

void CALLBACK FakeAddin::TimerProc(HWND, UINT, UINT_PTR, DWORD)
{
    FakeAddin* self = g_timerOwner;
    if (self && self->m_tick && !self->m_tick(*self))
        self->StopTimer();
}

size_t FakeAddin::CallsOf(const std::string& name, const std::string& control) const
{
    size_t n = 0;
    for (const Call& c : calls)
        n += c.name == name && (control.empty() || c.control == control);
    return n;
}

} // namespace show_test
