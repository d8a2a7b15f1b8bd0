// The offline provider's country database: loading the compiled file (time, and the memory its tables
// keep), and lookups per second for random IPv4 and IPv6 addresses and for addresses inside the data.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "geo/CountryDatabase.h"
#include "pal/host.h"

namespace {

std::u16string DatabasePath() { return pal::ToWide(std::string(VANTORA_BIN_DIR) + "/GeoCountries.dat"); }

const CCountryDatabase& Loaded()
{
    static CCountryDatabase* db = [] {
        auto* d = new CCountryDatabase;
        if (d->Load(DatabasePath().c_str()) != CCountryDatabase::LOAD_OK)
            std::abort();
        return d;
    }();
    return *db;
}

void BM_Load(benchmark::State& state)
{
    size_t memory = 0, ranges = 0;
    for (auto _ : state) {
        CCountryDatabase db;
        if (db.Load(DatabasePath().c_str()) != CCountryDatabase::LOAD_OK) {
            state.SkipWithError("the country database did not load");
            return;
        }
        memory = db.GetMemorySize();
        ranges = db.GetRangeCount();
    }
    state.counters["file_MB"] = double(std::filesystem::file_size(pal::ToUtf8(DatabasePath()))) / 1e6;
    state.counters["tables_MB"] = double(memory) / 1e6;
    state.counters["entries"] = double(ranges);
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

void BM_LookupV4(benchmark::State& state)
{
    const CCountryDatabase& db = Loaded();
    std::mt19937 random(1);
    std::vector<uint32_t> addresses(4096);
    for (uint32_t& a : addresses)
        a = random();
    size_t i = 0, found = 0;
    for (auto _ : state) {
        WCHAR code[3];
        found += db.LookupV4(addresses[i++ & 4095], code);
        benchmark::DoNotOptimize(code);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    state.counters["placed"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_LookupV4);

void BM_LookupV6(benchmark::State& state)
{
    const CCountryDatabase& db = Loaded();
    std::mt19937_64 random(1);
    // Random addresses inside 2000::/4 (where the allocated space lies) with random low halves.
    std::vector<std::array<BYTE, 16>> addresses(4096);
    for (auto& a : addresses) {
        uint64_t high = (random() & 0x0FFFFFFFFFFFFFFFull) | 0x2000000000000000ull, low = random();
        for (int b = 0; b < 8; ++b) {
            a[b] = BYTE(high >> (56 - 8 * b));
            a[8 + b] = BYTE(low >> (56 - 8 * b));
        }
    }
    size_t i = 0, found = 0;
    for (auto _ : state) {
        WCHAR code[3];
        found += db.LookupV6(addresses[i++ & 4095].data(), code);
        benchmark::DoNotOptimize(code);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    state.counters["placed"] = double(found) / double(state.iterations());
}
BENCHMARK(BM_LookupV6);

} // namespace

BENCHMARK_MAIN();
