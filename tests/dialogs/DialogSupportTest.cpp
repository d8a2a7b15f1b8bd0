// What the detail dialogs ask of the system besides windows: the rich edit 5.0 library by its Windows
// name, and a temporary folder whose names the C++ library's narrow file streams open as they are.
#include "DialogTestUtil.h"

#include <cstdlib>
#include <fstream>
#include <string>

#include "pal/kernel32.h"

namespace {

TEST(DialogSupport, TheRichEditLibraryLoadsByItsWindowsName)
{
    EXPECT_NE(nullptr, LoadLibraryW(W("Msftedit.dll")));
    EXPECT_NE(nullptr, LoadLibraryW(W("MSFTEDIT.DLL")));
}

TEST(DialogSupport, TheTemporaryFolderEndsInASeparatorAndOpensAsANarrowPath)
{
    std::string saved = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    setenv("TMPDIR", "/tmp/vantora-temp-test", 1);
    WCHAR buffer[MAX_PATH + 1] = {};
    DWORD n = GetTempPathW(MAX_PATH + 1, buffer);
    EXPECT_EQ(u"/tmp/vantora-temp-test/", std::u16string(buffer));
    EXPECT_EQ(23u, n);
    // Too small: the size needed, with the NUL.
    WCHAR small[4] = {};
    EXPECT_EQ(24u, GetTempPathW(4, small));
    EXPECT_EQ(24u, GetTempPathW(0, nullptr));

    unsetenv("TMPDIR");
    n = GetTempPathW(MAX_PATH + 1, buffer);
    EXPECT_EQ(u"/tmp/", std::u16string(buffer, n));
    std::string name = pal::ToUtf8(buffer) + "vantora-temp-path-test.html";
    {
        std::ofstream out(name);
        EXPECT_TRUE(out.is_open());
    }
    std::u16string wide = pal::ToWide(name);
    EXPECT_EQ(0, _waccess(reinterpret_cast<const WCHAR*>(wide.c_str()), 0)) << "the layer's wide calls find it";
    std::remove(name.c_str());
    if (!saved.empty())
        setenv("TMPDIR", saved.c_str(), 1);
}

} // namespace
