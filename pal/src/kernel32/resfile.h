// A module's resources as the resource compiler writes them (windres -O res, the .res format of rc.exe):
// the reader of that format, and the modules that registered theirs. Shared by the resource and version
// functions.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

namespace pal::resources {

struct Entry {
    bool typeIsName = false;
    WORD typeId = 0;
    std::u16string typeName; // upper case, as FindResourceW compares it
    bool nameIsName = false;
    WORD nameId = 0;
    std::u16string name;     // upper case
    WORD language = 0;
    const BYTE* data = nullptr;
    DWORD size = 0;
};

// Reads a .res image, which must start on a DWORD boundary so that its data can be read in place. A fault
// that loses where the next record starts (no leading empty record, a size past the end, a header too small
// or not a whole number of DWORDs) refuses the image: false. A record that is framed but unreadable (a type
// or name without its terminator, a second resource of the same type, name and language) is left out. Each
// fault adds one line to `problems`. Data pointers point into the image.
bool ReadResFile(const void* image, size_t size, std::vector<Entry>& entries, std::vector<std::string>& problems);

// ReadResFile, with each problem written to standard error under `source` (the module file it came from).
bool ReadModuleResources(const std::string& source, const void* image, size_t size, std::vector<Entry>& entries);

// Modules whose resources are registered now.
std::vector<HMODULE> RegisteredModules();

} // namespace pal::resources
