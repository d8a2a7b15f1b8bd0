// The status button: dangers of attachments, warnings of mismatched types, header and link servers in
// watched countries and links to watched servers, with the button's image and tips.
#include "ConnectTestUtil.h"

#include <fstream>
#include <sstream>

#include "geo/CountryTable.h"

using namespace connect_test;

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
