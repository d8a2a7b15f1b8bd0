#include "Utils/IPInfo.h"

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"
#include "res/resource.h"

const IP_address* IPInfo::Address() const
{
    if (addressType & IP_TYPE_V4)
        return &ipv4;
    if (addressType & IP_TYPE_V6)
        return &ipv6;
    if (addressType & IP_TYPE_URL)
        return &host;
    return nullptr;
}

CComBSTR IPInfo::ToString() const
{
    const IP_address* pAddress = Address();
    if (!VTR_VERIFY(pAddress, E_POINTER))
        return CComBSTR();
    if (!pAddress->IsValid())
        return CResourceManager::Instance().GetText(IDS_INVALID);
    if (pAddress->IsReserved())
        return CResourceManager::Instance().GetText(IDS_RESERVED);
    if (locationInfo.empty() || !locationInfo.front())
        return CComBSTR();
    return locationInfo.front()->ToString();
}

CComBSTR IPInfo::ToLongString(int idx) const
{
    const IP_address* pAddress = Address();
    if (!VTR_VERIFY(pAddress, E_POINTER))
        return CComBSTR();
    bool invalid = !pAddress->IsValid();
    if (invalid || pAddress->IsReserved()) {
        VTR_VERIFY(idx == 0, E_INVALIDARG);
        return invalid ? CComBSTR() : pAddress->GetReservedDescription();
    }
    if (locationInfo.empty())
        return CComBSTR();
    if (!VTR_VERIFY((idx >= 0) && (idx < (int) locationInfo.size()), E_INVALIDARG) || !locationInfo[size_t(idx)])
        return CComBSTR();
    return locationInfo[size_t(idx)]->ToLongString();
}

CComBSTR IPInfo4Links::ToString(bool inBrackets) const
{
    const IP_address* pAddress = Address();
    if (VTR_VERIFY(pAddress, E_POINTER) && pAddress->IsValid())
        return pAddress->ToString(inBrackets);
    return CResourceManager::Instance().GetText(IDS_UNKNOWN_HOST);
}

std::vector<CountryAnswer> IPInfo::CountryAnswers() const
{
    std::vector<CountryAnswer> answers;
    for (const IPLocationInfo* pInfo : locationInfo) {
        if (!pInfo || pInfo->status != RS_DONE || !pInfo->countryCode[0])
            continue;
        WString code(pInfo->countryCode);
        for (WCHAR& c : code)
            c = c >= W('a') && c <= W('z') ? WCHAR(c - W('a') + W('A')) : c;
        auto found = answers.begin();
        while (found != answers.end() && found->code != code)
            ++found;
        if (found == answers.end()) {
            WString name = pInfo->countryName.Length() ? WString(pInfo->countryName.m_str, pInfo->countryName.Length())
                                                       : code;
            found = answers.insert(answers.end(), CountryAnswer{code, name, {}});
        }
        found->providers.push_back(pInfo->providerName.Length()
                                       ? WString(pInfo->providerName.m_str, pInfo->providerName.Length())
                                       : WString(W("?")));
    }
    return answers;
}

WString IPInfo::DisagreementText() const
{
    std::vector<CountryAnswer> answers = CountryAnswers();
    if (answers.size() < 2)
        return WString();
    CComBSTR label = CResourceManager::Instance().GetText(IDS_PROVIDERS_DISAGREE);
    WString text = label.m_str ? WString(label.m_str, label.Length()) : WString();
    for (size_t i = 0; i < answers.size(); ++i) {
        if (i > 0)
            text += W(", ");
        text += answers[i].name + W(" (");
        for (size_t p = 0; p < answers[i].providers.size(); ++p)
            text += (p > 0 ? W(", ") : W("")) + answers[i].providers[p];
        text += W(")");
    }
    return text;
}
