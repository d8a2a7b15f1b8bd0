// Icons from a module's resources: an icon file with a 16-pixel 32-bit DIB image, a 32-pixel PNG image
// and a 48-pixel paletted image with a mask goes through windres into a module of the test's own;
// LoadImageW picks and scales, GetIconInfo hands out bitmaps the caller deletes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "GdiTestUtil.h"
#include "pal/gdi.h"
#include "support/ResourceScript.h"
#include "support/TestPrefix.h"

namespace {

void Put(std::string& s, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        s += char((v >> (8 * i)) & 0xFF);
}

std::string DibHeader(int size, int bitCount, int colours)
{
    std::string h;
    Put(h, 40, 4);
    Put(h, uint32_t(size), 4);
    Put(h, uint32_t(size * 2), 4);
    Put(h, 1, 2);
    Put(h, uint32_t(bitCount), 2);
    Put(h, 0, 4);
    Put(h, 0, 4);
    Put(h, 0, 4);
    Put(h, 0, 4);
    Put(h, uint32_t(colours), 4);
    Put(h, 0, 4);
    return h;
}

// 16 pixels, opaque red with alpha 0 in the top-left quadrant (rows are stored bottom-up).
std::string Red16()
{
    std::string d = DibHeader(16, 32, 0);
    for (int row = 15; row >= 0; --row)
        for (int x = 0; x < 16; ++x)
            Put(d, row < 8 && x < 8 ? 0x00000000u : 0xFFFF0000u, 4);
    d += std::string(16 * 4, '\0'); // mask rows, ignored as the image has alpha
    return d;
}

// 48 pixels, palette of two: green, with the mask's left half set (transparent).
std::string Green48()
{
    std::string d = DibHeader(48, 1, 2);
    Put(d, 0x0000C000, 4); // index 0: green
    Put(d, 0x00000000, 4);
    std::string row(8, '\0'); // 48 bits padded to 64
    for (int y = 0; y < 48; ++y)
        d += row;
    std::string mask(8, '\0');
    mask[0] = mask[1] = mask[2] = char(0xFF);
    for (int y = 0; y < 48; ++y)
        d += mask;
    return d;
}

// 32 pixels of half-transparent blue, as a PNG written through an OLE picture.
std::string BluePng()
{
    gdi_test::Canvas canvas(32, 32);
    canvas.Fill(RGB(0, 0, 0));
    // The caller's own writes into the bits: premultiplied 50% blue.
    for (int i = 0; i < 32 * 32; ++i)
        canvas.Bits()[i] = 0x80000080u;
    SelectObject(canvas.dc(), GetStockObject(SYSTEM_FONT));
    PICTDESC desc{sizeof(PICTDESC), PICTYPE_BITMAP, {}};
    desc.bmp.hbitmap = canvas.bitmap();
    IPicture* picture = nullptr;
    EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_IPicture, FALSE, reinterpret_cast<void**>(&picture)), S_OK);
    std::string path = testing_support::Prefix() + "/blue.png";
    EXPECT_EQ(pal::PictureToPng(picture, path.c_str()), S_OK);
    picture->Release();
    return testing_support::ReadFile(path);
}

std::string IconFile(const std::vector<std::pair<int, std::string>>& images)
{
    std::string dir, data;
    Put(dir, 0, 2);
    Put(dir, 1, 2);
    Put(dir, uint32_t(images.size()), 2);
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (const auto& [size, bytes] : images) {
        dir += char(size);
        dir += char(size);
        dir += '\0';
        dir += '\0';
        Put(dir, 1, 2);
        Put(dir, 32, 2);
        Put(dir, uint32_t(bytes.size()), 4);
        Put(dir, offset, 4);
        offset += uint32_t(bytes.size());
        data += bytes;
    }
    return dir + data;
}

class IconTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string dir = testing_support::Prefix() + "/icons";
        std::filesystem::create_directories(dir);
        testing_support::WriteFile(dir + "/three.ico", IconFile({{16, Red16()}, {32, BluePng()}, {48, Green48()}}));
        testing_support::WriteFile(dir + "/bad.ico", IconFile({{16, std::string(60, 'x')}}));
        testing_support::WriteFile(dir + "/app.rc", "1100 ICON \"three.ico\"\n1101 ICON \"bad.ico\"\n");
        s_resources = new testing_support::ResourceScript;
        std::string messages;
        ASSERT_TRUE(s_resources->Compile(dir, "app.rc", messages)) << messages;
        ASSERT_TRUE(s_resources->Register());
    }
    static void TearDownTestSuite()
    {
        delete s_resources;
        s_resources = nullptr;
    }
    static HINSTANCE Module() { return s_resources->Module(); }

    void SetUp() override { m_live = pal::LiveGdiObjects(); }
    void TearDown() override { EXPECT_EQ(pal::LiveGdiObjects(), m_live); }

    // The icon's colour bitmap pixels through an OLE picture; the mask's too.
    static std::vector<uint32_t> Pixels(HICON icon, LONG* side, std::vector<uint32_t>* mask = nullptr)
    {
        ICONINFO info{};
        EXPECT_TRUE(GetIconInfo(icon, &info));
        EXPECT_TRUE(info.fIcon);
        std::vector<uint32_t> pixels;
        for (HBITMAP b : {info.hbmColor, info.hbmMask}) {
            PICTDESC desc{sizeof(PICTDESC), PICTYPE_BITMAP, {}};
            desc.bmp.hbitmap = b;
            IUnknown* picture = nullptr;
            EXPECT_EQ(OleCreatePictureIndirect(&desc, IID_IUnknown, TRUE, reinterpret_cast<void**>(&picture)), S_OK);
            LONG width = 0, height = 0;
            std::vector<uint32_t> got;
            EXPECT_EQ(pal::PicturePixels(picture, &width, &height, &got), S_OK);
            EXPECT_EQ(width, height);
            *side = width;
            if (b == info.hbmColor)
                pixels = got;
            else if (mask)
                *mask = got;
            picture->Release();
        }
        return pixels;
    }

    size_t m_live = 0;
    static testing_support::ResourceScript* s_resources;
};
testing_support::ResourceScript* IconTest::s_resources = nullptr;

TEST_F(IconTest, PicksTheNearestImage)
{
    struct Case {
        int cx, cy;
        LONG side;
        uint32_t opaquePixel; // at the bottom right
    };
    const Case cases[] = {
        {16, 16, 16, 0xFFFF0000u}, // the 32-bit DIB
        {32, 32, 32, 0x80000080u}, // the PNG, premultiplied
        {48, 48, 48, 0xFF00C000u}, // the paletted DIB
        {40, 40, 40, 0x80000080u}, // nearest is 32 (8 away against 8 for 48: the first wins)
        {20, 20, 20, 0xFFFF0000u}, // 16 scaled up
    };
    for (const Case& c : cases) {
        HICON icon = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(1100), IMAGE_ICON, c.cx, c.cy, 0));
        ASSERT_NE(icon, nullptr) << c.cx;
        LONG side = 0;
        std::vector<uint32_t> mask;
        std::vector<uint32_t> pixels = Pixels(icon, &side, &mask);
        ASSERT_EQ(side, c.side);
        EXPECT_EQ(pixels.back(), c.opaquePixel) << c.cx;
        EXPECT_EQ(mask.back(), 0xFF000000u) << "opaque is clear in the mask, " << c.cx;
        EXPECT_TRUE(DestroyIcon(icon));
        EXPECT_FALSE(DestroyIcon(icon));
    }
}

TEST_F(IconTest, TransparencyComesFromAlphaOrMask)
{
    LONG side = 0;
    std::vector<uint32_t> mask;
    HICON red = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(1100), IMAGE_ICON, 16, 16, 0));
    std::vector<uint32_t> pixels = Pixels(red, &side, &mask);
    EXPECT_EQ(pixels[0], 0u) << "top left quadrant has alpha 0";
    EXPECT_EQ(mask[0], 0xFFFFFFFFu);
    EXPECT_EQ(pixels[15], 0xFFFF0000u);
    DestroyIcon(red);

    HICON green = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(1100), IMAGE_ICON, 48, 48, 0));
    pixels = Pixels(green, &side, &mask);
    EXPECT_EQ(pixels[0], 0u) << "the mask's set bits are transparent";
    EXPECT_EQ(pixels[23], 0u);
    EXPECT_EQ(pixels[24], 0xFF00C000u);
    EXPECT_EQ(mask[24], 0xFF000000u);
    DestroyIcon(green);

    // Size 0 keeps the nearest image's own size unless the default size is asked for.
    HICON own = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(1100), IMAGE_ICON, 0, 0, 0));
    Pixels(own, &side);
    EXPECT_EQ(side, 32);
    DestroyIcon(own);
}

TEST_F(IconTest, MissingAndBrokenIconsFail)
{
    SetLastError(0);
    EXPECT_EQ(LoadImageW(Module(), MAKEINTRESOURCEW(999), IMAGE_ICON, 16, 16, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadImageW(Module(), MAKEINTRESOURCEW(1101), IMAGE_ICON, 16, 16, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
    EXPECT_EQ(LoadImageW(Module(), MAKEINTRESOURCEW(1100), IMAGE_BITMAP, 16, 16, 0), nullptr);
    EXPECT_EQ(LoadImageW(Module(), MAKEINTRESOURCEW(1100), IMAGE_ICON, -1, 16, 0), nullptr);
    int local = 0;
    EXPECT_EQ(LoadImageW(reinterpret_cast<HINSTANCE>(&local), MAKEINTRESOURCEW(1100), IMAGE_ICON, 16, 16, 0), nullptr);

    ICONINFO info{};
    EXPECT_FALSE(GetIconInfo(nullptr, &info));
    EXPECT_FALSE(GetIconInfo(reinterpret_cast<HICON>(&local), &info));
    HFONT font = gdi_test::UiFont(8);
    EXPECT_FALSE(GetIconInfo(reinterpret_cast<HICON>(font), &info));
    EXPECT_FALSE(DestroyIcon(reinterpret_cast<HICON>(font)));
    EXPECT_TRUE(DeleteObject(font));
    HICON icon = static_cast<HICON>(LoadImageW(Module(), MAKEINTRESOURCEW(1100), IMAGE_ICON, 16, 16, 0));
    EXPECT_FALSE(DeleteObject(icon)) << "an icon goes with DestroyIcon";
    EXPECT_FALSE(GetIconInfo(icon, nullptr));
    EXPECT_TRUE(DestroyIcon(icon));
}

} // namespace
