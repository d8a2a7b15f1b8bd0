// The header's server addresses: field splitting, the order of the searches, the two lists, and what odd
// or hostile headers give. Corpus messages go through the host's store as the add-in reads them.
#include "ModelTestUtil.h"

#include "email/EmailData.h"

using namespace model_test;

namespace {

using List = std::vector<std::string>;

class HeaderAddresses : public NoProviders {
protected:
    // The header as the store gives it: CR LF line ends.
    void Set(const std::string& header)
    {
        std::string crlf;
        for (char c : header) {
            if (c == '\n')
                crlf += '\r';
            crlf += c;
        }
        SetRaw(crlf);
    }
    void SetRaw(const std::string& header)
    {
        std::u16string wide = pal::ToWide(header);
        location.SetEmailHeader(wide.c_str());
    }
    List Shown() const { return Addresses(location.GetIPLocationNoReserved()); }
    List All() const { return Addresses(location.GetIPLocationAll()); }

    CEmailIPLocation location;
};

class CorpusHeaders : public NoProviders {
protected:
    // The lists after the message data took the corpus message.
    void Select(const std::string& file)
    {
        auto mail = items.File(file);
        ASSERT_TRUE(mail);
        data.SetEmailItem(mail);
        ASSERT_TRUE(data.IsEmailItemSet());
    }
    List Shown() { return Addresses(data.GetEmailIPLocation().GetIPLocationNoReserved()); }
    List All() { return Addresses(data.GetEmailIPLocation().GetIPLocationAll()); }

    MailItems items;
    CEmailData data;
};

} // namespace

TEST_F(CorpusHeaders, OriginatingFieldFirstThenTheReceivedClauses)
{
    // X-Originating-Ip is TEST-NET-2 (reserved, listed but not shown); the one Received field gives the
    // last "[" of its "from" clause and of its "by" clause, both folded over lines.
    Select("eml/sa-nice-orig_ip_hdr.eml");
    EXPECT_EQ(All(), (List{"198.51.100.1/0", "64.142.3.173/1", "87.253.148.98/2"}));
    EXPECT_EQ(Shown(), (List{"64.142.3.173/1", "87.253.148.98/2"}));
    EXPECT_TRUE(data.GetEmailIPLocation().GetIPLocationAll()[0].locationInfo.empty());
    EXPECT_EQ(Str(data.GetEmailIPLocation().GetIPLocationAll()[0].ToString()), "Reserved");
}

TEST_F(CorpusHeaders, OldestHopFirstAndTheDoubleColonTrapGivesNothing)
{
    // Five Received fields; the two oldest name no address in brackets, one of them the trap
    // "(206.63.131.30::mail daemon", which is neither an IPv4 address (it is not followed by ")") nor IPv6.
    Select("eml/mimekit-netscape-12.eml");
    EXPECT_EQ(All(), (List{"206.63.131.20/1", "205.218.156.54/1", "198.93.92.3/1"}));
    EXPECT_EQ(Shown(), All());
}

TEST_F(CorpusHeaders, ZoneIdsAndOriginatingAddressOfAnExchangeOnlineMessage)
{
    // x-originating-ip comes first whatever its place; the oldest hop is Exchange's own, with link-local
    // addresses (the "by" one with its zone id); a qmail line without address; private ones not shown.
    Select("eml/mimekit-issue358.eml");
    EXPECT_EQ(All(), (List{"5.157.97.187/0", "fe80::7830:c66f:eaa8:e3dd/1", "fe80::7830:c66f:eaa8:e3dd%14/2",
                           "10.164.76.26/1", "10.164.76.24/2", "104.47.0.133/1", "80.68.177.35/1"}));
    EXPECT_EQ(Shown(), (List{"5.157.97.187/0", "104.47.0.133/1", "80.68.177.35/1"}));
}

TEST_F(HeaderAddresses, SplittingFieldsFoldsAndBanners)
{
    // Folded lines belong to their field; LF-only line ends work too.
    SetRaw("Received: from a.example\n\t(a.example [203.0.114.1])\n by b.example with SMTP; x\nSubject: s\n");
    EXPECT_EQ(Shown(), (List{"203.0.114.1/1"}));

    // A first line without a colon becomes part of the next field's name: that field is not recognised.
    Set("Banner line without colon\nX-Originating-IP: [203.0.114.2]\nX-Originating-IP: [203.0.114.3]\n");
    EXPECT_EQ(Shown(), (List{"203.0.114.3/0"}));

    // Names and values are split at the first colon, white space around the name ignored.
    Set("  X-Originating-IP  :[203.0.114.4]\n");
    EXPECT_EQ(Shown(), (List{"203.0.114.4/0"}));

    HeaderTags tags;
    CEmailIPLocation::SplitHeader(u"A: 1\r\nB:\r\n\t2\r\nC: 3", tags);
    ASSERT_EQ(tags.size(), 3u);
    EXPECT_EQ(pal::ToUtf8(tags[1].first), "B");
    EXPECT_EQ(pal::ToUtf8(tags[1].second), "\r\n\t2\r");
    EXPECT_EQ(pal::ToUtf8(tags[2].second), " 3");
}

TEST_F(HeaderAddresses, AnEmptyFieldAbandonsTheWholeHeader)
{
    // Only with bare line feeds can a body be empty; the header gives no addresses and the caller is told.
    std::u16string header = u"X-Originating-IP: [203.0.114.1]\nX-Empty:\nReceived: from [203.0.114.2]\n";
    EXPECT_THROW(location.SetEmailHeader(header.c_str()), CErrorInfo);
    EXPECT_TRUE(location.IsHeaderSet());
    EXPECT_TRUE(location.GetIPLocationAll().empty());
    EXPECT_NE(LogText().find("body.c_str()"), std::string::npos);
    // A line feed between a name and its colon leaves no body either.
    std::u16string broken = u"Received\n: from [203.0.114.2]\n";
    EXPECT_THROW(location.SetEmailHeader(broken.c_str()), CErrorInfo);
    EXPECT_TRUE(location.GetIPLocationAll().empty());

    // No header (a draft): not an error.
    location.SetEmailHeader(nullptr);
    EXPECT_TRUE(location.IsHeaderSet());
    EXPECT_TRUE(location.GetIPLocationAll().empty());
    Set("no colon anywhere\n");
    EXPECT_TRUE(location.GetIPLocationAll().empty());
}

TEST_F(HeaderAddresses, OriginatingFieldsInTheirPassOrder)
{
    // Pass order decides list order, not header order: X-Originating-IP, X-EN-OrigIP, X-Outbound-IP.
    Set("X-Outbound-IP: 203.0.114.3\n"
        "X-EN-OrigIP: 203.0.114.2\n"
        "Received: from [203.0.114.4] by x\n"
        "X-Originating-IP: [203.0.114.1]\n"
        "X-Originating-IP: 203.0.114.9\n"   // without "[": not searched
        "X-Outbound-IP: none here\n"); // the "e" of "none" is a hex digit, but no address
    EXPECT_EQ(Shown(), (List{"203.0.114.1/0", "203.0.114.2/0", "203.0.114.3/0", "203.0.114.4/1"}));
    Set("X-Outbound-IP: ---!!!\n");
    EXPECT_TRUE(location.GetIPLocationAll().empty());
}

TEST_F(HeaderAddresses, ReceivedClauses)
{
    // The usual form: the host after "from" is no candidate, the last "[" of the clause is; "by" gives none.
    Set("Received: from mail.example.org (mail.example.org [203.0.114.10]) by mx.example.net with ESMTP id 1; d\n");
    EXPECT_EQ(All(), (List{"203.0.114.10/1"}));

    // "from" without "by", "with" or ";": the clause ends before the body's last character, so an address
    // in brackets that ends the body loses its "]" and is not taken; one before it is.
    SetRaw("Received: from host [203.0.114.11]");
    EXPECT_TRUE(location.GetIPLocationAll().empty());
    SetRaw("Received: from host [203.0.114.11] ");
    EXPECT_EQ(All(), (List{"203.0.114.11/1"}));

    // An address right after the keyword, and one of the "by" clause.
    Set("Received: from 203.0.114.12 by [203.0.114.13] with SMTP\n");
    EXPECT_EQ(All(), (List{"203.0.114.12/1", "203.0.114.13/2"}));

    // X-Received is searched too, and both kinds from the last field to the first.
    Set("X-Received: by 203.0.114.20 with SMTP\nReceived: from [203.0.114.21] by x with y\n");
    EXPECT_EQ(All(), (List{"203.0.114.21/1", "203.0.114.20/2"}));
}

TEST_F(HeaderAddresses, DuplicatesKeepTheirFirstDiscovery)
{
    // Both fields name 203.0.114.30; the oldest hop (last field) is searched first.
    Set("Received: from a ([203.0.114.31]) by b ([203.0.114.30]) with x\n"
        "Received: from c ([203.0.114.30]) by d with x\n");
    EXPECT_EQ(All(), (List{"203.0.114.30/1", "203.0.114.31/1"}));
    // The same IPv6 address with another scope or port is another address.
    Set("Received: from x ([fe80::1%4]) by y ([fe80::1%5]) with x\nReceived: from x ([fe80::1%4]) by z with y\n");
    EXPECT_EQ(All(), (List{"fe80::1%4/1", "fe80::1%5/2"}));
    EXPECT_TRUE(Shown().empty());
}

TEST_F(HeaderAddresses, OddAddressForms)
{
    // A documentation-range IPv6 address right after "from" is found and reserved.
    Set("Received: from [2001:db8::25] by x with y\n");
    EXPECT_EQ(All(), (List{"2001:db8::25/1"}));
    EXPECT_TRUE(Shown().empty());
    EXPECT_EQ(Str(location.GetIPLocationAll()[0].ToString()), "Reserved");
    EXPECT_EQ(Str(location.GetIPLocationAll()[0].ToLongString(0)).rfind("Documentation", 0), 0u);

    // Routable IPv6 in brackets and parentheses.
    Set("Received: from x (y [2607:f8b0:4864:20::f31]) by z (2a00:1450:4864::1) with q\n");
    EXPECT_EQ(Shown(), (List{"2607:f8b0:4864:20::f31/1", "2a00:1450:4864::1/2"}));

    // Forms that are not recognised: the "IPv6:" prefix, a leading "::", two brackets, a port, glued text
    // and a clause whose last bracket starts it.
    Set("X-Originating-IP: [[203.0.114.1]]\n"
        "Received: from x ([IPv6:2607:f8b0:4864:20::f31]) by y ([::1]) with z\n"
        "Received: from x (203.0.114.3:25) by y (203.0.114.2x) with z\n"
        "Received: from x by 203.0.114.4glued with z\n"
        "Received: from [x 203.0.114.5 by y with z\n");
    EXPECT_TRUE(location.GetIPLocationAll().empty()) << testing::PrintToString(All());

    // Glued after the keyword still parses when the address ends cleanly.
    Set("Received: from203.0.114.6 by203.0.114.7 with z\n");
    EXPECT_EQ(All(), (List{"203.0.114.6/1", "203.0.114.7/2"}));
}

TEST_F(HeaderAddresses, TenThousandReceivedFields)
{
    std::string header;
    for (int i = 0; i < 10000; ++i)
        header += "Received: from h (h [11." + std::to_string(i / 256) + "." + std::to_string(i % 256) +
                  ".1]) by mx.example with SMTP; d\n";
    Set(header);
    List all = All();
    ASSERT_EQ(all.size(), 10000u);
    EXPECT_EQ(all.front(), "11.39.15.1/1"); // the last field: i = 9999
    EXPECT_EQ(all.back(), "11.0.0.1/1");
    // The same field repeated gives one address.
    std::string same;
    for (int i = 0; i < 10000; ++i)
        same += "Received: from h (h [11.0.0.1]) by mx.example with SMTP; d\n";
    Set(same);
    EXPECT_EQ(All(), (List{"11.0.0.1/1"}));
}

TEST_F(HeaderAddresses, ClearingAndRowState)
{
    Set("Received: from [8.8.8.8] by [8.8.4.4] with x\nReceived: from [1.1.1.1] by [1.0.0.1] with x\n");
    ASSERT_EQ(Shown().size(), 4u);
    // One menu choice per shown row, each the first record; the rows scroll over four addresses.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(location.GetMenuChoice(i), 0);
    location.SetTopRow(5);
    EXPECT_EQ(location.GetTopRow(), 1);
    location.Clear();
    EXPECT_FALSE(location.IsHeaderSet());
    EXPECT_TRUE(location.GetIPLocationAll().empty());
    EXPECT_TRUE(location.GetIPLocationNoReserved().empty());
    EXPECT_EQ(location.GetTopRow(), 0);
    EXPECT_THROW(location.GetMenuChoice(0), CErrorInfo);
    EXPECT_TRUE(location.AreRequestsComplete());
    // A new header after another starts over: nothing of the first stays.
    Set("Received: from [8.8.8.8] by x with y\n");
    Set("Received: from [9.9.9.9] by x with y\n");
    EXPECT_EQ(All(), (List{"9.9.9.9/1"}));
}
