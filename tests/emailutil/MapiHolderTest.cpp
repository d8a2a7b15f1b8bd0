// The owners of MAPI result buffers against MAPI stand-ins that allocate one buffer per result.
#include <gtest/gtest.h>

#include "FakeMapi.h"
#include "addin/EmailUtil.h"
#include "__Utilities/ErrorLog.h"
#include "pal/host.h"
#include "support/TestUtil.h"

#include <string>

namespace {

using fake_mapi::Allocator;
using fake_mapi::AllocatorScope;
using fake_mapi::FreeBuffer;

const ULONG TAG_FORMAT = 0x81300003;
const ULONG TAG_CONTENT_TYPE = 0x80DD001F;

using testing_support::LogText;
using testing_support::ThrownCode;

TEST(EmailProp, ReadsOnePropertyAsUnicodeAndReleasesIt)
{
    AllocatorScope scope;
    fake_mapi::PropObject object;
    object.Set(TAG_FORMAT, 2);
    object.Set(PR_SUBJECT_W, u"Quarterly \u00e9t\u00e9 report");
    {
        CEmailProp format(&object, TAG_FORMAT, FreeBuffer);
        ASSERT_NE(format.GetValue(), nullptr);
        EXPECT_EQ(format.GetValue()->ulPropTag, TAG_FORMAT);
        EXPECT_EQ(format.GetValue()->Value.l, 2);
        EXPECT_EQ(object.lastFlags & MAPI_UNICODE, MAPI_UNICODE);

        CEmailProp subject(&object, PR_SUBJECT_W, FreeBuffer);
        EXPECT_EQ(std::u16string(subject.GetValue()->Value.lpszW), u"Quarterly \u00e9t\u00e9 report");
        EXPECT_EQ(Allocator::Get().live.size(), 2u);
    }
    EXPECT_EQ(Allocator::Get().releases, 2);
    EXPECT_EQ(object.getPropsCalls, 2);
    EXPECT_EQ(object.refs, 1u);
    EXPECT_EQ(LogText(), "");
}

TEST(EmailProp, MissingObjectOrReleaseFunctionIsRejectedBeforeAsking)
{
    AllocatorScope scope;
    fake_mapi::PropObject object;
    EXPECT_EQ(ThrownCode([&] { CEmailProp p(nullptr, TAG_FORMAT, FreeBuffer); }), E_POINTER);
    EXPECT_EQ(ThrownCode([&] { CEmailProp p(&object, TAG_FORMAT, nullptr, true); }), E_POINTER);
    EXPECT_EQ(object.getPropsCalls, 0);
    std::string log = LogText();
    EXPECT_NE(log.find("ERROR - pMapiProp"), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR - fnFreeBuff"), std::string::npos) << log;
    EXPECT_NE(log.find("CEmailProp::CEmailProp"), std::string::npos) << log;
}

TEST(EmailProp, TolerantReadOfAMissingPropertyLeavesAnErrorTypedValue)
{
    AllocatorScope scope;
    fake_mapi::PropObject object;
    {
        CEmailProp format(&object, TAG_FORMAT, FreeBuffer, true);
        ASSERT_NE(format.GetValue(), nullptr);
        EXPECT_NE(format.GetValue()->ulPropTag, TAG_FORMAT);
        EXPECT_EQ(PROP_TYPE(format.GetValue()->ulPropTag), PT_ERROR);
        EXPECT_EQ(format.GetValue()->Value.err, MAPI_E_NOT_FOUND);
    }
    EXPECT_EQ(Allocator::Get().releases, 1);
    EXPECT_EQ(LogText(), "");
}

TEST(EmailProp, StrictReadOfAMissingPropertyThrowsAndStillReleases)
{
    AllocatorScope scope;
    fake_mapi::PropObject object;
    EXPECT_EQ(ThrownCode([&] { CEmailProp p(&object, TAG_CONTENT_TYPE, FreeBuffer); }), E_UNEXPECTED);
    EXPECT_EQ(Allocator::Get().releases, 1);
    EXPECT_NE(LogText().find("ERROR - m_pPropValue->ulPropTag == propTag"), std::string::npos) << LogText();
}

TEST(EmailProp, FailingGetPropsIsThrownUnlessTolerated)
{
    AllocatorScope scope;
    fake_mapi::PropObject object;
    object.Set(TAG_FORMAT, 1);
    object.forcedStatus = MAPI_E_NO_SUPPORT;
    EXPECT_EQ(ThrownCode([&] { CEmailProp p(&object, TAG_FORMAT, FreeBuffer); }), MAPI_E_NO_SUPPORT);
    {
        CEmailProp tolerant(&object, TAG_FORMAT, FreeBuffer, true);
        EXPECT_EQ(tolerant.GetValue(), nullptr);
    }
    EXPECT_EQ(Allocator::Get().releases, 0);
}

TEST(EmailProp, AnswersThatBreakTheOneValueContractAreRejected)
{
    AllocatorScope scope;
    fake_mapi::PropObject object;
    object.Set(TAG_FORMAT, 1);

    object.returnNoBuffer = true;
    EXPECT_EQ(ThrownCode([&] { CEmailProp p(&object, TAG_FORMAT, FreeBuffer); }), E_UNEXPECTED);
    object.returnNoBuffer = false;

    object.extraValues = 1;
    EXPECT_EQ(ThrownCode([&] { CEmailProp p(&object, TAG_FORMAT, FreeBuffer); }), E_UNEXPECTED);
    object.extraValues = 0;

    object.changeTag = true;
    EXPECT_EQ(ThrownCode([&] { CEmailProp p(&object, TAG_FORMAT, FreeBuffer); }), E_UNEXPECTED);

    // A tolerated warning hands the odd answer to the caller instead.
    object.forcedStatus = MAPI_W_ERRORS_RETURNED;
    {
        CEmailProp p(&object, TAG_FORMAT, FreeBuffer, true);
        EXPECT_NE(p.GetValue()->ulPropTag, TAG_FORMAT);
    }
    EXPECT_EQ(Allocator::Get().releases, 3);
    std::string log = LogText();
    EXPECT_NE(log.find("ERROR - m_pPropValue\n"), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR - valCount == 1"), std::string::npos) << log;
}

TEST(EmailProp, AFailingReleaseIsLoggedNotThrown)
{
    AllocatorScope scope;
    fake_mapi::PropObject object;
    object.Set(TAG_FORMAT, 3);
    Allocator::Get().failStatus = (ULONG) MAPI_E_CALL_FAILED;
    EXPECT_NO_THROW({ CEmailProp p(&object, TAG_FORMAT, FreeBuffer); });
    EXPECT_EQ(Allocator::Get().releases, 1);
    EXPECT_NE(LogText().find("CEmailProp::"), std::string::npos) << LogText();
}

TEST(EmailRowSetProp, NeedsAReleaseFunction)
{
    EXPECT_EQ(ThrownCode([] { CEmailRowSetProp rows(nullptr); }), E_POINTER);
    EXPECT_NE(LogText().find("ERROR - fnFreeBuff"), std::string::npos);
}

TEST(EmailRowSetProp, ReadsATableRowByRowAndReleasesEveryBuffer)
{
    AllocatorScope scope;
    fake_mapi::Table table;
    for (LONG i = 0; i < 3; ++i)
        table.rows.push_back({{PR_ATTACH_METHOD, ATTACH_BY_VALUE, {}},
                              {PR_ATTACH_NUM, i, {}},
                              {PR_ATTACH_LONG_FILENAME_W, 0, u"file" + std::u16string(1, char16_t(u'a' + i))}});
    for (LONG i = 0; i < 3; ++i) {
        CEmailRowSetProp rowSet(FreeBuffer);
        ASSERT_EQ(table.QueryRows(1, 0, &rowSet), S_OK);
        ASSERT_TRUE(rowSet);
        EXPECT_EQ(rowSet->cRows, 1u);
        EXPECT_EQ(rowSet.GetValue(PR_ATTACH_NUM)->Value.l, i);
        EXPECT_EQ(std::u16string(rowSet.GetValue(PR_ATTACH_LONG_FILENAME_W)->Value.lpszW),
                  u"file" + std::u16string(1, char16_t(u'a' + i)));
    }
    EXPECT_EQ(Allocator::Get().releases, 6);
    EXPECT_EQ(LogText(), "");
}

TEST(EmailRowSetProp, AMissingTagIsAnUnknownError)
{
    AllocatorScope scope;
    fake_mapi::Table table;
    table.rows.push_back({{PR_ATTACH_METHOD, ATTACH_OLE, {}}});
    CEmailRowSetProp rowSet(FreeBuffer);
    table.QueryRows(1, 0, &rowSet);
    EXPECT_EQ(ThrownCode([&] { rowSet.GetValue(PR_ATTACH_NUM); }), E_FAIL);
    EXPECT_NE(LogText().find("ERROR - Unknown error"), std::string::npos) << LogText();
}

TEST(EmailRowSetProp, GetValueNeedsExactlyOneRow)
{
    AllocatorScope scope;
    {
        CEmailRowSetProp empty(FreeBuffer);
        EXPECT_EQ(ThrownCode([&] { empty.GetValue(PR_ATTACH_NUM); }), E_POINTER);

        fake_mapi::Table table;
        table.rows.assign(2, {{PR_ATTACH_NUM, 1, {}}});
        CEmailRowSetProp two(FreeBuffer);
        table.QueryRows(2, 0, &two);
        EXPECT_EQ(ThrownCode([&] { two.GetValue(PR_ATTACH_NUM); }), E_POINTER);

        CEmailRowSetProp none(FreeBuffer);
        table.QueryRows(5, 0, &none); // past the end: a set of no rows
        EXPECT_EQ(none->cRows, 0u);
        EXPECT_EQ(ThrownCode([&] { none.GetValue(PR_ATTACH_NUM); }), E_POINTER);
    }
    EXPECT_EQ(Allocator::Get().releases, 4);
    std::string log = LogText();
    EXPECT_NE(log.find("ERROR - m_pRowSet\n"), std::string::npos) << log;
    EXPECT_NE(log.find("ERROR - m_pRowSet->cRows == 1"), std::string::npos) << log;
}

TEST(EmailRowSetProp, AFilledHolderCannotBeFilledAgain)
{
    AllocatorScope scope;
    fake_mapi::Table table;
    table.rows.assign(2, {{PR_ATTACH_NUM, 7, {}}});
    {
        CEmailRowSetProp rowSet(FreeBuffer);
        table.QueryRows(1, 0, &rowSet);
        EXPECT_EQ(ThrownCode([&] { table.QueryRows(1, 0, &rowSet); }), E_UNEXPECTED);
        EXPECT_EQ(rowSet.GetValue(PR_ATTACH_NUM)->Value.l, 7);
    }
    EXPECT_EQ(Allocator::Get().releases, 2);
    EXPECT_NE(LogText().find("ERROR - !m_pRowSet"), std::string::npos);
}

TEST(EmailRowSetProp, FailingReleasesAreLoggedAndTheRestStillReleased)
{
    AllocatorScope scope;
    fake_mapi::Table table;
    table.rows.assign(3, {{PR_ATTACH_NUM, 1, {}}});
    Allocator::Get().failStatus = (ULONG) MAPI_E_CALL_FAILED;
    EXPECT_NO_THROW({
        CEmailRowSetProp rowSet(FreeBuffer);
        table.QueryRows(3, 0, &rowSet);
    });
    EXPECT_EQ(Allocator::Get().releases, 4);
    EXPECT_NE(LogText().find("CEmailRowSetProp::~CEmailRowSetProp"), std::string::npos) << LogText();
}

} // namespace
