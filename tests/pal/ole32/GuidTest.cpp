// GUIDs in their registry form: parsed and written back, and what does not parse.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include "pal/host.h"

TEST(Guids, TextFormsRoundTrip)
{
    const GUID addin = {0xF8158EA8, 0xAA22, 0x4DE7, {0xA9, 0x07, 0xE2, 0xC8, 0x48, 0x0F, 0xD7, 0xE1}};
    CLSID clsid;
    ASSERT_EQ(CLSIDFromString(W("{F8158EA8-AA22-4DE7-A907-E2C8480FD7E1}"), &clsid), S_OK);
    EXPECT_TRUE(clsid == addin);
    WCHAR text[39];
    EXPECT_EQ(StringFromGUID2(clsid, text, 39), 39);
    EXPECT_EQ(pal::ToUtf8(text), "{F8158EA8-AA22-4DE7-A907-E2C8480FD7E1}");
    EXPECT_EQ(CLSIDFromString(W("{F8158EA8-AA22-4DE7-A907-E2C8480FD7E}"), &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(W("{F8158EA8+AA22-4DE7-A907-E2C8480FD7E1}"), &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(StringFromGUID2(clsid, text, 38), 0);
    const GUID unknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
    EXPECT_TRUE(__uuidof(IUnknown) == unknown);
}
