// UTF-8 for the program's output and arguments, UTF-16 for what it gives the add-in: through the system's
// own conversion, so that both builds of the host convert as Windows does.
#pragma once

#include <string>
#include <string_view>

#include "__Utilities/WString.h"

namespace host {

std::string Utf8(WStringView text);
// A null text is empty.
std::string Utf8(const WCHAR* text);
WString Wide(std::string_view utf8);

} // namespace host
