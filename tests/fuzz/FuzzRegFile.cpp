// The registry's text files: whatever the reader accepts must survive writing and reading again unchanged,
// and the written text must be stable.
#include <string>

#include "FuzzSupport.h"
#include "advapi32/regtree.h"

namespace {

bool SameTree(const pal::reg::Key& a, const pal::reg::Key& b)
{
    if (a.name != b.name || a.values.size() != b.values.size() || a.subkeys.size() != b.subkeys.size())
        return false;
    for (size_t i = 0; i < a.values.size(); ++i) {
        const pal::reg::Value& x = a.values[i];
        const pal::reg::Value& y = b.values[i];
        if (x.name != y.name || x.type != y.type || x.data != y.data)
            return false;
    }
    for (auto i = a.subkeys.begin(), j = b.subkeys.begin(); i != a.subkeys.end(); ++i, ++j)
        if (i->first != j->first || !SameTree(*i->second, *j->second))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::u16string rootName = u"HKEY_CURRENT_USER";
    std::string text(reinterpret_cast<const char*>(data), size);
    pal::reg::Key first;
    std::string error;
    if (!pal::reg::ParseRegText(text, rootName, first, error))
        return 0;
    std::string written = pal::reg::FormatRegText(first, rootName);
    pal::reg::Key second;
    if (!pal::reg::ParseRegText(written, rootName, second, error)) {
        std::fprintf(stderr, "written text not read back: %s\n%s\n", error.c_str(), written.c_str());
        FUZZ_ASSERT(false);
    }
    FUZZ_ASSERT(SameTree(first, second));
    FUZZ_ASSERT(pal::reg::FormatRegText(second, rootName) == written);
    return 0;
}
