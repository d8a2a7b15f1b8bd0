// The error object and the log file, read back from disk as a person would read it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ErrorLog.h"
#include "pal/host.h"
#include "support/TestPrefix.h"

using testing_support::Prefix;
using testing_support::ReadFile;

namespace {

std::string LogFolder() { return Prefix() + "/AppData/Roaming/Outlook"; }
std::string LogFile(int n) { return LogFolder() + "/VantoraAddin" + std::to_string(n) + ".log"; }

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::string Text(const CErrorInfo& e) { return pal::ToUtf8(e.GetText()); }

struct Widget {
    int Fail() { return CErrorInfo("(idx >= 0) && (idx < count)", E_INVALIDARG, VTR_HERE).GetCode(); }
    template <class T> int FailTemplate(T) { return CErrorInfo("pT", E_POINTER, VTR_HERE).GetCode(); }
};

} // namespace

TEST(ErrorLog, HeaderNamesProductAndSystem)
{
    CErrorInfo("\"pRibbon\"", E_POINTER, VTR_HERE);
    std::vector<std::string> lines = Lines(ReadFile(LogFile(0)));
    ASSERT_GE(lines.size(), 4u);
    // No module named VantoraAddin is loaded in a test program, so the version is empty.
    EXPECT_EQ(lines[0], "VantoraAddin ");
    EXPECT_EQ(lines[1].rfind("Linux ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "ERROR - \"pRibbon\"");
    EXPECT_EQ(lines[3].rfind("\ttests\\errors\\ErrorLogTest.cpp(", 0), 0u) << lines[3];
    EXPECT_NE(lines[3].find(") - ErrorLog_HeaderNamesProductAndSystem_Test::TestBody"), std::string::npos) << lines[3];
}

TEST(ErrorLog, HostVersionLeadsTheHeader)
{
    CErrorLog::SetHostStrings(nullptr, nullptr, nullptr, W("\nMicrosoft Outlook 16.0.1 (64 bit)"));
    CErrorInfo("x", E_FAIL, VTR_HERE);
    CErrorLog::SetHostStrings(nullptr, nullptr, nullptr, W(""));
    std::string log = ReadFile(LogFile(0));
    EXPECT_EQ(log.rfind("\nMicrosoft Outlook 16.0.1 (64 bit)\nVantoraAddin \n", 0), 0u) << log;
}

TEST(ErrorLog, RepeatedFailureWritesOneErrorLineAndOneLocationEach)
{
    Widget w;
    w.Fail();
    w.Fail();
    CErrorInfo("other", E_FAIL, VTR_HERE);
    w.Fail();
    std::vector<std::string> lines = Lines(ReadFile(LogFile(0)));
    ASSERT_EQ(lines.size(), 2u + 7u);
    EXPECT_EQ(lines[2], "ERROR - (idx >= 0) && (idx < count)");
    EXPECT_EQ(lines[3], lines[4]);
    EXPECT_EQ(lines[3].substr(lines[3].find(" - ")), " - Widget::Fail");
    EXPECT_EQ(lines[5], "ERROR - other");
    EXPECT_EQ(lines[7], "ERROR - (idx >= 0) && (idx < count)");
}

TEST(ErrorLog, LocationNamesClassAndOperation)
{
    Widget w;
    w.Fail();
    w.FailTemplate(3);
    std::vector<std::string> lines = Lines(ReadFile(LogFile(0)));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3].substr(lines[3].find(" - ")), " - Widget::Fail");
    EXPECT_EQ(lines[4], "ERROR - pT");
    EXPECT_EQ(lines[5].substr(lines[5].find(" - ")), " - Widget::FailTemplate");
}

TEST(ErrorLog, ReadAllReturnsTheWholeFile)
{
    CErrorInfo("first", E_FAIL, VTR_HERE);
    CErrorInfo("zweite Ä", E_FAIL, VTR_HERE);
    EXPECT_EQ(pal::ToUtf8(CErrorLog::Instance().ReadAll().m_str), ReadFile(LogFile(0)));
    EXPECT_NE(ReadFile(LogFile(0)).find("ERROR - zweite Ä\n"), std::string::npos);
    EXPECT_EQ(pal::ToUtf8(CErrorLog::Instance().GetPath()).find("Outlook\\VantoraAddin0.log"),
              pal::ToUtf8(CErrorLog::Instance().GetPath()).size() - 25);
}

TEST(ErrorLog, LockedFileIsSkipped)
{
    std::filesystem::create_directories(LogFolder());
    std::u16string first = pal::ToWide(LogFile(0));
    FILE* held = _wfsopen(first.c_str(), W("a+"), _SH_DENYRW);
    ASSERT_NE(held, nullptr);
    CErrorInfo("x", E_FAIL, VTR_HERE);
    fclose(held);
    EXPECT_EQ(ReadFile(LogFile(0)), "");
    EXPECT_NE(ReadFile(LogFile(1)).find("ERROR - x\n"), std::string::npos);
}

TEST(ErrorLog, HundredLockedLogsMeanNoLogAndNoFailure)
{
    std::filesystem::create_directories(LogFolder());
    std::vector<FILE*> held;
    for (int n = 0; n < 100; ++n) {
        std::u16string path = pal::ToWide(LogFile(n));
        held.push_back(_wfsopen(path.c_str(), W("a+"), _SH_DENYRW));
        ASSERT_NE(held.back(), nullptr);
    }
    CErrorInfo e("x", E_FAIL, VTR_HERE);
    EXPECT_EQ(e.GetCode(), E_FAIL);
    EXPECT_EQ(Text(e), "x");
    EXPECT_EQ(pal::ToUtf8(CErrorLog::Instance().GetPath()), "");
    EXPECT_EQ(CErrorLog::Instance().ReadAll().Length(), 0u);
    for (FILE* f : held)
        fclose(f);
    EXPECT_FALSE(std::filesystem::exists(LogFile(100)));
    for (int n = 0; n < 100; ++n)
        EXPECT_EQ(ReadFile(LogFile(n)), "");
}

TEST(ErrorLog, NoFolderMeansNoLog)
{
    // A file where the folder should be.
    std::filesystem::create_directories(Prefix() + "/AppData/Roaming");
    testing_support::WriteFile(LogFolder(), "not a folder");
    CErrorInfo e("x", E_FAIL, VTR_HERE);
    EXPECT_EQ(e.GetCode(), E_FAIL);
    EXPECT_EQ(pal::ToUtf8(CErrorLog::Instance().GetPath()), "");
}

namespace {

// "ERROR - <text>" lines each followed by one location line, numbered from first, about size bytes.
std::string OldEntries(int first, size_t size)
{
    std::string text;
    for (int n = first; text.size() < size; ++n)
        text += "ERROR - old entry " + std::to_string(n) + " " + std::string(80, 'x') +
                "\n\tConnect.cpp(12) - CConnect::ProcessSingleMail\n";
    return text;
}

// Every location line follows its entry's "ERROR" line or another location line.
void ExpectNoOrphanLocations(const std::string& log)
{
    std::vector<std::string> lines = Lines(log);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines[0][0], '\t') << lines[0];
    for (size_t k = 1; k < lines.size(); ++k) {
        if (!lines[k].empty() && lines[k][0] == '\t') {
            EXPECT_TRUE(lines[k - 1].rfind("ERROR - ", 0) == 0 || lines[k - 1][0] == '\t') << "line " << k;
        }
    }
}

std::vector<std::string> FolderNames()
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(LogFolder()))
        names.push_back(e.path().filename().string());
    return names;
}

} // namespace

TEST(ErrorLogSize, LargeLogOfEarlierRunsIsCutToItsNewestEntries)
{
    std::filesystem::create_directories(LogFolder());
    std::string old = OldEntries(0, 3 * 1024 * 1024);
    testing_support::WriteFile(LogFile(0), old);
    std::string last = old.substr(old.rfind("ERROR - old entry "));
    last = last.substr(0, last.find('\n'));

    CErrorInfo("after the restart", E_FAIL, VTR_HERE);
    std::string log = ReadFile(LogFile(0));
    EXPECT_LE(log.size(), size_t(CErrorLog::kMaxSize));
    EXPECT_GE(log.size(), size_t(CErrorLog::kKeptSize) / 2);
    EXPECT_EQ(log.find("ERROR - old entry 0 "), std::string::npos);
    EXPECT_EQ(log.rfind("ERROR - old entry ", 0), 0u) << log.substr(0, 100);
    // The newest old entries, then this run's header and entry, as in a log that was never cut.
    size_t header = log.rfind("\nVantoraAddin \n");
    ASSERT_NE(header, std::string::npos);
    EXPECT_EQ(log.find(last + "\n"), header - last.size() - 47) << log.substr(header - 300, 300);
    EXPECT_GT(log.find("ERROR - after the restart\n"), header);
    ExpectNoOrphanLocations(log);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"VantoraAddin0.log"});
    EXPECT_EQ(pal::ToUtf8(CErrorLog::Instance().ReadAll().m_str), log);
}

TEST(ErrorLogSize, LongRunStaysBoundedAndKeepsItsNewestEntries)
{
    Widget w;
    size_t largest = 0;
    for (int n = 0; n < 3000; ++n) {
        CErrorInfo(("failure " + std::to_string(n) + " " + std::string(1000, 'y')).c_str(), E_FAIL, VTR_HERE);
        // A repeat after each: right after a cut it must not be left without its "ERROR" line.
        CErrorInfo(("failure " + std::to_string(n) + " " + std::string(1000, 'y')).c_str(), E_FAIL, VTR_HERE);
        largest = std::max(largest, size_t(std::filesystem::file_size(LogFile(0))));
    }
    w.Fail();
    EXPECT_LE(largest, size_t(CErrorLog::kMaxSize));
    std::string log = ReadFile(LogFile(0));
    EXPECT_EQ(log.find("ERROR - failure 0 "), std::string::npos);
    EXPECT_NE(log.find("ERROR - failure 2999 "), std::string::npos);
    EXPECT_EQ(Lines(log).back().substr(Lines(log).back().find(" - ")), " - Widget::Fail");
    ExpectNoOrphanLocations(log);
    // Entries after a cut are told apart by a header of their own.
    EXPECT_NE(log.find("\nVantoraAddin \n"), std::string::npos);
    EXPECT_EQ(FolderNames(), std::vector<std::string>{"VantoraAddin0.log"});
}

TEST(ErrorLogSize, ReadAllGivesTheNewestPartOfALogGrownElsewhere)
{
    CErrorInfo("first", E_FAIL, VTR_HERE);
    // Another process that chose the same file adds to it.
    std::string more = OldEntries(0, 3 * 1024 * 1024);
    {
        FILE* other = std::fopen(LogFile(0).c_str(), "ab");
        ASSERT_NE(other, nullptr);
        std::fwrite(more.data(), 1, more.size(), other);
        std::fclose(other);
    }
    std::string text = pal::ToUtf8(CErrorLog::Instance().ReadAll().m_str);
    EXPECT_LE(text.size(), size_t(CErrorLog::kMaxSize));
    EXPECT_GT(text.size(), size_t(CErrorLog::kMaxSize) - 200);
    EXPECT_EQ(text.rfind("ERROR - old entry ", 0), 0u) << text.substr(0, 100);
    EXPECT_EQ(text, more.substr(more.size() - text.size()));
    ExpectNoOrphanLocations(text);
    // The next entry cuts the file itself.
    CErrorInfo("second", E_FAIL, VTR_HERE);
    EXPECT_LE(std::filesystem::file_size(LogFile(0)), uintmax_t(CErrorLog::kMaxSize));
    EXPECT_NE(ReadFile(LogFile(0)).find("ERROR - second\n"), std::string::npos);
}

TEST(ErrorInfoTexts, HResultNamesAndSystemTexts)
{
    EXPECT_EQ(Text(CErrorInfo(E_UNEXPECTED, false, VTR_HERE)), "E_UNEXPECTED");
    EXPECT_EQ(Text(CErrorInfo(E_POINTER, false, VTR_HERE)), "E_POINTER");
    EXPECT_EQ(Text(CErrorInfo(E_INVALIDARG, false, VTR_HERE)), "E_INVALIDARG");
    EXPECT_EQ(Text(CErrorInfo(E_FAIL, true, VTR_HERE)), "E_FAIL");
    EXPECT_EQ(Text(CErrorInfo(E_NOINTERFACE, false, VTR_HERE)), "No such interface supported : ");
    EXPECT_EQ(Text(CErrorInfo(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), false, VTR_HERE)),
              "The system cannot find the file specified. : ");
    EXPECT_EQ(Text(CErrorInfo((HRESULT)0x80040205, false, VTR_HERE)), "IDispatch error #5 : ");
    EXPECT_EQ(Text(CErrorInfo((HRESULT)0x80091234, false, VTR_HERE)), "Unknown error 0x80091234 : ");
    CErrorInfo success(S_FALSE, false, VTR_HERE);
    EXPECT_EQ(Text(success), "");
    EXPECT_EQ(success.GetCode(), S_FALSE);
}

TEST(ErrorInfoTexts, ComErrorDescriptionIsUsedAndHandedBack)
{
    CComPtr<ICreateErrorInfo> create;
    ASSERT_EQ(CreateErrorInfo(&create), S_OK);
    create->SetDescription(const_cast<LPOLESTR>(W("The server said no")));
    CComQIPtr<IErrorInfo> info(create.p);
    SetErrorInfo(0, info);

    EXPECT_EQ(Text(CErrorInfo(E_FAIL, true, VTR_HERE)), "The server said no");
    CComPtr<IErrorInfo> still;
    EXPECT_EQ(GetErrorInfo(0, &still), S_OK);
    EXPECT_EQ(still.p, info.p);

    SetErrorInfo(0, info);
    EXPECT_EQ(Text(CErrorInfo(E_FAIL, false, VTR_HERE)), "E_FAIL");
    _com_error ce(E_ACCESSDENIED, info.Detach(), false);
    EXPECT_EQ(Text(CErrorInfo(ce, VTR_HERE)), "Access is denied. : The server said no");
    SetErrorInfo(0, nullptr);
}

TEST(ErrorInfoTexts, Win32ErrorKeepsLastError)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    CErrorInfo e = CErrorInfo::FromLastError(VTR_HERE);
    EXPECT_EQ(e.GetCode(), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Text(e), "The system cannot find the file specified. : GetLastError(2)");
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));

    SetLastError(9999);
    EXPECT_EQ(Text(CErrorInfo::FromLastError(VTR_HERE)), "Unknown system error: GetLastError(9999)");
}

TEST(ErrorInfoTexts, Win32ErrorZeroLogsNothing)
{
    SetLastError(0);
    CErrorInfo e = CErrorInfo::FromLastError(VTR_HERE);
    EXPECT_EQ(e.GetCode(), S_OK);
    EXPECT_EQ(Text(e), "");
    EXPECT_FALSE(std::filesystem::exists(LogFile(0)));
}

namespace {

HRESULT EntryPoint(int what)
{
    HRESULT hr = S_OK;
    try {
        if (what == 0)
            VTR_CHECK(what != 0, E_INVALIDARG);
        if (what == 1)
            _com_issue_error(E_NOTIMPL);
        if (what == 2)
            throw std::runtime_error("boom");
        VTR_CHECK_HR(E_ACCESSDENIED);
    }
    VTR_CATCH_ALL(hr)
    return hr;
}

} // namespace

TEST(ErrorMacros, EntryPointHandlersLogOnceEach)
{
    EXPECT_EQ(EntryPoint(0), E_INVALIDARG);
    EXPECT_EQ(EntryPoint(1), E_NOTIMPL);
    EXPECT_EQ(EntryPoint(2), E_FAIL);
    EXPECT_EQ(EntryPoint(3), E_ACCESSDENIED);
    std::vector<std::string> lines = Lines(ReadFile(LogFile(0)));
    ASSERT_EQ(lines.size(), 2u + 8u);
    EXPECT_EQ(lines[2], "ERROR - what != 0");
    EXPECT_NE(lines[3].find(" - EntryPoint"), std::string::npos) << lines[3];
    EXPECT_EQ(lines[4], "ERROR - Not implemented : ");
    EXPECT_EQ(lines[6], "ERROR - Unhandled exception");
    EXPECT_EQ(lines[8], "ERROR - Access is denied. : ");
}

TEST(ErrorMacros, VerifyGoesOnAndEvaluatesOnce)
{
    int calls = 0;
    auto next = [&] { return ++calls; };
    EXPECT_TRUE(VTR_VERIFY(next() == 1, E_FAIL));
    EXPECT_FALSE(VTR_VERIFY(next() == 1, E_FAIL));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(VTR_VERIFY_HR(E_POINTER), E_POINTER);
    EXPECT_EQ(VTR_VERIFY_HR(S_FALSE), S_FALSE);
    std::vector<std::string> lines = Lines(ReadFile(LogFile(0)));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[2], "ERROR - next() == 1");
    EXPECT_EQ(lines[4], "ERROR - E_POINTER");
}
