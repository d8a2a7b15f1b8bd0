// The address values of the add-in: IPv4 and IPv6 addresses and host names, parsed out of running text
// (header fields, link hosts). Each says whether it is valid and reserved, describes its reserved range and
// prints itself.
#pragma once

#include <windows.h>
#include <winternl.h>
#include <atlbase.h>

// Address kinds, as flags of an address record.
constexpr DWORD IP_TYPE_V4 = 1;
constexpr DWORD IP_TYPE_V6 = 2;
constexpr DWORD IP_TYPE_URL = 4;

class IP_address {
public:
    virtual ~IP_address() = default;
    virtual bool IsValid() const = 0;
    virtual bool IsReserved() const = 0;
    // The resource text of the reserved range; empty when the address is not reserved.
    virtual CComBSTR GetReservedDescription() const = 0;
    virtual CComBSTR ToString(bool inBrackets) const = 0;

protected:
    IP_address() = default;
    IP_address(const IP_address&) = default;
    IP_address& operator=(const IP_address&) = default;

    // An address may be introduced by one white space, "[" or "(": the address begins after it.
    static const WCHAR* addressStart(const WCHAR* pText)
    {
        WCHAR c = pText[0];
        return (iswspace(c) || c == W('[') || c == W('(')) ? pText + 1 : pText;
    }
    // What may follow an address, given the text's first character: the closing bracket of an opening one,
    // otherwise white space or a control character (the end of the text is one).
    static bool endpointsMatch(WCHAR first, WCHAR after)
    {
        if (first == W('['))
            return after == W(']');
        if (first == W('('))
            return after == W(')');
        return iswspace(after) || iswcntrl(after);
    }
    // NTDLL reports a failure as a status and leaves the thread's last error alone. The status is made the
    // last error, so that the logged text names this failure and not an unrelated earlier one.
    static void setLastErrorFromStatus(NTSTATUS status)
    {
        SetLastError(status == NTSTATUS(STATUS_INVALID_PARAMETER) ? DWORD(ERROR_INVALID_PARAMETER) : DWORD(ERROR_INVALID_DATA));
    }
    // The text of the reserved range whose string table row is textId; 0 (not reserved) is a logged
    // assertion and gives an empty text. Failures are logged as the asking operation's own (function, file,
    // line), as if the check were written there.
    static CComBSTR reservedDescription(UINT textId, const char* function, const char* file, int line);
};
