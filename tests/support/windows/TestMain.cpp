// Entry point of the test programmes built for Windows. As on Linux, every test starts with nothing left by
// another: a temporary folder of its own, an empty HKEY_CURRENT_USER (a fresh key under the test key, put
// in place of the real root with RegOverridePredefKey) and an error log of its own.
// Usage: addin_tests.exe --source-dir=<source folder> [--corpus-dir=<shared corpus>] [gtest flags]
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "__Utilities/ErrorLog.h"
#include "pal/host.h"
#include "support/TestPrefix.h"

namespace testing_support {

namespace {

const WCHAR kTestKey[] = L"Software\\Vantora Tests";

std::wstring g_root;
std::string g_prefix;
std::string g_source;
std::string g_corpus;

std::wstring ScopeName(unsigned n) { return std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(n); }

std::wstring AppDataFolder(const std::wstring& name)
{
    WCHAR path[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(L"APPDATA", path, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::wstring(path) + L"\\" + name : std::wstring();
}

class FreshScope : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        std::wstring name = ScopeName(++m_count);
        std::wstring folder = g_root + L"\\" + name;
        if (!CreateDirectoryW(folder.c_str(), nullptr))
            Fail("cannot create the test folder", GetLastError());
        g_prefix = pal::ToUtf8(folder);

        std::wstring key = std::wstring(kTestKey) + L"\\" + name;
        HKEY scope = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &scope, nullptr) != ERROR_SUCCESS ||
            RegOverridePredefKey(HKEY_CURRENT_USER, scope) != ERROR_SUCCESS)
            Fail("cannot put a fresh HKEY_CURRENT_USER in place", GetLastError());
        RegCloseKey(scope);

        // The log goes to %APPDATA%\<host name>: a host name of the test's own gives it a fresh log.
        m_logName = L"Vantora Tests " + name;
        CErrorLog::Instance().Close();
        CErrorLog::SetHostStrings(m_logName.c_str(), nullptr, nullptr, nullptr);
    }

    void OnTestEnd(const ::testing::TestInfo&) override
    {
        CErrorLog::Instance().Close();
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        std::wstring key = std::wstring(kTestKey) + L"\\" + ScopeName(m_count);
        RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
        std::error_code ec;
        std::filesystem::remove_all(AppDataFolder(m_logName), ec);
        std::filesystem::remove_all(std::filesystem::path(pal::ToWide(g_prefix)), ec);
    }

    static void Fail(const char* what, DWORD error)
    {
        std::fprintf(stderr, "addin tests: %s (error %lu)\n", what, static_cast<unsigned long>(error));
        std::exit(2);
    }

    unsigned m_count = 0;
    std::wstring m_logName;
};

std::string Argument(const std::string& arg, const char* name)
{
    std::string prefix = std::string("--") + name + "=";
    return arg.rfind(prefix, 0) == 0 ? arg.substr(prefix.size()) : std::string();
}

} // namespace

const std::string& Prefix() { return g_prefix; }

std::string ReadFile(const std::string& path)
{
    std::ifstream in(std::filesystem::path(pal::ToWide(path)), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::filesystem::path file(pal::ToWindowsPath(path));
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << content;
}

std::string DataPath(const std::string& relative) { return g_source + "/tests/data/" + relative; }
std::string SourcePath(const std::string& relative) { return g_source + "/" + relative; }
std::string CorpusPath(const std::string& relative) { return g_corpus + "/" + relative; }

// Windows has no stubs of ours to reach.
void AcceptReachedStubs() {}

} // namespace testing_support

int main(int argc, char** argv)
{
    using namespace testing_support;
    // A crash ends the programme with its code instead of waiting on an error box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (std::string v = Argument(arg, "source-dir"); !v.empty())
            g_source = v;
        else if (std::string c = Argument(arg, "corpus-dir"); !c.empty())
            g_corpus = c;
        else {
            std::fprintf(stderr, "addin tests: unknown argument %s\n", argv[i]);
            return 2;
        }
    }
    if (g_source.empty()) {
        std::fprintf(stderr, "usage: %s --source-dir=DIR [--corpus-dir=DIR] [gtest flags]\n", argv[0]);
        return 2;
    }
    if (g_corpus.empty())
        g_corpus = g_source + "/../shared/corpus";

    WCHAR temp[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH)
        return 2;
    g_root = std::wstring(temp) + L"vantora-test-" + std::to_wstring(GetCurrentProcessId());
    if (!CreateDirectoryW(g_root.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return 2;
    g_prefix = pal::ToUtf8(g_root);

    // The add-in runs in Outlook's single-threaded apartment; the MSXML document lives there too.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 2;
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshScope);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    RegDeleteKeyW(HKEY_CURRENT_USER, kTestKey); // left when another run still uses it
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(g_root), ec);
    return result;
}
