// The message snapshot reader, on files that may be damaged or written by someone else. The first byte is a
// mode: with its low bit set the target writes the body length and the checksum first, so that inputs
// reach the checks behind them. A snapshot is refused whole with a reason, or read as a message within the
// store's limits that writes back to the very same bytes (one message has one snapshot).
#include <zlib.h>

#include <algorithm>

#include "FuzzMessages.h"
#include "FuzzSupport.h"
#include "host/store/Snapshot.h"

namespace {


void Reseal(std::string& bytes)
{
    if (bytes.size() < 24)
        return;
    uint64_t length = bytes.size() - 24;
    for (int i = 0; i < 8; ++i)
        bytes[12 + size_t(i)] = char((length >> (8 * i)) & 0xFF);
    uint32_t crc = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), uInt(bytes.size() - 4)));
    for (int i = 0; i < 4; ++i)
        bytes[bytes.size() - 4 + size_t(i)] = char((crc >> (8 * i)) & 0xFF);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        Reseal(bytes);
    std::string error;
    auto message = store::ReadSnapshot(bytes, error);
    FUZZ_ASSERT(message ? error.empty() : !error.empty());
    if (!message)
        return 0;
    FUZZ_ASSERT(store::IsSnapshot(bytes));
    FUZZ_ASSERT(message->attachments.size() <= store::Limits::kMaxAttachments);
    FUZZ_ASSERT(fuzz::MessageDepth(*message) <= size_t(store::Limits::kMaxDepth));
    FUZZ_ASSERT(store::WriteSnapshot(*message) == bytes);
    return 0;
}
