// 8-bit text in a Windows code page (an RTF body's \ansicpg), through the system's own tables. A code page
// the system does not have is read as UTF-8 when the bytes are UTF-8, else as Windows-1252, as the Linux
// store reads an unknown charset.
#include "host/store/Message.h"

namespace store {

namespace {

bool Decode(const std::string& bytes, unsigned codePage, DWORD flags, WString& out)
{
    int n = MultiByteToWideChar(codePage, flags, bytes.data(), int(bytes.size()), nullptr, 0);
    if (n <= 0)
        return false;
    out.assign(size_t(n), L'\0');
    return MultiByteToWideChar(codePage, flags, bytes.data(), int(bytes.size()), out.data(), n) == n;
}

} // namespace

WString CodePageToUtf16(const std::string& bytes, unsigned codePage)
{
    WString out;
    if (bytes.empty() || bytes.size() > size_t(INT32_MAX))
        return out;
    if (IsValidCodePage(codePage) && Decode(bytes, codePage, 0, out))
        return out;
    if (Decode(bytes, CP_UTF8, MB_ERR_INVALID_CHARS, out))
        return out;
    Decode(bytes, 1252, 0, out);
    return out;
}

} // namespace store
