// Vantora platform layer: declares only what Vantora uses of MSHTML: the HTML document a body is written into,
// its links collection and the elements in it. The interfaces keep MSHTML's method order and ids (the add-in
// is also compiled against the Windows SDK's mshtml.h); the layer implements write, close, links, the
// collection's length and item, and the element's getAttribute, tagName and innerText. The rest return
// E_NOTIMPL.
#pragma once

#pragma GCC visibility push(default)

#include "pal/com.h"
#include "pal/variant.h"

struct IHTMLWindow2;
struct IHTMLStyle;
struct IHTMLStyleSheet;
struct IHTMLStyleSheetsCollection;
struct IHTMLFiltersCollection;
struct IHTMLFramesCollection2;
struct IHTMLLocation;
struct IHTMLSelectionObject;
struct IHTMLElementCollection;

DECLARE_INTERFACE_IID(IHTMLElement, IDispatch, "3050F1FF-98B5-11CF-BB82-00AA00BDCE0B")
{
    virtual HRESULT setAttribute(BSTR strAttributeName, VARIANT AttributeValue, LONG lFlags = 1) = 0;
    virtual HRESULT getAttribute(BSTR strAttributeName, LONG lFlags = 0, VARIANT *AttributeValue = 0) = 0;
    virtual HRESULT removeAttribute(BSTR strAttributeName, LONG lFlags = 1, VARIANT_BOOL *pfSuccess = 0) = 0;
    virtual HRESULT put_className(BSTR v) = 0;
    virtual HRESULT get_className(BSTR *p) = 0;
    virtual HRESULT put_id(BSTR v) = 0;
    virtual HRESULT get_id(BSTR *p) = 0;
    virtual HRESULT get_tagName(BSTR *p) = 0;
    virtual HRESULT get_parentElement(IHTMLElement **p) = 0;
    virtual HRESULT get_style(IHTMLStyle **p) = 0;
    virtual HRESULT put_onhelp(VARIANT v) = 0;
    virtual HRESULT get_onhelp(VARIANT *p) = 0;
    virtual HRESULT put_onclick(VARIANT v) = 0;
    virtual HRESULT get_onclick(VARIANT *p) = 0;
    virtual HRESULT put_ondblclick(VARIANT v) = 0;
    virtual HRESULT get_ondblclick(VARIANT *p) = 0;
    virtual HRESULT put_onkeydown(VARIANT v) = 0;
    virtual HRESULT get_onkeydown(VARIANT *p) = 0;
    virtual HRESULT put_onkeyup(VARIANT v) = 0;
    virtual HRESULT get_onkeyup(VARIANT *p) = 0;
    virtual HRESULT put_onkeypress(VARIANT v) = 0;
    virtual HRESULT get_onkeypress(VARIANT *p) = 0;
    virtual HRESULT put_onmouseout(VARIANT v) = 0;
    virtual HRESULT get_onmouseout(VARIANT *p) = 0;
    virtual HRESULT put_onmouseover(VARIANT v) = 0;
    virtual HRESULT get_onmouseover(VARIANT *p) = 0;
    virtual HRESULT put_onmousemove(VARIANT v) = 0;
    virtual HRESULT get_onmousemove(VARIANT *p) = 0;
    virtual HRESULT put_onmousedown(VARIANT v) = 0;
    virtual HRESULT get_onmousedown(VARIANT *p) = 0;
    virtual HRESULT put_onmouseup(VARIANT v) = 0;
    virtual HRESULT get_onmouseup(VARIANT *p) = 0;
    virtual HRESULT get_document(IDispatch **p) = 0;
    virtual HRESULT put_title(BSTR v) = 0;
    virtual HRESULT get_title(BSTR *p) = 0;
    virtual HRESULT put_language(BSTR v) = 0;
    virtual HRESULT get_language(BSTR *p) = 0;
    virtual HRESULT put_onselectstart(VARIANT v) = 0;
    virtual HRESULT get_onselectstart(VARIANT *p) = 0;
    virtual HRESULT scrollIntoView(VARIANT varargStart) = 0;
    virtual HRESULT contains(IHTMLElement *pChild, VARIANT_BOOL *pfResult) = 0;
    virtual HRESULT get_sourceIndex(LONG *p) = 0;
    virtual HRESULT get_recordNumber(VARIANT *p) = 0;
    virtual HRESULT put_lang(BSTR v) = 0;
    virtual HRESULT get_lang(BSTR *p) = 0;
    virtual HRESULT get_offsetLeft(LONG *p) = 0;
    virtual HRESULT get_offsetTop(LONG *p) = 0;
    virtual HRESULT get_offsetWidth(LONG *p) = 0;
    virtual HRESULT get_offsetHeight(LONG *p) = 0;
    virtual HRESULT get_offsetParent(IHTMLElement **p) = 0;
    virtual HRESULT put_innerHTML(BSTR v) = 0;
    virtual HRESULT get_innerHTML(BSTR *p) = 0;
    virtual HRESULT put_innerText(BSTR v) = 0;
    virtual HRESULT get_innerText(BSTR *p) = 0;
    virtual HRESULT put_outerHTML(BSTR v) = 0;
    virtual HRESULT get_outerHTML(BSTR *p) = 0;
    virtual HRESULT put_outerText(BSTR v) = 0;
    virtual HRESULT get_outerText(BSTR *p) = 0;
    virtual HRESULT insertAdjacentHTML(BSTR where, BSTR html) = 0;
    virtual HRESULT insertAdjacentText(BSTR where, BSTR text) = 0;
    virtual HRESULT get_parentTextEdit(IHTMLElement **p) = 0;
    virtual HRESULT get_isTextEdit(VARIANT_BOOL *p) = 0;
    virtual HRESULT click() = 0;
    virtual HRESULT get_filters(IHTMLFiltersCollection **p) = 0;
    virtual HRESULT put_ondragstart(VARIANT v) = 0;
    virtual HRESULT get_ondragstart(VARIANT *p) = 0;
    virtual HRESULT toString(BSTR *String) = 0;
    virtual HRESULT put_onbeforeupdate(VARIANT v) = 0;
    virtual HRESULT get_onbeforeupdate(VARIANT *p) = 0;
    virtual HRESULT put_onafterupdate(VARIANT v) = 0;
    virtual HRESULT get_onafterupdate(VARIANT *p) = 0;
    virtual HRESULT put_onerrorupdate(VARIANT v) = 0;
    virtual HRESULT get_onerrorupdate(VARIANT *p) = 0;
    virtual HRESULT put_onrowexit(VARIANT v) = 0;
    virtual HRESULT get_onrowexit(VARIANT *p) = 0;
    virtual HRESULT put_onrowenter(VARIANT v) = 0;
    virtual HRESULT get_onrowenter(VARIANT *p) = 0;
    virtual HRESULT put_ondatasetchanged(VARIANT v) = 0;
    virtual HRESULT get_ondatasetchanged(VARIANT *p) = 0;
    virtual HRESULT put_ondataavailable(VARIANT v) = 0;
    virtual HRESULT get_ondataavailable(VARIANT *p) = 0;
    virtual HRESULT put_ondatasetcomplete(VARIANT v) = 0;
    virtual HRESULT get_ondatasetcomplete(VARIANT *p) = 0;
    virtual HRESULT put_onfilterchange(VARIANT v) = 0;
    virtual HRESULT get_onfilterchange(VARIANT *p) = 0;
    virtual HRESULT get_children(IDispatch **p) = 0;
    virtual HRESULT get_all(IDispatch **p) = 0;
};

DECLARE_INTERFACE_IID(IHTMLElementCollection, IDispatch, "3050F21F-98B5-11CF-BB82-00AA00BDCE0B")
{
    virtual HRESULT toString(BSTR *String) = 0;
    virtual HRESULT put_length(LONG v) = 0;
    virtual HRESULT get_length(LONG *p) = 0;
    virtual HRESULT get__newEnum(IUnknown **p) = 0;
    virtual HRESULT item(VARIANT name, VARIANT index, IDispatch **pdisp) = 0;
    virtual HRESULT tags(VARIANT tagName, IDispatch **pdisp) = 0;
};

DECLARE_INTERFACE_IID(IHTMLDocument, IDispatch, "626FC520-A41E-11CF-A731-00A0C9082637")
{
    virtual HRESULT get_Script(IDispatch **p) = 0;
};

DECLARE_INTERFACE_IID(IHTMLDocument2, IHTMLDocument, "332C4425-26CB-11D0-B483-00C04FD90119")
{
    virtual HRESULT get_all(IHTMLElementCollection **p) = 0;
    virtual HRESULT get_body(IHTMLElement **p) = 0;
    virtual HRESULT get_activeElement(IHTMLElement **p) = 0;
    virtual HRESULT get_images(IHTMLElementCollection **p) = 0;
    virtual HRESULT get_applets(IHTMLElementCollection **p) = 0;
    virtual HRESULT get_links(IHTMLElementCollection **p) = 0;
    virtual HRESULT get_forms(IHTMLElementCollection **p) = 0;
    virtual HRESULT get_anchors(IHTMLElementCollection **p) = 0;
    virtual HRESULT put_title(BSTR v) = 0;
    virtual HRESULT get_title(BSTR *p) = 0;
    virtual HRESULT get_scripts(IHTMLElementCollection **p) = 0;
    virtual HRESULT put_designMode(BSTR v) = 0;
    virtual HRESULT get_designMode(BSTR *p) = 0;
    virtual HRESULT get_selection(IHTMLSelectionObject **p) = 0;
    virtual HRESULT get_readyState(BSTR *p) = 0;
    virtual HRESULT get_frames(IHTMLFramesCollection2 **p) = 0;
    virtual HRESULT get_embeds(IHTMLElementCollection **p) = 0;
    virtual HRESULT get_plugins(IHTMLElementCollection **p) = 0;
    virtual HRESULT put_alinkColor(VARIANT v) = 0;
    virtual HRESULT get_alinkColor(VARIANT *p) = 0;
    virtual HRESULT put_bgColor(VARIANT v) = 0;
    virtual HRESULT get_bgColor(VARIANT *p) = 0;
    virtual HRESULT put_fgColor(VARIANT v) = 0;
    virtual HRESULT get_fgColor(VARIANT *p) = 0;
    virtual HRESULT put_linkColor(VARIANT v) = 0;
    virtual HRESULT get_linkColor(VARIANT *p) = 0;
    virtual HRESULT put_vlinkColor(VARIANT v) = 0;
    virtual HRESULT get_vlinkColor(VARIANT *p) = 0;
    virtual HRESULT get_referrer(BSTR *p) = 0;
    virtual HRESULT get_location(IHTMLLocation **p) = 0;
    virtual HRESULT get_lastModified(BSTR *p) = 0;
    virtual HRESULT put_URL(BSTR v) = 0;
    virtual HRESULT get_URL(BSTR *p) = 0;
    virtual HRESULT put_domain(BSTR v) = 0;
    virtual HRESULT get_domain(BSTR *p) = 0;
    virtual HRESULT put_cookie(BSTR v) = 0;
    virtual HRESULT get_cookie(BSTR *p) = 0;
    virtual HRESULT put_expando(VARIANT_BOOL v) = 0;
    virtual HRESULT get_expando(VARIANT_BOOL *p) = 0;
    virtual HRESULT put_charset(BSTR v) = 0;
    virtual HRESULT get_charset(BSTR *p) = 0;
    virtual HRESULT put_defaultCharset(BSTR v) = 0;
    virtual HRESULT get_defaultCharset(BSTR *p) = 0;
    virtual HRESULT get_mimeType(BSTR *p) = 0;
    virtual HRESULT get_fileSize(BSTR *p) = 0;
    virtual HRESULT get_fileCreatedDate(BSTR *p) = 0;
    virtual HRESULT get_fileModifiedDate(BSTR *p) = 0;
    virtual HRESULT get_fileUpdatedDate(BSTR *p) = 0;
    virtual HRESULT get_security(BSTR *p) = 0;
    virtual HRESULT get_protocol(BSTR *p) = 0;
    virtual HRESULT get_nameProp(BSTR *p) = 0;
    virtual HRESULT write(SAFEARRAY *psarray) = 0;
    virtual HRESULT writeln(SAFEARRAY *psarray) = 0;
    virtual HRESULT open(BSTR url, VARIANT name, VARIANT features, VARIANT replace, IDispatch **pomWindowResult) = 0;
    virtual HRESULT close() = 0;
    virtual HRESULT clear() = 0;
    virtual HRESULT queryCommandSupported(BSTR cmdID, VARIANT_BOOL *pfRet) = 0;
    virtual HRESULT queryCommandEnabled(BSTR cmdID, VARIANT_BOOL *pfRet) = 0;
    virtual HRESULT queryCommandState(BSTR cmdID, VARIANT_BOOL *pfRet) = 0;
    virtual HRESULT queryCommandIndeterm(BSTR cmdID, VARIANT_BOOL *pfRet) = 0;
    virtual HRESULT queryCommandText(BSTR cmdID, BSTR *pcmdText) = 0;
    virtual HRESULT queryCommandValue(BSTR cmdID, VARIANT *pcmdValue) = 0;
    virtual HRESULT execCommand(BSTR cmdID, VARIANT_BOOL showUI, VARIANT value, VARIANT_BOOL *pfRet) = 0;
    virtual HRESULT execCommandShowHelp(BSTR cmdID, VARIANT_BOOL *pfRet) = 0;
    virtual HRESULT createElement(BSTR eTag, IHTMLElement **newElem) = 0;
    virtual HRESULT put_onhelp(VARIANT v) = 0;
    virtual HRESULT get_onhelp(VARIANT *p) = 0;
    virtual HRESULT put_onclick(VARIANT v) = 0;
    virtual HRESULT get_onclick(VARIANT *p) = 0;
    virtual HRESULT put_ondblclick(VARIANT v) = 0;
    virtual HRESULT get_ondblclick(VARIANT *p) = 0;
    virtual HRESULT put_onkeyup(VARIANT v) = 0;
    virtual HRESULT get_onkeyup(VARIANT *p) = 0;
    virtual HRESULT put_onkeydown(VARIANT v) = 0;
    virtual HRESULT get_onkeydown(VARIANT *p) = 0;
    virtual HRESULT put_onkeypress(VARIANT v) = 0;
    virtual HRESULT get_onkeypress(VARIANT *p) = 0;
    virtual HRESULT put_onmouseup(VARIANT v) = 0;
    virtual HRESULT get_onmouseup(VARIANT *p) = 0;
    virtual HRESULT put_onmousedown(VARIANT v) = 0;
    virtual HRESULT get_onmousedown(VARIANT *p) = 0;
    virtual HRESULT put_onmousemove(VARIANT v) = 0;
    virtual HRESULT get_onmousemove(VARIANT *p) = 0;
    virtual HRESULT put_onmouseout(VARIANT v) = 0;
    virtual HRESULT get_onmouseout(VARIANT *p) = 0;
    virtual HRESULT put_onmouseover(VARIANT v) = 0;
    virtual HRESULT get_onmouseover(VARIANT *p) = 0;
    virtual HRESULT put_onreadystatechange(VARIANT v) = 0;
    virtual HRESULT get_onreadystatechange(VARIANT *p) = 0;
    virtual HRESULT put_onafterupdate(VARIANT v) = 0;
    virtual HRESULT get_onafterupdate(VARIANT *p) = 0;
    virtual HRESULT put_onrowexit(VARIANT v) = 0;
    virtual HRESULT get_onrowexit(VARIANT *p) = 0;
    virtual HRESULT put_onrowenter(VARIANT v) = 0;
    virtual HRESULT get_onrowenter(VARIANT *p) = 0;
    virtual HRESULT put_ondragstart(VARIANT v) = 0;
    virtual HRESULT get_ondragstart(VARIANT *p) = 0;
    virtual HRESULT put_onselectstart(VARIANT v) = 0;
    virtual HRESULT get_onselectstart(VARIANT *p) = 0;
    virtual HRESULT elementFromPoint(LONG x, LONG y, IHTMLElement **elementHit) = 0;
    virtual HRESULT get_parentWindow(IHTMLWindow2 **p) = 0;
    virtual HRESULT get_styleSheets(IHTMLStyleSheetsCollection **p) = 0;
    virtual HRESULT put_onbeforeupdate(VARIANT v) = 0;
    virtual HRESULT get_onbeforeupdate(VARIANT *p) = 0;
    virtual HRESULT put_onerrorupdate(VARIANT v) = 0;
    virtual HRESULT get_onerrorupdate(VARIANT *p) = 0;
    virtual HRESULT toString(BSTR *String) = 0;
    virtual HRESULT createStyleSheet(BSTR bstrHref, LONG lIndex = -1, IHTMLStyleSheet **ppnewStyleSheet = 0) = 0;
};

struct HTMLDocument;
DEFINE_UUIDOF(HTMLDocument, "25336920-03F9-11CF-8FD0-00AA00686F13");
#define CLSID_HTMLDocument __uuidof(HTMLDocument)
#define IID_IHTMLDocument __uuidof(IHTMLDocument)
#define IID_IHTMLDocument2 __uuidof(IHTMLDocument2)
#define IID_IHTMLElement __uuidof(IHTMLElement)
#define IID_IHTMLElementCollection __uuidof(IHTMLElementCollection)

#pragma GCC visibility pop
