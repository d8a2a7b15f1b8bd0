// Ribbon controls: tags, texts, key tips, and the invalidation that each change announces to Office.
#include <gtest/gtest.h>

#include "__Controls/OfficeRibbonButton.h"
#include "__Controls/OfficeRibbonGallery.h"
#include "__Utilities/ErrorLog.h"
#include "controls/FakeRibbon.h"
#include "pal/host.h"
#include "support/TestUtil.h"

using ribbon_fakes::FakeRibbonUI;

namespace {

std::string Text(BSTR s)
{
    return pal::ToUtf8(std::basic_string_view<WCHAR>(s ? s : W(""), SysStringLen(s)));
}

bool LogContains(const std::string& text)
{
    CComBSTR log = CErrorLog::Instance().ReadAll();
    return Text(log).find(text) != std::string::npos;
}

using testing_support::ThrownCode;

} // namespace

TEST(ControlTag, IsThePrefixAndTheDecimalId)
{
    EXPECT_EQ("_Office_Addin_Ctrl_Tag_1002", Text(COfficeControlBase::TagFromId(1002)));
    EXPECT_EQ("_Office_Addin_Ctrl_Tag_1", Text(COfficeControlBase::TagFromId(1)));
    EXPECT_EQ("_Office_Addin_Ctrl_Tag_2147483647", Text(COfficeControlBase::TagFromId(2147483647)));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([] { COfficeControlBase::TagFromId(0); }));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([] { COfficeControlBase::TagFromId(-5); }));
    EXPECT_TRUE(LogContains("\"Id > 0\""));
}

TEST(RibbonControl, StartsVisibleEnabledWithTheResourceTexts)
{
    COfficeRibbonControl tab(1000);
    EXPECT_EQ(1000, tab.ID());
    EXPECT_EQ("_Office_Addin_Ctrl_Tag_1000", Text(tab.Tag()));
    EXPECT_EQ("Info", Text(tab.GetLabel()));
    // No control has tips in the string table: they start empty and are set at run time.
    EXPECT_EQ("", Text(tab.GetToolTip()));
    EXPECT_EQ("", Text(tab.GetSuperTip()));
    EXPECT_TRUE(tab.IsVisible());
    EXPECT_TRUE(tab.IsEnabled());

    COfficeRibbonButton indicator(1066, false);
    EXPECT_EQ("", Text(indicator.GetLabel()));
    EXPECT_EQ(1066, indicator.GetImageId());
    EXPECT_TRUE(indicator.HasImage());
    EXPECT_FALSE(indicator.IsLarge());
    EXPECT_TRUE(COfficeRibbonGallery(1038).HasImage());
}

TEST(RibbonControl, KeyTipIsTheLetterAfterTheFirstAmpersand)
{
    COfficeRibbonControl control(1066);
    EXPECT_EQ("", Text(control.GetKeyTip()));
    control.SetLabel(W("Sc&roll &up"));
    EXPECT_EQ("r", Text(control.GetKeyTip()));
    control.SetLabel(W("Options"));
    EXPECT_EQ("", Text(control.GetKeyTip()));
    // A trailing ampersand has no letter after it.
    control.SetLabel(W("Trailing&"));
    EXPECT_EQ("", Text(control.GetKeyTip()));
}

TEST(RibbonControl, ChangesBeforeTheRibbonIsLoadedAreStoredSilently)
{
    COfficeRibbonButton button(1023, false);
    EXPECT_EQ(S_OK, button.Show(false));
    EXPECT_EQ(S_OK, button.Enable(false));
    button.SetLabel(W("Up"));
    button.SetToolTip(W("Scroll up"));
    button.SetSuperTip(W("Shows the previous address"));
    button.SetImage(1100);
    EXPECT_FALSE(button.IsVisible());
    EXPECT_FALSE(button.IsEnabled());
    EXPECT_EQ("Up", Text(button.GetLabel()));
    EXPECT_EQ("Scroll up", Text(button.GetToolTip()));
    EXPECT_EQ("Shows the previous address", Text(button.GetSuperTip()));
    EXPECT_EQ(1100, button.GetImageId());
}

TEST(RibbonControl, EveryChangeInvalidatesThatControlOnly)
{
    FakeRibbonUI ribbon;
    {
        COfficeRibbonButton button(1023, false);
        button.SetRibbonPtr(&ribbon);
        EXPECT_EQ(1u, ribbon.refs);
        const std::basic_string<WCHAR> tag = W("_Office_Addin_Ctrl_Tag_1023");

        for (int i = 0; i < 9; ++i)
            ribbon.ExpectInvalidate(tag);
        EXPECT_EQ(S_OK, button.Show(false));
        EXPECT_EQ(S_OK, button.Enable(false));
        button.SetLabel(W("Frankfurt, Germany"));
        button.SetToolTip(W("Location"));
        button.SetSuperTip(W("From the first provider"));
        button.ClearLabel();
        button.ClearToolTip();
        button.ClearSuperTip();
        button.SetImage(1101);
        CHECK_INVALIDATED(ribbon);
        EXPECT_EQ("", Text(button.GetLabel()));
        EXPECT_EQ("", Text(button.GetToolTip()));

        // The same image again, or clearing twice, changes nothing and is not announced.
        button.SetImage(1101);
        ribbon.ExpectInvalidate(tag);
        button.ClearImage();
        CHECK_INVALIDATED(ribbon);
        EXPECT_FALSE(button.HasImage());
        button.ClearImage();
        EXPECT_EQ(10, ribbon.calls);
    }
    EXPECT_EQ(0u, ribbon.refs);
}

TEST(RibbonControl, RejectsEmptyTextsAndBadImages)
{
    FakeRibbonUI ribbon;
    COfficeRibbonButton button(1023, false);
    button.SetLabel(W("kept"));
    button.SetRibbonPtr(&ribbon);
    // Setting the same text again is still announced: only images compare old and new.
    ribbon.ExpectInvalidate(W("_Office_Addin_Ctrl_Tag_1023"));
    button.SetLabel(W("kept"));
    CHECK_INVALIDATED(ribbon);

    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { button.SetLabel(W("")); }));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { button.SetLabel(nullptr); }));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { button.SetToolTip(W("")); }));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { button.SetSuperTip(nullptr); }));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { button.SetImage(0); }));
    EXPECT_EQ(E_INVALIDARG, ThrownCode([&] { button.SetImage(-1); }));
    EXPECT_EQ("kept", Text(button.GetLabel()));
    EXPECT_EQ(1023, button.GetImageId());
    EXPECT_EQ(1, ribbon.calls);
    EXPECT_TRUE(LogContains("pNewLabel"));
    EXPECT_TRUE(LogContains("\"newId > 0\""));
}

TEST(RibbonControl, AFailedInvalidationIsAnError)
{
    FakeRibbonUI ribbon;
    ribbon.result = E_ACCESSDENIED;
    COfficeRibbonControl label(1002);
    label.SetRibbonPtr(&ribbon);
    ribbon.ExpectInvalidate(W("_Office_Addin_Ctrl_Tag_1002"));
    ribbon.ExpectInvalidate(W("_Office_Addin_Ctrl_Tag_1002"));
    EXPECT_EQ(E_ACCESSDENIED, ThrownCode([&] { label.SetLabel(W("10.0.0.1")); }));
    // Show reports the failure as its result instead of throwing.
    EXPECT_EQ(E_ACCESSDENIED, label.Show(false));
    CHECK_INVALIDATED(ribbon);
    // The state is kept even though Office could not be told.
    EXPECT_EQ("10.0.0.1", Text(label.GetLabel()));
    EXPECT_FALSE(label.IsVisible());
}

TEST(RibbonControl, NeedsARibbonInterface)
{
    FakeRibbonUI first, second;
    COfficeRibbonControl control(1002);
    EXPECT_EQ(E_POINTER, ThrownCode([&] { control.SetRibbonPtr(nullptr); }));
    EXPECT_TRUE(LogContains("\"m_spRibbonUI\""));
    // Replacing the interface releases the old one.
    control.SetRibbonPtr(&first);
    control.SetRibbonPtr(&second);
    EXPECT_EQ(0u, first.refs);
    EXPECT_EQ(1u, second.refs);
    second.ExpectInvalidate(W("_Office_Addin_Ctrl_Tag_1002"));
    EXPECT_EQ(S_OK, control.Enable(false));
    CHECK_INVALIDATED(second);
    control.SetRibbonPtr(&first);
}
