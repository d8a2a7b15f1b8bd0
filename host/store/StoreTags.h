// Properties the store sets beyond those the add-in headers declare.
#pragma once

#include <mapix.h>

// The format the body was stored in, in MAPI's coding (not the object model's): 0 undefined, 1 plain text,
// 2 RTF, 3 HTML.
#define PR_NATIVE_BODY_INFO PROP_TAG(PT_LONG, 0x1016)
#define NATIVE_BODY_UNDEFINED 0
#define NATIVE_BODY_PLAIN 1
#define NATIVE_BODY_RTF 2
#define NATIVE_BODY_HTML 3

#define PR_RENDERING_POSITION PROP_TAG(PT_LONG, 0x370B)
#define PR_ATTACH_FLAGS PROP_TAG(PT_LONG, 0x3714)
#define PR_STORE_SUPPORT_MASK PROP_TAG(PT_LONG, 0x340D)
#define PR_SENT_REPRESENTING_NAME_W PROP_TAG(PT_UNICODE, 0x0042)
#define PR_SENDER_SMTP_ADDRESS_W PROP_TAG(PT_UNICODE, 0x5D01)

// Property sets of named properties: MAPI's own ids as names, public strings, internet headers (whose
// string names are header names: "Content-Type" is the content type of the body part).
inline const GUID PS_MAPI_GUID = {0x00020328, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline const GUID PS_PUBLIC_STRINGS_GUID = {0x00020329, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline const GUID PS_INTERNET_HEADERS_GUID = {0x00020386, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

#define MSGFLAG_READ ((ULONG)0x00000001)
#define MSGFLAG_HASATTACH ((ULONG)0x00000010)
