// The Outlook object model objects of the host. Properties come from the store's model; the add-in
// calls them through the vtable, so Invoke answers nothing.
#include "host/store/MailItem.h"

#include <atlbase.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdlib>
#include <map>

#include "host/store/Folders.h"
#include "host/store/MapiMessage.h"
#include "host/text/Utf.h"
#include "pal/com_object.h"

namespace store {

namespace {

#define STORE_NO_TYPE_INFO                                                                                   \
    HRESULT GetTypeInfoCount(UINT* count) override                                                          \
    {                                                                                                        \
        if (!count)                                                                                          \
            return E_POINTER;                                                                                \
        *count = 0;                                                                                          \
        return S_OK;                                                                                         \
    }                                                                                                        \
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }                              \
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }    \
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override            \
    {                                                                                                        \
        return DISP_E_MEMBERNOTFOUND;                                                                        \
    }

HRESULT ReturnString(const WString& text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    // An empty string reaches the add-in as a null BSTR, as Outlook hands it.
    *out = text.empty() ? nullptr : SysAllocStringLen(text.data(), UINT(text.size()));
    return text.empty() || *out ? S_OK : E_OUTOFMEMORY;
}

template <class T, class I> HRESULT ReturnObject(T* object, I** out)
{
    if (!out)
        return E_POINTER;
    *out = object;
    if (object)
        object->AddRef();
    return S_OK;
}

class CApplication;
// Composed items hold no application reference; Display reports to the one application there is.
CApplication* g_application = nullptr;

// Typed calls for what the add-in uses, and late-bound ones by name for the rest.
#define STORE_BY_NAME(...)                                                                                   \
    HRESULT GetTypeInfoCount(UINT* count) override { return count ? (*count = 0, S_OK) : E_POINTER; }        \
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }                              \
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override                   \
    {                                                                                                        \
        return IdsOfNames({__VA_ARGS__}, names, count, ids);                                                 \
    }                                                                                                        \
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*)     \
        override                                                                                             \
    {                                                                                                        \
        if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)))                                             \
            return DISP_E_MEMBERNOTFOUND;                                                                    \
        if (result)                                                                                          \
            VariantInit(result);                                                                             \
        return ByName(id, result);                                                                           \
    }

class CNameSpace final : public pal::ComObject<pal::ComEntry<Outlook::_NameSpace, IDispatch>> {
public:
    explicit CNameSpace(Outlook::_Application* app) : m_app(app) {}
    STORE_BY_NAME(W("DefaultStore"), W("Application"))
    HRESULT ByName(DISPID id, VARIANT* result);
    HRESULT get_Application(Outlook::_Application** out) override { return ReturnObject(m_app, out); }
    HRESULT get_Class(Outlook::OlObjectClass* out) override { return out ? (*out = Outlook::olNamespace, S_OK) : E_POINTER; }
    HRESULT get_Session(Outlook::_NameSpace** out) override { return ReturnObject(this, out); }
    HRESULT get_Parent(IDispatch** out) override { return ReturnObject(m_app, out); }

private:
    Outlook::_Application* m_app; // the application owns the session
};

class CPropertyAccessor final : public pal::ComObject<pal::ComEntry<Outlook::_PropertyAccessor, IDispatch>> {
public:
    CPropertyAccessor(std::shared_ptr<Message> message, Outlook::_Application* app)
        : m_message(std::move(message)), m_app(app)
    {
    }
    STORE_NO_TYPE_INFO
    HRESULT get_Application(Outlook::_Application** out) override { return ReturnObject(m_app, out); }
    HRESULT get_Class(Outlook::OlObjectClass* out) override
    {
        return out ? (*out = Outlook::olPropertyAccessor, S_OK) : E_POINTER;
    }
    HRESULT get_Session(Outlook::_NameSpace** out) override
    {
        return m_app ? m_app->get_Session(out) : (out ? (*out = nullptr, E_FAIL) : E_POINTER);
    }
    HRESULT get_Parent(IDispatch**) override { return E_NOTIMPL; }
    HRESULT GetProperty(BSTR schemaName, VARIANT* value) override
    {
        if (!value)
            return E_POINTER;
        VariantInit(value);
        static const WString prefix = W("http://schemas.microsoft.com/mapi/proptag/0x");
        WString name = schemaName ? WString(schemaName) : WString();
        if (name.size() != prefix.size() + 8 || name.compare(0, prefix.size(), prefix) != 0)
            return E_INVALIDARG;
        std::string hex = host::Utf8(name.substr(prefix.size()));
        char* end = nullptr;
        ULONG tag = ULONG(std::strtoul(hex.c_str(), &end, 16));
        if (!end || *end)
            return E_INVALIDARG;
        const PropValue* v = m_message->props.Find(tag);
        if (!v)
            return MAPI_E_NOT_FOUND;
        switch (PROP_TYPE(v->tag)) {
        case PT_UNICODE:
        case PT_STRING8:
            value->vt = VT_BSTR;
            value->bstrVal = SysAllocStringLen(v->text.data(), UINT(v->text.size()));
            return value->bstrVal ? S_OK : E_OUTOFMEMORY;
        case PT_LONG:
            value->vt = VT_I4;
            value->lVal = v->number;
            return S_OK;
        case PT_BOOLEAN:
            value->vt = VT_BOOL;
            value->boolVal = v->number ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        default:
            return E_NOTIMPL;
        }
    }

private:
    std::shared_ptr<Message> m_message;
    Outlook::_Application* m_app; // the application outlives its items, as Outlook's does
};

class CMailItem final : public pal::ComObject<pal::ComEntry<Outlook::_MailItem, IDispatch>> {
public:
    CMailItem(std::shared_ptr<Message> message, Outlook::_Application* app) : m_message(std::move(message)), m_app(app) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == __uuidof(Outlook::_MailItem) && !m_message->IsMail()) {
            if (ppv)
                *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return ComObject::QueryInterface(riid, ppv);
    }
    STORE_NO_TYPE_INFO
    HRESULT get_Application(Outlook::_Application** out) override { return ReturnObject(m_app, out); }
    HRESULT get_Class(Outlook::OlObjectClass* out) override { return out ? (*out = Outlook::olMail, S_OK) : E_POINTER; }
    HRESULT get_Session(Outlook::_NameSpace** out) override
    {
        return m_app ? m_app->get_Session(out) : (out ? (*out = nullptr, E_FAIL) : E_POINTER);
    }
    HRESULT get_Parent(IDispatch**) override { return E_NOTIMPL; }
    HRESULT get_Body(BSTR* out) override { return ReturnString(m_message->body, out); }
    HRESULT put_Body(BSTR body) override
    {
        m_message->body = body ? body : W("");
        m_message->props.SetText(PR_BODY_W, m_message->body);
        return S_OK;
    }
    HRESULT get_EntryID(BSTR* out) override { return ReturnString(m_message->entryId, out); }
    HRESULT get_MAPIOBJECT(IUnknown** out) override
    {
        if (!out)
            return E_POINTER;
        if (!m_mapi)
            m_mapi.Attach(NewMapiMessage(m_message));
        return ReturnObject(static_cast<IUnknown*>(m_mapi.p), out);
    }
    HRESULT get_MessageClass(BSTR* out) override { return ReturnString(m_message->messageClass, out); }
    HRESULT get_Subject(BSTR* out) override { return ReturnString(m_message->subject, out); }
    HRESULT put_Subject(BSTR subject) override
    {
        m_message->subject = subject ? subject : W("");
        m_message->props.SetText(PR_SUBJECT_W, m_message->subject);
        return S_OK;
    }
    HRESULT Display(VARIANT) override;
    HRESULT get_HTMLBody(BSTR* out) override { return ReturnString(m_message->html, out); }
    HRESULT get_SenderName(BSTR* out) override { return ReturnString(m_message->senderName, out); }
    HRESULT get_BodyFormat(Outlook::OlBodyFormat* out) override
    {
        return out ? (*out = Outlook::OlBodyFormat(m_message->bodyFormat), S_OK) : E_POINTER;
    }
    HRESULT get_SenderEmailAddress(BSTR* out) override { return ReturnString(m_message->senderAddress, out); }
    HRESULT get_SenderEmailType(BSTR* out) override { return ReturnString(m_message->senderType, out); }
    HRESULT get_PropertyAccessor(Outlook::_PropertyAccessor** out) override
    {
        if (!out)
            return E_POINTER;
        *out = new CPropertyAccessor(m_message, m_app);
        return S_OK;
    }

private:
    std::shared_ptr<Message> m_message;
    Outlook::_Application* m_app; // the application outlives its items, as Outlook's does
    CComPtr<IMessage> m_mapi;
};

class CSelection final : public pal::ComObject<pal::ComEntry<Outlook::Selection, IDispatch>> {
public:
    CSelection(Outlook::_Application* app, std::vector<CComPtr<IDispatch>> items) : m_app(app), m_items(std::move(items)) {}
    STORE_NO_TYPE_INFO
    HRESULT get_Application(Outlook::_Application** out) override { return ReturnObject(m_app, out); }
    HRESULT get_Class(Outlook::OlObjectClass* out) override { return out ? (*out = Outlook::olSelection, S_OK) : E_POINTER; }
    HRESULT get_Session(Outlook::_NameSpace** out) override { return m_app->get_Session(out); }
    HRESULT get_Parent(IDispatch**) override { return E_NOTIMPL; }
    HRESULT get_Count(long* count) override { return count ? (*count = long(m_items.size()), S_OK) : E_POINTER; }
    HRESULT Item(VARIANT index, IDispatch** item) override
    {
        if (!item)
            return E_POINTER;
        *item = nullptr;
        long n;
        switch (index.vt) {
        case VT_INT: n = index.intVal; break;
        case VT_I4: n = index.lVal; break;
        case VT_I2: n = index.iVal; break;
        case VT_UI4: n = long(index.ulVal); break;
        default: return DISP_E_TYPEMISMATCH;
        }
        if (n < 1 || size_t(n) > m_items.size())
            return E_INVALIDARG; // Outlook: "Array index out of bounds."
        return ReturnObject(m_items[size_t(n - 1)].p, item);
    }

private:
    Outlook::_Application* m_app;
    std::vector<CComPtr<IDispatch>> m_items;
};

// The sinks advised on one event source of a window or collection; Outlook calls them through IDispatch.
struct EventSinks {
    std::map<DWORD, CComPtr<IDispatch>> sinks; // by cookie
    DWORD nextCookie = 1;

    // Calls the event on every sink; a sink may unadvise while it is called. args are in rgvarg order.
    size_t Fire(DISPID event, std::vector<VARIANT> args = {}) const
    {
        std::vector<CComPtr<IDispatch>> called;
        for (const auto& entry : sinks)
            called.push_back(entry.second);
        for (const CComPtr<IDispatch>& sink : called) {
            DISPPARAMS params = {args.empty() ? nullptr : args.data(), nullptr, UINT(args.size()), 0};
            VARIANT result;
            VariantInit(&result);
            sink->Invoke(event, GUID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
            VariantClear(&result);
        }
        return called.size();
    }
};

// The connection point of one source; it keeps its container alive, as a real one does.
class CConnectionPoint final : public pal::ComObject<IConnectionPoint> {
public:
    CConnectionPoint(IConnectionPointContainer* container, REFIID iid, EventSinks& sinks)
        : m_container(container), m_iid(iid), m_sinks(sinks)
    {
    }
    HRESULT GetConnectionInterface(IID* iid) override { return iid ? (*iid = m_iid, S_OK) : E_POINTER; }
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** out) override
    {
        return ReturnObject(m_container.p, out);
    }
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override
    {
        if (!sink || !cookie)
            return E_POINTER;
        *cookie = 0;
        CComPtr<IDispatch> dispatch;
        if (FAILED(sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) || !dispatch)
            return CONNECT_E_CANNOTCONNECT;
        *cookie = m_sinks.nextCookie++;
        m_sinks.sinks[*cookie] = dispatch;
        return S_OK;
    }
    HRESULT Unadvise(DWORD cookie) override { return m_sinks.sinks.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION; }
    HRESULT EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    CComPtr<IConnectionPointContainer> m_container;
    IID m_iid;
    EventSinks& m_sinks; // the container's, which this point keeps alive
};

HRESULT FindPoint(IConnectionPointContainer* container, REFIID riid, REFIID source, EventSinks& sinks,
                  IConnectionPoint** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (riid != source)
        return CONNECT_E_NOCONNECTION;
    *out = new CConnectionPoint(container, source, sinks);
    return S_OK;
}

class CExplorer final
    : public pal::ComObject<pal::ComEntry<Outlook::_Explorer, IDispatch>, IConnectionPointContainer> {
public:
    explicit CExplorer(Outlook::_Application* app) : m_app(app) {}
    STORE_NO_TYPE_INFO
    HRESULT get_Application(Outlook::_Application** out) override { return ReturnObject(m_app, out); }
    HRESULT get_Class(Outlook::OlObjectClass* out) override { return out ? (*out = Outlook::olExplorer, S_OK) : E_POINTER; }
    HRESULT get_Session(Outlook::_NameSpace** out) override { return m_app->get_Session(out); }
    HRESULT get_Parent(IDispatch** out) override { return ReturnObject(m_app, out); }
    HRESULT get_Selection(Outlook::Selection** out) override
    {
        if (!out)
            return E_POINTER;
        *out = new CSelection(m_app, m_items);
        return S_OK;
    }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** out) override
    {
        return FindPoint(this, riid, __uuidof(Outlook::ExplorerEvents_10), m_events, out);
    }

    std::vector<CComPtr<IDispatch>> m_items;
    EventSinks m_events;

private:
    Outlook::_Application* m_app; // the application owns its Explorer
};

// A Read window: one item, and its own events.
class CInspector final
    : public pal::ComObject<pal::ComEntry<Outlook::_Inspector, IDispatch>, IConnectionPointContainer> {
public:
    CInspector(Outlook::_Application* app, IDispatch* item) : m_app(app), m_item(item) {}
    STORE_NO_TYPE_INFO
    HRESULT get_Application(Outlook::_Application** out) override { return ReturnObject(m_app, out); }
    HRESULT get_Class(Outlook::OlObjectClass* out) override
    {
        return out ? (*out = Outlook::olInspector, S_OK) : E_POINTER;
    }
    HRESULT get_Session(Outlook::_NameSpace** out) override { return m_app->get_Session(out); }
    HRESULT get_Parent(IDispatch** out) override { return ReturnObject(m_app, out); }
    HRESULT get_CurrentItem(IDispatch** out) override { return ReturnObject(m_item.p, out); }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** out) override
    {
        return FindPoint(this, riid, __uuidof(Outlook::InspectorEvents_10), m_events, out);
    }

    EventSinks m_events;

private:
    Outlook::_Application* m_app; // the application outlives its windows
    CComPtr<IDispatch> m_item;
};

// The open Read windows, whose source announces each new one.
class CInspectors final
    : public pal::ComObject<pal::ComEntry<Outlook::_Inspectors, IDispatch>, IConnectionPointContainer> {
public:
    explicit CInspectors(Outlook::_Application* app) : m_app(app) {}
    STORE_NO_TYPE_INFO
    HRESULT get_Application(Outlook::_Application** out) override { return ReturnObject(m_app, out); }
    HRESULT get_Class(Outlook::OlObjectClass* out) override
    {
        return out ? (*out = Outlook::olInspectors, S_OK) : E_POINTER;
    }
    HRESULT get_Session(Outlook::_NameSpace** out) override { return m_app->get_Session(out); }
    HRESULT get_Parent(IDispatch** out) override { return ReturnObject(m_app, out); }
    HRESULT get_Count(long* count) override { return count ? (*count = long(m_open.size()), S_OK) : E_POINTER; }
    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** out) override
    {
        return FindPoint(this, riid, __uuidof(Outlook::InspectorsEvents), m_events, out);
    }

    std::vector<CComPtr<CInspector>> m_open; // in the order they were opened
    EventSinks m_events;

private:
    Outlook::_Application* m_app;
};

class CApplication final : public pal::ComObject<pal::ComEntry<Outlook::_Application, IDispatch>> {
public:
    explicit CApplication(WString version) : m_folders(DefaultFolderTree()), m_version(std::move(version))
    {
        m_session.Attach(new CNameSpace(this));
        m_explorer.Attach(new CExplorer(this));
        m_inspectors.Attach(new CInspectors(this));
    }
    ~CApplication() override
    {
        m_explorer->m_items.clear();
        m_explorer->m_events.sinks.clear();
        for (CInspector* inspector : m_inspectors->m_open)
            inspector->m_events.sinks.clear();
        m_inspectors->m_open.clear();
        m_inspectors->m_events.sinks.clear();
        if (g_application == this)
            g_application = nullptr;
    }
    STORE_BY_NAME(W("Session"), W("Version"))
    HRESULT ByName(DISPID id, VARIANT* result)
    {
        if (id == 2) {
            if (result) {
                result->vt = VT_BSTR;
                result->bstrVal = SysAllocStringLen(m_version.data(), UINT(m_version.size()));
            }
            return S_OK;
        }
        if (id != 1)
            return DISP_E_MEMBERNOTFOUND;
        if (result) {
            result->vt = VT_DISPATCH;
            result->pdispVal = m_session;
            m_session->AddRef();
        }
        return S_OK;
    }
    HRESULT get_Application(Outlook::_Application** out) override { return ReturnObject(this, out); }
    HRESULT get_Class(Outlook::OlObjectClass* out) override { return out ? (*out = Outlook::olApplication, S_OK) : E_POINTER; }
    HRESULT get_Session(Outlook::_NameSpace** out) override { return ReturnObject(m_session.p, out); }
    HRESULT get_Parent(IDispatch** out) override { return ReturnObject<IDispatch>(nullptr, out); }
    HRESULT get_Version(BSTR* out) override { return ReturnString(m_version, out); }
    HRESULT ActiveExplorer(Outlook::_Explorer** out) override { return ReturnObject(m_explorer.p, out); }
    HRESULT ActiveInspector(Outlook::_Inspector** out) override
    {
        // The topmost Read window, none when none is open.
        CInspector* top = m_inspectors->m_open.empty() ? nullptr : m_activeInspector;
        return ReturnObject<Outlook::_Inspector>(top, out);
    }
    HRESULT get_Inspectors(Outlook::_Inspectors** out) override { return ReturnObject(m_inspectors.p, out); }
    HRESULT CreateItem(Outlook::OlItemType type, IDispatch** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (type != Outlook::olMailItem)
            return E_NOTIMPL;
        auto message = std::make_shared<Message>();
        Finish(*message, "new:" + std::to_string(++m_created));
        message->props.Remove(PR_ENTRYID);
        message->entryId.clear(); // not saved yet
        *out = NewItem(std::move(message), nullptr);
        return S_OK;
    }

    CComPtr<CExplorer> m_explorer;
    CComPtr<CInspectors> m_inspectors;
    CInspector* m_activeInspector = nullptr; // the last Read window activated, while it is open
    std::vector<ComposedItem> m_displayed;
    std::shared_ptr<Folder> m_folders;
    WString m_storeName = W("Outlook Data File");

private:
    WString m_version;
    CComPtr<CNameSpace> m_session;
    int m_created = 0;
};

HRESULT CNameSpace::ByName(DISPID id, VARIANT* result)
{
    if (id == 2) {
        if (result) {
            result->vt = VT_DISPATCH;
            result->pdispVal = m_app;
            m_app->AddRef();
        }
        return S_OK;
    }
    if (id != 1)
        return DISP_E_MEMBERNOTFOUND;
    auto* app = static_cast<CApplication*>(m_app);
    IDispatch* storeObject = NewDefaultStore(app->m_folders, app->m_storeName);
    if (result) {
        result->vt = VT_DISPATCH;
        result->pdispVal = storeObject;
    } else {
        storeObject->Release();
    }
    return S_OK;
}

HRESULT CMailItem::Display(VARIANT)
{
    // A composed item is shown as a draft would be: kept as a file in the drafts folder.
    std::string file = m_message->entryId.empty() ? WriteDraft(m_message->subject, m_message->body) : "";
    if (g_application)
        g_application->m_displayed.push_back({m_message->subject, m_message->body, file});
    return S_OK;
}

} // namespace

IDispatch* NewItem(std::shared_ptr<Message> message, Outlook::_Application* application)
{
    return static_cast<Outlook::_MailItem*>(new CMailItem(std::move(message), application));
}

Outlook::_Application* NewApplication(const WString& version)
{
    auto* app = new CApplication(version);
    g_application = app;
    return app;
}

void SetSelection(Outlook::_Application* application, const std::vector<IDispatch*>& items)
{
    auto* app = static_cast<CApplication*>(application);
    app->m_explorer->m_items.assign(items.begin(), items.end());
}

size_t FireSelectionChange(Outlook::_Application* application)
{
    return static_cast<CApplication*>(application)->m_explorer->m_events.Fire(Outlook::dispidSelectionChange);
}

size_t ActivateExplorer(Outlook::_Application* application)
{
    return static_cast<CApplication*>(application)->m_explorer->m_events.Fire(Outlook::dispidEventActivate);
}

Outlook::_Inspector* OpenInspector(Outlook::_Application* application, IDispatch* item)
{
    auto* app = static_cast<CApplication*>(application);
    CComPtr<CInspector> inspector;
    inspector.Attach(new CInspector(application, item));
    app->m_inspectors->m_open.push_back(inspector);
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_DISPATCH;
    argument.pdispVal = static_cast<Outlook::_Inspector*>(inspector.p);
    // Before the window appears; the argument is the sink's to AddRef if it keeps it.
    app->m_inspectors->m_events.Fire(Outlook::dispidNewInspector, {argument});
    return inspector.Detach();
}

bool ActivateInspector(Outlook::_Application* application, Outlook::_Inspector* window)
{
    auto* app = static_cast<CApplication*>(application);
    for (CInspector* inspector : app->m_inspectors->m_open)
        if (static_cast<Outlook::_Inspector*>(inspector) == window) {
            app->m_activeInspector = inspector;
            inspector->m_events.Fire(Outlook::dispidEventActivate);
            return true;
        }
    return false;
}

bool CloseInspector(Outlook::_Application* application, Outlook::_Inspector* window)
{
    auto* app = static_cast<CApplication*>(application);
    auto& open = app->m_inspectors->m_open;
    for (auto it = open.begin(); it != open.end(); ++it) {
        if (static_cast<Outlook::_Inspector*>(it->p) != window)
            continue;
        CComPtr<CInspector> closing = *it;
        closing->m_events.Fire(Outlook::dispidEventClose);
        open.erase(it);
        if (app->m_activeInspector == closing.p)
            app->m_activeInspector = nullptr;
        return true;
    }
    return false;
}

void SetFolderTree(Outlook::_Application* application, std::shared_ptr<Folder> root, const WString& storeName)
{
    auto* app = static_cast<CApplication*>(application);
    app->m_folders = root ? std::move(root) : DefaultFolderTree();
    app->m_storeName = storeName;
}

std::vector<ComposedItem> DisplayedItems(Outlook::_Application* application)
{
    return static_cast<CApplication*>(application)->m_displayed;
}

} // namespace store
