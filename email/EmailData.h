// The data of the selected e-mail, for as long as the add-in runs: the message itself and the servers of
// its header, its attachments and the links of its body. Selecting another message clears everything and hands the new item to every part.
#pragma once

#include <windows.h>
#include <mapix.h>
#include <outlook.h>

#include "email/EmailAttachment.h"
#include "email/EmailIPLocation.h"
#include "email/EmailLinks.h"
#include "email/EmailMessage.h"

class CEmailData {
public:
    // Throws when no loaded MAPI library exports MAPIFreeBuffer: nothing can be read without it.
    CEmailData();
    virtual ~CEmailData();
    CEmailData(const CEmailData&) = delete;
    CEmailData& operator=(const CEmailData&) = delete;

    // Clears, then reads the item; failures are logged and thrown.
    void SetEmailItem(Outlook::_MailItem* pMailItem);
    // The item is the current one: the same EntryID, ignoring case.
    bool IsSameEmailItem(Outlook::_MailItem* pMailItem);
    // An item is current and every part has been given it.
    bool IsEmailItemSet() const noexcept;
    void Clear() noexcept;
    // Lets go of the current item only, so that selecting it again reads it anew.
    void ReleaseMailItem() noexcept;

    CEmailMessage& GetEmailMessage() noexcept { return m_emailMessage; }
    CEmailIPLocation& GetEmailIPLocation() noexcept { return m_emailIPLocation; }
    CEmailAttachments& GetEmailAttachments() noexcept { return m_emailAttachments; }
    CEmailLinks& GetEmailLinks() noexcept { return m_emailLinks; }
    LPMAPIFREEBUFFER GetFreeBuffer() const noexcept { return fnFreeBuffer; }

private:
    LPMAPIFREEBUFFER fnFreeBuffer = nullptr;
    CEmailMessage m_emailMessage;
    CEmailIPLocation m_emailIPLocation;
    CEmailAttachments m_emailAttachments;
    CEmailLinks m_emailLinks;
};
