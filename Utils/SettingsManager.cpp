// The settings record and its registry formats; see SettingsManager.h.
#include "Utils/SettingsManager.h"

#include "Utils/OutlookAddinRegistry.h"
#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"
#include "res/resource.h"

namespace {


const WCHAR SERVER_SEPARATOR[] = W(", ");
const size_t SERVER_SEPARATOR_LENGTH = 2;

// Integers in the blobs are little-endian whatever the machine.
int GetInt(const BYTE* p)
{
    return int(DWORD(p[0]) | (DWORD(p[1]) << 8) | (DWORD(p[2]) << 16) | (DWORD(p[3]) << 24));
}

void PutInt(std::vector<BYTE>& buffer, int value)
{
    DWORD v = DWORD(value);
    for (int shift = 0; shift < 32; shift += 8)
        buffer.push_back(BYTE(v >> shift));
}

// Exchanges the bits of mask 0x55 between the low and the high byte; its own inverse.
WCHAR ScrambleKeyUnit(WCHAR unit)
{
    BYTE low = BYTE(unit & 0xFF);
    BYTE high = BYTE(unit >> 8);
    BYTE storedLow = BYTE((low & 0xAA) | (high & 0x55));
    BYTE storedHigh = BYTE((high & 0xAA) | (low & 0x55));
    return WCHAR(storedLow | (storedHigh << 8));
}

std::vector<int> GetInts(const BYTE* p, size_t count)
{
    std::vector<int> values;
    values.reserve(count);
    for (size_t i = 0; i < count; ++i)
        values.push_back(GetInt(p + i * sizeof(int)));
    return values;
}

} // namespace

CSettingsManager& CSettingsManager::Instance()
{
    static CSettingsManager s_settings;
    if (!s_settings.m_settingsRead) {
        s_settings.ReadSettings();
        s_settings.m_settingsRead = true;
    }
    return s_settings;
}

CComBSTR CSettingsManager::ValueName(UINT id) { return CResourceManager::Instance().GetText(int(id)); }

void CSettingsManager::SetMaxRetryCount(int newValue)
{
    VTR_CHECK((newValue >= g_retryCountMin) && (newValue <= g_retryCountMax), E_INVALIDARG);
    maxRetryCount = newValue;
}

void CSettingsManager::SetServerReplyTimeout(int newValue)
{
    VTR_CHECK(newValue >= 0, E_INVALIDARG);
    serverReplyTimeout = newValue;
}

void CSettingsManager::SetRibbonDisplayTabs(DWORD newValue)
{
    VTR_CHECK((newValue & ~ALL_FLAGS) == 0, E_INVALIDARG);
    displayTabs = newValue;
}

void CSettingsManager::ReadSettings()
{
    try {
        COutlookAddinRegistry registry;
        ReadDWORD(registry, IDS_XS_MAX_RETRY_COUNT, maxRetryCount);
        ReadDWORD(registry, IDS_XS_REPLY_TIMEOUT, serverReplyTimeout);
        int tabs = int(displayTabs);
        ReadDWORD(registry, IDS_XS_DISPLAY_TABS, tabs);
        displayTabs = DWORD(tabs);
        ReadIntegerList(registry, IDS_XS_PROVIDERS_ORDER, providersOrder);
        ReadIntegerList(registry, IDS_XS_SELECTED_PROVIDERS_ORDER, selectedProviders);
        ReadKeyList(registry, IDS_XS_PROVIDER_KEYS, providerKeys);
        ReadFlagList(registry, IDS_XS_BLOCK_EMAILS_LIST, flagEmails, emailCountries);
        ReadFlagList(registry, IDS_XS_BLOCK_LINKS_LIST, flagLinks, linkCountries);
        ReadTextList(registry, IDS_XS_BLOCK_SERVERS_LIST, flagServers, servers);
    }
    VTR_CATCH_RETHROW
}

void CSettingsManager::WriteSettings()
{
    try {
        COutlookAddinRegistry registry;
        WriteDWORD(registry, IDS_XS_MAX_RETRY_COUNT, DWORD(maxRetryCount));
        WriteDWORD(registry, IDS_XS_REPLY_TIMEOUT, DWORD(serverReplyTimeout));
        WriteDWORD(registry, IDS_XS_DISPLAY_TABS, displayTabs);
        WriteIntegerList(registry, IDS_XS_PROVIDERS_ORDER, providersOrder);
        WriteIntegerList(registry, IDS_XS_SELECTED_PROVIDERS_ORDER, selectedProviders);
        WriteKeyList(registry, IDS_XS_PROVIDER_KEYS, providerKeys);
        WriteFlagList(registry, IDS_XS_BLOCK_EMAILS_LIST, flagEmails, emailCountries);
        WriteFlagList(registry, IDS_XS_BLOCK_LINKS_LIST, flagLinks, linkCountries);
        WriteTextList(registry, IDS_XS_BLOCK_SERVERS_LIST, flagServers, servers);
    }
    VTR_CATCH_RETHROW
}

// Reading. A value that is absent or empty leaves its fields as they are; a wrong version byte is logged
// and the value ignored; a malformed size is thrown.

void CSettingsManager::ReadDWORD(COutlookAddinRegistry& registry, UINT id, int& field)
{
    DWORD value = 0;
    if (!registry.ReadDWORD(ValueName(id), value))
        return;
    if (VTR_VERIFY((value >> 24) == versionInfo, E_UNEXPECTED))
        field = int(value & 0xFFFFFF);
}

void CSettingsManager::ReadIntegerList(COutlookAddinRegistry& registry, UINT id, std::vector<int>& field)
{
    std::vector<BYTE> buffer;
    if (!registry.ReadBinary(ValueName(id), buffer) || buffer.empty())
        return;
    const BYTE* pData = buffer.data();
    if (!VTR_VERIFY(*pData == versionInfo, E_UNEXPECTED))
        return;
    size_t entryCount = (buffer.size() - 1) / sizeof(int);
    VTR_CHECK(entryCount * sizeof(int) == buffer.size() - 1, E_OUTOFMEMORY);
    field = GetInts(pData + 1, entryCount);
}

void CSettingsManager::ReadKeyList(COutlookAddinRegistry& registry, UINT id, std::map<int, CComBSTR>& field)
{
    field.clear();
    std::vector<BYTE> buffer;
    if (!registry.ReadBinary(ValueName(id), buffer) || buffer.empty())
        return;
    const BYTE* pData = buffer.data();
    if (!VTR_VERIFY(*pData == versionInfo, E_UNEXPECTED))
        return;
    VTR_CHECK(buffer.size() >= sizeof(int) + 1, E_FAIL);
    DWORD entryCount = DWORD(GetInt(pData + 1));

    // Every bound is checked against the bytes still left, never by pointer arithmetic with a stored
    // length, so that no hostile length can reach past the blob. A huge count ends at the first check.
    size_t offset = 1 + sizeof(int);
    for (DWORD entry = 0; entry < entryCount; ++entry) {
        VTR_CHECK(buffer.size() - offset >= 2 * sizeof(int), E_FAIL);
        int providerId = GetInt(pData + offset);
        DWORD keyLength = DWORD(GetInt(pData + offset + sizeof(int)));
        offset += 2 * sizeof(int);
        VTR_CHECK(keyLength <= (buffer.size() - offset) / sizeof(WCHAR), E_FAIL);

        WString key;
        key.reserve(keyLength);
        for (DWORD i = 0; i < keyLength; ++i) {
            const BYTE* pUnit = pData + offset + i * sizeof(WCHAR);
            WCHAR unit = ScrambleKeyUnit(WCHAR(pUnit[0] | (pUnit[1] << 8)));
            if (unit == 0)
                break;
            key.push_back(unit);
        }
        offset += keyLength * sizeof(WCHAR);
        field[providerId] = CComBSTR(int(key.size()), key.c_str());
    }
}

void CSettingsManager::ReadFlagList(COutlookAddinRegistry& registry, UINT id, bool& flag, std::vector<int>& field)
{
    std::vector<BYTE> buffer;
    if (!registry.ReadBinary(ValueName(id), buffer) || buffer.empty())
        return;
    const BYTE* pData = buffer.data();
    if (!VTR_VERIFY(*pData == versionInfo, E_UNEXPECTED) || buffer.size() < 2)
        return;
    size_t entryCount = (buffer.size() - 2) / sizeof(int);
    VTR_CHECK(entryCount * sizeof(int) == buffer.size() - 2, E_OUTOFMEMORY);
    flag = pData[1] != 0;
    field = GetInts(pData + 2, entryCount);
}

void CSettingsManager::ReadTextList(COutlookAddinRegistry& registry, UINT id, bool& flag,
                                    std::vector<WString>& field)
{
    field.clear();
    std::vector<BYTE> buffer;
    if (!registry.ReadBinary(ValueName(id), buffer) || buffer.empty())
        return;
    const BYTE* pData = buffer.data();
    if (!VTR_VERIFY(*pData == versionInfo, E_UNEXPECTED))
        return;
    VTR_CHECK(buffer.size() >= 2, E_FAIL);
    flag = pData[1] != 0;

    WString text;
    size_t length = (buffer.size() - 2) / sizeof(WCHAR);
    text.reserve(length);
    for (size_t i = 0; i < length; ++i)
        text.push_back(WCHAR(pData[2 + 2 * i] | (pData[3 + 2 * i] << 8)));

    // A separator at the very start is not one: ", a" is the single entry ", a".
    size_t separator;
    while ((separator = text.find(SERVER_SEPARATOR)) != WString::npos && separator != 0) {
        field.push_back(text.substr(0, separator));
        text.erase(0, separator + SERVER_SEPARATOR_LENGTH);
    }
    if (!text.empty())
        field.push_back(text);
}

// Writing. A failed write is logged by the registry store and the others still go on.

void CSettingsManager::WriteDWORD(COutlookAddinRegistry& registry, UINT id, DWORD setting)
{
    registry.WriteDWORD(ValueName(id), (setting & 0xFFFFFF) | (DWORD(versionInfo) << 24));
}

void CSettingsManager::WriteIntegerList(COutlookAddinRegistry& registry, UINT id, const std::vector<int>& field)
{
    std::vector<BYTE> buffer;
    buffer.reserve(1 + field.size() * sizeof(int));
    buffer.push_back(versionInfo);
    for (int value : field)
        PutInt(buffer, value);
    registry.WriteBinary(ValueName(id), buffer);
}

void CSettingsManager::WriteKeyList(COutlookAddinRegistry& registry, UINT id, const std::map<int, CComBSTR>& field)
{
    size_t keysSize = 1 + sizeof(int);
    for (const auto& entry : field)
        keysSize += 2 * sizeof(int) + entry.second.Length() * sizeof(WCHAR);

    std::vector<BYTE> buffer;
    buffer.reserve(keysSize);
    buffer.push_back(versionInfo);
    PutInt(buffer, int(field.size()));
    for (const auto& entry : field) {
        unsigned int keyLength = entry.second.Length();
        PutInt(buffer, entry.first);
        PutInt(buffer, int(keyLength));
        for (unsigned int i = 0; i < keyLength; ++i) {
            WCHAR unit = ScrambleKeyUnit(entry.second.m_str[i]);
            buffer.push_back(BYTE(unit & 0xFF));
            buffer.push_back(BYTE(unit >> 8));
        }
    }
    VTR_CHECK(buffer.size() == keysSize, E_OUTOFMEMORY);
    registry.WriteBinary(ValueName(id), buffer);
}

void CSettingsManager::WriteFlagList(COutlookAddinRegistry& registry, UINT id, bool flag,
                                     const std::vector<int>& field)
{
    std::vector<BYTE> buffer;
    buffer.reserve(2 + field.size() * sizeof(int));
    buffer.push_back(versionInfo);
    buffer.push_back(flag ? 1 : 0);
    for (int value : field)
        PutInt(buffer, value);
    registry.WriteBinary(ValueName(id), buffer);
}

void CSettingsManager::WriteTextList(COutlookAddinRegistry& registry, UINT id, bool flag,
                                     const std::vector<WString>& field)
{
    WString text;
    for (const WString& server : field) {
        if (server.empty())
            continue;
        if (!text.empty())
            text += SERVER_SEPARATOR;
        text += server;
    }
    size_t textSize = 2 + text.size() * sizeof(WCHAR);

    std::vector<BYTE> buffer;
    buffer.reserve(textSize);
    buffer.push_back(versionInfo);
    buffer.push_back(flag ? 1 : 0);
    for (WCHAR unit : text) {
        buffer.push_back(BYTE(unit & 0xFF));
        buffer.push_back(BYTE(unit >> 8));
    }
    VTR_CHECK(buffer.size() == textSize, E_OUTOFMEMORY);
    registry.WriteBinary(ValueName(id), buffer);
}
