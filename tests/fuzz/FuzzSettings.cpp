// The settings readers, on values another program (or a damaged registry) may have left: the input is a
// series of values, each a name selector, a type and a length byte followed by its bytes. Reading either
// succeeds or reports an error; what was read is written and read back to the same settings.
#include <filesystem>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorInfo.h"

namespace {

const WCHAR* const kAddinKey = u"Software\\Microsoft\\Office\\Outlook\\Addins\\VantoraAddin.Connect";
const WCHAR* const kNames[] = {u"xsMaxRetryCount",   u"xsReplyTimeout",           u"xsDisplayTabs",
                               u"xsProvidersOrder",  u"xsSelectedProvidersOrder", u"xsProviderKeys",
                               u"xsBlockEmailsList", u"xsBlockLinksList",         u"xsBlockServersList"};
const DWORD kTypes[] = {REG_BINARY, REG_DWORD, REG_SZ, REG_NONE, REG_QWORD, REG_MULTI_SZ, REG_EXPAND_SZ};

class Settings : public CSettingsManager {
public:
    Settings() = default;
    bool Read()
    {
        try {
            ReadSettings();
            return true;
        } catch (const CErrorInfo&) {
            return false;
        }
    }
    bool operator==(const Settings& o) const
    {
        if (providerKeys.size() != o.providerKeys.size())
            return false;
        for (auto i = providerKeys.begin(), j = o.providerKeys.begin(); i != providerKeys.end(); ++i, ++j)
            if (i->first != j->first || std::u16string(i->second.m_str ? i->second.m_str : u"") != std::u16string(j->second.m_str ? j->second.m_str : u""))
                return false;
        return maxRetryCount == o.maxRetryCount && serverReplyTimeout == o.serverReplyTimeout &&
               displayTabs == o.displayTabs && flagEmails == o.flagEmails && emailCountries == o.emailCountries &&
               flagLinks == o.flagLinks && linkCountries == o.linkCountries && flagServers == o.flagServers &&
               servers == o.servers && providersOrder == o.providersOrder &&
               selectedProviders == o.selectedProviders;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::error_code ec;
    std::filesystem::remove_all(fuzz::Prefix() + "/registry", ec);
    HKEY key = nullptr;
    FUZZ_ASSERT(RegCreateKeyExW(HKEY_CURRENT_USER, kAddinKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
                ERROR_SUCCESS);
    for (size_t pos = 0; pos + 3 <= size;) {
        const WCHAR* name = kNames[data[pos] % std::size(kNames)];
        DWORD type = kTypes[data[pos + 1] % std::size(kTypes)];
        size_t length = std::min<size_t>(data[pos + 2], size - pos - 3);
        RegSetValueExW(key, name, 0, type, data + pos + 3, DWORD(length));
        pos += 3 + length;
    }
    RegCloseKey(key);

    Settings first;
    if (first.Read()) {
        first.WriteSettings();
        Settings second;
        FUZZ_ASSERT(second.Read());
        FUZZ_ASSERT(second == first);
    }
    fuzz::TrimErrorLog();
    return 0;
}
