// Helpers of the HTTP tests: a recording onreadystatechange handler and a loop pump with a bound.
#pragma once

#include <functional>
#include <vector>

#include "windows.h"
#include <msxml6.h>
#include <atlbase.h>

namespace testing_support {

// An onreadystatechange handler that records the ready state it sees at each call; a test may hook
// each call.
class ReadyStateRecorder final : public IDispatch {
public:
    explicit ReadyStateRecorder(IXMLHTTPRequest* request) : m_request(request) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override;
    HRESULT GetTypeInfoCount(UINT*) override;
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;

    std::vector<LONG> states;
    std::function<void(LONG)> onCall;
    ULONG m_refs = 1;

private:
    IXMLHTTPRequest* m_request; // not owned: the request owns the handler
};

// Pumps the loop until the condition holds; at most 10 s so that a fault fails instead of hanging.
bool PumpUntil(const std::function<bool()>& done, unsigned timeoutMs = 10000);
// Pumps the loop for the time given.
void PumpFor(unsigned ms);

} // namespace testing_support
