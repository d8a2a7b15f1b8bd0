// vantora identify FILE...: analyses each file as the add-in analyses an attachment named like it: the kind
// its name implies, the kind its content has, the mismatch and danger verdicts, image size, program
// platform and mode, .NET, tracking, run-on-extract, and the files inside a ZIP or cabinet. One line per
// file (contained files indented below it), or a JSON array with --json. A file that cannot be read is
// reported and the others go on; the exit status is then 1.
#include "host/IdentifyCommand.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <atlbase.h>
#include <shlwapi.h>

#include "Utils/FileSignature.h"
#include "email/AttachmentInfo.h"
#include "pal/host.h"

namespace host {

namespace {

struct Identified {
    std::string path;
    std::string error;  // why the file could not be analysed
    AttachmentInfo record;
    FileKind implied = FK_UNKNOWN;
    std::vector<AttachmentInfo> contained;
};

std::string Utf8(const std::basic_string<WCHAR>& s) { return pal::ToUtf8(s.c_str()); }

// Opens a file for reading as a stream. Windows paths cannot name a file whose name holds a backslash, so
// such a file is opened here and reached through its descriptor.
HRESULT OpenStream(const std::string& path, CComPtr<IStream>& stream)
{
    std::string target = path;
    int fd = -1;
    if (path.find('\\') != std::string::npos) {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        target = "/proc/self/fd/" + std::to_string(fd);
    }
    HRESULT hr = SHCreateStreamOnFileEx(pal::ToWindowsPath(target).c_str(), STGM_READ | STGM_SHARE_DENY_NONE,
                                        FILE_ATTRIBUTE_NORMAL, FALSE, nullptr, &stream);
    if (fd >= 0)
        close(fd);
    return hr;
}

Identified Identify(const std::string& path)
{
    Identified id;
    id.path = path;
    CComPtr<IStream> stream;
    HRESULT hr = OpenStream(path, stream);
    if (FAILED(hr)) {
        // Asked only on failure: a folder is refused by the stream, and said to be one.
        struct stat st{};
        id.error = stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? "is a directory" : HResultText(hr);
        return id;
    }
    std::string name = path.substr(path.find_last_of('/') + 1);
    AttachmentInfo& r = id.record;
    r.longFileName = pal::ToWide(name);
    if (!r.longFileName.empty())
        r.extension = CFileSignature::GetFileExtension(r.longFileName.c_str());
    id.implied = CFileSignature::GetExtensionType(r.extension.c_str());
    FileKind found = CFileSignature::GetExtensionInfo(stream, id.implied, r.additionalInfo, id.contained);
    r.typeName = CFileSignature::GetKindName(found);
    r.additionalInfo.typeMismatch = CFileSignature::IsTypeMismatch(r, found, id.implied);
    return id;
}

const char* PlatformText(int platform) { return platform == 1 ? "MS-DOS" : platform == 2 ? "Windows" : nullptr; }
const char* ModeText(int mode)
{
    return mode == 1 ? "16-bit" : mode == 2 ? "32-bit" : mode == 3 ? "64-bit" : nullptr;
}

// "TYPE, finding, finding..." for a person.
std::string Findings(const AttachmentInfo& r)
{
    const AdditionalInfo& i = r.additionalInfo;
    std::string s = Utf8(r.typeName);
    auto add = [&s](const std::string& f) { s += ", " + f; };
    if (i.width || i.height)
        add(std::to_string(i.width) + "x" + std::to_string(i.height));
    if (const char* platform = PlatformText(i.platform)) {
        const char* what = r.typeName == W("DLL") ? " library" : " program";
        const char* mode = ModeText(i.programMode);
        add(std::string(platform) + (mode ? std::string(" ") + mode : std::string()) + what);
    }
    if (i.isDotNet)
        add(".NET assembly");
    if (i.runOnExtract)
        add("run on extract");
    if (i.isTracking)
        add("potentially tracking");
    if (i.typeMismatch)
        add("type differs from the name's " + Utf8(r.extension));
    if (CFileSignature::IsPotentiallyDangerous(r))
        add("potentially dangerous");
    return s;
}

void PrintText(const Identified& id, std::string& out)
{
    if (!id.error.empty()) {
        out += id.path + ": cannot be read: " + id.error + "\n";
        return;
    }
    out += id.path + ": " + Findings(id.record);
    if (!id.contained.empty())
        out += ", " + std::to_string(id.contained.size()) + (id.contained.size() == 1 ? " file" : " files") + " inside";
    out += "\n";
    for (const AttachmentInfo& f : id.contained)
        out += "  " + Utf8(f.longFileName) + ": " + Findings(f) + "\n";
}

std::string JsonNullable(const char* text) { return text ? JsonString(text) : "null"; }
const char* Bool(bool b) { return b ? "true" : "false"; }

std::string JsonFields(const AttachmentInfo& r)
{
    const AdditionalInfo& i = r.additionalInfo;
    return "\"extension\": " + JsonString(Utf8(r.extension)) + ", \"type\": " + JsonString(Utf8(r.typeName)) +
           ", \"width\": " + std::to_string(i.width) + ", \"height\": " + std::to_string(i.height) +
           ", \"platform\": " + JsonNullable(PlatformText(i.platform)) +
           ", \"programMode\": " + JsonNullable(ModeText(i.programMode)) + ", \"dotNet\": " + Bool(i.isDotNet) +
           ", \"runOnExtract\": " + Bool(i.runOnExtract) + ", \"tracking\": " + Bool(i.isTracking) +
           ", \"typeMismatch\": " + Bool(i.typeMismatch) +
           ", \"dangerous\": " + Bool(CFileSignature::IsPotentiallyDangerous(r));
}

void PrintJson(const Identified& id, bool first, std::string& out)
{
    out += first ? "\n  {" : ",\n  {";
    out += "\"path\": " + JsonString(id.path);
    if (!id.error.empty()) {
        out += ", \"error\": " + JsonString(id.error) + "}";
        return;
    }
    out += ", \"implied\": " +
           (id.implied ? JsonString(pal::ToUtf8(CFileSignature::GetKindName(id.implied))) : std::string("null"));
    out += ", " + JsonFields(id.record) + ", \"contained\": [";
    for (size_t k = 0; k < id.contained.size(); ++k)
        out += std::string(k ? ", " : "") + "{\"name\": " + JsonString(Utf8(id.contained[k].longFileName)) + ", " +
               JsonFields(id.contained[k]) + "}";
    out += "]}";
}

int Usage()
{
    std::fprintf(stderr, "usage: vantora identify [--json] FILE...\n");
    return 2;
}

} // namespace

int IdentifyCommand(const Args& args)
{
    bool json = false, options = true;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (options && a == "--json")
            json = true;
        else if (options && a == "--")
            options = false;
        else if (options && a.size() > 1 && a[0] == '-')
            return std::fprintf(stderr, "vantora identify: unknown option %s\n", a.c_str()), Usage();
        else
            files.push_back(a);
    }
    if (files.empty())
        return Usage();

    int status = 0;
    std::string out;
    if (json)
        out = "[";
    for (size_t k = 0; k < files.size(); ++k) {
        Identified id = Identify(files[k]);
        if (!id.error.empty())
            status = 1;
        if (json)
            PrintJson(id, k == 0, out);
        else
            PrintText(id, out);
        // Written in pieces, so that a long run shows its progress and holds little.
        if (out.size() > 64 * 1024) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    if (json)
        out += "\n]\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    return status;
}

} // namespace host
