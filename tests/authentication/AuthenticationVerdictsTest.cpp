// The receiving server's verdicts read from real transport headers (Microsoft 365, Gmail, a test set of
// many fields), and the fields a sender could have written, which are never believed.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "email/EmailAuthentication.h"
#include "pal/host.h"
#include "support/TestPrefix.h"

namespace {

std::string U8(const WString& s) { return pal::ToUtf8(std::u16string_view(s.data(), s.size())); }

AuthenticationVerdicts Read(const std::string& header)
{
    std::u16string wide = pal::ToWide(header);
    return ReadAuthenticationVerdicts(wide.c_str());
}

// A message file's header, as the store gives it: everything before the first empty line.
std::string HeaderOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    std::string text = s.str();
    size_t end = text.find("\r\n\r\n");
    if (end == std::string::npos)
        end = text.find("\n\n");
    return text.substr(0, end);
}

const char* kReceived = "Received: from mail.sender.example (mail.sender.example [198.51.100.7])\r\n"
                        "\tby mx.contoso.example with ESMTPS id 1; Tue, 3 Dec 2024 09:14:05 +0000\r\n";

} // namespace

TEST(AuthenticationVerdicts, MicrosoftGmailAndManyFields)
{
    // Microsoft writes no authserv-id, a composite verdict, and the DMARC action.
    AuthenticationVerdicts m365 = Read(HeaderOf(testing_support::CorpusPath("eml/mimekit-bounce.eml")));
    EXPECT_TRUE(m365.found);
    EXPECT_EQ("", U8(m365.authservId));
    EXPECT_EQ("none", U8(m365.spf));
    EXPECT_EQ("dispatchb-eu1.ppe-hosted.com", U8(m365.spfDomain));
    EXPECT_EQ("none", U8(m365.dkim));
    EXPECT_EQ("", U8(m365.dkimDomain));
    EXPECT_EQ("fail", U8(m365.dmarc));
    EXPECT_EQ("none", U8(m365.dmarcPolicy));
    EXPECT_EQ("hmail.jitbit.com", U8(m365.dmarcFrom));
    EXPECT_EQ("softpass", U8(m365.compauth));
    EXPECT_EQ("202", U8(m365.compauthReason));
    EXPECT_TRUE(DmarcFailed(m365));
    EXPECT_TRUE(SenderUnauthenticated(m365));

    // Google names itself, signs with header.i, and gives the published policy in a comment.
    AuthenticationVerdicts gmail = Read(HeaderOf(testing_support::CorpusPath("eml/mimekit-dkim-gmail.eml")));
    EXPECT_TRUE(gmail.found);
    EXPECT_EQ("mx.google.com", U8(gmail.authservId));
    EXPECT_EQ("pass", U8(gmail.spf));
    EXPECT_EQ("gmail.com", U8(gmail.spfDomain));
    EXPECT_EQ("pass", U8(gmail.dkim));
    EXPECT_EQ("gmail.com", U8(gmail.dkimDomain));
    EXPECT_EQ("pass", U8(gmail.dmarc));
    EXPECT_EQ("none", U8(gmail.dmarcPolicy));
    EXPECT_FALSE(DmarcFailed(gmail));
    EXPECT_FALSE(SenderUnauthenticated(gmail));

    // Six fields of servers that are not the receiver's: the topmost holds, and of its two signatures the
    // one that passed.
    AuthenticationVerdicts many = Read(HeaderOf(testing_support::CorpusPath("eml/sa-nice-authres.eml")));
    EXPECT_EQ("authrestest1int", U8(many.authservId));
    EXPECT_EQ("pass", U8(many.spf));
    EXPECT_EQ("bounce.example.org", U8(many.spfDomain));
    EXPECT_EQ("pass", U8(many.dkim));
    EXPECT_EQ("example.org", U8(many.dkimDomain));
    EXPECT_EQ("", U8(many.dmarc));

    // A Microsoft 365 message that failed everything.
    AuthenticationVerdicts failed = Read(HeaderOf(testing_support::DataPath("mail/m365-safelinks.eml")));
    EXPECT_EQ("fail", U8(failed.spf));
    EXPECT_EQ("fail", U8(failed.dmarc));
    EXPECT_EQ("quarantine", U8(failed.dmarcPolicy));
    EXPECT_EQ("fail", U8(failed.compauth));
    EXPECT_EQ("000", U8(failed.compauthReason));

    // Only an SPF verdict of Google's (neutral) and no signature: not authenticated, DMARC not failed.
    AuthenticationVerdicts basic = Read(HeaderOf(testing_support::CorpusPath("eml/mail-plain_emails-basic_email.eml")));
    EXPECT_EQ("neutral", U8(basic.spf));
    EXPECT_TRUE(SenderUnauthenticated(basic));
    EXPECT_FALSE(DmarcFailed(basic));

    // Most messages carry no verdicts at all: nothing to warn about.
    AuthenticationVerdicts none = Read(HeaderOf(testing_support::CorpusPath("eml/sa-nice-base64.eml")));
    EXPECT_FALSE(none.found);
    EXPECT_FALSE(SenderUnauthenticated(none));
}

TEST(AuthenticationVerdicts, WhatTheSenderCouldHaveWrittenIsNeverBelieved)
{
    const std::string real = "Authentication-Results: mx.contoso.example; spf=fail smtp.mailfrom=bank.example;\r\n"
                             " dkim=none; dmarc=fail (p=REJECT) header.from=bank.example\r\n";
    const std::string forged = "Authentication-Results: mx.contoso.example; spf=pass smtp.mailfrom=bank.example;"
                               " dkim=pass header.d=bank.example; dmarc=pass header.from=bank.example\r\n";
    const std::string tail = "From: Bank <security@bank.example>\r\nSubject: Verify\r\n";
    // The sender's own field sits below every Received field.
    AuthenticationVerdicts v = Read(real + kReceived + forged + tail);
    EXPECT_EQ("fail", U8(v.spf));
    EXPECT_EQ("fail", U8(v.dmarc));
    EXPECT_EQ("reject", U8(v.dmarcPolicy));
    EXPECT_TRUE(DmarcFailed(v));
    // Alone, it is not believed either.
    AuthenticationVerdicts alone = Read(std::string(kReceived) + forged + tail);
    EXPECT_FALSE(alone.found);
    EXPECT_EQ("", U8(alone.dmarc));
    // Without any Received field nothing is believed.
    EXPECT_FALSE(Read(forged + tail).found);
    // A field of another server above the receiver's: the receiving organisation's holds.
    std::string other = "Authentication-Results: filter.elsewhere.example; spf=pass; dkim=pass; dmarc=pass\r\n";
    AuthenticationVerdicts own = Read(other + real + kReceived + tail);
    EXPECT_EQ("mx.contoso.example", U8(own.authservId));
    EXPECT_EQ("fail", U8(own.dmarc));
    // ARC's results count like the receiver's own, their instance tag aside.
    AuthenticationVerdicts arc = Read("ARC-Authentication-Results: i=1; mx.contoso.example; spf=softfail"
                                      " smtp.mailfrom=x@bank.example; dkim=pass header.d=mailer.example\r\n" +
                                      std::string(kReceived) + tail);
    EXPECT_EQ("mx.contoso.example", U8(arc.authservId));
    EXPECT_EQ("softfail", U8(arc.spf));
    EXPECT_EQ("bank.example", U8(arc.spfDomain));
    EXPECT_EQ("mailer.example", U8(arc.dkimDomain));
    // Received-SPF stands in when the results give no SPF verdict; a lower one is not read.
    AuthenticationVerdicts spf = Read("Received-SPF: SoftFail (mx.contoso.example: domain of bank.example)\r\n"
                                      "Authentication-Results: mx.contoso.example; dkim=fail\r\n" +
                                      std::string(kReceived) + "Received-SPF: pass\r\n" + tail);
    EXPECT_EQ("softfail", U8(spf.spf));
    EXPECT_EQ("fail", U8(spf.dkim));
    EXPECT_TRUE(SenderUnauthenticated(spf));
}

TEST(AuthenticationVerdicts, BrokenFieldsGiveWhatTheyHold)
{
    EXPECT_FALSE(ReadAuthenticationVerdicts(nullptr).found);
    EXPECT_FALSE(Read("").found);
    // Unterminated comments and quotes, empty results, a field with no value, folded lines, bare LF.
    AuthenticationVerdicts v = Read("Authentication-Results: mx.contoso.example; ;; spf=pass (unclosed\n"
                                    "Authentication-Results:\n" + std::string(kReceived));
    EXPECT_TRUE(v.found);
    EXPECT_EQ("pass", U8(v.spf));
    AuthenticationVerdicts q = Read("Authentication-Results: mx.contoso.example; dkim=pass header.i=\"@open\r\n" +
                                    std::string(kReceived));
    EXPECT_EQ("pass", U8(q.dkim));
    // A folded line of white space only (found by fuzzing) adds nothing to its field.
    AuthenticationVerdicts blank = Read("Authentication-Results: mx.contoso.example; spf=pass\r\n \t\r\n"
                                        " smtp.mailfrom=bank.example\r\n" + std::string(kReceived));
    EXPECT_EQ("pass", U8(blank.spf));
    EXPECT_EQ("bank.example", U8(blank.spfDomain));
    // "none" as the only result: found, no verdicts.
    AuthenticationVerdicts n = Read("Authentication-Results: mx.contoso.example; none\r\n" + std::string(kReceived));
    EXPECT_TRUE(n.found);
    EXPECT_EQ("", U8(n.spf));
    // The body after the header's end is not read.
    AuthenticationVerdicts body = Read(std::string(kReceived) + "\r\nAuthentication-Results: x; dmarc=fail\r\n");
    EXPECT_FALSE(body.found);
}
