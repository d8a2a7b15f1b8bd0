// IPv6 addresses: parsing and printing with the system's conversions (each may be missing), the reserved
// ranges, and the order used when an address is a lookup key.
#include "Utils/IPV6.h"

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ProcAddress.h"

#include <string>

namespace {

template <class Fn> Fn Lookup(HMODULE module, const char* name)
{
    return GetProcAddressAs<Fn>(module, name);
}

USHORT NetToHost(USHORT value)
{
    const BYTE* b = reinterpret_cast<const BYTE*>(&value);
    return USHORT((b[0] << 8) | b[1]);
}

// The text handed to the extended parser when a zone or a port is written: it takes only a whole address, so the text
// is cut where the address must have ended (a closing parenthesis, white space or a control character), and
// an opening parenthesis or white space before it is dropped. Brackets stay: the parser reads them, and a
// port after them.
WString ExtendedText(const WCHAR* pIP)
{
    WString text(pIP);
    if (!text.empty() && (text[0] == W('(') || iswspace(text[0])))
        text.erase(0, 1);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == W(')') || iswspace(text[i]) || iswcntrl(text[i])) {
            text.resize(i);
            break;
        }
    }
    return text;
}

} // namespace

IPV6_address::PlatformFunctions& IPV6_address::Platform()
{
    static PlatformFunctions functions = [] {
        PlatformFunctions f;
        HMODULE ntdll = GetModuleHandleW(W("NTDLL.DLL"));
        f.pfnStringToAddress = Lookup<decltype(f.pfnStringToAddress)>(ntdll, "RtlIpv6StringToAddressW");
        f.pfnStringToAddressEx = Lookup<decltype(f.pfnStringToAddressEx)>(ntdll, "RtlIpv6StringToAddressExW");
        f.pfnAddressToString = Lookup<decltype(f.pfnAddressToString)>(ntdll, "RtlIpv6AddressToStringW");
        f.pfnAddressToStringEx = Lookup<decltype(f.pfnAddressToStringEx)>(ntdll, "RtlIpv6AddressToStringExW");
        return f;
    }();
    return functions;
}

IPV6_address::IPV6_address()
{
    Platform();
}

bool IPV6_address::validEndpointsV6(const WCHAR* pStart, const WCHAR* pEnd)
{
    VTR_CHECK(pStart, E_INVALIDARG);
    VTR_CHECK(pEnd, E_INVALIDARG);
    return endpointsMatch(*pStart, *pEnd);
}

bool IPV6_address::Read(const WCHAR* pIP)
{
    try {
        if (!VTR_VERIFY(pIP && *pIP, E_INVALIDARG))
            return false;
        // A form that begins with "::" is not taken: the start must be a hexadecimal digit.
        const WCHAR* pStart = addressStart(pIP);
        if (!iswxdigit(*pStart))
            return false;
        const PlatformFunctions& platform = Platform();
        if (!platform.pfnStringToAddress)
            return false;

        IN6_ADDR address = {};
        const WCHAR* pEnd = nullptr;
        NTSTATUS status = platform.pfnStringToAddress(pStart, &pEnd, &address);
        if (!NT_SUCCESS(status)) {
            setLastErrorFromStatus(status);
            VTR_LOG_LAST_ERROR();
            return false;
        }

        // A zone, or a port after the closing bracket, needs the extended parser. The port is taken also
        // without a zone: the printer leaves out a zero zone, and the printed form must read back the same.
        bool zoneWritten = pEnd && *pEnd == W('%');
        bool portWritten = pEnd && pIP[0] == W('[') && pEnd[0] == W(']') && pEnd[1] == W(':');
        if (!(zoneWritten || portWritten) || !platform.pfnStringToAddressEx) {
            if (!validEndpointsV6(pIP, pEnd))
                return false;
            m_address = address;
            m_port = 0;
            m_scopeId = 0;
            return true;
        }

        WString extendedText = ExtendedText(pIP);
        ULONG scopeId = 0;
        USHORT port = 0;
        status = platform.pfnStringToAddressEx(extendedText.c_str(), &address, &scopeId, &port);
        if (!NT_SUCCESS(status)) {
            setLastErrorFromStatus(status);
            VTR_LOG_LAST_ERROR();
            return false;
        }
        m_address = address;
        m_port = port;
        m_scopeId = scopeId;
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

USHORT IPV6_address::GetGroup(int index) const
{
    return NetToHost(m_address.u.Word[index & 7]);
}

USHORT IPV6_address::GetPort() const
{
    return NetToHost(m_port);
}

bool IPV6_address::IsValid() const
{
    for (USHORT word : m_address.u.Word)
        if (word)
            return true;
    return false;
}

UINT IPV6_address::GetReservedTextId() const
{
    USHORT g[8];
    for (int i = 0; i < 8; ++i)
        g[i] = GetGroup(i);
    auto zero = [&g](int from, int to) {
        for (int i = from; i <= to; ++i)
            if (g[i])
                return false;
        return true;
    };
    if (zero(0, 7))
        return 625;
    if (zero(0, 6) && g[7] == 1)
        return 626;
    if (zero(0, 4) && g[5] == 0xFFFF)
        return 627;
    if (g[0] == 0x0100 && zero(1, 3))
        return 628;
    if (g[0] == 0x0064 && g[1] == 0xFF9B && zero(2, 5))
        return 629;
    if (g[0] == 0x2001 && g[1] == 0)
        return 630;
    if (g[0] == 0x2001 && g[1] >= 0x10 && g[1] <= 0x1F)
        return 631;
    if (g[0] == 0x2001 && g[1] >= 0x20 && g[1] <= 0x2F)
        return 632;
    if (g[0] == 0x2001 && g[1] == 0x0DB8)
        return 633;
    if (g[0] == 0x2002)
        return 634;
    if (g[0] >= 0xFC00 && g[0] <= 0xFDFF)
        return 635;
    if (g[0] >= 0xFE80 && g[0] <= 0xFEBF)
        return 636;
    if (g[0] >= 0xFF00)
        return 637;
    return 0;
}

bool IPV6_address::IsReserved() const
{
    return GetReservedTextId() != 0;
}

CComBSTR IPV6_address::GetReservedDescription() const
{
    return reservedDescription(GetReservedTextId(), VTR_HERE);
}

CComBSTR IPV6_address::ToString(bool inBrackets) const
{
    WCHAR text[80] = {};
    const PlatformFunctions& platform = Platform();
    if (platform.pfnAddressToStringEx) {
        ULONG length = ULONG(sizeof(text) / sizeof(text[0]));
        NTSTATUS status = platform.pfnAddressToStringEx(&m_address, m_scopeId, m_port, text, &length);
        if (!NT_SUCCESS(status)) {
            setLastErrorFromStatus(status);
            VTR_LOG_LAST_ERROR();
            return CComBSTR(W(""));
        }
    } else if (platform.pfnAddressToString) {
        platform.pfnAddressToString(&m_address, text);
    } else {
        return CComBSTR(W(""));
    }
    if (inBrackets && m_port == 0) {
        CComBSTR bracketed(W("["));
        bracketed.Append(text);
        bracketed.Append(W("]"));
        return bracketed;
    }
    return CComBSTR(text);
}

bool IPV6_address::operator==(const IPV6_address& other) const
{
    return half(0) == other.half(0) && half(1) == other.half(1) && m_port == other.m_port &&
           m_scopeId == other.m_scopeId;
}

ULONGLONG IPV6_address::half(int which) const
{
    ULONGLONG value = 0;
    for (int i = which * 4; i < which * 4 + 4; ++i)
        value = (value << 16) | GetGroup(i);
    return value;
}

bool IPV6_address::operator<(const IPV6_address& other) const
{
    if (half(0) != other.half(0))
        return half(0) < other.half(0);
    return half(1) < other.half(1);
}
