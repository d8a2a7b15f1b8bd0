// The address readers (IPv4, IPv6, host names), with and without the system's conversion functions: an
// address that was read and is valid prints to a text that reads back to the same address and the same text.
// The first byte chooses the reader; the rest is the text.
#include <string>

#include "FuzzSupport.h"
#include "Utils/IPURL.h"
#include "Utils/IPV4.h"
#include "Utils/IPV6.h"

namespace {

std::u16string Str(const CComBSTR& b) { return b.m_str ? std::u16string(b.m_str) : std::u16string(); }

template <class Address> void RoundTrip(const std::u16string& text)
{
    Address a;
    if (!a.Read(text.c_str()) || !a.IsValid())
        return;
    for (bool brackets : {false, true}) {
        std::u16string printed = Str(a.ToString(brackets));
        // Text that begins with "::" is never taken for an address in running text, by design; an address
        // whose first group is 0 prints that way.
        if (printed.rfind(u"::", 0) == 0 || printed.rfind(u"[::", 0) == 0)
            return;
        Address b;
        if (!b.Read(printed.c_str())) {
            std::fprintf(stderr, "printed form not read back: \"%s\" from \"%s\"\n", pal::ToUtf8(printed).c_str(),
                         pal::ToUtf8(text).c_str());
            FUZZ_ASSERT(false);
        }
        FUZZ_ASSERT(b == a);
        FUZZ_ASSERT(Str(b.ToString(brackets)) == printed);
    }
}

void RoundTripHost(const std::u16string& text)
{
    URL_address a;
    if (!a.Read(text.c_str()))
        return;
    FUZZ_ASSERT(a.IsValid());
    std::u16string printed = Str(a.ToString(false));
    URL_address b;
    FUZZ_ASSERT(b.Read(printed.c_str()));
    FUZZ_ASSERT(std::u16string(b.GetHost()) == a.GetHost());
    FUZZ_ASSERT(!(a < b) && !(b < a));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Prefix();
    if (size == 0)
        return 0;
    const uint8_t mode = data[0];
    std::u16string text = fuzz::CString(fuzz::Text(data + 1, size - 1));
    if (text.empty())
        return 0;
    // The high bit takes the paths of an older system: no IPv4 conversion (the reader's own), and IPv6
    // without the zone and port forms.
    const bool olderSystem = (mode & 0x80) != 0;
    IPV4_address::PlatformFunctions v4 = IPV4_address::Platform();
    IPV6_address::PlatformFunctions v6 = IPV6_address::Platform();
    if (olderSystem) {
        IPV4_address::Platform() = {};
        IPV6_address::Platform().pfnStringToAddressEx = nullptr;
        IPV6_address::Platform().pfnAddressToStringEx = nullptr;
    }
    switch (mode % 3) {
    case 0: RoundTrip<IPV4_address>(text); break;
    case 1: RoundTrip<IPV6_address>(text); break;
    default: RoundTripHost(text); break;
    }
    IPV4_address::Platform() = v4;
    IPV6_address::Platform() = v6;
    fuzz::TrimErrorLog();
    return 0;
}
