// The link rewriters of mail gateways and mail services (Safe Links, URL Defense, Mimecast, Barracuda,
// Cisco Secure Email, Google's redirector): a rewritten link stands for the address it carries, which is
// where the link really goes. Formats as their makers document them or as they are openly decoded.
#pragma once

#include <vector>

#include <windows.h>

#include "__Utilities/WString.h"

struct RewrittenLink {
    // The address at the bottom of the rewrites, every rewrite taken off.
    WString target;
    // The rewriters' names, outermost first.
    std::vector<WString> rewriters;
};

// True when the address is a rewrite whose target decodes to a web or FTP address; rewrites inside
// rewrites are taken off too, as deep as they go (within a bound). A rewrite whose target cannot be decoded
// leaves the address as it is (false).
bool UnwrapRewrittenLink(const WCHAR* url, RewrittenLink& out);

// The rewriters' names as one text: "Safe Links, URL Defense".
WString RewriterNames(const std::vector<WString>& rewriters);
