// The full method tables of the MSHTML interfaces the layer implements, every method unimplemented: the
// document, collection and element classes derive from these and override only what they provide.
#pragma once

#include <atomic>

#include "mshtml.h"

namespace mshtml {

// Every method of IHTMLElement, unimplemented.
struct IHTMLElementStubs : IHTMLElement {
    HRESULT setAttribute(BSTR, VARIANT, LONG) override { return E_NOTIMPL; }
    HRESULT getAttribute(BSTR, LONG, VARIANT *) override { return E_NOTIMPL; }
    HRESULT removeAttribute(BSTR, LONG, VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT put_className(BSTR) override { return E_NOTIMPL; }
    HRESULT get_className(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_id(BSTR) override { return E_NOTIMPL; }
    HRESULT get_id(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_tagName(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_parentElement(IHTMLElement **) override { return E_NOTIMPL; }
    HRESULT get_style(IHTMLStyle **) override { return E_NOTIMPL; }
    HRESULT put_onhelp(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onhelp(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onclick(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onclick(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_ondblclick(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_ondblclick(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onkeydown(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onkeydown(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onkeyup(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onkeyup(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onkeypress(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onkeypress(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onmouseout(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onmouseout(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onmouseover(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onmouseover(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onmousemove(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onmousemove(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onmousedown(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onmousedown(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onmouseup(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onmouseup(VARIANT *) override { return E_NOTIMPL; }
    HRESULT get_document(IDispatch **) override { return E_NOTIMPL; }
    HRESULT put_title(BSTR) override { return E_NOTIMPL; }
    HRESULT get_title(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_language(BSTR) override { return E_NOTIMPL; }
    HRESULT get_language(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_onselectstart(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onselectstart(VARIANT *) override { return E_NOTIMPL; }
    HRESULT scrollIntoView(VARIANT) override { return E_NOTIMPL; }
    HRESULT contains(IHTMLElement *, VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT get_sourceIndex(LONG *) override { return E_NOTIMPL; }
    HRESULT get_recordNumber(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_lang(BSTR) override { return E_NOTIMPL; }
    HRESULT get_lang(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_offsetLeft(LONG *) override { return E_NOTIMPL; }
    HRESULT get_offsetTop(LONG *) override { return E_NOTIMPL; }
    HRESULT get_offsetWidth(LONG *) override { return E_NOTIMPL; }
    HRESULT get_offsetHeight(LONG *) override { return E_NOTIMPL; }
    HRESULT get_offsetParent(IHTMLElement **) override { return E_NOTIMPL; }
    HRESULT put_innerHTML(BSTR) override { return E_NOTIMPL; }
    HRESULT get_innerHTML(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_innerText(BSTR) override { return E_NOTIMPL; }
    HRESULT get_innerText(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_outerHTML(BSTR) override { return E_NOTIMPL; }
    HRESULT get_outerHTML(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_outerText(BSTR) override { return E_NOTIMPL; }
    HRESULT get_outerText(BSTR *) override { return E_NOTIMPL; }
    HRESULT insertAdjacentHTML(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT insertAdjacentText(BSTR, BSTR) override { return E_NOTIMPL; }
    HRESULT get_parentTextEdit(IHTMLElement **) override { return E_NOTIMPL; }
    HRESULT get_isTextEdit(VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT click() override { return E_NOTIMPL; }
    HRESULT get_filters(IHTMLFiltersCollection **) override { return E_NOTIMPL; }
    HRESULT put_ondragstart(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_ondragstart(VARIANT *) override { return E_NOTIMPL; }
    HRESULT toString(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_onbeforeupdate(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onbeforeupdate(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onafterupdate(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onafterupdate(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onerrorupdate(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onerrorupdate(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onrowexit(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onrowexit(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onrowenter(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onrowenter(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_ondatasetchanged(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_ondatasetchanged(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_ondataavailable(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_ondataavailable(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_ondatasetcomplete(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_ondatasetcomplete(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onfilterchange(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onfilterchange(VARIANT *) override { return E_NOTIMPL; }
    HRESULT get_children(IDispatch **) override { return E_NOTIMPL; }
    HRESULT get_all(IDispatch **) override { return E_NOTIMPL; }
};

// Every method of IHTMLElementCollection, unimplemented.
struct IHTMLElementCollectionStubs : IHTMLElementCollection {
    HRESULT toString(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_length(LONG) override { return E_NOTIMPL; }
    HRESULT get_length(LONG *) override { return E_NOTIMPL; }
    HRESULT get__newEnum(IUnknown **) override { return E_NOTIMPL; }
    HRESULT item(VARIANT, VARIANT, IDispatch **) override { return E_NOTIMPL; }
    HRESULT tags(VARIANT, IDispatch **) override { return E_NOTIMPL; }
};

// Every method of IHTMLDocument2 (and of IHTMLDocument, which it extends), unimplemented.
struct IHTMLDocument2Stubs : IHTMLDocument2 {
    HRESULT get_Script(IDispatch **) override { return E_NOTIMPL; }
    HRESULT get_all(IHTMLElementCollection **) override { return E_NOTIMPL; }
    HRESULT get_body(IHTMLElement **) override { return E_NOTIMPL; }
    HRESULT get_activeElement(IHTMLElement **) override { return E_NOTIMPL; }
    HRESULT get_images(IHTMLElementCollection **) override { return E_NOTIMPL; }
    HRESULT get_applets(IHTMLElementCollection **) override { return E_NOTIMPL; }
    HRESULT get_links(IHTMLElementCollection **) override { return E_NOTIMPL; }
    HRESULT get_forms(IHTMLElementCollection **) override { return E_NOTIMPL; }
    HRESULT get_anchors(IHTMLElementCollection **) override { return E_NOTIMPL; }
    HRESULT put_title(BSTR) override { return E_NOTIMPL; }
    HRESULT get_title(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_scripts(IHTMLElementCollection **) override { return E_NOTIMPL; }
    HRESULT put_designMode(BSTR) override { return E_NOTIMPL; }
    HRESULT get_designMode(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_selection(IHTMLSelectionObject **) override { return E_NOTIMPL; }
    HRESULT get_readyState(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_frames(IHTMLFramesCollection2 **) override { return E_NOTIMPL; }
    HRESULT get_embeds(IHTMLElementCollection **) override { return E_NOTIMPL; }
    HRESULT get_plugins(IHTMLElementCollection **) override { return E_NOTIMPL; }
    HRESULT put_alinkColor(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_alinkColor(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_bgColor(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_bgColor(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_fgColor(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_fgColor(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_linkColor(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_linkColor(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_vlinkColor(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_vlinkColor(VARIANT *) override { return E_NOTIMPL; }
    HRESULT get_referrer(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_location(IHTMLLocation **) override { return E_NOTIMPL; }
    HRESULT get_lastModified(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_URL(BSTR) override { return E_NOTIMPL; }
    HRESULT get_URL(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_domain(BSTR) override { return E_NOTIMPL; }
    HRESULT get_domain(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_cookie(BSTR) override { return E_NOTIMPL; }
    HRESULT get_cookie(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_expando(VARIANT_BOOL) override { return E_NOTIMPL; }
    HRESULT get_expando(VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT put_charset(BSTR) override { return E_NOTIMPL; }
    HRESULT get_charset(BSTR *) override { return E_NOTIMPL; }
    HRESULT put_defaultCharset(BSTR) override { return E_NOTIMPL; }
    HRESULT get_defaultCharset(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_mimeType(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_fileSize(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_fileCreatedDate(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_fileModifiedDate(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_fileUpdatedDate(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_security(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_protocol(BSTR *) override { return E_NOTIMPL; }
    HRESULT get_nameProp(BSTR *) override { return E_NOTIMPL; }
    HRESULT write(SAFEARRAY *) override { return E_NOTIMPL; }
    HRESULT writeln(SAFEARRAY *) override { return E_NOTIMPL; }
    HRESULT open(BSTR, VARIANT, VARIANT, VARIANT, IDispatch **) override { return E_NOTIMPL; }
    HRESULT close() override { return E_NOTIMPL; }
    HRESULT clear() override { return E_NOTIMPL; }
    HRESULT queryCommandSupported(BSTR, VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT queryCommandEnabled(BSTR, VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT queryCommandState(BSTR, VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT queryCommandIndeterm(BSTR, VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT queryCommandText(BSTR, BSTR *) override { return E_NOTIMPL; }
    HRESULT queryCommandValue(BSTR, VARIANT *) override { return E_NOTIMPL; }
    HRESULT execCommand(BSTR, VARIANT_BOOL, VARIANT, VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT execCommandShowHelp(BSTR, VARIANT_BOOL *) override { return E_NOTIMPL; }
    HRESULT createElement(BSTR, IHTMLElement **) override { return E_NOTIMPL; }
    HRESULT put_onhelp(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onhelp(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onclick(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onclick(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_ondblclick(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_ondblclick(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onkeyup(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onkeyup(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onkeydown(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onkeydown(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onkeypress(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onkeypress(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onmouseup(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onmouseup(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onmousedown(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onmousedown(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onmousemove(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onmousemove(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onmouseout(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onmouseout(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onmouseover(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onmouseover(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onreadystatechange(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onreadystatechange(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onafterupdate(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onafterupdate(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onrowexit(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onrowexit(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onrowenter(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onrowenter(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_ondragstart(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_ondragstart(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onselectstart(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onselectstart(VARIANT *) override { return E_NOTIMPL; }
    HRESULT elementFromPoint(LONG, LONG, IHTMLElement **) override { return E_NOTIMPL; }
    HRESULT get_parentWindow(IHTMLWindow2 **) override { return E_NOTIMPL; }
    HRESULT get_styleSheets(IHTMLStyleSheetsCollection **) override { return E_NOTIMPL; }
    HRESULT put_onbeforeupdate(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onbeforeupdate(VARIANT *) override { return E_NOTIMPL; }
    HRESULT put_onerrorupdate(VARIANT) override { return E_NOTIMPL; }
    HRESULT get_onerrorupdate(VARIANT *) override { return E_NOTIMPL; }
    HRESULT toString(BSTR *) override { return E_NOTIMPL; }
    HRESULT createStyleSheet(BSTR, LONG, IHTMLStyleSheet **) override { return E_NOTIMPL; }
};

// IUnknown and an IDispatch without type information over one of the tables above: the objects are reached
// through their vtables, never by name.
template <class Stubs, class Interface, class... AlsoAnswers>
class DispatchObject : public Stubs {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(Interface) ||
            ((riid == __uuidof(AlsoAnswers)) || ...)) {
            *ppv = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT GetTypeInfoCount(UINT* pctinfo) override
    {
        if (!pctinfo)
            return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

protected:
    DispatchObject() = default;
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;
    virtual ~DispatchObject() = default;

private:
    std::atomic<ULONG> m_refs{1};
};

} // namespace mshtml
