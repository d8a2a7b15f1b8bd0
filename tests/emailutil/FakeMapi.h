// Small MAPI stand-ins for the e-mail utility tests: an allocator that hands out one buffer per result and
// records every release (so tests see leaks and double releases), a property object and a table.
// Methods the holders must not call fail the test.
#pragma once

#include <gtest/gtest.h>
#include <mapix.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>
#include "support/TestUtil.h"

namespace fake_mapi {

// The live buffers, the releases seen and the status the next releases return.
struct Allocator {
    std::set<void*> live;
    int releases = 0;
    int unknownReleases = 0;
    ULONG failStatus = S_OK; // returned by every release while set (the buffer is still released)

    static Allocator& Get()
    {
        static Allocator instance;
        return instance;
    }
    void* Allocate(size_t size)
    {
        void* p = std::calloc(1, size);
        live.insert(p);
        return p;
    }
};

// Plays MAPIFreeBuffer.
inline ULONG FreeBuffer(LPVOID buffer)
{
    Allocator& a = Allocator::Get();
    auto found = a.live.find(buffer);
    if (found == a.live.end()) {
        ++a.unknownReleases;
        return (ULONG) MAPI_E_INVALID_PARAMETER;
    }
    a.live.erase(found);
    std::free(buffer);
    ++a.releases;
    return a.failStatus;
}

// Resets the allocator for one test and checks at its end that every buffer was released exactly once.
class AllocatorScope {
public:
    AllocatorScope() { Allocator::Get() = Allocator(); }
    ~AllocatorScope()
    {
        Allocator& a = Allocator::Get();
        EXPECT_TRUE(a.live.empty()) << a.live.size() << " MAPI buffer(s) never released";
        EXPECT_EQ(a.unknownReleases, 0) << "released a buffer twice or one MAPI never gave";
        for (void* p : a.live)
            std::free(p);
        a.live.clear();
    }
};

// One property value as the fakes store it: a 32-bit integer or a wide text.
struct Value {
    ULONG tag;
    LONG number;
    std::u16string text;
};

// Builds an array of values in one buffer, texts included, the way MAPI links them to their array.
inline LPSPropValue AllocateValues(const std::vector<Value>& values)
{
    size_t size = values.size() * sizeof(SPropValue);
    for (const Value& v : values)
        if (PROP_TYPE(v.tag) == PT_UNICODE)
            size += (v.text.size() + 1) * sizeof(WCHAR);
    BYTE* buffer = static_cast<BYTE*>(Allocator::Get().Allocate(size ? size : 1));
    auto* props = reinterpret_cast<LPSPropValue>(buffer);
    WCHAR* text = reinterpret_cast<WCHAR*>(buffer + values.size() * sizeof(SPropValue));
    for (size_t i = 0; i < values.size(); ++i) {
        props[i].ulPropTag = values[i].tag;
        if (PROP_TYPE(values[i].tag) == PT_UNICODE) {
            std::memcpy(text, values[i].text.c_str(), (values[i].text.size() + 1) * sizeof(WCHAR));
            props[i].Value.lpszW = text;
            text += values[i].text.size() + 1;
        } else if (PROP_TYPE(values[i].tag) == PT_ERROR) {
            props[i].Value.err = values[i].number;
        } else {
            props[i].Value.l = values[i].number;
        }
    }
    return props;
}

// Reference counting of objects that live on the test's stack.
class RefCounted {
public:
    ULONG refs = 1;
    ULONG AddRefImpl() { return ++refs; }
    ULONG ReleaseImpl() { return --refs; }
};

#define FAKE_MAPI_UNEXPECTED(call) return testing_support::UnexpectedCall(call)

// The IMAPIProp members no fake here expects: writing, copying and named properties.
#define FAKE_MAPI_UNEXPECTED_PROP_CHANGES                                                                     \
    HRESULT SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) override { FAKE_MAPI_UNEXPECTED("SetProps"); }  \
    HRESULT DeleteProps(LPSPropTagArray, LPSPropProblemArray*) override { FAKE_MAPI_UNEXPECTED("DeleteProps"); } \
    HRESULT CopyTo(ULONG, LPCIID, LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG,            \
                   LPSPropProblemArray*) override                                                             \
    {                                                                                                         \
        FAKE_MAPI_UNEXPECTED("CopyTo");                                                                       \
    }                                                                                                         \
    HRESULT CopyProps(LPSPropTagArray, ULONG_PTR, LPMAPIPROGRESS, LPCIID, LPVOID, ULONG, LPSPropProblemArray*) \
        override                                                                                              \
    {                                                                                                         \
        FAKE_MAPI_UNEXPECTED("CopyProps");                                                                    \
    }                                                                                                         \
    HRESULT GetNamesFromIDs(LPSPropTagArray*, LPGUID, ULONG, ULONG*, LPMAPINAMEID**) override                 \
    {                                                                                                         \
        FAKE_MAPI_UNEXPECTED("GetNamesFromIDs");                                                              \
    }                                                                                                         \
    HRESULT GetIDsFromNames(ULONG, LPMAPINAMEID*, ULONG, LPSPropTagArray*) override                           \
    {                                                                                                         \
        FAKE_MAPI_UNEXPECTED("GetIDsFromNames");                                                              \
    }

// IUnknown (counted by fake_mapi::RefCounted) and IMAPIProp for a message fake that is used only through its
// attachments: every property call is unexpected.
#define FAKE_MAPI_MESSAGE_WITHOUT_PROPERTIES                                                                      \
    HRESULT QueryInterface(REFIID, void**) override { FAKE_MAPI_UNEXPECTED("QueryInterface"); }                  \
    ULONG AddRef() override { return AddRefImpl(); }                                                             \
    ULONG Release() override { return ReleaseImpl(); }                                                           \
    HRESULT GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { FAKE_MAPI_UNEXPECTED("GetLastError"); }        \
    HRESULT SaveChanges(ULONG) override { FAKE_MAPI_UNEXPECTED("SaveChanges"); }                                 \
    HRESULT GetProps(LPSPropTagArray, ULONG, ULONG*, LPSPropValue*) override { FAKE_MAPI_UNEXPECTED("GetProps"); } \
    HRESULT GetPropList(ULONG, LPSPropTagArray*) override { FAKE_MAPI_UNEXPECTED("GetPropList"); }               \
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*) override                                       \
    {                                                                                                            \
        FAKE_MAPI_UNEXPECTED("OpenProperty");                                                                    \
    }                                                                                                            \
    FAKE_MAPI_UNEXPECTED_PROP_CHANGES

// A MAPI object with a fixed set of properties. GetProps answers as MAPI does: one value per asked tag,
// an error-typed value and MAPI_W_ERRORS_RETURNED for a missing one. The fields below bend the answer.
class PropObject : public IMAPIProp, public RefCounted {
public:
    std::map<ULONG, Value> properties;
    HRESULT forcedStatus = S_OK;     // a failure returns no buffer
    bool returnNoBuffer = false;     // success, but no value array
    ULONG extraValues = 0;           // success with more values than asked for
    bool changeTag = false;          // success with a value of another tag
    int getPropsCalls = 0;
    ULONG lastFlags = 0;

    void Set(ULONG tag, LONG number) { properties[tag] = Value{tag, number, {}}; }
    void Set(ULONG tag, const std::u16string& text) { properties[tag] = Value{tag, 0, text}; }

    HRESULT QueryInterface(REFIID, void**) override { FAKE_MAPI_UNEXPECTED("QueryInterface"); }
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(); }
    HRESULT GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { FAKE_MAPI_UNEXPECTED("GetLastError"); }
    HRESULT SaveChanges(ULONG) override { FAKE_MAPI_UNEXPECTED("SaveChanges"); }
    HRESULT GetProps(LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* values) override
    {
        ++getPropsCalls;
        lastFlags = flags;
        *count = 0;
        *values = nullptr;
        if (FAILED(forcedStatus))
            return forcedStatus;
        if (returnNoBuffer)
            return S_OK;
        std::vector<Value> answer;
        bool missing = false;
        for (ULONG i = 0; i < tags->cValues; ++i) {
            auto found = properties.find(tags->aulPropTag[i]);
            if (found != properties.end()) {
                answer.push_back(found->second);
            } else {
                answer.push_back(Value{CHANGE_PROP_TYPE(tags->aulPropTag[i], PT_ERROR), MAPI_E_NOT_FOUND, {}});
                missing = true;
            }
        }
        if (changeTag && !answer.empty())
            answer[0].tag = CHANGE_PROP_TYPE(answer[0].tag ^ 0x00010000, PROP_TYPE(answer[0].tag));
        for (ULONG i = 0; i < extraValues; ++i)
            answer.push_back(Value{PROP_TAG(PT_LONG, 0x6000 + i), LONG(i), {}});
        *count = ULONG(answer.size());
        *values = AllocateValues(answer);
        if (forcedStatus != S_OK)
            return forcedStatus;
        return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
    }
    HRESULT GetPropList(ULONG, LPSPropTagArray*) override { FAKE_MAPI_UNEXPECTED("GetPropList"); }
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, LPUNKNOWN*) override { FAKE_MAPI_UNEXPECTED("OpenProperty"); }
    FAKE_MAPI_UNEXPECTED_PROP_CHANGES
};

// A table whose rows are read one QueryRows at a time: the row set is one buffer, each row's values another.
class Table : public IMAPITable, public RefCounted {
public:
    std::vector<std::vector<Value>> rows;
    size_t position = 0;

    HRESULT QueryInterface(REFIID, void**) override { FAKE_MAPI_UNEXPECTED("QueryInterface"); }
    ULONG AddRef() override { return AddRefImpl(); }
    ULONG Release() override { return ReleaseImpl(); }
    HRESULT GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { FAKE_MAPI_UNEXPECTED("GetLastError"); }
    HRESULT Advise(ULONG, LPMAPIADVISESINK, ULONG_PTR*) override { FAKE_MAPI_UNEXPECTED("Advise"); }
    HRESULT Unadvise(ULONG_PTR) override { FAKE_MAPI_UNEXPECTED("Unadvise"); }
    HRESULT GetStatus(ULONG*, ULONG*) override { FAKE_MAPI_UNEXPECTED("GetStatus"); }
    HRESULT SetColumns(LPSPropTagArray, ULONG) override { FAKE_MAPI_UNEXPECTED("SetColumns"); }
    HRESULT QueryColumns(ULONG, LPSPropTagArray*) override { FAKE_MAPI_UNEXPECTED("QueryColumns"); }
    HRESULT GetRowCount(ULONG, ULONG* count) override
    {
        *count = ULONG(rows.size());
        return S_OK;
    }
    HRESULT SeekRow(BOOKMARK, LONG, LONG*) override { FAKE_MAPI_UNEXPECTED("SeekRow"); }
    HRESULT SeekRowApprox(ULONG, ULONG) override { FAKE_MAPI_UNEXPECTED("SeekRowApprox"); }
    HRESULT QueryPosition(ULONG*, ULONG*, ULONG*) override { FAKE_MAPI_UNEXPECTED("QueryPosition"); }
    HRESULT FindRow(LPSRestriction, BOOKMARK, ULONG) override { FAKE_MAPI_UNEXPECTED("FindRow"); }
    HRESULT Restrict(LPSRestriction, ULONG) override { FAKE_MAPI_UNEXPECTED("Restrict"); }
    HRESULT CreateBookmark(BOOKMARK*) override { FAKE_MAPI_UNEXPECTED("CreateBookmark"); }
    HRESULT FreeBookmark(BOOKMARK) override { FAKE_MAPI_UNEXPECTED("FreeBookmark"); }
    HRESULT SortTable(LPSSortOrderSet, ULONG) override { FAKE_MAPI_UNEXPECTED("SortTable"); }
    HRESULT QuerySortOrder(LPSSortOrderSet*) override { FAKE_MAPI_UNEXPECTED("QuerySortOrder"); }
    HRESULT QueryRows(LONG count, ULONG, LPSRowSet* result) override
    {
        size_t n = std::min(rows.size() - position, size_t(count > 0 ? count : 0));
        auto* set = static_cast<LPSRowSet>(Allocator::Get().Allocate(CbNewSRowSet(n ? n : 1)));
        set->cRows = ULONG(n);
        for (size_t i = 0; i < n; ++i, ++position) {
            set->aRow[i].cValues = ULONG(rows[position].size());
            set->aRow[i].lpProps = AllocateValues(rows[position]);
        }
        *result = set;
        return S_OK;
    }
    HRESULT Abort() override { FAKE_MAPI_UNEXPECTED("Abort"); }
    HRESULT ExpandRow(ULONG, LPBYTE, ULONG, ULONG, LPSRowSet*, ULONG*) override { FAKE_MAPI_UNEXPECTED("ExpandRow"); }
    HRESULT CollapseRow(ULONG, LPBYTE, ULONG, ULONG*) override { FAKE_MAPI_UNEXPECTED("CollapseRow"); }
    HRESULT WaitForCompletion(ULONG, ULONG, ULONG*) override { FAKE_MAPI_UNEXPECTED("WaitForCompletion"); }
    HRESULT GetCollapseState(ULONG, ULONG, LPBYTE, ULONG*, LPBYTE*) override
    {
        FAKE_MAPI_UNEXPECTED("GetCollapseState");
    }
    HRESULT SetCollapseState(ULONG, ULONG, LPBYTE, BOOKMARK*) override { FAKE_MAPI_UNEXPECTED("SetCollapseState"); }
};

} // namespace fake_mapi
