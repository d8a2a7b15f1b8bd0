// The address text of a link server: the host or address literal as the address classes print it, and
// "Unknown Host" for the record of links without a usable host.
#include <gtest/gtest.h>

#include "Utils/IPInfo.h"
#include "support/GeoTestUtil.h"

using testing_support::MakeAddress;
using testing_support::Utf8;

namespace {

IPInfo4Links Server(const std::string& host)
{
    IPInfo4Links server;
    static_cast<IPInfo&>(server) = MakeAddress(host);
    server.headerPart = 3;
    return server;
}

} // namespace

TEST(LinkServerText, AddressOrUnknownHost)
{
    EXPECT_EQ("www.example.com", Utf8(Server("WWW.Example.com").ToString(true)));
    EXPECT_EQ("[10.1.2.3]", Utf8(Server("10.1.2.3 x").ToString(true)));
    EXPECT_EQ("fe80::1%4", Utf8(Server("fe80::1%4").ToString(false)));

    // No usable host: the shared record of such links, whatever its type says.
    IPInfo4Links unknown;
    unknown.addressType = IP_TYPE_URL;
    EXPECT_EQ("Unknown Host", Utf8(unknown.ToString(false)));
    IPInfo4Links untyped; // no address at all: logged, and still a text
    EXPECT_EQ("Unknown Host", Utf8(untyped.ToString(true)));
}
