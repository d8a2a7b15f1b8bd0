// What the tab shows of links whose targets redirect, download under long names or were refused: the
// gallery item's redirect text and width, the reason of a refusal, and each dangerous target listed once.
#include "ConnectTestUtil.h"

#include <fstream>
#include <sstream>

#include "__Utilities/ResourceManager.h"
#include "addin/ScreenText.h"

using namespace connect_test;

namespace {

const char kLongPath[] = "/downloads/a-rather-long-folder-name-for-the-installer-of-the-week/setup-x64-final.exe";

std::string Program()
{
    std::ifstream in(Corpus("files/exe/nsis-installer.exe"), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// One server for every host (VANTORA_CONNECT_TO): it tells them apart by the Host header.
HttpReply Answer(const HttpCall& call)
{
    auto host = call.headers.find("host");
    std::string name = host == call.headers.end() ? std::string() : host->second.substr(0, host->second.find(':'));
    HttpReply reply;
    if (name == "a.example" && call.path == "/get") {
        reply.status = 302;
        reply.headers.push_back({"Location", "http://other.example.net/"});
        reply.contentType = "text/html";
        return reply;
    }
    if (name == "other.example.net" || call.path == kLongPath) {
        reply.contentType = "application/octet-stream";
        reply.body = Program();
        return reply;
    }
    reply.contentType = "text/html";
    reply.body = "<html><body>page</body></html>";
    return reply;
}

std::string HtmlMail(const std::string& links)
{
    return "From: Sender <sender@example.org>\r\nTo: you@example.org\r\nSubject: links\r\nMIME-Version: 1.0\r\n"
           "Content-Type: text/html; charset=utf-8\r\n\r\n<html><body>" + links + "</body></html>\r\n";
}

class LinkDisplayTest : public ConnectTest {
protected:
    LinkDisplayTest() : server(Answer, "127.0.0.9")
    {
        setenv("VANTORA_CONNECT_TO", ("127.0.0.9:" + std::to_string(server.Port())).c_str(), 1);
    }
    void SetUp() override { Start(); }

    const IPInfo4Links* Server(const std::string& host)
    {
        for (const IPInfo4Links& s : connect->GetEmailData().GetEmailLinks().GetLinkServers())
            for (const LinkInfo& link : s.links)
                if (link.host.length() && Str(static_cast<const WCHAR*>(link.host)) == host)
                    return &s;
        return nullptr;
    }
    long ItemWidth(int row)
    {
        Control gallery(ID_LINK_GALLERY[row]);
        long width = 0;
        EXPECT_EQ(S_OK, connect->GetItemWidthCB(&gallery, &width));
        return width;
    }
    static int BoldWidth(const std::u16string& text)
    {
        CScreenText screen(CResourceManager::Instance().GetUIFont(true));
        return screen.Width(WString(text.c_str()));
    }

    LoopbackServer server;
};

TEST_F(LinkDisplayTest, ARedirectToAnotherHostsRootIsDrawnOnceAndItsDangerListedOnce)
{
    SelectBytes(HtmlMail("<a href=\"http://a.example/get\">get it</a>"));
    ASSERT_TRUE(Settle());
    EXPECT_EQ("other.example.net/",
              Str(CConnect::redirectText(u"http://other.example.net/", u"http://a.example/get", nullptr).c_str()));
    EXPECT_EQ("b.example", Str(CConnect::redirectText(u"http://b.example", u"http://a.example/get", nullptr).c_str()));
    // The link and the link its redirect added both downloaded the program: one danger in the tip.
    ASSERT_TRUE(Server("a.example"));
    ASSERT_TRUE(Server("other.example.net")) << "the redirect's host is a link server of its own";
    EXPECT_EQ(IDI_STATUS_DANGER, Image(ID_STATUS));
    std::string tip = SuperTip(ID_STATUS);
    size_t first = tip.find("other.example.net");
    ASSERT_NE(std::string::npos, first) << tip;
    EXPECT_EQ(std::string::npos, tip.find("other.example.net", first + 1)) << tip;
}

TEST_F(LinkDisplayTest, TheItemIsWideEnoughForTheDownloadsName)
{
    std::string url = std::string("http://files.example") + kLongPath;
    SelectBytes(HtmlMail("<a href=\"" + url + "\">setup</a>"));
    ASSERT_TRUE(Settle());
    const IPInfo4Links* s = Server("files.example");
    ASSERT_TRUE(s);
    ASSERT_TRUE(s->links.at(0).pDataInfo);
    ASSERT_EQ(RS_DONE, s->links[0].pDataInfo->status);
    // The first line names the download by its whole address, in the bold font.
    EXPECT_GE(ItemWidth(0), BoldWidth(pal::ToWide(url)) + 5);
}

TEST_F(LinkDisplayTest, ARefusedLinkSaysWhy)
{
    SelectBytes(HtmlMail("<a href=\"http://192.168.1.1/admin\">router</a>"));
    ASSERT_TRUE(Settle());
    const IPInfo4Links* s = Server("192.168.1.1");
    ASSERT_TRUE(s);
    const DataInfo* pData = s->links.at(0).pDataInfo;
    ASSERT_TRUE(pData);
    EXPECT_EQ(RS_FAILED, pData->status);
    std::string text = Str(pData->FailedText().m_str);
    EXPECT_EQ(0u, text.find("Failed: Not fetched")) << text;
    EXPECT_NE(std::string::npos, text.find("192.168.1.1 (Private-Use Networks)")) << text;
    // The item is measured with the reason, which its first line shows.
    EXPECT_GE(ItemWidth(0), BoldWidth(pal::ToWide(text)) + 5);
    EXPECT_EQ(0u, server.CallCount()) << "nothing was sent to the reserved address";
}

} // namespace
