// A dialog as JSON: its caption, template and rectangles, and every control with what a program needs
// to check it (text, state, items, rows, runs of rich text), children nested under their control.
#pragma once

#include <string>

#include "pal/dialogs.h"

namespace host {

// One JSON object; nested lines are indented by pad plus two spaces.
std::string DialogJson(const pal::DialogView& view, const std::string& pad = "");

// A COLORREF as "#rrggbb".
std::string ColorText(COLORREF color);

} // namespace host
