// The status button: dangers of attachments, warnings of mismatched types, header and link servers in
// watched countries and links to watched servers, with the button's image and tips.
#include "ConnectTestUtil.h"

#include <fstream>
#include <sstream>

#include "geo/CountryTable.h"
#include "dialogs/InfoDlg.h"
#include "geo/ProviderTestUtil.h"
#include "res/resource.h"

using namespace connect_test;
using testing_support::ServiceTwin;

namespace {

std::string Base64(const std::string& bytes)
{
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned n = (unsigned char)bytes[i] << 16;
        if (i + 1 < bytes.size())
            n |= (unsigned char)bytes[i + 1] << 8;
        if (i + 2 < bytes.size())
            n |= (unsigned char)bytes[i + 2];
        out += digits[(n >> 18) & 63];
        out += digits[(n >> 12) & 63];
        out += i + 1 < bytes.size() ? digits[(n >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? digits[n & 63] : '=';
        if (out.size() % 77 == 76)
            out += "\r\n";
    }
    return out;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A message with one attachment of the given name and bytes.
std::string WithAttachment(const std::string& name, const std::string& bytes)
{
    return "From: Sender <sender@example.org>\r\nTo: you@example.org\r\nSubject: files\r\n"
           "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
           "--b\r\nContent-Type: text/plain\r\n\r\nsee attached\r\n"
           "--b\r\nContent-Type: application/octet-stream; name=\"" + name + "\"\r\n"
           "Content-Disposition: attachment; filename=\"" + name + "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
           Base64(bytes) + "\r\n--b--\r\n";
}

int Key(const char16_t* code)
{
    return CountryKey(code);
}

using StatusTest = ConnectTest;

TEST_F(StatusTest, NoFindingsNoTips)
{
    Start();
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(IDI_STATUS_OK, Image(ID_STATUS));
    EXPECT_EQ("", SuperTip(ID_STATUS));
    EXPECT_TRUE(Enabled(ID_STATUS));
}

TEST_F(StatusTest, AProgramNamedLikeADocumentIsADangerAndAMismatch)
{
    Start();
    SelectBytes(WithAttachment("invoice.pdf", ReadFile(Corpus("files/exe/nsis-installer.exe"))));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(IDI_STATUS_DANGER, Image(ID_STATUS));
    EXPECT_EQ("Danger", ToolTip(ID_STATUS));
    std::string tip = SuperTip(ID_STATUS);
    EXPECT_EQ(0u, tip.find("invoice.pdf\nContent is potentially dangerous")) << tip;
    EXPECT_NE(std::string::npos, tip.find("\n\ninvoice.pdf\nRecognized file type is different than implied file type"))
        << tip;
}

TEST_F(StatusTest, AMismatchAloneIsAWarning)
{
    Start();
    SelectBytes(WithAttachment("photo.jpg", ReadFile(Corpus("files/archive/stored.zip"))));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(IDI_STATUS_WARNING, Image(ID_STATUS));
    EXPECT_EQ("Warning", ToolTip(ID_STATUS));
    EXPECT_NE(std::string::npos, SuperTip(ID_STATUS).find("Recognized file type is different"));
}

TEST_F(StatusTest, WatchedCountriesOfHeaderServersGiveOneLineEach)
{
    Start();
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    // Watch the countries the offline provider found, twice over: each country is named once.
    CSettingsManager& s = CSettingsManager::Instance();
    std::set<std::u16string> found;
    for (const IPInfo& ip : connect->GetEmailData().GetEmailIPLocation().GetIPLocationNoReserved())
        for (const IPLocationInfo* info : ip.locationInfo)
            if (info->status == RS_DONE && info->countryCode[0])
                found.insert(info->countryCode);
    ASSERT_FALSE(found.empty());
    for (const auto& code : found) {
        s.emailCountries.push_back(Key(code.c_str()));
        s.emailCountries.push_back(Key(code.c_str()));
    }
    s.flagEmails = true;
    connect->ProcessContent();
    EXPECT_EQ(IDI_STATUS_WARNING, Image(ID_STATUS));
    std::string tip = SuperTip(ID_STATUS);
    size_t lines = 0;
    for (size_t at = tip.find("E-mail passed through a server in "); at != std::string::npos;
         at = tip.find("E-mail passed through a server in ", at + 1))
        ++lines;
    EXPECT_EQ(found.size(), lines) << tip;
    // Watching is off: no warning, even with the list kept.
    s.flagEmails = false;
    connect->ProcessContent();
    EXPECT_EQ(IDI_STATUS_OK, Image(ID_STATUS));
}

TEST_F(StatusTest, WatchedServersMatchTheEndOfTheHost)
{
    Start();
    Select("eml/mail-error_emails-content_transfer_encoding_with_8bits.eml");
    ASSERT_TRUE(Settle());
    CSettingsManager& s = CSettingsManager::Instance();
    s.servers = {u"", u"TAGE.com"}; // a plain suffix, not at a dot, any case
    s.flagServers = true;
    connect->ProcessContent();
    std::string tip = SuperTip(ID_STATUS);
    EXPECT_NE(std::string::npos, tip.find("provantage.com")) << tip;
    EXPECT_NE(std::string::npos, tip.find("\nLink points to server: TAGE.com")) << tip;
    EXPECT_NE(IDI_STATUS_OK, Image(ID_STATUS));
}

TEST(CountryLookupTest, OnlyWatchedCodesHaveNames)
{
    std::u16string name;
    CConnect::GetCountry(u"de", {Key(u"FR"), Key(u"DE")}, name);
    EXPECT_EQ(u"Germany", name);
    CConnect::GetCountry(u"US", {Key(u"FR")}, name);
    EXPECT_EQ(u"", name);
    CConnect::GetCountry(nullptr, {Key(u"FR")}, name);
    EXPECT_EQ(u"", name);
    CConnect::GetCountry(u"FR", {}, name);
    EXPECT_EQ(u"", name);
}

TEST(SpacingTest, LabelsAreFilledUpToTheWidest)
{
    std::vector<int> spaces;
    CConnect::CalculateSpacing({u"1.2.3.4", u"100.200.100.200", u"5.6.7.8"}, spaces);
    EXPECT_TRUE(spaces.empty()) << "three labels fit without padding";
    CConnect::CalculateSpacing({u"a", u"A", u"a", u"a"}, spaces);
    EXPECT_TRUE(spaces.empty()) << "one distinct label";
    CConnect::CalculateSpacing({u"1.2.3.4", u"100.200.100.200", u"5.6.7.8", u"100.200.100.200"}, spaces);
    ASSERT_EQ(4u, spaces.size());
    EXPECT_GT(spaces[0], 0);
    EXPECT_EQ(0, spaces[1]);
    EXPECT_EQ(spaces[0], spaces[2]);
    EXPECT_EQ(0, spaces[3]);
}

} // namespace

namespace {

const char* const kIpApiUs =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?><root><ip>1.2.3.4</ip><country>US</country>"
    "<country_name>United States</country_name></root>";
const char* const kDbIpDe = R"({"countryCode":"DE","countryName":"Germany","city":"Berlin"})";
const char* const kDbIpUs = R"({"countryCode":"us","countryName":"United States"})";

// Two providers' twins that agree on one header server and not on the two others.
class DisagreeingProvidersTest : public ConnectTest {
protected:
    // These messages have no links: the providers' twins are reached directly.
    DisagreeingProvidersTest() { unsetenv("VANTORA_CONNECT_TO"); }

    ServiceTwin ipApi{GeoService::IpApiCo, {{"/141.154.95.22/xml/", ServiceTwin::Json(kIpApiUs)},
                                            {"/212.17.35.15/xml/", ServiceTwin::Json(kIpApiUs)},
                                            {"/62.122.4.47/xml/", ServiceTwin::Json(kIpApiUs)}}};
    ServiceTwin dbIp{GeoService::DbIpCom, {{"/v2/wupz/141.154.95.22", ServiceTwin::Json(kDbIpUs)},
                                           {"/v2/wupz/212.17.35.15", ServiceTwin::Json(kDbIpDe)},
                                           {"/v2/wupz/62.122.4.47", ServiceTwin::Json(kDbIpDe)}}};
};

} // namespace

TEST_F(DisagreeingProvidersTest, TipsWarningsAndTheDialogSayWhichProviderNamedWhat)
{
    SelectProviders({"ipapi.co", "db-ip.com"});
    Start();
    Select("eml/sa-nice-001.eml");
    ASSERT_TRUE(Settle());
    const IPInfoList& ips = connect->GetEmailData().GetEmailIPLocation().GetIPLocationNoReserved();
    ASSERT_EQ(3u, ips.size());
    size_t disagreeing = 0;
    for (const IPInfo& ip : ips) {
        std::vector<CountryAnswer> answers = ip.CountryAnswers();
        std::string address = Str(ip.Address()->ToString(false), true);
        if (address == "141.154.95.22") {
            // The same country in other letter case is agreement.
            ASSERT_EQ(1u, answers.size());
            EXPECT_EQ(2u, answers[0].providers.size());
            EXPECT_TRUE(ip.DisagreementText().empty());
        } else {
            ++disagreeing;
            EXPECT_EQ("Providers disagree: United States (ipapi.co), Germany (db-ip.com)",
                      Str(ip.DisagreementText().c_str()));
        }
    }
    EXPECT_EQ(2u, disagreeing);

    // The rows' tips: the first provider's answer, then the disagreement.
    std::vector<std::string> tips;
    for (int id : ID_IP_MAIN)
        tips.push_back(SuperTip(id));
    size_t withNote = 0;
    for (const std::string& tip : tips)
        withNote += tip.find("\n\nProviders disagree: United States (ipapi.co), Germany (db-ip.com)") != std::string::npos;
    EXPECT_EQ(2u, withNote) << tips[0] << "|" << tips[1] << "|" << tips[2];

    // Watching Germany: the warning says the providers disagree; watching the United States, the address
    // they agree on gives the plain warning.
    CSettingsManager& s = CSettingsManager::Instance();
    s.emailCountries = {Key(u"DE")};
    s.flagEmails = true;
    connect->ProcessContent();
    EXPECT_NE(std::string::npos,
              SuperTip(ID_STATUS).find("E-mail passed through a server in Germany (providers disagree)"))
        << SuperTip(ID_STATUS);
    s.emailCountries = {Key(u"US")};
    connect->ProcessContent();
    std::string tip = SuperTip(ID_STATUS);
    EXPECT_NE(std::string::npos, tip.find("E-mail passed through a server in United States (providers disagree)")) << tip;
    EXPECT_NE(std::string::npos, tip.find("E-mail passed through a server in United States\n")) << tip;

    // The IP dialog lists the answers side by side under each address.
    CInfoDlg dialog(IDS_TITLE_IP_LOCATION);
    dialog.AddIPLocations(ips);
    std::string text = Str(dialog.GetText().c_str());
    EXPECT_NE(std::string::npos,
              text.find("212.17.35.15\nProviders disagree: United States (ipapi.co), Germany (db-ip.com)\n"))
        << text;
}

TEST_F(StatusTest, TheReceivingServersVerdictsWarn)
{
    const std::string body = "From: Bank <security@bank.example>\r\nTo: you@contoso.example\r\nSubject: Verify\r\n"
                             "Content-Type: text/plain\r\n\r\nhello\r\n";
    const std::string received =
        "Received: from mail.bank.example (mail.bank.example [198.51.100.7]) by mx.contoso.example\r\n"
        " with ESMTPS id 1; Tue, 3 Dec 2024 09:14:05 +0000\r\n";
    Start();
    SelectBytes("Authentication-Results: mx.contoso.example; spf=pass smtp.mailfrom=bank.example;\r\n"
                " dkim=pass header.d=bank.example; dmarc=fail (p=REJECT) header.from=bank.example\r\n" +
                received + body);
    ASSERT_TRUE(Settle());
    EXPECT_EQ(IDI_STATUS_WARNING, Image(ID_STATUS));
    EXPECT_EQ("The receiving server's DMARC check failed: fail (policy reject, bank.example)", SuperTip(ID_STATUS));

    SelectBytes("Authentication-Results: mx.contoso.example; spf=softfail smtp.mailfrom=bank.example\r\n" + received +
                    "Authentication-Results: mx.contoso.example; spf=pass; dkim=pass; dmarc=pass\r\n" + body,
                "second");
    ASSERT_TRUE(Settle());
    EXPECT_EQ("The receiving server could not authenticate the sender: SPF softfail, DKIM none given",
              SuperTip(ID_STATUS));

    // Verdicts that pass, and a message without any, warn of nothing.
    SelectBytes("Authentication-Results: mx.contoso.example; spf=pass; dkim=fail; dmarc=pass\r\n" + received + body,
                "third");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(IDI_STATUS_OK, Image(ID_STATUS));
    SelectBytes(received + body, "fourth");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(IDI_STATUS_OK, Image(ID_STATUS));
}
