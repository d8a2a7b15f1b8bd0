// The module object and the object map entry of the Connect class: its registration script, until the
// class itself adds its creator.
#include "addin/AddinModule.h"

CVantoraAddinModule _AtlModule;

namespace {

class CConnectRegistration : public ATL::CComCoClass<CConnectRegistration, &__uuidof(Connect)> {
public:
    DECLARE_REGISTRY_RESOURCEID(IDR_CONNECT)
};

} // namespace

OBJECT_ENTRY_NON_CREATEABLE_EX_AUTO(__uuidof(Connect), CConnectRegistration)
