// The rewrites of mail gateways taken off link addresses, each format as its maker writes it, rewrites in
// rewrites, and rewrites whose target cannot be read, which stay as they are.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "Utils/LinkRewriters.h"
#include "pal/host.h"

namespace {

struct Unwrapped {
    bool taken = false;
    std::string target;
    std::string by;
};

Unwrapped Unwrap(const std::string& url)
{
    RewrittenLink out;
    Unwrapped u;
    u.taken = UnwrapRewrittenLink(reinterpret_cast<const WCHAR*>(pal::ToWide(url).c_str()), out);
    u.target = pal::ToUtf8(out.target);
    u.by = pal::ToUtf8(RewriterNames(out.rewriters));
    return u;
}

void ExpectTarget(const std::string& url, const std::string& target, const std::string& by)
{
    Unwrapped u = Unwrap(url);
    EXPECT_TRUE(u.taken) << url;
    EXPECT_EQ(target, u.target) << url;
    EXPECT_EQ(by, u.by) << url;
}

void ExpectKept(const std::string& url)
{
    Unwrapped u = Unwrap(url);
    EXPECT_FALSE(u.taken) << url << " gave " << u.target;
    EXPECT_EQ("", u.target);
}

} // namespace

TEST(LinkRewriters, EachFormatGivesItsTarget)
{
    ExpectTarget("https://nam12.safelinks.protection.outlook.com/?url=https%3A%2F%2Fwww.example.org%2Freport%3Fid%3D7"
                 "%26lang%3Den&data=05%7C02%7Cuser%40contoso.com%7C0c1d%7C72f988bf%7C1%7C0%7C638400%7CUnknown%7CTWFp"
                 "bGZsb3d8eyJWIjoiMC4wLjAwMDAiLCJQIjoiV2luMzIiLCJBTiI6Ik1haWwiLCJXVCI6Mn0%3D%7C0%7C%7C%7C&sdata=q9w"
                 "%2BZk%3D&reserved=0",
                 "https://www.example.org/report?id=7&lang=en", "Safe Links");
    ExpectTarget("https://urldefense.proofpoint.com/v1/url?u=http%3A%2F%2Fwww.example.com%2Fpage%3Fx%3D1%26amp%3By%3D2"
                 "&k=oIvRg1%2BdGAgOoM1BIlLLqw%3D%3D%0A&r=abc&m=def&s=ghi",
                 "http://www.example.com/page?x=1&y=2", "URL Defense");
    ExpectTarget("https://urldefense.proofpoint.com/v2/url?u=https-3A__www.example.com_login-3Fuser-3Da-26next-3D-252F"
                 "&d=DwMFaQ&c=euGZstcaTDllvimEN8b7jXrwqOf-v5A_CdpgnVfiiMM&r=abc&m=def&s=ghi&e=",
                 "https://www.example.com/login?user=a&next=%2F", "URL Defense");
    // v3: each "*" stands for the next of the encoded characters ("?" here), "**A" for a run of two ("&=").
    ExpectTarget("https://urldefense.com/v3/__https://www.example.com/a*b=1**Ac__;PyY9!!ABCdef!ghIJ$",
                 "https://www.example.com/a?b=1&=c", "URL Defense");
    ExpectTarget("https://urldefense.com/v3/__https://plain.example.net/__;!!G_uCfscf!abc$", "https://plain.example.net/",
                 "URL Defense");
    ExpectTarget("https://linkprotect.cudasvc.com/url?a=https%3a%2f%2fshop.example.net%2fdeal%3fid%3d9&c=E,1,abcDEF"
                 "&typo=1",
                 "https://shop.example.net/deal?id=9", "Barracuda");
    ExpectTarget("https://secure-web.cisco.com/1AbCdEfGh-IjKlMnOpQr/https%3A%2F%2Fportal.example.com%2Fsign-in%3Fnext"
                 "%3D%252Fhome",
                 "https://portal.example.com/sign-in?next=%2Fhome", "Cisco Secure Email");
    ExpectTarget("https://www.google.com/url?q=https://docs.example.com/d/1&sa=D&source=editors&ust=1700000000000000"
                 "&usg=AOvVaw0", "https://docs.example.com/d/1", "Google");
    ExpectTarget("https://protect-eu.mimecast.com/r/?url=https%3A%2F%2Fexample.com%2Fx", "https://example.com/x",
                 "Mimecast");
    // As a body's text writes them, with "&amp;" between the parameters; host names in any case.
    ExpectTarget("HTTPS://EUR01.SafeLinks.Protection.Outlook.com/?data=05&amp;url=http%3A%2F%2Fa.example%2F",
                 "http://a.example/", "Safe Links");
    ExpectTarget("https://www.google.com/url?sa=D&amp;q=ftp://files.example.org/pub/a.zip",
                 "ftp://files.example.org/pub/a.zip", "Google");
    // UTF-8 in the target.
    ExpectTarget("https://www.google.com/url?q=https://example.com/caf%C3%A9", "https://example.com/caf\xC3\xA9",
                 "Google");
}

TEST(LinkRewriters, RewritesInRewritesComeOffToTheBottom)
{
    // Safe Links around URL Defense v2 around Google's redirector.
    std::string inner = "https://www.google.com/url?q=https://deep.example.com/x&sa=D";
    std::string v2 = "https://urldefense.proofpoint.com/v2/url?u=https-3A__www.google.com_url-3Fq-3Dhttps-3A__deep."
                     "example.com_x-26sa-3DD&d=DwMFaQ&c=x&r=y&m=z&s=w&e=";
    std::string outer = "https://nam04.safelinks.protection.outlook.com/?url=https%3A%2F%2Furldefense.proofpoint.com"
                        "%2Fv2%2Furl%3Fu%3Dhttps-3A__www.google.com_url-3Fq-3Dhttps-3A__deep.example.com_x-26sa-3DD"
                        "%26d%3DDwMFaQ&data=05&reserved=0";
    ExpectTarget(inner, "https://deep.example.com/x", "Google");
    ExpectTarget(v2, "https://deep.example.com/x", "URL Defense, Google");
    ExpectTarget(outer, "https://deep.example.com/x", "Safe Links, URL Defense, Google");
    // An undecodable rewrite inside a decodable one: the outer comes off, the inner stays.
    ExpectTarget("https://nam12.safelinks.protection.outlook.com/?url=https%3A%2F%2Fprotect-us.mimecast.com%2Fs%2FAbC"
                 "%3Fdomain%3Dexample.com&reserved=0",
                 "https://protect-us.mimecast.com/s/AbC?domain=example.com", "Safe Links");
    // A chain made to go on forever ends at the bound, still a link.
    std::string chain = "https://final.example.com/";
    for (int i = 0; i < 20; ++i) {
        std::string escaped;
        for (unsigned char c : chain)
            escaped += std::isalnum(c) ? std::string(1, char(c)) : "%" + std::string(1, "0123456789ABCDEF"[c >> 4]) +
                                                                     "0123456789ABCDEF"[c & 15];
        chain = "https://www.google.com/url?q=" + escaped;
    }
    Unwrapped u = Unwrap(chain);
    EXPECT_TRUE(u.taken);
    EXPECT_EQ(0u, u.target.rfind("https://www.google.com/url?q=", 0));
    EXPECT_EQ(std::string("Google, Google, Google, Google, Google, Google, Google, Google"), u.by);
}

TEST(LinkRewriters, WhatCannotBeDecodedStaysAsItIs)
{
    // Not rewriters: look-alike hosts and paths.
    ExpectKept("https://safelinks.protection.outlook.com.evil.example/?url=https%3A%2F%2Fa.example%2F");
    ExpectKept("https://evilsafelinks.protection.outlook.com/?url=https%3A%2F%2Fa.example%2F");
    ExpectKept("https://www.google.com/search?q=https://a.example/");
    ExpectKept("https://linkprotect.cudasvc.com/other?a=https%3a%2f%2fa.example%2f");
    ExpectKept("http://www.example.com/?url=https%3A%2F%2Fa.example%2F");
    ExpectKept("mailto:someone@example.com");
    ExpectKept("");
    // Rewriters whose target is missing, not a web address, or not whole.
    ExpectKept("https://nam12.safelinks.protection.outlook.com/?data=05%7C02&reserved=0");
    ExpectKept("https://nam12.safelinks.protection.outlook.com/?url=javascript%3Aalert(1)&reserved=0");
    ExpectKept("https://nam12.safelinks.protection.outlook.com/?url=https%3A%2F%2F%2Fpath&reserved=0");
    ExpectKept("https://nam12.safelinks.protection.outlook.com/?url=https%3A%2F%2Fa.example%2F%20x&reserved=0");
    ExpectKept("https://nam12.safelinks.protection.outlook.com/?url=https%3A%2F%2Fa.example%2F%FF&reserved=0");
    ExpectKept("https://protect-eu.mimecast.com/s/AbCdEfGhIjK?domain=example.com");
    ExpectKept("https://secure-web.cisco.com/1AbCdEf");
    ExpectKept("https://secure-web.cisco.com/1AbCdEf/not-an-address");
    ExpectKept("https://urldefense.proofpoint.com/v2/url?d=DwMFaQ");
    // v3 with fewer encoded characters than placeholders, with a run letter that is none, and bad base64.
    ExpectKept("https://urldefense.com/v3/__https://www.example.com/a*b*c__;Pw!!ABC$");
    ExpectKept("https://urldefense.com/v3/__https://www.example.com/a**!__;PyY9!!ABC$");
    ExpectKept("https://urldefense.com/v3/__https://www.example.com/a*__;P$w!!ABC$");
    ExpectKept("https://urldefense.com/v3/__https://www.example.com/no-end");
}
