// The per-user error log: "Outlook\VantoraAddin<n>.log" in the roaming application data folder, chosen
// on the first error of the process. Entries are "ERROR - <text>" followed by location lines; a repeated
// text writes only another location line.
#pragma once

#include <windows.h>
#include <atlbase.h>

#include <cstdio>

class CErrorLog {
public:
    static CErrorLog& Instance();

    // Writes one entry (function may be null); never throws.
    void Write(const WCHAR* message, const char* function, const char* file, int line) noexcept;
    // The whole log file as one text (empty when there is no log).
    CComBSTR ReadAll() noexcept;
    // The chosen file, empty when none could be chosen (choosing it first when that has not happened).
    const WCHAR* GetPath() noexcept;

    // Closes the file; the next error chooses one again (a new prefix, or after the user removed the log).
    void Close() noexcept;

    // The host strings composed at connection: the host name (the log's folder), the product key name
    // (the log's file name), the module whose version the header shows, and the host version text.
    static void SetHostStrings(const WCHAR* hostName, const WCHAR* keyName, const WCHAR* moduleName,
                               const WCHAR* hostVersion) noexcept;

    // The texts of the header.
    static CComBSTR GetModuleVersion() noexcept;
    static CComBSTR GetOSVersion() noexcept;

    ~CErrorLog();

private:
    CErrorLog() = default;
    void Open() noexcept;

    bool m_opened = false;
    CComBSTR m_path;
    CComBSTR m_lastMessage;
    bool m_hasLast = false;
    FILE* m_file = nullptr;
};
