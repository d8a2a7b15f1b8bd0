// Version information of a module file, read back as the error log's header and the about box do.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "pal/host.h"
#include "support/TestPrefix.h"
#include <windows.h>

namespace {

// The project version as CMakeLists.txt declares it, with the fourth part 0.
std::u16string ProjectVersion()
{
    std::string lists = testing_support::ReadFile(std::string(VANTORA_SOURCE_DIR) + "/CMakeLists.txt");
    std::smatch m;
    if (!std::regex_search(lists, m, std::regex(R"(project\(Vantora VERSION ([0-9]+\.[0-9]+\.[0-9]+)\b)")))
        return u"<no version in CMakeLists.txt>";
    return pal::ToWide(m[1].str() + ".0");
}

std::u16string OwnFile()
{
    WCHAR path[4096];
    DWORD n = GetModuleFileNameW(nullptr, path, 4096);
    return std::u16string(path, n);
}

std::vector<BYTE> VersionBlock(const std::u16string& file)
{
    DWORD handle = 77;
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), &handle);
    EXPECT_EQ(handle, 0u);
    std::vector<BYTE> block(size);
    if (size == 0 || !GetFileVersionInfoW(file.c_str(), 0, size, block.data()))
        block.clear();
    return block;
}

std::u16string Text(const std::vector<BYTE>& block, const char16_t* path)
{
    WCHAR* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), path, reinterpret_cast<void**>(&text), &length) || length == 0)
        return u"<none>";
    return std::u16string(text);
}

void ExpectProjectVersion(const std::vector<BYTE>& block)
{
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(Text(block, W("\\StringFileInfo\\040904E4\\ProductVersion")), ProjectVersion());
    EXPECT_EQ(Text(block, W("\\StringFileInfo\\040904E4\\FileVersion")), ProjectVersion());
    EXPECT_EQ(Text(block, W("\\StringFileInfo\\040904E4\\CompanyName")), u"Vantora");
}

TEST(VersionInfo, OwnModule)
{
    std::vector<BYTE> block = VersionBlock(OwnFile());
    ExpectProjectVersion(block);
    EXPECT_EQ(Text(block, W("\\stringfileinfo\\040904e4\\productname")), u"Vantora Add-In");

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), W("\\"), reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, DWORD(VS_FFI_SIGNATURE));
    WCHAR expected[64];
    swprintf_s(expected, 64, W("%u.%u.%u.%u"), HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
               HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
    EXPECT_EQ(std::u16string(expected), ProjectVersion());

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), W("\\VarFileInfo\\Translation"), reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 0x04E4);

    EXPECT_EQ(Text(block, W("\\StringFileInfo\\040904E4\\NoSuchValue")), u"<none>");
    EXPECT_EQ(Text(block, W("\\StringFileInfo\\040704B0\\ProductVersion")), u"<none>");
}

// A copy of the program is not loaded: its version comes from the resource section of the file.
TEST(VersionInfo, FileThatIsNotLoaded)
{
    std::string copy = testing_support::Prefix() + "/copy-of-test";
    std::filesystem::copy_file(pal::ToUnixPath(OwnFile().c_str()), copy);
    ExpectProjectVersion(VersionBlock(pal::ToWindowsPath(copy)));

    std::string plain = testing_support::Prefix() + "/plain.txt";
    testing_support::WriteFile(plain, "no resources here");
    EXPECT_EQ(GetFileVersionInfoSizeW(pal::ToWindowsPath(plain).c_str(), nullptr), 0u);
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(GetFileVersionInfoSizeW(W("Z:\\no\\such\\file.dll"), nullptr), 0u);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST(VersionInfo, ShortAndBrokenBlocksStayInside)
{
    std::u16string file = OwnFile();
    DWORD size = GetFileVersionInfoSizeW(file.c_str(), nullptr);
    ASSERT_GT(size, 100u);
    // A copy cut short: the values beyond the cut are simply not found.
    std::vector<BYTE> cut(size, 0xCD);
    ASSERT_TRUE(GetFileVersionInfoW(file.c_str(), 0, 100, cut.data()));
    EXPECT_EQ(Text(cut, W("\\VarFileInfo\\Translation")), u"<none>");

    // The block states its own length (the API has no other); within it, every length is distrusted.
    std::vector<BYTE> junk(64, 0xFF);
    junk[0] = 64;
    junk[1] = 0;
    void* value = nullptr;
    UINT length = 0;
    EXPECT_FALSE(VerQueryValueW(junk.data(), W("\\StringFileInfo"), &value, &length));
    std::vector<BYTE> zero(64, 0);
    EXPECT_FALSE(VerQueryValueW(zero.data(), W("\\"), &value, &length));
    EXPECT_FALSE(VerQueryValueW(nullptr, W("\\"), &value, &length));
}

} // namespace
