// The default store's folder tree, late-bound: the add-in walks it by name (GetIDsOfNames and Invoke).
#include "host/store/Folders.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "host/text/Utf.h"
#include "pal/com_object.h"

namespace store {

namespace {

HRESULT ReturnBstr(const WString& text, VARIANT* result)
{
    if (!result)
        return S_OK;
    result->vt = VT_BSTR;
    result->bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
    return result->bstrVal ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReturnDispatch(IDispatch* object, VARIANT* result)
{
    if (!result) {
        object->Release();
        return S_OK;
    }
    result->vt = VT_DISPATCH;
    result->pdispVal = object; // the new reference goes to the caller
    return S_OK;
}

// A base for objects that answer only by name.
class CNamed : public pal::ComObject<IDispatch> {
public:
    explicit CNamed(std::vector<const WCHAR*> names) : m_names(std::move(names)) {}
    HRESULT GetTypeInfoCount(UINT* count) override { return count ? (*count = 0, S_OK) : E_POINTER; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        return IdsOfNames(m_names, names, count, ids);
    }
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                   UINT*) override
    {
        if (id < 1 || size_t(id) > m_names.size())
            return DISP_E_MEMBERNOTFOUND;
        if (!(flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)))
            return DISP_E_MEMBERNOTFOUND; // everything here is read-only
        if (result)
            VariantInit(result);
        static DISPPARAMS none = {nullptr, nullptr, 0, 0};
        return Call(id, params ? *params : none, result);
    }

protected:
    virtual HRESULT Call(DISPID id, const DISPPARAMS& params, VARIANT* result) = 0;

private:
    std::vector<const WCHAR*> m_names;
};

struct TreeRef {
    std::shared_ptr<Folder> folder;
    WString storeName;
    std::vector<WString> path; // names from the store's top folders down to this one
};

class CFolder;

class CFolders final : public CNamed {
public:
    explicit CFolders(TreeRef parent) : CNamed({W("Count"), W("Item"), W("GetFirst")}), m_parent(std::move(parent)) {}

protected:
    HRESULT Call(DISPID id, const DISPPARAMS& params, VARIANT* result) override;

private:
    TreeRef m_parent;
};

class CFolder final : public CNamed {
public:
    explicit CFolder(TreeRef ref) : CNamed({W("Name"), W("FolderPath"), W("Folders"), W("EntryID")}), m_ref(std::move(ref)) {}

protected:
    HRESULT Call(DISPID id, const DISPPARAMS&, VARIANT* result) override
    {
        switch (id) {
        case 1: return ReturnBstr(m_ref.path.empty() ? m_ref.storeName : m_ref.path.back(), result);
        case 2: return ReturnBstr(FolderPathOf(m_ref.storeName, m_ref.path), result);
        case 3: return ReturnDispatch(new CFolders(m_ref), result);
        default: {
            WString entry = W("folder:") + FolderPathOf(m_ref.storeName, m_ref.path);
            return ReturnBstr(entry, result);
        }
        }
    }

private:
    TreeRef m_ref;
};

HRESULT CFolders::Call(DISPID id, const DISPPARAMS& params, VARIANT* result)
{
    const auto& children = m_parent.folder->children;
    if (id == 1) {
        if (result) {
            result->vt = VT_I4;
            result->lVal = long(children.size());
        }
        return S_OK;
    }
    long n = 1;
    if (id == 2) {
        if (params.cArgs != 1)
            return DISP_E_BADPARAMCOUNT;
        VARIANT index;
        VariantInit(&index);
        if (FAILED(VariantChangeType(&index, &params.rgvarg[0], 0, VT_I4)))
            return DISP_E_TYPEMISMATCH; // Outlook also takes a name here; nothing of ours asks by name
        n = index.lVal;
    }
    if (n < 1 || size_t(n) > children.size())
        return id == 3 ? (result ? (result->vt = VT_EMPTY, S_OK) : S_OK) : E_INVALIDARG;
    TreeRef child{children[size_t(n - 1)], m_parent.storeName, m_parent.path};
    child.path.push_back(child.folder->name);
    return ReturnDispatch(new CFolder(std::move(child)), result);
}

class CStore final : public CNamed {
public:
    CStore(std::shared_ptr<Folder> root, WString name)
        : CNamed({W("GetRootFolder"), W("DisplayName")}), m_root(std::move(root)), m_name(std::move(name))
    {
    }

protected:
    HRESULT Call(DISPID id, const DISPPARAMS&, VARIANT* result) override
    {
        if (id == 2)
            return ReturnBstr(m_name, result);
        return ReturnDispatch(new CFolder(TreeRef{m_root, m_name, {}}), result);
    }

private:
    std::shared_ptr<Folder> m_root;
    WString m_name;
};

bool IsMaildir(const std::filesystem::path& dir)
{
    std::error_code ec;
    return std::filesystem::is_directory(dir / "cur", ec) && std::filesystem::is_directory(dir / "new", ec) &&
           std::filesystem::is_directory(dir / "tmp", ec);
}

// Maildir++: the root is INBOX, ".A.B" is B inside A inside INBOX.
std::shared_ptr<Folder> MaildirTree(const std::filesystem::path& root)
{
    auto tree = std::make_shared<Folder>();
    auto inbox = std::make_shared<Folder>(Folder{W("Inbox"), {}});
    tree->children.push_back(inbox);
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(root, ec)) {
        std::string name = entry.path().filename().string();
        if (name.size() > 1 && name[0] == '.' && name != ".." && IsMaildir(entry.path()))
            names.push_back(name.substr(1));
        if (names.size() >= kMaxFolders)
            break;
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        Folder* at = inbox.get();
        size_t start = 0;
        while (start <= name.size()) {
            size_t dot = name.find('.', start);
            WString part = host::Wide(name.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
            auto found = std::find_if(at->children.begin(), at->children.end(),
                                      [&](const std::shared_ptr<Folder>& f) { return f->name == part; });
            if (found == at->children.end()) {
                at->children.push_back(std::make_shared<Folder>(Folder{part, {}}));
                found = at->children.end() - 1;
            }
            at = found->get();
            if (dot == std::string::npos)
                break;
            start = dot + 1;
        }
    }
    return tree;
}

// Breadth by breadth would look the same to the add-in; depth first keeps the count bound simple.
void AddDirectories(Folder& folder, const std::filesystem::path& dir, size_t& count)
{
    std::vector<std::filesystem::path> subdirs;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        std::error_code typeError;
        if (entry.is_directory(typeError) && !entry.is_symlink(typeError) &&
            entry.path().filename().string().rfind('.', 0) != 0)
            subdirs.push_back(entry.path());
    }
    std::sort(subdirs.begin(), subdirs.end());
    for (const auto& sub : subdirs) {
        if (count >= kMaxFolders)
            return;
        ++count;
        folder.children.push_back(std::make_shared<Folder>(Folder{host::Wide(sub.filename().string()), {}}));
        AddDirectories(*folder.children.back(), sub, count);
    }
}

} // namespace

HRESULT IdsOfNames(const std::vector<const WCHAR*>& names, LPOLESTR* asked, UINT count, DISPID* ids)
{
    if (!asked || !ids)
        return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (i > 0)
            continue; // named arguments: none of ours take any
        for (size_t n = 0; n < names.size(); ++n) {
            WString a = asked[i] ? WString(asked[i]) : WString(), b = names[n];
            if (a.size() == b.size() &&
                std::equal(a.begin(), a.end(), b.begin(), [](WCHAR x, WCHAR y) {
                    auto lower = [](WCHAR c) { return c >= W('A') && c <= W('Z') ? WCHAR(c - W('A') + W('a')) : c; };
                    return lower(x) == lower(y);
                }))
                ids[i] = DISPID(n + 1);
        }
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return count > 1 && hr == S_OK ? DISP_E_UNKNOWNNAME : hr;
}

WString FolderPathOf(const WString& storeName, const std::vector<WString>& names)
{
    auto escape = [](const WString& name) {
        WString out;
        for (WCHAR c : name)
            out += c == W('%') ? W("%25") : c == u'\\' ? W("%5C") : WString(1, c);
        return out;
    };
    WString path = W("\\\\") + escape(storeName);
    for (const auto& name : names)
        path += W("\\") + escape(name);
    return path;
}

std::shared_ptr<Folder> DefaultFolderTree()
{
    auto tree = std::make_shared<Folder>();
    for (const WCHAR* name : {W("Inbox"), W("Drafts"), W("Sent Items"), W("Deleted Items"), W("Outbox"), W("Junk E-mail")})
        tree->children.push_back(std::make_shared<Folder>(Folder{name, {}}));
    return tree;
}

std::shared_ptr<Folder> FolderTreeOf(const std::vector<std::string>& files)
{
    namespace fs = std::filesystem;
    std::vector<fs::path> dirs;
    for (const std::string& file : files) {
        std::error_code ec;
        fs::path dir = fs::weakly_canonical(fs::absolute(file, ec), ec).parent_path();
        if (!dir.empty())
            dirs.push_back(dir);
    }
    if (dirs.empty())
        return DefaultFolderTree();
    for (const fs::path& dir : dirs) {
        std::string leaf = dir.filename().string();
        if ((leaf == "cur" || leaf == "new") && IsMaildir(dir.parent_path()))
            return MaildirTree(dir.parent_path());
    }
    // The common directory of all files.
    fs::path common = dirs.front();
    for (const fs::path& dir : dirs) {
        fs::path shared;
        auto a = common.begin(), b = dir.begin();
        for (; a != common.end() && b != dir.end() && *a == *b; ++a, ++b)
            shared /= *a;
        common = shared;
    }
    auto tree = std::make_shared<Folder>();
    tree->children.push_back(std::make_shared<Folder>(Folder{host::Wide(common.filename().empty() ? "/" : common.filename().string()), {}}));
    size_t count = 1;
    AddDirectories(*tree->children.back(), common, count);
    return tree;
}

IDispatch* NewDefaultStore(std::shared_ptr<Folder> root, const WString& storeName)
{
    return new CStore(std::move(root), storeName);
}

} // namespace store
