// RtlIpv6AddressToStringW and RtlIpv6AddressToStringExW: the canonical text Windows writes. Lower-case
// hexadecimal groups without leading zeros; the longest run of two or more zero groups (the first of equal
// runs) becomes "::"; IPv4-compatible ("::1.2.3.4"), IPv4-mapped ("::ffff:1.2.3.4"), IPv4-translated
// ("::ffff:0:1.2.3.4") and ISATAP ("...:5efe:1.2.3.4") addresses end in dotted IPv4 form.
#include "ntdll/ipdigits.h"

#include "ip2string.h"

#include <cstring>

namespace {

class TextBuffer {
public:
    void Put(WCHAR c) { m_text[m_length++] = c; }
    void Put(const char* s)
    {
        while (*s)
            Put(WCHAR(*s++));
    }
    void PutHex(unsigned value)
    {
        static const char digits[] = "0123456789abcdef";
        char tmp[8];
        int n = 0;
        do {
            tmp[n++] = digits[value & 0xF];
            value >>= 4;
        } while (value);
        while (n)
            Put(WCHAR(tmp[--n]));
    }
    void PutDecimal(unsigned long value)
    {
        char tmp[24];
        int n = 0;
        do {
            tmp[n++] = char('0' + value % 10);
            value /= 10;
        } while (value);
        while (n)
            Put(WCHAR(tmp[--n]));
    }
    const WCHAR* Text() const { return m_text; }
    size_t Length() const { return m_length; }

private:
    WCHAR m_text[INET6_ADDRSTRLEN + 8] = {};
    size_t m_length = 0;
};

// Groups 0..count-1 in hexadecimal, the longest zero run compressed.
void PutGroups(TextBuffer& out, const USHORT* w, int count)
{
    int runStart = -1, runLength = 1;
    for (int i = 0; i < count;) {
        if (w[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < count && w[j] == 0)
            ++j;
        if (j - i > runLength) {
            runStart = i;
            runLength = j - i;
        }
        i = j;
    }
    bool colon = false;
    for (int i = 0; i < count;) {
        if (i == runStart) {
            out.Put("::");
            colon = false;
            i += runLength;
            continue;
        }
        if (colon)
            out.Put(u':');
        out.PutHex(w[i]);
        colon = true;
        ++i;
    }
}

void PutIpv4(TextBuffer& out, const BYTE* b)
{
    for (int i = 0; i < 4; ++i) {
        if (i)
            out.Put(u'.');
        out.PutDecimal(b[i]);
    }
}

void PutAddress(TextBuffer& out, const IN6_ADDR& a)
{
    USHORT w[8];
    for (int i = 0; i < 8; ++i)
        w[i] = pal_ntdll::SwapToHost(a.u.Word[i]);
    const BYTE* v4 = a.u.Byte + 12;

    if (!w[0] && !w[1] && !w[2] && !w[3] && w[6]) {
        const char* prefix = nullptr;
        if (w[4] == 0xFFFF && !w[5])
            prefix = "::ffff:0:";
        else if (!w[4] && w[5] == 0xFFFF)
            prefix = "::ffff:";
        else if (!w[4] && !w[5])
            prefix = "::";
        if (prefix) {
            out.Put(prefix);
            PutIpv4(out, v4);
            return;
        }
    }
    if ((w[4] == 0 || w[4] == 0x0200) && w[5] == 0x5EFE) {
        PutGroups(out, w, 6);
        out.Put(u':');
        PutIpv4(out, v4);
        return;
    }
    PutGroups(out, w, 8);
}

} // namespace

extern "C" PWSTR NTAPI RtlIpv6AddressToStringW(const IN6_ADDR* Addr, PWSTR S)
{
    if (!S)
        return nullptr;
    if (!Addr) {
        *S = 0;
        return S;
    }
    TextBuffer out;
    PutAddress(out, *Addr);
    std::memcpy(S, out.Text(), out.Length() * sizeof(WCHAR));
    S[out.Length()] = 0;
    return S + out.Length();
}

extern "C" NTSTATUS NTAPI RtlIpv6AddressToStringExW(const IN6_ADDR* Address, ULONG ScopeId, USHORT Port,
                                                    PWSTR AddressString, PULONG AddressStringLength)
{
    if (!Address || !AddressString || !AddressStringLength)
        return STATUS_INVALID_PARAMETER;
    TextBuffer out;
    if (Port)
        out.Put(u'[');
    PutAddress(out, *Address);
    if (ScopeId) {
        out.Put(u'%');
        out.PutDecimal(ScopeId);
    }
    if (Port) {
        out.Put("]:");
        out.PutDecimal(pal_ntdll::SwapToHost(Port));
    }
    ULONG needed = ULONG(out.Length() + 1);
    if (*AddressStringLength < needed) {
        *AddressStringLength = needed;
        return STATUS_INVALID_PARAMETER;
    }
    std::memcpy(AddressString, out.Text(), out.Length() * sizeof(WCHAR));
    AddressString[out.Length()] = 0;
    *AddressStringLength = needed;
    return STATUS_SUCCESS;
}
