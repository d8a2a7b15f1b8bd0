#include "support/HttpTestUtil.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <chrono>
#else
#include "pal/loop.h"
#endif

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

#ifdef _WIN32
// The thread's message queue, as the apartment's loop runs it: the system's MSXML reports through it.
bool PumpUntil(const std::function<bool()>& done, unsigned timeoutMs)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void PumpFor(unsigned ms)
{
    PumpUntil([] { return false; }, ms);
}
#else
bool PumpUntil(const std::function<bool()>& done, unsigned timeoutMs)
{
    return pal::PumpUntil(done, timeoutMs);
}

void PumpFor(unsigned ms) { pal::PumpFor(ms); }
#endif

} // namespace testing_support
