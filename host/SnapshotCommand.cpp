// vantora snapshot [-o DIR] FILE...: each message file read by the store and written as DIR/<file name>.vsnap,
// the form in which the Windows host, which has no message readers, gets the same messages. A file that
// cannot be read or written is reported on stderr and the others go on; the exit status is then 1.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>

#include "host/Commands.h"
#include "host/store/Message.h"
#include "host/store/Snapshot.h"

namespace host {

namespace {

namespace fs = std::filesystem;

// Written beside its final name and renamed over it, so that a failed write leaves no half snapshot.
bool WriteWhole(const fs::path& path, const std::string& bytes, std::string& error)
{
    fs::path partial = path;
    partial += ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(partial, ignored);
            error = "cannot write " + partial.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(partial, path, ec);
    if (ec) {
        fs::remove(partial, ec);
        error = "cannot write " + path.string() + ": " + ec.message();
        return false;
    }
    return true;
}

bool Snapshot(const std::string& file, const fs::path& dir, std::map<std::string, std::string>& written,
              std::string& error)
{
    std::shared_ptr<store::Message> message = store::LoadMessageFile(file, error);
    if (!message)
        return false;
    std::string bytes = store::WriteSnapshot(*message);
    // What the reader would refuse is not written: a snapshot is only useful whole.
    std::string why;
    if (bytes.size() > store::Limits::kMaxFileSize)
        why = "larger than " + std::to_string(store::Limits::kMaxFileSize >> 20) + " MB";
    else if (!store::ReadSnapshot(bytes, why))
        why = "would not read back (" + why + ")";
    if (!why.empty()) {
        error = file + ": its snapshot is " + why;
        return false;
    }
    fs::path target = dir / (fs::path(file).filename().string() + ".vsnap");
    auto [earlier, fresh] = written.emplace(target.string(), file);
    if (!fresh) {
        error = file + ": " + target.string() + " is already the snapshot of " + earlier->second;
        return false;
    }
    if (!WriteWhole(target, bytes, error)) {
        written.erase(target.string());
        error = file + ": " + error;
        return false;
    }
    std::printf("%s\n", target.string().c_str());
    return true;
}

} // namespace

int SnapshotCommand(const Args& args)
{
    fs::path dir = ".";
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" && i + 1 < args.size())
            dir = args[++i];
        else if (args[i] == "-o" || (args[i].size() > 1 && args[i][0] == '-')) {
            files.clear();
            break;
        } else
            files.push_back(args[i]);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: vantora snapshot [-o DIR] FILE...\n");
        return 2;
    }
    std::error_code ec;
    fs::create_directories(dir, ec);
    if (ec || !fs::is_directory(dir)) {
        std::fprintf(stderr, "vantora snapshot: %s: not a folder that can be written\n", dir.string().c_str());
        return 1;
    }
    int status = 0;
    std::map<std::string, std::string> written;
    for (const std::string& file : files) {
        std::string error;
        if (!Snapshot(file, dir, written, error)) {
            std::fprintf(stderr, "vantora snapshot: %s\n", error.c_str());
            status = 1;
        }
    }
    return status;
}

} // namespace host
