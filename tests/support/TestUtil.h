// Helpers every test area uses: the error log's text, the code a check throws and the answer of a fake to
// a call it does not expect. Built for Windows too.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ErrorLog.h"
#include "pal/host.h"

namespace testing_support {

// The error log as UTF-8; empty when nothing was logged.
inline std::string LogText()
{
    CComBSTR log = CErrorLog::Instance().ReadAll();
    return log.m_str ? pal::ToUtf8(log.m_str) : std::string();
}

inline bool LogHas(const std::string& fragment) { return LogText().find(fragment) != std::string::npos; }

// The code of the error f throws, S_OK when it throws none.
template <class F> HRESULT ThrownCode(F&& f)
{
    try {
        f();
    } catch (const CErrorInfo& e) {
        return e.GetCode();
    }
    return S_OK;
}

// A fake's answer to a call its test does not expect: the test fails, as Wine's tests do with
// ok(0, "unexpected call"). Every fake answers so, rather than some quietly and some not.
inline HRESULT UnexpectedCall(const std::string& method)
{
    ADD_FAILURE() << "unexpected call " << method;
    return E_NOTIMPL;
}

} // namespace testing_support
