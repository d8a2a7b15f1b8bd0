// The default store's folder tree as a late-bound caller walks it, the trees made from message files,
// and composed items kept as drafts.
#include <gtest/gtest.h>

#include <atlbase.h>

#include <filesystem>
#include <fstream>

#include "host/store/Folders.h"
#include "host/store/MailItem.h"
#include "StoreTestUtil.h"
#include "support/TestPrefix.h"

using namespace store_test;
namespace fs = std::filesystem;

namespace {

// Invoke by name as a late-bound client does; the result as a variant.
HRESULT Call(IDispatch* object, const char16_t* name, CComVariant& result, const VARIANT* argument = nullptr)
{
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(reinterpret_cast<const WCHAR*>(name))};
    HRESULT hr = object->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    VARIANT args[1];
    if (argument)
        args[0] = *argument;
    DISPPARAMS params = {argument ? args : nullptr, nullptr, argument ? 1u : 0u, 0};
    result.Clear();
    return object->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                          &result, nullptr, nullptr);
}

CComPtr<IDispatch> Object(IDispatch* object, const char16_t* name)
{
    CComVariant v;
    EXPECT_EQ(Call(object, name, v), S_OK) << U8(name);
    EXPECT_EQ(v.vt, VT_DISPATCH) << U8(name);
    return v.vt == VT_DISPATCH ? CComPtr<IDispatch>(v.pdispVal) : CComPtr<IDispatch>();
}

// Every folder path under a folder, depth first, as the options dialog collects them.
void Walk(IDispatch* folder, std::vector<std::string>& paths, int depth = 0)
{
    CComPtr<IDispatch> folders = Object(folder, u"Folders");
    ASSERT_TRUE(folders);
    CComVariant count;
    ASSERT_EQ(Call(folders, u"Count", count), S_OK);
    for (long i = 1; i <= count.lVal; ++i) {
        CComVariant index{int(i)}, child;
        ASSERT_EQ(Call(folders, u"Item", child, &index), S_OK);
        CComVariant path;
        ASSERT_EQ(Call(child.pdispVal, u"FolderPath", path), S_OK);
        paths.push_back(pal::ToUtf8(path.bstrVal));
        Walk(child.pdispVal, paths, depth + 1);
    }
}

std::vector<std::string> Paths(Outlook::_Application* app)
{
    CComPtr<IDispatch> session = Object(app, u"Session");
    CComPtr<IDispatch> defaultStore = Object(session, u"DefaultStore");
    CComPtr<IDispatch> root = Object(defaultStore, u"GetRootFolder");
    std::vector<std::string> paths;
    if (root)
        Walk(root, paths);
    return paths;
}

class TempTree {
public:
    TempTree() : m_root(fs::path(testing_support::Prefix()) / ("tree" + std::to_string(++s_count))) {}
    ~TempTree() { fs::remove_all(m_root); }
    fs::path Dir(const std::string& relative)
    {
        fs::create_directories(m_root / relative);
        return m_root / relative;
    }
    std::string File(const std::string& relative)
    {
        fs::create_directories((m_root / relative).parent_path());
        std::ofstream(m_root / relative) << "Subject: x\r\n\r\nbody\r\n";
        return (m_root / relative).string();
    }

private:
    static inline int s_count = 0;
    fs::path m_root;
};

} // namespace

TEST(StoreFolders, TheDefaultTreeIsWalkedByNameFromTheApplication)
{
    CComPtr<Outlook::_Application> app;
    app.Attach(store::NewApplication());
    std::vector<std::string> paths = Paths(app);
    EXPECT_EQ(paths, (std::vector<std::string>{"\\\\Outlook Data File\\Inbox", "\\\\Outlook Data File\\Drafts",
                                               "\\\\Outlook Data File\\Sent Items", "\\\\Outlook Data File\\Deleted Items",
                                               "\\\\Outlook Data File\\Outbox", "\\\\Outlook Data File\\Junk E-mail"}));

    // Names are matched without regard to case; unknown names, an index past the end and writes fail.
    CComPtr<IDispatch> session = Object(app, u"session");
    CComVariant v;
    EXPECT_EQ(Call(session, u"NoSuchThing", v), DISP_E_UNKNOWNNAME);
    CComPtr<IDispatch> root = Object(Object(session, u"DefaultStore"), u"GetRootFolder");
    CComPtr<IDispatch> folders = Object(root, u"Folders");
    CComVariant seven(7);
    EXPECT_EQ(Call(folders, u"Item", v, &seven), E_INVALIDARG);
    EXPECT_EQ(Call(folders, u"Item", v), DISP_E_BADPARAMCOUNT);
}

TEST(StoreFolders, NamesWithBackslashesAndPercentsAreEscapedInPaths)
{
    CComPtr<Outlook::_Application> app;
    app.Attach(store::NewApplication());
    auto root = std::make_shared<store::Folder>();
    root->children.push_back(std::make_shared<store::Folder>(store::Folder{u"100% a\\b", {}}));
    root->children[0]->children.push_back(std::make_shared<store::Folder>(store::Folder{u"Inner", {}}));
    store::SetFolderTree(app, root, u"me@example.com");
    EXPECT_EQ(Paths(app), (std::vector<std::string>{"\\\\me@example.com\\100%25 a%5Cb",
                                                    "\\\\me@example.com\\100%25 a%5Cb\\Inner"}));
}

TEST(StoreFolders, TreesFromMessageFiles)
{
    TempTree t;
    // Directories of message files: the tree under their common directory, hidden ones left out.
    std::string a = t.File("mail/work/a.eml"), b = t.File("mail/home/2024/b.eml");
    t.Dir("mail/.hidden");
    auto tree = store::FolderTreeOf({a, b});
    ASSERT_EQ(tree->children.size(), 1u);
    EXPECT_EQ(U8(tree->children[0]->name), "mail");
    ASSERT_EQ(tree->children[0]->children.size(), 2u);
    EXPECT_EQ(U8(tree->children[0]->children[0]->name), "home");
    EXPECT_EQ(U8(tree->children[0]->children[0]->children[0]->name), "2024");
    EXPECT_EQ(U8(tree->children[0]->children[1]->name), "work");

    // A Maildir: INBOX with its "." folders nested by their dots.
    for (const char* d : {"md/cur", "md/new", "md/tmp", "md/.Lists.dev/cur", "md/.Lists.dev/new", "md/.Lists.dev/tmp",
                          "md/.Lists/cur", "md/.Lists/new", "md/.Lists/tmp", "md/.Sent/cur", "md/.Sent/new", "md/.Sent/tmp"})
        t.Dir(d);
    auto maildir = store::FolderTreeOf({t.File("md/cur/1.eml")});
    ASSERT_EQ(maildir->children.size(), 1u);
    const auto& inbox = *maildir->children[0];
    EXPECT_EQ(U8(inbox.name), "Inbox");
    ASSERT_EQ(inbox.children.size(), 2u);
    EXPECT_EQ(U8(inbox.children[0]->name), "Lists");
    ASSERT_EQ(inbox.children[0]->children.size(), 1u);
    EXPECT_EQ(U8(inbox.children[0]->children[0]->name), "dev");
    EXPECT_EQ(U8(inbox.children[1]->name), "Sent");

    // No files: the default tree.
    EXPECT_EQ(store::FolderTreeOf({})->children.size(), 6u);
}

TEST(StoreFolders, DeepAndWideTreesAreWalkedWhole)
{
    TempTree t;
    std::string deep = "deep";
    for (int i = 0; i < 100; ++i)
        deep += "/d";
    t.Dir(deep);
    for (int i = 0; i < 10000; ++i)
        t.Dir("deep/wide/" + std::to_string(i));
    auto tree = store::FolderTreeOf({t.File("deep/m.eml")});
    CComPtr<Outlook::_Application> app;
    app.Attach(store::NewApplication());
    store::SetFolderTree(app, tree);
    std::vector<std::string> paths = Paths(app);
    EXPECT_EQ(paths.size(), 1u + 100u + 1u + 10000u);
}

TEST(StoreFolders, DisplayedComposedItemsAreKeptAsDraftsTheStoreReadsBack)
{
    CComPtr<Outlook::_Application> app;
    app.Attach(store::NewApplication());
    for (int i = 0; i < 2; ++i) {
        CComPtr<IDispatch> created;
        ASSERT_EQ(app->CreateItem(Outlook::olMailItem, &created), S_OK);
        CComPtr<Outlook::_MailItem> mail;
        ASSERT_EQ(created->QueryInterface(__uuidof(Outlook::_MailItem), reinterpret_cast<void**>(&mail)), S_OK);
        mail->put_Subject(CComBSTR(W("E-mail Details: a/b")));
        mail->put_Body(CComBSTR(W("Received :\tfrom x\r\nZürich \x2015 line\n=3D end")));
        VARIANT modal;
        VariantInit(&modal);
        ASSERT_EQ(mail->Display(modal), S_OK);
    }
    auto shown = store::DisplayedItems(app);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[0].draft, shown[1].draft); // the second does not overwrite the first
    for (const auto& item : shown) {
        ASSERT_FALSE(item.draft.empty());
        EXPECT_EQ(fs::path(item.draft).parent_path().filename(), "Drafts");
        std::string bytes = testing_support::ReadFile(item.draft);
        EXPECT_NE(bytes.find("X-Unsent: 1\r\n"), std::string::npos);
        auto back = Load(item.draft);
        ASSERT_TRUE(back);
        EXPECT_EQ(U8(back->subject), "E-mail Details: a/b");
        EXPECT_EQ(U8(back->body), "Received :\tfrom x\r\nZürich \xe2\x80\x95 line\r\n=3D end\r\n"); // a mail file ends its last line
    }
    EXPECT_EQ(fs::path(shown[0].draft).filename(), "E-mail Details_ a_b.eml");
}
