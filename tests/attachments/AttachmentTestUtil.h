// Helpers of the attachment tests: a real message from the host's store selected as a mail item, the
// add-in's list over it, message files built from corpus files, and the error log's text.
#pragma once

#include <gtest/gtest.h>
#include <atlbase.h>

#include <string>
#include <vector>

#include "__Utilities/ErrorLog.h"
#include "email/EmailAttachment.h"
#include "host/store/MailItem.h"
#include "host/store/MapiBuffers.h"
#include "store/StoreTestUtil.h"
#include "support/TestPrefix.h"
#include "support/TestUtil.h"

namespace attach_test {

using store_test::Corpus;
using store_test::U8;

using testing_support::LogText;

inline std::string CorpusFile(const std::string& relative)
{
    std::string bytes = testing_support::ReadFile(Corpus(relative));
    EXPECT_FALSE(bytes.empty()) << relative;
    return bytes;
}

// One part of a built message: a file (base64) or, with message set, an attached e-mail given raw.
struct Part {
    std::string fileName;
    std::string bytes;
    std::string contentType = "application/octet-stream";
    bool message = false;
};

// A multipart/mixed message with a short text body and the parts in order.
inline std::string BuildMessage(const std::string& subject, const std::vector<Part>& parts)
{
    const std::string boundary = "=_vantora_attach_boundary";
    std::string out;
    if (!subject.empty())
        out += "Subject: " + subject + "\r\n";
    out += "From: sender@example.org\r\nTo: reader@example.org\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n\r\n";
    out += "--" + boundary + "\r\nContent-Type: text/plain\r\n\r\nsee attached\r\n";
    for (const Part& p : parts) {
        out += "--" + boundary + "\r\n";
        if (p.message) {
            out += "Content-Type: message/rfc822\r\n\r\n" + p.bytes + "\r\n";
            continue;
        }
        out += "Content-Type: " + p.contentType + "\r\nContent-Transfer-Encoding: base64\r\n"
               "Content-Disposition: attachment; filename=\"" + p.fileName + "\"\r\n\r\n" +
               store_test::Base64(p.bytes);
    }
    out += "--" + boundary + "--\r\n";
    return out;
}

// The add-in's list over one selected message, as the e-mail data object hands it over.
class AttachmentsOnStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        store::RegisterMapiModule();
        HMODULE module = GetModuleHandleW(W("OLMAPI32.DLL"));
        ASSERT_TRUE(module);
        fnFreeBuffer = reinterpret_cast<LPMAPIFREEBUFFER>(GetProcAddress(module, "MAPIFreeBuffer"));
        ASSERT_TRUE(fnFreeBuffer);
        m_app.Attach(store::NewApplication());
        liveBefore = store::LiveMapiBuffers();
    }
    void TearDown() override
    {
        attachments.Clear();
        m_mail.Release();
        EXPECT_EQ(store::LiveMapiBuffers(), liveBefore) << "MAPI buffers left unreleased";
    }

    void Select(const std::shared_ptr<store::Message>& message)
    {
        ASSERT_TRUE(message);
        m_message = message;
        CComPtr<IDispatch> item;
        item.Attach(store::NewItem(message, m_app));
        m_mail.Release();
        ASSERT_EQ(item->QueryInterface(__uuidof(Outlook::_MailItem), reinterpret_cast<void**>(&m_mail)), S_OK);
        attachments.SetEmailItem(m_mail);
        attachments.SetFreeBuffer(fnFreeBuffer);
    }
    const std::vector<AttachmentInfo>& SelectFile(const std::string& relative)
    {
        Select(store_test::Load(Corpus(relative)));
        return attachments.GetAttachmentsExMapi();
    }
    const std::vector<AttachmentInfo>& SelectBytes(const std::string& bytes)
    {
        Select(store_test::Parse(bytes));
        return attachments.GetAttachmentsExMapi();
    }

    // "display|long name|type|index" per record, for whole-list comparisons.
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        auto& list = attachments.GetAttachmentsExMapi();
        const auto& indices = attachments.GetAttachmentIndices();
        for (size_t i = 0; i < list.size(); ++i)
            rows.push_back(U8(list[i].displayName) + "|" + U8(list[i].longFileName) + "|" + U8(list[i].typeName) +
                           "|" + (i < indices.size() ? std::to_string(indices[i]) : "none"));
        return rows;
    }

    LPMAPIFREEBUFFER fnFreeBuffer = nullptr;
    CComPtr<Outlook::_Application> m_app;
    CComPtr<Outlook::_MailItem> m_mail;
    std::shared_ptr<store::Message> m_message;
    CEmailAttachments attachments;
    size_t liveBefore = 0;
};

// The contained-entry marker, in UTF-8.
inline const std::string kBullet = "  \xE2\x80\xA2";

} // namespace attach_test
