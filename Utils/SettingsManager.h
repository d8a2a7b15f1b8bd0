// The add-in's user options: one process-wide record, read from the current user's registry on first use
// and written back when the options dialog applies changes. Integers are stored as DWORDs with a version
// in their top byte, lists as byte blobs that begin with the version byte; provider access keys are
// stored with their bits exchanged so that they do not stand in the registry as plain text.
#pragma once

#include <windows.h>
#include <atlbase.h>

#include <map>
#include <string>
#include <vector>
#include "__Utilities/WString.h"

class COutlookAddinRegistry;

// The valid range of the retry count.
inline constexpr int g_retryCountMin = 1;
inline constexpr int g_retryCountMax = 10;

class CSettingsManager {
public:
    // Ribbon groups to show.
    static constexpr DWORD DISPLAY_CONTENT = 0x1;
    static constexpr DWORD DISPLAY_IP_LOCATION = 0x2;
    static constexpr DWORD DISPLAY_ATTACHMENTS = 0x4;
    static constexpr DWORD DISPLAY_LINKS = 0x8;
    static constexpr DWORD ALL_FLAGS = 0xF;

    // The record, read from the registry at the first access; after a failed read (thrown to the
    // caller) the next access reads again.
    static CSettingsManager& Instance();

    void ReadSettings();
    void WriteSettings();

    // Checked setters: a value out of range is logged and thrown, and the field stays unchanged.
    void SetMaxRetryCount(int newValue);
    void SetServerReplyTimeout(int newValue);
    void SetRibbonDisplayTabs(DWORD newValue);

    int maxRetryCount = 3;
    int serverReplyTimeout = 7; // seconds
    DWORD displayTabs = ALL_FLAGS;
    bool flagEmails = false;
    WString emailsFolder; // the three folders live in memory only
    std::vector<int> emailCountries;       // two-letter codes read as little-endian 32-bit integers
    bool flagLinks = false;
    WString linksFolder;
    std::vector<int> linkCountries;
    bool flagServers = false;
    WString serversFolder;
    std::vector<WString> servers;
    std::vector<int> providersOrder; // provider identifiers
    std::vector<int> selectedProviders;
    std::map<int, CComBSTR> providerKeys;

protected:
    CSettingsManager() = default;
    CSettingsManager(const CSettingsManager&) = delete;
    CSettingsManager& operator=(const CSettingsManager&) = delete;

private:
    static constexpr BYTE versionInfo = 1;

    static CComBSTR ValueName(UINT id);

    static void ReadDWORD(COutlookAddinRegistry& registry, UINT id, int& field);
    static void ReadIntegerList(COutlookAddinRegistry& registry, UINT id, std::vector<int>& field);
    static void ReadKeyList(COutlookAddinRegistry& registry, UINT id, std::map<int, CComBSTR>& field);
    static void ReadFlagList(COutlookAddinRegistry& registry, UINT id, bool& flag, std::vector<int>& field);
    static void ReadTextList(COutlookAddinRegistry& registry, UINT id, bool& flag,
                             std::vector<WString>& field);

    static void WriteDWORD(COutlookAddinRegistry& registry, UINT id, DWORD setting);
    static void WriteIntegerList(COutlookAddinRegistry& registry, UINT id, const std::vector<int>& field);
    static void WriteKeyList(COutlookAddinRegistry& registry, UINT id, const std::map<int, CComBSTR>& field);
    static void WriteFlagList(COutlookAddinRegistry& registry, UINT id, bool flag, const std::vector<int>& field);
    static void WriteTextList(COutlookAddinRegistry& registry, UINT id, bool flag,
                              const std::vector<WString>& field);

    bool m_settingsRead = false;
};
