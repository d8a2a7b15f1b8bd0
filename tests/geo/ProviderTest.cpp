// One test per provider: a real request through the loop against its loopback twin, every field of the
// resulting record, and the provider's error form.
#include "ProviderTestUtil.h"

#include "geo/GeoLocationProviders.h"

using testing_support::HttpReply;
using testing_support::Locate;
using testing_support::ServiceTwin;
using testing_support::Utf8;

namespace {

void ExpectRecord(const IPLocationInfo* info, const char* code, const char* country, const char* region,
                  const char* city, const char* postal, const char* host, const char* org, double lat, double lon)
{
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->status, RS_DONE);
    EXPECT_EQ(pal::ToUtf8(info->countryCode), code);
    EXPECT_EQ(Utf8(info->countryName), country);
    EXPECT_EQ(Utf8(info->region), region);
    EXPECT_EQ(Utf8(info->city), city);
    EXPECT_EQ(Utf8(info->postalCode), postal);
    EXPECT_EQ(Utf8(info->hostName), host);
    EXPECT_EQ(Utf8(info->organization), org);
    EXPECT_DOUBLE_EQ(info->latitude, lat);
    EXPECT_DOUBLE_EQ(info->longitude, lon);
    EXPECT_EQ(info->httpStatus, 0);
}

void ExpectFailed(const IPLocationInfo* info, const char* errorText, LONG httpStatus = 0)
{
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->status, RS_FAILED);
    EXPECT_EQ(Utf8(info->errorText), errorText);
    EXPECT_EQ(info->httpStatus, httpStatus);
}

TEST(Provider, KeyCDN)
{
    ServiceTwin twin(GeoService::KeyCDN, {
        {"/geo.json?host=8.8.8.8", ServiceTwin::Json(
            R"({"status":"success","description":"Data successfully received.","data":{"geo":{"host":"8.8.8.8",)"
            R"("ip":"8.8.8.8","rdns":"dns.google","asn":15169,"isp":"GOOGLE","country_name":"United States",)"
            R"("country_code":"US","region_name":"California","city":"Mountain View","postal_code":"ca 94043",)"
            R"("latitude":37.4223,"longitude":-122.085,"timezone":"America/Los_Angeles"}}})")},
        {"/geo.json?host=mail.example.com", ServiceTwin::Json(
            R"({"status":"success","data":{"geo":{"rdns":"mail.example.com","asn":"AS15133","isp":"EdgeCast",)"
            R"("country_code":"GB","latitude":95,"longitude":-180,"x":0}}})")},
        {"/geo.json?host=9.9.9.9", ServiceTwin::Json(R"({"status":"error","description":"Rate limit exceeded"})")},
    });
    CKeyCDN provider;
    EXPECT_EQ(pal::ToUtf8(provider.GetProviderName().c_str()), "tools.keycdn.com");
    // A numeric AS number is not a text: the organization is the ISP alone; the postal code is upper-cased.
    ExpectRecord(Locate(provider, "8.8.8.8"), "US", "United States", "California", "Mountain View", "CA 94043",
                 "dns.google", "GOOGLE", 37.4223, -122.085);
    ExpectRecord(Locate(provider, "mail.example.com"), "GB", "", "", "", "", "mail.example.com", "AS15133 EdgeCast",
                 0, -180);
    ExpectFailed(Locate(provider, "9.9.9.9"), "Rate limit exceeded");
    for (testing_support::HttpCall call : twin.Server().Calls())
        EXPECT_EQ(call.headers["user-agent"], "keycdn-tools:https://" + call.target.substr(15));
}

TEST(Provider, IpApiCo)
{
    ServiceTwin twin(GeoService::IpApiCo, {
        {"/8.8.8.8/xml/", ServiceTwin::Json(
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><root><ip>8.8.8.8</ip><city>Mountain View</city>"
            "<region>California</region><country>US</country><country_name>United States</country_name>"
            "<postal>94043</postal><latitude>37.42301</latitude><longitude>-222.083</longitude>"
            "<asn>AS15169</asn><org>GOOGLE</org></root>")},
        {"/1.1.1.1/xml/", ServiceTwin::Json("<root><ip>1.1.1.1</ip><error>True</error><reason>RateLimited</reason></root>")},
    });
    CIpApiCo provider;
    EXPECT_EQ(provider.GetLocationInfo(testing_support::MakeAddress("mail.example.com")), nullptr);
    // An out-of-range longitude is dropped.
    ExpectRecord(Locate(provider, "8.8.8.8"), "US", "United States", "California", "Mountain View", "94043",
                 "GOOGLE", "AS15169", 37.42301, 0);
    ExpectFailed(Locate(provider, "1.1.1.1"), "RateLimited");
}

TEST(Provider, DbIpCom)
{
    ServiceTwin twin(GeoService::DbIpCom, {
        {"/v2/wupz/8.8.8.8", ServiceTwin::Json(
            R"({"ipAddress":"8.8.8.8","continentCode":"NA","countryCode":"US","countryName":"United States",)"
            R"("stateProv":"California","city":"Mountain View","zipCode":"94043","latitude":37.4,)"
            R"("longitude":-122.1,"organization":"Google LLC"})")},
        {"/v2/wupz/1.1.1.1", ServiceTwin::Json(R"({"error":"invalid address","errorCode":"INVALID_ADDRESS"})")},
        {"/v2/mykey/2.2.2.2", ServiceTwin::Json(R"({"countryCode":"DE","city":"Berlin"})")},
    });
    CDbIpCom provider;
    EXPECT_TRUE(provider.IsKeyUsed());
    EXPECT_TRUE(provider.HasKey()); // the built-in key
    ExpectRecord(Locate(provider, "8.8.8.8"), "US", "United States", "California", "Mountain View", "94043", "",
                 "Google LLC", 37.4, -122.1);
    provider.SetAccessKey(W("WUPZ")); // the built-in key in capitals is the built-in key
    ExpectFailed(Locate(provider, "1.1.1.1"), "INVALID_ADDRESS : invalid address");
    provider.SetAccessKey(W("mykey"));
    ExpectRecord(Locate(provider, "2.2.2.2"), "DE", "", "", "Berlin", "", "", "", 0, 0);
    provider.SetAccessKey(W(""));
    EXPECT_TRUE(provider.HasKey());
}

TEST(Provider, IPGeolocation)
{
    ServiceTwin twin(GeoService::IPGeolocation, {
        {"/ipgeo?ip=8.8.8.8&apiKey=K1", ServiceTwin::Json(
            R"({"ip":"8.8.8.8","country_code2":"US","country_name":"United States","state_prov":"California",)"
            R"("city":"Mountain View","zipcode":"94043-1351","latitude":"37.42240","longitude":"-122.08421",)"
            R"("isp":"Google LLC","organization":"Google"})")},
        {"/ipgeo?ip=1.1.1.1&apiKey=K1", ServiceTwin::Json(R"({"message":"Provided API key is not valid."})", 401)},
    });
    CIPGeolocation provider;
    IPLocationInfo* noKey = provider.GetLocationInfo(testing_support::MakeAddress("8.8.8.8"));
    ASSERT_NE(noKey, nullptr);
    EXPECT_EQ(noKey->status, RS_NONE); // without a key nothing is sent
    provider.SetAccessKey(W("K1"));
    ExpectRecord(Locate(provider, "8.8.8.8"), "US", "United States", "California", "Mountain View", "94043-1351",
                 "Google LLC", "Google", 37.4224, -122.08421);
    ExpectFailed(Locate(provider, "1.1.1.1"), "", 401);
    EXPECT_EQ(twin.Server().CallCount(), 2u);
}

TEST(Provider, IpInfoDB)
{
    ServiceTwin twin(GeoService::IpInfoDB, {
        {"/v3/ip-city/?ip=8.8.8.8&key=K2&format=json", ServiceTwin::Json(
            R"({"statusCode":"OK","statusMessage":"","ipAddress":"8.8.8.8","countryCode":"US",)"
            R"("countryName":"United States of America","regionName":"California","cityName":"Mountain View",)"
            R"("zipCode":"94043","latitude":"37.406","longitude":"-122.079","timeZone":"-07:00"})")},
        {"/v3/ip-city/?ip=mail.example.com&key=K2&format=json", ServiceTwin::Json(
            R"({"statusCode":"ERROR","statusMessage":"Invalid API key."})")},
    });
    CIpInfoDB provider;
    provider.SetAccessKey(W("K2"));
    ExpectRecord(Locate(provider, "8.8.8.8"), "US", "United States of America", "California", "Mountain View",
                 "94043", "", "", 37.406, -122.079);
    ExpectFailed(Locate(provider, "mail.example.com"), "Invalid API key.");
}

TEST(Provider, IPStack)
{
    std::string allNull = R"({"ip":"7.7.7.7","type":"ipv4")";
    for (int i = 0; i < 16; ++i)
        allNull += ",\"f" + std::to_string(i) + "\":null";
    allNull += "}";
    ServiceTwin twin(GeoService::IPStack, {
        {"/8.8.8.8?access_key=K3", ServiceTwin::Json(
            R"({"ip":"8.8.8.8","type":"ipv4","continent_code":"NA","country_code":"US","country_name":"United States",)"
            R"("region_code":"CA","region_name":"California","city":"Mountain View","zip":"94043",)"
            R"("latitude":37.38,"longitude":-122.08,"connection":{"asn":"15169","isp":"Google LLC"}})")},
        {"/1.1.1.1?access_key=K3", ServiceTwin::Json(
            R"({"success":false,"error":{"code":101,"type":"invalid_access_key","info":"You have not supplied a valid API Access Key."}})")},
        {"/7.7.7.7?access_key=K3", ServiceTwin::Json(allNull)},
    });
    CIPStack provider;
    provider.SetAccessKey(W("K3"));
    ExpectRecord(Locate(provider, "8.8.8.8"), "US", "United States", "California", "Mountain View", "94043",
                 "Google LLC", "15169", 37.38, -122.08);
    ExpectFailed(Locate(provider, "1.1.1.1"), "You have not supplied a valid API Access Key.", 101);
    ExpectFailed(Locate(provider, "7.7.7.7"), "", 0);
}

TEST(Provider, IpApiCom)
{
    ServiceTwin twin(GeoService::IpApiCom, {
        {"/api/8.8.8.8?access_key=K4&language=en&hostname=1&output=json", ServiceTwin::Json(
            R"({"ip":"8.8.8.8","hostname":"dns.google","country_code":"US","country_name":"United States",)"
            R"("region_name":"California","city":"Mountain View","zip":"94043","latitude":37.38,"longitude":-122.08,)"
            R"("location":{"languages":null}})")},
        {"/api/1.1.1.1?access_key=K4&language=en&hostname=1&output=json", ServiceTwin::Json(
            R"({"success":false,"error":{"code":104,"type":"usage_limit_reached","info":"Monthly limit reached."}})")},
    });
    CIpApiCom provider;
    provider.SetAccessKey(W("K4"));
    ExpectRecord(Locate(provider, "8.8.8.8"), "US", "United States", "California", "Mountain View", "94043",
                 "dns.google", "", 37.38, -122.08);
    ExpectFailed(Locate(provider, "1.1.1.1"), "Monthly limit reached.", 104);
}

TEST(Provider, IpInfoIo)
{
    ServiceTwin twin(GeoService::IpInfoIo, {
        {"/8.8.8.8/json", ServiceTwin::Json(
            R"({"ip":"8.8.8.8","hostname":"dns.google","city":"Paris","region":"Ile-de-France","country":"fr",)"
            R"("loc":"48.85,2.35","org":"AS15169 Google LLC","postal":"75001"})")},
        {"/2.2.2.2/json?token=T5", ServiceTwin::Json(R"({"country":"ZZ","loc":"48.85;2.35"})")},
        {"/1.1.1.1/json?token=T5", ServiceTwin::Json(R"({"error":{"title":"Rate limit exceeded"}})", 429)},
    });
    CIpInfoIo provider;
    ExpectRecord(Locate(provider, "8.8.8.8"), "FR", "France", "Ile-de-France", "Paris", "75001", "dns.google",
                 "AS15169 Google LLC", 48.85, 2.35);
    provider.SetAccessKey(W("T5"));
    // An unknown code has no name; a semicolon is no separator.
    ExpectRecord(Locate(provider, "2.2.2.2"), "ZZ", "", "", "", "", "", "", 0, 0);
    IPLocationInfo* quota = Locate(provider, "1.1.1.1");
    ASSERT_NE(quota, nullptr);
    EXPECT_EQ(quota->status, RS_QUOTA_EXCEEDED);
    EXPECT_EQ(quota->httpStatus, 429);
}

TEST(Provider, WhoIsXMLApi)
{
    ServiceTwin twin(GeoService::WhoIsXMLApi, {
        {"/api/v1?apiKey=K6&ipAddress=8.8.8.8&outputFormat=json", ServiceTwin::Json(
            R"({"ip":"8.8.8.8","location":{"country":"CI","region":"Lagunes","city":"Abidjan","lat":5.35,)"
            R"("lng":-4.01,"postalCode":"","timezone":"+00:00"},"domains":["google.com"],"isp":"Google LLC"})")},
        {"/api/v1?apiKey=K6&ipAddress=1.1.1.1&outputFormat=json", ServiceTwin::Json(
            R"({"code":403,"messages":"Access restricted. Check credits balance or enter the correct API key."})", 403)},
    });
    CWhoIsXMLApi provider;
    provider.SetAccessKey(W("K6"));
    // "domains" is a list, not a text: no host name.
    ExpectRecord(Locate(provider, "8.8.8.8"), "CI", "Ivory Coast", "Lagunes", "Abidjan", "", "", "Google LLC", 5.35,
                 -4.01);
    ExpectFailed(Locate(provider, "1.1.1.1"), "", 403);
}

TEST(Provider, Ip2Location)
{
    ServiceTwin twin(GeoService::Ip2Location, {
        {"/v2/?ip=8.8.8.8&key=K7&format=json&package=WS10", ServiceTwin::Json(
            R"({"country_code":"US","country_name":"United States of America","region_name":"California",)"
            R"("city_name":"Mountain View","latitude":"37.40599","longitude":"-122.078514","zip_code":"94043",)"
            R"("time_zone":"-07:00","isp":"Google LLC","domain":"google.com"})")},
        {"/v2/?ip=1.1.1.1&key=K7&format=json&package=WS10", ServiceTwin::Json(R"({"response":"INSUFFICIENT CREDIT"})")},
    });
    CIp2Location provider;
    EXPECT_EQ(provider.GetRate(), std::make_pair(1, RATE_NA));
    IPLocationInfo* noKey = provider.GetLocationInfo(testing_support::MakeAddress("8.8.8.8"));
    ASSERT_NE(noKey, nullptr);
    EXPECT_EQ(noKey->status, RS_NONE); // without a key nothing is sent
    provider.SetAccessKey(W("K7"));
    ExpectRecord(Locate(provider, "8.8.8.8"), "US", "United States of America", "California", "Mountain View",
                 "94043", "google.com", "Google LLC", 37.40599, -122.078514);
    ExpectFailed(Locate(provider, "1.1.1.1"), "INSUFFICIENT CREDIT");
}

TEST(Provider, BrokenAnswersStayWithinTheReadersBuffers)
{
    // Not JSON, truncated, a value longer than any buffer: the record fails or stays for the sweep.
    std::string longValue(5000, 'a');
    ServiceTwin twin(GeoService::DbIpCom, {
        {"/v2/wupz/8.8.8.8", ServiceTwin::Json("<html>oops</html>")},
        {"/v2/wupz/2.2.2.2", ServiceTwin::Json(R"({"countryCode":"USA-LONG","city":")" + longValue + R"("})")},
        {"/v2/wupz/3.3.3.3", ServiceTwin::Json(R"({"countryCode":"U)")},
        {"/v2/wupz/4.4.4.4", ServiceTwin::Json("")},
    });
    CDbIpCom provider;
    IPLocationInfo* html = Locate(provider, "8.8.8.8");
    EXPECT_EQ(html->status, RS_DONE); // no error report and no values: an empty record
    EXPECT_FALSE(html->city);
    IPLocationInfo* longOne = Locate(provider, "2.2.2.2");
    EXPECT_EQ(longOne->status, RS_DONE);
    EXPECT_EQ(pal::ToUtf8(longOne->countryCode), "USA");
    EXPECT_EQ(longOne->city.Length(), 255u);
    EXPECT_EQ(Locate(provider, "3.3.3.3")->status, RS_DONE);
    EXPECT_EQ(Locate(provider, "4.4.4.4")->status, RS_FAILED); // an empty answer
}

TEST(Provider, NumbersOutOfRangeOrNotANumberBecomeZero)
{
    ServiceTwin xml(GeoService::IpApiCo, {
        {"/8.8.8.8/xml/", ServiceTwin::Json("<root><country>US</country><latitude>nan</latitude>"
                                            "<longitude>-nan</longitude></root>")},
        {"/9.9.9.9/xml/", ServiceTwin::Json("<root><latitude>inf</latitude><longitude>1e999</longitude></root>")},
    });
    CIpApiCo ipApiCo;
    ExpectRecord(Locate(ipApiCo, "8.8.8.8"), "US", "", "", "", "", "", "", 0, 0);
    ExpectRecord(Locate(ipApiCo, "9.9.9.9"), "", "", "", "", "", "", "", 0, 0);

    // An error code that no status can hold is 0, the message is kept.
    ServiceTwin stack(GeoService::IPStack, {
        {"/1.1.1.1?access_key=K", ServiceTwin::Json(R"({"error":{"code":1e300,"info":"x"}})")},
        {"/2.2.2.2?access_key=K", ServiceTwin::Json(R"({"error":{"code":-3000000000,"info":"y"}})")},
        {"/3.3.3.3?access_key=K", ServiceTwin::Json(R"({"error":{"code":-2147483648,"info":"z"}})")},
    });
    CIPStack ipStack;
    ipStack.SetAccessKey(W("K"));
    ExpectFailed(Locate(ipStack, "1.1.1.1"), "x", 0);
    ExpectFailed(Locate(ipStack, "2.2.2.2"), "y", 0);
    ExpectFailed(Locate(ipStack, "3.3.3.3"), "z", LONG(-2147483647 - 1));
    ServiceTwin com(GeoService::IpApiCom, {
        {"/api/1.1.1.1?access_key=K&language=en&hostname=1&output=json",
         ServiceTwin::Json(R"({"error":{"code":"nan","info":"n"}})")},
    });
    CIpApiCom ipApiCom;
    ipApiCom.SetAccessKey(W("K"));
    ExpectFailed(Locate(ipApiCom, "1.1.1.1"), "n", 0);

    // A location longer than its buffer is not read at all: cut, its longitude would be 2.35.
    ServiceTwin info(GeoService::IpInfoIo, {
        {"/8.8.8.8/json", ServiceTwin::Json(R"({"country":"FR","loc":"48.85000000000000000000000000000000000000000,2.351"})")},
        {"/9.9.9.9/json", ServiceTwin::Json(R"({"loc":"nan,2.35"})")},
    });
    CIpInfoIo ipInfo;
    ExpectRecord(Locate(ipInfo, "8.8.8.8"), "FR", "France", "", "", "", "", "", 0, 0);
    ExpectRecord(Locate(ipInfo, "9.9.9.9"), "", "", "", "", "", "", "", 0, 0);
}

TEST(Provider, NamesAndIdentifiersComeFromTheHomePages)
{
    CKeyCDN keycdn;
    CIpInfoDB ipinfodb;
    EXPECT_EQ(pal::ToUtf8(ipinfodb.GetProviderName().c_str()), "ipinfodb.com"); // no leading "www."
    int id = 0;
    for (char c : std::string("tools.keycdn.com"))
        id += c;
    EXPECT_EQ(keycdn.GetProviderId(), id);
    setenv("VANTORA_HOMEPAGE_IPAPICO", "HTTPS://WWW.Example.ORG/geo/", 1);
    CIpApiCo configured;
    unsetenv("VANTORA_HOMEPAGE_IPAPICO");
    EXPECT_EQ(pal::ToUtf8(configured.GetProviderName().c_str()), "example.org");
}

} // namespace
