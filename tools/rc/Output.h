// The resource compiler's back end: packs the resources into one image (a directory of entries, their
// names and their data) and writes it as a C++ source that registers it with the platform layer under
// the load address of the module it is linked into.
#pragma once

#include "Parser.h"

namespace vrc {

// The image read by the platform layer: header "VRS1", entry count, entry offset, total size; entries
// of eight 32-bit fields (type id, type name offset, name id, name offset, language, data offset, data
// size, 0), names as NUL-terminated UTF-16, data aligned to 8 bytes. Little-endian throughout.
std::vector<uint8_t> PackImage(const std::vector<Resource>& resources);

std::string CppSource(const std::vector<uint8_t>& image, const std::string& inputName);

// A make-style dependency file for the build system.
std::string DepFile(const std::string& target, const std::vector<std::string>& files);

} // namespace vrc
