// The per-user error log: "Outlook\VantoraAddin<n>.log" in the roaming application data folder, chosen
// on the first error of the process. Entries are "ERROR - <text>" followed by location lines; a repeated
// text writes only another location line. A log grown past kMaxSize is cut to its newest kKeptSize bytes
// (when chosen, and as soon as a write takes it past the limit), in place under its own name.
#pragma once

#include <windows.h>
#include <atlbase.h>

#include <cstdio>

class CErrorLog {
public:
    static CErrorLog& Instance();

    // Writes one entry (function may be null); never throws.
    void Write(const WCHAR* message, const char* function, const char* file, int line) noexcept;
    // The log file as one text, its newest kMaxSize bytes at most (empty when there is no log).
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

    static constexpr long kMaxSize = 2 * 1024 * 1024;
    static constexpr long kKeptSize = kMaxSize / 2;

private:
    CErrorLog() = default;
    void Open() noexcept;
    void WriteHeader() noexcept;
    // Keeps the newest kKeptSize bytes of the file (from a line that begins an entry or a header) and
    // reopens it for appending; false when the file could not be rewritten.
    bool Trim() noexcept;
    // Whether the open file is past kMaxSize (never again once a trim failed).
    bool OverLimit() noexcept;

    bool m_opened = false;
    CComBSTR m_path;
    CComBSTR m_lastMessage;
    bool m_hasLast = false;
    bool m_trimFailed = false; // not tried again: each try would read the file's tail anew
    FILE* m_file = nullptr;
};
