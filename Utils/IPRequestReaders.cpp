// The small JSON and XML value readers of the providers. They are deliberately not parsers: a key is found
// by scanning quotes, only string values are read as texts, and numbers have their own rules. Values are
// cut to the buffer's capacity; nothing is ever written past it. A number is never cut: one that does not fit
// its buffer is not read at all.
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>

#include "Utils/IPRequest.h"
#include "__Utilities/ErrorInfo.h"

namespace {

// strtod over UTF-16: converts the ASCII run at p (a non-ASCII character ends it). Gives the number of
// characters consumed, 0 when no number was read.
size_t ParseDouble(const WCHAR* p, double& value)
{
    std::string ascii;
    for (const WCHAR* q = p; *q && *q < 0x80 && ascii.size() < 64; ++q)
        ascii.push_back(char(*q));
    char* end = nullptr;
    value = std::strtod(ascii.c_str(), &end);
    return size_t(end - ascii.c_str());
}

// The longest number text the readers take; the buffer holds one character more, so that a longer value is
// seen (and refused) instead of being cut into another number.
constexpr size_t NUMBER_CHARS = 19;

bool IsBlank(WCHAR c)
{
    return c == W(' ') || c == W('\t') || c == W('\r') || c == W('\n') || c == W('\v') || c == W('\f');
}

} // namespace

bool CIPRequest::getJSONValue(const WCHAR* pIn, const WCHAR* pTag, WCHAR* pOutput, size_t capacity)
{
    try {
        if (!VTR_VERIFY(pIn && pTag && pOutput, E_INVALIDARG))
            return false;
        if (capacity == 0)
            return false;
        size_t keyLength = wcslen(pTag);
        // Every double quote may open the key, also closing quotes and quotes inside values.
        const WCHAR* p = pIn;
        const WCHAR* afterKey = nullptr;
        while ((p = wcschr(p, W('"'))) != nullptr) {
            const WCHAR* candidate = p + 1;
            if (_wcsnicmp(candidate, pTag, keyLength) == 0 && candidate[keyLength] == W('"')) {
                afterKey = candidate + keyLength + 1;
                break;
            }
            p = candidate;
        }
        if (!afterKey)
            return false;
        p = afterKey;
        while (*p == W(' ') || *p == W('\t'))
            ++p;
        if (*p != W(':'))
            return false;
        ++p;
        while (IsBlank(*p))
            ++p;
        if (*p != W('"'))
            return false; // only string values
        const WCHAR* start = p + 1;
        const WCHAR* end = wcschr(start, W('"'));
        if (!end || end == start)
            return false;
        size_t copied = 0;
        if (!wcschr(start, W('\\'))) {
            for (const WCHAR* q = start; q < end && copied + 1 < capacity; ++q)
                pOutput[copied++] = *q;
        } else {
            for (const WCHAR* q = start; *q && *q != W('"'); ++q) {
                WCHAR c = *q;
                if (c == W('\\')) {
                    WCHAR next = q[1];
                    if (next != W('"') && next != W('/') && next != W('\\'))
                        return false;
                    c = next;
                    ++q;
                }
                if (copied + 1 >= capacity)
                    break; // cut to the buffer
                pOutput[copied++] = c;
            }
        }
        pOutput[copied] = 0;
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

bool CIPRequest::getJSONValue(const WCHAR* pIn, const WCHAR* pTag, CComBSTR& output)
{
    WCHAR buffer[256] = {};
    if (!getJSONValue(pIn, pTag, buffer, std::size(buffer)) || !buffer[0])
        return false;
    output = buffer;
    return true;
}

bool CIPRequest::getJSONValue(const WCHAR* pIn, const WCHAR* pTag, double& output)
{
    try {
        if (!VTR_VERIFY(pIn && pTag, E_INVALIDARG))
            return false;
        WCHAR buffer[NUMBER_CHARS + 2] = {};
        double value = 0;
        if (getJSONValue(pIn, pTag, buffer, std::size(buffer))) {
            // A quoted number: the whole text must be the number.
            if (wcslen(buffer) > NUMBER_CHARS)
                return false;
            size_t used = ParseDouble(buffer, value);
            if (used == 0 || buffer[used] != 0)
                return false;
            output = value;
            return true;
        }
        // A bare number: the exact quoted key (letter case counts), then white space and colons.
        WString quoted = W("\"");
        quoted += pTag;
        quoted += W("\"");
        const WCHAR* p = wcsstr(pIn, quoted.c_str());
        if (!p)
            return false;
        p += quoted.size();
        while (IsBlank(*p) || *p == W(':'))
            ++p;
        size_t used = ParseDouble(p, value);
        WCHAR after = p[used];
        if (used == 0 || !(after == 0 || after == W(',') || IsBlank(after)))
            return false;
        output = value;
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

bool CIPRequest::getJSONValue(const WCHAR* pIn, const WCHAR* pTag, double& output, double minValue, double maxValue)
{
    if (!getJSONValue(pIn, pTag, output))
        return false;
    if (std::isnan(output) || output < minValue || output > maxValue) {
        output = 0;
        return false;
    }
    return true;
}

bool CIPRequest::getXMLValue(const WCHAR* pIn, const WCHAR* pTag, WCHAR* pOutput, size_t capacity)
{
    try {
        if (!VTR_VERIFY(pIn && pTag && pOutput, E_INVALIDARG))
            return false;
        if (capacity == 0)
            return false;
        size_t tagLength = wcslen(pTag);
        const WCHAR* p = pIn;
        while ((p = wcschr(p, W('<'))) != nullptr) {
            ++p;
            if (*p == W('/'))
                continue; // a closing tag
            if (_wcsnicmp(p, pTag, tagLength) != 0 || p[tagLength] != W('>'))
                continue; // another element, or this one with attributes
            const WCHAR* start = p + tagLength + 1;
            const WCHAR* end = wcschr(start, W('<'));
            if (!end || end[1] != W('/') || _wcsnicmp(end + 2, pTag, tagLength) != 0 || end[2 + tagLength] != W('>'))
                return false;
            if (end == start)
                return false;
            size_t copied = 0;
            for (const WCHAR* q = start; q < end && copied + 1 < capacity; ++q)
                pOutput[copied++] = *q;
            pOutput[copied] = 0;
            return true;
        }
        return true; // an absent element reads as empty
    }
    VTR_CATCH_LOG
    return false;
}

bool CIPRequest::getXMLValue(const WCHAR* pIn, const WCHAR* pTag, CComBSTR& output)
{
    WCHAR buffer[256] = {};
    if (!getXMLValue(pIn, pTag, buffer, std::size(buffer)) || !buffer[0])
        return false;
    output = buffer;
    return true;
}

bool CIPRequest::getXMLValue(const WCHAR* pIn, const WCHAR* pTag, double& output)
{
    WCHAR buffer[NUMBER_CHARS + 2] = {};
    if (!getXMLValue(pIn, pTag, buffer, std::size(buffer)) || wcslen(buffer) > NUMBER_CHARS)
        return false;
    double value = 0;
    size_t used = buffer[0] ? ParseDouble(buffer, value) : 0;
    if (buffer[used] != 0)
        return false;
    output = value; // an absent element reads as 0
    return true;
}
