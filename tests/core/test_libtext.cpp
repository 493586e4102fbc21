#include "tokenizer/libtext.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using namespace tarnel;

TEST(LibText, IntegerReading) {
    struct Case { const char* text; int32_t want; } cases[] = {
        {"", 0}, {"0", 0}, {"57", 57}, {"-58", -58}, {"+7", 7}, {"  12", 12},
        {"-12.5", 12}, {"12a", 12}, {"abc", 0}, {"$1F", 31}, {"0x1f", 31}, {"x10", 16}, {"-$10", -16},
        {"0x", 0}, {"-", 0}, {"12 ", 12}, {"-12 ", 12},
        {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
        {"2147483648", 214748364},   // stops before the digit that overflows
        {"99999999999", 999999999}, {"-1.27", 1}, {"$FFFFFFFF", -1},
    };
    for (auto& c : cases) EXPECT_EQ(ReadInt(c.text), c.want) << "text: " << c.text;
}

TEST(LibText, DecimalReading) {
    struct Case { const char* text; double want; } cases[] = {
        {"", 0}, {"600", 600}, {"-0.5", -0.5}, {"1.5", 1.5}, {"1e3", 1000}, {"2.5E-1", 0.25},
        {"1.5x", 15}, {"-3x", 3}, {"abc", 0}, {"1.", 1}, {" 7", 7}, {"1e", 1}, {"12.34.5", 1234},
    };
    for (auto& c : cases) EXPECT_DOUBLE_EQ(ReadDecimal(c.text), c.want) << "text: " << c.text;
}

// Past the range of a double, the nearest one, whatever the exponent's sign
// says; a bad character still makes the digits one whole number.
TEST(LibText, DecimalReadingBeyondADouble) {
    const std::string zeros(400, '0');
    const struct Case {
        std::string text;
        double want;
    } cases[] = {
        {"0." + zeros + "1", 0},       {"-0." + zeros + "1", 0}, {"1" + zeros + "e-10", HUGE_VAL},
        {"0." + zeros + "1e390", 1e-11}, {"0." + zeros + "1x", 1},  {"1" + zeros, HUGE_VAL},
    };
    for (auto& c : cases) EXPECT_DOUBLE_EQ(ReadDecimal(c.text), c.want) << "text: " << c.text.substr(0, 20);
}

TEST(LibText, Rounding) {
    EXPECT_EQ(RoundHalfEven(90.5), 90);
    EXPECT_EQ(RoundHalfEven(91.5), 92);
    EXPECT_EQ(RoundHalfEven(-90.5), -90);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(1e300), INT64_MAX);
    EXPECT_EQ(TruncToInt(-27.5), -27);
    EXPECT_EQ(TruncToInt(std::nan("")), 0);
}

TEST(LibText, LinesEndAtCrCrLfOrLf) {
    auto l = SplitLines("a\r\nb\rc\nd\r\n\r\ne");
    ASSERT_EQ(l.size(), 6u);
    EXPECT_EQ(l[0], "a");
    EXPECT_EQ(l[1], "b");
    EXPECT_EQ(l[2], "c");
    EXPECT_EQ(l[3], "d");
    EXPECT_EQ(l[4], "");
    EXPECT_EQ(l[5], "e");
    std::string z = "x\r\ny\x1Az\r\n";
    auto m = SplitLines(z);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1], "y");
    EXPECT_TRUE(SplitLines("").empty());
    EXPECT_EQ(SplitLines("a\n").size(), 1u);
}

TEST(LibText, WordsTrimUpper) {
    EXPECT_EQ(Word("  $MODULE  abc def", 1), "$MODULE");
    EXPECT_EQ(Word("  $MODULE  abc def", 2), "abc");
    EXPECT_EQ(Word("a\tb c", 1), "a\tb");
    EXPECT_EQ(Word("a b", 3), "");
    EXPECT_EQ(Trim(std::string_view("\t\x01 ab \r", 7)), "ab");
    EXPECT_EQ(UpperAscii("$module \xe9z"), "$MODULE \xe9Z");
}

TEST(LibText, DisplayText) {
    EXPECT_EQ(DisplayTextUtf8("Só"), "Só");             // valid UTF-8 kept
    EXPECT_EQ(DisplayTextUtf8("S\xf3"), "Só");          // Windows-1252
    EXPECT_EQ(DisplayTextUtf8("\x80"), "\xe2\x82\xac");  // euro sign
    EXPECT_EQ(DisplayTextUtf8("\xc3"), "\xc3\x83");     // truncated UTF-8 falls back
}
