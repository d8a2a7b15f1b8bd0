// The module object and its object map. CConnect's entry carries its registration script; the class
// adds its creator to the entry (OBJECT_ENTRY_AUTO) where it is defined.
#include "addin/AddinModule.h"

CVantoraAddinModule _AtlModule;

namespace {
[[maybe_unused]] const bool g_connectEntry = ATL::AtlRegisterObject(__uuidof(Connect), IDR_CONNECT, nullptr);
} // namespace
