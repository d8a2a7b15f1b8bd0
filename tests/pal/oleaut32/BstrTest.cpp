// BSTRs and variants: the length prefix, CComBSTR over them, and changing a variant's type to text and back.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>
#include <atlbase.h>

#include "pal/host.h"

namespace {
std::string U8(const WCHAR* s) { return pal::ToUtf8(s); }
} // namespace

TEST(Bstr, LengthPrefixAndEmbeddedNul)
{
    const WCHAR text[] = {'a', 0, 'b'};
    BSTR b = SysAllocStringLen(text, 3);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(SysStringByteLen(b), 6u);
    EXPECT_EQ(b[3], 0);
    SysFreeString(b);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysAllocStringLen(nullptr, 0x7FFFFFFF), nullptr);

    CComBSTR a(W("ab"));
    a.Append(W("cd"), 1);
    a += W("e");
    EXPECT_EQ(U8(a), "abce");
    CComBSTR copy = a;
    EXPECT_NE(copy.m_str, a.m_str);
    EXPECT_TRUE(copy == W("abce"));
    CComBSTR empty;
    EXPECT_TRUE(empty == W(""));
}

TEST(Variant, ChangeTypeToTextAndBack)
{
    CComVariant v(42, VT_INT);
    ASSERT_EQ(v.ChangeType(VT_BSTR), S_OK);
    EXPECT_EQ(v.vt, VT_BSTR);
    EXPECT_EQ(U8(v.bstrVal), "42");
    CComVariant neg(-7, VT_I4);
    VARIANT out;
    VariantInit(&out);
    ASSERT_EQ(VariantChangeType(&out, &neg, 0, VT_BSTR), S_OK);
    EXPECT_EQ(U8(out.bstrVal), "-7");
    ASSERT_EQ(VariantChangeType(&out, &out, 0, VT_I4), S_OK);
    EXPECT_EQ(out.lVal, -7);
    VariantClear(&out);
    CComVariant junk(W("12abc"));
    EXPECT_EQ(junk.ChangeType(VT_I4), DISP_E_TYPEMISMATCH);
    CComVariant big(W("70000"));
    EXPECT_EQ(big.ChangeType(VT_I2), DISP_E_OVERFLOW);
    CComVariant flag(true);
    EXPECT_EQ(flag.ChangeType(VT_BSTR), S_OK);
    EXPECT_EQ(U8(flag.bstrVal), "-1");
}
