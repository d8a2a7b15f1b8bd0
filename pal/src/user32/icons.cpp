// Icons from a module's resources: the RT_GROUP_ICON directory names one RT_ICON per image size and depth;
// LoadImageW takes the one nearest the size asked for, as the system's lookup does, and scales it to that
// size. An icon keeps its pixels; GetIconInfo hands out new bitmaps made from them.
#include <cstdlib>
#include <cstring>

#include "gdi32/objects.h"
#include "user32/icon_image.h"

using namespace pal::gdi;

namespace {

const UINT LR_LOADFROMFILE_FLAG = 0x10;

struct GroupEntry {
    int width, height, bitCount;
    WORD id;
};

std::vector<GroupEntry> ReadGroup(const BYTE* p, DWORD size)
{
    std::vector<GroupEntry> out;
    if (!p || size < 6 || p[2] != 1 || p[3] != 0)
        return out;
    size_t count = p[4] | (p[5] << 8);
    if (size < 6 + count * 14)
        return out;
    for (size_t i = 0; i < count; ++i) {
        const BYTE* e = p + 6 + i * 14;
        // A width or height of 0 in the directory means 256.
        out.push_back({e[0] ? e[0] : 256, e[1] ? e[1] : 256, e[6] | (e[7] << 8), WORD(e[12] | (e[13] << 8))});
    }
    return out;
}

// The nearest size first (sum of the differences of the sides), then the depth nearest the screen's.
const GroupEntry* Best(const std::vector<GroupEntry>& entries, int cx, int cy)
{
    const GroupEntry* best = nullptr;
    long bestSize = 0, bestDepth = 0;
    for (const GroupEntry& e : entries) {
        long size = labs(long(e.width) - cx) + labs(long(e.height) - cy);
        long depth = labs(32L - e.bitCount);
        if (!best || size < bestSize || (size == bestSize && depth < bestDepth)) {
            best = &e;
            bestSize = size;
            bestDepth = depth;
        }
    }
    return best;
}

HANDLE Fail(DWORD error)
{
    SetLastError(error);
    return nullptr;
}

const BYTE* ResourceBytes(HINSTANCE module, LPCWSTR name, LPCWSTR type, DWORD& size)
{
    HRSRC found = FindResourceW(module, name, type);
    if (!found)
        return nullptr;
    size = SizeofResource(module, found);
    return static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
}

} // namespace

extern "C" HANDLE LoadImageW(HINSTANCE hInst, LPCWSTR name, UINT type, int cx, int cy, UINT fuLoad)
{
    // Bitmaps and icon files on disk are not needed by anything here.
    if (type != IMAGE_ICON || (fuLoad & LR_LOADFROMFILE_FLAG))
        return Fail(ERROR_NOT_SUPPORTED);
    if (!name || cx < 0 || cy < 0)
        return Fail(ERROR_INVALID_PARAMETER);
    DWORD groupSize = 0;
    const BYTE* group = ResourceBytes(hInst, name, RT_GROUP_ICON, groupSize);
    if (!group)
        return nullptr; // FindResourceW has said why
    std::vector<GroupEntry> entries = ReadGroup(group, groupSize);
    // A side of 0 is looked up at the system's icon size; it then keeps the image's own size unless
    // LR_DEFAULTSIZE asks for the system's.
    int wantX = cx ? cx : GetSystemMetrics(SM_CXICON), wantY = cy ? cy : GetSystemMetrics(SM_CYICON);
    const GroupEntry* best = Best(entries, wantX, wantY);
    if (!best)
        return Fail(ERROR_INVALID_DATA);
    DWORD imageSize = 0;
    const BYTE* image = ResourceBytes(hInst, MAKEINTRESOURCEW(best->id), RT_ICON, imageSize);
    pal::icons::Image decoded;
    if (!image)
        return nullptr;
    if (!pal::icons::Decode(image, imageSize, decoded))
        return Fail(ERROR_INVALID_DATA);
    bool defaultSize = fuLoad & LR_DEFAULTSIZE;
    int width = cx ? cx : defaultSize ? wantX : decoded.width;
    int height = cy ? cy : defaultSize ? wantY : decoded.height;
    if (width > 1024 || height > 1024)
        return Fail(ERROR_INVALID_PARAMETER);
    decoded = pal::icons::Scale(decoded, width, height);
    if (decoded.pixels.empty())
        return Fail(ERROR_NOT_ENOUGH_MEMORY);

    auto icon = std::make_unique<Icon>();
    icon->width = decoded.width;
    icon->height = decoded.height;
    icon->pixels = std::move(decoded.pixels);
    return Insert(std::move(icon));
}

extern "C" BOOL GetIconInfo(HICON hIcon, PICONINFO piconinfo)
{
    std::lock_guard<std::recursive_mutex> guard(Mutex());
    Icon* icon = Get<Icon>(hIcon, Kind::Icon);
    if (!icon || !piconinfo) {
        SetLastError(icon ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::unique_ptr<Bitmap> color = NewBitmap32(icon->width, icon->height);
    if (!color) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    for (int y = 0; y < icon->height; ++y)
        std::memcpy(color->bits + size_t(y) * size_t(color->stride), &icon->pixels[size_t(y) * size_t(icon->width)],
                    size_t(icon->width) * 4);
    cairo_surface_mark_dirty(color->surface);

    auto mask = std::make_unique<Bitmap>();
    mask->width = icon->width;
    mask->height = icon->height;
    mask->bitsPerPixel = 1;
    mask->stride = ((icon->width + 15) / 16) * 2;
    mask->bits = static_cast<BYTE*>(std::calloc(size_t(mask->stride) * size_t(icon->height), 1));
    if (!mask->bits) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    for (int y = 0; y < icon->height; ++y)
        for (int x = 0; x < icon->width; ++x)
            if ((icon->pixels[size_t(y) * size_t(icon->width) + size_t(x)] >> 24) == 0)
                mask->bits[size_t(y) * size_t(mask->stride) + size_t(x / 8)] |= BYTE(0x80 >> (x % 8));

    HGDIOBJ colorHandle = Insert(std::move(color));
    HGDIOBJ maskHandle = colorHandle ? Insert(std::move(mask)) : nullptr;
    if (!maskHandle) {
        Erase(colorHandle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    piconinfo->fIcon = TRUE;
    piconinfo->xHotspot = DWORD(icon->width / 2);
    piconinfo->yHotspot = DWORD(icon->height / 2);
    piconinfo->hbmColor = static_cast<HBITMAP>(colorHandle);
    piconinfo->hbmMask = static_cast<HBITMAP>(maskHandle);
    return TRUE;
}

extern "C" BOOL DestroyIcon(HICON hIcon)
{
    std::lock_guard<std::recursive_mutex> guard(Mutex());
    if (!Get<Icon>(hIcon, Kind::Icon)) {
        const DWORD kInvalidCursorHandle = 1402;
        SetLastError(kInvalidCursorHandle);
        return FALSE;
    }
    Erase(hIcon);
    return TRUE;
}
