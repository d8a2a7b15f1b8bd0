// The check macros: the text each form logs, the place it names, its condition evaluated once, and what
// the check-and-log forms yield.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "__Utilities/ErrorInfo.h"
#include "pal/host.h"
#include "support/TestPrefix.h"

using testing_support::Prefix;
using testing_support::ReadFile;

namespace {

std::string LogFile() { return Prefix() + "/AppData/Roaming/Outlook/VantoraAddin0.log"; }

// The entries of the log after its two header lines: "ERROR - text" and "\tfile(line) - function" pairs.
std::vector<std::string> Entries()
{
    std::vector<std::string> lines;
    std::string text = ReadFile(LogFile());
    size_t start = 0;
    for (size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines.size() > 2 ? std::vector<std::string>(lines.begin() + 2, lines.end()) : std::vector<std::string>();
}

// "text / 0xCODE" of the error a throwing check raised, or "no throw".
template <class F> std::string Thrown(F check)
{
    try {
        check();
    } catch (const CErrorInfo& e) {
        char code[16];
        snprintf(code, sizeof(code), "%08X", unsigned(e.GetCode()));
        return pal::ToUtf8(e.GetText()) + " / " + code;
    }
    return "no throw";
}

struct Reader {
    int line = 0;
    void Open(const char* pName)
    {
        line = __LINE__; VTR_CHECK_QUOTED(pName && *pName, E_INVALIDARG);
    }
    bool Store(const char* operation, int value)
    {
        line = __LINE__; return VTR_VERIFY_UNDER(operation, value > 0, E_UNEXPECTED);
    }
};

} // namespace

TEST(CheckMacros, FailedChecksThrowTheirOwnTextAndCode)
{
    int calls = 0;
    EXPECT_EQ(Thrown([&] { VTR_CHECK(++calls == 0, E_INVALIDARG); }), "++calls == 0 / 80070057");
    EXPECT_EQ(Thrown([&] { VTR_CHECK_QUOTED(++calls == 0, E_POINTER); }), "\"++calls == 0\" / 80004003");
    EXPECT_EQ(Thrown([&] { VTR_CHECK_TEXT(++calls == 0, "pNewLabel", E_UNEXPECTED); }), "pNewLabel / 8000FFFF");
    EXPECT_EQ(Thrown([&] { VTR_FAIL("Unknown error", E_FAIL); }), "Unknown error / 80004005");
    EXPECT_EQ(calls, 3);
    // The text is the condition as written: macros in it are not expanded, quotes in it are escaped.
    EXPECT_EQ(Thrown([] { VTR_CHECK(SUCCEEDED(E_FAIL), E_FAIL); }), "SUCCEEDED(E_FAIL) / 80004005");
    EXPECT_EQ(Thrown([] { VTR_CHECK_QUOTED(strlen("ab") == 3, E_FAIL); }), "\"strlen(\"ab\") == 3\" / 80004005");
    EXPECT_EQ(Entries().size(), 2u * 6u);
}

TEST(CheckMacros, PassingChecksEvaluateOnceAndLogNothing)
{
    int calls = 0;
    EXPECT_EQ(Thrown([&] {
                  VTR_CHECK(++calls == 1, E_FAIL);
                  VTR_CHECK_QUOTED(++calls == 2, E_FAIL);
                  VTR_CHECK_TEXT(++calls == 3, "x", E_FAIL);
              }),
              "no throw");
    EXPECT_TRUE(VTR_VERIFY(++calls == 4, E_FAIL));
    EXPECT_TRUE(VTR_VERIFY_QUOTED(++calls == 5, E_FAIL));
    EXPECT_TRUE(VTR_VERIFY_TEXT(++calls == 6, "x", E_FAIL));
    EXPECT_EQ(calls, 6);
    EXPECT_FALSE(std::filesystem::exists(LogFile()));
}

TEST(CheckMacros, VerifyYieldsTheConditionAndLogsItsText)
{
    int calls = 0;
    std::unique_ptr<int> missing;
    EXPECT_FALSE(VTR_VERIFY_QUOTED(missing, E_POINTER));
    EXPECT_FALSE(VTR_VERIFY(++calls < 0, E_INVALIDARG));
    EXPECT_FALSE(VTR_VERIFY_TEXT(++calls < 0, "pIn && pTag", E_INVALIDARG));
    // As an operand of && the second check runs only when the first holds.
    EXPECT_FALSE(VTR_VERIFY(++calls < 0, E_FAIL) && VTR_VERIFY(++calls < 0, E_FAIL));
    EXPECT_EQ(calls, 3);
    std::vector<std::string> entries = Entries();
    ASSERT_EQ(entries.size(), 2u * 4u);
    EXPECT_EQ(entries[0], "ERROR - \"missing\"");
    EXPECT_EQ(entries[2], "ERROR - ++calls < 0");
    EXPECT_EQ(entries[4], "ERROR - pIn && pTag");
    EXPECT_EQ(entries[6], "ERROR - ++calls < 0");
}

TEST(CheckMacros, Win32VerifyLogsTheLastErrorOnlyWhenFalse)
{
    int calls = 0;
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_FALSE(VTR_VERIFY_WIN32(++calls == 0));
    EXPECT_TRUE(VTR_VERIFY_WIN32(++calls == 2));
    SetLastError(ERROR_FILE_NOT_FOUND);
    VTR_LOG_LAST_ERROR();
    EXPECT_EQ(calls, 2);
    std::vector<std::string> entries = Entries();
    ASSERT_EQ(entries.size(), 2u * 2u);
    EXPECT_EQ(entries[0].rfind("ERROR - Access is denied.", 0), 0u) << entries[0];
    EXPECT_EQ(entries[2].rfind("ERROR - The system cannot find the file specified.", 0), 0u) << entries[2];
}

TEST(CheckMacros, ErrorsNameTheCheckSiteOrTheGivenPlace)
{
    Reader reader;
    EXPECT_EQ(Thrown([&] { reader.Open(""); }), "\"pName && *pName\" / 80070057");
    int openLine = reader.line;
    EXPECT_FALSE(reader.Store("COutlookAddinRegistry::ReadDWORD", 0));
    int storeLine = reader.line;
    EXPECT_FALSE(VTR_VERIFY_TEXT_AT(false, "IsReserved()", E_UNEXPECTED, "CIPInfo::GetDescription", "x.cpp", 7));
    std::vector<std::string> entries = Entries();
    ASSERT_EQ(entries.size(), 2u * 3u);
    const std::string file = "\ttests\\errors\\CheckMacrosTest.cpp(";
    EXPECT_EQ(entries[1], file + std::to_string(openLine) + ") - Reader::Open");
    EXPECT_EQ(entries[2], "ERROR - value > 0");
    EXPECT_EQ(entries[3], file + std::to_string(storeLine) + ") - COutlookAddinRegistry::ReadDWORD");
    EXPECT_EQ(entries[4], "ERROR - IsReserved()");
    EXPECT_EQ(entries[5], "\tx.cpp(7) - CIPInfo::GetDescription");
}
