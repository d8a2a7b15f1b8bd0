// IRibbonUI and IRibbonControl of the host, and the asking of the controls through the add-in's callbacks.
#include "host/ribbon/RibbonHost.h"

#include "pal/gdi.h"
#include "pal/host.h"
#include "pal/src/common/ComObject.h"

namespace ribbon {

namespace {

#define RIBBON_NO_TYPE_INFO                                                                                  \
    HRESULT GetTypeInfoCount(UINT* count) override { return count ? (*count = 0, S_OK) : E_POINTER; }         \
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }                              \
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }    \
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override            \
    {                                                                                                        \
        return DISP_E_MEMBERNOTFOUND;                                                                        \
    }

class CRibbonUI final : public pal::ComObject<pal::ComEntry<Office::IRibbonUI, IDispatch>> {
public:
    explicit CRibbonUI(RibbonHost* host) : m_host(host) {}
    void Detach() { m_host = nullptr; }
    RIBBON_NO_TYPE_INFO
    HRESULT Invalidate() override
    {
        if (!m_host)
            return E_UNEXPECTED;
        m_host->InvalidateAll();
        return S_OK;
    }
    HRESULT InvalidateControl(BSTR id) override
    {
        if (!m_host)
            return E_UNEXPECTED;
        return id && m_host->Invalidate(pal::ToUtf8(id)) ? S_OK : E_INVALIDARG;
    }
    HRESULT InvalidateControlMso(BSTR) override { return E_NOTIMPL; }
    HRESULT ActivateTab(BSTR) override { return E_NOTIMPL; }
    HRESULT ActivateTabMso(BSTR) override { return E_NOTIMPL; }
    HRESULT ActivateTabQ(BSTR, BSTR) override { return E_NOTIMPL; }

private:
    RibbonHost* m_host; // the host outlives the add-in's use of its ribbon, and detaches otherwise
};

class CRibbonControl final : public pal::ComObject<pal::ComEntry<Office::IRibbonControl, IDispatch>> {
public:
    CRibbonControl(const std::string& id, IDispatch* context) : m_id(pal::ToWide(id)), m_context(context) {}
    RIBBON_NO_TYPE_INFO
    HRESULT get_Id(BSTR* out) override
    {
        if (!out)
            return E_POINTER;
        *out = SysAllocStringLen(m_id.data(), UINT(m_id.size()));
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT get_Context(IDispatch** out) override
    {
        if (!out)
            return E_POINTER;
        *out = m_context;
        if (*out)
            (*out)->AddRef();
        return S_OK;
    }
    HRESULT get_Tag(BSTR* out) override { return out ? (*out = nullptr, S_OK) : E_POINTER; }

private:
    std::u16string m_id;
    CComPtr<IDispatch> m_context;
};

std::string Hex(HRESULT hr)
{
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%08X", unsigned(hr));
    return buf;
}

bool IsControl(const Control& c) { return c.kind != "menu" || !c.id.empty(); }

void MarkDirty(Control& control)
{
    control.dirty = true;
    for (Control& child : control.children)
        MarkDirty(child);
}

// Only what a refresh would ask: the children of a hidden control wait until it is shown.
bool AnyDirtyIn(const std::vector<Control>& controls)
{
    for (const Control& c : controls)
        if (c.dirty || (c.visible && AnyDirtyIn(c.children)))
            return true;
    return false;
}

} // namespace

HRESULT CallbackCaller::Call(const std::string& name, const std::vector<VARIANT>& args, VARIANT* result)
{
    auto it = m_ids.find(name);
    if (it == m_ids.end()) {
        std::u16string wide = pal::ToWide(name);
        LPOLESTR names[1] = {wide.data()};
        DISPID id = DISPID_UNKNOWN;
        HRESULT hr = m_addin->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr))
            return hr;
        it = m_ids.emplace(name, id).first;
    }
    // DISPPARAMS holds the arguments last to first.
    std::vector<VARIANT> reversed(args.size());
    for (size_t i = 0; i < args.size(); ++i) {
        VariantInit(&reversed[args.size() - 1 - i]);
        VariantCopy(&reversed[args.size() - 1 - i], &args[i]);
    }
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, UINT(reversed.size()), 0};
    EXCEPINFO excep = {};
    UINT argErr = 0;
    VariantInit(result);
    HRESULT hr = m_addin->Invoke(it->second, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                                 &excep, &argErr);
    for (VARIANT& v : reversed)
        VariantClear(&v);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    // A callback's own failure comes back as an exception that carries its code: report that code.
    if (hr == DISP_E_EXCEPTION && FAILED(excep.scode))
        return excep.scode;
    return hr;
}

RibbonHost::RibbonHost(IDispatch* addin, IDispatch* context) : m_caller(addin), m_context(context)
{
    m_ui.Attach(new CRibbonUI(this));
}

RibbonHost::~RibbonHost()
{
    static_cast<CRibbonUI*>(m_ui.p)->Detach();
}

bool RibbonHost::Load(const std::string& customUI, std::string& error)
{
    return ParseCustomUI(customUI, m_ribbon, error);
}

HRESULT RibbonHost::CallOnLoad()
{
    if (m_ribbon.onLoad.empty())
        return S_FALSE;
    VARIANT ui;
    VariantInit(&ui);
    ui.vt = VT_DISPATCH;
    ui.pdispVal = m_ui;
    VARIANT result;
    HRESULT hr = m_caller.Call(m_ribbon.onLoad, {ui}, &result);
    VariantClear(&result);
    return hr;
}

void RibbonHost::Refresh()
{
    for (Control& tab : m_ribbon.tabs)
        Refresh(tab);
}

void RibbonHost::Refresh(Control& control)
{
    // Cleared before asking, so that an invalidation made inside a callback is not lost.
    bool dirty = control.dirty;
    control.dirty = false;
    if (dirty && IsControl(control)) {
        bool wasVisible = control.visible;
        Ask(control);
        // Children of a control that comes into view are asked afresh, as the ribbon draws them then.
        if (control.visible && !wasVisible)
            for (Control& child : control.children)
                MarkDirty(child);
    }
    if (!control.visible)
        return;
    for (Control& child : control.children)
        Refresh(child);
}

bool RibbonHost::AnyDirty() const
{
    return AnyDirtyIn(m_ribbon.tabs);
}

void RibbonHost::InvalidateAll()
{
    for (Control& tab : m_ribbon.tabs)
        MarkDirty(tab);
}

bool RibbonHost::Invalidate(const std::string& id)
{
    Control* c = FindControl(m_ribbon, id);
    if (!c)
        return false;
    c->dirty = true;
    return true;
}

HRESULT RibbonHost::Press(const std::string& name, std::string& error)
{
    bool number = !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
    std::string id = number ? "_Office_Addin_Ctrl_Tag_" + name : name;
    Control* control = FindControl(m_ribbon, id);
    if (!control) {
        error = "no control " + name + " on the tab";
        return E_INVALIDARG;
    }
    if (control->Attribute("onAction").empty()) {
        error = "control " + name + " has no action";
        return E_INVALIDARG;
    }
    VARIANT result;
    HRESULT hr = Call(*control, "onAction", -1, &result);
    VariantClear(&result);
    if (FAILED(hr))
        error = "pressing " + name + ": " + Hex(hr);
    return hr;
}

HRESULT RibbonHost::Call(Control& control, const char* attribute, int index, VARIANT* result)
{
    VariantInit(result);
    std::string name = control.Attribute(attribute);
    if (name.empty())
        return S_FALSE;
    std::vector<VARIANT> args(index >= 0 ? 2 : 1);
    VariantInit(&args[0]);
    args[0].vt = VT_DISPATCH;
    args[0].pdispVal = new CRibbonControl(control.id, m_context);
    if (index >= 0) {
        VariantInit(&args[1]);
        args[1].vt = VT_I4;
        args[1].lVal = index;
    }
    HRESULT hr = m_caller.Call(name, args, result);
    VariantClear(&args[0]);
    if (FAILED(hr)) {
        control.errors.push_back(name + (index >= 0 ? "(" + std::to_string(index) + ")" : std::string()) + ": " +
                                 Hex(hr));
        VariantClear(result);
    }
    return hr;
}

HRESULT RibbonHost::CallString(Control& control, const char* attribute, std::optional<std::string>& out, int index)
{
    VARIANT v;
    HRESULT hr = Call(control, attribute, index, &v);
    if (SUCCEEDED(hr) && !control.Attribute(attribute).empty()) {
        // A null string (an empty text, for the add-in) shows nothing.
        if (v.vt == VT_BSTR && v.bstrVal)
            out = pal::ToUtf8(v.bstrVal);
        else
            out.reset();
    }
    VariantClear(&v);
    return hr;
}

HRESULT RibbonHost::CallBool(Control& control, const char* attribute, bool& out)
{
    VARIANT v;
    HRESULT hr = Call(control, attribute, -1, &v);
    if (SUCCEEDED(hr) && v.vt == VT_BOOL)
        out = v.boolVal != VARIANT_FALSE;
    VariantClear(&v);
    return hr;
}

HRESULT RibbonHost::CallInt(Control& control, const char* attribute, std::optional<int>& out)
{
    VARIANT v;
    HRESULT hr = Call(control, attribute, -1, &v);
    if (SUCCEEDED(hr) && v.vt != VT_EMPTY) {
        VARIANT n;
        VariantInit(&n);
        if (SUCCEEDED(VariantChangeType(&n, &v, 0, VT_I4)))
            out = int(n.lVal);
        VariantClear(&n);
    }
    VariantClear(&v);
    return hr;
}

HRESULT RibbonHost::CallPicture(Control& control, const char* attribute, std::optional<Picture>& out, int index)
{
    VARIANT v;
    HRESULT hr = Call(control, attribute, index, &v);
    if (SUCCEEDED(hr) && !control.Attribute(attribute).empty()) {
        out.reset();
        IUnknown* picture = v.vt == VT_DISPATCH ? v.pdispVal : v.vt == VT_UNKNOWN ? v.punkVal : nullptr;
        if (picture) {
            Picture p;
            LONG width = 0, height = 0;
            HRESULT got = pal::PicturePixels(picture, &width, &height, &p.pixels);
            p.width = width;
            p.height = height;
            if (SUCCEEDED(got))
                out = std::move(p);
            else
                control.errors.push_back(control.Attribute(attribute) + ": the picture's pixels: " + Hex(got));
        }
    }
    VariantClear(&v);
    return hr;
}

void RibbonHost::Ask(Control& control)
{
    control.errors.clear();
    CallBool(control, "getVisible", control.visible);
    if (!control.visible)
        return; // the ribbon asks nothing else of a control it does not show
    CallString(control, "getLabel", control.label);
    CallString(control, "getScreentip", control.screentip);
    CallString(control, "getSupertip", control.supertip);
    CallBool(control, "getEnabled", control.enabled);
    CallPicture(control, "getImage", control.image);
    if (control.Attribute("getItemCount").empty())
        return;
    control.items.clear();
    control.itemCount.reset();
    if (FAILED(CallInt(control, "getItemCount", control.itemCount)))
        return;
    // The item pictures are drawn at the size the add-in gives, so size first.
    CallInt(control, "getItemHeight", control.itemHeight);
    CallInt(control, "getItemWidth", control.itemWidth);
    int count = control.itemCount.value_or(0);
    for (int i = 0; i < count && i < 1000; ++i) {
        GalleryItem item;
        CallString(control, "getItemLabel", item.label, i);
        CallPicture(control, "getItemImage", item.image, i);
        CallString(control, "getItemScreentip", item.screentip, i);
        CallString(control, "getItemSupertip", item.supertip, i);
        control.items.push_back(std::move(item));
    }
}

} // namespace ribbon
