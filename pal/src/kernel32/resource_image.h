// The resource image written by the resource compiler (tools/rc): its parser, and the modules that
// registered one. Shared by the resource and version functions.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

namespace pal::resources {

struct Entry {
    bool typeIsName = false;
    WORD typeId = 0;
    std::u16string typeName; // upper case
    bool nameIsName = false;
    WORD nameId = 0;
    std::u16string name;     // upper case
    WORD language = 0;
    const BYTE* data = nullptr;
    DWORD size = 0;
};

// Reads the directory of an image; false when it is malformed (every offset is checked).
bool ParseImage(const void* image, size_t size, std::vector<Entry>& entries);

// Modules whose resources are registered now.
std::vector<HMODULE> RegisteredModules();

} // namespace pal::resources
