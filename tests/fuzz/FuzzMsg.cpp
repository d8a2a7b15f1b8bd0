// The .msg reader of the message store: any bytes read as an Outlook compound file. A file that cannot be
// read must say why; one that can must keep the store's limits.
#include "FuzzMessages.h"
#include "FuzzSupport.h"
#include "host/store/Message.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    auto message = store::ParseMsg(std::string(reinterpret_cast<const char*>(data), size), "fuzz", error);
    FUZZ_ASSERT(message || !error.empty());
    if (!message)
        return 0;
    FUZZ_ASSERT(message->attachments.size() <= store::Limits::kMaxAttachments);
    FUZZ_ASSERT(fuzz::MessageDepth(*message) <= size_t(store::Limits::kMaxDepth) + 1);
    FUZZ_ASSERT(!message->entryId.empty());
    return 0;
}
