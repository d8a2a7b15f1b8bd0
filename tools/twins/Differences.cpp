// The differences file's reader and the glob matcher.
#include "Differences.h"

namespace tabcompare {

namespace {

// Memoised on (pattern position, path position), so that many stars cannot make it exponential.
class Glob {
public:
    Glob(const std::string& p, const std::string& s) : m_p(p), m_s(s), m_memo((p.size() + 1) * (s.size() + 1), 0) {}
    bool At(size_t pi, size_t si)
    {
        char& memo = m_memo[pi * (m_s.size() + 1) + si];
        if (memo == 0)
            memo = Match(pi, si) ? 1 : 2;
        return memo == 1;
    }

private:
    bool Match(size_t pi, size_t si)
    {
        if (pi == m_p.size())
            return si == m_s.size();
        if (m_p[pi] != '*')
            return si < m_s.size() && m_p[pi] == m_s[si] && At(pi + 1, si + 1);
        bool across = pi + 1 < m_p.size() && m_p[pi + 1] == '*';
        size_t next = pi + (across ? 2 : 1);
        // "a/**/b" also matches "a/b", and a leading "**/" a path without a '/'.
        if (across && next < m_p.size() && m_p[next] == '/' && (pi == 0 || m_p[pi - 1] == '/') && At(next + 1, si))
            return true;
        for (size_t k = si;; ++k) {
            if (At(next, k))
                return true;
            if (k >= m_s.size() || (!across && m_s[k] == '/'))
                return false;
        }
    }
    const std::string& m_p;
    const std::string& m_s;
    std::vector<char> m_memo;
};

// The column at pos up to the next separator (a tab, or two spaces or more); pos moves past the separator.
std::string Column(const std::string& line, size_t& pos)
{
    size_t start = pos;
    while (pos < line.size()) {
        if (line[pos] == '\t' || (line[pos] == ' ' && pos + 1 < line.size() && line[pos + 1] == ' ')) {
            std::string column = line.substr(start, pos - start);
            while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
                ++pos;
            return column;
        }
        ++pos;
    }
    return line.substr(start);
}

std::string Trimmed(const std::string& s)
{
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos)
        return std::string();
    size_t b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

} // namespace

bool GlobMatch(const std::string& pattern, const std::string& path) { return Glob(pattern, path).At(0, 0); }

DifferencesFile ParseDifferences(const std::string& text)
{
    DifferencesFile file;
    size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        auto error = [&](const std::string& what) { file.errors.push_back(std::to_string(number) + ": " + what); };

        std::string content = Trimmed(line);
        if (content.empty() || content[0] == '#')
            continue;
        Rule rule;
        rule.line = number;
        size_t pos = 0;
        const std::string keyword = "tolerance";
        if (content.compare(0, keyword.size(), keyword) == 0 && content.size() > keyword.size() &&
            (content[keyword.size()] == ' ' || content[keyword.size()] == '\t')) {
            rule.tolerance = true;
            content = Trimmed(content.substr(keyword.size()));
            rule.pattern = Column(content, pos);
            std::string pixels = Column(content, pos);
            rule.reason = Trimmed(content.substr(pos));
            if (pixels.empty() || pixels.size() > 5 || pixels.find_first_not_of("0123456789") != std::string::npos) {
                error("a tolerance needs PATTERN, PIXELS (a whole number) and REASON, separated by a tab or two "
                      "spaces");
                continue;
            }
            rule.pixels = std::stol(pixels);
        } else if (content.compare(0, 4, "mask") == 0 && content.size() > 4 &&
                   (content[4] == ' ' || content[4] == '\t')) {
            content = Trimmed(content.substr(4));
            rule.pattern = Column(content, pos);
            rule.mask = Column(content, pos);
            rule.reason = Trimmed(content.substr(pos));
            try {
                if (rule.mask.empty())
                    throw std::regex_error(std::regex_constants::error_collate);
                rule.maskExpression = std::make_shared<const std::regex>(rule.mask, std::regex::ECMAScript);
            } catch (const std::regex_error&) {
                error("a mask needs PATTERN, REGEX (an ECMAScript expression) and REASON, separated by a tab or two "
                      "spaces");
                continue;
            }
        } else {
            rule.pattern = Column(content, pos);
            rule.reason = Trimmed(content.substr(pos));
        }
        if (rule.pattern.find("***") != std::string::npos) {
            error("'***' in a pattern: write '*' or '**'");
            continue;
        }
        if (rule.reason.empty()) {
            error("no reason: every allowed difference says which Wine behaviour causes it (after a tab or two "
                  "spaces)");
            continue;
        }
        file.rules.push_back(rule);
    }
    return file;
}

} // namespace tabcompare
