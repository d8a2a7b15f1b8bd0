#include "email/EmailData.h"

#include "__Utilities/ErrorInfo.h"
#include "__Utilities/ProcAddress.h"

namespace {

// The MAPI libraries Outlook may have loaded, newest first; the add-in never loads one itself.
const WCHAR* const g_mapiModules[] = {W("OLMAPI32.DLL"), W("MSMAPI32.DLL"), W("MAPI32.DLL")};

CComBSTR ReadEntryID(Outlook::_MailItem* pMailItem) noexcept
{
    CComBSTR entryID;
    if (FAILED(pMailItem->get_EntryID(&entryID)))
        entryID.Empty();
    return entryID;
}

} // namespace

CEmailData::CEmailData()
{
    for (const WCHAR* pModule : g_mapiModules) {
        HMODULE module = GetModuleHandleW(pModule);
        if (!module)
            continue;
        fnFreeBuffer = GetProcAddressAs<LPMAPIFREEBUFFER>(module, "MAPIFreeBuffer");
        if (fnFreeBuffer)
            break;
    }
    VTR_CHECK(fnFreeBuffer, E_UNEXPECTED);
}

CEmailData::~CEmailData() { Clear(); }

void CEmailData::SetEmailItem(Outlook::_MailItem* pMailItem)
{
    try {
        Clear();
        m_emailMessage.SetEmailItem(pMailItem);
        m_emailMessage.SetFreeBuffer(fnFreeBuffer);
        m_emailIPLocation.SetEmailHeader(m_emailMessage.GetHeader());
        m_emailAttachments.SetEmailItem(pMailItem);
        m_emailAttachments.SetFreeBuffer(fnFreeBuffer);
        // Links that cannot be read (no HTML engine, a body it refuses) leave the rest of the message shown:
        // the sender, servers and attachments do not depend on them.
        try {
            m_emailLinks.SetEmailItem(m_emailMessage.GetBodyInHTML());
        }
        VTR_CATCH_LOG
    }
    VTR_CATCH_RETHROW
}

bool CEmailData::IsSameEmailItem(Outlook::_MailItem* pMailItem)
{
    VTR_CHECK(pMailItem, E_INVALIDARG);
    Outlook::_MailItem* pCurrent = m_emailMessage.GetMailItem();
    if (!pCurrent)
        return false;
    CComBSTR givenID = ReadEntryID(pMailItem);
    CComBSTR currentID = ReadEntryID(pCurrent);
    return givenID.Length() && currentID.Length() && _wcsicmp(givenID, currentID) == 0;
}

bool CEmailData::IsEmailItemSet() const noexcept
{
    return m_emailMessage.HasMailItem() && m_emailIPLocation.IsHeaderSet() && m_emailAttachments.HasMailItem() &&
           m_emailLinks.IsEmailItemSet();
}

void CEmailData::ReleaseMailItem() noexcept
{
    try {
        m_emailMessage.Clear();
    }
    VTR_CATCH_LOG
}

void CEmailData::Clear() noexcept
{
    try {
        m_emailMessage.Clear();
    }
    VTR_CATCH_LOG
    try {
        m_emailIPLocation.Clear();
    }
    VTR_CATCH_LOG
    try {
        m_emailAttachments.Clear();
    }
    VTR_CATCH_LOG
    try {
        m_emailLinks.Clear();
    }
    VTR_CATCH_LOG
}
