#include "Utils/IPLocationInfo.h"

#include <cstring>

#include "__Utilities/ResourceManager.h"
#include "res/resource.h"

void IPLocationInfo::Reset()
{
    RequestInfo::Reset();
    std::memset(countryCode, 0, sizeof countryCode);
    countryName.Empty();
    region.Empty();
    city.Empty();
    postalCode.Empty();
    hostName.Empty();
    organization.Empty();
    latitude = 0;
    longitude = 0;
}

namespace {

int StatusTextId(RequestStatus status)
{
    switch (status) {
    case RS_NONE: return IDS_RS_NONE;
    case RS_PENDING: return IDS_RS_PENDING;
    case RS_REQUESTING: return IDS_RS_REQUESTING;
    case RS_LOADING:
    case RS_LOADED:
    case RS_INTERACTIVE: return IDS_RS_RETRIEVING;
    case RS_ABORTED: return IDS_RS_ABORTED;
    case RS_QUOTA_EXCEEDED: return IDS_RS_QUOTA_EXCEEDED;
    case RS_FAILED: return IDS_RS_FAILED;
    case RS_REDIRECTING: return IDS_RS_REDIRECTING;
    default: return 0; // done, or a state with no word: the country
    }
}

// "Label : \t[\t]value": short labels take a second tab so that the values line up.
void AppendLine(CComBSTR& text, int labelId, const WCHAR* value)
{
    if (!value || !*value)
        return;
    CComBSTR label = CResourceManager::Instance().GetText(labelId);
    if (text.Length())
        text += W("\n");
    text += label;
    text += label.Length() <= 6 ? W(" : \t\t") : W(" : \t");
    text += value;
}

void AppendNumber(CComBSTR& text, int labelId, double value, double bound)
{
    if (value == 0 || !(value >= -bound && value <= bound))
        return;
    WCHAR number[21];
    swprintf_s(number, W("%g"), value);
    AppendLine(text, labelId, number);
}

} // namespace

CComBSTR IPLocationInfo::ToString() const
{
    int id = StatusTextId(status);
    return id ? CResourceManager::Instance().GetText(id) : countryName;
}

CComBSTR IPLocationInfo::ToLongString() const
{
    if (int id = StatusTextId(status)) {
        CComBSTR text = CResourceManager::Instance().GetText(id);
        if (errorText.Length()) {
            text += W(": ");
            text += errorText;
        } else if (status == RS_FAILED && httpStatus > 0) {
            text += W(": ");
            text += CResourceManager::Instance().GetHttpStatusText(httpStatus);
        }
        return text;
    }
    bool canada = _wcsicmp(countryCode, W("CA")) == 0;
    CComBSTR text;
    AppendLine(text, IDS_LOC_COUNTRY, countryName);
    AppendLine(text, canada ? IDS_LOC_PROVINCE : _wcsicmp(countryCode, W("US")) == 0 ? IDS_LOC_STATE : IDS_LOC_REGION,
               region);
    AppendLine(text, IDS_LOC_CITY, city);
    AppendLine(text, canada ? IDS_LOC_POSTAL_CODE : IDS_LOC_ZIP_CODE, postalCode);
    AppendLine(text, IDS_LOC_HOST_NAME, hostName);
    AppendLine(text, IDS_LOC_ORGANIZATION, organization);
    AppendNumber(text, IDS_LOC_LATITUDE, latitude, 90);
    AppendNumber(text, IDS_LOC_LONGITUDE, longitude, 180);
    return text;
}
