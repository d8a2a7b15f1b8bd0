// Where the layer keeps per-user state.
#pragma once

#include <string>

namespace pal {

// The prefix folder that holds the registry files, AppData and Temp ($VANTORA_PREFIX, else
// $XDG_DATA_HOME/vantora, else ~/.local/share/vantora). Created on first use.
std::string PrefixPath();

} // namespace pal
