// Properties the store sets beyond those the add-in headers declare.
#pragma once

#include <mapix.h>

// Where this store keeps the format the body arrived in (1 text, 2 HTML, 3 RTF) and the content type of
// the MIME body part, in the named-property range as Outlook's stores do.
#define PR_NATIVE_BODY_FORMAT PROP_TAG(PT_LONG, 0x8130)
#define PR_NATIVE_CONTENT_TYPE_W PROP_TAG(PT_UNICODE, 0x80DD)

#define PR_NATIVE_BODY_INFO PROP_TAG(PT_LONG, 0x1016)
#define PR_RENDERING_POSITION PROP_TAG(PT_LONG, 0x370B)
#define PR_ATTACH_FLAGS PROP_TAG(PT_LONG, 0x3714)
#define PR_STORE_SUPPORT_MASK PROP_TAG(PT_LONG, 0x340D)
#define PR_SENT_REPRESENTING_NAME_W PROP_TAG(PT_UNICODE, 0x0042)
#define PR_SENDER_SMTP_ADDRESS_W PROP_TAG(PT_UNICODE, 0x5D01)

#define MSGFLAG_READ ((ULONG)0x00000001)
#define MSGFLAG_HASATTACH ((ULONG)0x00000010)
