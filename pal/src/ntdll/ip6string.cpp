// RtlIpv6StringToAddressW and RtlIpv6StringToAddressExW: the textual IPv6 forms Windows reads. Groups of one
// to four hexadecimal digits, "::" once for a run of zero groups, and an embedded dotted IPv4 address as the
// last 32 bits. The plain form stops where the address ends (a second "::", a ninth group or any other
// character end it); the extended form takes the whole text, with brackets, a zone and a port.
#include "ntdll/ipdigits.h"

#include "ip2string.h"

namespace {

using pal::HexDigitValue;

// Reads the dotted IPv4 tail (four decimal parts of one to three digits, each at most 255).
bool ParseEmbeddedIpv4(const WCHAR*& p, BYTE bytes[4])
{
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (*p != u'.')
                return false;
            ++p;
        }
        unsigned value = 0;
        int digits = 0;
        while (*p >= u'0' && *p <= u'9') {
            if (++digits > 3)
                return false;
            value = value * 10 + unsigned(*p - u'0');
            ++p;
        }
        if (digits == 0 || value > 255)
            return false;
        bytes[i] = BYTE(value);
    }
    return true;
}

// True when the run at p is decimal digits followed by "." (the start of an embedded IPv4 address).
bool StartsDottedIpv4(const WCHAR* p)
{
    const WCHAR* q = p;
    while (*q >= u'0' && *q <= u'9')
        ++q;
    return q != p && *q == u'.';
}

NTSTATUS ParseIpv6(const WCHAR* s, const WCHAR** terminator, USHORT groups[8])
{
    int count = 0;
    int gap = -1; // index of the "::" run among the groups
    const WCHAR* p = s;
    bool afterGap = false;
    bool ok = true;

    if (p[0] == u':') {
        if (p[1] != u':') {
            ok = false;
            goto done;
        }
        gap = 0;
        afterGap = true;
        p += 2;
    }

    // With "::" at least one zero group is implied, so seven groups are the most that can be written.
    while (count < (gap < 0 ? 8 : 7)) {
        if (StartsDottedIpv4(p) && count <= (gap < 0 ? 6 : 5)) {
            BYTE b[4];
            if (!ParseEmbeddedIpv4(p, b) || (gap < 0 && count != 6)) {
                ok = false;
                break;
            }
            groups[count++] = USHORT((b[0] << 8) | b[1]);
            groups[count++] = USHORT((b[2] << 8) | b[3]);
            break;
        }
        const WCHAR* start = p;
        unsigned value = 0;
        while (HexDigitValue(*p) >= 0) {
            if (p - start == 4) { // more than four digits
                ok = false;
                goto done;
            }
            value = value * 16 + unsigned(HexDigitValue(*p));
            ++p;
        }
        if (p == start) {
            ok = afterGap; // "::" may end the address; a single ":" may not
            break;
        }
        groups[count++] = USHORT(value);
        afterGap = false;
        if (*p != u':' || count == (gap < 0 ? 8 : 7))
            break;
        if (p[1] == u':') {
            if (gap >= 0)
                break; // a second "::" is not part of the address
            gap = count;
            afterGap = true;
            p += 2;
        } else {
            ++p;
        }
    }
    if (ok && gap < 0 && count < 8)
        ok = false;

done:
    if (terminator)
        *terminator = p;
    if (!ok)
        return STATUS_INVALID_PARAMETER;
    if (gap >= 0) {
        int tail = count - gap;
        for (int i = 7; i >= 8 - tail; --i)
            groups[i] = groups[gap + tail - (8 - i)];
        for (int i = gap; i < 8 - tail; ++i)
            groups[i] = 0;
    }
    return STATUS_SUCCESS;
}

void Store(const USHORT groups[8], IN6_ADDR* address)
{
    for (int i = 0; i < 8; ++i)
        address->u.Word[i] = pal_ntdll::SwapToNet(groups[i]);
}

} // namespace

extern "C" NTSTATUS NTAPI RtlIpv6StringToAddressW(PCWSTR S, PCWSTR* Terminator, IN6_ADDR* Addr)
{
    if (!S || !Addr)
        return STATUS_INVALID_PARAMETER;
    USHORT groups[8] = {};
    const WCHAR* end = S;
    NTSTATUS status = ParseIpv6(S, &end, groups);
    if (Terminator)
        *Terminator = end;
    if (status != STATUS_SUCCESS)
        return status;
    if (!Terminator && *end)
        return STATUS_INVALID_PARAMETER;
    Store(groups, Addr);
    return STATUS_SUCCESS;
}

extern "C" NTSTATUS NTAPI RtlIpv6StringToAddressExW(PCWSTR AddressString, IN6_ADDR* Address, PULONG ScopeId,
                                                    PUSHORT Port)
{
    if (!AddressString || !Address || !ScopeId || !Port)
        return STATUS_INVALID_PARAMETER;
    const WCHAR* p = AddressString;
    bool bracket = *p == u'[';
    if (bracket)
        ++p;
    USHORT groups[8] = {};
    if (ParseIpv6(p, &p, groups) != STATUS_SUCCESS)
        return STATUS_INVALID_PARAMETER;

    ULONG scope = 0;
    if (*p == u'%') {
        ++p;
        if (!pal_ntdll::ParseIpv4Number(p, true, scope))
            return STATUS_INVALID_PARAMETER;
    }
    ULONG port = 0;
    if (bracket) {
        if (*p != u']')
            return STATUS_INVALID_PARAMETER;
        ++p;
        if (*p == u':') {
            ++p;
            if (!pal_ntdll::ParseIpv4Number(p, false, port) || port == 0 || port > 0xFFFF)
                return STATUS_INVALID_PARAMETER;
        }
    }
    if (*p)
        return STATUS_INVALID_PARAMETER;

    Store(groups, Address);
    *ScopeId = scope;
    *Port = pal_ntdll::SwapToNet(USHORT(port));
    return STATUS_SUCCESS;
}
