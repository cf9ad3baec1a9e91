// The name the file system compares for a path component, from the generated case table.
#include "installer/package/entry_paths.h"

#include <gtest/gtest.h>

TEST(CanonicalName, UpperCasesEveryUnitAsTheFileSystemDoes) {
    EXPECT_EQ(L"README.TXT", canonical_name(L"ReadMe.txt. . "));
    EXPECT_EQ(L"\x00C9T\x00C9", canonical_name(L"\x00E9t\x00E9"));                // été
    EXPECT_EQ(L"\x0178", canonical_name(L"\x00FF"));                               // ÿ, upper case in another page
    EXPECT_EQ(L"\x03A3\x03A3", canonical_name(L"\x03C3\x03C2"));                   // σ and final ς
    EXPECT_EQ(L"\x13A0", canonical_name(L"\xAB70"));                               // Cherokee, far below
    EXPECT_EQ(L"\xFF21", canonical_name(L"\xFF41"));                               // full-width a
    // One unit in, one unit out: ß stays (its upper case is "SS"), surrogates stay.
    EXPECT_EQ(L"STRA\x00DF" L"E", canonical_name(L"stra\x00DF" L"e"));
    EXPECT_EQ(L"\xD801\xDC28", canonical_name(L"\xD801\xDC28"));
    EXPECT_EQ(L"", canonical_name(L". ."));
}
