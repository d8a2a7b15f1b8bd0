// Vantora platform layer: case mapping of UTF-16 code units, and the lossless UTF-8 form of any UTF-16
// text, shared by the registry and the wide string functions.
#pragma once

#pragma GCC visibility push(default)

#include <string>
#include <string_view>

namespace pal {


// Case-insensitive comparison by upcased code units: equal exactly when the registry calls two names
// equal. The order is that of the units with A to Z taken as a to z, as the CRT's comparison orders.
int CompareNoCase(std::u16string_view a, std::u16string_view b);



} // namespace pal

#pragma GCC visibility pop
