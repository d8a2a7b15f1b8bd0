// The MAPI objects over the store's model: the message (IMessage), its attachments (IAttach) and the
// attachment table (IMAPITable). Every result buffer comes from MapiAllocateBuffer, with the strings and
// binaries of a value array linked to it by MapiAllocateMore, so that one MAPIFreeBuffer releases it; a row
// set and each of its rows' value arrays are separate buffers, as MAPI's FreeProws expects.
#pragma once

#include <memory>
#include <vector>

#include "host/store/Message.h"

namespace store {

// A new IMessage over the message (one reference, owned by the caller).
IMessage* NewMapiMessage(std::shared_ptr<Message> message);

// GetProps over a property set: all properties when tags is null; missing ones as PT_ERROR values with
// MAPI_E_NOT_FOUND, and then MAPI_W_ERRORS_RETURNED.
HRESULT GetPropsOf(const PropSet& props, LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values);

} // namespace store
