// One selected e-mail as the add-in reads it: the transport header, the two bodies, the sender and the
// text format, through the Outlook object model and, where that is not enough, the item's MAPI message.
// Texts are read on first use and kept until the next Clear.
#pragma once

#include <windows.h>
#include <atlbase.h>
#include <mapix.h>
#include <outlook.h>

#include "email/EmailAuthentication.h"

class CEmailMessage {
public:
    CEmailMessage() = default;
    virtual ~CEmailMessage();
    CEmailMessage(const CEmailMessage&) = delete;
    CEmailMessage& operator=(const CEmailMessage&) = delete;

    // Clears, then keeps the item and its MAPI message; throws when either is missing.
    void SetEmailItem(Outlook::_MailItem* pMailItem);
    void Clear() noexcept;
    void SetFreeBuffer(LPMAPIFREEBUFFER fnFreeBuff) noexcept { fnFreeBuffer = fnFreeBuff; }

    // The getters never throw: a failure is logged and gives null, false or 0. Returned texts belong to
    // the cache and stay valid until the next Clear or SetEmailItem.
    BSTR GetHeader() noexcept;
    // The receiving server's verdicts in the header, read once.
    const AuthenticationVerdicts& GetAuthenticationVerdicts() noexcept;
    BSTR GetBodyInHTML() noexcept;
    BSTR GetBodyInPlainText() noexcept;
    BSTR GetEmailName() noexcept;
    BSTR GetEmailAddress() noexcept;
    bool IsReadInPlainText() noexcept;
    // Body formats: 0 unspecified, 1 plain text, 2 HTML, 3 rich text.
    int GetNativeMsgFormat() noexcept;
    int GetMsgFormat() noexcept;

    Outlook::_MailItem* GetMailItem() const noexcept { return m_spMailItem; }
    bool HasMailItem() const noexcept { return m_spMailItem != nullptr; }

    // The stored format of a MAPI message: its native body, else its body part's content type; throws.
    static int NativeMsgFormat(IMAPIProp* pMessage, LPMAPIFREEBUFFER fnFreeBuff);
    // The store's tag of the body part's content type (a Unicode string), or PR_NULL when the store has
    // no such name; throws when the store fails to answer.
    static ULONG ContentTypeTag(IMAPIProp* pMessage, LPMAPIFREEBUFFER fnFreeBuff);
    // The address between the angle brackets of the header's "From: " line, or empty.
    static CComBSTR AddressFromHeader(const WCHAR* pHeader);

private:
    using ItemGetter = HRESULT (STDMETHODCALLTYPE Outlook::_MailItem::*)(BSTR*);
    BSTR GetCachedText(CComBSTR& cache, ItemGetter getter);
    CComBSTR ReadEmailAddress();

    CComPtr<Outlook::_MailItem> m_spMailItem;
    CComPtr<IMessage> m_spMessage;
    LPMAPIFREEBUFFER fnFreeBuffer = nullptr;
    CComBSTR m_header;
    CComBSTR m_bodyHTML;
    CComBSTR m_bodyPlain;
    CComBSTR m_senderName;
    CComBSTR m_senderAddress;
    AuthenticationVerdicts m_verdicts;
    bool m_verdictsRead = false;
};
