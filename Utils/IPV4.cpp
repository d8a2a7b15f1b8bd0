// IPv4 addresses: parsing with the system's strict dotted-quad reader (or a reader of our own when the
// system lacks it), printing, and the reserved ranges.
#include "Utils/IPV4.h"

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ProcAddress.h"

IPV4_address::PlatformFunctions& IPV4_address::Platform()
{
    static PlatformFunctions functions = [] {
        PlatformFunctions f;
        if (HMODULE ntdll = GetModuleHandleW(W("NTDLL.DLL")))
            f.pfnStringToAddress =
                GetProcAddressAs<decltype(f.pfnStringToAddress)>(ntdll, "RtlIpv4StringToAddressW");
        return f;
    }();
    return functions;
}

IPV4_address::IPV4_address()
{
    Platform();
}

bool IPV4_address::validEndpointsV4(const WCHAR* pStart, const WCHAR* pEnd)
{
    VTR_CHECK(pStart, E_INVALIDARG);
    VTR_CHECK(pEnd, E_INVALIDARG);
    return endpointsMatch(*pStart, *pEnd);
}

bool IPV4_address::Read(const WCHAR* pIP)
{
    try {
        if (!VTR_VERIFY(pIP && *pIP, E_INVALIDARG))
            return false;
        const WCHAR* pStart = addressStart(pIP);
        if (*pStart < W('0') || *pStart > W('9'))
            return false;

        if (auto pfnStringToAddress = Platform().pfnStringToAddress) {
            IN_ADDR address = {};
            const WCHAR* pEnd = nullptr;
            NTSTATUS status = pfnStringToAddress(pStart, TRUE, &pEnd, &address);
            if (!NT_SUCCESS(status)) {
                setLastErrorFromStatus(status);
                VTR_LOG_LAST_ERROR();
                return false;
            }
            if (!validEndpointsV4(pIP, pEnd))
                return false;
            m_parts[0] = address.S_un.S_un_b.s_b1;
            m_parts[1] = address.S_un.S_un_b.s_b2;
            m_parts[2] = address.S_un.S_un_b.s_b3;
            m_parts[3] = address.S_un.S_un_b.s_b4;
            return true;
        }

        // Four runs of one to three digits; a part may exceed 255 here, which makes the address invalid.
        const WCHAR* p = pStart;
        USHORT parts[4] = {};
        for (int i = 0; i < 4; ++i) {
            if (i > 0) {
                if (*p != W('.'))
                    return false;
                ++p;
            }
            int digits = 0;
            for (; digits < 3 && *p >= W('0') && *p <= W('9'); ++digits, ++p)
                parts[i] = USHORT(parts[i] * 10 + (*p - W('0')));
            if (digits == 0)
                return false;
        }
        if (!validEndpointsV4(pIP, p))
            return false;
        for (int i = 0; i < 4; ++i)
            m_parts[i] = parts[i];
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

bool IPV4_address::IsValid() const
{
    return m_parts[0] < 256 && m_parts[1] < 256 && m_parts[2] < 256 && m_parts[3] < 256;
}

UINT IPV4_address::GetReservedTextId() const
{
    const unsigned a = m_parts[0], b = m_parts[1], c = m_parts[2], d = m_parts[3];
    if (a == 0)
        return 600;
    if (a == 10)
        return 601;
    if (a == 100 && b >= 64 && b <= 127)
        return 602;
    if (a == 127)
        return 603;
    if (a == 169 && b == 254)
        return 604;
    if (a == 172 && b >= 16 && b <= 31)
        return 605;
    if (a == 192 && b == 0 && c == 0)
        return 606;
    if (a == 192 && b == 0 && c == 2)
        return 607;
    if (a == 192 && b == 88 && c == 99)
        return 608;
    if (a == 192 && b == 168)
        return 609;
    if (a == 198 && (b == 18 || b == 19))
        return 610;
    if (a == 198 && b == 51 && c == 100)
        return 611;
    if (a == 203 && b == 0 && c == 113)
        return 612;
    if (a >= 224 && a <= 239)
        return 613;
    if (a == 255 && b == 255 && c == 255 && d == 255)
        return 615;
    if (a >= 240 && a <= 255)
        return 614;
    return 0;
}

bool IPV4_address::IsReserved() const
{
    return GetReservedTextId() != 0;
}

CComBSTR IPV4_address::GetReservedDescription() const
{
    return reservedDescription(GetReservedTextId(), VTR_HERE);
}

CComBSTR IPV4_address::ToString(bool inBrackets) const
{
    WCHAR text[24] = {};
    swprintf_s(text, inBrackets ? W("[%u.%u.%u.%u]") : W("%u.%u.%u.%u"), m_parts[0] % 1000u, m_parts[1] % 1000u,
               m_parts[2] % 1000u, m_parts[3] % 1000u);
    return CComBSTR(text);
}

bool IPV4_address::operator==(const IPV4_address& other) const
{
    for (int i = 0; i < 4; ++i)
        if (m_parts[i] != other.m_parts[i])
            return false;
    return true;
}

bool IPV4_address::operator<(const IPV4_address& other) const
{
    for (int i = 0; i < 4; ++i)
        if (m_parts[i] != other.m_parts[i])
            return m_parts[i] < other.m_parts[i];
    return false;
}
