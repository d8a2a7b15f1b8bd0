// vantora identify: the file type analysis of the add-in on files given on the command line.
#pragma once

#include "host/Commands.h"

namespace host {

int IdentifyCommand(const Args& args);

} // namespace host
