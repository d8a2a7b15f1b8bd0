// vrc: compiles a resource script into a C++ source holding the module's resources.
//   vrc [-I dir]... [-D NAME[=VALUE]]... [-o out.cpp] [--image out.bin] [--depfile out.d] input.rc
// Errors are reported as "file:line: error: ..." with exit status 1.
#include <filesystem>
#include <fstream>
#include <iostream>

#include "Output.h"

namespace {

int Usage()
{
    std::cerr << "usage: vrc [-I dir] [-D NAME[=VALUE]] [-o out.cpp] [--image out.bin] [--depfile out.d] input.rc\n";
    return 2;
}

bool WriteIfChanged(const std::string& path, const std::string& content)
{
    std::string old;
    if (vrc::ReadWholeFile(path, old) && old == content)
        return true; // keeps the timestamp, so nothing downstream rebuilds for nothing
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return bool(out.flush());
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> includeDirs;
    std::map<std::string, vrc::Macro> macros;
    macros["RC_INVOKED"] = vrc::Lexer::ParseDefine("RC_INVOKED=1").second;
    std::string input, output, imagePath, depfile;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](size_t prefix) -> std::string {
            if (a.size() > prefix)
                return a.substr(prefix);
            return ++i < argc ? argv[i] : std::string();
        };
        if (a.rfind("-I", 0) == 0)
            includeDirs.push_back(value(2));
        else if (a.rfind("-D", 0) == 0) {
            auto [name, macro] = vrc::Lexer::ParseDefine(value(2));
            macros.insert_or_assign(name, macro);
        }
        else if (a == "-o")
            output = value(2);
        else if (a == "--image")
            imagePath = value(7);
        else if (a == "--depfile")
            depfile = value(9);
        else if (!a.empty() && a[0] == '-')
            return Usage();
        else if (input.empty())
            input = a;
        else
            return Usage();
    }
    if (input.empty() || (output.empty() && imagePath.empty()))
        return Usage();

    try {
        vrc::Lexer lexer(includeDirs, macros);
        lexer.Run(input);
        vrc::Parser parser(lexer, std::cerr);
        std::vector<vrc::Resource> resources = parser.Parse();
        std::vector<uint8_t> image = vrc::PackImage(resources);

        std::string name = std::filesystem::path(input).filename().string();
        if (!output.empty() && !WriteIfChanged(output, vrc::CppSource(image, name))) {
            std::cerr << output << ": error: cannot write the output\n";
            return 1;
        }
        if (!imagePath.empty() &&
            !WriteIfChanged(imagePath, std::string(reinterpret_cast<const char*>(image.data()), image.size()))) {
            std::cerr << imagePath << ": error: cannot write the image\n";
            return 1;
        }
        if (!depfile.empty()) {
            std::vector<std::string> files(lexer.Files().begin(), lexer.Files().end());
            files.insert(files.end(), parser.Referenced().begin(), parser.Referenced().end());
            if (!WriteIfChanged(depfile, vrc::DepFile(output.empty() ? imagePath : output, files))) {
                std::cerr << depfile << ": error: cannot write the dependency file\n";
                return 1;
            }
        }
    } catch (const vrc::CompileError& e) {
        std::cerr << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        // Every fault of the input is a CompileError with its line; this is the last word on anything else.
        std::cerr << input << ": error: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
