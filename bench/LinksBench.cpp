// Link extraction (the document walk, the three text scans, server grouping and the data requests) on the
// largest HTML bodies of ../shared/corpus/eml, against a bare gumbo parse of the same bodies in the same
// run, in links per second. No request leaves the machine: every host name resolves to loopback through
// the test mapping of the network, which is never fetched, and only the offline provider is selected.
#include <benchmark/benchmark.h>

#include <gumbo.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "email/EmailLinks.h"
#include "geo/GeoLocationManager.h"
#include "CorpusBodies.h"
#include "pal/host.h"

namespace {

struct Setup {
    Setup()
    {
        char dir[] = "/tmp/vantora-bench-links-XXXXXX";
        if (!mkdtemp(dir))
            std::abort();
        prefix = dir;
        pal::SetPrefixPath(prefix);
        setenv("VANTORA_CONNECT_TO", "127.0.0.1:9", 1);
        unsetenv("VANTORA_FETCH_LOOPBACK_LINKS");
        CGeoLocationManager& manager = CGeoLocationManager::Instance();
        manager.InitOnStartup();
        for (const auto& p : manager.GetProviders())
            if (p->GetProviderName() == WString(u"location.ipfire.org"))
                manager.SetSelected({p->GetProviderId()});
    }
    ~Setup()
    {
        CGeoLocationManager::Instance().CleanUpOnClose();
        std::error_code ec;
        std::filesystem::remove_all(prefix, ec);
    }
    std::string prefix;
};

const std::vector<std::u16string>& Bodies() { return bench::LargestHtmlBodies(); }

size_t Bytes()
{
    size_t n = 0;
    for (const auto& b : Bodies())
        n += b.size() * sizeof(char16_t);
    return n;
}

void BareGumbo(benchmark::State& state)
{
    std::vector<std::string> utf8;
    for (const auto& body : Bodies())
        utf8.push_back(pal::ToUtf8(body));
    for (auto _ : state)
        for (const std::string& text : utf8) {
            GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, text.data(), text.size());
            benchmark::DoNotOptimize(output->root);
            gumbo_destroy_output(&kGumboDefaultOptions, output);
        }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Bytes()));
}

// One link object per message, as the add-in keeps one: each body is extracted, then cleared.
void LinkExtraction(benchmark::State& state)
{
    static Setup setup;
    CEmailLinks links;
    size_t count = 0, servers = 0;
    for (auto _ : state)
        for (const auto& body : Bodies()) {
            links.SetEmailItem(body.c_str());
            for (const IPInfo4Links& server : links.GetLinkServers())
                count += server.links.size();
            servers += links.GetLinkServers().size();
            links.Clear();
        }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Bytes()));
    state.counters["links"] = benchmark::Counter(double(count), benchmark::Counter::kIsRate);
    state.counters["servers"] = benchmark::Counter(double(servers), benchmark::Counter::kIsRate);
}

BENCHMARK(BareGumbo)->Unit(benchmark::kMillisecond);
BENCHMARK(LinkExtraction)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
