#include "email/EmailMessage.h"

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/WString.h"
#include "addin/EmailUtil.h"

namespace {

// PR_TRANSPORT_MESSAGE_HEADERS through the property accessor's proptag namespace.
const WCHAR g_transportHeaderSchema[] = W("http://schemas.microsoft.com/mapi/proptag/0x007D001E");
// PR_NATIVE_BODY_INFO, the format the store keeps the body in, coded as MAPI codes it: 1 plain text, 2 RTF,
// 3 HTML (0 undefined). Absent from the SDK headers the module is built with.
const ULONG g_nativeBodyTag = 0x10160003;
// The content type of the body part is a named property: its id is the store's own, asked for by name
// (PS_INTERNET_HEADERS, "Content-Type"). Fixed ids from 0x8000 would name whatever each store put there.
const GUID g_psInternetHeaders = {0x00020386, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const ULONG g_firstNamedId = 0x8000;

// IID_IMessage, spelled out: MAPI's interface ids are in no import library the module links with.
const IID g_iidMessage = {0x00020307, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Outlook's options are kept per major and minor version ("16.0").
const WCHAR g_optionsKeyStart[] = W("Software\\Microsoft\\Office\\");
const WCHAR g_optionsKeyEnd[] = W("\\Outlook\\Options\\Mail");

// The tag array GetIDsFromNames hands out, released with MAPI's free function.
class CPropTagsHolder {
public:
    explicit CPropTagsHolder(LPMAPIFREEBUFFER fnFreeBuff) : fnFreeBuffer(fnFreeBuff) {}
    ~CPropTagsHolder()
    {
        if (!m_pTags)
            return;
        HRESULT hr = (HRESULT) fnFreeBuffer(m_pTags);
        if (FAILED(hr))
            CErrorInfo(hr, false, VTR_HERE);
    }
    CPropTagsHolder(const CPropTagsHolder&) = delete;
    CPropTagsHolder& operator=(const CPropTagsHolder&) = delete;

    LPSPropTagArray m_pTags = nullptr;

private:
    LPMAPIFREEBUFFER fnFreeBuffer;
};

} // namespace

CEmailMessage::~CEmailMessage() { Clear(); }

void CEmailMessage::SetEmailItem(Outlook::_MailItem* pMailItem)
{
    Clear();
    VTR_CHECK(pMailItem, E_POINTER);
    m_spMailItem = pMailItem;
    VTR_CHECK(m_spMailItem, E_POINTER);
    VTR_CHECK(!m_spMessage, E_UNEXPECTED);
    CComPtr<IUnknown> spMapiObject;
    VTR_CHECK_HR(m_spMailItem->get_MAPIOBJECT(&spMapiObject));
    if (spMapiObject)
        spMapiObject->QueryInterface(g_iidMessage, reinterpret_cast<void**>(&m_spMessage));
    VTR_CHECK(m_spMessage, E_UNEXPECTED);
}

void CEmailMessage::Clear() noexcept
{
    m_header.Empty();
    m_bodyHTML.Empty();
    m_bodyPlain.Empty();
    m_senderName.Empty();
    m_senderAddress.Empty();
    m_verdicts = AuthenticationVerdicts();
    m_verdictsRead = false;
    fnFreeBuffer = nullptr;
    m_spMessage.Release();
    m_spMailItem.Release();
}

BSTR CEmailMessage::GetCachedText(CComBSTR& cache, ItemGetter getter)
{
    VTR_CHECK(m_spMailItem, E_POINTER);
    if (cache.Length() == 0) {
        CComBSTR answer;
        VTR_CHECK_HR((m_spMailItem.p->*getter)(&answer));
        cache = std::move(answer);
    }
    return cache.Length() ? cache.m_str : nullptr;
}

BSTR CEmailMessage::GetBodyInHTML() noexcept
{
    try {
        return GetCachedText(m_bodyHTML, &Outlook::_MailItem::get_HTMLBody);
    }
    VTR_CATCH_LOG
    return nullptr;
}

BSTR CEmailMessage::GetBodyInPlainText() noexcept
{
    try {
        return GetCachedText(m_bodyPlain, &Outlook::_MailItem::get_Body);
    }
    VTR_CATCH_LOG
    return nullptr;
}

BSTR CEmailMessage::GetEmailName() noexcept
{
    try {
        return GetCachedText(m_senderName, &Outlook::_MailItem::get_SenderName);
    }
    VTR_CATCH_LOG
    return nullptr;
}

BSTR CEmailMessage::GetHeader() noexcept
{
    try {
        VTR_CHECK(m_spMailItem, E_POINTER);
        if (m_header.Length() == 0) {
            CComPtr<Outlook::_PropertyAccessor> spPropertyAccessor;
            VTR_CHECK_HR(m_spMailItem->get_PropertyAccessor(&spPropertyAccessor));
            VTR_CHECK(spPropertyAccessor, E_POINTER);
            CComBSTR schema(g_transportHeaderSchema);
            CComVariant msgHeader;
            VTR_CHECK_HR(spPropertyAccessor->GetProperty(schema, &msgHeader));
            VTR_CHECK(msgHeader.vt == VT_BSTR, E_UNEXPECTED);
            m_header = msgHeader.bstrVal;
        }
        return m_header.Length() ? m_header.m_str : nullptr;
    }
    VTR_CATCH_LOG
    return nullptr;
}

const AuthenticationVerdicts& CEmailMessage::GetAuthenticationVerdicts() noexcept
{
    if (!m_verdictsRead && m_spMailItem) {
        m_verdictsRead = true;
        try {
            m_verdicts = ReadAuthenticationVerdicts(GetHeader());
        }
        VTR_CATCH_LOG
    }
    return m_verdicts;
}

BSTR CEmailMessage::GetEmailAddress() noexcept
{
    try {
        VTR_CHECK(m_spMailItem, E_POINTER);
        if (m_senderAddress.Length() == 0)
            m_senderAddress = ReadEmailAddress();
        return m_senderAddress.Length() ? m_senderAddress.m_str : nullptr;
    }
    VTR_CATCH_LOG
    return nullptr;
}

CComBSTR CEmailMessage::ReadEmailAddress()
{
    CComBSTR emailType;
    VTR_CHECK_HR(m_spMailItem->get_SenderEmailType(&emailType));
    VTR_CHECK_TEXT(emailType.Length() != 0, "emailType", E_UNEXPECTED);
    if (_wcsicmp(emailType, W("SMTP")) == 0) {
        CComBSTR address;
        VTR_CHECK_HR(m_spMailItem->get_SenderEmailAddress(&address));
        return address;
    }
    // An Exchange sender has an X.500 address; the SMTP one stands in the header the gateway wrote.
    if (_wcsicmp(emailType, W("EX")) == 0)
        return AddressFromHeader(GetHeader());
    return CComBSTR();
}

CComBSTR CEmailMessage::AddressFromHeader(const WCHAR* pHeader)
{
    if (!pHeader)
        return CComBSTR();
    WStringView header(pHeader);
    size_t from = header.find(W("From: "));
    if (from == WStringView::npos || (from != 0 && header[from - 1] != W('\n')))
        return CComBSTR();
    size_t lineEnd = header.find(W('\n'), from);
    size_t open = header.find(W('<'), from);
    if (lineEnd == WStringView::npos || open == WStringView::npos)
        return CComBSTR();
    size_t close = header.find(W('>'), open);
    size_t at = header.find(W('@'), open);
    if (close == WStringView::npos || at == WStringView::npos)
        return CComBSTR();
    if (open >= lineEnd || close >= lineEnd || at <= open || at >= close)
        return CComBSTR();
    return CComBSTR(int(close - open - 1), pHeader + open + 1);
}

bool CEmailMessage::IsReadInPlainText() noexcept
{
    try {
        VTR_CHECK(m_spMailItem, E_POINTER);
        CComPtr<Outlook::_Application> spApplication;
        VTR_CHECK_HR(m_spMailItem->get_Application(&spApplication));
        VTR_CHECK(spApplication, E_POINTER);
        CComBSTR outlookVersion;
        VTR_CHECK_HR(spApplication->get_Version(&outlookVersion));
        VTR_CHECK_TEXT(outlookVersion.Length() != 0, "outlookVersion", E_UNEXPECTED);

        // Major and minor only: "16.0.4266.1001" keeps its options under "16.0".
        WString version(outlookVersion.m_str, outlookVersion.Length());
        size_t dot = version.find(W('.'));
        if (dot != WString::npos)
            dot = version.find(W('.'), dot + 1);
        if (dot != WString::npos)
            version.resize(dot);
        WString keyPath = g_optionsKeyStart + version + g_optionsKeyEnd;

        CRegKey key;
        LSTATUS errCode = key.Open(HKEY_CURRENT_USER, keyPath.c_str(), KEY_READ);
        if (errCode == ERROR_FILE_NOT_FOUND || errCode == ERROR_PATH_NOT_FOUND)
            return false;
        VTR_CHECK(errCode == ERROR_SUCCESS, E_UNEXPECTED);

        DWORD value = 0, type = 0, size = sizeof value;
        errCode = RegQueryValueExW(key.m_hKey, W("ReadAsPlain"), nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                   &size);
        if (errCode == ERROR_FILE_NOT_FOUND)
            return false;
        VTR_CHECK(errCode == ERROR_SUCCESS && type == REG_DWORD, E_UNEXPECTED);
        return value == 1;
    }
    VTR_CATCH_LOG
    return false;
}

int CEmailMessage::GetNativeMsgFormat() noexcept
{
    try {
        VTR_CHECK(m_spMessage, E_POINTER);
        return NativeMsgFormat(m_spMessage, fnFreeBuffer);
    }
    VTR_CATCH_LOG
    return 0;
}

int CEmailMessage::NativeMsgFormat(IMAPIProp* pMessage, LPMAPIFREEBUFFER fnFreeBuff)
{
    {
        CEmailProp nativeBody(pMessage, g_nativeBodyTag, fnFreeBuff, true);
        LPSPropValue pValue = nativeBody.GetValue();
        if (pValue && pValue->ulPropTag == g_nativeBodyTag) {
            switch (pValue->Value.l) {
            case 1: return 1; // plain text
            case 2: return 3; // RTF
            case 3: return 2; // HTML
            default: return 0;
            }
        }
    }
    ULONG contentTypeTag = ContentTypeTag(pMessage, fnFreeBuff);
    if (contentTypeTag == PR_NULL)
        return 0;
    CEmailProp contentType(pMessage, contentTypeTag, fnFreeBuff, true);
    LPSPropValue pValue = contentType.GetValue();
    if (!pValue || pValue->ulPropTag != contentTypeTag)
        return 0;
    const WCHAR* pFormatType = pValue->Value.lpszW;
    VTR_CHECK_TEXT(pFormatType && *pFormatType, "pFormatType", E_UNEXPECTED);
    if (_wcsnicmp(pFormatType, W("text/plain"), 10) == 0)
        return 1;
    if (_wcsnicmp(pFormatType, W("text/html"), 9) == 0)
        return 2;
    return 0;
}

ULONG CEmailMessage::ContentTypeTag(IMAPIProp* pMessage, LPMAPIFREEBUFFER fnFreeBuff)
{
    VTR_CHECK(pMessage, E_POINTER);
    VTR_CHECK(fnFreeBuff, E_POINTER);
    GUID propSet = g_psInternetHeaders;
    WCHAR name[] = W("Content-Type");
    MAPINAMEID contentType = {};
    contentType.lpguid = &propSet;
    contentType.ulKind = MNID_STRING;
    contentType.Kind.lpwstrName = name;
    LPMAPINAMEID names[] = {&contentType};
    CPropTagsHolder ids(fnFreeBuff);
    // Without MAPI_CREATE: a store that never saw the name has no such property on any message.
    HRESULT hr = pMessage->GetIDsFromNames(1, names, 0, &ids.m_pTags);
    VTR_CHECK_HR(hr);
    if (hr != S_OK || !ids.m_pTags || ids.m_pTags->cValues != 1)
        return PR_NULL;
    ULONG tag = ids.m_pTags->aulPropTag[0];
    if (PROP_TYPE(tag) == PT_ERROR || PROP_ID(tag) < g_firstNamedId)
        return PR_NULL;
    return CHANGE_PROP_TYPE(tag, PT_UNICODE);
}

int CEmailMessage::GetMsgFormat() noexcept
{
    try {
        VTR_CHECK(m_spMailItem, E_POINTER);
        Outlook::OlBodyFormat format = Outlook::olFormatUnspecified;
        VTR_CHECK_HR(m_spMailItem->get_BodyFormat(&format));
        return int(format);
    }
    VTR_CATCH_LOG
    return 0;
}
