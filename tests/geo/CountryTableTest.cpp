#include <gtest/gtest.h>

#include <set>

#include "geo/CountryTable.h"
#include "pal/host.h"

TEST(CountryTable, HoldsEachCodeOnceWithItsName)
{
    std::set<int> keys;
    for (const CountryEntry& row : g_countryTable) {
        ASSERT_EQ(wcslen(row.code), 2u);
        EXPECT_GT(wcslen(row.name), 2u);
        keys.insert(CountryKey(row.code));
    }
    EXPECT_EQ(keys.size(), g_countryCount);
    EXPECT_EQ(pal::ToUtf8(g_countryTable[0].code), "BD");
    EXPECT_EQ(pal::ToUtf8(g_countryTable[g_countryCount - 1].code), "MZ");
    // The key is the two code units as one little-endian integer.
    EXPECT_EQ(CountryKey(W("FR")), int('F' | ('R' << 16)));
}
