// Requests completed per second through the PAL loop against a loopback server, and the CPU cost of
// digesting one provider answer.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "Utils/RequestBase.h"
#include "geo/GeoLocationProviders.h"
#include "pal/host.h"
#include "pal/loop.h"
#include "support/LoopbackServer.h"

namespace {

const char* kKeyCdnAnswer =
    R"({"status":"success","description":"Data successfully received.","data":{"geo":{"host":"8.8.8.8",)"
    R"("ip":"8.8.8.8","rdns":"dns.google","asn":15169,"isp":"GOOGLE","country_name":"United States",)"
    R"("country_code":"US","region_name":"California","region_code":"CA","city":"Mountain View",)"
    R"("postal_code":"94043","continent_name":"North America","continent_code":"NA","latitude":37.4223,)"
    R"("longitude":-122.085,"metro_code":807,"timezone":"America/Los_Angeles","datetime":"2024-01-01 00:00:00"}}})";

struct BenchRecord : RequestInfo {
    BenchRecord() { Reset(); }
    CLSID GetClassId() const override { return CLSID_XMLHTTP60; }
    void Reset() override { RequestInfo::Reset(); }
};

class AcceptingOwner : public CRequestBase {
public:
    void processResult(RequestInfo* info) override { info->status = RS_DONE; }
};

void BM_LoopbackRequestsPerSecond(benchmark::State& state)
{
    testing_support::LoopbackServer server([](const testing_support::HttpCall&) {
        testing_support::HttpReply r;
        r.body = kKeyCdnAnswer;
        return r;
    });
    std::u16string url = pal::ToWide(server.Url("/geo.json?host=8.8.8.8"));
    AcceptingOwner owner;
    const int batch = int(state.range(0));
    int64_t completed = 0;
    for (auto _ : state) {
        std::vector<std::unique_ptr<BenchRecord>> records;
        for (int i = 0; i < batch; ++i) {
            records.push_back(std::make_unique<BenchRecord>());
            owner.requestAsync(url.c_str(), records.back().get());
        }
        pal::PumpUntil([&] {
            for (auto& r : records)
                if (r->IsOutstanding())
                    return false;
            return true;
        }, 30000);
        for (auto& r : records)
            completed += r->status == RS_DONE;
    }
    state.SetItemsProcessed(completed);
}
BENCHMARK(BM_LoopbackRequestsPerSecond)->Arg(1)->Arg(4)->Arg(16)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ParseKeyCdnAnswer(benchmark::State& state)
{
    CKeyCDN provider;
    std::u16string answer = pal::ToWide(kKeyCdnAnswer);
    IPLocationInfo info;
    for (auto _ : state) {
        info.status = RS_REQUESTING;
        provider.processResult(answer.c_str(), &info);
        benchmark::DoNotOptimize(info.latitude);
    }
    if (info.status != RS_DONE)
        state.SkipWithError("the answer was not accepted");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseKeyCdnAnswer);

} // namespace

BENCHMARK_MAIN();
