// The full method tables of the MSHTML interfaces the layer implements, every method unimplemented: the
// document, collection and element classes derive from these and override only what they provide.
#pragma once

#include "mshtml.h"
#include "common/stub.h"
#include "pal/com_object.h"

namespace mshtml {

// Every method of IHTMLElement, unimplemented.
struct IHTMLElementStubs : IHTMLElement {
    HRESULT setAttribute(BSTR, VARIANT, LONG) override { return PAL_STUB(); }
    HRESULT getAttribute(BSTR, LONG, VARIANT *) override { return PAL_STUB(); }
    HRESULT removeAttribute(BSTR, LONG, VARIANT_BOOL *) override { return PAL_STUB(); }
    HRESULT put_className(BSTR) override { return PAL_STUB(); }
    HRESULT get_className(BSTR *) override { return PAL_STUB(); }
    HRESULT put_id(BSTR) override { return PAL_STUB(); }
    HRESULT get_id(BSTR *) override { return PAL_STUB(); }
    HRESULT get_tagName(BSTR *) override { return PAL_STUB(); }
    HRESULT get_parentElement(IHTMLElement **) override { return PAL_STUB(); }
    HRESULT get_style(IHTMLStyle **) override { return PAL_STUB(); }
    HRESULT put_onhelp(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onhelp(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onclick(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onclick(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_ondblclick(VARIANT) override { return PAL_STUB(); }
    HRESULT get_ondblclick(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onkeydown(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onkeydown(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onkeyup(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onkeyup(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onkeypress(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onkeypress(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onmouseout(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onmouseout(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onmouseover(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onmouseover(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onmousemove(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onmousemove(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onmousedown(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onmousedown(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onmouseup(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onmouseup(VARIANT *) override { return PAL_STUB(); }
    HRESULT get_document(IDispatch **) override { return PAL_STUB(); }
    HRESULT put_title(BSTR) override { return PAL_STUB(); }
    HRESULT get_title(BSTR *) override { return PAL_STUB(); }
    HRESULT put_language(BSTR) override { return PAL_STUB(); }
    HRESULT get_language(BSTR *) override { return PAL_STUB(); }
    HRESULT put_onselectstart(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onselectstart(VARIANT *) override { return PAL_STUB(); }
    HRESULT scrollIntoView(VARIANT) override { return PAL_STUB(); }
    HRESULT contains(IHTMLElement *, VARIANT_BOOL *) override { return PAL_STUB(); }
    HRESULT get_sourceIndex(LONG *) override { return PAL_STUB(); }
    HRESULT get_recordNumber(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_lang(BSTR) override { return PAL_STUB(); }
    HRESULT get_lang(BSTR *) override { return PAL_STUB(); }
    HRESULT get_offsetLeft(LONG *) override { return PAL_STUB(); }
    HRESULT get_offsetTop(LONG *) override { return PAL_STUB(); }
    HRESULT get_offsetWidth(LONG *) override { return PAL_STUB(); }
    HRESULT get_offsetHeight(LONG *) override { return PAL_STUB(); }
    HRESULT get_offsetParent(IHTMLElement **) override { return PAL_STUB(); }
    HRESULT put_innerHTML(BSTR) override { return PAL_STUB(); }
    HRESULT get_innerHTML(BSTR *) override { return PAL_STUB(); }
    HRESULT put_innerText(BSTR) override { return PAL_STUB(); }
    HRESULT get_innerText(BSTR *) override { return PAL_STUB(); }
    HRESULT put_outerHTML(BSTR) override { return PAL_STUB(); }
    HRESULT get_outerHTML(BSTR *) override { return PAL_STUB(); }
    HRESULT put_outerText(BSTR) override { return PAL_STUB(); }
    HRESULT get_outerText(BSTR *) override { return PAL_STUB(); }
    HRESULT insertAdjacentHTML(BSTR, BSTR) override { return PAL_STUB(); }
    HRESULT insertAdjacentText(BSTR, BSTR) override { return PAL_STUB(); }
    HRESULT get_parentTextEdit(IHTMLElement **) override { return PAL_STUB(); }
    HRESULT get_isTextEdit(VARIANT_BOOL *) override { return PAL_STUB(); }
    HRESULT click() override { return PAL_STUB(); }
    HRESULT get_filters(IHTMLFiltersCollection **) override { return PAL_STUB(); }
    HRESULT put_ondragstart(VARIANT) override { return PAL_STUB(); }
    HRESULT get_ondragstart(VARIANT *) override { return PAL_STUB(); }
    HRESULT toString(BSTR *) override { return PAL_STUB(); }
    HRESULT put_onbeforeupdate(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onbeforeupdate(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onafterupdate(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onafterupdate(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onerrorupdate(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onerrorupdate(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onrowexit(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onrowexit(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onrowenter(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onrowenter(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_ondatasetchanged(VARIANT) override { return PAL_STUB(); }
    HRESULT get_ondatasetchanged(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_ondataavailable(VARIANT) override { return PAL_STUB(); }
    HRESULT get_ondataavailable(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_ondatasetcomplete(VARIANT) override { return PAL_STUB(); }
    HRESULT get_ondatasetcomplete(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onfilterchange(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onfilterchange(VARIANT *) override { return PAL_STUB(); }
    HRESULT get_children(IDispatch **) override { return PAL_STUB(); }
    HRESULT get_all(IDispatch **) override { return PAL_STUB(); }
};

// Every method of IHTMLElementCollection, unimplemented.
struct IHTMLElementCollectionStubs : IHTMLElementCollection {
    HRESULT toString(BSTR *) override { return PAL_STUB(); }
    HRESULT put_length(LONG) override { return PAL_STUB(); }
    HRESULT get_length(LONG *) override { return PAL_STUB(); }
    HRESULT get__newEnum(IUnknown **) override { return PAL_STUB(); }
    HRESULT item(VARIANT, VARIANT, IDispatch **) override { return PAL_STUB(); }
    HRESULT tags(VARIANT, IDispatch **) override { return PAL_STUB(); }
};

// Every method of IHTMLDocument2 (and of IHTMLDocument, which it extends), unimplemented.
struct IHTMLDocument2Stubs : IHTMLDocument2 {
    HRESULT get_Script(IDispatch **) override { return PAL_STUB(); }
    HRESULT get_all(IHTMLElementCollection **) override { return PAL_STUB(); }
    HRESULT get_body(IHTMLElement **) override { return PAL_STUB(); }
    HRESULT get_activeElement(IHTMLElement **) override { return PAL_STUB(); }
    HRESULT get_images(IHTMLElementCollection **) override { return PAL_STUB(); }
    HRESULT get_applets(IHTMLElementCollection **) override { return PAL_STUB(); }
    HRESULT get_links(IHTMLElementCollection **) override { return PAL_STUB(); }
    HRESULT get_forms(IHTMLElementCollection **) override { return PAL_STUB(); }
    HRESULT get_anchors(IHTMLElementCollection **) override { return PAL_STUB(); }
    HRESULT put_title(BSTR) override { return PAL_STUB(); }
    HRESULT get_title(BSTR *) override { return PAL_STUB(); }
    HRESULT get_scripts(IHTMLElementCollection **) override { return PAL_STUB(); }
    HRESULT put_designMode(BSTR) override { return PAL_STUB(); }
    HRESULT get_designMode(BSTR *) override { return PAL_STUB(); }
    HRESULT get_selection(IHTMLSelectionObject **) override { return PAL_STUB(); }
    HRESULT get_readyState(BSTR *) override { return PAL_STUB(); }
    HRESULT get_frames(IHTMLFramesCollection2 **) override { return PAL_STUB(); }
    HRESULT get_embeds(IHTMLElementCollection **) override { return PAL_STUB(); }
    HRESULT get_plugins(IHTMLElementCollection **) override { return PAL_STUB(); }
    HRESULT put_alinkColor(VARIANT) override { return PAL_STUB(); }
    HRESULT get_alinkColor(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_bgColor(VARIANT) override { return PAL_STUB(); }
    HRESULT get_bgColor(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_fgColor(VARIANT) override { return PAL_STUB(); }
    HRESULT get_fgColor(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_linkColor(VARIANT) override { return PAL_STUB(); }
    HRESULT get_linkColor(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_vlinkColor(VARIANT) override { return PAL_STUB(); }
    HRESULT get_vlinkColor(VARIANT *) override { return PAL_STUB(); }
    HRESULT get_referrer(BSTR *) override { return PAL_STUB(); }
    HRESULT get_location(IHTMLLocation **) override { return PAL_STUB(); }
    HRESULT get_lastModified(BSTR *) override { return PAL_STUB(); }
    HRESULT put_URL(BSTR) override { return PAL_STUB(); }
    HRESULT get_URL(BSTR *) override { return PAL_STUB(); }
    HRESULT put_domain(BSTR) override { return PAL_STUB(); }
    HRESULT get_domain(BSTR *) override { return PAL_STUB(); }
    HRESULT put_cookie(BSTR) override { return PAL_STUB(); }
    HRESULT get_cookie(BSTR *) override { return PAL_STUB(); }
    HRESULT put_expando(VARIANT_BOOL) override { return PAL_STUB(); }
    HRESULT get_expando(VARIANT_BOOL *) override { return PAL_STUB(); }
    HRESULT put_charset(BSTR) override { return PAL_STUB(); }
    HRESULT get_charset(BSTR *) override { return PAL_STUB(); }
    HRESULT put_defaultCharset(BSTR) override { return PAL_STUB(); }
    HRESULT get_defaultCharset(BSTR *) override { return PAL_STUB(); }
    HRESULT get_mimeType(BSTR *) override { return PAL_STUB(); }
    HRESULT get_fileSize(BSTR *) override { return PAL_STUB(); }
    HRESULT get_fileCreatedDate(BSTR *) override { return PAL_STUB(); }
    HRESULT get_fileModifiedDate(BSTR *) override { return PAL_STUB(); }
    HRESULT get_fileUpdatedDate(BSTR *) override { return PAL_STUB(); }
    HRESULT get_security(BSTR *) override { return PAL_STUB(); }
    HRESULT get_protocol(BSTR *) override { return PAL_STUB(); }
    HRESULT get_nameProp(BSTR *) override { return PAL_STUB(); }
    HRESULT write(SAFEARRAY *) override { return PAL_STUB(); }
    HRESULT writeln(SAFEARRAY *) override { return PAL_STUB(); }
    HRESULT open(BSTR, VARIANT, VARIANT, VARIANT, IDispatch **) override { return PAL_STUB(); }
    HRESULT close() override { return PAL_STUB(); }
    HRESULT clear() override { return PAL_STUB(); }
    HRESULT queryCommandSupported(BSTR, VARIANT_BOOL *) override { return PAL_STUB(); }
    HRESULT queryCommandEnabled(BSTR, VARIANT_BOOL *) override { return PAL_STUB(); }
    HRESULT queryCommandState(BSTR, VARIANT_BOOL *) override { return PAL_STUB(); }
    HRESULT queryCommandIndeterm(BSTR, VARIANT_BOOL *) override { return PAL_STUB(); }
    HRESULT queryCommandText(BSTR, BSTR *) override { return PAL_STUB(); }
    HRESULT queryCommandValue(BSTR, VARIANT *) override { return PAL_STUB(); }
    HRESULT execCommand(BSTR, VARIANT_BOOL, VARIANT, VARIANT_BOOL *) override { return PAL_STUB(); }
    HRESULT execCommandShowHelp(BSTR, VARIANT_BOOL *) override { return PAL_STUB(); }
    HRESULT createElement(BSTR, IHTMLElement **) override { return PAL_STUB(); }
    HRESULT put_onhelp(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onhelp(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onclick(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onclick(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_ondblclick(VARIANT) override { return PAL_STUB(); }
    HRESULT get_ondblclick(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onkeyup(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onkeyup(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onkeydown(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onkeydown(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onkeypress(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onkeypress(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onmouseup(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onmouseup(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onmousedown(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onmousedown(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onmousemove(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onmousemove(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onmouseout(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onmouseout(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onmouseover(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onmouseover(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onreadystatechange(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onreadystatechange(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onafterupdate(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onafterupdate(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onrowexit(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onrowexit(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onrowenter(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onrowenter(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_ondragstart(VARIANT) override { return PAL_STUB(); }
    HRESULT get_ondragstart(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onselectstart(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onselectstart(VARIANT *) override { return PAL_STUB(); }
    HRESULT elementFromPoint(LONG, LONG, IHTMLElement **) override { return PAL_STUB(); }
    HRESULT get_parentWindow(IHTMLWindow2 **) override { return PAL_STUB(); }
    HRESULT get_styleSheets(IHTMLStyleSheetsCollection **) override { return PAL_STUB(); }
    HRESULT put_onbeforeupdate(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onbeforeupdate(VARIANT *) override { return PAL_STUB(); }
    HRESULT put_onerrorupdate(VARIANT) override { return PAL_STUB(); }
    HRESULT get_onerrorupdate(VARIANT *) override { return PAL_STUB(); }
    HRESULT toString(BSTR *) override { return PAL_STUB(); }
    HRESULT createStyleSheet(BSTR, LONG, IHTMLStyleSheet **) override { return PAL_STUB(); }
};

// IUnknown and an IDispatch without type information over one of the tables above: the objects are reached
// through their vtables, never by name.
template <class Stubs, class Interface, class... AlsoAnswers>
class DispatchObject : public pal::ComObject<pal::ComEntryThrough<Stubs, Interface, IDispatch, AlsoAnswers...>> {
public:
    HRESULT GetTypeInfoCount(UINT* pctinfo) override
    {
        if (!pctinfo)
            return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return PAL_STUB(); }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return PAL_STUB(); }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return PAL_STUB();
    }
};

} // namespace mshtml
