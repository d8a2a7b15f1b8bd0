// GUID text forms: "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
#include <cstdio>
#include <cstring>

#include "pal/host.h"
#include "windows.h"

extern "C" const IID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

extern "C" int StringFromGUID2(REFGUID g, LPOLESTR lpsz, int cchMax)
{
    if (!lpsz || cchMax < 39)
        return 0;
    char buf[40];
    std::snprintf(buf, sizeof(buf), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    for (int i = 0; i < 39; ++i)
        lpsz[i] = WCHAR(buf[i]);
    return 39;
}

static bool ParseGuid(LPCOLESTR s, GUID* g)
{
    if (!s || wcslen(s) != 38 || s[0] != '{' || s[37] != '}')
        return false;
    char text[37];
    for (int i = 0; i < 36; ++i) {
        WCHAR c = s[i + 1];
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != '-' : !iswxdigit(c))
            return false;
        text[i] = char(c);
    }
    text[36] = 0;
    unsigned d1, d2, d3, b[8];
    if (std::sscanf(text, "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3], &b[4],
                    &b[5], &b[6], &b[7]) != 11)
        return false;
    g->Data1 = d1;
    g->Data2 = WORD(d2);
    g->Data3 = WORD(d3);
    for (int i = 0; i < 8; ++i)
        g->Data4[i] = BYTE(b[i]);
    return true;
}

extern "C" HRESULT CLSIDFromString(LPCOLESTR lpsz, LPCLSID pclsid)
{
    if (!pclsid)
        return E_INVALIDARG;
    if (!lpsz || !*lpsz) {
        *pclsid = GUID_NULL;
        return S_OK;
    }
    if (ParseGuid(lpsz, pclsid))
        return S_OK;
    if (SUCCEEDED(CLSIDFromProgID(lpsz, pclsid)))
        return S_OK;
    *pclsid = GUID_NULL;
    return CO_E_CLASSSTRING;
}
