// The offline provider: countries from the local database. Its "request" is the address as a database
// query ("v4:" and 8 hex digits, or "v6:" and 32), queued and completed from the message loop; its
// "answer" is the two-letter code, empty when the data does not place the address, which the common
// answer path turns into the record.
#include <ctime>
#include <map>

#include "geo/GeoLocationProviders.h"

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"
#include "res/resource.h"

namespace {

// The providers waiting for their lookup timer, by timer id (a timer without a window carries no context).
// It is made on the first wait, after the manager that owns the providers, so at unload it is destroyed
// first; a provider destroyed after it finds no map and has nothing to take out of it.
class LookupTimerMap {
public:
    ~LookupTimerMap() { s_destroyed = true; }
    // Null once destroyed.
    static std::map<UINT_PTR, CIpFireLocation*>* Get()
    {
        static LookupTimerMap timers;
        return s_destroyed ? nullptr : &timers.m_timers;
    }

private:
    std::map<UINT_PTR, CIpFireLocation*> m_timers;
    static inline bool s_destroyed = false;
};

int HexValue(WCHAR c)
{
    if (c >= W('0') && c <= W('9'))
        return c - W('0');
    if (c >= W('A') && c <= W('F'))
        return c - W('A') + 10;
    return -1;
}

// The bytes of a query's hex digits; false when the query is not count bytes of hex.
bool QueryBytes(const WCHAR* pHex, BYTE* pOut, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        int high = HexValue(pHex[2 * i]), low = high < 0 ? -1 : HexValue(pHex[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        pOut[i] = BYTE(high << 4 | low);
    }
    return pHex[2 * count] == 0;
}

void AppendHex(WString& text, BYTE value)
{
    static const WCHAR digits[] = W("0123456789ABCDEF");
    text += digits[value >> 4];
    text += digits[value & 15];
}

} // namespace

CIpFireLocation::CIpFireLocation() : CPlainProvider(GeoService::IpFire), m_countries(geo_providers::CountryMap()) {}

CIpFireLocation::~CIpFireLocation()
{
    if (m_timerId) {
        KillTimer(nullptr, m_timerId);
        if (auto* timers = LookupTimerMap::Get())
            timers->erase(m_timerId);
    }
}

WString CIpFireLocation::getRequest(const IP_address* pAddress)
{
    try {
        VTR_CHECK(pAddress, E_UNEXPECTED);
        WString query;
        if (auto* pV4 = dynamic_cast<const IPV4_address*>(pAddress)) {
            query = W("v4:");
            for (int i = 0; i < 4; ++i)
                AppendHex(query, BYTE(pV4->GetPart(i)));
        } else if (auto* pV6 = dynamic_cast<const IPV6_address*>(pAddress)) {
            query = W("v6:");
            for (BYTE b : pV6->GetAddress().u.Byte)
                AppendHex(query, b);
        }
        return query; // host names are not looked up (that would need a name lookup)
    }
    VTR_CATCH_LOG
    return WString();
}

void CIpFireLocation::requestAsync(const WCHAR* pHttpReq, RequestInfo* pRequestInfo)
{
    try {
        VTR_CHECK_TEXT(pHttpReq && *pHttpReq, "pHttpReq", E_INVALIDARG);
        VTR_CHECK(pRequestInfo, E_INVALIDARG);
        ++pRequestInfo->attempts;
        pRequestInfo->status = RS_REQUESTING;
        pRequestInfo->startTime = static_cast<LONGLONG>(time(nullptr));
        m_lookups.push_back({WString(pHttpReq), pRequestInfo});
        if (!m_timerId) {
            auto* timers = LookupTimerMap::Get();
            VTR_CHECK(timers, E_UNEXPECTED);
            m_timerId = SetTimer(nullptr, 0, 0, fnLookupTimerProc);
            VTR_CHECK_WIN32(m_timerId != 0);
            (*timers)[m_timerId] = this;
        }
    }
    VTR_CATCH_LOG
}

void CALLBACK CIpFireLocation::fnLookupTimerProc(HWND, UINT, UINT_PTR idEvent, DWORD)
{
    try {
        KillTimer(nullptr, idEvent);
        auto* timers = LookupTimerMap::Get();
        if (!timers)
            return;
        auto it = timers->find(idEvent);
        if (it == timers->end())
            return;
        CIpFireLocation* pProvider = it->second;
        timers->erase(it);
        pProvider->m_timerId = 0;
        pProvider->ProcessLookups();
    }
    VTR_CATCH_LOG
}

void CIpFireLocation::ProcessLookups()
{
    std::vector<Lookup> lookups;
    lookups.swap(m_lookups);
    for (const Lookup& lookup : lookups) {
        try {
            Complete(lookup);
        }
        VTR_CATCH_LOG
    }
}

bool CIpFireLocation::EnsureLoaded()
{
    if (!m_loadTried) {
        // Once per provider: a missing or damaged file is logged once, and every lookup then fails.
        m_loadTried = true;
        m_database = std::make_unique<CCountryDatabase>();
        m_loadResult = m_database->Load(CCountryDatabase::DefaultPath().c_str());
    }
    return m_loadResult == CCountryDatabase::LOAD_OK;
}

void CIpFireLocation::Complete(const Lookup& lookup)
{
    auto* pLocInfo = dynamic_cast<IPLocationInfo*>(lookup.info);
    VTR_CHECK(pLocInfo, E_POINTER);
    // A record cleared or aborted since it was queued waits for its next request.
    if (pLocInfo->status != RS_REQUESTING)
        return;
    pLocInfo->startTime = 0;
    if (!EnsureLoaded()) {
        pLocInfo->Reset();
        pLocInfo->status = RS_FAILED;
        pLocInfo->errorText = CResourceManager::Instance().GetText(
            m_loadResult == CCountryDatabase::LOAD_MISSING ? IDS_GEOIP_MISSING : IDS_GEOIP_INVALID);
        return;
    }
    const WCHAR* pQuery = lookup.query.c_str();
    WCHAR code[3] = {};
    BYTE bytes[16];
    bool found = false;
    if (wcsncmp(pQuery, W("v4:"), 3) == 0 && QueryBytes(pQuery + 3, bytes, 4))
        found = m_database->LookupV4(uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 |
                                         uint32_t(bytes[2]) << 8 | bytes[3],
                                     code);
    else if (wcsncmp(pQuery, W("v6:"), 3) == 0 && QueryBytes(pQuery + 3, bytes, 16))
        found = m_database->LookupV6(bytes, code);
    else {
        pLocInfo->status = RS_FAILED;
        VTR_FAIL("lookup.query", E_INVALIDARG);
    }
    processResult(found ? code : W(""), pLocInfo);
}

bool CIpFireLocation::processResultError(const WCHAR*, IPLocationInfo*)
{
    return false; // the database has no error answers: it places the address or not
}

bool CIpFireLocation::processResultValues(const WCHAR* pResult, IPLocationInfo* pLocInfo)
{
    try {
        VTR_CHECK(pResult && pLocInfo, E_INVALIDARG);
        if (wcslen(pResult) == 2) {
            pLocInfo->countryCode[0] = pResult[0];
            pLocInfo->countryCode[1] = pResult[1];
            pLocInfo->countryCode[2] = 0;
            geo_providers::NameCountry(m_countries, pLocInfo);
        }
        return true;
    }
    VTR_CATCH_LOG
    return false;
}
