#include "views/colorfromhex.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Case {
    std::string text;
    int red;
    int green;
    int blue;
};

}  // namespace

TEST(ColorFromHex, readsTheLow24BitsOfAScannedHexNumber) {
    const std::vector<Case> cases = {
        {"#202940", 32, 41, 64},
        {"#009426", 0, 148, 38},
        {" \t#009426 \n", 0, 148, 38},
        {"009426", 0, 148, 38},
        {"# 009426", 0, 148, 38},
        {"#\n\t 009426", 0, 148, 38},
        {"#0x009426", 0, 148, 38},
        {"0X04a52d", 4, 165, 45},
        {"\xC2\xA0#202940\xE2\x80\xA8", 32, 41, 64},  // no-break space, line separator
        {"#FFF", 0, 15, 255},
        {"#11223344", 0x22, 0x33, 0x44},
        {"#12G456", 0, 0, 0x12},
        {"#202940 trailing", 32, 41, 64},
        {"#1234567890ABCDEF", 0xAB, 0xCD, 0xEF},
        {"#00000000000000000000202940", 32, 41, 64},  // leading zeros are not significant
        {"#12345678901234567", 255, 255, 255},        // 17 significant digits saturate
        {"0x123456789012345678", 255, 255, 255},
    };
    for (const auto& [text, red, green, blue] : cases) {
        const QColor color = colorFromHex(text);
        EXPECT_EQ(color.red(), red) << text;
        EXPECT_EQ(color.green(), green) << text;
        EXPECT_EQ(color.blue(), blue) << text;
        EXPECT_EQ(color.alpha(), 255) << text;
        EXPECT_EQ(color.spec(), QColor::Rgb) << text;
    }
}

TEST(ColorFromHex, textThatDoesNotParseIsOpaqueBlack) {
    for (const std::string text :
         {"", "#", "   \n", "##202940", "xyz", "#-1", "0x", "#0xg1", "G1",
          "\xEF\xBB\xBF#202940"}) {  // a byte-order mark is not white space
        EXPECT_EQ(colorFromHex(text), QColor(0, 0, 0)) << text;
        EXPECT_EQ(colorFromHex(text).alpha(), 255) << text;
    }
}
