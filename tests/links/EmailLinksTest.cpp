// Link extraction through the real HTML document engine: the document walk and the text scans, server
// grouping, the record of links without a usable host, redirects adding servers, and a corpus message read
// through the host's store. The whole network is mapped onto one loopback server (VANTORA_CONNECT_TO), so
// no request, not even a DNS query, leaves the machine; targets are fetched only where a test opens the
// loopback range.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <set>
#include <string>

#include <outlook.h>

#include "Utils/SettingsManager.h"
#include "email/EmailLinks.h"
#include "geo/GeoLocationManager.h"
#include "host/store/MailItem.h"
#include "host/store/Message.h"
#include "pal/host.h"
#include "support/GeoTestUtil.h"
#include "support/HttpTestUtil.h"
#include "support/LoopbackServer.h"

using testing_support::HttpCall;
using testing_support::HttpReply;
using testing_support::LoopbackServer;
using testing_support::Utf8;

namespace {

std::string U8(const _bstr_t& s) { return s.length() ? pal::ToUtf8(static_cast<const WCHAR*>(s)) : std::string(); }
std::u16string Wide(const std::string& s) { return pal::ToWide(s); }

class EmailLinksTest : public ::testing::Test {
protected:
    EmailLinksTest()
        : server([this](const HttpCall& c) { return Answer(c); }, "127.0.0.7")
    {
        setenv("VANTORA_CONNECT_TO", ("127.0.0.7:" + std::to_string(server.Port())).c_str(), 1);
        unsetenv("VANTORA_FETCH_LOOPBACK_LINKS");
        CSettingsManager& s = CSettingsManager::Instance();
        s.providersOrder.clear();
        s.selectedProviders.clear();
        s.providerKeys.clear();
        s.serverReplyTimeout = 7;
        s.maxRetryCount = 3;
        Manager().InitOnStartup();
        Select("location.ipfire.org"); // no request for host names, none for anything here
    }
    ~EmailLinksTest() override
    {
        links.Clear();
        Manager().CleanUpOnClose();
        unsetenv("VANTORA_CONNECT_TO");
        unsetenv("VANTORA_FETCH_LOOPBACK_LINKS");
    }

    static CGeoLocationManager& Manager() { return CGeoLocationManager::Instance(); }

    static void Select(const std::string& name)
    {
        for (const auto& p : Manager().GetProviders())
            if (pal::ToUtf8(p->GetProviderName().c_str()) == name)
                Manager().SetSelected({p->GetProviderId()});
        ASSERT_EQ(1u, Manager().GetSelectedProviders().size());
    }

    // Pages by path; /moved leaves for another host, /same stays on its host.
    HttpReply Answer(const HttpCall& c)
    {
        HttpReply r;
        r.contentType = "text/html";
        if (c.path == "/moved") {
            r.status = 302;
            r.headers = {{"Location", "http://landing.example.net/offer.zip"}};
        } else if (c.path == "/hang") {
            r.hang = true;
        } else if (c.path == "/same") {
            r.status = 302;
            r.headers = {{"Location", "/landing"}};
        } else if (c.path == "/self") {
            // 305 is returned as it is, not followed by the HTTP object.
            r.status = 305;
            r.headers = {{"Location", "http://self.example.com/self"}};
        } else if (c.path == "/there") {
            r.status = 305;
            r.headers = {{"Location", "http://back.example.net/back"}};
        } else if (c.path == "/back") {
            r.status = 305;
            r.headers = {{"Location", "http://there.example.com/there"}};
        } else if (c.path.rfind("/chain/", 0) == 0) {
            r.status = 305;
            r.headers = {{"Location", "http://chain.example.org/chain/" + std::to_string(std::stoi(c.path.substr(7)) + 1)}};
        } else {
            r.body = "<html><body>page</body></html>";
        }
        return r;
    }

    void Set(const std::string& html) { links.SetEmailItem(Wide(html).c_str()); }

    std::vector<std::string> Hosts() const
    {
        std::vector<std::string> hosts;
        for (const IPInfo4Links& s : links.GetLinkServers())
            hosts.push_back(Utf8(s.ToString(false)));
        return hosts;
    }

    std::vector<std::string> Urls(size_t server) const
    {
        std::vector<std::string> urls;
        for (const LinkInfo& l : links.GetLinkServers().at(server).links)
            urls.push_back(U8(l.linkURL));
        return urls;
    }

    bool Settle()
    {
        return testing_support::PumpUntil([this] {
            links.UpdateRequests();
            return links.AreRequestsComplete();
        });
    }

    LoopbackServer server;
    CEmailLinks links;
};

TEST_F(EmailLinksTest, AnchorsAndTextAddressesGroupedByServer)
{
    Set("<html><body>"
        "<a href=\"http://www.example.com/b?x=1&amp;y=2\">Offer</a>"
        "<a href=\"http://example.com/A\">http://example.com/A</a>"
        "<a href=\"HTTP://WWW.EXAMPLE.COM/b?x=1&y=2/\">again</a>"
        "<a href=\"mailto:someone@example.com\">mail</a><a href=\"javascript:alert(1)\">js</a>"
        "<a href=\"file:///c:/x\">file</a><a href=\"http:///nohost\">none</a>"
        "<img src=\"https://img.example.org/p.png\"> see ftp://files.example.org/get.zip or "
        "&lt;http://quoted.example.org/q&gt; and <http://angle.example.org/a>x"
        "</body></html>");
    EXPECT_TRUE(links.IsEmailItemSet());
    // Anchors first, then the text scans: http, https, ftp.
    EXPECT_EQ((std::vector<std::string>{"www.example.com", "quoted.example.org", "angle.example.org",
                                        "img.example.org", "files.example.org"}),
              Hosts());

    // With and without "www." one server; the anchor once, with its text; sorted ignoring case.
    EXPECT_EQ((std::vector<std::string>{"http://example.com/A", "http://www.example.com/b?x=1&y=2"}), Urls(0));
    const LinkInfo& offer = links.GetLinkServers()[0].links[1];
    EXPECT_EQ("Offer", U8(offer.linkText));
    EXPECT_EQ("", U8(links.GetLinkServers()[0].links[0].linkText)); // text equal to the address
    EXPECT_EQ((std::vector<std::string>{"http://quoted.example.org/q"}), Urls(1));
    EXPECT_EQ((std::vector<std::string>{"http://angle.example.org/a"}), Urls(2));
    // Names are resolved off the thread: their records wait as pending meanwhile.
    ASSERT_TRUE(Settle());
    for (const IPInfo4Links& s : links.GetLinkServers()) {
        EXPECT_EQ(3, s.headerPart);
        EXPECT_EQ(DWORD(IP_TYPE_URL), s.addressType);
        EXPECT_TRUE(s.locationInfo.empty()); // the offline provider takes no host names
        for (const LinkInfo& l : s.links) {
            ASSERT_TRUE(l.pDataInfo);
            // Every name maps onto loopback here, which is never fetched; FTP is not fetched at all.
            EXPECT_EQ(RS_FAILED, l.pDataInfo->status);
            bool ftp = U8(l.protocol) == "ftp";
            EXPECT_NE(std::string::npos, Utf8(l.pDataInfo->errorText).find(ftp ? "not a web address" : "reserved address"))
                << Utf8(l.pDataInfo->errorText);
        }
    }
    EXPECT_TRUE(links.AreRequestsComplete());
    EXPECT_EQ(0u, server.CallCount());

    links.Clear();
    EXPECT_FALSE(links.IsEmailItemSet());
    EXPECT_TRUE(links.GetLinkServers().empty());
}

TEST_F(EmailLinksTest, TextScanStopsWhereTheBodyTellsItTo)
{
    // "http://" followed by a space ends the scan for http; https goes on. An address that runs to the end
    // of the body is not taken.
    Set("<p>http:// broken, then http://after.example.com/x and https://secure.example.com/y "
        "and last https://end.example.com/z");
    EXPECT_EQ((std::vector<std::string>{"secure.example.com"}), Hosts());

    // A "%" without two hexadecimal digits ends an address.
    Set("<p>http://pct.example.com/a%41b%zz.rest and more</p>");
    ASSERT_EQ(1u, links.GetLinkServers().size());
    EXPECT_EQ((std::vector<std::string>{"http://pct.example.com/a%41b"}), Urls(0));
}

TEST_F(EmailLinksTest, LinksWithoutUsableHostShareTheLastRecord)
{
    Set("<a href=\"http://intranet/a\">1</a><a href=\"http://first.example.com/\">2</a>"
        "<a href=\"http://[::1]/b\">3</a><a href=\"http://second.example.com/\">4</a>");
    EXPECT_EQ((std::vector<std::string>{"first.example.com", "second.example.com", "Unknown Host"}), Hosts());
    EXPECT_EQ(2u, links.GetLinkServers().back().links.size());
}

TEST_F(EmailLinksTest, NothingIsListedWithoutAProvider)
{
    Manager().CleanUpOnClose(); // the only way to a selection without providers
    ASSERT_TRUE(Manager().GetSelectedProviders().empty());
    Set("<a href=\"http://www.example.com/\">x</a> http://other.example.com/y ");
    EXPECT_TRUE(links.GetLinkServers().empty());
    EXPECT_TRUE(links.IsEmailItemSet());
}

TEST_F(EmailLinksTest, ServersGetOneLocationRequestPerProvider)
{
    Select("tools.keycdn.com");
    Set("<a href=\"http://a.example.com/\">a</a><a href=\"http://www.a.example.com/2\">b</a>"
        "<a href=\"http://b.example.com/\">c</a>");
    ASSERT_EQ(2u, links.GetLinkServers().size());
    for (const IPInfo4Links& s : links.GetLinkServers()) {
        ASSERT_EQ(1u, s.locationInfo.size());
        EXPECT_TRUE(s.locationInfo[0]->IsOutstanding());
    }
    // Asked of the provider once per server, however many links it has.
    EXPECT_NE(links.GetLinkServers()[0].locationInfo[0], links.GetLinkServers()[1].locationInfo[0]);
}

TEST_F(EmailLinksTest, RedirectsToOtherHostsAddServers)
{
    setenv("VANTORA_FETCH_LOOPBACK_LINKS", "1", 1);
    Set("<a href=\"http://start.example.com/moved\">go</a><a href=\"http://stay.example.com/same\">stay</a>");
    ASSERT_TRUE(Settle());
    EXPECT_EQ((std::vector<std::string>{"start.example.com", "stay.example.com", "landing.example.net"}), Hosts());
    const LinkInfo& moved = links.GetLinkServers()[0].links.at(0);
    EXPECT_EQ("http://landing.example.net/offer.zip", U8(moved.redirectURL));
    EXPECT_EQ((std::vector<std::string>{"http://landing.example.net/offer.zip"}), Urls(2));
    // Within one host the redirect is only noted.
    ASSERT_EQ(1u, links.GetLinkServers()[1].links.size());
    EXPECT_EQ("http://stay.example.com/landing", U8(links.GetLinkServers()[1].links[0].redirectURL));
    // Another sweep adds nothing more.
    links.UpdateRequests();
    EXPECT_EQ(3u, links.GetLinkServers().size());
}

// Redirects the HTTP object leaves to the add-in end: one back to the link itself, one back to an earlier
// hop on another host, and a chain of new addresses after ten redirects. Each ends as failed with the
// reason, and the requests are complete.
TEST_F(EmailLinksTest, RedirectLoopsAndLongChainsEnd)
{
    setenv("VANTORA_FETCH_LOOPBACK_LINKS", "1", 1);
    Set("<a href=\"http://self.example.com/self\">self</a><a href=\"http://there.example.com/there\">there</a>"
        "<a href=\"http://chain.example.org/chain/0\">chain</a>");
    ASSERT_TRUE(Settle());
    const LinkInfo& self = links.GetLinkServers().at(0).links.at(0);
    ASSERT_TRUE(self.pDataInfo);
    EXPECT_EQ(RS_FAILED, self.pDataInfo->status);
    EXPECT_EQ("Failed: Redirect loop, the address was already visited: http://self.example.com/self",
              Utf8(self.pDataInfo->FailedText()));

    // there -> back -> there: the second server's link is the hop that leads back.
    EXPECT_EQ((std::vector<std::string>{"self.example.com", "there.example.com", "chain.example.org",
                                        "back.example.net"}),
              Hosts());
    const LinkInfo& there = links.GetLinkServers().at(1).links.at(0);
    EXPECT_EQ("http://back.example.net/back", U8(there.redirectURL));
    ASSERT_TRUE(there.pDataInfo);
    EXPECT_EQ(RS_FAILED, there.pDataInfo->status);
    EXPECT_NE(std::string::npos, Utf8(there.pDataInfo->errorText).find("already visited: http://there.example.com/there"))
        << Utf8(there.pDataInfo->errorText);

    // The link and ten redirects are fetched; the eleventh is not followed.
    const LinkInfo& chain = links.GetLinkServers().at(2).links.at(0);
    EXPECT_EQ("http://chain.example.org/chain/10", U8(chain.redirectURL));
    ASSERT_TRUE(chain.pDataInfo);
    EXPECT_EQ(RS_FAILED, chain.pDataInfo->status);
    EXPECT_NE(std::string::npos, Utf8(chain.pDataInfo->errorText).find("Too many redirects"));
    size_t chainCalls = 0;
    for (const HttpCall& call : server.Calls())
        chainCalls += call.path.rfind("/chain/", 0) == 0;
    EXPECT_EQ(11u, chainCalls);
    EXPECT_FALSE(chain.pDataInfo->spRequest);
    links.UpdateRequests();
    EXPECT_TRUE(links.AreRequestsComplete());
}

// Servers are found by host through an index: "www." in front or not, letter case, and the record of
// links without a usable host, which moves down as new servers come before it.
TEST_F(EmailLinksTest, ServerIndexKeepsTheMatchingRules)
{
    Set("<a href=\"http://www.www.example.org/1\">1</a><a href=\"http://intranet/x\">2</a>"
        "<a href=\"http://WWW.Example.org/2\">3</a><a href=\"http://example.org/3\">4</a>"
        "<a href=\"http://other.example.org/4\">5</a><a href=\"http://www.Other.example.org/5\">6</a>"
        "<a href=\"http://[::1]/6\">7</a><a href=\"http://EXAMPLE.org/8\">8</a>");
    // "www.example.org" is "www.www.example.org" without its first "www.", so it joins that server.
    EXPECT_EQ((std::vector<std::string>{"www.www.example.org", "example.org", "other.example.org", "Unknown Host"}),
              Hosts());
    const IPInfo4LinksList& servers = links.GetLinkServers();
    ASSERT_EQ(4u, servers.size());
    EXPECT_EQ(2u, servers[0].links.size());
    EXPECT_EQ(2u, servers[1].links.size());
    EXPECT_EQ(2u, servers[2].links.size());
    EXPECT_EQ(2u, servers[3].links.size());
}

// The sweep aborts a target that waited out the reply time-out and sends it again within the retry limit;
// the last failure stays.
TEST_F(EmailLinksTest, SweepResendsTimedOutTargetsWithinTheRetryLimit)
{
    setenv("VANTORA_FETCH_LOOPBACK_LINKS", "1", 1);
    CSettingsManager& settings = CSettingsManager::Instance();
    settings.serverReplyTimeout = 1;
    settings.maxRetryCount = 1;
    Set("<a href=\"http://slow.example.com/hang\">slow</a> ");
    const DataInfo* info = links.GetLinkServers().at(0).links.at(0).pDataInfo;
    ASSERT_TRUE(testing_support::PumpUntil([&] { return server.CallCount() == 1; }));
    EXPECT_FALSE(links.AreRequestsComplete());
    for (int sends = 2; sends <= 3; ++sends) {
        time_t start = time(nullptr);
        // Waits out the time-out (at least one whole second) while the loop runs.
        testing_support::PumpUntil([&] { return time(nullptr) > start + 1; }, 5000);
        links.UpdateRequests();
        if (sends == 2) {
            EXPECT_EQ(2, info->attempts);
            EXPECT_TRUE(info->IsOutstanding());
        }
    }
    EXPECT_EQ(RS_ABORTED, info->status);
    EXPECT_EQ(2, info->attempts);
    EXPECT_TRUE(links.AreRequestsComplete());
    server.ReleaseHangs();
}

// A corpus message with 76 anchors, read through the store as Outlook gives it to the add-in.
TEST_F(EmailLinksTest, CorpusMessageThroughTheStore)
{
    std::string error;
    auto message = store::LoadMessageFile(
        std::string(VANTORA_CORPUS_DIR) + "/eml/mail-error_emails-content_transfer_encoding_with_8bits.eml", error);
    ASSERT_TRUE(message) << error;
    CComPtr<Outlook::_Application> app;
    app.Attach(store::NewApplication());
    CComPtr<IDispatch> item;
    item.Attach(store::NewItem(message, app));
    CComQIPtr<Outlook::_MailItem> mail(item);
    ASSERT_TRUE(mail);
    CComBSTR html;
    ASSERT_EQ(S_OK, mail->get_HTMLBody(&html));
    links.SetEmailItem(html);

    std::vector<std::string> hosts = Hosts();
    ASSERT_GE(hosts.size(), 3u);
    EXPECT_EQ("www.provantage.com", hosts[0]);
    std::set<std::string> all(hosts.begin(), hosts.end());
    EXPECT_EQ(hosts.size(), all.size());
    EXPECT_TRUE(all.count("www.gomez.com") && all.count("www.bizrate.com"));

    // The 18 addresses of the shop's anchors (two spellings of its home page are one), no mail address.
    std::vector<std::string> shop = Urls(0);
    EXPECT_GE(shop.size(), 20u);
    size_t anchors = 0;
    for (const std::string& url : shop) {
        EXPECT_EQ(std::string::npos, url.find("mailto")) << url;
        anchors += url.find("/scripts/go.dll/e13011_") != std::string::npos;
    }
    EXPECT_EQ(17u, anchors);
    for (size_t i = 1; i < shop.size(); ++i)
        EXPECT_LE(_wcsicmp(Wide(shop[i - 1]).c_str(), Wide(shop[i]).c_str()), 0) << shop[i];
    for (const IPInfo4Links& s : links.GetLinkServers())
        for (const LinkInfo& l : s.links) {
            std::string host = U8(l.host), server = U8(s.links[0].host);
            EXPECT_TRUE(_wcsicmp(Wide(host).c_str(), Wide(server).c_str()) == 0 ||
                        _wcsicmp(Wide("www." + host).c_str(), Wide(server).c_str()) == 0 ||
                        _wcsicmp(Wide(host).c_str(), Wide("www." + server).c_str()) == 0)
                << host << " under " << server;
        }
    EXPECT_EQ(0u, server.CallCount());

    // With loopback open the targets are fetched from the one server the network is mapped onto.
    setenv("VANTORA_FETCH_LOOPBACK_LINKS", "1", 1);
    links.SetEmailItem(html);
    ASSERT_TRUE(Settle());
    size_t fetched = 0;
    for (const IPInfo4Links& s : links.GetLinkServers())
        for (const LinkInfo& l : s.links)
            fetched += l.pDataInfo && l.pDataInfo->status == RS_DONE;
    EXPECT_GE(fetched, 20u);
    EXPECT_GE(server.CallCount(), fetched);
}

// A Microsoft 365 mailbox rewrites every link through Safe Links: each is grouped, located and fetched by
// its real target, the rewrite kept in its details, and no request goes to the rewriter.
TEST_F(EmailLinksTest, RewrittenLinksGoToTheirRealTargets)
{
    setenv("VANTORA_FETCH_LOOPBACK_LINKS", "1", 1);
    // Plain HTTP throughout: the loopback server speaks no TLS, and what it is asked is what is checked.
    const std::string safe = "http://eur03.safelinks.protection.outlook.com/?url=";
    const std::string tail = "&data=05%7C02%7Cjane%40contoso.com%7C4f1e%7C0%7C638700000000000000%7CUnknown&sdata=Zm9v"
                             "%3D&reserved=0";
    Set("<p><a href=\"" + safe + "http%3A%2F%2Finvoice.example.com%2Fview%3Fid%3D42" + tail + "\">Your invoice</a>"
        "<a href=\"" + safe + "http%3A%2F%2Fstart.example.com%2Fmoved" + tail + "\">Offer</a>"
        "<a href=\"" + safe + "http%3A%2F%2Finvoice.example.com%2Fview%3Fid%3D42" + tail + "\">again</a>"
        "<a href=\"" + safe + "javascript%3Avoid(0)" + tail + "\">broken</a></p>"
        "<p>" + safe + "http%3A%2F%2Fplain.example.org%2Fa" + "&amp;reserved=0 </p>");
    ASSERT_TRUE(Settle());
    std::vector<std::string> hosts = Hosts();
    EXPECT_EQ((std::vector<std::string>{"invoice.example.com", "start.example.com", "eur03.safelinks.protection.outlook.com",
                                        "plain.example.org", "landing.example.net"}),
              hosts);
    const LinkInfo& invoice = links.GetLinkServers()[0].links.at(0);
    EXPECT_EQ(1u, links.GetLinkServers()[0].links.size()) << "the same target twice is one link";
    EXPECT_EQ("http://invoice.example.com/view?id=42", U8(invoice.linkURL));
    EXPECT_EQ("Safe Links", U8(invoice.rewrittenBy));
    EXPECT_EQ(0u, U8(invoice.rewrittenURL).rfind(safe, 0));
    EXPECT_EQ("Your invoice", U8(invoice.linkText));
    // The target's own redirect is followed from the target.
    EXPECT_EQ("http://landing.example.net/offer.zip", U8(links.GetLinkServers()[1].links.at(0).redirectURL));
    // A rewrite whose target is no web address stays the rewriter's, and is fetched as it is.
    const LinkInfo& broken = links.GetLinkServers()[2].links.at(0);
    EXPECT_EQ("", U8(broken.rewrittenBy));
    size_t toRewriter = 0, toInvoice = 0;
    for (const HttpCall& call : server.Calls()) {
        const std::string host = call.headers.count("host") ? call.headers.at("host") : std::string();
        toRewriter += host.find("safelinks") != std::string::npos;
        toInvoice += host == "invoice.example.com";
    }
    EXPECT_EQ(1u, toRewriter) << "only the undecodable rewrite is asked of the rewriter";
    EXPECT_EQ(1u, toInvoice);
}

// Large and broken bodies end with a result, not a crash or a hang.
TEST_F(EmailLinksTest, LargeAndBrokenBodies)
{
    std::string body = "<table>";
    for (int i = 0; i < 20000; ++i)
        body += "<a href=\"http://bulk.example.com/p" + std::to_string(i % 5000) + "\">x</a>";
    body += "<a href=\"http://long.example.com/" + std::string(10000, 'a') + "\">long</a>";
    body += "<a href=\"http://unterminated.example.com/x";
    Set(body);
    ASSERT_GE(links.GetLinkServers().size(), 2u);
    EXPECT_EQ(5000u, links.GetLinkServers()[0].links.size());

    // Lone surrogates in the text and in an address.
    std::u16string odd = u"<a href=\"http://sur.example.com/a\">a_b</a> http://sur.example.com/_x ";
    odd[odd.find(u'_')] = char16_t(0xD800);
    odd[odd.find(u'_')] = char16_t(0xDC00);
    links.SetEmailItem(odd.c_str());
    ASSERT_EQ(1u, links.GetLinkServers().size());
    EXPECT_EQ(2u, links.GetLinkServers()[0].links.size());
}

} // namespace
