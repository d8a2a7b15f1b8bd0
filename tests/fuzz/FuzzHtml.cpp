// HTML bodies through the document engine as the link extraction reads them: write, close, then every link's
// href (as written and expanded), another attribute and its text. A link always has an element; an expanded
// address is never empty when the written one is not blank; nothing crashes, hangs or leaks.
#include <string>

#include "FuzzSupport.h"

#include <mshtml.h>
#include <oleauto.h>

namespace {

std::u16string Read(IHTMLElement* element, const char16_t* name, LONG flags)
{
    BSTR bname = SysAllocString(name);
    VARIANT value;
    VariantInit(&value);
    HRESULT hr = element->getAttribute(bname, flags, &value);
    SysFreeString(bname);
    FUZZ_ASSERT(hr == S_OK && (value.vt == VT_NULL || value.vt == VT_BSTR));
    std::u16string out = value.vt == VT_BSTR && value.bstrVal ? std::u16string(value.bstrVal) : u"";
    VariantClear(&value);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Prefix();
    std::u16string body = fuzz::Text(data, size);
    IHTMLDocument2* doc = nullptr;
    FUZZ_ASSERT(CoCreateInstance(CLSID_HTMLDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IHTMLDocument2,
                                 reinterpret_cast<void**>(&doc)) == S_OK);
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    VARIANT* items = nullptr;
    FUZZ_ASSERT(SafeArrayAccessData(array, reinterpret_cast<void**>(&items)) == S_OK);
    items[0].vt = VT_BSTR;
    items[0].bstrVal = SysAllocStringLen(body.data(), UINT(body.size()));
    SafeArrayUnaccessData(array);
    FUZZ_ASSERT(doc->write(array) == S_OK);
    SafeArrayDestroy(array);
    FUZZ_ASSERT(doc->close() == S_OK);

    IHTMLElementCollection* links = nullptr;
    FUZZ_ASSERT(doc->get_links(&links) == S_OK && links);
    LONG length = -1;
    FUZZ_ASSERT(links->get_length(&length) == S_OK && length >= 0);
    for (LONG i = 0; i < length; ++i) {
        VARIANT index, empty;
        VariantInit(&empty);
        index.vt = VT_I4;
        index.lVal = i;
        IDispatch* disp = nullptr;
        FUZZ_ASSERT(links->item(index, empty, &disp) == S_OK && disp);
        IHTMLElement* element = nullptr;
        FUZZ_ASSERT(disp->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(&element)) == S_OK);
        disp->Release();
        std::u16string written = Read(element, u"hRef", 2);
        std::u16string expanded = Read(element, u"hRef", 4);
        bool blank = written.find_first_not_of(u" \t\r\n\f") == std::u16string::npos;
        FUZZ_ASSERT(blank || !expanded.empty());
        Read(element, u"title", 0);
        BSTR text = nullptr;
        FUZZ_ASSERT(element->get_innerText(&text) == S_OK);
        FUZZ_ASSERT(!text || SysStringLen(text) <= body.size() * 3);
        SysFreeString(text);
        element->Release();
    }
    links->Release();
    doc->Release();
    return 0;
}
