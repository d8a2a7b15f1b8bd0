// Hostile answers to location requests, through a real provider, the request core, the MSXML object and the
// loop, as the add-in meets them: how long the message loop stalls while they arrive, and what memory is
// left once each batch is digested (the records stay alive, as in a provider's cache).
//
// Counters: max_stall_ms is the worst lateness of a 10 ms loop timer during the batch, and max_stall_cpu_ms
// the most CPU the loop's thread spent between two of its ticks (the stall on an idle machine: the
// benchmark's own server threads compete for the cores); held_answer_bytes
// and http_objects_held are what the batch's records still keep of their answers; rss_peak_MB is the
// resident high-water mark during the batch, rss_left_MB the resident growth after it (after malloc_trim,
// so that only memory still referenced counts).
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "geo/GeoLocationProviders.h"
#include "pal/host.h"
#include "pal/http_limits.h"
#include "pal/loop.h"
#include "support/GeoTestUtil.h"
#include "support/LoopbackServer.h"
#include "windows.h"

namespace {

using testing_support::HttpCall;
using testing_support::HttpReply;
using testing_support::LoopbackServer;

enum Answer {
    HUGE_CHUNKED,   // 1 GiB without a declared length: the transfer's 32 MiB bound stops it
    HUGE_DECLARED,  // 1 GiB with its length declared
    LONG_VALID,     // a well-formed 30 MB answer without a declared length: fetched, refused by its size, never decoded
    HUGE_ERROR,     // status 500 with 1 GiB of body, without a declared length
    NORMAL,         // a provider's usual answer, for comparison
};

const char* kNormal = "<root><ip>8.8.8.8</ip><city>Mountain View</city><region>California</region>"
                      "<country>US</country><country_name>United States</country_name><postal>94043</postal>"
                      "<latitude>37.4</latitude><longitude>-122.1</longitude><org>GOOGLE</org></root>";

HttpReply Reply(Answer kind)
{
    HttpReply r;
    r.contentType = "application/xml";
    switch (kind) {
    case HUGE_CHUNKED:
        r.chunked = true;
        r.hugeBytes = size_t(1) << 30;
        r.contentType = "application/octet-stream"; // the loopback server would spend its CPU compressing
        break;
    case HUGE_DECLARED: r.hugeBytes = size_t(1) << 30; break;
    case LONG_VALID:
        r.chunked = true;
        r.body = std::string(kNormal).insert(6, "<pad>" + std::string(30u << 20, 'p') + "</pad>");
        break;
    case HUGE_ERROR:
        r.status = 500;
        r.chunked = true;
        r.hugeBytes = size_t(1) << 30;
        r.contentType = "application/octet-stream";
        break;
    case NORMAL: r.body = kNormal; break;
    }
    return r;
}

// The worst lateness of a short repeating timer: how long the loop did not run.
struct StallMeter {
    static constexpr UINT PERIOD_MS = 10;
    using Clock = std::chrono::steady_clock;

    StallMeter()
    {
        s_last = Clock::now();
        s_lastCpu = ThreadCpuMs();
        s_worst = s_worstCpu = 0;
        m_id = SetTimer(nullptr, 0, PERIOD_MS, &StallMeter::Tick);
    }
    ~StallMeter() { KillTimer(nullptr, m_id); }
    static double WorstMs() { return s_worst; }
    static double WorstCpuMs() { return s_worstCpu; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        Clock::time_point now = Clock::now();
        double late = std::chrono::duration<double, std::milli>(now - s_last).count() - PERIOD_MS;
        s_worst = std::max(s_worst, late);
        s_last = now;
        double cpu = ThreadCpuMs();
        s_worstCpu = std::max(s_worstCpu, cpu - s_lastCpu);
        s_lastCpu = cpu;
    }

    static double ThreadCpuMs()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1000 + double(t.tv_nsec) / 1e6;
    }

    UINT_PTR m_id = 0;
    static inline Clock::time_point s_last;
    static inline double s_worst = 0;
    static inline double s_lastCpu = 0;
    static inline double s_worstCpu = 0;
};

double ResidentMB()
{
    malloc_trim(0);
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1 << 20);
}

// Resets the resident high-water mark (Linux: clear_refs 5), so that each batch reports its own peak.
void ResetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

double PeakMB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atof(line.c_str() + 6) / 1024;
    return 0;
}

void BM_HostileLocationAnswers(benchmark::State& state)
{
    const auto kind = Answer(state.range(0));
    const int count = int(state.range(1));
    LoopbackServer server([kind](const HttpCall&) { return Reply(kind); });
    setenv("VANTORA_ENDPOINT_IPAPICO", server.Base().c_str(), 1);

    double worstStall = 0, worstCpu = 0, worstLeft = 0, worstPeak = 0, held = 0, objects = 0, failed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto provider = std::make_unique<CIpApiCo>();
        double before = ResidentMB();
        ResetPeak();
        state.ResumeTiming();

        std::vector<IPLocationInfo*> records;
        {
            StallMeter meter;
            for (int i = 0; i < count; ++i)
                records.push_back(
                    provider->GetLocationInfo(testing_support::MakeAddress("8.8.7." + std::to_string(i + 1))));
            pal::PumpUntil([&] { return !provider->InProgress(); }, 300000);
            worstStall = std::max(worstStall, StallMeter::WorstMs());
            worstCpu = std::max(worstCpu, StallMeter::WorstCpuMs());
        }

        state.PauseTiming();
        held = objects = failed = 0;
        for (IPLocationInfo* info : records) {
            if (!info)
                continue;
            objects += info->spRequest ? 1 : 0;
            held += info->spRequest ? double(pal::HttpAnswerBytesHeld(info->spRequest)) : 0;
            failed += info->status == RS_FAILED ? 1 : 0;
        }
        worstPeak = std::max(worstPeak, PeakMB());
        worstLeft = std::max(worstLeft, ResidentMB() - before);
        provider.reset();
        state.ResumeTiming();
    }
    unsetenv("VANTORA_ENDPOINT_IPAPICO");
    state.counters["max_stall_ms"] = worstStall;
    state.counters["max_stall_cpu_ms"] = worstCpu;
    state.counters["held_answer_bytes"] = held;
    state.counters["http_objects_held"] = objects;
    state.counters["failed"] = failed;
    state.counters["rss_peak_MB"] = worstPeak;
    state.counters["rss_left_MB"] = worstLeft;
}
BENCHMARK(BM_HostileLocationAnswers)
    ->ArgNames({"answer", "requests"})
    ->Args({HUGE_CHUNKED, 15})
    ->Args({HUGE_DECLARED, 15})
    ->Args({LONG_VALID, 12})
    ->Args({HUGE_ERROR, 15})
    ->Args({NORMAL, 15})
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The first responseText of a complete 30 MB answer: the decoding itself.
void BM_ResponseTextOfALongAnswer(benchmark::State& state)
{
    const size_t size = size_t(state.range(0)) << 20;
    const bool ascii = state.range(1) != 0;
    std::string body;
    if (ascii)
        body.assign(size, 'a');
    else
        for (size_t i = 0; body.size() < size; ++i)
            body += i % 4 ? "abc" : "\xC3\xA9\xE2\x82\xAC"; // é and € among ASCII
    LoopbackServer server([&](const HttpCall&) {
        HttpReply r;
        r.body = body;
        r.contentType = "text/plain; charset=utf-8";
        return r;
    });
    CComBSTR method(W("GET")), url(pal::ToWide(server.Url("/")).c_str());
    VARIANT empty;
    VariantInit(&empty);
    const pal::HttpLimits saved = pal::GetHttpLimits();
    pal::HttpLimits limits = saved;
    limits.maxBodyBytes = size * 2;
    pal::SetHttpLimits(limits);
    for (auto _ : state) {
        state.PauseTiming();
        CComPtr<IXMLHTTPRequest> req;
        req.CoCreateInstance(CLSID_XMLHTTP60);
        req->open(method, url, empty, empty, empty);
        req->send(empty);
        LONG ready = 0;
        pal::PumpUntil([&] { return SUCCEEDED(req->get_readyState(&ready)) && ready == 4; }, 60000);
        state.ResumeTiming();
        CComBSTR text;
        if (FAILED(req->get_responseText(&text)) || text.Length() == 0)
            state.SkipWithError("no text");
        benchmark::DoNotOptimize(text.m_str);
    }
    pal::SetHttpLimits(saved);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(body.size()));
}
BENCHMARK(BM_ResponseTextOfALongAnswer)
    ->ArgNames({"MB", "ascii"})
    ->Args({30, 1})
    ->Args({30, 0})
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
