// The safe arrays a document is written with: vectors of variants and of other types, locking, and what
// destroying and clearing free.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include "support/Wine.h"

namespace {

TEST(SafeArray, VectorOfVariantsIsZeroedLockedAndClearedOnDestroy)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    ASSERT_NE(nullptr, array);
    EXPECT_EQ(1, array->cDims);
    EXPECT_EQ(sizeof(VARIANT), array->cbElements);
    EXPECT_EQ(2u, array->rgsabound[0].cElements);
    VARIANT* items = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(array, reinterpret_cast<void**>(&items)));
    EXPECT_EQ(VT_EMPTY, items[0].vt);
    EXPECT_EQ(VT_EMPTY, items[1].vt);
    items[0].vt = VT_BSTR;
    items[0].bstrVal = SysAllocString(W("owned by the array"));
    // A locked array stays.
    EXPECT_EQ(DISP_E_ARRAYISLOCKED, SafeArrayDestroy(array));
    EXPECT_EQ(S_OK, SafeArrayUnaccessData(array));
    EXPECT_EQ(E_UNEXPECTED, SafeArrayUnaccessData(array));
    // Destroying frees the string (the leak checker of the sanitizer build sees it otherwise).
    EXPECT_EQ(S_OK, SafeArrayDestroy(array));
    EXPECT_EQ(S_OK, SafeArrayDestroy(nullptr));
}

TEST(SafeArray, ElementTypesAndBadArguments)
{
    SAFEARRAY* strings = SafeArrayCreateVector(VT_BSTR, 1, 3);
    ASSERT_NE(nullptr, strings);
    EXPECT_EQ(1, strings->rgsabound[0].lLbound);
    BSTR* s = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(strings, reinterpret_cast<void**>(&s)));
    s[2] = SysAllocString(W("freed with the array"));
    SafeArrayUnaccessData(strings);
    EXPECT_EQ(S_OK, SafeArrayDestroy(strings));

    SAFEARRAY* bytes = SafeArrayCreateVector(VT_UI1, 0, 0);
    ASSERT_NE(nullptr, bytes);
    EXPECT_EQ(1u, bytes->cbElements);
    EXPECT_EQ(S_OK, SafeArrayDestroy(bytes));

    EXPECT_EQ(nullptr, SafeArrayCreateVector(VT_EMPTY, 0, 1));
    void* data = nullptr;
    EXPECT_EQ(E_INVALIDARG, SafeArrayAccessData(nullptr, &data));
}

TEST(SafeArray, AVectorBeyondMemoryIsRefused)
{
    if (testing_support::RunningOnWine())
        GTEST_SKIP() << "Wine: its SafeArrayCreateVector faults on a vector whose size in bytes overflows; Windows "
                        "refuses it with a null array, as it refuses any array it cannot allocate";
    EXPECT_EQ(nullptr, SafeArrayCreateVector(VT_VARIANT, 0, 0xFFFFFFFFu));
}

TEST(SafeArray, ClearingAVariantThatHoldsAnArrayDestroysIt)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_VARIANT;
    v.parray = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    VARIANT* items = nullptr;
    ASSERT_EQ(S_OK, SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&items)));
    items[0].vt = VT_BSTR;
    items[0].bstrVal = SysAllocString(W("inner"));
    SafeArrayUnaccessData(v.parray);
    EXPECT_EQ(S_OK, VariantClear(&v));
    EXPECT_EQ(VT_EMPTY, v.vt);
}

} // namespace
