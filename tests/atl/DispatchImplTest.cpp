// IDispatchImpl over the add-in's own type library: ribbon callbacks called by name, as Outlook calls them,
// with arguments in reverse order and results through pvarResult.
#include <gtest/gtest.h>

#include <atlbase.h>
#include <atlcom.h>

#include <algorithm>
#include <string>
#include <vector>

#include "atl/AtlTestUtil.h"
#include "pal/host.h"
#include "support/TestPrefix.h"

namespace {

constexpr IID kIidRibbonCallback = pal::GuidFromString("6ED1230D-65E6-436E-BA20-8390033AA4F7");
constexpr GUID kLibid = pal::GuidFromString("9F5DAF14-B0F6-4C74-8ABE-986A1B713DEB");

// IRibbonCallback as res/VantoraAddin.idl declares it.
struct IRibbonCallbackSide : public IDispatch {
    virtual HRESULT OnLoadCB(IDispatch* pRibbon) = 0;
    virtual HRESULT OnActionCB(IDispatch* pRibbonControl) = 0;
    virtual HRESULT GetImageCB(IDispatch* pRibbonControl, IDispatch** ppImage) = 0;
    virtual HRESULT GetLabelCB(IDispatch* pRibbonControl, BSTR* pBstrValue) = 0;
    virtual HRESULT GetToolTipCB(IDispatch* pRibbonControl, BSTR* pBstrValue) = 0;
    virtual HRESULT GetSuperTipCB(IDispatch* pRibbonControl, BSTR* pBstrValue) = 0;
    virtual HRESULT GetIsVisibleCB(IDispatch* pRibbonControl, VARIANT_BOOL* pValue) = 0;
    virtual HRESULT GetIsEnabledCB(IDispatch* pRibbonControl, VARIANT_BOOL* pValue) = 0;
    virtual HRESULT GetItemCountCB(IDispatch* pRibbonControl, LONG* pCount) = 0;
    virtual HRESULT GetItemHeightCB(IDispatch* pRibbonControl, LONG* pHeight) = 0;
    virtual HRESULT GetItemWidthCB(IDispatch* pRibbonControl, LONG* pWidth) = 0;
    virtual HRESULT GetItemLabelCB(IDispatch* pRibbonControl, LONG cIndex, BSTR* pBstrValue) = 0;
    virtual HRESULT GetItemImageCB(IDispatch* pRibbonControl, LONG cIndex, IDispatch** ppImage) = 0;
    virtual HRESULT GetItemScreenTipCB(IDispatch* pRibbonControl, LONG cIndex, BSTR* pBstrValue) = 0;
    virtual HRESULT GetItemSuperTipCB(IDispatch* pRibbonControl, LONG cIndex, BSTR* pBstrValue) = 0;
};

// What the callbacks saw, and what OnActionCB answers.
struct Seen {
    IDispatch* control = nullptr;
    LONG index = -1;
    int calls = 0;
    HRESULT actionResult = S_OK;
    bool reportsErrors = false;
    atl_test::FakeControl image;
};

template <WORD Major, WORD Minor>
class CRibbonSide : public CComObjectRootEx<CComSingleThreadModel>,
                    public IDispatchImpl<IRibbonCallbackSide, &kIidRibbonCallback, &kLibid, Major, Minor>,
                    public ISupportErrorInfo {
public:
    BEGIN_COM_MAP(CRibbonSide)
        COM_INTERFACE_ENTRY(IDispatch)
        COM_INTERFACE_ENTRY(ISupportErrorInfo)
    END_COM_MAP()

    HRESULT InterfaceSupportsErrorInfo(REFIID riid) override
    {
        return seen->reportsErrors && riid == kIidRibbonCallback ? S_OK : S_FALSE;
    }

    HRESULT OnLoadCB(IDispatch* p) override { return Note(p); }
    HRESULT OnActionCB(IDispatch* p) override
    {
        Note(p);
        if (FAILED(seen->actionResult)) {
            CComPtr<ICreateErrorInfo> create;
            CreateErrorInfo(&create);
            create->SetDescription(const_cast<LPOLESTR>(u"no action for this control"));
            create->SetSource(const_cast<LPOLESTR>(u"CRibbonSide"));
            CComQIPtr<IErrorInfo> info(create.p);
            SetErrorInfo(0, info);
        }
        return seen->actionResult;
    }
    HRESULT GetImageCB(IDispatch* p, IDispatch** image) override
    {
        Note(p);
        seen->image.AddRef();
        *image = &seen->image;
        return S_OK;
    }
    HRESULT GetLabelCB(IDispatch* p, BSTR* value) override
    {
        Note(p);
        *value = SysAllocString(u"Analyse");
        return S_OK;
    }
    HRESULT GetToolTipCB(IDispatch*, BSTR*) override { return E_NOTIMPL; }
    HRESULT GetSuperTipCB(IDispatch*, BSTR*) override { return E_NOTIMPL; }
    HRESULT GetIsVisibleCB(IDispatch* p, VARIANT_BOOL* value) override
    {
        Note(p);
        *value = VARIANT_TRUE;
        return S_OK;
    }
    HRESULT GetIsEnabledCB(IDispatch*, VARIANT_BOOL*) override { return E_NOTIMPL; }
    HRESULT GetItemCountCB(IDispatch* p, LONG* count) override
    {
        Note(p);
        *count = 3;
        return S_OK;
    }
    HRESULT GetItemHeightCB(IDispatch*, LONG*) override { return E_NOTIMPL; }
    HRESULT GetItemWidthCB(IDispatch*, LONG*) override { return E_NOTIMPL; }
    HRESULT GetItemLabelCB(IDispatch* p, LONG index, BSTR* value) override
    {
        Note(p);
        seen->index = index;
        *value = SysAllocString((u"Row " + pal::ToWide(std::to_string(index))).c_str());
        return S_OK;
    }
    HRESULT GetItemImageCB(IDispatch*, LONG, IDispatch**) override { return E_NOTIMPL; }
    HRESULT GetItemScreenTipCB(IDispatch*, LONG, BSTR*) override { return E_NOTIMPL; }
    HRESULT GetItemSuperTipCB(IDispatch*, LONG, BSTR*) override { return E_NOTIMPL; }

    Seen* seen = nullptr;

private:
    HRESULT Note(IDispatch* p)
    {
        seen->control = p;
        ++seen->calls;
        return S_OK;
    }
};

// The library held in the module (both versions 0xFFFF), whether registered or not.
using CModuleRibbonSide = CRibbonSide<0xFFFF, 0xFFFF>;

class DispatchImpl : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(S_OK, CComObject<CModuleRibbonSide>::CreateInstance(&object));
        object->AddRef();
        object->seen = &seen;
        disp = object;
    }
    void TearDown() override
    {
        object->Release();
        EXPECT_EQ(1, control.refs);
        EXPECT_EQ(1, seen.image.refs);
    }

    DISPID Id(const char16_t* name)
    {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = 12345;
        EXPECT_EQ(S_OK, disp->GetIDsOfNames(GUID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)) << "name";
        return id;
    }

    // Calls a method with the arguments given in the callee's order (stored reversed, as callers do).
    HRESULT Call(DISPID id, std::initializer_list<VARIANT> args, VARIANT* result, EXCEPINFO* excep = nullptr,
                 UINT* argErr = nullptr, WORD flags = DISPATCH_METHOD)
    {
        std::vector<VARIANT> reversed(args.begin(), args.end());
        std::reverse(reversed.begin(), reversed.end());
        DISPPARAMS params = {reversed.data(), nullptr, UINT(reversed.size()), 0};
        return disp->Invoke(id, GUID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, excep, argErr);
    }

    VARIANT Control()
    {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_DISPATCH;
        v.pdispVal = &control;
        return v;
    }
    static VARIANT Short(SHORT n)
    {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I2;
        v.iVal = n;
        return v;
    }

    Seen seen;
    atl_test::FakeControl control;
    CComObject<CModuleRibbonSide>* object = nullptr;
    IDispatch* disp = nullptr;
};

TEST_F(DispatchImpl, NamesAreFoundWhateverTheirCaseAndUnknownNamesAreNot)
{
    EXPECT_EQ(4, Id(u"GetLabelCB"));
    EXPECT_EQ(4, Id(u"getlabelcb"));
    EXPECT_EQ(15, Id(u"GETITEMSUPERTIPCB"));

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"GetColourCB")};
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, disp->GetIDsOfNames(GUID_NULL, unknown, 1, 0, &id));
    EXPECT_EQ(DISPID_UNKNOWN, id);

    // Parameter names give their positions; an unknown one is reported, the others still found.
    LPOLESTR withParams[] = {const_cast<LPOLESTR>(u"GetItemLabelCB"), const_cast<LPOLESTR>(u"cindex"),
                             const_cast<LPOLESTR>(u"nothing")};
    DISPID ids[3] = {};
    EXPECT_EQ(DISP_E_UNKNOWNNAME, disp->GetIDsOfNames(GUID_NULL, withParams, 3, 0, ids));
    EXPECT_EQ(12, ids[0]);
    EXPECT_EQ(1, ids[1]);
    EXPECT_EQ(DISPID_UNKNOWN, ids[2]);
}

TEST_F(DispatchImpl, TypeInfoIsTheInterfacesOwn)
{
    UINT count = 0;
    EXPECT_EQ(S_OK, disp->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    CComPtr<ITypeInfo> info;
    EXPECT_EQ(DISP_E_BADINDEX, disp->GetTypeInfo(1, 0, &info));
    ASSERT_EQ(S_OK, disp->GetTypeInfo(0, 0, &info));
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, info->GetTypeAttr(&attr));
    EXPECT_EQ(kIidRibbonCallback, attr->guid);
    EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_EQ(15, attr->cFuncs);
    info->ReleaseTypeAttr(attr);
}

TEST_F(DispatchImpl, CallbacksTakeReversedArgumentsAndGiveTheirRetval)
{
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, Call(Id(u"GetLabelCB"), {Control()}, &result));
    EXPECT_EQ(&control, seen.control);
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_EQ(u"Analyse", std::u16string(result.bstrVal));
    VariantClear(&result);

    // The control is the first parameter, so the last argument; a VT_I2 index is coerced to long.
    ASSERT_EQ(S_OK, Call(Id(u"GetItemLabelCB"), {Control(), Short(2)}, &result));
    EXPECT_EQ(&control, seen.control);
    EXPECT_EQ(2, seen.index);
    ASSERT_EQ(VT_BSTR, result.vt);
    EXPECT_EQ(u"Row 2", std::u16string(result.bstrVal));
    VariantClear(&result);

    ASSERT_EQ(S_OK, Call(Id(u"GetIsVisibleCB"), {Control()}, &result));
    EXPECT_EQ(VT_BOOL, result.vt);
    EXPECT_EQ(VARIANT_TRUE, result.boolVal);
    ASSERT_EQ(S_OK, Call(Id(u"GetItemCountCB"), {Control()}, &result));
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_EQ(3, result.lVal);

    // An image comes back as a dispatch reference the caller owns; without pvarResult it is released.
    ASSERT_EQ(S_OK, Call(Id(u"GetImageCB"), {Control()}, &result));
    ASSERT_EQ(VT_DISPATCH, result.vt);
    EXPECT_EQ(&seen.image, result.pdispVal);
    EXPECT_EQ(2, seen.image.refs);
    VariantClear(&result);
    ASSERT_EQ(S_OK, Call(Id(u"GetImageCB"), {Control()}, nullptr));
    EXPECT_EQ(1, seen.image.refs);

    // No retval: the result stays empty.
    ASSERT_EQ(S_OK, Call(Id(u"OnLoadCB"), {Control()}, &result));
    EXPECT_EQ(VT_EMPTY, result.vt);
}

TEST_F(DispatchImpl, ArgumentsByReferenceAndConvertibleTextAreAccepted)
{
    VARIANT result;
    VariantInit(&result);
    LONG index = 7;
    VARIANT byRef;
    VariantInit(&byRef);
    byRef.vt = VT_I4 | VT_BYREF;
    byRef.plVal = &index;
    ASSERT_EQ(S_OK, Call(12, {Control(), byRef}, &result));
    EXPECT_EQ(7, seen.index);
    VariantClear(&result);

    CComVariant text(u"11");
    ASSERT_EQ(S_OK, Call(12, {Control(), text}, &result));
    EXPECT_EQ(11, seen.index);
    VariantClear(&result);

    IDispatch* ref = &control;
    VARIANT controlByRef;
    VariantInit(&controlByRef);
    controlByRef.vt = VT_DISPATCH | VT_BYREF;
    controlByRef.ppdispVal = &ref;
    ASSERT_EQ(S_OK, Call(12, {controlByRef, Short(0)}, &result));
    EXPECT_EQ(&control, seen.control);
    VariantClear(&result);
}

TEST_F(DispatchImpl, WrongCountsTypesAndMembersAreRefusedWithoutACall)
{
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(12, {Control()}, &result));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(4, {Control(), Short(1)}, &result));
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, Call(4, {}, &result));

    UINT argErr = 99;
    CComVariant notANumber(u"second");
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(12, {Control(), notANumber}, &result, nullptr, &argErr));
    EXPECT_EQ(0u, argErr); // the index in rgvarg: the last parameter is first there
    argErr = 99;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, Call(12, {Short(1), Short(1)}, &result, nullptr, &argErr));
    EXPECT_EQ(1u, argErr);

    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(99, {Control()}, &result));
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, Call(4, {Control()}, &result, nullptr, nullptr, DISPATCH_PROPERTYPUT));
    EXPECT_EQ(0, seen.calls);
    EXPECT_EQ(VT_EMPTY, result.vt);
}

TEST_F(DispatchImpl, AFailingMethodReportsItsErrorAsTheObjectAllowsIt)
{
    seen.actionResult = E_ACCESSDENIED;
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO excep{};
    // An object that does not report error information for the interface: its own HRESULT.
    EXPECT_EQ(E_ACCESSDENIED, Call(2, {Control()}, &result, &excep));
    EXPECT_EQ(S_OK, excep.scode);
    EXPECT_EQ(nullptr, excep.bstrDescription);

    seen.reportsErrors = true;
    EXPECT_EQ(DISP_E_EXCEPTION, Call(2, {Control()}, &result, &excep));
    EXPECT_EQ(E_ACCESSDENIED, excep.scode);
    ASSERT_NE(nullptr, excep.bstrDescription);
    EXPECT_EQ(u"no action for this control", std::u16string(excep.bstrDescription));
    EXPECT_EQ(u"CRibbonSide", std::u16string(excep.bstrSource));
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrHelpFile);

    // Nowhere to put the exception: the HRESULT itself.
    EXPECT_EQ(E_ACCESSDENIED, Call(2, {Control()}, &result, nullptr));
    EXPECT_EQ(3, seen.calls);
    IErrorInfo* left = nullptr;
    GetErrorInfo(0, &left);
    if (left)
        left->Release();
}

// The registered library of version 1.0, as ATL's default is.
TEST(DispatchImplRegistered, UsesTheRegisteredLibraryOnceItIsRegistered)
{
    Seen seen;
    atl_test::FakeControl control;
    CComObject<CRibbonSide<1, 0>>* object = nullptr;
    ASSERT_EQ(S_OK, (CComObject<CRibbonSide<1, 0>>::CreateInstance(&object)));
    object->AddRef();
    object->seen = &seen;
    LPOLESTR names[] = {const_cast<LPOLESTR>(u"GetLabelCB")};
    DISPID id = 0;
    EXPECT_EQ(TYPE_E_LIBNOTREGISTERED, object->GetIDsOfNames(GUID_NULL, names, 1, 0x409, &id));

    std::u16string module = pal::ToWindowsPath(std::string(VANTORA_BIN_DIR) + "/VantoraAddin.so");
    CComPtr<ITypeLib> lib;
    ASSERT_EQ(S_OK, LoadTypeLibEx(module.c_str(), REGKIND_NONE, &lib));
    ASSERT_EQ(S_OK, RegisterTypeLibForUser(lib, module.data(), module.data()));
    EXPECT_EQ(S_OK, object->GetIDsOfNames(GUID_NULL, names, 1, 0x409, &id));
    EXPECT_EQ(4, id);

    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_DISPATCH;
    arg.pdispVal = &control;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    CComVariant result;
    EXPECT_EQ(S_OK, object->Invoke(id, GUID_NULL, 0x409, DISPATCH_METHOD, &params, &result, nullptr, nullptr));
    EXPECT_EQ(VT_BSTR, result.vt);
    object->Release();
    EXPECT_EQ(1, control.refs);
}

} // namespace
