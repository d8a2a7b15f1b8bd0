// Vantora platform layer: the bounds of every HTTP transfer of the MSXML request objects, for the host
// and the tests. The add-in never includes this header.
#pragma once

#pragma GCC visibility push(default)

#include <cstddef>
#include <string>

struct IXMLHTTPRequest;

namespace pal {

struct HttpLimits {
    long connectTimeoutMs = 30000;   // resolving and connecting
    long totalTimeoutMs = 120000;    // the whole transfer, every redirect hop included
    long stallTimeoutMs = 30000;     // no byte received for this long ends the transfer
    size_t maxBodyBytes = 32u << 20; // a longer answer fails the transfer
    int maxRedirects = 10;
};

HttpLimits GetHttpLimits();
// Takes effect for transfers sent afterwards.
void SetHttpLimits(const HttpLimits& limits);

// The redirect rule of both request objects: a 301, 302, 303, 307 or 308 answer with a location is
// followed unless it leads from https to another scheme; such an answer is returned as it is.
// Gives the absolute URL to follow, or an empty text when the answer is final.
std::string RedirectTarget(const std::string& fromUrl, long status, const std::string& absoluteLocation);

// Defined in the MSXML component (libmsxml6.so): callers link it.
// The bytes a request object holds for its answer (body, decoded text, headers), counted by capacity;
// 0 for an object that is not one of the layer's.
size_t HttpAnswerBytesHeld(IXMLHTTPRequest* request);

} // namespace pal

#pragma GCC visibility pop
