// Vantora platform layer: MSXML HTTP request declarations. The interfaces keep MSXML's method order and
// ids; the layer implements the asynchronous GET that Vantora sends (open, setRequestHeader, send,
// onreadystatechange, status, statusText, response headers, text, body and stream, abort, and the server
// object's timeouts and options). The rest return E_NOTIMPL.
#pragma once

#pragma GCC visibility push(default)

#include "pal/com.h"
#include "pal/variant.h"

DECLARE_INTERFACE_IID(IXMLHTTPRequest, IDispatch, "ED8C108D-4349-11D2-91A4-00C04F7969E8")
{
    virtual HRESULT open(BSTR bstrMethod, BSTR bstrUrl, VARIANT varAsync, VARIANT bstrUser, VARIANT bstrPassword) = 0;
    virtual HRESULT setRequestHeader(BSTR bstrHeader, BSTR bstrValue) = 0;
    virtual HRESULT getResponseHeader(BSTR bstrHeader, BSTR* pbstrValue) = 0;
    virtual HRESULT getAllResponseHeaders(BSTR* pbstrHeaders) = 0;
    virtual HRESULT send(VARIANT varBody) = 0;
    virtual HRESULT abort() = 0;
    virtual HRESULT get_status(LONG* plStatus) = 0;
    virtual HRESULT get_statusText(BSTR* pbstrStatus) = 0;
    virtual HRESULT get_responseXML(IDispatch** ppBody) = 0;
    virtual HRESULT get_responseText(BSTR* pbstrBody) = 0;
    virtual HRESULT get_responseBody(VARIANT* pvarBody) = 0;
    virtual HRESULT get_responseStream(VARIANT* pvarBody) = 0;
    virtual HRESULT get_readyState(LONG* plState) = 0;
    virtual HRESULT put_onreadystatechange(IDispatch* pReadyStateSink) = 0;
};

typedef enum _SERVERXMLHTTP_OPTION {
    SXH_OPTION_URL = -1,
    SXH_OPTION_URL_CODEPAGE = 0,
    SXH_OPTION_ESCAPE_PERCENT_IN_URL = 1,
    SXH_OPTION_IGNORE_SERVER_SSL_CERT_ERROR_FLAGS = 2,
    SXH_OPTION_SELECT_CLIENT_SSL_CERT = 3,
} SERVERXMLHTTP_OPTION;

DECLARE_INTERFACE_IID(IServerXMLHTTPRequest, IXMLHTTPRequest, "2E9196BF-13BA-4DD4-91CA-6C571F281495")
{
    // Milliseconds; 0 means no limit for that phase, as with the Windows object.
    virtual HRESULT setTimeouts(LONG resolveTimeout, LONG connectTimeout, LONG sendTimeout, LONG receiveTimeout) = 0;
    virtual HRESULT waitForResponse(VARIANT timeoutInSeconds, VARIANT_BOOL* isSuccessful) = 0;
    virtual HRESULT getOption(SERVERXMLHTTP_OPTION option, VARIANT* value) = 0;
    virtual HRESULT setOption(SERVERXMLHTTP_OPTION option, VARIANT value) = 0;
};

#define IID_IXMLHTTPRequest __uuidof(IXMLHTTPRequest)
#define IID_IServerXMLHTTPRequest __uuidof(IServerXMLHTTPRequest)

// The two classes: the client object and the server object (which also reports the URL finally fetched).
struct XMLHTTP60;
struct ServerXMLHTTP60;
DEFINE_UUIDOF(XMLHTTP60, "88D96A0A-F192-11D4-A65F-0040963251E5");
DEFINE_UUIDOF(ServerXMLHTTP60, "88D96A0B-F192-11D4-A65F-0040963251E5");
#define CLSID_XMLHTTP60 __uuidof(XMLHTTP60)
#define CLSID_ServerXMLHTTP60 __uuidof(ServerXMLHTTP60)

#pragma GCC visibility pop
