// The layer's type descriptions read from IDL text, and ITypeInfo::Invoke and DispCallFunc over them with
// the types the add-in's and Office's interfaces use: properties, doubles, VARIANTs by value, optional and
// by-reference arguments, named arguments, and dispinterfaces.
#include <gtest/gtest.h>

#include <atlbase.h>

#include <string>

#include "oleaut32/typeinfo.h"
#include "oleaut32/typelib_idl.h"
#include "pal/host.h"

namespace {

using pal::typelib::IdlLibrary;

const char kIdl[] = R"IDL(
// A gauge: a property, numbers, variants and a by-reference string.
[object, uuid(11111111-2222-3333-4444-555555555555), dual, oleautomation]
interface IGauge : IDispatch
{
    [id(1), propget] HRESULT Level([out, retval] long* value);
    [id(1), propput] HRESULT Level([in] long value);
    [id(2), helpstring("scale(x)")] HRESULT Scale([in] double factor, [in] VARIANT_BOOL round,
                                                  [out, retval] double* result);
    [id(3)] HRESULT Describe([in] VARIANT what, [in, optional] VARIANT more, [out, retval] BSTR* text);
    [id(0x10)] HRESULT Swap([in, out] BSTR* text);
    HRESULT Unnamed([in] GaugeKind kind);
};

[uuid(22222222-2222-3333-4444-555555555555), version(2.1)]
library GaugeLib
{
    [uuid(33333333-2222-3333-4444-555555555555)]
    dispinterface DGaugeEvents
    {
    properties:
        [id(5)] long Count;
    methods:
        [id(7)] void Changed([in] long level);
    };
};
)IDL";

struct IGauge : public IDispatch {
    virtual HRESULT get_Level(LONG* value) = 0;
    virtual HRESULT put_Level(LONG value) = 0;
    virtual HRESULT Scale(double factor, VARIANT_BOOL round, double* result) = 0;
    virtual HRESULT Describe(VARIANT what, VARIANT more, BSTR* text) = 0;
    virtual HRESULT Swap(BSTR* text) = 0;
    virtual HRESULT Unnamed(LONG kind) = 0;
};

class Gauge : public IGauge {
public:
    HRESULT QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
    HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

    HRESULT get_Level(LONG* value) override
    {
        *value = level;
        return S_OK;
    }
    HRESULT put_Level(LONG value) override
    {
        level = value;
        return S_OK;
    }
    HRESULT Scale(double factor, VARIANT_BOOL round, double* result) override
    {
        *result = level * factor;
        if (round)
            *result = double(LONG(*result + 0.5));
        return S_OK;
    }
    HRESULT Describe(VARIANT what, VARIANT more, BSTR* text) override
    {
        std::u16string s = what.vt == VT_BSTR ? std::u16string(what.bstrVal) : u"?";
        if (more.vt == VT_ERROR && more.scode == DISP_E_PARAMNOTFOUND)
            s += u" (alone)";
        else if (more.vt == VT_I4)
            s += u" and " + pal::ToWide(std::to_string(more.lVal));
        *text = SysAllocString(s.c_str());
        return S_OK;
    }
    HRESULT Swap(BSTR* text) override
    {
        seenText = *text ? *text : u"";
        SysFreeString(*text);
        *text = SysAllocString(u"swapped");
        return S_OK;
    }
    HRESULT Unnamed(LONG) override
    {
        ADD_FAILURE() << "a parameter of an unknown type must not be passed";
        return E_FAIL;
    }

    LONG level = 4;
    std::u16string seenText;
};

class TypeInfo : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pal::typelib::ParseIdl(kIdl, library));
        ASSERT_EQ(2u, library.interfaces.size());
        // Any library will do as the descriptions' owner: they read `library`.
        std::u16string module = pal::ToWindowsPath(std::string(VANTORA_BIN_DIR) + "/VantoraAddin.so");
        ASSERT_EQ(S_OK, LoadTypeLibEx(module.c_str(), REGKIND_NONE, &owner));
        info.Attach(pal::typelib::CreateTypeInfo(owner, library, library.interfaces[0]));
    }

    HRESULT Invoke(DISPID id, WORD flags, std::vector<VARIANT> reversed, VARIANT* result,
                   std::vector<DISPID> named = {}, UINT* argErr = nullptr)
    {
        DISPPARAMS params = {reversed.data(), named.data(), UINT(reversed.size()), UINT(named.size())};
        return info->Invoke(static_cast<IGauge*>(&gauge), id, flags, &params, result, nullptr, argErr);
    }

    static VARIANT Value(VARTYPE vt, LONGLONG bits)
    {
        VARIANT v;
        VariantInit(&v);
        v.vt = vt;
        v.llVal = bits;
        return v;
    }
    static VARIANT Real(double d)
    {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_R8;
        v.dblVal = d;
        return v;
    }

    IdlLibrary library;
    CComPtr<ITypeLib> owner;
    CComPtr<ITypeInfo> info;
    Gauge gauge;
};

TEST_F(TypeInfo, ReadsMethodsWithTheirIdsKindsTypesAndSlots)
{
    const auto& gaugeItf = library.interfaces[0];
    EXPECT_EQ(u"IDispatch", gaugeItf.base);
    ASSERT_EQ(6u, gaugeItf.functions.size());
    EXPECT_EQ(INVOKE_PROPERTYGET, gaugeItf.functions[0].kind);
    EXPECT_EQ(INVOKE_PROPERTYPUT, gaugeItf.functions[1].kind);
    EXPECT_EQ(VT_I4 | VT_BYREF, gaugeItf.functions[0].params[0].vt);
    EXPECT_TRUE(gaugeItf.functions[0].params[0].retval);
    EXPECT_EQ(7u, gaugeItf.functions[0].vtableIndex);
    EXPECT_EQ(VT_R8, gaugeItf.functions[2].params[0].vt);
    EXPECT_EQ(VT_BOOL, gaugeItf.functions[2].params[1].vt);
    EXPECT_TRUE(gaugeItf.functions[3].params[1].optional);
    EXPECT_EQ(0x10, gaugeItf.functions[4].id);
    EXPECT_TRUE(gaugeItf.functions[4].params[0].in && gaugeItf.functions[4].params[0].out);
    EXPECT_EQ(pal::typelib::kVtIllegal, gaugeItf.functions[5].params[0].vt);
    EXPECT_EQ(12u, gaugeItf.functions[5].vtableIndex);

    const auto& events = library.interfaces[1];
    EXPECT_TRUE(events.dispinterface);
    ASSERT_EQ(1u, events.functions.size()); // the property is no method
    EXPECT_EQ(7, events.functions[0].id);
    EXPECT_EQ(VT_VOID, events.functions[0].result);
}

TEST_F(TypeInfo, PropertiesAreReadAndWrittenByTheirKind)
{
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, Invoke(1, DISPATCH_PROPERTYGET, {}, &result));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(4, result.lVal);
    // A put carries its value as the named argument DISPID_PROPERTYPUT; a VT_I2 fits a long.
    ASSERT_EQ(S_OK, Invoke(1, DISPATCH_PROPERTYPUT, {Value(VT_I2, 9)}, nullptr, {DISPID_PROPERTYPUT}));
    EXPECT_EQ(9, gauge.level);
    // The callers of scripts ask for a method or a property at once.
    ASSERT_EQ(S_OK, Invoke(1, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, &result));
    EXPECT_EQ(9, result.lVal);
    // DISPID_PROPERTYPUT names no parameter of a get.
    UINT argErr = 77;
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, Invoke(1, DISPATCH_PROPERTYGET, {Value(VT_I4, 1)}, &result, {DISPID_PROPERTYPUT},
                                           &argErr));
    EXPECT_EQ(0u, argErr);
}

TEST_F(TypeInfo, NumbersVariantsAndReferencesReachTheMethod)
{
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, Invoke(2, DISPATCH_METHOD, {Value(VT_BOOL, 0), Real(2.5)}, &result));
    EXPECT_EQ(VT_R8, result.vt);
    EXPECT_DOUBLE_EQ(10.0, result.dblVal);
    // Named by position, in any order.
    ASSERT_EQ(S_OK, Invoke(2, DISPATCH_METHOD, {Real(1.1), Value(VT_BOOL, VARIANT_TRUE)}, &result, {0, 1}));
    EXPECT_DOUBLE_EQ(4.0, result.dblVal);

    CComVariant what(u"needle");
    ASSERT_EQ(S_OK, Invoke(3, DISPATCH_METHOD, {what}, &result));
    EXPECT_EQ(u"needle (alone)", std::u16string(result.bstrVal));
    VariantClear(&result);
    ASSERT_EQ(S_OK, Invoke(3, DISPATCH_METHOD, {Value(VT_I4, 6), what}, &result));
    EXPECT_EQ(u"needle and 6", std::u16string(result.bstrVal));
    VariantClear(&result);

    // A string by value goes by reference to a copy; by reference, the method changes the caller's.
    CComVariant text(u"first");
    ASSERT_EQ(S_OK, Invoke(0x10, DISPATCH_METHOD, {text}, nullptr));
    EXPECT_EQ(u"first", gauge.seenText);
    EXPECT_EQ(u"first", std::u16string(text.bstrVal));
    BSTR mine = SysAllocString(u"second");
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_BSTR | VT_BYREF;
    ref.pbstrVal = &mine;
    ASSERT_EQ(S_OK, Invoke(0x10, DISPATCH_METHOD, {ref}, nullptr));
    EXPECT_EQ(u"second", gauge.seenText);
    EXPECT_EQ(u"swapped", std::u16string(mine));
    SysFreeString(mine);
    LONG number = 1;
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &number;
    UINT argErr = 77;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Invoke(0x10, DISPATCH_METHOD, {ref}, nullptr, {}, &argErr));
    EXPECT_EQ(0u, argErr);

    EXPECT_EQ(DISP_E_BADVARTYPE, Invoke(0x60020005, DISPATCH_METHOD, {Value(VT_I4, 1)}, nullptr));
}

// Wine-style fake of a dispinterface object: the description hands the call to its own Invoke.
class EventsObject : public Gauge {
public:
    HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override
    {
        ++calls;
        lastId = id;
        lastFlags = flags;
        lastArgs = params->cArgs;
        return S_OK;
    }
    int calls = 0;
    DISPID lastId = 0;
    WORD lastFlags = 0;
    UINT lastArgs = 0;
};

TEST_F(TypeInfo, ADispinterfaceIsCalledThroughTheObjectsInvoke)
{
    CComPtr<ITypeInfo> events;
    events.Attach(pal::typelib::CreateTypeInfo(owner, library, library.interfaces[1]));
    EventsObject object;
    VARIANT arg = Value(VT_I4, 3);
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    EXPECT_EQ(S_OK, events->Invoke(static_cast<IDispatch*>(&object), 7, DISPATCH_METHOD, &params, nullptr, nullptr,
                                   nullptr));
    EXPECT_EQ(1, object.calls);
    EXPECT_EQ(7, object.lastId);
    EXPECT_EQ(1u, object.lastArgs);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
              events->Invoke(static_cast<IDispatch*>(&object), 5, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr));
    EXPECT_EQ(1, object.calls);
}

double Mixed(SHORT a, float b, LONGLONG c, VARIANT v) { return a + double(b) + double(c) + v.lVal; }
float Half(double d) { return float(d / 2); }

TEST(DispCallFunc, PassesEachTypeAsTheFunctionTakesIt)
{
    VARIANT a, b, c, v, result;
    VariantInit(&a);
    a.vt = VT_I2;
    a.iVal = -2;
    VariantInit(&b);
    b.vt = VT_R4;
    b.fltVal = 0.5f;
    VariantInit(&c);
    c.vt = VT_I8;
    c.llVal = 1LL << 40;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = 7;
    VARTYPE types[] = {VT_I2, VT_R4, VT_I8, VT_VARIANT};
    VARIANTARG* args[] = {&a, &b, &c, &v};
    ASSERT_EQ(S_OK, DispCallFunc(nullptr, reinterpret_cast<ULONG_PTR>(&Mixed), CC_STDCALL, VT_R8, 4, types, args,
                                 &result));
    EXPECT_EQ(VT_R8, result.vt);
    EXPECT_DOUBLE_EQ(double(1LL << 40) + 5.5, result.dblVal);

    VARIANT d;
    VariantInit(&d);
    d.vt = VT_R8;
    d.dblVal = 3.0;
    VARTYPE one[] = {VT_R8};
    VARIANTARG* oneArg[] = {&d};
    ASSERT_EQ(S_OK, DispCallFunc(nullptr, reinterpret_cast<ULONG_PTR>(&Half), CC_CDECL, VT_R4, 1, one, oneArg, &result));
    EXPECT_EQ(VT_R4, result.vt);
    EXPECT_FLOAT_EQ(1.5f, result.fltVal);

    VARTYPE bad[] = {VT_DECIMAL};
    EXPECT_EQ(DISP_E_BADVARTYPE, DispCallFunc(nullptr, reinterpret_cast<ULONG_PTR>(&Half), CC_STDCALL, VT_R4, 1, bad,
                                              oneArg, &result));
    EXPECT_EQ(E_INVALIDARG, DispCallFunc(nullptr, reinterpret_cast<ULONG_PTR>(&Half), CC_FASTCALL, VT_R4, 1, one,
                                         oneArg, &result));
}

} // namespace
