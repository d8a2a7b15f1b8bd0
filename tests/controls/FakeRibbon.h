// Fakes of Office's ribbon objects, in the manner of Wine's tests: every call that a test did not ask for
// fails the test, expected invalidations are declared up front and checked off in order, and reference
// counts are visible.
#pragma once

#include <gtest/gtest.h>

#include <mso.h>

using Office::IRibbonControl;
using Office::IRibbonUI;

#include <deque>
#include <string>
#include "support/TestUtil.h"

namespace ribbon_fakes {

// The IRibbonUI that Office hands to onLoad. Only InvalidateControl is expected; the whole ribbon is never
// invalidated by the add-in.
class FakeRibbonUI final : public IRibbonUI {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IRibbonUI)) {
            *ppv = static_cast<IRibbonUI*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }

    HRESULT GetTypeInfoCount(UINT*) override { return Unexpected("GetTypeInfoCount"); }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected("GetTypeInfo"); }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return Unexpected("GetIDsOfNames"); }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return Unexpected("Invoke");
    }

    HRESULT Invalidate() override { return Unexpected("Invalidate"); }
    HRESULT InvalidateControl(BSTR ControlID) override
    {
        std::basic_string<WCHAR> id = ControlID ? std::basic_string<WCHAR>(ControlID, SysStringLen(ControlID)) : std::basic_string<WCHAR>();
        if (m_expected.empty()) {
            ADD_FAILURE() << "unexpected InvalidateControl(" << Narrow(id) << ")";
        } else {
            EXPECT_EQ(Narrow(m_expected.front()), Narrow(id)) << "InvalidateControl out of order";
            m_expected.pop_front();
        }
        ++calls;
        return result;
    }
    HRESULT InvalidateControlMso(BSTR) override { return Unexpected("InvalidateControlMso"); }
    HRESULT ActivateTab(BSTR) override { return Unexpected("ActivateTab"); }
    HRESULT ActivateTabMso(BSTR) override { return Unexpected("ActivateTabMso"); }
    HRESULT ActivateTabQ(BSTR, BSTR) override { return Unexpected("ActivateTabQ"); }

    // SET_EXPECT: the next InvalidateControl must name this control id.
    void ExpectInvalidate(const std::basic_string<WCHAR>& controlId) { m_expected.push_back(controlId); }
    // CHECK_CALLED: every expected invalidation happened.
    void CheckCalled(const char* file, int line)
    {
        if (!m_expected.empty())
            ADD_FAILURE_AT(file, line) << m_expected.size() << " expected InvalidateControl call(s) missing, first "
                                       << Narrow(m_expected.front());
        m_expected.clear();
    }

    static std::string Narrow(const std::basic_string<WCHAR>& s) { return std::string(s.begin(), s.end()); }

    ULONG refs = 0;
    int calls = 0;
    HRESULT result = S_OK;

private:
    static HRESULT Unexpected(const char* name)
    {
        return testing_support::UnexpectedCall(std::string("IRibbonUI::") + name);
    }
    std::deque<std::basic_string<WCHAR>> m_expected;
};

#define CHECK_INVALIDATED(fake) (fake).CheckCalled(__FILE__, __LINE__)

// The IRibbonControl that Office passes to a callback: its Id is the control's XML id.
class FakeRibbonControl final : public IRibbonControl {
public:
    explicit FakeRibbonControl(const WCHAR* id) : m_id(id ? id : W("")) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch) || riid == __uuidof(IRibbonControl)) {
            *ppv = static_cast<IRibbonControl*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }

    HRESULT GetTypeInfoCount(UINT*) override { return Unexpected("GetTypeInfoCount"); }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return Unexpected("GetTypeInfo"); }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return Unexpected("GetIDsOfNames"); }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return Unexpected("Invoke");
    }

    HRESULT get_Id(BSTR* Id) override
    {
        ++idCalls;
        *Id = m_id.empty() ? nullptr : SysAllocStringLen(m_id.data(), UINT(m_id.size()));
        return S_OK;
    }
    HRESULT get_Context(IDispatch**) override { return Unexpected("get_Context"); }
    HRESULT get_Tag(BSTR*) override { return Unexpected("get_Tag"); }

    ULONG refs = 0;
    int idCalls = 0;

private:
    static HRESULT Unexpected(const char* name)
    {
        return testing_support::UnexpectedCall(std::string("IRibbonControl::") + name);
    }
    std::basic_string<WCHAR> m_id;
};

// A dispatch object that is not a ribbon control.
class FakeDispatch final : public IDispatch {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IDispatch)) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    HRESULT GetTypeInfoCount(UINT*) override
    {
        return testing_support::UnexpectedCall("FakeDispatch::GetTypeInfoCount");
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override
    {
        return testing_support::UnexpectedCall("FakeDispatch::GetTypeInfo");
    }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return testing_support::UnexpectedCall("FakeDispatch::GetIDsOfNames");
    }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return testing_support::UnexpectedCall("FakeDispatch::Invoke");
    }

    ULONG refs = 0;
};

} // namespace ribbon_fakes
