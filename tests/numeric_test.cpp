#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "numeric/numeric.h"

// Halves go to the even neighbour; beyond 16 bits CInt saturates instead of wrapping. The
// race's own use of these is pinned by the traces; these are the limits races rarely meet.
TEST(Numeric, RoundingFlooringAndSign) {
    for (auto [value, rounded] : {std::pair{2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {2.5001, 3},
                                  {0.49999, 0}, {40000.0, 32767}})
        EXPECT_EQ(CInt(value), rounded) << value;
    EXPECT_EQ(CLng(100000.5) + Int(2.9) * 10 + Int(-0.5) + Sgn(-0.01) * 100 + Sgn(0.0) * 10 + Sgn(7.0),
              100000 + 19 - 99);
}

// Blanks anywhere are skipped, and reading stops at the first character that cannot
// continue a number.
TEST(Numeric, LenientParse) {
    for (auto [text, value] : {std::pair{"0150", 150.0}, {"    ", 0.0}, {" 1 5", 15.0}, {"- 3x7", -3.0},
                               {"+12", 12.0}, {"2.75.5", 2.75}, {"abc", 0.0}, {"18\n", 18.0}, {"-", 0.0}})
        EXPECT_DOUBLE_EQ(Val(text), value) << '"' << text << '"';
}

TEST(Numeric, FormatPatterns) {
    for (auto [value, pattern, shown] :
         {std::tuple{9.5, "00.00", "09.50"}, {123.456, "00.00", "123.46"}, {1300.0, "0.00", "1300.00"},
          {0.125, "0.00", "0.13"}, {7.0, "00000", "00007"}, {2.8, "00000", "00003"},
          {123456.0, "00000", "123456"}})
        EXPECT_EQ(Format(value, pattern), shown) << value << " as " << pattern;
}

TEST(Numeric, RandomStreamsRepeatForASeedAndStayApart) {
    Randomize(42);
    float a = Rnd(), b = Rnd();
    Randomize(42);
    EXPECT_EQ(Rnd(), a);
    CosmeticRnd();  // a sound draw must not disturb the race stream
    EXPECT_EQ(Rnd(), b);
    for (int i = 0; i < 10000; ++i) ASSERT_LT(Rnd(), 1.0f);
}
