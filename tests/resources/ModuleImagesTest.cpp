// The pictures built into the add-in module: every icon the ribbon asks for by id, at both sizes the
// ribbon loads, and the About box's banner, read back as Windows reads them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "pal/host.h"
#include "res/resource.h"
#include <windows.h>

namespace {

uint32_t Le(const uint8_t* p, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

class ModuleImages : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::string path = std::string(VANTORA_BIN_DIR) + "/VantoraAddin.so";
        if (std::filesystem::exists(path))
            s_module = LoadLibraryW(pal::ToWindowsPath(path).c_str());
    }
    static void TearDownTestSuite()
    {
        if (s_module)
            FreeLibrary(s_module);
        s_module = nullptr;
    }
    void SetUp() override
    {
        if (!s_module)
            GTEST_SKIP() << "the add-in module is not built";
    }

    static std::string Raw(LPCWSTR type, WORD id)
    {
        HRSRC found = FindResourceW(s_module, MAKEINTRESOURCEW(id), type);
        if (!found)
            return {};
        const char* data = static_cast<const char*>(LockResource(LoadResource(s_module, found)));
        return data ? std::string(data, SizeofResource(s_module, found)) : std::string();
    }

    static HMODULE s_module;
};

HMODULE ModuleImages::s_module = nullptr;

std::vector<WORD> IconIds()
{
    std::vector<WORD> ids = {1023, 1025, 1034, 1035, 1062, 1063, 1066, 1067, 1068, 1069, 1070, 1076, 1081,
                             1083, 1084, 1085, 1086, 1100, 1101, 1102, 1103};
    for (WORD id = 1110; id <= 1143; ++id)
        ids.push_back(id);
    return ids;
}

TEST_F(ModuleImages, EveryIconHasADrawn16And32PixelImage)
{
    for (WORD id : IconIds()) {
        SCOPED_TRACE("icon " + std::to_string(id));
        std::string group = Raw(RT_GROUP_ICON, id);
        ASSERT_GE(group.size(), 6u);
        const auto* g = reinterpret_cast<const uint8_t*>(group.data());
        ASSERT_EQ(Le(g + 2, 2), 1u);
        unsigned count = Le(g + 4, 2);
        ASSERT_EQ(group.size(), 6u + 14 * count);
        std::set<unsigned> sizes;
        for (unsigned i = 0; i < count; ++i) {
            const uint8_t* e = g + 6 + 14 * i;
            unsigned size = e[0];
            sizes.insert(size);
            EXPECT_EQ(e[1], size);
            std::string image = Raw(RT_ICON, WORD(Le(e + 12, 2)));
            ASSERT_EQ(image.size(), Le(e + 8, 4));
            // A 32-bit DIB with its mask (height doubled), as every ribbon picture needs its alpha.
            ASSERT_GE(image.size(), 40u + size * size * 4);
            const auto* dib = reinterpret_cast<const uint8_t*>(image.data());
            EXPECT_EQ(Le(dib, 4), 40u);
            EXPECT_EQ(Le(dib + 4, 4), size);
            EXPECT_EQ(Le(dib + 8, 4), size * 2);
            EXPECT_EQ(Le(dib + 14, 2), 32u);
            EXPECT_EQ(Le(e + 6, 2), 32u);
            // Something is drawn, and not edge to edge: a picture on a transparent ground.
            unsigned opaque = 0, clear = 0;
            for (size_t p = 40; p < 40 + size * size * 4; p += 4)
                (dib[p + 3] == 0xFF ? opaque : dib[p + 3] == 0 ? clear : opaque) += 1;
            EXPECT_GT(opaque, size * size / 20) << size << " px";
            EXPECT_GT(clear, 0u) << size << " px";
        }
        EXPECT_EQ(sizes, (std::set<unsigned>{16, 32}));
    }
}

TEST_F(ModuleImages, BusyFramesTurn)
{
    // Each frame of the animation differs from the one before it, the last from the first too.
    std::vector<std::string> frames;
    for (WORD id = IDI_BUSY_FIRST; id < IDI_BUSY_FIRST + IDI_BUSY_FRAMES; ++id) {
        std::string group = Raw(RT_GROUP_ICON, id);
        ASSERT_GE(group.size(), 20u);
        frames.push_back(Raw(RT_ICON, WORD(Le(reinterpret_cast<const uint8_t*>(group.data()) + 6 + 12, 2))));
    }
    EXPECT_EQ(IDI_BUSY_FIRST + IDI_BUSY_FRAMES - 1, 1135);
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_NE(frames[i], frames[(i + 1) % frames.size()]) << "frame " << i;
}

TEST_F(ModuleImages, BannerIsADibAsWideAsTheAboutBox)
{
    std::string bitmap = Raw(RT_BITMAP, IDB_BANNER);
    ASSERT_GE(bitmap.size(), 40u);
    const auto* h = reinterpret_cast<const uint8_t*>(bitmap.data());
    ASSERT_EQ(Le(h, 4), 40u) << "no file header, a BITMAPINFOHEADER first";
    uint32_t width = Le(h + 4, 4);
    int32_t height = int32_t(Le(h + 8, 4));
    // 321 dialog units at the dialog font's 6 pixels per 4 units.
    EXPECT_EQ(width, 482u);
    EXPECT_EQ(height < 0 ? -height : height, 64);
    EXPECT_EQ(Le(h + 12, 2), 1u);
    unsigned bits = Le(h + 14, 2);
    ASSERT_TRUE(bits == 24 || bits == 32) << bits;
    EXPECT_EQ(Le(h + 16, 4), 0u) << "uncompressed";
    size_t stride = (width * bits / 8 + 3) & ~size_t(3);
    EXPECT_GE(bitmap.size(), 40 + stride * 64);
}

} // namespace
