// The MIME mapping of the message store: any bytes read as an RFC 5322 message, then every attachment row,
// stream and attached message opened through MAPI as the add-in does, with every buffer released.
#include <atlbase.h>
#include <objidl.h>

#include "FuzzSupport.h"
#include "host/store/MapiBuffers.h"
#include "host/store/MapiMessage.h"
#include "host/store/Message.h"

namespace {

void Walk(IMessage* message, int depth)
{
    CComPtr<IMAPITable> table;
    FUZZ_ASSERT(SUCCEEDED(message->GetAttachmentTable(MAPI_UNICODE, &table)));
    ULONG rows = 0;
    FUZZ_ASSERT(SUCCEEDED(table->GetRowCount(0, &rows)));
    FUZZ_ASSERT(rows <= store::Limits::kMaxAttachments);
    for (ULONG r = 0; r < rows; ++r) {
        LPSRowSet set = nullptr;
        FUZZ_ASSERT(SUCCEEDED(table->QueryRows(1, 0, &set)) && set && set->cRows == 1);
        LONG number = set->aRow[0].lpProps[0].Value.l;
        store::MapiFreeBuffer(set->aRow[0].lpProps);
        store::MapiFreeBuffer(set);
        CComPtr<IAttach> attach;
        FUZZ_ASSERT(SUCCEEDED(message->OpenAttach(ULONG(number), nullptr, 0, &attach)));
        CComPtr<IUnknown> object;
        if (SUCCEEDED(attach->OpenProperty(PR_ATTACH_DATA_OBJ, &IID_IMessage, 0, 0, &object)) && depth < 40) {
            CComPtr<IMessage> inner;
            FUZZ_ASSERT(SUCCEEDED(object->QueryInterface(IID_IMessage, reinterpret_cast<void**>(&inner))));
            Walk(inner, depth + 1);
        }
    }
    ULONG count = 0;
    LPSPropValue values = nullptr;
    message->GetProps(nullptr, MAPI_UNICODE, &count, &values);
    store::MapiFreeBuffer(values);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string error;
    auto message = store::ParseMime(std::string(reinterpret_cast<const char*>(data), size), "fuzz", error);
    FUZZ_ASSERT(message || !error.empty());
    if (!message)
        return 0;
    FUZZ_ASSERT(message->headers || message->props.Find(PR_TRANSPORT_MESSAGE_HEADERS_W) == nullptr);
    CComPtr<IMessage> mapi;
    mapi.Attach(store::NewMapiMessage(message));
    Walk(mapi, 0);
    FUZZ_ASSERT(store::LiveMapiBuffers() == 0);
    return 0;
}
