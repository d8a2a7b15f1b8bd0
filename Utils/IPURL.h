// A server given by its host name, as found in a link.
#pragma once

#include "Utils/IPAddress.h"

#include <comdef.h>

class URL_address : public IP_address {
public:
    // Takes the whole text as a host name: false for a text with "/" or without ".", or that does not make a
    // valid URL after "http://". The host is stored in lower case.
    bool Read(const WCHAR* pIP);

    bool IsValid() const override;
    bool IsReserved() const override { return false; }
    CComBSTR GetReservedDescription() const override { return CComBSTR(W("")); }
    CComBSTR ToString(bool inBrackets) const override;

    const WCHAR* GetHost() const;

    // Host names compared without regard to letter case.
    bool operator<(const URL_address& other) const;

private:
    static bool isValidHost(const WCHAR* pHost);

    _bstr_t m_host;
};
