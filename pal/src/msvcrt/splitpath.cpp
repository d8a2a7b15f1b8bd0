// _wsplitpath_s: a path cut into drive ("C:"), folder (up to its last separator), name and extension (from
// the last dot of the final component, dot included).
#include <cerrno>

#include "windows.h"

namespace {

struct Part {
    WCHAR* buffer;
    size_t size;
    const WCHAR* from;
    size_t length;
};

void Clear(Part* parts, int count)
{
    for (int i = 0; i < count; ++i)
        if (parts[i].buffer && parts[i].size)
            parts[i].buffer[0] = 0;
}

} // namespace

int _wsplitpath_s(const WCHAR* path, WCHAR* drive, size_t driveNumberOfElements, WCHAR* dir,
                  size_t dirNumberOfElements, WCHAR* fname, size_t nameNumberOfElements, WCHAR* ext,
                  size_t extNumberOfElements)
{
    Part parts[4] = {{drive, driveNumberOfElements, nullptr, 0},
                     {dir, dirNumberOfElements, nullptr, 0},
                     {fname, nameNumberOfElements, nullptr, 0},
                     {ext, extNumberOfElements, nullptr, 0}};
    bool valid = path != nullptr;
    for (const Part& p : parts)
        if ((p.buffer == nullptr) != (p.size == 0))
            valid = false;
    if (!valid) {
        Clear(parts, 4);
        errno = EINVAL;
        return EINVAL;
    }

    const WCHAR* p = path;
    if (p[0] && p[1] == u':') {
        parts[0] = {drive, driveNumberOfElements, p, 2};
        p += 2;
    }
    const WCHAR* lastSeparator = nullptr;
    const WCHAR* lastDot = nullptr;
    const WCHAR* end = p;
    for (; *end; ++end) {
        if (*end == u'\\' || *end == u'/')
            lastSeparator = end;
        else if (*end == u'.')
            lastDot = end;
    }
    const WCHAR* nameStart = lastSeparator ? lastSeparator + 1 : p;
    if (lastSeparator)
        parts[1] = {dir, dirNumberOfElements, p, size_t(nameStart - p)};
    if (lastDot && (!lastSeparator || lastDot > lastSeparator)) {
        parts[2] = {fname, nameNumberOfElements, nameStart, size_t(lastDot - nameStart)};
        parts[3] = {ext, extNumberOfElements, lastDot, size_t(end - lastDot)};
    } else {
        parts[2] = {fname, nameNumberOfElements, nameStart, size_t(end - nameStart)};
    }

    for (const Part& part : parts) {
        if (part.buffer && part.length >= part.size) {
            Clear(parts, 4);
            errno = ERANGE;
            return ERANGE;
        }
    }
    for (Part& part : parts) {
        if (!part.buffer)
            continue;
        for (size_t i = 0; i < part.length; ++i)
            part.buffer[i] = part.from[i];
        part.buffer[part.length] = 0;
    }
    return 0;
}
