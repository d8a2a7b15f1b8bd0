// The .res reader: any input is refused or read into entries that lie inside it. An input read without a
// problem is then registered as a module's resources and its strings, icons and version information are
// looked up, as the add-in looks them up, so that lying counts inside the data are reached too.
#include <cstring>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "kernel32/resfile.h"

namespace {

int g_module; // its address is the module handle

HMODULE Module() { return reinterpret_cast<HMODULE>(&g_module); }

void LookUp(const pal::resources::Entry& e)
{
    if (e.typeIsName || e.nameIsName)
        return;
    if (e.typeId == 6) { // RT_STRING: a block of 16
        for (UINT i = 0; i < 16; ++i) {
            WCHAR text[64];
            LoadStringW(Module(), UINT((e.nameId - 1) * 16) + i, text, 64);
        }
    } else if (e.typeId == 14) { // RT_GROUP_ICON
        for (int side : {0, 16, 32}) {
            HANDLE icon = LoadImageW(Module(), MAKEINTRESOURCEW(e.nameId), IMAGE_ICON, side, side, LR_DEFAULTSIZE);
            if (icon)
                DestroyIcon(static_cast<HICON>(icon));
        }
    } else if (e.typeId == 16 && e.size >= 2) { // RT_VERSION, read within the size it states
        std::vector<BYTE> block(e.data, e.data + e.size);
        WORD stated = WORD(block[0] | (block[1] << 8));
        if (stated > block.size()) {
            block[0] = BYTE(block.size());
            block[1] = BYTE(block.size() >> 8);
        }
        void* value = nullptr;
        UINT length = 0;
        for (const WCHAR* path : {W("\\"), W("\\VarFileInfo\\Translation"), W("\\StringFileInfo\\040904E4\\FileVersion")})
            VerQueryValueW(block.data(), path, &value, &length);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // On a DWORD boundary, as a module's section is.
    std::vector<uint32_t> aligned(size / 4 + 1);
    if (size)
        std::memcpy(aligned.data(), data, size);
    const BYTE* image = reinterpret_cast<const BYTE*>(aligned.data());

    std::vector<pal::resources::Entry> entries;
    std::vector<std::string> problems;
    bool read = pal::resources::ReadResFile(image, size, entries, problems);
    FUZZ_ASSERT(read || !problems.empty());
    for (const pal::resources::Entry& e : entries)
        FUZZ_ASSERT(e.data >= image && e.size <= size && size_t(e.data - image) <= size - e.size);
    if (!read || !problems.empty())
        return 0;
    FUZZ_ASSERT(PalRegisterModuleResources(Module(), image, DWORD(size)));
    for (const pal::resources::Entry& e : entries)
        LookUp(e);
    PalUnregisterModuleResources(Module(), image);
    return 0;
}
