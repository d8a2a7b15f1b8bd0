// The About box; see AboutDlg.h.
#include "dialogs/AboutDlg.h"

#include <shellapi.h>

#include <vector>

#include "__Utilities/ErrorInfo.h"
#include "dialogs/InfoDlg.h"
#include "geo/GeoEndpoints.h"

namespace {

const int VERSION_LABEL_LENGTH = 150;

} // namespace

CAboutDlg::CAboutDlg()
{
    CInfoDlgHelper::InitControls();
}

WString CAboutDlg::ShortenVersion(const WString& version)
{
    std::vector<WString> parts;
    size_t start = 0;
    while (true) {
        size_t dot = version.find(W('.'), start);
        parts.push_back(version.substr(start, dot == WString::npos ? WString::npos : dot - start));
        if (dot == WString::npos)
            break;
        start = dot + 1;
    }
    if (parts.size() < 3)
        return WString();
    WString shortened = parts[0] + W(".") + parts[1];
    const WString& third = parts[2];
    if (parts.size() > 3 && third.size() == 1 && third[0] >= W('1') && third[0] <= W('9'))
        shortened += W(".") + third;
    return shortened;
}

WString CAboutDlg::GetProductVersion()
{
    HMODULE hModule = nullptr;
    VTR_CHECK_WIN32(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                       reinterpret_cast<LPCWSTR>(&CAboutDlg::ShortenVersion), &hModule));
    std::vector<WCHAR> path(32768, 0);
    DWORD length = GetModuleFileNameW(hModule, path.data(), DWORD(path.size()));
    VTR_CHECK_WIN32(length > 0 && length < path.size());
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path.data(), &handle);
    if (size == 0)
        return WString();
    std::vector<BYTE> block(size);
    VTR_CHECK_WIN32(GetFileVersionInfoW(path.data(), handle, size, block.data()));
    LPVOID value = nullptr;
    UINT valueLength = 0;
    if (!VerQueryValueW(block.data(), W("\\StringFileInfo\\040904E4\\ProductVersion"), &value, &valueLength) ||
        !value || valueLength == 0)
        return WString();
    return WString(static_cast<const WCHAR*>(value));
}

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    try {
        WString version = ShortenVersion(GetProductVersion());
        if (!version.empty()) {
            WCHAR label[VERSION_LABEL_LENGTH + 1] = {};
            GetDlgItemText(IDC_VERSION, label, VERSION_LABEL_LENGTH);
            WString text = WString(label) + version;
            VTR_VERIFY_WIN32(SetDlgItemText(IDC_VERSION, text.c_str()));
        }
    }
    VTR_CATCH_LOG
    // On the primary screen, whatever the owner.
    RECT rect;
    if (VTR_VERIFY_WIN32(GetWindowRect(&rect))) {
        int width = rect.right - rect.left, height = rect.bottom - rect.top;
        int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2, top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
        VTR_VERIFY_WIN32(SetWindowPos(nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
    }
    return TRUE;
}

LRESULT CAboutDlg::OnClickedClose(WORD, WORD wID, HWND, BOOL&)
{
    EndDialog(wID);
    return 0;
}

LRESULT CAboutDlg::OnClickedViewLog(WORD, WORD, HWND, BOOL&)
{
    try {
        CInfoDlg dlg(IDS_TITLE_ERROR_LOG);
        dlg.DoModal(m_hWnd);
    }
    VTR_CATCH_LOG
    return 0;
}

LRESULT CAboutDlg::OnClickedLink(int idCtrl, LPNMHDR pnmh, BOOL&)
{
    try {
        if (!VTR_VERIFY_QUOTED(pnmh->hwndFrom == GetDlgItem(idCtrl), E_UNEXPECTED))
            return 0;
        WString address = CGeoEndpoints::HomePage(idCtrl == IDC_LINK_IPINFODB ? GeoService::IpInfoDB : GeoService::KeyCDN);
        HINSTANCE result = ShellExecuteW(m_hWnd, W("open"), address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        VTR_VERIFY_QUOTED(reinterpret_cast<INT_PTR>(result) > 32, E_FAIL);
    }
    VTR_CATCH_LOG
    return 0;
}
