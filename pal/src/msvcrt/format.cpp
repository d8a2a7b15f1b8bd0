// printf-style formatting into UTF-16 with the Windows meaning of each conversion: in wide functions %s
// is wide text and %S narrow text, and 'l' is 32 bits because long is 32 bits on Windows.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "pal/host.h"
#include "msvcrt/format.h"
#include "windows.h"

namespace {

enum class Size { None, Char, Short, Long, LongLong, SizeT, IntMax, PtrDiff, LongDouble, Wide };

void Pad(std::u16string& out, const std::u16string& text, int width, bool left, char16_t fill = u' ')
{
    int pad = width > int(text.size()) ? width - int(text.size()) : 0;
    if (!left)
        out.append(size_t(pad), fill);
    out += text;
    if (left)
        out.append(size_t(pad), u' ');
}

// Formats the whole text; returns false on a malformed conversion.
bool Format(std::u16string& out, const WCHAR* fmt, va_list args)
{
    for (const WCHAR* p = fmt; *p; ++p) {
        if (*p != '%') {
            out.push_back(*p);
            continue;
        }
        ++p;
        if (*p == '%') {
            out.push_back(u'%');
            continue;
        }
        std::string flags;
        while (*p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0')
            flags.push_back(char(*p++));
        bool left = flags.find('-') != std::string::npos;
        int width = -1;
        if (*p == '*') {
            width = va_arg(args, int);
            if (width < 0) {
                left = true;
                flags.push_back('-');
                width = -width;
            }
            ++p;
        } else if (iswdigit(*p)) {
            width = 0;
            while (iswdigit(*p))
                width = width * 10 + (*p++ - '0');
        }
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            if (*p == '*') {
                precision = va_arg(args, int);
                ++p;
            } else {
                while (iswdigit(*p))
                    precision = precision * 10 + (*p++ - '0');
            }
        }
        Size size = Size::None;
        if (p[0] == 'h' && p[1] == 'h') { size = Size::Char; p += 2; }
        else if (*p == 'h') { size = Size::Short; ++p; }
        else if (p[0] == 'l' && p[1] == 'l') { size = Size::LongLong; p += 2; }
        else if (*p == 'l' || *p == 'w') { size = Size::Long; ++p; }
        else if (p[0] == 'I' && p[1] == '6' && p[2] == '4') { size = Size::LongLong; p += 3; }
        else if (p[0] == 'I' && p[1] == '3' && p[2] == '2') { size = Size::Long; p += 3; }
        else if (*p == 'I' || *p == 'z') { size = Size::SizeT; ++p; }
        else if (*p == 'j') { size = Size::IntMax; ++p; }
        else if (*p == 't') { size = Size::PtrDiff; ++p; }
        else if (*p == 'L') { size = Size::LongDouble; ++p; }
        WCHAR conv = *p;
        if (!conv)
            return false;

        std::string spec = "%" + flags;
        if (width >= 0)
            spec += std::to_string(width);
        if (precision >= 0)
            spec += "." + std::to_string(precision);
        char buf[512];
        switch (conv) {
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'o': {
            bool isSigned = conv == 'd' || conv == 'i';
            long long v;
            switch (size) {
            case Size::LongLong:
            case Size::IntMax: v = va_arg(args, long long); break;
            case Size::SizeT:
            case Size::PtrDiff: v = (long long)va_arg(args, size_t); break;
            default: {
                unsigned int u = va_arg(args, unsigned int);
                if (size == Size::Short)
                    v = isSigned ? (long long)(short)u : (long long)(unsigned short)u;
                else if (size == Size::Char)
                    v = isSigned ? (long long)(signed char)u : (long long)(unsigned char)u;
                else
                    v = isSigned ? (long long)(int)u : (long long)u;
            }
            }
            spec += "ll";
            spec.push_back(char(conv));
            std::snprintf(buf, sizeof(buf), spec.c_str(), v);
            out += pal::ToWide(buf);
            break;
        }
        case 'p': {
            void* v = va_arg(args, void*);
            std::snprintf(buf, sizeof(buf), "%016llX", (unsigned long long)(uintptr_t)v);
            Pad(out, pal::ToWide(buf), width, left);
            break;
        }
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
        case 'a':
        case 'A': {
            double v = size == Size::LongDouble ? (double)va_arg(args, long double) : va_arg(args, double);
            spec.push_back(char(conv));
            std::snprintf(buf, sizeof(buf), spec.c_str(), v);
            out += pal::ToWide(buf);
            break;
        }
        case 'c':
        case 'C': {
            bool narrow = (conv == 'C' && size != Size::Long) || size == Size::Short;
            unsigned int v = va_arg(args, unsigned int);
            std::u16string text = narrow ? pal::ToWide(std::string(1, char(v))) : std::u16string(1, char16_t(v));
            Pad(out, text, width, left);
            break;
        }
        case 's':
        case 'S': {
            bool narrow = (conv == 'S' && size != Size::Long) || size == Size::Short;
            std::u16string text;
            if (narrow) {
                const char* s = va_arg(args, const char*);
                std::string n = s ? s : "(null)";
                text = pal::ToWide(n);
            } else {
                const WCHAR* s = va_arg(args, const WCHAR*);
                text = s ? std::u16string(s) : std::u16string(u"(null)");
            }
            if (precision >= 0 && size_t(precision) < text.size())
                text.resize(size_t(precision));
            Pad(out, text, width, left);
            break;
        }
        case 'n':
            return false; // never written to, as the secure CRT refuses it
        default:
            return false;
        }
    }
    return true;
}

} // namespace

int _vscwprintf(const WCHAR* format, va_list args)
{
    if (!format)
        return -1;
    std::u16string out;
    va_list copy;
    va_copy(copy, args);
    bool ok = Format(out, format, copy);
    va_end(copy);
    return ok ? int(out.size()) : -1;
}

static int _vsnwprintf_s(WCHAR* buffer, size_t sizeOfBuffer, size_t count, const WCHAR* format, va_list args)
{
    if (!buffer || sizeOfBuffer == 0 || !format)
        return -1;
    std::u16string out;
    va_list copy;
    va_copy(copy, args);
    bool ok = Format(out, format, copy);
    va_end(copy);
    if (!ok) {
        buffer[0] = 0;
        return -1;
    }
    size_t limit = count == _TRUNCATE ? sizeOfBuffer - 1 : count;
    if (out.size() > limit || out.size() >= sizeOfBuffer) {
        if (count == _TRUNCATE) {
            std::memcpy(buffer, out.data(), (sizeOfBuffer - 1) * sizeof(WCHAR));
            buffer[sizeOfBuffer - 1] = 0;
        } else {
            buffer[0] = 0;
        }
        return -1;
    }
    std::memcpy(buffer, out.data(), out.size() * sizeof(WCHAR));
    buffer[out.size()] = 0;
    return int(out.size());
}

int vswprintf_s(WCHAR* buffer, size_t sizeOfBuffer, const WCHAR* format, va_list args)
{
    return _vsnwprintf_s(buffer, sizeOfBuffer, sizeOfBuffer ? sizeOfBuffer - 1 : 0, format, args);
}

int swprintf_s(WCHAR* buffer, size_t sizeOfBuffer, const WCHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    int r = vswprintf_s(buffer, sizeOfBuffer, format, args);
    va_end(args);
    return r;
}
