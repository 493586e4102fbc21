#include "render_fixture.h"

using namespace tarnel;

TEST_F(Render, OriginPerDivisor) {
    const int table[][2] = {{20, 43}, {30, 65}, {40, 86}, {50, 108}, {60, 130}, {70, 152}, {80, 173}, {90, 195},
                            {100, 217}, {110, 239}, {120, 260}, {130, 282}, {140, 304}, {150, 326}, {10, 21}};
    for (auto& row : table) {
        v.Options().ScaleDivisor = row[0];
        EXPECT_EQ(v.MapX("0", false), row[1]) << "divisor " << row[0];
    }
}

TEST_F(Render, MappingAtDivisor100) {
    const struct { const char* text; int px; } table[] = {
        {"0", 217}, {"57", 217}, {"58", 218}, {"-58", 217}, {"-172", 217}, {"-173", 216},
        {"1000", 226}, {"-1000", 209}, {"-30000", -43}, {"-12.5", 217}, {"", 217}};
    for (auto& row : table) EXPECT_EQ(v.MapY(row.text, false), row.px) << row.text;
}

TEST_F(Render, ExtentsTrackAndMinimaStopAtZero) {
    EXPECT_EQ(v.MapX("-30000", true), -43);
    EXPECT_EQ(v.View().ExtentMinX, 0);
    EXPECT_EQ(v.View().ExtentMaxX, -43);
    v.MapX("1000", true);
    EXPECT_EQ(v.View().ExtentMaxX, 226);
    v.MapX("0", false);  // untracked
    EXPECT_EQ(v.View().ExtentMinX, 0);
    EXPECT_EQ(v.View().ExtentMaxX, 226);
}

TEST_F(Render, EmptyMemoGivesWhite101View) {
    Draw({});
    EXPECT_EQ(v.View().ViewWidth, 101);
    EXPECT_EQ(v.View().ViewHeight, 101);
    for (int y = 0; y < 101; ++y)
        for (int x = 0; x < 101; ++x) ASSERT_EQ(V(x, y), kWhite);
}

TEST_F(Render, SymbolArcsAndCirclesDrawNothing) {
    Draw({"A 0 0 100 0 900 0 1 0 N", "C 0 0 100 0 1 0 N"});
    EXPECT_EQ(v.View().ViewWidth, 101);
    EXPECT_EQ(Count(kWhite, 0, 0, 400, 400), 400 * 400);
}

TEST_F(Render, SegmentViewGeometry) {
    Draw({"DS 0 0 1000 0 150 21"});
    EXPECT_EQ(v.View().ExtentMinX, 217);
    EXPECT_EQ(v.View().ExtentMaxX, 226);
    EXPECT_EQ(v.View().ExtentMinY, 217);
    EXPECT_EQ(v.View().ExtentMaxY, 217);
    EXPECT_EQ(v.View().ViewWidth, 109);
    EXPECT_EQ(v.View().ViewHeight, 100);
    for (int x = 50; x <= 58; ++x) EXPECT_EQ(V(x, 50), kBlue) << x;
    EXPECT_EQ(V(59, 50), kWhite);
    EXPECT_EQ(V(49, 50), kWhite);
    EXPECT_EQ(V(55, 49), kWhite);
}

TEST_F(Render, WideCropKeepsWidthButDrawsOnly2000Columns) {
    v.Options().ScaleDivisor = 10;
    Draw({"DS 0 0 30000 0"});
    // 30000 / 10 / 1.15 -> 2609 columns right of the origin.
    EXPECT_EQ(v.View().ExtentMaxX, 21 + 2609);
    EXPECT_EQ(v.View().ViewWidth, 2609 + 100);
    EXPECT_EQ(v.ViewImage().Pixel(1999, 50), kBlue);
    EXPECT_EQ(v.ViewImage().Image().width(), 2000);
}

TEST_F(Render, DrawingLeftOfTheCanvasGivesEmptyView) {
    Draw({"DS -300000 0 -200000 0"});
    EXPECT_EQ(v.View().ExtentMinX, 0);
    EXPECT_LE(v.View().ViewWidth, 0);
}

TEST_F(Render, SingleLineDrawAddsToThePreviousDrawing) {
    Draw({"DS 0 0 1000 0", "DS 0 5000 1000 5000"});
    const int w = v.View().ViewWidth, h = v.View().ViewHeight;
    v.SetLines(ModuleText::FromLines({"DS 0 0 1000 0", "DS 0 -5000 1000 -5000"}));
    v.SetCaretLine(1);
    v.B_linhaClick();
    EXPECT_EQ(v.View().ViewWidth, w);
    EXPECT_GT(v.View().ViewHeight, h);                    // widened by the new segment
    EXPECT_EQ(W(220, my(5000)), kBlue);  // previous drawing kept
    EXPECT_EQ(W(220, my(-5000)), kBlue);
    v.B_apagarClick();
    EXPECT_EQ(W(220, my(-5000)), kWhite);
    EXPECT_EQ(v.View().ExtentMinY, my(-5000));             // extents unchanged by clearing
}
