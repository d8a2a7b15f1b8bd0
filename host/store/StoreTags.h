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

// Tags of the Outlook 2010 MAPI headers that mingw-w64's older ones lack (the layer's headers have them).
#ifndef PR_HTML
#define PR_HTML PROP_TAG(PT_BINARY, 0x1013)
#endif
#ifndef PR_INTERNET_CPID
#define PR_INTERNET_CPID PROP_TAG(PT_LONG, 0x3FDE)
#endif
#ifndef PR_MESSAGE_CODEPAGE
#define PR_MESSAGE_CODEPAGE PROP_TAG(PT_LONG, 0x3FFD)
#endif
#ifndef PR_ATTACH_CONTENT_ID_W
#define PR_ATTACH_CONTENT_ID_W PROP_TAG(PT_UNICODE, 0x3712)
#endif
#ifndef PR_ATTACHMENT_HIDDEN
#define PR_ATTACHMENT_HIDDEN PROP_TAG(PT_BOOLEAN, 0x7FFE)
#endif

// mingw-w64's MAPI headers give the interfaces no ids for __uuidof.
#ifdef __MINGW32__
__CRT_UUID_DECL(IMAPITable, 0x00020301, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(IMAPIProp, 0x00020303, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(IMessage, 0x00020307, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
__CRT_UUID_DECL(IAttach, 0x00020308, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)
#endif

// mingw-w64's MAPI headers keep the old SDK's ULONG for UI parameters and advise connections, where the
// Outlook 2010 SDK has ULONG_PTR; on x64 either travels in one register, so the vtables agree.
#ifdef __MINGW32__
using MapiUlongPtr = ULONG;
#else
using MapiUlongPtr = ULONG_PTR;
#endif

#ifndef PR_RENDERING_POSITION
#define PR_RENDERING_POSITION PROP_TAG(PT_LONG, 0x370B)
#endif
#ifndef PR_ATTACH_FLAGS
#define PR_ATTACH_FLAGS PROP_TAG(PT_LONG, 0x3714)
#endif
#ifndef PR_STORE_SUPPORT_MASK
#define PR_STORE_SUPPORT_MASK PROP_TAG(PT_LONG, 0x340D)
#endif
#ifndef PR_SENT_REPRESENTING_NAME_W
#define PR_SENT_REPRESENTING_NAME_W PROP_TAG(PT_UNICODE, 0x0042)
#endif
#ifndef PR_SENDER_SMTP_ADDRESS_W
#define PR_SENDER_SMTP_ADDRESS_W PROP_TAG(PT_UNICODE, 0x5D01)
#endif

// Property sets of named properties: MAPI's own ids as names, public strings, internet headers (whose
// string names are header names: "Content-Type" is the content type of the body part).
inline const GUID PS_MAPI_GUID = {0x00020328, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline const GUID PS_PUBLIC_STRINGS_GUID = {0x00020329, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline const GUID PS_INTERNET_HEADERS_GUID = {0x00020386, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

#ifndef MSGFLAG_READ
#define MSGFLAG_READ ((ULONG)0x00000001)
#endif
#ifndef MSGFLAG_HASATTACH
#define MSGFLAG_HASATTACH ((ULONG)0x00000010)
#endif
