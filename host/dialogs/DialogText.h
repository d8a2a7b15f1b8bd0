// A dialog as text for the console: its caption, then one line per visible control with what a person
// sees of it (label, check state, selected tab, list rows, the text of an edit), nested as on the screen.
#pragma once

#include <string>

#include "pal/dialogs.h"

namespace host {

std::string DialogText(const pal::DialogView& view);

} // namespace host
