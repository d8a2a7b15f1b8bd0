// CResourceManager: texts by id, HTTP status texts and the help file path, with the error convention.
#include <gtest/gtest.h>

#include <string>

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ErrorLog.h"
#include "__Utilities/ResourceManager.h"
#include "pal/gdi.h"
#include "pal/host.h"
#include "res/resource.h"

namespace {

std::u16string Str(const CComBSTR& b) { return b.m_str ? std::u16string(b.m_str, b.Length()) : std::u16string(); }
std::u16string Log() { return Str(CErrorLog::Instance().ReadAll()); }

TEST(ResourceManager, GetTextFindsAndMisses)
{
    CResourceManager& rm = CResourceManager::Instance();
    EXPECT_EQ(&rm, &CResourceManager::Instance());
    EXPECT_EQ(Str(rm.GetText(IDS_PROJNAME)), u"VantoraAddin");
    EXPECT_EQ(Str(rm.GetText(IDS_LINK_STATUS)), u"Status :\t\t");

    // Missing strings, with and without their block, and a stale error from an earlier call: empty
    // texts, nothing thrown, nothing logged.
    SetLastError(ERROR_ACCESS_DENIED);
    CComBSTR slot = rm.GetText(1024);
    EXPECT_NE(slot.m_str, nullptr);
    EXPECT_EQ(slot.Length(), 0u);
    EXPECT_EQ(Str(rm.GetText(9000)), u"");
    EXPECT_EQ(Str(rm.GetText(0x10000 + IDS_PROJNAME)), u""); // would wrap onto 100 as a 16-bit id
    EXPECT_EQ(Log(), u"");
}

TEST(ResourceManager, GetTextRejectsIdsBelowOne)
{
    for (int id : {0, -5}) {
        try {
            CResourceManager::Instance().GetText(id);
            ADD_FAILURE() << "no error for id " << id;
        } catch (const CErrorInfo& e) {
            EXPECT_EQ(e.GetCode(), E_INVALIDARG);
            EXPECT_EQ(std::u16string(e.GetText()), u"\"Id > 0\"");
        }
    }
    std::u16string log = Log();
    EXPECT_NE(log.find(u"ERROR - \"Id > 0\"\n"), std::u16string::npos) << pal::ToUtf8(log);
    EXPECT_NE(log.find(u"CResourceManager::GetText"), std::u16string::npos) << pal::ToUtf8(log);
}

TEST(ResourceManager, HttpStatusTexts)
{
    CResourceManager& rm = CResourceManager::Instance();
    EXPECT_EQ(Str(rm.GetHttpStatusText(404)), u"404 Not Found");
    EXPECT_EQ(Str(rm.GetHttpStatusText(400)), u"400 Bad Request");
    EXPECT_EQ(Str(rm.GetHttpStatusText(418)), u"418 I'm a teapot");
    EXPECT_EQ(Str(rm.GetHttpStatusText(451)), u"451 Unavailable For Legal Reasons");
    EXPECT_EQ(Str(rm.GetHttpStatusText(511)), u"511 Network Authentication Required");
    EXPECT_EQ(Str(rm.GetHttpStatusText(420)), u"420");
    EXPECT_EQ(Str(rm.GetHttpStatusText(499)), u"499");
    EXPECT_EQ(Str(rm.GetHttpStatusText(200)), u"200");
    EXPECT_EQ(Str(rm.GetHttpStatusText(-1)), u"-1");
}

TEST(ResourceManager, HelpFileBesideTheModule)
{
    std::u16string help = Str(CResourceManager::Instance().GetHelpFile());
    WCHAR module[4096];
    DWORD n = GetModuleFileNameW(_AtlBaseModule.GetResourceInstance(), module, 4096);
    ASSERT_GT(n, 0u);
    std::u16string folder(module, n);
    folder.erase(folder.find_last_of(u'\\') + 1);
    EXPECT_EQ(help, folder + u"Help.pdf");
    ASSERT_GT(help.size(), 9u);
    EXPECT_EQ(help.substr(help.size() - 9), u"\\Help.pdf");
    EXPECT_EQ(help.substr(0, 3), u"Z:\\");
}

} // namespace

TEST(ResourceManager, PicturesAreCachedByIdAlone)
{
    CResourceManager& resources = CResourceManager::Instance();
    CComPtr<IPictureDisp> large = resources.GetImage(IDI_STATUS_OK, true);
    ASSERT_TRUE(large);
    LONG width = 0, height = 0;
    std::vector<uint32_t> pixels;
    ASSERT_EQ(S_OK, pal::PicturePixels(large, &width, &height, &pixels));
    EXPECT_EQ(32, width);
    // The same id at the other size is the first picture, as the cache is keyed by id.
    CComPtr<IPictureDisp> small = resources.GetImage(IDI_STATUS_OK, false);
    EXPECT_EQ(large.p, small.p);
    CComPtr<IPictureDisp> other = resources.GetImage(IDI_STATUS_DANGER, false);
    ASSERT_EQ(S_OK, pal::PicturePixels(other, &width, &height, &pixels));
    EXPECT_EQ(16, width);
    // An id without an icon is the system's error, thrown.
    EXPECT_THROW(resources.GetImage(4242, true), CErrorInfo);
    EXPECT_THROW(resources.GetIcon(0, 16), CErrorInfo);
}

TEST(ResourceManager, IconsAtMultiplesOf16OrTheDefaultSize)
{
    CResourceManager& resources = CResourceManager::Instance();
    for (int size : {16, 32, 48}) {
        HICON icon = resources.GetIcon(IDI_HELP, size);
        ASSERT_NE(nullptr, icon) << size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        PICTDESC desc = {};
        desc.cbSizeofstruct = sizeof(desc);
        desc.picType = PICTYPE_BITMAP;
        desc.bmp.hbitmap = info.hbmColor;
        CComPtr<IPictureDisp> picture;
        ASSERT_EQ(S_OK, OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(&picture)));
        LONG width = 0, height = 0;
        std::vector<uint32_t> pixels;
        ASSERT_EQ(S_OK, pal::PicturePixels(picture, &width, &height, &pixels));
        EXPECT_EQ(size, width);
        EXPECT_EQ(size, height);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}

TEST(ResourceManager, TheTwoInterfaceFontsAreCachedAndDiffer)
{
    CResourceManager& resources = CResourceManager::Instance();
    HFONT normal = resources.GetUIFont(false);
    HFONT bold = resources.GetUIFont(true);
    ASSERT_NE(nullptr, normal);
    ASSERT_NE(nullptr, bold);
    EXPECT_NE(normal, bold);
    EXPECT_EQ(normal, resources.GetUIFont(false));
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bold);
    RECT boldRect = {0, 0, 0, 0};
    DrawTextW(dc, u"Test", -1, &boldRect, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, normal);
    RECT normalRect = {0, 0, 0, 0};
    DrawTextW(dc, u"Test", -1, &normalRect, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    // 9 points bold is taller and wider than 8 points.
    EXPECT_GT(boldRect.bottom, normalRect.bottom);
    EXPECT_GT(boldRect.right, normalRect.right);
}
