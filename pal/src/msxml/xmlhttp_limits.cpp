// Transfer bounds and the redirect rule of the MSXML request objects.
#include <mutex>

#include "pal/http_limits.h"

namespace pal {

namespace {
std::mutex g_limitsLock;
HttpLimits g_limits;

std::string SchemeOf(const std::string& url)
{
    size_t colon = url.find("://");
    std::string scheme = colon == std::string::npos ? std::string() : url.substr(0, colon);
    for (char& c : scheme)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return scheme;
}
} // namespace

HttpLimits GetHttpLimits()
{
    std::lock_guard<std::mutex> guard(g_limitsLock);
    return g_limits;
}

void SetHttpLimits(const HttpLimits& limits)
{
    std::lock_guard<std::mutex> guard(g_limitsLock);
    g_limits = limits;
}

std::string RedirectTarget(const std::string& fromUrl, long status, const std::string& absoluteLocation)
{
    if (status != 301 && status != 302 && status != 303 && status != 307 && status != 308)
        return {};
    if (absoluteLocation.empty())
        return {};
    std::string from = SchemeOf(fromUrl);
    std::string to = SchemeOf(absoluteLocation);
    if (to != "http" && to != "https")
        return {};
    // Leaving TLS would send the request, its headers included, in clear text: the caller decides.
    if (from == "https" && to != "https")
        return {};
    return absoluteLocation;
}

} // namespace pal
