// The texts of a location request and of a header address record: the state's word, the reason of a
// failure, the labelled lines of a location, and what invalid and reserved addresses show.
#include <gtest/gtest.h>

#include <string>

#include "Utils/IPInfo.h"
#include "__Utilities/ErrorLog.h"
#include "pal/host.h"
#include "support/TestUtil.h"

namespace {

std::string U8(const CComBSTR& b) { return b.m_str ? pal::ToUtf8(b.m_str) : std::string(); }
using testing_support::LogText;

void Done(IPLocationInfo& info, const WCHAR* code, const WCHAR* country)
{
    info.status = RS_DONE;
    for (size_t i = 0; i < 2; ++i)
        info.countryCode[i] = code[i];
    info.countryName = country;
}

TEST(LocationText, ShortTextIsTheStateOrTheCountry)
{
    IPLocationInfo info;
    const std::pair<RequestStatus, const char*> words[] = {
        {RS_NONE, "N/A"}, {RS_PENDING, "Pending..."}, {RS_REQUESTING, "Requesting..."},
        {RS_LOADING, "Retrieving..."}, {RS_LOADED, "Retrieving..."}, {RS_INTERACTIVE, "Retrieving..."},
        {RS_ABORTED, "Aborted"}, {RS_QUOTA_EXCEEDED, "Quota Exceeded"}, {RS_FAILED, "Failed"},
        {RS_REDIRECTING, "Redirecting..."}};
    info.countryName = W("Norway"); // shown only once done
    for (const auto& [status, word] : words) {
        info.status = status;
        EXPECT_EQ(U8(info.ToString()), word) << status;
    }
    Done(info, W("NO"), W("Norway"));
    EXPECT_EQ(U8(info.ToString()), "Norway");
    info.countryName.Empty();
    EXPECT_EQ(U8(info.ToString()), ""); // done without a country
}

TEST(LocationText, LongTextOfAFailureGivesItsReason)
{
    IPLocationInfo info;
    info.status = RS_FAILED;
    info.httpStatus = 404;
    EXPECT_EQ(U8(info.ToLongString()), "Failed: 404 Not Found");
    info.errorText = W("invalid key");
    EXPECT_EQ(U8(info.ToLongString()), "Failed: invalid key"); // the provider's own message first
    info.status = RS_ABORTED;
    info.errorText.Empty();
    EXPECT_EQ(U8(info.ToLongString()), "Aborted"); // an HTTP status explains only a failure
}

TEST(LocationText, LongTextLabelsFollowTheCountry)
{
    IPLocationInfo ca;
    Done(ca, W("ca"), W("Canada"));
    ca.region = W("Ontario");
    ca.city = W("Ottawa");
    ca.postalCode = W("K1A");
    EXPECT_EQ(U8(ca.ToLongString()),
              "Country : \tCanada\nProvince : \tOntario\nCity : \t\tOttawa\nPostal Code : \tK1A");

    IPLocationInfo us;
    Done(us, W("US"), W("United States"));
    us.region = W("Ohio");
    us.postalCode = W("43004");
    us.organization = W("Example Org");
    us.hostName = W("host.example");
    EXPECT_EQ(U8(us.ToLongString()), "Country : \tUnited States\nState : \t\tOhio\nZip Code : \t43004\n"
                                     "Host Name : \thost.example\nOrganization : \tExample Org");

    IPLocationInfo de;
    Done(de, W("DE"), W("Germany"));
    de.region = W("Bavaria");
    EXPECT_EQ(U8(de.ToLongString()), "Country : \tGermany\nRegion : \t\tBavaria");
}

TEST(LocationText, CoordinatesOnlyWhenSetAndInRange)
{
    IPLocationInfo info;
    Done(info, W("NO"), nullptr);
    EXPECT_EQ(U8(info.ToLongString()), "");
    info.latitude = 59.9139;
    info.longitude = 10.7522;
    EXPECT_EQ(U8(info.ToLongString()), "Latitude : \t59.9139\nLongitude : \t10.7522");
    info.latitude = 91;
    info.longitude = 0;
    EXPECT_EQ(U8(info.ToLongString()), "");
    info.latitude = -90;
    info.longitude = -180.5;
    EXPECT_EQ(U8(info.ToLongString()), "Latitude : \t-90");
}

TEST(HeaderAddressText, InvalidReservedAndLocated)
{
    IPInfo invalid;
    invalid.addressType = IP_TYPE_URL; // no host
    EXPECT_EQ(U8(invalid.ToString()), "Invalid");
    EXPECT_EQ(U8(invalid.ToLongString(0)), "");

    IPInfo reserved;
    reserved.addressType = IP_TYPE_V4;
    ASSERT_TRUE(reserved.ipv4.Read(W("192.0.2.7")));
    EXPECT_EQ(U8(reserved.ToString()), "Reserved");
    EXPECT_EQ(U8(reserved.ToLongString(0)).rfind("Documentation - TEST-NET-1\n", 0), 0u);
    EXPECT_EQ(LogText(), "");
    // Another index still gives the description, and says it was asked wrongly.
    EXPECT_EQ(U8(reserved.ToLongString(1)).rfind("Documentation - TEST-NET-1\n", 0), 0u);
    EXPECT_NE(LogText().find("idx == 0"), std::string::npos);

    IPInfo located;
    located.addressType = IP_TYPE_V4;
    ASSERT_TRUE(located.ipv4.Read(W("8.8.8.8")));
    EXPECT_EQ(U8(located.ToString()), ""); // no provider asked
    EXPECT_EQ(U8(located.ToLongString(0)), "");
    IPLocationInfo first, second;
    Done(first, W("US"), W("United States"));
    located.locationInfo = {&first, &second};
    EXPECT_EQ(U8(located.ToString()), "United States");
    EXPECT_EQ(U8(located.ToLongString(1)), "N/A");
    EXPECT_EQ(U8(located.ToLongString(2)), "");
    EXPECT_NE(LogText().find("(idx >= 0) && (idx < (int) locationInfo.size())"), std::string::npos);
}

TEST(HeaderAddressText, NoAddressTypeIsLogged)
{
    IPInfo none;
    EXPECT_EQ(U8(none.ToString()), "");
    EXPECT_EQ(U8(none.ToLongString(0)), "");
    EXPECT_NE(LogText().find("pAddress"), std::string::npos);
}

} // namespace
