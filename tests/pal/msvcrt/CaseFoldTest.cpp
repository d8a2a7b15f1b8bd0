// The layer's own choice for the CRT's case functions: _wcsicmp, _wcsnicmp, towupper and towlower fold with
// the registry's table (each UTF-16 unit upcased alone, the same in every locale), so that they call two
// names equal exactly when the registry does. Windows' CRT folds only A to Z in the C locale, so these
// cases are the layer's and stay out of the Windows build.
#include <gtest/gtest.h>

#include <windows.h>

#include "__Utilities/WString.h"

TEST(CaseMapping, OneLocaleFreeUpcaseFold)
{
    // Folding by upper case: these pairs are equal although their lower cases differ (or vice versa).
    EXPECT_EQ(_wcsicmp(W("\u00b5"), W("\u039c")), 0); // micro sign and capital mu
    EXPECT_EQ(_wcsicmp(W("\u03c2"), W("\u03a3")), 0); // final sigma and capital sigma
    EXPECT_EQ(_wcsicmp(W("\u017f"), W("S")), 0);       // long s
    EXPECT_EQ(_wcsnicmp(W("\u01c5x"), W("\u01c6y"), 1), 0);
    EXPECT_NE(_wcsicmp(W("\u212a"), W("K")), 0); // Kelvin sign
    EXPECT_NE(_wcsicmp(W("\u00df"), W("SS")), 0);
    EXPECT_EQ(_wcsicmp(W("Software\\\u00c4rger"), W("software\\\u00e4RGER")), 0);

    EXPECT_EQ(towupper(WCHAR(0x00B5)), 0x039C);
    EXPECT_EQ(towupper(WCHAR(0x00FF)), 0x0178);
    EXPECT_EQ(towupper(WCHAR(0x00DF)), 0x00DF);
    EXPECT_EQ(towupper(WCHAR(0xD800)), 0xD800);
    EXPECT_EQ(towlower(WCHAR(0x0178)), 0x00FF);
    EXPECT_EQ(towlower(WCHAR(0x212A)), 'k');
}
