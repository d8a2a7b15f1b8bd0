// The text of an answer body, decoded in one pass: responseText is read on the UI thread, also for
// answers of many megabytes.
#pragma once

#include <string>
#include <string_view>

namespace pal::http {

// UTF-8 (a leading byte order mark dropped), or Windows-1252 when the answer names a single-byte
// charset (lower case, as taken from its content type). An invalid UTF-8 sequence costs one byte and
// gives one U+FFFD, as in the rest of the layer.
std::u16string DecodeBody(std::string_view body, std::string_view charset);

} // namespace pal::http
