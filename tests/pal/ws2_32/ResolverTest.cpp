// Name resolution of the platform layer (GetAddrInfoExW answering at once) with Windows' results, and the test mapping of the
// network that keeps every name off the resolver.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <windows.h>
#include <ws2tcpip.h>

namespace {

std::vector<std::string> Resolve(const WCHAR* name, int family = AF_UNSPEC, int* error = nullptr)
{
    ADDRINFOEXW hints{};
    hints.ai_family = family;
    hints.ai_socktype = SOCK_STREAM;
    PADDRINFOEXW list = nullptr;
    int rc = GetAddrInfoExW(name, nullptr, NS_ALL, nullptr, &hints, &list, nullptr, nullptr, nullptr, nullptr);
    if (error)
        *error = rc;
    std::vector<std::string> out;
    for (PADDRINFOEXW p = list; p; p = p->ai_next) {
        const BYTE* b = p->ai_family == AF_INET
                            ? reinterpret_cast<const BYTE*>(&reinterpret_cast<SOCKADDR_IN*>(p->ai_addr)->sin_addr)
                            : reinterpret_cast<const BYTE*>(&reinterpret_cast<SOCKADDR_IN6*>(p->ai_addr)->sin6_addr);
        EXPECT_EQ(p->ai_addrlen, p->ai_family == AF_INET ? sizeof(SOCKADDR_IN) : sizeof(SOCKADDR_IN6));
        std::string text = p->ai_family == AF_INET ? "4:" : "6:";
        for (int i = 0; i < (p->ai_family == AF_INET ? 4 : 16); ++i)
            text += std::to_string(b[i]) + ".";
        out.push_back(text);
    }
    FreeAddrInfoExW(list);
    return out;
}

struct Started {
    Started() { EXPECT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data)); }
    ~Started() { EXPECT_EQ(0, WSACleanup()); }
    WSADATA data;
};

} // namespace

TEST(Resolver, NeedsTheSocketsLibraryStarted)
{
    int error = 0;
    EXPECT_TRUE(Resolve(W("127.0.0.1"), AF_UNSPEC, &error).empty());
    EXPECT_EQ(WSANOTINITIALISED, error);
    EXPECT_EQ(WSANOTINITIALISED, WSACleanup());
    {
        Started started;
        EXPECT_EQ(MAKEWORD(2, 2), started.data.wVersion);
        EXPECT_EQ(std::vector<std::string>{"4:127.0.0.1."}, Resolve(W("127.0.0.1"), AF_UNSPEC, &error));
        EXPECT_EQ(0, error);
    }
    Resolve(W("127.0.0.1"), AF_UNSPEC, &error);
    EXPECT_EQ(WSANOTINITIALISED, error);
}

TEST(Resolver, LiteralsInEveryFormTheResolverTakes)
{
    Started started;
    EXPECT_EQ(std::vector<std::string>{"4:127.0.0.1."}, Resolve(W("2130706433")));
    EXPECT_EQ(std::vector<std::string>{"4:127.0.0.1."}, Resolve(W("0x7f.1")));
    EXPECT_EQ(std::vector<std::string>{"6:0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.1."}, Resolve(W("::1")));
    int error = 0;
    EXPECT_TRUE(Resolve(W("::1"), AF_INET, &error).empty());
    EXPECT_NE(0, error);
    EXPECT_TRUE(Resolve(W(""), AF_UNSPEC, &error).empty());
    EXPECT_EQ(WSAHOST_NOT_FOUND, error);
    EXPECT_TRUE(Resolve(W("x"), 99, &error).empty());
    EXPECT_EQ(WSAEAFNOSUPPORT, error);
}

// Under the mapping no name reaches the resolver; literals keep their own address.
TEST(Resolver, TestMappingAnswersEveryName)
{
    Started started;
    setenv("VANTORA_CONNECT_TO", "127.0.0.9:8080", 1);
    EXPECT_EQ(std::vector<std::string>{"4:127.0.0.9."}, Resolve(W("www.example.com")));
    EXPECT_EQ(std::vector<std::string>{"4:127.0.0.9."}, Resolve(W("no-such-host.invalid")));
    EXPECT_EQ(std::vector<std::string>{"4:8.8.8.8."}, Resolve(W("8.8.8.8")));
    // A malformed mapping maps nothing (localhost comes from the hosts file, not from the mapping).
    setenv("VANTORA_CONNECT_TO", "localhost:80", 1);
    for (const std::string& address : Resolve(W("localhost")))
        EXPECT_NE("4:127.0.0.9.", address);
    unsetenv("VANTORA_CONNECT_TO");
}
