// The receiving server's verdicts on the sender (SPF, DKIM, DMARC and Microsoft's composite
// authentication), read from the Authentication-Results, ARC-Authentication-Results and Received-SPF fields
// of the transport header. Only a field the receiving side wrote is believed: the topmost one whose
// authserv-id is the receiving organisation's (or the topmost when that cannot be told), and never one below
// every Received field, where the sender could have written it.
#pragma once

#include <windows.h>

#include "__Utilities/WString.h"

struct AuthenticationVerdicts {
    // A field the receiving side wrote was found.
    bool found = false;
    // The verifying server as it names itself; empty when the field names none (Microsoft's).
    WString authservId;
    // Results in lower case as the field gives them ("pass", "fail", "softfail", "none"...); empty: absent.
    WString spf, spfDomain;
    WString dkim, dkimDomain;
    WString dmarc, dmarcPolicy, dmarcFrom;
    WString compauth, compauthReason;
};

AuthenticationVerdicts ReadAuthenticationVerdicts(const WCHAR* header);

// The status button warns when DMARC failed, or when neither SPF nor DKIM passed.
bool DmarcFailed(const AuthenticationVerdicts& v);
bool SenderUnauthenticated(const AuthenticationVerdicts& v);

// The lines shown above the header, one per verdict ("SPF: fail (example.com)") and an empty line; empty
// when the header has no verdicts.
WString VerdictLines(const AuthenticationVerdicts& v);
// The status warnings' details: "fail (policy quarantine)" for DMARC, "SPF fail, DKIM none given".
WString DmarcText(const AuthenticationVerdicts& v);
WString SpfAndDkimText(const AuthenticationVerdicts& v);
