// Attachment tables the store never produces: rows without an attachment, OLE objects, a failing
// QueryRows, rows without properties, a table that ends before its row count. Each is logged or thrown as
// a CErrorInfo, the list keeps what was read, and every MAPI buffer is released once.
#include <gtest/gtest.h>

#include "AttachmentTestUtil.h"
#include "emailutil/FakeMapi.h"

using namespace attach_test;
using fake_mapi::Value;

namespace {

// A message whose only use is its attachment table; opening an attachment fails the test unless allowed.
class FakeMessage : public IMessage, public fake_mapi::RefCounted {
public:
    explicit FakeMessage(IMAPITable* table) : m_table(table) {}
    int openAttachCalls = 0;

    FAKE_MAPI_MESSAGE_WITHOUT_PROPERTIES
    HRESULT GetAttachmentTable(ULONG flags, LPMAPITABLE* table) override
    {
        EXPECT_EQ(flags, MAPI_UNICODE);
        m_table->AddRef();
        *table = m_table;
        return S_OK;
    }
    // Opening fails as for an attachment that went away: the enumeration stops there.
    HRESULT OpenAttach(ULONG, LPCIID, ULONG, LPATTACH* attach) override
    {
        ++openAttachCalls;
        *attach = nullptr;
        return MAPI_E_NOT_FOUND;
    }
    HRESULT CreateAttach(LPCIID, ULONG, ULONG*, LPATTACH*) override { FAKE_MAPI_UNEXPECTED("CreateAttach"); }
    HRESULT DeleteAttach(ULONG, ULONG_PTR, LPMAPIPROGRESS, ULONG) override { FAKE_MAPI_UNEXPECTED("DeleteAttach"); }
    HRESULT GetRecipientTable(ULONG, LPMAPITABLE*) override { FAKE_MAPI_UNEXPECTED("GetRecipientTable"); }
    HRESULT ModifyRecipients(ULONG, LPADRLIST) override { FAKE_MAPI_UNEXPECTED("ModifyRecipients"); }
    HRESULT SubmitMessage(ULONG) override { FAKE_MAPI_UNEXPECTED("SubmitMessage"); }
    HRESULT SetReadFlag(ULONG) override { FAKE_MAPI_UNEXPECTED("SetReadFlag"); }

private:
    IMAPITable* m_table;
};

// A table whose QueryRows misbehaves from a given row on.
class BrokenTable : public fake_mapi::Table {
public:
    enum Fault { None, Fails, NoRowSet, NoProperties, EndsEarly } fault = None;
    size_t faultyRow = 0;

    HRESULT QueryRows(LONG count, ULONG flags, LPSRowSet* result) override
    {
        if (position < faultyRow || fault == None)
            return Table::QueryRows(count, flags, result);
        switch (fault) {
        case Fails:
            *result = nullptr;
            return MAPI_E_CALL_FAILED;
        case NoRowSet:
            *result = nullptr;
            return S_OK;
        case NoProperties: {
            auto* set = static_cast<LPSRowSet>(fake_mapi::Allocator::Get().Allocate(CbNewSRowSet(1)));
            set->cRows = 1;
            set->aRow[0].cValues = 0;
            set->aRow[0].lpProps = nullptr;
            ++position;
            *result = set;
            return S_OK;
        }
        default: {
            auto* set = static_cast<LPSRowSet>(fake_mapi::Allocator::Get().Allocate(CbNewSRowSet(1)));
            set->cRows = 0;
            *result = set;
            return S_OK;
        }
        }
    }
};

std::vector<Value> Row(LONG method, LONG number)
{
    return {Value{PR_ATTACH_NUM, number, {}}, Value{PR_ATTACH_METHOD, method, {}}};
}

class AttachmentTableFailure : public ::testing::Test {
protected:
    fake_mapi::AllocatorScope scope;
    BrokenTable table;
    FakeMessage message{&table};

    std::string ThrownText()
    {
        CEmailAttachments list(&message, fake_mapi::FreeBuffer);
        try {
            list.GetAttachmentsExMapi();
        } catch (const CErrorInfo& e) {
            return pal::ToUtf8(e.GetText());
        }
        return "nothing thrown";
    }
};

} // namespace

TEST_F(AttachmentTableFailure, RowsWithoutAFileAreSkippedAndKeepTheListsParallel)
{
    table.rows = {Row(NO_ATTACHMENT, 0), Row(ATTACH_OLE, 1), Row(NO_ATTACHMENT, 2)};
    CEmailAttachments list(&message, fake_mapi::FreeBuffer);
    EXPECT_TRUE(list.GetAttachmentsExMapi().empty());
    EXPECT_TRUE(list.GetAttachmentIndices().empty());
    EXPECT_EQ(message.openAttachCalls, 0);
    // Each row without an attachment is logged (the log writes a repeated text once, then its places).
    EXPECT_NE(LogText().find("\"attachMethod != NO_ATTACHMENT\""), std::string::npos);
}

TEST_F(AttachmentTableFailure, BrokenRowsAbandonTheEnumerationWithTheirCheck)
{
    table.rows = {Row(ATTACH_OLE, 0), Row(ATTACH_BY_VALUE, 1)};
    table.fault = BrokenTable::NoProperties;
    table.faultyRow = 1;
    EXPECT_EQ(ThrownText(), "\"rowSet->aRow[0].lpProps\"");

    table.position = 0;
    table.fault = BrokenTable::EndsEarly;
    EXPECT_EQ(ThrownText(), "\"rowSet->cRows == 1\"");

    table.position = 0;
    table.fault = BrokenTable::NoRowSet;
    EXPECT_EQ(ThrownText(), "\"rowSet\"");

    table.position = 0;
    table.fault = BrokenTable::Fails;
    CEmailAttachments list(&message, fake_mapi::FreeBuffer);
    try {
        list.GetAttachmentsExMapi();
        ADD_FAILURE() << "a failing QueryRows went unnoticed";
    } catch (const CErrorInfo& e) {
        EXPECT_EQ(e.GetCode(), MAPI_E_CALL_FAILED);
    }
}

TEST_F(AttachmentTableFailure, MethodAndNumberMustBeNumbers)
{
    // A row without a method carries an error-typed value, as MAPI gives it.
    table.rows = {{Value{PR_ATTACH_NUM, 0, {}}, Value{CHANGE_PROP_TYPE(PR_ATTACH_METHOD, PT_ERROR), MAPI_E_NOT_FOUND, {}}}};
    EXPECT_EQ(ThrownText(), "\"(reqProp2.ulPropTag & 0xFF) == PT_LONG\"");

    table.position = 0;
    table.rows = {{Value{CHANGE_PROP_TYPE(PR_ATTACH_NUM, PT_ERROR), MAPI_E_NOT_FOUND, {}},
                   Value{PR_ATTACH_METHOD, ATTACH_BY_VALUE, {}}}};
    EXPECT_EQ(ThrownText(), "\"(reqProp1.ulPropTag & 0xFF) == PT_LONG\"");

    // A row that lacks the method altogether.
    table.position = 0;
    table.rows = {{Value{PR_ATTACH_NUM, 0, {}}}};
    EXPECT_EQ(ThrownText(), "Unknown error");
}

TEST_F(AttachmentTableFailure, AnAttachmentThatCannotBeOpenedStopsTheListWhereItIs)
{
    table.rows = {Row(ATTACH_OLE, 0), Row(ATTACH_BY_VALUE, 1), Row(ATTACH_BY_VALUE, 2)};
    CEmailAttachments list(&message, fake_mapi::FreeBuffer);
    EXPECT_THROW(list.GetAttachmentsExMapi(), CErrorInfo);
    EXPECT_EQ(message.openAttachCalls, 1);
    EXPECT_TRUE(list.GetAttachmentIndices().empty());
}

TEST_F(AttachmentTableFailure, WithoutTheReleaseFunctionNothingIsRead)
{
    table.rows = {Row(ATTACH_BY_VALUE, 0)};
    CEmailAttachments list(&message, nullptr);
    EXPECT_THROW(list.GetAttachmentsExMapi(), CErrorInfo);
    EXPECT_EQ(table.position, 0u);
    EXPECT_NE(LogText().find("fnFreeBuff"), std::string::npos);
}
