// The error logs of the two runs. The log is "ERROR - message" lines, each followed by its tab-indented
// location lines, after a header of the host, module and system versions (written again after the log
// was cut). Only messages are compared: locations name the same sources in both builds, and how often a
// message repeats depends on timing.
#include "TabCompare.h"

#include <cctype>
#include <set>

namespace tabcompare {

namespace {

using testing_support::AppendUtf8;

bool ValidUtf8(const std::string& s)
{
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size())
            return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2)
                return false;
        i += n;
    }
    return true;
}

// The Linux build writes UTF-8; a Windows C runtime writes the wide text in the ANSI code page, or UTF-16
// when the file was opened so. Text that is not UTF-8 is read as Latin-1.
std::string AsUtf8(const std::string& bytes)
{
    bool utf16 = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                 static_cast<unsigned char>(bytes[1]) == 0xFE;
    if (!utf16 && bytes.size() >= 4 && bytes[1] == 0 && bytes[3] == 0 && bytes[0] != 0)
        utf16 = true;
    std::string out;
    if (utf16) {
        for (size_t i = bytes[0] == '\xFF' ? 2 : 0; i + 1 < bytes.size(); i += 2) {
            unsigned u = static_cast<unsigned char>(bytes[i]) | unsigned(static_cast<unsigned char>(bytes[i + 1])) << 8;
            if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
                unsigned low = static_cast<unsigned char>(bytes[i + 2]) |
                               unsigned(static_cast<unsigned char>(bytes[i + 3])) << 8;
                if (low >= 0xDC00 && low < 0xE000) {
                    u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                }
            }
            AppendUtf8(u, out);
        }
        return out;
    }
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (ValidUtf8(bytes))
        return bytes.substr(start);
    for (unsigned char c : bytes)
        AppendUtf8(c, out);
    return out;
}

bool Digit(char c) { return c >= '0' && c <= '9'; }
bool HexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
bool Alnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

size_t Digits(const std::string& s, size_t i)
{
    size_t n = 0;
    while (i + n < s.size() && Digit(s[i + n]))
        ++n;
    return n;
}

// A path runs to white space or a quote; the report keeps its last component.
size_t PathEnd(const std::string& s, size_t i)
{
    while (i < s.size() && !std::isspace(static_cast<unsigned char>(s[i])) && s[i] != '"' && s[i] != '\'' &&
           s[i] != '<' && s[i] != '>' && s[i] != '|')
        ++i;
    // A sentence's punctuation is not the path's.
    while (i > 0 && (s[i - 1] == ',' || s[i - 1] == ';' || s[i - 1] == ')' || s[i - 1] == '.'))
        --i;
    return i;
}

std::string PathShown(const std::string& path)
{
    size_t at = path.find_last_of("/\\");
    std::string last = at == std::string::npos ? path : path.substr(at + 1);
    return "<path>/" + last;
}

bool PathStart(const std::string& s, size_t i)
{
    char before = i == 0 ? ' ' : s[i - 1];
    bool boundary = std::isspace(static_cast<unsigned char>(before)) || before == '"' || before == '\'' ||
                    before == '(' || before == '=' || before == '[';
    if (!boundary || i + 1 >= s.size())
        return false;
    if (std::isalpha(static_cast<unsigned char>(s[i])) && s[i + 1] == ':' && i + 2 < s.size() &&
        (s[i + 2] == '\\' || s[i + 2] == '/'))
        return true; // C:\ and Z:/
    if (s[i] == '\\' && s[i + 1] == '\\')
        return true; // \\server\share, \\?\C:\...
    return s[i] == '/' && (Alnum(s[i + 1]) || s[i + 1] == '.' || s[i + 1] == '_' || s[i + 1] == '~');
}

// The end of "127.x.y.z:PORT", "localhost:PORT" or "[::1]:PORT" at i (loopback servers listen on ports
// the system chose), or 0.
size_t LoopbackPortEnd(const std::string& s, size_t i)
{
    size_t j = i;
    if (s.compare(i, 4, "127.") == 0) {
        j = i + 4;
        while (j < s.size() && (Digit(s[j]) || s[j] == '.'))
            ++j;
    } else if (s.compare(i, 9, "localhost") == 0) {
        j = i + 9;
    } else if (s.compare(i, 5, "[::1]") == 0) {
        j = i + 5;
    } else {
        return 0;
    }
    if (j >= s.size() || s[j] != ':' || Digits(s, j + 1) == 0)
        return 0;
    return j + 1 + Digits(s, j + 1);
}

} // namespace

std::string NormaliseLogMessage(const std::string& message)
{
    std::string out;
    const std::string& s = message;
    for (size_t i = 0; i < s.size();) {
        if (s.compare(i, 7, "file://") == 0 || s.compare(i, 7, "FILE://") == 0) {
            size_t end = PathEnd(s, i);
            out += PathShown(s.substr(i, end - i));
            i = end;
            continue;
        }
        if (PathStart(s, i)) {
            size_t end = PathEnd(s, i);
            out += PathShown(s.substr(i, end - i));
            i = end;
            continue;
        }
        bool wordStart = i == 0 || !Alnum(s[i - 1]);
        if (size_t after = wordStart ? LoopbackPortEnd(s, i) : 0) {
            out += s.substr(i, s.rfind(':', after) + 1 - i) + "<port>";
            i = after;
            continue;
        }
        if (wordStart && s.compare(i, 2, "0x") == 0) {
            size_t n = 0;
            while (i + 2 + n < s.size() && HexDigit(s[i + 2 + n]))
                ++n;
            if (n > 8) {
                out += "0x<address>";
                i += 2 + n;
                continue;
            }
        }
        if (wordStart && Digit(s[i])) {
            size_t a = Digits(s, i);
            // hh:mm:ss, with fractions
            if (a <= 2 && i + a < s.size() && s[i + a] == ':' && Digits(s, i + a + 1) == 2 && i + a + 3 < s.size() &&
                s[i + a + 3] == ':' && Digits(s, i + a + 4) == 2) {
                size_t j = i + a + 6;
                if (j < s.size() && s[j] == '.' && Digits(s, j + 1) > 0)
                    j += 1 + Digits(s, j + 1);
                out += "<time>";
                i = j;
                continue;
            }
            // yyyy-mm-dd
            if (a == 4 && i + 4 < s.size() && s[i + 4] == '-' && Digits(s, i + 5) == 2 && i + 7 < s.size() &&
                s[i + 7] == '-' && Digits(s, i + 8) == 2) {
                out += "<date>";
                i += 10;
                continue;
            }
            out += s.substr(i, a);
            i += a;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(s[i]))) {
            while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
                ++i;
            if (!out.empty() && i < s.size())
                out += ' ';
            continue;
        }
        out += s[i++];
    }
    return out;
}

std::vector<LogMessage> ReadLog(const std::string& bytes)
{
    std::string text = AsUtf8(bytes);
    std::vector<LogMessage> messages;
    std::set<std::string> seen;
    bool lastNeedsLocation = false; // the newest message of messages waits for its first location
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.compare(0, 8, "ERROR - ") == 0) {
            LogMessage m{NormaliseLogMessage(line.substr(8)), line.substr(8), ""};
            lastNeedsLocation = false;
            if (seen.insert(m.normalised).second) {
                messages.push_back(m);
                lastNeedsLocation = true;
            }
        } else if (!line.empty() && line[0] == '\t') {
            if (lastNeedsLocation) {
                messages.back().location = line.substr(1);
                lastNeedsLocation = false;
            }
        } else {
            lastNeedsLocation = false; // a header line
        }
    }
    return messages;
}

void CompareLogs(const std::string& linuxLog, const std::string& wineLog, Comparison& out)
{
    std::set<std::string> onLinux;
    for (const LogMessage& m : ReadLog(linuxLog))
        onLinux.insert(m.normalised);
    for (const LogMessage& m : ReadLog(wineLog)) {
        ++out.fields;
        if (onLinux.count(m.normalised))
            continue;
        std::string shown = "ERROR - " + m.original + (m.location.empty() ? "" : " (at " + m.location + ")");
        out.differences.push_back({"log: " + m.normalised, "(absent)", shown});
    }
}

} // namespace tabcompare
