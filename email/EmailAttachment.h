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

    // The list, built on the first call after SetEmailItem and again only when the attachment table's row
    // count changes. An enumeration that failed part-way keeps what it read until then.
    std::vector<AttachmentInfo>& GetAttachmentsExMapi();
    // Appends the records as contained entries (display names with the container prefix, number -1).
    void AddSubAttachments(const std::vector<AttachmentInfo>& list) noexcept;
    // The short name shown on the ribbon: the name itself when it is short, else an 8.3-like form with a
    // tilde and two random letters, unique among the listed names where possible.
    WString GetDisplayFileName(const WCHAR* longFileName);

    // True when the user cancelled or the file was written; false when the entry cannot be saved (a
    // contained entry, an attached e-mail, a row not shown) or a failure was logged. The file is written
    // beside the target and replaces it only once complete: a failed save leaves a file of that name as it
    // was, and tells the user why.
    bool SaveAttachment(size_t index) noexcept;

    // The longest name the save dialog is offered: room is left in its MAX_PATH buffer for the folder.
    static constexpr size_t SAFE_NAME_LENGTH = 128;
    // An attachment's name as a name to save under: the last part of a path only, characters Windows
    // refuses as '_', a device name (CON, NUL, COM1...) prefixed with '_', a long name shortened in the
    // middle so that its extension stays. Empty when nothing of a name is left.
    static WString GetSafeFileName(const WString& longFileName);

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
    // The table the list was built from: OLE objects and empty rows have no record, contained entries
    // have no row, so only the row count tells whether the table changed.
    bool m_listed = false;
    ULONG m_listedRows = 0;

    void AddEmbeddedMessage(IAttach* pAttach);
    void AddFile(IAttach* pAttach);
    bool IsDisplayNameTaken(const WString& candidate) const noexcept;
    void SaveToFile(LONG attachNum, const WCHAR* fileName);
    static void ShowSaveFailure(const WCHAR* fileName, HRESULT hr);
};
