// The host that answers dialogs and message boxes (pal::SetUserInterfaceHost), for the components that
// show them.
#pragma once

#include "pal/host.h"

namespace pal::detail {

UserInterfaceHost* CurrentUserInterfaceHost();

} // namespace pal::detail
