// The reviewed list of allowed differences between the Linux and the Wine run (tools/windows/
// wine-differences.txt), and the glob its patterns are written in.
#pragma once

#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace tabcompare {

// '*' matches any run of characters other than '/', '**' any run at all (also none, also '/'); a "**/"
// that follows a '/' or starts the pattern may also match nothing, so "a/**/b" matches "a/b". Every other
// character matches itself.
bool GlobMatch(const std::string& pattern, const std::string& path);

// The first rule whose pattern matches a difference's path, and whose tolerance or mask (if any) accepts
// its two values, excuses it.
struct Rule {
    int line = 0;
    std::string pattern;
    bool tolerance = false;
    long pixels = 0; // tolerance rules only
    // Mask rules: the two values agree once every match of the expression is taken out of both.
    std::string mask;
    std::shared_ptr<const std::regex> maskExpression;
    std::string reason;
    size_t excused = 0; // differences it excused in this run
};

struct DifferencesFile {
    std::vector<Rule> rules;
    std::vector<std::string> errors; // "LINE: what is wrong"; a file with errors is not used
};

// Lines:
//   PATTERN<sep>REASON
//   tolerance<sep>PATTERN<sep>PIXELS<sep>REASON
//   mask<sep>PATTERN<sep>REGEX<sep>REASON        (REGEX: ECMAScript, over the values' JSON texts)
// where <sep> is a tab or two or more spaces (a single space belongs to the column); blank lines and lines
// whose first other character is '#' are ignored.
DifferencesFile ParseDifferences(const std::string& text);

} // namespace tabcompare
