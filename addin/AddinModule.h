// The add-in's COM server module: its class ids, its object map and the lock count behind
// DllCanUnloadNow. The exports that use it are in VantoraAddin.cpp.
#pragma once

#include <windows.h>
#include <atlbase.h>
#include <atlcom.h>

#include "res/resource.h"

// Ids of the type library (res/VantoraAddin.idl).
struct VantoraAddinLib;
DEFINE_UUIDOF(VantoraAddinLib, "9F5DAF14-B0F6-4C74-8ABE-986A1B713DEB");
struct Connect;
DEFINE_UUIDOF(Connect, "F8158EA8-AA22-4DE7-A907-E2C8480FD7E1");
struct IConnect;
DEFINE_UUIDOF(IConnect, "214F3170-C585-458D-B394-EA83ED803EA2");
struct IRibbonCallback;
DEFINE_UUIDOF(IRibbonCallback, "6ED1230D-65E6-436E-BA20-8390033AA4F7");

#define VANTORA_APPID W("{2A664214-3887-463E-89BD-70F309448741}")

class CVantoraAddinModule : public ATL::CAtlDllModule {
public:
    CVantoraAddinModule() : ATL::CAtlDllModule(IDR_VANTORAADDIN, VANTORA_APPID) {}
};

extern CVantoraAddinModule _AtlModule;
