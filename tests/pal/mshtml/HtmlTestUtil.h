// Helpers of the HTML document tests: a document created as the add-in creates it, filled by write and
// close, and readers of its links that report failures at the caller's line.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <windows.h>
#include <atlbase.h>
#include <mshtml.h>
#include <oleauto.h>

#include "__Utilities/WString.h"
#include "pal/host.h"
#include "support/Wine.h"

namespace html_test {

// Wine's MSHTML is built on Gecko, which cannot be installed here: under Wine there is no document to test.
class HtmlEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (testing_support::RunningOnWine())
            GTEST_SKIP() << "Wine: its HTMLDocument needs the Gecko engine, which cannot be installed offline";
    }
};

inline CComPtr<IHTMLDocument2> NewDocument()
{
    CComPtr<IHTMLDocument2> doc;
    EXPECT_EQ(S_OK, CoCreateInstance(__uuidof(HTMLDocument), nullptr, CLSCTX_INPROC_SERVER, IID_IHTMLDocument2,
                                     reinterpret_cast<void**>(&doc)));
    return doc;
}

// Writes one string as the add-in does: a one-element array of variants.
inline HRESULT Write(IHTMLDocument2* doc, const WString& text)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    if (!array)
        return E_OUTOFMEMORY;
    VARIANT* items = nullptr;
    SafeArrayAccessData(array, reinterpret_cast<void**>(&items));
    items[0].vt = VT_BSTR;
    items[0].bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
    SafeArrayUnaccessData(array);
    HRESULT hr = doc->write(array);
    SafeArrayDestroy(array);
    return hr;
}

inline CComPtr<IHTMLDocument2> Load(const WString& html)
{
    CComPtr<IHTMLDocument2> doc = NewDocument();
    if (doc) {
        EXPECT_EQ(S_OK, Write(doc, html));
        EXPECT_EQ(S_OK, doc->close());
    }
    return doc;
}

inline CComPtr<IHTMLElementCollection> Links(IHTMLDocument2* doc)
{
    CComPtr<IHTMLElementCollection> links;
    EXPECT_EQ(S_OK, doc->get_links(&links));
    return links;
}

inline LONG Length(IHTMLElementCollection* links)
{
    LONG n = -1;
    EXPECT_EQ(S_OK, links->get_length(&n));
    return n;
}

inline CComPtr<IHTMLElement> Item(IHTMLElementCollection* links, LONG i)
{
    VARIANT index, empty;
    VariantInit(&empty);
    index.vt = VT_I4;
    index.lVal = i;
    CComPtr<IDispatch> disp;
    EXPECT_EQ(S_OK, links->item(index, empty, &disp));
    CComPtr<IHTMLElement> element;
    if (disp) {
        EXPECT_EQ(S_OK, disp->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(&element)));
    }
    return element;
}

// The attribute as UTF-8, "<null>" for VT_NULL, "<type N>" for anything else.
inline std::string Attribute(IHTMLElement* element, const WString& name, LONG flags)
{
    BSTR bname = SysAllocString(name.c_str());
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = element->getAttribute(bname, flags, &value);
    SysFreeString(bname);
    if (FAILED(hr))
        return "<failed>";
    std::string out = value.vt == VT_NULL ? "<null>"
                    : value.vt == VT_BSTR ? pal::ToUtf8(value.bstrVal ? value.bstrVal : W(""))
                                          : "<type " + std::to_string(value.vt) + ">";
    VariantClear(&value);
    return out;
}

inline std::string InnerText(IHTMLElement* element)
{
    BSTR text = nullptr;
    EXPECT_EQ(S_OK, element->get_innerText(&text));
    std::string out = text ? pal::ToUtf8(text) : "";
    SysFreeString(text);
    return out;
}

inline std::string TagName(IHTMLElement* element)
{
    BSTR tag = nullptr;
    EXPECT_EQ(S_OK, element->get_tagName(&tag));
    std::string out = tag ? pal::ToUtf8(tag) : "";
    SysFreeString(tag);
    return out;
}

// Every link's expanded href, in collection order.
inline std::vector<std::string> Hrefs(IHTMLDocument2* doc, LONG flags = 4)
{
    std::vector<std::string> out;
    CComPtr<IHTMLElementCollection> links = Links(doc);
    if (!links)
        return out;
    LONG n = Length(links);
    for (LONG i = 0; i < n; ++i) {
        CComPtr<IHTMLElement> element = Item(links, i);
        out.push_back(element ? Attribute(element, W("href"), flags) : "<no element>");
    }
    return out;
}

} // namespace html_test
