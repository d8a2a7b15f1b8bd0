// The transport header's server addresses: splitting into fields and the address searches. Whatever the
// header, the reader ends, lists each address once, shows no reserved one, and clears to nothing. The
// receiving server's verdicts come from the same header: results in lower case, none without a field.
#include <set>
#include <string>

#include "FuzzSupport.h"
#include "email/EmailAuthentication.h"
#include "email/EmailIPLocation.h"

namespace {

bool LowerCase(const WString& s)
{
    for (WCHAR c : s)
        if (c >= u'A' && c <= u'Z')
            return false;
    return true;
}

void Verdicts(const std::u16string& header)
{
    AuthenticationVerdicts v = ReadAuthenticationVerdicts(header.c_str());
    for (const WString* result : {&v.spf, &v.dkim, &v.dmarc, &v.compauth, &v.authservId})
        FUZZ_ASSERT(LowerCase(*result));
    if (!v.found) {
        FUZZ_ASSERT(v.spf.empty() && v.dkim.empty() && v.dmarc.empty() && v.compauth.empty());
        FUZZ_ASSERT(!DmarcFailed(v) && !SenderUnauthenticated(v));
    }
    FUZZ_ASSERT(!DmarcFailed(v) || v.dmarc == u"fail");
}

std::u16string Text(const IPInfo& info)
{
    const IP_address* pAddress = info.Address();
    FUZZ_ASSERT(pAddress);
    CComBSTR text = pAddress->ToString(true);
    return std::u16string(text.m_str ? text.m_str : u"") + char16_t(u'0' + info.addressType);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::Prefix();
    std::u16string header = fuzz::CString(fuzz::Text(data, size));
    Verdicts(header);
    // No provider is started: the addresses are found but nothing is sent.
    CEmailIPLocation location;
    bool abandoned = false;
    try {
        location.SetEmailHeader(header.c_str());
    } catch (const CErrorInfo&) {
        abandoned = true; // a field without a body
    }
    FUZZ_ASSERT(location.IsHeaderSet());
    const IPInfoList& all = location.GetIPLocationAll();
    const IPInfoList& shown = location.GetIPLocationNoReserved();
    FUZZ_ASSERT(!abandoned || all.empty());
    FUZZ_ASSERT(shown.size() <= all.size());
    std::set<std::u16string> seen;
    size_t reserved = 0;
    for (const IPInfo& info : all) {
        FUZZ_ASSERT(info.headerPart >= 0 && info.headerPart <= 2);
        FUZZ_ASSERT(info.addressType == IP_TYPE_V4 || info.addressType == IP_TYPE_V6);
        FUZZ_ASSERT(info.locationInfo.empty());
        seen.insert(Text(info));
        reserved += info.Address()->IsReserved() ? 1 : 0;
    }
    FUZZ_ASSERT(seen.size() == all.size());
    FUZZ_ASSERT(reserved + shown.size() == all.size());
    for (const IPInfo& info : shown) {
        FUZZ_ASSERT(!info.Address()->IsReserved());
        FUZZ_ASSERT(info.ToString().Length() == 0 || !info.Address()->IsValid());
    }
    FUZZ_ASSERT(location.AreRequestsComplete());
    location.Clear();
    FUZZ_ASSERT(!location.IsHeaderSet() && location.GetIPLocationAll().empty() && location.GetTopRow() == 0);
    fuzz::TrimErrorLog();
    return 0;
}
