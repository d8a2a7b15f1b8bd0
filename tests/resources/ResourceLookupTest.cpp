// FindResourceW and the functions over it on small scripts compiled with windres and registered as a module
// of the test's own: names, numbers and languages as Windows looks them up, file resources as the compiler
// stores them, and a damaged .res, which the module is refused or loses one entry of, saying so.
#include <gtest/gtest.h>

#include <string>

#include "support/ResourceScript.h"
#include "support/TestPrefix.h"
#include <windows.h>

namespace {

class ResourceLookupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = testing_support::Prefix() + "/lookup-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }

    void Load(const std::string& script)
    {
        testing_support::WriteFile(m_dir + "/app.rc", script);
        std::string messages;
        ASSERT_TRUE(m_resources.Compile(m_dir, "app.rc", messages)) << messages;
        ASSERT_TRUE(m_resources.Register());
    }

    HMODULE Module() { return m_resources.Module(); }

    std::u16string String(UINT id)
    {
        const WCHAR* text = nullptr;
        int n = LoadStringW(Module(), id, reinterpret_cast<LPWSTR>(&text), 0);
        return n > 0 ? std::u16string(text, size_t(n)) : std::u16string();
    }

    std::string Raw(LPCWSTR type, LPCWSTR name)
    {
        HRSRC found = FindResourceW(Module(), name, type);
        if (!found)
            return "<missing>";
        const char* data = static_cast<const char*>(LockResource(LoadResource(Module(), found)));
        return std::string(data, SizeofResource(Module(), found));
    }

    std::string m_dir;
    testing_support::ResourceScript m_resources;
};

TEST_F(ResourceLookupTest, LanguagesAreChosenPerBlock)
{
    Load("LANGUAGE 9, 1\nSTRINGTABLE BEGIN 1 \"on\" END\n"
         "LANGUAGE 7, 1\nSTRINGTABLE BEGIN 1 \"an\" 2 \"auch\" 40 \"nur deutsch\" END\n");
    EXPECT_EQ(String(1), u"on"); // en-US comes first
    HRSRC german = FindResourceExW(Module(), RT_STRING, MAKEINTRESOURCEW(1), 0x0407);
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(SizeofResource(Module(), german) % 2, 0u);
    EXPECT_EQ(FindResourceExW(Module(), RT_STRING, MAKEINTRESOURCEW(1), 0x040C), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_LANG_NOT_FOUND));
    // The en-US block has no string 2, and the German one is not consulted; a block only in German is found.
    EXPECT_EQ(String(2), u"");
    EXPECT_EQ(String(40), u"nur deutsch");

    EXPECT_EQ(FindResourceW(Module(), MAKEINTRESOURCEW(9), RT_STRING), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceW(Module(), MAKEINTRESOURCEW(1), RT_DIALOG), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND));
}

TEST_F(ResourceLookupTest, FileResourcesByNumberAndName)
{
    testing_support::WriteFile(m_dir + "/script.rgs", "HKCR { }\n");
    testing_support::WriteFile(m_dir + "/data.bin", std::string("\x00\x01\x02\xFF", 4));
    // A 1x1 bitmap file: the 14-byte file header, then the DIB, which is what the module holds.
    std::string dib = std::string("\x28\0\0\0\1\0\0\0\1\0\0\0\1\0\x18\0", 16) + std::string(24, '\0') + "\xFF\0\0\0";
    testing_support::WriteFile(m_dir + "/pic.bmp", std::string("BM", 2) + std::string(12, '\0') + dib);
    Load("101 REGISTRY \"script.rgs\"\n"
         "1 TYPELIB \"data.bin\"\n"
         "Settings RCDATA BEGIN 0x4241, \"CD\", 1L END\n"
         "105 BITMAP \"pic.bmp\"\n");
    EXPECT_EQ(Raw(W("REGISTRY"), MAKEINTRESOURCEW(101)), "HKCR { }\n");
    EXPECT_EQ(Raw(W("registry"), W("#101")), "HKCR { }\n"); // types ignore case; "#n" is number n
    EXPECT_EQ(Raw(W("TYPELIB"), MAKEINTRESOURCEW(1)), std::string("\x00\x01\x02\xFF", 4));
    EXPECT_EQ(Raw(RT_RCDATA, W("settings")), std::string("ABCD\x01\0\0\0", 8));
    EXPECT_EQ(Raw(RT_BITMAP, MAKEINTRESOURCEW(105)), dib);
    EXPECT_EQ(Raw(RT_RCDATA, W("SETTING")), "<missing>");
}

TEST_F(ResourceLookupTest, ADamagedFileIsRefusedOrLosesTheBadEntry)
{
    Load("1 RCDATA BEGIN \"first\" END\n2 RCDATA BEGIN \"second\" END\n");
    std::string image = m_resources.Image();
    size_t second = image.find("second");
    ASSERT_NE(second, std::string::npos);

    // The second record claims more data than there is: the whole image is refused.
    std::string lying = image;
    size_t record = image.rfind(std::string("\xFF\xFF\x0A\x00\xFF\xFF\x02\x00", 8), second) - 8;
    lying[record + 1] = '\x10';
    testing_support::ResourceScript refused;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(refused.Register(lying));
    std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BAD_FORMAT));
    EXPECT_NE(log.find("vantora: resources of module "), std::string::npos) << log;
    EXPECT_NE(log.find("past the end of the file"), std::string::npos) << log;
    EXPECT_NE(log.find("refused, the module has none"), std::string::npos) << log;
    EXPECT_EQ(FindResourceW(refused.Module(), MAKEINTRESOURCEW(1), RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));

    // The second record's name loses its ordinal mark and runs to the end of its header: it alone is left out.
    std::string unnamed = image;
    for (size_t at = record + 12; at < record + 32; ++at)
        unnamed[at] = 'N';
    testing_support::ResourceScript partial;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(partial.Register(unnamed));
    log = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("do not fit in its header of 32 bytes; left out"), std::string::npos) << log;
    HRSRC first = FindResourceW(partial.Module(), MAKEINTRESOURCEW(1), RT_RCDATA);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(LockResource(LoadResource(partial.Module(), first))), 5), "first");
    EXPECT_EQ(FindResourceW(partial.Module(), MAKEINTRESOURCEW(2), RT_RCDATA), nullptr);
}

} // namespace
