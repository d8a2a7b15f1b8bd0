// The overlapped form of GetAddrInfoExW: the call returns at once and the completion routine runs later
// through the message loop, on the loop's thread, as an APC in an alertable wait; cancelling still calls
// it, with WSA_E_CANCELLED.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>
#include <ws2tcpip.h>

#include "pal/loop.h"

namespace {

struct Started {
    Started() { EXPECT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data)); }
    ~Started() { EXPECT_EQ(0, WSACleanup()); }
    WSADATA data;
};

struct Lookup {
    OVERLAPPED overlapped{}; // first: the routine finds the lookup from it
    PADDRINFOEXW result = nullptr;
    HANDLE cancel = nullptr;
    int calls = 0;
    DWORD error = 0;
    std::thread::id thread;
    ~Lookup()
    {
        if (result)
            FreeAddrInfoExW(result);
    }
};

void CALLBACK Done(DWORD error, DWORD, LPWSAOVERLAPPED overlapped)
{
    auto* lookup = reinterpret_cast<Lookup*>(overlapped);
    lookup->calls++;
    lookup->error = error;
    lookup->thread = std::this_thread::get_id();
}

int Start(const WCHAR* name, Lookup& lookup)
{
    ADDRINFOEXW hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    return GetAddrInfoExW(name, nullptr, NS_ALL, nullptr, &hints, &lookup.result, nullptr, &lookup.overlapped, Done,
                          &lookup.cancel);
}

std::vector<std::string> Addresses(PADDRINFOEXW list)
{
    std::vector<std::string> out;
    for (PADDRINFOEXW p = list; p; p = p->ai_next) {
        const BYTE* b = reinterpret_cast<const BYTE*>(&reinterpret_cast<SOCKADDR_IN*>(p->ai_addr)->sin_addr);
        if (p->ai_family == AF_INET)
            out.push_back(std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                          std::to_string(b[3]));
        else
            out.push_back("v6");
    }
    return out;
}

struct Delay {
    explicit Delay(const char* ms) { setenv("VANTORA_RESOLVE_DELAY_MS", ms, 1); }
    ~Delay() { unsetenv("VANTORA_RESOLVE_DELAY_MS"); }
};

} // namespace

// Under the test mapping a name has the mapped address, without a DNS query.
TEST(AsyncResolver, AnswersThroughTheLoopOnItsThread)
{
    Started started;
    setenv("VANTORA_CONNECT_TO", "127.0.0.7:80", 1);
    Lookup lookup;
    ASSERT_EQ(WSA_IO_PENDING, Start(W("answer.example"), lookup));
    EXPECT_NE(nullptr, lookup.cancel);
    EXPECT_EQ(ULONG_PTR(WSA_IO_PENDING), lookup.overlapped.Internal);
    EXPECT_EQ(0, lookup.calls); // never from inside the call
    ASSERT_TRUE(pal::PumpUntil([&] { return lookup.calls > 0; }, 5000));
    unsetenv("VANTORA_CONNECT_TO");
    EXPECT_EQ(1, lookup.calls);
    EXPECT_EQ(0u, lookup.error);
    EXPECT_EQ(std::this_thread::get_id(), lookup.thread);
    EXPECT_EQ(std::vector<std::string>{"127.0.0.7"}, Addresses(lookup.result));
    ASSERT_NE(nullptr, lookup.result);
    EXPECT_EQ(sizeof(SOCKADDR_IN), lookup.result->ai_addrlen);
    // A reported lookup can no longer be cancelled.
    EXPECT_EQ(WSA_INVALID_HANDLE, GetAddrInfoExCancel(&lookup.cancel));
}

// A resolver that answers late holds nothing up: the loop runs meanwhile, several lookups are pending at
// once, and each is answered once.
TEST(AsyncResolver, ASlowResolverKeepsTheLoopRunning)
{
    Started started;
    Delay delay("300");
    setenv("VANTORA_CONNECT_TO", "127.0.0.8:80", 1);
    Lookup slow[3];
    for (Lookup& lookup : slow)
        ASSERT_EQ(WSA_IO_PENDING, Start(W("slow.example"), lookup));
    int rounds = 0;
    ASSERT_TRUE(pal::PumpUntil(
        [&] {
            ++rounds;
            return slow[0].calls && slow[1].calls && slow[2].calls;
        },
        10000));
    unsetenv("VANTORA_CONNECT_TO");
    EXPECT_GT(rounds, 3);
    for (Lookup& lookup : slow) {
        EXPECT_EQ(1, lookup.calls);
        EXPECT_EQ(0u, lookup.error);
        EXPECT_EQ(std::vector<std::string>{"127.0.0.8"}, Addresses(lookup.result));
    }
}

TEST(AsyncResolver, CancelledLookupsStillCallTheRoutine)
{
    Started started;
    Delay delay("2000");
    Lookup lookup;
    ASSERT_EQ(WSA_IO_PENDING, Start(W("never.example"), lookup));
    EXPECT_EQ(0, GetAddrInfoExCancel(&lookup.cancel));
    EXPECT_EQ(WSA_INVALID_HANDLE, GetAddrInfoExCancel(&lookup.cancel));
    ASSERT_TRUE(pal::PumpUntil([&] { return lookup.calls > 0; }, 1000));
    EXPECT_EQ(DWORD(WSA_E_CANCELLED), lookup.error);
    EXPECT_EQ(nullptr, lookup.result);
    pal::PumpFor(50);
    EXPECT_EQ(1, lookup.calls);
    HANDLE none = nullptr;
    EXPECT_EQ(WSA_INVALID_HANDLE, GetAddrInfoExCancel(&none));
    EXPECT_EQ(WSA_INVALID_HANDLE, GetAddrInfoExCancel(nullptr));
}

// Calls the routine will never follow: every result but WSA_IO_PENDING is final at once.
TEST(AsyncResolver, RefusedCallsAnswerAtOnce)
{
    Lookup early;
    EXPECT_EQ(WSANOTINITIALISED, Start(W("127.0.0.1"), early));
    Started started;
    Lookup empty, noOverlapped;
    EXPECT_EQ(WSAHOST_NOT_FOUND, Start(W(""), empty));
    ADDRINFOEXW hints{};
    EXPECT_EQ(WSAEINVAL, GetAddrInfoExW(W("127.0.0.1"), nullptr, NS_ALL, nullptr, &hints, &noOverlapped.result,
                                        nullptr, nullptr, Done, nullptr));
    hints.ai_family = 99;
    Lookup badFamily;
    EXPECT_EQ(WSAEAFNOSUPPORT, GetAddrInfoExW(W("127.0.0.1"), nullptr, NS_ALL, nullptr, &hints, &badFamily.result,
                                              nullptr, &badFamily.overlapped, Done, nullptr));
    pal::PumpFor(20);
    EXPECT_EQ(0, early.calls + empty.calls + noOverlapped.calls + badFamily.calls);
    // An address literal needs no resolver, and without an overlapped structure a name is resolved at
    // once.
    Lookup literal;
    ASSERT_EQ(0, Start(W("127.0.0.9"), literal));
    EXPECT_EQ(std::vector<std::string>{"127.0.0.9"}, Addresses(literal.result));
    pal::PumpFor(20);
    EXPECT_EQ(0, literal.calls);
    Lookup now;
    hints.ai_family = AF_INET;
    ASSERT_EQ(0, GetAddrInfoExW(W("2130706433"), nullptr, NS_DNS, nullptr, &hints, &now.result, nullptr, nullptr,
                                nullptr, nullptr));
    EXPECT_EQ(std::vector<std::string>{"127.0.0.1"}, Addresses(now.result));
}
