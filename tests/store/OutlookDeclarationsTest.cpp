// The Outlook declarations keep the type library's vtable slots: the add-in calls Outlook's own objects
// through them, so a placeholder too many or too few sends every later call to the wrong method. The slot of
// a virtual member function is read from its pointer-to-member (Itanium ABI: one plus the byte offset in the
// vtable).
#include <gtest/gtest.h>

#include <outlook.h>

#include <cstring>

namespace {

template <class F> size_t Slot(F member)
{
    static_assert(sizeof(F) == 2 * sizeof(size_t));
    size_t words[2];
    std::memcpy(words, &member, sizeof(words));
    return (words[0] - 1) / sizeof(void*);
}

} // namespace

TEST(OutlookDeclarations, MethodsSitInTheTypeLibrarysVtableSlots)
{
    using namespace Outlook;
    EXPECT_EQ(Slot(&_Application::get_Application), 7u);
    EXPECT_EQ(Slot(&_Application::get_Session), 9u);
    EXPECT_EQ(Slot(&_Application::get_Version), 13u);
    EXPECT_EQ(Slot(&_Application::ActiveExplorer), 14u);
    EXPECT_EQ(Slot(&_Application::ActiveInspector), 15u);
    EXPECT_EQ(Slot(&_Application::CreateItem), 16u);
    EXPECT_EQ(Slot(&_Application::get_Inspectors), 23u);
    EXPECT_EQ(Slot(&_Inspector::get_CurrentItem), 12u);
    EXPECT_EQ(Slot(&_Explorer::get_Selection), 24u);
    EXPECT_EQ(Slot(&Selection::get_Count), 11u);
    EXPECT_EQ(Slot(&Selection::Item), 12u);
    EXPECT_EQ(Slot(&_PropertyAccessor::GetProperty), 11u);
    EXPECT_EQ(Slot(&_MailItem::get_Body), 15u);
    EXPECT_EQ(Slot(&_MailItem::put_Body), 16u);
    EXPECT_EQ(Slot(&_MailItem::get_EntryID), 24u);
    EXPECT_EQ(Slot(&_MailItem::get_MAPIOBJECT), 30u);
    EXPECT_EQ(Slot(&_MailItem::get_MessageClass), 31u);
    EXPECT_EQ(Slot(&_MailItem::get_Subject), 43u);
    EXPECT_EQ(Slot(&_MailItem::put_Subject), 44u);
    EXPECT_EQ(Slot(&_MailItem::Display), 51u);
    EXPECT_EQ(Slot(&_MailItem::get_HTMLBody), 76u);
    EXPECT_EQ(Slot(&_MailItem::get_SenderName), 106u);
    EXPECT_EQ(Slot(&_MailItem::get_BodyFormat), 125u);
    EXPECT_EQ(Slot(&_MailItem::get_SenderEmailAddress), 142u);
    EXPECT_EQ(Slot(&_MailItem::get_SenderEmailType), 143u);
    EXPECT_EQ(Slot(&_MailItem::get_PropertyAccessor), 150u);
}
