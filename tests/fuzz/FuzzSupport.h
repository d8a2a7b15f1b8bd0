// Shared pieces of the fuzz targets: a private prefix for the process (registry files and error log), and
// the ways an input's bytes become text.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "__Utilities/ErrorLog.h"
#include "pal/host.h"

namespace fuzz {

// Stops the target at once: libFuzzer saves the input that got here as a crash.
#define FUZZ_ASSERT(cond)                                                                   \
    do {                                                                                    \
        if (!(cond)) {                                                                      \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                                   \
        }                                                                                   \
    } while (0)

// A fresh prefix under a memory-backed folder when there is one (registry writes sync their files), removed
// when the process ends.
inline const std::string& Prefix()
{
    // Never destroyed: the exit handler below still needs it.
    static const std::string& path = *new std::string([] {
        const char* shm = "/dev/shm";
        std::string base = std::filesystem::is_directory(shm) ? shm : std::filesystem::temp_directory_path().string();
        std::string dir = base + "/vantora-fuzz-XXXXXX";
        if (!mkdtemp(dir.data()))
            std::abort();
        setenv("VANTORA_PREFIX", dir.c_str(), 1);
        pal::SetPrefixPath(dir);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(Prefix(), ec);
        });
        return dir;
    }());
    return path;
}

// The error log grows with every logged fault: it is started afresh now and then, so that long runs stay small.
inline void TrimErrorLog()
{
    static unsigned runs = 0;
    if (++runs % 4096)
        return;
    CErrorLog::Instance().Close();
    std::error_code ec;
    std::filesystem::remove_all(Prefix() + "/AppData", ec);
}

// Input bytes starting with the UTF-16LE byte-order mark are taken as UTF-16 code units (so lone surrogates
// and any other unit can be reached); everything else as UTF-8.
inline std::u16string Text(const uint8_t* data, size_t size)
{
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        std::u16string s;
        for (size_t i = 2; i + 1 < size; i += 2)
            s.push_back(char16_t(data[i] | (data[i + 1] << 8)));
        return s;
    }
    return pal::ToWide(std::string_view(reinterpret_cast<const char*>(data), size));
}

// The text up to its first NUL, as the C-string readers see it.
inline std::u16string CString(std::u16string s)
{
    size_t nul = s.find(u'\0');
    if (nul != std::u16string::npos)
        s.resize(nul);
    return s;
}

} // namespace fuzz
