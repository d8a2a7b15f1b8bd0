// tab_compare: the Linux run of `vantora show --json --all` against the Wine run, and their error logs,
// with the reviewed differences file (tools/windows/wine-differences.txt).
//
//   tab_compare --differences FILE LINUX.json WINE.json [--log-linux L --log-wine W]
//
// Exit status 0 when every difference is listed, 1 when some are not, 2 for bad arguments or input.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sys/stat.h>

#include "TabCompare.h"

namespace {

constexpr size_t kMaxInputBytes = 512u << 20; // far beyond any run's output, short of exhausting memory

int Usage()
{
    std::fprintf(stderr, "usage: tab_compare --differences FILE LINUX.json WINE.json [--log-linux L --log-wine W]\n");
    return 2;
}

bool ReadInput(const std::string& path, std::string& text, bool missingIsEmpty = false)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        if (missingIsEmpty && errno == ENOENT) {
            // The add-in writes its log at its first error: a run without errors leaves none.
            std::fprintf(stderr, "tab_compare: note: %s does not exist, read as a log without errors\n", path.c_str());
            text.clear();
            return true;
        }
        std::fprintf(stderr, "tab_compare: cannot read %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        std::fprintf(stderr, "tab_compare: %s is a folder\n", path.c_str());
        return false;
    }
    // Read in pieces, so that a device or a pipe (/dev/null for an empty log) is bounded as a file is.
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "tab_compare: cannot read %s\n", path.c_str());
        return false;
    }
    text.clear();
    char buffer[65536];
    while (in.read(buffer, sizeof(buffer)) || in.gcount() > 0) {
        text.append(buffer, size_t(in.gcount()));
        if (text.size() > kMaxInputBytes) {
            std::fprintf(stderr, "tab_compare: %s is larger than 512 MiB\n", path.c_str());
            return false;
        }
    }
    if (in.bad()) {
        std::fprintf(stderr, "tab_compare: cannot read %s\n", path.c_str());
        return false;
    }
    return true;
}

bool ReadJson(const std::string& path, tabcompare::JsonValue& value)
{
    std::string text;
    if (!ReadInput(path, text))
        return false;
    testing_support::JsonReader reader(text);
    if (!reader.Document(value)) {
        std::fprintf(stderr, "tab_compare: %s is not JSON: %s\n", path.c_str(), reader.Error().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::string differences, linuxLog, wineLog;
    std::vector<std::string> runs;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string* option = arg == "--differences" ? &differences
                              : arg == "--log-linux"  ? &linuxLog
                              : arg == "--log-wine"   ? &wineLog
                                                      : nullptr;
        if (option) {
            if (i + 1 >= argc || !*argv[i + 1] || !option->empty())
                return Usage();
            *option = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return Usage();
        } else {
            runs.push_back(arg);
        }
    }
    if (differences.empty() || runs.size() != 2 || linuxLog.empty() != wineLog.empty())
        return Usage();

    std::string rulesText;
    if (!ReadInput(differences, rulesText))
        return 2;
    tabcompare::DifferencesFile file = tabcompare::ParseDifferences(rulesText);
    if (!file.errors.empty()) {
        for (const std::string& error : file.errors)
            std::fprintf(stderr, "%s:%s\n", differences.c_str(), error.c_str());
        return 2;
    }

    tabcompare::JsonValue linuxRun, wineRun;
    if (!ReadJson(runs[0], linuxRun) || !ReadJson(runs[1], wineRun))
        return 2;
    tabcompare::Comparison comparison;
    std::string error;
    if (!tabcompare::CompareShows(linuxRun, wineRun, comparison, error)) {
        std::fprintf(stderr, "tab_compare: %s\n", error.c_str());
        return 2;
    }
    if (!linuxLog.empty()) {
        std::string linuxText, wineText;
        if (!ReadInput(linuxLog, linuxText, true) || !ReadInput(wineLog, wineText, true))
            return 2;
        tabcompare::CompareLogs(linuxText, wineText, comparison);
    }

    tabcompare::Verdict verdict = tabcompare::ApplyRules(comparison, file.rules);
    std::cout << tabcompare::Report(comparison, verdict, file.rules) << std::flush;
    for (const tabcompare::Rule& rule : file.rules)
        if (!rule.excused)
            std::fprintf(stderr, "tab_compare: warning: %s:%d excused nothing (%s)\n", differences.c_str(), rule.line,
                         rule.pattern.c_str());
    return verdict.unlisted.empty() ? 0 : 1;
}
