// Rewritten link addresses: a rewrite comes off as a whole web or FTP address or not at all, within the
// depth bound, and what comes off has nothing more to take off.
#include <string>

#include "FuzzSupport.h"
#include "Utils/LinkRewriters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::u16string url = fuzz::CString(fuzz::Text(data, size));
    RewrittenLink out;
    if (!UnwrapRewrittenLink(url.c_str(), out)) {
        FUZZ_ASSERT(out.target.empty() && out.rewriters.empty());
        return 0;
    }
    FUZZ_ASSERT(!out.rewriters.empty() && out.rewriters.size() <= 8);
    FUZZ_ASSERT(out.target != url);
    std::u16string scheme = out.target.substr(0, out.target.find(u"://"));
    for (char16_t& c : scheme)
        c = c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c;
    FUZZ_ASSERT(scheme == u"http" || scheme == u"https" || scheme == u"ftp");
    for (char16_t c : out.target)
        FUZZ_ASSERT(c > u' ' && c != 127);
    FUZZ_ASSERT(!RewriterNames(out.rewriters).empty());
    if (out.rewriters.size() < 8) {
        RewrittenLink again;
        FUZZ_ASSERT(!UnwrapRewrittenLink(out.target.c_str(), again));
    }
    return 0;
}
