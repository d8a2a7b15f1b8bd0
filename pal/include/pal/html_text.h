// Vantora platform layer: the text of an HTML document for the host program, as the layer's HTML document
// renders it (the same parse the add-in's links come from). Exported by libmshtml.so.
#pragma once

#pragma GCC visibility push(default)

#include <string>
#include <string_view>

namespace pal {

// Runs of white space are one space, <br> and the edges of blocks end lines, cells are set apart by a
// space, and script, style, head and the like give nothing; entities are decoded. Lines end with CR LF.
// Empty when the text has none, or when memory runs out.
std::u16string HtmlDocumentText(std::u16string_view html);

} // namespace pal

#pragma GCC visibility pop
