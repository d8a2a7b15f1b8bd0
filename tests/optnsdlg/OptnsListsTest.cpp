// The options dialog's two lists: the country list shared by the e-mail and link pages, with its menu, and
// the server list, re-formatted one entry per line with the entries that are no address in red.
#include "OptnsTestUtil.h"

namespace {

using namespace optns_test;

std::vector<int> SelectedIndexes(const pal::ControlView& list)
{
    std::vector<int> selected;
    for (size_t i = 0; i < list.itemSelected.size(); ++i)
        if (list.itemSelected[i])
            selected.push_back(int(i));
    return selected;
}

TEST_F(OptnsTest, CountrySelectionsOfTheTwoPagesStayApart)
{
    INT_PTR result = Run([&](HWND d) {
        HWND tab = Item(d, IDC_TAB), countries = Item(d, IDLB_COUNTRIES);
        int austria = CountryIndex(d, "Austria"), belgium = CountryIndex(d, "Belgium"), chile = CountryIndex(d, "Chile");
        ASSERT_TRUE(pal::ChooseTab(tab, 2));
        EXPECT_TRUE(SelectedIndexes(View(d, IDLB_COUNTRIES)).empty());
        EXPECT_TRUE(pal::SelectListItems(countries, {austria, belgium}));
        ASSERT_TRUE(pal::ChooseTab(tab, 3));
        EXPECT_TRUE(SelectedIndexes(View(d, IDLB_COUNTRIES)).empty()) << "the link page has its own selection";
        EXPECT_TRUE(pal::SelectListItems(countries, {chile}));
        ASSERT_TRUE(pal::ChooseTab(tab, 2));
        EXPECT_EQ(SelectedIndexes(View(d, IDLB_COUNTRIES)), (std::vector<int>{austria, belgium}));
        ASSERT_TRUE(pal::ChooseTab(tab, 3));
        EXPECT_EQ(SelectedIndexes(View(d, IDLB_COUNTRIES)), std::vector<int>{chile});

        // The list's menu: Select All on the link page leaves the e-mail page alone.
        m_host.nextChoice = IDS_MENU_SELECT_ALL;
        ASSERT_TRUE(pal::RightClick(countries));
        ASSERT_EQ(m_host.menus.size(), 1u);
        ASSERT_EQ(m_host.menus[0].items.size(), 2u);
        EXPECT_EQ(U8(m_host.menus[0].items[0].text), "Select All");
        EXPECT_EQ(U8(m_host.menus[0].items[1].text), "Select None");
        EXPECT_EQ(SelectedIndexes(View(d, IDLB_COUNTRIES)).size(), 250u);
        ASSERT_TRUE(pal::ChooseTab(tab, 1));
        ASSERT_TRUE(pal::ChooseTab(tab, 2));
        EXPECT_EQ(SelectedIndexes(View(d, IDLB_COUNTRIES)), (std::vector<int>{austria, belgium}));
        ASSERT_TRUE(pal::ChooseTab(tab, 3));
        EXPECT_EQ(SelectedIndexes(View(d, IDLB_COUNTRIES)).size(), 250u);
        m_host.nextChoice = IDS_MENU_SELECT_NONE;
        ASSERT_TRUE(pal::RightClick(countries));
        EXPECT_TRUE(SelectedIndexes(View(d, IDLB_COUNTRIES)).empty());
        m_host.nextChoice = 0; // dismissed: nothing changes
        ASSERT_TRUE(pal::RightClick(countries));
        EXPECT_TRUE(SelectedIndexes(View(d, IDLB_COUNTRIES)).empty());
        EXPECT_TRUE(pal::SelectListItems(countries, {chile}));
        EXPECT_TRUE(pal::PressButton(d, IDOK)); // saved from the page that is shown
    });
    EXPECT_EQ(result, IDOK);
    StoredSettings stored;
    EXPECT_EQ(stored.emailCountries, (std::vector<int>{Code("AT"), Code("BE")}));
    EXPECT_EQ(stored.linkCountries, std::vector<int>{Code("CL")});
}

TEST_F(OptnsTest, ServerListIsSplitOneEntryPerLineWithInvalidEntriesInRed)
{
    INT_PTR result = Run([&](HWND d) {
        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 4));
        HWND servers = Item(d, IDE_SERVERS);
        EXPECT_TRUE(pal::TypeText(servers, u"mail.example.com, 10.0.0.1  bad_host!,,2001:db8::1\tx/y.example.com ,"));
        EXPECT_TRUE(pal::FocusControl(Item(d, IDC_FLAG_SERVERS)));
        pal::ControlView view = View(d, IDE_SERVERS);
        EXPECT_EQ(U8(view.text), "mail.example.com\r\n10.0.0.1\r\nbad_host!\r\n2001:db8::1\r\nx/y.example.com");
        // Positions count each line break as one character.
        std::u16string flat = u"mail.example.com\n10.0.0.1\nbad_host!\n2001:db8::1\nx/y.example.com";
        auto colourAt = [&](const std::u16string& entry) {
            LONG at = LONG(flat.find(entry));
            for (const pal::CharRun& run : view.runs)
                if (run.start <= at && at < run.end)
                    return run.autoColor ? std::string("auto") : std::to_string(run.color);
            return std::string("none");
        };
        std::string red = std::to_string(RGB(255, 0, 0));
        EXPECT_EQ(colourAt(u"mail.example.com"), "auto");
        EXPECT_EQ(colourAt(u"10.0.0.1"), "auto");
        EXPECT_EQ(colourAt(u"bad_host!"), red);
        EXPECT_EQ(colourAt(u"2001:db8::1"), "auto");
        EXPECT_EQ(colourAt(u"x/y.example.com"), red);

        // Fixed and checked again: the colour goes.
        EXPECT_TRUE(pal::TypeText(servers, u"good.example.com bad_host!"));
        EXPECT_TRUE(pal::FocusControl(Item(d, IDC_FLAG_SERVERS)));
        view = View(d, IDE_SERVERS);
        flat = u"good.example.com\nbad_host!";
        EXPECT_EQ(colourAt(u"good.example.com"), "auto");
        EXPECT_EQ(colourAt(u"bad_host!"), red);
        EXPECT_TRUE(pal::PressButton(d, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    StoredSettings stored;
    ASSERT_EQ(stored.servers.size(), 2u);
    EXPECT_EQ(stored.servers[1], WString(W("bad_host!"))) << "an entry in red is still kept";
}

TEST_F(OptnsTest, AMegabyteServerListRoundTrips)
{
    std::u16string typed;
    size_t count = 0;
    while (typed.size() < 1024 * 1024) {
        typed += pal::ToWide("host" + std::to_string(count++) + ".example.com, ");
    }
    INT_PTR result = Run([&](HWND d) {
        ASSERT_TRUE(pal::ChooseTab(Item(d, IDC_TAB), 4));
        EXPECT_TRUE(pal::TypeText(Item(d, IDE_SERVERS), typed));
        EXPECT_TRUE(pal::PressButton(d, IDOK));
    });
    EXPECT_EQ(result, IDOK);
    StoredSettings stored;
    ASSERT_EQ(stored.servers.size(), count);
    EXPECT_EQ(stored.servers.front(), WString(W("host0.example.com")));
    EXPECT_EQ(pal::ToUtf8(stored.servers.back().c_str()), "host" + std::to_string(count - 1) + ".example.com");

    // The next opening shows them all, one per line.
    Settings().ReadSettings();
    Run([&](HWND d) {
        pal::ControlView view = View(d, IDE_SERVERS);
        EXPECT_EQ(std::count(view.text.begin(), view.text.end(), u'\n'), std::ptrdiff_t(count - 1));
        EXPECT_TRUE(pal::PressButton(d, IDCANCEL));
    });
}

} // namespace
