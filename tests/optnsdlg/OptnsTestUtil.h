// The options dialog as a person uses it: a host that acts on the dialog once it is shown, answers its
// menus and message boxes, and records what the dialog asked. Each test process has its own registry;
// the settings record and the geo-location manager are the real process-wide ones.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Utils/OutlookAddinRegistry.h"
#include "Utils/SettingsManager.h"
#include "dialogs/OptnsDlg.h"
#include "geo/CountryTable.h"
#include "geo/GeoLocationManager.h"
#include "pal/dialogs.h"
#include "pal/host.h"
#include "pal/loop.h"
#include "res/resource.h"
#include "support/DialogViews.h"

namespace optns_test {

inline const WCHAR* const ADDIN_KEY = W("Software\\Microsoft\\Office\\Outlook\\Addins\\VantoraAddin.Connect");

inline std::string U8(const std::u16string& s) { return pal::ToUtf8(s); }

class OptnsHost : public pal::UserInterfaceHost {
public:
    bool SaveFileDialog(const pal::SaveFileRequest&, std::u16string&) override { return false; }
    int ShowMessageBox(const pal::MessageBoxRequest& request) override
    {
        boxes.push_back(request);
        return IDOK;
    }
    int OpenDocument(const pal::OpenRequest& request) override
    {
        opened.push_back(request);
        return 42;
    }
    UINT PopupMenuShown(const pal::PopupMenuRequest& request) override
    {
        menus.push_back(request);
        UINT choice = nextChoice;
        nextChoice = 0;
        return choice;
    }
    void ModalDialogShown(HWND dialog) override
    {
        this->dialog = dialog;
        if (act)
            act(dialog);
        if (IsWindow(dialog) && IsWindowVisible(dialog))
            pal::PressButton(dialog, IDCANCEL); // a test that forgot to close it
    }

    std::function<void(HWND)> act;
    HWND dialog = nullptr;
    UINT nextChoice = 0;
    std::vector<pal::MessageBoxRequest> boxes;
    std::vector<pal::OpenRequest> opened;
    std::vector<pal::PopupMenuRequest> menus;
};

// A settings record of its own, read from the registry as the next start of the add-in would.
class StoredSettings : public CSettingsManager {
public:
    StoredSettings() { ReadSettings(); }
};

class OptnsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Tests that share a process start from the same empty registry and default record.
        RegDeleteTreeW(HKEY_CURRENT_USER, ADDIN_KEY);
        CSettingsManager& s = Settings();
        s.maxRetryCount = 3;
        s.serverReplyTimeout = 7;
        s.displayTabs = CSettingsManager::ALL_FLAGS;
        s.flagEmails = s.flagLinks = s.flagServers = false;
        s.emailsFolder.clear();
        s.linksFolder.clear();
        s.serversFolder.clear();
        s.emailCountries.clear();
        s.linkCountries.clear();
        s.servers.clear();
        s.providersOrder.clear();
        s.selectedProviders.clear();
        s.providerKeys.clear();
        m_previous = pal::SetUserInterfaceHost(&m_host);
        Manager().InitOnStartup();
    }
    void TearDown() override
    {
        Manager().CleanUpOnClose();
        pal::SetUserInterfaceHost(m_previous);
    }

    static CGeoLocationManager& Manager() { return CGeoLocationManager::Instance(); }
    static CSettingsManager& Settings() { return CSettingsManager::Instance(); }

    // Runs the dialog; act works on it while it is open.
    INT_PTR Run(std::function<void(HWND)> act, IDispatch* application = nullptr)
    {
        m_host.act = std::move(act);
        COptnsDlg dialog(application);
        return dialog.DoModal(nullptr);
    }

    static pal::ControlView View(HWND dialog, int id)
    {
        pal::DialogView view = pal::ViewDialog(dialog);
        const pal::ControlView* found = testing_support::FindView(view.controls, id);
        EXPECT_NE(found, nullptr) << id;
        return found ? *found : pal::ControlView{};
    }
    static HWND Item(HWND dialog, int id) { return pal::FindControl(dialog, id); }

    // The provider rows: names, and which are checked.
    static std::vector<std::string> RowNames(HWND dialog)
    {
        std::vector<std::string> names;
        for (const pal::ListViewRow& row : View(dialog, IDLC_PROVIDERS).rows)
            names.push_back(U8(row.cells[1]));
        return names;
    }
    static std::vector<std::string> CheckedNames(HWND dialog)
    {
        std::vector<std::string> names;
        for (const pal::ListViewRow& row : View(dialog, IDLC_PROVIDERS).rows)
            if (row.checked)
                names.push_back(U8(row.cells[1]));
        return names;
    }
    static int RowOf(HWND dialog, const std::string& name)
    {
        std::vector<std::string> names = RowNames(dialog);
        auto it = std::find(names.begin(), names.end(), name);
        return it == names.end() ? -1 : int(it - names.begin());
    }
    // The first provider in the manager's order that takes a key, and one that does not.
    static std::string KeyedProvider()
    {
        for (const auto& p : Manager().GetProviders())
            if (p->IsKeyUsed())
                return pal::ToUtf8(p->GetProviderName().c_str());
        return {};
    }
    static int ProviderId(const std::string& name)
    {
        for (const auto& p : Manager().GetProviders())
            if (pal::ToUtf8(p->GetProviderName().c_str()) == name)
                return p->GetProviderId();
        return -1;
    }

    // Index of a country name in the (sorted) country list.
    static int CountryIndex(HWND dialog, const std::string& name)
    {
        pal::ControlView list = View(dialog, IDLB_COUNTRIES);
        for (size_t i = 0; i < list.items.size(); ++i)
            if (U8(list.items[i]) == name)
                return int(i);
        return -1;
    }
    static int Code(const char* twoLetters)
    {
        std::u16string wide = pal::ToWide(twoLetters);
        return CountryKey(wide.c_str());
    }

    // A row's context menu command, as a person picks it.
    void ChooseRowCommand(HWND dialog, int row, UINT command)
    {
        m_host.nextChoice = command;
        ASSERT_TRUE(pal::ClickListViewCell(Item(dialog, IDLC_PROVIDERS), row, 1, pal::ClickKind::Right));
    }

    OptnsHost m_host;
    pal::UserInterfaceHost* m_previous = nullptr;
};

} // namespace optns_test
