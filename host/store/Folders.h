// The folder tree of the host's default store, as the object model shows it: Application.Session,
// Session.DefaultStore, Store.GetRootFolder(), Folder.Folders (Count, Item(1..n)), Folder.FolderPath and
// Folder.Name. Outlook's typed interfaces for these are not declared here, so the objects answer by name
// through IDispatch, as they do to any late-bound caller.
#pragma once

#include <outlook.h>

#include <memory>
#include <string>
#include <vector>

#include "__Utilities/WString.h"

namespace store {

struct Folder {
    WString name;
    std::vector<std::shared_ptr<Folder>> children;
};

// The tree a new Outlook profile has: Inbox, Drafts, Sent Items, Deleted Items, Outbox, Junk E-mail.
std::shared_ptr<Folder> DefaultFolderTree();

// The folders the given message files live in: a Maildir's folders (INBOX and its "." sub-folders) when
// the files lie in one, else the directory tree under the files' common directory (hidden directories
// left out, at most kMaxFolders folders); the default tree when no file is given.
std::shared_ptr<Folder> FolderTreeOf(const std::vector<std::string>& files);
constexpr size_t kMaxFolders = 20000;

// Gives the application's default store this root (its children are the store's top folders) and name.
void SetFolderTree(Outlook::_Application* application, std::shared_ptr<Folder> root,
                   const WString& storeName = W("Outlook Data File"));

// The default store over a tree (one reference): GetRootFolder, DisplayName.
IDispatch* NewDefaultStore(std::shared_ptr<Folder> root, const WString& storeName);

// IDispatch by name for objects that have no typed interface here: the names' DISPIDs are their
// positions (from 1); Invoke hands the DISPID and the arguments to the object.
HRESULT IdsOfNames(const std::vector<const WCHAR*>& names, LPOLESTR* asked, UINT count, DISPID* ids);

// "\\Store\Inbox\Sub": each name with "%" and "\" escaped as Outlook does ("%25", "%5C").
WString FolderPathOf(const WString& storeName, const std::vector<WString>& names);

} // namespace store
