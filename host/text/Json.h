// Text for the JSON the vantora commands print.
#pragma once

#include <string>

namespace host {

// Text as a JSON string literal, quotes included (UTF-8 passes through; control characters are escaped).
std::string JsonString(const std::string& text);

} // namespace host
