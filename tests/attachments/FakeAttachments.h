// A MAPI message made in the test: an attachment table with any methods and names, attachments whose data
// stream can be told to fail part-way, and attached e-mails. The store never produces such messages.
#pragma once

#include <gtest/gtest.h>
#include <atlbase.h>
#include <shlwapi.h>

#include <memory>
#include <string>
#include <vector>

#include "emailutil/FakeMapi.h"

namespace fake_attach {

using fake_mapi::Value;

// A memory stream whose reads fail from a given offset on while armed, as a store that loses its data.
class FailingStream final : public IStream {
public:
    explicit FailingStream(const std::string& bytes)
    {
        m_inner.Attach(SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), UINT(bytes.size())));
    }
    bool armed = false;
    ULONGLONG failAt = 0;
    HRESULT failure = STG_E_READFAULT;

    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IStream || riid == IID_ISequentialStream) {
            *ppv = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        ULONG left = --m_refs;
        if (!left)
            delete this;
        return left;
    }
    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override
    {
        if (armed) {
            LARGE_INTEGER zero{};
            ULARGE_INTEGER at{};
            m_inner->Seek(zero, STREAM_SEEK_CUR, &at);
            if (at.QuadPart + cb > failAt) {
                // What lies before the fault is still delivered by the read that reaches it.
                if (at.QuadPart < failAt) {
                    ULONG part = ULONG(failAt - at.QuadPart);
                    m_inner->Read(pv, part, pcbRead);
                    failAt = at.QuadPart + part; // the next read fails at once
                    return S_OK;
                }
                if (pcbRead)
                    *pcbRead = 0;
                return failure;
            }
        }
        return m_inner->Read(pv, cb, pcbRead);
    }
    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override { return m_inner->Write(pv, cb, pcbWritten); }
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override
    {
        return m_inner->Seek(move, origin, position);
    }
    HRESULT SetSize(ULARGE_INTEGER size) override { return m_inner->SetSize(size); }
    HRESULT CopyTo(IStream* to, ULARGE_INTEGER cb, ULARGE_INTEGER* read, ULARGE_INTEGER* written) override
    {
        return m_inner->CopyTo(to, cb, read, written);
    }
    HRESULT Commit(DWORD flags) override { return m_inner->Commit(flags); }
    HRESULT Revert() override { return m_inner->Revert(); }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT Stat(STATSTG* stat, DWORD flags) override { return m_inner->Stat(stat, flags); }
    HRESULT Clone(IStream**) override { return E_NOTIMPL; }

private:
    CComPtr<IStream> m_inner;
    ULONG m_refs = 1;
};

// One attachment of the fake message.
struct FakeAttachment {
    LONG method = ATTACH_BY_VALUE;
    std::u16string name;
    std::string bytes;
    // The stream the next save opens: armed to fail when set.
    bool failSave = false;
    ULONGLONG failAt = 0;
    int streamsOpened = 0;
};

class FakeAttach : public IAttach, public fake_mapi::RefCounted {
public:
    explicit FakeAttach(FakeAttachment& attachment) : m_attachment(attachment)
    {
        m_props.Set(PR_ATTACH_LONG_FILENAME_W, attachment.name);
    }

    HRESULT QueryInterface(REFIID, void**) override { FAKE_MAPI_UNEXPECTED("QueryInterface"); }
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(); }
    HRESULT GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { FAKE_MAPI_UNEXPECTED("GetLastError"); }
    HRESULT SaveChanges(ULONG) override { FAKE_MAPI_UNEXPECTED("SaveChanges"); }
    HRESULT GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values) override
    {
        return m_props.GetProps(tags, flags, count, values);
    }
    HRESULT GetPropList(ULONG, LPSPropTagArray*) override { FAKE_MAPI_UNEXPECTED("GetPropList"); }
    HRESULT OpenProperty(ULONG tag, LPCIID, ULONG, ULONG, LPUNKNOWN* unknown) override
    {
        *unknown = nullptr;
        if (tag != PR_ATTACH_DATA_BIN || m_attachment.method == ATTACH_EMBEDDED_MSG)
            return MAPI_E_NOT_FOUND;
        ++m_attachment.streamsOpened;
        auto* stream = new FailingStream(m_attachment.bytes);
        // The listing reads the stream first; a save opens it again.
        if (m_attachment.failSave && m_attachment.streamsOpened > 1) {
            stream->armed = true;
            stream->failAt = m_attachment.failAt;
        }
        *unknown = stream;
        return S_OK;
    }
    FAKE_MAPI_UNEXPECTED_PROP_CHANGES

private:
    FakeAttachment& m_attachment;
    fake_mapi::PropObject m_props;
};

// The message: its table lists the attachments in order, numbered from 0; OpenAttach opens them by number.
class FakeMessage : public IMessage, public fake_mapi::RefCounted {
public:
    std::vector<FakeAttachment> attachments;
    int openAttachCalls = 0;
    int tablesOpened = 0;

    FAKE_MAPI_MESSAGE_WITHOUT_PROPERTIES
    HRESULT GetAttachmentTable(ULONG, LPMAPITABLE* table) override
    {
        ++tablesOpened;
        m_table.position = 0;
        m_table.rows.clear();
        for (size_t i = 0; i < attachments.size(); ++i)
            m_table.rows.push_back({Value{PR_ATTACH_NUM, LONG(i), {}}, Value{PR_ATTACH_METHOD, attachments[i].method, {}}});
        m_table.AddRef();
        *table = &m_table;
        return S_OK;
    }
    HRESULT OpenAttach(ULONG number, LPCIID, ULONG, LPATTACH* attach) override
    {
        ++openAttachCalls;
        *attach = nullptr;
        if (number >= attachments.size())
            return MAPI_E_NOT_FOUND;
        m_opened.push_back(std::make_unique<FakeAttach>(attachments[number]));
        *attach = m_opened.back().get();
        return S_OK;
    }
    HRESULT CreateAttach(LPCIID, ULONG, ULONG*, LPATTACH*) override { FAKE_MAPI_UNEXPECTED("CreateAttach"); }
    HRESULT DeleteAttach(ULONG, ULONG_PTR, LPMAPIPROGRESS, ULONG) override { FAKE_MAPI_UNEXPECTED("DeleteAttach"); }
    HRESULT GetRecipientTable(ULONG, LPMAPITABLE*) override { FAKE_MAPI_UNEXPECTED("GetRecipientTable"); }
    HRESULT ModifyRecipients(ULONG, LPADRLIST) override { FAKE_MAPI_UNEXPECTED("ModifyRecipients"); }
    HRESULT SubmitMessage(ULONG) override { FAKE_MAPI_UNEXPECTED("SubmitMessage"); }
    HRESULT SetReadFlag(ULONG) override { FAKE_MAPI_UNEXPECTED("SetReadFlag"); }

    // How many times the listing opened an attachment's data (a rebuilt list opens them again).
    int StreamsOpened() const
    {
        int n = 0;
        for (const FakeAttachment& a : attachments)
            n += a.streamsOpened;
        return n;
    }

private:
    fake_mapi::Table m_table;
    std::vector<std::unique_ptr<FakeAttach>> m_opened;
};

} // namespace fake_attach
