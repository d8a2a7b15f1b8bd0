// The folder names the options dialog collects from the host store's default store, walked by name:
// depth first, unescaped, with the part every path shares at the front taken off.
#include "OptnsTestUtil.h"

#include "host/store/Folders.h"
#include "host/store/MailItem.h"

namespace {

using namespace optns_test;

std::shared_ptr<store::Folder> Node(const std::u16string& name)
{
    return std::make_shared<store::Folder>(store::Folder{name, {}});
}

std::vector<std::string> Names(const COptnsDlg& dialog)
{
    std::vector<std::string> names;
    for (const WString& n : dialog.GetFolderList())
        names.push_back(pal::ToUtf8(n.c_str()));
    return names;
}

class FolderNamesTest : public OptnsTest {
protected:
    void SetUp() override
    {
        OptnsTest::SetUp();
        m_app.Attach(store::NewApplication());
    }
    CComPtr<Outlook::_Application> m_app;
};

TEST_F(FolderNamesTest, PathsAreUnescapedInWalkOrderWithoutTheirSharedStart)
{
    auto root = std::make_shared<store::Folder>();
    root->children = {Node(u"Deleted Items"), Node(u"Inbox"), Node(u"Drafts")};
    root->children[1]->children = {Node(u"100% sure"), Node(u"a\\b")};
    store::SetFolderTree(m_app, root, u"me@example.com");
    COptnsDlg dialog(m_app);
    EXPECT_EQ(Names(dialog),
              (std::vector<std::string>{"Deleted Items", "Inbox", "Inbox\\100% sure", "Inbox\\a\\b", "Drafts"}));
}

TEST_F(FolderNamesTest, TheDefaultProfileAndOneFolderAlone)
{
    COptnsDlg defaults(m_app);
    EXPECT_EQ(Names(defaults), (std::vector<std::string>{"Inbox", "Drafts", "Sent Items", "Deleted Items", "Outbox",
                                                         "Junk E-mail"}));
    // A single folder has nothing to share with: its whole path stays.
    auto root = std::make_shared<store::Folder>();
    root->children = {Node(u"Only")};
    store::SetFolderTree(m_app, root, u"Store");
    COptnsDlg one(m_app);
    EXPECT_EQ(Names(one), std::vector<std::string>{"\\\\Store\\Only"});
}

TEST_F(FolderNamesTest, DeepAndWideTrees)
{
    auto root = std::make_shared<store::Folder>();
    root->children.push_back(Node(u"first"));
    auto at = root;
    for (int i = 0; i < 100; ++i) {
        at->children.push_back(Node(u"d"));
        at = at->children.back();
    }
    store::SetFolderTree(m_app, root, u"S");
    COptnsDlg deep(m_app);
    std::vector<std::string> names = Names(deep);
    ASSERT_EQ(names.size(), 101u);
    EXPECT_EQ(names[0], "first");
    EXPECT_EQ(names[1], "d");
    EXPECT_EQ(names[100].size(), 199u) << "d\\d\\... one hundred deep";

    auto wide = std::make_shared<store::Folder>();
    for (int i = 0; i < 10000; ++i)
        wide->children.push_back(Node(pal::ToWide("f" + std::to_string(i))));
    store::SetFolderTree(m_app, wide, u"S");
    COptnsDlg broad(m_app);
    names = Names(broad);
    ASSERT_EQ(names.size(), 10000u);
    EXPECT_EQ(names[0], "0") << "\"\\\\S\\f\" is shared by the first two";
    EXPECT_EQ(names[9999], "9999");
}

TEST_F(FolderNamesTest, AMissingApplicationLeavesTheListEmptyAndTheDialogUsable)
{
    COptnsDlg dialog(nullptr);
    EXPECT_TRUE(dialog.GetFolderList().empty());
    m_host.act = [](HWND d) { EXPECT_TRUE(pal::PressButton(d, IDCANCEL)); };
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
}

} // namespace
