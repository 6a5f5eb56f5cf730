#include <gtest/gtest.h>

#include "config/config_text.h"

TEST(ColourFromText, PacksLikeTheRgbMacro) {
    EXPECT_EQ(0u, colourFromText("0,0,0"));
    EXPECT_EQ(255u, colourFromText("255,0,0"));
    EXPECT_EQ(0xFF0000u, colourFromText("0,0,255"));
    EXPECT_EQ(0xFF8000u, colourFromText("0, 128, 255"));
    EXPECT_EQ(0x563412u, colourFromText("18,52,86"));
}

TEST(ColourFromText, KeepsOnlyTheLowBitsAndLetGreenSpill) {
    EXPECT_EQ(44u, colourFromText("300,0,0"));
    // Green keeps 16 bits, as the macro does, and so reaches the blue byte.
    EXPECT_EQ((256u << 8), colourFromText("0,256,0"));
    EXPECT_EQ(0xFFu, colourFromText("-1,0,0"));
}

TEST(ColourFromText, CommaRunsAreOneSeparatorAndExtraPiecesAreIgnored) {
    EXPECT_EQ(0x030201u, colourFromText(",,1,,,2,3,"));
    EXPECT_EQ(0x030201u, colourFromText("1,2,3,4,5"));
    EXPECT_EQ(0x000201u, colourFromText("1 2,2"));
}

TEST(ColourFromText, MissingNumbersCountAsZero) {
    EXPECT_EQ(0u, colourFromText(""));
    EXPECT_EQ(0u, colourFromText(",,,"));
    EXPECT_EQ(0x0000FFu, colourFromText("255"));
    EXPECT_EQ(0x00FF10u, colourFromText("16,255"));
}
