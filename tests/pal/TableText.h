// Text helpers of the layer's conformance tables, which build against the layer and against the system's
// own DLLs alike: UTF-8 views of wide text for messages, and readable names for parameterised cases.
#pragma once

#include <windows.h>

#include <pal/host.h>

#include <string>

// The Windows SDK leaves STATUS_SUCCESS to ntstatus.h, which clashes with windows.h.
#ifndef STATUS_SUCCESS
#define STATUS_SUCCESS ((NTSTATUS)0x00000000L)
#endif

namespace pal_test {

// The text as UTF-8, or the marker for an absent one.
inline std::string U8(const WCHAR* s, const char* absent = "<null>") { return s ? pal::ToUtf8(s) : absent; }

// A case's text, shortened and with control characters escaped, so that test names stay readable.
inline std::string CaseName(const WCHAR* text)
{
    std::string s = U8(text, "(null)");
    std::string out;
    for (char c : s.substr(0, 40))
        out += static_cast<unsigned char>(c) < 0x20
                   ? std::string("\\x") + "0123456789abcdef"[c >> 4] + "0123456789abcdef"[c & 15]
                   : std::string(1, c);
    return s.size() > 40 ? out + "..." : out;
}

} // namespace pal_test
