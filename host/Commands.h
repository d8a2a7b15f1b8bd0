// The commands of the vantora program. Each command lives in its own file and has one entry in the
// table of main.cpp; it gets the arguments after its name and returns the process exit status.
#pragma once

#include <string>
#include <vector>

#include "windows.h"

#include "host/text/Json.h"

namespace host {

using Args = std::vector<std::string>;

int RegisterCommand(const Args& args);
int UnregisterCommand(const Args& args);
int AddinsCommand(const Args& args);
int MapiCommand(const Args& args);
int ShowCommand(const Args& args);
int SnapshotCommand(const Args& args);

// The add-in module beside the vantora program (the default of every command that loads it).
std::string DefaultModulePath();
// An HRESULT as "0x80040111 (CLASS_E_CLASSNOTAVAILABLE)", with the system's text when it has one.
std::string HResultText(HRESULT hr);

} // namespace host
