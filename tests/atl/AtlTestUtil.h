// Fakes shared by the ATL tests, in the style of Wine's tests: a dispatch object that stands for a ribbon
// control and counts its references, failing the test when anything else of it is called.
#pragma once

#include <gtest/gtest.h>

#include <atlbase.h>

namespace atl_test {

class FakeControl : public IDispatch {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ULONG(++refs); }
    ULONG Release() override { return ULONG(--refs); }
    HRESULT GetTypeInfoCount(UINT*) override { return Unexpected("GetTypeInfoCount"); }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected("GetTypeInfo"); }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return Unexpected("GetIDsOfNames"); }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return Unexpected("Invoke");
    }

    // The object lives on the test's stack: one reference is the test's own.
    long refs = 1;

private:
    static HRESULT Unexpected(const char* what)
    {
        ADD_FAILURE() << "unexpected call of FakeControl::" << what;
        return E_NOTIMPL;
    }
};

} // namespace atl_test
