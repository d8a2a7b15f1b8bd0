// The add-in module carries its own copy of the resources, registered under its own load address.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <atlbase.h>
#include "pal/host.h"
#include "res/resource.h"

namespace {

TEST(ModuleResources, AddinModuleAnswersUnderItsOwnHandle)
{
    std::string path = std::string(VANTORA_BIN_DIR) + "/VantoraAddin.so";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "the add-in module is not built";
    std::u16string file = pal::ToWindowsPath(path);

    // Not loaded yet: the version comes from the file.
    DWORD before = GetFileVersionInfoSizeW(file.c_str(), nullptr);
    EXPECT_GT(before, 0u);

    HMODULE module = LoadLibraryW(file.c_str());
    ASSERT_NE(module, nullptr);
    EXPECT_NE(module, _AtlBaseModule.GetResourceInstance());
    WCHAR text[32];
    EXPECT_EQ(LoadStringW(module, IDS_HTTP_429, text, 32), 17);
    EXPECT_EQ(std::u16string(text), u"Too Many Requests");
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(IDR_CONNECT), W("REGISTRY")), nullptr);
    EXPECT_EQ(GetFileVersionInfoSizeW(file.c_str(), nullptr), before);
    FreeLibrary(module);
}

} // namespace
