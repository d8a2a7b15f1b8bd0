// The Windows SDK's msxml6.h, which mingw-w64 lacks: MSXML 6's classes on top of the interfaces of its
// msxml2.h (which the 6.0 classes share). Only what Vantora uses.
#pragma once

#include <msxml2.h>

class DOMDocument60;
class XMLHTTP60;
class ServerXMLHTTP60;
__CRT_UUID_DECL(DOMDocument60, 0x88D96A05, 0xF192, 0x11D4, 0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5)
__CRT_UUID_DECL(XMLHTTP60, 0x88D96A0A, 0xF192, 0x11D4, 0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5)
__CRT_UUID_DECL(ServerXMLHTTP60, 0x88D96A0B, 0xF192, 0x11D4, 0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5)

#ifndef CLSID_DOMDocument60
#define CLSID_DOMDocument60 __uuidof(DOMDocument60)
#define CLSID_XMLHTTP60 __uuidof(XMLHTTP60)
#define CLSID_ServerXMLHTTP60 __uuidof(ServerXMLHTTP60)
#endif
