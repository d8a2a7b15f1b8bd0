// The resource manager: module-relative string lookups with the add-in's error convention.
#include "__Utilities/ResourceManager.h"

#include <string>
#include <vector>

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/WString.h"
#include "res/resource.h"

namespace {

// Longest text LoadStringW can return into the buffer, plus its terminator.
const int kTextBufferLength = 4097;

struct HttpStatusText {
    long status;
    int textId;
};

const HttpStatusText kHttpStatusTexts[] = {
    {400, IDS_HTTP_400}, {401, IDS_HTTP_401}, {402, IDS_HTTP_402}, {403, IDS_HTTP_403}, {404, IDS_HTTP_404},
    {405, IDS_HTTP_405}, {406, IDS_HTTP_406}, {407, IDS_HTTP_407}, {408, IDS_HTTP_408}, {409, IDS_HTTP_409},
    {410, IDS_HTTP_410}, {411, IDS_HTTP_411}, {412, IDS_HTTP_412}, {413, IDS_HTTP_413}, {414, IDS_HTTP_414},
    {415, IDS_HTTP_415}, {416, IDS_HTTP_416}, {417, IDS_HTTP_417}, {418, IDS_HTTP_418}, {421, IDS_HTTP_421},
    {422, IDS_HTTP_422}, {423, IDS_HTTP_423}, {424, IDS_HTTP_424}, {426, IDS_HTTP_426}, {428, IDS_HTTP_428},
    {429, IDS_HTTP_429}, {431, IDS_HTTP_431}, {451, IDS_HTTP_451}, {500, IDS_HTTP_500}, {501, IDS_HTTP_501},
    {502, IDS_HTTP_502}, {503, IDS_HTTP_503}, {504, IDS_HTTP_504}, {505, IDS_HTTP_505}, {506, IDS_HTTP_506},
    {507, IDS_HTTP_507}, {508, IDS_HTTP_508}, {510, IDS_HTTP_510}, {511, IDS_HTTP_511},
};

} // namespace

CResourceManager& CResourceManager::Instance()
{
    static CResourceManager instance;
    return instance;
}

CResourceManager::CResourceManager() : m_hInst(_AtlBaseModule.GetResourceInstance()) {}

CResourceManager::~CResourceManager()
{
    for (auto& entry : m_fonts)
        DeleteObject(entry.second);
}

CComBSTR CResourceManager::GetText(int Id)
{
    VTR_CHECK_QUOTED(Id > 0, E_INVALIDARG);
    VTR_CHECK(m_hInst, E_UNEXPECTED);

    CComBSTR text(W(""));
    // String ids are 16 bits wide; a larger id would wrap onto another string.
    if (Id > 0xFFFF || !FindResourceW(m_hInst, MAKEINTRESOURCEW((Id >> 4) + 1), RT_STRING))
        return text;
    std::vector<WCHAR> buffer(kTextBufferLength, 0);
    // An empty slot of an existing block fails without setting an error: clear any earlier one first,
    // so that only a real failure is reported.
    SetLastError(ERROR_SUCCESS);
    int length = LoadStringW(m_hInst, UINT(Id), buffer.data(), kTextBufferLength);
    if (length == 0) {
        if (GetLastError() != ERROR_SUCCESS)
            throw CErrorInfo::FromLastError(VTR_HERE);
        return text;
    }
    return CComBSTR(length, buffer.data());
}

CComBSTR CResourceManager::GetHttpStatusText(long status)
{
    std::string digits = std::to_string(status);
    WString result(digits.begin(), digits.end());
    for (const HttpStatusText& entry : kHttpStatusTexts)
        if (entry.status == status) {
            CComBSTR description = GetText(entry.textId);
            result += W(" ");
            if (description.Length())
                result.append(description.m_str, description.Length());
            break;
        }
    return CComBSTR(int(result.size()), result.c_str());
}

CComBSTR CResourceManager::GetHelpFile()
{
    std::vector<WCHAR> path(32768, 0);
    DWORD retCode = GetModuleFileNameW(m_hInst, path.data(), DWORD(path.size()));
    VTR_CHECK_QUOTED(retCode > 0, E_FAIL);
    WString helpFile(path.data(), retCode);
    size_t slash = helpFile.find_last_of(W('\\'));
    helpFile.erase(slash == WString::npos ? 0 : slash + 1);
    CComBSTR name = GetText(IDS_HELP_FILE);
    if (name.Length())
        helpFile.append(name.m_str, name.Length());
    VTR_CHECK_TEXT(!helpFile.empty(), "helpFile", E_UNEXPECTED);
    return CComBSTR(int(helpFile.size()), helpFile.c_str());
}

HICON CResourceManager::GetIcon(int Id, int size)
{
    VTR_CHECK_QUOTED(Id > 0, E_INVALIDARG);
    VTR_CHECK(m_hInst, E_UNEXPECTED);
    int side = (size > 0 && size % 16 == 0) ? size : 0;
    UINT flags = side ? 0 : LR_DEFAULTSIZE;
    HICON hIcon = static_cast<HICON>(LoadImageW(m_hInst, MAKEINTRESOURCEW(Id), IMAGE_ICON, side, side, flags));
    VTR_CHECK_WIN32(hIcon);
    return hIcon;
}

CComPtr<IPictureDisp> CResourceManager::GetImage(int Id, bool large)
{
    auto cached = m_images.find(Id);
    if (cached != m_images.end())
        return cached->second;

    HICON hIcon = GetIcon(Id, large ? 32 : 16);
    ICONINFO iconInfo = {};
    BOOL gotInfo = GetIconInfo(hIcon, &iconInfo);
    DestroyIcon(hIcon);
    VTR_CHECK_WIN32(gotInfo);
    // The picture takes the colour bitmap; the mask is not needed, the colour bitmap carries alpha.
    if (iconInfo.hbmMask)
        DeleteObject(iconInfo.hbmMask);

    PICTDESC desc = {};
    desc.cbSizeofstruct = sizeof(desc);
    desc.picType = PICTYPE_BITMAP;
    desc.bmp.hbitmap = iconInfo.hbmColor;
    CComPtr<IPictureDisp> spPicture;
    HRESULT hr = OleCreatePictureIndirect(&desc, IID_IPictureDisp, TRUE, reinterpret_cast<void**>(&spPicture));
    if (FAILED(hr)) {
        DeleteObject(iconInfo.hbmColor);
        VTR_CHECK_HR(hr);
    }
    m_images[Id] = spPicture;
    return spPicture;
}

HFONT CResourceManager::GetUIFont(bool bold)
{
    const int points = bold ? 9 : 8;
    auto cached = m_fonts.find(points);
    if (cached != m_fonts.end())
        return cached->second;

    int pixelsPerInch = 96;
    if (HDC hDC = GetDC(nullptr)) {
        pixelsPerInch = GetDeviceCaps(hDC, LOGPIXELSY);
        ReleaseDC(nullptr, hDC);
    }
    LOGFONTW logFont = {};
    logFont.lfHeight = -(points * pixelsPerInch / 72);
    logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfOutPrecision = OUT_OUTLINE_PRECIS;
    logFont.lfQuality = CLEARTYPE_QUALITY;
    static const WCHAR kFace[] = W("Segoe UI");
    static_assert(sizeof(kFace) / sizeof(WCHAR) <= LF_FACESIZE, "face name fits");
    for (size_t i = 0; i < sizeof(kFace) / sizeof(WCHAR); ++i)
        logFont.lfFaceName[i] = kFace[i];
    HFONT hFont = CreateFontIndirectW(&logFont);
    if (!hFont)
        return static_cast<HFONT>(GetStockObject(bold ? SYSTEM_FONT : DEFAULT_GUI_FONT));
    m_fonts[points] = hFont;
    return hFont;
}
