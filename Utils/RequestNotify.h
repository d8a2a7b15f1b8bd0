// The onreadystatechange handler of one request: turns the HTTP object's ready states and final status
// into the record's state and hands successful answers to the record's owner.
#pragma once

#include <atomic>

#include <windows.h>
#include <atlbase.h>

class CRequestBase;
struct RequestInfo;

class CRequestNotifyCB : public IDispatch {
public:
    CRequestNotifyCB(CRequestBase* pRequestBase, RequestInfo* pRequestInfo) noexcept
        : m_pRequestBase(pRequestBase), m_pRequestInfo(pRequestInfo)
    {
    }
    CRequestNotifyCB(const CRequestNotifyCB&) = delete;
    CRequestNotifyCB& operator=(const CRequestNotifyCB&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

private:
    virtual ~CRequestNotifyCB() = default;

    std::atomic<LONG> m_refCount{1};
    CRequestBase* m_pRequestBase;
    RequestInfo* m_pRequestInfo;
};
