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
