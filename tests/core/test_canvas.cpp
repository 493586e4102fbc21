// The canvas's own rules: the polygon fill against the plain reference, the
// repeats it may skip, and the work budget that cuts a drawing short.
#include "canvas/canvas.h"
#include "polygon_reference.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <random>
#include <string>

using namespace tarnel;

namespace {

struct FillCase {
    std::string name;
    int width, height;
    std::vector<QPoint> pts;
};

std::vector<FillCase> FillCases() {
    std::vector<FillCase> cases = {
        {"triangle", 40, 30, {{3, 2}, {37, 11}, {9, 28}}},
        {"pentagram (self-crossing, nonzero fills the middle)", 50, 50, {{25, 2}, {39, 46}, {2, 18}, {48, 18}, {11, 46}}},
        {"bow tie", 40, 30, {{2, 2}, {38, 28}, {38, 2}, {2, 28}}},
        {"square with a hole wound the other way", 40, 40,
         {{2, 2}, {38, 2}, {38, 38}, {2, 38}, {2, 2}, {10, 10}, {10, 30}, {30, 30}, {30, 10}, {10, 10}}},
        {"square around a square wound the same way", 40, 40,
         {{2, 2}, {38, 2}, {38, 38}, {2, 38}, {2, 2}, {10, 10}, {30, 10}, {30, 30}, {10, 30}, {10, 10}}},
        {"collinear edges going back over themselves", 40, 30, {{2, 2}, {20, 12}, {38, 22}, {20, 12}, {5, 25}, {2, 2}}},
        {"repeated points", 30, 30, {{3, 3}, {3, 3}, {25, 4}, {25, 4}, {25, 4}, {14, 27}, {3, 3}}},
        {"diamond: sides cross pixel centres exactly", 41, 41, {{20, 0}, {40, 20}, {20, 40}, {0, 20}}},
        {"two diamonds sharing a tip", 41, 21, {{0, 10}, {10, 0}, {20, 10}, {30, 0}, {40, 10}, {30, 20}, {20, 10}, {10, 20}}},
        {"huge coordinates", 60, 40, {{INT_MIN, INT_MIN}, {INT_MAX, -5}, {30, INT_MAX}}},
        {"huge and reaching into the surface", 60, 40, {{-2000000000, 20}, {59, 3}, {45, 2100000000}}},
        {"far to the left", 30, 30, {{-100000, 0}, {-5, 10}, {-100000, 29}}},
        {"above, below and beside", 30, 30, {{-40, -50}, {70, -45}, {75, 80}, {-35, 90}}},
        {"thin sliver", 80, 60, {{0, 0}, {79, 59}, {78, 59}}},
        {"one point", 10, 10, {{4, 4}, {4, 4}, {4, 4}}},
        {"all on one line", 20, 20, {{1, 1}, {10, 10}, {18, 18}}},
    };
    // Zigzags: teeth one or zero columns apart, and slanted teeth.
    FillCase zig{"zigzag of 300 teeth", 120, 80, {}};
    for (int i = 0; i < 600; ++i) zig.pts.emplace_back(5 + i / 6, i % 2 ? 78 : 1);
    cases.push_back(zig);
    FillCase slant{"slanted zigzag", 120, 80, {}};
    for (int i = 0; i < 200; ++i) slant.pts.emplace_back(i % 2 ? 20 + i / 2 : i / 3, i % 2 ? 79 : -3);
    cases.push_back(slant);
    std::mt19937 rng(7);
    for (int k = 0; k < 40; ++k) {
        std::uniform_int_distribution<int> n(3, k < 20 ? 8 : 60), c(-20, 100);
        FillCase r{"random #" + std::to_string(k), 80, 70, {}};
        for (int i = n(rng); i > 0; --i) r.pts.emplace_back(c(rng), c(rng));
        cases.push_back(r);
    }
    return cases;
}

} // namespace

TEST(Canvas, PolygonFillFollowsTheReference) {
    for (const FillCase& c : FillCases()) {
        Canvas cv(c.width, c.height);
        DrawFillOnly(cv, c.pts);
        for (int y = 0; y < c.height; ++y) {
            const int x = FirstDifference(cv, c.pts, y);
            EXPECT_EQ(x, -1) << c.name << ": row " << y;
            if (x >= 0) break;
        }
    }
}

TEST(Canvas, PolygonFillOfHandCountedShapes) {
    // A 10 x 6 rectangle from (2, 3): pixels 2..11 by 3..8.
    Canvas cv(20, 20);
    DrawFillOnly(cv, {{2, 3}, {12, 3}, {12, 9}, {2, 9}});
    int filled = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) filled += cv.Pixel(x, y) == kBlack;
    EXPECT_EQ(filled, 60);
    EXPECT_EQ(cv.Pixel(2, 3), kBlack);
    EXPECT_EQ(cv.Pixel(11, 8), kBlack);
    EXPECT_EQ(cv.Pixel(12, 8), kWhite);
    EXPECT_EQ(cv.Pixel(11, 9), kWhite);
    // The diamond |x - 10| + |y - 10| <= 10 of corners (10, 0) ... : row 0's
    // centre y = 0.5 meets the sides at x = 9.5 and 10.5, both pixel centres.
    Canvas d(21, 21);
    DrawFillOnly(d, {{10, 0}, {20, 10}, {10, 20}, {0, 10}});
    EXPECT_EQ(d.Pixel(8, 0), kWhite);
    EXPECT_EQ(d.Pixel(9, 0), kBlack);
    EXPECT_EQ(d.Pixel(10, 0), kBlack);
    EXPECT_EQ(d.Pixel(11, 0), kWhite);
}

namespace {

// A 160 x 160 square, the whole surface of the canvas below.
void Square(Canvas& c, int shift, Color pen, Color brush, PenMode mode) {
    c.Mode = mode;
    c.PenColor = pen;
    c.Brush = BrushStyle::Solid;
    c.BrushColor = brush;
    c.Polygon({{-2 + shift, -2}, {162 + shift, -2}, {162 + shift, 162}, {-2 + shift, 162}});
}

struct RepeatCase {
    const char* name;
    std::function<void(Canvas&)> before;  // drawn first
    std::function<void(Canvas&)> repeat;  // drawn last: skipped or not
    bool skipped;
    Color at80;  // the pixel at (80, 80) in the end
};

} // namespace

TEST(Canvas, RepeatsThatChangeNothingAreSkipped) {
    const PenMode M = PenMode::Mask, C = PenMode::Copy;
    const Color kYellow = 0x00FFFF;
    auto A = [](Color pen, Color brush, PenMode m) { return [=](Canvas& c) { Square(c, 0, pen, brush, m); }; };
    auto B = [](Color pen, Color brush, PenMode m) { return [=](Canvas& c) { Square(c, 1, pen, brush, m); }; };
    // An ellipse in copy mode, its pen and brush of two colours.
    auto E = [](Color pen, Color brush) {
        return [=](Canvas& c) {
            c.Mode = PenMode::Copy;
            c.PenColor = pen;
            c.Brush = BrushStyle::Solid;
            c.BrushColor = brush;
            c.Ellipse(-40, -40, 200, 200);
        };
    };
    auto seq = [](std::vector<std::function<void(Canvas&)>> v) {
        return [=](Canvas& c) {
            for (auto& f : v) f(c);
        };
    };
    const std::vector<RepeatCase> cases = {
        {"mask, the same twice", A(kRed, kRed, M), A(kRed, kRed, M), true, kRed},
        {"mask, another shape between", seq({A(kRed, kRed, M), B(kGreen, kGreen, M)}), A(kRed, kRed, M), true, kBlack},
        {"mask, colours keeping what the first kept", A(kRed, kRed, M), A(kYellow, kYellow, M), true, kRed},
        {"mask, colours keeping less", A(kYellow, kYellow, M), A(kRed, kRed, M), false, kRed},
        {"mask, white changes nothing", A(kRed, kRed, M), B(kWhite, kWhite, M), true, kRed},
        {"mask after a copy between", seq({A(kRed, kRed, M), B(kGreen, kGreen, C)}), A(kRed, kRed, M), false,
         kBlack},
        {"copy, one colour, another shape of it between", seq({A(kRed, kRed, C), B(kRed, kRed, C)}),
         A(kRed, kRed, C), true, kRed},
        {"copy, another colour between", seq({A(kRed, kRed, C), B(kGreen, kGreen, C)}), A(kRed, kRed, C), false,
         kRed},
        {"copy, two colours, the same twice", E(kBlue, kRed), E(kBlue, kRed), true, kRed},
        {"copy, two colours, another between", seq({E(kBlue, kRed), B(kGreen, kGreen, C)}), E(kBlue, kRed), false,
         kRed},
        {"a text between", seq({A(kRed, kRed, M), [](Canvas& c) { c.TextOut(70, 70, "X"); }}), A(kRed, kRed, M),
         false, kRed},
        {"a clear between", seq({A(kRed, kRed, M), [](Canvas& c) {
                                     c.BrushColor = kWhite;
                                     c.FillRect(0, 0, 160, 160);
                                 }}),
         A(kRed, kRed, M), false, kRed},
        {"a new drawing", seq({A(kRed, kRed, M), [](Canvas& c) { c.ResetWork(); }}), A(kRed, kRed, M), false, kRed},
    };
    for (const RepeatCase& c : cases) {
        Canvas cv(160, 160);
        c.before(cv);
        const int64_t w = cv.Work();
        c.repeat(cv);
        const int64_t spent = cv.Work() - w;
        // Drawn, the square costs its 25,600 pixels; skipped, a few units a side.
        EXPECT_EQ(spent < 1000, c.skipped) << c.name << ": work " << spent;
        EXPECT_EQ(cv.Pixel(80, 80), c.at80) << c.name;
        EXPECT_FALSE(cv.CutShort()) << c.name;
    }
}

TEST(Canvas, RepeatedLinesAndEllipsesAreSkipped) {
    // Thousands of different long lines over an ellipse, then all again.
    auto draw = [](Canvas& cv, int times) {
        cv.Mode = PenMode::Mask;
        cv.PenColor = kBlue;
        cv.Brush = BrushStyle::Solid;
        cv.BrushColor = kRed;
        for (int k = 0; k < times; ++k) {
            cv.Ellipse(-1000, -1000, 1600, 1600);
            for (int i = 0; i < 3000; ++i) {
                cv.MoveTo(i % 600, 0);
                cv.LineTo(599 - i / 5, 599);
            }
        }
    };
    Canvas once(600, 600), twice(600, 600);
    draw(once, 1);
    draw(twice, 2);
    EXPECT_EQ(once.Image(), twice.Image());
    // Skipped, a repeat costs its look-up, far less than its pixels.
    EXPECT_LT(twice.Work() - once.Work(), once.Work() / 10);
    EXPECT_EQ(twice.Pixel(300, 1), kRed & kBlue);  // on the line from (300, 0)
}

TEST(Canvas, WorkBudgetCutsTheDrawingShort) {
    Canvas cv(160, 160);
    cv.WorkLimit = 100000;  // about four squares
    int drawn = 0;
    for (int i = 0; i < 10 && !cv.CutShort(); ++i, ++drawn) Square(cv, i, kRed, kRed, PenMode::Copy);
    EXPECT_TRUE(cv.CutShort());
    EXPECT_GE(drawn, 3);
    EXPECT_LE(drawn, 5);
    // Past the limit nothing more is drawn.
    Square(cv, 0, kGreen, kGreen, PenMode::Copy);
    cv.MoveTo(0, 0);
    cv.LineTo(100, 100);
    EXPECT_EQ(cv.Pixel(80, 80), kRed);
    EXPECT_EQ(cv.Pixel(50, 50), kRed);
    // The clear still runs, and resets nothing.
    cv.BrushColor = kWhite;
    cv.FillRect(0, 0, 160, 160);
    EXPECT_EQ(cv.Pixel(80, 80), kWhite);
    EXPECT_TRUE(cv.CutShort());
    Square(cv, 0, kGreen, kGreen, PenMode::Copy);
    EXPECT_EQ(cv.Pixel(80, 80), kWhite);
    // A new drawing starts with the whole budget.
    cv.ResetWork();
    EXPECT_FALSE(cv.CutShort());
    EXPECT_EQ(cv.Work(), 0);
    Square(cv, 0, kGreen, kGreen, PenMode::Copy);
    EXPECT_EQ(cv.Pixel(80, 80), kGreen);
    EXPECT_FALSE(cv.CutShort());
}

TEST(Canvas, BudgetStopsAPolygonPartWay) {
    // One polygon far past the limit: its rows stop once the budget is spent.
    Canvas cv(400, 400);
    cv.WorkLimit = 20000;
    DrawFillOnly(cv, {{0, 0}, {400, 0}, {400, 400}, {0, 400}});
    EXPECT_TRUE(cv.CutShort());
    EXPECT_EQ(cv.Pixel(200, 0), kBlack);
    EXPECT_EQ(cv.Pixel(200, 399), kWhite);
    EXPECT_LT(cv.Work(), 20000 + 2000);
}
