// Messages whose every row overflows: a thousand header hops, ten thousand links to one server, names of
// 300 characters. Each is shown in full, the loop keeps running and every callback still answers.
#include "ConnectTestUtil.h"

#include "pal/gdi.h"

using namespace connect_test;

namespace {

class OverflowTest : public ConnectTest {
protected:
    OverflowTest()
    {
        // Link targets resolve to loopback and are refused as reserved: nothing is fetched.
        unsetenv("VANTORA_FETCH_LOOPBACK_LINKS");
    }
};

TEST_F(OverflowTest, AThousandHopsTenThousandLinksAndLongNames)
{
    std::string m;
    for (int i = 0; i < 1000; ++i)
        m += "Received: from r" + std::to_string(i) + " ([" + std::to_string(30 + i / 250) + "." + std::to_string(i % 250) +
             ".7.9]) by mx with ESMTP\r\n";
    std::string longName(296, 'n');
    m += "From: " + std::string(300, 'S') + " <sender@example.org>\r\nSubject: overflow\r\nMIME-Version: 1.0\r\n"
         "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/html\r\n\r\n<html><body>";
    for (int i = 0; i < 10000; ++i)
        m += "<a href=\"http://one.example/p/" + std::to_string(i) + "/" + std::string(100, 'x') + "\">l</a>\n";
    m += "</body></html>\r\n";
    for (int a = 0; a < 5; ++a)
        m += "--b\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"" +
             longName + std::to_string(a) + ".txt\"\r\n\r\nbody\r\n";
    m += "--b--\r\n";

    Start();
    SelectBytes(m);
    ASSERT_TRUE(Settle());
    CEmailData& data = connect->GetEmailData();
    EXPECT_EQ(1000u, data.GetEmailIPLocation().GetIPLocationNoReserved().size());
    ASSERT_EQ(1u, data.GetEmailLinks().GetLinkServers().size());
    EXPECT_EQ(10000u, data.GetEmailLinks().GetLinkServers()[0].links.size());
    EXPECT_EQ(5u, data.GetEmailAttachments().GetAttachmentsExMapi().size());

    // Rows, scrolling and the status button all answer.
    EXPECT_TRUE(Enabled(ID_IP_SCROLL_DOWN));
    EXPECT_TRUE(Enabled(ID_ATTACHMENT_SCROLL_DOWN));
    EXPECT_LE(Label(ID_ATTACHMENT[0]).size(), 20u) << "short names on the ribbon";
    EXPECT_EQ(0u, Label(ID_SENDER_NAME).find("   SSS"));
    Control gallery(ID_LINK_GALLERY[0]);
    long count = 0, width = 0;
    EXPECT_EQ(S_OK, connect->GetItemCountCB(&gallery, &count));
    EXPECT_EQ(10000, count);
    EXPECT_EQ(S_OK, connect->GetItemWidthCB(&gallery, &width));
    IPictureDisp* picture = nullptr;
    EXPECT_EQ(S_OK, connect->GetItemImageCB(&gallery, count - 1, &picture));
    LONG w = 0, h = 0;
    std::vector<uint32_t> pixels;
    ASSERT_EQ(S_OK, pal::PicturePixels(picture, &w, &h, &pixels));
    EXPECT_EQ(width, w);
    picture->Release();
    BSTR tip = nullptr;
    EXPECT_EQ(S_OK, connect->GetItemSuperTipCB(&gallery, count - 1, &tip));
    EXPECT_NE(std::string::npos, Str(tip, true).find("...")) << "long paths are cut";
    SysFreeString(tip);

    // The last page of the header servers.
    for (int i = 0; i < 5; ++i) {
        Control down(ID_IP_SCROLL_DOWN);
        EXPECT_EQ(S_OK, connect->OnActionCB(&down));
    }
    EXPECT_EQ(5, data.GetEmailIPLocation().GetTopRow());
    data.GetEmailIPLocation().SetTopRow(100000);
    connect->ProcessIpLocation();
    EXPECT_FALSE(Enabled(ID_IP_SCROLL_DOWN));
    EXPECT_TRUE(Enabled(ID_IP_SCROLL_UP));
}

} // namespace
