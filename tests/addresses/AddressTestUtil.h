// Helpers of the address tests: UTF-8 views of wide texts, and replacing the system conversions for a test.
#pragma once

#include "Utils/IPV4.h"
#include "Utils/IPV6.h"
#include "__Utilities/ErrorLog.h"
#include "support/TestUtil.h"

#include <pal/host.h>

#include <string>

// The Windows SDK leaves STATUS_SUCCESS to ntstatus.h, which clashes with windows.h.
#ifndef STATUS_SUCCESS
#define STATUS_SUCCESS ((NTSTATUS)0x00000000L)
#endif

namespace addr_test {

inline std::string U8(const WCHAR* s)
{
    return s ? pal::ToUtf8(s) : std::string("<null>");
}

using testing_support::LogText;

// Replaces the class's looked-up functions for the life of the object.
template <class Address> class PlatformOverride {
public:
    PlatformOverride() : m_saved(Address::Platform()) {}
    ~PlatformOverride() { Address::Platform() = m_saved; }
    typename Address::PlatformFunctions& operator*() { return Address::Platform(); }
    typename Address::PlatformFunctions* operator->() { return &Address::Platform(); }

private:
    typename Address::PlatformFunctions m_saved;
};

} // namespace addr_test

// Test names show a case's text (shortened, control characters escaped) rather than its bytes.
inline std::string CaseName(const WCHAR* text)
{
    std::string s = text ? pal::ToUtf8(text) : std::string("(null)");
    std::string out;
    for (char c : s.substr(0, 40))
        out += (static_cast<unsigned char>(c) < 0x20) ? std::string("\\x") + "0123456789abcdef"[c >> 4] + "0123456789abcdef"[c & 15] : std::string(1, c);
    return s.size() > 40 ? out + "..." : out;
}
