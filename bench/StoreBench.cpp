// The message store against a bare GMime parse of the same files, in the same run: messages per second
// for the real messages of ../shared/corpus/eml read into an item and walked as the add-in walks them
// (header, bodies, attachment table, attachment streams, attached messages), for GMime's parse alone, and
// for the .msg files of ../shared/corpus/msg.
#include <benchmark/benchmark.h>

#include <dirent.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <atlbase.h>
#include <objidl.h>

#include "host/store/MapiBuffers.h"
#include "host/store/MapiMessage.h"
#include "host/store/Message.h"

#include <gmime/gmime.h>

namespace {

std::vector<std::string> ReadFolder(const std::string& folder, const std::string& suffix)
{
    std::vector<std::string> files;
    std::string path = std::string(VANTORA_CORPUS_DIR) + "/" + folder;
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return files;
    while (dirent* e = readdir(dir)) {
        std::string name = e->d_name;
        if (name.size() <= suffix.size() || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        std::ifstream in(path + "/" + name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        files.push_back(s.str());
    }
    closedir(dir);
    return files;
}

const std::vector<std::string>& Eml()
{
    static const std::vector<std::string> files = ReadFolder("eml", ".eml");
    return files;
}

const std::vector<std::string>& Msg()
{
    static const std::vector<std::string> files = ReadFolder("msg", ".msg");
    return files;
}

size_t Walk(IMessage* message, int depth)
{
    size_t bytes = 0;
    ULONG count = 0;
    LPSPropValue values = nullptr;
    message->GetProps(nullptr, MAPI_UNICODE, &count, &values);
    store::MapiFreeBuffer(values);
    CComPtr<IMAPITable> table;
    ULONG rows = 0;
    if (FAILED(message->GetAttachmentTable(MAPI_UNICODE, &table)) || FAILED(table->GetRowCount(0, &rows)))
        return 0;
    for (ULONG r = 0; r < rows; ++r) {
        LPSRowSet set = nullptr;
        if (FAILED(table->QueryRows(1, 0, &set)) || !set || set->cRows != 1) {
            store::MapiFreeBuffer(set);
            break;
        }
        LONG number = set->aRow[0].lpProps[0].Value.l;
        store::MapiFreeBuffer(set->aRow[0].lpProps);
        store::MapiFreeBuffer(set);
        CComPtr<IAttach> attach;
        if (FAILED(message->OpenAttach(ULONG(number), nullptr, 0, &attach)))
            continue;
        CComPtr<IUnknown> object;
        if (SUCCEEDED(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0, &object)) && depth < 8) {
            CComPtr<IMessage> inner;
            object->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&inner));
            bytes += Walk(inner, depth + 1);
        } else if (SUCCEEDED(attach->OpenProperty(PR_ATTACH_DATA_BIN, &IID_IStream, 0, 0, &object))) {
            CComPtr<IStream> stream;
            object->QueryInterface(IID_IStream, reinterpret_cast<void**>(&stream));
            char buf[4096];
            ULONG got = 0;
            if (stream && SUCCEEDED(stream->Read(buf, sizeof(buf), &got)))
                bytes += got;
        }
    }
    return bytes;
}

void ThroughTheStore(benchmark::State& state, const std::vector<std::string>& files)
{
    if (files.empty()) {
        state.SkipWithError("corpus not found");
        return;
    }
    size_t messages = 0, bytes = 0;
    for (auto _ : state) {
        for (const std::string& file : files) {
            std::string error;
            auto message = store::LoadMessageBytes(file, "bench", error);
            if (!message)
                continue;
            CComPtr<IMessage> mapi;
            mapi.Attach(store::NewMapiMessage(message));
            benchmark::DoNotOptimize(Walk(mapi, 0));
            ++messages;
            bytes += file.size();
        }
    }
    state.counters["messages/s"] = benchmark::Counter(double(messages), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(bytes));
}

void BM_StoreEml(benchmark::State& state) { ThroughTheStore(state, Eml()); }
void BM_StoreMsg(benchmark::State& state) { ThroughTheStore(state, Msg()); }

void BM_BareGMimeParse(benchmark::State& state)
{
    const auto& files = Eml();
    if (files.empty()) {
        state.SkipWithError("corpus not found");
        return;
    }
    g_mime_init();
    size_t messages = 0, bytes = 0;
    for (auto _ : state) {
        for (const std::string& file : files) {
            GMimeStream* stream = g_mime_stream_mem_new_with_buffer(file.data(), file.size());
            GMimeParser* parser = g_mime_parser_new_with_stream(stream);
            GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
            benchmark::DoNotOptimize(message);
            if (message)
                g_object_unref(message);
            g_object_unref(parser);
            g_object_unref(stream);
            ++messages;
            bytes += file.size();
        }
    }
    state.counters["messages/s"] = benchmark::Counter(double(messages), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(bytes));
}

} // namespace

BENCHMARK(BM_BareGMimeParse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreEml)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreMsg)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
