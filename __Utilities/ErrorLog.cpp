// The error log file: chosen on the first error of the process, shared with other processes, closed at exit.
// It is bounded: an Outlook that runs for weeks, or a run of hostile messages, must not fill the disk, nor
// hand the info dialog and the support e-mail megabytes of old entries. The newest entries are the ones
// wanted, so the file keeps its tail in place rather than moving to another name: readers that look for
// "VantoraAddin<n>.log" find all there is.
#include "__Utilities/ErrorLog.h"
#include "__Utilities/ProcAddress.h"

#include <share.h>
#include <shlobj.h>
#include <psapi.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// ntdll's RtlGetVersion, which reports the true version where GetVersionEx may be shimmed.
typedef NTSTATUS(WINAPI* RtlGetVersionFn)(PRTL_OSVERSIONINFOW lpVersionInformation);
constexpr NTSTATUS kStatusSuccess = 0;

struct HostStrings {
    CComBSTR hostName{W("Outlook")};
    CComBSTR keyName{W("VantoraAddin")};
    CComBSTR moduleName{W("VantoraAddin")};
    CComBSTR hostVersion;
};

HostStrings& Strings()
{
    static HostStrings strings;
    return strings;
}

// "addin/Connect.cpp" is written "Connect.cpp", the shared libraries with their folder as seen from the
// add-in ("..\__Controls\OfficeRibbon.cpp"), the add-in's own subfolders as "Utils\IPV4.cpp".
std::string DisplayFileName(const char* file)
{
    std::string s = file ? file : "";
    for (const char* shared : {"__Controls/", "__Utilities/"})
        if (s.rfind(shared, 0) == 0)
            s = "../" + s;
    if (s.rfind("addin/", 0) == 0)
        s.erase(0, 6);
    for (char& c : s)
        if (c == '/')
            c = '\\';
    return s;
}

// The log's lines are put together here and written with fputws: in fwprintf, %s and %S swap meaning between
// the Microsoft runtime and the C99 one that mingw-w64's C++ runtime selects. Names and files are ASCII.
std::basic_string<WCHAR> Widen(const std::string& s)
{
    std::basic_string<WCHAR> wide;
    for (char c : s)
        wide += WCHAR(static_cast<unsigned char>(c));
    return wide;
}

// File name without folder and extension, compared ignoring case.
bool ModuleNameMatches(const WCHAR* path, const WCHAR* name)
{
    const WCHAR* base = path;
    for (const WCHAR* p = path; *p; ++p)
        if (*p == '\\' || *p == '/')
            base = p + 1;
    size_t n = 0;
    while (base[n] && base[n] != '.')
        ++n;
    return n == wcslen(name) && _wcsnicmp(base, name, n) == 0;
}

// The newest bytes of a file, at most limit, beginning at a whole line other than a location line (whose
// "ERROR" line was cut off). False when the file cannot be read.
bool ReadTail(const WCHAR* path, long limit, std::string& out)
{
    out.clear();
    FILE* f = _wfsopen(path, W("rb"), _SH_DENYNO);
    if (!f)
        return false;
    // Seeking from the end also works where the size does not fit a long.
    bool cut = fseek(f, -limit, SEEK_END) == 0 && ftell(f) != 0;
    if (!cut)
        rewind(f);
    char buffer[4096];
    size_t n;
    while (out.size() < size_t(limit) && (n = fread(buffer, 1, std::min(sizeof(buffer), size_t(limit) - out.size()), f)) > 0)
        out.append(buffer, n);
    bool ok = !ferror(f);
    fclose(f);
    if (!ok)
        return false;
    if (cut) {
        size_t start = out.find('\n');
        while (start != std::string::npos && start + 1 < out.size() && out[start + 1] == '\t')
            start = out.find('\n', start + 1);
        out.erase(0, start == std::string::npos ? out.size() : start + 1);
    }
    return true;
}

} // namespace

CErrorLog& CErrorLog::Instance()
{
    static CErrorLog log;
    return log;
}

CErrorLog::~CErrorLog()
{
    if (m_file)
        fclose(m_file);
}

void CErrorLog::Close() noexcept
{
    if (m_file)
        fclose(m_file);
    m_file = nullptr;
    m_opened = false;
    m_path.Empty();
    m_lastMessage.Empty();
    m_hasLast = false;
    m_trimFailed = false;
}

void CErrorLog::SetHostStrings(const WCHAR* hostName, const WCHAR* keyName, const WCHAR* moduleName,
                               const WCHAR* hostVersion) noexcept
{
    try {
        HostStrings& s = Strings();
        if (hostName)
            s.hostName = hostName;
        if (keyName)
            s.keyName = keyName;
        if (moduleName)
            s.moduleName = moduleName;
        if (hostVersion)
            s.hostVersion = hostVersion;
    } catch (...) {
    }
}

void CErrorLog::Open() noexcept
{
    m_opened = true;
    try {
        const HostStrings& strings = Strings();
        WCHAR folder[MAX_PATH];
        if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_APPDATA, FALSE))
            return;
        if (wcscat_s(folder, W("\\")) != 0 || wcscat_s(folder, strings.hostName) != 0)
            return;
        if (!CreateDirectoryW(folder, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return;
        if (_waccess(folder, 6) != 0)
            return;

        WCHAR path[MAX_PATH];
        bool found = false;
        for (int n = 0; n < 100 && !found; ++n) {
            if (swprintf_s(path, W("%s\\%s%d.log"), folder, static_cast<const WCHAR*>(strings.keyName), n) < 0)
                return;
            if (_waccess(path, 0) != 0) {
                found = true;
            } else if (_waccess(path, 6) == 0) {
                if (FILE* probe = _wfsopen(path, W("r"), _SH_DENYNO)) {
                    fclose(probe);
                    found = true;
                }
            }
        }
        if (!found)
            return;
        m_file = _wfsopen(path, W("a+"), _SH_DENYNO);
        if (!m_file)
            return;
        m_path = path;
        // A log left large by earlier runs is cut before this run adds to it.
        if (OverLimit() && !Trim())
            m_trimFailed = true;
        WriteHeader();
    } catch (...) {
    }
}

void CErrorLog::WriteHeader() noexcept
{
    try {
        if (!m_file)
            return;
        const HostStrings& strings = Strings();
        CComBSTR header;
        if (strings.hostVersion.Length() > 0) {
            header.Append(strings.hostVersion);
            header.Append(W("\n"));
        }
        header.Append(strings.keyName);
        header.Append(W(" "));
        header.Append(GetModuleVersion());
        header.Append(W("\n"));
        header.Append(GetOSVersion());
        header.Append(W("\n"));
        fputws(header.m_str ? header.m_str : W(""), m_file);
        fflush(m_file);
    } catch (...) {
    }
}

bool CErrorLog::OverLimit() noexcept
{
    if (!m_file || m_trimFailed || fseek(m_file, 0, SEEK_END) != 0)
        return false;
    long size = ftell(m_file);
    return size < 0 || size > kMaxSize;
}

bool CErrorLog::Trim() noexcept
{
    try {
        if (m_file)
            fclose(m_file);
        m_file = nullptr;
        std::string tail;
        bool ok = ReadTail(m_path, kKeptSize, tail);
        if (ok) {
            // Not truncated unless the tail is in hand.
            FILE* f = _wfsopen(m_path, W("wb"), _SH_DENYNO);
            ok = f && fwrite(tail.data(), 1, tail.size(), f) == tail.size();
            if (f && fclose(f) != 0)
                ok = false;
        }
        m_file = _wfsopen(m_path, W("a+"), _SH_DENYNO);
        // The next entry writes its "ERROR" line even when it repeats the last one, which may be gone.
        m_hasLast = false;
        return ok && m_file;
    } catch (...) {
        return false;
    }
}

void CErrorLog::Write(const WCHAR* message, const char* function, const char* file, int line) noexcept
{
    try {
        if (!message || !*message)
            return;
        if (!m_opened)
            Open();
        if (!m_file)
            return;
        if (!m_hasLast || wcscmp(m_lastMessage.m_str ? m_lastMessage.m_str : W(""), message) != 0) {
            fputws(W("ERROR - "), m_file);
            fputws(message, m_file);
            fputws(W("\n"), m_file);
        }
        std::string fileName = DisplayFileName(file);
        WCHAR number[16];
        swprintf_s(number, W("(%d)"), line);
        // Appended in place: GCC's -O3 takes the chain of operator+ for overlapping copies (-Wrestrict).
        std::basic_string<WCHAR> location = W("\t");
        location += Widen(fileName);
        location += number;
        if (function && *function && !fileName.empty() && line >= 1) {
            location += W(" - ");
            location += Widen(function);
            location += W("\n");
            fputws(location.c_str(), m_file);
        } else if (!function && !fileName.empty() && line > 0) {
            location += W("\n");
            fputws(location.c_str(), m_file);
        }
        fflush(m_file);
        m_lastMessage = message;
        m_hasLast = true;
        if (OverLimit()) {
            if (!Trim())
                m_trimFailed = true;
            // What follows the kept tail is this process's again.
            WriteHeader();
        }
    } catch (...) {
    }
}

const WCHAR* CErrorLog::GetPath() noexcept { return m_path.m_str ? m_path.m_str : W(""); }

CComBSTR CErrorLog::ReadAll() noexcept
{
    CComBSTR text;
    try {
        if (m_path.Length() == 0)
            return text;
        if (m_file)
            fflush(m_file);
        std::string bytes;
        // Another process may have let the file grow (it is shared): only its newest part is shown.
        if (!ReadTail(m_path, kMaxSize, bytes) || bytes.empty())
            return text;
        int count = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), nullptr, 0);
        if (count > 0) {
            text.Attach(SysAllocStringLen(nullptr, UINT(count)));
            if (text.m_str)
                MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), text.m_str, count);
        }
    } catch (...) {
        text.Empty();
    }
    return text;
}

CComBSTR CErrorLog::GetModuleVersion() noexcept
{
    CComBSTR version;
    try {
        typedef BOOL(WINAPI * EnumModulesEx_t)(HANDLE, HMODULE*, DWORD, LPDWORD, DWORD);
        HMODULE psapi = LoadLibraryW(W("PSapi.dll"));
        auto enumEx = GetProcAddressAs<EnumModulesEx_t>(psapi, "EnumProcessModulesEx");
        std::vector<HMODULE> modules(256);
        DWORD needed = 0;
        for (int attempt = 0; attempt < 2; ++attempt) {
            DWORD bytes = DWORD(modules.size() * sizeof(HMODULE));
            BOOL ok = enumEx ? enumEx(GetCurrentProcess(), modules.data(), bytes, &needed, LIST_MODULES_ALL)
                             : EnumProcessModules(GetCurrentProcess(), modules.data(), bytes, &needed);
            if (!ok)
                return version;
            if (needed <= bytes)
                break;
            modules.resize(needed / sizeof(HMODULE));
        }
        modules.resize(needed / sizeof(HMODULE));

        const WCHAR* name = Strings().moduleName;
        WCHAR path[MAX_PATH];
        for (HMODULE module : modules) {
            if (GetModuleFileNameW(module, path, MAX_PATH) == 0 || !ModuleNameMatches(path, name))
                continue;
            DWORD handle = 0;
            DWORD size = GetFileVersionInfoSizeW(path, &handle);
            if (size == 0)
                return version;
            std::vector<BYTE> block(size);
            if (!GetFileVersionInfoW(path, handle, size, block.data()))
                return version;
            LPVOID value = nullptr;
            UINT length = 0;
            if (VerQueryValueW(block.data(), W("\\StringFileInfo\\040904E4\\ProductVersion"), &value, &length) &&
                value && length > 0)
                version = static_cast<const WCHAR*>(value);
            return version;
        }
    } catch (...) {
        version.Empty();
    }
    return version;
}

CComBSTR CErrorLog::GetOSVersion() noexcept
{
    CComBSTR os;
    try {
        RTL_OSVERSIONINFOEXW info{};
        info.dwOSVersionInfoSize = sizeof(info);
        HMODULE ntdll = GetModuleHandleW(W("ntdll.dll"));
        auto getVersion = GetProcAddressAs<RtlGetVersionFn>(ntdll, "RtlGetVersion");
        if (!getVersion || getVersion(reinterpret_cast<PRTL_OSVERSIONINFOW>(&info)) != kStatusSuccess)
            return os;
        SYSTEM_INFO si{};
        GetNativeSystemInfo(&si);

        if (info.dwPlatformId != VER_PLATFORM_WIN32_NT || info.dwMajorVersion <= 4) {
            // A system other than Windows NT names itself (the Linux build gives kernel and machine).
            if (info.dwPlatformId != VER_PLATFORM_WIN32_NT && info.szCSDVersion[0])
                os = info.szCSDVersion;
            return os;
        }
        const bool workstation = info.wProductType == VER_NT_WORKSTATION;
        const DWORD major = info.dwMajorVersion, minor = info.dwMinorVersion;
        const WORD suite = info.wSuiteMask;
        const WORD arch = si.wProcessorArchitecture;
        WCHAR buffer[256];
        CComBSTR name;
        if (major == 10) {
            name = workstation ? W("10") : W("Server 2016");
        } else if (major == 6) {
            static const WCHAR* const names[4][2] = {{W("Vista"), W("Server 2008")},
                                                     {W("7"), W("Server 2008 R2")},
                                                     {W("8"), W("Server 2012")},
                                                     {W("8.1"), W("Server 2012 R2")}};
            if (minor <= 3) {
                name = names[minor][workstation ? 0 : 1];
                DWORD type = 0;
                GetProductInfo(major, minor, 0, 0, &type);
                static const struct {
                    DWORD type;
                    const WCHAR* text;
                } editions[] = {{1, W(" Ultimate Edition")},
                                {2, W(" Home Basic Edition")},
                                {3, W(" Home Premium Edition")},
                                {4, W(" Enterprise Edition")},
                                {6, W(" Business Edition")},
                                {7, W(" Standard Edition")},
                                {8, W(" Datacenter Edition")},
                                {9, W(" Small Business Server")},
                                {10, W(" Enterprise Edition")},
                                {11, W(" Starter Edition")},
                                {12, W(" Datacenter Edition (core installation)")},
                                {13, W(" Standard Edition (core installation)")},
                                {14, W(" Enterprise Edition (core installation)")},
                                {15, W(" Enterprise Edition for Itanium-based Systems")},
                                {17, W(" Web Server Edition")},
                                {18, W(" Cluster Server Edition")},
                                {25, W(" Small Business Server Premium Edition")}};
                for (const auto& e : editions)
                    if (e.type == type)
                        name.Append(e.text);
            }
        } else if (major == 5 && minor == 2) {
            if (GetSystemMetrics(SM_SERVERR2))
                name = W("Server 2003 R2");
            else if (suite & VER_SUITE_STORAGE_SERVER)
                name = W("Storage Server 2003");
            else if (suite & VER_SUITE_WH_SERVER)
                name = W("Home Server");
            else if (workstation && arch == PROCESSOR_ARCHITECTURE_AMD64)
                name = W("XP Professional x64 Edition");
            else
                name = W("Server 2003");
            if (!workstation) {
                if (arch == PROCESSOR_ARCHITECTURE_IA64)
                    name.Append((suite & VER_SUITE_DATACENTER) ? W(" Datacenter Edition for Itanium-based Systems")
                                : (suite & VER_SUITE_ENTERPRISE) ? W(" Enterprise Edition for Itanium-based Systems")
                                                                 : W(""));
                else if (arch == PROCESSOR_ARCHITECTURE_AMD64)
                    name.Append((suite & VER_SUITE_DATACENTER)   ? W(" Datacenter x64 Edition")
                                : (suite & VER_SUITE_ENTERPRISE) ? W(" Enterprise x64 Edition")
                                                                 : W(" Standard x64 Edition"));
                else
                    name.Append((suite & VER_SUITE_COMPUTE_SERVER) ? W(" Compute Cluster Edition")
                                : (suite & VER_SUITE_DATACENTER)   ? W(" Datacenter Edition")
                                : (suite & VER_SUITE_ENTERPRISE)   ? W(" Enterprise Edition")
                                : (suite & VER_SUITE_BLADE)        ? W(" Web Edition")
                                                                   : W(" Standard Edition"));
            }
        } else if (major == 5 && minor == 1) {
            name = W("XP");
            name.Append((suite & VER_SUITE_PERSONAL) ? W(" Home Edition") : W(" Professional"));
        } else if (major == 5 && minor == 0) {
            name = W("2000");
            name.Append(workstation                        ? W(" Professional")
                        : (suite & VER_SUITE_DATACENTER)   ? W(" Datacenter Server")
                        : (suite & VER_SUITE_ENTERPRISE)   ? W(" Advanced Server")
                                                           : W(" Server"));
        }
        if (name.Length() == 0) {
            swprintf_s(buffer, W("Microsoft Windows %d.%d, (build %d)"), int(major), int(minor),
                       int(info.dwBuildNumber));
            os = buffer;
            return os;
        }
        os = W("Microsoft Windows ");
        os.Append(name);
        if (major == 10 || major == 6) {
            if (arch == PROCESSOR_ARCHITECTURE_AMD64)
                os.Append(W(", 64-bit"));
            else if (arch == PROCESSOR_ARCHITECTURE_INTEL)
                os.Append(W(", 32-bit"));
        }
        swprintf_s(buffer, W(", (build %d)"), int(info.dwBuildNumber));
        os.Append(buffer);
    } catch (...) {
        os.Empty();
    }
    return os;
}
