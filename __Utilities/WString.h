// The add-in's wide string: UTF-16 text in WCHARs (std::wstring with the Windows SDK).
#pragma once

#include <string>
#include <string_view>

#include <windows.h>

using WString = std::basic_string<WCHAR>;
using WStringView = std::basic_string_view<WCHAR>;
