// The comparison of two `vantora show --json` outputs (the Linux run and the Wine run over the same
// message snapshots) and of the two runs' error logs, with the reviewed differences file applied.
#pragma once

#include <string>
#include <vector>

#include "Differences.h"
#include "support/JsonReader.h"

namespace tabcompare {

using testing_support::JsonValue;

struct Difference {
    std::string path;   // "a.eml.vsnap: tab_1000/group_1001/button_1002.label", "log: message"
    std::string onLinux; // the value as JSON text, or "(absent)"
    std::string onWine;
    bool imageSize = false; // an image's width or height on both sides: a tolerance may excuse it
    double linuxPixels = 0, winePixels = 0;
};

struct Comparison {
    size_t messages = 0; // pairs compared
    size_t fields = 0;   // leaf values compared, and each thing present on one side only
    std::vector<Difference> differences;
};

// Adds the differences of two documents, message by message. False (with the reason) when one of them is
// not an array of messages.
bool CompareShows(const JsonValue& linuxRun, const JsonValue& wineRun, Comparison& out, std::string& error);

// The add-in's error log: the "ERROR - " messages in order of first appearance, each normalised (below)
// once; the header and the indented location lines are not messages.
struct LogMessage {
    std::string normalised;
    std::string original;
    std::string location; // its first location line, without the tab
};
std::vector<LogMessage> ReadLog(const std::string& bytes);

// What legitimately differs between the runs is replaced: paths by <path>/NAME (their last component),
// loopback ports by <port>, pointer-sized hexadecimal numbers (more than 8 digits) by 0x<address>, clock
// times by <time> and dates by <date>; runs of white space become one space.
std::string NormaliseLogMessage(const std::string& message);

// Adds a difference for every message of the Wine log that the Linux log does not have.
void CompareLogs(const std::string& linuxLog, const std::string& wineLog, Comparison& out);

struct Verdict {
    std::vector<Difference> unlisted;
    size_t listed = 0;
};
// Excuses each difference by the first rule that matches it (counted in the rule).
Verdict ApplyRules(const Comparison& comparison, std::vector<Rule>& rules);

// The report: every unlisted difference, the summary line and each rule's count.
std::string Report(const Comparison& comparison, const Verdict& verdict, const std::vector<Rule>& rules);

} // namespace tabcompare
