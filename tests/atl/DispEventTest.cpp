// IDispEventSimpleImpl against a fake event source with one connection point: advise and unadvise through
// IConnectionPointContainer, events fired into the sink's Invoke and reaching the handlers of its sink map.
#include <gtest/gtest.h>

#include <atlbase.h>
#include <atlcom.h>

#include <algorithm>
#include <string>
#include <vector>

#include "atl/AtlTestUtil.h"

namespace {

constexpr IID kDiidEvents = pal::GuidFromString("5C0FFEE0-1234-4321-ABCD-00000000F007");
constexpr IID kDiidOther = pal::GuidFromString("5C0FFEE0-1234-4321-ABCD-000000000202");
constexpr DWORD kCookie = 0x51;

// Expectations in the style of Wine's tests: a call nobody expected fails the test, an expected call that
// did not come fails it when checked.
#define DEFINE_EXPECT(f) bool expect_##f = false, called_##f = false
#define SET_EXPECT(o, f) ((o).expect_##f = true)
#define CHECK_EXPECT(f)                                                                               \
    do {                                                                                              \
        EXPECT_TRUE(expect_##f) << "unexpected call " #f;                                             \
        called_##f = true;                                                                            \
    } while (0)
#define CHECK_CALLED(o, f)                                                                            \
    do {                                                                                              \
        EXPECT_TRUE((o).called_##f) << "expected " #f;                                                \
        (o).expect_##f = (o).called_##f = false;                                                      \
    } while (0)

// An event source with one connection point for kDiidEvents, which keeps one sink.
class FakeSource : public IConnectionPointContainer, public IConnectionPoint {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IConnectionPointContainer)
            *ppv = static_cast<IConnectionPointContainer*>(this);
        else if (riid == IID_IConnectionPoint)
            *ppv = static_cast<IConnectionPoint*>(this);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ULONG(++refs); }
    ULONG Release() override { return ULONG(--refs); }

    HRESULT EnumConnectionPoints(IEnumConnectionPoints**) override { return Unexpected(); }
    HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** pp) override
    {
        CHECK_EXPECT(FindConnectionPoint);
        *pp = nullptr;
        if (riid != kDiidEvents)
            return CONNECT_E_NOCONNECTION;
        AddRef();
        *pp = this;
        return S_OK;
    }
    HRESULT GetConnectionInterface(IID*) override { return Unexpected(); }
    HRESULT GetConnectionPointContainer(IConnectionPointContainer**) override { return Unexpected(); }
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override
    {
        CHECK_EXPECT(Advise);
        // A source keeps the sink as its event interface, as connection points do.
        HRESULT hr = sink->QueryInterface(kDiidEvents, reinterpret_cast<void**>(&this->sink));
        if (FAILED(hr))
            return CONNECT_E_CANNOTCONNECT;
        *cookie = kCookie;
        return S_OK;
    }
    HRESULT Unadvise(DWORD cookie) override
    {
        CHECK_EXPECT(Unadvise);
        if (cookie != kCookie || !sink)
            return CONNECT_E_NOCONNECTION;
        sink.Release();
        return S_OK;
    }
    HRESULT EnumConnections(IEnumConnections**) override { return Unexpected(); }

    // Fires an event with its arguments given in the handler's order.
    HRESULT Fire(DISPID id, std::vector<VARIANT> args = {})
    {
        std::reverse(args.begin(), args.end());
        DISPPARAMS params = {args.data(), nullptr, UINT(args.size()), 0};
        return sink->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }

    long refs = 1;
    CComPtr<IDispatch> sink;
    DEFINE_EXPECT(FindConnectionPoint);
    DEFINE_EXPECT(Advise);
    DEFINE_EXPECT(Unadvise);

private:
    static HRESULT Unexpected()
    {
        ADD_FAILURE() << "unexpected call of the fake source";
        return E_NOTIMPL;
    }
};

// Handlers of a base class: their pointers carry an adjustment of `this`.
struct Recorder {
    int recorded = 0;
    void STDMETHODCALLTYPE OnRecorded() { ++recorded; }
};

class CSink;
using EventSink = IDispEventSimpleImpl<201, CSink, &kDiidEvents>;
using OtherSink = IDispEventSimpleImpl<202, CSink, &kDiidOther>;

_ATL_FUNC_INFO kNoArguments = {CC_STDCALL, VT_EMPTY, 0, {}};
_ATL_FUNC_INFO kItemArguments = {CC_STDCALL, VT_EMPTY, 3, {VT_I4, VT_BSTR, VT_R8}};

class CSink : public CComObjectRootEx<CComSingleThreadModel>,
              public ISupportErrorInfo,
              public Recorder,
              public EventSink,
              public OtherSink {
public:
    BEGIN_COM_MAP(CSink)
        COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    BEGIN_SINK_MAP(CSink)
        SINK_ENTRY_INFO(201, kDiidEvents, 0xF007, &CSink::OnSelectionChange, &kNoArguments)
        SINK_ENTRY_INFO(201, kDiidEvents, 0x10, &CSink::OnItem, &kItemArguments)
        SINK_ENTRY_INFO(201, kDiidEvents, 0x11, &CSink::OnVirtual, &kNoArguments)
        SINK_ENTRY_INFO(201, kDiidEvents, 0x12, &CSink::OnRecorded, &kNoArguments)
        SINK_ENTRY_INFO(202, kDiidOther, 0x1, &CSink::OnOther, &kNoArguments)
    END_SINK_MAP()

    HRESULT InterfaceSupportsErrorInfo(REFIID) override { return S_FALSE; }

    void STDMETHODCALLTYPE OnSelectionChange() { ++changes; }
    void STDMETHODCALLTYPE OnItem(LONG index, BSTR name, double weight)
    {
        itemIndex = index;
        itemName = name ? name : u"";
        itemWeight = weight;
    }
    virtual void STDMETHODCALLTYPE OnVirtual() { ++virtuals; }
    void STDMETHODCALLTYPE OnOther() { ++others; }

    int changes = 0, virtuals = 0, others = 0;
    LONG itemIndex = 0;
    std::u16string itemName;
    double itemWeight = 0;
};

class DispEvent : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, CComObject<CSink>::CreateInstance(&sink));
        sink->AddRef();
    }
    void TearDown() override
    {
        EXPECT_EQ(1, source.refs);
        EXPECT_EQ(0UL, sink->Release()); // every reference the source took was given back
    }

    HRESULT Advise()
    {
        SET_EXPECT(source, FindConnectionPoint);
        SET_EXPECT(source, Advise);
        HRESULT hr = sink->EventSink::DispEventAdvise(static_cast<IConnectionPointContainer*>(&source));
        CHECK_CALLED(source, FindConnectionPoint);
        CHECK_CALLED(source, Advise);
        return hr;
    }
    HRESULT Unadvise()
    {
        SET_EXPECT(source, FindConnectionPoint);
        SET_EXPECT(source, Unadvise);
        HRESULT hr = sink->EventSink::DispEventUnadvise(static_cast<IConnectionPointContainer*>(&source));
        CHECK_CALLED(source, FindConnectionPoint);
        CHECK_CALLED(source, Unadvise);
        return hr;
    }

    FakeSource source;
    CComObject<CSink>* sink = nullptr;
};

TEST_F(DispEvent, AdvisedSinkReceivesEventsUntilUnadvised)
{
    ASSERT_EQ(S_OK, Advise());
    EXPECT_EQ(kCookie, sink->EventSink::m_dwEventCookie);
    EXPECT_EQ(1, source.refs); // the source's connection point was released again
    ASSERT_TRUE(source.sink);

    EXPECT_EQ(S_OK, source.Fire(0xF007));
    EXPECT_EQ(S_OK, source.Fire(0xF007));
    EXPECT_EQ(2, sink->changes);

    CComVariant name(u"Quarterly report");
    VARIANT index, weight;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = 42;
    VariantInit(&weight);
    weight.vt = VT_R8;
    weight.dblVal = 0.25;
    EXPECT_EQ(S_OK, source.Fire(0x10, {index, name, weight}));
    EXPECT_EQ(42, sink->itemIndex);
    EXPECT_EQ(u"Quarterly report", sink->itemName);
    EXPECT_EQ(0.25, sink->itemWeight);

    // A virtual handler and one of a base class are called on the right object.
    EXPECT_EQ(S_OK, source.Fire(0x11));
    EXPECT_EQ(1, sink->virtuals);
    EXPECT_EQ(S_OK, source.Fire(0x12));
    EXPECT_EQ(1, sink->recorded);

    // Events without a handler are ignored; so is the other sink's event on this one.
    EXPECT_EQ(S_OK, source.Fire(0x99));
    EXPECT_EQ(S_OK, source.Fire(0x1));
    EXPECT_EQ(0, sink->others);
    // Too few arguments for the handler: refused, not read past.
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, source.Fire(0x10, {index}));
    EXPECT_EQ(42, sink->itemIndex);

    ASSERT_EQ(S_OK, Unadvise());
    EXPECT_FALSE(source.sink);
    EXPECT_EQ(0xFEFEFEFEu, sink->EventSink::m_dwEventCookie);
    // Unadvising again finds no connection.
    EXPECT_EQ(CONNECT_E_NOCONNECTION, Unadvise());
}

TEST_F(DispEvent, SinkAnswersItsDispinterfaceOnly)
{
    EventSink* events = sink;
    void* first = nullptr;
    void* p = nullptr;
    ASSERT_EQ(S_OK, events->_LocDEQueryInterface(kDiidEvents, &first));
    events->Release();
    for (const IID& iid : {kDiidEvents, IID_IDispatch, IID_IUnknown}) {
        ASSERT_EQ(S_OK, events->_LocDEQueryInterface(iid, &p));
        EXPECT_EQ(first, p); // one identity for all three
        static_cast<IDispatch*>(p)->Release();
    }
    EXPECT_NE(static_cast<void*>(sink), first);
    EXPECT_EQ(E_NOINTERFACE, events->_LocDEQueryInterface(kDiidOther, &p));
    EXPECT_EQ(nullptr, p);
    EXPECT_EQ(E_NOTIMPL, events->GetIDsOfNames(GUID_NULL, nullptr, 0, 0, nullptr));

    // The second sink of the class is an object of its own.
    OtherSink* other = sink;
    ASSERT_EQ(S_OK, other->_LocDEQueryInterface(kDiidOther, &p));
    other->Release();
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXPECT_EQ(S_OK, other->Invoke(0x1, GUID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr));
    EXPECT_EQ(1, sink->others);
    EXPECT_EQ(0, sink->changes);
}

TEST_F(DispEvent, FailedAdvicesLeaveTheSinkUnconnected)
{
    ASSERT_EQ(S_OK, Advise());
    EXPECT_EQ(E_UNEXPECTED, sink->EventSink::DispEventAdvise(static_cast<IConnectionPointContainer*>(&source)));
    ASSERT_EQ(S_OK, Unadvise());

    // A source without the sink's connection point.
    SET_EXPECT(source, FindConnectionPoint);
    EXPECT_EQ(CONNECT_E_NOCONNECTION,
              sink->OtherSink::DispEventAdvise(static_cast<IConnectionPointContainer*>(&source)));
    CHECK_CALLED(source, FindConnectionPoint);
    EXPECT_EQ(0xFEFEFEFEu, sink->OtherSink::m_dwEventCookie);

    // An object that is no event source at all.
    atl_test::FakeControl plain;
    EXPECT_EQ(E_NOINTERFACE, sink->EventSink::DispEventAdvise(&plain));
    EXPECT_EQ(0xFEFEFEFEu, sink->EventSink::m_dwEventCookie);
    EXPECT_EQ(1, plain.refs);
}

} // namespace
