// IRibbonUI and IRibbonControl of the host, and the asking of the controls through the add-in's callbacks.
#include "host/ribbon/RibbonHost.h"

#include <algorithm>

#include "host/ribbon/PicturePixels.h"
#include "host/text/Utf.h"
#include "pal/com_object.h"

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
        return id && m_host->Invalidate(host::Utf8(id)) ? S_OK : E_INVALIDARG;
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
    CRibbonControl(const std::string& id, IDispatch* context) : m_id(host::Wide(id)), m_context(context) {}
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
    WString m_id;
    CComPtr<IDispatch> m_context;
};

std::string Hex(HRESULT hr)
{
    char buf[16];
    std::snprintf(buf, sizeof(buf), "0x%08X", unsigned(hr));
    return buf;
}

bool IsControl(const Control& c) { return c.kind != "menu" || !c.id.empty(); }

// A click or an opening names the control by its id or by the number that ends it ("1025").
std::string ControlId(const std::string& name)
{
    bool number = !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
    return number ? "_Office_Addin_Ctrl_Tag_" + name : name;
}

std::string Describe(const Control& c)
{
    long n = c.Number();
    return c.kind + " " + (n >= 0 ? std::to_string(n) : c.id);
}

// What Office forgets of a gallery's content when it is invalidated; its failures leave the errors with it.
void ClearContent(Control& c)
{
    c.errors.resize(c.errors.size() - std::min(c.contentErrors.size(), c.errors.size()));
    c.contentErrors.clear();
    c.itemCount.reset();
    c.itemWidth.reset();
    c.itemHeight.reset();
    c.items.clear();
    c.contentInvalid = true;
}

void Galleries(std::vector<Control>& controls, std::vector<std::string>& ids)
{
    for (Control& c : controls) {
        if (c.OpensForItems() && !c.id.empty())
            ids.push_back(c.id);
        Galleries(c.children, ids);
    }
}

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
        WString wide = host::Wide(name);
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
        // Older SDKs declare the source without const.
        VariantCopy(&reversed[args.size() - 1 - i], const_cast<VARIANT*>(&args[i]));
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

void RibbonHost::InvalidateContent(Control& control)
{
    if (!control.OpensForItems())
        return;
    // The gallery being opened keeps what it is being told; it is asked again at its next opening.
    if (&control == m_opening)
        control.contentInvalid = true;
    else
        ClearContent(control);
}

void RibbonHost::MarkInvalid(Control& control)
{
    control.dirty = true;
    InvalidateContent(control);
    for (Control& child : control.children)
        MarkInvalid(child);
}

void RibbonHost::InvalidateAll()
{
    for (Control& tab : m_ribbon.tabs)
        MarkInvalid(tab);
}

bool RibbonHost::Invalidate(const std::string& id)
{
    Control* c = FindControl(m_ribbon, id);
    if (!c)
        return false;
    c->dirty = true;
    InvalidateContent(*c);
    return true;
}

bool RibbonHost::Open(const std::string& name, std::string& reason)
{
    // A person opens the ribbon as it is drawn, with every invalidation followed.
    Refresh();
    std::vector<Control*> path = FindPath(m_ribbon, ControlId(name));
    if (path.empty()) {
        reason = "no control " + name + " on the tab";
        return false;
    }
    Control& gallery = *path.back();
    if (!gallery.OpensForItems()) {
        reason = Describe(gallery) + " is not a gallery";
        return false;
    }
    for (const Control* c : path) {
        std::string where = c == &gallery ? " is " : " is inside a ";
        // append() rather than "literal" + string&&, which GCC 12 warns of wrongly (-Wrestrict).
        std::string what = c == &gallery ? std::string() : std::string(" ").append(Describe(*c));
        if (!c->visible || !c->enabled) {
            reason = Describe(gallery) + where + (c->visible ? "disabled" : "hidden") + what + ": it cannot be opened";
            return false;
        }
    }
    if (!gallery.contentInvalid && gallery.Attribute("invalidateContentOnDrop") != "true")
        return true; // the cached items show
    ClearContent(gallery);
    // Cleared before asking, so that an invalidation made inside a callback is not lost.
    gallery.contentInvalid = false;
    m_opening = &gallery;
    size_t first = gallery.errors.size();
    AskContent(gallery);
    m_opening = nullptr;
    // A callback that pumps (a modal dialog) may have had the gallery asked again meanwhile.
    first = std::min(first, gallery.errors.size());
    gallery.contentErrors.assign(gallery.errors.begin() + std::ptrdiff_t(first), gallery.errors.end());
    return true;
}

int RibbonHost::OpenGalleries()
{
    Refresh();
    std::vector<std::string> ids;
    for (Control& tab : m_ribbon.tabs)
        if (tab.visible)
            Galleries(tab.children, ids);
    int opened = 0;
    std::string refused;
    for (const std::string& id : ids)
        opened += Open(id, refused) ? 1 : 0;
    return opened;
}

HRESULT RibbonHost::Press(const std::string& name, std::string& error)
{
    Control* control = FindControl(m_ribbon, ControlId(name));
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
        control.errors.push_back(name + (index >= 0 ? std::string("(").append(std::to_string(index)).append(")") : std::string()) + ": " +
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
        // A null string and an empty one are both an empty text to Office: either shows nothing. (The
        // add-in returns null; under Wine's dispatch it arrives empty.)
        if (v.vt == VT_BSTR && SysStringLen(v.bstrVal) > 0)
            out = host::Utf8(v.bstrVal);
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
            HRESULT got = PicturePixels(picture, &width, &height, &p.pixels);
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
    // The ribbon asks nothing else of a control it does not show.
    if (control.visible) {
        CallString(control, "getLabel", control.label);
        CallString(control, "getScreentip", control.screentip);
        CallString(control, "getSupertip", control.supertip);
        CallBool(control, "getEnabled", control.enabled);
        if (control.Attribute("showImage") != "false")
            CallPicture(control, "getImage", control.image);
        // A gallery's items wait until it is opened; other lists show theirs in place.
        if (!control.OpensForItems() && !control.Attribute("getItemCount").empty())
            AskContent(control);
    }
    // The failures of the gallery's last opening stand until it is asked again.
    control.errors.insert(control.errors.end(), control.contentErrors.begin(), control.contentErrors.end());
}

void RibbonHost::AskContent(Control& control)
{
    control.items.clear();
    control.itemCount.reset();
    control.itemWidth.reset();
    control.itemHeight.reset();
    if (FAILED(CallInt(control, "getItemCount", control.itemCount)))
        return;
    // The item pictures are drawn at the size the add-in gives, so size first.
    CallInt(control, "getItemHeight", control.itemHeight);
    CallInt(control, "getItemWidth", control.itemWidth);
    bool labels = control.Attribute("showItemLabel") != "false";
    bool images = control.Attribute("showItemImage") != "false";
    int count = control.itemCount.value_or(0);
    for (int i = 0; i < count && i < 1000; ++i) {
        GalleryItem item;
        if (labels)
            CallString(control, "getItemLabel", item.label, i);
        if (images)
            CallPicture(control, "getItemImage", item.image, i);
        CallString(control, "getItemScreentip", item.screentip, i);
        CallString(control, "getItemSupertip", item.supertip, i);
        control.items.push_back(std::move(item));
    }
}

} // namespace ribbon
