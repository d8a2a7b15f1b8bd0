// MSXML's XMLHTTP60 (client) and ServerXMLHTTP60 (server) request objects over libcurl. Both send
// asynchronously on the PAL loop and report every ready state to onreadystatechange from the loop, never
// from inside a call of the caller. Redirects are followed here, hop by hop, so that the https-to-http
// rule holds and a redirect hop never shows as a ready state.
#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "pal/com_object.h"
#include "common/connect_to.h"
#include "msxml/xmlhttp_stream.h"
#include "msxml/xmlhttp_text.h"
#include "msxml/xmlhttp_transport.h"
#include "objidl.h"
#include "pal/host.h"
#include "pal/http_limits.h"
#include "pal/loop.h"
#include "pal/msxml_http.h"
#include "windows.h"
#include "common/stub.h"

namespace {

// WinINet-style failures of a transfer, reported by status and the response getters.
constexpr HRESULT HR_TIMEOUT = HRESULT(0x80072EE2);          // ERROR_INTERNET_TIMEOUT
constexpr HRESULT HR_NAME_NOT_RESOLVED = HRESULT(0x80072EE7); // ERROR_INTERNET_NAME_NOT_RESOLVED
constexpr HRESULT HR_CANNOT_CONNECT = HRESULT(0x80072EFD);    // ERROR_INTERNET_CANNOT_CONNECT
constexpr HRESULT HR_CONNECTION_RESET = HRESULT(0x80072EFF);  // ERROR_INTERNET_CONNECTION_RESET
constexpr HRESULT HR_REDIRECT_FAILED = HRESULT(0x80072F7C);   // ERROR_HTTP_REDIRECT_FAILED
constexpr HRESULT HR_INVALID_RESPONSE = HRESULT(0x80072F78);  // ERROR_HTTP_INVALID_SERVER_RESPONSE
constexpr HRESULT HR_SECURE_FAILURE = HRESULT(0x80072F8F);    // ERROR_INTERNET_SECURE_FAILURE

// Bodies above this size reserve their whole bound (address space only) instead of growing by copies.
constexpr size_t LONG_BODY = 256 * 1024;

std::string Lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return s;
}

std::string Trim(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

BSTR ToBstr(const std::string& utf8)
{
    std::u16string w = pal::ToWide(utf8);
    return SysAllocStringLen(w.data(), UINT(w.size()));
}

HRESULT FromCurl(CURLcode code)
{
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return HR_TIMEOUT;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return HR_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT: return HR_CANNOT_CONNECT;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION: return HR_SECURE_FAILURE;
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE: return HR_CONNECTION_RESET;
    default: return HR_INVALID_RESPONSE;
    }
}

// Resolves a Location header against the URL that answered.
std::string ResolveLocation(const std::string& base, const std::string& location)
{
    std::string result;
    CURLU* u = curl_url();
    if (u && curl_url_set(u, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
        curl_url_set(u, CURLUPART_URL, location.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK) {
        char* full = nullptr;
        if (curl_url_get(u, CURLUPART_URL, &full, 0) == CURLUE_OK && full) {
            result = full;
            curl_free(full);
        }
    }
    curl_url_cleanup(u);
    return result;
}

class HttpRequest final : public pal::ComObject<IServerXMLHTTPRequest>, private pal::http::Transfer {
public:
    explicit HttpRequest(bool server) : m_server(server) {}
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    // IUnknown: IServerXMLHTTPRequest is answered only by the server object.
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IXMLHTTPRequest) ||
            (m_server && riid == __uuidof(IServerXMLHTTPRequest)))
            *ppv = static_cast<IServerXMLHTTPRequest*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }

    // IDispatch: the objects are called through their vtables only.
    HRESULT GetTypeInfoCount(UINT*) override { return PAL_STUB(); }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return PAL_STUB(); }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return PAL_STUB(); }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return PAL_STUB(); }

    // IXMLHTTPRequest
    HRESULT open(BSTR method, BSTR url, VARIANT async, VARIANT, VARIANT) override
    {
        if (!method || !*method || !url || !*url)
            return E_INVALIDARG;
        std::string target = pal::ToUtf8(url);
        std::string scheme = Lower(target.substr(0, target.find("://")));
        if (target.find("://") == std::string::npos || (scheme != "http" && scheme != "https"))
            return E_INVALIDARG;
        Reset();
        m_method = pal::ToUtf8(method);
        m_url = target;
        // Asynchronous unless false is given (a missing argument means true).
        m_async = !((async.vt == VT_BOOL && async.boolVal == VARIANT_FALSE) || (async.vt == VT_I2 && async.iVal == 0) ||
                    (async.vt == VT_I4 && async.lVal == 0));
        m_requestHeaders.clear();
        m_state = m_reported = 1;
        return S_OK;
    }

    HRESULT setRequestHeader(BSTR header, BSTR value) override
    {
        if (!header || !*header)
            return E_INVALIDARG;
        if (m_state != 1 || m_sent)
            return E_UNEXPECTED;
        std::string name = pal::ToUtf8(header);
        if (name.find_first_of(":\r\n") != std::string::npos)
            return E_INVALIDARG;
        std::string text = value ? pal::ToUtf8(value) : std::string();
        if (text.find_first_of("\r\n") != std::string::npos)
            return E_INVALIDARG; // no header injection
        m_requestHeaders.emplace_back(std::move(name), std::move(text));
        return S_OK;
    }

    HRESULT getResponseHeader(BSTR header, BSTR* value) override
    {
        if (!value)
            return E_POINTER;
        *value = nullptr;
        if (!header)
            return E_INVALIDARG;
        if (m_reported < 2 || m_failure)
            return m_failure ? m_failure : E_PENDING;
        std::string wanted = Lower(pal::ToUtf8(header));
        for (const auto& [name, text] : m_responseHeaders)
            if (Lower(name) == wanted) {
                *value = ToBstr(text);
                return S_OK;
            }
        return S_OK; // absent: an empty text
    }

    HRESULT getAllResponseHeaders(BSTR* headers) override
    {
        if (!headers)
            return E_POINTER;
        *headers = nullptr;
        if (m_reported < 2 || m_failure)
            return m_failure ? m_failure : E_PENDING;
        std::string all;
        for (const auto& [name, text] : m_responseHeaders)
            all += name + ": " + text + "\r\n";
        *headers = ToBstr(all);
        return S_OK;
    }

    HRESULT send(VARIANT) override
    {
        if (m_state != 1 || m_sent)
            return E_UNEXPECTED;
        m_sent = true;
        m_hops = 0;
        m_firstSend = GetTickCount64();
        HRESULT hr = StartHop();
        if (FAILED(hr)) {
            m_sent = false;
            return hr;
        }
        Schedule(); // the loop reports state 1 again, as the Windows object does on send
        if (!m_async) {
            pal::HttpLimits limits = pal::GetHttpLimits();
            pal::PumpUntil([this] { return m_reported == 4; }, DWORD(limits.totalTimeoutMs + 1000));
            if (m_reported != 4) {
                abort();
                return HR_TIMEOUT;
            }
        }
        return S_OK;
    }

    HRESULT abort() override
    {
        StopTransfer();
        FreeTransfer();
        FreeAnswer();
        m_generation++;
        m_state = m_reported = 0;
        m_sent = false;
        return S_OK;
    }

    HRESULT get_status(LONG* status) override
    {
        if (!status)
            return E_POINTER;
        *status = 0;
        if (m_failure)
            return m_failure;
        if (m_reported < 2)
            return E_PENDING;
        *status = m_status;
        return S_OK;
    }

    HRESULT get_statusText(BSTR* text) override
    {
        if (!text)
            return E_POINTER;
        *text = nullptr;
        if (m_failure)
            return m_failure;
        if (m_reported < 2)
            return E_PENDING;
        *text = ToBstr(m_statusText);
        return S_OK;
    }

    HRESULT get_responseXML(IDispatch** body) override
    {
        if (body)
            *body = nullptr;
        return PAL_STUB();
    }

    HRESULT get_responseText(BSTR* body) override
    {
        if (!body)
            return E_POINTER;
        *body = nullptr;
        if (m_failure)
            return m_failure;
        if (m_reported < 3)
            return E_PENDING;
        // A complete answer is decoded once; a partial one is decoded as it is now.
        std::u16string partial;
        if (m_reported < 4)
            partial = DecodeText();
        else if (!m_textDecoded) {
            m_text = DecodeText();
            m_textDecoded = true;
        }
        const std::u16string& text = m_reported < 4 ? partial : m_text;
        *body = SysAllocStringLen(text.data(), UINT(text.size()));
        return *body ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT get_responseBody(VARIANT* body) override
    {
        if (body)
            VariantInit(body);
        return PAL_STUB();
    }

    HRESULT get_responseStream(VARIANT* body) override
    {
        if (!body)
            return E_POINTER;
        VariantInit(body);
        if (m_failure)
            return m_failure;
        if (m_reported < 3)
            return E_PENDING;
        // The stream shares the bytes received so far: asking for it costs no copy, even of megabytes.
        if (!m_body)
            m_body = std::make_shared<std::string>();
        IStream* stream = pal::http::CreateBodyStream(m_body, m_body->size());
        if (!stream)
            return E_OUTOFMEMORY;
        body->vt = VT_UNKNOWN;
        body->punkVal = stream;
        return S_OK;
    }

    HRESULT get_readyState(LONG* state) override
    {
        if (!state)
            return E_POINTER;
        *state = m_reported;
        return S_OK;
    }

    HRESULT put_onreadystatechange(IDispatch* sink) override
    {
        if (sink)
            sink->AddRef();
        IDispatch* old = m_sink;
        m_sink = sink;
        if (old)
            old->Release();
        return S_OK;
    }

    // IServerXMLHTTPRequest
    HRESULT setTimeouts(LONG resolve, LONG connect, LONG sendMs, LONG receive) override
    {
        if (resolve < -1 || connect < -1 || sendMs < -1 || receive < -1)
            return E_INVALIDARG;
        m_connectMs = (resolve > 0 && connect > 0) ? long(resolve) + connect : 0;
        m_stallMs = std::max<long>(sendMs > 0 ? sendMs : 0, receive > 0 ? receive : 0);
        return S_OK;
    }

    HRESULT waitForResponse(VARIANT timeout, VARIANT_BOOL* done) override
    {
        if (!m_sent && m_reported != 4)
            return E_UNEXPECTED;
        CComVariantLite seconds(timeout);
        DWORD waitMs = seconds.ms >= 0 ? DWORD(seconds.ms) : DWORD(pal::GetHttpLimits().totalTimeoutMs + 1000);
        bool finished = pal::PumpUntil([this] { return m_reported == 4; }, waitMs);
        if (done)
            *done = finished ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }

    HRESULT getOption(SERVERXMLHTTP_OPTION option, VARIANT* value) override
    {
        if (!value)
            return E_POINTER;
        VariantInit(value);
        if (option != SXH_OPTION_URL)
            return PAL_STUB();
        value->vt = VT_BSTR;
        value->bstrVal = ToBstr(m_url);
        return value->bstrVal || m_url.empty() ? S_OK : E_OUTOFMEMORY;
    }

    HRESULT setOption(SERVERXMLHTTP_OPTION, VARIANT) override { return PAL_STUB(); }

    size_t AnswerBytesHeld() const
    {
        // Counted by capacity, not counting what a short string keeps inside itself.
        auto heap = [](const auto& s) {
            using S = std::decay_t<decltype(s)>;
            return s.capacity() > S().capacity() ? s.capacity() * sizeof(s[0]) : 0;
        };
        size_t held = (m_body ? heap(*m_body) : 0) + heap(m_text) + heap(m_statusText) + heap(m_redirect);
        for (const auto& [name, text] : m_responseHeaders)
            held += heap(name) + heap(text);
        return held + m_responseHeaders.capacity() * sizeof(m_responseHeaders[0]);
    }

private:
    struct CComVariantLite {
        explicit CComVariantLite(const VARIANT& v)
        {
            if (v.vt == VT_I4 || v.vt == VT_INT)
                ms = long(v.lVal) * 1000;
            else if (v.vt == VT_I2)
                ms = long(v.iVal) * 1000;
        }
        long ms = -1;
    };

    ~HttpRequest()
    {
        StopTransfer();
        FreeTransfer();
        if (m_sink)
            m_sink->Release();
    }

    void Reset()
    {
        StopTransfer();
        FreeAnswer();
        m_generation++;
        m_sent = false;
        m_status = 0;
        m_failure = S_OK;
        m_tooLarge = false;
        m_state = m_reported = 0;
        m_reportedSend = false;
    }

    // Gives back the memory of the answer: clear() would keep the capacity of a body of megabytes. A body
    // still read through a stream stays with the stream.
    void FreeAnswer()
    {
        m_body.reset();
        std::u16string().swap(m_text);
        m_textDecoded = false;
        std::string().swap(m_statusText);
        std::string().swap(m_redirect);
        decltype(m_responseHeaders)().swap(m_responseHeaders);
    }

    // The easy handle keeps its own buffers; the connection stays in the multi handle's cache.
    void FreeTransfer()
    {
        if (m_easy) {
            curl_easy_cleanup(m_easy);
            m_easy = nullptr;
        }
        if (m_headerList) {
            curl_slist_free_all(m_headerList);
            m_headerList = nullptr;
        }
        if (m_connectTo) {
            curl_slist_free_all(m_connectTo);
            m_connectTo = nullptr;
        }
    }

    void StopTransfer()
    {
        CancelStallTimer();
        if (m_easy && m_running) {
            pal::http::Stop(m_easy);
            m_running = false;
        }
    }

    HRESULT StartHop()
    {
        pal::HttpLimits limits = pal::GetHttpLimits();
        if (!m_easy && !(m_easy = curl_easy_init()))
            return E_OUTOFMEMORY;
        curl_easy_reset(m_easy);
        if (m_headerList) {
            curl_slist_free_all(m_headerList);
            m_headerList = nullptr;
        }
        for (const auto& [name, text] : m_requestHeaders)
            m_headerList = curl_slist_append(m_headerList, (name + (text.empty() ? ";" : ": " + text)).c_str());

        long connectMs = m_connectMs > 0 ? std::min(m_connectMs, limits.connectTimeoutMs) : limits.connectTimeoutMs;
        long stallMs = m_stallMs > 0 ? std::min(m_stallMs, limits.stallTimeoutMs) : limits.stallTimeoutMs;
        long elapsed = long(GetTickCount64() - m_firstSend);
        long remaining = std::max(1L, limits.totalTimeoutMs - elapsed);

        CURL* e = m_easy;
        curl_easy_setopt(e, CURLOPT_URL, m_url.c_str());
        if (m_method != "GET")
            curl_easy_setopt(e, CURLOPT_CUSTOMREQUEST, m_method.c_str());
        curl_easy_setopt(e, CURLOPT_HTTPHEADER, m_headerList);
        curl_easy_setopt(e, CURLOPT_USERAGENT, "Mozilla/5.0 (compatible; MSXML 6.0; Vantora)");
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(e, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(e, CURLOPT_NOPROXY, "127.0.0.1,localhost,::1");
        // Debian's libcurl names a CA folder by default, and a store read with one is never cached: every
        // TLS connection would parse the whole bundle again. The bundle alone has the same certificates,
        // and its parsed store is kept by the multi handle (CURLOPT_CA_CACHE_TIMEOUT, a day by default).
        curl_easy_setopt(e, CURLOPT_CAPATH, static_cast<char*>(nullptr));
        if (m_connectTo) {
            curl_slist_free_all(m_connectTo);
            m_connectTo = nullptr;
        }
        if (pal::ConnectTo target; pal::GetConnectTo(target)) {
            m_connectTo = curl_slist_append(nullptr, ("::" + target.address + ":" + target.port).c_str());
            curl_easy_setopt(e, CURLOPT_CONNECT_TO, m_connectTo);
        }
        curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, connectMs);
        curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, remaining);
        m_stallLimitMs = stallMs;
        m_lastActivity = GetTickCount64();
        curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limits.maxBodyBytes));
        curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, &HttpRequest::OnHeader);
        curl_easy_setopt(e, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, &HttpRequest::OnBody);
        curl_easy_setopt(e, CURLOPT_WRITEDATA, this);

        m_status = 0;
        FreeAnswer();
        m_tooLarge = false;
        if (!pal::http::Start(e, this))
            return E_FAIL;
        m_running = true;
        ArmStallTimer();
        return S_OK;
    }

    // Ends a transfer that has received nothing for the stall limit (a server that hangs mid-answer).
    // libcurl calls nothing while a socket is silent, so the loop checks.
    void ArmStallTimer()
    {
        CancelStallTimer();
        if (m_stallLimitMs <= 0 || !m_running)
            return;
        ULONGLONG due = m_lastActivity + ULONGLONG(m_stallLimitMs);
        ULONGLONG now = GetTickCount64();
        m_stallTimer = pal::SetLoopTimeout(DWORD(due > now ? due - now : 0) + 1, [this] {
            m_stallTimer = 0;
            if (!m_running)
                return;
            if (GetTickCount64() - m_lastActivity >= ULONGLONG(m_stallLimitMs)) {
                StopTransfer();
                Fail(HR_TIMEOUT);
            } else {
                ArmStallTimer();
            }
        });
    }

    void CancelStallTimer()
    {
        if (m_stallTimer) {
            pal::CancelLoopTimeout(m_stallTimer);
            m_stallTimer = 0;
        }
    }

    static size_t OnHeader(char* data, size_t size, size_t count, void* self)
    {
        auto* req = static_cast<HttpRequest*>(self);
        req->m_lastActivity = GetTickCount64();
        std::string line(data, size * count);
        if (line.rfind("HTTP/", 0) == 0) {
            // A new answer (after 100 Continue, or a proxy's): forget the previous one's headers.
            req->m_responseHeaders.clear();
            size_t sp = line.find(' ');
            req->m_status = sp == std::string::npos ? 0 : std::atol(line.c_str() + sp + 1);
            size_t sp2 = sp == std::string::npos ? std::string::npos : line.find(' ', sp + 1);
            req->m_statusText = sp2 == std::string::npos ? std::string() : Trim(line.substr(sp2 + 1));
        } else if (Trim(line).empty()) {
            req->HeadersDone();
        } else {
            size_t colon = line.find(':');
            if (colon != std::string::npos)
                req->m_responseHeaders.emplace_back(Trim(line.substr(0, colon)), Trim(line.substr(colon + 1)));
        }
        return size * count;
    }

    void HeadersDone()
    {
        if (m_status >= 100 && m_status < 200)
            return; // an interim answer
        m_redirect.clear();
        for (const auto& [name, text] : m_responseHeaders)
            if (Lower(name) == "location" && !text.empty())
                m_redirect = pal::RedirectTarget(m_url, m_status, ResolveLocation(m_url, text));
        if (m_redirect.empty())
            Advance(2);
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* self)
    {
        auto* req = static_cast<HttpRequest*>(self);
        size_t n = size * count;
        req->m_lastActivity = GetTickCount64();
        if (!req->m_redirect.empty())
            return n; // the body of a hop that is followed is nobody's
        size_t maxBody = pal::GetHttpLimits().maxBodyBytes;
        if (!req->m_body)
            req->m_body = std::make_shared<std::string>();
        std::string& body = *req->m_body;
        if (body.size() + n > maxBody) {
            req->m_tooLarge = true;
            return 0; // ends the transfer with a write error
        }
        // A long body gets room for the most it may hold at once: the pages are only touched as bytes
        // arrive, where doubling would copy the whole body (megabytes) inside one loop callback.
        if (body.size() + n > LONG_BODY && body.capacity() < maxBody)
            body.reserve(maxBody);
        body.append(data, n);
        req->Advance(3);
        return n;
    }

    void OnTransferDone(CURLcode result) override
    {
        m_running = false;
        CancelStallTimer();
        if (result == CURLE_OK && !m_redirect.empty()) {
            if (m_hops >= pal::GetHttpLimits().maxRedirects) {
                Fail(HR_REDIRECT_FAILED);
                return;
            }
            m_hops++;
            m_url = m_redirect;
            if (SUCCEEDED(StartHop()))
                return;
            Fail(E_FAIL);
            return;
        }
        if (result != CURLE_OK) {
            Fail(m_tooLarge || result == CURLE_FILESIZE_EXCEEDED ? HR_INVALID_RESPONSE : FromCurl(result));
            return;
        }
        FreeTransfer();
        if (m_state < 2)
            Advance(2);
        Advance(3); // an empty body is still an answer
        Advance(4);
    }

    // Called only while the handle is out of the multi handle, so it may be freed here.
    void Fail(HRESULT hr)
    {
        m_failure = hr;
        FreeAnswer();
        FreeTransfer();
        Advance(4);
    }

    void Advance(LONG state)
    {
        if (state <= m_state)
            return;
        m_state = state;
        Schedule();
    }

    // Reports progress from the loop; the posted work keeps the object alive until it has run.
    void Schedule()
    {
        if (m_scheduled)
            return;
        m_scheduled = true;
        AddRef();
        unsigned generation = m_generation;
        pal::PostToLoop([this, generation] {
            m_scheduled = false;
            if (generation == m_generation)
                Report(generation);
            Release();
        });
    }

    void Report(unsigned generation)
    {
        // A send reports state 1 once more before the answer's states.
        bool first = m_reported == 1 && !m_reportedSend;
        if (first) {
            m_reportedSend = true;
            if (!Fire(generation))
                return;
        }
        while (m_reported < m_state && generation == m_generation) {
            m_reported++;
            if (!Fire(generation))
                return;
        }
    }

    bool Fire(unsigned generation)
    {
        if (IDispatch* sink = m_sink) {
            sink->AddRef();
            DISPPARAMS none{nullptr, nullptr, 0, 0};
            sink->Invoke(DISPID_VALUE, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr, nullptr,
                         nullptr);
            sink->Release();
        }
        return generation == m_generation; // the handler may have aborted or reopened the object
    }

    std::u16string DecodeText() const
    {
        std::string charset;
        for (const auto& [name, text] : m_responseHeaders) {
            if (Lower(name) != "content-type")
                continue;
            std::string t = Lower(text);
            size_t at = t.find("charset=");
            if (at != std::string::npos) {
                charset = Trim(t.substr(at + 8));
                charset = charset.substr(0, charset.find_first_of("; "));
                charset.erase(std::remove(charset.begin(), charset.end(), '"'), charset.end());
            }
        }
        return m_body ? pal::http::DecodeBody(*m_body, charset) : std::u16string();
    }

    const bool m_server;
    std::string m_method;
    std::string m_url;
    bool m_async = true;
    std::vector<std::pair<std::string, std::string>> m_requestHeaders;
    long m_connectMs = 0;
    long m_stallMs = 0;

    CURL* m_easy = nullptr;
    curl_slist* m_headerList = nullptr;
    curl_slist* m_connectTo = nullptr; // the test mapping of the network, when set
    bool m_running = false;
    bool m_sent = false;
    int m_hops = 0;
    ULONGLONG m_firstSend = 0;

    LONG m_state = 0;    // what the transfer has reached
    LONG m_reported = 0; // what the caller has been told (readyState)
    bool m_reportedSend = false;
    bool m_scheduled = false;
    unsigned m_generation = 0;

    long m_status = 0;
    std::string m_statusText;
    std::vector<std::pair<std::string, std::string>> m_responseHeaders;
    // Shared with the streams handed out; only appended to while the transfer runs, so the bytes a stream
    // covers never change.
    std::shared_ptr<std::string> m_body;
    std::u16string m_text; // the decoded body, once asked for
    bool m_textDecoded = false;
    std::string m_redirect;
    bool m_tooLarge = false;
    UINT_PTR m_stallTimer = 0;
    long m_stallLimitMs = 0;
    ULONGLONG m_lastActivity = 0;
    HRESULT m_failure = S_OK;
    IDispatch* m_sink = nullptr;
};

HRESULT Create(bool server, REFIID riid, void** ppv)
{
    auto* req = new (std::nothrow) HttpRequest(server);
    if (!req)
        return E_OUTOFMEMORY;
    HRESULT hr = req->QueryInterface(riid, ppv);
    req->Release();
    return hr;
}

const bool g_registered = [] {
    pal::RegisterBuiltinClass(CLSID_XMLHTTP60, W("Msxml2.XMLHTTP.6.0"),
                              [](REFIID riid, void** ppv) { return Create(false, riid, ppv); });
    pal::RegisterBuiltinClass(CLSID_ServerXMLHTTP60, W("Msxml2.ServerXMLHTTP.6.0"),
                              [](REFIID riid, void** ppv) { return Create(true, riid, ppv); });
    return true;
}();

} // namespace

size_t pal::HttpAnswerBytesHeld(IXMLHTTPRequest* request)
{
    auto* req = dynamic_cast<HttpRequest*>(request);
    return req ? req->AnswerBytesHeld() : 0;
}
