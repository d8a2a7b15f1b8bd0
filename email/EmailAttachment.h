// The attachments of the selected e-mail, read from its MAPI attachment table: files with the type their
// content really has, attached e-mails followed by their own attachments, and the files inside ZIP and
// cabinet archives as contained entries. One of the message's own files can be saved to a file the user
// chooses.
#pragma once

#include <windows.h>
#include <mapix.h>
#include <atlbase.h>
#include <outlook.h>

#include <vector>

#include "__Utilities/WString.h"
#include "addin/EmailUtil.h"
#include "email/AttachmentInfo.h"

class CEmailAttachments : public CTopRow<std::vector<AttachmentInfo>> {
public:
    CEmailAttachments();
    // The list of an attached e-mail: built on its opened message, with the owner's release function. The
    // random generator stays as the selection's list seeded it.
    CEmailAttachments(IMessage* pMessage, LPMAPIFREEBUFFER fnFreeBuff);
    virtual ~CEmailAttachments();

    // Forgets the previous message and takes the item's MAPI message; nothing is enumerated yet. Clears
    // the buffer-release function too: set it afterwards.
    void SetEmailItem(Outlook::_MailItem* pMailItem);
    // MAPI's buffer-release function, found by the owner of the message.
    void SetFreeBuffer(LPMAPIFREEBUFFER fnFreeBuff) noexcept { fnFreeBuffer = fnFreeBuff; }
    void Clear() noexcept;

    // The list, built on the first call after SetEmailItem.
    std::vector<AttachmentInfo>& GetAttachmentsExMapi();
    // Appends the records as contained entries (display names with the container prefix, number -1).
    void AddSubAttachments(const std::vector<AttachmentInfo>& list) noexcept;
    // The short name shown on the ribbon: the name itself when it is short, else an 8.3-like form with a
    // tilde and two random letters, unique among the listed names where possible.
    WString GetDisplayFileName(const WCHAR* longFileName);

    // True when the user cancelled or the file was written; false when the entry cannot be saved (a
    // contained entry, a row not shown) or a failure was logged.
    bool SaveAttachment(size_t index) noexcept;

    // An item has been given and not cleared since.
    bool HasMailItem() const noexcept { return m_spMailItem != nullptr; }
    // The list as it stands, without building it.
    const std::vector<AttachmentInfo>& GetAttachmentsInfo() const noexcept { return m_attachmentsInfo; }
    // The MAPI attachment number of each listed record, -1 for contained entries.
    const std::vector<LONG>& GetAttachmentIndices() const noexcept { return m_attachmentIndeces; }

private:
    CComPtr<Outlook::_MailItem> m_spMailItem;
    CComPtr<IMessage> m_spMessage;
    LPMAPIFREEBUFFER fnFreeBuffer = nullptr;
    std::vector<AttachmentInfo> m_attachmentsInfo;
    std::vector<LONG> m_attachmentIndeces;

    void AddEmbeddedMessage(IAttach* pAttach);
    void AddFile(IAttach* pAttach);
    bool IsDisplayNameTaken(const WString& candidate) const noexcept;
    void SaveToFile(LONG attachNum, const WCHAR* fileName);
};
