// The HTML document object ("htmlfile"): text written into it is parsed when it is closed, and its links
// collection hands out the a and area elements found. Registered with the layer's class table at load time.
//
// Choices where the documented behaviour is silent: every area element is a link (as the engine's own
// documentation lists them), the collection is the document's links when it was read (a later write does
// not change it), and an index past the end gives S_OK with no element.
#include <new>
#include <string>

#include "mshtml/parsed.h"
#include "mshtml/stubs.h"
#include "oleauto.h"
#include "pal/host.h"
#include "windows.h"

namespace mshtml {

namespace {

using Document = std::shared_ptr<const ParsedDocument>;

BSTR AllocBstr(std::u16string_view s) { return SysAllocStringLen(s.data(), UINT(s.size())); }

// Attributes whose value is an address, expanded unless the caller asks for the text as written.
bool IsUrlAttribute(std::u16string_view name)
{
    static constexpr std::u16string_view kNames[] = {u"href", u"src", u"background", u"action", u"cite",
                                                     u"longdesc", u"lowsrc", u"dynsrc", u"usemap", u"codebase"};
    for (std::u16string_view known : kNames) {
        if (known.size() != name.size())
            continue;
        size_t i = 0;
        while (i < name.size() && (name[i] | 0x20) == known[i])
            ++i;
        if (i == name.size())
            return true;
    }
    return false;
}

class HtmlElement final : public DispatchObject<IHTMLElementStubs, IHTMLElement> {
public:
    HtmlElement(Document document, size_t index) : m_document(std::move(document)), m_index(index) {}

    // Flags: 1 matches the name with its case, 2 gives the value as written, 4 expands an address. Without
    // 2 an address is expanded too: a written document runs in the engine's quirks mode, where it is.
    HRESULT getAttribute(BSTR strAttributeName, LONG lFlags, VARIANT* AttributeValue) override
    {
        if (!AttributeValue)
            return E_POINTER;
        VariantInit(AttributeValue);
        if (!strAttributeName)
            return E_INVALIDARG;
        std::u16string_view name(strAttributeName, SysStringLen(strAttributeName));
        const Attribute* attribute = FindAttribute(Link(), name, (lFlags & 1) != 0);
        if (!attribute) {
            AttributeValue->vt = VT_NULL;
            return S_OK;
        }
        std::u16string value = pal::ToWide(attribute->value);
        if (IsUrlAttribute(name) && ((lFlags & 4) || !(lFlags & 2)))
            value = ResolveUrl(m_document->baseHref, value);
        BSTR text = AllocBstr(value);
        if (!text)
            return E_OUTOFMEMORY;
        AttributeValue->vt = VT_BSTR;
        AttributeValue->bstrVal = text;
        return S_OK;
    }

    HRESULT get_id(BSTR* p) override { return AttributeText(u"id", p); }
    HRESULT get_className(BSTR* p) override { return AttributeText(u"class", p); }

    HRESULT get_tagName(BSTR* p) override
    {
        if (!p)
            return E_POINTER;
        *p = SysAllocString(Link().area ? u"AREA" : u"A");
        return *p ? S_OK : E_OUTOFMEMORY;
    }

    // An element without text gives a null string, as the engine does.
    HRESULT get_innerText(BSTR* p) override
    {
        if (!p)
            return E_POINTER;
        std::u16string text = InnerText(*m_document, Link());
        *p = text.empty() ? nullptr : AllocBstr(text);
        return text.empty() || *p ? S_OK : E_OUTOFMEMORY;
    }

private:
    const LinkElement& Link() const { return m_document->links[m_index]; }

    HRESULT AttributeText(std::u16string_view name, BSTR* p)
    {
        if (!p)
            return E_POINTER;
        const Attribute* attribute = FindAttribute(Link(), name, false);
        *p = attribute && !attribute->value.empty() ? AllocBstr(pal::ToWide(attribute->value)) : nullptr;
        return S_OK;
    }

    Document m_document;
    size_t m_index;
};

class HtmlLinks final : public DispatchObject<IHTMLElementCollectionStubs, IHTMLElementCollection> {
public:
    explicit HtmlLinks(Document document) : m_document(std::move(document)) {}

    HRESULT get_length(LONG* p) override
    {
        if (!p)
            return E_POINTER;
        *p = LONG(m_document->links.size());
        return S_OK;
    }

    // By position (a number), or by id or name (a string; the index then picks among those that match).
    HRESULT item(VARIANT name, VARIANT index, IDispatch** pdisp) override
    {
        if (!pdisp)
            return E_POINTER;
        *pdisp = nullptr;
        if (name.vt == VT_BSTR)
            return ByName(name.bstrVal, index, pdisp);
        VARIANT position;
        VariantInit(&position);
        if (FAILED(VariantChangeType(&position, &name, 0, VT_I4)))
            return E_INVALIDARG;
        if (position.lVal < 0)
            return E_INVALIDARG;
        return Element(size_t(position.lVal), pdisp);
    }

private:
    HRESULT Element(size_t i, IDispatch** pdisp)
    {
        if (i >= m_document->links.size())
            return S_OK;
        HtmlElement* element = new (std::nothrow) HtmlElement(m_document, i);
        if (!element)
            return E_OUTOFMEMORY;
        *pdisp = element;
        return S_OK;
    }

    HRESULT ByName(BSTR name, VARIANT index, IDispatch** pdisp)
    {
        std::u16string_view wanted(name ? name : u"", name ? SysStringLen(name) : 0);
        LONG skip = 0;
        if (index.vt != VT_EMPTY && index.vt != VT_ERROR) {
            VARIANT position;
            VariantInit(&position);
            if (FAILED(VariantChangeType(&position, &index, 0, VT_I4)) || position.lVal < 0)
                return E_INVALIDARG;
            skip = position.lVal;
        }
        const std::vector<LinkElement>& links = m_document->links;
        for (size_t i = 0; i < links.size(); ++i) {
            const Attribute* id = FindAttribute(links[i], u"id", false);
            const Attribute* nm = FindAttribute(links[i], u"name", false);
            bool match = (id && pal::ToWide(id->value) == wanted) || (nm && pal::ToWide(nm->value) == wanted);
            if (match && skip-- == 0)
                return Element(i, pdisp);
        }
        return S_OK;
    }

    Document m_document;
};

class HtmlDocument final : public DispatchObject<IHTMLDocument2Stubs, IHTMLDocument2, IHTMLDocument> {
public:
    // Each string of the array is appended (other values as their text); a null array writes nothing.
    HRESULT write(SAFEARRAY* psarray) override { return Append(psarray, false); }
    HRESULT writeln(SAFEARRAY* psarray) override { return Append(psarray, true); }

    HRESULT close() override
    {
        if (!m_open)
            return S_OK;
        Document parsed = ParseHtml(m_pending);
        if (!parsed)
            return E_OUTOFMEMORY;
        m_parsed = std::move(parsed);
        m_pending.clear();
        m_pending.shrink_to_fit();
        m_open = false;
        return S_OK;
    }

    // Before close, what was written so far.
    HRESULT get_links(IHTMLElementCollection** p) override
    {
        if (!p)
            return E_POINTER;
        *p = nullptr;
        Document document = m_open ? ParseHtml(m_pending) : m_parsed;
        if (!document)
            document = std::make_shared<const ParsedDocument>();
        HtmlLinks* links = new (std::nothrow) HtmlLinks(std::move(document));
        if (!links)
            return E_OUTOFMEMORY;
        *p = links;
        return S_OK;
    }

    HRESULT get_URL(BSTR* p) override
    {
        if (!p)
            return E_POINTER;
        *p = SysAllocString(u"about:blank");
        return *p ? S_OK : E_OUTOFMEMORY;
    }

private:
    HRESULT Append(SAFEARRAY* psarray, bool newLine)
    {
        // A write after close starts a new document.
        if (!m_open) {
            m_open = true;
            m_pending.clear();
            m_parsed.reset();
        }
        if (psarray) {
            if (psarray->cDims != 1 || !(psarray->fFeatures & FADF_VARIANT))
                return E_INVALIDARG;
            void* data = nullptr;
            HRESULT hr = SafeArrayAccessData(psarray, &data);
            if (FAILED(hr))
                return hr;
            const VARIANT* items = static_cast<const VARIANT*>(data);
            for (ULONG i = 0; i < psarray->rgsabound[0].cElements && SUCCEEDED(hr); ++i)
                hr = AppendVariant(items[i]);
            SafeArrayUnaccessData(psarray);
            if (FAILED(hr))
                return hr;
        }
        if (newLine)
            m_pending += u"\r\n";
        return S_OK;
    }

    HRESULT AppendVariant(const VARIANT& item)
    {
        if (item.vt == VT_BSTR) {
            if (item.bstrVal)
                m_pending.append(item.bstrVal, SysStringLen(item.bstrVal));
            return S_OK;
        }
        if (item.vt == VT_EMPTY || item.vt == VT_NULL)
            return S_OK;
        VARIANT text;
        VariantInit(&text);
        HRESULT hr = VariantChangeType(&text, &item, 0, VT_BSTR);
        if (FAILED(hr))
            return hr;
        if (text.bstrVal)
            m_pending.append(text.bstrVal, SysStringLen(text.bstrVal));
        VariantClear(&text);
        return S_OK;
    }

    bool m_open = true;
    std::u16string m_pending;
    Document m_parsed = std::make_shared<const ParsedDocument>();
};

HRESULT CreateDocument(REFIID riid, void** ppv)
{
    HtmlDocument* document = new (std::nothrow) HtmlDocument();
    if (!document)
        return E_OUTOFMEMORY;
    HRESULT hr = document->QueryInterface(riid, ppv);
    document->Release();
    return hr;
}

struct Registration {
    Registration() { pal::RegisterBuiltinClass(CLSID_HTMLDocument, u"htmlfile", CreateDocument); }
} g_registration;

} // namespace

} // namespace mshtml
