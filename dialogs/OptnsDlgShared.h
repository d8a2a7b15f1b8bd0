// What the pages of the options dialog share: the data of a provider row and the dialog's texts.
#pragma once

#include "Utils/SettingsManager.h"
#include "__Utilities/ResourceManager.h"
#include "__Utilities/WString.h"

namespace optns_dlg {

// A provider row's data: the provider's id, and whether the provider takes a key.
constexpr LPARAM KEY_USED = 0x80000000;
constexpr LPARAM PROVIDER_ID_MASK = 0x7FFFFFFF;

inline WString LoadText(int id)
{
    CComBSTR text = CResourceManager::Instance().GetText(id);
    return text.m_str ? WString(text.m_str) : WString();
}

} // namespace optns_dlg
