// The header's server addresses against the header's length: Received fields with an address each, and
// fields whose host names begin with a hexadecimal digit (every one a failed parse the error log records).
// Both should grow linearly with the number of fields.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "email/EmailIPLocation.h"
#include "pal/host.h"

namespace {

void UsePrivatePrefix()
{
    static bool done = [] {
        std::string dir = std::filesystem::temp_directory_path().string() + "/vantora-bench-XXXXXX";
        if (!mkdtemp(dir.data()))
            std::abort();
        setenv("VANTORA_PREFIX", dir.c_str(), 1);
        pal::SetPrefixPath(dir);
        std::atexit([] { std::filesystem::remove_all(std::getenv("VANTORA_PREFIX")); });
        return true;
    }();
    (void) done;
}

std::u16string Header(int fields, bool hexHosts)
{
    std::string header;
    for (int i = 0; i < fields; ++i) {
        std::string address = "11." + std::to_string(i / 65536) + "." + std::to_string((i / 256) % 256) + "." +
                              std::to_string(i % 256);
        std::string host = hexHosts ? "deadbeef" + std::to_string(i) + ".example" : "mail.example";
        header += "Received: from " + host + " (" + host + " [" + address + "])\r\n\tby " + host +
                  " with ESMTP id 1; Mon, 1 Jan 2024 00:00:00 +0000\r\n";
    }
    return pal::ToWide(header);
}

void Run(benchmark::State& state, bool hexHosts)
{
    UsePrivatePrefix();
    std::u16string header = Header(int(state.range(0)), hexHosts);
    CEmailIPLocation location;
    for (auto _ : state) {
        location.SetEmailHeader(header.c_str());
        benchmark::DoNotOptimize(location.GetIPLocationAll().size());
    }
    state.SetComplexityN(state.range(0));
    state.counters["addresses"] = double(location.GetIPLocationAll().size());
}

void BM_ReceivedFields(benchmark::State& state) { Run(state, false); }
void BM_ReceivedFieldsWithHexHosts(benchmark::State& state) { Run(state, true); }

} // namespace

BENCHMARK(BM_ReceivedFields)->RangeMultiplier(10)->Range(10, 10000)->Complexity();
BENCHMARK(BM_ReceivedFieldsWithHexHosts)->RangeMultiplier(10)->Range(10, 10000)->Complexity();
BENCHMARK_MAIN();
