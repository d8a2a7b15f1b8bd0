// What the ribbon showed for a message, for a person (text, PNG) or a program (JSON).
#pragma once

#include <string>
#include <vector>

#include "host/ribbon/RibbonModel.h"

namespace ribbon {

std::string RenderText(const ShownMessage& shown);
// A JSON array with one object per message; extra[i], when given, is more members of the i-th object
// (the dialogs and message boxes of vantora show).
std::string RenderJson(const std::vector<ShownMessage>& shown, const std::vector<std::string>& extra = {});
// The tab drawn as a ribbon; false with a reason when the file cannot be written.
bool RenderPng(const ShownMessage& shown, const std::string& path, std::string& error);
// The PNG of the index-th message (from 0): the path itself, then "name-2.png", "name-3.png"...
std::string PngPath(const std::string& path, size_t index);

} // namespace ribbon
