// The registry's in-memory tree, its .reg text form, and the files that hold one root each.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "windows.h"

namespace pal::reg {

// Key and value names compare without case, as on Windows: by code units upcased with the layer's one
// locale-free table (pal/unicode.h), the table the wide string functions fold with too.
char16_t FoldCase(char16_t c);
int CompareNames(std::u16string_view a, std::u16string_view b);
struct NameLess {
    bool operator()(const std::u16string& a, const std::u16string& b) const { return CompareNames(a, b) < 0; }
};

struct Value {
    std::u16string name; // empty: the key's default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct Key {
    std::u16string name;
    std::vector<Value> values; // in the order they were first written
    std::map<std::u16string, std::unique_ptr<Key>, NameLess> subkeys;

    Key* Find(const std::u16string& child) const;
    Key* Walk(const std::vector<std::u16string>& path) const;
    Key& Ensure(const std::u16string& child, bool* created = nullptr);
    Value* FindValue(std::u16string_view valueName);
    const Value* FindValue(std::u16string_view valueName) const;
    // Returns false when the value already held exactly this type and data.
    bool SetValue(std::u16string_view valueName, DWORD type, const BYTE* data, size_t size);
    bool DeleteValue(std::u16string_view valueName);
    std::shared_ptr<Key> Clone() const;
};

// Parses a whole file of the export format for the root named rootName ("HKEY_LOCAL_MACHINE").
// Returns false with a one-line reason (and line number) when the text is malformed.
bool ParseRegText(const std::string& text, const std::u16string& rootName, Key& root, std::string& error);
std::string FormatRegText(const Key& root, const std::u16string& rootName);

enum class Hive { Machine, User };
const char16_t* HiveRootName(Hive hive);

// The current content of a hive. Reads never block writers: files are only ever replaced whole.
// On failure returns null and sets status (ERROR_BADDB for a malformed file, an access error otherwise).
std::shared_ptr<const Key> LoadHive(Hive hive, LSTATUS& status);

// Applies a change under the hive's file lock: re-reads the file, runs change on the tree and, when it
// reports success and changed is set, writes the new file beside the old one and renames it over.
using Change = LSTATUS (*)(Key& root, void* context, bool& changed);
LSTATUS ModifyHive(Hive hive, Change change, void* context);

template <class F> LSTATUS ModifyHive(Hive hive, F&& f)
{
    return ModifyHive(
        hive, [](Key& root, void* ctx, bool& changed) -> LSTATUS { return (*static_cast<F*>(ctx))(root, changed); },
        &f);
}

} // namespace pal::reg
