#include "common/stub.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace {

// Never destroyed: a stub may be reached while the process ends.
std::mutex& StubLock()
{
    static auto* lock = new std::mutex;
    return *lock;
}

// One entry per signature, however often it is reached.
std::map<std::string, size_t>& Reached()
{
    static auto* reached = new std::map<std::string, size_t>;
    return *reached;
}

} // namespace

HRESULT pal::ReachStub(const char* signature)
{
    std::lock_guard<std::mutex> hold(StubLock());
    if (++Reached()[signature] == 1)
        if (const char* debug = std::getenv("VANTORA_DEBUG_STUBS"); debug && *debug && *debug != '0')
            std::fprintf(stderr, "fixme: %s is not implemented\n", signature);
    return E_NOTIMPL;
}

std::map<std::string, size_t> pal::ReachedStubs()
{
    std::lock_guard<std::mutex> hold(StubLock());
    return Reached();
}
