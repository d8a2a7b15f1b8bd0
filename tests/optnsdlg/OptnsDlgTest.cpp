// The options dialog end to end: what each page shows of the settings, what OK writes to the registry and
// hands to the geo-location manager, the provider list's limits, menu and keys, and Cancel.
#include "OptnsTestUtil.h"

#include <regex>

#include "geo/ProviderTestUtil.h"

namespace {

using namespace optns_test;

TEST_F(OptnsTest, EveryPageShowsTheSettingsAndOkWritesTheEdits)
{
    CSettingsManager& s = Settings();
    s.displayTabs = CSettingsManager::DISPLAY_CONTENT | CSettingsManager::DISPLAY_LINKS;
    s.maxRetryCount = 2;
    s.serverReplyTimeout = 8;
    s.flagEmails = true;
    s.emailCountries = {Code("FR"), Code("DE")}; // in list order: France, Germany
    s.flagLinks = false;
    s.linkCountries = {Code("CN")};
    s.flagServers = true;
    s.servers = {W("mail.example.com"), W("10.1.2.3")};
    std::vector<std::string> selectedNames;
    for (CIPRequest* p : Manager().GetSelectedProviders())
        selectedNames.push_back(pal::ToUtf8(p->GetProviderName().c_str()));

    INT_PTR result = Run([&](HWND d) {
        EXPECT_EQ(U8(pal::ViewDialog(d).caption), "Options");
        pal::ControlView tab = View(d, IDC_TAB);
        ASSERT_EQ(tab.items.size(), 5u);
        EXPECT_EQ(U8(tab.items[0]) + "|" + U8(tab.items[1]) + "|" + U8(tab.items[2]) + "|" + U8(tab.items[3]) + "|" +
                      U8(tab.items[4]),
                  "Providers|Setup|Flag Countries|Flag Links|Flag Servers");
        EXPECT_EQ(tab.current, 0);
        EXPECT_TRUE(View(d, IDLC_PROVIDERS).visible);
        for (int id : {IDC_SHOW_CONTENT, IDLB_COUNTRIES, IDE_SERVERS, IDC_READ_AS_TEXT, IDCB_FOLDERS, IDE_PROVIDER_KEY,
                       IDC_PENDING_TEXT, IDC_PENDING_ICON})
            EXPECT_FALSE(View(d, id).visible) << id;
        // Page controls live on the tab control, inside its display area.
        EXPECT_EQ(GetParent(Item(d, IDLC_PROVIDERS)), Item(d, IDC_TAB));
        EXPECT_GE(View(d, IDLC_PROVIDERS).rect.left, tab.rect.left + 5);

        pal::ControlView list = View(d, IDLC_PROVIDERS);
        ASSERT_EQ(list.columns.size(), 7u);
        EXPECT_EQ(U8(list.columns[1]) + "|" + U8(list.columns[2]) + "|" + U8(list.columns[3]) + "|" +
                      U8(list.columns[4]) + "|" + U8(list.columns[5]) + "|" + U8(list.columns[6]),
                  "Provider|Key|IPv4|IPv6|URL|Rate");
        ASSERT_EQ(list.rows.size(), Manager().GetProviders().size());
        EXPECT_EQ(CheckedNames(d), selectedNames);
        std::regex rate("N/A|[0-9]+/(sec|min|hr|day|week|mo|yr)");
        for (size_t i = 0; i < list.rows.size(); ++i) {
            const pal::ListViewRow& row = list.rows[i];
            CIPRequest* p = Manager().GetProviders()[i].get();
            EXPECT_EQ(int(row.data & 0x7FFFFFFF), p->GetProviderId());
            EXPECT_EQ((row.data & 0x80000000) != 0, p->IsKeyUsed());
            EXPECT_EQ(U8(row.cells[3]), "  *  ") << "every provider locates IPv4 addresses";
            EXPECT_TRUE(std::regex_match(U8(row.cells[6]), rate)) << U8(row.cells[6]);
            EXPECT_EQ(U8(row.cells[2]), "") << "no keys are stored";
        }
        EXPECT_GE(SendMessageW(Item(d, IDLC_PROVIDERS), LVM_GETCOLUMNWIDTH, 2, 0), 150);

        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 1));
        EXPECT_FALSE(View(d, IDLC_PROVIDERS).visible);
        EXPECT_EQ(View(d, IDC_SHOW_CONTENT).checked, BST_CHECKED);
        EXPECT_EQ(View(d, IDC_SHOW_IP_LOCATION).checked, BST_UNCHECKED);
        EXPECT_EQ(View(d, IDC_SHOW_ATTACHMENTS).checked, BST_UNCHECKED);
        EXPECT_EQ(View(d, IDC_SHOW_LINKS).checked, BST_CHECKED);
        pal::ControlView retry = View(d, IDUD_RETRY_COUNT), timeout = View(d, IDUD_REPLY_TIMEOUT);
        EXPECT_EQ(retry.upDownPos, 2);
        EXPECT_EQ(timeout.upDownPos, 8);
        EXPECT_EQ(retry.upDownMin, 1);
        EXPECT_EQ(retry.upDownMax, 10);
        EXPECT_EQ(U8(View(d, IDE_REPLY_TIMEOUT).text), "8");
        EXPECT_GE(View(d, IDC_GROUP_CONNECTION).rect.left, View(d, IDC_GROUP_RIBBON).rect.right + 15);
        EXPECT_TRUE(pal::PressButton(d, IDC_SHOW_CONTENT));
        EXPECT_TRUE(pal::PressButton(d, IDC_SHOW_IP_LOCATION));
        EXPECT_TRUE(pal::TypeText(Item(d, IDE_RETRY_COUNT), u"5"));
        EXPECT_TRUE(pal::TypeText(Item(d, IDE_REPLY_TIMEOUT), u"9"));

        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 2));
        EXPECT_TRUE(View(d, IDC_FLAG_EMAILS).visible);
        EXPECT_FALSE(View(d, IDC_FLAG_LINKS).visible);
        EXPECT_EQ(View(d, IDC_FLAG_EMAILS).checked, BST_CHECKED);
        pal::ControlView countries = View(d, IDLB_COUNTRIES);
        EXPECT_EQ(countries.items.size(), 250u);
        EXPECT_TRUE(std::is_sorted(countries.items.begin(), countries.items.end()));
        int france = CountryIndex(d, "France"), germany = CountryIndex(d, "Germany"), japan = CountryIndex(d, "Japan");
        std::vector<int> selected;
        for (size_t i = 0; i < countries.itemSelected.size(); ++i)
            if (countries.itemSelected[i])
                selected.push_back(int(i));
        EXPECT_EQ(selected, (std::vector<int>{france, germany}));
        EXPECT_TRUE(pal::SelectListItems(Item(d, IDLB_COUNTRIES), {france, germany, japan}));

        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 3));
        EXPECT_EQ(View(d, IDC_FLAG_LINKS).checked, BST_UNCHECKED);
        EXPECT_TRUE(View(d, IDLB_COUNTRIES).itemSelected[size_t(CountryIndex(d, "China"))]);
        EXPECT_TRUE(pal::PressButton(d, IDC_FLAG_LINKS));
        EXPECT_TRUE(pal::SelectListItems(Item(d, IDLB_COUNTRIES), {CountryIndex(d, "Brazil"), CountryIndex(d, "China")}));

        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 4));
        EXPECT_EQ(View(d, IDC_FLAG_SERVERS).checked, BST_CHECKED);
        EXPECT_EQ(U8(View(d, IDE_SERVERS).text), "mail.example.com\r\n10.1.2.3");
        EXPECT_TRUE(pal::TypeText(Item(d, IDE_SERVERS), u"a.example.org, 192.168.1.1"));
        EXPECT_TRUE(pal::PressButton(d, IDOK)); // saved while the page with the server list is shown
    });
    EXPECT_EQ(result, IDOK);

    StoredSettings stored;
    EXPECT_EQ(stored.displayTabs, DWORD(CSettingsManager::DISPLAY_IP_LOCATION | CSettingsManager::DISPLAY_LINKS));
    EXPECT_EQ(stored.maxRetryCount, 5);
    EXPECT_EQ(stored.serverReplyTimeout, 9);
    EXPECT_TRUE(stored.flagEmails);
    EXPECT_EQ(stored.emailCountries, (std::vector<int>{Code("FR"), Code("DE"), Code("JP")}));
    EXPECT_TRUE(stored.flagLinks);
    EXPECT_EQ(stored.linkCountries, (std::vector<int>{Code("BR"), Code("CN")}));
    EXPECT_TRUE(stored.flagServers);
    ASSERT_EQ(stored.servers.size(), 2u);
    EXPECT_EQ(stored.servers[0], WString(W("a.example.org")));
    EXPECT_EQ(stored.servers[1], WString(W("192.168.1.1")));
    EXPECT_EQ(stored.providersOrder.size(), Manager().GetProviders().size()) << "a first save records the order";
    EXPECT_TRUE(stored.selectedProviders.empty()) << "the selection did not change";
}

TEST_F(OptnsTest, BetweenOneAndFourProvidersStayChecked)
{
    std::string last;
    INT_PTR result = Run([&](HWND d) {
        HWND list = Item(d, IDLC_PROVIDERS);
        std::vector<std::string> checked = CheckedNames(d);
        ASSERT_EQ(checked.size(), 4u);
        int unchecked = -1;
        for (const std::string& name : RowNames(d))
            if (std::find(checked.begin(), checked.end(), name) == checked.end()) {
                unchecked = RowOf(d, name);
                break;
            }
        EXPECT_FALSE(pal::CheckListViewRow(list, unchecked, true)) << "a fifth is refused";
        EXPECT_EQ(CheckedNames(d), checked);
        for (size_t i = 0; i + 1 < checked.size(); ++i)
            EXPECT_TRUE(pal::CheckListViewRow(list, RowOf(d, checked[i]), false)) << checked[i];
        last = checked.back();
        EXPECT_FALSE(pal::CheckListViewRow(list, RowOf(d, last), false)) << "the last one stays";
        EXPECT_EQ(CheckedNames(d), std::vector<std::string>{last});
        EXPECT_TRUE(pal::CheckListViewRow(list, unchecked, true)) << "below four, checking works again";
        EXPECT_TRUE(pal::CheckListViewRow(list, unchecked, false));
        EXPECT_TRUE(pal::PressButton(d, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(Manager().GetSelectedProviders().size(), 1u);
    EXPECT_EQ(pal::ToUtf8(Manager().GetSelectedProviders()[0]->GetProviderName().c_str()), last);
    EXPECT_EQ(StoredSettings().selectedProviders, std::vector<int>{ProviderId(last)});
}

TEST_F(OptnsTest, RowMenuMovesProvidersWithinItsLimits)
{
    std::vector<int> before;
    for (const auto& p : Manager().GetProviders())
        before.push_back(p->GetProviderId());
    std::string keyed = KeyedProvider();
    INT_PTR result = Run([&](HWND d) {
        std::vector<std::string> names = RowNames(d);
        pal::ControlView list = View(d, IDLC_PROVIDERS);
        ChooseRowCommand(d, 0, 0); // only look
        ASSERT_EQ(m_host.menus.size(), 1u);
        const pal::PopupMenuRequest& menu = m_host.menus[0];
        ASSERT_EQ(menu.items.size(), 5u);
        EXPECT_EQ(U8(menu.items[0].text) + "|" + U8(menu.items[1].text) + "|" + U8(menu.items[3].text) + "|" +
                      U8(menu.items[4].text),
                  "Move Up|Move Down|Set Key|Clear Key");
        EXPECT_TRUE(menu.items[2].separator);
        EXPECT_FALSE(menu.items[0].enabled) << "the first row cannot move up";
        EXPECT_TRUE(menu.items[1].enabled);
        bool keyUsed = (list.rows[0].data & 0x80000000) != 0;
        EXPECT_EQ(menu.items[3].enabled, keyUsed);
        EXPECT_EQ(menu.items[4].enabled, keyUsed);

        // Move Down swaps every cell, the check box and the item data.
        ChooseRowCommand(d, 0, IDS_MENU_MOVE_DOWN);
        pal::ControlView after = View(d, IDLC_PROVIDERS);
        EXPECT_EQ(after.rows[0].cells, list.rows[1].cells);
        EXPECT_EQ(after.rows[1].cells, list.rows[0].cells);
        EXPECT_EQ(after.rows[0].data, list.rows[1].data);
        EXPECT_EQ(after.rows[1].checked, list.rows[0].checked);

        int lastRow = int(names.size()) - 1;
        ChooseRowCommand(d, lastRow, 0);
        EXPECT_TRUE(m_host.menus.back().items[0].enabled);
        EXPECT_FALSE(m_host.menus.back().items[1].enabled) << "the last row cannot move down";
        ChooseRowCommand(d, lastRow, IDS_MENU_MOVE_DOWN); // disabled: dismissed
        EXPECT_EQ(RowNames(d).back(), names.back());
        ChooseRowCommand(d, RowOf(d, keyed), 0);
        EXPECT_TRUE(m_host.menus.back().items[3].enabled);
        EXPECT_TRUE(m_host.menus.back().items[4].enabled);
        ChooseRowCommand(d, lastRow, IDS_MENU_MOVE_UP);
        EXPECT_EQ(RowNames(d)[size_t(lastRow) - 1], names.back());
        EXPECT_TRUE(pal::PressButton(d, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    std::vector<int> expected = before;
    std::swap(expected[0], expected[1]);
    std::swap(expected[expected.size() - 1], expected[expected.size() - 2]);
    EXPECT_EQ(StoredSettings().providersOrder, expected);
    std::vector<int> now;
    for (const auto& p : Manager().GetProviders())
        now.push_back(p->GetProviderId());
    EXPECT_EQ(now, expected);
}

TEST_F(OptnsTest, KeysAreEditedMaskedClearedAndStored)
{
    std::vector<std::string> keyed;
    for (const auto& p : Manager().GetProviders())
        if (p->IsKeyUsed())
            keyed.push_back(pal::ToUtf8(p->GetProviderName().c_str()));
    ASSERT_GE(keyed.size(), 4u);
    // The third keyed provider has a key already.
    Settings().providerKeys[ProviderId(keyed[2])] = CComBSTR(W("old-key"));
    Manager().SetKeys(Settings().providerKeys);
    const std::u16string control = u"a\x01\x7F\tb";
    std::u16string longKey(10000, u'k');

    INT_PTR result = Run([&](HWND d) {
        HWND list = Item(d, IDLC_PROVIDERS), editor = Item(d, IDE_PROVIDER_KEY);
        auto keyCell = [&](const std::string& name) { return U8(View(d, IDLC_PROVIDERS).rows[size_t(RowOf(d, name))].cells[2]); };
        EXPECT_EQ(keyCell(keyed[2]), "*******");

        ChooseRowCommand(d, RowOf(d, keyed[0]), IDS_MENU_SET_KEY);
        pal::ControlView ed = View(d, IDE_PROVIDER_KEY);
        EXPECT_TRUE(ed.visible);
        EXPECT_TRUE(ed.enabled);
        EXPECT_TRUE(ed.focused);
        pal::ControlView lv = View(d, IDLC_PROVIDERS);
        EXPECT_GT(ed.rect.left, lv.rect.left) << "over the Key cell";
        EXPECT_GT(ed.rect.top, lv.rect.top);
        EXPECT_TRUE(pal::TypeText(editor, u"secret-1"));
        EXPECT_TRUE(pal::FocusControl(list));
        EXPECT_FALSE(View(d, IDE_PROVIDER_KEY).visible);
        EXPECT_EQ(keyCell(keyed[0]), "********");

        // Blanks leave the key as it was.
        ChooseRowCommand(d, RowOf(d, keyed[0]), IDS_MENU_SET_KEY);
        EXPECT_TRUE(pal::TypeText(editor, u"   \t "));
        EXPECT_TRUE(pal::FocusControl(list));
        EXPECT_EQ(keyCell(keyed[0]), "********");

        // A double click on the Key cell edits too; the editor takes at most 255 characters.
        ASSERT_TRUE(pal::ClickListViewCell(list, RowOf(d, keyed[1]), 2, pal::ClickKind::Double));
        EXPECT_TRUE(View(d, IDE_PROVIDER_KEY).visible);
        EXPECT_TRUE(pal::TypeText(editor, longKey));
        // Enter in the editor: the key is taken and the dialog stays open.
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_TRUE(IsWindowVisible(d));
        EXPECT_EQ(keyCell(keyed[1]), std::string(255, '*'));

        ChooseRowCommand(d, RowOf(d, keyed[3]), IDS_MENU_SET_KEY);
        EXPECT_TRUE(pal::TypeText(editor, control));
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); // Escape in the editor
        EXPECT_TRUE(IsWindowVisible(d));
        EXPECT_EQ(keyCell(keyed[3]), "*****");

        ChooseRowCommand(d, RowOf(d, keyed[2]), IDS_MENU_CLEAR_KEY);
        EXPECT_EQ(keyCell(keyed[2]), "*Key Required*");
        EXPECT_TRUE(pal::PressButton(d, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    StoredSettings stored;
    auto key = [&](const std::string& name) {
        auto it = stored.providerKeys.find(ProviderId(name));
        return it == stored.providerKeys.end() || !it->second.m_str ? std::u16string() : std::u16string(it->second.m_str);
    };
    EXPECT_EQ(key(keyed[0]), u"secret-1");
    EXPECT_EQ(key(keyed[1]), longKey.substr(0, 255));
    EXPECT_EQ(key(keyed[2]), u"");
    EXPECT_EQ(key(keyed[3]), control);
    for (const auto& p : Manager().GetProviders()) {
        if (pal::ToUtf8(p->GetProviderName().c_str()) == keyed[2]) {
            EXPECT_FALSE(p->HasKey()) << "the cleared key reached the manager";
        }
    }
}

TEST_F(OptnsTest, DoubleClickOnTheProviderOpensItsWebPage)
{
    INT_PTR result = Run([&](HWND d) {
        HWND list = Item(d, IDLC_PROVIDERS);
        ASSERT_TRUE(pal::ClickListViewCell(list, 0, 1, pal::ClickKind::Double));
        ASSERT_EQ(m_host.opened.size(), 1u);
        EXPECT_EQ(U8(m_host.opened[0].verb), "open");
        EXPECT_EQ(m_host.opened[0].file, std::u16string(Manager().GetProviders()[0]->GetHomePage().c_str()));
        int keyless = -1;
        for (size_t i = 0; i < Manager().GetProviders().size(); ++i)
            if (!Manager().GetProviders()[i]->IsKeyUsed())
                keyless = int(i);
        ASSERT_TRUE(pal::ClickListViewCell(list, keyless, 2, pal::ClickKind::Double));
        EXPECT_FALSE(View(d, IDE_PROVIDER_KEY).visible) << "a provider without a key has no key to edit";
        ASSERT_TRUE(pal::ClickListViewCell(list, keyless, 4, pal::ClickKind::Double));
        EXPECT_EQ(m_host.opened.size(), 1u);
        EXPECT_TRUE(pal::PressButton(d, IDCANCEL));
    });
    EXPECT_EQ(result, IDCANCEL);
}

TEST_F(OptnsTest, CancelWritesNothing)
{
    std::vector<int> order;
    for (const auto& p : Manager().GetProviders())
        order.push_back(p->GetProviderId());
    INT_PTR result = Run([&](HWND d) {
        ChooseRowCommand(d, 0, IDS_MENU_MOVE_DOWN);
        ChooseRowCommand(d, RowOf(d, KeyedProvider()), IDS_MENU_SET_KEY);
        EXPECT_TRUE(pal::TypeText(Item(d, IDE_PROVIDER_KEY), u"never-saved"));
        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 1));
        EXPECT_TRUE(pal::PressButton(d, IDC_SHOW_CONTENT));
        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 2));
        EXPECT_TRUE(pal::SelectListItems(Item(d, IDLB_COUNTRIES), {0, 1, 2}));
        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 4));
        EXPECT_TRUE(pal::TypeText(Item(d, IDE_SERVERS), u"x.example.com"));
        EXPECT_TRUE(pal::PressButton(d, IDCANCEL));
    });
    EXPECT_EQ(result, IDCANCEL);
    HKEY key = nullptr;
    DWORD values = 0;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ADDIN_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                         nullptr);
        RegCloseKey(key);
    }
    EXPECT_EQ(values, 0u);
    EXPECT_EQ(Settings().displayTabs, CSettingsManager::ALL_FLAGS);
    EXPECT_TRUE(Settings().emailCountries.empty());
    EXPECT_TRUE(Settings().servers.empty());
    std::vector<int> now;
    for (const auto& p : Manager().GetProviders())
        now.push_back(p->GetProviderId());
    EXPECT_EQ(now, order);
}

TEST_F(OptnsTest, ReorderWaitsForPendingRequests)
{
    using testing_support::HttpReply;
    HttpReply hang;
    hang.hang = true;
    testing_support::ServiceTwin twin(GeoService::KeyCDN, {{"/geo.json?host=8.8.8.8", hang}});
    Manager().InitOnStartup(); // the providers take the twin's address
    CIPRequest* keycdn = Manager().GetProviders()[0].get();
    ASSERT_NE(keycdn->GetLocationInfo(testing_support::MakeAddress("8.8.8.8")), nullptr);
    ASSERT_TRUE(Manager().InProgress());
    std::vector<int> order;
    for (const auto& p : Manager().GetProviders())
        order.push_back(p->GetProviderId());

    INT_PTR result = Run([&](HWND d) {
        EXPECT_TRUE(View(d, IDC_PENDING_TEXT).visible);
        EXPECT_TRUE(View(d, IDC_PENDING_ICON).visible);
        EXPECT_EQ(U8(View(d, IDC_PENDING_TEXT).text), "There are pending requests.");
        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 1));
        EXPECT_FALSE(View(d, IDC_PENDING_TEXT).visible) << "the note belongs to the Providers page";
        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 0));
        EXPECT_TRUE(View(d, IDC_PENDING_TEXT).visible);

        ChooseRowCommand(d, 0, IDS_MENU_MOVE_DOWN);
        EXPECT_TRUE(pal::PressButton(d, IDOK));
        ASSERT_EQ(m_host.boxes.size(), 1u);
        EXPECT_EQ(U8(m_host.boxes[0].text), "Unable to reorder IP providers as some requests are still in progress.");
        EXPECT_EQ(U8(m_host.boxes[0].caption), "Warning");
        EXPECT_EQ(m_host.boxes[0].type & MB_ICONMASK, UINT(MB_ICONWARNING));
        EXPECT_TRUE(IsWindowVisible(d)) << "refused: the dialog stays open with its edits";
        EXPECT_TRUE(StoredSettings().providersOrder.empty()) << "nothing written";

        twin.Server().ReleaseHangs();
        EXPECT_TRUE(pal::PumpUntil([&] { return !IsWindowVisible(Item(d, IDC_PENDING_TEXT)); }, 20000));
        EXPECT_FALSE(View(d, IDC_PENDING_ICON).visible);
        EXPECT_TRUE(pal::PressButton(d, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(m_host.boxes.size(), 1u);
    std::vector<int> expected = order;
    std::swap(expected[0], expected[1]);
    EXPECT_EQ(StoredSettings().providersOrder, expected);
}

} // namespace
