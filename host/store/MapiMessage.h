// The MAPI objects over the store's model: the message (IMessage), its attachments (IAttach) and the
// attachment table (IMAPITable). Every result buffer comes from MapiAllocateBuffer, with the strings and
// binaries of a value array linked to it by MapiAllocateMore, so that one MAPIFreeBuffer releases it; a row
// set and each of its rows' value arrays are separate buffers, as MAPI's FreeProws expects.
#pragma once

#include <memory>
#include <vector>

#include "__Utilities/WString.h"
#include "host/store/Message.h"

namespace store {

// A new IMessage over the message (one reference, owned by the caller), in the store of its names (the
// default store when it has none), or in the store of the names given.
IMessage* NewMapiMessage(std::shared_ptr<Message> message);
IMessage* NewMapiMessage(std::shared_ptr<Message> message, std::shared_ptr<NameMap> names);

// GetProps over a property set: all properties when tags is null; missing ones as PT_ERROR values with
// MAPI_E_NOT_FOUND, and then MAPI_W_ERRORS_RETURNED. Ids from 0x8000 are named properties, looked up by
// the names' name for the id (none without names).
HRESULT GetPropsOf(const PropSet& props, NameMap* names, LPSPropTagArray tags, ULONG flags, ULONG* count,
                   LPSPropValue* values);

// GetIDsFromNames over a store's names: PT_UNSPECIFIED tags; an unknown name (without MAPI_CREATE, or
// with the range full) as PROP_TAG(PT_ERROR, 0) and MAPI_W_ERRORS_RETURNED; no names, every id.
HRESULT GetIDsFromNamesOf(NameMap& names, ULONG count, LPMAPINAMEID* asked, ULONG flags, LPSPropTagArray* tags);
// GetNamesFromIDs: the name of each tag (ids below 0x8000 as PS_MAPI numbers), null and
// MAPI_W_ERRORS_RETURNED for an id without one; with *tags null, every name (of set, when given) and
// their tags in a new array. One MAPIFreeBuffer releases the names.
HRESULT GetNamesFromIDsOf(const NameMap& names, LPSPropTagArray* tags, LPGUID set, ULONG flags, ULONG* count,
                          LPMAPINAMEID** out);

// What the add-in reads of a message's format, as `vantora mapi` shows it: the native body in the
// object model's coding (1 text, 2 HTML, 3 RTF, 0 none), and the body part's content type, by its name.
int NativeBodyFormatOf(IMAPIProp* prop);
WString ContentTypeOf(IMAPIProp* prop);

} // namespace store
