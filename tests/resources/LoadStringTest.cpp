// LoadStringW and the raw resource functions over the add-in's own resources, which every test program
// carries (the add-in core is linked into it).
#include <gtest/gtest.h>

#include <string>

#include <windows.h>
#include <atlbase.h>
#include "res/resource.h"

namespace {

HMODULE Self() { return _AtlBaseModule.GetResourceInstance(); }

TEST(LoadString, CopiesTerminatesAndTruncates)
{
    WCHAR buffer[64];
    EXPECT_EQ(LoadStringW(Self(), IDS_HTTP_404, buffer, 64), 9);
    EXPECT_EQ(std::u16string(buffer), u"Not Found");

    // A null module is the main program, which is this test program.
    EXPECT_EQ(LoadStringW(nullptr, IDS_PROJNAME, buffer, 64), 12);
    EXPECT_EQ(std::u16string(buffer), u"VantoraAddin");

    for (WCHAR& c : buffer)
        c = u'#';
    EXPECT_EQ(LoadStringW(Self(), IDS_HTTP_404, buffer, 4), 3);
    EXPECT_EQ(std::u16string(buffer), u"Not");
    EXPECT_EQ(buffer[4], u'#');
    EXPECT_EQ(LoadStringW(Self(), IDS_HTTP_404, buffer, 1), 0);
    EXPECT_EQ(buffer[0], 0);
}

TEST(LoadString, ZeroLengthBufferGivesReadOnlyText)
{
    const WCHAR* text = nullptr;
    int n = LoadStringW(Self(), IDS_MSG_CONTAINED_FILE, reinterpret_cast<LPWSTR>(&text), 0);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::u16string(text, size_t(n)),
              u"The selected file is part of a container\nand at current it cannot be saved.");
}

TEST(LoadString, MissingStrings)
{
    WCHAR buffer[16] = u"unchanged";
    // No block at all: the lookup fails with an error.
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadStringW(Self(), 9000, buffer, 16), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(buffer[0], 0);
    // An empty slot of an existing block (1024 shares the block of 1025 to 1039): 0, error untouched.
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadStringW(Self(), 1024, buffer, 16), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(LoadStringW(Self(), IDS_PROJNAME, nullptr, 16), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(LoadStringW(reinterpret_cast<HINSTANCE>(&buffer), IDS_PROJNAME, buffer, 16), 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_DATA_NOT_FOUND));
}

TEST(FindResource, ModuleResources)
{
    HRSRC script = FindResourceW(Self(), MAKEINTRESOURCEW(IDR_CONNECT), W("REGISTRY"));
    ASSERT_NE(script, nullptr);
    std::string text(static_cast<const char*>(LockResource(LoadResource(Self(), script))),
                     SizeofResource(Self(), script));
    EXPECT_NE(text.find("VantoraAddin.Connect"), std::string::npos);
    EXPECT_NE(FindResourceW(Self(), MAKEINTRESOURCEW(IDR_VANTORAADDIN), W("REGISTRY")), nullptr);
    EXPECT_NE(FindResourceW(Self(), MAKEINTRESOURCEW(1), W("TYPELIB")), nullptr);

    HRSRC manifest = FindResourceExW(Self(), RT_MANIFEST, MAKEINTRESOURCEW(2), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    ASSERT_NE(manifest, nullptr);
    std::string xml(static_cast<const char*>(LockResource(LoadResource(Self(), manifest))),
                    SizeofResource(Self(), manifest));
    EXPECT_NE(xml.find("asInvoker"), std::string::npos);
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);

    EXPECT_EQ(FindResourceW(Self(), MAKEINTRESOURCEW(77), W("REGISTRY")), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(FindResourceW(Self(), MAKEINTRESOURCEW(1), W("NOSUCHTYPE")), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND));
    EXPECT_EQ(SizeofResource(Self(), nullptr), 0u);
    EXPECT_EQ(LoadResource(Self(), nullptr), nullptr);
}

} // namespace
