// The HTML document engine against a bare gumbo parse of the same bodies, in the same run: the largest HTML
// bodies of ../shared/corpus/eml (read through the message store), and a synthetic hostile body with
// 100,000 anchors. The document case writes, closes and walks every link (href expanded, innerText), as the
// link extraction does; bytes and links per second are reported.
#include <benchmark/benchmark.h>

#include <gumbo.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <windows.h>
#include <atlbase.h>
#include <mshtml.h>
#include <oleauto.h>

#include "CorpusBodies.h"
#include "pal/host.h"

namespace {

const std::vector<std::u16string>& Bodies() { return bench::LargestHtmlBodies(); }

const std::u16string& ManyAnchors()
{
    static const std::u16string body = [] {
        std::u16string s;
        for (int i = 0; i < 100000; ++i)
            s += u"<p><a href=\"/page" + pal::ToWide(std::to_string(i)) + u".html\">link <b>text</b></a></p>\n";
        return u"<base href=\"http://h.example/dir/\">" + s;
    }();
    return body;
}

const std::vector<std::u16string>& Input(int which)
{
    static const std::vector<std::u16string> many{ManyAnchors()};
    return which == 0 ? Bodies() : many;
}

size_t Bytes(const std::vector<std::u16string>& bodies)
{
    size_t n = 0;
    for (const auto& b : bodies)
        n += b.size() * sizeof(char16_t);
    return n;
}

void BareGumbo(benchmark::State& state)
{
    std::vector<std::string> utf8;
    for (const auto& body : Input(int(state.range(0))))
        utf8.push_back(pal::ToUtf8(body));
    for (auto _ : state) {
        for (const std::string& text : utf8) {
            GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, text.data(), text.size());
            benchmark::DoNotOptimize(output->root);
            gumbo_destroy_output(&kGumboDefaultOptions, output);
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Bytes(Input(int(state.range(0))))));
}

size_t WalkLinks(const std::u16string& body)
{
    CComPtr<IHTMLDocument2> doc;
    CoCreateInstance(CLSID_HTMLDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IHTMLDocument2,
                     reinterpret_cast<void**>(&doc));
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    VARIANT* items = nullptr;
    SafeArrayAccessData(array, reinterpret_cast<void**>(&items));
    items[0].vt = VT_BSTR;
    items[0].bstrVal = SysAllocStringLen(body.data(), UINT(body.size()));
    SafeArrayUnaccessData(array);
    doc->write(array);
    SafeArrayDestroy(array);
    doc->close();
    CComPtr<IHTMLElementCollection> links;
    doc->get_links(&links);
    LONG n = 0;
    links->get_length(&n);
    BSTR href = SysAllocString(u"hRef");
    for (LONG i = 0; i < n; ++i) {
        VARIANT index, empty, value;
        VariantInit(&empty);
        VariantInit(&value);
        index.vt = VT_I4;
        index.lVal = i;
        CComPtr<IDispatch> disp;
        links->item(index, empty, &disp);
        CComPtr<IHTMLElement> element;
        disp->QueryInterface(IID_IHTMLElement, reinterpret_cast<void**>(&element));
        element->getAttribute(href, 4, &value);
        VariantClear(&value);
        BSTR text = nullptr;
        element->get_innerText(&text);
        SysFreeString(text);
    }
    SysFreeString(href);
    return size_t(n);
}

void DocumentLinks(benchmark::State& state)
{
    const auto& bodies = Input(int(state.range(0)));
    size_t links = 0;
    for (auto _ : state)
        for (const auto& body : bodies)
            links += WalkLinks(body);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Bytes(bodies)));
    state.counters["links"] = benchmark::Counter(double(links), benchmark::Counter::kIsRate);
}

// 0: the largest corpus bodies; 1: 100,000 anchors under a base.
BENCHMARK(BareGumbo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(DocumentLinks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
