// Version information (version.dll): the VS_VERSIONINFO resource of a module. A loaded module answers
// from its registered resources; a module file that is not loaded is read from its resource section.
#include <elf.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "kernel32/resfile.h"
#include "pal/host.h"
#include "winver.h"

namespace {

std::string Canonical(const std::string& path)
{
    char real[PATH_MAX];
    return realpath(path.c_str(), real) ? std::string(real) : path;
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool SameNameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The registered module whose file is `file`; a bare file name matches by name.
HMODULE LoadedModule(const std::string& file)
{
    bool bare = file.find('/') == std::string::npos;
    std::string wanted = bare ? file : Canonical(file);
    for (HMODULE module : pal::resources::RegisteredModules()) {
        WCHAR buf[4096];
        DWORD n = GetModuleFileNameW(module, buf, 4096);
        if (n == 0 || n >= 4096)
            continue;
        std::string path = Canonical(pal::ToUnixPath(buf));
        if (bare ? SameNameIgnoringCase(BaseName(path), wanted) : path == wanted)
            return module;
    }
    return nullptr;
}

// The resource section of an ELF file that is not loaded: the .res image the module links in.
bool ReadResourceSection(const std::string& file, std::vector<BYTE>& section)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return false;
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof(Elf64_Ehdr) || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0 ||
        bytes[EI_CLASS] != ELFCLASS64)
        return false;
    Elf64_Ehdr header;
    std::memcpy(&header, bytes.data(), sizeof(header));
    if (header.e_shentsize != sizeof(Elf64_Shdr) || header.e_shoff > bytes.size() ||
        header.e_shnum > (bytes.size() - header.e_shoff) / sizeof(Elf64_Shdr) || header.e_shstrndx >= header.e_shnum)
        return false;
    auto sectionAt = [&](size_t i) {
        Elf64_Shdr s;
        std::memcpy(&s, bytes.data() + header.e_shoff + i * sizeof(Elf64_Shdr), sizeof(s));
        return s;
    };
    Elf64_Shdr names = sectionAt(header.e_shstrndx);
    if (names.sh_offset > bytes.size() || names.sh_size > bytes.size() - names.sh_offset)
        return false;
    for (size_t i = 0; i < header.e_shnum; ++i) {
        Elf64_Shdr s = sectionAt(i);
        if (s.sh_name >= names.sh_size || s.sh_type == SHT_NOBITS)
            continue;
        const char* name = bytes.data() + names.sh_offset + s.sh_name;
        size_t room = names.sh_size - s.sh_name;
        if (strnlen(name, room) == room || std::strcmp(name, ".vantora_rsrc") != 0)
            continue;
        if (s.sh_offset > bytes.size() || s.sh_size > bytes.size() - s.sh_offset)
            return false;
        section.assign(bytes.begin() + long(s.sh_offset), bytes.begin() + long(s.sh_offset + s.sh_size));
        return true;
    }
    return false;
}

// The version resource of the file, copied.
bool VersionResource(LPCWSTR filename, std::vector<BYTE>& out)
{
    if (!filename || !*filename) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::string file = pal::ToUnixPath(filename);
    if (HMODULE module = LoadedModule(file)) {
        HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
        if (!found)
            return false;
        const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        out.assign(data, data + SizeofResource(module, found));
        return true;
    }
    std::vector<BYTE> section;
    if (!ReadResourceSection(file, section)) {
        std::ifstream probe(file);
        SetLastError(probe ? ERROR_RESOURCE_DATA_NOT_FOUND : ERROR_FILE_NOT_FOUND);
        return false;
    }
    std::vector<pal::resources::Entry> entries;
    if (!pal::resources::ReadModuleResources(file, section.data(), section.size(), entries)) {
        SetLastError(ERROR_BAD_FORMAT);
        return false;
    }
    for (const auto& e : entries)
        if (!e.typeIsName && e.typeId == 16) {
            out.assign(e.data, e.data + e.size);
            return true;
        }
    SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return false;
}

WORD Word(const BYTE* p) { return WORD(p[0] | (p[1] << 8)); }

// One node of the VS_VERSIONINFO tree, read within [begin, limit) of the block.
struct Node {
    size_t start = 0, end = 0;     // the node, offsets in the block
    size_t value = 0, valueBytes = 0;
    WORD valueLength = 0, type = 0;
    std::u16string key;
    size_t children = 0;           // offset of the first child

    bool Read(const BYTE* block, size_t at, size_t limit)
    {
        if (at % 4 || limit < at || limit - at < 6)
            return false;
        WORD length = Word(block + at);
        if (length < 6 || length > limit - at)
            return false;
        start = at;
        end = at + length;
        valueLength = Word(block + at + 2);
        type = Word(block + at + 4);
        size_t p = at + 6;
        for (;; p += 2) {
            if (p + 2 > end)
                return false;
            WORD c = Word(block + p);
            if (c == 0)
                break;
            key += char16_t(c);
        }
        value = (p + 2 + 3) & ~size_t(3);
        valueBytes = type == 1 ? size_t(valueLength) * 2 : valueLength;
        if (value > end || valueBytes > end - value) {
            // a text value's count may include padding that the block does not have; clamp it
            if (value > end)
                value = end;
            valueBytes = end - value;
        }
        children = (value + valueBytes + 3) & ~size_t(3);
        return true;
    }
};

bool EqualIgnoringCase(const std::u16string& a, const std::u16string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i] >= u'a' && a[i] <= u'z' ? char16_t(a[i] - 32) : a[i];
        char16_t y = b[i] >= u'a' && b[i] <= u'z' ? char16_t(b[i] - 32) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

extern "C" DWORD GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle)
{
    if (lpdwHandle)
        *lpdwHandle = 0;
    std::vector<BYTE> data;
    if (!VersionResource(lptstrFilename, data))
        return 0;
    return DWORD(data.size());
}

extern "C" BOOL GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData)
{
    if (!lpData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<BYTE> data;
    if (!VersionResource(lptstrFilename, data))
        return FALSE;
    size_t n = std::min<size_t>(dwLen, data.size());
    std::memcpy(lpData, data.data(), n);
    if (n < data.size() && n >= 2) { // a short copy states its own length, so readers stay inside it
        static_cast<BYTE*>(lpData)[0] = BYTE(n);
        static_cast<BYTE*>(lpData)[1] = BYTE(n >> 8);
    }
    return TRUE;
}

extern "C" BOOL VerQueryValueW(LPCVOID pBlock, LPCWSTR lpSubBlock, LPVOID* lplpBuffer, PUINT puLen)
{
    if (puLen)
        *puLen = 0;
    if (!pBlock || !lpSubBlock || !lplpBuffer) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *lplpBuffer = nullptr;
    const BYTE* block = static_cast<const BYTE*>(pBlock);
    Node node;
    if (!node.Read(block, 0, Word(block))) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    const WCHAR* p = lpSubBlock;
    for (;;) {
        while (*p == u'\\')
            ++p;
        if (!*p)
            break;
        std::u16string part;
        while (*p && *p != u'\\')
            part += *p++;
        bool found = false;
        for (size_t at = node.children; at + 6 <= node.end;) {
            Node child;
            if (!child.Read(block, at, node.end))
                break;
            if (EqualIgnoringCase(child.key, part)) {
                node = child;
                found = true;
                break;
            }
            at = (child.end + 3) & ~size_t(3);
        }
        if (!found) {
            SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
            return FALSE;
        }
    }
    if (node.start == 0 && node.valueBytes == 0) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return FALSE;
    }
    static const WCHAR empty[1] = {0};
    *lplpBuffer = node.valueBytes ? static_cast<void*>(const_cast<BYTE*>(block + node.value))
                                  : static_cast<void*>(const_cast<WCHAR*>(empty));
    if (puLen)
        *puLen = node.type == 1 ? UINT(node.valueBytes / 2) : UINT(node.valueBytes);
    return TRUE;
}
