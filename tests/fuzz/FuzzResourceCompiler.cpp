// The resource compiler on a script: it compiles, or reports a compile error with its place; nothing else
// may escape it. The script is written to a file of its own, as the compiler reads from files.
#include <fstream>
#include <sstream>
#include <string>

#include "FuzzSupport.h"
#include "tools/rc/Output.h"
#include "tools/rc/Parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = fuzz::Prefix() + "/input.rc";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    std::ostringstream warnings;
    try {
        vrc::Lexer lexer({}, {{"RC_INVOKED", vrc::Lexer::ParseDefine("RC_INVOKED=1").second}});
        lexer.Run(path);
        vrc::Parser parser(lexer, warnings);
        std::vector<vrc::Resource> resources = parser.Parse();
        vrc::PackImage(resources);
    } catch (const vrc::CompileError& e) {
        FUZZ_ASSERT(std::string(e.what()).find(": error: ") != std::string::npos);
    }
    return 0;
}
