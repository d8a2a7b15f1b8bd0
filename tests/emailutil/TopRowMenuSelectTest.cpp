// Paging of the three visible rows and the chosen location result per row.
#include <gtest/gtest.h>

#include "addin/EmailUtil.h"
#include "__Utilities/ErrorLog.h"
#include "pal/host.h"
#include "support/TestUtil.h"

#include <string>
#include <vector>

namespace {

struct Element {
    std::vector<int> locationInfo;
};
typedef std::vector<Element> ElementList;

// A list shown on the ribbon, as the e-mail model's lists derive from both templates.
class Rows : public CTopRow<ElementList>, public CMenuSelect<ElementList> {
public:
    Rows() : CTopRow(m_list), CMenuSelect(m_list) {}
    void Fill(size_t count, size_t records = 4)
    {
        m_list.assign(count, Element{std::vector<int>(records)});
        ResizeMenuChoices();
    }
    using CMenuSelect::ClearMenuChoices;
    using CMenuSelect::ResizeMenuChoices;
    using CTopRow::ResetTopRow;
    ElementList m_list;
};

using testing_support::LogText;
using testing_support::ThrownCode;

TEST(TopRow, ShortListsCannotScroll)
{
    for (size_t size = 0; size <= 3; ++size) {
        Rows rows;
        rows.Fill(size);
        EXPECT_EQ(rows.GetTopRow(), 0);
        EXPECT_EQ(ThrownCode([&] { rows.SetTopRow(1); }), E_UNEXPECTED) << size;
        EXPECT_EQ(rows.GetTopRow(), 0);
    }
    EXPECT_NE(LogText().find("ERROR - \"m_control.size() > 3\""), std::string::npos) << LogText();
}

TEST(TopRow, RowsAreClampedToTheLastThreeAndToZero)
{
    Rows rows;
    rows.Fill(10);
    rows.SetTopRow(4);
    EXPECT_EQ(rows.GetTopRow(), 4);
    rows.SetTopRow(7);
    EXPECT_EQ(rows.GetTopRow(), 7);
    rows.SetTopRow(8);
    EXPECT_EQ(rows.GetTopRow(), 7);
    rows.SetTopRow(1000000);
    EXPECT_EQ(rows.GetTopRow(), 7);
    rows.SetTopRow(-1);
    EXPECT_EQ(rows.GetTopRow(), 0);

    Rows four;
    four.Fill(4);
    four.SetTopRow(5);
    EXPECT_EQ(four.GetTopRow(), 1);
    EXPECT_EQ(LogText(), "");
}

TEST(TopRow, ATopRowBeyondAShrunkListIsABrokenInvariant)
{
    Rows rows;
    rows.Fill(10);
    rows.SetTopRow(7);
    rows.Fill(5);
    EXPECT_EQ(ThrownCode([&] { rows.GetTopRow(); }), E_UNEXPECTED);
    EXPECT_NE(LogText().find("ERROR - \"(int) m_topRow <= max(0, (int) m_control.size() - 3)\""), std::string::npos)
        << LogText();
    rows.ResetTopRow();
    EXPECT_EQ(rows.GetTopRow(), 0);
}

TEST(MenuSelect, ChoicesFollowTheListAndStartAtTheFirstRecord)
{
    Rows rows;
    rows.Fill(3, 4);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rows.GetMenuChoice(i), 0);
    rows.SetMenuChoice(1, 3);
    rows.SetMenuChoice(2, 0);
    EXPECT_EQ(rows.GetMenuChoice(1), 3);
    EXPECT_EQ(rows.GetMenuChoice(2), 0);

    // Growing the list keeps the earlier choices.
    rows.m_list.push_back(Element{std::vector<int>(2)});
    rows.ResizeMenuChoices();
    EXPECT_EQ(rows.GetMenuChoice(1), 3);
    EXPECT_EQ(rows.GetMenuChoice(3), 0);
    EXPECT_EQ(LogText(), "");
}

TEST(MenuSelect, OutOfRangeIndexesAreRejectedAndChangeNothing)
{
    Rows rows;
    rows.Fill(3, 2);
    rows.SetMenuChoice(0, 1);

    EXPECT_EQ(ThrownCode([&] { rows.GetMenuChoice(-1); }), E_INVALIDARG);
    EXPECT_EQ(ThrownCode([&] { rows.GetMenuChoice(3); }), E_INVALIDARG);
    EXPECT_EQ(ThrownCode([&] { rows.SetMenuChoice(3, 0); }), E_INVALIDARG);
    EXPECT_EQ(ThrownCode([&] { rows.SetMenuChoice(0, 2); }), E_INVALIDARG);
    EXPECT_EQ(ThrownCode([&] { rows.SetMenuChoice(0, -1); }), E_INVALIDARG);
    EXPECT_EQ(rows.GetMenuChoice(0), 1);

    std::string log = LogText();
    EXPECT_NE(log.find("ERROR - \"(menu >= 0) && (menu < (int) m_menuSelection.size())\""), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR - \"(menuChoice >= 0) && (menuChoice < (int) m_control[menu].locationInfo.size())\""),
              std::string::npos)
        << log;
}

TEST(MenuSelect, AnElementWithoutRecordsAcceptsNoChoice)
{
    Rows rows;
    rows.Fill(1, 0);
    EXPECT_EQ(rows.GetMenuChoice(0), 0);
    EXPECT_EQ(ThrownCode([&] { rows.SetMenuChoice(0, 0); }), E_INVALIDARG);
}

TEST(MenuSelect, ChoicesOutOfStepWithTheListAreABrokenInvariant)
{
    Rows rows;
    rows.Fill(2);
    rows.ClearMenuChoices();
    EXPECT_EQ(ThrownCode([&] { rows.GetMenuChoice(0); }), E_UNEXPECTED);
    EXPECT_EQ(ThrownCode([&] { rows.SetMenuChoice(0, 0); }), E_UNEXPECTED);
    EXPECT_NE(LogText().find("ERROR - \"m_menuSelection.size() == m_control.size()\""), std::string::npos);
}

} // namespace
