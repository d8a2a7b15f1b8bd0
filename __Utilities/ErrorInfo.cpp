// The error object: its texts for checks, HRESULTs, _com_errors and Win32 errors, and its log entry.
#include "__Utilities/ErrorInfo.h"

#include <map>
#include <mutex>
#include <string>

#include "__Utilities/ErrorLog.h"

namespace {

CComBSTR Widen(const char* text)
{
    CComBSTR result;
    if (!text || !*text)
        return result;
    int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (n <= 1)
        return result;
    result.Attach(SysAllocStringLen(nullptr, UINT(n - 1)));
    if (result.m_str)
        MultiByteToWideChar(CP_UTF8, 0, text, -1, result.m_str, n);
    return result;
}

// Drops the line break that ends the system's message texts.
void TrimLineBreak(CComBSTR& text)
{
    UINT n = text.Length();
    while (n > 0 && (text.m_str[n - 1] == '\n' || text.m_str[n - 1] == '\r'))
        --n;
    if (n != text.Length())
        text.Attach(SysAllocStringLen(text.m_str, n));
}

} // namespace

namespace vantora_errors {

const char* QualifiedName(const char* pretty) noexcept
{
    static std::mutex lock;
    static std::map<const char*, std::string> cache;
    try {
        std::lock_guard<std::mutex> guard(lock);
        auto found = cache.find(pretty);
        if (found != cache.end())
            return found->second.c_str();
        std::string s = pretty ? pretty : "";
        // The parameter list is the first "(" outside template arguments.
        size_t open = std::string::npos;
        int depth = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            char c = s[i];
            if (c == '<')
                ++depth;
            else if (c == '>' && depth > 0)
                --depth;
            else if (c == '(' && depth == 0) {
                if (s.compare(i > 8 ? i - 8 : 0, 8, "operator") == 0 && i + 1 < s.size() && s[i + 1] == ')')
                    continue; // operator()
                open = i;
                break;
            }
        }
        std::string name = s.substr(0, open);
        // The name starts after the last space outside template arguments (the return type ends there).
        depth = 0;
        size_t start = 0;
        for (size_t i = name.size(); i-- > 0;) {
            char c = name[i];
            if (c == '>')
                ++depth;
            else if (c == '<' && depth > 0)
                --depth;
            else if (c == ' ' && depth == 0) {
                start = i + 1;
                break;
            }
        }
        name = name.substr(start);
        for (const char* anon : {"{anonymous}::", "(anonymous namespace)::"}) {
            for (size_t pos; (pos = name.find(anon)) != std::string::npos;)
                name.erase(pos, std::char_traits<char>::length(anon));
        }
        return cache.emplace(pretty, name).first->second.c_str();
    } catch (...) {
        return pretty ? pretty : "";
    }
}

HRESULT VerifyHr(HRESULT hr, const char* function, const char* file, int line) noexcept
{
    if (FAILED(hr))
        CErrorInfo(hr, true, function, file, line);
    return hr;
}

CErrorInfo CurrentError(const char* function, const char* file, int line) noexcept
{
    try {
        throw;
    } catch (const CErrorInfo& e) {
        return e;
    } catch (const _com_error& e) {
        return CErrorInfo(e, function, file, line);
    } catch (...) {
        return CErrorInfo::Unhandled(function, file, line);
    }
}

HRESULT HandleCurrentException(const char* function, const char* file, int line) noexcept
{
    return CurrentError(function, file, line).GetCode();
}

} // namespace vantora_errors

CErrorInfo::CErrorInfo(const char* expression, HRESULT code, const char* function, const char* file, int line) noexcept
    : m_code(code)
{
    try {
        m_text = Widen(expression);
    } catch (...) {
    }
    Log(function, file, line);
}

CErrorInfo::CErrorInfo(HRESULT code, bool useErrorInfo, const char* function, const char* file, int line) noexcept
    : m_code(code)
{
    m_text = HResultText(code, useErrorInfo);
    Log(function, file, line);
}

CErrorInfo::CErrorInfo(const _com_error& error, const char* function, const char* file, int line) noexcept
    : m_code(error.Error())
{
    m_text = ComErrorText(error);
    Log(function, file, line);
}

CErrorInfo CErrorInfo::FromLastError(const char* function, const char* file, int line) noexcept
{
    DWORD error = GetLastError();
    SetLastError(error);
    CErrorInfo e;
    e.m_code = HRESULT_FROM_WIN32(error);
    if (error != 0) {
        e.m_text = Win32Text(error);
        e.Log(function, file, line);
    }
    SetLastError(error);
    return e;
}

CErrorInfo CErrorInfo::Unhandled(const char* function, const char* file, int line) noexcept
{
    return CErrorInfo("Unhandled exception", E_FAIL, function, file, line);
}

CComBSTR CErrorInfo::HResultText(HRESULT code, bool useErrorInfo) noexcept
{
    CComBSTR text;
    try {
        if (useErrorInfo) {
            CComPtr<IErrorInfo> info;
            if (GetErrorInfo(0, &info) == S_OK && info) {
                CComBSTR description;
                if (SUCCEEDED(info->GetDescription(&description)) && description.Length() > 0)
                    text = description;
                // Handed back, so that the caller still finds it on the thread.
                SetErrorInfo(0, info);
            }
        }
        if (FAILED(code) && text.Length() == 0) {
            switch (code) {
            case E_POINTER: text = W("E_POINTER"); break;
            case E_FAIL: text = W("E_FAIL"); break;
            case E_UNEXPECTED: text = W("E_UNEXPECTED"); break;
            case E_INVALIDARG: text = W("E_INVALIDARG"); break;
            default: text = ComErrorText(_com_error(code)); break;
            }
        }
    } catch (...) {
        text.Empty();
    }
    return text;
}

CComBSTR CErrorInfo::ComErrorText(const _com_error& error) noexcept
{
    CComBSTR text;
    try {
        text = error.ErrorMessage();
        TrimLineBreak(text);
        text.Append(W(" : "));
        _bstr_t description = error.Description();
        if (description.length() > 0)
            text.Append(static_cast<const WCHAR*>(description));
    } catch (...) {
        text.Empty();
    }
    return text;
}

CComBSTR CErrorInfo::Win32Text(DWORD error) noexcept
{
    CComBSTR text;
    try {
        WCHAR* message = nullptr;
        DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                 reinterpret_cast<LPWSTR>(&message), 0, nullptr);
        WCHAR suffix[64];
        if (n > 0 && message) {
            text = message;
            // The line break would split the entry's single line.
            TrimLineBreak(text);
            swprintf_s(suffix, W(" : GetLastError(%d)"), int(error));
        } else {
            swprintf_s(suffix, W("Unknown system error: GetLastError(%d)"), int(error));
        }
        LocalFree(message);
        text.Append(suffix);
    } catch (...) {
        text.Empty();
    }
    return text;
}

void CErrorInfo::Log(const char* function, const char* file, int line) noexcept
{
    if (m_text.Length() == 0)
        return;
    CErrorLog::Instance().Write(m_text, function, file, line);
}
