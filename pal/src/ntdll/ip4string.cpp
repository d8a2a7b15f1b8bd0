// RtlIpv4StringToAddressW: the IPv4 text forms Windows reads. Strict mode takes only four dotted decimal
// parts; the lenient mode also takes one to three parts (the last one filling the remaining bytes) written in
// decimal, octal or hexadecimal, as inet_addr does.
#include "ntdll/ipdigits.h"

#include "ip2string.h"

#include <cstdint>

namespace pal_ntdll {

bool ParseIpv4Number(const WCHAR*& p, bool strict, ULONG& value)
{
    unsigned base = 10;
    if (p[0] == u'0' && (p[1] == u'x' || p[1] == u'X')) {
        p += 2;
        if (strict)
            return false;
        base = 16;
    } else if (p[0] == u'0' && p[1] >= u'0' && p[1] <= u'9') {
        p += 1;
        if (strict)
            return false;
        base = 8;
    }
    uint64_t v = 0;
    bool any = false;
    for (;; ++p) {
        int d = pal::HexDigitValue(*p);
        if (d < 0 || unsigned(d) >= base)
            break;
        v = v * base + unsigned(d);
        if (v > 0xFFFFFFFFu)
            return false; // a long digit run stops here, bounded
        any = true;
    }
    if (any)
        value = ULONG(v);
    return any;
}

} // namespace pal_ntdll

using pal_ntdll::ParseIpv4Number;

extern "C" NTSTATUS NTAPI RtlIpv4StringToAddressW(PCWSTR S, BOOLEAN Strict, LPCWSTR* Terminator, IN_ADDR* Addr)
{
    if (!S || !Addr)
        return STATUS_INVALID_PARAMETER;

    ULONG parts[4] = {};
    int count = 0;
    bool ok = true;
    const WCHAR* p = S;
    for (;;) {
        if (count == 4 || !ParseIpv4Number(p, Strict != 0, parts[count])) {
            ok = false;
            break;
        }
        ++count;
        if (*p != u'.')
            break;
        ++p;
    }
    if (ok && Strict && count != 4)
        ok = false;

    // The last part fills the bytes that the earlier ones leave.
    ULONG value = 0;
    if (ok) {
        switch (count) {
        case 4:
            ok = parts[0] <= 0xFF && parts[1] <= 0xFF && parts[2] <= 0xFF && parts[3] <= 0xFF;
            value = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
            break;
        case 3:
            ok = parts[0] <= 0xFF && parts[1] <= 0xFF && parts[2] <= 0xFFFF;
            value = (parts[0] << 24) | (parts[1] << 16) | parts[2];
            break;
        case 2:
            ok = parts[0] <= 0xFF && parts[1] <= 0xFFFFFF;
            value = (parts[0] << 24) | parts[1];
            break;
        default:
            value = parts[0];
            break;
        }
    }

    if (Terminator)
        *Terminator = p;
    if (!ok || (!Terminator && *p))
        return STATUS_INVALID_PARAMETER;
    Addr->S_un.S_un_b.s_b1 = UCHAR(value >> 24);
    Addr->S_un.S_un_b.s_b2 = UCHAR(value >> 16);
    Addr->S_un.S_un_b.s_b3 = UCHAR(value >> 8);
    Addr->S_un.S_un_b.s_b4 = UCHAR(value);
    return STATUS_SUCCESS;
}
