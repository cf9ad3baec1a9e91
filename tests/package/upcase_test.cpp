#include "installer/package/upcase.h"

#include <gtest/gtest.h>

TEST(Upcase, OneUnitInOneUnitOut) {
    EXPECT_EQ(u'A', upcase_unit(u'a'));
    EXPECT_EQ(u'Z', upcase_unit(u'z'));
    EXPECT_EQ(u'A', upcase_unit(u'A'));
    EXPECT_EQ(u'1', upcase_unit(u'1'));
    EXPECT_EQ(0x0178, upcase_unit(0x00FF));  // y with diaeresis: its capital lies in another page
    EXPECT_EQ(0x039C, upcase_unit(0x00B5));  // micro sign
    EXPECT_EQ(0x0049, upcase_unit(0x0131));  // dotless i
    EXPECT_EQ(0x0100, upcase_unit(0x0101));  // alternating capitals of Latin Extended-A
    EXPECT_EQ(0x0102, upcase_unit(0x0102));
    EXPECT_EQ(0x01C4, upcase_unit(0x01C6));
    EXPECT_EQ(0x0414, upcase_unit(0x0434));  // Cyrillic
    EXPECT_EQ(0x03A3, upcase_unit(0x03C3));  // Greek sigma, and the final form
    EXPECT_EQ(0x03A3, upcase_unit(0x03C2));
    EXPECT_EQ(0xFF21, upcase_unit(0xFF41));  // full-width, in the last page
}

TEST(Upcase, LongerCapitalsAndSurrogatesStay) {
    EXPECT_EQ(0x00DF, upcase_unit(0x00DF));  // sharp s: "SS" is two units
    EXPECT_EQ(0xD801, upcase_unit(0xD801));
    EXPECT_EQ(0xDC28, upcase_unit(0xDC28));
    EXPECT_EQ(0xFFFF, upcase_unit(0xFFFF));
}
