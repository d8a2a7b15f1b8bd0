#include "support/HttpTestUtil.h"

#include <gtest/gtest.h>

#include "pal/loop.h"

namespace testing_support {

HRESULT ReadyStateRecorder::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch)) {
        *ppv = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG ReadyStateRecorder::Release()
{
    ULONG n = --m_refs;
    if (n == 0)
        delete this;
    return n;
}

HRESULT ReadyStateRecorder::GetTypeInfoCount(UINT*)
{
    ADD_FAILURE() << "unexpected GetTypeInfoCount";
    return E_NOTIMPL;
}

HRESULT ReadyStateRecorder::GetTypeInfo(UINT, LCID, ITypeInfo**)
{
    ADD_FAILURE() << "unexpected GetTypeInfo";
    return E_NOTIMPL;
}

HRESULT ReadyStateRecorder::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    ADD_FAILURE() << "unexpected GetIDsOfNames";
    return E_NOTIMPL;
}

HRESULT ReadyStateRecorder::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    LONG state = -1;
    EXPECT_EQ(m_request->get_readyState(&state), S_OK);
    states.push_back(state);
    if (onCall)
        onCall(state);
    return S_OK;
}

bool PumpUntil(const std::function<bool()>& done, unsigned timeoutMs)
{
    return pal::PumpUntil(done, timeoutMs);
}

} // namespace testing_support
