// The error object of the whole add-in. Building one writes an entry to the error log at once; the code
// then throws it or goes on. Checks are written with the macros below, so that the expression text, the
// qualified operation name, the source file and the line come from the compiler.
#pragma once

#include <source_location>

#include <windows.h>
#include <comdef.h>
#include <atlbase.h>
#include "__Utilities/WString.h"

class CErrorInfo {
public:
    // A failed check: the expression as written in the source, and a code.
    CErrorInfo(const char* expression, HRESULT code, const char* function, const char* file, int line) noexcept;
    // A failed HRESULT; with useErrorInfo the thread's COM error description becomes the text.
    CErrorInfo(HRESULT code, bool useErrorInfo, const char* function, const char* file, int line) noexcept;
    // A caught _com_error: its system message, " : " and its COM description.
    CErrorInfo(const _com_error& error, const char* function, const char* file, int line) noexcept;
    // The thread's last Win32 error (nothing is logged when there is none).
    static CErrorInfo FromLastError(const char* function, const char* file, int line) noexcept;
    // "Unhandled exception", E_FAIL.
    static CErrorInfo Unhandled(const char* function, const char* file, int line) noexcept;

    CErrorInfo(const CErrorInfo&) = default;
    CErrorInfo& operator=(const CErrorInfo&) = default;

    const WCHAR* GetText() const noexcept { return m_text.m_str ? m_text.m_str : W(""); }
    HRESULT GetCode() const noexcept { return m_code; }

    // The texts of the three kinds of failure, as the log writes them.
    static CComBSTR HResultText(HRESULT code, bool useErrorInfo) noexcept;
    static CComBSTR ComErrorText(const _com_error& error) noexcept;
    static CComBSTR Win32Text(DWORD error) noexcept;

private:
    CErrorInfo() noexcept = default;
    void Log(const char* function, const char* file, int line) noexcept;

    CComBSTR m_text;
    HRESULT m_code = S_OK;
};

// "Class::Operation" of the enclosing function, cut out of the signature the standard library gives for it.
// A compiler whose library lacks source_location is given its own signature macro by its build
// (VTR_FUNCTION_SIGNATURE).
namespace vantora_errors {
const char* QualifiedName(const char* signature) noexcept;
} // namespace vantora_errors
#if defined(VTR_FUNCTION_SIGNATURE)
#define VTR_FUNCTION ::vantora_errors::QualifiedName(VTR_FUNCTION_SIGNATURE)
#elif defined(__cpp_lib_source_location)
#define VTR_FUNCTION ::vantora_errors::QualifiedName(std::source_location::current().function_name())
#else
#error "std::source_location is missing: define VTR_FUNCTION_SIGNATURE as the compiler's function signature"
#endif
#define VTR_HERE VTR_FUNCTION, __FILE__, __LINE__

// The two verbs, each evaluating its condition once. Check or throw: a false condition builds the error
// from text and code at the given place (function, file, line) and throws it. Check and log: a false
// condition builds (and so logs) the error and goes on; yields the condition.
#define VTR_CHECK_TEXT_AT(cond, text, code, ...)                           \
    do {                                                                   \
        if (!(cond))                                                       \
            throw CErrorInfo((text), (code), __VA_ARGS__);                 \
    } while (0)
#define VTR_VERIFY_TEXT_AT(cond, text, code, ...) \
    ((cond) ? true : (static_cast<void>(CErrorInfo((text), (code), __VA_ARGS__)), false))

// The same, here: the text is given (when the log shows something else than the condition) ...
#define VTR_CHECK_TEXT(cond, text, code) VTR_CHECK_TEXT_AT(cond, text, code, VTR_HERE)
#define VTR_VERIFY_TEXT(cond, text, code) VTR_VERIFY_TEXT_AT(cond, text, code, VTR_HERE)
// ... or the condition as written ...
#define VTR_CHECK(cond, code) VTR_CHECK_TEXT(cond, #cond, code)
#define VTR_VERIFY(cond, code) VTR_VERIFY_TEXT(cond, #cond, code)
// ... or the condition as written, in double quotes, as the ribbon, e-mail and file type code logs it.
#define VTR_CHECK_QUOTED(cond, code) VTR_CHECK_TEXT(cond, "\"" #cond "\"", code)
#define VTR_VERIFY_QUOTED(cond, code) VTR_VERIFY_TEXT(cond, "\"" #cond "\"", code)
// Check and log under an operation named by the caller (a helper logging for the public operation).
#define VTR_VERIFY_UNDER(function, cond, code) VTR_VERIFY_TEXT_AT(cond, #cond, code, function, __FILE__, __LINE__)
// A failure with no condition left to test (a failed allocation, a search that found nothing).
#define VTR_FAIL(text, code) throw CErrorInfo((text), (code), VTR_HERE)

// A failed HRESULT throws, with the thread's COM error description when there is one.
#define VTR_CHECK_HR(expr)                                                 \
    do {                                                                   \
        HRESULT vtr_hr_ = (expr);                                          \
        if (FAILED(vtr_hr_))                                               \
            throw CErrorInfo(vtr_hr_, true, VTR_HERE);                     \
    } while (0)

// A failed HRESULT is logged; yields the HRESULT.
#define VTR_VERIFY_HR(expr) ::vantora_errors::VerifyHr((expr), VTR_HERE)

// A false Win32 result throws the thread's last error.
#define VTR_CHECK_WIN32(cond)                                              \
    do {                                                                   \
        if (!(cond))                                                       \
            throw CErrorInfo::FromLastError(VTR_HERE);                     \
    } while (0)
// A false Win32 result logs the thread's last error and goes on; the result is the condition's truth.
#define VTR_VERIFY_WIN32(cond) \
    ((cond) ? true : (static_cast<void>(CErrorInfo::FromLastError(VTR_HERE)), false))
// The thread's last error, logged where a failure was found by other means.
#define VTR_LOG_LAST_ERROR() static_cast<void>(CErrorInfo::FromLastError(VTR_HERE))

// The three handlers of every COM entry point, callback, processing step and timer procedure:
//     try { ... } VTR_CATCH_ALL(hr)
// leaves the failure's HRESULT in hr (a CErrorInfo was logged when built; the others are logged here).
// Operations that answer with a value rather than an HRESULT use VTR_CATCH_LOG and return their fallback.
#define VTR_CATCH_ALL(hr) \
    catch (...) { (hr) = ::vantora_errors::HandleCurrentException(VTR_HERE); }
#define VTR_CATCH_LOG \
    catch (...) { ::vantora_errors::HandleCurrentException(VTR_HERE); }
// Steps that pass failures up: what is not logged yet is logged, and the caller receives a CErrorInfo.
#define VTR_CATCH_RETHROW \
    catch (...) { throw ::vantora_errors::CurrentError(VTR_HERE); }

namespace vantora_errors {
HRESULT VerifyHr(HRESULT hr, const char* function, const char* file, int line) noexcept;
// Called inside a catch block: logs what is not logged yet and gives the failure as a CErrorInfo.
CErrorInfo CurrentError(const char* function, const char* file, int line) noexcept;
// The same, giving only the failure's HRESULT.
HRESULT HandleCurrentException(const char* function, const char* file, int line) noexcept;
} // namespace vantora_errors
