// Test entry point: a fresh prefix for the process, so that no test sees another's registry or log.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "__Utilities/ErrorLog.h"
#include "host/ui/HelperThreads.h"
#include "pal/host.h"
#include "support/TestPrefix.h"

namespace testing_support {

namespace {
std::string g_root;
std::string g_prefix;

// Each test starts in a prefix of its own, with no error log chosen yet, also when one process runs many.
class FreshPrefix : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override
    {
        std::string dir = g_root + "/XXXXXX";
        if (!mkdtemp(dir.data()))
            std::abort();
        g_prefix = dir;
        setenv("VANTORA_PREFIX", dir.c_str(), 1);
        pal::SetPrefixPath(dir);
        CErrorLog::Instance().Close();
    }
};

// A test that reaches a method the layer does not implement fails, as Wine's tests do on an unexpected
// call: what it checked was not what Windows does. (This listener's end of a test runs before the result
// is printed.)
std::map<std::string, size_t> g_stubsBefore;

class NoStubsReached : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { g_stubsBefore = pal::ReachedStubs(); }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        for (const auto& [signature, count] : pal::ReachedStubs())
            if (count > g_stubsBefore[signature])
                ADD_FAILURE() << "reached a method the layer does not implement: " << signature;
    }
};
} // namespace

const std::string& Prefix() { return g_prefix; }

void AcceptReachedStubs() { g_stubsBefore = pal::ReachedStubs(); }

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string DataPath(const std::string& relative) { return std::string(VANTORA_SOURCE_DIR) + "/tests/data/" + relative; }
std::string SourcePath(const std::string& relative) { return std::string(VANTORA_SOURCE_DIR) + "/" + relative; }
std::string CorpusPath(const std::string& relative) { return std::string(VANTORA_CORPUS_DIR) + "/" + relative; }

} // namespace testing_support

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::string base = std::filesystem::temp_directory_path().string() + "/vantora-test-XXXXXX";
    if (!mkdtemp(base.data()))
        return 2;
    testing_support::g_root = base;
    testing_support::g_prefix = base;
    setenv("VANTORA_PREFIX", base.c_str(), 1);
    pal::SetPrefixPath(base);
    ::testing::UnitTest::GetInstance()->listeners().Append(new testing_support::FreshPrefix);
    ::testing::UnitTest::GetInstance()->listeners().Append(new testing_support::NoStubsReached);
    int result = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(base, ec);
    host::EndProcess(result);
}

// Fontconfig links the parts of its patterns by offsets rather than pointers, so the leak checker cannot
// see that the font caches of Pango's font map still hold them. GIO's MIME reader keeps what it reads on
// its first content type guess (104 bytes, once per process) where the checker does not see it either;
// GIO is built without frame pointers, so its frames are all the checker gets to match.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libgio-2.0.so\n"; }
#endif
