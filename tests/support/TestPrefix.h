// Every test process runs in a fresh prefix, removed when the process ends.
#pragma once

#include <string>

namespace testing_support {

// The prefix folder of this test process.
const std::string& Prefix();
// The whole content of a file, or an empty text when it cannot be read.
std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
// Path of a file under tests/data, the source folder or the shared corpus.
std::string DataPath(const std::string& relative);
std::string SourcePath(const std::string& relative);
std::string CorpusPath(const std::string& relative);
// The stubs the current test reached so far were reached on purpose (to check that they say E_NOTIMPL).
void AcceptReachedStubs();

} // namespace testing_support
