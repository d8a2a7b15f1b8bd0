// The options dialog's flagging pages: the countries flagged for e-mails and links, the servers, and the
// folders flagged e-mails go to.
#include "dialogs/OptnsDlg.h"
#include "dialogs/OptnsDlgShared.h"

#include <richedit.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwctype>

#include "Utils/IPInfo.h"
#include "Utils/IPRequest.h"
#include "Utils/IPURL.h"
#include "Utils/IPV4.h"
#include "Utils/IPV6.h"
#include "Utils/SettingsManager.h"
#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ResourceManager.h"
#include "geo/CountryTable.h"
#include "geo/GeoLocationManager.h"

using namespace optns_dlg;

namespace {

constexpr DWORD FOLDER_PATH_MAX = 2084;
constexpr int FOLDER_DEPTH_MAX = 256; // a store deeper than this is cut off rather than overflow the stack
constexpr COLORREF INVALID_SERVER_COLOR = RGB(255, 0, 0);

bool IsServerSeparator(WCHAR c) { return c == W(',') || iswspace(c); }

// An entry of the server list: an IPv4 or IPv6 address or a host name.
bool IsValidServer(const WString& server)
{
    if (server.empty())
        return false;
    IPV4_address ipv4;
    if (ipv4.Read(server.c_str()) && ipv4.IsValid())
        return true;
    IPV6_address ipv6;
    if (ipv6.Read(server.c_str()) && ipv6.IsValid())
        return true;
    URL_address host;
    return host.Read(server.c_str()) && host.IsValid();
}

// Late-bound calls into the mail client's object model, by name.
HRESULT InvokeByName(IDispatch* pDisp, const WCHAR* name, WORD flags, VARIANT* pArg, VARIANT* pResult)
{
    if (!pDisp)
        return E_POINTER;
    DISPID dispId = 0;
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = pDisp->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispId);
    if (FAILED(hr))
        return hr;
    DISPPARAMS params = {pArg, nullptr, pArg ? 1u : 0u, 0};
    return pDisp->Invoke(dispId, GUID_NULL, LOCALE_USER_DEFAULT, flags, &params, pResult, nullptr, nullptr);
}

// An object-valued property or method result; null when it has none.
CComPtr<IDispatch> GetDispObject(IDispatch* pDisp, const WCHAR* name, WORD flags)
{
    CComVariant result;
    VTR_CHECK_HR(InvokeByName(pDisp, name, flags, nullptr, &result));
    CComPtr<IDispatch> spObject;
    if (result.vt == VT_DISPATCH)
        spObject = result.pdispVal;
    else if (result.vt == VT_UNKNOWN && result.punkVal)
        result.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&spObject));
    return spObject;
}

} // namespace

LRESULT COptnsDlg::OnServersLoseFocus(WORD, WORD wID, HWND hWndCtl, BOOL&)
{
    try {
        if (!VTR_VERIFY_QUOTED(wID == IDE_SERVERS, E_UNEXPECTED) ||
            !VTR_VERIFY_QUOTED(hWndCtl == Control(IDE_SERVERS), E_UNEXPECTED))
            return 0;
        std::vector<WString> servers;
        if (GetListOfServers(servers))
            SetListOfServers(servers);
    }
    VTR_CATCH_LOG
    return 0;
}

void COptnsDlg::InitCountries()
{
    HWND hList = Control(IDLB_COUNTRIES);
    VTR_CHECK_QUOTED(hList, E_POINTER);
    for (const CountryEntry& country : g_countryTable) {
        int index = int(::SendMessageW(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(country.name)));
        if (!VTR_VERIFY_QUOTED((index != LB_ERR) && (index != LB_ERRSPACE), E_FAIL))
            continue;
        ::SendMessageW(hList, LB_SETITEMDATA, WPARAM(index), LPARAM(CountryKey(country.code)));
    }
}

void COptnsDlg::GetListSelection(std::vector<int>& codes)
{
    HWND hList = Control(IDLB_COUNTRIES);
    VTR_CHECK_QUOTED(hList, E_POINTER);
    int count = int(::SendMessageW(hList, LB_GETSELCOUNT, 0, 0));
    VTR_CHECK_QUOTED(count != LB_ERR, E_FAIL);
    std::vector<int> indexes(size_t(std::max(count, 0)) + 1);
    int read = int(::SendMessageW(hList, LB_GETSELITEMS, WPARAM(count), reinterpret_cast<LPARAM>(indexes.data())));
    VTR_CHECK_QUOTED(read == count, E_FAIL);
    codes.clear();
    for (int i = 0; i < read; ++i)
        codes.push_back(int(::SendMessageW(hList, LB_GETITEMDATA, WPARAM(indexes[size_t(i)]), 0)));
}

void COptnsDlg::SetListSelection(const std::vector<int>& codes)
{
    HWND hList = Control(IDLB_COUNTRIES);
    VTR_CHECK_QUOTED(hList, E_POINTER);
    ::SendMessageW(hList, LB_SETSEL, FALSE, -1);
    int count = int(::SendMessageW(hList, LB_GETCOUNT, 0, 0));
    int next = 0;
    for (int code : codes) {
        int found = -1;
        for (int i = next; i < count; ++i)
            if (int(::SendMessageW(hList, LB_GETITEMDATA, WPARAM(i), 0)) == code) {
                found = i;
                break;
            }
        if (found < 0)
            break;
        ::SendMessageW(hList, LB_SETSEL, TRUE, found);
        next = found + 1;
    }
    ::SendMessageW(hList, LB_SETTOPINDEX, 0, 0);
}

bool COptnsDlg::GetListOfServers(std::vector<WString>& servers)
{
    try {
        HWND hEdit = Control(IDE_SERVERS);
        VTR_CHECK_QUOTED(hEdit, E_POINTER);
        GETTEXTLENGTHEX length = {GTL_DEFAULT, 1200};
        LONG textLength = LONG(::SendMessageW(hEdit, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
        VTR_CHECK_QUOTED(textLength >= 0, E_FAIL);
        std::vector<WCHAR> buffer(size_t(textLength) + 1);
        VTR_CHECK_TEXT(buffer.size() == size_t(textLength) + 1, "\"buffer.size() == textLength + 1\"", E_OUTOFMEMORY);
        GETTEXTEX how = {};
        how.cb = DWORD(buffer.size() * sizeof(WCHAR));
        how.flags = GT_DEFAULT;
        how.codepage = 1200;
        LONG charRead = LONG(::SendMessageW(hEdit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&how),
                                            reinterpret_cast<LPARAM>(buffer.data())));
        VTR_CHECK_QUOTED(charRead == textLength, E_FAIL);
        servers.clear();
        size_t i = 0, n = size_t(charRead);
        while (i < n) {
            while (i < n && IsServerSeparator(buffer[i]))
                ++i;
            size_t start = i;
            while (i < n && !IsServerSeparator(buffer[i]))
                ++i;
            if (i > start)
                servers.emplace_back(buffer.data() + start, i - start);
        }
        return true;
    }
    VTR_CATCH_LOG
    return false;
}

void COptnsDlg::SetListOfServers(const std::vector<WString>& servers)
{
    HWND hEdit = Control(IDE_SERVERS);
    VTR_CHECK_QUOTED(hEdit, E_POINTER);
    WString text;
    std::vector<std::pair<LONG, LONG>> invalid;
    LONG position = 0; // a line break counts as one character
    for (size_t i = 0; i < servers.size(); ++i) {
        if (i > 0) {
            text += W("\r\n");
            ++position;
        }
        if (!IsValidServer(servers[i]))
            invalid.emplace_back(position, position + LONG(servers[i].size()));
        text += servers[i];
        position += LONG(servers[i].size());
    }
    ::SetWindowTextW(hEdit, text.c_str());
    CHARFORMATW format = {};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.dwEffects = CFE_AUTOCOLOR;
    ::SendMessageW(hEdit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    format.dwEffects = 0;
    format.crTextColor = INVALID_SERVER_COLOR;
    for (const auto& [start, end] : invalid) {
        CHARRANGE range = {start, end};
        ::SendMessageW(hEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        ::SendMessageW(hEdit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    }
    CHARRANGE start = {0, 0};
    ::SendMessageW(hEdit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&start));
}

void COptnsDlg::GetFolderNames(IDispatch* pApplication)
{
    m_folderNames.clear();
    CComPtr<IDispatch> spApplication = pApplication;
    VTR_CHECK_QUOTED(spApplication, E_POINTER);
    CComPtr<IDispatch> spSession = GetDispObject(spApplication, W("Session"), DISPATCH_PROPERTYGET);
    VTR_CHECK_QUOTED(spSession, E_POINTER);
    CComPtr<IDispatch> spStore = GetDispObject(spSession, W("DefaultStore"), DISPATCH_PROPERTYGET);
    VTR_CHECK_QUOTED(spStore, E_POINTER);
    CComPtr<IDispatch> spRootFolder = GetDispObject(spStore, W("GetRootFolder"), DISPATCH_METHOD);
    VTR_CHECK_QUOTED(spRootFolder, E_POINTER);
    EnumerateFolders(spRootFolder, 0);

    if (m_folderNames.size() < 2)
        return;
    const WString& first = m_folderNames[0];
    const WString& second = m_folderNames[1];
    size_t shared = 0;
    while (shared < first.size() && shared < second.size() && first[shared] == second[shared])
        ++shared;
    for (WString& name : m_folderNames)
        if (name.size() > shared)
            name.erase(0, shared);
}

void COptnsDlg::EnumerateFolders(IDispatch* pFolder, int depth)
{
    VTR_CHECK_QUOTED(pFolder, E_POINTER);
    if (!VTR_VERIFY_QUOTED(depth < FOLDER_DEPTH_MAX, E_FAIL))
        return;
    CComPtr<IDispatch> spFolders = GetDispObject(pFolder, W("Folders"), DISPATCH_PROPERTYGET);
    VTR_CHECK_QUOTED(spFolders, E_POINTER);
    CComVariant count;
    VTR_CHECK_HR(InvokeByName(spFolders, W("Count"), DISPATCH_PROPERTYGET, nullptr, &count));
    VTR_CHECK_HR(count.ChangeType(VT_I4));
    for (int i = 1; i <= int(count.lVal); ++i) {
        try {
            CComVariant index(i);
            CComVariant item;
            VTR_CHECK_HR(InvokeByName(spFolders, W("Item"), DISPATCH_METHOD | DISPATCH_PROPERTYGET, &index, &item));
            VTR_CHECK_QUOTED(item.vt == VT_DISPATCH && item.pdispVal, E_POINTER);
            CComPtr<IDispatch> spChild = item.pdispVal;
            CComVariant path;
            VTR_CHECK_HR(InvokeByName(spChild, W("FolderPath"), DISPATCH_PROPERTYGET, nullptr, &path));
            VTR_CHECK_QUOTED(path.vt == VT_BSTR && path.bstrVal && *path.bstrVal, E_UNEXPECTED);
            std::vector<WCHAR> unescaped(FOLDER_PATH_MAX + 1);
            DWORD size = FOLDER_PATH_MAX;
            if (SUCCEEDED(UrlUnescapeW(path.bstrVal, unescaped.data(), &size, 0)))
                m_folderNames.emplace_back(unescaped.data());
            EnumerateFolders(spChild, depth + 1);
        }
        VTR_CATCH_LOG
    }
}

std::vector<int>* COptnsDlg::PageCountries(int page)
{
    if (page == PAGE_FLAG_COUNTRIES)
        return &m_emailCountries;
    if (page == PAGE_FLAG_LINKS)
        return &m_linkCountries;
    return nullptr;
}
